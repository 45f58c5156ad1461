#include "course_layout.h"

#include <cstdio>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "numeric/numeric.h"
#include "platform/platform.h"
#include "tile_shapes.h"

namespace {

struct TileChar {
    char Char;
    int Code;
};
// Box-drawing letters for the bends: F and 7 open downwards, L and J upwards.
constexpr TileChar TileChars[] = {
    {'.', 0},  {'-', 1},  {'|', 5},  {'T', 6},  {'F', 7},  {'E', 10}, {'+', 11},
    {'7', 12}, {']', 13}, {'L', 14}, {'J', 15}, {'_', 16}, {'S', 18}, {'>', 19},
    {'s', 20}, {'<', 21},
    // Ground: grass, gravel, sand, woods, water, boulders and a grandstand.
    {'~', 2},  {':', 3},  {'t', 4},  {'w', 8},  {'r', 9},  {'H', 17},
};

[[noreturn]] void Fail(const std::string& path, int line, const std::string& what) {
    throw std::runtime_error(path + ":" + std::to_string(line) + ": " + what);
}

struct Step {
    int Dx, Dy;
    TileSide Leaving, Entering;  // the side left behind and the side entered next
};
constexpr Step Steps[4] = {
    {-1, 0, SideWest, SideEast},
    {1, 0, SideEast, SideWest},
    {0, -1, SideNorth, SideSouth},
    {0, 1, SideSouth, SideNorth},
};

TileSide Opposite(TileSide s) { return Steps[s].Entering; }

int CodeAt(const CourseLayout& l, int c, int r) {
    if (c < 0 || r < 0 || c >= LayoutSize || r >= LayoutSize) return 0;
    return l.Tiles[c][r];
}

}  // namespace

int TileCodeOf(char c) {
    for (const TileChar& t : TileChars)
        if (t.Char == c) return t.Code;
    return -1;
}

CourseLayout ReadLayout(const std::string& path) {
    // A layout is 51 rows of 51 characters and a few lines more, about 3 KB.
    std::vector<unsigned char> bytes = ReadFileChecked(path, 64 * 1024, "course layout");
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    CourseLayout layout;
    std::string line;
    int lineNo = 0, gridRow = -1;
    bool sawTiles = false;
    while (std::getline(in, line)) {
        ++lineNo;
        // Saved by an editor on Windows, every line ends in a carriage return too.
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (gridRow >= 0) {
            if (line == "end") {
                gridRow = -1;
                continue;
            }
            if (gridRow >= LayoutSize) Fail(path, lineNo, "more than 51 rows of tiles");
            if (static_cast<int>(line.size()) > LayoutSize) Fail(path, lineNo, "row wider than 51 tiles");
            for (int c = 0; c < static_cast<int>(line.size()); ++c) {
                if (line[c] == ' ') continue;  // leaves the ground as it is
                int code = TileCodeOf(line[c]);
                if (code < 0) Fail(path, lineNo, std::string("unknown tile character '") + line[c] + "'");
                layout.Tiles[c][gridRow] = code;
            }
            ++gridRow;
            continue;
        }
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        std::string key;
        words >> key;
        if (key == "ground") {
            // The ground under everything the grid leaves out, out to the map's edge.
            std::string g;
            words >> g;
            int code = g.size() == 1 ? TileCodeOf(g[0]) : -1;
            if (code < 0 || IsRoadPiece(code)) Fail(path, lineNo, "ground needs one ground tile character");
            if (sawTiles) Fail(path, lineNo, "ground must come before the tiles it lies under");
            for (auto& column : layout.Tiles)
                for (int& tile : column) tile = code;
        } else if (key == "name") {
            std::getline(words >> std::ws, layout.Name);
        } else if (key == "tiles") {
            gridRow = 0;
            sawTiles = true;
        } else if (key == "pickup") {
            int col, row, x, y;
            if (!(words >> col >> row >> x >> y)) Fail(path, lineNo, "pickup needs column, row, x and y");
            layout.Pickups.push_back({col * TilePixels + x, row * TilePixels + y});
        } else {
            Fail(path, lineNo, "unknown line '" + key + "'");
        }
    }
    for (int r = 0; r < LayoutSize; ++r)
        for (int c = 0; c < LayoutSize; ++c)
            if (IsStartPiece(layout.Tiles[c][r])) {
                layout.StartCol = c;
                layout.StartRow = r;
            }
    return layout;
}

std::string CourseFileText(const CourseLayout& layout) {
    std::string text;
    char field[32];
    for (const LayoutPickup& p : layout.Pickups) {
        std::snprintf(field, sizeof field, "%04d%04d", p.X / 2, p.Y / 2);
        text += field;
    }
    // One line per row of tiles: the ignored fourth character of each row's last entry
    // is the line break, so the file stays readable in an editor.
    for (int r = 0; r < LayoutSize; ++r)
        for (int c = 0; c < LayoutSize; ++c) {
            std::snprintf(field, sizeof field, "%3d%c", layout.Tiles[c][r],
                          c == LayoutSize - 1 ? '\n' : ' ');
            text += field;
        }
    std::snprintf(field, sizeof field, "%02d", static_cast<int>(layout.Name.size()));
    text += field;
    text += layout.Name;
    return text;
}

