// The front end: title, main menu, options and controls help, and the career menus
// (new driver, load game). Also the game-wide settings and the driver names.
#pragma once

#include <string>

#include "platform/numeric.h"
#include "platform/platform.h"

struct GameSettings {
    f32 Difficulty = 1.2f;  // 1.2 Normal, 0.2 Easy
    i16 ColourDepth = 8;    // 8 or 16
    i16 ViewSizeMode = 2;   // 2: the 550 x 550 view
};
extern GameSettings Settings;
constexpr f32 DifficultyNormal = 1.2f;
constexpr f32 DifficultyEasy = 0.2f;

// 21 names; entry 10 is the player's.
extern std::string DriverNames[21];

extern Form* FrontEnd;
extern Control* OptionBox;

// Creates the front-end window and runs its load handler (settings, sound start-up).
void LoadFrontEnd();
void ShowFrontEnd();
void DestroyFrontEnd();

// The window system's palette-relative form of a colour (bit 25 set); kept for the
// colours the game sets, it changes nothing on today's displays.
Colour PaletteColour(Colour c);
