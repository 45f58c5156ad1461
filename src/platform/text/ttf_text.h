// Text drawn with fontconfig and SDL_ttf, shared by both backends; it needs no display.
#pragma once

#include <memory>

#include "platform/backend.h"

// The renderer, or nullptr when no font can be found (text is then simply not drawn).
std::unique_ptr<TextRenderer> MakeTtfTextRenderer();
