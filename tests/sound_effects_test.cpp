// Sound start-up and the interface sounds on the silent backend: which file becomes
// which buffer, and the one message.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "sound/sound.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

// A silent backend that remembers which file every buffer came from.
struct RecordingBackend : HeadlessBackend {
    std::vector<std::string> Files;
    std::unique_ptr<SoundBuffer> CreateSoundBuffer(const std::string& path) override {
        Files.push_back(fs::path(path).filename().string());
        return HeadlessBackend::CreateSoundBuffer(path);
    }
    long Count(const char* file) const { return std::count(Files.begin(), Files.end(), file); }
};

class Sound : public testing::Test {
protected:
    RecordingBackend Backend;
    std::string Folder = TempFolder("sound_effects");

    void SetUp() override {
        ReleaseSound();
        SoundEnabled = true;
        ResetPlatform();
        InstallBackend(&Backend);
        fs::create_directories(Folder + "/soundfx");
        for (const char* file : {"click01.wav", "click1.wav", "click2.wav", "click02.wav", "revup2.wav",
                                 "bigskid.wav", "ccrash.wav", "explode&burn.wav", "bell1.wav"})
            std::ofstream(Folder + "/soundfx/" + file) << "RIFF";
        SetAppPath(Folder);
        StartSound();
    }
    void TearDown() override { ReleaseSound(), InstallBackend(nullptr); }
};

TEST_F(Sound, StartUpGivesEveryCarFiveBuffersThenClickAndRoll) {
    StartSound();  // once only
    // 21 cars x 4 files found (crash2 is missing and skipped without a word), then click01
    // and click1; the engine's "Soundfx" is found too.
    ASSERT_EQ(Backend.Files.size(), 21u * 4 + 2);
    EXPECT_EQ(Backend.Count("revup2.wav"), 21);
    EXPECT_EQ(Backend.Files[84] + Backend.Files[85], "click01.wavclick1.wav");
    EXPECT_NE(EngineSounds[20], nullptr);
    EXPECT_EQ(CrashSounds[20], nullptr);
    EXPECT_TRUE(MessageLog().empty());
}

TEST_F(Sound, MissingDeviceSaysSoOnceAndTheGameGoesOnSilentAndMutedSaysNothing) {
    for (bool muted : {false, true}) {
        ReleaseSound(), ResetPlatform();
        Backend.Files.clear();
        Backend.SoundDevice = false;
        SoundEnabled = !muted;
        StartSound(), StartSound();
        PlayClick(0), PlayRoll(0, True16), PlaySkid(0);
        EXPECT_EQ(ClickSound, nullptr);
        EXPECT_EQ(GetStatus(ClickSound.get()), 0);
        EXPECT_TRUE(Backend.Files.empty());
        EXPECT_EQ(MessageLog(), muted ? std::vector<std::string>{}
                                      : std::vector<std::string>{"Unable to start DirectSound. Gravel Ghosts "
                                                                 "requires DirectX 7.0 and a compatable sound card"});
    }
}

TEST_F(Sound, RollIsClick02OnRequestElseClick1OrClick2WithoutTouchingTheRace) {
    Backend.Files.clear();
    for (int i = 0; i < 20; ++i) PlayRoll(-500, True16);
    EXPECT_EQ(Backend.Count("click02.wav"), 20);
    Randomize(99);
    f32 raceDraw = Rnd();
    Randomize(99);
    for (int i = 0; i < 200; ++i) PlayRoll(-500, False16);
    EXPECT_EQ(Rnd(), raceDraw);  // the choice came from the sound-only stream
    // An even choice: about 100 each.
    EXPECT_EQ(Backend.Count("click1.wav") + Backend.Count("click2.wav"), 200);
    EXPECT_GT(std::min(Backend.Count("click1.wav"), Backend.Count("click2.wav")), 60);
}

TEST_F(Sound, BellRingsInTheClickBufferAndTheNextClickIsAClickAgain) {
    Backend.Files.clear();
    PlayBell();
    auto* bell = dynamic_cast<SilentSoundBuffer*>(ClickSound.get());
    ASSERT_NE(bell, nullptr);
    EXPECT_EQ(std::pair(bell->PlayCount, bell->LastPlayFlags), std::pair(1, 0));
    PlayClick(-200);
    EXPECT_EQ(Backend.Files, (std::vector<std::string>{"bell1.wav", "click01.wav"}));
    EXPECT_EQ(ClickSound->GetVolume(), -200);
}

}  // namespace
