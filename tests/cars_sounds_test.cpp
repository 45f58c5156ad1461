// Engine, skid and grid-rev sounds of the cars.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "cars/cars.h"
#include "sound/sound.h"
#include "test_support.h"

namespace {

SilentSoundBuffer* Silent(std::unique_ptr<SoundBuffer>& buffer) {
    return static_cast<SilentSoundBuffer*>(buffer.get());
}

class CarSound : public ::testing::Test {
protected:
    void SetUp() override {
        LastCarIndex = 1;
        for (int i = 0; i <= 1; ++i) {
            Cars[i] = CarRecord{};
            Cars[i].ScreenX = Cars[i].ScreenY = 200;
            EngineSounds[i] = std::make_unique<SilentSoundBuffer>();
            SkidSounds[i] = std::make_unique<SilentSoundBuffer>();
            RevPosition[i] = 0;
            RevStep[i] = 0;
        }
    }
};

struct EngineCase {
    f32 Speed;
    int Position;
    int Volume;
};
class EngineNote : public CarSound, public ::testing::WithParamInterface<EngineCase> {};

TEST_P(EngineNote, PlayPositionFollowsTheSpeed) {
    Cars[0].Speed = GetParam().Speed;
    CarSounds(0);
    EXPECT_EQ(Silent(EngineSounds[0])->Position, GetParam().Position);
    EXPECT_EQ(Silent(EngineSounds[0])->Volume, GetParam().Volume);
    EXPECT_EQ(Silent(EngineSounds[0])->LastPlayFlags, DSBPLAY_LOOPING);
}

INSTANTIATE_TEST_SUITE_P(CarSound, EngineNote,
                         ::testing::Values(EngineCase{5, 2000, -1000},      // idling
                                           EngineCase{100, 42000, -300},    // 100 x 420
                                           EngineCase{300, 110000, -100})); // end of the note

TEST_F(CarSound, OtherCarsFadeWithDistance) {
    Cars[1].ScreenX = 500;  // 300 across and 200 down: D = 500
    Cars[1].ScreenY = 400;
    Cars[1].Speed = 200;
    Cars[1].Skidding = True16;
    CarSounds(1);
    EXPECT_EQ(Silent(EngineSounds[1])->Volume, -700);  // -500 - (400 - 200)
    EXPECT_EQ(Silent(SkidSounds[1])->Volume, -500);
    EXPECT_EQ(Silent(SkidSounds[1])->PlayCount, 1);
    Cars[1].Skidding = False16;
    CarSounds(1);
    EXPECT_EQ(Silent(SkidSounds[1])->StopCount, 1);
}

TEST_F(CarSound, CarOutOfTheRaceIsSilent) {
    Cars[1].Status = StatusOut;
    CarSounds(1);
    EXPECT_EQ(Silent(EngineSounds[1])->PlayCount, 0);
    EXPECT_EQ(Silent(SkidSounds[1])->StopCount, 0);
}

TEST_F(CarSound, GridRevSweepsBetween5000AndARandomTurningPoint) {
    Randomize(3);
    int low = 1 << 30, high = 0, turns = 0;
    i16 step = 0;
    for (int call = 0; call < 40000; ++call) {
        GridRev(1);
        if (call > 10000) low = std::min<int>(low, RevPosition[1]);
        high = std::max<int>(high, RevPosition[1]);
        if (RevStep[1] != step && step != 0) ++turns;
        step = RevStep[1];
    }
    EXPECT_GE(low, 4995);
    EXPECT_GE(high, 15000);
    EXPECT_LE(high, 30005);
    EXPECT_GE(turns, 2);
    // The revving draws only from the sound stream: the race's numbers are as seeded.
    f32 next = Rnd();
    Randomize(3);
    EXPECT_EQ(next, Rnd());
}

}  // namespace
