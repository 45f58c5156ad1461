// Car motion: steering, drift and skid, pedals and brake, movement over the tiles.
#include <gtest/gtest.h>

#include <tuple>

#include "cars_test_grid.h"

namespace {

CarRecord& car = Cars[0];

TEST(Motion, StandingCarOnThrottleLeapsTo50AndGainsFromThere) {
    ResetGrid(0);
    car.Pedal = 0;
    DriveCars();  // 50 + 2.8 - 50/75 - 100/100 + 1; the velocity follows a frame later
    EXPECT_NEAR(car.Speed, 52.1333f, 1e-4);
    EXPECT_EQ(car.VelY, 0);
}

class ThrottleTendsTo : public ::testing::TestWithParam<std::tuple<int, f32, f32>> {};
TEST_P(ThrottleTendsTo, SeventyFiveTimesAccelOrTheDriveLimit) {
    auto [topSpeed, engine, expected] = GetParam();
    ResetGrid(0);
    car.Pedal = 0, car.TopSpeed = static_cast<i16>(topSpeed), car.Engine = engine;
    for (int frame = 0; frame < 3000; ++frame) DriveCars();
    EXPECT_NEAR(car.Speed, expected, 0.01);
}
// 75 x 2.8; snapped onto a limit of 180; Speed/75 = 2.8 - 0.8 + 1; a limit of 200 - 20.
INSTANTIATE_TEST_SUITE_P(Motion, ThrottleTendsTo,
                         ::testing::Values(std::tuple{250, 100.f, 210.f}, std::tuple{180, 100.f, 180.f},
                                           std::tuple{250, 80.f, 225.f}, std::tuple{200, 80.f, 180.f}));

TEST(Motion, HeldArrowStepsEveryThirdFrameOrEverySecondWithTheBrake) {
    // From a fresh press (count 1): frames 2 and 5; braking, frames 1, 3 and 5.
    for (bool brake : {false, true}) {
        ResetGrid(0);
        Aim(0, 0, 100);
        car.Steer = 0, car.SteerCount = 1, car.Brake = Bool16(brake);
        for (int frame = 1; frame <= 6; ++frame) DriveCars();
        EXPECT_EQ(car.Heading, brake ? 150 : 100);
    }
    // Standing still, the count still runs and resets, but nothing turns or drifts.
    ResetGrid(0);
    car.Steer = 1, car.SteerCount = 1;
    DriveCars(), DriveCars();
    EXPECT_EQ(car.SteerCount, 0);
    EXPECT_EQ(car.Heading, 500);
    EXPECT_EQ(car.Drift, 0);
}

TEST(Motion, CoastingKeepsRollingAt20AndOnlyTheBrakeStopsBelow18) {
    ResetGrid(0);
    car.Pedal = 1, car.Speed = 25;
    for (int frame = 0; frame < 10; ++frame) DriveCars();
    EXPECT_EQ(car.Speed, 20);
    car.Pedal = 3, car.Brake = True16, car.Speed = 22;
    DriveCars();
    EXPECT_EQ(car.Speed, 18);
    DriveCars();
    EXPECT_EQ(car.Speed, 0);
}

TEST(Motion, SkidStartsWhenDriftPassesTheTyresAndEndsWhenItDecays) {
    ResetGrid(0);
    Aim(0, 5, 200);
    car.Drift = 65, car.Steer = 0, car.SteerCount = 2;
    DriveCars();  // 65 + 200/10 = 85 > 70
    EXPECT_TRUE(IsTrue(car.Skidding));
    EXPECT_EQ(car.Heading, 300);
    // Still sliding east, less half a pixel, creeping round by |VelX| / 18.
    EXPECT_NEAR(car.VelY, 17.5f / 18, 1e-3);
    EXPECT_EQ(car.Speed, 193);
    EXPECT_FLOAT_EQ(car.Tyres, 69.75f);  // wear round(193 / 300) = 1, a quarter of it
    car.Steer = 2;
    int frames = 0;
    for (; IsTrue(car.Skidding) && frames < 20; ++frames) DriveCars();
    // 85 -> 74 -> 63 -> 51 -> 38 -> 24 (24.5 to even) -> 10 -> below 0, held at 0
    EXPECT_EQ(frames, 7);
    EXPECT_EQ(car.Drift, 0);
}

class TileWrap : public ::testing::TestWithParam<std::tuple<f32, f32, f32, int>> {};
TEST_P(TileWrap, CrossingAnEdgeMovesToTheNextTile) {
    auto [start, vel, endX, endCol] = GetParam();
    ResetGrid(1);
    Cars[1].TileX = start, Cars[1].VelX = vel;
    MoveCars();
    EXPECT_FLOAT_EQ(Cars[1].TileX, endX);
    EXPECT_EQ(Cars[1].TileCol, endCol);
}
// 0.5 goes to 200.5 and straight back, so a car resting on an edge stays in one tile.
INSTANTIATE_TEST_SUITE_P(Motion, TileWrap,
                         ::testing::Values(std::tuple{101.f, -100.f, 1.f, 5}, std::tuple{100.5f, -100.f, 0.5f, 5},
                                           std::tuple{99.5f, -100.f, 199.5f, 4}, std::tuple{100.f, 100.f, 200.f, 5},
                                           std::tuple{100.5f, 100.f, 0.5f, 6}));

TEST(Motion, ReverseMovesAgainstTheVelocityAndParkStops) {
    ResetGrid(2);
    Cars[1].Gear = 1, Cars[1].VelY = -9;  // pointing north, moving south
    Cars[2].Gear = 2;
    Aim(2, 5, 50);
    MoveCars();
    EXPECT_EQ(Cars[1].ScreenY, 209);
    EXPECT_EQ(Cars[1].TileY, 109);
    EXPECT_EQ(Cars[2].Speed, 0);
    EXPECT_EQ(Cars[2].ScreenX, 200);
}

// The wheel crank wraps the heading round north both ways: 19 -> 0 clockwise, 0 -> 19 back.
TEST(Motion, TurningPastNorthWrapsTheHeading) {
    for (auto [from, steer, to] : {std::tuple{19, SteerRight, 0}, std::tuple{0, SteerLeft, 19},
                                   std::tuple{18, SteerRight, 19}}) {
        ResetGrid(0);
        CarRecord& c = Aim(0, from, 100);
        c.Steer = steer, c.SteerCount = 2;  // the third frame of the crank turns
        DriveCars();
        EXPECT_EQ(c.Heading, to * 50) << "from frame " << from;
    }
}

}  // namespace
