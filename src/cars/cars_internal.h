// The car rules' own plumbing, for the files of cars/ (and their tests) only: the pair
// flags, the heading tables, walls, contacts and damage, the revving grid. The race and
// everything above use cars.h.
#pragma once

#include "cars/cars.h"

// ---------------------------------------------------------------------------------
// The car record and the race-wide state (cars.cpp)
// ---------------------------------------------------------------------------------

constexpr CarStatus StatusAtWall = CarStatus::AtWall;  // only ever inside the wall step
// The heading's frame 0..19, or -1 when the heading is not an exact frame.
int HeadingFrame(const CarRecord& c);
// One frame clockwise or anticlockwise, 19 and 0 wrapping round to each other.
void TurnOneFrame(CarRecord& c, bool clockwise);

// ---------------------------------------------------------------------------------
// Car motion (motion.cpp)
// ---------------------------------------------------------------------------------

// Velocity factors per heading frame while a car grips: VelX = Speed x fx, VelY = Speed x fy.
struct HeadingFactor {
    f32 X, Y;
};
extern const HeadingFactor HeadingVelocity[HeadingFrames];
f32 DriveLimit(int car);  // TopSpeed - (100 - Engine)

// ---------------------------------------------------------------------------------
// Computer drivers (opponents.cpp)
// ---------------------------------------------------------------------------------

void DriveOpponent(int car);  // one car by the computer drivers' rules (also the autopilot)

// ---------------------------------------------------------------------------------
// Walls, contacts, damage and wrecks (walls.cpp, contact.cpp, damage.cpp)
// ---------------------------------------------------------------------------------

extern i16 PairContactFlag;  // the pair being checked touched
extern i16 PairBlockFlag;    // the car being checked is about to run into a slower one
i16 HeadingClass(int car);  // 0 N, 1 S, 2 E, 3 W, 5 NE, 7 SE, 6 SW, 4 NW, 50 other
void CarContact(int a, int b);
void AvoidCheck(int a, int b);
void ApplyDamage(f32 amount, int car);
void TyreWear(i16 amount, int car);
void PlayerWreck();
// Play-area distance from the player's car, |dx| + |dy|, the base of every race sound's volume.
f32 DistanceFromPlayer(int car);

// ---------------------------------------------------------------------------------
// Car sounds (car_sounds.cpp)
// ---------------------------------------------------------------------------------

extern i32 RevPosition[SoundSlots];
extern i16 RevStep[SoundSlots];
