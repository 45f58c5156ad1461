#include <cmath>

#include "cars/cars_internal.h"
#include "course/course.h"

bool AutopilotEnabled = false;

namespace {

constexpr i16 EastWest = TileEastWest;
constexpr i16 NorthSouth = TileNorthSouth;

// Steers in the tables below, short so that a row of them reads as a row.
constexpr u8 R = SteerRight;
constexpr u8 L = SteerLeft;
constexpr u8 S = SteerStraight;

bool IsCorner(i16 type) {
    return type == TileCornerSouthEast || type == TileCornerSouthWest ||
           type == TileCornerNorthEast || type == TileCornerNorthWest;
}

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
    {EastWest, 2, TileCornerSouthWest, LaneYBelow150, R},
    {EastWest, 2, TileCornerNorthWest, LaneYBelow150, L},
    {EastWest, 3, TileCornerSouthEast, LaneYBelow150, L},
    {EastWest, 3, TileCornerSouthWest, LaneYAbove50, R},
    {EastWest, 3, TileCornerNorthEast, LaneYAbove50, R},
    {NorthSouth, 0, TileCornerSouthEast, LaneXBelow150, R},
    {NorthSouth, 0, TileCornerSouthWest, LaneXAbove50, L},
    {NorthSouth, 1, TileCornerNorthEast, LaneXBelow150, L},
    {NorthSouth, 1, TileCornerNorthWest, LaneXAbove50, R},
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
    // All three draws are made every time, in order, so the stream advances the same
    // whatever the speed.
    bool draw1 = Int(Rnd() * 8) == 1;
    bool draw2 = Int(Rnd() * 4) == 1;
    bool draw3 = Int(Rnd() * 2) == 1;
    bool q1 = c.Speed > c.AiTarget / 2.0 && draw1;
    bool q2 = c.Speed > c.AiTarget && draw2;
    bool q3 = c.Speed > 2.0 * c.AiTarget && draw3;
    if (!(q1 || q2 || q3)) return;

