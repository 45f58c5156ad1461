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
    Form* Window = nullptr;
    void SetUp() override {
        Backend = &FreshHeadless();
        CreateHud(Window = CreateForm("RaceWindow"));
        for (auto& car : Cars) car = CarRecord{}, car.SpriteWidth = 80, car.SpriteHeight = 50;  // centre (40, 25)
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
    static std::pair<int, int> Laps(int car) { return {Cars[car].LapCount, Cars[car].LapCountHigh}; }
};

// Taken only closer than 20 pixels to the car's centre; a computer car takes it too but
// the cash is the player's only.
TEST_F(Hud, PickupsAreTakenWithin20PixelsOfTheCarsCentre) {
    Cars[4].ScreenX = Cars[4].ScreenY = 300;
    for (auto [car, x, y, taken] : {std::tuple{0, 60.f, 25.f, false},  // 20 across
                                    {0, 52.f, 41.f, false},            // 12, 16: 20
                                    {0, 59.99f, 25.f, true},           // 19.99
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
    SetDamageBar(1680 * 25 / 100);  // a quarter of the body left: 420 twips, 28 pixels
    SetDamageBack(840);             // a damaged start never shrinks the track behind the bar
    Cars[0].Gas = 50, ShowGas();
    EXPECT_EQ(std::tuple(SpeedBar->Width, DamFill->Width, DamFill->Left, FindControl(Window, "DamBackTrack")->Width, GasBar->Width),
              std::tuple(112, 28, DamBack->Left, 112, 56));
    ShowLapTime(9.5f);
    ShowBestLap(123.456f);
    EXPECT_EQ(LapTimeField->Caption + "/" + BestTimeField->Caption, "09.50/123.46");
    // The best lap shown is blank until a lap is driven, then the fastest driven, even one
    // too slow for the rules' best lap.
    ShowStandingAtStart();
    std::string shown = BestLapShown->Caption + "|";
    for (f32 lap : {31.0f, 35.0f, 29.5f}) ShowLastLap(lap), shown += BestLapShown->Caption + " ";
    ShowStandingAtStart();  // the next race
    EXPECT_EQ(shown + "|" + BestLapShown->Caption, "|31.00 31.00 29.50 |");
}

// Counted only strictly inside the line's ends and strictly across it; forward, back and
// forward again counts the lap once: only above the best so far.
TEST_F(Hud, LapLineCrossings) {
    for (auto [x, y, velY, change] : {std::tuple{156.f, 374.f, 2.f, +1},  // just inside the left end
                                      {155.f, 370.f, 10.f, 0},            // on the end itself
                                      {243.f, 375.f, 10.f, 0},            // already on the line
                                      {243.f, 370.f, 5.f, 0},             // lands on 375, not past it
                                      {243.f, 380.f, -10.f, 0},           // upwards over the forward line
                                      {200.f, 305.f, -10.f, -1},          // 305 - 10 passes 300 upwards
                                      {300.f, 305.f, -10.f, 0}}) {        // the backward line ends at 300
        Cars[1].LapCount = Cars[1].LapCountHigh = 1;
        Move(1, x, y, velY);
        EXPECT_EQ(Cars[1].LapCount, 1 + change) << x << "," << y << " by " << velY;
    }
    std::vector<std::pair<int, int>> laps;
    for (f32 velY : {10.f, -10.f, 10.f, 10.f})
        velY > 0 ? Cross(2) : Move(2, 200, 305, velY), laps.push_back(Laps(2));
    EXPECT_EQ(laps, (std::vector<std::pair<int, int>>{{1, 1}, {0, 1}, {1, 1}, {2, 2}}));
}

TEST_F(Hud, LastLapFinishesCarsOnceAndAThirdComputerFinisherUnplacesThePlayer) {
    RaceLaps = 1;
    Cross(4), Cross(4);  // a finished car crossing again is not counted again
    EXPECT_EQ(std::tuple(Cars[4].Status, Race.FinishCount, Laps(4).second), std::tuple(StatusFinished, i16(1), 1));
    Cross(1), Cross(2);
    EXPECT_EQ(std::tuple(Race.FinishCount, Cars[0].LapCount, Cars[0].Status), std::tuple(i16(10), i16(10), StatusRacing));
}

}  // namespace
