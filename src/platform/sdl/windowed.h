// The windowed backend: an SDL2 window showing the 1024 x 768 canvas scaled to fit,
// with OpenAL Soft sound.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/backend.h"

struct SDL_Window;

// Opens the window and the sound device; throws std::runtime_error when there is no
// display to open it on.
std::unique_ptr<Backend> MakeWindowedBackend();

// The Windows virtual-key code for an SDL key, or 0 for a key the game never sees.
int VirtualKeyFromSdl(std::int32_t sdlKey);

// The window of a windowed backend (tests read the screen back through it); nullptr
// for any other backend.
SDL_Window* WindowOf(Backend* backend);
