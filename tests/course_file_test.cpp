// Reading course files: fixed-width fields counted in characters, line breaks included.
#include <gtest/gtest.h>

#include <utility>

#include "course/course.h"
#include "race/race_internal.h"
#include "race_test_folder.h"

namespace {

std::string PickupBlock(const std::string& first8) { return first8 + std::string(80, ' '); }
std::pair<int, int> Start() { return {Course.StartTileCol, Course.StartTileRow}; }

TEST(CourseFile, LaterStartTileInReadingOrderWins) {
    // (40, 3) is read before (2, 7): a greater row wins over a greater column.
    ParseCourse(CourseText({{{40, 3}, 18}, {{2, 7}, 21}}, "Two Starts"), "test");
    EXPECT_EQ(Start(), std::pair(2, 7));
    // Same row: the greater column is read later.
    ParseCourse(CourseText({{{5, 9}, 19}, {{30, 9}, 20}}, "Same Row"), "test");
    EXPECT_EQ(Start(), std::pair(30, 9));
}

TEST(CourseFile, PickupFieldsAreDoubledAndBlanksReadAsZero) {
    // Pickup 0: x "0150" -> 300, y "    " -> 0.
    ParseCourse(CourseText({}, "P", ' ', PickupBlock("0150    ")), "test");
    EXPECT_FLOAT_EQ(Course.Pickups[0].X, 300.0f);
    EXPECT_FLOAT_EQ(Course.Pickups[0].Y, 0.0f);
    EXPECT_EQ(Course.Pickups[0].State, 0);
    // Blanks inside a field are skipped and a sign is taken: " 1 2" -> 24, "-  7" -> -14.
    ParseCourse(CourseText({}, "P", ' ', PickupBlock(" 1 2-  7")), "test");
    EXPECT_FLOAT_EQ(Course.Pickups[0].X, 24.0f);
    EXPECT_FLOAT_EQ(Course.Pickups[0].Y, -14.0f);
}

class FourthCharacter : public ::testing::TestWithParam<char> {};

// "-2" is the tile the computer drivers brake on; " 5 " and "  7" are plain codes.
TEST_P(FourthCharacter, IsIgnoredWhateverItIsAndTileFieldsTakeSignsAndBlanks) {
    ParseCourse(CourseText({{{0, 0}, -2}, {{3, 4}, 13}, {{10, 20}, 18}, {{50, 50}, 7}}, "Odd", GetParam()), "test");
    EXPECT_EQ(TileType(0, 0), -2);
    EXPECT_EQ(TileType(3, 4), 13);
    EXPECT_EQ(TileType(50, 50), 7);
    EXPECT_EQ(TileType(51, 0), 0);  // outside the map
    EXPECT_EQ(Start(), std::pair(10, 20));
    EXPECT_EQ(Course.CourseName, "Odd");
}

INSTANTIATE_TEST_SUITE_P(CourseFile, FourthCharacter,
                         ::testing::Values(' ', '\n', '\r', ',', 'x', '9'));

TEST(CourseFile, NameIsTakenWholeTheRestIgnoredAndLengthZeroMayEndTheFile) {
    ParseCourse(CourseText({}, "Moose Jaw Loop") + "\r\ntrailing junk", "test");
    EXPECT_EQ(Course.CourseName, "Moose Jaw Loop");
    std::string text = CourseText({}, "");
    ASSERT_EQ(text.size(), 88u + 10406u);
    ParseCourse(text, "test");
    EXPECT_EQ(Course.CourseName, "");
}

TEST(CourseFile, ShortFilesNameTheFileAndTheShortBlock) {
    std::string full = CourseText({}, "Short Name");
    struct Case {
        std::size_t Length;
        const char* Block;
    };
    // 80: inside the pickups; 5000: inside the tiles; the full text less 3: the name.
    for (Case c : {Case{80, "pickups"}, Case{5000, "tiles"}, Case{full.size() - 3, "name"}}) {
        try {
            ParseCourse(full.substr(0, c.Length), "Map9.ddt");
            ADD_FAILURE() << "no error for a file of " << c.Length << " characters";
        } catch (const FileError& e) {
            std::string message = e.what();
            EXPECT_NE(message.find("Map9.ddt"), std::string::npos) << message;
            EXPECT_NE(message.find(c.Block), std::string::npos) << message;
        }
    }
}

TEST(CourseFile, LapsCaptionIsSingularOnlyForOneLap) {
    EXPECT_EQ(LapsCaption(1) + "/" + LapsCaption(4), "1 Lap/4 Laps");
}

TEST(CourseLoading, ReadsTheCurrentCoursesFileAndItsLaps) {
    FreshHeadless();
    std::string folder = TempFolder("course_loading");
    MakeFolder(folder + "/resources");
    WriteFileText(folder + "/resources/Map12.ddt", CourseText({{{7, 8}, 20}}, "Twelve"));
    SetAppPath(folder);
    CurrentCourse = 12, RaceLaps = 0;
    LoadCourse();
    EXPECT_EQ(Course.CourseName, "Twelve");
    EXPECT_EQ(RaceLaps, 4);
    EXPECT_EQ(Start(), std::pair(7, 8));

    CurrentCourse = 3;  // no Map3.ddt here
    try {
        LoadCourse();
        ADD_FAILURE() << "a missing course file loaded";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find("Map3.ddt"), std::string::npos) << e.what();
    }
}

