// Sound buffers on OpenAL Soft, heard through its loopback device: what the game's engine,
// skid and interface sounds rely on, checked on the samples actually mixed.
#include <gtest/gtest.h>

#include "loopback_listening.h"

#include <cmath>
#include <filesystem>

#include "platform/platform.h"
#include "platform/sdl/openal_sound.h"
#include "test_support.h"

namespace {

constexpr int Rate = 22050;

// A PCM wave file around the data bytes, optionally with a 3-byte (padded) chunk first.
std::vector<std::uint8_t> WaveFile(int channels, int bits, const std::vector<std::uint8_t>& data,
                                   int formatTag = 1, bool noteFirst = false) {
    std::vector<std::uint8_t> b;
    auto put = [&b](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    auto tag = [&put](const char* t) { put(t[0] | t[1] << 8 | t[2] << 16 | std::uint32_t(t[3]) << 24, 4); };
    const int align = channels * bits / 8;
    tag("RIFF"), put(0, 4), tag("WAVE"), tag("fmt "), put(16, 4), put(formatTag, 2);
    put(channels, 2), put(Rate, 4), put(Rate * align, 4), put(align, 2), put(bits, 2);
    if (noteFirst) tag("note"), put(3, 4), put(0x636261, 4);
    tag("data"), put(static_cast<std::uint32_t>(data.size()), 4);
    b.insert(b.end(), data.begin(), data.end());
    for (int i = 0; i < 4; ++i) b[4 + i] = static_cast<std::uint8_t>((b.size() - 8) >> (8 * i));
    return b;
}

// 16-bit stereo 441 Hz sine at a quarter of full scale.
std::vector<std::uint8_t> Sine(int frames) {
    std::vector<std::uint8_t> d;
    for (int i = 0; i < frames; ++i) {
        const auto v = static_cast<std::uint16_t>(std::lround(8192 * std::sin(2 * M_PI * 441 * i / Rate)));
        d.insert(d.end(), {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v), std::uint8_t(v >> 8)});
    }
    return d;
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    WriteFileText(path, {bytes.begin(), bytes.end()});
}

}  // namespace

TEST(WaveFiles, ChunksAreSkippedPartialFramesDroppedAndUnusableFilesRefused) {
    auto wave = ParseWave(WaveFile(2, 16, Sine(100), 1, true));
    ASSERT_TRUE(wave);
    EXPECT_EQ(wave->SampleRate, Rate);
    EXPECT_EQ(wave->Samples.size(), 400u);  // 100 frames of 4 bytes
    // 10 bytes of 16-bit stereo: two whole frames; 8-bit mono keeps every byte.
    EXPECT_EQ(ParseWave(WaveFile(2, 16, std::vector<std::uint8_t>(10)))->Samples.size(), 8u);
    EXPECT_EQ(ParseWave(WaveFile(1, 8, std::vector<std::uint8_t>(7)))->Samples.size(), 7u);
    // Unusable files give nothing.
    using Bytes = std::vector<std::uint8_t>;
    const auto good = WaveFile(2, 16, Sine(50));
    auto notRiff = good;
    notRiff[0] = 'X';
    for (const auto& [name, bytes] :
         {std::pair{"Empty", Bytes{}}, {"CutInsideTheData", Bytes(good.begin(), good.end() - 10)},
          {"CutInsideTheFormat", Bytes(good.begin(), good.begin() + 30)}, {"NotRiff", notRiff},
          {"FloatSamples", WaveFile(2, 32, Sine(50), 3)},
          {"TwentyFourBit", WaveFile(2, 24, Bytes(60))}, {"SixChannels", WaveFile(6, 16, Bytes(120))},
          {"NoSamples", WaveFile(2, 16, {})}})
        EXPECT_FALSE(ParseWave(bytes)) << name;
}

TEST(Volume, FarCarsAreSilentAndNothingIsLouderThanTheFile) {
    EXPECT_EQ(GainFromVolume(-10000), 0.0f);  // silence, not 10^-5
    EXPECT_EQ(GainFromVolume(-25000), 0.0f);
    EXPECT_FLOAT_EQ(GainFromVolume(300), 1.0f);
}

class Loopback : public testing::Test {
protected:
    void SetUp() override {
        Sound = OpenAlSound::OpenLoopback(Rate);
        if (!Sound) GTEST_SKIP() << "OpenAL Soft's loopback device is not available";
        Folder = TempFolder("openal");
        WriteBytes(Long = Folder + "/long.wav", WaveFile(2, 16, Sine(Rate)));        // 88200 bytes
        WriteBytes(Short = Folder + "/short.wav", WaveFile(2, 16, Sine(Rate / 10)));  // 2205 frames
    }
    // Mixes the next frames and returns the loudest sample among them.
    // Levels as the files hold them, before the headroom the whole mix is given.
    float Peak(int frames) { return ::Peak(*Sound, frames) / MasterGain; }
    bool Silent() { return ::Silent(*Sound); }
    std::shared_ptr<OpenAlSound> Sound;
    std::string Folder, Long, Short;
};

