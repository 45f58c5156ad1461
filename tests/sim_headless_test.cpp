// The headless simulation as a user runs it: arguments in, trace and report out; and the
// program's exit status where something it was asked for cannot be done.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "app/app.h"
#include "race/race_internal.h"
#include "race_test_folder.h"

namespace {

namespace fs = std::filesystem;

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

const std::string Runs = std::string(GG_SOURCE_DIR) + "/data/runs/";

class Simulation : public ::testing::Test {
protected:
    std::string Folder;
    void SetUp() override {
        FreshHeadless();
        Folder = RaceFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    // A player's folder of its own for Time Trial; with runs/ there, each course's proof
    // run is the ghost until a record is set.
    std::string TrialFolder(bool withRuns) const {
        std::string dir = Folder + (withRuns ? "/player" : "/player-no-par");
        fs::create_directories(dir);
        for (std::string part : {"graphics", "resources", "soundfx", "runs"})
            if (withRuns || part != "runs") fs::create_directory_symlink(GameDir() + "/" + part, dir + "/" + part);
        return dir;
    }
};

// The first Escape asks, the second leaves; a question the script never answers stops
// the race where it was asked.
TEST_F(Simulation, EscapeTwiceFromTheScriptAbandonsTheRaceInItsFrame) {
    for (auto [keys, report] : {std::pair{"7 down Escape\n7 up Escape\n7 down Escape\n", "\"outcome\":10,\"frames\":7,"},
                                std::pair{"7 down Escape\n", "\"outcome\":0,\"frames\":7,"}}) {
        WriteFileText(Folder + "/escape.txt", keys);
        RunResult r = Simulate({"--data-dir", Folder, "--input", Folder + "/escape.txt"});
        ASSERT_EQ(r.Status, 0) << r.Err;
        EXPECT_NE(r.Out.find(report), std::string::npos) << keys << r.Out;
    }
}

// The newcomer's run is home in 27.27; the same keys each 15 frames later in 27.72.
TEST_F(Simulation, TimeTrialKeepsOnlyFasterRunsAndTheGhostReplaysToTheRecordUnseen) {
    std::vector<ScriptedKey> keys;
    std::string error, late;
    ParseKeyScript(ReadFileText(Runs + "normal01.keys"), keys, error);
    for (const ScriptedKey& key : keys)
        late += std::to_string(key.Frame + 15) + (key.Down ? " down " : " up ") + KeyScriptName(key.KeyCode) + "\n";
    WriteFileText(Folder + "/late.keys", late);
    const std::string dir = TrialFolder(true);
    auto trial = [&](const std::string& keys, const std::string& in, const std::string& trace, bool picture) {
        std::vector<std::string> args = {"--time-trial", "--course", "1", "--data-dir", in,
                                         "--input", keys, "--trace", trace};
        // Pictures only where one is compared: drawing slows a headless race down.
        if (picture) args.insert(args.end(), {"--snapshot", "60:" + trace + ".bmp"});
        return Simulate(args);
    };
    struct Run {
        std::string Keys;
        const char* Time;
        bool Record;
    };
    const Run table[] = {{Folder + "/late.keys", "27.72", true},     // against par
                         {Runs + "normal01.keys", "27.27", true},
                         {Folder + "/late.keys", "27.72", false},    // against 27.27's ghost
                         {Runs + "normal01.keys", "27.27", false}};  // equal is no record
    std::vector<std::string> lateTraces;
    for (std::size_t i = 0; i < std::size(table); ++i) {
        const std::string trace = Folder + "/trace" + std::to_string(i);
        RunResult r = trial(table[i].Keys, dir, trace, i == 2);
        ASSERT_EQ(r.Status, 0) << r.Err;
        EXPECT_NE(r.Out.find("\"time\":\"" + std::string(table[i].Time) + "\",\"laps\":2,"), std::string::npos) << i << r.Out;
        EXPECT_NE(r.Out.find(table[i].Record ? "\"record\":true" : "\"record\":false"), std::string::npos) << i << r.Out;
        if (i % 2 == 0) lateTraces.push_back(ReadFileText(trace));
    }
    // The same race with no ghost at all: a ghost is never hit, counted or in the way.
    RunResult bare = trial(Folder + "/late.keys", TrialFolder(false), Folder + "/bare", true);
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
    const std::string dir = TrialFolder(false), file = dir + "/records/course01-normal-trial.txt";
    for (const char* text : {"hello\n", "lap 12.6 2026-12-06 Ann\n", "race 27.27 2026-12-06\n",
                             "lap 12.60 2026-12-06 Ann\nlap 11.00 2026-12-06 Bo\n", "race 27.27 06-12-2026 Ann\n",
                             ""}) {  // "": a folder where the file should be
        fs::remove_all(dir + "/records");
        fs::create_directories(dir + "/records");
        *text ? WriteFileText(file, text) : (void)fs::create_directory(file);
        RunResult r = Simulate({"--time-trial", "--course", "1", "--data-dir", dir, "--input", Runs + "normal01.keys"});
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

// Arguments that cannot be acted on give one short line naming what was wrong, status 2
// and nothing on standard output. Outputs that cannot be written name their file; a file
// already there is left as it was, and no half-written trace or picture remains.
TEST_F(Simulation, WhatCannotBeDoneGivesOneLineAndStatus2) {
    fs::remove(Folder + "/resources/Map5.ddt");
    MakeFolder(Folder + "/empty");
    MakeFolder(Folder + "/out");
    WriteFileText(Folder + "/out/shot.bmp", "an older picture");
    WriteFileText(Folder + "/bad.txt", "1 down Up\n2 down Shift\n");
    struct Case {
        std::vector<std::string> Args;
        std::string Named;
        bool Refused = true;  // refused before the race: nothing is reported
    };
    const Case cases[] = {
        {{"--course", "15"}, "--course"}, {{"--course", "x"}, "--course"},
        {{"--difficulty", "hard"}, "--difficulty"}, {{"--seed"}, "--seed"},
        {{"--max-frames", "0"}, "--max-frames"}, {{"--snapshot", "12"}, "--snapshot"},
        {{"--wings"}, "--wings"}, {{"--time-trial", "--autopilot"}, "--autopilot"},
        {{"--input", "/no/such/keys.txt"}, "/no/such/keys.txt"},
        {{"--data-dir", Folder, "--input", Folder + "/bad.txt"}, "line 2"},
        {{"--data-dir", Folder, "--course", "5"}, "Map5"},
        // The data folder is looked at before anything else.
        {{"--data-dir", Folder + "/none"}, "none is missing"},
        {{"--data-dir", Folder + "/empty"}, "has no graphics/ folder"},
        // A bad word is quoted short, and nothing in it reaches the terminal.
        {{"--seed", "\x1b]0;title\a" + std::string(900000, '9')}, "not '\\x1b]0;title\\x0799999"},
        {{"--data-dir", Folder, "--max-frames", "4", "--trace", "/dev/full"}, "/dev/full", false},
        {{"--data-dir", Folder, "--max-frames", "4", "--trace", Folder + "/no/such/trace.jsonl"}, "/no/such/trace.jsonl", false},
        {{"--data-dir", Folder, "--max-frames", "4", "--trace", Folder + "/out"}, Folder + "/out", false},
        {{"--data-dir", Folder, "--max-frames", "4", "--snapshot", "2:" + Folder + "/out/shot.bmp/x.bmp"}, "shot.bmp/x.bmp", false},
    };
    for (const auto& [args, named, refused] : cases) {
        RunResult r = Simulate(args);
        EXPECT_EQ(r.Status, 2) << named;
        EXPECT_EQ(std::count(r.Err.begin(), r.Err.end(), '\n'), 1) << r.Err.substr(0, 400);
        EXPECT_LT(r.Err.size(), 400u) << r.Err.substr(0, 400);
        EXPECT_NE(r.Err.find(named), std::string::npos) << r.Err.substr(0, 400);
        if (refused) {
            EXPECT_EQ(r.Out, "") << named;
        }
    }
    EXPECT_EQ(ReadFileText(Folder + "/out/shot.bmp"), "an older picture");
    EXPECT_EQ(std::distance(fs::directory_iterator(Folder + "/out"), {}), 1);
}

// The program itself: standard output that fails is never taken for success (the race's
// report, a session's dump, the usage), and what the windowed game cannot do is said
// before any window opens. No display is given, so a game that went on would fail to
// open one rather than wait for a player.
TEST_F(Simulation, TheProgramEndsWithStatus2AndSaysWhy) {
    WriteFileText(Folder + "/dump.txt", "dump\n");
    WriteFileText(Folder + "/broken.tmj", "[]");
    const std::string game = "env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=x11 '" + GameDir() + "/gravel-ghosts' ",
                      race = "--headless --max-frames 3 --data-dir '" + Folder + "' ";
    const std::pair<std::string, std::string> runs[] = {
        {race + ">/dev/full", "Standard output cannot be written: No space left on device."},
        {race + ">&-", "Standard output cannot be written: it is closed."},
        {"--headless --session '" + Folder + "/dump.txt' --data-dir '" + GameDir() + "' >/dev/full",
         "dump.txt line 1: Standard output cannot be written: No space left on device."},
        {"--help >/dev/full", "Standard output cannot be written: No space left on device."},
        {"--mute --stats /no/such/folder/x", "cannot write the frame statistics to /no/such/folder/x"},
        {"--mute --course-file '" + Folder + "/broken.tmj'", "broken.tmj cannot be read: it is not a Tiled map"},
    };
    for (const auto& [run, says] : runs) {
        int status = std::system((game + run + " 2>'" + Folder + "/err'").c_str());
        std::string err = ReadFileText(Folder + "/err");
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << run << ": " << status << " " << err;
        EXPECT_NE(err.find(says), std::string::npos) << run << ": " << err;
    }
}

}  // namespace
