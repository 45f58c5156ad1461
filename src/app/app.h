// The top floor: start-up, the command line, the headless runner, and the screen flow
// that binds the pre-race panel's buttons to the race, the career, the shop and the
// front end. Only this floor picks a backend.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

// ---------------------------------------------------------------------------------
// Screen flow (screen_flow.cpp)
// ---------------------------------------------------------------------------------

// Creates the race window (once) and binds its four buttons to the handlers below.
void LoadRaceScreen();
// A new career for the driver in DriverNames[10], ready on the pre-race panel.
void BeginNewCareer();
// Runs the race, then sets up what its outcome leads to: the next course, the same one
// again, or the front end.
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
    std::string StatsFile;  // windowed game: --stats, a line per frame shown
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
