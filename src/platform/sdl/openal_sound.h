// Sound buffers on OpenAL Soft, standing in for the DirectSound buffers the game was
// written for.
//
// Each wave file is decoded and uploaded once; every SoundBuffer made from it gets its
// own source over that shared data, so 21 engines can rev from one file at once.
// Stop pauses rather than rewinds, and Play on a playing buffer only changes its
// looping flag, because that is how the game's sound code expects buffers to behave.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

// The PCM samples of a RIFF WAVE file, as stored in its data chunk.
struct WaveData {
    int Channels = 0;       // 1 or 2
    int BitsPerSample = 0;  // 8 or 16
    int SampleRate = 0;
    std::vector<std::uint8_t> Samples;
    int BlockAlign() const { return Channels * BitsPerSample / 8; }
};

// Reads PCM 8/16-bit mono/stereo; unknown chunks are skipped. Nothing for a file that
// is short, corrupt or in another format.
std::optional<WaveData> ParseWave(const std::vector<std::uint8_t>& file);

// OpenAL gain for a DirectSound volume in hundredths of a decibel, clamped to
// -10000..0 (-10000 is silence).
float GainFromVolume(std::int32_t hundredthsOfDecibel);

// The whole mix sits this far under full scale, so nine engines, the countdown and a
// crash together still fit (-9 dB).
constexpr float MasterGain = 0.35f;

struct OpenAlData;

// One OpenAL device with its context, and the decoded files uploaded to it.
class OpenAlSound : public std::enable_shared_from_this<OpenAlSound> {
public:
    // The default output device; nullptr when there is none.
    static std::shared_ptr<OpenAlSound> OpenDefault();
    // OpenAL Soft's loopback device (stereo float at the given rate), mixed only when
    // Render is called; nullptr without the ALC_SOFT_loopback extension.
    static std::shared_ptr<OpenAlSound> OpenLoopback(int sampleRate);
    ~OpenAlSound();

    // A buffer with its own source over the file's shared data; nullptr when the file is
    // missing or unusable, or when the device has no source left.
    std::unique_ptr<SoundBuffer> CreateBuffer(const std::string& path);
    // Loopback only: mixes the next frames into interleaved left/right floats.
    void Render(float* samples, int frames);
    // Files decoded so far (each uploaded once however many buffers use it).
    int UploadedFiles() const { return static_cast<int>(Files.size()); }

    void MakeCurrent();

private:
    OpenAlSound() = default;
    bool CreateContext(const int* attributes);

    void* Device = nullptr;   // ALCdevice
    void* Context = nullptr;  // ALCcontext
    bool Loopback = false;
    bool DirectChannels = false;
    std::map<std::string, std::shared_ptr<OpenAlData>> Files;
    friend class OpenAlBuffer;
};
