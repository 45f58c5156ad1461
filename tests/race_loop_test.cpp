// Whole races on the virtual clock: lights, frames, the finish wait and what follows.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <tuple>

#include "app/app.h"
#include "career/career.h"
#include "course/course.h"
#include "frontend/frontend.h"
#include "cars/cars_internal.h"
#include "race/race_internal.h"
#include "race_test_folder.h"

namespace {

class RaceLoop : public RaceScreenTest {
protected:
    std::function<void()> EachFrame, AtEnd;
    std::optional<RaceWatch> Watch;
    void SetUp() override {
        RaceScreenTest::SetUp();
        Watch.emplace([this] { if (EachFrame) EachFrame(); }, [this] { if (AtEnd) AtEnd(); });
    }
    void TearDown() override { Watch.reset(); }

    // Puts the player just above the line heading south: this frame's lap check counts it.
    static void OntoTheLine() {
        CarRecord& car = Cars[0];
        car.CourseX = 243, car.CourseY = 374, car.Heading = 500;
        car.Speed = car.CruiseSpeed = 50, car.VelX = 0, car.VelY = 4.5f;
    }
    // The player over the line for the last time on the given frame, placed as given.
    static void FinishOn(int frame, i16 place) {
        if (Race.Frame != frame) return;
        Race.FinishCount = place, Cars[0].LapCount = RaceLaps, Cars[0].Status = StatusFinished;
    }
    // What the sprite step does on the first frame the player counts as finished.
    static void MarkFinishLikeTheSprites() {
        if (Cars[0].LapCount >= RaceLaps && Race.FinishTime == 0) Race.FinishTime = Timer();
    }
};

// A race outside the career's series, the player alone: first home, and nothing paid
// or moved on, which is the career's business and not the race's.
TEST_F(RaceLoop, LonePlayerPlacesFirstAndTheRaceAlonePaysNothing) {
    EachFrame = [] {
        // Over the line every 20 frames: lap 0, then laps 1 and 2 of course 1's two.
        if (Race.Frame % 20 == 0) OntoTheLine();
        MarkFinishLikeTheSprites();
    };
    RaceReport report = RunRace(RaceSetup{0});
    EXPECT_EQ(std::tuple(report.Outcome, report.Place, Cars[0].LapCount),
              std::tuple(Outcome::Placed, 1, 2));
    EXPECT_EQ(report.Results.Count, 1);
    // The third crossing is counted on frame 61; 4 s is 134 frames more.
    EXPECT_NEAR(report.Frames, 61 + 134, 1);
    EXPECT_EQ(Cars[0].Cash, 100);
    EXPECT_EQ(CurrentCourse, 1);
}

TEST_F(RaceLoop, ExactlyFourSecondsAfterTheFinishDoesNotEndTheRace) {
    // Frame 100 ends about 5 s into the run, so 4 s before the next frame's clock reading
    // is exact in single precision: the next frame sees exactly 4.0.
    int setAt = 100, endedOn = 0;
    EachFrame = [&] {
        if (Race.Frame != setAt) return;
        FinishOn(setAt, 1);
        long nowMs = std::lround(Timer() * 1000.0);
        f32 nextFrameClock = static_cast<float>(nowMs + 1) / 1000.0f;
        ASSERT_GE(nextFrameClock, 4.0f);
        ASSERT_LT(nextFrameClock, 8.0f);
        Race.FinishTime = nextFrameClock - 4.0f;
    };
    AtEnd = [&] { endedOn = Race.Frame; };
    StartClick();
    EXPECT_EQ(endedOn, setAt + 2);
    EXPECT_EQ(Cars[0].Cash, 1300);
}

// Once the finish wait has decided the race, Escape has nothing left to ask.
TEST_F(RaceLoop, EscapeInTheFrameTheWaitEndsLeavesThePlacedFinish) {
    Outcome outcome{};
    EachFrame = [&] {
        FinishOn(5, 1);
        MarkFinishLikeTheSprites();
        // The finish test has just made it 5; the key arrives in the turns after it.
        if (Race.Outcome == Outcome::Placed) RaceWindow->KeyDown(vbKeyEscape);
    };
    AtEnd = [&] { outcome = Race.Outcome; };
    StartClick();
    EXPECT_EQ(outcome, Outcome::Placed);
    EXPECT_EQ(Cars[0].Cash, 1300);
    EXPECT_EQ(CurrentCourse, 2);
}

// Second over the line, then a scrape along a wall during the finish wait while a
// computer car comes home: the player keeps second place. The race itself pays nothing.
TEST_F(RaceLoop, FinishedPlayerScrapingAWallKeepsSecondPlaceWhileAComputerCarFinishes) {
    i32 cashBefore = 0;
    EachFrame = [&] {
        FinishOn(5, 2);
        if (Race.Frame == 6) {
            // Heading east into the start tile's east wall, and car 1 about to cross the
            // line on its last lap.
            CarRecord& player = Cars[0];
            player.TileCol = Course.StartTileCol, player.TileRow = Course.StartTileRow;
            player.TileX = 185, player.TileY = 100, player.Heading = 5 * 50;
            player.Speed = player.CruiseSpeed = 30;
            CarRecord& car = Cars[1];
            car.CourseX = 243, car.CourseY = 370, car.Heading = 500, car.Speed = 100;
            car.TileCol = car.TileRow = 2;
            car.LapCount = car.LapCountHigh = static_cast<i16>(RaceLaps - 1);
        }
        if (Race.Frame == 7) {
            EXPECT_GT(Cars[1].CourseY, 375.0f) << "car 1 did not cross the line";
        }
    };
    cashBefore = Cars[0].Cash;
    RaceReport report = RunRace(CareerRace());
    EXPECT_EQ(report.Outcome, Outcome::Placed);
    EXPECT_EQ(report.Place, 2);
    EXPECT_EQ(Cars[0].Status, StatusFinished);
    EXPECT_EQ(Cars[0].Cash, cashBefore);
    EXPECT_EQ(CurrentCourse, 1);
}

// A wreck parked against a wall, pointing into it with its throttle on, stays out of the
// race once its fire has burnt out: it never comes back to explode again.
TEST_F(RaceLoop, WreckAgainstAWallStaysOutFor300Frames) {
    CarRecord& wreck = Cars[3];
    wreck.TileCol = Course.StartTileCol, wreck.TileRow = Course.StartTileRow;
    wreck.TileX = 185, wreck.TileY = 100, wreck.Heading = 5 * 50, wreck.Body = 1;
    int explosions = 0, outFrom = 0, backOn = 0;
    i16 lastFx = 0;
    EachFrame = [&] {
        if (wreck.FxState == FxExploding && lastFx != FxExploding) ++explosions;
        lastFx = wreck.FxState;
        if (wreck.Status == StatusOut && outFrom == 0) outFrom = Race.Frame;
        if (outFrom && wreck.Status != StatusOut && backOn == 0) backOn = Race.Frame;
        if (Race.Frame == 300) Race.Outcome = Outcome::Stopped;
    };
    RunRace(CareerRace());
    EXPECT_EQ(explosions, 1);
    EXPECT_GT(outFrom, 0);
    EXPECT_LT(outFrom, 100);
    EXPECT_EQ(backOn, 0) << "the wreck came back on frame " << backOn;
}

// Escape while cars are burning, then a new career: nothing is on fire any more.
TEST_F(RaceLoop, CareerStartedAfterEscapeMidExplosionHasNoCarExploding) {
    EachFrame = [] {
        if (Race.Frame == 20) Cars[0].Body = -1, PlayerWreck(), Cars[4].Body = 1;
        if (Race.Frame == 40) RaceWindow->KeyDown(vbKeyEscape), RaceWindow->KeyDown(vbKeyEscape);
    };
    AtEnd = [] { ASSERT_EQ(Cars[0].FxState, FxExploding); };
    EXPECT_EQ(RunRace(CareerRace()).Outcome, Outcome::Abandoned);
    EXPECT_EQ(Cars[4].FxState, FxExploding);
    BeginNewCareer();
    for (int i = 0; i < MaxCars; ++i) {
        EXPECT_EQ(Cars[i].FxState, 0) << "car " << i;
        EXPECT_EQ(Cars[i].BlastFrameX, 0) << "car " << i;
    }
}

// The view sits right of centre, 1024 / 2 - 550 / 3 = 328.67 rounded to 329, with the HUD
// beside it; the lights show over it until 2 s after green.
TEST_F(RaceLoop, LightsShowForTwoSecondsAfterGreenBesideTheHudAndThePointerHidesOnlyDuringTheRace) {
    std::vector<bool> lightsShown;
    std::vector<f32> sinceGreen;
    bool pointerHidden = true;
    Surface canvas;
    EachFrame = [&] {
        lightsShown.push_back(PopBox->Visible);
        sinceGreen.push_back(Timer() - Race.LapStartTime);
        pointerHidden = pointerHidden && RaceWindow->Pointer != PointerKind::Default;
        if (Race.Frame == 10) Refresh(), canvas = ComposeCanvas();
        if (Race.Frame == 80) Race.Outcome = Outcome::Stopped;
    };
    StartClick();
    ASSERT_EQ(lightsShown.size(), 80u);
    for (std::size_t i = 0; i < lightsShown.size(); ++i) {
        // Each frame's test reads the clock 29 ms before the frame's end.
        EXPECT_EQ(lightsShown[i], !(sinceGreen[i] - 0.029f > 2.0f)) << "frame " << i + 1;
    }
    EXPECT_TRUE(pointerHidden);
    EXPECT_EQ(RaceWindow->Pointer, PointerKind::Default);
    // A stopped race leaves everything where it was.
    EXPECT_EQ(CurrentCourse, 1);
    EXPECT_EQ(Race.Outcome, Outcome::Stopped);
    EXPECT_EQ(PlayArea[0]->Left, 329);
    EXPECT_EQ(HudFrame->Left + HudFrame->Width + 2, 329);
    EXPECT_EQ(HudFrame->Top, PlayArea[0]->Top);
    // 0.3 s after green (frame 10) the bottom lamp still shows over the view.
    EXPECT_EQ(canvas.Pixel(Light[2]->CanvasLeft() + 16, Light[2]->CanvasTop() + 16), 0x00FF00u);
    EXPECT_EQ(canvas.Pixel(Light[0]->CanvasLeft() + 16, Light[0]->CanvasTop() + 16), 0x000000u);
}

}  // namespace
