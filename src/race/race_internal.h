// The race's own plumbing, for the files of race/ (and its tests) only: the widgets of
// the heads-up panel and the pre-race panel, the lap line, the results' bookkeeping, the
// pause, the race clock and the drawing helpers. Callers above use race.h.
#pragma once

#include <bitset>

#include "race/race.h"

// ---------------------------------------------------------------------------------
// The race window and its parts (race_window.cpp)
// ---------------------------------------------------------------------------------

extern Control* FlashBox;         // the pre-race panel, 641 x 465
extern Control* CourseField;      // "COURSE 1"
extern Control* CourseNameField;
extern Control* LapsField;
constexpr Colour ButtonNormal = RGB(0, 128, 0);
constexpr Colour ButtonLit = RGB(0, 192, 0);

// ---------------------------------------------------------------------------------
// Running a race (race_loop.cpp; its race-wide state, Race, is on the cars' floor)
// ---------------------------------------------------------------------------------

constexpr int LightMs = 1000;  // each start light, milliseconds
void CheckLapLine(int car);
// Stops every car's engine, hit, crash and skid sound and the explosion sound 0.
void StopRaceSounds();
// P pauses a race once the lights are out and P again resumes it. While it is paused no
// car moves, the race clock stands still and the race sounds are silent; Escape then
// abandons the race. A P that reaches the race before its second frame (one pressed
// during the lights arrives only then) is ignored.
void TogglePause();
// Escape asks before a race is left: the first pauses it (during the lights, from its
// first frame) with "Esc again to leave" in the pause box, and an Escape while paused, by
// either key, abandons it. On the pre-race panel, or once the race is decided, Escape does
// nothing. Race.LeftByPlayer tells such an end from a burnt-out car's.
void AskToLeave();
// The clock every lap time, the lights box and the finish wait read: Timer() less the
// time this race has spent paused, so a pause costs no driver a second.
f32 RaceClock();
extern Control* PauseBox;  // "PAUSED" over the course view (hud.cpp)
// The race loop's part: the clock at green, each finisher's time as it comes home (every
// frame, after the lap line), and the order once the frame loop is over.
void StartResults();
void NoteFinishers();
void TakeResults();
// The board over the race window until a key, a click or 8 seconds pass. It waits in the
// window system's turns, and a quit ends it at once.
constexpr int ResultsShowMs = 8000;
extern Form* ResultsBoard;  // its window while it is up, else nullptr

// ---------------------------------------------------------------------------------
// Race view (view.cpp)
// ---------------------------------------------------------------------------------

void ScrollView();
// Draws a masked sprite: the mask with SRCPAINT, then the picture with SRCAND.
void DrawMasked(Surface& target, double x, double y, int w, int h, const Surface& sheet,
                int pictureX, int pictureY, const Surface& maskSheet, int maskX, int maskY);

// ---------------------------------------------------------------------------------
// Heads-up panel and pickups (hud.cpp)
// ---------------------------------------------------------------------------------

// Builds the heads-up panel's controls on the race window (called by its load).
void CreateHud(Form* raceWindow);
// The note that names a screenshot, at the foot of the panel: made last, so that it shows
// over the pre-race panel's backdrop too, and gone a few seconds after it was written.
constexpr std::uint32_t ShotNoteMs = 4000;
extern Control* ShotNote;
void CreateShotNote(Form* raceWindow);
void ShowShotNote(const std::string& text);
// The "PAUSED" notice, hidden, over the course view.
void CreatePauseBox(Form* raceWindow, Control* view);
// Moves the notice into the half of the view the player's car is not in.
void PlacePauseBox();
void TestPickup(int car, int pickup);
// Cash as every screen writes it: whole dollars, "$1300".
std::string CashCaption(i32 cash);
void SetDamageBar(double twips);               // DamFill (and DamBack where asked)
void SetDamageBack(double twips);
// DamFill follows the player's Body once it has changed; a wreck keeps the last width.
void UpdateDamageBar();
void SetSpeedBar(double twips);
// A lap field that this race has not timed yet.
constexpr const char* NoLapTime = "--.--";
void ShowLapTime(f32 seconds);
void ShowLastLap(f32 seconds);
void ShowBestLap(f32 seconds);
extern Control* CashField2;
extern Control* DamBack;
extern Control* SpeedBack;
extern Control* SpeedBar;
extern Control* GasBar;
extern Control* LapTimeField;
extern Control* LastLapField;
extern Control* BestTimeField;  // kept to its rule but not shown
// Where the player stands (standing.cpp), shown beyond the lap-time fields: the lap being
// driven, the place in the race and the fastest lap driven so far (blank until one is).
// All of it only reads the race.
extern Control* LapField;      // "Lap 2/3"
extern Control* PlaceField;    // "Pos 3/9"
extern Control* BestLapShown;  // the fastest lap, whatever its length
// Follows the course's road from the start tile (the route positions are measured on),
// clears the lap times and shows the standing on the grid. Run as a race starts.
void ShowStandingAtStart();
void TraceCourseRoute();
// Every frame, after the cars have moved.
void ShowStanding();
// How far car i is into the race in tiles of road: laps times the route's length plus
// the distance past the lap line. Negative on the grid behind the line.
f32 CourseProgress(int car);
// 1 leading; the place the rules gave once the player is home; wrecked cars count last.
i16 PlayerPlace();
// The player's fastest lap of this race as the panel shows it, 0 before the first.
f32 FastestPlayerLap();

// ---------------------------------------------------------------------------------
// Driver controls (controls.cpp)
// ---------------------------------------------------------------------------------

extern i16 ScreenshotCounter;
// The keys held, kept aside while the ghost is raced on the same handlers.
std::bitset<256> HeldRaceKeys();
void HoldRaceKeys(const std::bitset<256>& keys);

// ---------------------------------------------------------------------------------
// The ghost (ghost.cpp)
// ---------------------------------------------------------------------------------

// True while the ghost is raced: the lap line and the pickups then tell the HUD nothing.
extern bool GhostRacing;
// Races the ghost from the grid as the race starts, and puts the race back.
void RaceGhost();
// The ghost at the race's frame, under the cars.
void DrawGhost(Surface& view);
// A new file in the screenshots folder (created when missing), named by the local date
// and time: "screenshots/2026-12-06_15-33-01.bmp", then "-2", "-3" within one second.
std::string ScreenshotPath();

// ---------------------------------------------------------------------------------
// Race screen pictures (sheets.cpp)
// ---------------------------------------------------------------------------------

// Each computer car in colours of its own: car i's 20 headings in the 80-wide column
// (i - 1) mod 8, drawn through the car sheet's shared mask. Empty when the picture is not
// there, and the computer cars then share the car sheet's column.
constexpr int RivalColumns = 8;
extern Surface RivalPics;  // 640 x 1000
void LoadRivalColours();
