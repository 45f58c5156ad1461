// The race: the race window and its widgets, the race loop and lap line, the race view
// (camera, background, sprites), lap timing and the heads-up panel, the driver's keys and
// the race screen's pictures. Also the game-wide settings, which the race reads.
//
// The race knows nothing of the career, the shop or the front end above it: RunRace
// returns a report and the career or app/ decide what follows (a prize, the next course);
// the pre-race panel's buttons are bound by app/ too.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "cars/cars.h"
#include "course/course.h"
#include "platform/platform.h"

// ---------------------------------------------------------------------------------
// Game-wide settings (race_loop.cpp): held in memory only, from their defaults at every
// run; the options screen changes them, the race and the career set-up read them.
// ---------------------------------------------------------------------------------

struct GameSettings {
    f32 Difficulty = 1.2f;  // 1.2 Normal, 0.2 Easy
    i16 ColourDepth = 8;    // 8 or 16
    i16 ViewSizeMode = 2;   // 2: the 550 x 550 view
};
extern GameSettings Settings;
constexpr f32 DifficultyNormal = 1.2f;
constexpr f32 DifficultyEasy = 0.2f;

// ---------------------------------------------------------------------------------
// The race window and its parts (race_window.cpp)
// ---------------------------------------------------------------------------------

extern Form* RaceWindow;
extern Control* BlackOutBox;      // black backdrop before a race
extern Control* FlashBox;         // the pre-race panel, 641 x 465
extern Control* CourseField;      // "COURSE 1"
extern Control* BigMapBox;        // the whole-course picture
extern Control* CourseNameField;
extern Control* LapsField;
extern Control* Label16;          // Start
extern Control* Label17;          // Shop
extern Control* Label19;          // Save Career
extern Control* Label18;          // Quit
extern Control* msg_FlashScreen;  // one-line status under the buttons
extern Control* PlayArea[2];      // visible course view and its back buffer
extern Control* PopBox;           // the start-light box
extern Control* Light[3];         // top red, middle yellow, bottom green
extern Control* MiniView[2];      // full course map (hidden) and the 153 x 123 window

constexpr Colour ButtonNormal = RGB(0, 128, 0);
constexpr Colour ButtonLit = RGB(0, 192, 0);

// Creates the race window (once per window system) and runs its load handler. The four
// buttons get their Click handlers from app/.
void LoadRaceWindow();
// Shows the pre-race panel for the loaded course over the black backdrop.
void ShowPreRacePanel();
// The panel's columns beside the course picture: the driver's name and cash, and the
// condition of his car's body, engine and tyres in percent of their maximum.
void ShowDriverOnPanel(const std::string& name);

// ---------------------------------------------------------------------------------
// Running a race (race_loop.cpp; its race-wide state, Race, is on the cars' floor)
// ---------------------------------------------------------------------------------

extern i16 ViewOriginX;  // course offsets of the mini-map, set by the grid placement
extern i16 ViewOriginY;
extern CarRecord MapBlips[MaxCars];  // mini-map markers: ScreenX/Y, size, SheetX/Heading cell

// Frame length and light length, milliseconds.
constexpr int FrameMs = 30;
constexpr int LightMs = 1000;

// Finishers in the order they crossed the line for the last time, with their race time
// from green; then the cars still out on the course when the race ended, and last the
// wrecks, each group by how far round the course it got.
enum class Finish : i16 { Home, Running, Out };
struct ResultRow {
    int Car = 0;
    Finish How = Finish::Running;
    f32 Time = 0;  // seconds from green to the last crossing; only for Finish::Home
};
struct RaceResults {
    ResultRow Rows[MaxCars];
    int Count = 0;
    f32 BestLap = 0;  // the player's fastest lap, 0 when he completed none
    i32 Prize = 0;    // what the player was paid for his place
};
// What a race is run with. The grid, the course and the cars are set up before; this says
// who takes part. A race pays nothing and moves nothing whatever it is run for.
struct RaceSetup {
    i16 LastCarIndex = 8;  // 0: the player alone on the course
};
// What a race left: how it ended, the finishing order with times and the player's best
// lap, his place when he came home in the placings, and the cash he picked up on the way.
struct RaceReport {
    ::Outcome Outcome = ::Outcome::Running;
    i16 Place = 0;  // the finish count when it ended: 1 to 3 for a placed finish
    int Frames = 0;
    RaceResults Results;
    i32 PickupCash = 0;
};
// Plays one race from the start lights to the result.
RaceReport RunRace(const RaceSetup& setup);
// RunRace's two halves for a caller that runs the frames itself (the fast-run search):
// the screen and the start lights up to green, and the rules of one frame in their
// order, without its picture, its wait or its keys.
void BeginRace(const RaceSetup& setup);
void RunFrameRules();
// True from the moment RunRace prepares the screen until it returns: what a script waits
// on when it waits for a race to end.
extern bool RaceInProgress;
// Everything a frame's rules read or write, cars 0 to 8: a caller that runs the frames
// itself can go back to a moment and race on from it differently.
constexpr int MomentCars = 9;
struct RaceMoment {
    CarRecord Car[MomentCars];
    i16 Sign[MomentCars];
    Pickup Cash[PickupCount];
    RaceState State;
    i16 ContactFlag, BlockFlag;
    f32 ScrollLeft, ScrollTop;
    std::uint64_t Random;
};
RaceMoment TakeRaceMoment();
void RestoreRaceMoment(const RaceMoment& moment);
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

