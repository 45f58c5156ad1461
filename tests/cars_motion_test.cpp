// Car motion: steering, drift and skid, the pedals and brake, and movement over tiles.
#include <gtest/gtest.h>

#include <utility>

#include "cars/cars.h"
#include "course/course.h"
#include "race/race.h"

namespace {

// A fresh grid car in the middle of tile (5, 5), pointing south, on a blank map.
void ResetCars(int last) {
    Course = CourseMap{};
    LastCarIndex = static_cast<i16>(last);
    for (int i = 0; i < MaxCars; ++i) {
        CarRecord c;
        c.SpriteWidth = 80;
        c.SpriteHeight = 50;
        c.Heading = 500;
        c.Steer = 2;
        c.SteerCount = 100;
        c.Pedal = 3;
        c.TopSpeed = 250;
        c.Accel = 2.8f;
        c.Tyres = 70;
        c.TyresMax = 70;
        c.Body = c.BodyMax = 100;
        c.Engine = c.EngineMax = 100;
        c.TileCol = c.TileRow = 5;
        c.TileX = c.TileY = 100;
        c.ScreenX = c.ScreenY = 200;
        Cars[i] = c;
        DirSign[i] = 1;
    }
}

class Motion : public ::testing::Test {
protected:
    void SetUp() override { ResetCars(0); }
    CarRecord& car = Cars[0];
};

TEST_F(Motion, StandingCarOnThrottleLeapsTo50AndGainsFromThere) {
    car.Pedal = 0;
    DriveCars();
    // 50 + 2.8 - 50/75 - 100/100 + 1 = 52.1333; the velocity follows a frame later.
    EXPECT_NEAR(car.Speed, 52.1333f, 1e-4);
    EXPECT_EQ(car.VelY, 0);
    DriveCars();
    EXPECT_NEAR(car.VelY, 52.1333f * 0.09f, 1e-4);
    EXPECT_NEAR(car.Speed, 52.1333f + 2.8f - 52.1333f / 75, 1e-3);
}

struct SpeedCase {
    i16 TopSpeed;
    f32 Engine;
    f32 Expected;
};
class ThrottleTendsTo : public ::testing::TestWithParam<SpeedCase> {};

TEST_P(ThrottleTendsTo, SeventyFiveTimesAccelOrTheDriveLimit) {
    ResetCars(0);
    Cars[0].Pedal = 0;
    Cars[0].TopSpeed = GetParam().TopSpeed;
    Cars[0].Engine = GetParam().Engine;
    for (int frame = 0; frame < 3000; ++frame) DriveCars();
    EXPECT_NEAR(Cars[0].Speed, GetParam().Expected, 0.01);
}

INSTANTIATE_TEST_SUITE_P(
    Motion, ThrottleTendsTo,
    ::testing::Values(SpeedCase{250, 100, 210},   // 75 x 2.8, under the limit of 250
                      SpeedCase{180, 100, 180},   // snapped onto the limit
                      SpeedCase{250, 80, 225},    // Speed/75 = 2.8 - 0.8 + 1 = 3, under 230
                      SpeedCase{200, 80, 180}));  // limit 200 - 20

TEST_F(Motion, HeldArrowStepsEveryThirdFrameAndEverySecondWithTheBrake) {
    // After a key press the count is 1: steps land on frames 2 and 5 ...
    car.Speed = 100;
    car.Heading = 0;
    car.Steer = 0;
    car.SteerCount = 1;
    for (int frame = 1; frame <= 6; ++frame) DriveCars();
    EXPECT_EQ(car.Heading, 100);

    // ... and with the brake on frames 1, 3 and 5.
    ResetCars(0);
    car.Speed = 100;
    car.Heading = 0;
    car.Steer = 0;
    car.SteerCount = 1;
    car.Brake = True16;
    for (int frame = 1; frame <= 6; ++frame) DriveCars();
    EXPECT_EQ(car.Heading, 150);
}

TEST_F(Motion, HeadingWrapsBetweenFrame19AndFrame0) {
    car.Speed = 100;
    car.Heading = 950;
    car.Steer = 0;
    car.SteerCount = 2;
    DriveCars();
    EXPECT_EQ(car.Heading, 0);
    car.Steer = 1;
    car.SteerCount = 2;
    DriveCars();
    EXPECT_EQ(car.Heading, 950);
}

TEST_F(Motion, TurningAtSpeedZeroOnlyResetsTheCount) {
    car.Steer = 1;
    car.SteerCount = 1;
    DriveCars();
    DriveCars();
    EXPECT_EQ(car.SteerCount, 0);
    EXPECT_EQ(car.Heading, 500);
    EXPECT_EQ(car.Drift, 0);
}

TEST_F(Motion, DriftRoundsHalvesToEven) {
    // 25 / 10 = 2.5 rounds to 2, 35 / 10 = 3.5 to 4.
    for (auto [speed, drift] : {std::pair{25.0f, 2}, std::pair{35.0f, 4}}) {
        ResetCars(0);
        car.Speed = speed;
        car.Steer = 0;
        car.SteerCount = 2;
        DriveCars();
        EXPECT_EQ(car.Drift, drift) << speed;
    }
}

TEST_F(Motion, CoastingNeverDropsBelow20) {
    car.Pedal = 1;
    car.Speed = 25;
    for (int frame = 0; frame < 10; ++frame) DriveCars();
    EXPECT_EQ(car.Speed, 20);
    // A standing car starts rolling at 20.
    ResetCars(0);
    car.Pedal = 1;
    DriveCars();
    EXPECT_EQ(car.Speed, 20);
}

TEST_F(Motion, BrakeStopsTheCarOnlyBelow18) {
    car.Brake = True16;
    car.Speed = 22;  // 22 - 4 = 18: still rolling
    DriveCars();
    EXPECT_EQ(car.Speed, 18);
    DriveCars();  // 14: stopped dead
    EXPECT_EQ(car.Speed, 0);
    EXPECT_EQ(car.VelX, 0);
    EXPECT_EQ(car.VelY, 0);
    EXPECT_EQ(car.CruiseSpeed, 0);
}

TEST_F(Motion, CruiseControlHoldsBelowItsSpeedAndGainsLessThanTheThrottle) {
    car.Pedal = 3;
    car.CruiseSpeed = 100;
    car.Speed = 90;
    DriveCars();
    // 90 + 2.8 - 90/75 - (1 + 1) = 89.6: the cruise formula loses a point the throttle gains.
    EXPECT_NEAR(car.Speed, 89.6f, 1e-4);
    car.Speed = 120;
    DriveCars();
    EXPECT_EQ(car.Speed, 120);
}

TEST_F(Motion, SkidStartsWhenDriftPassesTheTyresAndEndsWhenItDecays) {
    car.Speed = 200;
    car.Heading = 250;  // east
    car.VelX = 18;
    car.Drift = 65;
    car.Steer = 0;
    car.SteerCount = 2;
    DriveCars();  // 65 + 200/10 = 85 > 70
    EXPECT_TRUE(IsTrue(car.Skidding));
    EXPECT_EQ(car.Drift, 85);
    EXPECT_EQ(car.Heading, 300);
    // The sliding car keeps its eastward velocity (less the skid's half pixel) and
    // creeps towards frame 6 by |VelX| / 18 southwards.
    EXPECT_NEAR(car.VelX, 17.5f + 17.5f / 18 / 18, 1e-3);
    EXPECT_NEAR(car.VelY, 17.5f / 18, 1e-3);
    EXPECT_EQ(car.Speed, 193);  // the skid costs 7 a frame
    EXPECT_FLOAT_EQ(car.Tyres, 69.75f);  // wear round(193 / 300) = 1, a quarter of it

    car.Steer = 2;
    int frames = 0;
    while (IsTrue(car.Skidding) && frames < 20) {
        DriveCars();
        ++frames;
    }
    // Drift falls by 30 - Speed/10 while the skid costs 7: 85 -> 74 -> 63 -> 51 -> 38 ->
    // 24 (24.5 to even) -> 10 -> -5, held at 0.
    EXPECT_EQ(frames, 7);
    EXPECT_EQ(car.Drift, 0);
    DriveCars();
    EXPECT_FLOAT_EQ(car.VelY, car.Speed * 0.02f);  // gripping again on frame 6
}

TEST_F(Motion, DriftIsCappedAtTwiceTheTyres) {
    car.Speed = 400;
    car.TopSpeed = 500;
    car.Drift = 130;
    car.Steer = 1;
    car.SteerCount = 2;
    DriveCars();  // 130 + 40 > 140
    EXPECT_EQ(car.Drift, 140);
}

TEST_F(Motion, BrakingIntoASkidSetsDriftToOneAndAHalfTyres) {
    car.Speed = 150;
    car.Drift = 60;
    car.Brake = True16;
    DriveCars();  // straight: 60 - (30 - 15) = 45; brake: 45 + 146/7 = 65.9 -> 66, under 70
    EXPECT_FALSE(IsTrue(car.Skidding));
    EXPECT_EQ(car.Drift, 66);
    DriveCars();  // 66 - (30 - 14.6) = 50.6 -> 51; 51 + 142/7 = 71.3 -> 71 > 70
    EXPECT_TRUE(IsTrue(car.Skidding));
    EXPECT_EQ(car.Drift, 105);
}

TEST_F(Motion, HeadingBetweenFramesKeepsTheOldVelocity) {
    car.Heading = 525;
    car.Speed = 100;
    car.VelX = 3;
    car.VelY = 4;
    DriveCars();
    EXPECT_EQ(car.VelX, 3);
    EXPECT_EQ(car.VelY, 4);
}

struct WrapCase {
    f32 Start;
    f32 Vel;
    f32 EndTileX;
    i16 EndCol;
};
class TileWrap : public ::testing::TestWithParam<WrapCase> {};

TEST_P(TileWrap, OnlyOutside1To200MovesToTheNextTile) {
    ResetCars(1);
    CarRecord& c = Cars[1];
    c.TileX = GetParam().Start;
    c.VelX = GetParam().Vel;
    MoveCars();
    EXPECT_FLOAT_EQ(c.TileX, GetParam().EndTileX);
    EXPECT_EQ(c.TileCol, GetParam().EndCol);
}

INSTANTIATE_TEST_SUITE_P(Motion, TileWrap,
                         ::testing::Values(WrapCase{101, -100, 1, 5}, WrapCase{100.5f, -100, 200.5f, 4},
                                           WrapCase{100, 100, 200, 5}, WrapCase{100.5f, 100, 0.5f, 6}));

TEST_F(Motion, ReverseMovesAgainstTheVelocityEverywhere) {
    ResetCars(1);
    CarRecord& c = Cars[1];
    c.Gear = 1;
    c.VelY = -9;  // pointing north ...
    c.CourseY = 1000;
    MoveCars();
    EXPECT_EQ(c.CourseY, 1009);  // ... moves south
    EXPECT_EQ(c.ScreenY, 209);
    EXPECT_EQ(c.TileY, 109);
    EXPECT_EQ(DirSign[1], -1);
}

TEST_F(Motion, ParkStopsTheCarWhereItStands) {
    ResetCars(1);
    CarRecord& c = Cars[1];
    c.Gear = 2;
    c.Speed = 50;
    c.VelX = 4.5f;
    MoveCars();
    EXPECT_EQ(c.Speed, 0);
    EXPECT_EQ(c.VelX, 0);
    EXPECT_EQ(c.ScreenX, 200);
    EXPECT_EQ(c.TileX, 100);
}

TEST_F(Motion, CarsOutOfTheRaceDoNotMove) {
    ResetCars(1);
    Cars[1].Status = StatusOut;
    Cars[1].VelX = 5;
    MoveCars();
    EXPECT_EQ(Cars[1].ScreenX, 200);
    EXPECT_EQ(Cars[1].TileX, 100);
}

}  // namespace
