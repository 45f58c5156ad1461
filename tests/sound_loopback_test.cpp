// The game's sounds heard through OpenAL Soft's loopback device: every wave file is a
// sine of its own loudness, so the mixed output tells which sounds are playing.
#include <gtest/gtest.h>

#include "loopback_listening.h"

#include <cmath>
#include <filesystem>
#include <fstream>

#include "cars/cars_internal.h"
#include "platform/sdl/openal_sound.h"
#include "race/race_internal.h"
#include "sound/sound.h"
#include "test_support.h"

namespace {

constexpr int Rate = 22050;
constexpr int EngineFrames = 33075;  // 1.5 s, 132300 bytes: past the 110000 the engine reaches

// A 16-bit stereo 441 Hz sine whose amplitude (of full scale) goes evenly from one level
// to another across the file.
void WriteSine(const std::string& path, int frames, double from, double to) {
    std::vector<std::int16_t> b;
    auto put32 = [&b](std::uint32_t v) {
        b.insert(b.end(), {std::int16_t(v), std::int16_t(v >> 16)});
    };
    std::ofstream out(path, std::ios::binary);
    out << "RIFF";
    put32(36 + 4 * frames);
    for (std::uint32_t word : {0x45564157u, 0x20746D66u, 16u, 0x00020001u, std::uint32_t(Rate),
                               std::uint32_t(Rate * 4), 0x00100004u, 0x61746164u})
        put32(word);  // "WAVE", "fmt ", PCM stereo, 4-byte frames of 16 bits, "data"
    put32(4 * frames);
    for (int i = 0; i < frames; ++i) {
        const double level = from + (to - from) * i / frames;
        auto v = std::int16_t(std::lround(32767 * level * std::sin(2 * M_PI * 441 * i / Rate)));
        b.insert(b.end(), {v, v});
    }
    out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(2 * b.size()));
}

// The silent backend with OpenAL Soft's loopback mixer standing in for the device.
struct LoopbackBackend : HeadlessBackend {
    std::shared_ptr<OpenAlSound> Mixer;
    bool OpenSoundDevice() override { return Mixer != nullptr; }
    std::unique_ptr<SoundBuffer> CreateSoundBuffer(const std::string& path) override {
        return Mixer ? Mixer->CreateBuffer(path) : nullptr;
    }
};

class HeardSound : public testing::Test {
protected:
    LoopbackBackend Backend;

    void SetUp() override {
        ReleaseSound();
        Backend.Mixer = OpenAlSound::OpenLoopback(Rate);
        if (!Backend.Mixer) GTEST_SKIP() << "OpenAL Soft's loopback device is not available";
        ResetPlatform();
        InstallBackend(&Backend);
        const std::string folder = TempFolder("sound_loopback"), fx = folder + "/soundfx/";
        std::filesystem::create_directories(fx);
        // The engine's note swells from silence to half scale across the file.
        WriteSine(fx + "revup2.wav", EngineFrames, 0, 0.5);
        WriteSine(fx + "click01.wav", Rate / 2, 0.25, 0.25);
        WriteSine(fx + "bigskid.wav", Rate / 5, 0.2, 0.2);
        for (const char* file : {"click1.wav", "click2.wav", "click02.wav", "ccrash.wav",
                                 "crash2.wav", "explode&burn.wav"})
            WriteSine(fx + file, Rate / 10, 0.05, 0.05);
        SetAppPath(folder);
        SoundEnabled = true;
        StartSound();
        for (auto& car : Cars) car = CarRecord{};
        Race.LastCarIndex = 0;
    }
    void TearDown() override {
        ReleaseSound();  // the buffers go before the mixer they play on
        InstallBackend(nullptr);
    }

    // Mixes the next frames and returns the loudest sample among them.
    float Peak(int frames) { return ::Peak(*Backend.Mixer, frames); }
    bool Silent() { return ::Silent(*Backend.Mixer); }
};

TEST_F(HeardSound, EngineLoopsFromThePlaceItsSpeedGives) {
    // Speed 100 plays from byte 42000, frame 10500 of the rising note: 0.5 x 10500 / 33075
    // = 0.159 of full scale, at the player's volume of 100 - 400 = -300.
    Cars[0].Speed = 100;
    CarSounds(0);
    EXPECT_EQ(GetStatus(EngineSounds[0].get()), DSBSTATUS_PLAYING);
    EXPECT_EQ(EngineSounds[0]->GetCurrentPosition(), 42000);
    EXPECT_NEAR(Peak(256), 0.159f * GainFromVolume(-300) * MasterGain, 0.01f);
    Peak(EngineFrames);  // once round the file and more
    EXPECT_EQ(GetStatus(EngineSounds[0].get()), DSBSTATUS_PLAYING);
    EXPECT_GT(Peak(1024), 0.0f);
}

