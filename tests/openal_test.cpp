// Sound: wave files and OpenAL Soft's buffers heard through its loopback device, and which
// file becomes which buffer.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "platform/sdl/openal_sound.h"
#include "sound/sound.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr int Rate = 22050;
constexpr int FrameSamples = 661;  // one 30 ms game frame

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

TEST(Volume, MinusSixHundredIsHalfTheAmplitudeAndMinusTenThousandSilent) {
    for (auto [volume, gain] : {std::pair{-10000, 0.0f}, {-25000, 0.0f}, {300, 1.0f}, {-600, 0.501f}})
        EXPECT_NEAR(GainFromVolume(volume), gain, 0.001f) << volume;  // -10000 is silence, not 10^-5
}

TEST(WaveFiles, ChunksAreSkippedPartialFramesDroppedAndUnusableFilesRefused) {
    auto wave = ParseWave(WaveFile(Sine(100), 2, 16, 1, true));
    ASSERT_TRUE(wave);
    EXPECT_EQ(std::pair(wave->SampleRate, wave->Samples.size()), std::pair(Rate, std::size_t{400}));
    // 10 bytes of 16-bit stereo: two whole frames; 8-bit mono keeps every byte.
    EXPECT_EQ(std::pair(ParseWave(WaveFile(Bytes(10)))->Samples.size(), ParseWave(WaveFile(Bytes(7), 1, 8))->Samples.size()),
              std::pair(std::size_t{8}, std::size_t{7}));
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
    std::string Folder = TempFolder("openal"), Long = Write(Folder + "/long.wav", WaveFile(Sine(Rate)));

    void SetUp() override {  // Long is 88200 bytes
        Backend.Mixer = OpenAlSound::OpenLoopback(Rate);
        if (!Backend.Mixer) GTEST_SKIP() << "OpenAL Soft's loopback device is not available";
        ResetPlatform(), InstallBackend(&Backend);
    }
    void TearDown() override {
        ReleaseSound();  // the buffers go before the mixer they play on
        InstallBackend(nullptr);
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
    buffer->SetCurrentPosition(2000);  // the idle note, set before playing
    buffer->Play(0);
    EXPECT_EQ(buffer->GetStatus(), DSBSTATUS_PLAYING);
    EXPECT_NEAR(Level(1000), 0.25f, 0.02f);  // the file's own level
    buffer->Stop();
    EXPECT_EQ(std::pair(buffer->GetStatus(), buffer->GetCurrentPosition()), std::pair(0, 6000));
    EXPECT_TRUE(Silent());
    buffer->Play(0);
    Level(500);
    EXPECT_EQ(buffer->GetCurrentPosition(), 8000);  // 1000 + 500 frames of 4 bytes on
    // Play on a playing buffer does not rewind it (the engine is "played" every frame).
    buffer->Play(DSBPLAY_LOOPING);
    EXPECT_EQ(buffer->GetCurrentPosition(), 8000);
    // Speed 100 x 420 plus a stray byte; past the end of 88200 bytes: the last frame.
    for (auto [set, got] : {std::pair{42001, 42000}, {110000, 88196}, {-5, 0}}) {
        buffer->SetCurrentPosition(set);
        EXPECT_EQ(buffer->GetCurrentPosition(), got) << set;
    }
    // A one-shot played to its end is over and back at its start, so it plays whole again.
    buffer->Play(0);
    buffer->SetCurrentPosition(88000);
    Level(2048);
    EXPECT_EQ(std::pair(buffer->GetStatus(), buffer->GetCurrentPosition()), std::pair(0, 0));
}

TEST_F(Loopback, BuffersFromOneFileShareItsDataButPlayApartAndAllTheGamesPlayTogether) {
    auto first = Mixer().CreateBuffer(Long), second = Mixer().CreateBuffer(Long);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(Mixer().UploadedFiles(), 1);
    first->Play(DSBPLAY_LOOPING);
    Level(1000);
    second->Play(DSBPLAY_LOOPING);
    Level(100);
    EXPECT_EQ(std::pair(first->GetCurrentPosition(), second->GetCurrentPosition()), std::pair(4400, 400));
    first.reset();  // the shared data stays for the other
    EXPECT_NEAR(Level(1024), 0.25f, 0.02f);
    second->SetVolume(-600);  // 10^(-600/2000): half the amplitude
    EXPECT_NEAR((Level(512), Level(1024)), 0.125f, 0.01f);
    second.reset();
    EXPECT_TRUE(Silent());
    // Every car's five sounds and the two interface sounds at once.
    std::vector<std::unique_ptr<SoundBuffer>> buffers(5 * 21 + 2);
    for (auto& buffer : buffers) {
        ASSERT_TRUE(buffer = Mixer().CreateBuffer(Long));
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

// The engine's position follows the speed every frame. Each jump lands at another phase
// of the note; heard bare, that is a click per frame. Blended, no step at a jump is larger
// than the note's own steepest step, here at its loudest, near the end of the file.
TEST_F(Loopback, ResettingAPlayingEngineNeverStepsMoreThanTheNoteItself) {
    const int frames = 33075;  // 1.5 s, 132300 bytes: past the 110000 the engine reaches
    auto engine = Mixer().CreateBuffer(Write(Folder + "/revup2.wav", WaveFile(Sine(frames, 0, 0.5))));
    engine->Play(DSBPLAY_LOOPING);
    engine->SetCurrentPosition(4 * (frames - 4000));
    // The largest sample-to-sample step in the next frames, either channel, counting the
    // step from the last sample heard before them: a reset happens between two renders.
    float last[2] = {0, 0};
    const auto largestStep = [&](int count) {
        float step = 0;
        auto out = Render(count);
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
            engine->SetCurrentPosition(4 * (frame + 21 * twice));
            worst = std::max(worst, largestStep(FrameSamples));
        }
    EXPECT_LE(worst, own * 1.01f) << "the note's own steepest step is " << own;
    // Several resets before the mixer runs again blend from wherever the last one left off.
    for (int frame : {12511, 20037, 5024}) engine->SetCurrentPosition(4 * frame);
    EXPECT_LE(largestStep(FrameSamples), own * 1.01f);
}

namespace {

// A silent backend that remembers which file every buffer came from.
struct RecordingBackend : HeadlessBackend {
    std::vector<std::string> Files;
    std::unique_ptr<SoundBuffer> CreateSoundBuffer(const std::string& path) override {
        Files.push_back(std::filesystem::path(path).filename().string());
        return HeadlessBackend::CreateSoundBuffer(path);
    }
    long Count(const char* file) const { return std::count(Files.begin(), Files.end(), file); }
};

class Sound : public testing::Test {
protected:
    RecordingBackend Backend;
    void SetUp() override {
        const std::string folder = TempFolder("sound");
        std::filesystem::create_directories(folder + "/soundfx");
        for (const char* file : {"click01.wav", "click1.wav", "click2.wav", "click02.wav", "revup2.wav",
                                 "bigskid.wav", "ccrash.wav", "explode&burn.wav", "bell1.wav"})
            WriteFileText(folder + "/soundfx/" + file, "RIFF");
        ReleaseSound(), ResetPlatform(), InstallBackend(&Backend);
        SetAppPath(folder);
        SoundEnabled = true;
        StartSound(), StartSound();  // the second does nothing
    }
    void TearDown() override { ReleaseSound(), InstallBackend(nullptr); }
};

}  // namespace

// Start-up makes 21 cars x 4 buffers (crash2 is missing and skipped without a word; the
// engine's "Soundfx" is found too), then click01 and click1. The bell rings in the click's
// buffer; a click or a roll cuts off the skid of Exit.
TEST_F(Sound, StartUpMakesEveryCarsBuffersAndClicksAndRollsStopTheSkid) {
    ASSERT_EQ(Backend.Files.size(), 21u * 4 + 2);
    EXPECT_EQ(Backend.Count("revup2.wav"), 21);
    EXPECT_EQ(Backend.Files[84] + Backend.Files[85], "click01.wavclick1.wav");
    EXPECT_EQ(CrashSounds[20], nullptr);
    EXPECT_TRUE(MessageLog().empty());
    Backend.Files.clear();
    PlayBell();
    auto* bell = dynamic_cast<SilentSoundBuffer*>(ClickSound.get());
    EXPECT_EQ(std::pair(bell->PlayCount, bell->LastPlayFlags), std::pair(1, 0));
    auto* skid = dynamic_cast<SilentSoundBuffer*>(SkidSounds[0].get());
    PlaySkid(-600);
    EXPECT_EQ(std::pair(skid->LastPlayFlags, skid->Volume), std::pair(DSBPLAY_LOOPING, -600));
    PlayClick(-200);
    EXPECT_EQ(ClickSound->GetVolume(), -200);
    PlayRoll(-500, True16);
    EXPECT_EQ(skid->StopCount, 2);
    EXPECT_EQ(Backend.Files, (std::vector<std::string>{"bell1.wav", "click01.wav", "click02.wav"}));
}

TEST_F(Sound, MissingDeviceSaysSoOnceAndTheGameGoesOnSilentAndMutedSaysNothing) {
    for (bool muted : {false, true}) {
        ReleaseSound(), ResetPlatform(), Backend.Files.clear();
        Backend.SoundDevice = false, SoundEnabled = !muted;
        StartSound(), StartSound();
        PlayClick(0), PlayRoll(0, True16), PlaySkid(0);
        EXPECT_EQ(std::pair(ClickSound.get(), Backend.Files.size()), std::pair((SoundBuffer*)nullptr, 0ul));
        EXPECT_EQ(MessageLog(), muted ? std::vector<std::string>{}
                                      : std::vector<std::string>{"Unable to start DirectSound. Gravel Ghosts "
                                                                 "requires DirectX 7.0 and a compatable sound card"});
    }
}

TEST_F(Sound, RollIsClick1OrClick2DrawnWithoutTouchingTheRace) {
    Backend.Files.clear();
    Randomize(99);
    f32 raceDraw = Rnd();
    Randomize(99);
    for (int i = 0; i < 200; ++i) PlayRoll(-500, False16);
    EXPECT_EQ(Rnd(), raceDraw);  // the choice came from the sound-only stream
    // An even choice: about 100 each.
    EXPECT_EQ(Backend.Count("click1.wav") + Backend.Count("click2.wav"), 200);
    EXPECT_GT(std::min(Backend.Count("click1.wav"), Backend.Count("click2.wav")), 60);
}
