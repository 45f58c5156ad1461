// The headless simulation as a user runs it: arguments in, trace and report out.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <regex>

#include "app/app.h"
#include "race/race_internal.h"
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
    // The report, nine cars, and the nine places of the order as the race stood.
    EXPECT_EQ(std::count(r.Out.begin(), r.Out.end(), '{'), 1 + 9 + 9);
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

// Standard output that fails is never taken for success: the race's report, a session's
// dump and the usage end the run with status 2 and a line saying why.
TEST_F(Simulation, StandardOutputThatFailsGivesStatus2) {
    WriteFileText(Folder + "/dump.txt", "dump\n");
    const std::string game = "'" + GameDir() + "/gravel-ghosts' ",
                      race = "--headless --max-frames 3 --data-dir '" + Folder + "' ";
    const std::pair<std::string, const char*> runs[] = {
        {race + ">/dev/full", "Standard output cannot be written: No space left on device."},
        {race + ">&-", "Standard output cannot be written: it is closed."},
        {"--headless --session '" + Folder + "/dump.txt' --data-dir '" + GameDir() + "' >/dev/full",
         "dump.txt line 1: Standard output cannot be written: No space left on device."},
        {"--help >/dev/full", "Standard output cannot be written: No space left on device."},
    };
    for (const auto& [run, says] : runs) {
        int status = std::system((game + run + " 2>'" + Folder + "/err'").c_str());
        std::string err = ReadFileText(Folder + "/err");
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << run << ": " << err;
        EXPECT_NE(err.find(says), std::string::npos) << run << ": " << err;
    }
}

// The first Escape asks, the second leaves; a question the script never answers stops
// the race where it was asked.
TEST_F(Simulation, EscapeTwiceFromTheScriptAbandonsTheRaceInItsFrame) {
    for (auto [keys, report] : {std::pair{"7 down Escape\n7 up Escape\n7 down Escape\n",
                                          "\"outcome\":10,\"frames\":7,"},
                                std::pair{"7 down Escape\n", "\"outcome\":0,\"frames\":7,"}}) {
        WriteFileText(Folder + "/escape.txt", keys);
        RunResult r = Simulate({"--data-dir", Folder, "--input", Folder + "/escape.txt"});
        ASSERT_EQ(r.Status, 0) << r.Err;
        EXPECT_NE(r.Out.find(report), std::string::npos) << keys << r.Out;
    }
}

