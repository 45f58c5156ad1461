// A gamepad as keys: SDL's controller events, synthetic or from SDL's own virtual pad,
// turned into the gamepad key codes, with every key down matched by one key up.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "platform/sdl/gamepad.h"

namespace {

using T = InputEvent::Type;
using Keys = std::vector<std::pair<T, int>>;
constexpr SDL_JoystickID Pad = 7;

SDL_Event ButtonEvent(int button, bool down, SDL_JoystickID which = Pad) {
    SDL_Event e{};
    e.type = down ? SDL_CONTROLLERBUTTONDOWN : SDL_CONTROLLERBUTTONUP;
    e.cbutton.which = which;
    e.cbutton.button = static_cast<Uint8>(button);
    e.cbutton.state = down ? SDL_PRESSED : SDL_RELEASED;
    return e;
}

SDL_Event AxisEvent(int axis, int value) {
    SDL_Event e{};
    e.type = SDL_CONTROLLERAXISMOTION;
    e.caxis.which = Pad;
    e.caxis.axis = static_cast<Uint8>(axis);
    e.caxis.value = static_cast<Sint16>(value);
    return e;
}

Keys AsKeys(const std::vector<InputEvent>& events) {
    Keys keys;
    for (const InputEvent& e : events) keys.push_back({e.Kind, e.Key});
    return keys;
}

struct Translator {
    PadKeys State;
    Keys Feed(const SDL_Event& e) {
        std::vector<InputEvent> out;
        EXPECT_TRUE(PadEventToKeys(e, Pad, State, out));
        return AsKeys(out);
    }
    Keys Stick(int axis, int value) { return Feed(AxisEvent(axis, value)); }
};

TEST(PadKeys, ButtonsArriveUnderTheWindowsGamepadCodes) {
    Translator pad;
    EXPECT_EQ(pad.Feed(ButtonEvent(SDL_CONTROLLER_BUTTON_A, true)), (Keys{{T::KeyDown, 195}}));
    EXPECT_EQ(pad.Feed(ButtonEvent(SDL_CONTROLLER_BUTTON_B, true)), (Keys{{T::KeyDown, 196}}));
    EXPECT_EQ(pad.Feed(ButtonEvent(SDL_CONTROLLER_BUTTON_START, true)), (Keys{{T::KeyDown, 207}}));
    EXPECT_EQ(pad.Feed(ButtonEvent(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true)), (Keys{{T::KeyDown, 205}}));
    EXPECT_EQ(pad.Feed(ButtonEvent(SDL_CONTROLLER_BUTTON_A, false)), (Keys{{T::KeyUp, 195}}));
    // The guide button and the stick clicks mean nothing to the game.
    EXPECT_EQ(pad.Feed(ButtonEvent(SDL_CONTROLLER_BUTTON_GUIDE, true)), Keys{});
    EXPECT_EQ(pad.Feed(ButtonEvent(SDL_CONTROLLER_BUTTON_LEFTSTICK, true)), Keys{});
    // Another pad's buttons are not this pad's.
    std::vector<InputEvent> out;
    EXPECT_FALSE(PadEventToKeys(ButtonEvent(SDL_CONTROLLER_BUTTON_A, true, Pad + 1), Pad,
                                pad.State, out));
    EXPECT_TRUE(out.empty());
}

TEST(PadKeys, TheStickPressesPastHalfWayAndLetsGoUnderThirtyPercent) {
    Translator pad;
    constexpr int X = SDL_CONTROLLER_AXIS_LEFTX, Y = SDL_CONTROLLER_AXIS_LEFTY;
    EXPECT_EQ(pad.Stick(X, -16000), Keys{});  // just short of half-way (16384)
    EXPECT_EQ(pad.Stick(X, -16384), (Keys{{T::KeyDown, vbPadDpadLeft}}));
    EXPECT_EQ(pad.Stick(X, -10000), Keys{});  // a thumb easing off keeps the key down
    EXPECT_EQ(pad.Stick(X, -20000), Keys{});  // and pushing again is no second press
    EXPECT_EQ(pad.Stick(X, -9829), (Keys{{T::KeyUp, vbPadDpadLeft}}));
    // Flicked straight across: one key up, then the other down, in one event.
    pad.Stick(X, -30000);
    EXPECT_EQ(pad.Stick(X, 32767), (Keys{{T::KeyUp, vbPadDpadLeft}, {T::KeyDown, vbPadDpadRight}}));
    // Up is negative on SDL's vertical axis.
    EXPECT_EQ(pad.Stick(Y, -32768), (Keys{{T::KeyDown, vbPadDpadUp}}));
    EXPECT_EQ(pad.Stick(Y, 0), (Keys{{T::KeyUp, vbPadDpadUp}}));
    // The right stick steers nothing.
    EXPECT_EQ(pad.Stick(SDL_CONTROLLER_AXIS_RIGHTX, -32768), Keys{});
}

TEST(PadKeys, TriggersPressPastHalfWayWithTheSameGrace) {
    Translator pad;
    EXPECT_EQ(pad.Stick(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 20000),
              (Keys{{T::KeyDown, vbPadRightTrigger}}));
    EXPECT_EQ(pad.Stick(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 12000), Keys{});
    EXPECT_EQ(pad.Stick(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 0), (Keys{{T::KeyUp, vbPadRightTrigger}}));
    EXPECT_EQ(pad.Stick(SDL_CONTROLLER_AXIS_TRIGGERLEFT, 32767),
              (Keys{{T::KeyDown, vbPadLeftTrigger}}));
}

TEST(PadKeys, DpadAndStickTogetherHoldOneKeyUntilBothLetGo) {
    Translator pad;
    EXPECT_EQ(pad.Feed(ButtonEvent(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, true)),
              (Keys{{T::KeyDown, vbPadDpadRight}}));
    EXPECT_EQ(pad.Stick(SDL_CONTROLLER_AXIS_LEFTX, 30000), Keys{});
    EXPECT_EQ(pad.Feed(ButtonEvent(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, false)), Keys{});
    EXPECT_EQ(pad.Stick(SDL_CONTROLLER_AXIS_LEFTX, 0), (Keys{{T::KeyUp, vbPadDpadRight}}));
    // Let go twice, released once.
    EXPECT_EQ(pad.Feed(ButtonEvent(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, false)), Keys{});
}

// SDL's virtual pad, plugged in and out as a real one would be.
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
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        desc.name = "Test pad";
        return SDL_JoystickAttachVirtualEx(&desc);
    }
    SDL_Joystick* Handle(int index) {
        SDL_Joystick* j = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(index));
        return j ? j : SDL_JoystickOpen(index);
    }
    // Every key the pending events turn into.
    Keys Drain() {
        SDL_PumpEvents();
        std::vector<InputEvent> out;
        SDL_Event e;
        while (SDL_PollEvent(&e)) Pads->Translate(e, out);
        return AsKeys(out);
    }
    std::optional<Gamepads> Pads;
};

