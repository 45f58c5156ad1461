// The front end: title, main menu, options and controls help, and the career menus
// (new driver, load game). The settings they change live with the race, which reads them;
// the driver names with the career.
#pragma once

#include <string>

#include "career/career.h"
#include "numeric/numeric.h"
#include "platform/platform.h"
#include "race/race.h"

extern Form* FrontEnd;
extern Control* OptionBox;

// Creates the front-end window and runs its load handler (settings, sound start-up).
void LoadFrontEnd();
void ShowFrontEnd();
void DestroyFrontEnd();

// The window system's palette-relative form of a colour (bit 25 set); kept for the
// colours the game sets, it changes nothing on today's displays.
Colour PaletteColour(Colour c);
