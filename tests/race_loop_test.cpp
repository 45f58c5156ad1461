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

// Every car's whole record after a frame, and the lap-time fields.
std::string FrameState() {
    return std::string(reinterpret_cast<const char*>(Cars), sizeof Cars) + LapTimeField->Caption + LastLapField->Caption;
}

class RaceLoop : public RaceScreenTest {
protected:
    std::function<void()> EachFrame, AtEnd;
    std::optional<RaceWatch> Watch;
    void SetUp() override {
        RaceScreenTest::SetUp();
        Watch.emplace([this] { if (EachFrame) EachFrame(); }, [this] { if (AtEnd) AtEnd(); });
    }
    void TearDown() override { Watch.reset(), Backend->BeforeTurn = nullptr; }
    void KeyAt(std::uint32_t ms, int code) { Backend->Schedule(Backend->PeekTickCount() + ms, Key(code)); }
    // The player over the line for the last time on the given frame, placed as given.
    static void FinishOn(int frame, i16 place) {
        if (Race.Frame == frame) Race.FinishCount = place, Cars[0].LapCount = RaceLaps, Cars[0].Status = StatusFinished;
        // What the sprite step does on the first frame the player counts as finished.
        if (Cars[0].LapCount >= RaceLaps && Race.FinishTime == 0) Race.FinishTime = Timer();
    }
};

// The player over the line every 20 frames: home on frame 60, counted on 61, and the race
// ends 4 s (134 frames) later, first. The race alone pays nothing and moves nothing on.
// Pauses of 10 s mid-lap and in the finish wait move nothing while they last and leave
// every car's every frame, lap time and the frame count as a race without them.
TEST_F(RaceLoop, PlayerPlacesFirstAndPausesTakeTimeFromNobody) {
    std::string traces[2], atPause;
    int pausedTurns[2] = {0, 0};
    std::uint32_t took[2];
    RaceReport report;
    for (bool pausing : {false, true}) {
        Randomize(11);  // a fresh career each time: only the pauses tell the races apart
        NewCareer();
        std::uint32_t start = Backend->PeekTickCount();
        Backend->BeforeTurn = [&] {
            if (!Race.Paused) return;
            ++pausedTurns[pausing];
            EXPECT_TRUE(FrameState() == atPause);
            EXPECT_TRUE(PauseBox->ShownOnScreen());
        };
        EachFrame = [&] {
            if (Race.Frame % 20 == 0 && Race.Frame <= 60) {  // just above the line heading south
                CarRecord& car = Cars[0];
                car.CourseX = 243, car.CourseY = 374, car.Heading = 500;
                car.Speed = car.CruiseSpeed = 50, car.VelX = 0, car.VelY = 4.5f;
            }
            traces[pausing] += FrameState();
            if (pausing && (Race.Frame == 30 || Race.Frame == 80))
                atPause = FrameState(), RaceWindow->KeyDown(vbKeyP), KeyAt(10000, vbKeyP);
        };
        AtEnd = [&] { took[pausing] = Backend->PeekTickCount() - start; };
        report = RunRace(CareerRace());
        EXPECT_FALSE(PauseBox->Visible);
    }
    EXPECT_EQ(std::tuple(report.Outcome, report.Place, Cars[0].LapCount, Cars[0].Cash, CurrentCourse),
              std::tuple(Outcome::Placed, 1, 2, 100, 1));
    EXPECT_NEAR(report.Frames, 61 + 134, 1);
    EXPECT_TRUE(pausedTurns[0] == 0 && pausedTurns[1] > 1000 && traces[0] == traces[1]);
    EXPECT_TRUE(took[1] >= took[0] + 20000 && took[1] < took[0] + 20100) << took[1] - took[0];
}

