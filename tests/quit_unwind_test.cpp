// A game told to quit leaves a race at once, from the start lights or mid-race, with
// nothing paid and nothing set up; the platform's waits give up as soon as it is asked.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <optional>

#include "app/app.h"
#include "career/career.h"
#include "course/course.h"
#include "race/race_internal.h"
#include "race_test_folder.h"

namespace {

std::function<void()> EachFrame;
std::optional<RaceWatch> Watch;

// The frame the quit is asked in; 0: the close button is heard in the turn that shows
// the first frame, before the lights.
class QuitDuringRace : public RaceScreenTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        RaceScreenTest::SetUp();
        Watch.emplace([] { if (EachFrame) EachFrame(); });
    }
    void TearDown() override { Watch.reset(); }
};

TEST_P(QuitDuringRace, EndsAfterTheFrameInProgressWithNothingPaid) {
    const int quitAt = GetParam();
    const i32 cash = Cars[0].Cash;
    const i16 course = CurrentCourse;
    int frames = 0;
    EachFrame = [&] {
        if (++frames == quitAt) RequestQuit();
    };
    if (quitAt == 0) Backend->BeforeTurn = [] { RequestQuit(); };
    const std::uint32_t start = GetTickCount();
    EXPECT_EQ(RunRace(CareerRace()).Outcome, Outcome::Running);
    EXPECT_EQ(Race.Frame, quitAt);
    EXPECT_EQ(frames, quitAt);
    if (quitAt == 0) {
        EXPECT_LT(GetTickCount() - start, static_cast<std::uint32_t>(LightMs));  // red never lasted
    }
    EXPECT_EQ(std::pair(Cars[0].Cash, CurrentCourse), std::pair(cash, course));
}

INSTANTIATE_TEST_SUITE_P(AtTheFirstLightOrMidRace, QuitDuringRace, ::testing::Values(0, 40));

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

// One line per frame shown, with the time, the frame's number and how long it took to
// compose and present; a turn that changed nothing shows no frame.
TEST(FrameStats, OneLinePerFrameShownWithTimeNumberAndDurations) {
    HeadlessBackend& backend = FreshHeadless();
    backend.ComposeFrames = true;
    ShowForm(CreateForm("Menu"));
    const std::string path = TempFolder("frame_stats") + "/stats.txt";
    ASSERT_TRUE(KeepFrameStats(path));
    for (int frame = 0; frame < 3; ++frame) {
        Refresh();
        DoEvents();
        DoEvents();
    }
    StopFrameStats();
    std::ifstream file(path);
    double time = 0, previousTime = 0, compose = -1, present = -1;
    unsigned long long number = 0, lines = 0;
    while (file >> time >> number >> compose >> present) {
        EXPECT_EQ(number, ++lines);
        EXPECT_GT(time, 1.6e9);  // seconds since the Unix epoch
        EXPECT_GE(time, previousTime);
        EXPECT_TRUE(compose >= 0 && present >= 0);
        previousTime = time;
    }
    EXPECT_TRUE(file.eof());
    EXPECT_EQ(lines, 3u);
}

}  // namespace
