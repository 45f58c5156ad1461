// The heads-up panel and the cash pickups.
#include <gtest/gtest.h>

#include "app/app.h"
#include "course/course.h"
#include "race/race_internal.h"
#include "test_support.h"

namespace {

class Hud : public testing::Test {
protected:
    void SetUp() override {
        FreshHeadless();
        CreateHud(CreateForm("RaceWindow"));
        for (auto& car : Cars) car = CarRecord{}, car.SpriteWidth = 80, car.SpriteHeight = 50;  // centre (40, 25)
        Cars[0].Cash = 1200;
        ShowPlayerCash("$1200");  // as the Start button leaves it
        for (int k = 0; k < MapSize; ++k) Pickups[k] = Pickup{};
    }
};

struct Reach {
    f32 X, Y;
    bool Taken;
};

class PickupReach : public Hud, public testing::WithParamInterface<Reach> {};

TEST_P(PickupReach, TakenOnlyCloserThan20PixelsToTheCarsCentre) {
    auto [x, y, taken] = GetParam();
    Pickups[7] = Pickup{x, y, 0};
    TestPickup(0, 7);
    EXPECT_EQ(Pickups[7].State == PickupTaken, taken);
    EXPECT_EQ(Cars[0].Cash, taken ? 1300 : 1200);
    EXPECT_EQ(CashField2->Caption, taken ? "$1300" : "$1200");  // whole dollars, as Start wrote it
}

INSTANTIATE_TEST_SUITE_P(Distances, PickupReach,
                         testing::Values(Reach{60.0f, 25.0f, false},  // 20 across
                                         Reach{52.0f, 41.0f, false},  // 12, 16: 20
                                         Reach{59.99f, 25.0f, true},  // 19.99
                                         Reach{40.0f, 6.0f, true},    // 19 above
                                         Reach{0.0f, 0.0f, false}));  // the corner: 47.2

TEST_F(Hud, ComputerCarTakesThePickupButLeavesThePlayersCash) {
    Cars[4].ScreenX = Cars[4].ScreenY = 300;
    Pickups[2] = Pickup{340.0f, 325.0f, 0};
    TestPickup(4, 2);
    EXPECT_EQ(Pickups[2].State, PickupTaken);
    EXPECT_EQ(Cars[4].Cash, 100);
    EXPECT_EQ(CashField2->Caption, "$1200");
}

TEST_F(Hud, BarsInTwipsAndTimesWithTwoDecimals) {
    // 1680 twips is 112 pixels: a speed of 336 x 5 fills the empty bar exactly.
    SetSpeedBar(336 * 5);
    EXPECT_EQ(SpeedBar->Width, 112);
    SetDamageBar(1680 * 25 / 100);  // a quarter of the body left: 420 twips, 28 pixels
    EXPECT_EQ(DamFill->Width, 28);
    EXPECT_EQ(DamFill->Left, DamBack->Left);
    EXPECT_EQ(BestTimeField->Caption, "30.00");
    ShowLapTime(9.5f);
    ShowBestLap(123.456f);
    EXPECT_EQ(LapTimeField->Caption, "09.50");
    EXPECT_EQ(BestTimeField->Caption, "123.46");
}

int Red(Colour c) { return c & 0xFF; }
int Green(Colour c) { return (c >> 8) & 0xFF; }

TEST_F(Hud, BodyBarGreenWhenWholeRedNearAWreckAndEveryBarAsLongAsTheOthersOverATrack) {
    SetDamageBar(1680);
    EXPECT_GT(Green(DamFill->BackColor), 150);
    EXPECT_LT(Red(DamFill->BackColor), Green(DamFill->BackColor));
    SetDamageBar(840);  // half: amber, red and green both strong
    EXPECT_GT(Red(DamFill->BackColor), 200);
    EXPECT_GT(Green(DamFill->BackColor), 120);
    SetDamageBar(168);  // a tenth left
    EXPECT_GT(Red(DamFill->BackColor), 3 * Green(DamFill->BackColor));

    Cars[0].Gas = 50;
    ShowGas();
    EXPECT_EQ(GasBar->Width, SpeedBack->Width / 2);
    // Behind every bar a track the full 112 pixels, which a damaged start never shrinks.
    SetDamageBack(840);
    int tracks = 0;
    for (const Control* child : HudFrame->Children) {
        if (!child->Name.ends_with("Track")) continue;
        EXPECT_EQ(child->Width, 112) << child->Name;
        ++tracks;
    }
    EXPECT_EQ(tracks, 3);
}

TEST_F(Hud, BestLapIsBlankUntilALapIsDrivenAndThenTheFastest) {
    ShowStandingAtStart();
    EXPECT_EQ(BestLapShown->Caption, "");
    ShowLastLap(31.0f);  // too slow for the rules' best lap, still the best driven
    EXPECT_EQ(BestLapShown->Caption, "31.00");
    EXPECT_EQ(BestTimeField->Caption, "30.00");
    EXPECT_FALSE(BestTimeField->Visible);
    ShowLastLap(35.0f);
    EXPECT_EQ(BestLapShown->Caption, "31.00");
    ShowLastLap(29.5f);
    EXPECT_EQ(BestLapShown->Caption, "29.50");
    ShowStandingAtStart();  // the next race
    EXPECT_EQ(BestLapShown->Caption, "");
}

TEST_F(Hud, EverythingFitsInsideThePanel) {
    ASSERT_TRUE(MiniView[1]);
    EXPECT_EQ(MiniView[1]->Picture.Width * MiniView[1]->Picture.Height, 153 * 123);
    for (const Control* child : HudFrame->Children) {
        EXPECT_GE(std::min(child->Left, child->Top), 0) << child->Name;
        EXPECT_LE(child->Left + child->Width, HudFrame->Width) << child->Name;
        EXPECT_LE(child->Top + child->Height, HudFrame->Height) << child->Name;
    }
}

}  // namespace
