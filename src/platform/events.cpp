// DoEvents: input delivery to forms and controls, repainting, the message box.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <utility>

#include "platform/window_system.h"

namespace {

std::vector<std::string> Messages;
bool Quit = false;

// Input collected but not yet delivered. Handlers may call DoEvents again (the race runs
// inside the Start button's click), so every turn takes from this one queue in order.
std::deque<InputEvent> Queue;

Control* Pressed = nullptr;    // mouse went down here; a click needs the up here too
Form* ModalForm = nullptr;     // while a message box is up, only it gets input
const std::string* ModalText = nullptr;  // and what it says
int MouseX = -1, MouseY = -1;  // last known pointer position on the canvas
int ButtonsDown = 0;           // 1 left, 2 right: what a mouse move reports as held

// The form each held key went down in: its release goes there too, so a handler that
// counts what is held never misses a release because the key opened another window.
std::map<int, Form*> KeyHolders;
bool ShiftDown = false;
// The kind of input being delivered now; nested turns (a race inside a click) put it back.
InputEvent::Type Delivering = InputEvent::Type::Quit;

// Labels shown for a while, and the tick at which each goes away.
struct Note {
    Control* Label;
    std::uint32_t Until;
};
std::vector<Note> Notes;

void HideNotesDue(std::uint32_t now) {
    std::erase_if(Notes, [now](const Note& note) {
        if (static_cast<std::int32_t>(now - note.Until) < 0) return false;
        note.Label->Visible = false;
        Refresh();
        return true;
    });
}

bool HaveLastPresent = false;
std::uint32_t LastPresent = 0;

// What the backend was last told about the pointer.
const Form* PointerForm = nullptr;
PointerKind PointerShown = PointerKind::Default;
std::uint64_t PointerGenerationShown = 0;
bool PointerKnown = false;

// Everything that changes the screen asks for a repaint (Refresh, input, showing and
// hiding forms); this slow one is only a safety net for a change that forgot to ask.
constexpr int RepaintIntervalMs = 1000;
// The longest sleep of a waiting screen, which bounds how late a signal is noticed.
constexpr std::uint32_t LongestNapMs = 100;

std::FILE* StatsFile = nullptr;
std::string StatsProblem;  // why a line did not reach the file
std::uint64_t FramesShown = 0;

}  // namespace

// Bumped whenever a form's custom pointer picture changes (pointers.cpp).
std::uint64_t PointerGeneration = 0;

void ForgetForm(const Form* form) {
    if (Pressed && Pressed->Owner == form) Pressed = nullptr;
    std::erase_if(KeyHolders, [form](const auto& held) { return held.second == form; });
    std::erase_if(Notes, [form](const Note& note) { return note.Label->Owner == form; });
    if (ModalForm == form) ModalForm = nullptr, ModalText = nullptr;
    if (PointerForm == form) {
        PointerForm = nullptr;
        PointerKnown = false;
    }
}

