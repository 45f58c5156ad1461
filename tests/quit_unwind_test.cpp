// A game told to quit leaves a race at once, from the start lights or mid-race, with
// nothing paid and nothing set up; the platform's waits give up as soon as it is asked.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <optional>
#include <sstream>

#include "app/app.h"
#include "career/career.h"
#include "course/course.h"
#include "race/race_internal.h"
#include "race_test_folder.h"

namespace {

std::function<void()> EachFrame;
std::optional<RaceWatch> Watch;

class QuitDuringRace : public ::testing::Test {
protected:
    HeadlessBackend* Backend = nullptr;
    void SetUp() override {
        Backend = &FreshHeadless();
        RaceFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        Settings = GameSettings{};
        AutopilotEnabled = false;
        EachFrame = nullptr;
        Watch.emplace([] { if (EachFrame) EachFrame(); });
        LoadRaceWindow();
        DriverNames[10] = "Ann";
        NewCareer();
    }
    void TearDown() override { Watch.reset(); }
};

}  // namespace

TEST_F(QuitDuringRace, AtTheFirstLightSkipsTheCountdownAndRunsNoFrame) {
    const i32 cash = Cars[0].Cash;
    const i16 course = CurrentCourse;
    int frames = 0;
    EachFrame = [&] { ++frames; };
    // The close button is heard in the turn that shows the first frame, before the lights.
    Backend->BeforeTurn = [] { RequestQuit(); };
    const std::uint32_t start = GetTickCount();
    EXPECT_EQ(RunRace(CareerRace()).Outcome, Outcome::Running);
    EXPECT_LT(GetTickCount() - start, static_cast<std::uint32_t>(LightMs));  // red never lasted
    EXPECT_EQ(frames, 0);
    EXPECT_EQ(std::pair(Cars[0].Cash, CurrentCourse), std::pair(cash, course));
}

TEST_F(QuitDuringRace, MidRaceEndsAfterTheFrameInProgressWithNothingPaid) {
    const i32 cash = Cars[0].Cash;
    const i16 course = CurrentCourse;
    EachFrame = [] {
        if (Race.Frame == 40) RequestQuit();
    };
    EXPECT_EQ(RunRace(CareerRace()).Outcome, Outcome::Running);
    EXPECT_EQ(Race.Frame, 40);
    EXPECT_EQ(std::pair(Cars[0].Cash, CurrentCourse), std::pair(cash, course));
}

TEST(QuitWaits, FrameWaitAndIdleWaitGiveUpOnceQuitIsAsked) {
    HeadlessBackend& backend = FreshHeadless();
    int turns = 0;
    backend.BeforeTurn = [&] {
        if (++turns == 3) RequestQuit();
    };
    const std::uint32_t start = GetTickCount();
    DoEventsUntil(start, 500);
    EXPECT_EQ(turns, 3);
    EXPECT_LT(GetTickCount() - start, 10u);
    WaitEvents();  // still one turn, so the quit's own events are delivered
    EXPECT_EQ(turns, 4);
}

TEST(FrameStats, OneLinePerFrameShownWithTimeNumberAndDurations) {
    HeadlessBackend& backend = FreshHeadless();
    backend.ComposeFrames = true;
    ShowForm(CreateForm("Menu"));
    const std::string path = TempFolder("frame_stats") + "/stats.txt";
    ASSERT_TRUE(KeepFrameStats(path));
    for (int frame = 0; frame < 3; ++frame) {
        Refresh();
        DoEvents();
        DoEvents();  // nothing changed: no frame
    }
    StopFrameStats();
    std::ifstream file(path);
    std::string line;
    int lines = 0;
    double previousTime = 0;
    while (std::getline(file, line)) {
        std::istringstream fields(line);
        double time = 0, compose = -1, present = -1;
        unsigned long long number = 0;
        ASSERT_TRUE(fields >> time >> number >> compose >> present) << line;
        EXPECT_EQ(number, static_cast<unsigned long long>(++lines));
        EXPECT_GT(time, 1.6e9);  // seconds since the Unix epoch
        EXPECT_GE(time, previousTime);
        EXPECT_GE(compose, 0);
        EXPECT_GE(present, 0);
        previousTime = time;
    }
    EXPECT_EQ(lines, 3);
    EXPECT_FALSE(KeepFrameStats(TempFolder("frame_stats") + "/no/such/folder/stats.txt"));
}