std::vector<LoopTile> DrivingLoop(const CourseLayout& layout, std::string& problem) {
    std::vector<LoopTile> loop;
    int c = layout.StartCol, r = layout.StartRow;
    if (c < 0) {
        problem = "no start tile";
        return {};
    }
    TileSide heading = SideSouth;  // the grid faces south
    TileSide cameFrom = SideNorth;
    for (int guard = 0; guard < 2 * LayoutSize * LayoutSize; ++guard) {
        int code = CodeAt(layout, c, r);
        int open = OpenSides(code);
        auto where = " at column " + std::to_string(c) + ", row " + std::to_string(r);
        if (!(open & SideBit(cameFrom))) {
            problem = "the road runs into a wall" + where;
            return {};
        }
        int exits = open & ~SideBit(cameFrom);
        if (exits & SideBit(heading)) {
            // Straight on: straights, start pieces and crossings are all driven across.
        } else if (__builtin_popcount(exits) == 1) {
            for (int s = 0; s < 4; ++s)
                if (exits & (1 << s)) heading = static_cast<TileSide>(s);
        } else {
            problem = "the way on is not clear" + where;
            return {};
        }
        loop.push_back({c, r});
        c += Steps[heading].Dx;
        r += Steps[heading].Dy;
        cameFrom = Opposite(heading);
        if (c == layout.StartCol && r == layout.StartRow) {
            if (heading != SideSouth) problem = "the road does not come back into the start from the north";
            return problem.empty() ? loop : std::vector<LoopTile>{};
        }
    }
    problem = "the road never comes back to the start";
    return {};
}

MarkerSpot MiniMapMarker(double spriteX, double spriteY, int startCol, int startRow) {
    // The car's course position is relative to the grid placement, not absolute.
    f32 courseX = static_cast<f32>(spriteX - startCol * 200 + 183);
    f32 courseY = static_cast<f32>(spriteY - startRow * 200 + 202);
    i16 viewOriginX = static_cast<i16>((startCol - 2) * 200 - 400);
    i16 viewOriginY = static_cast<i16>((startRow - 3) * 200 - 200);
    f32 originX = courseX / 100, originY = courseY / 100;
    f32 x = viewOriginX / 20.5f + 30 + courseX / 20.5f - CInt(originX);
    f32 y = viewOriginY / 20.5f + 29 + courseY / 20.5f - CInt(originY);
    return {CInt(x), CInt(y)};
}

std::string LayoutProblem(const CourseLayout& l) {
    if (l.Name.empty() || l.Name.size() > 99) return "the name must be 1 to 99 characters";
    int starts = 0;
    for (int c = 0; c < LayoutSize; ++c)
        for (int r = 0; r < LayoutSize; ++r)
            if (IsStartPiece(l.Tiles[c][r])) ++starts;
    if (starts != 1) return "there must be exactly one start tile";
    int sc = l.StartCol, sr = l.StartRow;
    if (l.Tiles[sc][sr] != 18 && l.Tiles[sc][sr] != 20) return "the start tile must run north-south";
    for (int k = 1; k <= 3; ++k)
        if (CodeAt(l, sc, sr + k) != 5) return "the grid needs three north-south straights below the start";

    std::string problem;
    std::vector<LoopTile> loop = DrivingLoop(l, problem);
    if (loop.empty()) return problem;
    bool visited[LayoutSize][LayoutSize] = {};
    for (const LoopTile& t : loop) visited[t.Col][t.Row] = true;
    for (int c = 0; c < LayoutSize; ++c)
        for (int r = 0; r < LayoutSize; ++r) {
            int code = l.Tiles[c][r];
            if (!IsRoadPiece(code)) continue;
            auto where = " at column " + std::to_string(c) + ", row " + std::to_string(r);
            if (!visited[c][r]) return "a road piece off the loop" + where;
            if (c < 1 || r < 1 || c > 48 || r > 48) return "road too near the map's edge" + where;
            // Open sides must meet open sides, walls must meet walls.
            for (int s = 0; s < 4; ++s) {
                int next = CodeAt(l, c + Steps[s].Dx, r + Steps[s].Dy);
                bool here = OpenSides(code) & (1 << s);
                bool there = OpenSides(next) & SideBit(Steps[s].Entering);
                if (here != there) return "an open side meets a wall" + where;
            }
            // The player's marker must stay in the mini-map window wherever the car can be.
            for (double x : {27.0, 170.0})
                for (double y : {27.0, 170.0}) {
                    if (WallZone(code, x, y)) continue;
                    MarkerSpot m = MiniMapMarker(c * 200 + x - 40, r * 200 + y - 27, sc, sr);
                    if (m.X < 0 || m.Y < 0 || m.X + 5 > 153 || m.Y + 5 > 123)
                        return "the mini-map window cannot show the car" + where;
                }
        }
    if (l.Pickups.size() != 11) return "a course has eleven pickups";
    for (const LayoutPickup& p : l.Pickups) {
        int c = p.X / 200, r = p.Y / 200, x = p.X % 200, y = p.Y % 200;
        if (p.X % 2 || p.Y % 2) return "pickup positions are stored halved, so they must be even";
        if (!IsRoadPiece(CodeAt(l, c, r)) || x < 40 || x > 150 || y < 40 || y > 150 ||
            WallZone(l.Tiles[c][r], x, y) || WallZone(l.Tiles[c][r], x + 25, y + 25))
            return "pickup off the road at " + std::to_string(p.X) + ", " + std::to_string(p.Y);
    }
    return "";
}
