// Cars: the car record shared by every car in a race, car motion, the computer drivers,
// walls, car contacts, damage, wrecks and the car sounds.
//
// Plain records in a fixed array, worked on by index: car 0 is the player, cars 1 to
// Race.LastCarIndex the computer drivers. Every velocity, rate and wear is per frame.
#pragma once

#include "numeric/numeric.h"
#include "sound/sound.h"

// ---------------------------------------------------------------------------------
// The car record
// ---------------------------------------------------------------------------------

// Where a car stands in its race.
enum class CarStatus : i16 { Racing = 0, AtWall = 1, Out = 2, Finished = 3 };

struct CarRecord {
    f32 ScreenX = 0;       // sprite top-left on the play area
    f32 ScreenY = 0;
    f32 CourseX = 0;       // position on the course, pixels
    f32 CourseY = 0;
    i16 SpriteWidth = 0;   // 80
    i16 SpriteHeight = 0;  // 50, also the heading step
    f32 VelX = 0;          // pixels per frame, before DirSign
    f32 VelY = 0;          // positive = south
    f32 Speed = 0;
    f32 Accel = 0;
    f32 CruiseSpeed = 0;
    i16 Heading = 0;       // frame x SpriteHeight, frame 0 north, clockwise
    i16 SheetX = 0;        // picture column in the car sheet: 0 player, 160 computer cars
    i16 Pedal = 0;         // PedalThrottle, PedalOff, PedalCruise
    u8 Steer = 0;          // SteerRight, SteerLeft, SteerStraight
    u8 Gear = 0;           // GearDrive, GearReverse, GearPark
    u8 SteerCount = 0;
    i16 Brake = 0;         // boolean
    i16 TopSpeed = 0;
    i16 TileCol = 0;
    i16 TileRow = 0;
    i16 Skidding = 0;      // boolean
    i16 Drift = 0;         // never negative
    f32 Tyres = 0;
    i16 TyresMax = 0;
    f32 TileX = 0;         // position inside the tile, kept in (1, 200]
    f32 TileY = 0;
    i16 AiTarget = 0;      // computer driver's cruising speed
    CarStatus Status{};    // StatusRacing, StatusAtWall, StatusOut, StatusFinished
    f32 Gas = 0;
    f32 Body = 0;
    i16 BodyMax = 0;
    f32 Engine = 0;        // 1..100; every point below 100 costs one unit of speed
    i16 EngineMax = 0;
    i16 AiMode = 0;        // compass class the computer driver is to travel in
    i16 AiTurn = 0;        // compass class in which it entered its last corner
    i16 Blocked = 0;       // boolean: about to run into a slower car ahead
    u8 SmokeTick = 0;      // 0 no smoke; 1..3 frame of the contact puff
    i16 SmokeFrameX = 0;
    i16 LapCount = 0;
    i16 LapCountHigh = 0;
    i32 Cash = 0;
    i16 TyresLevel = 0;
    i16 BodyLevel = 0;
    i16 EngineLevel = 0;
    i16 FxState = 0;       // 4 while exploding
    i16 BlastFrameX = 0;
    i16 BlastFrameY = 0;
    i16 BlastTick = 0;
};

constexpr int MaxCars = 51;
static_assert(SoundSlots <= MaxCars, "cars 0..SoundSlots-1 have sound buffers of their own");

extern CarRecord Cars[MaxCars];
extern i16 DirSign[MaxCars];  // +1 Drive or Park, -1 Reverse

// Cash stops growing at 99999 wherever it is earned (prizes, pickups), so that it always
// fits the five digits the career file gives it; the HUD then shows 99999.
constexpr i32 CashCap = 99999;
void EarnCash(int car, i32 amount);

// The driver's inputs.
constexpr u8 SteerRight = 0;
constexpr u8 SteerLeft = 1;
constexpr u8 SteerStraight = 2;
constexpr i16 PedalThrottle = 0;
constexpr i16 PedalOff = 1;
constexpr i16 PedalCruise = 3;
constexpr u8 GearDrive = 0;
constexpr u8 GearReverse = 1;
constexpr u8 GearPark = 2;

// Status values, numbered as traces and career files show them.
constexpr CarStatus StatusRacing = CarStatus::Racing;
constexpr CarStatus StatusOut = CarStatus::Out;
constexpr CarStatus StatusFinished = CarStatus::Finished;
constexpr i16 FxExploding = 4;

// Headings: 20 frames clockwise from north, stored as frame x SpriteHeight.
constexpr int HeadingFrames = 20;

// ---------------------------------------------------------------------------------
// Race-wide state (cars.cpp): one record that the race loop clears as a whole when a race
// starts, so that no count or time of the last race can leak into the next. It lives on
// the cars' floor because the car rules end a race (a burnt-out player) and read its frame.
// ---------------------------------------------------------------------------------

// How a race ended. The numbers are the ones traces, reports and dumps show.
enum class Outcome : i16 {
    Stopped = -1,  // cut short from outside (a headless frame limit): nothing follows it
    Running = 0,
    Placed = 5,
    Abandoned = 10,  // left by the player, or his car burnt out
    NotPlaced = 15,
};

struct RaceState {
    ::Outcome Outcome = ::Outcome::Running;
    int Frame = 0;            // frames run since the green light (1 = the first frame)
    i16 LastCarIndex = 0;     // cars 0..LastCarIndex take part
    f32 LapStartTime = 0;     // race clock at green, then at the player's last lap
    f32 BestLapTime = 30.0f;  // a lap counts as the best only once it beats 30 seconds
    f32 FinishTime = 0;       // race clock when the player came home; 0 until then
    i16 FinishCount = 0;      // cars home so far; 10 once three rivals beat the player
    bool Paused = false;
    bool LeftByPlayer = false;  // the player left it (rather than his car burning out)
    f32 PausedSeconds = 0;      // taken off every clock reading of the race
};
extern RaceState Race;

// ---------------------------------------------------------------------------------
// Car motion (motion.cpp)
// ---------------------------------------------------------------------------------

void DriveCars();  // inputs -> heading, speed, drift, skid and velocity, cars 0..LastCarIndex
// Displacement over course, play area and tiles. The player's car stays put on the play
// area: the race loop scrolls the view round it afterwards.
void MoveCars();

// ---------------------------------------------------------------------------------
// Computer drivers (opponents.cpp)
// ---------------------------------------------------------------------------------

void DriveOpponents();      // cars 1..LastCarIndex

// The headless autopilot: car 0 driven by the computer drivers' rules, for tests, demos
// and course design. Never on in a normal game.
extern bool AutopilotEnabled;
void DriveAutopilot();  // after DriveOpponents; does nothing unless enabled

// ---------------------------------------------------------------------------------
// Walls, contacts, damage and wrecks (walls.cpp, contact.cpp, damage.cpp)
// ---------------------------------------------------------------------------------

void CheckWalls();
// Car i's checks against every car near it, which the race runs for each car in turn:
// contacts, and whether it must brake for a slower car just ahead (then it is Blocked,
// off the throttle and braking until a later check finds the way clear).
void CarPairs(int i);
void OpponentWreck(int car);

// ---------------------------------------------------------------------------------
// Car sounds (car_sounds.cpp)
// ---------------------------------------------------------------------------------

void CarSounds(int car);
// The engine revving on the grid: `steps` moves of the play position up and down the
// rising note, then the sound is set there once.
void GridRev(int car, int steps = 1);
