// Walls: the one-sided checks of each tile type, impacts, and turning along the wall.
#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "cars_test_grid.h"

namespace {

// Car 1 on tile (5, 5) of the given type, 100 pixels right of the player.
CarRecord& AtWall(i16 type, f32 tileX, f32 tileY, int frame, f32 velX, f32 velY, f32 speed) {
    ResetGrid(1);
    Course.TileMap[5][5] = type;
    CarRecord& c = Cars[1];
    c.TileX = tileX, c.TileY = tileY, c.Heading = static_cast<i16>(frame * 50);
    c.VelX = velX, c.VelY = velY, c.Speed = speed, c.ScreenX = 300;
    return c;
}

class WallImpact : public ::testing::TestWithParam<std::tuple<f32, f32, f32, int>> {};
TEST_P(WallImpact, OnlyHardOrFastImpactsDamageButEveryFrameCosts50) {
    auto [velX, speed, body, crashes] = GetParam();
    CarRecord& c = AtWall(5, 180, 100, 6, velX, 5, speed);
    CheckWalls();
    EXPECT_FLOAT_EQ(c.Body, body);
    EXPECT_EQ(Silent(CrashSounds, 1)->PlayCount, crashes);
    if (crashes) {
        EXPECT_EQ(Silent(CrashSounds, 1)->Volume, -200);  // 2 x 100 pixels away
    }
    EXPECT_EQ(c.VelX, 0);
    EXPECT_FLOAT_EQ(c.Speed, speed - 50);
}
// Exactly 10 at exactly 150; 10.5 (damage 21); 150.5 (damage 20); fast but glancing (8).
INSTANTIATE_TEST_SUITE_P(Walls, WallImpact,
                         ::testing::Values(std::tuple{10.f, 150.f, 100.f, 0}, std::tuple{10.5f, 150.f, 89.5f, 1},
                                           std::tuple{10.f, 150.5f, 90.f, 1}, std::tuple{4.f, 200.f, 96.f, 1}));

// Head-on into the east wall stops the car at speed 1; only the wall step's own mark is
// cleared, never a finish or a wreck.
TEST(Walls, StraightIntoWallEndsFrameAtSpeedOne) {
    for (auto [before, after] : {std::pair{StatusAtWall, StatusRacing},
                                 std::pair{StatusFinished, StatusFinished},
                                 std::pair{StatusOut, StatusOut}}) {
        CarRecord& c = AtWall(5, 180, 100, 5, 9, 0, 100);
        c.Status = before;
        CheckWalls();
        EXPECT_EQ(c.Speed, 1);
        EXPECT_EQ(c.Status, after) << "status before " << static_cast<int>(before);
    }
}

// Type, tile position, heading frame, velocity, and the frame the wall leaves it on.
class WallTurn : public ::testing::TestWithParam<std::tuple<int, f32, f32, int, f32, f32, int>> {};
TEST_P(WallTurn, TurnsTheCarOneFrameAlongTheWall) {
    auto [type, x, y, frame, vx, vy, endFrame] = GetParam();
    CarRecord& c = AtWall(static_cast<i16>(type), x, y, frame, vx, vy, 100);
    CheckWalls();
    EXPECT_EQ(c.Heading, endFrame * 50);
}
INSTANTIATE_TEST_SUITE_P(Walls, WallTurn,
                         ::testing::Values(std::tuple{5, 10.f, 100.f, 19, -1.f, -5.f, 0},   // West, wraps
                                           std::tuple{5, 180.f, 100.f, 5, 9.f, -2.f, 4},    // East head-on
                                           std::tuple{1, 100.f, 10.f, 2, 4.f, -6.f, 3},     // North
                                           std::tuple{1, 100.f, 180.f, 10, -1.f, 9.f, 9}));  // South head-on

// Moving away; on the zone's edge; a corner post's open end; a corner's open side.
class WallMiss : public ::testing::TestWithParam<std::tuple<int, f32, f32, f32, f32>> {};
TEST_P(WallMiss, LeavesTheCarAlone) {
    auto [type, x, y, vx, vy] = GetParam();
    CarRecord& c = AtWall(static_cast<i16>(type), x, y, 7, vx, vy, 100);
    CheckWalls();
    EXPECT_EQ(c.Speed, 100);
}
INSTANTIATE_TEST_SUITE_P(Walls, WallMiss,
                         ::testing::Values(std::tuple{5, 180.f, 100.f, -5.f, 3.f}, std::tuple{5, 170.f, 100.f, 5.f, 3.f},
                                           std::tuple{7, 180.f, 100.f, 5.f, 3.f}, std::tuple{12, 100.f, 180.f, 0.f, 5.f}));

// Inside the west wall's zone but running along it, north or south: no hit, no slowing.
TEST(Walls, RunningAlongAWallInsideItsZoneIsNoHit) {
    for (int frame : {0, 10}) {
        CarRecord& c = AtWall(5, 10, 100, frame, 0, frame ? 9.f : -9.f, 100);
        CheckWalls();
        EXPECT_EQ(c.Speed, 100) << "frame " << frame;
        EXPECT_EQ(c.VelY, frame ? 9.f : -9.f);
        EXPECT_EQ(c.Body, 100);
        EXPECT_EQ(c.Heading, frame * 50);
    }
}

}  // namespace
