// Pausing a race on the virtual clock: a pause takes time from nobody, moves nothing and
// changes no rule; and the results board that follows a race run to its end.
#include <gtest/gtest.h>

#include <optional>

#include <algorithm>
#include <cstdio>
#include <tuple>

#include "app/app.h"
#include "career/career.h"
#include "course/course.h"
#include "cars/cars_internal.h"
#include "race/race_internal.h"
#include "race_test_folder.h"
#include "sound/sound.h"

namespace {

std::function<void()> EachFrame, AtEnd;
std::optional<RaceWatch> Watch;

InputEvent Key(int code, bool down = true) {
    InputEvent e;
    e.Kind = down ? InputEvent::Type::KeyDown : InputEvent::Type::KeyUp;
    e.Key = code;
    return e;
}

// Every car's place and motion after a frame, and the lap-time fields.
std::string FrameState() {
    std::string out;
    char line[200];
    for (int i = 0; i <= Race.LastCarIndex; ++i) {
        const CarRecord& c = Cars[i];
        std::snprintf(line, sizeof line, "%d %.9g %.9g %.9g %d %d %d %.9g\n", i, double(c.CourseX),
                      double(c.CourseY), double(c.Speed), c.Heading, c.LapCount,
                      static_cast<int>(c.Status), double(c.Body));
        out += line;
    }
    return out + LapTimeField->Caption + " " + LastLapField->Caption + "\n";
}

class Pause : public RaceScreenTest {
protected:
    void SetUp() override {
        RaceScreenTest::SetUp();
        EachFrame = AtEnd = nullptr;
        Watch.emplace([] { if (EachFrame) EachFrame(); }, [] { if (AtEnd) AtEnd(); });
    }
    void TearDown() override {
        Watch.reset();
        Backend->BeforeTurn = nullptr;
    }

    // P now, and P again `ms` of virtual time later.
    void PauseFor(std::uint32_t ms) {
        RaceWindow->KeyDown(vbKeyP);
        Backend->Schedule(Backend->PeekTickCount() + ms, Key(vbKeyP));
    }

