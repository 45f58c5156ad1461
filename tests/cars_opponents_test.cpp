// The computer drivers on small hand-made tile maps.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "cars/cars.h"
#include "course/course.h"
#include "race/race.h"

namespace {

constexpr std::uint64_t Seed = 7;

// Car 1 alone at (5, 5) with the grid's driving fields, on an empty map.
CarRecord& Driver(int frame, f32 speed) {
    Course = CourseMap{};
    LastCarIndex = 1;
    for (int i = 0; i <= 1; ++i) {
        CarRecord c;
        c.SpriteWidth = 80;
        c.SpriteHeight = 50;
        c.TopSpeed = 250;
        c.Accel = 2.8f;
        c.Tyres = c.TyresMax = 70;
        c.Body = c.BodyMax = 100;
        c.Engine = c.EngineMax = 100;
        c.AiTarget = 200;
        c.AiMode = 1;
        c.Steer = 2;
        c.SteerCount = 100;
        c.Pedal = 3;  // cruise at 0: a car nobody drives stays put
        c.TileCol = c.TileRow = 5;
        c.TileX = c.TileY = 100;
        Cars[i] = c;
    }
    CarRecord& c = Cars[1];
    c.Heading = static_cast<i16>(frame * 50);
    c.Speed = speed;
    c.VelX = speed * HeadingVelocity[frame].X;
    c.VelY = speed * HeadingVelocity[frame].Y;
    return c;
}

void Tile(int col, int row, i16 type) { Course.TileMap[col][row] = type; }

// The turn margin the driver will draw first after Randomize(Seed).
int MarginAfterSeed(f32 speed, f32 tyres) {
    Randomize(Seed);
    double draw = Int(Rnd() * 25);
    return std::abs(CInt((200 - speed / 2 + tyres / 4) - draw));
}

TEST(Opponents, StartsTurningOnePixelPastTheMargin) {
    int margin = MarginAfterSeed(100, 70);
    for (int past : {0, 1}) {
        CarRecord& c = Driver(5, 100);  // east along an east-west straight
        c.AiMode = 2;
        Tile(5, 5, 1);
        Tile(6, 5, 12);  // corner ahead turns south: a right turn
        c.TileX = static_cast<f32>(margin + past);
        Randomize(Seed);
        DriveOpponent(1);
        EXPECT_EQ(c.Steer, past ? 0 : 2) << "TileX " << c.TileX;
    }
}

struct LookAheadCase {
    const char* Name;
    int Frame;            // heading (and direction of travel)
    i16 OwnTile, NextTile;
    int NextCol, NextRow;
    f32 TileX, TileY;     // well past any margin
    int Steer;
};
class CornerAhead : public ::testing::TestWithParam<LookAheadCase> {};

TEST_P(CornerAhead, TurnsInFromTheRightLaneOnly) {
    const LookAheadCase& p = GetParam();
    CarRecord& c = Driver(p.Frame, 100);
    c.AiMode = HeadingClass(1);
    c.Steer = 3;  // no steer at all, so any write shows
    Tile(5, 5, p.OwnTile);
    Tile(p.NextCol, p.NextRow, p.NextTile);
    c.TileX = p.TileX;
    c.TileY = p.TileY;
    Randomize(Seed);
    DriveOpponent(1);
    EXPECT_EQ(c.Steer, p.Steer);
}

INSTANTIATE_TEST_SUITE_P(
    Opponents, CornerAhead,
    ::testing::Values(
        LookAheadCase{"EastIntoSouthTurn", 5, 1, 12, 6, 5, 199, 100, 0},
        LookAheadCase{"EastIntoNorthTurn", 5, 1, 15, 6, 5, 199, 100, 1},
        LookAheadCase{"EastOnTheOuterEdgeKeepsItsLane", 5, 1, 12, 6, 5, 199, 150, 2},
        LookAheadCase{"WestIntoSouthTurn", 15, 1, 7, 4, 5, 2, 100, 1},
        LookAheadCase{"WestIntoNorthTurn", 15, 1, 14, 4, 5, 2, 100, 0},
        LookAheadCase{"WestOnTheOuterEdgeKeepsItsLane", 15, 1, 14, 4, 5, 2, 50, 2},
        LookAheadCase{"NorthIntoEastTurn", 0, 5, 7, 5, 4, 100, 2, 0},
        LookAheadCase{"NorthIntoWestTurn", 0, 5, 12, 5, 4, 100, 2, 1},
        LookAheadCase{"SouthIntoEastTurn", 10, 5, 14, 5, 6, 100, 199, 1},
        LookAheadCase{"SouthIntoWestTurn", 10, 5, 15, 5, 6, 100, 199, 0},
        LookAheadCase{"SouthOnTheOuterEdgeKeepsItsLane", 10, 5, 15, 5, 6, 50, 199, 2},
        LookAheadCase{"StraightAheadIsJustLaneKeeping", 5, 1, 1, 6, 5, 199, 100, 2},
        LookAheadCase{"JunctionAheadIsJustLaneKeeping", 5, 1, 6, 6, 5, 199, 100, 2}),
    [](const ::testing::TestParamInfo<LookAheadCase>& info) { return std::string(info.param.Name); });

TEST(Opponents, CarAlreadySwingingRoundKeepsItsSteerIntoTheCorner) {
    CarRecord& c = Driver(5, 100);
    c.Heading = 300;  // frame 6: no longer pointing east, though still moving east
    c.Steer = 1;
    c.AiMode = 2;
    Tile(5, 5, 1);
    Tile(6, 5, 12);
    c.TileX = 199;
    Randomize(Seed);
    DriveOpponent(1);
    EXPECT_EQ(c.Steer, 1);  // neither the turn-in nor the lane keeping touched it
}

TEST(Opponents, BlockedCarKeepsItsSteeringBrakesAndDrawsNothing) {
    CarRecord& c = Driver(5, 100);
    c.Blocked = True16;
    c.Steer = 1;
    Tile(5, 5, 1);
    Tile(6, 5, 12);
    c.TileX = 199;
    Randomize(Seed);
    DriveOpponent(1);
    EXPECT_EQ(c.Steer, 1);
    EXPECT_TRUE(IsTrue(c.Brake));
    f32 next = Rnd();
    Randomize(Seed);
    EXPECT_EQ(next, Rnd());  // the race's random stream is untouched
}

// A seed under which a car faster than twice its target considers lifting off.
std::uint64_t SeedThatLiftsOff() {
    for (std::uint64_t seed = 1;; ++seed) {
        Randomize(seed);
        Rnd();  // the turn margin
        bool q1 = Int(Rnd() * 8) == 1;
        bool q2 = Int(Rnd() * 4) == 1;
        bool q3 = Int(Rnd() * 2) == 1;
        if (q1 || q2 || q3) return seed;
    }
}

TEST(Opponents, LiftsOffOnlyWhenACornerIsTwoTilesAhead) {
    std::uint64_t seed = SeedThatLiftsOff();
    for (i16 twoAhead : {i16(7), i16(1)}) {
        CarRecord& c = Driver(15, 250);  // west, 250 against a target of 100
        c.AiTarget = 100;
        c.AiMode = 3;
        c.TileX = 190;
        c.Pedal = 3;
        c.Brake = True16;
        Tile(5, 5, 1);
        Tile(4, 5, 1);
        Tile(3, 5, twoAhead);
        Randomize(seed);
        DriveOpponent(1);
        bool corner = twoAhead == 7;
        EXPECT_EQ(c.Pedal, corner ? 1 : 0);
        EXPECT_EQ(IsTrue(c.Brake), corner);
    }
}

TEST(Opponents, NeverLiftsOffAtHalfItsTargetOrBelow) {
    for (std::uint64_t seed = 1; seed <= 50; ++seed) {
        CarRecord& c = Driver(10, 100);  // south at exactly half of 200
        c.Pedal = 3;
        c.TileY = 10;
        Tile(5, 5, 5);
        Tile(5, 7, 14);
        Randomize(seed);
        DriveOpponent(1);
        EXPECT_FALSE(IsTrue(c.Brake)) << seed;
    }
}

TEST(Opponents, SlowTileMeansBrakesOn) {
    CarRecord& c = Driver(10, 150);
    Tile(5, 5, -2);
    Randomize(Seed);
    DriveOpponent(1);
    EXPECT_TRUE(IsTrue(c.Brake));
}

TEST(Opponents, JunctionKeepsTheLastSteer) {
    CarRecord& c = Driver(10, 150);
    c.Steer = 1;
    Tile(5, 5, 11);
    Randomize(Seed);
    DriveOpponent(1);
    EXPECT_EQ(c.Steer, 1);
}

struct CornerCase {
    const char* Name;
    i16 TileType;
    i16 ModeIn;
    int Frame;
    f32 TileY;
    int Steer;  // 3: unchanged
    i16 ModeOut, TurnOut;
};
class CornerPlan : public ::testing::TestWithParam<CornerCase> {};

TEST_P(CornerPlan, SteersTowardsTheExitAndRemembersTheWayIn) {
    const CornerCase& p = GetParam();
    CarRecord& c = Driver(p.Frame, 100);
    c.Steer = 3;
    c.AiMode = p.ModeIn;
    c.AiTurn = 9;
    c.TileY = p.TileY;
    Tile(5, 5, p.TileType);
    Randomize(Seed);
    DriveOpponent(1);
    EXPECT_EQ(c.Steer, p.Steer);
    EXPECT_EQ(c.AiMode, p.ModeOut);
    EXPECT_EQ(c.AiTurn, p.TurnOut);
}

INSTANTIATE_TEST_SUITE_P(
    Opponents, CornerPlan,
    ::testing::Values(
        // Type 7 is open east and south.
        CornerCase{"NorthIntoSevenTurnsRightForEast", 7, 0, 0, 100, 0, 2, 0},
        CornerCase{"SevenPointingEastHoldsTheMiddle", 7, 0, 5, 100, 2, 2, 0},
        CornerCase{"SevenPointingEastNearTheBottomEdge", 7, 2, 5, 160, 0, 2, 9},
        CornerCase{"SevenPointingEastNearTheTopEdge", 7, 2, 5, 30, 1, 2, 9},
        CornerCase{"WestIntoSevenTurnsLeftForSouth", 7, 3, 15, 100, 1, 1, 3},
        // Type 14 is open north and east.
        CornerCase{"SouthIntoFourteenTurnsLeftForEast", 14, 1, 10, 100, 1, 2, 1},
        CornerCase{"WestIntoFourteenTurnsRightForNorth", 14, 3, 15, 100, 0, 0, 3},
        CornerCase{"FourteenFollowLeavesAWestHeadingAlone", 14, 2, 15, 100, 3, 2, 9},
        // Type 15 is open north and west.
        CornerCase{"EastIntoFifteenTurnsLeftForNorth", 15, 2, 5, 100, 1, 0, 2},
        CornerCase{"SouthIntoFifteenTurnsRightForWest", 15, 1, 10, 100, 0, 3, 1},
        // Type 12 is open west and south.
        CornerCase{"EastIntoTwelveTurnsRightForSouth", 12, 2, 5, 100, 0, 1, 2},
        CornerCase{"NorthIntoTwelveTurnsLeftForWest", 12, 0, 0, 100, 1, 3, 0},
        CornerCase{"TwelvePointingSouthGoesStraight", 12, 1, 10, 100, 2, 1, 9}),
    [](const ::testing::TestParamInfo<CornerCase>& info) { return std::string(info.param.Name); });

struct LaneCase {
    const char* Name;
    i16 TileType;
    i16 Mode;
    int Frame;
    f32 Across;  // TileY on east-west tiles, TileX on north-south ones
    int Steer;
};
class LaneKeeping : public ::testing::TestWithParam<LaneCase> {};

TEST_P(LaneKeeping, SteersBackTowardsTheMiddleOfTheRoad) {
    const LaneCase& p = GetParam();
    CarRecord& c = Driver(p.Frame, 100);
    c.AiMode = p.Mode;
    (p.TileType == 1 ? c.TileY : c.TileX) = p.Across;
    Tile(5, 5, p.TileType);
    Randomize(Seed);
    DriveOpponent(1);
    EXPECT_EQ(c.Steer, p.Steer);
}

INSTANTIATE_TEST_SUITE_P(
    Opponents, LaneKeeping,
    ::testing::Values(LaneCase{"EastNearTheTopEdgeSteersRight", 1, 2, 5, 40, 0},
                      LaneCase{"EastNearTheBottomEdgeSteersLeft", 1, 2, 5, 160, 1},
                      LaneCase{"EastInTheMiddleGoesStraight", 1, 2, 5, 100, 2},
                      LaneCase{"EastboundPointingNorthTurnsRight", 1, 2, 0, 100, 0},
                      LaneCase{"EastboundPointingNorthAtTheEdgeWaits", 1, 2, 0, 160, 2},
                      LaneCase{"EastboundPointingWestTurnsTheShortWay", 1, 2, 15, 120, 0},
                      LaneCase{"WestNearTheTopEdgeSteersLeft", 1, 3, 15, 40, 1},
                      LaneCase{"SouthNearTheLeftEdgeSteersLeft", 5, 1, 10, 40, 1},
                      LaneCase{"NorthNearTheRightEdgeSteersLeft", 5, 0, 0, 160, 1},
                      LaneCase{"NoRuleForAWestPlanOnANorthSouthTile", 5, 3, 0, 40, 2}),
    [](const ::testing::TestParamInfo<LaneCase>& info) { return std::string(info.param.Name); });

// A ring of straights with a corner at each end, anticlockwise on screen:
//   (2,2)=7  1 1 1  (6,2)=12
//     5               5
//   (2,6)=14 1 1 1  (6,6)=15
void RingCourse() {
    Course = CourseMap{};
    Tile(2, 2, 7);
    Tile(6, 2, 12);
    Tile(2, 6, 14);
    Tile(6, 6, 15);
    for (int i = 3; i <= 5; ++i) {
        Tile(i, 2, 1);
        Tile(i, 6, 1);
        Tile(2, i, 5);
        Tile(6, i, 5);
    }
}

void Frame() {
    DriveOpponents();
    DriveAutopilot();
    DriveCars();
    CheckWalls();
    MoveCars();
}

TEST(Opponents, DrivesRoundARingOfCornersWithoutGrindingTheWalls) {
    CarRecord& c = Driver(10, 0);  // on the grid pointing south
    RingCourse();
    c.TileCol = 2;
    c.TileRow = 3;
    Randomize(Seed);
    std::vector<std::pair<int, int>> corners;
    for (int frame = 0; frame < 1500; ++frame) {
        int col = c.TileCol, row = c.TileRow;
        Frame();
        bool entered = c.TileCol != col || c.TileRow != row;
        if (entered && (c.TileCol == 2 || c.TileCol == 6) && (c.TileRow == 2 || c.TileRow == 6))
            corners.emplace_back(c.TileCol, c.TileRow);
        ASSERT_NE(TileType(c.TileCol, c.TileRow), 0) << "left the road on frame " << frame;
    }
    const std::vector<std::pair<int, int>> lap = {{2, 6}, {6, 6}, {6, 2}, {2, 2}};
    ASSERT_GE(corners.size(), 8u);
    for (std::size_t i = 0; i < corners.size(); ++i) EXPECT_EQ(corners[i], lap[i % 4]) << i;
    EXPECT_GT(c.Body, 90);
}

TEST(Opponents, AutopilotDrivesThePlayerByTheSameRules) {
    Driver(10, 0);
    RingCourse();
    Cars[0].Heading = 500;
    Cars[0].TileCol = 2;
    Cars[0].TileRow = 3;
    Cars[0].AiTarget = 0;  // not prepared by a set-up
    Cars[0].AiMode = 0;
    Cars[0].Pedal = 3;
    LastCarIndex = 0;
    AutopilotEnabled = true;
    Randomize(Seed);
    bool roundTheFirstCorner = false;
    for (int frame = 0; frame < 300; ++frame) {
        Frame();
        if (Cars[0].TileRow == 6 && Cars[0].TileCol == 3) roundTheFirstCorner = true;
    }
    AutopilotEnabled = false;
    EXPECT_EQ(Cars[0].AiTarget, 200);
    EXPECT_TRUE(roundTheFirstCorner);
}

}  // namespace
