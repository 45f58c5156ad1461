// The heads-up panel and the cash pickups.
#include <gtest/gtest.h>

#include "app/app.h"
#include "course/course.h"
#include "race/race.h"
#include "test_support.h"

namespace {

class Hud : public testing::Test {
protected:
    Form* Window = nullptr;

    void SetUp() override {
        FreshHeadless();
        Window = CreateForm("RaceWindow");
        CreateHud(Window);
        for (auto& car : Cars) car = CarRecord{};
        LastCarIndex = 8;
        // Car 0's centre is at (40, 25).
        for (int i = 0; i <= LastCarIndex; ++i) {
            Cars[i].SpriteWidth = 80;
            Cars[i].SpriteHeight = 50;
        }
        Cars[0].Cash = 1200;
        for (int k = 0; k < MapSize; ++k) Pickups[k] = Pickup{};
    }
};

struct PickupCase {
    const char* Name;
    f32 X, Y;
    bool Taken;
};

class PickupReach : public Hud, public testing::WithParamInterface<PickupCase> {};

TEST_P(PickupReach, TakenOnlyCloserThan20Pixels) {
    Pickups[7] = Pickup{GetParam().X, GetParam().Y, 0};
    TestPickup(0, 7);
    EXPECT_EQ(Pickups[7].State == PickupTaken, GetParam().Taken);
    EXPECT_EQ(Cars[0].Cash, GetParam().Taken ? 1300 : 1200);
}

INSTANTIATE_TEST_SUITE_P(
    Race, PickupReach,
    testing::Values(PickupCase{"Exactly20Across", 60.0f, 25.0f, false},
                    PickupCase{"Exactly20On345Triangle", 52.0f, 41.0f, false},  // 12, 16
                    PickupCase{"Just19_99Across", 59.99f, 25.0f, true},
                    PickupCase{"OnTheCentre", 40.0f, 25.0f, true},
                    PickupCase{"At19Above", 40.0f, 6.0f, true},
                    PickupCase{"OnTheSpriteCornerIsTooFar", 0.0f, 0.0f, false}),  // 47.2
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(Hud, CashFieldTurnsFrom1200To1300PointZeroZero) {
    ShowPlayerCash("$" + std::to_string(Cars[0].Cash));  // as the Start button shows it
    EXPECT_EQ(CashField2->Caption, "$1200");
    Pickups[0] = Pickup{45.0f, 30.0f, 0};
    TestPickup(0, 0);
    EXPECT_EQ(CashField2->Caption, "$1300.00");
}

TEST_F(Hud, ComputerCarTakesThePickupButNotThePlayersCash) {
    ShowPlayerCash("$1200");
    Cars[4].ScreenX = 300;
    Cars[4].ScreenY = 300;
    Cars[4].Cash = 100;
    Pickups[2] = Pickup{340.0f, 325.0f, 0};
    TestPickup(4, 2);
    EXPECT_EQ(Pickups[2].State, PickupTaken);
    EXPECT_EQ(Cars[4].Cash, 200);
    EXPECT_EQ(Cars[0].Cash, 1200);
    EXPECT_EQ(CashField2->Caption, "$1200");
}

TEST_F(Hud, TimesStartAtTheirCaptionsAndShowTwoDecimals) {
    EXPECT_EQ(LapTimeField->Caption, "00.00");
    EXPECT_EQ(LastLapField->Caption, "00.00");
    EXPECT_EQ(BestTimeField->Caption, "30.00");
    ShowLapTime(9.5f);
    ShowLastLap(31.0f);
    ShowBestLap(123.456f);
    EXPECT_EQ(LapTimeField->Caption, "09.50");
    EXPECT_EQ(LastLapField->Caption, "31.00");
    EXPECT_EQ(BestTimeField->Caption, "123.46");
}

TEST_F(Hud, BarsAreMeasuredInTwips) {
    // 1680 twips is 112 pixels; a speed of 336 x 5 twips fills the empty bar exactly.
    EXPECT_EQ(DamBack->Width, 112);
    EXPECT_EQ(SpeedBack->Width, 112);
    SetSpeedBar(336 * 5);
    EXPECT_EQ(SpeedBar->Width, SpeedBack->Width);
    SetSpeedBar(100 * 5);  // 500 twips: 33 whole pixels
    EXPECT_EQ(SpeedBar->Width, 33);
    SetDamageBar(1680.0 * 25 / 100);  // body 25 of 100: 420 twips, 28 pixels
    EXPECT_EQ(DamFill->Width, 28);
    EXPECT_EQ(DamBack->Width, 112);
    SetDamageBack(420);
    EXPECT_EQ(DamBack->Width, 28);
    // Fill and back start at the same place, so the fill covers the back from its left.
    EXPECT_EQ(DamFill->Left, DamBack->Left);
    EXPECT_EQ(SpeedBar->Top, SpeedBack->Top);
}

TEST_F(Hud, MiniMapWindowSitsInsideThePanel) {
    ASSERT_TRUE(MiniView[0] && MiniView[1]);
    EXPECT_FALSE(MiniView[0]->Visible);
    EXPECT_EQ(MiniView[0]->Picture.Width, 250);
    EXPECT_EQ(MiniView[0]->Picture.Height, 200);
    EXPECT_EQ(MiniView[1]->Parent, HudFrame);
    EXPECT_EQ(MiniView[1]->Picture.Width, 153);
    EXPECT_EQ(MiniView[1]->Picture.Height, 123);
    EXPECT_EQ(FindControl(Window, "MiniView", 1), MiniView[1]);
    // Everything on the panel fits inside it, with the widest bar at full length.
    SetSpeedBar(1680);
    for (Control* child : HudFrame->Children) {
        EXPECT_GE(child->Left, 0) << child->Name;
        EXPECT_GE(child->Top, 0) << child->Name;
        EXPECT_LE(child->Left + child->Width, HudFrame->Width) << child->Name;
        EXPECT_LE(child->Top + child->Height, HudFrame->Height) << child->Name;
    }
    Control* title = FindControl(Window, "TitleLabel");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->Caption, "GRAVEL GHOSTS RACER");
    EXPECT_EQ(title->ForeColor, RGB(255, 255, 0));
}

}  // namespace
