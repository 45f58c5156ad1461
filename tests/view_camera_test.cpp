// The camera: how the view scrolls with the player's car.
#include <gtest/gtest.h>

#include "course/course.h"
#include "race/race_internal.h"

namespace {

void PlaceCars(f32 playerX, f32 playerY) {
    for (auto& car : Cars) car = CarRecord{};
    for (auto& sign : DirSign) sign = 1;
    Race.LastCarIndex = 2;
    ScrollX = ScrollY = 0;
    ViewLeft = ViewTop = 75;
    Cars[0].ScreenX = playerX;
    Cars[0].ScreenY = playerY;
    Cars[1].ScreenX = Cars[1].ScreenY = 400;
    Cars[2].ScreenX = Cars[2].ScreenY = 500;
    Cars[3].ScreenX = Cars[3].ScreenY = 600;  // beyond Race.LastCarIndex: not in this race
    for (int k = 0; k < MapSize; ++k) Pickups[k] = Pickup{100, 100, 0};
    Pickups[4].State = PickupTaken;
}

struct CameraCase {
    const char* Name;
    f32 VelX, VelY;
    i16 Sign;
    f32 StartX, StartY;
    int Frames;
    f32 EndX, EndY;            // the player's screen position afterwards
    f32 ScrolledX, ScrolledY;  // how far the world moved
};

class Camera : public testing::TestWithParam<CameraCase> {};

TEST_P(Camera, CarSettlesAtItsThresholdWhileTheWorldScrolls) {
    const CameraCase& c = GetParam();
    PlaceCars(c.StartX, c.StartY);
    Cars[0].VelX = c.VelX;
    Cars[0].VelY = c.VelY;
    DirSign[0] = c.Sign;
    for (int frame = 0; frame < c.Frames; ++frame) {
        f32 before = Cars[0].ScreenX + ScrollX;
        ScrollView();
        // However the work is split, the car's place on the course moves by its speed.
        EXPECT_FLOAT_EQ(Cars[0].ScreenX + ScrollX - before, c.Sign * c.VelX);
    }
    EXPECT_FLOAT_EQ(Cars[0].ScreenX, c.EndX);
    EXPECT_FLOAT_EQ(Cars[0].ScreenY, c.EndY);
    EXPECT_FLOAT_EQ(ScrollX, c.ScrolledX);
    EXPECT_FLOAT_EQ(ScrollY, c.ScrolledY);
    // Opponents and every pickup, taken or not, move with the world; car 3 is not racing.
    EXPECT_FLOAT_EQ(Cars[1].ScreenX, 400 - c.ScrolledX);
    EXPECT_FLOAT_EQ(Cars[2].ScreenY, 500 - c.ScrolledY);
    EXPECT_FLOAT_EQ(Cars[3].ScreenX, 600);
    EXPECT_FLOAT_EQ(Pickups[4].X, 100 - c.ScrolledX);
    EXPECT_FLOAT_EQ(Pickups[10].Y, 100 - c.ScrolledY);
    EXPECT_FLOAT_EQ(Pickups[11].X, 100);  // only 0..10 take part
}

// Right from 300 at 10 a frame: 19 double steps take the car to 110 (the step from 120
// still doubles), then 6 single ones: 19 x 20 + 6 x 10 = 440.
// Left from 300: 8 double steps to 380 (370 itself still doubles), then 2 single: -180.
INSTANTIATE_TEST_SUITE_P(
    Race, Camera,
    testing::Values(
        CameraCase{"StandingStillNeverScrolls", 0, 0, 1, 300, 300, 20, 300, 300, 0, 0},
        CameraCase{"RightFrom300SlidesTo110", 10, 0, 1, 300, 200, 25, 110, 200, 440, 0},
        CameraCase{"RightBelow120OnlyScrolls", 10, 0, 1, 50, 200, 10, 50, 200, 100, 0},
        CameraCase{"LeftFrom300SlidesTo380", -10, 0, 1, 300, 200, 10, 380, 200, -180, 0},
        CameraCase{"LeftAbove370OnlyScrolls", -10, 0, 1, 450, 200, 10, 450, 200, -100, 0},
        CameraCase{"DownFrom300SlidesTo110", 0, 10, 1, 200, 300, 25, 200, 110, 0, 440},
        CameraCase{"UpFrom300SlidesTo380", 0, -10, 1, 200, 300, 10, 200, 380, 0, -180},
        CameraCase{"ReverseGoingRightScrollsLeft", 10, 0, -1, 300, 200, 10, 380, 200, -180, 0},
        CameraCase{"DiagonalSettlesInBoth", 10, 10, 1, 300, 300, 25, 110, 110, 440, 440}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
