#include <cmath>

#include "cars/cars_internal.h"
#include "course/course.h"
#include "sound/sound.h"

namespace {

enum Side { West, East, North, South };

// The four sides differ only in these numbers.
struct WallSide {
    bool AcrossX;         // the velocity across the side is VelX (else VelY)
    int Towards;          // sign of DirSign x v when the car moves towards the side
    bool TurnBeforeHit;   // North and South turn the car before the impact
    int ClockwiseFrom, ClockwiseTo;
    int AntiFrom, AntiTo;
    int StraightOnFrame;
    bool StopClearsStatus;  // West alone leaves the wall step's mark alone when it stops a car
};

constexpr WallSide Sides[4] = {
    /* West  */ {true, -1, false, 16, 19, 11, 14, 15, false},
    /* East  */ {true, +1, false, 6, 9, 1, 4, 5, true},
    /* North */ {false, -1, true, 1, 4, 16, 19, 0, true},
    /* South */ {false, +1, true, 11, 14, 6, 9, 10, true},
};

constexpr f32 NearEdge = 27;   // zone inside the left and top edges
constexpr f32 FarEdge = 170;   // zone inside the right and bottom edges

bool InZone(const CarRecord& c, Side side) {
    switch (side) {
        case West: return c.TileX < NearEdge;
        case East: return c.TileX > FarEdge;
        case North: return c.TileY < NearEdge;
        case South: return c.TileY > FarEdge;
    }
    return false;
}

// Corner posts: a short piece of wall at one end of a side.
enum Condition { Always, YFar, YNear, XNear, XFar };

bool Holds(const CarRecord& c, Condition cond) {
    switch (cond) {
        case Always: return true;
        case YFar: return c.TileY > FarEdge;
        case YNear: return c.TileY < NearEdge;
        case XNear: return c.TileX < NearEdge;
        case XFar: return c.TileX > FarEdge;
    }
    return false;
}

struct WallCheck {
    Side side;
    Condition cond;
};

struct TileWalls {
    i16 Types[3];
    int Count;
    WallCheck Checks[8];
};

constexpr TileWalls WallTable[] = {
    {{TileEastWest, TileStartEastWest, TileStartEastWestB}, 2, {{North, Always}, {South, Always}}},
    {{TileNorthSouth, TileStartNorthSouth, TileStartNorthSouthB}, 2, {{West, Always}, {East, Always}}},
    {{TileJunctionEWS, TileJunctionEWS, TileJunctionEWS},
     5,
     {{North, Always}, {East, YFar}, {West, YFar}, {South, XNear}, {South, XFar}}},
    {{TileCornerSouthEast, TileCornerSouthEast, TileCornerSouthEast},
     3,
     {{North, Always}, {West, Always}, {East, YFar}}},
    {{TileJunctionNSE, TileJunctionNSE, TileJunctionNSE},
     5,
     {{West, Always}, {East, YFar}, {East, YNear}, {North, XFar}, {South, XFar}}},
    {{TileCrossing, TileCrossing, TileCrossing},
     8,
     {{East, YFar}, {East, YNear}, {West, YFar}, {West, YNear}, {North, XNear}, {North, XFar},
      {South, XNear}, {South, XFar}}},
    {{TileCornerSouthWest, TileCornerSouthWest, TileCornerSouthWest},
     2,
     {{North, Always}, {East, Always}}},
    {{TileEastWall, TileEastWall, TileEastWall}, 1, {{East, Always}}},
    {{TileCornerNorthEast, TileCornerNorthEast, TileCornerNorthEast},
     2,
     {{West, Always}, {South, Always}}},
    {{TileCornerNorthWest, TileCornerNorthWest, TileCornerNorthWest},
     2,
     {{South, Always}, {East, Always}}},
    {{TileSouthWall, TileSouthWall, TileSouthWall}, 1, {{South, Always}}},
};

void TurnForWall(CarRecord& c, const WallSide& p) {
    int frame = HeadingFrame(c);
    if (frame < 0) return;
    int step = 0;
    if (frame >= p.ClockwiseFrom && frame <= p.ClockwiseTo) {
        step = 1;
    } else if (frame >= p.AntiFrom && frame <= p.AntiTo) {
        step = -1;
    } else if (frame == p.StraightOnFrame) {
        // Head-on: the sideways motion decides which way the car is deflected.
        f32 along = p.AcrossX ? c.VelY : c.VelX;
        if (along > 0) step = 1;
        else if (along < 0) step = -1;
        else {
            c.Speed = 0;
            if (c.Status == StatusAtWall) c.Status = StatusRacing;
        }
    }
    if (step != 0) TurnOneFrame(c, step > 0);
}

void WallSideCheck(int car, Side side) {
    CarRecord& c = Cars[car];
    const WallSide& p = Sides[side];
    if (!InZone(c, side)) return;
    f32& v = p.AcrossX ? c.VelX : c.VelY;
    f32 a = DirSign[car] * v;
    if (a * p.Towards <= 0) return;
    if (p.TurnBeforeHit) TurnForWall(c, p);
    // Only a hard or fast impact damages the car; scraping along a wall just slows it.
    if (a * p.Towards > 10 || c.Speed > 150) {
        ApplyDamage(2 * std::abs(v), car);
        if (car < SoundSlots) {
            SoundBuffer* crash = CrashSounds[car].get();
            SetVolume(crash, car == 0 ? 0 : CLng(-2 * DistanceFromPlayer(car)));
            Play(crash, 0);
        }
    }
    v = 0;
    if (!p.TurnBeforeHit) TurnForWall(c, p);
    c.Speed -= 50;
    if (c.Speed < 0) {
        c.Speed = 1;
        // Only the wall step's own mark is cleared: a car that has finished keeps its
        // place, and a wreck stays out of the race.
        if (p.StopClearsStatus && c.Status == StatusAtWall) c.Status = StatusRacing;
    }
}

}  // namespace

void CheckWalls() {
    for (int car = 0; car <= Race.LastCarIndex; ++car) {
        DirSign[car] = Cars[car].Gear == GearReverse ? -1 : 1;
        i16 type = TileType(Cars[car].TileCol, Cars[car].TileRow);
        for (const TileWalls& row : WallTable) {
            if (row.Types[0] != type && row.Types[1] != type && row.Types[2] != type) continue;
            for (int i = 0; i < row.Count; ++i) {
                if (Holds(Cars[car], row.Checks[i].cond)) WallSideCheck(car, row.Checks[i].side);
            }
            break;
        }
    }
}
