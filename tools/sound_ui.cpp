// Interface sounds: the press click, the hover rolls and the save bell.
#include "wav_dsp.h"

namespace {

// One tick: a hard little snap of noise and a couple of quickly damped tones.
void AddTick(Stereo& s, double at, double amp, double pitch, NoiseSource& noise) {
    std::size_t first = static_cast<std::size_t>(at * SampleRate);
    Biquad hiss;
    hiss.SetHighPass(2500, 0.7);
    for (std::size_t i = 0; i < 40 && first + i < s.Frames(); ++i) {
        double t = static_cast<double>(i) / SampleRate;
        float v = static_cast<float>(hiss.Run(noise.White()) * amp * 0.6 * std::exp(-t / 0.0006));
        s.L[first + i] += v;
        s.R[first + i] += v;
    }
    AddRing(s, at, pitch, amp * 0.5, 0.004, 0.5);
    AddRing(s, at, pitch * 2.13, amp * 0.22, 0.0018, 0.5);
}

}  // namespace

Stereo PressClick() {
    Stereo s(0.09);
    NoiseSource noise(11);
    Biquad snap;
    snap.SetHighPass(1800, 0.8);
    for (std::size_t i = 0; i < 60; ++i) {
        double t = static_cast<double>(i) / SampleRate;
        float v = static_cast<float>(snap.Run(noise.White()) * std::exp(-t / 0.0007));
        s.L[i] += v;
        s.R[i] += v;
    }
    // A crisp switch: a bright snap over a short plastic body.
    AddRing(s, 0, 2430, 0.55, 0.0055, 0.5);
    AddRing(s, 0, 4070, 0.25, 0.0025, 0.5);
    AddRing(s, 0, 910, 0.4, 0.011, 0.5);
    AddRing(s, 0.0004, 1530, 0.2, 0.007, 0.5);
    HighPassBoth(s, 120);
    FadeEnds(s, 0, 0.01);
    Normalise(s, 0.7);
    return s;
}

Stereo RollTicks(int variant) {
    struct Roll {
        double Pitch, Peak, Length;
        int Ticks;
        double Gap, GapGrowth, Decay;
        std::uint32_t Seed;
    };
    // The two everyday rolls differ a little so hovering along a menu does not drone;
    // the third is lower and longer, a ratchet for the main menu.
    constexpr Roll rolls[3] = {
        {1760, 0.32, 0.08, 3, 0.013, 1.0, 0.68, 21},
        {1520, 0.32, 0.08, 4, 0.0105, 1.08, 0.74, 22},
        {1180, 0.38, 0.11, 6, 0.009, 1.12, 0.8, 23},
    };
    const Roll& r = rolls[variant];
    Stereo s(r.Length);
    NoiseSource noise(r.Seed);
    double at = 0, amp = 1, gap = r.Gap;
    for (int k = 0; k < r.Ticks; ++k) {
        AddTick(s, at, amp, r.Pitch * (1 - 0.02 * k), noise);
        at += gap;
        gap *= r.GapGrowth;
        amp *= r.Decay;
    }
    // Soften the ticks: a hover should be felt more than heard.
    Biquad l, rr;
    l.SetLowPass(5200, 0.7);
    rr.SetLowPass(5200, 0.7);
    for (std::size_t i = 0; i < s.Frames(); ++i) {
        s.L[i] = static_cast<float>(l.Run(s.L[i]));
        s.R[i] = static_cast<float>(rr.Run(s.R[i]));
    }
    HighPassBoth(s, 150);
    FadeEnds(s, 0, 0.01);
    Normalise(s, r.Peak);
    return s;
}

Stereo Bell() {
    Stereo s(3.0);
    // Partials of a small bell, relative to its strike note; each rings as a slightly
    // detuned pair so the tone shimmers as it dies.
    struct Partial { double Ratio, Amp, Tau; };
    constexpr Partial partials[] = {
        {0.5, 0.22, 1.5},  {1.0, 1.0, 1.1},    {1.183, 0.42, 0.85}, {1.506, 0.32, 0.65},
        {2.0, 0.5, 0.55},  {2.514, 0.24, 0.34}, {2.662, 0.2, 0.28},  {3.011, 0.17, 0.22},
        {4.166, 0.11, 0.14}, {5.433, 0.07, 0.09},
    };
    constexpr double Strike = 1046.5;
    int n = 0;
    for (const Partial& p : partials) {
        double f = Strike * p.Ratio;
        AddRing(s, 0, f, p.Amp * 0.55, p.Tau, 0.45, n * 0.7);
        AddRing(s, 0, f + 0.6 + 0.15 * n, p.Amp * 0.45, p.Tau * 0.9, 0.55, n * 1.3);
        ++n;
    }
    NoiseSource noise(31);
    Biquad clang;
    clang.SetHighPass(3000, 0.7);
    for (std::size_t i = 0; i < 90; ++i) {
        double t = static_cast<double>(i) / SampleRate;
        float v = static_cast<float>(clang.Run(noise.White()) * 0.35 * std::exp(-t / 0.0012));
        s.L[i] += v;
        s.R[i] += v;
    }
    FadeEnds(s, 0.0005, 0.4);
    Normalise(s, 0.6);
    return s;
}
