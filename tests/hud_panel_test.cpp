// The heads-up panel, the cash pickups and the lap line whose laps and times it shows.
#include <gtest/gtest.h>

#include <utility>

#include "app/app.h"
#include "course/course.h"
#include "race/race_internal.h"
#include "test_support.h"

namespace {

class Hud : public testing::Test {
protected:
    HeadlessBackend* Backend = nullptr;
    void SetUp() override {
        Backend = &FreshHeadless();
        CreateHud(CreateForm("RaceWindow"));
        for (auto& car : Cars) car = CarRecord{}, car.SpriteWidth = 80, car.SpriteHeight = 50;  // centre (40, 25)
        Cars[0].Cash = 1200;
        ShowPlayerCash("$1200");  // as the Start button leaves it
        for (int k = 0; k < MapSize; ++k) Pickups[k] = Pickup{};
        // The lap line: forward over x 155..355 at y 375, backward over x 100..300 at y 300.
        ViewLeft = ViewTop = 75;
        Cars[0].LapCount = -1;
        RaceLaps = 3;
        Race = RaceState{};
        Race.LastCarIndex = 8;
    }
    static void Move(int car, f32 x, f32 y, f32 velY) {
        Cars[car].CourseX = x, Cars[car].CourseY = y, Cars[car].VelY = velY;
        CheckLapLine(car);
    }
    static void Cross(int car) { Move(car, 243, 370, 10); }
    static void Reverse(int car) { Move(car, 200, 305, -10); }
    static std::pair<int, int> Laps(int car) { return {Cars[car].LapCount, Cars[car].LapCountHigh}; }
};

// Taken only closer than 20 pixels to the car's centre; a computer car takes it too but
// the cash is the player's only.
TEST_F(Hud, PickupsAreTakenWithin20PixelsOfTheCarsCentre) {
    Cars[4].ScreenX = Cars[4].ScreenY = 300;
    for (auto [car, x, y, taken] : {std::tuple{0, 60.f, 25.f, false},  // 20 across
                                    {0, 52.f, 41.f, false},            // 12, 16: 20
                                    {0, 59.99f, 25.f, true},           // 19.99
                                    {0, 40.f, 6.f, true},              // 19 above
                                    {0, 0.f, 0.f, false},              // the corner: 47.2
                                    {4, 340.f, 325.f, true}}) {        // car 4 at (300, 300)
        Pickups[7] = Pickup{x, y, 0};
        Cars[0].Cash = 1200, ShowPlayerCash("$1200");
        TestPickup(car, 7);
        bool paid = taken && car == 0;  // whole dollars, as Start wrote them
        EXPECT_EQ(std::tuple(Pickups[7].State == PickupTaken, Cars[0].Cash, CashField2->Caption),
                  std::tuple(taken, paid ? 1300 : 1200, paid ? "$1300" : "$1200"))
            << x << "," << y;
    }
    EXPECT_EQ(Cars[4].Cash, 100);
}

TEST_F(Hud, BarsInTwipsTimesWithTwoDecimalsAndTheBestLapDriven) {
    // 1680 twips is 112 pixels: a speed of 336 x 5 fills the empty bar exactly.
    SetSpeedBar(336 * 5);
    EXPECT_EQ(SpeedBar->Width, 112);
    SetDamageBar(1680 * 25 / 100);  // a quarter of the body left: 420 twips, 28 pixels
    EXPECT_EQ(std::tuple(DamFill->Width, DamFill->Left), std::tuple(28, DamBack->Left));
    Cars[0].Gas = 50;
    ShowGas();
    EXPECT_EQ(GasBar->Width, SpeedBack->Width / 2);
    EXPECT_EQ(BestTimeField->Caption, "30.00");
    ShowLapTime(9.5f);
    ShowBestLap(123.456f);
    EXPECT_EQ(LapTimeField->Caption + "/" + BestTimeField->Caption, "09.50/123.46");
    // The best lap shown is blank until a lap is driven, then the fastest driven, even one
    // too slow for the rules' best lap.
    ShowStandingAtStart();
    EXPECT_EQ(BestLapShown->Caption, "");
    std::string shown;
    for (f32 lap : {31.0f, 35.0f, 29.5f}) ShowLastLap(lap), shown += BestLapShown->Caption + " ";
    EXPECT_EQ(shown, "31.00 31.00 29.50 ");
    EXPECT_FALSE(BestTimeField->Visible);
    ShowStandingAtStart();  // the next race
    EXPECT_EQ(BestLapShown->Caption, "");
}

int Red(Colour c) { return c & 0xFF; }
int Green(Colour c) { return (c >> 8) & 0xFF; }

TEST_F(Hud, BodyBarGoesFromGreenToRedAndEverythingFitsInsideThePanel) {
    SetDamageBar(1680);
    EXPECT_GT(Green(DamFill->BackColor), 150);
    EXPECT_LT(Red(DamFill->BackColor), Green(DamFill->BackColor));
    SetDamageBar(840);  // half: amber, red and green both strong
    EXPECT_GT(Red(DamFill->BackColor), 200);
    EXPECT_GT(Green(DamFill->BackColor), 120);
    SetDamageBar(168);  // a tenth left
    EXPECT_GT(Red(DamFill->BackColor), 3 * Green(DamFill->BackColor));
    // Behind every bar a track the full 112 pixels, which a damaged start never shrinks.
    SetDamageBack(840);
    int tracks = 0;
    for (const Control* child : HudFrame->Children) {
        EXPECT_GE(std::min(child->Left, child->Top), 0) << child->Name;
        EXPECT_LE(child->Left + child->Width, HudFrame->Width) << child->Name;
        EXPECT_LE(child->Top + child->Height, HudFrame->Height) << child->Name;
        if (child->Name.ends_with("Track")) {
            EXPECT_EQ(child->Width, 112) << child->Name;
            ++tracks;
        }
    }
    EXPECT_EQ(tracks, 3);
    EXPECT_EQ(MiniView[1]->Picture.Width * MiniView[1]->Picture.Height, 153 * 123);
}

// Counted only strictly inside the line's ends and strictly across it.
TEST_F(Hud, LapLineCrossings) {
    for (auto [x, y, velY, change] : {std::tuple{243.f, 370.f, 10.f, +1},  // 370 + 10 passes 375
                                      {156.f, 374.f, 2.f, +1},    // just inside the left end
                                      {155.f, 370.f, 10.f, 0},    // on the end itself
                                      {355.f, 370.f, 10.f, 0},
                                      {243.f, 375.f, 10.f, 0},    // already on the line
                                      {243.f, 370.f, 5.f, 0},     // lands on 375, not past it
                                      {243.f, 380.f, -10.f, 0},   // upwards over the forward line
                                      {200.f, 305.f, -10.f, -1},  // 305 - 10 passes 300 upwards
                                      {300.f, 305.f, -10.f, 0},   // the backward line ends at 300
                                      {320.f, 305.f, -10.f, 0},
                                      {200.f, 300.f, -10.f, 0}}) {
        Cars[1].LapCount = Cars[1].LapCountHigh = 1;
        Move(1, x, y, velY);
        EXPECT_EQ(Cars[1].LapCount, 1 + change) << x << "," << y << " by " << velY;
    }
    // Forward, back and forward again counts the lap once: only above the best so far.
    Cars[2].LapCount = Cars[2].LapCountHigh = 0;
    std::vector<std::pair<int, int>> laps;
    for (void (*step)(int) : {Cross, Reverse, Cross, Cross}) step(2), laps.push_back(Laps(2));
    EXPECT_EQ(laps, (std::vector<std::pair<int, int>>{{1, 1}, {0, 1}, {1, 1}, {2, 2}}));
}

TEST_F(Hud, PlayersFirstCrossingIsLapZeroWithNoTime) {
    Backend->Advance(12000);
    Cross(0);
    EXPECT_EQ(Laps(0), std::pair(0, 0));
    EXPECT_EQ(std::tuple(Race.LapStartTime, Race.BestLapTime), std::tuple(0.0f, 30.0f));  // the clock runs on from green
    // Second crossing at 12 + 19 s: lap 1 in 31 s from green, too slow to be a best lap.
    Backend->Advance(19000);
    Cross(0);
    EXPECT_EQ(std::tuple(Cars[0].LapCount, Race.BestLapTime, Race.LapStartTime), std::tuple(1, 30.0f, 31.0f));
    // Lap 2 in 25 s becomes the best.
    Backend->Advance(25000);
    Cross(0);
    EXPECT_EQ(std::tuple(Cars[0].LapCount, Race.BestLapTime, Race.LapStartTime), std::tuple(2, 25.0f, 56.0f));
}

TEST_F(Hud, LastLapFinishesCarsOnceAndAThirdComputerFinisherUnplacesThePlayer) {
    RaceLaps = 1;
    Cross(4);
    EXPECT_EQ(Cars[4].Status, StatusFinished);
    Cross(4);  // a finished car crossing again is not counted again
    EXPECT_EQ(std::tuple(int(Race.FinishCount), Laps(4).second), std::tuple(1, 1));
    Cross(1);
    EXPECT_EQ(Race.FinishCount, 2);
    Cross(2);
    EXPECT_EQ(std::tuple(Race.FinishCount, Cars[0].LapCount, Cars[0].Status), std::tuple(10, 10, StatusRacing));
    // The player finishing third keeps third place, and then no lap counts.
    Race = RaceState{};
    Race.LastCarIndex = 8;
    for (CarRecord& c : Cars) c.LapCount = c.LapCountHigh = 0, c.Status = StatusRacing;
    Cross(1), Cross(2), Cross(0);
    EXPECT_EQ(std::tuple(Race.FinishCount, Cars[0].LapCount), std::tuple(i16(3), i16(1)));
    Cars[0].Status = StatusFinished;  // as the sprite step leaves him
    Cross(5);
    EXPECT_EQ(Cars[5].LapCount, 0);
    Reverse(5);
    EXPECT_EQ(Cars[5].LapCount, 0);
}

}  // namespace
