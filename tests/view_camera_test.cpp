// The camera: how the view scrolls with the player's car.
#include <gtest/gtest.h>

#include <tuple>

#include "course/course.h"
#include "race/race_internal.h"

namespace {

// VelX, VelY, DirSign, start, frames; the player's screen position and how far the world
// moved afterwards. Right from 300 at 10 a frame: 19 double steps take the car to 110 (the
// step from 120 still doubles), then 6 single ones: 19 x 20 + 6 x 10 = 440. Left from 300:
// 8 double steps to 380 (370 itself still doubles), then 2 single: -180.
using Case = std::tuple<f32, f32, i16, f32, f32, int, f32, f32, f32, f32>;
class Camera : public testing::TestWithParam<Case> {};

TEST_P(Camera, CarSettlesAtItsThresholdWhileTheWorldScrolls) {
    auto [velX, velY, sign, startX, startY, frames, endX, endY, scrolledX, scrolledY] = GetParam();
    for (int i = 0; i < MaxCars; ++i) Cars[i] = CarRecord{}, Cars[i].ScreenX = Cars[i].ScreenY = 300 + 100 * i;
    for (auto& pickup : Pickups) pickup = Pickup{100, 100, 0};
    Pickups[4].State = PickupTaken;
    Race.LastCarIndex = 2;
    ScrollX = ScrollY = 0;
    ViewLeft = ViewTop = 75;
    Cars[0] = CarRecord{}, Cars[0].ScreenX = startX, Cars[0].ScreenY = startY;
    Cars[0].VelX = velX, Cars[0].VelY = velY, DirSign[0] = sign, DirSign[1] = DirSign[2] = 1;
    for (int frame = 0; frame < frames; ++frame) {
        f32 before = Cars[0].ScreenX + ScrollX;
        ScrollView();
        // However the work is split, the car's place on the course moves by its speed.
        EXPECT_FLOAT_EQ(Cars[0].ScreenX + ScrollX - before, sign * velX);
    }
    EXPECT_EQ(std::tuple(Cars[0].ScreenX, Cars[0].ScreenY, ScrollX, ScrollY),
              std::tuple(endX, endY, scrolledX, scrolledY));
    // Opponents and every pickup, taken or not, move with the world; car 3 is not racing and
    // only pickups 0..10 take part. (All the sums here are exact in floats.)
    EXPECT_EQ(std::tuple(Cars[1].ScreenX, Cars[2].ScreenY, Cars[3].ScreenX, Pickups[4].X, Pickups[10].Y, Pickups[11].X),
              std::tuple(400 - scrolledX, 500 - scrolledY, 600.f, 100 - scrolledX, 100 - scrolledY, 100.f));
}

INSTANTIATE_TEST_SUITE_P(Race, Camera,
                         testing::Values(Case{0, 0, 1, 300, 300, 20, 300, 300, 0, 0},      // standing still
                                         Case{10, 0, 1, 300, 200, 25, 110, 200, 440, 0},   // right to 110
                                         Case{10, 0, 1, 50, 200, 10, 50, 200, 100, 0},     // below 120
                                         Case{-10, 0, 1, 300, 200, 10, 380, 200, -180, 0}, // left to 380
                                         Case{-10, 0, 1, 450, 200, 10, 450, 200, -100, 0}, // above 370
                                         Case{0, 10, 1, 200, 300, 25, 200, 110, 0, 440},   // down
                                         Case{0, -10, 1, 200, 300, 10, 200, 380, 0, -180}, // up
                                         Case{10, 0, -1, 300, 200, 10, 380, 200, -180, 0}, // reversing
                                         Case{10, 10, 1, 300, 300, 25, 110, 110, 440, 440}));

}  // namespace
