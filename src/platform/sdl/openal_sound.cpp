#include "platform/sdl/openal_sound.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <algorithm>
#include <cmath>

namespace {

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t(b[at + 3]) << 24);
}
std::uint16_t Le16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
bool Tag(const std::vector<std::uint8_t>& b, std::size_t at, const char* tag) {
    return std::equal(tag, tag + 4, b.begin() + static_cast<std::ptrdiff_t>(at));
}

// The game's longest sound lasts a few seconds; a minute of CD-quality stereo is plenty.
constexpr std::size_t MaxWaveBytes = 16 << 20;

// A sound that cannot be read plays as silence, like a missing one.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path) {
    try {
        return ReadFileChecked(path, MaxWaveBytes, "sound");
    } catch (const FileError&) {
        return std::nullopt;
    }
}

ALenum AlFormat(const WaveData& wave) {
    if (wave.Channels == 1) return wave.BitsPerSample == 8 ? AL_FORMAT_MONO8 : AL_FORMAT_MONO16;
    return wave.BitsPerSample == 8 ? AL_FORMAT_STEREO8 : AL_FORMAT_STEREO16;
}

}  // namespace

std::optional<WaveData> ParseWave(const std::vector<std::uint8_t>& file) {
    if (file.size() < 12 || !Tag(file, 0, "RIFF") || !Tag(file, 8, "WAVE")) return std::nullopt;
    WaveData wave;
    bool haveFormat = false;
    std::size_t at = 12;
    while (at + 8 <= file.size()) {
        const std::uint32_t size = Le32(file, at + 4);
        const std::size_t body = at + 8;
        if (size > file.size() - body) return std::nullopt;  // chunk runs past the end
        if (Tag(file, at, "fmt ")) {
            if (size < 16) return std::nullopt;
            const int tag = Le16(file, body);
            wave.Channels = Le16(file, body + 2);
            wave.SampleRate = static_cast<int>(Le32(file, body + 4));
            wave.BitsPerSample = Le16(file, body + 14);
            if (tag != 1 || (wave.Channels != 1 && wave.Channels != 2) ||
                (wave.BitsPerSample != 8 && wave.BitsPerSample != 16) || wave.SampleRate <= 0)
                return std::nullopt;
            haveFormat = true;
        } else if (Tag(file, at, "data")) {
            if (!haveFormat) return std::nullopt;
            // A trailing partial sample frame cannot be played; drop it.
            const std::size_t whole = size - size % wave.BlockAlign();
            if (whole == 0) return std::nullopt;
            wave.Samples.assign(file.begin() + static_cast<std::ptrdiff_t>(body),
                                file.begin() + static_cast<std::ptrdiff_t>(body + whole));
            return wave;
        }
        at = body + size + (size & 1);  // chunks are padded to even sizes
    }
    return std::nullopt;
}

float GainFromVolume(std::int32_t hundredthsOfDecibel) {
    const std::int32_t v = std::clamp<std::int32_t>(hundredthsOfDecibel, -10000, 0);
    if (v == -10000) return 0.0f;
    return static_cast<float>(std::pow(10.0, v / 2000.0));
}

// One file's samples uploaded to the device.
struct OpenAlData {
    ALuint Buffer = 0;
    std::int32_t Bytes = 0;
    std::int32_t BlockAlign = 1;
    ~OpenAlData() {
        if (Buffer) alDeleteBuffers(1, &Buffer);
    }
};

class OpenAlBuffer : public SoundBuffer {
public:
    OpenAlBuffer(std::shared_ptr<OpenAlSound> sound, std::shared_ptr<OpenAlData> data, ALuint source)
        : Sound(std::move(sound)), Data(std::move(data)), Source(source) {}
    ~OpenAlBuffer() override {
        Sound->MakeCurrent();
        alSourceStop(Source);
        alDeleteSources(1, &Source);
    }

    void SetCurrentPosition(std::int32_t bytes) override {
        Sound->MakeCurrent();
        bytes = std::clamp(bytes, 0, Data->Bytes - 1);
        bytes -= bytes % Data->BlockAlign;
        if (Active())
            alSourcei(Source, AL_BYTE_OFFSET, bytes);
        else
            Pending = bytes;  // taken up by the next Play
    }

    void SetVolume(std::int32_t volume) override {
        Sound->MakeCurrent();
        Volume = std::clamp<std::int32_t>(volume, -10000, 0);
        alSourcef(Source, AL_GAIN, GainFromVolume(Volume));
    }

    void Play(std::int32_t flags) override {
        Sound->MakeCurrent();
        alSourcei(Source, AL_LOOPING, (flags & DSBPLAY_LOOPING) ? AL_TRUE : AL_FALSE);
        const ALint state = State();
        if (state == AL_PLAYING) return;  // a playing buffer is not rewound
        if (state != AL_PAUSED) {
            // Set explicitly each time, so a stale offset from an earlier run never leaks in.
            alSourcei(Source, AL_BYTE_OFFSET, Pending);
            Pending = 0;
        }
        alSourcePlay(Source);
    }

    void Stop() override {
        Sound->MakeCurrent();
        // Pausing keeps the cursor where it is; the game rewinds when it wants to.
        if (State() == AL_PLAYING) alSourcePause(Source);
    }

    std::int32_t GetStatus() override {
        Sound->MakeCurrent();
        return State() == AL_PLAYING ? DSBSTATUS_PLAYING : 0;
    }

