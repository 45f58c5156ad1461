// The small race sprites: smoke puffs, mini-map markers, finish banners, the cash pickup
// and the explosion strip.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>

#include "assetgen.h"
#include "draw_cairo.h"
#include "draw_shapes.h"

namespace {

constexpr double Pi = 3.14159265358979323846;

std::string Graphics(const std::string& out, const std::string& name) {
    return (std::filesystem::path(out) / "graphics" / name).string();
}

// A small fixed-seed generator: the art must come out the same on every build.
struct Dice {
    std::uint32_t State;
    explicit Dice(std::uint32_t seed) : State(seed * 2654435761u + 12345u) {}
    double Next() {  // [0, 1)
        State ^= State << 13;
        State ^= State >> 17;
        State ^= State << 5;
        return (State >> 8) / 16777216.0;
    }
    double Range(double lo, double hi) { return lo + (hi - lo) * Next(); }
};

// Smooth value noise in [0, 1] on a lattice hashed from the seed.
double Lattice(int x, int y, std::uint32_t seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u +
                      static_cast<std::uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return ((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
}

double ValueNoise(double x, double y, std::uint32_t seed) {
    int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    double fx = x - x0, fy = y - y0;
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    double a = Lattice(x0, y0, seed), b = Lattice(x0 + 1, y0, seed);
    double c = Lattice(x0, y0 + 1, seed), d = Lattice(x0 + 1, y0 + 1, seed);
    return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
}

double Turbulence(double x, double y, std::uint32_t seed) {
    return 0.55 * ValueNoise(x, y, seed) + 0.3 * ValueNoise(2 * x, 2 * y, seed + 1) +
           0.15 * ValueNoise(4 * x, 4 * y, seed + 2);
}

std::uint32_t Mix(std::uint32_t a, std::uint32_t b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    std::uint32_t out = 0;
    for (int c = 0; c < 3; ++c) {
        double va = (a >> (8 * c)) & 0xFF, vb = (b >> (8 * c)) & 0xFF;
        out |= static_cast<std::uint32_t>(std::lround(va + (vb - va) * t)) << (8 * c);
    }
    return out;
}

void WritePair(const std::string& out, const std::string& pictureName,
               const std::string& maskName, const Canvas& art) {
    Surface picture, mask;
    picture.Resize(art.Width, art.Height);
    mask.Resize(art.Width, art.Height);
    CutSprite(art, 0, 0, art.Width, art.Height, picture, mask, 0, 0);
    WritePicture(Graphics(out, pictureName), picture);
    WritePicture(Graphics(out, maskName), mask);
}

// ---------------------------------------------------------------------------------
// Smoke: a puff from a knock between cars, seen for three frames each, 30 x 30 in the
// race. It swells, pales and breaks up; the race shows only a 1-bit outline, so fading
// means going lighter and thinner rather than transparent.
void GenerateSmoke(const std::string& out) {
    const char letters[] = {'a', 'b', 'c', 'd'};
    const double radius[] = {24, 29, 33, 34};
    const double spread[] = {13, 17, 21, 24};
    const std::uint32_t tone[] = {0x9C9A98, 0xB0AEAC, 0xC4C2C0, 0xD8D7D6};
    const int blobs[] = {6, 8, 10, 11};
    for (int k = 0; k < 4; ++k) {
        Canvas art(100, 100);
        Dice dice(40 + k);
        for (int b = 0; b < blobs[k]; ++b) {
            double angle = dice.Range(0, 2 * Pi);
            double along = dice.Range(0.2, 1.0) * spread[k];
            double x = 50 + std::cos(angle) * along, y = 50 + std::sin(angle) * along;
            // Late puffs shed smaller wisps that no longer touch the middle.
            double r = radius[k] * dice.Range(0.6, 0.85) * (k == 3 && b > 5 ? 0.55 : 1.0);
            if (k == 3 && b > 5) {
                x = 50 + std::cos(angle) * 34;
                y = 50 + std::sin(angle) * 34;
            }
            cairo_pattern_t* g = cairo_pattern_create_radial(x - r * 0.35, y - r * 0.35,
                                                             r * 0.1, x, y, r);
            std::uint32_t light = Mix(tone[k], 0xFFFFFF, 0.25), dark = Mix(tone[k], 0x303030, 0.12);
            cairo_pattern_add_color_stop_rgba(g, 0, ((light >> 16) & 255) / 255.0,
                                              ((light >> 8) & 255) / 255.0, (light & 255) / 255.0, 1);
            cairo_pattern_add_color_stop_rgba(g, 0.7, ((tone[k] >> 16) & 255) / 255.0,
                                              ((tone[k] >> 8) & 255) / 255.0, (tone[k] & 255) / 255.0, 1);
            cairo_pattern_add_color_stop_rgba(g, 1, ((dark >> 16) & 255) / 255.0,
                                              ((dark >> 8) & 255) / 255.0, (dark & 255) / 255.0, 1);
            cairo_set_source(art.Cr, g);
            cairo_arc(art.Cr, x, y, r, 0, 2 * Pi);
            cairo_fill(art.Cr);
            cairo_pattern_destroy(g);
        }
        if (k == 3) {
            // Holes let the road show through the last, thinning puff.
            cairo_set_operator(art.Cr, CAIRO_OPERATOR_CLEAR);
            for (int h = 0; h < 7; ++h) {
                double angle = dice.Range(0, 2 * Pi), along = dice.Range(0, 22);
                cairo_arc(art.Cr, 50 + std::cos(angle) * along, 50 + std::sin(angle) * along,
                          dice.Range(5, 10), 0, 2 * Pi);
                cairo_fill(art.Cr);
            }
            cairo_set_operator(art.Cr, CAIRO_OPERATOR_OVER);
        }
        WritePair(out, std::string("smoke1") + letters[k] + ".bmp",
                  std::string("smask1") + letters[k] + ".bmp", art);
    }
}

// ---------------------------------------------------------------------------------
// Mini-map markers: plain 5 x 5 squares copied onto the map, so every pixel counts.
void GenerateMarkers(const std::string& out) {
    auto marker = [](std::uint32_t edge, std::uint32_t fill, std::uint32_t centre) {
        Surface s;
        s.Resize(5, 5, edge);
        s.FillRect(1, 1, 3, 3, fill);
        s.SetPixel(2, 2, centre);
        return s;
    };
    WritePicture(Graphics(out, "carblip1.bmp"), marker(0x8C0000, 0xFF2020, 0xFF7060));
    WritePicture(Graphics(out, "carblip2.bmp"), marker(0xFFD000, 0xFFF060, 0xFFFFFF));
}

// ---------------------------------------------------------------------------------
// Finish banners: a flag-like plate with chequered ends and the placing in bold.
void DrawBanner(Canvas& art, const std::string& text, std::uint32_t top, std::uint32_t bottom,
                std::uint32_t ink) {
    cairo_t* cr = art.Cr;
    // A gentle wave along the plate, as if it flutters.
    auto wave = [](double x) { return 2.2 * std::sin((x - 10) / 150.0 * 2 * Pi); };
    cairo_new_path(cr);
    for (int x = 2; x <= 148; x += 2) cairo_line_to(cr, x, 5 + wave(x));
    for (int x = 148; x >= 2; x -= 2) cairo_line_to(cr, x, 45 + wave(x));
    cairo_close_path(cr);
    cairo_pattern_t* g = cairo_pattern_create_linear(0, 4, 0, 46);
    cairo_pattern_add_color_stop_rgb(g, 0, ((top >> 16) & 255) / 255.0, ((top >> 8) & 255) / 255.0,
                                     (top & 255) / 255.0);
    cairo_pattern_add_color_stop_rgb(g, 1, ((bottom >> 16) & 255) / 255.0,
                                     ((bottom >> 8) & 255) / 255.0, (bottom & 255) / 255.0);
    cairo_set_source(cr, g);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(g);
    SetRgb(cr, 0x101010);
    cairo_set_line_width(cr, 2.5);
    cairo_stroke(cr);

    // Chequered ends, 5-pixel squares following the wave.
    for (int end = 0; end < 2; ++end)
        for (int col = 0; col < 4; ++col)
            for (int row = 0; row < 8; ++row) {
                if ((col + row) % 2) continue;
                double x = (end == 0 ? 4 : 126) + col * 5;
                double y = 5 + row * 5 + wave(x + 2.5);
                SetRgb(cr, 0x101010);
                cairo_rectangle(cr, x, y, 5, 5);
                cairo_fill(cr);
            }

    cairo_select_font_face(cr, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL,
                           CAIRO_FONT_WEIGHT_BOLD);
    double size = 34;
    cairo_text_extents_t e;
    for (;; size -= 1) {
        cairo_set_font_size(cr, size);
        cairo_text_extents(cr, text.c_str(), &e);
        if (e.width <= 92 && e.height <= 30) break;
    }
    double x = 75 - e.width / 2 - e.x_bearing, y = 25 - e.height / 2 - e.y_bearing;
    cairo_move_to(cr, x, y);
    cairo_text_path(cr, text.c_str());
    SetRgb(cr, 0xFFFFFF);
    cairo_set_line_width(cr, 3.5);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke_preserve(cr);
    SetRgb(cr, ink);
    cairo_fill(cr);
}

void GenerateBanners(const std::string& out) {
    struct Banner {
        const char *Picture, *Mask, *Text;
        std::uint32_t Top, Bottom, Ink;
    };
    const Banner banners[] = {
        {"1place.bmp", "1plmask.bmp", "1st", 0xFFE36A, 0xE0A000, 0x5A3A00},
        {"2place.bmp", "2plmask.bmp", "2nd", 0xF2F4F7, 0xA4ABB4, 0x24303C},
        {"3place.bmp", "3plmask.bmp", "3rd", 0xF0B27A, 0xB0642A, 0x3E1E08},
        {"0place.bmp", "0plmsk.bmp", "FINISHED", 0xE8EEF4, 0x9CB0C4, 0x1A2838},
    };
    for (const Banner& b : banners) {
        Canvas art(150, 50);
        DrawBanner(art, b.Text, b.Top, b.Bottom, b.Ink);
        WritePair(out, b.Picture, b.Mask, art);
    }
}

// ---------------------------------------------------------------------------------
// The cash pickup: a gold coin with a dollar sign, 25 x 25 as the race draws it.
void GeneratePickup(const std::string& out) {
    Canvas art(25, 25);
    cairo_t* cr = art.Cr;
    cairo_arc(cr, 12.5, 12.5, 11.8, 0, 2 * Pi);
    SetRgb(cr, 0x6A4800);
    cairo_fill(cr);
    cairo_pattern_t* g = cairo_pattern_create_radial(9, 8, 1, 12.5, 12.5, 11);
    cairo_pattern_add_color_stop_rgb(g, 0, 1.0, 0.97, 0.7);
    cairo_pattern_add_color_stop_rgb(g, 0.5, 1.0, 0.8, 0.15);
    cairo_pattern_add_color_stop_rgb(g, 1, 0.8, 0.52, 0.0);
    cairo_set_source(cr, g);
    cairo_arc(cr, 12.5, 12.5, 10.3, 0, 2 * Pi);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    SetRgb(cr, 0xA06A00);
    cairo_set_line_width(cr, 1);
    cairo_arc(cr, 12.5, 12.5, 8, 0, 2 * Pi);
    cairo_stroke(cr);
    cairo_select_font_face(cr, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL,
                           CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 15);
    cairo_text_extents_t e;
    cairo_text_extents(cr, "$", &e);
    cairo_move_to(cr, 12.5 - e.width / 2 - e.x_bearing, 12.5 - e.height / 2 - e.y_bearing);
    SetRgb(cr, 0x5A3A00);
    cairo_show_text(cr, "$");
    WritePair(out, "pylon1.bmp", "pylmsk.bmp", art);
}

// ---------------------------------------------------------------------------------
// The explosion: 24 frames of 75 x 75, one every 71 pixels. The race shows frames 0 to 16,
// four race frames each, and takes the car away from frame 10 on, so the fire flashes,
// bursts, rolls up into smoke, burns on a scorched wreck and has died down by frame 16;
// the rest only smoulder.
struct BlastFrame {
    double Radius, Heat, Smoke, Rise, Scorch;
};
constexpr BlastFrame BlastFrames[24] = {
    {9, 1.7, 0.0, 0, 0},     {15, 1.7, 0.0, 0, 0},     {21, 1.6, 0.05, 1, 0},
    {27, 1.5, 0.15, 2, 0},   {31, 1.4, 0.3, 4, 0},     {32, 1.3, 0.45, 6, 0.1},
    {31, 1.2, 0.55, 8, 0.3}, {30, 1.1, 0.6, 10, 0.5},  {28, 1.05, 0.62, 12, 0.7},
    {26, 1.0, 0.62, 14, 0.9}, {24, 0.95, 0.6, 16, 1},  {22, 0.92, 0.56, 17, 1},
    {20, 0.88, 0.52, 18, 1}, {18, 0.82, 0.48, 18, 1},  {15, 0.76, 0.42, 18, 1},
    {12, 0.68, 0.36, 18, 1}, {9, 0.6, 0.3, 18, 1},     {7, 0.5, 0.26, 18, 1},
    {6, 0.45, 0.22, 18, 1},  {5, 0.4, 0.18, 18, 1},    {4, 0.35, 0.15, 18, 1},
    {3, 0.3, 0.12, 18, 1},   {2, 0.25, 0.09, 18, 1},   {0, 0.0, 0.06, 18, 1},
};

std::uint32_t FireColour(double heat) {
    struct Stop { double At; std::uint32_t Rgb; };
    constexpr Stop ramp[] = {{0.0, 0x3A0E04}, {0.25, 0x9A1E06}, {0.45, 0xE04A0A},
                             {0.65, 0xFF8C14}, {0.85, 0xFFCC3C}, {1.05, 0xFFF2B0},
                             {1.3, 0xFFFFF0}};
    if (heat <= ramp[0].At) return ramp[0].Rgb;
    for (int i = 1; i < 7; ++i)
        if (heat <= ramp[i].At)
            return Mix(ramp[i - 1].Rgb, ramp[i].Rgb,
                       (heat - ramp[i - 1].At) / (ramp[i].At - ramp[i - 1].At));
    return ramp[6].Rgb;
}

void GenerateExplosion(const std::string& out) {
    constexpr int StripW = 1702, StripH = 100, Step = 71, Size = 75;
    Surface picture, mask;
    picture.Resize(StripW, StripH, 0xFFFFFF);
    mask.Resize(StripW, StripH, 0x000000);
    // The car sits at (40, 50) in the frame; the fire is kept inside columns 4..70 so the
    // 4-pixel sliver of the neighbouring frame the race shows is always empty.
    constexpr double Cx = 38, Cy = 50;
    for (int k = 0; k < 24; ++k) {
        const BlastFrame& f = BlastFrames[k];
        Dice dice(900 + k);
        double sparks[14][2];
        for (auto& s : sparks) {
            double angle = dice.Range(0, 2 * Pi), along = f.Radius * dice.Range(1.0, 1.25);
            s[0] = Cx + std::cos(angle) * along;
            s[1] = Cy - f.Rise * 0.5 + std::sin(angle) * along * 0.9;
        }
        for (int y = 0; y < Size; ++y)
            for (int x = 4; x < Step; ++x) {
                double dx = x - Cx, dy = y - (Cy - f.Rise * 0.6);
                // Flames lean upwards: distances above the centre count for less.
                double d = std::hypot(dx, dy < 0 ? dy * 0.62 : dy * 1.15);
                double flicker = Turbulence(x / 7.0, (y + k * 5.0) / 6.0, 77 + k);
                double heat = 0;
                if (f.Radius > 0)
                    heat = f.Heat * (1.0 - d / f.Radius) + (flicker - 0.5) * 0.75;
                // Smoke gathers above the fire and thins towards the edges.
                double sd = std::hypot(dx * 0.9, y - (Cy - 14 - f.Rise));
                double smoke = f.Smoke * (1.15 - sd / 28.0) +
                               (Turbulence(x / 13.0, (y + k * 4.0) / 13.0, 300 + k) - 0.5) * 0.4;
                double scorch = f.Scorch * (1.0 - std::hypot(dx / 17.0, (y - 52.0) / 11.0)) +
                                (ValueNoise(x / 3.0, y / 3.0, 555) - 0.5) * 0.3;
                std::uint32_t colour = 0;
                bool inside = false;
                if (heat > 0.12) {
                    colour = FireColour(heat);
                    inside = true;
                } else if (smoke > 0.3) {
                    std::uint32_t grey = Mix(0x2A2624, 0x6E6A66, (smoke - 0.3) * 1.2 + flicker * 0.3 - 0.15);
                    colour = grey;
                    inside = true;
                } else if (scorch > 0.15) {
                    colour = Mix(0x141210, 0x3A3430, ValueNoise(x / 2.0, y / 2.0, 556));
                    inside = true;
                }
                if (!inside) continue;
                picture.SetPixel(k * Step + x, y, colour);
                mask.SetPixel(k * Step + x, y, 0xFFFFFF);
            }
        // Sparks thrown out by the burst.
        if (k >= 2 && k <= 6)
            for (auto& s : sparks) {
                int sx = static_cast<int>(s[0]), sy = static_cast<int>(s[1]);
                for (int j = 0; j < 2; ++j)
                    for (int i = 0; i < 2; ++i) {
                        int x = sx + i, y = sy + j;
                        if (x < 4 || x >= Step || y < 0 || y >= Size) continue;
                        picture.SetPixel(k * Step + x, y, (i + j) ? 0xFFB030 : 0xFFF6C0);
                        mask.SetPixel(k * Step + x, y, 0xFFFFFF);
                    }
            }
    }
    WritePicture(Graphics(out, "exp-1-256.bmp"), picture);
    WritePicture(Graphics(out, "exp-1mask.bmp"), mask);
}

}  // namespace

void GenerateSprites(const std::string& out) {
    GenerateSmoke(out);
    GenerateMarkers(out);
    GenerateBanners(out);
    GeneratePickup(out);
    GenerateExplosion(out);
}