TEST_F(HeardSound, SecondClickCutsOffTheFirst) {
    PlayClick(0);
    EXPECT_NEAR(Peak(2205), 0.25f * MasterGain, 0.02f);
    PlayClick(0);
    // Two clicks at once would reach 0.5; the second replaced the first.
    EXPECT_NEAR(Peak(2048), 0.25f * MasterGain, 0.02f);
    // The click lasts 11025 frames from its second start, and then nothing is left.
    Peak(11025 - 2048 + 256);
    EXPECT_TRUE(Silent());
}

TEST_F(HeardSound, MenuSkidLoopsUntilTheNextClickOrRoll) {
    for (bool byClick : {true, false}) {
        SCOPED_TRACE(byClick ? "click" : "roll");
        PlaySkid(-600);
        Peak(3 * Rate / 5);  // three times the skid's length
        EXPECT_NEAR(Peak(1024), 0.2f * GainFromVolume(-600) * MasterGain, 0.02f);
        byClick ? PlayClick(-10000) : PlayRoll(-10000, True16);
        EXPECT_EQ(GetStatus(SkidSounds[0].get()), 0);
        EXPECT_TRUE(Silent());
    }
}

TEST_F(HeardSound, EndOfTheRaceSilencesEveryRaceSound) {
    for (auto* group : {&EngineSounds, &HitSounds, &CrashSounds, &SkidSounds})
        for (auto& sound : *group) Play(sound.get(), group == &EngineSounds ? DSBPLAY_LOOPING : 0);
    Play(ExplosionSounds[0].get(), 0);
    EXPECT_GT(Peak(512), 0.05f);
    StopRaceSounds();
    EXPECT_TRUE(Silent());
    for (auto& engine : EngineSounds) EXPECT_EQ(GetStatus(engine.get()), 0);
}

// The largest sample-to-sample step in the next frames, either channel, counting the
// step from the last sample heard before them: a reset happens between two renders.
struct StepMeter {
    float Last[2] = {0, 0};
    float Largest(OpenAlSound& mixer, int frames) {
        std::vector<float> out(static_cast<std::size_t>(frames) * 2);
        mixer.Render(out.data(), frames);
        float step = 0;
        for (std::size_t i = 0; i < out.size(); ++i) {
            step = std::max(step, std::fabs(out[i] - Last[i % 2]));
            Last[i % 2] = out[i];
        }
        return step;
    }
};

// The engine's position follows the speed every frame. Each jump lands at another phase
// of the note; heard bare, that is a click per frame. Blended, no step at a jump is larger
// than the note's own steepest step, here at its loudest, near the end of the file.
TEST_F(HeardSound, ResettingAPlayingEngineNeverStepsMoreThanTheNoteItself) {
    SoundBuffer* engine = EngineSounds[0].get();
    SetVolume(engine, 0);
    Play(engine, DSBPLAY_LOOPING);
    SetCurrentPosition(engine, 4 * (EngineFrames - 4000));
    StepMeter meter;
    meter.Largest(*Backend.Mixer, 1);
    const float own = meter.Largest(*Backend.Mixer, 3900);
    ASSERT_GT(own, 0.02f);
    float worst = 0;
    // Idle resets to one place, then climbing and falling revs, 30 ms apart, landing at
    // every phase of the note's 50-frame period.
    for (int frame : {500, 500, 500, 10513, 15025, 22538, 27512, 32740, 17519, 757, 32747})
        for (int twice = 0; twice < 2; ++twice) {
            SetCurrentPosition(engine, 4 * (frame + 21 * twice));
            worst = std::max(worst, meter.Largest(*Backend.Mixer, 661));
        }
    EXPECT_LE(worst, own * 1.01f) << "the note's own steepest step is " << own;
    // Several resets before the mixer runs again blend from wherever the last one left off.
    for (int frame : {12511, 20037, 5024}) SetCurrentPosition(engine, 4 * frame);
    EXPECT_LE(meter.Largest(*Backend.Mixer, 661), own * 1.01f);
}

}  // namespace
