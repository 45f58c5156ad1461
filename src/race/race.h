// The race: the race loop and lap line, the race view (camera, background, sprites), lap
// timing and the heads-up panel, the driver's keys and the race screen's pictures.
#pragma once

#include <string>

#include "cars/cars.h"
#include "platform/platform.h"

// ---------------------------------------------------------------------------------
// Race-wide state (race_loop.cpp)
// ---------------------------------------------------------------------------------

constexpr i16 OutcomeRunning = 0;
constexpr i16 OutcomePlaced = 5;
constexpr i16 OutcomeAbandoned = 10;
constexpr i16 OutcomeNotPlaced = 15;

extern i16 RaceOutcome;
extern f32 LapStartTime;
extern f32 BestLapTime;
extern f32 FinishTime;
extern i16 FinishCount;
extern i16 PairContactFlag;
extern i16 PairBlockFlag;
extern i16 ViewOriginX;  // course offsets of the mini-map, set by the grid placement
extern i16 ViewOriginY;
extern CarRecord MapBlips[MaxCars];  // mini-map markers: ScreenX/Y, size, SheetX/Heading cell
extern int RaceFrame;   // frames run since the green light (1 = the first frame)

// Frame length and light length, milliseconds.
constexpr int FrameMs = 30;
constexpr int LightMs = 1000;

void RunRace();
void CheckLapLine(int car);
// Prize for a placed finish: 1200, 750, 300 for 1st, 2nd, 3rd; nothing otherwise.
i32 PrizeFor(i16 place);
// Stops every car's engine, hit, crash and skid sound and the explosion sound 0.
void StopRaceSounds();

// Called after every frame (the headless simulation's trace and snapshots).
extern void (*AfterRaceFrame)();
// Called once when the frame loop has ended, before the sounds stop and the outcome is
// handled (the headless simulation reports the race from here).
extern void (*RaceEnded)();
// An outcome the end of the race ignores: the headless frame limit stops a race with it.
constexpr i16 OutcomeStopped = -1;

// ---------------------------------------------------------------------------------
// Race view (view.cpp)
// ---------------------------------------------------------------------------------

extern f32 ScrollX;  // course position of the view's top-left corner
extern f32 ScrollY;
extern i16 ViewLeft;  // 75: the base of the camera thresholds and the lap line
extern i16 ViewTop;

void ScrollView();
// The back buffer the view is composed in: PlayArea(1)'s picture, or a 550 x 550 surface
// of the view's own while there is no race window (tests, benchmarks).
Surface& RaceViewSurface();
void DrawBackground();
void DrawSprites();
// Draws a masked sprite: the mask with SRCPAINT, then the picture with SRCAND.
void DrawMasked(Surface& target, double x, double y, int w, int h, const Surface& sheet,
                int pictureX, int pictureY, const Surface& maskSheet, int maskX, int maskY);

// ---------------------------------------------------------------------------------
// Heads-up panel and pickups (hud.cpp)
// ---------------------------------------------------------------------------------

// Builds the heads-up panel's controls on the race window (called by its load).
void CreateHud(Form* raceWindow);
void TestPickup(int car, int pickup);
void ShowPlayerCash(const std::string& text);  // CashField2
void SetDamageBar(double twips);               // DamFill (and DamBack where asked)
void SetDamageBack(double twips);
void SetSpeedBar(double twips);
void ShowLapTime(f32 seconds);
void ShowLastLap(f32 seconds);
void ShowBestLap(f32 seconds);

extern Control* HudFrame;
extern Control* PlayerNameField2;
extern Control* CashField2;
extern Control* DamBack;
extern Control* DamFill;
extern Control* SpeedBack;
extern Control* SpeedBar;
extern Control* GasBar;
extern Control* LapTimeField;
extern Control* LastLapField;
extern Control* BestTimeField;

// ---------------------------------------------------------------------------------
// Driver controls (controls.cpp)
// ---------------------------------------------------------------------------------

extern i16 ScreenshotCounter;
void RaceKeyDown(int keyCode);
void RaceKeyUp(int keyCode);
// The folder screenshots go to: "screenshots" beside the program, created when missing.
std::string ScreenshotPath(i16 counter);

// ---------------------------------------------------------------------------------
// Race screen pictures (sheets.cpp)
// ---------------------------------------------------------------------------------

extern Surface Pics;           // 360 x 2000: car sprites, mask column at x 80
extern Surface AniPics;        // 500 x 650: smoke, markers, banners, pickup
extern Surface ExplosionPics;  // 1702 x 100
extern Surface ExplosionMask;  // 1702 x 100
extern Surface MapPic;         // 4400 x 210: tile t at (200 t, 0)
void LoadRaceSheets();
