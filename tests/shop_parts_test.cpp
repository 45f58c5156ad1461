// Buying and repairing parts for the player's car: prices, bonuses and the cash rule.
#include <gtest/gtest.h>

#include <ostream>
#include <tuple>

#include "career/career.h"

namespace {

// A new Normal player's car: the starting parts in full condition.
void NewPlayer(i32 cash) {
    FillPartsCatalogue();
    CarRecord& car = Cars[0];
    car = CarRecord{};
    car.TopSpeed = 250, car.Accel = 2.8f;
    car.Tyres = car.TyresMax = 70;
    car.Engine = car.EngineMax = 100;
    car.Body = car.BodyMax = 100;
    car.Cash = cash;
}

struct Wear {
    int Part;
    f32 Condition;
    i16 Maximum;
    i16 Level;
    i32 Price;  // 0: not worn, the shop says "Fine"
};

void PrintTo(const Wear& w, std::ostream* out) {
    const char* names[] = {"body", "engine", "tyres"};
    *out << names[w.Part] << " " << w.Condition << " of " << w.Maximum << " at level " << w.Level;
}

class RepairPrices : public ::testing::TestWithParam<Wear> {};

TEST_P(RepairPrices, WearTimesTwiceTheLevelPlusOnePlusTheCallOutRoundedDown) {
    const Wear& w = GetParam();
    CarRecord car;
    f32* condition[] = {&car.Body, &car.Engine, &car.Tyres};
    i16* maximum[] = {&car.BodyMax, &car.EngineMax, &car.TyresMax};
    i16* level[] = {&car.BodyLevel, &car.EngineLevel, &car.TyresLevel};
    *condition[w.Part] = w.Condition, *maximum[w.Part] = w.Maximum, *level[w.Part] = w.Level;
    EXPECT_EQ(PartWorn(car, w.Part), w.Price > 0);
    EXPECT_EQ(RepairPrice(car, w.Part), w.Price);
}

INSTANTIATE_TEST_SUITE_P(
    Shop, RepairPrices,
    ::testing::Values(Wear{PartTyres, 60, 70, 0, 60},        // 10 x 1 + 50
                      Wear{PartTyres, 60, 70, 2, 100},       // 10 x 5 + 50
                      Wear{PartBody, 37.5f, 100, 1, 387},    // 62.5 x 3 + 200 = 387.5
                      Wear{PartEngine, 99.5f, 100, 0, 200},  // a scratch still costs the call-out
                      Wear{PartEngine, 100, 100, 2, 0},      // untouched
                      Wear{PartTyres, 90, 70, 0, 0},         // Easy's tyres start above full
                      Wear{PartBody, -20, 125, 2, 925}));    // a wreck: 145 x 5 + 200

TEST(Buying, APartTradesItsBonusesForTheFittedOnesAndComesInFullCondition) {
    NewPlayer(30000);
    const CarRecord& car = Cars[0];
    Cars[0].Engine = 12, Cars[0].Body = 40;
    ASSERT_TRUE(BuyPart(2));  // MoJet: 20, 1 and 50 more than the starting engine
    EXPECT_EQ(std::tuple(car.TopSpeed, car.Accel, car.EngineMax, car.Engine, car.EngineLevel),
              std::tuple(i16(270), 3.8f, i16(150), 150.0f, i16(1)));
    ASSERT_TRUE(BuyPart(3));  // MoRockit: the MoJet's bonuses come off first
    EXPECT_EQ(std::tuple(car.TopSpeed, car.EngineMax), std::tuple(i16(470), i16(200)));
    EXPECT_NEAR(car.Accel, 5.8f, 1e-5);
    ASSERT_TRUE(BuyPart(1));  // LittleRipper tyres act on the tyres only
    EXPECT_EQ(std::tuple(car.TyresMax, car.Tyres, car.TyresLevel, car.TopSpeed),
              std::tuple(i16(120), 120.0f, i16(2), i16(470)));
    ASSERT_TRUE(BuyPart(5));  // the same body twice: full again, no bigger
    Cars[0].Body = 10;
    ASSERT_TRUE(BuyPart(5));
    EXPECT_EQ(std::tuple(car.BodyMax, car.Body), std::tuple(i16(400), 400.0f));
    ASSERT_TRUE(BuyPart(4));  // and down to the Low Rider: 100 + 25
    EXPECT_EQ(std::tuple(car.BodyMax, car.BodyLevel), std::tuple(i16(125), i16(1)));
    EXPECT_EQ(car.Cash, 30000 - 1750 - 5200 - 1700 - 4850 - 4850 - 2500);
}

TEST(Buying, CashMustBeMoreThanThePriceNotEqualToIt) {
    FillPartsCatalogue();
    for (int item = 0; item < 6; ++item) {
        const PartInfo& part = CataloguePart(SaleLines[item].Part, SaleLines[item].Level);
        NewPlayer(part.Price);
        EXPECT_FALSE(BuyPart(item)) << part.Name;
        EXPECT_EQ(std::tuple(Cars[0].Cash, Cars[0].TyresMax, Cars[0].EngineMax, Cars[0].BodyMax),
                  std::tuple(i32(part.Price), i16(70), i16(100), i16(100)));
        Cars[0].Cash = part.Price + 1;
        EXPECT_TRUE(BuyPart(item)) << part.Name;
        EXPECT_EQ(Cars[0].Cash, 1);
    }
}

TEST(Repairing, RestoresHalfTheMaximumNeverBeyondItAndOnlyForMoreCashThanTheCost) {
    for (auto [before, after] : {std::pair{80.0f, 100.0f}, {10.0f, 60.0f}, {-30.0f, 20.0f}}) {
        NewPlayer(1000);
        Cars[0].Body = before;
        EXPECT_TRUE(RepairPart(PartBody, 300));
        EXPECT_EQ(std::pair(Cars[0].Body, Cars[0].Cash), std::pair(after, 700))
            << "from " << before;
    }
    NewPlayer(60);
    Cars[0].Tyres = 20;
    EXPECT_FALSE(RepairPart(PartTyres, 60));
    EXPECT_EQ(std::pair(Cars[0].Cash, Cars[0].Tyres), std::pair(60, 20.0f));
    EXPECT_TRUE(RepairPart(PartTyres, 59));  // 20 of 70, plus 35
    EXPECT_EQ(std::pair(Cars[0].Cash, Cars[0].Tyres), std::pair(1, 55.0f));
    NewPlayer(0);
    EXPECT_FALSE(RepairPart(PartEngine, 0));  // even a free repair wants some cash
}

TEST(Catalogue, EachSaleLineSaysWhatThePartAdds) {
    FillPartsCatalogue();
    EXPECT_EQ(PartEffects(PartEngine, 1), "top speed +20, acceleration +1, engine strength +50");
    EXPECT_EQ(PartEffects(PartTyres, 2), "tire life +50");
    EXPECT_EQ(PartEffects(PartBody, 0), "the standard part");
}

}  // namespace
