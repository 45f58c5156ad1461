// The career's rules: a new career, the repeated race, what a race pays, the opponents'
// shopping, and the player's buying and repairing of parts.
#include <gtest/gtest.h>

#include <tuple>

#include "race_test_folder.h"

namespace {

using Career = RaceScreenTest;

TEST_F(Career, EasyGivesThePlayerCashAndGripButEveryCarLoses80TopSpeed) {
    // Difficulty; the player's cash, top speed and tyres, and car 5's top speed.
    for (auto [difficulty, cash, topSpeed, tyres, opponentTop] :
         {std::tuple{DifficultyNormal, 100, 250, 70.f, 280}, {DifficultyEasy, 1000, 250 + 20 - 80, 70.f + 20, 280 - 80}}) {
        Settings.Difficulty = difficulty;
        NewCareer();
        EXPECT_EQ(std::tuple(Cars[0].Cash, Cars[0].TopSpeed, Cars[0].Tyres, Cars[0].TyresMax, Cars[5].TopSpeed, Cars[5].Cash),
                  std::tuple(cash, topSpeed, tyres, 70, opponentTop, 100));
        EXPECT_NEAR(Cars[8].Accel, 1.9f + 1.2f, 1e-5);  // opponents get 1.2 on their own accel
        EXPECT_EQ(std::tuple(Cars[0].Accel, Cars[0].LapCount, Cars[3].LapCount), std::tuple(2.8f, -1, 0));
    }
}

// A placed finish pays its place's prize (never beyond the 99999 cap) and moves to the next
// course, 14 going round to 1; any other end pays nothing and stays.
TEST(SettleCareerRace, PaysThePlaceAndMovesOnOnlyForAPlacedFinish) {
    // How the race ended, the place, the course raced, cash before, the prize, next course.
    for (auto [ended, place, course, cash, paid, next] :
         {std::tuple{Outcome::Placed, 3, 14, 100, 300, 1}, {Outcome::Placed, 1, 7, 99000, 999, 8},
          {Outcome::Abandoned, 2, 5, 100, 0, 5}, {Outcome::Stopped, 1, 5, 100, 0, 5}}) {
        Cars[0].Cash = cash;
        CurrentCourse = static_cast<i16>(course);
        RaceReport report;
        report.Outcome = ended, report.Place = static_cast<i16>(place);
        EXPECT_EQ(SettleCareerRace(report), paid) << "place " << place << " on " << course;
        EXPECT_EQ(std::tuple(Cars[0].Cash, CurrentCourse), std::tuple(cash + paid, next));
    }
}

// Draws the opponents' shopping uses: nine a car before courses 3, 6, 9, 10 and 13, bought
// or not, and none before any other course or a repeat. What they buy shows in the career
// proof's races.
int DrawsUsedBy(void (*step)()) {
    Randomize(99);
    step();
    f32 next = Rnd();
    Randomize(99);
    int used = 0;
    while (Rnd() != next && used < 1000) ++used;
    return used;
}
TEST_F(Career, OpponentsShopWithNineDrawsACarAndARepeatMendsOnlyThem) {
    CurrentCourse = 6;
    EXPECT_EQ(DrawsUsedBy(UpgradeOpponents), 8 * 9);
    Cars[0].Body = 40, Cars[0].Tyres = 33, Cars[0].LapCount = 4;
    Cars[2].Body = 3, Cars[2].Tyres = 10, Cars[2].Engine = 60, Cars[2].Status = StatusOut;
    EXPECT_EQ(DrawsUsedBy(SetUpRepeatRace), 0);
    const CarRecord& c = Cars[2];
    EXPECT_EQ(std::tuple(Cars[0].Body, Cars[0].Tyres, Cars[0].LapCount, c.Body, c.Tyres, c.Engine, c.Status, CurrentCourse),
              std::tuple(40.f, 33.f, -1, f32(c.BodyMax), f32(c.TyresMax), f32(c.EngineMax), StatusRacing, i16(6)));
    CurrentCourse = 7;
    EXPECT_EQ(DrawsUsedBy(UpgradeOpponents), 0);
}

// ----- The player's parts -----

// A new Normal player's car: the starting parts in full condition.
void NewPlayer(i32 cash) {
    FillPartsCatalogue();
    Cars[0] = CarRecord{.Accel = 2.8f, .TopSpeed = 250, .Tyres = 70, .TyresMax = 70, .Body = 100, .BodyMax = 100,
                        .Engine = 100, .EngineMax = 100, .Cash = cash};
}

// Wear times twice the level plus one, plus the call-out (tyres 50, the rest 200), rounded
// down; a part at or above its maximum is "Fine" and costs nothing.
TEST(Shop, RepairPrices) {
    for (auto [part, condition, maximum, level, price] :
         {std::tuple{PartTyres, 60.f, 70, 2, 100},  // 10 x 5 + 50
          {PartBody, 37.5f, 100, 1, 387},           // 62.5 x 3 + 200 = 387.5
          {PartEngine, 99.5f, 100, 0, 200},         // a scratch still costs the call-out
          {PartTyres, 90.f, 70, 0, 0},              // Easy's tyres start above full
          {PartBody, -20.f, 125, 2, 925}}) {        // a wreck: 145 x 5 + 200
        CarRecord car;
        f32* conditions[] = {&car.Body, &car.Engine, &car.Tyres};
        i16* maxima[] = {&car.BodyMax, &car.EngineMax, &car.TyresMax};
        i16* levels[] = {&car.BodyLevel, &car.EngineLevel, &car.TyresLevel};
        *conditions[part] = condition, *maxima[part] = static_cast<i16>(maximum), *levels[part] = static_cast<i16>(level);
        EXPECT_EQ(std::tuple(PartWorn(car, part), RepairPrice(car, part)), std::tuple(price > 0, price))
            << part << " " << condition;
    }
}

TEST(Shop, APartTradesItsBonusesForTheFittedOnesAndComesInFullCondition) {
    NewPlayer(30000);
    const CarRecord& car = Cars[0];
    Cars[0].Engine = 12;
    ASSERT_TRUE(BuyPart(2) && BuyPart(3));  // MoJet, then MoRockit: the MoJet's bonuses come off first
    EXPECT_EQ(std::tuple(car.TopSpeed, car.EngineMax, car.Engine, car.EngineLevel), std::tuple(i16(470), i16(200), 200.0f, i16(2)));
    EXPECT_NEAR(car.Accel, 5.8f, 1e-5);
    ASSERT_TRUE(BuyPart(1));  // LittleRipper tyres act on the tyres only
    EXPECT_EQ(std::tuple(car.TyresMax, car.Tyres, car.TyresLevel, car.TopSpeed),
              std::tuple(i16(120), 120.0f, i16(2), i16(470)));
    ASSERT_TRUE(BuyPart(5));  // the same body twice: full again, no bigger
    Cars[0].Body = 10;
    ASSERT_TRUE(BuyPart(5) && BuyPart(4));  // and down to the Low Rider: 100 + 25
    EXPECT_EQ(std::tuple(car.BodyMax, car.BodyLevel), std::tuple(i16(125), i16(1)));
    EXPECT_EQ(car.Cash, 30000 - 1750 - 5200 - 1700 - 4850 - 4850 - 2500);
    EXPECT_EQ(PartEffects(PartTyres, 2) + "/" + PartEffects(PartBody, 0), "tire life +50/the standard part");
}

// Buying and repairing both want more cash than the price, not as much.
TEST(Shop, CashMustBeMoreThanThePrice) {
    NewPlayer(1750);  // exactly the MoJet's price
    EXPECT_FALSE(BuyPart(2));
    EXPECT_EQ(std::tuple(Cars[0].Cash, Cars[0].EngineMax), std::tuple(1750, i16(100)));
    Cars[0].Cash = 1751;
    EXPECT_TRUE(BuyPart(2));
    EXPECT_EQ(Cars[0].Cash, 1);
    NewPlayer(60);
    Cars[0].Tyres = 20;
    EXPECT_FALSE(RepairPart(PartTyres, 60));
    EXPECT_TRUE(RepairPart(PartTyres, 59));  // 20 of 70, plus 35
    EXPECT_EQ(std::tuple(Cars[0].Cash, Cars[0].Tyres), std::tuple(1, 55.0f));
    NewPlayer(0);
    EXPECT_FALSE(RepairPart(PartEngine, 0));  // even a free repair wants some cash
}

}  // namespace
