// Small synthesis kit for the game's sound effects: seeded noise, filters, envelopes.
// Everything is deterministic so the same sources give the same files.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "wav_files.h"

constexpr double TwoPi = 6.28318530717958647692;

struct NoiseSource {
    std::uint32_t State;
    explicit NoiseSource(std::uint32_t seed) : State(seed * 747796405u + 2891336453u) {}
    double Uniform() {  // [0, 1)
        State ^= State << 13;
        State ^= State >> 17;
        State ^= State << 5;
        return (State >> 8) / 16777216.0;
    }
    double White() { return 2 * Uniform() - 1; }
    double Range(double lo, double hi) { return lo + (hi - lo) * Uniform(); }
};

// A two-pole filter (the usual audio-cookbook shapes); Set* may be called every sample
// for sweeps.
struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0, x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    void SetLowPass(double freq, double q) { Set(freq, q, 0); }
    void SetHighPass(double freq, double q) { Set(freq, q, 1); }
    void SetBandPass(double freq, double q) { Set(freq, q, 2); }  // 0 dB at the peak
    double Run(double x) {
        double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }

private:
    void Set(double freq, double q, int kind) {
        freq = std::clamp(freq, 10.0, SampleRate * 0.45);
        double w = TwoPi * freq / SampleRate, c = std::cos(w), alpha = std::sin(w) / (2 * q);
        double a0 = 1 + alpha;
        if (kind == 0) {
            b0 = (1 - c) / 2; b1 = 1 - c; b2 = (1 - c) / 2;
        } else if (kind == 1) {
            b0 = (1 + c) / 2; b1 = -(1 + c); b2 = (1 + c) / 2;
        } else {
            b0 = alpha; b1 = 0; b2 = -alpha;
        }
        a1 = -2 * c;
        a2 = 1 - alpha;
        b0 /= a0; b1 /= a0; b2 /= a0; a1 /= a0; a2 /= a0;
    }
};

// A struck mode: a sine that starts at once and dies away exponentially.
inline void AddRing(Stereo& s, double start, double freq, double amp, double tau, double pan,
                    double phase = 0) {
    std::size_t first = static_cast<std::size_t>(start * SampleRate);
    std::size_t count = static_cast<std::size_t>(tau * 7 * SampleRate);
    double left = amp * std::sqrt(1 - pan) , right = amp * std::sqrt(pan);
    for (std::size_t i = 0; i < count && first + i < s.Frames(); ++i) {
        double t = static_cast<double>(i) / SampleRate;
        double v = std::sin(TwoPi * freq * t + phase) * std::exp(-t / tau);
        s.L[first + i] += static_cast<float>(v * left);
        s.R[first + i] += static_cast<float>(v * right);
    }
}

// Rounds off the loudest moments of a spiky sound so its body comes up to meet them: a
// crash has to stand over the engines, not only its first millisecond.
inline void Squash(Stereo& s, double drive) {
    float most = 1e-9f;
    for (std::size_t i = 0; i < s.Frames(); ++i)
        most = std::max({most, std::fabs(s.L[i]), std::fabs(s.R[i])});
    for (std::size_t i = 0; i < s.Frames(); ++i) {
        s.L[i] = static_cast<float>(std::tanh(drive * s.L[i] / most));
        s.R[i] = static_cast<float>(std::tanh(drive * s.R[i] / most));
    }
}

// Scales the sound so its loudest sample sits at peak.
inline void Normalise(Stereo& s, double peak) {
    float most = 1e-9f;
    for (std::size_t i = 0; i < s.Frames(); ++i)
        most = std::max({most, std::fabs(s.L[i]), std::fabs(s.R[i])});
    float k = static_cast<float>(peak / most);
    for (std::size_t i = 0; i < s.Frames(); ++i) {
        s.L[i] *= k;
        s.R[i] *= k;
    }
}

// Short raised-cosine fades so the file starts and ends without a click.
inline void FadeEnds(Stereo& s, double fadeIn, double fadeOut) {
    std::size_t in = static_cast<std::size_t>(fadeIn * SampleRate);
    std::size_t out = static_cast<std::size_t>(fadeOut * SampleRate);
    for (std::size_t i = 0; i < in && i < s.Frames(); ++i) {
        float g = static_cast<float>(0.5 - 0.5 * std::cos(3.14159265358979 * i / in));
        s.L[i] *= g;
        s.R[i] *= g;
    }
    for (std::size_t i = 0; i < out && i < s.Frames(); ++i) {
        std::size_t j = s.Frames() - 1 - i;
        float g = static_cast<float>(0.5 - 0.5 * std::cos(3.14159265358979 * i / out));
        s.L[j] *= g;
        s.R[j] *= g;
    }
}

// Removes any DC offset and rumble below freq.
inline void HighPassBoth(Stereo& s, double freq) {
    Biquad l, r;
    l.SetHighPass(freq, 0.707);
    r.SetHighPass(freq, 0.707);
    for (std::size_t i = 0; i < s.Frames(); ++i) {
        s.L[i] = static_cast<float>(l.Run(s.L[i]));
        s.R[i] = static_cast<float>(r.Run(s.R[i]));
    }
}

// The recipes, one per wave file.
Stereo PressClick();
Stereo RollTicks(int variant);  // 0 and 1: the two soft hover rolls; 2: the alternative
Stereo EngineRise();
Stereo TyreSqueal();
Stereo Bump();
Stereo HardCrash();
Stereo ExplosionAndFire();
Stereo Bell();
