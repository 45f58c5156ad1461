// Regression by trace: a scripted race on the real course 1 is compared, frame by frame
// and car by car, with the trace committed beside this test. When a driving or race rule
// changes on purpose, regenerate the trace in the same commit and explain the diff:
//   build/game/gravel-ghosts --headless --course 1 --seed 7
//       --input tests/data/course1_keys.txt --max-frames 120
//       --trace tests/data/course1_seed7_trace.jsonl
#include <gtest/gtest.h>

#include <sstream>

#include "app/app.h"
#include "test_support.h"

namespace {

// Runs the headless game with these arguments after the common ones; returns its trace.
std::string TraceOf(std::vector<std::string> extra) {
    FreshHeadless();
    std::string trace = TempFolder("regression") + "/trace.jsonl";
    std::vector<std::string> args = {"gravel-ghosts", "--headless", "--data-dir", GameDir(),
                                     "--trace", trace};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    ::testing::internal::CaptureStdout();
    int status = RunHeadlessSimulation(static_cast<int>(argv.size()), argv.data());
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(status, 0);
    return ReadFileText(trace);
}

void ExpectSameLines(const std::string& wanted, const std::string& got, int lines) {
    std::istringstream expected(wanted), actual(got);
    std::string want, have;
    int line = 0;
    while (std::getline(expected, want)) {
        ++line;
        ASSERT_TRUE(std::getline(actual, have)) << "the trace ends early, at line " << line;
        ASSERT_EQ(have, want) << "first difference at line " << line;
    }
    EXPECT_FALSE(std::getline(actual, have)) << "the trace is longer than the committed one";
    EXPECT_EQ(line, lines);
}

const std::string Data = GG_SOURCE_DIR "/tests/data/";
const std::vector<std::string> CourseOneScript = {
    "--course", "1", "--seed", "7", "--input", Data + "course1_keys.txt", "--max-frames", "120"};

}  // namespace

TEST(RegressionTrace, ScriptedRaceOnCourseOneMatchesTheCommittedTrace) {
    ExpectSameLines(ReadFileText(Data + "course1_seed7_trace.jsonl"), TraceOf(CourseOneScript),
                    9 * 120);  // nine cars, 120 frames
}

// A snapshot makes the race draw every frame; the drawing must not change the race.
TEST(RegressionTrace, DrawingEveryFrameLeavesTheRaceAsItIs) {
    std::vector<std::string> drawn = CourseOneScript;
    drawn.insert(drawn.end(), {"--snapshot", "119:" + TempFolder("drawn") + "/shot.bmp"});
    ExpectSameLines(ReadFileText(Data + "course1_seed7_trace.jsonl"), TraceOf(drawn), 9 * 120);
}
