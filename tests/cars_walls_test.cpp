// Walls: the one-sided checks per tile type, impacts, turning along the wall.
#include <gtest/gtest.h>

#include <memory>

#include "cars/cars.h"
#include "course/course.h"
#include "sound/sound.h"
#include "test_support.h"

namespace {

SilentSoundBuffer* Crash(int car) { return static_cast<SilentSoundBuffer*>(CrashSounds[car].get()); }

// Car 1 alone on tile (5, 5) of the given type, 100 pixels right of the player.
CarRecord& PlaceCar(i16 tileType, f32 tileX, f32 tileY, int frame, f32 velX, f32 velY, f32 speed) {
    Course = CourseMap{};
    Course.TileMap[5][5] = tileType;
    LastCarIndex = 1;
    for (int i = 0; i <= 1; ++i) {
        CarRecord c;
        c.SpriteWidth = 80;
        c.SpriteHeight = 50;
        c.Body = c.BodyMax = 100;
        c.Engine = c.EngineMax = 100;
        c.Tyres = 70;
        c.TileCol = c.TileRow = 5;
        c.TileX = c.TileY = 100;
        c.ScreenX = c.ScreenY = 200;
        Cars[i] = c;
        CrashSounds[i] = std::make_unique<SilentSoundBuffer>();
    }
    CarRecord& c = Cars[1];
    c.TileX = tileX;
    c.TileY = tileY;
    c.Heading = static_cast<i16>(frame * 50);
    c.VelX = velX;
    c.VelY = velY;
    c.Speed = speed;
    c.ScreenX = 300;
    return c;
}

struct ImpactCase {
    f32 VelX;
    f32 Speed;
    f32 Body;
    int Crashes;
};
class WallImpact : public ::testing::TestWithParam<ImpactCase> {};

TEST_P(WallImpact, OnlyHardOrFastImpactsDamage) {
    const ImpactCase& p = GetParam();
    CarRecord& c = PlaceCar(5, 180, 100, 6, p.VelX, 5, p.Speed);
    CheckWalls();
    EXPECT_FLOAT_EQ(c.Body, p.Body);
    EXPECT_EQ(Crash(1)->PlayCount, p.Crashes);
    if (p.Crashes) EXPECT_EQ(Crash(1)->Volume, -200);  // 2 x 100 pixels from the player
    EXPECT_EQ(c.VelX, 0);
    EXPECT_FLOAT_EQ(c.Speed, p.Speed - 50);  // every frame at the wall costs 50
}

INSTANTIATE_TEST_SUITE_P(
    Walls, WallImpact,
    ::testing::Values(ImpactCase{10, 150, 100, 0},        // exactly 10 at exactly 150: a scrape
                      ImpactCase{10.5f, 150, 89.5f, 1},   // damage 21, half off the body
                      ImpactCase{10, 150.5f, 90, 1},      // fast: damage 20
                      ImpactCase{4, 200, 96, 1}));        // fast, gentle angle: damage 8

TEST(Walls, StraightIntoWallEndsFrameAtSpeedOne) {
    CarRecord& c = PlaceCar(5, 180, 100, 5, 9, 0, 100);
    c.Status = StatusFinished;
    CheckWalls();
    EXPECT_EQ(c.Speed, 1);
    EXPECT_EQ(c.Status, StatusRacing);
    EXPECT_EQ(c.Heading, 250);
}

TEST(Walls, WestWallStopsACarWithoutTouchingItsStatus) {
    // 30 - 50 is below 0: speed 1, but only the East, North and South walls reset Status.
    CarRecord& c = PlaceCar(5, 10, 100, 17, -2, -1, 30);
    c.Status = StatusFinished;
    CheckWalls();
    EXPECT_EQ(c.Speed, 1);
    EXPECT_EQ(c.Status, StatusFinished);

    CarRecord& d = PlaceCar(5, 180, 100, 7, 2, 1, 30);
    d.Status = StatusFinished;
    CheckWalls();
    EXPECT_EQ(d.Speed, 1);
    EXPECT_EQ(d.Status, StatusRacing);
}

struct TurnCase {
    const char* Name;
    i16 TileType;
    f32 TileX, TileY;
    int Frame;
    f32 VelX, VelY;
    int EndFrame;
};
class WallTurn : public ::testing::TestWithParam<TurnCase> {};

TEST_P(WallTurn, TurnsTheCarOneFrameTowardsTheWallsDirection) {
    const TurnCase& p = GetParam();
    CarRecord& c = PlaceCar(p.TileType, p.TileX, p.TileY, p.Frame, p.VelX, p.VelY, 100);
    CheckWalls();
    EXPECT_EQ(c.Heading, p.EndFrame * 50);
    EXPECT_EQ(c.Speed, 50);
}

INSTANTIATE_TEST_SUITE_P(
    Walls, WallTurn,
    ::testing::Values(TurnCase{"WestClockwise", 5, 10, 100, 17, -5, -2, 18},
                      TurnCase{"WestWrapsTo0", 5, 10, 100, 19, -1, -5, 0},
                      TurnCase{"WestAnticlockwise", 5, 10, 100, 12, -5, 2, 11},
                      TurnCase{"WestHeadOnDriftingSouth", 5, 10, 100, 15, -9, 2, 16},
                      TurnCase{"EastClockwise", 5, 180, 100, 7, 5, 3, 8},
                      TurnCase{"EastAnticlockwise", 5, 180, 100, 3, 5, -3, 2},
                      TurnCase{"EastHeadOnDriftingNorth", 5, 180, 100, 5, 9, -2, 4},
                      TurnCase{"NorthClockwise", 1, 100, 10, 2, 4, -6, 3},
                      TurnCase{"NorthAnticlockwise", 1, 100, 10, 18, -4, -6, 17},
                      TurnCase{"NorthHeadOnDriftingEast", 1, 100, 10, 0, 1, -9, 1},
                      TurnCase{"SouthClockwise", 1, 100, 180, 12, -4, 6, 13},
                      TurnCase{"SouthAnticlockwise", 1, 100, 180, 8, 4, 6, 7},
                      TurnCase{"SouthHeadOnDriftingWest", 1, 100, 180, 10, -1, 9, 9}),
    [](const ::testing::TestParamInfo<TurnCase>& info) { return std::string(info.param.Name); });

struct MissCase {
    const char* Name;
    i16 TileType;
    f32 TileX, TileY;
    f32 VelX, VelY;
};
class WallMiss : public ::testing::TestWithParam<MissCase> {};

TEST_P(WallMiss, LeavesTheCarAlone) {
    const MissCase& p = GetParam();
    CarRecord& c = PlaceCar(p.TileType, p.TileX, p.TileY, 7, p.VelX, p.VelY, 100);
    CheckWalls();
    EXPECT_EQ(c.Speed, 100);
    EXPECT_EQ(c.VelX, p.VelX);
    EXPECT_EQ(c.VelY, p.VelY);
}

INSTANTIATE_TEST_SUITE_P(
    Walls, WallMiss,
    ::testing::Values(MissCase{"MovingAwayFromTheWall", 5, 180, 100, -5, 3},
                      MissCase{"EdgeOfTheZone", 5, 170, 100, 5, 3},
                      MissCase{"CornerPostOnlyAtTheFarEnd", 7, 180, 100, 5, 3},
                      MissCase{"OpenSideOfACorner", 12, 100, 180, 0, 5},
                      MissCase{"NoWallsOnAStartTile", 2, 180, 180, 5, 5}),
    [](const ::testing::TestParamInfo<MissCase>& info) { return std::string(info.param.Name); });

TEST(Walls, CornerPostStopsACarNearTheEnd) {
    CarRecord& c = PlaceCar(7, 180, 180, 7, 5, 3, 100);  // type 7: East only below 170
    CheckWalls();
    EXPECT_EQ(c.VelX, 0);
    EXPECT_EQ(c.Speed, 50);
}

TEST(Walls, ReverseGearTurnsTheWallAround) {
    // Velocity west, but in Reverse the car moves east into the East wall.
    CarRecord& c = PlaceCar(5, 180, 100, 7, -5, 3, 100);
    c.Gear = 1;
    CheckWalls();
    EXPECT_EQ(DirSign[1], -1);
    EXPECT_EQ(c.VelX, 0);
}

}  // namespace