// A race run to its end on the one-lap course 4: the report's order puts the finishers
// first, fastest first, then the cars still racing, then the wrecks; every car once.
TEST_F(Simulation, ReportGivesTheFinishingOrderWithTimes) {
    RunResult r = Simulate({"--data-dir", GameDir(), "--course", "4", "--seed", "3", "--autopilot"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    std::size_t at = r.Out.find("\"order\":[");
    ASSERT_NE(at, std::string::npos) << r.Out;
    std::regex entry(R"re(\{"car":(\d),"time":"([^"]*)"\})re");
    std::string order = r.Out.substr(at);
    std::vector<int> cars;
    std::vector<std::string> times;
    for (std::sregex_iterator it(order.begin(), order.end(), entry), end; it != end; ++it) {
        cars.push_back(std::stoi((*it)[1]));
        times.push_back((*it)[2]);
    }
    ASSERT_EQ(cars.size(), 9u) << order;
    std::vector<int> sorted = cars;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    // Three computer cars home end the race for the player, and more come home in the
    // four seconds after.
    std::size_t home = 0;
    while (home < 9 && times[home].find('.') != std::string::npos) ++home;
    EXPECT_GE(home, 3u) << order;
    for (std::size_t i = 1; i < home; ++i) EXPECT_LE(std::stod(times[i - 1]), std::stod(times[i]));
    for (std::size_t i = home; i < 9; ++i) {
        EXPECT_TRUE(times[i] == "did not finish" || times[i] == "out") << times[i];
        if (i > home) {
            EXPECT_FALSE(times[i - 1] == "out" && times[i] == "did not finish");
        }
    }
    // The report's cars, by index, say who is home (Status 3) and who is out (Status 2).
    std::regex status(R"("Status":(\d))");
    std::string report = r.Out.substr(0, at);
    std::vector<int> statuses;
    for (std::sregex_iterator it(report.begin(), report.end(), status), end; it != end; ++it)
        statuses.push_back(std::stoi((*it)[1]));
    ASSERT_EQ(statuses.size(), 9u);
    for (std::size_t i = 0; i < 9; ++i) {
        int car = cars[i];
        EXPECT_EQ(statuses[car] == static_cast<int>(StatusFinished), i < home) << "car " << car;
        EXPECT_EQ(statuses[car] == static_cast<int>(StatusOut), times[i] == "out") << "car " << car;
    }
}

// Time Trial on course 1 with the starting car, in a player's folder of its own; with
// runs/ there, course 1's proof run is the ghost until a record is set.
std::string TrialFolder(const std::string& folder, bool withRuns) {
    namespace fs = std::filesystem;
    std::string dir = folder + (withRuns ? "/player" : "/player-no-par");
    fs::create_directories(dir);
    for (const char* part : {"graphics", "resources", "soundfx", "runs"})
        if (withRuns || std::string(part) != "runs")
            fs::create_directory_symlink(GameDir() + "/" + part, dir + "/" + part);
    return dir;
}

// The newcomer's run is home in 27.27; the same keys each 15 frames later in 27.72.
TEST_F(Simulation, TimeTrialKeepsOnlyFasterRunsAndTheGhostReplaysToTheRecordUnseen) {
    const std::string runs = std::string(GG_SOURCE_DIR) + "/data/runs/";
    std::string late;
    for (const ScriptedKey& key : [&] {
             std::vector<ScriptedKey> keys;
             std::string error;
             ParseKeyScript(ReadFileText(runs + "normal01.keys"), keys, error);
             return keys;
         }())
        late += std::to_string(key.Frame + 15) + (key.Down ? " down " : " up ") +
                KeyScriptName(key.KeyCode) + "\n";
    WriteFileText(Folder + "/late.keys", late);
    const std::string dir = TrialFolder(Folder, true);
    auto trial = [&](const std::string& keys, const std::string& in, const std::string& trace) {
        std::vector<std::string> args = {"--time-trial", "--course", "1", "--data-dir", in,
                                         "--input", keys, "--trace", trace};
        // Pictures only where one is compared: drawing slows a headless race down.
        if (trace.ends_with("2") || trace.ends_with("bare"))
            args.insert(args.end(), {"--snapshot", "60:" + trace + ".bmp"});
        return Simulate(args);
    };
    struct Run {
        std::string Keys;
        const char* Time;
        bool Record;
    };
    const Run table[] = {{Folder + "/late.keys", "27.72", true},  // against par
                         {runs + "normal01.keys", "27.27", true},
                         {Folder + "/late.keys", "27.72", false},  // against 27.27's ghost
                         {runs + "normal01.keys", "27.27", false}};  // equal is no record
    std::vector<std::string> lateTraces;
    for (std::size_t i = 0; i < std::size(table); ++i) {
        const std::string trace = Folder + "/trace" + std::to_string(i);
        RunResult r = trial(table[i].Keys, dir, trace);
        ASSERT_EQ(r.Status, 0) << r.Err;
        EXPECT_NE(r.Out.find("\"time\":\"" + std::string(table[i].Time) + "\",\"laps\":2,"),
                  std::string::npos) << i << r.Out;
        EXPECT_NE(r.Out.find(table[i].Record ? "\"record\":true" : "\"record\":false"),
                  std::string::npos) << i << r.Out;
        if (table[i].Keys == Folder + "/late.keys") lateTraces.push_back(ReadFileText(trace));
    }
    // The same race with no ghost at all: a ghost is never hit, counted or in the way.
    RunResult bare = trial(Folder + "/late.keys", TrialFolder(Folder, false), Folder + "/bare");
    ASSERT_EQ(bare.Status, 0) << bare.Err;
    EXPECT_EQ(lateTraces.at(0), ReadFileText(Folder + "/bare"));
    EXPECT_EQ(lateTraces.at(1), ReadFileText(Folder + "/bare"));
    // 15 frames ahead, the record's ghost is a car's outline of blended pixels down the road
    // (about 850 of its 80 x 50 sprite box): not the box, and not nothing.
    Surface ghost = LoadPicture(Folder + "/trace2.bmp"), none = LoadPicture(Folder + "/bare.bmp");
    ASSERT_EQ(ghost.Pixels.size(), none.Pixels.size());
    std::size_t blended = 0;
    for (std::size_t i = 0; i < ghost.Pixels.size(); ++i) blended += ghost.Pixels[i] != none.Pixels[i];
    EXPECT_GT(blended, 500u);
    EXPECT_LT(blended, 1500u);

    RunResult check = Simulate({"--ghost-check", "--course", "1", "--data-dir", dir});
    ASSERT_EQ(check.Status, 0) << check.Err;
    EXPECT_NE(check.Out.find("\"time\":\"27.27\""), std::string::npos) << check.Out;
    EXPECT_NE(check.Out.find("\"record_time\":\"27.27\""), std::string::npos) << check.Out;
}

// A record file no game wrote is set aside with a message, and the run sets the record.
TEST_F(Simulation, DamagedRecordFilesAreSetAsideAndNeverStopTheRun) {
    namespace fs = std::filesystem;
    const std::string runs = std::string(GG_SOURCE_DIR) + "/data/runs/";
    const std::string dir = TrialFolder(Folder, false);
    const std::string file = dir + "/records/course01-normal-trial.txt";
    const char* damaged[] = {"hello\n", "lap 12.6 2026-12-06 Ann\n", "race 27.27 2026-12-06\n",
                             "lap 12.60 2026-12-06 Ann\nlap 11.00 2026-12-06 Bo\n",
                             "race 27.27 06-12-2026 Ann\n", ""};
    for (const char* text : damaged) {
        fs::remove_all(dir + "/records");
        fs::create_directories(dir + "/records");
        if (*text)
            WriteFileText(file, text);
        else
            fs::create_directory(file);  // a folder where the file should be
        RunResult r = Simulate({"--time-trial", "--course", "1", "--data-dir", dir, "--input",
                                runs + "normal01.keys"});
        ASSERT_EQ(r.Status, 0) << r.Err;
        EXPECT_NE(r.Out.find("\"record\":true"), std::string::npos) << text << r.Out;
        EXPECT_NE(r.Err.find("set aside as"), std::string::npos) << text << r.Err;
        int aside = 0;
        for (const auto& entry : fs::directory_iterator(dir + "/records"))
            aside += entry.path().filename().string().starts_with("course01-normal-trial.txt.");
        EXPECT_EQ(aside, 1) << text;
        EXPECT_NE(ReadFileText(file).find("race 27.27 "), std::string::npos);
    }
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
    if (std::string(GetParam().Named) == "has no graphics/ folder") MakeFolder(Folder + "/empty");
    if (std::string(GetParam().Named) == "line 2")
        WriteFileText(Folder + "/bad.txt", "1 down Up\n2 down Shift\n");
    RunResult r = Simulate(args);
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(std::count(r.Err.begin(), r.Err.end(), '\n'), 1) << r.Err;
    EXPECT_LT(r.Err.size(), 400u) << r.Err.substr(0, 400);
    EXPECT_NE(r.Err.find(GetParam().Named), std::string::npos) << r.Err;
    EXPECT_EQ(r.Out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Simulation, BadArguments,
    ::testing::Values(BadRun{{"--course", "15"}, "--course"}, BadRun{{"--course", "x"}, "--course"},
                      BadRun{{"--difficulty", "hard"}, "--difficulty"},
                      BadRun{{"--seed"}, "--seed"}, BadRun{{"--max-frames", "0"}, "--max-frames"},
                      BadRun{{"--snapshot", "12"}, "--snapshot"}, BadRun{{"--wings"}, "--wings"},
                      BadRun{{"--time-trial", "--autopilot"}, "--autopilot"},
                      BadRun{{"--input", "/no/such/keys.txt"}, "/no/such/keys.txt"},
                      BadRun{{"--data-dir", "DIR", "--input", "DIR/bad.txt"}, "line 2"},
                      BadRun{{"--data-dir", "DIR", "--course", "5"}, "Map5"},
                      // The data folder is looked at before anything else.
                      BadRun{{"--data-dir", "DIR/none"}, "none is missing"},
                      BadRun{{"--data-dir", "DIR/empty"}, "has no graphics/ folder"},
                      // A bad word is quoted short, and nothing in it reaches the terminal.
                      BadRun{{"--seed", "\x1b]0;title\a" + std::string(900000, '9')},
                             "not '\\x1b]0;title\\x0799999"}));

}  // namespace
