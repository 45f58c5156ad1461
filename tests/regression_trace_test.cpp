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

TEST(RegressionTrace, ScriptedRaceOnCourseOneMatchesTheCommittedTrace) {
    FreshHeadless();
    std::string data = GG_SOURCE_DIR "/tests/data/";
    std::string trace = TempFolder("regression") + "/trace.jsonl";
    std::vector<std::string> args = {"gravel-ghosts", "--headless", "--data-dir", GameDir(),
                                     "--course", "1", "--seed", "7",
                                     "--input", data + "course1_keys.txt",
                                     "--max-frames", "120", "--trace", trace};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    ::testing::internal::CaptureStdout();
    int status = RunHeadlessSimulation(static_cast<int>(argv.size()), argv.data());
    ::testing::internal::GetCapturedStdout();
    ASSERT_EQ(status, 0);

    std::istringstream expected(ReadFileText(data + "course1_seed7_trace.jsonl"));
    std::istringstream actual(ReadFileText(trace));
    std::string want, got;
    int line = 0;
    while (std::getline(expected, want)) {
        ++line;
        ASSERT_TRUE(std::getline(actual, got)) << "the trace ends early, at line " << line;
        ASSERT_EQ(got, want) << "first difference at line " << line;
    }
    EXPECT_FALSE(std::getline(actual, got)) << "the trace is longer than the committed one";
    EXPECT_EQ(line, 9 * 120);  // nine cars, 120 frames
}
