// Damage, tyre wear and wrecks, and the contacts between cars.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "cars/cars.h"
#include "race/race.h"
#include "sound/sound.h"
#include "test_support.h"

namespace {

SilentSoundBuffer* Silent(std::unique_ptr<SoundBuffer>& buffer) {
    return static_cast<SilentSoundBuffer*>(buffer.get());
}

class Damage : public ::testing::Test {
protected:
    void SetUp() override {
        LastCarIndex = 2;
        for (int i = 0; i <= 2; ++i) {
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
            EngineSounds[i] = std::make_unique<SilentSoundBuffer>();
            HitSounds[i] = std::make_unique<SilentSoundBuffer>();
            ExplosionSounds[i] = std::make_unique<SilentSoundBuffer>();
        }
        RaceOutcome = OutcomeRunning;
        PairContactFlag = PairBlockFlag = False16;
        DamFill = &bar;
    }
    void TearDown() override { DamFill = nullptr; }
    Control bar;
};

struct SplitCase {
    f32 Body, Engine, Amount;
    f32 BodyAfter, EngineAfter;
};
class DamageSplit : public Damage, public ::testing::WithParamInterface<SplitCase> {};

TEST_P(DamageSplit, BodyTakesHalfUntilItWouldFallBelow50) {
    const SplitCase& p = GetParam();
    Cars[1].Body = p.Body;
    Cars[1].Engine = p.Engine;
    ApplyDamage(p.Amount, 1);
    EXPECT_FLOAT_EQ(Cars[1].Body, p.BodyAfter);
    EXPECT_FLOAT_EQ(Cars[1].Engine, p.EngineAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Damage, DamageSplit,
    ::testing::Values(SplitCase{100, 100, 20, 90, 100},             // 80 stays above 50
                      SplitCase{70, 100, 20, 60, 100},              // exactly 50: still the body
                      SplitCase{60, 100, 20, 60 - 20 / 1.5f, 90},   // 40: engine shares it
                      SplitCase{40, 5, 30, 20, 1}));                // engine floors at 1

TEST_F(Damage, PlayerDamageBarFollowsTheBodyUntilItIsGone) {
    ApplyDamage(40, 0);  // body 80: 80 / 100 x 1680 = 1344 twips, 89 whole pixels
    EXPECT_EQ(bar.Width, 89);
    int width = bar.Width;
    Cars[0].Body = 10;
    ApplyDamage(60, 0);  // body -30: the bar keeps its last width and the car explodes
    EXPECT_EQ(bar.Width, width);
    EXPECT_EQ(Cars[0].FxState, FxExploding);
}

TEST_F(Damage, NegativeDamageStopsTheProgram) {
    EXPECT_DEATH(ApplyDamage(-1, 1), "negative damage");
}

struct WearCase {
    f32 Tyres;
    i16 Amount;
    f32 TyresAfter;
    bool Wrecked;
};
class TyreWearing : public Damage, public ::testing::WithParamInterface<WearCase> {};

TEST_P(TyreWearing, BaldTyresWearFasterAndWreckBelow25) {
    const WearCase& p = GetParam();
    Cars[2].Tyres = p.Tyres;
    TyreWear(p.Amount, 2);
    EXPECT_FLOAT_EQ(Cars[2].Tyres, p.TyresAfter);
    EXPECT_EQ(Cars[2].FxState == FxExploding, p.Wrecked);
}

INSTANTIATE_TEST_SUITE_P(
    Damage, TyreWearing,
    ::testing::Values(WearCase{40, 4, 39, false},
                      WearCase{30.5f, 4, 29.1f, false},  // 29.5, then 0.4 more
                      WearCase{26, 4, 24.6f, true},
                      WearCase{40, 0, 40, false},
                      WearCase{24, 0, 24, true}));      // nothing worn, still finished

TEST_F(Damage, SkidStoppingOnBaldTyresStillWrecksTheCar) {
    Cars[1].Skidding = True16;
    Cars[1].Speed = 5;
    Cars[1].Tyres = 24;
    Cars[1].TopSpeed = 250;
    Cars[1].Steer = 0;
    Cars[1].Pedal = 3;
    DriveCars();  // 5 - 7 < 0: stopped, then a wear call of 0
    EXPECT_EQ(Cars[1].Speed, 0);
    EXPECT_FALSE(IsTrue(Cars[1].Skidding));
    EXPECT_EQ(Cars[1].FxState, FxExploding);
}

TEST_F(Damage, PlayerWreckExplodesOnceThenEndsTheRaceWhenTheSoundIsOver) {
    PlayerWreck();
    EXPECT_EQ(Cars[0].FxState, FxExploding);
    EXPECT_EQ(Silent(ExplosionSounds[0])->PlayCount, 1);
    EXPECT_EQ(Silent(EngineSounds[0])->StopCount, 1);
    EXPECT_EQ(RaceOutcome, OutcomeRunning);
    // A silent buffer is never playing, so the next call finds the explosion over.
    PlayerWreck();
    EXPECT_EQ(RaceOutcome, OutcomeAbandoned);
    EXPECT_EQ(Silent(ExplosionSounds[0])->PlayCount, 1);
}

TEST_F(Damage, OpponentWreckHappensOnceAndNotForCarsAlreadyOut) {
    Cars[1].ScreenX = 350;  // 150 pixels from the player
    OpponentWreck(1);
    OpponentWreck(1);
    EXPECT_EQ(Cars[1].FxState, FxExploding);
    EXPECT_EQ(Silent(ExplosionSounds[1])->PlayCount, 1);
    EXPECT_EQ(Silent(ExplosionSounds[1])->Volume, -150);
    EXPECT_EQ(Silent(EngineSounds[1])->StopCount, 1);

    Cars[2].Status = StatusOut;
    OpponentWreck(2);
    EXPECT_EQ(Cars[2].FxState, 0);
    EXPECT_EQ(Silent(ExplosionSounds[2])->PlayCount, 0);
}

// --- Contacts between cars ---------------------------------------------------------

class Contact : public Damage {
protected:
    // Car 1 ten pixels behind car 2, both heading east; car 1 closes at 2 pixels a frame.
    void Place(f32 speedA, f32 velA, f32 speedB, f32 velB) {
        Cars[1].ScreenX = 200;
        Cars[2].ScreenX = 210;
        Cars[1].Speed = speedA;
        Cars[1].VelX = velA;
        Cars[2].Speed = speedB;
        Cars[2].VelX = velB;
    }
};

TEST_F(Contact, SlowClosingAtLowSpeedsIsGentle) {
    Place(60, 2, 30, 0);  // differences 2 and 0, speeds 90
    CarContact(1, 2);
    EXPECT_TRUE(IsTrue(PairContactFlag));
    EXPECT_EQ(Cars[1].SmokeTick, 1);
    EXPECT_EQ(Cars[2].SmokeTick, 1);
    EXPECT_EQ(Silent(HitSounds[1])->PlayCount, 1);
    EXPECT_EQ(Silent(HitSounds[1])->Volume, 0);  // car 1 sits on the player
    EXPECT_EQ(Cars[1].Body, 100);
    EXPECT_EQ(Cars[1].VelX, 2);
    EXPECT_FALSE(IsTrue(Cars[1].Skidding));
}

TEST_F(Contact, TheSameTouchAbove100CombinedIsHard) {
    Place(80, 2, 30, 0);  // speeds 110: damage 1.5 x 2 = 3, half of it off each body
    CarContact(1, 2);
    EXPECT_TRUE(IsTrue(Cars[1].Skidding));
    EXPECT_TRUE(IsTrue(Cars[2].Skidding));
    EXPECT_EQ(Cars[1].Drift, 140);
    EXPECT_EQ(Cars[1].VelX, 0);  // car 1 takes car 2's velocity
    EXPECT_EQ(Cars[2].VelX, 0);
    EXPECT_FLOAT_EQ(Cars[1].Body, 98.5f);
    EXPECT_FLOAT_EQ(Cars[2].Body, 98.5f);
}

TEST_F(Contact, BigVelocityDifferenceIsHardAtAnySpeed) {
    Place(60, 8, 30, 0);  // difference 8: damage 12
    CarContact(1, 2);
    EXPECT_FLOAT_EQ(Cars[1].Body, 94);
    EXPECT_EQ(Cars[1].VelX, 0);
}

TEST_F(Contact, CarsThatAreNotClosingOrNotTouchingNeverMeet) {
    Place(80, 3, 80, 3);  // same velocity
    CarContact(1, 2);
    Place(80, 8, 30, 0);
    Cars[1].ScreenX = 185;  // 25 apart
    CarContact(1, 2);
    Place(80, -2, 30, 0);  // pulling apart
    CarContact(1, 2);
    EXPECT_FALSE(IsTrue(PairContactFlag));
    EXPECT_EQ(Cars[1].SmokeTick, 0);
    EXPECT_EQ(Cars[1].Body, 100);
}

TEST_F(Contact, BurningCarTakesNoFurtherDamage) {
    Cars[1].FxState = FxExploding;
    Cars[2].SmokeTick = 2;
    Place(60, 8, 30, 0);
    CarContact(1, 2);
    EXPECT_EQ(Cars[1].Body, 100);
    EXPECT_FLOAT_EQ(Cars[2].Body, 94);
    EXPECT_EQ(Cars[2].SmokeTick, 2);  // a puff already running carries on
}

struct AvoidCase {
    const char* Name;
    int Frame;
    f32 UnitX, UnitY;  // direction of travel
    bool SlowCarOnHighSide;  // larger TileX (north/south) or TileY (east/west)
    int Steer;
};
class Avoid : public Damage, public ::testing::WithParamInterface<AvoidCase> {};

TEST_P(Avoid, SteersAwayFromTheSlowerCarAheadAndBrakes) {
    const AvoidCase& p = GetParam();
    CarRecord& a = Cars[1];
    CarRecord& b = Cars[2];
    a.Heading = static_cast<i16>(p.Frame * 50);
    a.Speed = 100;
    a.VelX = 9 * p.UnitX;
    a.VelY = 9 * p.UnitY;
    a.Steer = 2;
    b.Speed = 50;
    b.VelX = 4.5f * p.UnitX;
    b.VelY = 4.5f * p.UnitY;
    // 30 pixels ahead, 10 to one side: in four frames a gains 18, so they end 12 apart.
    f32 side = p.SlowCarOnHighSide ? 10 : -10;
    b.ScreenX = a.ScreenX + 30 * p.UnitX + side * std::abs(p.UnitY);
    b.ScreenY = a.ScreenY + 30 * p.UnitY + side * std::abs(p.UnitX);
    f32& across = p.UnitX != 0 ? b.TileY : b.TileX;
    across = p.SlowCarOnHighSide ? 110 : 90;
    AvoidCheck(1, 2);
    EXPECT_EQ(a.Steer, p.Steer);
    EXPECT_TRUE(IsTrue(a.Brake));
    EXPECT_TRUE(IsTrue(PairBlockFlag));
}

INSTANTIATE_TEST_SUITE_P(
    Damage, Avoid,
    ::testing::Values(AvoidCase{"NorthSlowCarEast", 0, 0, -1, true, 1},
                      AvoidCase{"NorthSlowCarWest", 0, 0, -1, false, 0},
                      AvoidCase{"SouthSlowCarEast", 10, 0, 1, true, 0},
                      AvoidCase{"SouthSlowCarWest", 10, 0, 1, false, 1},
                      AvoidCase{"EastSlowCarSouth", 5, 1, 0, true, 1},
                      AvoidCase{"EastSlowCarNorth", 5, 1, 0, false, 0},
                      AvoidCase{"WestSlowCarSouth", 15, -1, 0, true, 0},
                      AvoidCase{"WestSlowCarNorth", 15, -1, 0, false, 1}),
    [](const ::testing::TestParamInfo<AvoidCase>& info) { return std::string(info.param.Name); });

TEST_F(Damage, AvoidingOnADiagonalOnlyBlocks) {
    Cars[1].Heading = 100;  // frame 2, north-east
    Cars[1].Speed = 100;
    Cars[1].Steer = 2;
    Cars[2].Speed = 50;
    Cars[2].ScreenX = 210;
    AvoidCheck(1, 2);
    EXPECT_TRUE(IsTrue(PairBlockFlag));
    EXPECT_EQ(Cars[1].Steer, 2);
    EXPECT_FALSE(IsTrue(Cars[1].Brake));
}

TEST_F(Damage, NoAvoidingACarThatIsNotSlower) {
    Cars[1].Heading = 500;
    Cars[1].Speed = 50;
    Cars[2].Speed = 50;
    Cars[2].ScreenY = 230;
    AvoidCheck(1, 2);
    EXPECT_FALSE(IsTrue(PairBlockFlag));
}

}  // namespace
