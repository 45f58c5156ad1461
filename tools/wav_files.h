// Wave files as the game's sound buffers expect them: PCM, 22050 Hz, 2 channels, 16 bits.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr int SampleRate = 22050;

struct Stereo {
    std::vector<float> L, R;  // -1..1
    explicit Stereo(double seconds = 0)
        : L(static_cast<std::size_t>(seconds * SampleRate + 0.5), 0.0f), R(L) {}
    std::size_t Frames() const { return L.size(); }
};

// The bytes of a RIFF WAVE file; samples are clamped to 16 bits.
std::vector<std::uint8_t> WaveFileBytes(const Stereo& sound);
// Writes the wave file only when its bytes change.
void WriteWave(const std::string& path, const Stereo& sound);
