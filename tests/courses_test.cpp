// The fourteen courses as the built game ships them, read back with the game's own loader
// and held to the rules the computer drivers and the walls rely on. Their bytes are pinned
// by the generator's digests and their races by the course sweep; this says why a redrawn
// course would be wrong.
#include <gtest/gtest.h>

#include <set>

#include "course/course.h"
#include "test_support.h"

namespace {

enum { W = 1, E = 2, N = 4, S = 8 };

// Sides a car can drive through, by tile code, from the wall checks of each piece.
constexpr int OpenSides[22] = {0, W | E, 0, 0, 0, N | S, W | E | S, E | S, 0, 0, N | E | S,
                               W | E | N | S, W | S, 0, N | E, N | W, 0, 0, N | S, W | E, N | S, W | E};
int Open(int code) { return code >= 0 && code < 22 ? OpenSides[code] : 0; }

class EveryCourse : public testing::TestWithParam<int> {};

// The grid forms on a north-south start with three straights below it; the road uses only
// pieces the computer drivers understand, and every open side meets an open side.
TEST_P(EveryCourse, RoadStartsOnTheGridAndEverySideMeetsAMatchingSide) {
    FreshHeadless();
    CurrentCourse = static_cast<i16>(GetParam());
    LoadCourse();
    const std::set<int> understood = {1, 5, 7, 11, 12, 14, 15, 18, 20, 0, 2, 3, 4, 8, 9, 17};
    int c = Course.StartTileCol, r = Course.StartTileRow, starts = 0;
    EXPECT_TRUE(TileType(c, r) == 18 || TileType(c, r) == 20) << "start code " << TileType(c, r);
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(TileType(c, r + k), 5) << "grid row " << k;
    for (int col = 0; col < MapSize; ++col)
        for (int row = 0; row < MapSize; ++row) {
            int code = TileType(col, row), open = Open(code);
            EXPECT_TRUE(understood.count(code)) << col << "," << row;
            starts += code >= 18 && code <= 21;
            EXPECT_EQ(bool(open & W), bool(Open(TileType(col - 1, row)) & E)) << col << "," << row;
            EXPECT_EQ(bool(open & N), bool(Open(TileType(col, row - 1)) & S)) << col << "," << row;
            EXPECT_EQ(bool(open & E), bool(Open(TileType(col + 1, row)) & W)) << col << "," << row;
            EXPECT_EQ(bool(open & S), bool(Open(TileType(col, row + 1)) & N)) << col << "," << row;
        }
    EXPECT_EQ(starts, 1);
}

INSTANTIATE_TEST_SUITE_P(Courses, EveryCourse, testing::Range(1, 15));

}  // namespace
