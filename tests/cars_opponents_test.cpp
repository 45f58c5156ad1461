// The computer drivers on small hand-made tile maps.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

#include "cars_test_grid.h"

namespace {

constexpr std::uint64_t Seed = 7;

void Tile(int col, int row, int type) { Course.TileMap[col][row] = static_cast<i16>(type); }

CarRecord& Driver(int frame, f32 speed) {
    ResetGrid(1);
    return Aim(1, frame, speed);
}

TEST(Opponents, StartsTurningOnePixelPastTheMargin) {
    Randomize(Seed);
    int margin = std::abs(CInt(167.5 - Int(Rnd() * 25)));  // 200 - 100/2 + 70/4 - Int(Rnd x 25)
    for (int past : {0, 1}) {
        CarRecord& c = Driver(5, 100);
        c.AiMode = 2, c.TileX = static_cast<f32>(margin + past);
        Tile(5, 5, 1), Tile(6, 5, 12);  // east, towards a right turn
        Randomize(Seed);
        DriveOpponent(1);
        EXPECT_EQ(c.Steer, past ? 0 : 2) << "TileX " << c.TileX;
    }
}

// Heading frame, own and next tile types, the next tile, the car's position, its steer.
class CornerAhead : public ::testing::TestWithParam<std::tuple<int, int, int, int, int, f32, f32, int>> {};
TEST_P(CornerAhead, TurnsInFromTheInsideLaneOnly) {
    auto [frame, own, next, col, row, x, y, steer] = GetParam();
    CarRecord& c = Driver(frame, 100);
    c.AiMode = HeadingClass(1), c.TileX = x, c.TileY = y;
    Tile(5, 5, own), Tile(col, row, next);
    DriveOpponent(1);
    EXPECT_EQ(c.Steer, steer);
}
INSTANTIATE_TEST_SUITE_P(Opponents, CornerAhead,
                         ::testing::Values(std::tuple{15, 1, 14, 4, 5, 2.f, 100.f, 0},     // west, turns north
                                           std::tuple{0, 5, 7, 5, 4, 100.f, 2.f, 0},       // north, turns east
                                           std::tuple{10, 5, 15, 5, 6, 100.f, 199.f, 0},   // south, turns west
                                           std::tuple{5, 1, 12, 6, 5, 199.f, 150.f, 2},    // outside lane
                                           std::tuple{5, 1, 6, 6, 5, 199.f, 100.f, 2}));   // junction

TEST(Opponents, BlockedCarKeepsItsSteeringBrakesAndDrawsNothing) {
    CarRecord& c = Driver(5, 100);
    c.Blocked = True16, c.Steer = 1, c.TileX = 199;
    Tile(5, 5, 1), Tile(6, 5, 12);
    Randomize(Seed);
    DriveOpponent(1);
    EXPECT_EQ(c.Steer, 1);
    EXPECT_TRUE(IsTrue(c.Brake));
    f32 next = Rnd();
    Randomize(Seed);
    EXPECT_EQ(next, Rnd());
}

TEST(Opponents, LiftsOffOnlyForACornerTwoTilesAheadAndNeverAtHalfItsTarget) {
    std::uint64_t seed = 1;  // one under which a lift-off draw (after the margin's) comes up
    for (;; ++seed) {
        Randomize(seed);
        Rnd();
        if (Int(Rnd() * 8) == 1 || Int(Rnd() * 4) == 1 || Int(Rnd() * 2) == 1) break;
    }
    for (int twoAhead : {7, 1}) {
        CarRecord& c = Driver(15, 250);  // west at 250 against a target of 100
        c.AiTarget = 100, c.AiMode = 3, c.TileX = 190, c.Brake = True16;
        Tile(5, 5, 1), Tile(4, 5, 1), Tile(3, 5, twoAhead);
        Randomize(seed);
        DriveOpponent(1);
        EXPECT_EQ(c.Pedal, twoAhead == 7 ? 1 : 0);
        EXPECT_EQ(IsTrue(c.Brake), twoAhead == 7);
    }
    for (seed = 1; seed <= 50; ++seed) {
        CarRecord& c = Driver(10, 100);  // exactly half of 200
        Tile(5, 5, 5), Tile(5, 7, 14);
        Randomize(seed);
        DriveOpponent(1);
        EXPECT_FALSE(IsTrue(c.Brake)) << seed;
    }
    Driver(10, 150);
    Tile(5, 5, -2);  // the slow-down tile
    DriveOpponent(1);
    EXPECT_TRUE(IsTrue(Cars[1].Brake));
}

// Corner type, AiMode before, heading frame, TileY; Steer (3: untouched), AiMode, AiTurn after.
class CornerPlan : public ::testing::TestWithParam<std::tuple<int, int, int, f32, int, int, int>> {};
TEST_P(CornerPlan, SteersTowardsTheExitAndRemembersTheWayIn) {
    auto [type, mode, frame, y, steer, modeOut, turnOut] = GetParam();
    CarRecord& c = Driver(frame, 100);
    c.Steer = 3, c.AiMode = static_cast<i16>(mode), c.AiTurn = 9, c.TileY = y;
    Tile(5, 5, type);
    DriveOpponent(1);
    EXPECT_EQ(c.Steer, steer);
    EXPECT_EQ(c.AiMode, modeOut);
    EXPECT_EQ(c.AiTurn, turnOut);
}
INSTANTIATE_TEST_SUITE_P(Opponents, CornerPlan,
                         ::testing::Values(std::tuple{7, 0, 0, 100.f, 0, 2, 0},     // north in, right for east
                                           std::tuple{7, 2, 5, 160.f, 0, 2, 9},     // pointing east, low
                                           std::tuple{14, 3, 15, 100.f, 0, 0, 3},   // west in, right for north
                                           std::tuple{14, 2, 15, 100.f, 3, 2, 9},   // west heading left alone
                                           std::tuple{15, 1, 10, 100.f, 0, 3, 1},   // south in, right for west
                                           std::tuple{12, 2, 5, 100.f, 0, 1, 2}));  // east in, right for south

TEST(Opponents, OnJunctionsAndStartTilesPointsBackAlongItsWay) {
    // Travelling south (frame 10): from frame 9 steer right, from 11 left, at 10 straight,
    // but near the west edge (TileX 40) left, away from the corner posts.
    for (auto [frame, x, steer] : {std::tuple{9, 100.f, 0}, {11, 100.f, 1}, {10, 100.f, 2}, {10, 40.f, 1}}) {
        for (int type : {11, 18}) {
            CarRecord& c = Driver(frame, 150);
            c.Steer = 3, c.TileX = x;
            Tile(5, 5, type);
            DriveOpponent(1);
            EXPECT_EQ(c.Steer, steer) << "frame " << frame << " tile " << type;
        }
    }
}

TEST(Opponents, DriverAndAutopilotCornerRoundARingWithoutGrindingTheWalls) {
    // Anticlockwise: corners 7 and 12 on row 2, 14 and 15 on row 6, straights between.
    ResetGrid(1);
    Tile(2, 2, 7), Tile(6, 2, 12), Tile(2, 6, 14), Tile(6, 6, 15);
    for (int i = 3; i <= 5; ++i) Tile(i, 2, 1), Tile(i, 6, 1), Tile(2, i, 5), Tile(6, i, 5);
    Cars[0].TileCol = Cars[1].TileCol = 2, Cars[0].TileRow = 3, Cars[1].TileRow = 4;
    Cars[1].ScreenY += 200;
    Cars[0].AiTarget = 0;  // the autopilot prepares itself
    AutopilotEnabled = true;
    Randomize(Seed);
    const std::vector<std::pair<int, int>> lap = {{2, 6}, {6, 6}, {6, 2}, {2, 2}};
    std::vector<std::pair<int, int>> corners[2];
    for (int frame = 0; frame < 1500; ++frame) {
        std::pair<int, int> was[2] = {{Cars[0].TileCol, Cars[0].TileRow}, {Cars[1].TileCol, Cars[1].TileRow}};
        DriveOpponents(), DriveAutopilot(), DriveCars(), CheckWalls(), MoveCars();
        for (int i = 0; i < 2; ++i) {
            std::pair<int, int> now = {Cars[i].TileCol, Cars[i].TileRow};
            if (now != was[i] && (now.first == 2 || now.first == 6) && (now.second == 2 || now.second == 6))
                corners[i].push_back(now);
        }
    }
    AutopilotEnabled = false;
    for (int i = 0; i < 2; ++i) {
        ASSERT_GE(corners[i].size(), 8u) << "car " << i;
        for (std::size_t k = 0; k < corners[i].size(); ++k) EXPECT_EQ(corners[i][k], lap[k % 4]);
        EXPECT_GT(Cars[i].Body, 90);
    }
}

}  // namespace

namespace {

// The lift-off rule draws its three numbers whatever the speed, so a slow car and a fast
// one leave the random stream at the same place.
TEST(Opponents, LiftOffDrawsAllThreeNumbersAtAnySpeed) {
    std::vector<double> next;
    for (f32 speed : {30.f, 150.f, 250.f, 500.f}) {  // below half, half, above, twice AiTarget
        Driver(5, speed);
        Randomize(Seed);
        DriveOpponent(1);
        next.push_back(Rnd());
    }
    for (double n : next) EXPECT_EQ(n, next[0]);
    Randomize(Seed);
    for (int draw = 0; draw < 4; ++draw) Rnd();  // the margin's draw and the three
    EXPECT_EQ(next[0], Rnd());
}

}  // namespace
