// The tile strip and the fourteen courses with their preview and mini-map pictures.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "assetgen.h"
#include "course/course.h"
#include "course_layout.h"
#include "platform/platform.h"
#include "tile_shapes.h"

namespace fs = std::filesystem;

namespace {

// Rebuilds leave unchanged files alone, so their dates only move when their bytes do.
void WriteIfChanged(const fs::path& path, const std::string& bytes) {
    if (fs::exists(path) && ReadGeneratedFile(path.string()) == bytes) return;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

void SaveIfChanged(const Surface& picture, const fs::path& path) {
    fs::path scratch = path;
    scratch += ".new";
    SavePicture(picture, scratch.string());
    std::string bytes = ReadGeneratedFile(scratch.string());
    fs::remove(scratch);
    WriteIfChanged(path, bytes);
}

constexpr std::uint32_t Pixel(int r, int g, int b) {
    return (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) |
           static_cast<std::uint32_t>(b);
}

std::uint32_t Mix(std::uint32_t a, std::uint32_t b, double t) {
    auto ch = [&](int shift) {
        double v = ((a >> shift) & 0xFF) * (1 - t) + ((b >> shift) & 0xFF) * t;
        return static_cast<std::uint32_t>(std::lround(v)) << shift;
    };
    return ch(16) | ch(8) | ch(0);
}

int TileAt(const CourseLayout& l, double wx, double wy) {
    if (wx < 0 || wy < 0) return 0;
    int c = static_cast<int>(wx / TilePixels), r = static_cast<int>(wy / TilePixels);
    if (c >= LayoutSize || r >= LayoutSize) return 0;
    return l.Tiles[c][r];
}

// Somewhere a car's centre can be.
bool Driveable(const CourseLayout& l, double wx, double wy) {
    int code = TileAt(l, wx, wy);
    return IsRoadPiece(code) && !WallZone(code, std::fmod(wx, TilePixels), std::fmod(wy, TilePixels));
}

// Walls push a car back only after it has moved, so a fast car's centre gets up to a
// frame's travel (about 22 pixels) into a wall zone before it is stopped.
bool Reachable(const CourseLayout& l, double wx, double wy) {
    if (!IsRoadPiece(TileAt(l, wx, wy))) return false;
    constexpr double Overshoot = 24;
    for (double dy : {-Overshoot, 0.0, Overshoot})
        for (double dx : {-Overshoot, 0.0, Overshoot})
            if (Driveable(l, wx + dx, wy + dy)) return true;
    return false;
}

bool OnStartLine(const CourseLayout& l, double wx, double wy, double halfWidth) {
    double lineY = (l.StartRow + 1) * TilePixels - 2;
    double left = l.StartCol * TilePixels + 27, right = l.StartCol * TilePixels + 170;
    return wx >= left && wx < right && std::fabs(wy - lineY) <= halfWidth;
}

// The mini-map draws the course at 1/20.5 with course (0, 0) at its top-left, the scale
// and offset at which the race loop places the car markers. A pixel is road when the
// middle of some car's marker can land on it, so a marker never sits on dark ground.
Surface MiniMap(const CourseLayout& l) {
    constexpr double Scale = 20.5;
    constexpr std::uint32_t Dark = Pixel(18, 34, 22), Road = Pixel(206, 206, 196),
                            Start = Pixel(255, 226, 110);
    Surface s;
    s.Resize(250, 200, Dark);
    for (int y = 0; y < s.Height; ++y)
        for (int x = 0; x < s.Width; ++x) {
            // The marker's corner is the sprite's corner / 20.5 (less 0.098 and 0.17),
            // rounded, and its middle pixel 2 further on; the car's centre (TileX, TileY)
            // is 40 right of and 27 below the sprite's corner.
            double x0 = Scale * (x - 2.5 + 0.098) + 40, y0 = Scale * (y - 2.5 + 0.17) + 27;
            bool road = false;
            for (int sy = 0; sy <= 5 && !road; ++sy)
                for (int sx = 0; sx <= 5 && !road; ++sx)
                    road = Reachable(l, x0 + Scale * std::min(sx / 5.0, 0.999),
                                     y0 + Scale * std::min(sy / 5.0, 0.999));
            if (!road) continue;
            bool start = OnStartLine(l, x0 + Scale / 2, y0 + Scale / 2, Scale * 0.6);
            s.SetPixel(x, y, start ? Start : Road);
        }
    return s;
}

// The preview: the whole course centred in the picture, the road bold and light with
// a red edge, the finish line chequered and an arrow for the way the cars leave it.
Surface BigMap(const CourseLayout& l) {
    constexpr int W = 320, H = 240, Margin = 16;
    constexpr std::uint32_t Ground = PreviewGroundColour(0), Edge = Pixel(196, 52, 40),
                            Road = Pixel(222, 222, 210), Arrow = Pixel(60, 200, 80);
    int c0 = LayoutSize, c1 = -1, r0 = LayoutSize, r1 = -1;
    for (int c = 0; c < LayoutSize; ++c)
        for (int r = 0; r < LayoutSize; ++r)
            if (IsRoadPiece(l.Tiles[c][r])) {
                c0 = std::min(c0, c); c1 = std::max(c1, c);
                r0 = std::min(r0, r); r1 = std::max(r1, r);
            }
    double spanX = (c1 - c0 + 1) * TilePixels, spanY = (r1 - r0 + 1) * TilePixels;
    double scale = std::max(spanX / (W - 2 * Margin), spanY / (H - 2 * Margin));  // course px per picture px
    double ox = c0 * TilePixels - (W * scale - spanX) / 2;
    double oy = r0 * TilePixels - (H * scale - spanY) / 2;
    // The road is widened a little so it reads at this size; the kerb shows as a rim.
    double widen = scale * 1.0, rim = scale * 1.6;
    Surface s;
    s.Resize(W, H, Ground);
    constexpr int N = 4;  // samples per side
    double arrowX = l.StartCol * TilePixels + 98, arrowY = (l.StartRow + 1) * TilePixels + 5 * scale;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            int road = 0, edge = 0, chequerWhite = 0, chequerBlack = 0, arrow = 0;
            for (int sy = 0; sy < N; ++sy)
                for (int sx = 0; sx < N; ++sx) {
                    double wx = ox + (x + (sx + 0.5) / N) * scale;
                    double wy = oy + (y + (sy + 0.5) / N) * scale;
                    int code = TileAt(l, wx, wy);
                    double d = IsRoadPiece(code)
                                   ? BarrierDepth(code, std::fmod(wx, TilePixels), std::fmod(wy, TilePixels))
                                   : 1e9;
                    // An arrow pointing south, below the finish line.
                    double ax = (wx - arrowX) / scale, ay = (wy - arrowY) / scale;
                    if (ay >= 0 && ay < 14 && std::fabs(ax) < 7 - ay / 2) {
                        ++arrow;
                    } else if (OnStartLine(l, wx, wy, scale * 3) && d <= widen) {
                        double q = scale * 3;
                        int cell = static_cast<int>(std::floor((wx - l.StartCol * TilePixels) / q)) +
                                   static_cast<int>(std::floor((wy - (l.StartRow + 1) * TilePixels) / q)) + 100;
                        (cell % 2 == 0 ? chequerWhite : chequerBlack)++;
                    } else if (d <= widen) {
                        ++road;
                    } else if (d <= widen + rim) {
                        ++edge;
                    }
                }
            double total = N * N;
            std::uint32_t p = PreviewGroundColour(TileAt(l, ox + (x + 0.5) * scale, oy + (y + 0.5) * scale));
            p = Mix(p, Edge, edge / total);
            p = Mix(p, Road, road / total);
            p = Mix(p, Pixel(250, 250, 250), chequerWhite / total);
            p = Mix(p, Pixel(10, 10, 10), chequerBlack / total);
            p = Mix(p, Arrow, arrow / total);
            s.SetPixel(x, y, p);
        }
    return s;
}

}  // namespace

