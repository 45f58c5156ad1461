#include "frontend/frontend.h"

Form* FrontEnd = nullptr;
Control* OptionBox = nullptr;

// The menus arrive in a later step; until then start-up goes straight to a new career.
void LoadFrontEnd() {}
void ShowFrontEnd() {}
void DestroyFrontEnd() {}

Colour PaletteColour(Colour c) { return c | 0x2000000; }
