// The car rules on an empty or small hand-made map, where whole races cannot reach them:
// coasting, reverse and park, tile edges, the wall's status mark, damage limits, bald tyres,
// the car sounds and the autopilot. Steering, skids, walls, contacts and the computer
// drivers' rules are pinned by the committed traces, the course sweep and the proof runs.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "cars_test_grid.h"

namespace {

CarRecord& car = Cars[0];

// ---------------------------------------------------------------------------------
// Motion

TEST(Motion, CoastingKeepsRollingAt20AndOnlyTheBrakeStopsBelow18) {
    ResetGrid(0);
    car.Pedal = 1, car.Speed = 25;
    for (int frame = 0; frame < 10; ++frame) DriveCars();
    EXPECT_EQ(car.Speed, 20);
    car.Pedal = 3, car.Brake = True16, car.Speed = 22;
    DriveCars();
    f32 braked = car.Speed;
    DriveCars();
    EXPECT_EQ(std::pair(braked, car.Speed), std::pair(18.f, 0.f));
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
    EXPECT_EQ(std::tuple(Cars[1].ScreenY, Cars[1].TileY, Cars[2].Speed, Cars[2].ScreenX),
              std::tuple(209.f, 109.f, 0.f, 200.f));
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

// Head-on into the east wall stops the car at speed 1; only the wall step's own mark is
// cleared, never a finish or a wreck. (Where walls turn cars and what they cost, the traces
// and the course sweep pin.)
TEST(Walls, HeadOnStopsTheCarAndClearsOnlyTheWallsOwnMark) {
    for (auto [before, after] : {std::pair{StatusAtWall, StatusRacing}, {StatusFinished, StatusFinished},
                                 {StatusOut, StatusOut}}) {
        CarRecord& c = AtWall(5, 180, 100, 5, 9, 0, 100);
        c.Status = before;
        CheckWalls();
        EXPECT_EQ(c.Speed, 1);
        EXPECT_EQ(c.Status, after) << "status before " << static_cast<int>(before);
    }
}

// ---------------------------------------------------------------------------------
// Damage

// Body, engine, amount; body and engine after. Nothing happens on 0; exactly 50 left stays
// on the body; below, the engine shares it; the engine floors at 1; below 0 it explodes.
TEST(Damage, BodyTakesHalfUntilItWouldFallBelow50) {
    for (auto [body, engine, amount, bodyAfter, engineAfter] :
         {std::tuple{70.f, 100.f, 0.f, 70.f, 100.f}, {70.f, 100.f, 20.f, 60.f, 100.f},
          {60.f, 100.f, 20.f, 60 - 20 / 1.5f, 90.f}, {40.f, 5.f, 30.f, 20.f, 1.f}, {10.f, 100.f, 60.f, -30.f, 70.f}}) {
        ResetGrid(1);
        Cars[1].Body = body, Cars[1].Engine = engine;
        ApplyDamage(amount, 1);
        EXPECT_EQ(std::pair(Cars[1].Body, Cars[1].Engine), std::pair(bodyAfter, engineAfter)) << body << ", " << amount;
        EXPECT_EQ(Cars[1].FxState == FxExploding, bodyAfter < 0);
    }
}

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

// ---------------------------------------------------------------------------------
// The computer drivers

// The player's car on the autopilot brakes for a slower car ahead, 30 ahead and 10 aside
// (four frames on it has gained 18 and they are 12 apart), on either side and heading. It
// borrows the pair flag of the race's contact loop and must give it back.
TEST(Opponents, AutopilotBrakesForTheSlowerCarAheadAndGivesThePairFlagBack) {
    for (auto [frame, high] : {std::pair{0, true}, {10, true}, {5, false}, {15, false}}) {
        ResetGrid(2);
        CarRecord& a = Aim(0, frame, 100);
        CarRecord& b = Aim(2, frame, 50);
        f32 ux = HeadingVelocity[frame].X / 0.09f, uy = HeadingVelocity[frame].Y / 0.09f, side = high ? 10.f : -10.f;
        b.ScreenX += 30 * ux + side * std::abs(uy), b.ScreenY += 30 * uy + side * std::abs(ux);
        (ux != 0 ? b.TileY : b.TileX) += side;
        PairBlockFlag = False16;
        AutopilotEnabled = true;
        DriveAutopilot();
        AutopilotEnabled = false;
        EXPECT_TRUE(IsTrue(a.Blocked) && IsTrue(a.Brake)) << "frame " << frame;
        EXPECT_FALSE(IsTrue(PairBlockFlag));
    }
}

}  // namespace
