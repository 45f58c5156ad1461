// A gamepad as keys: SDL's controller events turned into the gamepad key codes, with
// every key down matched by one key up.
#include <gtest/gtest.h>

#include <SDL.h>

#include <vector>

#include "platform/sdl/gamepad.h"

namespace {

using T = InputEvent::Type;
using Keys = std::vector<std::pair<T, int>>;
constexpr SDL_JoystickID Pad = 7;

Keys AsKeys(const std::vector<InputEvent>& events) {
    Keys keys;
    for (const InputEvent& e : events) keys.push_back({e.Kind, e.Key});
    return keys;
}

struct Translator {
    PadKeys State;
    Keys Feed(SDL_Event e, SDL_JoystickID which = Pad) {
        e.cbutton.which = which;  // the same place in the axis event
        std::vector<InputEvent> out;
        EXPECT_EQ(PadEventToKeys(e, Pad, State, out), which == Pad);
        return AsKeys(out);
    }
    Keys Button(int button, bool down, SDL_JoystickID which = Pad) {
        SDL_Event e{};
        e.type = down ? SDL_CONTROLLERBUTTONDOWN : SDL_CONTROLLERBUTTONUP;
        e.cbutton.button = Uint8(button);
        return Feed(e, which);
    }
    Keys Stick(int axis, int value) {
        SDL_Event e{};
        e.type = SDL_CONTROLLERAXISMOTION;
        e.caxis.axis = Uint8(axis), e.caxis.value = Sint16(value);
        return Feed(e);
    }
};

}  // namespace

TEST(PadKeys, ButtonsArriveUnderTheWindowsGamepadCodes) {
    Translator pad;
    // A, B, X, Y, the shoulders and the d-pad from 195; the guide button and the stick
    // clicks mean nothing to the game.
    const int buttons[][2] = {
        {SDL_CONTROLLER_BUTTON_A, 195}, {SDL_CONTROLLER_BUTTON_B, 196}, {SDL_CONTROLLER_BUTTON_X, 197},
        {SDL_CONTROLLER_BUTTON_Y, 198}, {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, 199}, {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, 200},
        {SDL_CONTROLLER_BUTTON_DPAD_UP, 203}, {SDL_CONTROLLER_BUTTON_DPAD_DOWN, 204}, {SDL_CONTROLLER_BUTTON_DPAD_LEFT, 205},
        {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 206}, {SDL_CONTROLLER_BUTTON_START, 207}, {SDL_CONTROLLER_BUTTON_BACK, 208},
        {SDL_CONTROLLER_BUTTON_GUIDE, 0}, {SDL_CONTROLLER_BUTTON_LEFTSTICK, 0}};
    for (auto [button, key] : buttons) {
        EXPECT_EQ(pad.Button(button, true), key ? (Keys{{T::KeyDown, key}}) : Keys{}) << key;
        EXPECT_EQ(pad.Button(button, false), key ? (Keys{{T::KeyUp, key}}) : Keys{}) << key;
    }
    EXPECT_EQ(pad.Button(SDL_CONTROLLER_BUTTON_A, true, Pad + 1), Keys{});  // not this pad's
}

// Axes run to 32767: a stick or trigger presses its key at half-way, 16384, and lets go
// under 30%, 9830; in between, a thumb easing off or pushing again changes nothing.
TEST(PadKeys, SticksAndTriggersPressAtHalfWayAndLetGoUnderThirtyPercent) {
    // Up and left are negative on SDL's axes.
    for (auto [axis, sign, key] :
         {std::tuple{SDL_CONTROLLER_AXIS_LEFTX, -1, vbPadDpadLeft}, {SDL_CONTROLLER_AXIS_LEFTX, 1, vbPadDpadRight},
          {SDL_CONTROLLER_AXIS_LEFTY, -1, vbPadDpadUp}, {SDL_CONTROLLER_AXIS_LEFTY, 1, vbPadDpadDown},
          {SDL_CONTROLLER_AXIS_TRIGGERLEFT, 1, vbPadLeftTrigger},
          {SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 1, vbPadRightTrigger}}) {
        Translator pad;
        for (auto [value, keys] : {std::pair{16383, Keys{}}, {9829, {}}, {16384, {{T::KeyDown, key}}},
                                   {32767, {}}, {9830, {}}, {16384, {}}, {9829, {{T::KeyUp, key}}}})
            EXPECT_EQ(pad.Stick(axis, sign * value), keys) << key << " at " << value;
    }
    Translator pad;
    // Flicked straight across: one key up, then the other down, in one event.
    pad.Stick(SDL_CONTROLLER_AXIS_LEFTX, -30000);
    EXPECT_EQ(pad.Stick(SDL_CONTROLLER_AXIS_LEFTX, 32767),
              (Keys{{T::KeyUp, vbPadDpadLeft}, {T::KeyDown, vbPadDpadRight}}));
    EXPECT_EQ(pad.Stick(SDL_CONTROLLER_AXIS_RIGHTX, -32768), Keys{});  // steers nothing
    // The d-pad and the stick together hold one key until both let go; let go twice,
    // released once.
    EXPECT_EQ(pad.Button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, true), Keys{});
    EXPECT_EQ(pad.Button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, false), Keys{});
    EXPECT_EQ(pad.Stick(SDL_CONTROLLER_AXIS_LEFTX, 0), (Keys{{T::KeyUp, vbPadDpadRight}}));
    EXPECT_EQ(pad.Button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, false), Keys{});
}
