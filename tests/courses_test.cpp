// The fourteen courses and the tile strip as the built game ships them, read back with the
// game's own loader and checked against the rules the cars drive by.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "course/course.h"
#include "platform/numeric.h"
#include "platform/platform.h"
#include "test_support.h"

namespace {

enum { W = 1, E = 2, N = 4, S = 8 };

// Sides a car can drive through, by tile code, from the wall checks of each piece.
int Open(int code) {
    switch (code) {
        case 1: case 19: case 21: return W | E;
        case 5: case 18: case 20: return N | S;
        case 6: return W | E | S;
        case 7: return E | S;
        case 10: return N | E | S;
        case 11: return W | E | N | S;
        case 12: return W | S;
        case 14: return N | E;
        case 15: return N | W;
        default: return 0;
    }
}

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

// The race loop's marker position in the 153 x 123 mini-map window for a player whose
// sprite's top-left corner is at course pixel (x, y).
void Marker(double x, double y, int& mx, int& my) {
    int c = Course.StartTileCol, r = Course.StartTileRow;
    f32 courseX = static_cast<f32>(x - c * 200 + 183), courseY = static_cast<f32>(y - r * 200 + 202);
    f32 viewOriginX = static_cast<f32>((c - 2) * 200 - 400), viewOriginY = static_cast<f32>((r - 3) * 200 - 200);
    mx = CInt(viewOriginX / 20.5f + 30 + courseX / 20.5f - CInt(courseX / 100));
    my = CInt(viewOriginY / 20.5f + 29 + courseY / 20.5f - CInt(courseY / 100));
}

class EveryCourse : public testing::TestWithParam<int> {};

// Pickups 11 x 8 characters, tiles 2601 x 4 and a two-digit name length, then the name.
TEST_P(EveryCourse, FileIsPickupsTilesAndNameToTheCharacter) {
    std::string text = ReadAll(CoursePath(GetParam()));
    ASSERT_GT(text.size(), 88u + 10406u);
    int nameLength = std::atoi(text.substr(88 + 10404, 2).c_str());
    EXPECT_EQ(text.size(), 88u + 10406u + nameLength);
    Load(GetParam());
    EXPECT_EQ(Course.CourseName, text.substr(88 + 10406));
    EXPECT_FALSE(Course.CourseName.empty());
}

TEST_P(EveryCourse, GridFormsOnANorthSouthStartWithThreeStraightsBelow) {
    Load(GetParam());
    int c = Course.StartTileCol, r = Course.StartTileRow;
    int code = TileType(c, r);
    EXPECT_TRUE(code == 18 || code == 20) << "start code " << code;
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(TileType(c, r + k), 5) << "grid row " << k;
    int starts = 0;
    for (int col = 0; col < MapSize; ++col)
        for (int row = 0; row < MapSize; ++row)
            if (TileType(col, row) >= 18 && TileType(col, row) <= 21) ++starts;
    EXPECT_EQ(starts, 1);
}

// Leaving the start southwards the road must come back into it from the north, using only
// pieces the computer drivers understand and crossing the crossroads straight on.
TEST_P(EveryCourse, RoadIsOneClosedLoopBackIntoTheStartFromTheNorth) {
    Load(GetParam());
    const std::set<int> understood = {0, 1, 5, 7, 11, 12, 14, 15, 18, 20};
    for (int col = 0; col < MapSize; ++col)
        for (int row = 0; row < MapSize; ++row)
            EXPECT_TRUE(understood.count(TileType(col, row))) << col << "," << row;

    int c = Course.StartTileCol, r = Course.StartTileRow, heading = 3, cameFrom = N;
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
        c += Steps[heading].Dx;
        r += Steps[heading].Dy;
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

// Wherever the player can drive, its 5 x 5 marker stays in the mini-map window and sits
// on road in the mini-map picture (the marker's middle pixel, 2 in from its corner).
TEST_P(EveryCourse, MiniMapMarkerStaysInTheWindowAndOnTheRoad) {
    Load(GetParam());
    Surface map = LoadPicture(GameDir() + "/graphics/minimap" + std::to_string(GetParam()) + ".bmp");
    ASSERT_EQ(map.Width, 250);
    ASSERT_EQ(map.Height, 200);
    Surface preview = LoadPicture(GameDir() + "/graphics/bigmap" + std::to_string(GetParam()) + ".bmp");
    EXPECT_EQ(preview.Width, 320);  // the pre-race panel's picture box
    EXPECT_EQ(preview.Height, 240);
    for (int col = 0; col < MapSize; ++col)
        for (int row = 0; row < MapSize; ++row) {
            int code = TileType(col, row);
            if (!Open(code)) continue;
            for (int tx = 27; tx <= 170; tx += 13)
                for (int ty = 27; ty <= 170; ty += 13) {
                    if (Walled(code, tx, ty)) continue;
                    // TileX is the sprite's middle; TileY sits 27 below its top.
                    double sx = col * 200 + tx - 40, sy = row * 200 + ty - 27;
                    int mx, my;
                    Marker(sx, sy, mx, my);
                    ASSERT_TRUE(mx >= 0 && my >= 0 && mx + 5 <= 153 && my + 5 <= 123)
                        << "tile " << col << "," << row << " at " << tx << "," << ty;
                    int px = CInt(static_cast<f32>(sx) / 20.5f - 0.098f) + 2;
                    int py = CInt(static_cast<f32>(sy) / 20.5f - 0.17f) + 2;
                    std::uint32_t p = map.Pixel(px, py);
                    int light = ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF);
                    ASSERT_GT(light, 450) << "dark under the marker at tile " << col << "," << row << " (" << tx << "," << ty << ") pixel " << px << "," << py;
                }
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

// Tarmac or the paint on it: the chequered line and the grid boxes.
bool RoadSurface(std::uint32_t p) {
    return Tarmac(p) || p == 0xF0F0EC || p == 0x18181A || p == 0xE8E8E0;
}

TEST(TileStrip, HoldsTwentyTwoTilesOfTwoHundred) {
    EXPECT_EQ(Strip().Width, 4400);
    EXPECT_EQ(Strip().Height, 210);
}

// Where a car's centre may go the tile shows tarmac (start lines and the painted inside of
// bends aside); where any wall check would push it back, no tarmac is drawn.
TEST(TileStrip, TarmacExactlyWhereCarsMayDrive) {
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
        for (int x = 30; x < 168; ++x) {
            std::uint32_t p = TilePx(code, x, 197);
            if (p == 0xF0F0EC) ++white;
            if (p == 0x18181A) ++black;
        }
        EXPECT_GT(white, 50) << code;
        EXPECT_GT(black, 50) << code;
        EXPECT_TRUE(Tarmac(TilePx(code, 98, 150))) << code;
    }
}

// Pieces that can meet show the same road and barrier along their shared edge.
TEST(TileStrip, NeighbouringPiecesJoinWithoutSeams) {
    const int codes[] = {1, 5, 6, 7, 10, 11, 12, 14, 15, 18, 20};
    auto rowMatches = [](int a, int b, bool across) {
        int mismatches = 0;
        for (int t = 0; t < 200; ++t) {
            std::uint32_t pa = across ? TilePx(a, 199, t) : TilePx(a, t, 199);
            std::uint32_t pb = across ? TilePx(b, 0, t) : TilePx(b, t, 0);
            if (RoadSurface(pa) != RoadSurface(pb)) ++mismatches;
        }
        return mismatches;
    };
    for (int a : codes)
        for (int b : codes) {
            if ((Open(a) & E) && (Open(b) & W)) {
                EXPECT_LE(rowMatches(a, b, true), 1) << a << " beside " << b;
            }
            if ((Open(a) & S) && (Open(b) & N)) {
                EXPECT_LE(rowMatches(a, b, false), 1) << a << " above " << b;
            }
        }
}

// The generator is deterministic: a second run into an empty folder gives the same bytes.
TEST(CourseFiles, RebuildGivesIdenticalBytes) {
    std::string folder = TempFolder("courses_rebuild");
    std::string command = std::string(GG_BINARY_DIR) + "/gg_assetgen --data " + GG_SOURCE_DIR +
                          "/data --out " + folder + " > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::vector<std::string> files = {"resources/ral-set256.bmp"};
    for (int n = 1; n <= 14; ++n) {
        files.push_back("resources/Map" + std::to_string(n) + ".ddt");
        files.push_back("graphics/bigmap" + std::to_string(n) + ".bmp");
        files.push_back("graphics/minimap" + std::to_string(n) + ".bmp");
    }
    for (const std::string& f : files)
        EXPECT_EQ(ReadAll(folder + "/" + f), ReadAll(GameDir() + "/" + f)) << f;
}

}  // namespace
