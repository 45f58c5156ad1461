// Whole races on the virtual clock: lights, frames, pauses, the finish wait and the
// results board that follows.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <tuple>

#include "cars/cars_internal.h"
#include "frontend/frontend.h"
#include "race_test_folder.h"
#include "sound/sound.h"

namespace {

InputEvent Key(int code) { return {.Kind = InputEvent::Type::KeyDown, .Key = code, .Text = {}}; }

// Every car's place and motion after a frame, and the lap-time fields.
std::string FrameState() {
    std::string out;
    char line[200];
    for (int i = 0; i <= Race.LastCarIndex; ++i) {
        const CarRecord& c = Cars[i];
        std::snprintf(line, sizeof line, "%d %.9g %.9g %.9g %d %d %d %.9g\n", i, double(c.CourseX), double(c.CourseY),
                      double(c.Speed), c.Heading, c.LapCount, static_cast<int>(c.Status), double(c.Body));
        out += line;
    }
    return out + LapTimeField->Caption + " " + LastLapField->Caption + "\n";
}

class RaceLoop : public RaceScreenTest {
protected:
    std::function<void()> EachFrame, AtEnd;
    std::optional<RaceWatch> Watch;
    void SetUp() override {
        RaceScreenTest::SetUp();
        Watch.emplace([this] { if (EachFrame) EachFrame(); }, [this] { if (AtEnd) AtEnd(); });
    }
    void TearDown() override {
        Watch.reset();
        Backend->BeforeTurn = nullptr;
    }
    // Puts the player just above the line heading south: this frame's lap check counts it.
    static void OntoTheLine() {
        CarRecord& car = Cars[0];
        car.CourseX = 243, car.CourseY = 374, car.Heading = 500;
        car.Speed = car.CruiseSpeed = 50, car.VelX = 0, car.VelY = 4.5f;
    }
    // The player over the line for the last time on the given frame, placed as given.
    static void FinishOn(int frame, i16 place) {
        if (Race.Frame == frame) Race.FinishCount = place, Cars[0].LapCount = RaceLaps, Cars[0].Status = StatusFinished;
        // What the sprite step does on the first frame the player counts as finished.
        if (Cars[0].LapCount >= RaceLaps && Race.FinishTime == 0) Race.FinishTime = Timer();
    }
    // P now, and P again `ms` of virtual time later.
    void PauseFor(std::uint32_t ms) {
        RaceWindow->KeyDown(vbKeyP);
        Backend->Schedule(Backend->PeekTickCount() + ms, Key(vbKeyP));
    }
};

// The player over the line every 20 frames: lap 0 on frame 20, lap 1 timed on frame 40,
// home on frame 60, counted on 61, and the race ends 4 s (134 frames) later, first. The race
// alone pays nothing and moves nothing on. Pauses of 10 s mid-lap and in the finish wait
// move nothing while they last and leave every car's every frame, lap time and the frame
// count as a race without them.
TEST_F(RaceLoop, PlayerPlacesFirstAndPausesTakeTimeFromNobody) {
    std::string traces[2], atPause;
    int pausedTurns[2] = {0, 0};
    f32 best[2];
    std::uint32_t took[2];
    RaceReport report;
    for (bool pausing : {false, true}) {
        Randomize(11);  // a fresh career each time: only the pauses tell the races apart
        NewCareer();
        std::uint32_t start = Backend->PeekTickCount();
        Backend->BeforeTurn = [&] {
            if (!Race.Paused) return;
            ++pausedTurns[pausing];
            EXPECT_EQ(FrameState(), atPause);
            EXPECT_TRUE(PauseBox->ShownOnScreen());
        };
        EachFrame = [&] {
            if (Race.Frame % 20 == 0 && Race.Frame <= 60) OntoTheLine();
            traces[pausing] += FrameState();
            if (pausing && (Race.Frame == 30 || Race.Frame == 80)) atPause = FrameState(), PauseFor(10000);
        };
        AtEnd = [&] { best[pausing] = FastestPlayerLap(), took[pausing] = Backend->PeekTickCount() - start; };
        report = RunRace(CareerRace());
        EXPECT_FALSE(PauseBox->Visible);
    }
    EXPECT_EQ(std::tuple(report.Outcome, report.Place, Cars[0].LapCount, Cars[0].Cash, CurrentCourse),
              std::tuple(Outcome::Placed, 1, 2, 100, 1));
    EXPECT_NEAR(report.Frames, 61 + 134, 1);
    EXPECT_EQ(pausedTurns[0], 0);
    EXPECT_GT(pausedTurns[1], 1000);
    auto differ = std::mismatch(traces[0].begin(), traces[0].end(), traces[1].begin(), traces[1].end());
    EXPECT_TRUE(differ.first == traces[0].end() && differ.second == traces[1].end())
        << "first difference at " << std::string(differ.first, traces[0].end()).substr(0, 200);
    EXPECT_GT(best[0], 0.5f);
    EXPECT_NEAR(best[1], best[0], 0.002f);
    EXPECT_GE(took[1], took[0] + 20000);
    EXPECT_LT(took[1], took[0] + 20100);
}

// P while the lights are on is ignored, even the one pressed during the last light that
// reaches the race only in its first frame.
TEST_F(RaceLoop, PDuringTheCountdownDoesNothing) {
    for (std::uint32_t at : {500, 1500, 1990}) Backend->Schedule(Backend->PeekTickCount() + at, Key(vbKeyP));
    bool everPaused = false;
    Backend->BeforeTurn = [&] { everPaused = everPaused || Race.Paused; };
    EachFrame = [] { if (Race.Frame == 10) Race.Outcome = Outcome::Stopped; };
    RunRace(CareerRace());
    EXPECT_FALSE(everPaused);
}

// Escape asks before it leaves: it pauses the race with the question in the pause box, and
// a second Escape leaves where P races on. An Escape during the lights asks from the first
// frame; one while paused by P leaves at once.
TEST_F(RaceLoop, EscapeAsksAndASecondEscapeLeaves) {
    const std::string question = "Esc again to leave \u00B7 P to race on";
    const std::string pHint = FindControl(RaceWindow, "PauseHint")->Caption;
    struct Case {
        int FirstKey;   // at frame 10; or Escape at 1.5 s into the lights when 0
        int SecondKey;  // 3 s later
        ::Outcome Outcome;
        int Frames;
    } cases[] = {
        {vbKeyEscape, vbKeyEscape, Outcome::Abandoned, 10}, {vbKeyEscape, vbKeyP, Outcome::Stopped, 20},
        {0, vbKeyP, Outcome::Stopped, 20},                  {0, vbKeyEscape, Outcome::Abandoned, 1},
        {vbKeyP, vbKeyEscape, Outcome::Abandoned, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.FirstKey * 100 + c.SecondKey);
        SetUpRepeatRace();
        std::string hint;
        int frames = 0;
        if (c.FirstKey == 0) {
            Backend->Schedule(Backend->PeekTickCount() + 1500, Key(vbKeyEscape));
            Backend->Schedule(Backend->PeekTickCount() + 4500, Key(c.SecondKey));
        }
        Backend->BeforeTurn = [&] {
            if (Race.Paused && PauseBox->ShownOnScreen()) hint = FindControl(RaceWindow, "PauseHint")->Caption;
        };
        EachFrame = [&] {
            if (Race.Frame == 10 && c.FirstKey != 0) {
                RaceWindow->KeyDown(c.FirstKey);
                Backend->Schedule(Backend->PeekTickCount() + 3000, Key(c.SecondKey));
            }
            if (Race.Frame == 20) Race.Outcome = Outcome::Stopped;
        };
        AtEnd = [&] { frames = Race.Frame; };
        EXPECT_EQ(RunRace(CareerRace()).Outcome, c.Outcome);
        EXPECT_EQ(frames, c.Frames);
        EXPECT_EQ(hint, c.FirstKey == vbKeyP ? pHint : question);
        EXPECT_EQ(Race.LeftByPlayer, c.Outcome == Outcome::Abandoned);
        EXPECT_FALSE(Race.Paused);
        EXPECT_EQ(FindControl(RaceWindow, "PauseHint")->Caption, pHint);
    }
}

// Frame 100 ends about 5 s into the run, so 4 s before the next frame's clock reading is
// exact in single precision: exactly 4 s after the finish does not end the race yet.
TEST_F(RaceLoop, TheFinishWaitEndsOnlyAfterFourSecondsAndThenEscapeCannotUndoIt) {
    int endedOn = 0;
    EachFrame = [&] {
        if (Race.Frame != 100) return;
        FinishOn(100, 1);
        f32 nextFrameClock = static_cast<float>(std::lround(Timer() * 1000.0) + 1) / 1000.0f;
        ASSERT_GE(nextFrameClock, 4.0f);
        ASSERT_LT(nextFrameClock, 8.0f);
        Race.FinishTime = nextFrameClock - 4.0f;
    };
    AtEnd = [&] { endedOn = Race.Frame; };
    StartClick();
    EXPECT_EQ(endedOn, 102);
    EXPECT_EQ(Cars[0].Cash, 1300);
    // Once the wait has decided the race, an Escape in the turns after it leaves it placed.
    Outcome outcome{};
    EachFrame = [&] {
        FinishOn(5, 1);
        if (Race.Outcome == Outcome::Placed) RaceWindow->KeyDown(vbKeyEscape);
    };
    AtEnd = [&] { outcome = Race.Outcome; };
    StartClick();
    EXPECT_EQ(outcome, Outcome::Placed);
    EXPECT_EQ(std::tuple(Cars[0].Cash, CurrentCourse), std::tuple(2500, i16(3)));
}

// Escape while cars are burning, then a new career: nothing is on fire any more.
TEST_F(RaceLoop, ANewCareerAfterEscapeMidExplosionPutsEveryFireOut) {
    EachFrame = [] {
        if (Race.Frame == 20) Cars[0].Body = -1, PlayerWreck(), Cars[4].Body = 1;
        if (Race.Frame == 40) RaceWindow->KeyDown(vbKeyEscape), RaceWindow->KeyDown(vbKeyEscape);
    };
    EXPECT_EQ(RunRace(CareerRace()).Outcome, Outcome::Abandoned);
    EXPECT_EQ(std::tuple(Cars[0].FxState, Cars[4].FxState), std::tuple(FxExploding, FxExploding));
    BeginNewCareer();
    for (int i = 0; i < MaxCars; ++i) EXPECT_EQ(std::tuple(Cars[i].FxState, Cars[i].BlastFrameX), std::tuple(0, 0)) << i;
}

// A buffer that knows whether it is sounding, as a real device's does.
struct Sounding : SilentSoundBuffer {
    bool On = false;
    void Play(std::int32_t flags) override { SilentSoundBuffer::Play(flags), On = true; }
    void Stop() override { SilentSoundBuffer::Stop(), On = false; }
    std::int32_t GetStatus() override { return On ? DSBSTATUS_PLAYING : 0; }
};

// Everything falls silent while paused. The engines loop on afterwards, and the player's
// explosion goes on from where it was: its end is what ends a wrecked player's race.
TEST_F(RaceLoop, SoundsFallSilentWhilePausedAndTheWreckedPlayersExplosionGoesOn) {
    Sounding *engine = new Sounding, *skid = new Sounding, *explosion = new Sounding;
    EngineSounds[0].reset(engine), SkidSounds[0].reset(skid), ExplosionSounds[0].reset(explosion);
    bool silent = true;
    Backend->BeforeTurn = [&] {
        if (Race.Paused) silent = silent && !engine->On && !skid->On && !explosion->On;
    };
    EachFrame = [&] {
        if (Race.Frame == 5) engine->Play(DSBPLAY_LOOPING), skid->Play(0), Cars[0].Body = -1, PlayerWreck();
        if (Race.Frame == 10) explosion->Position = 4321, PauseFor(1000);
        if (Race.Frame == 11) {
            EXPECT_EQ(std::tuple(engine->On, engine->LastPlayFlags, skid->On, explosion->On, explosion->Position),
                      std::tuple(true, DSBPLAY_LOOPING, false, true, 4321));
            PlayerWreck();  // still burning: only a finished explosion ends the race
        }
        if (Race.Frame == 12) Race.Outcome = Outcome::Stopped;
    };
    EXPECT_EQ(RunRace(CareerRace()).Outcome, Outcome::Stopped);
    EXPECT_TRUE(silent);
    ReleaseSound();
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
    // Each frame's test reads the clock 29 ms before the frame's end.
    for (std::size_t i = 0; i < lightsShown.size(); ++i)
        EXPECT_EQ(lightsShown[i], !(sinceGreen[i] - 0.029f > 2.0f)) << "frame " << i + 1;
    EXPECT_TRUE(pointerHidden);
    EXPECT_EQ(RaceWindow->Pointer, PointerKind::Default);
    // A stopped race leaves everything where it was.
    EXPECT_EQ(std::tuple(CurrentCourse, Race.Outcome), std::tuple(i16(1), Outcome::Stopped));
    EXPECT_EQ(PlayArea[0]->Left, 329);
    EXPECT_EQ(HudFrame->Left + HudFrame->Width + 2, 329);
    EXPECT_EQ(HudFrame->Top, PlayArea[0]->Top);
    // 0.3 s after green (frame 10) the bottom lamp still shows over the view.
    EXPECT_EQ(canvas.Pixel(Light[2]->CanvasLeft() + 16, Light[2]->CanvasTop() + 16), 0x00FF00u);
    EXPECT_EQ(canvas.Pixel(Light[0]->CanvasLeft() + 16, Light[0]->CanvasTop() + 16), 0x000000u);
    // The HUD's two-pixel edge, dark gold.
    EXPECT_EQ(canvas.Pixel(HudFrame->CanvasLeft() + 1, HudFrame->CanvasTop() + 200), 0x786414u);
}

// Car 3 home on frame 5, the player second on frame 8, car 6 wrecked: the board lists
// them so, the rest as not finished, and goes by itself after 8 s.
TEST_F(RaceLoop, BoardListsFinishersWrecksAndTheRestAndGoesAfterEightSeconds) {
    EachFrame = [] {
        if (Race.Frame == 5) Cars[3].Status = StatusFinished, Race.FinishCount = 1;
        FinishOn(8, 2);
        if (Race.Frame == 9) Cars[6].Status = StatusOut;
    };
    std::uint32_t endedAt = 0;
    AtEnd = [&] { endedAt = Backend->PeekTickCount(); };
    std::vector<std::string> drivers, times;
    Backend->BeforeTurn = [&] {
        if (!ResultsBoardShown() || !drivers.empty()) return;
        for (int i = 0; i < 9; ++i) {
            drivers.push_back(FindControl(ResultsBoard, "Driver", i)->Caption);
            times.push_back(FindControl(ResultsBoard, "Time", i)->Caption);
        }
    };
    StartClick();
    std::uint32_t boardTook = Backend->PeekTickCount() - endedAt;
    EXPECT_GE(boardTook, 8000u);
    EXPECT_LT(boardTook, 8100u);
    EXPECT_TRUE(FlashBox->ShownOnScreen());
    EXPECT_EQ(ResultsBoard, nullptr);
    ASSERT_EQ(LastResults.Count, 9);
    EXPECT_EQ(std::tuple(LastResults.Rows[0].Car, LastResults.Rows[1].Car, LastResults.Rows[8].Car), std::tuple(3, 0, 6));
    ASSERT_EQ(drivers.size(), 9u);
    EXPECT_EQ(drivers[0] + "/" + drivers[1], DriverName(3, "Ann") + "/Ann");
    // Frame n begins 30 (n - 1) ms after green: car 3 is noted in frame 6, the player in 9.
    EXPECT_EQ(times, (std::vector<std::string>{"00.15", "00.24", "did not finish", "did not finish", "did not finish",
                                                "did not finish", "did not finish", "did not finish", "out"}));
    EXPECT_EQ(LastResults.Prize, 750);
    EXPECT_EQ(CourseField->Caption, "Course2");
}

}  // namespace
