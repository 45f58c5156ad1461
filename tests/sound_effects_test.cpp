// Sound effects on the silent backend: which files become which buffers, and what the
// interface sounds do to each other.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/headless/headless.h"
#include "sound/sound.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

const char* const WaveFiles[] = {"click01.wav", "click1.wav",  "click2.wav", "click02.wav",
                                 "revup2.wav",  "bigskid.wav", "ccrash.wav", "crash2.wav",
                                 "explode&burn.wav", "bell1.wav"};

// A silent backend that remembers which file every buffer came from.
struct RecordingBackend : HeadlessBackend {
    std::vector<std::string> Files;
    std::unique_ptr<SoundBuffer> CreateSoundBuffer(const std::string& path) override {
        Files.push_back(fs::path(path).filename().string());
        return HeadlessBackend::CreateSoundBuffer(path);
    }
};

class Sound : public testing::Test {
protected:
    RecordingBackend Backend;
    std::string Folder;

    void SetUp() override {
        ReleaseSound();
        SoundEnabled = true;
        ResetPlatform();
        InstallBackend(&Backend);
        Folder = TempFolder("sound_effects");
        fs::create_directories(Folder + "/soundfx");
        for (const char* file : WaveFiles) std::ofstream(Folder + "/soundfx/" + file) << "RIFF";
        SetAppPath(Folder);
        Randomize(7);
    }
    void TearDown() override {
        ReleaseSound();
        InstallBackend(nullptr);
    }

    static SilentSoundBuffer* Silent(const std::unique_ptr<SoundBuffer>& buffer) {
        return dynamic_cast<SilentSoundBuffer*>(buffer.get());
    }
};

TEST_F(Sound, StartUpMakesFiveBuffersPerCarThenClickAndRoll) {
    StartSound();
    ASSERT_EQ(Backend.Files.size(), 21u * 5 + 2);
    const std::vector<std::string> firstCar(Backend.Files.begin(), Backend.Files.begin() + 5);
    EXPECT_EQ(firstCar, (std::vector<std::string>{"revup2.wav", "ccrash.wav", "crash2.wav",
                                                  "bigskid.wav", "explode&burn.wav"}));
    EXPECT_EQ(Backend.Files[100], "revup2.wav");  // car 20 starts at 20 x 5
    EXPECT_EQ(Backend.Files[105], "click01.wav");
    EXPECT_EQ(Backend.Files[106], "click1.wav");
    for (int car = 0; car < SoundSlots; ++car) {
        EXPECT_NE(EngineSounds[car], nullptr);
        EXPECT_NE(ExplosionSounds[car], nullptr);
    }
    EXPECT_EQ(fs::path(BellFile), fs::path(Folder + "/soundfx/bell1.wav"));
    EXPECT_TRUE(MessageLog().empty());

    StartSound();  // the device and buffers are made once
    EXPECT_EQ(Backend.Files.size(), 107u);
}

TEST_F(Sound, MissingFilesAreSkippedAndTheirSoundsStaySilent) {
    fs::remove(Folder + "/soundfx/crash2.wav");
    fs::remove(Folder + "/soundfx/click01.wav");
    StartSound();
    EXPECT_EQ(CrashSounds[0], nullptr);
    EXPECT_EQ(CrashSounds[20], nullptr);
    EXPECT_NE(HitSounds[20], nullptr);
    EXPECT_EQ(ClickSound, nullptr);
    PlayClick(0);  // nothing to play, nothing to fail
    PlaySkid(0);
    EXPECT_EQ(ClickSound, nullptr);
    EXPECT_EQ(Silent(SkidSounds[0])->LastPlayFlags, DSBPLAY_LOOPING);
    EXPECT_TRUE(MessageLog().empty());
}

TEST_F(Sound, NoDeviceShowsTheMessageOnceAndGoesOnSilent) {
    Backend.SoundDevice = false;
    StartSound();
    StartSound();
    ASSERT_EQ(MessageLog().size(), 1u);
    EXPECT_EQ(MessageLog()[0],
              "Unable to start DirectSound. Gravel Ghosts requires DirectX 7.0 and a compatable "
              "sound card");
    EXPECT_EQ(EngineSounds[0], nullptr);
    PlayClick(0);
    PlayRoll(-500, True16);
    PlayBell();
    EXPECT_EQ(ClickSound, nullptr);
    EXPECT_EQ(RollSound, nullptr);
}