    // The player over the line every 20 frames, alone: lap 0 on frame 20, lap 1 timed on
    // frame 40, home on frame 60; the race ends 4 s later. Pauses of 10 s on frame 30
    // (mid-lap) and on frame 80 (the finish wait) when asked.
    struct LoneRace {
        std::string LastLap;
        f32 LapTime = 0, Best = 0;
        int Frames = 0;
        std::uint32_t Took = 0;
    };
    LoneRace RunLoneRace(bool pausing) {
        LoneRace race;
        std::uint32_t start = Backend->PeekTickCount();
        EachFrame = [&] {
            if (Race.Frame % 20 == 0 && Race.Frame <= 60) {
                CarRecord& car = Cars[0];
                car.CourseX = 243, car.CourseY = 374, car.Heading = 500;
                car.Speed = car.CruiseSpeed = 50, car.VelX = 0, car.VelY = 4.5f;
            }
            if (Race.Frame == 41) race.LastLap = LastLapField->Caption;
            if (pausing && (Race.Frame == 30 || Race.Frame == 80)) PauseFor(10000);
        };
        AtEnd = [&] {
            race.Frames = Race.Frame;
            race.Best = FastestPlayerLap();
            race.Took = Backend->PeekTickCount() - start;
        };
        EXPECT_EQ(RunRace(RaceSetup{0}).Outcome, Outcome::Placed);
        return race;
    }
};

TEST_F(Pause, TenSecondPausesInALapAndTheFinishWaitChangeNoTimeAndNoFrameCount) {
    LoneRace plain = RunLoneRace(false);
    SetUpRepeatRace();
    LoneRace paused = RunLoneRace(true);
    EXPECT_EQ(paused.LastLap, plain.LastLap);
    EXPECT_NEAR(paused.Best, plain.Best, 0.002f);
    EXPECT_GT(plain.Best, 0.5f);
    // The finish wait still ends 4 s of racing after the finish: on the same frame.
    EXPECT_EQ(paused.Frames, plain.Frames);
    EXPECT_GE(paused.Took, plain.Took + 20000);
    EXPECT_LT(paused.Took, plain.Took + 20100);
}

// Nine cars with the computer driving the player's car too, on a real course: two pauses
// leave every car's every frame exactly as a race without them.
TEST_F(Pause, PausedRaceRunsFrameForFrameAsAnUnpausedOne) {
    SetAppPath(GameDir());
    AutopilotEnabled = true;
    auto race = [&](bool pausing) {
        // From a fresh career each time, so that only the pauses can tell the races apart.
        Randomize(11);
        NewCareer();
        CurrentCourse = 3;
        SetUpRepeatRace();
        std::string trace;
        int pausedTurns = 0;
        std::string atPause;
        Backend->BeforeTurn = [&] {
            if (!Race.Paused) return;
            ++pausedTurns;
            // Nothing moves while the race stands.
            EXPECT_EQ(FrameState(), atPause);
            EXPECT_TRUE(PauseBox->ShownOnScreen());
        };
        EachFrame = [&] {
            trace += FrameState();
            if (!pausing || (Race.Frame != 40 && Race.Frame != 90)) return;
            atPause = FrameState();
            PauseFor(Race.Frame == 40 ? 10000 : 2000);
        };
        EachFrame = [&, frames = std::move(EachFrame)] {
            frames();
            if (Race.Frame == 150) Race.Outcome = Outcome::Stopped;
        };
        RunRace(CareerRace());
        EXPECT_FALSE(PauseBox->Visible);
        return std::pair(trace, pausedTurns);
    };
    auto [plain, none] = race(false);
    auto [paused, turns] = race(true);
    EXPECT_EQ(none, 0);
    EXPECT_GT(turns, 1000);
    auto differ = std::mismatch(plain.begin(), plain.end(), paused.begin(), paused.end());
    EXPECT_TRUE(differ.first == plain.end() && differ.second == paused.end())
        << "first difference at " << plain.substr(differ.first - plain.begin(), 200) << " / "
        << paused.substr(differ.second - paused.begin(), 200);
    AutopilotEnabled = false;
}

// P while the lights are on is ignored, even the one pressed during the last light that
// reaches the race only in its first frame.
TEST_F(Pause, PDuringTheCountdownDoesNothing) {
    std::uint32_t now = Backend->PeekTickCount();
    for (std::uint32_t at : {now + 500, now + 1500, now + 1990}) Backend->Schedule(at, Key(vbKeyP));
    bool everPaused = false;
    Backend->BeforeTurn = [&] { everPaused = everPaused || Race.Paused; };
    EachFrame = [] {
        if (Race.Frame == 10) Race.Outcome = Outcome::Stopped;
    };
    RunRace(CareerRace());
    EXPECT_FALSE(everPaused);
}

// Escape asks before it leaves: it pauses the race with the question in the pause box, and
// a second Escape leaves where P races on. An Escape during the lights asks from the first
// frame; one while paused by P leaves at once, as it always did.
TEST_F(Pause, EscapeAsksAndASecondEscapeLeaves) {
    const std::string question = "Esc again to leave \u00B7 P to race on";
    struct Case {
        int FirstKey;   // at frame 10; or Escape at 1.5 s into the lights when 0
        int SecondKey;  // 3 s later
        ::Outcome Outcome;
        int Frames;
    } cases[] = {
        {vbKeyEscape, vbKeyEscape, Outcome::Abandoned, 10},
        {vbKeyEscape, vbKeyP, Outcome::Stopped, 20},
        {0, vbKeyP, Outcome::Stopped, 20},
        {0, vbKeyEscape, Outcome::Abandoned, 1},
        {vbKeyP, vbKeyEscape, Outcome::Abandoned, 10},
    };
    const std::string pHint = FindControl(RaceWindow, "PauseHint")->Caption;
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
            if (Race.Paused && PauseBox->ShownOnScreen())
                hint = FindControl(RaceWindow, "PauseHint")->Caption;
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
        Backend->BeforeTurn = nullptr;
    }
}