    i16 own = TileType(c.TileCol, c.TileRow);
    if (own != EastWest && own != NorthSouth) {
        c.Pedal = PedalThrottle;
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
        c.Pedal = PedalOff;
        c.Brake = True16;
    } else {
        c.Pedal = PedalThrottle;
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
    {EastWest, 2, {In(R), F(L), Mid(R, L), Half(R, L), Half(R, L), In(R), Half(R, L), In(L)}},
    {EastWest, 3, {In(L), F(R), Half(L, R), Mid(L, R), In(L), Half(L, R), In(R), Half(L, R)}},
    {NorthSouth, 1, {Half(L, R), Mid(L, R), In(R), In(L), Half(L, R), Half(L, R), In(L), In(R)}},
    {NorthSouth, 0, {Mid(R, L), Half(R, L), In(L), In(R), In(R), In(L), Half(R, L), Half(R, L)}},
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
            case InsideElseStraight: c.Steer = inside ? r.A : S; break;
            case HalfSplit: c.Steer = across >= 100 ? r.A : r.B; break;
            case Centre: c.Steer = across < 50 ? r.A : (across > 150 ? r.B : S); break;
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
    {TileCornerSouthEast, 0, {R, L, LaneA, L, R, R, L, L}, 2, 0},
    {TileCornerSouthEast, 2, {R, L, LaneA, L, R, R, L, L}, -1, -1},
    {TileCornerSouthEast, 3, {Keep, S, R, L, L, R, L, R}, 1, 3},
    {TileCornerSouthEast, 1, {Keep, S, R, L, L, R, L, R}, -1, -1},
    {TileCornerNorthEast, 1, {R, L, S, R, R, R, L, L}, 2, 1},
    {TileCornerNorthEast, 2, {R, L, S, Keep, R, R, L, L}, -1, -1},
    {TileCornerNorthEast, 0, {S, L, L, R, R, Keep, R, L}, -1, -1},
    {TileCornerNorthEast, 3, {S, L, L, R, R, Keep, R, L}, 0, 3},
    {TileCornerNorthWest, 2, {S, R, L, R, R, L, R, L}, 0, 2},
    {TileCornerNorthWest, 0, {S, R, L, R, R, L, R, L}, -1, -1},
    {TileCornerNorthWest, 3, {L, R, Keep, S, L, L, R, R}, -1, -1},
    {TileCornerNorthWest, 1, {L, R, Keep, S, L, L, R, R}, 3, 1},
    {TileCornerSouthWest, 2, {L, S, R, L, L, R, L, R}, 1, 2},
    {TileCornerSouthWest, 1, {L, S, R, L, L, R, L, R}, -1, -1},
    {TileCornerSouthWest, 3, {L, R, R, S, L, L, R, R}, -1, -1},
    {TileCornerSouthWest, 0, {L, R, R, S, L, L, R, R}, 3, 0},
};

void SteerThroughCorner(int car, i16 own) {
    CarRecord& c = Cars[car];
    for (const CornerBlock& block : CornerBlocks) {
        if (block.Tile != own || block.Mode != c.AiMode) continue;
        i16 cls = HeadingClass(car);
        if (cls >= 0 && cls <= 7) {
            u8 steer = block.ByClass[cls];
            if (steer == LaneA) {
                if (c.TileY > 30 && c.TileY < 160) steer = S;
                else steer = c.TileY > 159 ? R : L;
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

bool IsOpenTile(i16 type) {
    return type == TileJunctionEWS || type == TileJunctionNSE || type == TileCrossing ||
           IsStartTile(type);
}

// These tiles have no lane rules of their own. A steer carried in from the tile before
// (often a swerve round a slower car) would otherwise stay on and run the car into the
// wall, so the car points itself back along its travel direction and, once it does, keeps
// clear of the corner posts the way the straights' middle-lane rule does.
void HoldTravelDirection(CarRecord& c, i16 cls) {
    constexpr int TravelFrame[4] = {0, 10, 5, 15};
    constexpr u8 NearLowEdge[4] = {R, L, R, L};  // steer when left of / above the middle
    if (c.AiMode < 0 || c.AiMode > 3 || cls > 7) return;
    int frame = c.Heading / c.SpriteHeight;
    int clockwise = (TravelFrame[c.AiMode] - frame + 20) % 20;
    if (clockwise == 0) {
        f32 across = c.AiMode <= 1 ? c.TileX : c.TileY;
        u8 low = NearLowEdge[c.AiMode];
        c.Steer = across < 50 ? low : (across > 150 ? static_cast<u8>(R + L - low) : S);
    } else if (clockwise < 10) {
        c.Steer = R;
    } else if (clockwise > 10) {
        c.Steer = L;
    }
}

}  // namespace

void DriveOpponent(int car) {
    CarRecord& c = Cars[car];
    if (c.Gear == GearDrive && c.Speed < c.AiTarget) {
        c.Pedal = PedalThrottle;
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
    if (own == TileSlowDown) {
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
    for (int car = 1; car <= Race.LastCarIndex; ++car) DriveOpponent(car);
}

void DriveAutopilot() {
    if (!AutopilotEnabled) return;
    // The set-up gives car 0 the grid's driving fields; this covers a race started
    // without it.
    if (Race.Frame == 1 || Cars[0].AiTarget == 0) {
        Cars[0].AiTarget = 200;
        Cars[0].AiMode = 1;
    }
    // The race loop never lets the player's car start a pair check, so the autopilot
    // looks out for slower cars itself, by the same test the computer drivers get.
    i16 savedFlag = PairBlockFlag;
    PairBlockFlag = False16;
    for (int other = 1; other <= Race.LastCarIndex; ++other) {
        const CarRecord& o = Cars[other];
        if (std::abs(Cars[0].TileCol - o.TileCol) < 2 && std::abs(Cars[0].TileRow - o.TileRow) < 2 &&
            !IsTrue(o.Blocked) && Cars[0].Status != StatusOut && o.Status != StatusOut)
            AvoidCheck(0, other);
    }
    Cars[0].Blocked = PairBlockFlag;
    if (IsTrue(PairBlockFlag)) {
        Cars[0].Pedal = PedalOff;
        Cars[0].Brake = True16;
    }
    PairBlockFlag = savedFlag;
    DriveOpponent(0);
}
