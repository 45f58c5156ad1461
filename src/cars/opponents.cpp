#include <cmath>

#include "cars/cars.h"
#include "course/course.h"

bool AutopilotEnabled = false;

namespace {

constexpr i16 EastWest = 1;     // straight tile types
constexpr i16 NorthSouth = 5;
constexpr i16 SlowDown = -2;

bool IsCorner(i16 type) { return type == 7 || type == 12 || type == 14 || type == 15; }

// --- Corner look-ahead on straights ------------------------------------------------

enum Lane { LaneYBelow150, LaneYAbove50, LaneXBelow150, LaneXAbove50 };

struct LookAhead {
    i16 OwnTile;
    i16 TravelClass;  // 0 N, 1 S, 2 E, 3 W; also picks the trigger and the next tile
    i16 NextType;
    Lane LaneCondition;
    u8 Steer;
};

constexpr LookAhead LookAheads[] = {
    {EastWest, 2, 12, LaneYBelow150, 0},
    {EastWest, 2, 15, LaneYBelow150, 1},
    {EastWest, 3, 7, LaneYBelow150, 1},
    {EastWest, 3, 12, LaneYAbove50, 0},
    {EastWest, 3, 14, LaneYAbove50, 0},
    {NorthSouth, 0, 7, LaneXBelow150, 0},
    {NorthSouth, 0, 12, LaneXAbove50, 1},
    {NorthSouth, 1, 14, LaneXBelow150, 1},
    {NorthSouth, 1, 15, LaneXAbove50, 0},
};

bool LaneHolds(const CarRecord& c, Lane lane) {
    switch (lane) {
        case LaneYBelow150: return c.TileY < 150;
        case LaneYAbove50: return c.TileY > 50;
        case LaneXBelow150: return c.TileX < 150;
        case LaneXAbove50: return c.TileX > 50;
    }
    return false;
}

// Travel class on a straight from the sign of the velocity; -1 when standing still
// across it.
i16 TravelOnStraight(const CarRecord& c, i16 type) {
    if (type == EastWest) return c.VelX > 0 ? 2 : (c.VelX < 0 ? 3 : -1);
    if (type == NorthSouth) return c.VelY < 0 ? 0 : (c.VelY > 0 ? 1 : -1);
    return -1;
}

// Returns true when the car has started turning for the corner ahead.
bool CornerLookAhead(int car, i16 margin) {
    CarRecord& c = Cars[car];
    i16 own = TileType(c.TileCol, c.TileRow);
    i16 travel = TravelOnStraight(c, own);
    if (travel < 0) return false;

    bool trigger = false;
    int col = c.TileCol, row = c.TileRow;
    switch (travel) {
        case 2: trigger = c.TileX > margin; col += 1; break;
        case 3: trigger = c.TileX < 200 - margin; col -= 1; break;
        case 0: trigger = c.TileY < 200 - margin; row -= 1; break;
        case 1: trigger = c.TileY > margin; row += 1; break;
    }
    i16 next = TileType(col, row);
    for (const LookAhead& rule : LookAheads) {
        if (rule.OwnTile != own || rule.TravelClass != travel || rule.NextType != next) continue;
        if (!trigger || !LaneHolds(c, rule.LaneCondition)) return false;
        // Already swinging round: let the turn carry on without a fresh input.
        if (HeadingClass(car) == travel) c.Steer = rule.Steer;
        return true;
    }
    return false;
}

// --- Lifting off before corners ---------------------------------------------------

void LiftOffForCorners(int car) {
    CarRecord& c = Cars[car];
    // Every draw is made each time, so the stream advances the same whatever the speed.
    bool q1 = c.Speed > c.AiTarget / 2.0 && Int(Rnd() * 8) == 1;
    bool q2 = c.Speed > c.AiTarget && Int(Rnd() * 4) == 1;
    bool q3 = c.Speed > 2.0 * c.AiTarget && Int(Rnd() * 2) == 1;
    if (!(q1 || q2 || q3)) return;

    i16 own = TileType(c.TileCol, c.TileRow);
    if (own != EastWest && own != NorthSouth) {
        c.Pedal = 0;
        c.Brake = False16;
        return;
    }
    int col = c.TileCol, row = c.TileRow;
    f32 along = own == NorthSouth ? c.VelY : c.VelX;
    if (along == 0) return;
    int ahead = along > 0 ? 2 : -2;
    if (own == NorthSouth) row += ahead;
    else col += ahead;
    if (IsCorner(TileType(col, row))) {
        c.Pedal = 1;
        c.Brake = True16;
    } else {
        c.Pedal = 0;
        c.Brake = False16;
    }
}

// --- Lane keeping on straights ----------------------------------------------------

enum LaneRuleKind { Fixed, InsideElseStraight, HalfSplit, Centre };

struct LaneRule {
    LaneRuleKind Kind;
    u8 A;  // Fixed: the steer; Inside: steer inside; Half: steer in the far half; Centre: steer near the low edge
    u8 B;  // Half: steer in the near half; Centre: steer near the high edge
};

struct LaneTable {
    i16 Tile;
    i16 Mode;
    LaneRule ByClass[8];  // heading classes 0..7
};

constexpr LaneRule F(u8 s) { return {Fixed, s, 0}; }
constexpr LaneRule In(u8 s) { return {InsideElseStraight, s, 0}; }
constexpr LaneRule Half(u8 far, u8 near) { return {HalfSplit, far, near}; }
constexpr LaneRule Mid(u8 low, u8 high) { return {Centre, low, high}; }

constexpr LaneTable LaneTables[] = {
    {EastWest, 2, {In(0), F(1), Mid(0, 1), Half(0, 1), Half(0, 1), In(0), Half(0, 1), In(1)}},
    {EastWest, 3, {In(1), F(0), Half(1, 0), Mid(1, 0), In(1), Half(1, 0), In(0), Half(1, 0)}},
    {NorthSouth, 1, {Half(1, 0), Mid(1, 0), In(0), In(1), Half(1, 0), Half(1, 0), In(1), In(0)}},
    {NorthSouth, 0, {Mid(0, 1), Half(0, 1), In(1), In(0), In(0), In(1), Half(0, 1), Half(0, 1)}},
};

void KeepLane(int car, i16 own) {
    CarRecord& c = Cars[car];
    i16 cls = HeadingClass(car);
    if (cls < 0 || cls > 7) return;
    f32 across = own == EastWest ? c.TileY : c.TileX;
    for (const LaneTable& t : LaneTables) {
        if (t.Tile != own || t.Mode != c.AiMode) continue;
        const LaneRule& r = t.ByClass[cls];
        bool inside = across > 50 && across < 150;
        switch (r.Kind) {
            case Fixed: c.Steer = r.A; break;
            case InsideElseStraight: c.Steer = inside ? r.A : 2; break;
            case HalfSplit: c.Steer = across >= 100 ? r.A : r.B; break;
            case Centre: c.Steer = across < 50 ? r.A : (across > 150 ? r.B : 2); break;
        }
        return;
    }
}

// --- Corners ----------------------------------------------------------------------

constexpr u8 Keep = 255;   // this heading class leaves Steer alone
constexpr u8 LaneA = 9;    // already pointing east on a type 7 corner: hold the lane

struct CornerBlock {
    i16 Tile;
    i16 Mode;          // runs when AiMode has this value
    u8 ByClass[8];     // Steer for heading classes 0..7
    i16 PlanMode;      // entry blocks set (AiMode, AiTurn); follow blocks have -1
    i16 PlanTurn;
};

// Per corner in the order they run: an entry block sets the plan, and a follow block
// listed after it with the new AiMode steers on in the same frame.
constexpr CornerBlock CornerBlocks[] = {
    {7, 0, {0, 1, LaneA, 1, 0, 0, 1, 1}, 2, 0},
    {7, 2, {0, 1, LaneA, 1, 0, 0, 1, 1}, -1, -1},
    {7, 3, {Keep, 2, 0, 1, 1, 0, 1, 0}, 1, 3},
    {7, 1, {Keep, 2, 0, 1, 1, 0, 1, 0}, -1, -1},
    {14, 1, {0, 1, 2, 0, 0, 0, 1, 1}, 2, 1},
    {14, 2, {0, 1, 2, Keep, 0, 0, 1, 1}, -1, -1},
    {14, 0, {2, 1, 1, 0, 0, Keep, 0, 1}, -1, -1},
    {14, 3, {2, 1, 1, 0, 0, Keep, 0, 1}, 0, 3},
    {15, 2, {2, 0, 1, 0, 0, 1, 0, 1}, 0, 2},
    {15, 0, {2, 0, 1, 0, 0, 1, 0, 1}, -1, -1},
    {15, 3, {1, 0, Keep, 2, 1, 1, 0, 0}, -1, -1},
    {15, 1, {1, 0, Keep, 2, 1, 1, 0, 0}, 3, 1},
    {12, 2, {1, 2, 0, 1, 1, 0, 1, 0}, 1, 2},
    {12, 1, {1, 2, 0, 1, 1, 0, 1, 0}, -1, -1},
    {12, 3, {1, 0, 0, 2, 1, 1, 0, 0}, -1, -1},
    {12, 0, {1, 0, 0, 2, 1, 1, 0, 0}, 3, 0},
};

void SteerThroughCorner(int car, i16 own) {
    CarRecord& c = Cars[car];
    for (const CornerBlock& block : CornerBlocks) {
        if (block.Tile != own || block.Mode != c.AiMode) continue;
        i16 cls = HeadingClass(car);
        if (cls >= 0 && cls <= 7) {
            u8 steer = block.ByClass[cls];
            if (steer == LaneA) {
                if (c.TileY > 30 && c.TileY < 160) steer = 2;
                else steer = c.TileY > 159 ? 0 : 1;
            }
            if (steer != Keep) c.Steer = steer;
        }
        if (block.PlanMode >= 0) {
            c.AiMode = block.PlanMode;
            c.AiTurn = block.PlanTurn;
        }
    }
}

// --- Junctions and start tiles ---------------------------------------------------

bool IsOpenTile(i16 type) { return type == 6 || type == 10 || type == 11 || (type >= 18 && type <= 21); }

// These tiles have no lane rules of their own. A steer carried in from the tile before
// (often a swerve round a slower car) would otherwise stay on and run the car into the
// wall, so the car points itself back along its travel direction and, once it does, keeps
// clear of the corner posts the way the straights' middle-lane rule does.
void HoldTravelDirection(CarRecord& c, i16 cls) {
    constexpr int TravelFrame[4] = {0, 10, 5, 15};
    constexpr u8 NearLowEdge[4] = {0, 1, 0, 1};  // steer when left of / above the middle
    if (c.AiMode < 0 || c.AiMode > 3 || cls > 7) return;
    int frame = c.Heading / c.SpriteHeight;
    int clockwise = (TravelFrame[c.AiMode] - frame + 20) % 20;
    if (clockwise == 0) {
        f32 across = c.AiMode <= 1 ? c.TileX : c.TileY;
        u8 low = NearLowEdge[c.AiMode];
        c.Steer = across < 50 ? low : (across > 150 ? static_cast<u8>(1 - low) : 2);
    } else if (clockwise < 10) {
        c.Steer = 0;
    } else if (clockwise > 10) {
        c.Steer = 1;
    }
}

}  // namespace

