// Keys by the names scripts give them.
#include "platform/platform.h"

namespace {

struct KeyWord {
    const char* Name;
    int Code;
};
constexpr KeyWord KeyWords[] = {
    {"Enter", vbKeyReturn},
    {"Escape", vbKeyEscape},
    {"Up", vbKeyUp},
    {"Down", vbKeyDown},
    {"Left", vbKeyLeft},
    {"Right", vbKeyRight},
    {"Space", vbKeySpace},
    {"Backspace", vbKeyBack},
    {"Delete", vbKeyDelete},
    {"Home", vbKeyHome},
    {"End", vbKeyEnd},
    {"Tab", vbKeyTab},
    {"Shift", vbKeyShift},
    {"PadA", vbPadA},
    {"PadB", vbPadB},
    {"PadX", vbPadX},
    {"PadY", vbPadY},
    {"PadRightShoulder", vbPadRightShoulder},
    {"PadLeftShoulder", vbPadLeftShoulder},
    {"PadLeftTrigger", vbPadLeftTrigger},
    {"PadRightTrigger", vbPadRightTrigger},
    {"PadDpadUp", vbPadDpadUp},
    {"PadDpadDown", vbPadDpadDown},
    {"PadDpadLeft", vbPadDpadLeft},
    {"PadDpadRight", vbPadDpadRight},
    {"PadMenu", vbPadMenu},
    {"PadView", vbPadView},
};

}  // namespace

int KeyCodeNamed(const std::string& name) {
    for (const KeyWord& key : KeyWords)
        if (name == key.Name) return key.Code;
    if (name.size() != 1) return 0;
    char c = name[0];
    if (c >= 'a' && c <= 'z') return vbKeyA + (c - 'a');
    if (c >= 'A' && c <= 'Z') return vbKeyA + (c - 'A');
    if (c >= '0' && c <= '9') return c;
    return 0;
}
