// Reading course files: fixed-width fields counted in characters, line breaks included.
#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "course/course.h"
#include "race/race_internal.h"
#include "race_test_folder.h"

namespace {

std::pair<int, int> Start() { return {Course.StartTileCol, Course.StartTileRow}; }

// The fourth character of a tile entry is ignored whatever it is; tile fields take signs
// and blanks ("-2" is the tile the computer drivers brake on). Of two start tiles the one
// read later wins: (40, 3) is read before (2, 7), (5, 9) before (30, 9).
TEST(CourseFile, FourthCharacterIsIgnoredAndTheLaterStartTileInReadingOrderWins) {
    for (char fourth : {' ', '\n', '\r', ',', 'x', '9'}) {
        ParseCourse(
            CourseText({{{0, 0}, -2}, {{3, 4}, 13}, {{40, 3}, 19}, {{10, 20}, 18}, {{50, 50}, 7}}, "Odd", fourth),
            "test");
        EXPECT_EQ(TileType(0, 0) * 10000 + TileType(3, 4) * 100 + TileType(50, 50), -20000 + 1300 + 7) << fourth;
        EXPECT_EQ(TileType(51, 0), 0);  // outside the map
        EXPECT_EQ(Start(), std::pair(10, 20));
        EXPECT_EQ(Course.CourseName, "Odd");
        ParseCourse(CourseText({{{5, 9}, 19}, {{30, 9}, 20}}, "Same Row", fourth), "test");
        EXPECT_EQ(Start(), std::pair(30, 9));
    }
}

// Pickup fields are doubled and blanks read as 0 ("0150" -> 300, "    " -> 0); blanks inside
// a field are skipped and a sign is taken (" 1 2" -> 24, "-  7" -> -14). Every pickup moves
// into the view with the scroll, even one at 0.
TEST(CourseFile, PickupFieldsAreDoubledAndMoveWithTheScroll) {
    ParseCourse(CourseText({}, "P", ' ', "0150     1 2-  7" + std::string(72, ' ')), "test");
    const Pickup* p = Course.Pickups;
    EXPECT_EQ(std::tuple(p[0].X, p[0].Y, p[0].State, p[1].X, p[1].Y), std::tuple(300.f, 0.f, 0, 24.f, -14.f));
    ShiftPickupsToView(1817, -2.5f);
    EXPECT_EQ(std::tuple(Pickups[0].X, Pickups[0].Y, Pickups[10].X), std::tuple(300.f - 1817, 2.5f, -1817.f));
}

// The name is taken whole and the rest ignored; a name of length 0 may end the file. A
// course saved on Windows has CR LF at every line end; read as it is, each row would start
// one character later than the last and the name would come out empty.
TEST(CourseFile, NameIsTakenWholeAndWindowsLineEndsReadLikePlainOnes) {
    ParseCourse(CourseText({}, "Moose Jaw Loop") + "\r\ntrailing junk", "test");
    EXPECT_EQ(Course.CourseName, "Moose Jaw Loop");
    ParseCourse(CourseText({}, ""), "test");
    EXPECT_EQ(Course.CourseName, "");
    std::string plain = CourseText({{{3, 4}, 13}, {{50, 10}, 7}, {{10, 20}, 18}}, "Regina Ring", ' ',
                                   "0150 100" + std::string(80, ' '));
    for (std::size_t row = 1; row <= 51; ++row) plain[88 + 204 * row - 1] = '\n';
    std::string windows;
    for (char c : plain) windows += c == '\n' ? std::string("\r\n") : std::string(1, c);
    ParseCourse(windows, "test");
    EXPECT_EQ(TileType(3, 4), 13);
    EXPECT_EQ(TileType(50, 10), 7);
    EXPECT_EQ(Start(), std::pair(10, 20));
    EXPECT_FLOAT_EQ(Course.Pickups[0].Y, 200.0f);
    EXPECT_EQ(Course.CourseName, "Regina Ring");
}

// The loader reads the current course's file and its laps, and refuses what cannot be
// raced, naming the file and what is wrong, so the player never races on garbage.
TEST(CourseLoading, ReadsTheCurrentCoursesFileAndRefusesWhatCannotBeRaced) {
    FreshHeadless();
    std::string folder = TempFolder("course_loading");
    MakeFolder(folder + "/resources");
    SetAppPath(folder);
    WriteFileText(folder + "/resources/Map12.ddt", CourseText({{{7, 8}, 20}}, "Twelve"));
    CurrentCourse = 12, RaceLaps = 0;
    LoadCourse();
    EXPECT_EQ(Course.CourseName, "Twelve");
    EXPECT_EQ(LapsCaption(RaceLaps) + "/" + LapsCaption(1), "4 Laps/1 Lap");
    EXPECT_EQ(Start(), std::pair(7, 8));
    // The braking code -2 and pickups on the far edge are the game's own.
    const std::string full = CourseText({{{1, 1}, 18}, {{5, 5}, -2}}, "Edge", ' ', "5100" + std::string(84, '0'));
    WriteFileText(folder + "/resources/Map2.ddt", full);
    CurrentCourse = 2;
    EXPECT_NO_THROW(LoadCourse());
    // Short files name the block they end in: the pickups, the tiles or the name.
    for (auto [text, problem] :
         {std::pair{CourseText({}, "No Start"), "no start tile"},
          {CourseText({{{1, 1}, 18}, {{9, 9}, 999}}, "Big Code"), "tile code 999 at column 9, row 9"},
          {CourseText({{{1, 1}, 18}, {{2, 0}, -99}}, "Negative"), "tile code -99"},
          {CourseText({{{1, 1}, 18}}, "Far", ' ', "9999" + std::string(84, '0')), "pickup 1"},
          {CourseText({{{1, 1}, 18}}, "Behind", ' ', "0100 1000100-999" + std::string(72, '0')), "pickup 2"},
          {std::string(30000, '1'), "more than"}, {full.substr(0, 80), "pickups"},
          {full.substr(0, 5000), "tiles"}, {full.substr(0, full.size() - 3), "name"}}) {
        WriteFileText(folder + "/resources/Map2.ddt", text);
        try {
            LoadCourse();
            ADD_FAILURE() << problem << ": loaded";
        } catch (const FileError& e) {
            EXPECT_NE(std::string(e.what()).find("Map2.ddt"), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(problem), std::string::npos) << e.what();
        }
    }
    CurrentCourse = 3;  // no Map3.ddt here
    EXPECT_THROW(LoadCourse(), FileError);
}

}  // namespace