TEST_F(Loopback, PositionIsInBytesOnWholeFramesAndStopKeepsItForPlayToResume) {
    auto buffer = Sound->CreateBuffer(Long);
    ASSERT_TRUE(buffer);
    buffer->SetCurrentPosition(2000);  // the idle note, set before playing
    buffer->Play(0);
    EXPECT_EQ(buffer->GetStatus(), DSBSTATUS_PLAYING);
    EXPECT_NEAR(Peak(1000), 0.25f, 0.02f);  // the file's own level
    buffer->Stop();
    EXPECT_EQ(buffer->GetStatus(), 0);
    EXPECT_EQ(buffer->GetCurrentPosition(), 6000);  // 1000 frames of 4 bytes on
    EXPECT_TRUE(Silent());
    EXPECT_EQ(buffer->GetCurrentPosition(), 6000);
    buffer->Play(0);
    Peak(500);
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

TEST_F(Loopback, LoopingOutlastsTheFileWhileAOneShotEndsAndRewinds) {
    auto looping = Sound->CreateBuffer(Short), once = Sound->CreateBuffer(Short);
    ASSERT_TRUE(looping && once);
    looping->Play(DSBPLAY_LOOPING);
    once->Play(0);
    Peak(5000);  // more than twice the 2205-frame file
    EXPECT_EQ(std::pair(looping->GetStatus(), once->GetStatus()), std::pair(DSBSTATUS_PLAYING, 0));
    EXPECT_GT(Peak(1024), 0.2f);  // the loop alone is still sounding
    // A finished one-shot starts from the top again, so a car's second crash is heard whole.
    EXPECT_EQ(once->GetCurrentPosition(), 0);
}

TEST_F(Loopback, MinusSixHundredIsHalfTheAmplitudeAndMinusTenThousandSilent) {
    auto buffer = Sound->CreateBuffer(Long);
    ASSERT_TRUE(buffer);
    buffer->Play(DSBPLAY_LOOPING);
    const auto level = [&](int volume) {
        buffer->SetVolume(volume);
        Peak(512);
        return Peak(2048);
    };
    const float full = level(0);
    EXPECT_NEAR(level(-600) / full, 0.5f, 0.03f);  // 10^(-600/2000) = 0.501
    buffer->SetVolume(-10000);
    EXPECT_TRUE(Silent());
    EXPECT_EQ(buffer->GetStatus(), DSBSTATUS_PLAYING);  // silent, but still running
}

TEST_F(Loopback, BuffersFromOneFileShareItsDataButPlayApart) {
    auto first = Sound->CreateBuffer(Long), second = Sound->CreateBuffer(Long);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(Sound->UploadedFiles(), 1);
    first->Play(DSBPLAY_LOOPING);
    EXPECT_EQ(second->GetStatus(), 0);
    Peak(1000);
    second->Play(DSBPLAY_LOOPING);
    Peak(100);
    EXPECT_EQ(first->GetCurrentPosition(), 4400);
    EXPECT_EQ(second->GetCurrentPosition(), 400);
    first.reset();  // the shared data stays for the other
    EXPECT_GT(Peak(1024), 0.2f);
}

TEST_F(Loopback, EveryCarsFiveSoundsAndTheTwoInterfaceSoundsPlayTogether) {
    std::vector<std::unique_ptr<SoundBuffer>> buffers;
    for (int i = 0; i < 5 * 21 + 2; ++i) {
        auto& buffer = buffers.emplace_back(Sound->CreateBuffer(i % 2 ? Long : Short));
        ASSERT_TRUE(buffer) << "buffer " << i;
        buffer->SetVolume(-4000);
        buffer->Play(DSBPLAY_LOOPING);
    }
    Peak(256);
    for (auto& buffer : buffers) EXPECT_EQ(buffer->GetStatus(), DSBSTATUS_PLAYING);
}

TEST_F(Loopback, MissingOrTruncatedFilesGiveNoBufferUntilTheyAreWhole) {
    auto bytes = WaveFile(2, 16, Sine(100));
    WriteBytes(Folder + "/cut.wav", {bytes.begin(), bytes.begin() + 200});
    EXPECT_FALSE(Sound->CreateBuffer(Folder + "/nowhere.wav"));
    EXPECT_FALSE(Sound->CreateBuffer(Folder + "/cut.wav"));
    WriteBytes(Folder + "/cut.wav", bytes);  // a failure is not remembered
    EXPECT_TRUE(Sound->CreateBuffer(Folder + "/cut.wav"));
}

TEST_F(Loopback, EveryWaveFileTheGameShipsLoads) {
    const std::string folder = GameDir() + "/soundfx";
    if (!std::filesystem::exists(folder + "/revup2.wav")) GTEST_SKIP() << "no generated sounds";
    for (const auto& file : std::filesystem::directory_iterator(folder))
        EXPECT_TRUE(Sound->CreateBuffer(file.path().string())) << file.path();
    // The engine is read up to 110000 bytes in, so its note must reach that far.
    auto engine = Sound->CreateBuffer(folder + "/revup2.wav");
    engine->SetCurrentPosition(110000);
    EXPECT_EQ(engine->GetCurrentPosition(), 110000);
}
