// The preview and the mini-map: pictures drawn at build time for the fourteen courses; a
// course file brings no pictures, so they are drawn here from its tiles, plainer.
#include <algorithm>
#include <cmath>

#include "course/course.h"

namespace {

constexpr std::uint32_t Pixel(int r, int g, int b) {
    return (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) |
           static_cast<std::uint32_t>(b);
}

// The ground tiles; every other code but 0 is a piece of road (a brake tile included).
bool IsRoad(i16 code) {
    switch (code) {
        case 0: case 2: case 3: case 4: case 8: case 9: case 17: return false;
        default: return true;
    }
}

i16 CodeAt(double x, double y) {
    if (x < 0 || y < 0) return 0;
    return TileType(static_cast<int>(x / TileSize), static_cast<int>(y / TileSize));
}

bool OnStartLine(double x, double y, double reach) {
    return static_cast<int>(x / TileSize) == Course.StartTileCol && x >= 0 &&
           std::fabs(y - (Course.StartTileRow + 1) * TileSize) <= reach;
}

}  // namespace

Surface CoursePreview(int width, int height) {
    if (CourseFile.empty())
        return LoadPicture(GamePath("\\graphics\\bigmap" + std::to_string(CurrentCourse) + ".bmp"),
                           width, height);
    int c0 = MapSize, c1 = -1, r0 = MapSize, r1 = -1;
    for (int c = 0; c < MapSize; ++c)
        for (int r = 0; r < MapSize; ++r)
            if (IsRoad(TileType(c, r))) {
                c0 = std::min(c0, c), c1 = std::max(c1, c);
                r0 = std::min(r0, r), r1 = std::max(r1, r);
            }
    if (c1 < 0) c0 = r0 = 0, c1 = r1 = MapSize - 1;
    constexpr int Margin = 16;
    double spanX = (c1 - c0 + 1) * TileSize, spanY = (r1 - r0 + 1) * TileSize;
    double scale = std::max(spanX / std::max(1, width - 2 * Margin),
                            spanY / std::max(1, height - 2 * Margin));
    double ox = c0 * TileSize - (width * scale - spanX) / 2;
    double oy = r0 * TileSize - (height * scale - spanY) / 2;
    Surface s;
    s.Resize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            double wx = ox + (x + 0.5) * scale, wy = oy + (y + 0.5) * scale;
            i16 code = CodeAt(wx, wy);
            std::uint32_t p = IsRoad(code) ? Pixel(222, 222, 210) : PreviewGroundColour(code);
            if (IsRoad(code) && OnStartLine(wx, wy, 3 * scale))
                p = (x / 3 + y / 3) % 2 ? Pixel(10, 10, 10) : Pixel(250, 250, 250);
            s.SetPixel(x, y, p);
        }
    return s;
}

Surface CourseMiniMap(int maxSide) {
    if (CourseFile.empty())
        return LoadPicture(GamePath("\\graphics\\minimap" + std::to_string(CurrentCourse) + ".bmp"),
                           maxSide, maxSide);
    // At the race's 1/20.5 with course (0, 0) at the corner; a car's marker has its middle
    // 2 pixels into it, and the car's centre is 40 and 27 pixels into its sprite.
    constexpr double Scale = 20.5;
    Surface s;
    s.Resize(std::min(250, maxSide), std::min(200, maxSide), Pixel(18, 34, 22));
    for (int y = 0; y < s.Height; ++y)
        for (int x = 0; x < s.Width; ++x) {
            double wx = (x - 2) * Scale + 40, wy = (y - 2) * Scale + 27;
            if (!IsRoad(CodeAt(wx, wy))) continue;
            s.SetPixel(x, y, OnStartLine(wx, wy, Scale * 0.6) ? Pixel(255, 226, 110)
                                                              : Pixel(206, 206, 196));
        }
    return s;
}
