// The windowed backend: an SDL2 window showing the 1024 x 768 canvas scaled to fit,
// with OpenAL Soft sound. Only the blocks of the canvas that changed are put on screen,
// through the window surface on a machine without a graphics card and through SDL's
// accelerated renderer on one with a card (SDL_RENDER_DRIVER picks a renderer by name).
// SIGINT and SIGTERM ask the game to quit, as the window's close button does.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

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

// "window surface", or the name of the SDL renderer presenting the canvas; empty for any
// other backend.
std::string PresenterOf(Backend* backend);
