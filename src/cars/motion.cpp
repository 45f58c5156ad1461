#include <cmath>

#include "cars/cars_internal.h"
#include "course/course.h"

// The diagonals are deliberately not normalised: a car pointing between the compass
// points is slower than one running along them.
const HeadingFactor HeadingVelocity[HeadingFrames] = {
    {0.00f, -0.09f}, {0.02f, -0.08f}, {0.04f, -0.06f}, {0.06f, -0.04f}, {0.08f, -0.02f},
    {0.09f, 0.00f},  {0.08f, 0.02f},  {0.06f, 0.04f},  {0.04f, 0.06f},  {0.02f, 0.08f},
    {0.00f, 0.09f},  {-0.02f, 0.08f}, {-0.04f, 0.06f}, {-0.06f, 0.04f}, {-0.08f, 0.02f},
    {-0.09f, 0.00f}, {-0.08f, -0.02f}, {-0.06f, -0.04f}, {-0.04f, -0.06f}, {-0.02f, -0.08f},
};

f32 DriveLimit(int car) { return Cars[car].TopSpeed - (100 - Cars[car].Engine); }

int HeadingFrame(const CarRecord& c) {
    if (c.SpriteHeight <= 0 || c.Heading % c.SpriteHeight != 0) return -1;
    int frame = c.Heading / c.SpriteHeight;
    return (frame >= 0 && frame < HeadingFrames) ? frame : -1;
}

void TurnOneFrame(CarRecord& c, bool clockwise) {
    constexpr int Last = HeadingFrames - 1;
    if (clockwise) {
        c.Heading = static_cast<i16>(c.Heading + c.SpriteHeight);
        if (c.Heading > Last * c.SpriteHeight) c.Heading = 0;
    } else {
        c.Heading = static_cast<i16>(c.Heading - c.SpriteHeight);
        if (c.Heading < 0) c.Heading = static_cast<i16>(Last * c.SpriteHeight);
    }
}

