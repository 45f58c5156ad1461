// The fourteen courses and the tile strip as the built game ships them, read back with the
// game's own loader and checked against the rules the cars drive by.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <tuple>
#include <string>
#include <vector>

#include "course/course.h"
#include "platform/platform.h"
#include "test_support.h"

namespace {

enum { W = 1, E = 2, N = 4, S = 8 };

// Sides a car can drive through, by tile code, from the wall checks of each piece.
constexpr int OpenSides[22] = {0, W | E, 0, 0, 0, N | S, W | E | S, E | S, 0, 0, N | E | S,
                               W | E | N | S, W | S, 0, N | E, N | W, 0, 0, N | S, W | E, N | S, W | E};
int Open(int code) { return code >= 0 && code < 22 ? OpenSides[code] : 0; }

// Whether a car centred at (x, y) inside a tile of this code is pushed back by a wall.
bool Walled(int code, double x, double y) {
    bool w = x < 27, e = x > 170, n = y < 27, s = y > 170;
    switch (code) {
        case 1: case 19: case 21: return n || s;
        case 5: case 18: case 20: return w || e;
        case 6: return n || (e && y > 170) || (w && y > 170) || (s && (x < 27 || x > 170));
        case 7: return n || w || (e && y > 170);
        case 10: return w || (e && (y > 170 || y < 27)) || (n && x > 170) || (s && x > 170);
        case 11: return ((e || w) && (y > 170 || y < 27)) || ((n || s) && (x < 27 || x > 170));
        case 12: return n || e;
        case 13: return e;
        case 14: return w || s;
        case 15: return s || e;
        case 16: return s;
        default: return false;
    }
}

struct Step {
    int Dx, Dy, Leave, Enter;
};
const Step Steps[] = {{-1, 0, W, E}, {1, 0, E, W}, {0, -1, N, S}, {0, 1, S, N}};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string CoursePath(int n) { return GameDir() + "/resources/Map" + std::to_string(n) + ".ddt"; }

void Load(int n) {
    FreshHeadless();
    CurrentCourse = static_cast<i16>(n);
    LoadCourse();
}

class EveryCourse : public testing::TestWithParam<int> {};

// Pickups 11 x 8 characters, tiles 2601 x 4 and a two-digit name length, then the name;
// the mini-map and the pre-race panel's preview at the sizes the race windows take.
TEST_P(EveryCourse, FileIsPickupsTilesAndNameToTheCharacterWithItsTwoMaps) {
    std::string text = ReadAll(CoursePath(GetParam()));
    ASSERT_GT(text.size(), 88u + 10406u);
    EXPECT_EQ(text.size(), 88u + 10406u + std::atoi(text.substr(88 + 10404, 2).c_str()));
    Load(GetParam());
    EXPECT_EQ(Course.CourseName, text.substr(88 + 10406));
    EXPECT_FALSE(Course.CourseName.empty());
    for (auto [name, w, h] : {std::tuple{"minimap", 250, 200}, {"bigmap", 320, 240}}) {
        Surface map = LoadPicture(GameDir() + "/graphics/" + name + std::to_string(GetParam()) + ".bmp");
        EXPECT_EQ(map.Width * 1000 + map.Height, w * 1000 + h) << name;
    }
}

// The grid forms on a north-south start with three straights below it. Leaving the start
// southwards the road must come back into it from the north, using only pieces the
// computer drivers understand and crossing the crossroads straight on.
TEST_P(EveryCourse, RoadIsOneClosedLoopFromTheGridBackIntoTheStartFromTheNorth) {
    Load(GetParam());
    const std::set<int> understood = {0, 1, 5, 7, 11, 12, 14, 15, 18, 20};
    int starts = 0;
    for (int col = 0; col < MapSize; ++col)
        for (int row = 0; row < MapSize; ++row) {
            int code = TileType(col, row);
            EXPECT_TRUE(understood.count(code)) << col << "," << row;
            starts += code >= 18 && code <= 21;
        }
    EXPECT_EQ(starts, 1);
    int c = Course.StartTileCol, r = Course.StartTileRow, heading = 3, cameFrom = N;
    EXPECT_TRUE(TileType(c, r) == 18 || TileType(c, r) == 20) << "start code " << TileType(c, r);
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(TileType(c, r + k), 5) << "grid row " << k;
    std::set<std::pair<int, int>> visited;
    bool closed = false;
    for (int guard = 0; guard < 2601 * 2 && !closed; ++guard) {
        int open = Open(TileType(c, r));
        ASSERT_TRUE(open & cameFrom) << "road runs into a wall at " << c << "," << r;
        int exits = open & ~cameFrom;
        if (!(exits & Steps[heading].Leave)) {
            ASSERT_EQ(__builtin_popcount(exits), 1) << "no single way on at " << c << "," << r;
            for (int s = 0; s < 4; ++s)
                if (exits == Steps[s].Leave) heading = s;
        }
        visited.insert({c, r});
        c += Steps[heading].Dx, r += Steps[heading].Dy;
        cameFrom = Steps[heading].Enter;
        closed = c == Course.StartTileCol && r == Course.StartTileRow;
    }
    ASSERT_TRUE(closed);
    EXPECT_EQ(heading, 3) << "the lap line is crossed southwards";

    // No stray road, and every side meets a matching side.
    for (int col = 0; col < MapSize; ++col)
        for (int row = 0; row < MapSize; ++row) {
            int open = Open(TileType(col, row));
            if (!open) continue;
            EXPECT_TRUE(visited.count({col, row})) << "off the loop: " << col << "," << row;
            for (const Step& s : Steps) {
                bool there = Open(TileType(col + s.Dx, row + s.Dy)) & s.Enter;
                EXPECT_EQ(bool(open & s.Leave), there) << "side mismatch at " << col << "," << row;
            }
        }
}

// A pickup's point is where a car's centre must pass within 20 pixels, and its 25 x 25
// sprite hangs below and right of it: both must be on open road.
TEST_P(EveryCourse, ElevenPickupsLieOnTheRoad) {
    Load(GetParam());
    for (int k = 0; k < 11; ++k) {
        double x = Pickups[k].X, y = Pickups[k].Y;
        int c = static_cast<int>(x) / 200, r = static_cast<int>(y) / 200;
        int code = TileType(c, r);
        EXPECT_NE(Open(code), 0) << "pickup " << k;
        for (double dx : {0.0, 25.0})
            for (double dy : {0.0, 25.0})
                EXPECT_FALSE(Walled(code, std::fmod(x, 200) + dx, std::fmod(y, 200) + dy)) << "pickup " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Courses, EveryCourse, testing::Range(1, 15));

// --- The tile strip ---

Surface& Strip() {
    static Surface strip = LoadPicture(GameDir() + "/resources/ral-set256.bmp");
    return strip;
}

std::uint32_t TilePx(int code, int x, int y) { return Strip().Pixel(code * 200 + x, y); }

// Tarmac is a mid grey with a touch of blue; kerbs, concrete and ground never are.
bool Tarmac(std::uint32_t p) {
    int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    return r == g && b == g + 4 && g >= 80 && g <= 105;
}

// Where a car's centre may go the tile shows tarmac (start lines and the painted inside of
// bends aside); where any wall check would push it back, no tarmac is drawn.
TEST(TileStrip, TarmacExactlyWhereCarsMayDrive) {
    ASSERT_EQ(Strip().Width, 22 * 200);
    for (int code = 0; code < 22; ++code) {
        bool road = code == 13 || code == 16 || Open(code) != 0;  // the one-sided pieces too
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 200; ++x) {
                bool tarmac = Tarmac(TilePx(code, x, y));
                if (!road) {
                    ASSERT_FALSE(tarmac) << "plain ground " << code << " at " << x << "," << y;
                    continue;
                }
                // Deep in a wall (6 pixels from its edge every way), or clear of walls by 4.
                bool deep = true, clear = true;
                for (int d : {-6, 0, 6})
                    for (int e : {-6, 0, 6}) deep = deep && Walled(code, x + 0.5 + d, y + 0.5 + e);
                if (deep) {
                    ASSERT_FALSE(tarmac) << "tile " << code << " wall at " << x << "," << y;
                }
                for (int d : {-4, 0, 4})
                    for (int e : {-4, 0, 4}) clear = clear && !Walled(code, x + 0.5 + d, y + 0.5 + e);
                // Bends are rounded and their insides painted, so corners are left out.
                bool corner = (x < 52 || x > 147) && (y < 52 || y > 147);
                bool painted = code == 20 || (code == 18 && y >= 184) || ((code == 19 || code == 21) && x >= 184);
                if (clear && !corner && !painted) {
                    ASSERT_TRUE(tarmac) << "tile " << code << " road at " << x << "," << y;
                }
            }
    }
}

// The chequered line lies at the bottom of a north-south start tile, where a car's
// centre (sprite top + 25, at course y 375 + 25 - 202 = 198 into the tile) counts the lap.
TEST(TileStrip, FinishLineSitsOnTheLapLine) {
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