// Escape asks before it leaves: it pauses the race with the question in the pause box, and
// a second Escape leaves where P races on. An Escape during the lights asks from the first
// frame; one while paused by P leaves at once. P during the lights is ignored, even the one
// pressed during the last light that reaches the race only in its first frame.
TEST_F(RaceLoop, EscapeAsksAndASecondEscapeLeavesAndPDuringTheLightsDoesNothing) {
    const std::string question = "Esc again to leave \u00B7 P to race on";
    const std::string pHint = FindControl(RaceWindow, "PauseHint")->Caption;
    // The first key at frame 10, or Escape at 1.5 s into the lights when 0; the second 3 s later.
    for (auto [first, second, outcome, lastFrame] :
         {std::tuple<int, int, Outcome, int>{vbKeyEscape, vbKeyEscape, Outcome::Abandoned, 10}, {vbKeyEscape, vbKeyP, Outcome::Stopped, 20},
          {0, vbKeyP, Outcome::Stopped, 20}, {0, vbKeyEscape, Outcome::Abandoned, 1},
          {vbKeyP, vbKeyEscape, Outcome::Abandoned, 10}, {-1, 0, Outcome::Stopped, 20}}) {
        SCOPED_TRACE(first * 100 + second);
        SetUpRepeatRace();
        std::string hint;
        int frames = 0;
        if (first == 0) KeyAt(1500, vbKeyEscape), KeyAt(4500, second);
        if (first < 0)
            for (std::uint32_t at : {500, 1500, 1990}) KeyAt(at, vbKeyP);
        Backend->BeforeTurn = [&] {
            if (Race.Paused && PauseBox->ShownOnScreen()) hint = FindControl(RaceWindow, "PauseHint")->Caption;
        };
        EachFrame = [&] {
            if (Race.Frame == 10 && first > 0) RaceWindow->KeyDown(first), KeyAt(3000, second);
            if (Race.Frame == 20) Race.Outcome = Outcome::Stopped;
        };
        AtEnd = [&] { frames = Race.Frame; };
        EXPECT_EQ(std::tuple(RunRace(CareerRace()).Outcome, frames, Race.LeftByPlayer), std::tuple(outcome, lastFrame, outcome == Outcome::Abandoned));
        EXPECT_EQ(hint, first < 0 ? "" : first == vbKeyP ? pHint : question);  // never paused by P in the lights
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
        ASSERT_TRUE(nextFrameClock >= 4.0f && nextFrameClock < 8.0f);
        Race.FinishTime = nextFrameClock - 4.0f;
    };
    AtEnd = [&] { endedOn = Race.Frame; };
    StartClick();
    EXPECT_EQ(std::tuple(endedOn, Cars[0].Cash), std::tuple(102, 1300));
    // Once the wait has decided the race, an Escape in the turns after it leaves it placed.
    Outcome outcome{};
    EachFrame = [&] {
        FinishOn(5, 1);
        if (Race.Outcome == Outcome::Placed) RaceWindow->KeyDown(vbKeyEscape);
    };
    AtEnd = [&] { outcome = Race.Outcome; };
    StartClick();
    EXPECT_EQ(std::tuple(outcome, Cars[0].Cash, CurrentCourse), std::tuple(Outcome::Placed, 2500, i16(3)));
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
    Backend->BeforeTurn = [&] { silent = silent && !(Race.Paused && (engine->On || skid->On || explosion->On)); };
    EachFrame = [&] {
        if (Race.Frame == 5) engine->Play(DSBPLAY_LOOPING), skid->Play(0), Cars[0].Body = -1, PlayerWreck();
        if (Race.Frame == 10) explosion->Position = 4321, RaceWindow->KeyDown(vbKeyP), KeyAt(1000, vbKeyP);
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

// Car 3 home on frame 5, the player second on frame 8, car 6 wrecked: the board lists
// them so, the rest as not finished, and goes by itself after 8 s. The lights show over
// the view until 2 s after green; the pointer hides only during the race.
TEST_F(RaceLoop, LightsForTwoSecondsAndTheBoardListsFinishersWrecksAndTheRestForEightSeconds) {
    std::string lightsWrong;
    bool pointerHidden = true;
    EachFrame = [&] {
        if (Race.Frame == 5) Cars[3].Status = StatusFinished, Race.FinishCount = 1;
        FinishOn(8, 2);
        if (Race.Frame == 9) Cars[6].Status = StatusOut;
        // Each frame's test reads the clock 29 ms before the frame's end.
        if (PopBox->Visible == (Timer() - Race.LapStartTime - 0.029f > 2.0f)) lightsWrong += std::to_string(Race.Frame) + " ";
        pointerHidden = pointerHidden && RaceWindow->Pointer != PointerKind::Default;
    };
    std::uint32_t endedAt = 0;
    AtEnd = [&] { endedAt = Backend->PeekTickCount(); };
    std::string rows;
    Backend->BeforeTurn = [&] {
        if (!ResultsBoardShown() || !rows.empty()) return;
        rows = FindControl(ResultsBoard, "Driver", 0)->Caption + "/" + FindControl(ResultsBoard, "Driver", 1)->Caption;
        for (int i = 0; i < 9; ++i) rows += "/" + FindControl(ResultsBoard, "Time", i)->Caption;
    };
    StartClick();
    std::uint32_t boardTook = Backend->PeekTickCount() - endedAt;
    EXPECT_TRUE(boardTook >= 8000u && boardTook < 8100u) << boardTook;
    EXPECT_TRUE(FlashBox->ShownOnScreen() && ResultsBoard == nullptr);
    EXPECT_EQ(std::tuple(lightsWrong, pointerHidden, RaceWindow->Pointer), std::tuple("", true, PointerKind::Default));
    // Frame n begins 30 (n - 1) ms after green: car 3 is noted in frame 6, the player in 9.
    std::string dnf;
    for (int i = 0; i < 6; ++i) dnf += "/did not finish";
    EXPECT_EQ(rows, DriverName(3, "Ann") + "/Ann/00.15/00.24" + dnf + "/out");
    EXPECT_EQ(std::tuple(LastResults.Count, LastResults.Prize, CourseField->Caption), std::tuple(9, 750, "Course2"));
}

}  // namespace