TEST_F(Sound, MutedGameOpensNoDeviceAndSaysNothing) {
    SoundEnabled = false;
    StartSound();
    EXPECT_TRUE(MessageLog().empty());
    EXPECT_TRUE(Backend.Files.empty());
    PlayClick(0);
    PlayRoll(0, False16);
    EXPECT_TRUE(Backend.Files.empty());
}

TEST_F(Sound, RollPicksClick02WhenAskedElseClick1OrClick2) {
    StartSound();
    Backend.Files.clear();
    for (int i = 0; i < 20; ++i) PlayRoll(-500, True16);
    EXPECT_EQ(std::count(Backend.Files.begin(), Backend.Files.end(), "click02.wav"), 20);

    Backend.Files.clear();
    for (int i = 0; i < 200; ++i) PlayRoll(-500, False16);
    auto ones = std::count(Backend.Files.begin(), Backend.Files.end(), "click1.wav");
    auto twos = std::count(Backend.Files.begin(), Backend.Files.end(), "click2.wav");
    EXPECT_EQ(ones + twos, 200);
    EXPECT_GT(ones, 60);  // an even choice: about 100 each
    EXPECT_GT(twos, 60);
}

TEST_F(Sound, RollChoiceLeavesTheRaceStreamAlone) {
    StartSound();
    Randomize(99);
    f32 expected = Rnd();
    Randomize(99);
    for (int i = 0; i < 5; ++i) PlayRoll(0, False16);
    EXPECT_EQ(Rnd(), expected);
}

TEST_F(Sound, RollPlaysOnceFromTheStartAndStopsTheMenuSkid) {
    StartSound();
    PlaySkid(-300);
    SilentSoundBuffer* skid = Silent(SkidSounds[0]);
    EXPECT_EQ(skid->Volume, -300);
    EXPECT_EQ(skid->LastPlayFlags, DSBPLAY_LOOPING);
    EXPECT_EQ(skid->StopCount, 0);

    PlayRoll(-500, False16);
    SilentSoundBuffer* roll = Silent(RollSound);
    EXPECT_EQ(roll->Position, 0);
    EXPECT_EQ(roll->Volume, -500);
    EXPECT_EQ(roll->LastPlayFlags, 0);
    EXPECT_EQ(roll->PlayCount, 1);
    EXPECT_EQ(skid->StopCount, 1);
}

TEST_F(Sound, ClickMakesAFreshBufferAndStopsSkidAndRoll) {
    StartSound();
    PlayRoll(0, True16);
    SilentSoundBuffer* roll = Silent(RollSound);
    const SoundBuffer* startUpClick = ClickSound.get();
    Backend.Files.clear();

    PlayClick(-200);
    EXPECT_EQ(Backend.Files, std::vector<std::string>{"click01.wav"});
    EXPECT_NE(ClickSound.get(), startUpClick);
    SilentSoundBuffer* click = Silent(ClickSound);
    EXPECT_EQ(click->Volume, -200);
    EXPECT_EQ(click->LastPlayFlags, 0);
    EXPECT_EQ(click->PlayCount, 1);
    EXPECT_EQ(roll->StopCount, 1);
    EXPECT_EQ(Silent(SkidSounds[0])->StopCount, 2);  // once by the roll, once by the click
}

TEST_F(Sound, BellRingsInTheClickBufferAndTheNextClickIsAClickAgain) {
    StartSound();
    Backend.Files.clear();
    PlayBell();
    SilentSoundBuffer* bell = Silent(ClickSound);
    EXPECT_EQ(bell->Volume, 0);
    EXPECT_EQ(bell->Position, 0);
    EXPECT_EQ(bell->PlayCount, 1);
    PlayClick(0);
    EXPECT_EQ(Backend.Files, (std::vector<std::string>{"bell1.wav", "click01.wav"}));
}

TEST_F(Sound, EngineFileIsFoundWhateverTheFolderCase) {
    // The engine's literal spells the folder "Soundfx"; on disk it is "soundfx".
    StartSound();
    EXPECT_NE(EngineSounds[0], nullptr);
}

}  // namespace
