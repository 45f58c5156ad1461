// Damage, tyre wear and wrecks, contacts between cars, and the car sounds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "cars_test_grid.h"

namespace {

// Body, engine, amount; body and engine after.
class DamageSplit : public ::testing::TestWithParam<std::tuple<f32, f32, f32, f32, f32>> {};
TEST_P(DamageSplit, BodyTakesHalfUntilItWouldFallBelow50) {
    auto [body, engine, amount, bodyAfter, engineAfter] = GetParam();
    ResetGrid(1);
    Cars[1].Body = body, Cars[1].Engine = engine;
    ApplyDamage(amount, 1);
    EXPECT_FLOAT_EQ(Cars[1].Body, bodyAfter);
    EXPECT_FLOAT_EQ(Cars[1].Engine, engineAfter);
}
// Exactly 50 left stays on the body; below, the engine shares it; the engine floors at 1.
INSTANTIATE_TEST_SUITE_P(Damage, DamageSplit,
                         ::testing::Values(std::tuple{70.f, 100.f, 20.f, 60.f, 100.f},
                                           std::tuple{60.f, 100.f, 20.f, 60 - 20 / 1.5f, 90.f},
                                           std::tuple{40.f, 5.f, 30.f, 20.f, 1.f}));

// The HUD reads the body after each frame's rules have run.
TEST(Damage, PlayerBarFollowsTheBodyUntilTheCarIsWrecked) {
    ResetGrid(0);
    Control bar;
    DamFill = &bar;
    ApplyDamage(40, 0);  // body 80: 1344 twips, 89 whole pixels
    UpdateDamageBar();
    Cars[0].Body = 10;
    ApplyDamage(60, 0);  // body -30: the bar stays, the car explodes
    UpdateDamageBar();
    DamFill = nullptr;
    EXPECT_EQ(bar.Width, 89);
    EXPECT_EQ(Cars[0].FxState, FxExploding);
    EXPECT_DEATH(ApplyDamage(-1, 1), "negative damage");
}

// Tyres 30.5 wear 4: 29.5, then 0.4 more; 26 wears below 25; 24 is out even wearing nothing.
class TyreWearing : public ::testing::TestWithParam<std::tuple<f32, int, f32, bool>> {};
TEST_P(TyreWearing, BaldTyresWearFasterAndWreckBelow25) {
    auto [tyres, amount, after, wrecked] = GetParam();
    ResetGrid(2);
    Cars[2].Tyres = tyres;
    TyreWear(static_cast<i16>(amount), 2);
    EXPECT_FLOAT_EQ(Cars[2].Tyres, after);
    EXPECT_EQ(Cars[2].FxState == FxExploding, wrecked);
}
INSTANTIATE_TEST_SUITE_P(Damage, TyreWearing,
                         ::testing::Values(std::tuple{30.5f, 4, 29.1f, false}, std::tuple{26.f, 4, 24.6f, true},
                                           std::tuple{24.f, 0, 24.f, true}));

TEST(Damage, WrecksExplodeOnceAndThePlayersEndsTheRaceWhenItsSoundIsOver) {
    ResetGrid(2);
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
}

// Car 1 ten pixels behind car 2 (standing, speed 30) and closing at velA: speed, velA,
// both bodies after, car 1's velocity after, whether both skid.
class Contact : public ::testing::TestWithParam<std::tuple<f32, f32, f32, f32, bool>> {};
TEST_P(Contact, GentleOnlyWhenSlowAndCloseInSpeed) {
    auto [speedA, velA, body, velAfter, skids] = GetParam();
    ResetGrid(2);
    Cars[2].ScreenX = 210, Cars[2].Speed = 30;
    Cars[1].Speed = speedA, Cars[1].VelX = velA;
    CarContact(1, 2);
    EXPECT_TRUE(IsTrue(PairContactFlag));
    EXPECT_EQ(Cars[1].SmokeTick + Cars[2].SmokeTick, 2);
    EXPECT_EQ(Silent(HitSounds, 1)->PlayCount, 1);
    EXPECT_FLOAT_EQ(Cars[1].Body, body);
    EXPECT_FLOAT_EQ(Cars[2].Body, body);
    EXPECT_EQ(Cars[1].VelX, velAfter);
    EXPECT_EQ(IsTrue(Cars[1].Skidding) && IsTrue(Cars[2].Skidding), skids);
}
// Speeds adding to 90; to 110 (damage 1.5 x 2); a velocity difference of 8 (damage 12).
INSTANTIATE_TEST_SUITE_P(Damage, Contact,
                         ::testing::Values(std::tuple{60.f, 2.f, 100.f, 2.f, false}, std::tuple{80.f, 2.f, 98.5f, 0.f, true},
                                           std::tuple{60.f, 8.f, 94.f, 0.f, true}));

TEST(Damage, CarsNotClosingNeverTouchAndBurningCarsTakeNoMore) {
    ResetGrid(2);
    Cars[2].ScreenX = 210;
    Cars[1].VelX = Cars[2].VelX = 3;  // same velocity
    CarContact(1, 2);
    Cars[1].VelX = -2;  // pulling apart
    CarContact(1, 2);
    EXPECT_FALSE(IsTrue(PairContactFlag));
    Cars[1].VelX = 8, Cars[2].VelX = 0, Cars[1].FxState = FxExploding;
    CarContact(1, 2);
    EXPECT_EQ(Cars[1].Body, 100);
    EXPECT_FLOAT_EQ(Cars[2].Body, 94);
}

// Heading frame, whether the slower car is on the high side (larger TileX going north or
// south, larger TileY going east or west), and the steer away from it.
class Avoiding : public ::testing::TestWithParam<std::tuple<int, bool, int>> {};
TEST_P(Avoiding, SteersAwayFromTheSlowerCarAheadAndBrakes) {
    auto [frame, high, steer] = GetParam();
    ResetGrid(2);
    CarRecord& a = Aim(1, frame, 100);
    CarRecord& b = Aim(2, frame, 50);
    // 30 ahead and 10 aside: four frames on, a has gained 18 and they are 12 apart.
    f32 ux = HeadingVelocity[frame].X / 0.09f, uy = HeadingVelocity[frame].Y / 0.09f, side = high ? 10.f : -10.f;
    b.ScreenX += 30 * ux + side * std::abs(uy), b.ScreenY += 30 * uy + side * std::abs(ux);
    (ux != 0 ? b.TileY : b.TileX) += side;
    AvoidCheck(1, 2);
    EXPECT_EQ(a.Steer, steer);
    EXPECT_TRUE(IsTrue(a.Brake));
    EXPECT_TRUE(IsTrue(PairBlockFlag));
}
INSTANTIATE_TEST_SUITE_P(Damage, Avoiding,
                         ::testing::Values(std::tuple{0, true, 1}, std::tuple{10, true, 0}, std::tuple{5, false, 0},
                                           std::tuple{15, false, 1}));

TEST(Damage, EngineNoteFollowsTheSpeedAndGridRevsDrawOnlyFromTheSoundStream) {
    ResetGrid(1);
    Cars[0].Speed = 100;
    CarSounds(0);
    EXPECT_EQ(Silent(EngineSounds, 0)->Position, 42000);  // 100 x 420
    EXPECT_EQ(Silent(EngineSounds, 0)->Volume, -300);
    RevPosition[1] = RevStep[1] = 0;
    Randomize(3);
    int low = 1 << 30, high = 0;
    for (int call = 0; call < 40000; ++call) {
        GridRev(1);
        if (call > 10000) low = std::min<int>(low, RevPosition[1]);
        high = std::max<int>(high, RevPosition[1]);
    }
    EXPECT_GE(low, 4995);  // down to 5000, up to a turn between 15000 and 30000
    EXPECT_GE(high, 15000);
    EXPECT_LE(high, 30005);
    f32 next = Rnd();
    Randomize(3);
    EXPECT_EQ(next, Rnd());
}

}  // namespace
