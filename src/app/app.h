// The top floor: start-up, the command line, the headless runner, and the screen flow
// that binds the pre-race panel's buttons to the race, the career, the shop and the
// front end. Only this floor picks a backend.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "career/career.h"
#include "cars/cars.h"
#include "platform/platform.h"

// ---------------------------------------------------------------------------------
// Screen flow (screen_flow.cpp)
// ---------------------------------------------------------------------------------

// Start-up's half of the flow: the front end, loaded and shown, with the career menus
// bound to the two procedures below.
void StartFrontEnd();
void InstallScreenFlow();
// Creates the race window (once) and binds its four buttons to the handlers below.
void LoadRaceScreen();
// A new career for the driver in DriverNames[PlayerNameEntry], ready on the pre-race panel; the front
// end is hidden.
void BeginNewCareer();
// The saved career of the driver in DriverNames[PlayerNameEntry]; false, with the front end still on
// screen, when it cannot be loaded.
bool BeginSavedCareer();
// Runs the race, then sets up what its outcome leads to: the next course, the same one
// again, or, after a message box saying why and what becomes of the career (back to its
// last save, or lost if never saved), the front end.
void StartClick();
// The outcome a script's dump shows: the race's own while one runs, then the last race's
// until the career has acted on it.
Outcome ShownOutcome();
void ShopClick();
void SaveCareerClick();
void QuitClick();
void ReturnToFrontEnd();

// ---------------------------------------------------------------------------------
// Start-up (main.cpp, game_main.cpp)
// ---------------------------------------------------------------------------------

// The windowed game: the front end and the event loop, until Exit or the window closes.
int Main();
struct GameOptions;
// What start-up does once a backend is installed, shared by the windowed game and the
// scripted session: the front end, with the New Driver box holding --name. Throws FileError.
void StartGame(const GameOptions& options);
// The arguments Main reads (--mute, --name, --data-dir, --help).
void SetCommandLine(int argc, char** argv);
// The headless simulation of one race; returns the exit status.
int RunHeadlessSimulation(int argc, char** argv);
// Its set-up, shared with the fast-run search: the race window on the headless backend,
// the cars of a new career or of --career, the course, the seed and the difficulty, up to
// the pre-race panel. Throws FileError, or std::runtime_error for a career it cannot load.
void SetUpHeadlessRace(const GameOptions& options);
// Set by --name: the New Driver box opens holding it (what the box accepts of it).
extern std::string StartName;

// ---------------------------------------------------------------------------------
// Course files (course_commands.cpp)
// ---------------------------------------------------------------------------------

// True when the command line asks for --export-course or --check-course.
bool IsCourseCommand(int argc, char** argv);
// --export-course N FILE: course N as a Tiled map; 0 done, 2 not. --check-course FILE: the
// computer drivers race it on seeds 1-8 and the fast-run search looks for a par time; 0
// when it can be raced (three rivals home on every seed, a run home for the player), 1
// when not, 2 when the file cannot be read.
int RunCourseCommand(int argc, char** argv);

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
    std::string CourseFile;  // every race on this course file (--course-file)
    // Headless simulation only
    int Course = 1;
    bool HasCourse = false;
    std::string CareerFile;  // the cars as a career file holds them, else a new career
    std::uint64_t Seed = 1;
    bool Easy = false;
    std::string InputFile;
    std::string TraceFile;
    int MaxFrames = 20000;  // ten minutes of racing: a race nobody finishes still ends
    std::vector<Snapshot> Snapshots;
    bool Autopilot = false;
    bool TimeTrial = false;   // the player alone, for the course's records
    bool GhostCheck = false;  // the record's ghost replayed
    // Scripted session only
    std::string SessionFile;
};

// Reads argv into the options; on a bad argument returns false with a one-line reason.
bool ParseOptions(int argc, char** argv, GameOptions& options, std::string& error);
std::string UsageText();
// Prints "gravel-ghosts: <problem>" to stderr and gives the exit status of a refused run (2).
int Fail(const std::string& problem);
// Reads the options for one of the entry points; when the run ends here (--help, or a bad
// argument, already reported) returns false with the exit status in status.
bool OptionsOrExit(int argc, char** argv, GameOptions& options, int& status);

// One line of a --input script: at frame Frame the key goes down or up.
struct ScriptedKey {
    int Frame;
    bool Down;
    int KeyCode;
};
// Parses a --input script; on a bad line returns false with the line number and reason.
bool ParseKeyScript(const std::string& text, std::vector<ScriptedKey>& keys, std::string& error);
// The script's name of a key ("Up"), empty for a key no script names.
std::string KeyScriptName(int keyCode);

// ---------------------------------------------------------------------------------
// Quick Race and Time Trial (course_races.cpp): one race on any course with the starting
// car, outside any career, for the course's records.
// ---------------------------------------------------------------------------------

// The seed a record's ghost is kept with (the race's random numbers at set-up).
extern std::uint64_t CourseRaceSeed;
// The ghost a Time Trial races against: the player's record run, or before there is one
// the course's proof run from runs/ ("par"); none when neither can be read. Loads the
// proof's career to put its car on the grid, so it comes before the race's own set-up.
void PrepareTrialGhost(const CourseKey& course, bool easy);
// A stored ghost: its keys, seed and difficulty. False when it is none the game wrote.
struct StoredGhost {
    std::vector<ScriptedKey> Keys;
    std::uint64_t Seed = 1;
    bool Easy = false;
};
bool ParseGhost(const std::string& text, StoredGhost& ghost);
// The new career's starting car on the course's grid (alone in a Time Trial), on the
// pre-race panel with the course's records; no career is touched.
void SetUpCourseRace(const CourseKey& course, RaceMode mode);
// Runs it; notes the records it set and tells them on the results board's note.
struct CourseRaceResult {
    RaceReport Report;
    RunTimes Times;
    RecordNews News;
};
CourseRaceResult RunCourseRace(const CourseKey& course, RaceMode mode, bool easy, bool keepRecords);
// The records line of the pre-race panel and the session dump: "Lap record 25.32 Gustav ·
// Race record 51.20 Gustav", or "No records yet".
std::string RecordsText(const CourseRecords& records);
// The course whose records the screen shows: the picker's choice while it is up, else the
// course in play.
CourseKey CourseOnScreen();
// The front end's Race on the course picker.
void BeginCourseRace(const CourseKey& course, bool timeTrial);
// Back on the menu: the course file a player's own course stood in for is in force again.
void PutBackCourseFile();

// ---------------------------------------------------------------------------------
// The scripted session (session.cpp, session_dump.cpp)
// ---------------------------------------------------------------------------------

// --headless --session FILE: the whole game from start-up on the headless backend and its
// virtual clock, acting out FILE. Returns the exit status: 0 at the end of the file, 2
// when a line cannot be carried out, 1 when the game's data cannot be read.
int RunSession(int argc, char** argv);

// A control as a script names it: "Label16", "Item(3)", "FrontEnd.Label18".
struct ControlName {
    std::string Window;  // empty: the topmost window on screen that holds it
    std::string Name;
    int Index = -1;
};
bool ParseControlName(const std::string& text, ControlName& name);
// The control shown on screen under that name; nullptr with the reason when none is.
Control* FindShownControl(const ControlName& name, std::string& problem);
// "Window.Name" or "Window.Name(i)", the key a dump lists the control under.
std::string ControlKey(const Control& control);
// One JSON line describing what a player would see, sounds since the previous call.
std::string DumpScreen();