// A course saved on Windows has CR LF at every line end; read as it is, each row would
// start one character later than the last and the name would come out empty.
TEST(CourseFile, WindowsLineEndsReadLikePlainOnes) {
    std::string plain = CourseText({{{3, 4}, 13}, {{50, 10}, 7}, {{10, 20}, 18}}, "Regina Ring", ' ',
                                   PickupBlock("0150 100"));
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

// What parses is not always raceable: the loader refuses it and keeps the player out of a
// race on garbage, naming the file and what is wrong.
TEST(CourseLoading, RefusesCoursesThatCannotBeRaced) {
    FreshHeadless();
    std::string folder = TempFolder("course_refusals");
    MakeFolder(folder + "/resources");
    SetAppPath(folder);
    struct Case {
        std::string Text;
        const char* Problem;
    };
    std::string start = "0100 100";
    for (const Case& c :
         {Case{CourseText({}, "No Start"), "no start tile"},
          Case{CourseText({{{1, 1}, 18}, {{9, 9}, 999}}, "Big Code"), "tile code 999 at column 9, row 9"},
          Case{CourseText({{{1, 1}, 18}, {{2, 0}, -99}}, "Negative"), "tile code -99"},
          Case{CourseText({{{1, 1}, 18}}, "Far", ' ', "9999" + std::string(84, '0')), "pickup 1"},
          Case{CourseText({{{1, 1}, 18}}, "Behind", ' ', start + "0100-999" + std::string(72, '0')),
               "pickup 2"},
          Case{std::string(30000, '1'), "more than"}}) {
        WriteFileText(folder + "/resources/Map2.ddt", c.Text);
        CurrentCourse = 2;
        try {
            LoadCourse();
            ADD_FAILURE() << c.Problem << ": loaded";
        } catch (const FileError& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find("Map2.ddt"), std::string::npos) << what;
            EXPECT_NE(what.find(c.Problem), std::string::npos) << what;
        }
    }
    // The braking code -2 and pickups on the far edge are the game's own.
    WriteFileText(folder + "/resources/Map2.ddt",
                  CourseText({{{1, 1}, 18}, {{5, 5}, -2}}, "Edge", ' ', "5100" + std::string(84, '0')));
    EXPECT_NO_THROW(LoadCourse());
}

TEST(CourseLoading, PickupsMoveIntoTheViewWithTheScroll) {
    ParseCourse(CourseText({}, "P", ' ', PickupBlock("0150 100")), "test");
    ShiftPickupsToView(1817, -2.5f);
    EXPECT_FLOAT_EQ(Pickups[0].X, 300.0f - 1817.0f);
    EXPECT_FLOAT_EQ(Pickups[0].Y, 200.0f + 2.5f);
    EXPECT_FLOAT_EQ(Pickups[10].X, -1817.0f);  // every pickup moves, even at 0
}

}  // namespace
