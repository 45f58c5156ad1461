#include <cmath>
#include <cstdlib>

#include "cars/cars_internal.h"
#include "sound/sound.h"

void CarContact(int a, int b) {
    CarRecord ca = Cars[a];
    CarRecord cb = Cars[b];
    f32 damageA = 0;
    f32 damageB = 0;

    f32 ax = ca.ScreenX + ca.SpriteWidth / 2.4f;
    f32 ay = ca.ScreenY + ca.SpriteHeight / 2.4f;
    f32 bx = cb.ScreenX + cb.SpriteWidth / 2.4f;
    f32 by = cb.ScreenY + cb.SpriteHeight / 2.4f;
    f32 d = std::sqrt((ax - bx) * (ax - bx) + (ay - by) * (ay - by));
    f32 nx = (ax + ca.VelX) - (bx + cb.VelX);
    f32 ny = (ay + ca.VelY) - (by + cb.VelY);
    f32 n = std::sqrt(nx * nx + ny * ny);

    // Only cars that touch and are still closing make contact; side by side at the
    // same velocity is not a collision.
    if (d < 20 && n < d) {
        f32 dvx = std::abs(ca.VelX - cb.VelX);
        f32 dvy = std::abs(ca.VelY - cb.VelY);
        bool gentle = dvx <= 3 && dvy <= 3 && ca.Speed + cb.Speed <= 100;
        if (!gentle) {
            damageA = 1.5f * (dvx + dvy);
            damageB = damageA;
            ca.Skidding = True16;
            ca.Drift = CInt(2 * ca.Tyres);
            ca.VelX = cb.VelX;
            ca.VelY = cb.VelY;
            cb.Skidding = True16;
            cb.Drift = CInt(2 * cb.Tyres);
        }
        PairContactFlag = True16;
        if (ca.SmokeTick == 0) ca.SmokeTick = 1;
        if (cb.SmokeTick == 0) cb.SmokeTick = 1;
        if (a < SoundSlots) {
            SoundBuffer* hit = HitSounds[a].get();
            SetVolume(hit, a == 0 ? 0 : CLng(-2 * DistanceFromPlayer(a)));
            Play(hit, 0);
        }
    }

    Cars[a] = ca;
    Cars[b] = cb;
    // A burning car has nothing left to lose.
    if (damageA > 0 && Cars[a].FxState != FxExploding) ApplyDamage(damageA, a);
    if (damageB > 0 && Cars[b].FxState != FxExploding) ApplyDamage(damageB, b);
}

void AvoidCheck(int a, int b) {
    const CarRecord& ca = Cars[a];
    const CarRecord& cb = Cars[b];
    if (!(ca.Speed > cb.Speed)) return;

    f32 dx1 = std::abs((ca.ScreenX + ca.VelX) - (cb.ScreenX + cb.VelX));
    f32 dy1 = std::abs((ca.ScreenY + ca.VelY) - (cb.ScreenY + cb.VelY));
    f32 dx4 = std::abs((ca.ScreenX + 4 * ca.VelX) - (cb.ScreenX + 4 * cb.VelX));
    f32 dy4 = std::abs((ca.ScreenY + 4 * ca.VelY) - (cb.ScreenY + 4 * cb.VelY));

    // For the four main directions: which axis runs across the road, and the steer
    // that turns away when the slower car lies on the greater side of that axis.
    struct AvoidRule {
        bool AcrossIsX;
        u8 SteerWhenOtherGreater;
    };
    static constexpr AvoidRule MainDirections[4] = {
        {true, 1},   // north
        {true, 0},   // south
        {false, 1},  // east
        {false, 0},  // west
    };

    i16 cls = HeadingClass(a);
    if (cls >= 4 && cls <= 7) {  // diagonals only block, without steering
        if (dx1 < 20 && dy1 < 20) PairBlockFlag = True16;
        return;
    }
    if (cls < 0 || cls > 3) return;
    const AvoidRule& rule = MainDirections[cls];
    bool close = rule.AcrossIsX ? (dx1 < 20 && dy4 < 40) : (dy1 < 20 && dx4 < 40);
    if (!close) return;
    bool otherGreater = rule.AcrossIsX ? ca.TileX < cb.TileX : ca.TileY < cb.TileY;
    // Steer away from the side the slower car is on.
    Cars[a].Steer = static_cast<u8>(otherGreater ? rule.SteerWhenOtherGreater
                                                 : 1 - rule.SteerWhenOtherGreater);
    Cars[a].Brake = True16;
    PairBlockFlag = True16;
}

void CarPairs(int i) {
    PairBlockFlag = False16;
    PairContactFlag = False16;
    auto racing = [](int car) { return Cars[car].Status != StatusOut; };
    for (int j = 0; j <= Race.LastCarIndex; ++j) {
        // The player never starts a pair; he takes part as the other car.
        if (j == i || i == 0) continue;
        if (std::abs(Cars[i].TileCol - Cars[j].TileCol) >= 2) continue;
        if (std::abs(Cars[i].TileRow - Cars[j].TileRow) >= 2) continue;
        if (IsTrue(Cars[j].Blocked) || !racing(i) || !racing(j)) continue;
        CarContact(i, j);
        AvoidCheck(i, j);
    }
    CarRecord& car = Cars[i];
    if (IsTrue(PairBlockFlag)) {
        car.Blocked = True16;
        car.Pedal = PedalOff;
        car.Brake = True16;
    } else {
        car.Blocked = False16;
    }
}
