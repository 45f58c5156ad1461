// Start-up and the race window's screen flow: the pre-race panel with Start, Shop,
// Save Career and Quit, the hidden pointer during a race, and the way back to the
// front end. Also the command line of the program.
#pragma once

#include <string>

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
// The headless simulation of one race; returns the exit status.
int RunHeadlessSimulation(int argc, char** argv);
// Set by --name (empty: the front end or the draw between "Gustav" and "Nadine").
extern std::string StartName;
