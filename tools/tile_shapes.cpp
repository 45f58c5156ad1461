#include "tile_shapes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// The wall checks of each piece as the cars meet them. A check with a condition is a
// short post at one end of its side.
struct WallCheck {
    TileSide Side;
    char Axis;   // 0 unconditional, 'x' or 'y'
    char Op;     // '<' or '>'
    int Limit;
};
struct PieceWalls {
    int Count;
    WallCheck Checks[8];
};

constexpr PieceWalls Walls[TileCodes] = {
    /* 0 */ {0, {}},
    /* 1 */ {2, {{SideNorth, 0, 0, 0}, {SideSouth, 0, 0, 0}}},
    /* 2 */ {0, {}},
    /* 3 */ {0, {}},
    /* 4 */ {0, {}},
    /* 5 */ {2, {{SideWest, 0, 0, 0}, {SideEast, 0, 0, 0}}},
    /* 6 */ {5, {{SideNorth, 0, 0, 0}, {SideEast, 'y', '>', 170}, {SideWest, 'y', '>', 170},
                 {SideSouth, 'x', '<', 27}, {SideSouth, 'x', '>', 170}}},
    /* 7 */ {3, {{SideNorth, 0, 0, 0}, {SideWest, 0, 0, 0}, {SideEast, 'y', '>', 170}}},
    /* 8 */ {0, {}},
    /* 9 */ {0, {}},
    /* 10 */ {5, {{SideWest, 0, 0, 0}, {SideEast, 'y', '>', 170}, {SideEast, 'y', '<', 27},
                  {SideNorth, 'x', '>', 170}, {SideSouth, 'x', '>', 170}}},
    /* 11 */ {8, {{SideEast, 'y', '>', 170}, {SideEast, 'y', '<', 27}, {SideWest, 'y', '>', 170},
                  {SideWest, 'y', '<', 27}, {SideNorth, 'x', '<', 27}, {SideNorth, 'x', '>', 170},
                  {SideSouth, 'x', '<', 27}, {SideSouth, 'x', '>', 170}}},
    /* 12 */ {2, {{SideNorth, 0, 0, 0}, {SideEast, 0, 0, 0}}},
    /* 13 */ {1, {{SideEast, 0, 0, 0}}},
    /* 14 */ {2, {{SideWest, 0, 0, 0}, {SideSouth, 0, 0, 0}}},
    /* 15 */ {2, {{SideSouth, 0, 0, 0}, {SideEast, 0, 0, 0}}},
    /* 16 */ {1, {{SideSouth, 0, 0, 0}}},
    /* 17 */ {0, {}},
    /* 18 */ {2, {{SideWest, 0, 0, 0}, {SideEast, 0, 0, 0}}},
    /* 19 */ {2, {{SideNorth, 0, 0, 0}, {SideSouth, 0, 0, 0}}},
    /* 20 */ {2, {{SideWest, 0, 0, 0}, {SideEast, 0, 0, 0}}},
    /* 21 */ {2, {{SideNorth, 0, 0, 0}, {SideSouth, 0, 0, 0}}},
};

bool InSideZone(TileSide side, double x, double y) {
    switch (side) {
        case SideWest: return x < 27;
        case SideEast: return x > 170;
        case SideNorth: return y < 27;
        case SideSouth: return y > 170;
    }
    return false;
}

bool Holds(const WallCheck& c, double x, double y) {
    if (c.Axis == 0) return true;
    double v = c.Axis == 'x' ? x : y;
    return c.Op == '<' ? v < c.Limit : v > c.Limit;
}

bool Valid(int code) { return code >= 0 && code < TileCodes; }

// The inner edge of each side's barrier, where the wall starts to push a car back.
constexpr double InnerWest = 27, InnerEast = 170, InnerNorth = 27, InnerSouth = 170;
// Outer bends are rounded about a centre chosen so the kerb stripes meet the straights'.
constexpr double BendWest = 50, BendEast = 150, BendNorth = 50, BendSouth = 150;
constexpr double KerbDepth = 12, WallDepth = 24;

