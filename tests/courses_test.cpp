// The fourteen courses and the tile strip as the built game ships them, read back with the
// game's own loader and checked against the rules the cars drive by.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <tuple>

#include "course/course.h"
#include "platform/platform.h"
#include "test_support.h"

namespace {

enum { W = 1, E = 2, N = 4, S = 8 };

// Sides a car can drive through, by tile code, from the wall checks of each piece.
constexpr int OpenSides[22] = {0, W | E, 0, 0, 0, N | S, W | E | S, E | S, 0, 0, N | E | S,
                               W | E | N | S, W | S, 0, N | E, N | W, 0, 0, N | S, W | E, N | S, W | E};
int Open(int code) { return code >= 0 && code < 22 ? OpenSides[code] : 0; }

struct Step {
    int Dx, Dy, Leave, Enter;
};
const Step Steps[] = {{-1, 0, W, E}, {1, 0, E, W}, {0, -1, N, S}, {0, 1, S, N}};

void Load(int n) {
    FreshHeadless();
    CurrentCourse = static_cast<i16>(n);
    LoadCourse();
}

Surface& Strip() {
    static Surface strip = LoadPicture(GameDir() + "/resources/ral-set256.bmp");
    return strip;
}

std::uint32_t TilePx(int code, int x, int y) { return Strip().Pixel(code * 200 + x, y); }

// Tarmac is a mid grey with a touch of blue; kerbs, concrete and ground never are.
bool Tarmac(std::uint32_t p) {
    int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    return r == g && b == g + 4 && g >= 60 && g <= 110;
}
// Tarmac or the paint on it: the chequered line and the grid boxes.
bool RoadSurface(std::uint32_t p) { return Tarmac(p) || p == 0xF0F0EC || p == 0x18181A || p == 0xE8E8E0; }

class EveryCourse : public testing::TestWithParam<int> {};

// Pickups 11 x 8 characters, tiles 2601 x 4 and a two-digit name length, then the name;
// the mini-map and the pre-race panel's preview at the sizes the race windows take.
TEST_P(EveryCourse, FileIsPickupsTilesAndNameToTheCharacterWithItsTwoMapsAndPickupsOnTheRoad) {
    std::string text = ReadFileText(GameDir() + "/resources/Map" + std::to_string(GetParam()) + ".ddt");
    ASSERT_GT(text.size(), 88u + 10406u);
    EXPECT_EQ(text.size(), 88u + 10406u + std::atoi(text.substr(88 + 10404, 2).c_str()));
    Load(GetParam());
    EXPECT_EQ(Course.CourseName, text.substr(88 + 10406));
    EXPECT_FALSE(Course.CourseName.empty());
    for (auto [name, w, h] : {std::tuple{"minimap", 250, 200}, {"bigmap", 320, 240}}) {
        Surface map = LoadPicture(GameDir() + "/graphics/" + name + std::to_string(GetParam()) + ".bmp");
        EXPECT_EQ(map.Width * 1000 + map.Height, w * 1000 + h) << name;
    }
    // A pickup's point is where a car's centre must pass within 20 pixels, and its 25 x 25
    // sprite hangs below and right of it: all of it must be drawn on the road.
    for (int k = 0; k < 11; ++k) {
        int x = static_cast<int>(Pickups[k].X), y = static_cast<int>(Pickups[k].Y);
        int code = TileType(x / 200, y / 200);
        for (int dx : {0, 25})
            for (int dy : {0, 25})
                EXPECT_TRUE(RoadSurface(TilePx(code, (x + dx) % 200, (y + dy) % 200))) << "pickup " << k;
    }
}

// The grid forms on a north-south start with three straights below it; the road uses only
// pieces the computer drivers understand, and every open side meets an open side. (That
// each course is one loop the field can race round, the course sweep proves.)
TEST_P(EveryCourse, RoadStartsOnTheGridAndEverySideMeetsAMatchingSide) {
    Load(GetParam());
    // Road the drivers know, and the wall-less ground and scenery around it.
    const std::set<int> understood = {1, 5, 7, 11, 12, 14, 15, 18, 20, 0, 2, 3, 4, 8, 9, 17};
    int c = Course.StartTileCol, r = Course.StartTileRow, starts = 0;
    EXPECT_TRUE(TileType(c, r) == 18 || TileType(c, r) == 20) << "start code " << TileType(c, r);
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(TileType(c, r + k), 5) << "grid row " << k;
    for (int col = 0; col < MapSize; ++col)
        for (int row = 0; row < MapSize; ++row) {
            int code = TileType(col, row), open = Open(code);
            EXPECT_TRUE(understood.count(code)) << col << "," << row;
            starts += code >= 18 && code <= 21;
            for (const Step& s : Steps) {
                bool there = Open(TileType(col + s.Dx, row + s.Dy)) & s.Enter;
                EXPECT_EQ(bool(open & s.Leave), there) << "side mismatch at " << col << "," << row;
            }
        }
    EXPECT_EQ(starts, 1);
}

INSTANTIATE_TEST_SUITE_P(Courses, EveryCourse, testing::Range(1, 15));

// Each piece shows road through its middle and the middle of every side a car may drive
// through, and none across a walled side.
TEST(TileStrip, RoadRunsThroughExactlyTheOpenSidesAndTheFinishLineSitsOnTheLapLine) {
    ASSERT_EQ(Strip().Width, 22 * 200);
    const int middle[4][2] = {{0, 100}, {199, 100}, {100, 0}, {100, 199}};  // as Steps
    for (int code = 0; code < 22; ++code) {
        if (code == 13 || code == 16) continue;  // one-sided pieces no course may use
        EXPECT_EQ(RoadSurface(TilePx(code, 100, 100)), Open(code) != 0) << code;
        for (int s = 0; s < 4; ++s)
            EXPECT_EQ(RoadSurface(TilePx(code, middle[s][0], middle[s][1])), bool(Open(code) & Steps[s].Leave))
                << "tile " << code << " side " << s;
    }
    // The chequered line lies at the bottom of a north-south start tile, where a car's
    // centre (sprite top + 25, at course y 375 + 25 - 202 = 198 into the tile) counts the lap.
    for (int code : {18, 20}) {
        int white = 0, black = 0;
        for (int x = 30; x < 168; ++x)
            white += TilePx(code, x, 197) == 0xF0F0EC, black += TilePx(code, x, 197) == 0x18181A;
        EXPECT_GT(white, 50) << code;
        EXPECT_GT(black, 50) << code;
        EXPECT_TRUE(Tarmac(TilePx(code, 98, 150))) << code;
    }
}

}  // namespace