namespace {

// The form that mouse input at a point goes to: the topmost visible form there. A
// disabled form swallows the input rather than letting it reach the forms it covers, so
// the disabled shop shields the race window beneath it.
Form* FormAt(int x, int y) {
    auto& order = ZOrder();
    for (auto it = order.rbegin(); it != order.rend(); ++it)
        if ((*it)->Visible && FormRect(*it).Contains(x, y)) return *it;
    return nullptr;
}

Form* InputFormAt(int x, int y) {
    Form* form = FormAt(x, y);
    if (!form || !form->Enabled) return nullptr;
    if (ModalForm && form != ModalForm) return nullptr;
    return form;
}

// Keys go to the active form: the topmost visible, enabled one.
Form* KeyForm() {
    if (ModalForm) return ModalForm;
    auto& order = ZOrder();
    for (auto it = order.rbegin(); it != order.rend(); ++it)
        if ((*it)->Visible && (*it)->Enabled) return *it;
    return nullptr;
}

// The control drawn on top at a point is the last-created one there, since creation
// order is drawing order.
Control* ControlAt(Form* form, int x, int y) {
    for (auto it = form->Controls.rbegin(); it != form->Controls.rend(); ++it) {
        Control* c = it->get();
        if (ControlTakesInput(c) && VisibleRect(c).Contains(x, y)) return c;
    }
    return nullptr;
}

void SelectListItem(Control* list, int y) {
    int row = (y - list->CanvasTop()) / LineHeight(list->TextFont);
    if (row >= 0 && row < static_cast<int>(list->List.size())) list->ListIndex = row;
}

bool CharacterStart(const std::string& text, std::size_t at) {
    return at >= text.size() || (text[at] & 0xC0) != 0x80;
}

// Text box caret at the character boundary nearest the pointer.
void PlaceCaret(Control* box, int x) {
    const std::string& text = box->Text;
    int inside = x - box->CanvasLeft() - 2;
    std::size_t caret = 0;
    int previous = 0;
    for (std::size_t i = 1; i <= text.size(); ++i) {
        if (!CharacterStart(text, i)) continue;
        int width = TextWidth(box->TextFont, text.substr(0, i));
        if (inside < (previous + width) / 2) break;
        caret = i;
        previous = width;
    }
    box->SelStart = static_cast<int>(caret);
    box->SelLength = 0;
}

Control* FocusedTextBox(Form* form) {
    if (!form || !form->Focus) return nullptr;
    Control* box = form->Focus;
    if (box->Kind != ControlKind::TextBox || !ControlTakesInput(box)) return nullptr;
    return box;
}

void ClampSelection(Control* box) {
    int len = static_cast<int>(box->Text.size());
    box->SelStart = std::clamp(box->SelStart, 0, len);
    box->SelLength = std::clamp(box->SelLength, 0, len - box->SelStart);
}

// Removes the selection, or the whole character before (or after) the caret.
void DeleteText(Control* box, bool forward) {
    ClampSelection(box);
    int start = box->SelStart, count = box->SelLength;
    if (count == 0) {
        const std::string& t = box->Text;
        if (forward) {
            if (start >= static_cast<int>(t.size())) return;
            count = 1;
            while (!CharacterStart(t, start + count)) ++count;
        } else {
            if (start == 0) return;
            int from = start - 1;
            while (from > 0 && !CharacterStart(t, from)) --from;
            count = start - from;
            start = from;
        }
    }
    std::string after = box->Text;
    after.erase(start, count);
    if (box->AcceptsText && !box->AcceptsText(after)) return;
    box->Text = std::move(after);
    box->SelStart = start;
    box->SelLength = 0;
}

// Letter by letter, so that a box refusing some letters still takes the others.
void TypeText(Control* box, const std::string& text) {
    for (std::size_t at = 0; at < text.size();) {
        std::size_t length = 1;
        while (!CharacterStart(text, at + length)) ++length;
        std::string letter = text.substr(at, length);
        at += length;
        ClampSelection(box);
        std::string after = box->Text;
        after.replace(box->SelStart, box->SelLength, letter);
        if (box->AcceptsText && !box->AcceptsText(after)) continue;
        box->Text = std::move(after);
        box->SelStart += static_cast<int>(letter.size());
        box->SelLength = 0;
    }
}

void EditKey(Control* box, int key) {
    ClampSelection(box);
    int len = static_cast<int>(box->Text.size());
    switch (key) {
        case vbKeyBack: DeleteText(box, false); break;
        case vbKeyDelete: DeleteText(box, true); break;
        case vbKeyHome: box->SelStart = 0, box->SelLength = 0; break;
        case vbKeyEnd: box->SelStart = len, box->SelLength = 0; break;
        case vbKeyLeft:
            if (box->SelLength == 0 && box->SelStart > 0)
                do --box->SelStart;
                while (box->SelStart > 0 && !CharacterStart(box->Text, box->SelStart));
            box->SelLength = 0;
            break;
        case vbKeyRight:
            if (box->SelLength > 0) box->SelStart += box->SelLength;
            else if (box->SelStart < len)
                do ++box->SelStart;
                while (!CharacterStart(box->Text, box->SelStart));
            box->SelLength = 0;
            break;
        default: break;
    }
}

void MouseMove(int x, int y) {
    Form* form = InputFormAt(x, y);
    if (!form) return;
    if (Control* c = ControlAt(form, x, y)) {
        if (c->MouseMove) c->MouseMove(ButtonsDown, x - c->CanvasLeft(), y - c->CanvasTop());
    } else if (form->MouseMove) {
        form->MouseMove(ButtonsDown, x - form->Left, y - form->Top);
    }
}

void MouseDown(int button, int x, int y) {
    Pressed = nullptr;
    Form* form = InputFormAt(x, y);
    if (!form) return;
    Control* c = ControlAt(form, x, y);
    if (!c) {
        if (form->MouseDown) form->MouseDown(button, x - form->Left, y - form->Top);
        return;
    }
    Pressed = c;
    if (c->Kind == ControlKind::ListBox && button == 1) SelectListItem(c, y);
    if (c->Kind == ControlKind::TextBox) {
        SetFocus(c);
        PlaceCaret(c, x);
    }
    if (c->MouseDown) c->MouseDown(button, x - c->CanvasLeft(), y - c->CanvasTop());
}

void MouseUp(int button, int x, int y) {
    Control* pressed = Pressed;
    Pressed = nullptr;
    Form* form = InputFormAt(x, y);
    Control* under = form ? ControlAt(form, x, y) : nullptr;
    // The control that had the button down hears it come up, wherever the pointer is.
    Control* target = pressed && FormAlive(pressed->Owner) && ControlTakesInput(pressed) ? pressed
                                                                                          : under;
    if (!target) return;
    if (target->MouseUp) target->MouseUp(button, x - target->CanvasLeft(), y - target->CanvasTop());
    // The handler may have hidden or destroyed things: look again before clicking.
    if (pressed && pressed == target && FormAlive(pressed->Owner) && ControlTakesInput(pressed) &&
        VisibleRect(pressed).Contains(x, y) && pressed->Click)
        pressed->Click();
}

void Deliver(const InputEvent& e) {
    struct Delivery {
        InputEvent::Type Outer = Delivering;
        explicit Delivery(InputEvent::Type kind) { Delivering = kind; }
        ~Delivery() { Delivering = Outer; }
    } delivery(e.Kind);
    switch (e.Kind) {
        case InputEvent::Type::MouseMove:
            MouseX = e.X, MouseY = e.Y;
            MouseMove(e.X, e.Y);
            break;
        case InputEvent::Type::MouseDown:
            MouseX = e.X, MouseY = e.Y;
            ButtonsDown |= e.Button;
            MouseDown(e.Button, e.X, e.Y);
            break;
        case InputEvent::Type::MouseUp:
            MouseX = e.X, MouseY = e.Y;
            ButtonsDown &= ~e.Button;
            MouseUp(e.Button, e.X, e.Y);
            break;
        case InputEvent::Type::KeyDown: {
            if (e.Key == vbKeyShift) ShiftDown = true;
            Form* form = KeyForm();
            if (!form) break;
            KeyHolders[e.Key] = form;
            // The form hears every key first, as the front end needs Enter even while its
            // name box has the focus.
            if (Control* box = FocusedTextBox(form)) EditKey(box, e.Key);
            if (form->KeyDown) form->KeyDown(e.Key);
            break;
        }
        case InputEvent::Type::KeyUp: {
            if (e.Key == vbKeyShift) ShiftDown = false;
            auto held = KeyHolders.find(e.Key);
            Form* form = held != KeyHolders.end() ? held->second : KeyForm();
            if (held != KeyHolders.end()) KeyHolders.erase(held);
            if (form && form->KeyUp) form->KeyUp(e.Key);
            break;
        }
        case InputEvent::Type::Text:
            if (Control* box = FocusedTextBox(KeyForm())) TypeText(box, e.Text);
            break;
        case InputEvent::Type::Quit:
            Quit = true;
            break;
    }
}

void UpdatePointer(Backend& backend) {
    const Form* form = MouseX >= 0 ? FormAt(MouseX, MouseY) : nullptr;
    PointerKind kind = form ? form->Pointer : PointerKind::Default;
    if (kind == PointerKind::Custom && form->PointerImage.Empty()) kind = PointerKind::Default;
    if (PointerKnown && form == PointerForm && kind == PointerShown &&
        (kind != PointerKind::Custom || PointerGenerationShown == PointerGeneration))
        return;
    PointerKnown = true;
    PointerForm = form;
    PointerShown = kind;
    PointerGenerationShown = PointerGeneration;
    if (kind == PointerKind::Custom)
        backend.SetPointer(kind, &form->PointerImage, &form->PointerMask, form->PointerHotX,
                           form->PointerHotY);
    else
        backend.SetPointer(kind, nullptr, nullptr, 0, 0);
}

}  // namespace