struct Shape {
    bool Full[4] = {};
    bool Post[4] = {};       // corners: 0 NW, 1 NE, 2 SW, 3 SE
    bool InnerKerb[4] = {};  // a bend's inside corner with no wall of its own
};

int CornerIndex(bool east, bool south) { return (south ? 2 : 0) + (east ? 1 : 0); }

Shape ShapeOf(int code) {
    Shape s;
    if (!Valid(code)) return s;
    const PieceWalls& w = Walls[code];
    for (int i = 0; i < w.Count; ++i) {
        const WallCheck& c = w.Checks[i];
        if (c.Axis == 0) {
            s.Full[c.Side] = true;
            continue;
        }
        bool east, south;
        if (c.Side == SideWest || c.Side == SideEast) {
            east = c.Side == SideEast;
            south = c.Op == '>';
        } else {
            south = c.Side == SideSouth;
            east = c.Op == '>';
        }
        s.Post[CornerIndex(east, south)] = true;
    }
    // Cars may cut across the inside of a bend until the next tile's wall catches them,
    // so it is painted as kerb over grass, joining the walls on either side.
    int open = 0;
    for (int side = 0; side < 4; ++side)
        if (!s.Full[side]) open |= 1 << side;
    if (w.Count == 2 && __builtin_popcount(open) == 2) {
        bool east = open & (1 << SideEast), south = open & (1 << SideSouth);
        bool west = open & (1 << SideWest), north = open & (1 << SideNorth);
        if ((east || west) && (north || south)) {
            int corner = CornerIndex(east, south);
            if (!s.Post[corner]) s.InnerKerb[corner] = true;
        }
    }
    return s;
}

// Distance from the centre of an ellipse measured in ellipse radii, and the ellipse's
// radius in the direction of the point. A squarish one (power four) is a rounded square.
struct EllipseReach {
    double Dist, Radius, Angle;  // Angle 0 along x, pi/2 along y
};
EllipseReach Reach(double dx, double dy, double ax, double ay, bool squarish = false) {
    EllipseReach r;
    r.Dist = std::hypot(dx, dy);
    double u = dx / ax, v = dy / ay;
    double rr = squarish ? std::sqrt(std::sqrt(u * u * u * u + v * v * v * v)) : std::hypot(u, v);
    r.Radius = rr > 0 ? r.Dist / rr : ax;
    r.Angle = std::atan2(std::fabs(v), std::fabs(u));
    return r;
}

// Which stripe of an arc a point falls in, so that its ends alternate with the stripes
// of the straights it joins (end1 at angle 0, end2 at angle pi/2).
int ArcStripe(double angle, double arcLength, int end1, int end2) {
    int n = std::max(2, static_cast<int>(std::lround(arcLength / 10)));
    if ((end1 + n + end2) % 2 == 0) ++n;
    int k = std::min(n - 1, static_cast<int>(angle / (std::numbers::pi / 2) * n));
    return end1 + 1 + k;
}

// Barrier depth and the kerb stripe at that point.
struct Depth {
    double D = -1e9;
    int Stripe = 0;
    bool KerbOnly = false;
};

void Take(Depth& best, double d, int stripe, bool kerbOnly = false) {
    if (d > best.D) {
        best.D = d;
        best.Stripe = stripe;
        best.KerbOnly = kerbOnly;
    }
}

