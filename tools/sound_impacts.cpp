// Impact sounds: the bump between cars, the hard crash and the explosion with its fire.
#include <vector>

#include "wav_dsp.h"

namespace {

// A low thud whose pitch falls as it dies, the body of every impact.
void AddThud(Stereo& s, double at, double fromHz, double toHz, double amp, double tau) {
    std::size_t first = static_cast<std::size_t>(at * SampleRate);
    double phase = 0;
    for (std::size_t i = 0; first + i < s.Frames() && i < tau * 8 * SampleRate; ++i) {
        double t = static_cast<double>(i) / SampleRate;
        double f = toHz + (fromHz - toHz) * std::exp(-t / (tau * 0.6));
        phase += f / SampleRate;
        double attack = std::min(1.0, t / 0.002);
        float v = static_cast<float>(amp * attack * std::exp(-t / tau) * std::sin(TwoPi * phase));
        s.L[first + i] += v;
        s.R[first + i] += v;
    }
}

// A burst of noise through a low-pass that closes as it decays.
void AddBurst(Stereo& s, double at, double amp, double tau, double fromHz, double toHz,
              double sweep, std::uint32_t seed) {
    std::size_t first = static_cast<std::size_t>(at * SampleRate);
    NoiseSource noise(seed);
    Biquad l, r;
    for (std::size_t i = 0; first + i < s.Frames() && i < tau * 8 * SampleRate; ++i) {
        double t = static_cast<double>(i) / SampleRate;
        double cutoff = toHz + (fromHz - toHz) * std::exp(-t / sweep);
        l.SetLowPass(cutoff, 0.8);
        r.SetLowPass(cutoff, 0.8);
        double env = amp * std::min(1.0, t / 0.001) * std::exp(-t / tau);
        s.L[first + i] += static_cast<float>(env * l.Run(noise.White()));
        s.R[first + i] += static_cast<float>(env * r.Run(noise.White()));
    }
}

// A short grain of band-passed noise, the unit of crunching metal and fire crackle.
void AddGrain(Stereo& s, double at, double amp, double length, double freq, double q,
              double pan, NoiseSource& noise) {
    std::size_t first = static_cast<std::size_t>(at * SampleRate);
    std::size_t count = static_cast<std::size_t>(length * SampleRate);
    Biquad band;
    band.SetBandPass(freq, q);
    double left = std::sqrt(1 - pan), right = std::sqrt(pan);
    for (std::size_t i = 0; i < count && first + i < s.Frames(); ++i) {
        double x = static_cast<double>(i) / count;
        double env = amp * std::sin(3.14159265358979 * x) * (1 - x);
        double v = env * band.Run(noise.White()) * 3;
        s.L[first + i] += static_cast<float>(v * left);
        s.R[first + i] += static_cast<float>(v * right);
    }
}

// Sheet metal: noise ringing through a narrow band, rougher than a pure decaying tone.
void AddPanel(Stereo& s, double at, double freq, double amp, double tau, double pan,
              std::uint32_t seed) {
    std::size_t first = static_cast<std::size_t>(at * SampleRate);
    std::size_t count = static_cast<std::size_t>(tau * 7 * SampleRate);
    NoiseSource noise(seed);
    Biquad band;
    band.SetBandPass(freq, 25);
    double left = std::sqrt(1 - pan), right = std::sqrt(pan);
    for (std::size_t i = 0; i < count && first + i < s.Frames(); ++i) {
        double t = static_cast<double>(i) / SampleRate;
        double v = amp * 6 * band.Run(noise.White()) * std::exp(-t / tau) * std::min(1.0, t / 0.001);
        s.L[first + i] += static_cast<float>(v * left);
        s.R[first + i] += static_cast<float>(v * right);
    }
}

}  // namespace

Stereo Bump() {
    Stereo s(0.5);
    AddThud(s, 0, 110, 58, 0.9, 0.06);
    AddThud(s, 0.004, 190, 120, 0.35, 0.03);
    AddBurst(s, 0, 0.8, 0.022, 2500, 700, 0.015, 81);
    // Panels flexing briefly: inharmonic bands, so it is a knock on a car, not a note.
    constexpr double modes[][3] = {{517, 0.3, 0.05}, {1243, 0.24, 0.04}, {1891, 0.18, 0.03},
                                   {2747, 0.1, 0.022}, {3529, 0.06, 0.016}};
    int n = 0;
    for (auto& m : modes) AddPanel(s, 0.001 * n, m[0], m[1], m[2], 0.35 + 0.07 * n, 82 + n), ++n;
    HighPassBoth(s, 35);
    FadeEnds(s, 0, 0.04);
    Squash(s, 4);
    Normalise(s, 0.75);
    return s;
}

