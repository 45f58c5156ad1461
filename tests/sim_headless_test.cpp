// The headless simulation as a user runs it: arguments in, trace and report out.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/app.h"
#include "race/race.h"
#include "race_test_folder.h"

namespace {

struct RunResult {
    int Status;
    std::string Out;
    std::string Err;
};

RunResult Simulate(std::vector<std::string> args) {
    args.insert(args.begin(), {"gravel-ghosts", "--headless"});
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    int status = RunHeadlessSimulation(static_cast<int>(argv.size()), argv.data());
    std::string out = ::testing::internal::GetCapturedStdout();
    return {status, out, ::testing::internal::GetCapturedStderr()};
}

class Simulation : public ::testing::Test {
protected:
    std::string Folder;
    void SetUp() override {
        FreshHeadless();
        Folder = RaceFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
};

TEST_F(Simulation, SameSeedAndKeysGiveTheSameTraceByteForByte) {
    WriteFileText(Folder + "/keys.txt",
                  "# throttle, a tap of the wheel, then cruise\n"
                  "1 down Up\n20 down Left\n24 up Left\n40 down Down\n41 up Down\n");
    std::string traces[2];
    for (int run = 0; run < 2; ++run) {
        std::string trace = Folder + "/trace" + std::to_string(run) + ".jsonl";
        RunResult r = Simulate({"--data-dir", Folder, "--course", "3", "--seed", "42",
                                "--input", Folder + "/keys.txt", "--max-frames", "90",
                                "--trace", trace});
        ASSERT_EQ(r.Status, 0) << r.Err;
        traces[run] = ReadFileText(trace);
    }
    // Nine cars a frame for 90 frames.
    EXPECT_EQ(std::count(traces[0].begin(), traces[0].end(), '\n'), 9 * 90);
    EXPECT_EQ(traces[0], traces[1]);
    EXPECT_NE(traces[0].find("{\"frame\":1,\"car\":0,\"ScreenX\":"), std::string::npos);
    EXPECT_NE(traces[0].find("\"FxState\":0,\"Cash\":100}"), std::string::npos);
}

TEST_F(Simulation, FrameLimitReportsOutcomeZeroAndTheSnapshotSavesTheView) {
    std::string shot = Folder + "/shot.bmp";
    RunResult r = Simulate({"--data-dir", Folder, "--course", "2", "--max-frames", "15", "--seed", "9", "--name",
                            "Ann", "--snapshot", "3:" + shot});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_TRUE(r.Out.starts_with("{\"course\":2,\"seed\":9,\"outcome\":0,\"frames\":15,"
                                  "\"FinishCount\":0,\"BestLapTime\":30,\"cars\":[{\"Status\":0,"))
        << r.Out;
    EXPECT_EQ(std::count(r.Out.begin(), r.Out.end(), '{'), 1 + 9);
    EXPECT_EQ(LoadPicture(shot).Width, 550);
}

// Outputs that cannot be written end the run with status 2 and a line naming the file;
// a file already there is left as it was, and no half-written trace or picture remains.
TEST_F(Simulation, OutputsThatCannotBeWrittenGiveStatus2AndLeaveOldFilesWhole) {
    MakeFolder(Folder + "/out");
    WriteFileText(Folder + "/out/shot.bmp", "an older picture");
    for (const std::vector<std::string>& output :
         {std::vector<std::string>{"--trace", "/dev/full"},
          {"--trace", Folder + "/no/such/trace.jsonl"},
          {"--trace", Folder + "/out"},
          {"--snapshot", "2:" + Folder + "/out/shot.bmp/x.bmp"}}) {
        std::vector<std::string> args = {"--data-dir", Folder, "--max-frames", "4"};
        args.insert(args.end(), output.begin(), output.end());
        RunResult r = Simulate(args);
        const std::string& file = output[1].substr(output[1].find(':') + 1);
        EXPECT_EQ(r.Status, 2) << file;
        EXPECT_NE(r.Err.find(file), std::string::npos) << r.Err;
    }
    EXPECT_EQ(ReadFileText(Folder + "/out/shot.bmp"), "an older picture");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Folder + "/out"), {}), 1);
}

TEST_F(Simulation, EscapeFromTheScriptAbandonsTheRaceInItsFrame) {
    WriteFileText(Folder + "/escape.txt", "7 down Escape\n");
    RunResult r = Simulate({"--data-dir", Folder, "--input", Folder + "/escape.txt"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Out.find("\"outcome\":10,\"frames\":7,"), std::string::npos) << r.Out;
}

struct BadRun {
    std::vector<std::string> Args;
    const char* Named;  // what the one-line error must mention
};

class BadArguments : public Simulation, public ::testing::WithParamInterface<BadRun> {};

TEST_P(BadArguments, GiveOneLineAndStatus2) {
    std::vector<std::string> args = GetParam().Args;
    for (std::string& a : args)
        if (a.rfind("DIR", 0) == 0) a = Folder + a.substr(3);
    if (std::string(GetParam().Named) == "Map5") std::filesystem::remove(Folder + "/resources/Map5.ddt");
    if (std::string(GetParam().Named) == "line 2")
        WriteFileText(Folder + "/bad.txt", "1 down Up\n2 down Shift\n");
    RunResult r = Simulate(args);
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(std::count(r.Err.begin(), r.Err.end(), '\n'), 1) << r.Err;
    EXPECT_NE(r.Err.find(GetParam().Named), std::string::npos) << r.Err;
    EXPECT_EQ(r.Out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Simulation, BadArguments,
    ::testing::Values(BadRun{{"--course", "15"}, "--course"},
                      BadRun{{"--course", "x"}, "--course"},
                      BadRun{{"--difficulty", "hard"}, "--difficulty"},
                      BadRun{{"--seed"}, "--seed"},
                      BadRun{{"--max-frames", "0"}, "--max-frames"},
                      BadRun{{"--snapshot", "12"}, "--snapshot"},
                      BadRun{{"--wings"}, "--wings"},
                      BadRun{{"--input", "/no/such/keys.txt"}, "/no/such/keys.txt"},
                      BadRun{{"--data-dir", "DIR", "--input", "DIR/bad.txt"}, "line 2"},
                      BadRun{{"--data-dir", "DIR", "--course", "5"}, "Map5"}));

}  // namespace