Depth DepthAt(int code, double px, double py) {
    Shape s = ShapeOf(code);
    Depth best;
    int ix = static_cast<int>(std::floor(px)), iy = static_cast<int>(std::floor(py));
    // Outer bends where two full walls meet replace both straights in their quadrant.
    bool inBend = false;
    for (int corner = 0; corner < 4; ++corner) {
        bool east = corner & 1, south = corner & 2;
        TileSide across = east ? SideEast : SideWest;
        TileSide along = south ? SideSouth : SideNorth;
        if (!s.Full[across] || !s.Full[along]) continue;
        double cx = east ? BendEast : BendWest, cy = south ? BendSouth : BendNorth;
        bool inside = (east ? px > cx : px < cx) && (south ? py > cy : py < cy);
        if (!inside) continue;
        inBend = true;
        double ax = east ? cx - InnerEast : cx - InnerWest;
        double ay = south ? cy - InnerSouth : cy - InnerNorth;
        EllipseReach r = Reach(px - cx, py - cy, std::fabs(ax), std::fabs(ay));
        int end1 = static_cast<int>(cy / 10) - (south ? 1 : 0);
        int end2 = static_cast<int>(cx / 10) - (east ? 1 : 0);
        double arc = std::numbers::pi / 2 * (r.Radius + KerbDepth / 2);
        Take(best, r.Dist - r.Radius, ArcStripe(r.Angle, arc, end1, end2));
    }
    if (!inBend) {
        if (s.Full[SideWest]) Take(best, InnerWest - px, iy / 10);
        if (s.Full[SideEast]) Take(best, px - InnerEast, iy / 10);
        if (s.Full[SideNorth]) Take(best, InnerNorth - py, ix / 10);
        if (s.Full[SideSouth]) Take(best, py - InnerSouth, ix / 10);
    }
    // Posts are rounded squares reaching exactly as far as the walls they stand for; the
    // corner they round off is small enough that a car never looks parked inside one.
    for (int corner = 0; corner < 4; ++corner) {
        if (!s.Post[corner] && !s.InnerKerb[corner]) continue;
        bool east = corner & 1, south = corner & 2;
        double x0 = east ? TilePixels : 0, y0 = south ? TilePixels : 0;
        double ax = east ? TilePixels - InnerEast : InnerWest;
        double ay = south ? TilePixels - InnerSouth : InnerNorth;
        // Angle 0 points along the tile's vertical edge, where the post meets the
        // neighbouring straight that runs east-west.
        EllipseReach r = Reach(py - y0, px - x0, ay, ax, true);
        int end1 = east ? 0 : 19, end2 = south ? 0 : 19;
        double arc = std::numbers::pi / 2 * (r.Radius - KerbDepth / 2);
        Take(best, r.Radius - r.Dist, ArcStripe(r.Angle, arc, end1, end2), s.InnerKerb[corner]);
    }
    return best;
}

// A small repeatable grain so large surfaces do not look flat.
int Grain(int x, int y, int salt) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u +
                      static_cast<std::uint32_t>(y) * 668265263u +
                      static_cast<std::uint32_t>(salt) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return static_cast<int>(h % 17) - 8;
}

std::uint32_t Rgb(int r, int g, int b) {
    auto c = [](int v) { return static_cast<std::uint32_t>(std::clamp(v, 0, 255)); };
    return (c(r) << 16) | (c(g) << 8) | c(b);
}
std::uint32_t Rgb(double r, double g, double b) {
    return Rgb(static_cast<int>(std::lround(r)), static_cast<int>(std::lround(g)),
               static_cast<int>(std::lround(b)));
}

// Value noise on a lattice of `cell` pixels that wraps every tile, so a field of equal
// tiles joins without a seam; -1..1, eased between lattice points so nothing looks square.
double Smooth(double x, double y, int cell, int salt) {
    const int n = TilePixels / cell;
    double fx = x / cell, fy = y / cell;
    int ix = static_cast<int>(std::floor(fx)), iy = static_cast<int>(std::floor(fy));
    double tx = fx - ix, ty = fy - iy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    auto at = [&](int i, int j) { return Grain(((i % n) + n) % n, ((j % n) + n) % n, salt) / 8.0; };
    double top = at(ix, iy) * (1 - tx) + at(ix + 1, iy) * tx;
    double bottom = at(ix, iy + 1) * (1 - tx) + at(ix + 1, iy + 1) * tx;
    return top * (1 - ty) + bottom * ty;
}

