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

std::uint32_t Ground(int code, int x, int y) {
    int g = Grain(x, y, 1), coarse = Grain(x / 6, y / 6, 2);
    switch (code) {
        case 2: case 9:  // gravel trap
            return Rgb(150 + g + coarse, 138 + g + coarse, 112 + g);
        case 3:  // dry sand
            return Rgb(196 + g / 2 + coarse / 2, 178 + g / 2, 128 + g / 2);
        case 4: case 17:  // darker prairie grass
            return Rgb(52 + g / 2, 92 + g + coarse, 40 + g / 2);
        default:
            return Rgb(66 + g / 2, 112 + g + coarse, 48 + g / 2);
    }
}

std::uint32_t Tarmac(int x, int y) {
    int g = Grain(x, y, 3) / 2 + Grain(x / 3, y / 3, 4) / 3;
    return Rgb(92 + g, 92 + g, 96 + g);
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
        return Tarmac(x, y);
    }
    if (d.D <= KerbDepth) return d.Stripe % 2 == 0 ? Rgb(204, 36, 32) : Rgb(238, 238, 232);
    if (d.KerbOnly) return Ground(0, x, y);
    if (d.D <= WallDepth) return Barrier(d.D, x, y);
    return Ground(0, x, y);
}