// A buffer that knows whether it is sounding, as a real device's does.
struct Sounding : SilentSoundBuffer {
    bool On = false;
    void Play(std::int32_t flags) override { SilentSoundBuffer::Play(flags), On = true; }
    void Stop() override { SilentSoundBuffer::Stop(), On = false; }
    std::int32_t GetStatus() override { return On ? DSBSTATUS_PLAYING : 0; }
};

// Everything falls silent while paused. The engines loop on afterwards, and the player's
// explosion goes on from where it was: its end is what ends a wrecked player's race, so a
// pause must not cut it short.
TEST_F(Pause, SoundsFallSilentAndTheWreckedPlayersExplosionGoesOnAfterwards) {
    Sounding* sounds[3];
    for (auto* slot : {&EngineSounds[0], &SkidSounds[0], &ExplosionSounds[0]}) {
        auto buffer = std::make_unique<Sounding>();
        sounds[slot == &EngineSounds[0] ? 0 : slot == &SkidSounds[0] ? 1 : 2] = buffer.get();
        *slot = std::move(buffer);
    }
    auto [engine, skid, explosion] = sounds;
    bool silent = true;
    Backend->BeforeTurn = [&] {
        if (Race.Paused) silent = silent && !engine->On && !skid->On && !explosion->On;
    };
    std::int32_t explosionAt = 0;
    EachFrame = [&] {
        if (Race.Frame == 5) {
            engine->Play(DSBPLAY_LOOPING);
            skid->Play(0);
            Cars[0].Body = -1;
            PlayerWreck();
        }
        if (Race.Frame == 10) {
            explosion->Position = explosionAt = 4321;
            PauseFor(1000);
        }
        if (Race.Frame == 11) {
            EXPECT_TRUE(engine->On);
            EXPECT_EQ(engine->LastPlayFlags, DSBPLAY_LOOPING);
            EXPECT_FALSE(skid->On);
            EXPECT_TRUE(explosion->On);
            EXPECT_EQ(explosion->Position, explosionAt);
            PlayerWreck();  // still burning: only a finished explosion ends the race
        }
        if (Race.Frame == 12) Race.Outcome = Outcome::Stopped;
    };
    EXPECT_EQ(RunRace(CareerRace()).Outcome, Outcome::Stopped);
    EXPECT_TRUE(silent);
    ReleaseSound();
}

// ---------------------------------------------------------------------------------
// The results board
// ---------------------------------------------------------------------------------

// Car 3 home on frame 5, the player second on frame 8, car 6 wrecked: the board lists
// them so, the rest as not finished, and goes by itself after 8 s.
TEST_F(Pause, BoardListsFinishersWrecksAndTheRestAndGoesAfterEightSeconds) {
    EachFrame = [] {
        if (Race.Frame == 5) Cars[3].Status = StatusFinished, Race.FinishCount = 1;
        if (Race.Frame == 8)
            Race.FinishCount = 2, Cars[0].LapCount = RaceLaps, Cars[0].Status = StatusFinished;
        if (Race.Frame == 9) Cars[6].Status = StatusOut;
        if (Cars[0].LapCount >= RaceLaps && Race.FinishTime == 0) Race.FinishTime = RaceClock();
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
    EXPECT_EQ(std::tuple(LastResults.Rows[0].Car, LastResults.Rows[1].Car, LastResults.Rows[8].Car),
              std::tuple(3, 0, 6));
    ASSERT_EQ(drivers.size(), 9u);
    EXPECT_EQ(drivers[1], "Ann");
    EXPECT_EQ(drivers[0], DriverName(3, "Ann"));
    // Frame n begins 30 (n - 1) ms after green: car 3 is noted in frame 6, the player in 9.
    EXPECT_EQ(times[0], "00.15");
    EXPECT_EQ(times[1], "00.24");
    for (int i = 2; i < 8; ++i) EXPECT_EQ(times[i], "did not finish") << i;
    EXPECT_EQ(times[8], "out");
    EXPECT_EQ(LastResults.Prize, 750);
    EXPECT_EQ(FindControl(RaceWindow, "CourseField")->Caption, "Course2");
}

}  // namespace
