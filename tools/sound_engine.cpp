// Driving sounds: the engine note and the tyre squeal.
#include "wav_dsp.h"

namespace {

// The race reads the engine file at a position that follows the car's speed (420 bytes
// per unit of speed, capped at 110000 bytes = 1.25 s), so the note must climb all along
// the file: idle at the start, about 120 Hz firing at the cap, still rising after it.
double FiringFrequency(double t, double length) {
    return 35.0 + 165.0 * std::pow(t / length, 0.75);
}

struct EngineVoice {
    Biquad Body[4];
    Biquad Hiss;
    NoiseSource Noise;
    explicit EngineVoice(std::uint32_t seed) : Noise(seed) {}
};

}  // namespace

Stereo EngineRise() {
    constexpr double Length = 3.0;
    Stereo s(Length);
    NoiseSource firingDice(5);
    EngineVoice voices[2] = {EngineVoice(6), EngineVoice(7)};
    // Exhaust and block resonances that the firing pulses ring through.
    constexpr double BodyFreq[4] = {150, 420, 1100, 2600};
    constexpr double BodyQ[4] = {1.2, 2.5, 3.0, 4.0};
    constexpr double BodyGain[4] = {0.8, 0.9, 0.5, 0.2};
    for (EngineVoice& v : voices) {
        for (int b = 0; b < 4; ++b) v.Body[b].SetBandPass(BodyFreq[b], BodyQ[b]);
        v.Hiss.SetBandPass(1800, 1.5);
    }
    double phase = 0, firingAmp = 1;
    long firing = 0;
    for (std::size_t i = 0; i < s.Frames(); ++i) {
        double t = static_cast<double>(i) / SampleRate;
        double f = FiringFrequency(t, Length);
        double rev = (f - 35.0) / 165.0;
        phase += f / SampleRate;
        if (phase >= 1) {
            phase -= 1;
            ++firing;
            // Every firing a little different, and one cylinder of each pair weaker:
            // that unevenness is what makes an idle lumpy rather than a buzz.
            firingAmp = (1 + 0.12 * firingDice.White()) * (firing % 2 ? 0.86 : 1.0);
        }
        double width = std::clamp(0.001 * f, 0.04, 0.18);
        double pulse = (phase / width) * std::exp(1 - phase / width);
        double e = firingAmp * pulse;
        for (int c = 0; c < 2; ++c) {
            EngineVoice& v = voices[c];
            double y = e * (0.2 + 0.25 * rev);
            for (int b = 0; b < 4; ++b) y += BodyGain[b] * v.Body[b].Run(e);
            y += v.Hiss.Run(v.Noise.White()) * (0.12 + 0.45 * pulse) * (0.5 + 0.5 * rev) * 0.5;
            y = std::tanh(2.2 * y);
            (c == 0 ? s.L : s.R)[i] = static_cast<float>(y);
        }
    }
    HighPassBoth(s, 28);
    FadeEnds(s, 0.005, 0.005);
    // Nine of these run at once under every race; the crashes have to be heard over them.
    Normalise(s, 0.16);
    return s;
}

Stereo TyreSqueal() {
    constexpr double Length = 1.3;
    Stereo s(Length);
    for (int c = 0; c < 2; ++c) {
        NoiseSource noise(60 + c);
        Biquad band1, band2, hiss, rough, drift;
        hiss.SetHighPass(3200, 0.7);
        rough.SetLowPass(70, 0.7);
        drift.SetLowPass(3, 0.7);
        double phase = 0;
        std::vector<float>& out = c == 0 ? s.L : s.R;
        for (std::size_t i = 0; i < s.Frames(); ++i) {
            double t = static_cast<double>(i) / SampleRate;
            // Stick-slip squeal: a rubbery tone that wavers and sags as the car slows.
            double wobble = 0.04 * std::sin(TwoPi * 5.3 * t + c * 0.4) +
                            0.025 * std::sin(TwoPi * 8.9 * t + 1.0) +
                            6.0 * drift.Run(noise.White()) * 0.03;
            double f = 980.0 * (1 + wobble) * (1 - 0.05 * t / Length);
            phase += f / SampleRate;
            double p = TwoPi * phase;
            double tone = std::sin(p) + 0.45 * std::sin(2 * p) + 0.2 * std::sin(3 * p) +
                          0.08 * std::sin(4 * p);
            double am = 1 + 2.5 * rough.Run(noise.White());
            band1.SetBandPass(f, 9);
            band2.SetBandPass(2 * f, 7);
            double white = noise.White();
            double narrow = 2.0 * band1.Run(white) + 1.0 * band2.Run(white);
            double y = 0.3 * tone * am + 1.0 * narrow + 0.035 * hiss.Run(white);
            double env = std::min(1.0, t / 0.035) * (0.9 + 0.1 * std::sin(TwoPi * 0.8 * t));
            out[i] = static_cast<float>(y * env);
        }
    }
    HighPassBoth(s, 200);
    FadeEnds(s, 0.01, 0.25);
    Normalise(s, 0.6);
    return s;
}
