// The game's own sound files mixed as a race plays them, heard through OpenAL Soft's
// loopback device: the mix must never clip, and a crash must stand out of the engines.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "cars/cars_internal.h"
#include "platform/sdl/openal_sound.h"
#include "sound/sound.h"
#include "test_support.h"

namespace {

constexpr int Rate = 22050;
constexpr int FrameSamples = 661;  // one 30 ms game frame

struct LoopbackBackend : HeadlessBackend {
    std::shared_ptr<OpenAlSound> Mixer;
    bool OpenSoundDevice() override { return Mixer != nullptr; }
    std::unique_ptr<SoundBuffer> CreateSoundBuffer(const std::string& path) override {
        return Mixer ? Mixer->CreateBuffer(path) : nullptr;
    }
};

class RaceMix : public testing::Test {
protected:
    LoopbackBackend Backend;

    void SetUp() override { Restart(); }
    void TearDown() override {
        ReleaseSound();
        InstallBackend(nullptr);
    }

    // A fresh mixer over the built game's files and nine cars on a two-by-two grid.
    void Restart() {
        ReleaseSound();
        Backend.Mixer = OpenAlSound::OpenLoopback(Rate);
        if (!Backend.Mixer) GTEST_SKIP() << "OpenAL Soft's loopback device is not available";
        ResetPlatform();
        InstallBackend(&Backend);
        SetAppPath(GameDir());
        SoundEnabled = true;
        StartSound();
        Race.LastCarIndex = 8;
        for (int car = 0; car <= Race.LastCarIndex; ++car) {
            Cars[car] = CarRecord{};
            Cars[car].ScreenX = 80.0f * (car % 2);
            Cars[car].ScreenY = 60.0f * (car / 2);
            RevPosition[car] = 5000 + 1500 * car;
            RevStep[car] = 5;
        }
    }

    std::vector<float> Render(int frames) {
        std::vector<float> out(static_cast<std::size_t>(frames) * 2);
        Backend.Mixer->Render(out.data(), frames);
        return out;
    }

    // Race engines at speed for a second, then the next `frames` of the mix.
    std::vector<float> RacingBed(bool crash, int frames) {
        Restart();
        for (int frame = 0; frame < 34; ++frame) {
            for (int car = 0; car <= Race.LastCarIndex; ++car) {
                Cars[car].Speed = static_cast<f32>(std::min(frame * 12, 200 + 7 * car));
                CarSounds(car);
            }
            Render(FrameSamples);
        }
        if (crash) {  // the player's car into a wall, as loud as the game plays it
            SetVolume(CrashSounds[0].get(), 0);
            Play(CrashSounds[0].get(), 0);
        }
        return Render(frames);
    }
};

float Rms(const std::vector<float>& s) {
    double sum = 0;
    for (float v : s) sum += double(v) * v;
    return static_cast<float>(std::sqrt(sum / s.size()));
}

TEST_F(RaceMix, NineCarStartWithCountdownAndACrashStaysBelowFullScale) {
    float peak = 0;
    auto listen = [&] {
        for (float v : Render(FrameSamples)) peak = std::max(peak, std::fabs(v));
    };
    for (int frame = 0; frame < 100; ++frame) {  // three lights, the grid revving
        if (frame % 33 == 0) PlayBell();
        for (int car = 0; car <= Race.LastCarIndex; ++car) GridRev(car);
        listen();
    }
    for (int frame = 0; frame < 100; ++frame) {  // away, everyone flat out, then a pile-up
        for (int car = 0; car <= Race.LastCarIndex; ++car) {
            // Each car pulls away at its own rate to its own top speed, as the grid does.
            Cars[car].Speed = static_cast<f32>(std::min(frame * (9 + car), 320 + 10 * car));
            CarSounds(car);
        }
        if (frame == 40) {  // the player into a wall, a rival into the player, as loud as they come
            SetVolume(CrashSounds[0].get(), 0);
            Play(CrashSounds[0].get(), 0);
            SetVolume(HitSounds[1].get(), CLng(-2 * DistanceFromPlayer(1)));
            Play(HitSounds[1].get(), 0);
        }
        listen();
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
    std::vector<float> crash(bed.size());
    for (std::size_t i = 0; i < bed.size(); ++i) crash[i] = both[i] - bed[i];
    ASSERT_GT(Rms(bed), 0.005f);
    const float decibels = 20 * std::log10(Rms(crash) / Rms(bed));
    std::printf("crash %.1f dB over the engines\n", decibels);
    EXPECT_GE(decibels, 6.0f);
}

}  // namespace
