// Sound on OpenAL Soft, heard through its loopback device: wave files, the buffers the
// game's engine, skid and interface sounds rely on, and the game's own sounds as mixed.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>

#include "cars/cars_internal.h"
#include "platform/platform.h"
#include "platform/sdl/openal_sound.h"
#include "race/race_internal.h"
#include "sound/sound.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr int Rate = 22050;
constexpr int FrameSamples = 661;    // one 30 ms game frame
constexpr int EngineFrames = 33075;  // 1.5 s, 132300 bytes: past the 110000 the engine reaches

// 16-bit stereo 441 Hz sine whose amplitude (of full scale) goes evenly from one level to
// another across it.
Bytes Sine(int frames, double from = 0.25, double to = -1) {
    Bytes d;
    for (int i = 0; i < frames; ++i) {
        const double level = to < 0 ? from : from + (to - from) * i / frames;
        const auto v = std::uint16_t(std::lround(32767 * level * std::sin(2 * M_PI * 441 * i / Rate)));
        d.insert(d.end(), {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v), std::uint8_t(v >> 8)});
    }
    return d;
}

// A PCM wave file around the data bytes, optionally with a 3-byte (padded) chunk first.
Bytes WaveFile(const Bytes& data, int channels = 2, int bits = 16, int formatTag = 1, bool noteFirst = false) {
    Bytes b;
    auto put = [&b](std::initializer_list<std::uint32_t> values, int bytes = 4) {
        for (std::uint32_t v : values)
            for (int i = 0; i < bytes; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    const std::uint32_t align = channels * bits / 8, size = 36 + data.size() + (noteFirst ? 12 : 0);
    put({0x46464952, size, 0x45564157, 0x20746D66, 16});  // "RIFF", "WAVE", "fmt "
    put({std::uint32_t(formatTag), std::uint32_t(channels)}, 2);
    put({Rate, Rate * align});
    put({align, std::uint32_t(bits)}, 2);
    if (noteFirst) put({0x65746F6E, 3, 0x636261});  // "note"
    put({0x61746164, std::uint32_t(data.size())});  // "data"
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

std::string Write(const std::string& path, const Bytes& bytes) {
    WriteFileText(path, {bytes.begin(), bytes.end()});
    return path;
}

}  // namespace

TEST(WaveFiles, ChunksAreSkippedPartialFramesDroppedAndUnusableFilesRefused) {
    auto wave = ParseWave(WaveFile(Sine(100), 2, 16, 1, true));
    ASSERT_TRUE(wave);
    EXPECT_EQ(wave->SampleRate, Rate);
    EXPECT_EQ(wave->Samples.size(), 400u);  // 100 frames of 4 bytes
    // 10 bytes of 16-bit stereo: two whole frames; 8-bit mono keeps every byte.
    EXPECT_EQ(ParseWave(WaveFile(Bytes(10)))->Samples.size(), 8u);
    EXPECT_EQ(ParseWave(WaveFile(Bytes(7), 1, 8))->Samples.size(), 7u);
    const auto good = WaveFile(Sine(50));
    auto notRiff = good;
    notRiff[0] = 'X';
    for (const auto& [name, bytes] :
         {std::pair{"Empty", Bytes{}}, {"CutInsideTheData", Bytes(good.begin(), good.end() - 10)},
          {"CutInsideTheFormat", Bytes(good.begin(), good.begin() + 30)}, {"NotRiff", notRiff},
          {"FloatSamples", WaveFile(Sine(50), 2, 32, 3)}, {"TwentyFourBit", WaveFile(Bytes(60), 2, 24)},
          {"SixChannels", WaveFile(Bytes(120), 6)}, {"NoSamples", WaveFile({})}})
        EXPECT_FALSE(ParseWave(bytes)) << name;
}

namespace {

// The silent backend with OpenAL Soft's loopback mixer standing in for the device.
struct LoopbackBackend : HeadlessBackend {
    std::shared_ptr<OpenAlSound> Mixer;
    bool OpenSoundDevice() override { return Mixer != nullptr; }
    std::unique_ptr<SoundBuffer> CreateSoundBuffer(const std::string& path) override {
        return Mixer ? Mixer->CreateBuffer(path) : nullptr;
    }
};

class Loopback : public testing::Test {
protected:
    LoopbackBackend Backend;
    std::string Folder = TempFolder("openal"), Long, Short;

    void SetUp() override {
        Open();
        Long = Write(Folder + "/long.wav", WaveFile(Sine(Rate)));        // 88200 bytes
        Short = Write(Folder + "/short.wav", WaveFile(Sine(Rate / 10)));  // 2205 frames
    }
    void TearDown() override {
        ReleaseSound();  // the buffers go before the mixer they play on
        InstallBackend(nullptr);
    }
    // A fresh mixer as the game's sound device; with a folder, the game's sounds from it.
    void Open(const std::string& folder = "") {
        ReleaseSound();
        Backend.Mixer = OpenAlSound::OpenLoopback(Rate);
        if (!Backend.Mixer) GTEST_SKIP() << "OpenAL Soft's loopback device is not available";
        ResetPlatform();
        InstallBackend(&Backend);
        if (folder.empty()) return;
        SetAppPath(folder);
        SoundEnabled = true;
        StartSound();
    }
    OpenAlSound& Mixer() { return *Backend.Mixer; }
    std::vector<float> Render(int frames) {
        std::vector<float> out(static_cast<std::size_t>(frames) * 2);
        Mixer().Render(out.data(), frames);
        return out;
    }
    // The loudest sample of the next frames, as the files hold it: before the headroom
    // the whole mix is given.
    float Level(int frames) {
        float peak = 0;
        for (float s : Render(frames)) peak = std::max(peak, std::fabs(s));
        return peak / MasterGain;
    }
    // True when nothing is heard once any fade-out has passed.
    bool Silent() { return Level(256), Level(2048) < 1e-4f; }
};

}  // namespace

TEST_F(Loopback, PositionIsInBytesOnWholeFramesAndStopKeepsItForPlayToResume) {
    auto buffer = Mixer().CreateBuffer(Long);
    ASSERT_TRUE(buffer);
    buffer->SetCurrentPosition(2000);  // the idle note, set before playing
    buffer->Play(0);
    EXPECT_EQ(buffer->GetStatus(), DSBSTATUS_PLAYING);
    EXPECT_NEAR(Level(1000), 0.25f, 0.02f);  // the file's own level
    buffer->Stop();
    EXPECT_EQ(buffer->GetStatus(), 0);
    EXPECT_EQ(buffer->GetCurrentPosition(), 6000);  // 1000 frames of 4 bytes on
    EXPECT_TRUE(Silent());
    EXPECT_EQ(buffer->GetCurrentPosition(), 6000);
    buffer->Play(0);
    Level(500);
    EXPECT_EQ(buffer->GetCurrentPosition(), 8000);
    // Play on a playing buffer does not rewind it (the engine is "played" every frame).
    buffer->Play(DSBPLAY_LOOPING);
    EXPECT_EQ(buffer->GetCurrentPosition(), 8000);
    // Speed 100 x 420 plus a stray byte; past the end of 88200 bytes: the last frame.
    for (auto [set, got] : {std::pair{42001, 42000}, {110000, 88196}, {-5, 0}}) {
        buffer->SetCurrentPosition(set);
        EXPECT_EQ(buffer->GetCurrentPosition(), got) << set;
    }
    EXPECT_EQ(buffer->GetStatus(), DSBSTATUS_PLAYING);
}

TEST_F(Loopback, MinusSixHundredIsHalfTheAmplitudeAndMinusTenThousandSilent) {
    EXPECT_EQ(GainFromVolume(-10000), 0.0f);  // silence, not 10^-5
    EXPECT_EQ(GainFromVolume(-25000), 0.0f);
    EXPECT_FLOAT_EQ(GainFromVolume(300), 1.0f);  // nothing louder than the file
    auto buffer = Mixer().CreateBuffer(Long);
    ASSERT_TRUE(buffer);
    buffer->Play(DSBPLAY_LOOPING);
    const auto level = [&](int volume) {
        buffer->SetVolume(volume);
        Level(512);
        return Level(2048);
    };
    const float full = level(0);
    EXPECT_NEAR(level(-600) / full, 0.5f, 0.03f);  // 10^(-600/2000) = 0.501
    buffer->SetVolume(-10000);
    EXPECT_TRUE(Silent());
    EXPECT_EQ(buffer->GetStatus(), DSBSTATUS_PLAYING);  // silent, but still running
}

TEST_F(Loopback, BuffersFromOneFileShareItsDataButPlayApartAndAllTheGamesPlayTogether) {
    auto first = Mixer().CreateBuffer(Long), second = Mixer().CreateBuffer(Long);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(Mixer().UploadedFiles(), 1);
    first->Play(DSBPLAY_LOOPING);
    EXPECT_EQ(second->GetStatus(), 0);
    Level(1000);
    second->Play(DSBPLAY_LOOPING);
    Level(100);
    EXPECT_EQ(std::pair(first->GetCurrentPosition(), second->GetCurrentPosition()), std::pair(4400, 400));
    first.reset();  // the shared data stays for the other
    EXPECT_GT(Level(1024), 0.2f);
    // Every car's five sounds and the two interface sounds at once.
    std::vector<std::unique_ptr<SoundBuffer>> buffers;
    for (int i = 0; i < 5 * 21 + 2; ++i) {
        auto& buffer = buffers.emplace_back(Mixer().CreateBuffer(i % 2 ? Long : Short));
        ASSERT_TRUE(buffer) << "buffer " << i;
        buffer->SetVolume(-4000);
        buffer->Play(DSBPLAY_LOOPING);
    }
    Level(256);
    for (auto& buffer : buffers) EXPECT_EQ(buffer->GetStatus(), DSBSTATUS_PLAYING);
}

TEST_F(Loopback, MissingOrTruncatedFilesGiveNoBufferUntilTheyAreWhole) {
    auto bytes = WaveFile(Sine(100));
    std::string cut = Write(Folder + "/cut.wav", {bytes.begin(), bytes.begin() + 200});
    EXPECT_FALSE(Mixer().CreateBuffer(Folder + "/nowhere.wav"));
    EXPECT_FALSE(Mixer().CreateBuffer(cut));
    EXPECT_TRUE(Mixer().CreateBuffer(Write(cut, bytes)));  // a failure is not remembered
}

// The game's sounds from files that are each a sine of its own loudness, so the mix tells
// which are playing.
class HeardSound : public Loopback {
protected:
    void SetUp() override {
        Loopback::SetUp();
        const std::string fx = Folder + "/soundfx/";
        std::filesystem::create_directories(fx);
        // The engine's note swells from silence to half scale across the file.
        Write(fx + "revup2.wav", WaveFile(Sine(EngineFrames, 0, 0.5)));
        Write(fx + "click01.wav", WaveFile(Sine(Rate / 2)));
        Write(fx + "bigskid.wav", WaveFile(Sine(Rate / 5, 0.2)));
        for (const char* file :
             {"click1.wav", "click2.wav", "click02.wav", "ccrash.wav", "crash2.wav", "explode&burn.wav"})
            Write(fx + file, WaveFile(Sine(Rate / 10, 0.05)));
        Open(Folder);
    }
};

TEST_F(HeardSound, ClickCutsOffTheLastSkidLoopsUntilTheNextClickAndTheRaceEndsInSilence) {
    PlayClick(0);
    EXPECT_NEAR(Level(2205), 0.25f, 0.05f);
    PlayClick(0);
    // Two clicks at once would reach 0.5; the second replaced the first.
    EXPECT_NEAR(Level(2048), 0.25f, 0.05f);
    // The click lasts 11025 frames from its second start, and then nothing is left; it is
    // back at its start, so the next click is heard whole.
    Level(11025 - 2048 + 256);
    EXPECT_TRUE(Silent());
    EXPECT_EQ(std::pair(GetStatus(ClickSound.get()), ClickSound->GetCurrentPosition()), std::pair(0, 0));
    for (bool byClick : {true, false}) {
        SCOPED_TRACE(byClick ? "click" : "roll");
        PlaySkid(-600);
        Level(3 * Rate / 5);  // three times the skid's length: a loop outlasts its file
        EXPECT_NEAR(Level(1024), 0.2f * GainFromVolume(-600), 0.05f);
        byClick ? PlayClick(-10000) : PlayRoll(-10000, True16);
        EXPECT_EQ(GetStatus(SkidSounds[0].get()), 0);
        EXPECT_TRUE(Silent());
    }
    for (auto* group : {&EngineSounds, &HitSounds, &CrashSounds, &SkidSounds})
        for (auto& sound : *group) Play(sound.get(), group == &EngineSounds ? DSBPLAY_LOOPING : 0);
    Play(ExplosionSounds[0].get(), 0);
    EXPECT_GT(Level(512), 0.1f);
    StopRaceSounds();  // every race sound, each car's and the explosion
    EXPECT_TRUE(Silent());
}

// The engine's position follows the speed every frame. Each jump lands at another phase
// of the note; heard bare, that is a click per frame. Blended, no step at a jump is larger
// than the note's own steepest step, here at its loudest, near the end of the file.
TEST_F(HeardSound, ResettingAPlayingEngineNeverStepsMoreThanTheNoteItself) {
    SoundBuffer* engine = EngineSounds[0].get();
    SetVolume(engine, 0);
    Play(engine, DSBPLAY_LOOPING);
    SetCurrentPosition(engine, 4 * (EngineFrames - 4000));
    // The largest sample-to-sample step in the next frames, either channel, counting the
    // step from the last sample heard before them: a reset happens between two renders.
    float last[2] = {0, 0};
    const auto largestStep = [&](int frames) {
        float step = 0;
        auto out = Render(frames);
        for (std::size_t i = 0; i < out.size(); ++i)
            step = std::max(step, std::fabs(out[i] - last[i % 2])), last[i % 2] = out[i];
        return step;
    };
    largestStep(1);
    const float own = largestStep(3900);
    ASSERT_GT(own, 0.02f);
    float worst = 0;
    // Idle resets to one place, then climbing and falling revs, 30 ms apart, landing at
    // every phase of the note's 50-frame period.
    for (int frame : {500, 500, 500, 10513, 15025, 22538, 27512, 32740, 17519, 757, 32747})
        for (int twice = 0; twice < 2; ++twice) {
            SetCurrentPosition(engine, 4 * (frame + 21 * twice));
            worst = std::max(worst, largestStep(FrameSamples));
        }
    EXPECT_LE(worst, own * 1.01f) << "the note's own steepest step is " << own;
    // Several resets before the mixer runs again blend from wherever the last one left off.
    for (int frame : {12511, 20037, 5024}) SetCurrentPosition(engine, 4 * frame);
    EXPECT_LE(largestStep(FrameSamples), own * 1.01f);
}

// The game's own sound files mixed as a race plays them, nine cars on a two-by-two grid:
// the mix must never clip, and a crash must stand out of the engines.
class RaceMix : public Loopback {
protected:
    void SetUp() override { Restart(); }
    void Restart() {
        Open(GameDir());
        Race.LastCarIndex = 8;
        for (int car = 0; car <= Race.LastCarIndex; ++car) {
            Cars[car] = CarRecord{};
            Cars[car].ScreenX = 80.0f * (car % 2), Cars[car].ScreenY = 60.0f * (car / 2);
            RevPosition[car] = 5000 + 1500 * car;
            RevStep[car] = 5;
        }
    }
    // The player's car into a wall, as loud as the game plays it.
    void Crash() {
        SetVolume(CrashSounds[0].get(), 0);
        Play(CrashSounds[0].get(), 0);
    }
    // A frame of racing, each car's engine at the speed given; the mix of it.
    std::vector<float> Drive(const std::function<int(int car)>& speed, int frames = FrameSamples) {
        for (int car = 0; car <= Race.LastCarIndex; ++car) Cars[car].Speed = f32(speed(car)), CarSounds(car);
        return Render(frames);
    }
    // Race engines at speed for a second, then the next `frames` of the mix.
    std::vector<float> RacingBed(bool crash, int frames) {
        Restart();
        for (int frame = 0; frame < 34; ++frame) Drive([&](int car) { return std::min(frame * 12, 200 + 7 * car); });
        if (crash) Crash();
        return Render(frames);
    }
};

TEST_F(RaceMix, NineCarStartWithCountdownAndACrashStaysBelowFullScale) {
    float peak = 0;
    auto listen = [&](const std::vector<float>& mix) {
        for (float v : mix) peak = std::max(peak, std::fabs(v));
    };
    for (int frame = 0; frame < 100; ++frame) {  // three lights, the grid revving
        if (frame % 33 == 0) PlayBell();
        for (int car = 0; car <= Race.LastCarIndex; ++car) GridRev(car);
        listen(Render(FrameSamples));
    }
    for (int frame = 0; frame < 100; ++frame) {
        // Away, each car at its own rate to its own top speed; at 40 the player into a wall
        // and a rival into the player.
        if (frame == 40) Crash(), SetVolume(HitSounds[1].get(), CLng(-2 * DistanceFromPlayer(1)));
        if (frame == 40) Play(HitSounds[1].get(), 0);
        listen(Drive([&](int car) { return std::min(frame * (9 + car), 320 + 10 * car); }));
    }
    std::printf("peak %.3f of full scale\n", peak);
    EXPECT_LT(peak, 1.0f);
    EXPECT_GT(peak, 0.1f);  // and it was heard at all
}

// The mixer adds sounds linearly, so the crash alone is the difference of two identical
// runs, one with it and one without; over its first quarter second it must carry at
// least twice the engines' amplitude (6 dB).
TEST_F(RaceMix, CrashStandsSixDecibelsOverTheEngines) {
    const int window = Rate / 4;
    std::vector<float> bed = RacingBed(false, window), both = RacingBed(true, window);
    const auto rms = [](auto sample, std::size_t n) {
        double sum = 0;
        for (std::size_t i = 0; i < n; ++i) sum += double(sample(i)) * sample(i);
        return std::sqrt(sum / n);
    };
    const double engines = rms([&](std::size_t i) { return bed[i]; }, bed.size());
    const double crash = rms([&](std::size_t i) { return both[i] - bed[i]; }, bed.size());
    ASSERT_GT(engines, 0.005);
    const double decibels = 20 * std::log10(crash / engines);
    std::printf("crash %.1f dB over the engines\n", decibels);
    EXPECT_GE(decibels, 6.0);
}
