// Start-up and the race window's screen flow: the pre-race panel with Start, Shop,
// Save Career and Quit, the hidden pointer during a race, and the way back to the
// front end. Also the command line of the program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

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

// Creates the race window (once) and runs its load handler.
void LoadRaceWindow();
void StartClick();
void ShopClick();
void SaveCareerClick();
void QuitClick();
void ReturnToFrontEnd();

// ---------------------------------------------------------------------------------
// Start-up (main.cpp, game_main.cpp)
// ---------------------------------------------------------------------------------

// The windowed game: front end (or, until it exists, a new career) and the event loop.
int Main();
// The arguments Main reads (--mute, --name, --data-dir, --help).
void SetCommandLine(int argc, char** argv);
// The headless simulation of one race; returns the exit status.
int RunHeadlessSimulation(int argc, char** argv);
// Set by --name (empty: the front end or the draw between "Gustav" and "Nadine").
extern std::string StartName;

// ---------------------------------------------------------------------------------
// The command line (options.cpp)
// ---------------------------------------------------------------------------------

struct Snapshot {
    int Frame;
    std::string File;
};

struct GameOptions {
    bool Headless = false;
    bool Help = false;
    bool Mute = false;
    bool HasName = false;
    std::string Name;
    std::string DataDir;
    // Headless simulation only
    int Course = 1;
    std::uint64_t Seed = 1;
    bool Easy = false;
    std::string InputFile;
    std::string TraceFile;
    int MaxFrames = 20000;  // ten minutes of racing: a race nobody finishes still ends
    std::vector<Snapshot> Snapshots;
    bool Autopilot = false;
};

// Reads argv into the options; on a bad argument returns false with a one-line reason.
bool ParseOptions(int argc, char** argv, GameOptions& options, std::string& error);
std::string UsageText();

// One line of a --input script: at frame Frame the key goes down or up.
struct ScriptedKey {
    int Frame;
    bool Down;
    int KeyCode;
};
// Parses a --input script; on a bad line returns false with the line number and reason.
bool ParseKeyScript(const std::string& text, std::vector<ScriptedKey>& keys, std::string& error);
