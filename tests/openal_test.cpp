// Sound buffers on OpenAL Soft, heard through its loopback device: what the game's engine,
// skid and interface sounds rely on, checked on the samples actually mixed.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <vector>

#include "platform/sdl/openal_sound.h"
#include "test_support.h"

namespace {

constexpr int Rate = 22050;

void Put16(std::vector<std::uint8_t>& b, int v) {
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}
void Put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    Put16(b, static_cast<int>(v & 0xFFFF));
    Put16(b, static_cast<int>(v >> 16));
}
void PutTag(std::vector<std::uint8_t>& b, const char* tag) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(tag[i]));
}

// A RIFF WAVE file around the given data bytes, with an optional chunk before "data".
std::vector<std::uint8_t> WaveFile(int channels, int bits, const std::vector<std::uint8_t>& data,
                                   int formatTag = 1, bool oddChunkFirst = false) {
    std::vector<std::uint8_t> b;
    PutTag(b, "RIFF");
    Put32(b, 0);  // patched below
    PutTag(b, "WAVE");
    PutTag(b, "fmt ");
    Put32(b, 16);
    Put16(b, formatTag);
    Put16(b, channels);
    Put32(b, Rate);
    Put32(b, static_cast<std::uint32_t>(Rate * channels * bits / 8));
    Put16(b, channels * bits / 8);
    Put16(b, bits);
    if (oddChunkFirst) {  // 3 bytes of notes plus a pad byte
        PutTag(b, "note");
        Put32(b, 3);
        b.insert(b.end(), {'a', 'b', 'c', 0});
    }
    PutTag(b, "data");
    Put32(b, static_cast<std::uint32_t>(data.size()));
    b.insert(b.end(), data.begin(), data.end());
    const auto riff = static_cast<std::uint32_t>(b.size() - 8);
    for (int i = 0; i < 4; ++i) b[4 + i] = static_cast<std::uint8_t>(riff >> (8 * i));
    return b;
}

