#include "wav_files.h"

#include <algorithm>
#include <cmath>

#include "byte_writer.h"
#include "draw_cairo.h"

namespace {

std::int16_t ToSample(float v) {
    return static_cast<std::int16_t>(std::clamp(std::lround(v * 32767.0), -32768L, 32767L));
}

}  // namespace

std::vector<std::uint8_t> WaveFileBytes(const Stereo& sound) {
    constexpr unsigned Channels = 2, Bits = 16, BlockAlign = Channels * Bits / 8;
    std::uint32_t dataBytes = static_cast<std::uint32_t>(sound.Frames() * BlockAlign);
    std::vector<std::uint8_t> b;
    b.reserve(44 + dataBytes);
    PutTag(b, "RIFF");
    Put32(b, 36 + dataBytes);
    PutTag(b, "WAVE");
    PutTag(b, "fmt ");
    Put32(b, 16);
    Put16(b, 1);  // PCM
    Put16(b, Channels);
    Put32(b, SampleRate);
    Put32(b, SampleRate * BlockAlign);
    Put16(b, BlockAlign);
    Put16(b, Bits);
    PutTag(b, "data");
    Put32(b, dataBytes);
    for (std::size_t i = 0; i < sound.Frames(); ++i) {
        Put16(b, static_cast<std::uint16_t>(ToSample(sound.L[i])));
        Put16(b, static_cast<std::uint16_t>(ToSample(sound.R[i])));
    }
    return b;
}

void WriteWave(const std::string& path, const Stereo& sound) {
    WriteFileIfChanged(path, WaveFileBytes(sound));
}