void GenerateTiles(const std::string&, const std::string& out) {
    Surface strip;
    strip.Resize(TileCodes * TilePixels, 210, 0);
    for (int y = 0; y < strip.Height; ++y)
        for (int x = 0; x < strip.Width; ++x) {
            int code = x / TilePixels;
            // The ten rows under the tiles are never drawn; plain ground keeps them quiet.
            int ty = y < TilePixels ? y : y - TilePixels;
            strip.SetPixel(x, y, TilePixel(y < TilePixels ? code : 0, x % TilePixels, ty));
        }
    SaveIfChanged(strip, fs::path(out) / "resources" / "ral-set256.bmp");
}

void GenerateCourses(const std::string& data, const std::string& out) {
    for (int n = 1; n <= 14; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "course%02d.txt", n);
        fs::path source = fs::path(data) / "courses" / name;
        CourseLayout layout = ReadLayout(source.string());
        std::string problem = LayoutProblem(layout);
        if (!problem.empty()) throw std::runtime_error(source.string() + ": " + problem);
        std::string number = std::to_string(n);
        WriteIfChanged(fs::path(out) / "resources" / ("Map" + number + ".ddt"), CourseFileText(layout));
        SaveIfChanged(BigMap(layout), fs::path(out) / "graphics" / ("bigmap" + number + ".bmp"));
        SaveIfChanged(MiniMap(layout), fs::path(out) / "graphics" / ("minimap" + number + ".bmp"));
    }
}