    std::int32_t GetCurrentPosition() override {
        Sound->MakeCurrent();
        if (!Active()) return Pending;
        ALint offset = 0;
        alGetSourcei(Source, AL_BYTE_OFFSET, &offset);
        return offset;
    }

    std::int32_t GetVolume() override { return Volume; }

private:
    ALint State() {
        ALint state = AL_INITIAL;
        alGetSourcei(Source, AL_SOURCE_STATE, &state);
        return state;
    }
    // Playing or stopped by the game. A one-shot that has played to its end is neither:
    // it starts again from the top (or from where the game set it since).
    bool Active() {
        const ALint state = State();
        return state == AL_PLAYING || state == AL_PAUSED;
    }

    std::shared_ptr<OpenAlSound> Sound;  // outlives the source and the shared data
    std::shared_ptr<OpenAlData> Data;
    ALuint Source = 0;
    std::int32_t Volume = 0;
    std::int32_t Pending = 0;
};

std::shared_ptr<OpenAlSound> OpenAlSound::OpenDefault() {
    std::shared_ptr<OpenAlSound> sound(new OpenAlSound);
    sound->Device = alcOpenDevice(nullptr);
    if (!sound->Device) return nullptr;
    // Five race sounds for each of 21 cars plus the two interface sounds must be alive at
    // once; the game's files are stereo.
    const ALCint attributes[] = {ALC_MONO_SOURCES, 64, ALC_STEREO_SOURCES, 256, 0};
    if (!sound->CreateContext(attributes)) return nullptr;
    return sound;
}

std::shared_ptr<OpenAlSound> OpenAlSound::OpenLoopback(int sampleRate) {
    if (!alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback")) return nullptr;
    auto open = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
        alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    if (!open) return nullptr;
    std::shared_ptr<OpenAlSound> sound(new OpenAlSound);
    sound->Loopback = true;
    sound->Device = open(nullptr);
    if (!sound->Device) return nullptr;
    const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT,
                                 ALC_FORMAT_TYPE_SOFT, ALC_FLOAT_SOFT,
                                 ALC_FREQUENCY, sampleRate,
                                 ALC_HRTF_SOFT, ALC_FALSE,
                                 ALC_OUTPUT_LIMITER_SOFT, ALC_FALSE,
                                 ALC_MONO_SOURCES, 64,
                                 ALC_STEREO_SOURCES, 256,
                                 0};
    if (!sound->CreateContext(attributes)) return nullptr;
    return sound;
}

bool OpenAlSound::CreateContext(const int* attributes) {
    Context = alcCreateContext(static_cast<ALCdevice*>(Device), attributes);
    if (!Context) return false;
    alcMakeContextCurrent(static_cast<ALCcontext*>(Context));
    // No 3-D placement: every buffer plays at its file's level, scaled only by its volume.
    alDistanceModel(AL_NONE);
    DirectChannels = alIsExtensionPresent("AL_SOFT_direct_channels");
    return true;
}

OpenAlSound::~OpenAlSound() {
    if (Context) {
        MakeCurrent();
        Files.clear();
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(static_cast<ALCcontext*>(Context));
    }
    if (Device) alcCloseDevice(static_cast<ALCdevice*>(Device));
}

void OpenAlSound::MakeCurrent() {
    if (alcGetCurrentContext() != Context) alcMakeContextCurrent(static_cast<ALCcontext*>(Context));
}

std::unique_ptr<SoundBuffer> OpenAlSound::CreateBuffer(const std::string& path) {
    MakeCurrent();
    std::shared_ptr<OpenAlData>& data = Files[path];
    if (!data) {
        std::optional<WaveData> wave;
        if (auto bytes = ReadWholeFile(path)) wave = ParseWave(*bytes);
        if (!wave) {
            Files.erase(path);  // it may turn up later
            return nullptr;
        }
        auto uploaded = std::make_shared<OpenAlData>();
        alGetError();
        alGenBuffers(1, &uploaded->Buffer);
        if (alGetError() != AL_NO_ERROR) {
            uploaded->Buffer = 0;
            Files.erase(path);
            return nullptr;
        }
        alBufferData(uploaded->Buffer, AlFormat(*wave), wave->Samples.data(),
                     static_cast<ALsizei>(wave->Samples.size()), wave->SampleRate);
        if (alGetError() != AL_NO_ERROR) {
            Files.erase(path);
            return nullptr;
        }
        uploaded->Bytes = static_cast<std::int32_t>(wave->Samples.size());
        uploaded->BlockAlign = wave->BlockAlign();
        data = std::move(uploaded);
    }

    alGetError();
    ALuint source = 0;
    alGenSources(1, &source);
    if (alGetError() != AL_NO_ERROR) return nullptr;  // out of voices: this one stays silent
    alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSource3f(source, AL_POSITION, 0.0f, 0.0f, 0.0f);
    if (DirectChannels) alSourcei(source, AL_DIRECT_CHANNELS_SOFT, AL_TRUE);
    alSourcei(source, AL_BUFFER, static_cast<ALint>(data->Buffer));
    return std::make_unique<OpenAlBuffer>(shared_from_this(), data, source);
}

void OpenAlSound::Render(float* samples, int frames) {
    if (!Loopback) return;
    static auto render = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(
        alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
    if (render) render(static_cast<ALCdevice*>(Device), samples, frames);
}
