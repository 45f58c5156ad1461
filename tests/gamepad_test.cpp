// A gamepad as keys: SDL's controller events, synthetic or from SDL's own virtual pad,
// turned into the gamepad key codes, with every key down matched by one key up.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <optional>
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
    Keys Feed(const SDL_Event& e, bool ours = true) {
        std::vector<InputEvent> out;
        EXPECT_EQ(PadEventToKeys(e, Pad, State, out), ours);
        return AsKeys(out);
    }
    Keys Button(int button, bool down, SDL_JoystickID which = Pad) {
        SDL_Event e{};
        e.type = down ? SDL_CONTROLLERBUTTONDOWN : SDL_CONTROLLERBUTTONUP;
        e.cbutton.which = which, e.cbutton.button = Uint8(button);
        e.cbutton.state = down ? SDL_PRESSED : SDL_RELEASED;
        return Feed(e, which == Pad);
    }
    Keys Stick(int axis, int value) {
        SDL_Event e{};
        e.type = SDL_CONTROLLERAXISMOTION;
        e.caxis.which = Pad, e.caxis.axis = Uint8(axis), e.caxis.value = Sint16(value);
        return Feed(e);
    }
};

TEST(PadKeys, ButtonsArriveUnderTheWindowsGamepadCodes) {
    Translator pad;
    for (auto [button, key] : {std::pair{SDL_CONTROLLER_BUTTON_A, 195}, {SDL_CONTROLLER_BUTTON_B, 196},
                               {SDL_CONTROLLER_BUTTON_X, 197}, {SDL_CONTROLLER_BUTTON_Y, 198},
                               {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, 199},
                               {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, 200},
                               {SDL_CONTROLLER_BUTTON_DPAD_UP, 203}, {SDL_CONTROLLER_BUTTON_DPAD_DOWN, 204},
                               {SDL_CONTROLLER_BUTTON_DPAD_LEFT, 205}, {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 206},
                               {SDL_CONTROLLER_BUTTON_START, 207}, {SDL_CONTROLLER_BUTTON_BACK, 208}}) {
        EXPECT_EQ(pad.Button(button, true), (Keys{{T::KeyDown, key}})) << key;
        EXPECT_EQ(pad.Button(button, false), (Keys{{T::KeyUp, key}})) << key;
    }
    // The guide button and the stick clicks mean nothing to the game, another pad's
    // buttons are not this pad's.
    EXPECT_EQ(pad.Button(SDL_CONTROLLER_BUTTON_GUIDE, true), Keys{});
    EXPECT_EQ(pad.Button(SDL_CONTROLLER_BUTTON_LEFTSTICK, true), Keys{});
    EXPECT_EQ(pad.Button(SDL_CONTROLLER_BUTTON_A, true, Pad + 1), Keys{});
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

// SDL's virtual pads, plugged in and out as real ones would be.
class VirtualPads : public ::testing::Test {
protected:
    void SetUp() override {
        if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0)
            GTEST_SKIP() << "no game-controller subsystem: " << SDL_GetError();
        Pads.emplace();
        Drain();
    }
    void TearDown() override {
        Pads.reset();
        while (SDL_NumJoysticks() > 0 && SDL_JoystickIsVirtual(0)) SDL_JoystickDetachVirtual(0);
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    }
    // Plugs in a pad; its index among the devices.
    int PlugIn() {
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX, desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        desc.name = "Test pad";
        return SDL_JoystickAttachVirtualEx(&desc);
    }
    SDL_Joystick* Handle(int index) {
        SDL_Joystick* j = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(index));
        return j ? j : SDL_JoystickOpen(index);
    }
    // Every key the pending events turn into, in a steady order.
    Keys Drain() {
        SDL_PumpEvents();
        std::vector<InputEvent> out;
        for (SDL_Event e; SDL_PollEvent(&e);) Pads->Translate(e, out);
        Keys keys = AsKeys(out);
        std::sort(keys.begin(), keys.end());
        return keys;
    }
    std::optional<Gamepads> Pads;
};

TEST_F(VirtualPads, TheFirstOfTwoPadsPlaysAndUnpluggedWhileHeldItsKeysComeUpOnce) {
    EXPECT_FALSE(Pads->Connected());
    int first = PlugIn();
    ASSERT_GE(first, 0) << SDL_GetError();
    Drain();
    ASSERT_TRUE(Pads->Connected());
    int second = PlugIn();
    Drain();
    SDL_JoystickSetVirtualButton(Handle(second), SDL_CONTROLLER_BUTTON_A, 1);
    EXPECT_EQ(Drain(), Keys{});  // the second pad waits its turn
    SDL_JoystickSetVirtualButton(Handle(first), SDL_CONTROLLER_BUTTON_A, 1);
    SDL_JoystickSetVirtualAxis(Handle(first), SDL_CONTROLLER_AXIS_LEFTX, -32768);
    SDL_JoystickSetVirtualAxis(Handle(first), SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767);
    const Keys held = {{T::KeyDown, vbPadA}, {T::KeyDown, vbPadRightTrigger}, {T::KeyDown, vbPadDpadLeft}};
    EXPECT_EQ(Drain(), held);
    // SDL may or may not let go of a vanished pad's buttons first; the keys come up once,
    // and the second pad takes over.
    SDL_JoystickDetachVirtual(first);
    EXPECT_EQ(Drain(), (Keys{{T::KeyUp, vbPadA}, {T::KeyUp, vbPadRightTrigger}, {T::KeyUp, vbPadDpadLeft}}));
    EXPECT_TRUE(Pads->Connected());
    SDL_JoystickSetVirtualButton(Handle(0), SDL_CONTROLLER_BUTTON_A, 0);
    SDL_JoystickSetVirtualButton(Handle(0), SDL_CONTROLLER_BUTTON_B, 1);
    EXPECT_EQ(Drain(), (Keys{{T::KeyDown, vbPadB}}));
}

}  // namespace
