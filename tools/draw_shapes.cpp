#include "draw_shapes.h"

#include <cmath>

#include "draw_cairo.h"

namespace {

constexpr double Pi = 3.14159265358979323846;

// The body seen from above, nose at y = -39, as half-widths: a tapered nose, straight
// flanks and a squared tail.
void BodyPath(cairo_t* cr) {
    cairo_new_path(cr);
    cairo_move_to(cr, -9, -39.5);
    cairo_line_to(cr, 9, -39.5);
    cairo_curve_to(cr, 14, -39.5, 16.5, -35, 17, -28);
    cairo_line_to(cr, 17.5, 30);
    cairo_curve_to(cr, 17.5, 35, 16.5, 37.5, 14, 37.5);
    cairo_line_to(cr, -14, 37.5);
    cairo_curve_to(cr, -16.5, 37.5, -17.5, 35, -17.5, 30);
    cairo_line_to(cr, -17, -28);
    cairo_curve_to(cr, -16.5, -35, -14, -39.5, -9, -39.5);
    cairo_close_path(cr);
}

// A quadratic curve from the current point, as a cubic.
void QuadTo(cairo_t* cr, double x1, double y1, double x2, double y2) {
    double x0, y0;
    cairo_get_current_point(cr, &x0, &y0);
    cairo_curve_to(cr, x0 + 2.0 / 3 * (x1 - x0), y0 + 2.0 / 3 * (y1 - y0),
                   x2 + 2.0 / 3 * (x1 - x2), y2 + 2.0 / 3 * (y1 - y2), x2, y2);
}

void Trapezoid(cairo_t* cr, double y0, double halfTop, double y1, double halfBottom,
               double round) {
    cairo_new_path(cr);
    cairo_move_to(cr, -halfTop + round, y0);
    cairo_line_to(cr, halfTop - round, y0);
    QuadTo(cr, halfTop, y0, halfTop, y0 + round);
    cairo_line_to(cr, halfBottom, y1 - round);
    QuadTo(cr, halfBottom, y1, halfBottom - round, y1);
    cairo_line_to(cr, -halfBottom + round, y1);
    QuadTo(cr, -halfBottom, y1, -halfBottom, y1 - round);
    cairo_line_to(cr, -halfTop, y0 + round);
    QuadTo(cr, -halfTop, y0, -halfTop + round, y0);
    cairo_close_path(cr);
}

}  // namespace

Livery PlayerLivery() { return {0xFFC21A, 0xE07800, 0xFFD84A, 0x161616, 0x3A2400, true}; }
Livery RivalLivery() { return {0x3F74D8, 0x1E3C8C, 0xB9C3CF, 0xFFFFFF, 0x0E1A38, false}; }

Livery RivalLivery(int rival) {
    // Eight colours a player tells apart at a glance and none near the player's yellow;
    // the bonnet stripes separate the darker ones further.
    constexpr Livery Rivals[RivalLiveries] = {
        {0x3F74D8, 0x1E3C8C, 0xB9C3CF, 0xFFFFFF, 0x0E1A38, false},  // steel blue
        {0xD8302A, 0x8A1410, 0xE8D8D0, 0xFFFFFF, 0x3A0806, true},   // red, white stripe
        {0x2FA84A, 0x16602A, 0xD0E8D0, 0x101010, 0x08280E, false},  // green
        {0x8A4CC8, 0x4C2478, 0xD8C8E8, 0xFFFFFF, 0x200C38, true},   // purple, white stripe
        {0xEDEDEA, 0xA8A8A4, 0xF8F8F8, 0xD02020, 0x303030, true},   // white, red stripe
        {0x22B0B0, 0x0E6464, 0xC8ECEC, 0x101010, 0x062A2A, false},  // teal
        {0xF06AA8, 0xA02E66, 0xF8D8E8, 0xFFFFFF, 0x3A0A20, false},  // pink
        {0x3A3C40, 0x1C1D20, 0x8A8C90, 0xF0C020, 0x0A0A0C, true},   // graphite, gold stripe
    };
    return Rivals[((rival % RivalLiveries) + RivalLiveries) % RivalLiveries];
}

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -Pi / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, Pi / 2);
    cairo_arc(cr, x + r, y + h - r, r, Pi / 2, Pi);
    cairo_arc(cr, x + r, y + r, r, Pi, 3 * Pi / 2);
    cairo_close_path(cr);
}

void DrawCar(cairo_t* cr, double cx, double cy, double heading, const Livery& l) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_rotate(cr, heading);

    // Tyres stick out of the flanks so the car reads as a car even at 40 x 20.
    SetRgb(cr, 0x161616);
    for (double side : {-1.0, 1.0})
        for (double y : {-23.0, 21.0}) {
            RoundedRect(cr, side > 0 ? 13.5 : -20.5, y - 7, 7, 14, 2);
            cairo_fill(cr);
        }
    // Rear wing, wider than the body.
    SetRgb(cr, 0x1A1A1A);
    RoundedRect(cr, -19.5, 32, 39, 7.5, 1.5);
    cairo_fill(cr);

    // Body with a rounded look: darker flanks, bright spine.
    BodyPath(cr);
    cairo_pattern_t* shade = cairo_pattern_create_linear(-17.5, 0, 17.5, 0);
    auto stop = [&](double at, std::uint32_t rgb) {
        cairo_pattern_add_color_stop_rgb(shade, at, ((rgb >> 16) & 0xFF) / 255.0,
                                         ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0);
    };
    stop(0.0, l.BodyShade);
    stop(0.28, l.Body);
    stop(0.72, l.Body);
    stop(1.0, l.BodyShade);
    cairo_set_source(cr, shade);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(shade);
    SetRgb(cr, l.Outline);
    cairo_set_line_width(cr, 1.6);
    cairo_stroke(cr);

    // The player's stripe runs along the bonnet only, so it points the way the car goes.
    if (l.HasStripe) {
        SetRgb(cr, l.Stripe);
        cairo_move_to(cr, -3.5, -39);
        cairo_line_to(cr, 3.5, -39);
        cairo_line_to(cr, 2.5, -14);
        cairo_line_to(cr, -2.5, -14);
        cairo_close_path(cr);
        cairo_fill(cr);
    }

    // Roof between the windscreen and the rear window.
    Trapezoid(cr, -3, 12.5, 16, 12, 2.5);
    SetRgb(cr, l.Roof);
    cairo_fill(cr);
    // Windscreen: raked glass facing forwards, the clearest sign of where the nose is.
    Trapezoid(cr, -15, 11, -3, 13.5, 2);
    SetRgb(cr, 0x2B4866);
    cairo_fill(cr);
    SetRgb(cr, 0xA8CCEE);
    cairo_move_to(cr, -8, -13);
    cairo_line_to(cr, 1, -13);
    cairo_line_to(cr, -3, -5);
    cairo_line_to(cr, -11, -5);
    cairo_close_path(cr);
    cairo_fill(cr);
    // Rear window.
    Trapezoid(cr, 16, 10.5, 20.5, 9.5, 1.5);
    SetRgb(cr, 0x46586C);
    cairo_fill(cr);
    // Headlights at the nose corners.
    SetRgb(cr, 0xFFF6C8);
    for (double side : {-1.0, 1.0}) {
        cairo_save(cr);
        cairo_translate(cr, side * 10.5, -36.5);
        cairo_scale(cr, 3.2, 1.8);
        cairo_arc(cr, 0, 0, 1, 0, 2 * Pi);
        cairo_restore(cr);
        cairo_fill(cr);
    }
    cairo_restore(cr);
}