namespace {

void Steering(CarRecord& c) {
    if (c.Steer == SteerRight || c.Steer == SteerLeft) {
        c.SteerCount = static_cast<u8>(c.SteerCount + 1);
        // The brake shortens the wheel crank from three frames to two.
        bool due = c.SteerCount >= 3 || (c.SteerCount >= 2 && IsTrue(c.Brake));
        if (!due) return;
        c.SteerCount = 0;
        c.Drift = CInt(c.Drift + c.Speed / 10);
        if (c.Drift > c.Tyres) {
            c.Skidding = True16;
            if (c.Drift > 2 * c.Tyres) c.Drift = CInt(2 * c.Tyres);
        }
        if (c.Speed != 0) TurnOneFrame(c, c.Steer == SteerRight);
    } else if (c.Steer == SteerStraight) {
        c.Drift = CInt(c.Drift - (30 - c.Speed / 10));
        if (c.Drift < 0) {
            c.Drift = 0;
            c.Skidding = False16;
        }
    }
}

void Grip(CarRecord& c) {
    if (IsTrue(c.Skidding)) return;
    int frame = HeadingFrame(c);
    if (frame < 0) return;
    c.VelX = c.Speed * HeadingVelocity[frame].X;
    c.VelY = c.Speed * HeadingVelocity[frame].Y;
}

void PedalStep(CarRecord& c, int car) {
    switch (c.Pedal) {
        case PedalThrottle:
            if (IsTrue(c.Skidding)) break;
            if (c.Speed < 50) c.Speed = 50;  // a standing car leaps off the line
            c.Speed = c.Speed + c.Accel - c.Speed / 75 - c.Engine / 100 + 1;
            if (c.Gear == GearDrive && std::abs(c.Speed - DriveLimit(car)) < 1) c.Speed = DriveLimit(car);
            break;
        case PedalOff:
            c.Speed -= 1;
            if (c.Speed < 20) c.Speed = 20;  // coasting never stops the car
            c.VelY -= Sgn(c.VelY) / 4.0f;
            c.VelX -= Sgn(c.VelX) / 4.0f;
            break;
        case PedalCruise:
            // Cruise control gains a little less than the throttle does.
            if (c.Speed < c.CruiseSpeed)
                c.Speed = c.Speed + c.Accel - c.Speed / 75 - (c.Engine / 100 + 1);
            break;
        default:
            break;
    }
}

void BrakeStep(CarRecord& c) {
    c.Speed -= 4;
    c.Drift = CInt(c.Drift + c.Speed / 7);
    // A stopped car braking again would push the drift below zero.
    if (c.Drift < 0) c.Drift = 0;
    if (c.Drift > c.Tyres) {
        c.Skidding = True16;
        c.Drift = CInt(1.5 * c.Tyres);
    }
    c.CruiseSpeed = 0;
    c.VelY -= Sgn(c.VelY) / 6.0f;
    c.VelX -= Sgn(c.VelX) / 6.0f;
    if (c.Speed < 18) {
        c.Speed = 0;
        c.VelX = 0;
        c.VelY = 0;
        c.Skidding = False16;
    }
}

// A sliding car's velocity creeps round towards the way it points.
void SlideTowardsHeading(CarRecord& c) {
    int frame = HeadingFrame(c);
    if (frame < 0) return;
    if (frame >= 1 && frame <= 4) {
        c.VelY -= std::abs(c.VelX) / 18;
        c.VelX += std::abs(c.VelY) / 18;
    } else if (frame >= 6 && frame <= 9) {
        c.VelY += std::abs(c.VelX) / 18;
        c.VelX += std::abs(c.VelY) / 18;
    } else if (frame >= 11 && frame <= 14) {
        c.VelY += std::abs(c.VelX) / 18;
        c.VelX -= std::abs(c.VelY) / 18;
    } else if (frame >= 16 && frame <= 19) {
        c.VelY -= std::abs(c.VelX) / 18;
        c.VelX -= std::abs(c.VelY) / 18;
    } else if (frame == 0) {
        c.VelY -= std::abs(c.VelX) / 18;
    } else if (frame == 5) {
        c.VelX += std::abs(c.VelY) / 18;
    } else if (frame == 10) {
        c.VelY += std::abs(c.VelX) / 18;
    } else if (frame == 15) {
        c.VelX -= std::abs(c.VelY) / 18;
    }
}

void SkidStep(int car) {
    CarRecord& c = Cars[car];
    c.Speed -= 7;
    if (c.Speed < 0) {
        c.Speed = 0;
        c.VelX = 0;
        c.VelY = 0;
        c.Skidding = False16;
        c.Drift = 0;
    }
    TyreWear(CInt(c.Speed / 300), car);
    c.VelY -= Sgn(c.VelY) / 2.0f;
    c.VelX -= Sgn(c.VelX) / 2.0f;
    SlideTowardsHeading(c);
}

// Both tests run in turn: a position between 0 and 1 goes up past 200 and comes straight
// back, so a car resting on a tile edge stays in one tile instead of flickering between two.
void WrapTile(f32& inTile, i16& tileIndex) {
    if (inTile < 1) {
        inTile += TileSize;
        tileIndex = static_cast<i16>(tileIndex - 1);
    }
    if (inTile > TileSize) {
        inTile -= TileSize;
        tileIndex = static_cast<i16>(tileIndex + 1);
    }
}

}  // namespace

void DriveCars() {
    for (int car = 0; car <= Race.LastCarIndex; ++car) {
        CarRecord& c = Cars[car];
        Steering(c);
        Grip(c);
        PedalStep(c, car);
        if (IsTrue(c.Brake)) BrakeStep(c);
        // A burning car brakes on its own, on top of any brake already applied.
        if (c.FxState == FxExploding) BrakeStep(c);
        if (IsTrue(c.Skidding)) SkidStep(car);
        if (c.Gear == GearDrive && c.Speed > DriveLimit(car)) c.Speed = DriveLimit(car);
    }
}

void MoveCars() {
    for (int car = 0; car <= Race.LastCarIndex; ++car) {
        CarRecord& c = Cars[car];
        if (c.Status == StatusOut) continue;
        if (c.Gear == GearPark) {
            c.VelX = 0;
            c.VelY = 0;
            c.Speed = 0;
        }
        if (c.Gear == GearReverse) DirSign[car] = -1;
        if (c.Gear == GearDrive) DirSign[car] = 1;
        c.CourseY += DirSign[car] * c.VelY;
        c.CourseX += DirSign[car] * c.VelX;
        // The player's car stays put on the play area; the view scrolls round it.
        if (car != 0) {
            c.ScreenY += DirSign[car] * c.VelY;
            c.ScreenX += DirSign[car] * c.VelX;
        }
    }
    for (int car = 0; car <= Race.LastCarIndex; ++car) {
        CarRecord& c = Cars[car];
        if (car != 0 && c.Status == StatusOut) continue;
        c.TileX += DirSign[car] * c.VelX;
        c.TileY += DirSign[car] * c.VelY;
        WrapTile(c.TileX, c.TileCol);
        WrapTile(c.TileY, c.TileRow);
    }
}