void DriveOpponent(int car) {
    CarRecord& c = Cars[car];
    if (c.Gear == 0 && c.Speed < c.AiTarget) {
        c.Pedal = 0;
        c.Brake = False16;
    }
    if (IsTrue(c.Blocked)) c.Brake = True16;
    // A blocked car keeps its line and its brake until the way ahead clears.
    if (c.Status != StatusRacing || IsTrue(c.Blocked)) return;

    // The faster the car and the worse its tyres, the earlier it turns in.
    i16 margin = CInt(std::abs(static_cast<double>(
        CInt((200 - c.Speed / 2 + c.Tyres / 4) - Int(Rnd() * 25)))));
    bool turning = CornerLookAhead(car, margin);
    if (turning) return;
    LiftOffForCorners(car);

    i16 own = TileType(c.TileCol, c.TileRow);
    if (own == SlowDown) {
        c.Brake = True16;
    } else if (own == EastWest || own == NorthSouth) {
        KeepLane(car, own);
    } else if (IsCorner(own)) {
        SteerThroughCorner(car, own);
    } else if (IsOpenTile(own)) {
        HoldTravelDirection(c, HeadingClass(car));
    }
}

void DriveOpponents() {
    for (int car = 1; car <= LastCarIndex; ++car) DriveOpponent(car);
}

void DriveAutopilot() {
    if (!AutopilotEnabled) return;
    // The set-up gives car 0 the grid's driving fields; this covers a race started
    // without it.
    if (RaceFrame == 1 || Cars[0].AiTarget == 0) {
        Cars[0].AiTarget = 200;
        Cars[0].AiMode = 1;
    }
    // The race loop never lets the player's car start a pair check, so the autopilot
    // looks out for slower cars itself, by the same test the computer drivers get.
    i16 savedFlag = PairBlockFlag;
    PairBlockFlag = False16;
    for (int other = 1; other <= LastCarIndex; ++other) {
        const CarRecord& o = Cars[other];
        if (std::abs(Cars[0].TileCol - o.TileCol) < 2 && std::abs(Cars[0].TileRow - o.TileRow) < 2 &&
            !IsTrue(o.Blocked) && Cars[0].Status != StatusOut && o.Status != StatusOut)
            AvoidCheck(0, other);
    }
    Cars[0].Blocked = PairBlockFlag;
    if (IsTrue(PairBlockFlag)) {
        Cars[0].Pedal = 1;
        Cars[0].Brake = True16;
    }
    PairBlockFlag = savedFlag;
    DriveOpponent(0);
}
