// A small game folder for race tests: the built game's pictures with hand-made courses,
// so that the tests do not depend on how the real courses are drawn.
#pragma once

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "app/app.h"
#include "career/career.h"
#include "platform/platform.h"
#include "race/race_internal.h"
#include "test_support.h"

// Builds a course file's characters: pickups, 2601 tile entries with the given fourth
// character, the name length and the name.
inline std::string CourseText(const std::map<std::pair<int, int>, int>& tiles,
                              const std::string& name, char fourth = ' ',
                              const std::string& pickups = std::string(88, ' ')) {
    std::string text = pickups;
    char entry[8];
    for (int row = 0; row < 51; ++row)
        for (int column = 0; column < 51; ++column) {
            auto found = tiles.find({column, row});
            std::snprintf(entry, sizeof entry, "%3d", found == tiles.end() ? 0 : found->second);
            text += entry;
            text += fourth;
        }
    std::snprintf(entry, sizeof entry, "%02d", static_cast<int>(name.size()));
    return text + entry + name;
}

// A folder with the built game's graphics and resources, and for each course 1..14 an
// open field of free tiles with one start tile at column 10, row 10.
inline std::string RaceFolder(const std::string& testName) {
    namespace fs = std::filesystem;
    std::string folder = TempFolder(testName);
    for (const char* sub : {"graphics", "resources"})
        fs::copy(fs::path(GameDir()) / sub, fs::path(folder) / sub,
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    Surface preview;
    preview.Resize(320, 240, 0x336633);
    Surface map;
    map.Resize(250, 200, 0x224422);
    for (int n = 1; n <= 14; ++n) {
        std::string number = std::to_string(n);
        WriteFileText(folder + "/resources/Map" + number + ".ddt",
                      CourseText({{{10, 10}, 18}}, "Test Field " + number));
        SavePicture(preview, folder + "/graphics/bigmap" + number + ".bmp");
        SavePicture(map, folder + "/graphics/minimap" + number + ".bmp");
    }
    SetAppPath(folder);
    return folder;
}

// The race screen on a test folder of its own, with a new career for "Ann" waiting on the
// pre-race panel: where every race, panel and set-up test starts.
class RaceScreenTest : public ::testing::Test {
protected:
    HeadlessBackend* Backend = nullptr;
    void SetUp() override {
        Backend = &FreshHeadless();
        RaceFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        Settings = GameSettings{};
        AutopilotEnabled = false;
        LoadRaceScreen();
        DriverNames[PlayerNameEntry] = "Ann";
        NewCareer();
    }
};
