#include "platform/sdl/openal_sound.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <dlfcn.h>

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

// One file's samples uploaded to the device, and kept here for the crossfades.
struct OpenAlData {
    ALuint Buffer = 0;
    std::int32_t Bytes = 0;
    std::int32_t BlockAlign = 1;
    WaveData Wave;
    ~OpenAlData() {
        if (Buffer) alDeleteBuffers(1, &Buffer);
    }
};

namespace {

// A jump of the play position is smoothed over this long. Short enough that the engine,
// reset every frame, keeps its pitch; long enough that the step is no longer heard.
constexpr double CrossfadeSeconds = 0.004;

// Rewrites part of a buffer in place, even while a source plays it. OpenAL Soft exports
// it but no longer lists it among its extensions, so it is looked up in the library.
using SubDataFunction = void (*)(ALuint, ALenum, const ALvoid*, ALsizei, ALsizei);
const SubDataFunction SubData =
    reinterpret_cast<SubDataFunction>(dlsym(RTLD_DEFAULT, "alBufferSubDataSOFT"));

double SampleAt(const WaveData& w, const std::vector<std::uint8_t>& bytes, std::size_t at) {
    if (w.BitsPerSample == 8) return (bytes[at] - 128) / 128.0;
    return static_cast<std::int16_t>(bytes[at] | (bytes[at + 1] << 8)) / 32768.0;
}

void PutSample(const WaveData& w, std::vector<std::uint8_t>& bytes, std::size_t at, double v) {
    if (w.BitsPerSample == 8) {
        bytes[at] = static_cast<std::uint8_t>(std::clamp(std::lround(v * 128 + 128), 0L, 255L));
        return;
    }
    auto s = static_cast<std::int16_t>(std::clamp(std::lround(v * 32768), -32768L, 32767L));
    bytes[at] = static_cast<std::uint8_t>(s & 0xFF);
    bytes[at + 1] = static_cast<std::uint8_t>((s >> 8) & 0xFF);
}

}  // namespace

class OpenAlBuffer : public SoundBuffer {
public:
    OpenAlBuffer(std::shared_ptr<OpenAlSound> sound, std::shared_ptr<OpenAlData> data, ALuint source)
        : Sound(std::move(sound)), Data(std::move(data)), Source(source) {}
    ~OpenAlBuffer() override {
        Sound->MakeCurrent();
        alSourceStop(Source);
        alDeleteSources(1, &Source);
        if (Own) alDeleteBuffers(1, &Own);
    }

    void SetCurrentPosition(std::int32_t bytes) override {
        Sound->MakeCurrent();
        bytes = std::clamp(bytes, 0, Data->Bytes - 1);
        bytes -= bytes % Data->BlockAlign;
        if (!Active()) {
            Pending = bytes;  // taken up by the next Play
            return;
        }
        if (State() == AL_PLAYING && Crossfade(bytes)) return;
        alSourcei(Source, AL_BYTE_OFFSET, bytes);
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
            if (flags & DSBPLAY_LOOPING) TakeOwnCopy();
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
    // Moves a playing source to `to` without a step in the sound: the few milliseconds
    // from `to` on are rewritten, in this buffer's own copy of the samples, as a blend
    // from what was about to play into what plays from `to`. The engine's play position
    // is reset every frame, and a bare jump buzzes at the frame rate. (Restarting the
    // source on a second copy would not do: the mixer fades a restarted source in.)
    bool Crossfade(std::int32_t to) {
        if (!Own) return false;
        const WaveData& wave = Data->Wave;
        ALint from = 0, looping = AL_FALSE;
        alGetSourcei(Source, AL_BYTE_OFFSET, &from);
        alGetSourcei(Source, AL_LOOPING, &looping);

        const std::size_t block = static_cast<std::size_t>(wave.BlockAlign());
        const std::size_t total = OwnSamples.size(), start = static_cast<std::size_t>(to);
        const int frames = std::min<int>(static_cast<int>(std::lround(CrossfadeSeconds * wave.SampleRate)),
                                         static_cast<int>((total - start) / block));
        std::vector<std::uint8_t> bridge(static_cast<std::size_t>(frames) * block);
        for (int k = 0; k < frames; ++k) {
            double t = (k + 0.5) / frames;
            t = t * t * (3 - 2 * t);  // eased, so neither end of the blend adds a kink
            std::size_t oldAt = static_cast<std::size_t>(from) + k * block;
            bool oldLeft = oldAt < total || looping;
            oldAt %= total;
            for (std::size_t b = 0; b < block; b += static_cast<std::size_t>(wave.BitsPerSample / 8)) {
                double before = oldLeft ? SampleAt(wave, OwnSamples, oldAt + b) : 0;
                double after = SampleAt(wave, wave.Samples, start + k * block + b);
                PutSample(wave, bridge, k * block + b, before * (1 - t) + after * t);
            }
        }
        // The last blend goes back to the file's own samples before the new one is laid.
        if (BridgeBytes > 0) {
            std::copy_n(wave.Samples.begin() + BridgeAt, BridgeBytes, OwnSamples.begin() + BridgeAt);
            SubData(Own, AlFormat(wave), OwnSamples.data() + BridgeAt, BridgeAt, BridgeBytes);
        }
        BridgeAt = to;
        BridgeBytes = static_cast<std::int32_t>(bridge.size());
        if (BridgeBytes > 0) {
            std::copy(bridge.begin(), bridge.end(), OwnSamples.begin() + to);
            SubData(Own, AlFormat(wave), bridge.data(), to, BridgeBytes);
        }
        alSourcei(Source, AL_BYTE_OFFSET, to);
        return true;
    }

    // A looping sound may be reset while it plays, and its blends cannot go into the
    // samples other buffers share: it gets a copy of its own before it starts.
    void TakeOwnCopy() {
        if (Own || !SubData) return;
        alGetError();
        alGenBuffers(1, &Own);
        if (alGetError() != AL_NO_ERROR) {
            Own = 0;
            return;
        }
        const WaveData& wave = Data->Wave;
        OwnSamples = wave.Samples;
        alBufferData(Own, AlFormat(wave), OwnSamples.data(), static_cast<ALsizei>(OwnSamples.size()),
                     wave.SampleRate);
        if (alGetError() != AL_NO_ERROR) {
            alDeleteBuffers(1, &Own);
            Own = 0;
            return;
        }
        alSourcei(Source, AL_BUFFER, static_cast<ALint>(Own));
    }

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
    ALuint Own = 0;                        // this buffer's own copy, for the blends
    std::vector<std::uint8_t> OwnSamples;  // what that copy holds
    std::int32_t BridgeAt = 0, BridgeBytes = 0;  // where the last blend was written
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
    alListenerf(AL_GAIN, MasterGain);
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
        uploaded->Wave = std::move(*wave);
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
