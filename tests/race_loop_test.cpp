// Whole races on the virtual clock: lights, frames, the finish wait and what follows.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "app/app.h"
#include "career/career.h"
#include "course/course.h"
#include "frontend/frontend.h"
#include "race/race.h"
#include "race_test_folder.h"

namespace {

// Hooks are plain function pointers; the scenario they run lives here.
std::function<void()> EachFrame, AtEnd;
void CallEachFrame() { if (EachFrame) EachFrame(); }
void CallAtEnd() { if (AtEnd) AtEnd(); }

class Race : public RaceScreenTest {
protected:
    void SetUp() override {
        RaceScreenTest::SetUp();
        EachFrame = AtEnd = nullptr;
        AfterRaceFrame = CallEachFrame, RaceEnded = CallAtEnd;
    }
    void TearDown() override { AfterRaceFrame = RaceEnded = nullptr; }

    // Puts the player just above the line heading south: this frame's lap check counts it.
    static void OntoTheLine() {
        CarRecord& car = Cars[0];
        car.CourseX = 243, car.CourseY = 374, car.Heading = 500;
        car.Speed = car.CruiseSpeed = 50, car.VelX = 0, car.VelY = 4.5f;
    }
    // The player over the line for the last time on the given frame, placed as given.
    static void FinishOn(int frame, i16 place) {
        if (RaceFrame != frame) return;
        FinishCount = place, Cars[0].LapCount = RaceLaps, Cars[0].Status = StatusFinished;
    }
    // What the sprite step does on the first frame the player counts as finished.
    static void MarkFinishLikeTheSprites() {
        if (Cars[0].LapCount >= RaceLaps && FinishTime == 0) FinishTime = Timer();
    }
};

TEST_F(Race, LonePlayerPlacesFirstAndEarns1200) {
    LastCarIndex = 0;
    i16 outcome = 0, place = 0, laps = 0, frames = 0;
    EachFrame = [] {
        // Over the line every 20 frames: lap 0, then laps 1 and 2 of course 1's two.
        if (RaceFrame % 20 == 0) OntoTheLine();
        MarkFinishLikeTheSprites();
    };
    AtEnd = [&] { outcome = RaceOutcome, place = FinishCount, laps = Cars[0].LapCount, frames = RaceFrame; };
    StartClick();
    EXPECT_EQ(std::tuple(outcome, place, laps), std::tuple(OutcomePlaced, 1, 2));
    // The third crossing is counted on frame 61; 4 s is 134 frames more.
    EXPECT_NEAR(frames, 61 + 134, 1);
    EXPECT_EQ(Cars[0].Cash, 100 + 1200);
    // The next race, on course 2, is set up and waiting on the panel.
    EXPECT_EQ(RaceOutcome, OutcomeRunning);
    EXPECT_EQ(LastCarIndex, 8);
    EXPECT_TRUE(FlashBox->Visible);
    EXPECT_EQ(CourseField->Caption, "Course2");
}

TEST_F(Race, ThirdComputerFinisherEndsTheRaceUnplacedFourSecondsLater) {
    f32 finishedAt = 0, endedAt = 0;
    i16 outcome = 0;
    EachFrame = [&] {
        // As the lap line leaves it when a third computer car comes home.
        if (RaceFrame == 5) FinishCount = Cars[0].LapCount = 10;
        MarkFinishLikeTheSprites();
        if (finishedAt == 0) finishedAt = FinishTime;
    };
    AtEnd = [&] { outcome = RaceOutcome, endedAt = Timer(); };
    Cars[3].Body = 5, Cars[0].Body = 40;
    StartClick();
    EXPECT_EQ(outcome, OutcomeNotPlaced);
    EXPECT_GT(endedAt - finishedAt, 4.0f);
    EXPECT_LT(endedAt - finishedAt, 4.0f + 0.061f);
    EXPECT_EQ(Cars[0].Cash, 100);  // no prize
    EXPECT_EQ(CurrentCourse, 1);   // the same course again
    EXPECT_EQ(Cars[3].Body, Cars[3].BodyMax);  // opponents mended, the player not
    EXPECT_EQ(Cars[0].Body, 40);
}

TEST_F(Race, ExactlyFourSecondsAfterTheFinishDoesNotEndTheRace) {
    // Frame 100 ends about 5 s into the run, so 4 s before the next frame's clock reading
    // is exact in single precision: the next frame sees exactly 4.0.
    int setAt = 100, endedOn = 0;
    EachFrame = [&] {
        if (RaceFrame != setAt) return;
        FinishOn(setAt, 1);
        long nowMs = std::lround(Timer() * 1000.0);
        f32 nextFrameClock = static_cast<float>(nowMs + 1) / 1000.0f;
        ASSERT_GE(nextFrameClock, 4.0f);
        ASSERT_LT(nextFrameClock, 8.0f);
        FinishTime = nextFrameClock - 4.0f;
    };
    AtEnd = [&] { endedOn = RaceFrame; };
    StartClick();
    EXPECT_EQ(endedOn, setAt + 2);
    EXPECT_EQ(Cars[0].Cash, 1300);
}

// Once the finish wait has decided the race, Escape has nothing left to ask.
TEST_F(Race, EscapeInTheFrameTheWaitEndsLeavesThePlacedFinish) {
    i16 outcome = 0;
    EachFrame = [&] {
        FinishOn(5, 1);
        MarkFinishLikeTheSprites();
        // The finish test has just made it 5; the key arrives in the turns after it.
        if (RaceOutcome == OutcomePlaced) RaceWindow->KeyDown(vbKeyEscape);
    };
    AtEnd = [&] { outcome = RaceOutcome; };
    StartClick();
    EXPECT_EQ(outcome, OutcomePlaced);
    EXPECT_EQ(Cars[0].Cash, 1300);
    EXPECT_EQ(CurrentCourse, 2);
}

TEST_F(Race, PlacedFinishOnCourse14GoesOnToCourse1) {
    CurrentCourse = 14;
    SetUpRepeatRace();
    EXPECT_EQ(RaceLaps, 4);
    EachFrame = [] {
        FinishOn(3, 2);
        MarkFinishLikeTheSprites();
    };
    StartClick();
    EXPECT_EQ(CurrentCourse, 1);
    EXPECT_EQ(Cars[0].Cash, 100 + 750);
    EXPECT_EQ(RaceLaps, 2);
    EXPECT_EQ(Course.CourseName, "Test Field 1");
}

// Second over the line, then a scrape along a wall during the finish wait while a
// computer car comes home: the player keeps second place and its 750.
TEST_F(Race, FinishedPlayerScrapingAWallKeepsSecondPlaceWhileAComputerCarFinishes) {
    i16 place = 0;
    i32 cashBefore = 0;
    EachFrame = [&] {
        FinishOn(5, 2);
        if (RaceFrame == 6) {
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
        if (RaceFrame == 7) {
            EXPECT_GT(Cars[1].CourseY, 375.0f) << "car 1 did not cross the line";
        }
    };
    AtEnd = [&] { place = FinishCount, cashBefore = Cars[0].Cash; };
    EXPECT_EQ(RunRace(), OutcomePlaced);
    EXPECT_EQ(place, 2);
    EXPECT_EQ(Cars[0].Status, StatusFinished);
    EXPECT_EQ(Cars[0].Cash - cashBefore, 750);
}

// A wreck parked against a wall, pointing into it with its throttle on, stays out of the
// race once its fire has burnt out: it never comes back to explode again.
TEST_F(Race, WreckAgainstAWallStaysOutFor300Frames) {
    CarRecord& wreck = Cars[3];
    wreck.TileCol = Course.StartTileCol, wreck.TileRow = Course.StartTileRow;
    wreck.TileX = 185, wreck.TileY = 100, wreck.Heading = 5 * 50, wreck.Body = 1;
    int explosions = 0, outFrom = 0, backOn = 0;
    i16 lastFx = 0;
    EachFrame = [&] {
        if (wreck.FxState == FxExploding && lastFx != FxExploding) ++explosions;
        lastFx = wreck.FxState;
        if (wreck.Status == StatusOut && outFrom == 0) outFrom = RaceFrame;
        if (outFrom && wreck.Status != StatusOut && backOn == 0) backOn = RaceFrame;
        if (RaceFrame == 300) RaceOutcome = OutcomeStopped;
    };
    RunRace();
    EXPECT_EQ(explosions, 1);
    EXPECT_GT(outFrom, 0);
    EXPECT_LT(outFrom, 100);
    EXPECT_EQ(backOn, 0) << "the wreck came back on frame " << backOn;
}

// Escape while cars are burning, then a new career: nothing is on fire any more.
TEST_F(Race, CareerStartedAfterEscapeMidExplosionHasNoCarExploding) {
    EachFrame = [] {
        if (RaceFrame == 20) Cars[0].Body = -1, PlayerWreck(), Cars[4].Body = 1;
        if (RaceFrame == 40) RaceWindow->KeyDown(vbKeyEscape), RaceWindow->KeyDown(vbKeyEscape);
    };
    AtEnd = [] { ASSERT_EQ(Cars[0].FxState, FxExploding); };
    EXPECT_EQ(RunRace(), OutcomeAbandoned);
    EXPECT_EQ(Cars[4].FxState, FxExploding);
    BeginNewCareer();
    for (int i = 0; i < MaxCars; ++i) {
        EXPECT_EQ(Cars[i].FxState, 0) << "car " << i;
        EXPECT_EQ(Cars[i].BlastFrameX, 0) << "car " << i;
    }
}

// Third home is still placed: the 300 prize and the next course.
TEST_F(Race, ThirdPlaceIsPlacedAndEarns300) {
    EachFrame = [] { FinishOn(3, 3); };
    EXPECT_EQ(RunRace(), OutcomePlaced);
    EXPECT_EQ(Cars[0].Cash, 100 + 300);
    EXPECT_EQ(CurrentCourse, 2);
}

// The view sits right of centre, 1024 / 2 - 550 / 3 = 328.67 rounded to 329, with the HUD
// beside it; the lights show over it until 2 s after green.
TEST_F(Race, LightsShowForTwoSecondsAfterGreenBesideTheHudAndThePointerHidesOnlyDuringTheRace) {
    std::vector<bool> lightsShown;
    std::vector<f32> sinceGreen;
    bool pointerHidden = true;
    Surface canvas;
    EachFrame = [&] {
        lightsShown.push_back(PopBox->Visible);
        sinceGreen.push_back(Timer() - LapStartTime);
        pointerHidden = pointerHidden && RaceWindow->Pointer != PointerKind::Default;
        if (RaceFrame == 10) Refresh(), canvas = ComposeCanvas();
        if (RaceFrame == 80) RaceOutcome = OutcomeStopped;
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
    EXPECT_EQ(RaceOutcome, OutcomeStopped);
    EXPECT_EQ(PlayArea[0]->Left, 329);
    EXPECT_EQ(HudFrame->Left + HudFrame->Width + 2, 329);
    EXPECT_EQ(HudFrame->Top, PlayArea[0]->Top);
    // 0.3 s after green (frame 10) the bottom lamp still shows over the view.
    EXPECT_EQ(canvas.Pixel(Light[2]->CanvasLeft() + 16, Light[2]->CanvasTop() + 16), 0x00FF00u);
    EXPECT_EQ(canvas.Pixel(Light[0]->CanvasLeft() + 16, Light[0]->CanvasTop() + 16), 0x000000u);
}

}  // namespace
