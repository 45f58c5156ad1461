// Regression by trace: short races on real courses are compared, frame by frame and car
// by car, with traces committed beside this test: course 1 with scripted keys, courses 8
// and 13 with the autopilot. When a driving or race rule changes on purpose, regenerate
// them in the same commit and explain the diff, with the arguments of the catalogue below:
//   build/game/gravel-ghosts --headless ARGUMENTS --trace tests/data/FILE
// Each race here also draws its last frame, which makes the race draw every frame: the
// drawing must leave the race as it is (the course sweep runs the same rules undrawn).
#include <gtest/gtest.h>

#include <sstream>

#include "app/app.h"
#include "test_support.h"

namespace {

const std::string Data = GG_SOURCE_DIR "/tests/data/";

struct Race {
    const char* Name;
    std::vector<std::string> Arguments;
    const char* Trace;
    int Frames;
};
const Race Catalogue[] = {
    {"Course1ScriptedKeys",
     {"--course", "1", "--seed", "7", "--input", Data + "course1_keys.txt", "--max-frames", "120"},
     "course1_seed7_trace.jsonl", 120},
    {"Course8Autopilot", {"--course", "8", "--seed", "3", "--autopilot", "--max-frames", "150"},
     "course8_seed3_autopilot_trace.jsonl", 150},
    {"Course13Autopilot", {"--course", "13", "--seed", "3", "--autopilot", "--max-frames", "150"},
     "course13_seed3_autopilot_trace.jsonl", 150},
};

class RegressionTrace : public ::testing::TestWithParam<Race> {};

TEST_P(RegressionTrace, DrawnEveryFrameTheRaceMatchesTheCommittedTrace) {
    const Race& race = GetParam();
    FreshHeadless();
    const std::string folder = TempFolder("regression"), trace = folder + "/trace.jsonl";
    std::vector<std::string> args = {"gravel-ghosts", "--headless", "--data-dir", GameDir(), "--trace", trace,
                                     "--snapshot", std::to_string(race.Frames - 1) + ":" + folder + "/shot.bmp"};
    args.insert(args.end(), race.Arguments.begin(), race.Arguments.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    ::testing::internal::CaptureStdout();
    ASSERT_EQ(RunHeadlessSimulation(static_cast<int>(argv.size()), argv.data()), 0);
    ::testing::internal::GetCapturedStdout();
    EXPECT_TRUE(FileExists(folder + "/shot.bmp"));

    std::istringstream expected(ReadFileText(Data + race.Trace)), actual(ReadFileText(trace));
    std::string want, have;
    int line = 0;
    while (std::getline(expected, want)) {
        ++line;
        ASSERT_TRUE(std::getline(actual, have)) << "the trace ends early, at line " << line;
        ASSERT_EQ(have, want) << "first difference at line " << line;
    }
    EXPECT_FALSE(std::getline(actual, have)) << "the trace is longer than the committed one";
    EXPECT_EQ(line, 9 * race.Frames);
}

INSTANTIATE_TEST_SUITE_P(Catalogue, RegressionTrace, ::testing::ValuesIn(Catalogue),
                         [](const ::testing::TestParamInfo<Race>& info) { return info.param.Name; });

}  // namespace