// 16-bit stereo 441 Hz sine at a quarter of full scale.
std::vector<std::uint8_t> SineData(int frames) {
    std::vector<std::uint8_t> d;
    for (int i = 0; i < frames; ++i) {
        const int v = static_cast<int>(std::lround(8192 * std::sin(2 * M_PI * 441 * i / Rate)));
        Put16(d, v);
        Put16(d, v);
    }
    return d;
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

TEST(WaveFiles, UnknownChunkWithPadByteIsSkipped) {
    auto wave = ParseWave(WaveFile(2, 16, SineData(100), 1, true));
    ASSERT_TRUE(wave);
    EXPECT_EQ(wave->Channels, 2);
    EXPECT_EQ(wave->SampleRate, Rate);
    EXPECT_EQ(wave->Samples.size(), 400u);  // 100 frames of 4 bytes
}

TEST(WaveFiles, EightBitMonoIsAcceptedAndPartialFramesDropped) {
    auto mono8 = ParseWave(WaveFile(1, 8, std::vector<std::uint8_t>(7, 128)));
    ASSERT_TRUE(mono8);
    EXPECT_EQ(mono8->BlockAlign(), 1);
    EXPECT_EQ(mono8->Samples.size(), 7u);
    // 10 bytes of 16-bit stereo: two whole 4-byte frames, the last 2 bytes cannot play.
    auto stereo16 = ParseWave(WaveFile(2, 16, std::vector<std::uint8_t>(10, 0)));
    ASSERT_TRUE(stereo16);
    EXPECT_EQ(stereo16->Samples.size(), 8u);
}

struct BadWave {
    const char* Name;
    std::vector<std::uint8_t> Bytes;
};

class UnusableWaves : public testing::TestWithParam<BadWave> {};

TEST_P(UnusableWaves, GiveNothing) { EXPECT_FALSE(ParseWave(GetParam().Bytes)); }

std::vector<BadWave> BadWaves() {
    const auto good = WaveFile(2, 16, SineData(50));
    auto cutInData = good;
    cutInData.resize(good.size() - 10);
    auto cutInHeader = good;
    cutInHeader.resize(30);
    auto notRiff = good;
    notRiff[0] = 'X';
    return {
        {"Empty", {}},
        {"CutInsideTheData", cutInData},
        {"CutInsideTheFormat", cutInHeader},
        {"NotRiff", notRiff},
        {"FloatSamples", WaveFile(2, 32, SineData(50), 3)},
        {"TwentyFourBit", WaveFile(2, 24, std::vector<std::uint8_t>(60, 0))},
        {"SixChannels", WaveFile(6, 16, std::vector<std::uint8_t>(120, 0))},
        {"NoSamples", WaveFile(2, 16, {})},
    };
}

INSTANTIATE_TEST_SUITE_P(WaveFiles, UnusableWaves, testing::ValuesIn(BadWaves()),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(Volume, HundredthsOfDecibelBecomeGain) {
    EXPECT_FLOAT_EQ(GainFromVolume(0), 1.0f);
    EXPECT_NEAR(GainFromVolume(-600), 0.501f, 0.001f);  // 10^(-600/2000)
    EXPECT_NEAR(GainFromVolume(-2000), 0.1f, 1e-6f);
    EXPECT_EQ(GainFromVolume(-10000), 0.0f);            // silence, not 10^-5
    EXPECT_EQ(GainFromVolume(-25000), 0.0f);            // a far car's volume stays silent
    EXPECT_FLOAT_EQ(GainFromVolume(300), 1.0f);         // never louder than the file
}

class Loopback : public testing::Test {
protected:
    void SetUp() override {
        Sound = OpenAlSound::OpenLoopback(Rate);
        if (!Sound) GTEST_SKIP() << "OpenAL Soft's loopback device is not available";
        Folder = TempFolder("openal");
        Sine = Folder + "/sine.wav";
        Short = Folder + "/short.wav";
        WriteBytes(Sine, WaveFile(2, 16, SineData(Rate)));      // 1 s, 88200 bytes
        WriteBytes(Short, WaveFile(2, 16, SineData(Rate / 10)));  // 0.1 s, 2205 frames
    }

    // Mixes the next frames and returns the loudest sample among them.
    float Peak(int frames) {
        std::vector<float> out(static_cast<std::size_t>(frames) * 2);
        Sound->Render(out.data(), frames);
        float peak = 0;
        for (float s : out) peak = std::max(peak, std::fabs(s));
        return peak;
    }

    std::shared_ptr<OpenAlSound> Sound;
    std::string Folder, Sine, Short;
};

TEST_F(Loopback, PlayingIsHeardAndStopSilences) {
    auto buffer = Sound->CreateBuffer(Sine);
    ASSERT_TRUE(buffer);
    EXPECT_EQ(buffer->GetStatus(), 0);
    buffer->Play(0);
    EXPECT_EQ(buffer->GetStatus(), DSBSTATUS_PLAYING);
    EXPECT_NEAR(Peak(2048), 0.25f, 0.02f);  // the file's own level
    buffer->Stop();
    EXPECT_EQ(buffer->GetStatus(), 0);
    Peak(256);  // let any fade-out pass
    EXPECT_LT(Peak(2048), 1e-4f);
}

TEST_F(Loopback, StopKeepsTheCursorAndPlayResumesThere) {
    auto buffer = Sound->CreateBuffer(Sine);
    ASSERT_TRUE(buffer);
    buffer->Play(0);
    Peak(1000);
    buffer->Stop();
    const int stoppedAt = buffer->GetCurrentPosition();
    EXPECT_NEAR(stoppedAt, 4000, 4 * 64);  // 1000 frames of 4 bytes, give or take a mix step
    Peak(1000);
    EXPECT_EQ(buffer->GetCurrentPosition(), stoppedAt);
    buffer->Play(0);
    Peak(500);
    EXPECT_GT(buffer->GetCurrentPosition(), stoppedAt);
}

TEST_F(Loopback, LoopingOutlastsTheFileWhileAOneShotEnds) {
    auto looping = Sound->CreateBuffer(Short);
    auto once = Sound->CreateBuffer(Short);
    ASSERT_TRUE(looping && once);
    looping->Play(DSBPLAY_LOOPING);
    once->Play(0);
    Peak(5000);  // more than twice the 2205-frame file
    EXPECT_EQ(looping->GetStatus(), DSBSTATUS_PLAYING);
    EXPECT_EQ(once->GetStatus(), 0);
    EXPECT_GT(Peak(1024), 0.2f);  // the loop alone is still sounding
    // A finished one-shot starts from the top again, so a car's second crash is heard whole.
    EXPECT_EQ(once->GetCurrentPosition(), 0);
    once->Play(0);
    EXPECT_EQ(once->GetStatus(), DSBSTATUS_PLAYING);
}

TEST_F(Loopback, PlayOnAPlayingBufferDoesNotRewind) {
    auto engine = Sound->CreateBuffer(Sine);
    ASSERT_TRUE(engine);
    engine->Play(DSBPLAY_LOOPING);
    Peak(1000);
    const int before = engine->GetCurrentPosition();
    engine->Play(DSBPLAY_LOOPING);
    EXPECT_GE(engine->GetCurrentPosition(), before);
    EXPECT_GT(before, 0);
}

TEST_F(Loopback, CurrentPositionIsInBytesOnWholeFrames) {
    auto engine = Sound->CreateBuffer(Sine);
    ASSERT_TRUE(engine);
    // Before playing: the engine's idle note starts 2000 bytes in.
    engine->SetCurrentPosition(2000);
    EXPECT_EQ(engine->GetCurrentPosition(), 2000);
    engine->Play(DSBPLAY_LOOPING);
    EXPECT_EQ(engine->GetCurrentPosition(), 2000);
    Peak(100);
    EXPECT_EQ(engine->GetCurrentPosition(), 2400);  // 100 frames of 4 bytes later
    // While playing: speed 100 reads 42000 bytes in; 42001 falls back to its frame.
    engine->SetCurrentPosition(42001);
    EXPECT_EQ(engine->GetCurrentPosition(), 42000);
    EXPECT_EQ(engine->GetStatus(), DSBSTATUS_PLAYING);
    // Past the end of the 88200-byte file: the last frame.
    engine->SetCurrentPosition(110000);
    EXPECT_EQ(engine->GetCurrentPosition(), 88196);
    engine->SetCurrentPosition(-5);
    EXPECT_EQ(engine->GetCurrentPosition(), 0);
    // A stopped buffer is rewound for the next play.
    engine->Stop();
    engine->SetCurrentPosition(0);
    EXPECT_EQ(engine->GetCurrentPosition(), 0);
    engine->Play(0);
    Peak(10);
    EXPECT_EQ(engine->GetCurrentPosition(), 40);
}

TEST_F(Loopback, MinusSixHundredIsHalfTheAmplitudeAndMinusTenThousandSilent) {
    auto buffer = Sound->CreateBuffer(Sine);
    ASSERT_TRUE(buffer);
    buffer->Play(DSBPLAY_LOOPING);
    Peak(512);
    const float full = Peak(2048);
    buffer->SetVolume(-600);
    EXPECT_EQ(buffer->GetVolume(), -600);
    Peak(512);
    const float half = Peak(2048);
    buffer->SetVolume(-10000);
    Peak(512);
    const float silent = Peak(2048);
    EXPECT_NEAR(half / full, 0.5f, 0.03f);  // 10^(-600/2000) = 0.501
    EXPECT_LT(silent, 1e-4f);
    EXPECT_EQ(buffer->GetStatus(), DSBSTATUS_PLAYING);  // silent, but still running
}

TEST_F(Loopback, BuffersFromOneFileShareItsDataButPlayApart) {
    auto first = Sound->CreateBuffer(Sine);
    auto second = Sound->CreateBuffer(Sine);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(Sound->UploadedFiles(), 1);
    first->Play(DSBPLAY_LOOPING);
    EXPECT_EQ(second->GetStatus(), 0);
    Peak(1000);
    second->Play(DSBPLAY_LOOPING);
    Peak(100);
    EXPECT_NEAR(first->GetCurrentPosition(), 4400, 4);
    EXPECT_NEAR(second->GetCurrentPosition(), 400, 4);
    first->Stop();
    EXPECT_EQ(second->GetStatus(), DSBSTATUS_PLAYING);
    // Dropping one buffer leaves the shared data for the other.
    first.reset();
    EXPECT_GT(Peak(1024), 0.2f);
}

TEST_F(Loopback, EveryCarsFiveSoundsAndTheTwoInterfaceSoundsPlayTogether) {
    std::vector<std::unique_ptr<SoundBuffer>> buffers;
    for (int i = 0; i < 5 * 21 + 2; ++i) {
        buffers.push_back(Sound->CreateBuffer(i % 2 ? Sine : Short));
        ASSERT_TRUE(buffers.back()) << "buffer " << i;
        buffers.back()->SetVolume(-4000);
        buffers.back()->Play(DSBPLAY_LOOPING);
    }
    Peak(256);
    for (auto& buffer : buffers) EXPECT_EQ(buffer->GetStatus(), DSBSTATUS_PLAYING);
    EXPECT_EQ(Sound->UploadedFiles(), 2);
}

TEST_F(Loopback, MissingOrTruncatedFilesGiveNoBuffer) {
    EXPECT_FALSE(Sound->CreateBuffer(Folder + "/nowhere.wav"));
    auto bytes = WaveFile(2, 16, SineData(100));
    bytes.resize(bytes.size() / 2);
    WriteBytes(Folder + "/cut.wav", bytes);
    EXPECT_FALSE(Sound->CreateBuffer(Folder + "/cut.wav"));
    // A file that turns up later is still found.
    WriteBytes(Folder + "/late.wav", WaveFile(2, 16, SineData(100)));
    EXPECT_TRUE(Sound->CreateBuffer(Folder + "/late.wav"));
}

TEST_F(Loopback, EveryWaveFileTheGameShipsLoads) {
    for (const char* name : {"click01.wav", "click1.wav", "click2.wav", "click02.wav", "revup2.wav",
                             "bigskid.wav", "ccrash.wav", "crash2.wav", "explode&burn.wav",
                             "bell1.wav"}) {
        const std::string path = GameDir() + "/soundfx/" + name;
        if (!std::ifstream(path)) GTEST_SKIP() << "the game's sounds are not generated";
        EXPECT_TRUE(Sound->CreateBuffer(path)) << name;
    }
    // The engine is read up to 110000 bytes in, so its note must reach that far.
    auto engine = Sound->CreateBuffer(GameDir() + "/soundfx/revup2.wav");
    ASSERT_TRUE(engine);
    engine->SetCurrentPosition(110000);
    EXPECT_EQ(engine->GetCurrentPosition(), 110000);
}
