// Every screen a player meets, pictured by a session and held against the pictures we
// last looked at: a label moved, a colour changed or a panel off centre shows here even
// where no rule is broken.
#include <gtest/gtest.h>

#include "app/app.h"
#include "test_support.h"

namespace {

// The walk, a screen at each snapshot: a new driver's career through the shop and its
// pop-up, a race with its lights, pause and results, then the Time Trial picker.
const char* const Walk[][2] = {
    {"", "menu"},
    {"click Label1\nclick Label21\ntype Ann\n", "new-driver"},
    {"key Enter\n", "panel"},
    {"click RaceWindow.Label17\n", "shop"},
    {"click StoreForm.Item(5)\n", "shop-pop-up"},
    {"click PopBox.Label4\nclick StoreForm.LeaveLabel\nclick Label16\nwait 1000\n", "lights"},
    {"wait 3000\n", "race"},
    {"key P\nwait 300\n", "pause"},
    {"key P\nrace autopilot\n", "results"},
    {"wait 500\nkey Enter\nclick Label18\nclick TimeTrialItem\n", "picker"},
};

}  // namespace

// After changing the look on purpose, run this with GG_WRITE_DIGESTS=1 to write
// tests/data/screens.tsv again, and look at the pictures it names first.
TEST(Screens, EveryScreenLooksAsLastSeen) {
    std::string folder = TempFolder("screens"), script, table;
    for (const auto& [steps, name] : Walk)
        script += std::string(steps) + "snapshot " + folder + "/" + name + ".bmp\n";
    WriteFileText(folder + "/walk.txt", script);
    std::vector<std::string> args = {"gravel-ghosts", "--headless", "--session",
                                     folder + "/walk.txt", "--data-dir", GameDir()};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    ::testing::internal::CaptureStderr();
    int status = RunSession(static_cast<int>(argv.size()), argv.data());
    std::string said = ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(status, 0) << said;
    for (const auto& [steps, name] : Walk)
        table += std::string(name) + "\t" + FileDigest(folder + "/" + name + ".bmp") + "\n";
    std::string committed = std::string(GG_SOURCE_DIR) + "/tests/data/screens.tsv";
    if (std::getenv("GG_WRITE_DIGESTS")) WriteFileText(committed, table);
    EXPECT_EQ(table, ReadFileText(committed)) << "the screens differ: see the pictures in " << folder;
}