void DoEvents() {
    Backend* backend = CurrentBackend();
    if (!backend) return;
    // Only a turn that no handler is waiting in can free the forms destroyed meanwhile.
    static int depth = 0;
    if (depth == 0) FreeDestroyedForms();
    struct Nesting {
        Nesting() { ++depth; }
        ~Nesting() { --depth; }
    } nesting;
    std::vector<InputEvent> fresh;
    backend->PollInput(fresh);
    bool input = !fresh.empty();
    Queue.insert(Queue.end(), fresh.begin(), fresh.end());
    while (!Queue.empty()) {
        InputEvent e = std::move(Queue.front());
        Queue.pop_front();
        Deliver(e);
        input = true;
    }
    if (CurrentBackend() != backend) return;  // a handler swapped the backend (tests)
    HideNotesDue(backend->PeekTickCount());
    UpdatePointer(*backend);
    if (!backend->ShowsFrames()) return;
    // Until the first form is shown there is nothing to see: the first frame on screen
    // is the first screen, not a black canvas before it.
    if (std::none_of(ZOrder().begin(), ZOrder().end(), [](const Form* f) { return f->Visible; }))
        return;
    std::uint32_t now = backend->PeekTickCount();
    bool due = !HaveLastPresent || now - LastPresent >= RepaintIntervalMs;
    if (TakeRefreshRequest() || input || due) {
        using Clock = std::chrono::steady_clock;
        const auto composing = Clock::now();
        const Surface& canvas = ComposeCanvas();
        const auto presenting = Clock::now();
        const bool shown = backend->Present(canvas);
        HaveLastPresent = true;
        LastPresent = now;
        if (shown && StatsFile) {
            const auto done = Clock::now();
            const double epoch = std::chrono::duration<double>(
                std::chrono::system_clock::now().time_since_epoch()).count();
            const auto ms = [](auto d) { return std::chrono::duration<double, std::milli>(d).count(); };
            int written = std::fprintf(StatsFile, "%.6f %llu %.3f %.3f\n", epoch,
                                       static_cast<unsigned long long>(++FramesShown),
                                       ms(presenting - composing), ms(done - presenting));
            // Figures with holes in them would mislead whoever measures: the run ends.
            if ((written < 0 || std::ferror(StatsFile)) && StatsProblem.empty()) {
                StatsProblem = std::strerror(errno);
                RequestQuit();
            }
        }
    }
}