TEST_F(VirtualPads, APadPluggedInPlaysAndTheFirstOfTwoWins) {
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
    EXPECT_EQ(Drain(), (Keys{{T::KeyDown, vbPadA}}));
    SDL_JoystickSetVirtualAxis(Handle(first), SDL_CONTROLLER_AXIS_LEFTX, -32768);
    EXPECT_EQ(Drain(), (Keys{{T::KeyDown, vbPadDpadLeft}}));

    // Unplugged while held: both keys come up, and the second pad takes over.
    SDL_JoystickDetachVirtual(first);
    Keys released = Drain();
    std::sort(released.begin(), released.end());
    EXPECT_EQ(released, (Keys{{T::KeyUp, vbPadA}, {T::KeyUp, vbPadDpadLeft}}));
    EXPECT_TRUE(Pads->Connected());
    SDL_JoystickSetVirtualButton(Handle(0), SDL_CONTROLLER_BUTTON_A, 0);
    SDL_JoystickSetVirtualButton(Handle(0), SDL_CONTROLLER_BUTTON_B, 1);
    EXPECT_EQ(Drain(), (Keys{{T::KeyDown, vbPadB}}));
}

TEST_F(VirtualPads, APadGoneWithKeysStillDownReleasesThem) {
    // SDL may or may not let go of a vanished pad's buttons first; the keys come up once.
    int index = PlugIn();
    ASSERT_GE(index, 0) << SDL_GetError();
    Drain();
    SDL_JoystickSetVirtualButton(Handle(index), SDL_CONTROLLER_BUTTON_X, 1);
    SDL_JoystickSetVirtualAxis(Handle(index), SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767);
    Keys held = Drain();
    std::sort(held.begin(), held.end());
    EXPECT_EQ(held, (Keys{{T::KeyDown, vbPadX}, {T::KeyDown, vbPadRightTrigger}}));
    SDL_Event gone{};
    gone.type = SDL_CONTROLLERDEVICEREMOVED;
    gone.cdevice.which = SDL_JoystickGetDeviceInstanceID(index);
    std::vector<InputEvent> out;
    EXPECT_TRUE(Pads->Translate(gone, out));
    Keys released = AsKeys(out);
    std::sort(released.begin(), released.end());
    EXPECT_EQ(released, (Keys{{T::KeyUp, vbPadX}, {T::KeyUp, vbPadRightTrigger}}));
    EXPECT_FALSE(Pads->Connected());
}

}  // namespace