// Broad patches, clumps and fine texture together, as ground looks from a few metres up.
double Layers(double x, double y, int salt) {
    return 0.5 * Smooth(x, y, 50, salt) + 0.3 * Smooth(x, y, 20, salt + 1) +
           0.2 * Smooth(x, y, 8, salt + 2);
}

// Distance between two points of a tile measured across its edges as well, for scenery
// that straddles the border between two tiles of the same ground.
double WrapDistance(double x, double y, double cx, double cy) {
    double dx = std::fabs(x - cx), dy = std::fabs(y - cy);
    dx = std::min(dx, TilePixels - dx);
    dy = std::min(dy, TilePixels - dy);
    return std::hypot(dx, dy);
}

struct Blob {
    double X, Y, R;
};

double Ease(double edge0, double edge1, double v) {
    double t = std::clamp((v - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

struct Colour {
    double R, G, B;
    Colour operator*(double k) const { return {R * k, G * k, B * k}; }
    Colour operator+(Colour o) const { return {R + o.R, G + o.G, B + o.B}; }
    std::uint32_t Pack() const { return Rgb(R, G, B); }
};
Colour Blend(Colour a, Colour b, double t) { return a * (1 - t) + b * t; }

Colour Grass(double x, double y) {
    double n = Layers(x, y, 10), fine = Grain(static_cast<int>(x), static_cast<int>(y), 11) / 8.0;
    // Mown in bands across the tile, the way a circuit's infield is kept.
    double band = Smooth(x, 0, 100, 12) * 0.3 + (static_cast<int>(y) / 50 % 2 ? 1 : -1);
    return Colour{66, 114, 48} + Colour{8, 16, 6} * n + Colour{3, 6, 2} * fine + Colour{2, 4, 1} * band;
}

Colour Gravel(double x, double y) {
    double n = Layers(x, y, 20);
    int ix = static_cast<int>(x), iy = static_cast<int>(y);
    double stone = Smooth(x, y, 4, 21) + Grain(ix, iy, 22) / 16.0;
    return Colour{150, 140, 118} + Colour{12, 12, 10} * n + Colour{22, 20, 18} * stone;
}

Colour Sand(double x, double y) {
    double n = Layers(x, y, 30);
    // Wind ripples: a wave across the tile bent by the noise; 12 crests a tile, so it repeats.
    double ripple = std::sin(2 * std::numbers::pi * (y + 9 * Smooth(x, y, 50, 31)) / (TilePixels / 12.0));
    return Colour{212, 188, 136} + Colour{10, 9, 6} * n + Colour{7, 6, 5} * ripple +
           Colour{2, 2, 2} * (Grain(static_cast<int>(x), static_cast<int>(y), 32) / 8.0);
}

// Trees seen from above: a shadow cast to the south-east, a lumpy crown lit from the
// north-west. They stand on the same grass as plain ground, inside the tile, so a wood
// sits on any lawn without an edge.
Colour Woods(double x, double y) {
    constexpr Blob Trees[] = {{48, 50, 30}, {144, 42, 24}, {106, 124, 34}, {38, 156, 20}, {160, 158, 22},
                              {82, 76, 14}};
    Colour c = Grass(x, y);
    for (const Blob& t : Trees) {
        double shade = WrapDistance(x, y, t.X + 9, t.Y + 9);
        if (shade < t.R) c = c * (0.55 + 0.3 * Ease(t.R - 6, t.R, shade));
    }
    for (const Blob& t : Trees) {
        double d = WrapDistance(x, y, t.X, t.Y);
        double edge = t.R * (0.9 + 0.12 * Smooth(std::atan2(y - t.Y, x - t.X) * 32 + 100, t.R, 8, 40));
        if (d >= edge) continue;
        double light = std::clamp(1 - WrapDistance(x, y, t.X - t.R * 0.35, t.Y - t.R * 0.35) / t.R, 0.0, 1.0);
        double lumps = Smooth(x, y, 8, 41);
        c = Colour{30, 72, 30} + Colour{34, 46, 16} * light + Colour{6, 10, 4} * lumps;
        c = c * (0.8 + 0.2 * (1 - Ease(edge - 4, edge, d)));
    }
    return c;
}

Colour Water(double x, double y) {
    double n = Layers(x, y, 50);
    double glint = Smooth(x, y, 10, 51) * Smooth(x, y, 25, 52);
    Colour c = Colour{40, 88, 126} + Colour{8, 12, 14} * n;
    return glint > 0.3 ? Blend(c, Colour{150, 190, 210}, std::min(1.0, (glint - 0.3) * 3)) : c;
}

// Boulders on the sand, each lit from the north-west, all inside the tile so the field
// meets plain sand without an edge.
Colour Rocks(double x, double y) {
    constexpr Blob Stones[] = {{40, 40, 18}, {150, 60, 12}, {90, 110, 22}, {30, 150, 10}, {160, 160, 16},
                               {120, 24, 7}, {60, 80, 6}, {140, 130, 8}};
    Colour c = Sand(x, y);
    for (const Blob& s : Stones) {
        if (WrapDistance(x, y, s.X + 5, s.Y + 6) < s.R) c = c * 0.7;
    }
    for (const Blob& s : Stones) {
        double edge = s.R * (0.85 + 0.2 * Smooth(x, y, 10, 62));
        if (WrapDistance(x, y, s.X, s.Y) >= edge) continue;
        double light = std::clamp(1 - WrapDistance(x, y, s.X - s.R * 0.4, s.Y - s.R * 0.4) / (1.4 * s.R), 0.0, 1.0);
        c = Colour{104, 100, 96} + Colour{70, 68, 64} * light + Colour{8, 8, 8} * Smooth(x, y, 4, 63);
    }
    return c;
}

// A stand facing south: back wall, stepped terraces full of spectators, a roof edge and a
// fence above the service road. Side by side the tiles make one long stand.
Colour Grandstand(double x, double y) {
    int ix = static_cast<int>(x), iy = static_cast<int>(y);
    if (y < 16) return Colour{70, 72, 80} + Colour{6, 6, 6} * Smooth(x, y, 20, 70);
    if (y < 24) return Colour{196, 40, 36};
    if (y < 132) {
        int row = (iy - 24) / 9, seat = (ix + row * 3) / 6;
        if ((iy - 24) % 9 < 2) return Colour{110, 110, 116};  // the step between two rows
        std::uint32_t h = static_cast<std::uint32_t>(Grain(seat, row, 71) + 8);
        if ((ix + row * 3) % 6 == 0) return Colour{50, 50, 56};
        constexpr Colour Shirts[] = {{210, 60, 50}, {240, 220, 90}, {70, 110, 200}, {236, 236, 230},
                                     {40, 40, 46}, {80, 170, 90}, {230, 140, 50}, {150, 90, 170}};
        Colour shirt = Shirts[h % 8];
        return (iy - 24) % 9 < 5 ? Colour{226, 184, 150} * (0.8 + 0.02 * (h % 9)) : shirt;
    }
    if (y < 140) return Colour{236, 236, 232};
    if (y < 144) return Colour{60, 60, 64};
    return Colour{118, 118, 114} + Colour{8, 8, 8} * Layers(x, y, 72);
}

std::uint32_t Ground(int code, int x, int y) {
    double px = x + 0.5, py = y + 0.5;
    switch (code) {
        case 2: return Gravel(px, py).Pack();
        case 3: return Sand(px, py).Pack();
        case 4: return Woods(px, py).Pack();
        case 8: return Water(px, py).Pack();
        case 9: return Rocks(px, py).Pack();
        case 17: return Grandstand(px, py).Pack();
        default: return Grass(px, py).Pack();
    }
}

// Worn asphalt: patches of older and newer surface, a fine aggregate, and the darker
// rubbered-in line where the cars run, about the middle of the road.
std::uint32_t Tarmac(int x, int y, double intoRoad) {
    double wear = Layers(x + 0.5, y + 0.5, 80) * 5 + Smooth(x + 0.5, y + 0.5, 4, 81) * 2 +
                  Grain(x, y, 3) / 4.0;
    double line = Ease(34, 62, intoRoad) * 12;
    int g = static_cast<int>(std::lround(90 + wear - line));
    return Rgb(g, g, g + 4);
}

std::uint32_t Barrier(double d, int x, int y) {
    if (d <= KerbDepth + 2) return Rgb(52, 52, 56);          // shadow at the foot of the wall
    if (d > WallDepth - 2) return Rgb(128, 128, 122);        // the wall's far edge
    int g = Grain(x, y, 5) / 3;
    return Rgb(190 + g, 190 + g, 182 + g);
}

// The finish line lies where the lap is counted: a car's centre crossing the bottom edge
// of a north-south start piece going south, or the right edge of an east-west one.
bool OnChequer(int code, int x, int y) {
    if (code == 18 || code == 20) {
        if (y < 184) return false;
        return ((x - 27) / 8 + (y - 184) / 8) % 2 == 0;
    }
    if (x < 184) return false;
    return ((y - 27) / 8 + (x - 184) / 8) % 2 == 0;
}
bool ChequerBand(int code, int x, int y) {
    if (code == 18 || code == 20) return y >= 184;
    return x >= 184;
}

// Piece 20 also carries painted grid boxes so the two start pieces can be told apart.
bool GridMark(int code, int x, int y) {
    if (code != 20) return false;
    bool box = (y >= 40 && y < 44) || (y >= 110 && y < 114);
    return box && ((x >= 40 && x < 90) || (x >= 108 && x < 158));
}

}  // namespace

bool WallZone(int code, double tileX, double tileY) {
    if (!Valid(code)) return false;
    const PieceWalls& w = Walls[code];
    for (int i = 0; i < w.Count; ++i)
        if (InSideZone(w.Checks[i].Side, tileX, tileY) && Holds(w.Checks[i], tileX, tileY))
            return true;
    return false;
}

int OpenSides(int code) {
    if (!IsRoadPiece(code)) return 0;
    Shape s = ShapeOf(code);
    int open = 0;
    for (int side = 0; side < 4; ++side)
        if (!s.Full[side]) open |= 1 << side;
    return open;
}

bool IsRoadPiece(int code) { return Valid(code) && Walls[code].Count > 0; }

bool IsStartPiece(int code) { return code >= 18 && code <= 21; }

double BarrierDepth(int code, double px, double py) {
    if (!IsRoadPiece(code)) return 1e9;
    Depth d = DepthAt(code, px, py);
    // Cars may cross the painted inside of a bend.
    return d.KerbOnly ? std::min(d.D, 0.0) : d.D;
}

std::uint32_t TilePixel(int code, int x, int y) {
    if (!IsRoadPiece(code)) return Ground(code, x, y);
    Depth d = DepthAt(code, x + 0.5, y + 0.5);
    if (d.D <= 0) {
        if (IsStartPiece(code) && ChequerBand(code, x, y))
            return OnChequer(code, x, y) ? Rgb(240, 240, 236) : Rgb(24, 24, 26);
        if (GridMark(code, x, y)) return Rgb(232, 232, 224);
        return Tarmac(x, y, -d.D);
    }
    if (d.D <= KerbDepth) return d.Stripe % 2 == 0 ? Rgb(204, 36, 32) : Rgb(238, 238, 232);
    // The inside of a bend gets its concrete too, so the walls of the two straights it
    // joins run on round the corner without a gap.
    if (d.D <= WallDepth) return Barrier(d.D, x, y);
    // Behind the walls every piece has a gravel run-off, which sits well beside any ground.
    return Ground(2, x, y);
}