void DoEventsUntil(std::uint32_t start, std::uint32_t ms) {
    while (!QuitRequested() && GetTickCount() - start < ms) {
        Backend* backend = CurrentBackend();
        DoEvents();
        if (backend && backend == CurrentBackend()) backend->WaitForInput(start + ms);
    }
}

void ShowNote(Control* label, const std::string& caption, std::uint32_t ms) {
    if (!label) return;
    label->Caption = caption;
    label->Visible = true;
    Refresh();
    std::erase_if(Notes, [label](const Note& note) { return note.Label == label; });
    Backend* backend = CurrentBackend();
    Notes.push_back({label, (backend ? backend->PeekTickCount() : 0) + ms});
}

void WaitEvents(std::uint32_t ms) {
    Backend* backend = CurrentBackend();
    DoEvents();
    if (!backend || backend != CurrentBackend() || QuitRequested()) return;
    backend->WaitForInput(backend->PeekTickCount() + std::min(ms, LongestNapMs));
}

bool KeepFrameStats(const std::string& path) {
    StopFrameStats();
    StatsFile = std::fopen(path.c_str(), "w");
    if (!StatsFile) return false;
    // Whole lines as they come, so a reader sees every frame even if the game is killed.
    std::setvbuf(StatsFile, nullptr, _IOLBF, 256);
    FramesShown = 0;
    StatsProblem.clear();
    return true;
}

std::string StopFrameStats() {
    if (StatsFile) {
        bool failed = std::ferror(StatsFile) != 0;
        if (std::fclose(StatsFile) != 0 && StatsProblem.empty())
            StatsProblem = std::strerror(errno);
        if (failed && StatsProblem.empty()) StatsProblem = "some lines were lost";
    }
    StatsFile = nullptr;
    return std::exchange(StatsProblem, std::string());
}

// ---------------------------------------------------------------------------------
// The message box
// ---------------------------------------------------------------------------------