// Who watches a race (a trace, a session, the frame statistics, a recorder): each is told
// after every frame and once when the frame loop has ended, before the sounds stop. Any
// number watch at once; a watch ends with its object.
class RaceWatch {
public:
    explicit RaceWatch(std::function<void()> afterFrame, std::function<void()> ended = {});
    ~RaceWatch();
    RaceWatch(const RaceWatch&) = delete;
    RaceWatch& operator=(const RaceWatch&) = delete;

private:
    int Slot;
};

// ---------------------------------------------------------------------------------
// Results board (results.cpp): the finishing order of a race that was run to its end,
// shown before the pre-race panel of what follows.
// ---------------------------------------------------------------------------------

extern RaceResults LastResults;

// The race loop's part: the clock at green, each finisher's time as it comes home (every
// frame, after the lap line), and the order once the frame loop is over.
void StartResults();
void NoteFinishers();
void TakeResults();
// The time as the HUD writes times ("83.47"), or "out", or "did not finish".
std::string ResultTime(const ResultRow& row);
// The computer drivers' names; the player's comes from the career.
std::string DriverName(int car, const std::string& playerName);

// The board over the race window until a key, a click or 8 seconds pass. It waits in the
// window system's turns, and a quit ends it at once.
constexpr int ResultsShowMs = 8000;
extern Form* ResultsBoard;  // its window while it is up, else nullptr
void ShowResultsBoard(const std::string& playerName);
bool ResultsBoardShown();

// ---------------------------------------------------------------------------------
// Race view (view.cpp)
// ---------------------------------------------------------------------------------

extern f32 ScrollX;  // course position of the view's top-left corner
extern f32 ScrollY;
extern i16 ViewLeft;  // 75: the base of the camera thresholds and the lap line
extern i16 ViewTop;
// Whether the race composes its pictures at all. Drawing only reads the race, so a
// headless race that keeps no picture turns it off and runs the same race faster.
extern bool DrawingEnabled;

void ScrollView();
// The back buffer the view is composed in: PlayArea(1)'s picture, or a 550 x 550 surface
// of the view's own while there is no race window (tests, benchmarks).
Surface& RaceViewSurface();
void DrawBackground();
void DrawSprites();
// The animation steps the picture shows (contact puffs, explosions, which take a burnt-out
// car out of the race) and the start of the finish wait. Run once per frame right after
// the drawing, whether or not anything is drawn.
void AdvanceEffects();
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
void ShowPlayerCash(const std::string& text);  // CashField2
// Cash as every screen writes it: whole dollars, "$1300".
std::string CashCaption(i32 cash);
void SetDamageBar(double twips);               // DamFill (and DamBack where asked)
void SetDamageBack(double twips);
// Both damage bars from the player's Body, as a race starts.
void ShowDamageAtStart();
// DamFill follows the player's Body once it has changed; a wreck keeps the last width.
void UpdateDamageBar();
void ShowGas();  // a full tank fills the bar
void SetSpeedBar(double twips);
// A lap field that this race has not timed yet.
constexpr const char* NoLapTime = "--.--";
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
// A pad's buttons stand for the keyboard's race keys (the d-pad steers, the south button
// or the right trigger accelerates, the east button or the left trigger brakes, the west
// button or a shoulder sets cruise control, Start is P). A race key is let go only when
// every key that holds it is up.
void RaceKeyDown(int keyCode);
void RaceKeyUp(int keyCode);
// Forgets the keys held: a new race window has heard none go down.
void ReleaseRaceKeys();
// A new file in the screenshots folder (created when missing), named by the local date
// and time: "screenshots/2026-12-06_15-33-01.bmp", then "-2", "-3" within one second.
std::string ScreenshotPath();

// ---------------------------------------------------------------------------------
// Race screen pictures (sheets.cpp)
// ---------------------------------------------------------------------------------

extern Surface Pics;           // 360 x 2000: car sprites, mask column at x 80
extern Surface AniPics;        // 500 x 650: smoke, markers, banners, pickup
extern Surface ExplosionPics;  // 1702 x 100
extern Surface ExplosionMask;  // 1702 x 100
extern Surface MapPic;         // 4400 x 210: tile t at (200 t, 0)
void LoadRaceSheets();
// Each computer car in colours of its own: car i's 20 headings in the 80-wide column
// (i - 1) mod 8, drawn through the car sheet's shared mask. Empty when the picture is not
// there, and the computer cars then share the car sheet's column.
constexpr int RivalColumns = 8;
extern Surface RivalPics;  // 640 x 1000
void LoadRivalColours();
