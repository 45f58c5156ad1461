// Reading course files: fixed-width fields counted in characters, line breaks included.
#include <gtest/gtest.h>

#include <utility>

#include "course/course.h"
#include "race/race.h"
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

TEST(CourseLoading, PickupsMoveIntoTheViewWithTheScroll) {
    ParseCourse(CourseText({}, "P", ' ', PickupBlock("0150 100")), "test");
    ShiftPickupsToView(1817, -2.5f);
    EXPECT_FLOAT_EQ(Pickups[0].X, 300.0f - 1817.0f);
    EXPECT_FLOAT_EQ(Pickups[0].Y, 200.0f + 2.5f);
    EXPECT_FLOAT_EQ(Pickups[10].X, -1817.0f);  // every pickup moves, even at 0
}

}  // namespace
