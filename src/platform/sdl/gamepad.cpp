#include "platform/sdl/gamepad.h"

#include <string>

namespace {

struct ButtonKey {
    int Button;
    int Key;
};
constexpr ButtonKey ButtonKeys[] = {
    {SDL_CONTROLLER_BUTTON_A, vbPadA},
    {SDL_CONTROLLER_BUTTON_B, vbPadB},
    {SDL_CONTROLLER_BUTTON_X, vbPadX},
    {SDL_CONTROLLER_BUTTON_Y, vbPadY},
    {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, vbPadLeftShoulder},
    {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, vbPadRightShoulder},
    {SDL_CONTROLLER_BUTTON_DPAD_UP, vbPadDpadUp},
    {SDL_CONTROLLER_BUTTON_DPAD_DOWN, vbPadDpadDown},
    {SDL_CONTROLLER_BUTTON_DPAD_LEFT, vbPadDpadLeft},
    {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, vbPadDpadRight},
    {SDL_CONTROLLER_BUTTON_START, vbPadMenu},
    {SDL_CONTROLLER_BUTTON_BACK, vbPadView},
};

// The inputs that may hold one key: its own button or trigger, and the stick.
constexpr unsigned OwnInput = 1;
constexpr unsigned Stick = 2;

// Axes run to 32767: pressed past half-way, let go under 30%.
constexpr int PressAt = 16384;
constexpr int ReleaseUnder = 9830;

}  // namespace

void PadKeys::Hold(int key, unsigned input, bool down, std::vector<InputEvent>& out) {
    unsigned& holders = Holders[key - vbPadA];
    const bool wasHeld = holders != 0;
    holders = down ? holders | input : holders & ~input;
    if (wasHeld == (holders != 0)) return;
    InputEvent e;
    e.Kind = down ? InputEvent::Type::KeyDown : InputEvent::Type::KeyUp;
    e.Key = key;
    out.push_back(e);
}

void PadKeys::Threshold(int key, unsigned input, int value, std::vector<InputEvent>& out) {
    const bool held = Holders[key - vbPadA] & input;
    if (!held && value >= PressAt) Hold(key, input, true, out);
    else if (held && value < ReleaseUnder) Hold(key, input, false, out);
}

void PadKeys::Button(int button, bool down, std::vector<InputEvent>& out) {
    for (const ButtonKey& b : ButtonKeys)
        if (b.Button == button) Hold(b.Key, OwnInput, down, out);
}

void PadKeys::Axis(int axis, int value, std::vector<InputEvent>& out) {
    switch (axis) {
        case SDL_CONTROLLER_AXIS_LEFTX:
            Threshold(vbPadDpadLeft, Stick, -value, out);
            Threshold(vbPadDpadRight, Stick, value, out);
            break;
        case SDL_CONTROLLER_AXIS_LEFTY:  // down is positive
            Threshold(vbPadDpadUp, Stick, -value, out);
            Threshold(vbPadDpadDown, Stick, value, out);
            break;
        case SDL_CONTROLLER_AXIS_TRIGGERLEFT: Threshold(vbPadLeftTrigger, OwnInput, value, out); break;
        case SDL_CONTROLLER_AXIS_TRIGGERRIGHT: Threshold(vbPadRightTrigger, OwnInput, value, out); break;
        default: break;
    }
}

void PadKeys::ReleaseAll(std::vector<InputEvent>& out) {
    for (int key = vbPadA; key < vbPadA + Keys; ++key) Hold(key, ~0u, false, out);
}

bool PadEventToKeys(const SDL_Event& e, SDL_JoystickID pad, PadKeys& keys,
                    std::vector<InputEvent>& out) {
    switch (e.type) {
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
            if (e.cbutton.which != pad) return false;
            keys.Button(e.cbutton.button, e.type == SDL_CONTROLLERBUTTONDOWN, out);
            return true;
        case SDL_CONTROLLERAXISMOTION:
            if (e.caxis.which != pad) return false;
            keys.Axis(e.caxis.axis, e.caxis.value, out);
            return true;
        default:
            return false;
    }
}

Gamepads::Gamepads() {
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) return;
    Started = true;
    // A newer mapping database beside the program, for pads SDL does not know yet.
    if (char* base = SDL_GetBasePath()) {
        const std::string file = std::string(base) + "gamecontrollerdb.txt";
        SDL_free(base);
        if (SDL_RWops* rw = SDL_RWFromFile(file.c_str(), "rb"))
            SDL_GameControllerAddMappingsFromRW(rw, 1);
    }
    OpenFirst(-1);
}

Gamepads::~Gamepads() {
    if (Pad) SDL_GameControllerClose(Pad);
    if (Started) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

void Gamepads::OpenFirst(int skipInstance) {
    for (int i = 0; i < SDL_NumJoysticks() && !Pad; ++i) {
        if (!SDL_IsGameController(i) || SDL_JoystickGetDeviceInstanceID(i) == skipInstance) continue;
        Pad = SDL_GameControllerOpen(i);
        if (Pad) PadId = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(Pad));
    }
}

bool Gamepads::Translate(const SDL_Event& e, std::vector<InputEvent>& out) {
    switch (e.type) {
        case SDL_CONTROLLERDEVICEADDED:
            if (!Pad) OpenFirst(-1);
            return true;
        case SDL_CONTROLLERDEVICEREMOVED:
            if (Pad && e.cdevice.which == PadId) {
                Keys.ReleaseAll(out);
                SDL_GameControllerClose(Pad);
                Pad = nullptr;
                PadId = -1;
                OpenFirst(e.cdevice.which);
            }
            return true;
        default:
            return Pad && PadEventToKeys(e, PadId, Keys, out);
    }
}
