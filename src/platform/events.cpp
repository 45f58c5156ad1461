#include "platform/backend.h"

namespace {
std::vector<std::string> Messages;
bool Quit = false;
}  // namespace

void DoEvents() {}
void MsgBox(const std::string& text) { Messages.push_back(text); }
const std::vector<std::string>& MessageLog() { return Messages; }
void SetMousePointer(Form* form, PointerKind kind) { form->Pointer = kind; }
bool SetMouseIcon(Form*, const std::string&) { return false; }
bool QuitRequested() { return Quit; }
void RequestQuit() { Quit = true; }
void ResetPlatform() {
    Messages.clear();
    Quit = false;
}