namespace {

constexpr int BoxWidth = 360, BoxHeight = 150;
constexpr Colour BoxText = RGB(0, 0, 0);
constexpr Colour BoxLit = RGB(0, 0, 192);

// The box's window: a grey frame holding the text, buttons to be added below it.
Form* MessageForm(const std::string& text, Control*& frame) {
    const Font font{"Arial", 9.75f, false};
    Form* box = CreateForm("MsgBox", BoxWidth, BoxHeight);
    box->Left = (CanvasWidth - BoxWidth) / 2;
    box->Top = (CanvasHeight - BoxHeight) / 2;
    box->BackColor = RGB(192, 192, 192);
    frame = AddControl(box, nullptr, ControlKind::Panel, "Frame", 1, 1, BoxWidth - 2,
                       BoxHeight - 2);
    frame->BackColor = RGB(224, 224, 224);
    Control* message = AddLabel(box, frame, "Message", text, 16, 16, BoxWidth - 34,
                                BoxHeight - 72, font, BoxText, Alignment::Centre);
    message->WordWrap = true;
    return box;
}

Control* BoxButton(Form* box, Control* frame, const char* name, const std::string& caption,
                   int left, int width) {
    Control* button = AddLabel(box, frame, name, caption, left, BoxHeight - 48, width, 28,
                               Font{"Arial", 9.75f, false}, BoxText, Alignment::Centre);
    button->Transparent = false;
    button->BackColor = RGB(192, 192, 192);
    return button;
}

// Keeps the box on screen, the only window taking input, until `done` or the game ends.
void RunModal(Form* box, const std::string& text, const bool& done, Backend* backend) {
    Form* outer = ModalForm;
    const std::string* outerText = ModalText;
    Control* outerPressed = Pressed;
    Pressed = nullptr;
    ShowForm(box);
    ModalForm = box;
    ModalText = &text;
    for (;;) {
        DoEvents();
        if (done || QuitRequested() || !FormAlive(box) || CurrentBackend() != backend) break;
        backend->WaitForInput(backend->PeekTickCount() + LongestNapMs);
    }
    ModalForm = FormAlive(outer) ? outer : nullptr;
    ModalText = ModalForm ? outerText : nullptr;
    Pressed = outerPressed && FormAlive(outerPressed->Owner) ? outerPressed : nullptr;
    DestroyForm(box);
    Refresh();
}

}  // namespace

void MsgBox(const std::string& text) {
    Messages.push_back(text);
    Backend* backend = CurrentBackend();
    if (!backend || !backend->Interactive()) return;

    Control* frame = nullptr;
    Form* box = MessageForm(text, frame);
    Control* ok = BoxButton(box, frame, "OK", "OK", BoxWidth / 2 - 45, 88);
    bool done = false;
    ok->Click = [&done] { done = true; };
    box->KeyDown = [&done](int key) {
        FocusMove move = FocusMoveOf(key);
        if (move == FocusMove::Choose || move == FocusMove::Back) done = true;
    };
    RunModal(box, text, done, backend);
}

bool AskBox(const std::string& text, const std::string& yes, const std::string& no) {
    Messages.push_back(text);
    Backend* backend = CurrentBackend();
    if (!backend || !backend->Interactive()) return false;

    Control* frame = nullptr;
    Form* box = MessageForm(text, frame);
    constexpr int Width = 150, Gap = 16;
    Control* buttons[2] = {
        BoxButton(box, frame, "Yes", yes, BoxWidth / 2 - Gap / 2 - Width, Width),
        BoxButton(box, frame, "No", no, BoxWidth / 2 + Gap / 2, Width),
    };
    bool done = false, answer = false;
    FocusList keys;
    for (int b = 0; b < 2; ++b) {
        Control* button = buttons[b];
        keys.Items.push_back({button, BoxText, BoxLit, nullptr});
        button->Click = [&done, &answer, b] { done = true, answer = b == 0; };
        button->MouseMove = [button, other = buttons[1 - b]](int, int, int) {
            other->ForeColor = BoxText;
            if (button->ForeColor != BoxLit) button->ForeColor = BoxLit, Refresh();
        };
    }
    keys.Back = [&done] { done = true; };
    box->KeyDown = [&keys](int key) { FocusKey(keys, key); };
    // The answer that changes nothing is the one Enter takes until another is lit.
    buttons[1]->ForeColor = BoxLit;
    RunModal(box, text, done, backend);
    return answer;
}

const std::vector<std::string>& MessageLog() { return Messages; }

Form* FormUnderPointer() { return MouseX >= 0 ? FormAt(MouseX, MouseY) : nullptr; }

Form* ActiveForm() { return KeyForm(); }

bool FormTakesInput(const Form* form) {
    return form && form->Visible && form->Enabled && (!ModalForm || form == ModalForm);
}

const std::string* MessageOnScreen() { return ModalForm ? ModalText : nullptr; }

bool ShiftHeld() { return ShiftDown; }

bool HandlingKey() { return Delivering == InputEvent::Type::KeyDown; }

bool QuitRequested() {
    if (!Quit && CurrentBackend() && CurrentBackend()->QuitPending()) Quit = true;
    return Quit;
}
void RequestQuit() { Quit = true; }

void ResetPlatform() {
    DestroyAllForms();
    ClearTextCache();
    Messages.clear();
    Quit = false;
    Queue.clear();
    Pressed = nullptr;
    ModalForm = nullptr;
    ModalText = nullptr;
    MouseX = MouseY = -1;
    ButtonsDown = 0;
    KeyHolders.clear();
    ShiftDown = false;
    Delivering = InputEvent::Type::Quit;
    Notes.clear();
    HaveLastPresent = false;
    PointerForm = nullptr;
    PointerKnown = false;
}