Stereo HardCrash() {
    Stereo s(1.7);
    AddThud(s, 0, 85, 38, 1.0, 0.12);
    AddBurst(s, 0, 0.9, 0.09, 7000, 700, 0.12, 91);
    NoiseSource dice(92);
    // Crumpling: a dense run of grains that thins out over a third of a second.
    for (double t = 0.003; t < 0.38; t += dice.Range(0.003, 0.011) * (1 + t * 6)) {
        double amp = dice.Range(0.15, 0.45) * std::exp(-t / 0.16);
        AddGrain(s, t, amp, dice.Range(0.003, 0.009), dice.Range(600, 3200), 3, dice.Range(0.2, 0.8),
                 dice);
    }
    constexpr double modes[][3] = {{311, 0.22, 0.3}, {743, 0.2, 0.24}, {1187, 0.16, 0.2},
                                   {1729, 0.12, 0.16}, {2467, 0.09, 0.12}, {3121, 0.06, 0.1}};
    int n = 0;
    for (auto& m : modes) AddPanel(s, 0.002 * n, m[0], m[1], m[2], 0.3 + 0.08 * n, 93 + n), ++n;
    // Debris: bits of trim and glass landing, fewer and further apart as they settle.
    for (double t = 0.15; t < 1.45; t += dice.Range(0.02, 0.07) * (1 + 2.5 * t)) {
        double amp = dice.Range(0.08, 0.3) * (1.3 - t * 0.7);
        double pan = dice.Range(0.1, 0.9);
        double f = dice.Range(1900, 5200);
        AddRing(s, t, f, amp, dice.Range(0.006, 0.022), pan);
        AddRing(s, t, f * dice.Range(1.31, 1.62), amp * 0.5, dice.Range(0.004, 0.012), pan);
        AddGrain(s, t, amp * 0.6, 0.004, f * 0.7, 2, pan, dice);
    }
    HighPassBoth(s, 30);
    FadeEnds(s, 0, 0.1);
    Squash(s, 6);
    Normalise(s, 0.9);
    return s;
}

Stereo ExplosionAndFire() {
    constexpr double Length = 4.6;
    Stereo s(Length);
    // The blast: a boom that drops in pitch, a roar of noise closing down, a hard edge.
    AddThud(s, 0, 62, 28, 1.0, 0.42);
    AddBurst(s, 0, 1.0, 0.3, 6000, 350, 0.25, 101);
    AddBurst(s, 0, 0.5, 0.03, 9000, 3000, 0.02, 102);
    // The fire: a low roar that swells after the blast and dies over four seconds, with
    // slow surges so it breathes.
    for (int c = 0; c < 2; ++c) {
        NoiseSource noise(110 + c);
        Biquad roar, surge, hiss;
        roar.SetLowPass(280, 0.7);
        surge.SetLowPass(2.5, 0.7);
        hiss.SetBandPass(2800, 0.8);
        std::vector<float>& out = c == 0 ? s.L : s.R;
        for (std::size_t i = 0; i < s.Frames(); ++i) {
            double t = static_cast<double>(i) / SampleRate;
            double life = std::min(1.0, t / 0.35) * std::pow(std::max(0.0, 1 - t / Length), 1.1);
            double breath = 1 + 12.0 * surge.Run(noise.White());
            double white = noise.White();
            double v = life * std::max(0.2, breath) * (1.6 * roar.Run(white) + 0.05 * hiss.Run(white));
            out[i] += static_cast<float>(1.1 * v);
        }
    }
    // Crackle: pops of burning trim and paint, thick at first, sparse at the end.
    NoiseSource dice(120);
    for (double t = 0.12; t < Length - 0.1;) {
        double life = std::pow(1 - t / Length, 1.0);
        bool pop = dice.Uniform() < 0.12;
        double amp = (pop ? dice.Range(0.5, 0.9) : dice.Range(0.12, 0.55)) * life;
        double f = pop ? dice.Range(450, 1100) : dice.Range(1400, 4500);
        AddGrain(s, t, amp, pop ? dice.Range(0.004, 0.009) : dice.Range(0.0008, 0.0025), f,
                 pop ? 2.5 : 1.5, dice.Range(0.1, 0.9), dice);
        double rate = 45 * life + 6;  // per second
        t += -std::log(1 - dice.Uniform() * 0.999) / rate;
    }
    HighPassBoth(s, 25);
    FadeEnds(s, 0, 0.3);
    Squash(s, 4);
    Normalise(s, 0.9);
    return s;
}
