// The race: the race window and its widgets, the race loop and lap line, the race view
// (camera, background, sprites), lap timing and the heads-up panel, the driver's keys and
// the race screen's pictures.
//
// The race knows nothing of the career, the shop or the front end above it: RunRace
// returns a report and the career or app/ decide what follows (a prize, the next course);
// the pre-race panel's buttons are bound by app/ too.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cars/cars.h"
#include "course/course.h"
#include "platform/platform.h"
#include "settings/settings.h"

// ---------------------------------------------------------------------------------
// The race window and its parts (race_window.cpp)
// ---------------------------------------------------------------------------------

extern Form* RaceWindow;
extern Control* BlackOutBox;      // black backdrop before a race
extern Control* BigMapBox;        // the whole-course picture
extern Control* PlayArea[2];      // visible course view and its back buffer
extern Control* PopBox;           // the start-light box
extern Control* Light[3];         // top red, middle yellow, bottom green
extern Control* MiniView[2];      // full course map (hidden) and the 153 x 123 window

// The pre-race panel's buttons and status line by what they do; scripts, dumps and the
// window system know each by the name beside it.
struct PreRacePanel {
    Control* Start = nullptr;       // "Label16"
    Control* Shop = nullptr;        // "Label17"
    Control* SaveCareer = nullptr;  // "Label19"
    Control* Quit = nullptr;        // "Label18"
    Control* Status = nullptr;      // "msg_FlashScreen": one line under the buttons
    Control* Title = nullptr;       // "CourseField": "Course3" above the course's name
};
extern PreRacePanel Panel;

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

// Frame length, milliseconds.
constexpr int FrameMs = 30;

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
    std::string RecordNote;  // "New course record" and the like, set by who keeps records
};
// What a race is run with. The grid, the course and the cars are set up before; this says
// who takes part. A race pays nothing and moves nothing whatever it is run for.
struct RaceSetup {
    i16 LastCarIndex = 8;  // the player and eight computer drivers; 0: the player alone
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
    f32 ScrollLeft, ScrollTop;
    std::uint64_t Random;
};
RaceMoment TakeRaceMoment();
void RestoreRaceMoment(const RaceMoment& moment);

// Who watches a race (the headless trace and report, a test's script, a recorder): each
// is told after every frame and once when the frame loop has ended, before the sounds
// stop. Any number watch at once; a watch ends with its object.
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
// The ghost (ghost.cpp): a course record's run, raced again by its keys alone as each race
// starts and drawn half-transparent where it was at the same frame. It never collides, is
// never counted or heard, and the live race is the same with it or without it.
// ---------------------------------------------------------------------------------

// One of the driving keys (Up Down Left Right Space) reaching the race after the rules
// of frame Frame, the first after green being 1.
struct GhostKey {
    int Frame;
    bool Down;
    int KeyCode;
};
// Where a ghost from another career's car starts: that car on its grid place, and the
// view over it.
struct GhostStart {
    CarRecord Car;
    f32 ScrollLeft, ScrollTop;
};
// The ghost of the races that follow; with no start it drives the live player's car as
// it stands on the grid.
void SetGhost(std::vector<GhostKey> keys, const GhostStart* start);
void ClearGhost();
bool GhostSet();
// The player's driving keys since green, repeats included: a record's ghost.
extern std::vector<GhostKey> DrivenKeyList;

// ---------------------------------------------------------------------------------
// Results board (results.cpp): the finishing order of a race that was run to its end,
// shown before the pre-race panel of what follows.
// ---------------------------------------------------------------------------------

extern RaceResults LastResults;

// The time as the HUD writes times ("83.47"), or "out", or "did not finish".
std::string ResultTime(const ResultRow& row);
// The computer drivers' names; the player's comes from the career.
std::string DriverName(int car, const std::string& playerName);

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

// The back buffer the view is composed in: PlayArea(1)'s picture, or a 550 x 550 surface
// of the view's own while there is no race window (tests, benchmarks).
Surface& RaceViewSurface();
void DrawBackground();
void DrawSprites();
// The animation steps the picture shows (contact puffs, explosions, which take a burnt-out
// car out of the race) and the start of the finish wait. Run once per frame right after
// the drawing, whether or not anything is drawn.
void AdvanceEffects();

// ---------------------------------------------------------------------------------
// Heads-up panel and pickups (hud.cpp)
// ---------------------------------------------------------------------------------

void ShowPlayerCash(const std::string& text);  // CashField2
// Both damage bars from the player's Body, as a race starts.
void ShowDamageAtStart();
void ShowGas();  // a full tank fills the bar

extern Control* HudFrame;
extern Control* PlayerNameField2;
extern Control* DamFill;


// ---------------------------------------------------------------------------------
// Driver controls (controls.cpp)
// ---------------------------------------------------------------------------------

// A pad's buttons stand for the keyboard's race keys (the d-pad steers, the south button
// or the right trigger accelerates, the east button or the left trigger brakes, the west
// button or a shoulder sets cruise control, Start is P). A race key is let go only when
// every key that holds it is up.
void RaceKeyDown(int keyCode);
void RaceKeyUp(int keyCode);
// Forgets the keys held: a new race window has heard none go down.
void ReleaseRaceKeys();

// ---------------------------------------------------------------------------------
// Race screen pictures (sheets.cpp)
// ---------------------------------------------------------------------------------

extern Surface Pics;           // 360 x 2000: car sprites, mask column at x 80
extern Surface AniPics;        // 500 x 650: smoke, markers, banners, pickup
extern Surface ExplosionPics;  // 1702 x 100
extern Surface ExplosionMask;  // 1702 x 100
extern Surface MapPic;         // 4400 x 210: tile t at (200 t, 0)
void LoadRaceSheets();
