// The car rules on an empty or small hand-made map: motion, walls, damage and contacts,
// the car sounds, and the computer drivers. Whole races over the real courses are pinned
// by the course sweep and the committed traces; these pin the rules' limits one by one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "cars_test_grid.h"

namespace {

CarRecord& car = Cars[0];

// ---------------------------------------------------------------------------------
// Motion

// Top speed, engine, the speed held: 75 x 2.8; snapped onto a limit of 180;
// Speed/75 = 2.8 - 0.8 + 1; a limit of 200 - 20.
TEST(Motion, ThrottleTendsToSeventyFiveTimesAccelOrTheDriveLimit) {
    for (auto [top, engine, held] : {std::tuple{250, 100.f, 210.f}, {180, 100.f, 180.f}, {250, 80.f, 225.f},
                                     {200, 80.f, 180.f}}) {
        ResetGrid(0);
        car.Pedal = 0, car.TopSpeed = static_cast<i16>(top), car.Engine = engine;
        DriveCars();  // standing, it leaps to 50 + 2.8 - 50/75 - 100/100 + 1 at full engine
        if (engine == 100) { EXPECT_NEAR(car.Speed, 52.1333f, 1e-4); }
        for (int frame = 1; frame < 3000; ++frame) DriveCars();
        EXPECT_NEAR(car.Speed, held, 0.01) << top << ", " << engine;
    }
}

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
    // The crank wraps the heading round north both ways: 19 -> 0 clockwise, 0 -> 19 back.
    for (auto [from, steer, to] : {std::tuple{19, SteerRight, 0}, {0, SteerLeft, 19}, {18, SteerRight, 19}}) {
        ResetGrid(0);
        Aim(0, from, 100).Steer = steer;
        car.SteerCount = 2;  // the third frame of the crank turns
        DriveCars();
        EXPECT_EQ(car.Heading, to * 50) << "from frame " << from;
    }
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

// 100.5 goes to 200.5 and straight back, so a car resting on an edge stays in one tile.
TEST(Motion, CrossingATileEdgeMovesToTheNextTileAndReverseMovesAgainstTheVelocity) {
    for (auto [start, vel, endX, endCol] : {std::tuple{101.f, -100.f, 1.f, 5}, {100.5f, -100.f, 0.5f, 5},
                                            {99.5f, -100.f, 199.5f, 4}, {100.f, 100.f, 200.f, 5},
                                            {100.5f, 100.f, 0.5f, 6}}) {
        ResetGrid(1);
        Cars[1].TileX = start, Cars[1].VelX = vel;
        MoveCars();
        EXPECT_FLOAT_EQ(Cars[1].TileX, endX) << start << " + " << vel;
        EXPECT_EQ(Cars[1].TileCol, endCol) << start << " + " << vel;
    }
    ResetGrid(2);
    Cars[1].Gear = 1, Cars[1].VelY = -9;  // pointing north, moving south
    Cars[2].Gear = 2;                     // park
    Aim(2, 5, 50);
    MoveCars();
    EXPECT_EQ(Cars[1].ScreenY, 209);
    EXPECT_EQ(Cars[1].TileY, 109);
    EXPECT_EQ(Cars[2].Speed, 0);
    EXPECT_EQ(Cars[2].ScreenX, 200);
}

// ---------------------------------------------------------------------------------
// Walls

// Car 1 on tile (5, 5) of the given type, 100 pixels right of the player.
CarRecord& AtWall(int type, f32 tileX, f32 tileY, int frame, f32 velX, f32 velY, f32 speed) {
    ResetGrid(1);
    Course.TileMap[5][5] = static_cast<i16>(type);
    CarRecord& c = Cars[1];
    c.TileX = tileX, c.TileY = tileY, c.Heading = static_cast<i16>(frame * 50);
    c.VelX = velX, c.VelY = velY, c.Speed = speed, c.ScreenX = 300;
    return c;
}

// VelX into the east wall, speed; body after, crash sounds. Exactly 10 at exactly 150 does
// no harm; 10.5 (damage 21); 150.5 (damage 20); fast but glancing (8).
TEST(Walls, OnlyHardOrFastImpactsDamageButEveryFrameCosts50) {
    for (auto [velX, speed, body, crashes] : {std::tuple{10.f, 150.f, 100.f, 0}, {10.5f, 150.f, 89.5f, 1},
                                              {10.f, 150.5f, 90.f, 1}, {4.f, 200.f, 96.f, 1}}) {
        CarRecord& c = AtWall(5, 180, 100, 6, velX, 5, speed);
        CheckWalls();
        EXPECT_FLOAT_EQ(c.Body, body) << velX << ", " << speed;
        EXPECT_EQ(Silent(CrashSounds, 1)->PlayCount, crashes);
        if (crashes) { EXPECT_EQ(Silent(CrashSounds, 1)->Volume, -200); }  // 2 x 100 pixels away
        EXPECT_EQ(c.VelX, 0);
        EXPECT_FLOAT_EQ(c.Speed, speed - 50);
    }
    // Head-on stops the car at speed 1; only the wall step's own mark is cleared, never
    // a finish or a wreck.
    for (auto [before, after] : {std::pair{StatusAtWall, StatusRacing}, {StatusFinished, StatusFinished},
                                 {StatusOut, StatusOut}}) {
        CarRecord& c = AtWall(5, 180, 100, 5, 9, 0, 100);
        c.Status = before;
        CheckWalls();
        EXPECT_EQ(c.Speed, 1);
        EXPECT_EQ(c.Status, after) << "status before " << static_cast<int>(before);
    }
}

// Type, tile position, heading frame, velocity; the frame the wall leaves the car on
// (-1: no hit at all, speed and heading kept).
class Wall : public ::testing::TestWithParam<std::tuple<int, f32, f32, int, f32, f32, int>> {};
TEST_P(Wall, TurnsTheCarOneFrameAlongItOrLeavesItAlone) {
    auto [type, x, y, frame, vx, vy, endFrame] = GetParam();
    CarRecord& c = AtWall(type, x, y, frame, vx, vy, 100);
    CheckWalls();
    EXPECT_EQ(c.Heading, (endFrame < 0 ? frame : endFrame) * 50);
    if (endFrame < 0) { EXPECT_EQ(c.Speed + c.Body, 200); }
}
INSTANTIATE_TEST_SUITE_P(Walls, Wall,
                         ::testing::Values(std::tuple{5, 10.f, 100.f, 19, -1.f, -5.f, 0},    // west, wraps
                                           std::tuple{5, 180.f, 100.f, 5, 9.f, -2.f, 4},     // east head-on
                                           std::tuple{1, 100.f, 10.f, 2, 4.f, -6.f, 3},      // north
                                           std::tuple{1, 100.f, 180.f, 10, -1.f, 9.f, 9},    // south head-on
                                           std::tuple{5, 180.f, 100.f, 7, -5.f, 3.f, -1},    // moving away
                                           std::tuple{5, 170.f, 100.f, 7, 5.f, 3.f, -1},     // zone's edge
                                           std::tuple{7, 180.f, 100.f, 7, 5.f, 3.f, -1},     // post's open end
                                           std::tuple{12, 100.f, 180.f, 7, 0.f, 5.f, -1},    // corner's open side
                                           std::tuple{5, 10.f, 100.f, 0, 0.f, -9.f, -1},     // along the west
                                           std::tuple{5, 10.f, 100.f, 10, 0.f, 9.f, -1}));   // wall, both ways

// ---------------------------------------------------------------------------------
// Damage

// Body, engine, amount; body and engine after. Nothing happens on 0; exactly 50 left stays
// on the body; below, the engine shares it; the engine floors at 1; below 0 it explodes.
class DamageSplit : public ::testing::TestWithParam<std::tuple<f32, f32, f32, f32, f32>> {};
TEST_P(DamageSplit, BodyTakesHalfUntilItWouldFallBelow50) {
    auto [body, engine, amount, bodyAfter, engineAfter] = GetParam();
    ResetGrid(1);
    Cars[1].Body = body, Cars[1].Engine = engine;
    ApplyDamage(amount, 1);
    EXPECT_FLOAT_EQ(Cars[1].Body, bodyAfter);
    EXPECT_FLOAT_EQ(Cars[1].Engine, engineAfter);
    EXPECT_EQ(Cars[1].FxState == FxExploding, bodyAfter < 0);
}
INSTANTIATE_TEST_SUITE_P(Damage, DamageSplit,
                         ::testing::Values(std::tuple{70.f, 100.f, 0.f, 70.f, 100.f},
                                           std::tuple{70.f, 100.f, 20.f, 60.f, 100.f},
                                           std::tuple{60.f, 100.f, 20.f, 60 - 20 / 1.5f, 90.f},
                                           std::tuple{40.f, 5.f, 30.f, 20.f, 1.f},
                                           std::tuple{10.f, 100.f, 60.f, -30.f, 70.f}));

// Tyres 30.5 wear 4: 29.5, then 0.4 more; 26 wears below 25; 24 is out even wearing nothing.
TEST(Damage, BaldTyresWearFasterAndWreckBelow25) {
    for (auto [tyres, amount, after, wrecked] : {std::tuple{30.5f, 4, 29.1f, false}, {26.f, 4, 24.6f, true},
                                                 {24.f, 0, 24.f, true}}) {
        ResetGrid(2);
        Cars[2].Tyres = tyres;
        TyreWear(static_cast<i16>(amount), 2);
        EXPECT_FLOAT_EQ(Cars[2].Tyres, after) << tyres;
        EXPECT_EQ(Cars[2].FxState == FxExploding, wrecked) << tyres;
    }
}

TEST(Damage, EngineNoteFollowsTheSpeedWrecksExplodeOnceAndThePlayersEndsTheRace) {
    ResetGrid(2);
    Cars[0].Speed = 100;
    CarSounds(0);
    EXPECT_EQ(Silent(EngineSounds, 0)->Position, 42000);  // 100 x 420
    EXPECT_EQ(Silent(EngineSounds, 0)->Volume, -300);
    PlayerWreck();
    EXPECT_EQ(Silent(EngineSounds, 0)->StopCount, 1);
    EXPECT_EQ(Race.Outcome, Outcome::Running);
    PlayerWreck();  // a silent buffer is never playing: the explosion is over
    EXPECT_EQ(Race.Outcome, Outcome::Abandoned);
    EXPECT_EQ(Silent(ExplosionSounds, 0)->PlayCount, 1);
    Cars[1].ScreenX = 350;
    OpponentWreck(1), OpponentWreck(1);
    EXPECT_EQ(Silent(ExplosionSounds, 1)->PlayCount, 1);
    EXPECT_EQ(Silent(ExplosionSounds, 1)->Volume, -150);  // 1.5 x 100 pixels away
    Cars[2].Status = StatusOut;
    OpponentWreck(2);
    EXPECT_EQ(Cars[2].FxState, 0);
    EXPECT_DEATH(ApplyDamage(-1, 1), "negative damage");  // a slip in the rules, never a game state
}

// Car 1 ten pixels behind car 2 (standing, speed 30) at velA, perhaps burning: both bodies
// after, car 1's velocity after, whether both skid. Cars touch only when closing.
class Contact : public ::testing::TestWithParam<std::tuple<f32, f32, bool, f32, f32, f32, bool>> {};
TEST_P(Contact, GentleOnlyWhenSlowAndCloseInSpeedAndBurningCarsTakeNoMore) {
    auto [speedA, velA, burning, bodyA, bodyB, velAfter, skids] = GetParam();
    ResetGrid(2);
    Cars[2].ScreenX = 210, Cars[2].Speed = 30;
    Cars[1].Speed = speedA, Cars[1].VelX = velA, Cars[1].FxState = burning ? FxExploding : 0;
    CarContact(1, 2);
    EXPECT_EQ(IsTrue(PairContactFlag), velA > 0);
    EXPECT_EQ(Cars[1].SmokeTick + Cars[2].SmokeTick, velA > 0 ? 2 : 0);
    EXPECT_EQ(Silent(HitSounds, 1)->PlayCount, velA > 0 ? 1 : 0);
    EXPECT_FLOAT_EQ(Cars[1].Body, bodyA);
    EXPECT_FLOAT_EQ(Cars[2].Body, bodyB);
    EXPECT_EQ(Cars[1].VelX, velAfter);
    EXPECT_EQ(IsTrue(Cars[1].Skidding) && IsTrue(Cars[2].Skidding), skids);
}
// Speeds adding to 90; to 110 (damage 1.5 x 2); a velocity difference of 8 (damage 12);
// the same velocity; pulling apart.
INSTANTIATE_TEST_SUITE_P(Damage, Contact,
                         ::testing::Values(std::tuple{60.f, 2.f, false, 100.f, 100.f, 2.f, false},
                                           std::tuple{80.f, 2.f, false, 98.5f, 98.5f, 0.f, true},
                                           std::tuple{60.f, 8.f, false, 94.f, 94.f, 0.f, true},
                                           std::tuple{60.f, 8.f, true, 100.f, 94.f, 0.f, true},
                                           std::tuple{60.f, 0.f, false, 100.f, 100.f, 0.f, false},
                                           std::tuple{60.f, -2.f, false, 100.f, 100.f, -2.f, false}));

// ---------------------------------------------------------------------------------
// The computer drivers

// Heading frame, whether the slower car is on the high side (larger TileX going north or
// south, larger TileY going east or west), and the steer away from it.
class Avoiding : public ::testing::TestWithParam<std::tuple<int, bool, int>> {};
TEST_P(Avoiding, SteersAwayFromTheSlowerCarAheadAndBrakes) {
    auto [frame, high, steer] = GetParam();
    for (int driver : {1, 0}) {  // a computer driver, then the player's car on the autopilot
        ResetGrid(2);
        CarRecord& a = Aim(driver, frame, 100);
        CarRecord& b = Aim(2, frame, 50);
        // 30 ahead and 10 aside: four frames on, a has gained 18 and they are 12 apart.
        f32 ux = HeadingVelocity[frame].X / 0.09f, uy = HeadingVelocity[frame].Y / 0.09f, side = high ? 10.f : -10.f;
        b.ScreenX += 30 * ux + side * std::abs(uy), b.ScreenY += 30 * uy + side * std::abs(ux);
        (ux != 0 ? b.TileY : b.TileX) += side;
        if (driver) {
            AvoidCheck(1, 2);
            EXPECT_EQ(a.Steer, steer);
            EXPECT_TRUE(IsTrue(PairBlockFlag));
        } else {
            // The autopilot borrows the pair flag of the race's contact loop and gives it back.
            AutopilotEnabled = true;
            DriveAutopilot();
            AutopilotEnabled = false;
            EXPECT_TRUE(IsTrue(a.Blocked));
            EXPECT_FALSE(IsTrue(PairBlockFlag));
        }
        EXPECT_TRUE(IsTrue(a.Brake));
    }
}
INSTANTIATE_TEST_SUITE_P(Opponents, Avoiding,
                         ::testing::Values(std::tuple{0, true, 1}, std::tuple{10, true, 0}, std::tuple{5, false, 0},
                                           std::tuple{15, false, 1}));

}  // namespace
