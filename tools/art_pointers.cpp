// The mouse pointers: an invisible one for the race window and the traffic lights the
// menus show over their items (green: go on, yellow: options, red: leave).
#include <cmath>
#include <filesystem>

#include "assetgen.h"
#include "draw_cairo.h"
#include "draw_shapes.h"
#include "ico_files.h"

namespace {

constexpr double Pi = 3.14159265358979323846;

std::vector<std::uint32_t> TrafficLight(int lit) {  // 0 red, 1 yellow, 2 green
    Canvas art(IconSize, IconSize);
    cairo_t* cr = art.Cr;
    // Housing with a hood over each lamp, on a short post.
    SetRgb(cr, 0x202020);
    cairo_rectangle(cr, 14, 28, 4, 4);
    cairo_fill(cr);
    RoundedRect(cr, 8.5, 0.5, 15, 28.5, 3.5);
    SetRgb(cr, 0x2E2E2E);
    cairo_fill_preserve(cr);
    SetRgb(cr, 0x0A0A0A);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    const std::uint32_t on[] = {0xFF2A1A, 0xFFC814, 0x2CE83C};
    const std::uint32_t off[] = {0x4A1410, 0x4A3A0C, 0x0E3A14};
    for (int lamp = 0; lamp < 3; ++lamp) {
        double y = 5.5 + lamp * 9;
        if (lamp == lit) {
            cairo_pattern_t* g = cairo_pattern_create_radial(15, y - 1.3, 0.5, 16, y, 3.8);
            std::uint32_t c = on[lamp];
            cairo_pattern_add_color_stop_rgb(g, 0, 1, 1, 0.9);
            cairo_pattern_add_color_stop_rgb(g, 0.45, ((c >> 16) & 255) / 255.0,
                                             ((c >> 8) & 255) / 255.0, (c & 255) / 255.0);
            cairo_pattern_add_color_stop_rgb(g, 1, ((c >> 16) & 255) / 320.0,
                                             ((c >> 8) & 255) / 320.0, (c & 255) / 320.0);
            cairo_set_source(cr, g);
            cairo_arc(cr, 16, y, 3.8, 0, 2 * Pi);
            cairo_fill(cr);
            cairo_pattern_destroy(g);
        } else {
            SetRgb(cr, off[lamp]);
            cairo_arc(cr, 16, y, 3.6, 0, 2 * Pi);
            cairo_fill(cr);
        }
    }
    std::vector<std::uint32_t> argb(IconSize * IconSize);
    for (int y = 0; y < IconSize; ++y)
        for (int x = 0; x < IconSize; ++x)
            argb[y * IconSize + x] =
                static_cast<std::uint32_t>(art.Alpha(x, y)) << 24 | art.Colour(x, y);
    return argb;
}

}  // namespace

void GeneratePointers(const std::string& out) {
    std::filesystem::path folder = std::filesystem::path(out) / "resources";
    std::vector<std::uint32_t> nothing(IconSize * IconSize, 0);
    WriteFileIfChanged((folder / "null.cur").string(), CursorFileBytes(nothing, 0, 0));
    WriteFileIfChanged((folder / "Trffc10a.ico").string(), IconFileBytes(TrafficLight(2)));
    WriteFileIfChanged((folder / "Trffc10b.ico").string(), IconFileBytes(TrafficLight(1)));
    WriteFileIfChanged((folder / "Trffc10c.ico").string(), IconFileBytes(TrafficLight(0)));
}
