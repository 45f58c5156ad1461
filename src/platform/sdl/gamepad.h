// Gamepads in the windowed backend: SDL's game-controller layer (with its database of
// mappings, so common pads work unconfigured) turned into key events under the Windows
// gamepad key codes of platform.h. The first pad connected is the one that plays; when it
// is unplugged every key it held is released and the next pad still connected takes over.
#pragma once

#include <SDL.h>

#include <vector>

#include "platform/backend.h"

// What one pad's buttons, left stick and triggers mean as keys. The stick presses the
// d-pad's keys past half-way and lets go under 30%, so a thumb resting near the edge does
// not flicker; the triggers do the same. A key held by two inputs at once (the d-pad and
// the stick) goes up only when both have let go, so every key down has one key up.
class PadKeys {
public:
    void Button(int button, bool down, std::vector<InputEvent>& out);  // SDL_GameControllerButton
    void Axis(int axis, int value, std::vector<InputEvent>& out);      // SDL_GameControllerAxis
    void ReleaseAll(std::vector<InputEvent>& out);

private:
    void Hold(int key, unsigned input, bool down, std::vector<InputEvent>& out);
    void Threshold(int key, unsigned input, int value, std::vector<InputEvent>& out);
    static constexpr int Keys = 16;  // vbPadA .. vbPadView
    unsigned Holders[Keys] = {};     // per key, the inputs holding it down
};

// Turns a button or axis event of the given pad into key events; false for an event that
// is not one of those (or comes from another pad).
bool PadEventToKeys(const SDL_Event& e, SDL_JoystickID pad, PadKeys& keys,
                    std::vector<InputEvent>& out);

// The game-controller subsystem, the pad in play and its keys.
class Gamepads {
public:
    Gamepads();  // a machine without the subsystem simply has no pads
    ~Gamepads();
    Gamepads(const Gamepads&) = delete;
    Gamepads& operator=(const Gamepads&) = delete;

    // Takes a pad being plugged in or out, or a pad's input, and adds the keys that
    // follow; false for any other event.
    bool Translate(const SDL_Event& e, std::vector<InputEvent>& out);
    bool Connected() const { return Pad != nullptr; }

private:
    void OpenFirst(int skipInstance);
    bool Started = false;
    SDL_GameController* Pad = nullptr;
    SDL_JoystickID PadId = -1;
    PadKeys Keys;
};
