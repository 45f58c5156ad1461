// The shapes the race sprites are made of, drawn with Cairo at any position and angle.
#pragma once

#include <cairo.h>

#include <cstdint>

struct Livery {
    std::uint32_t Body, BodyShade, Roof, Stripe, Outline;
    bool HasStripe;
};
Livery PlayerLivery();  // bright yellow with a black racing stripe
Livery RivalLivery();   // steel blue with a grey roof
// The computer cars' own colours, one per car on the grid (0 is car 1).
constexpr int RivalLiveries = 8;
Livery RivalLivery(int rival);

// A car about 80 long and 40 wide (wheels included), centred on (cx, cy), its nose turned
// heading radians clockwise from north. Every livery paints exactly the same outline.
void DrawCar(cairo_t* cr, double cx, double cy, double heading, const Livery& livery);

// A rounded rectangle path.
void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r);
