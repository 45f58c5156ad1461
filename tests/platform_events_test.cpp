// Input delivery: which form and control hears the mouse and the keys.
#include <gtest/gtest.h>

#include <type_traits>

#include "platform/platform.h"
#include "test_support.h"

namespace {

using T = InputEvent::Type;
InputEvent Ev(T kind, int x = 0, int y = 0, int key = 0, const std::string& text = "") {
    InputEvent e;
    return e.Kind = kind, e.X = x, e.Y = y, e.Key = key, e.Text = text, e;
}
InputEvent Move(int x, int y) { return Ev(T::MouseMove, x, y); }
InputEvent Down(int x, int y) { return Ev(T::MouseDown, x, y); }
InputEvent Up(int x, int y) { return Ev(T::MouseUp, x, y); }
InputEvent Key(int key, T kind = T::KeyDown) { return Ev(kind, 0, 0, key); }
InputEvent Typed(const std::string& text) { return Ev(T::Text, 0, 0, 0, text); }

using Strings = std::vector<std::string>;

class Events : public ::testing::Test {
protected:
    HeadlessBackend& Backend = FreshHeadless();
    Strings Heard;

    void Send(std::initializer_list<InputEvent> events) {
        for (const auto& e : events) Backend.Push(e);
        DoEvents();
    }
    // Records what forms and controls hear as "Name:event@x,y", "Name:click" or "Name:key13".
    template <typename... W>
    void Listen(W*... targets) { (ListenTo(targets), ...); }
    template <typename W>
    void ListenTo(W* w) {
        const std::string n = w->Name;
        auto at = [this, n](std::string what) {
            return [=, this](int, int x, int y) { Heard.push_back(n + ":" + what + "@" + std::to_string(x) + "," + std::to_string(y)); };
        };
        auto key = [this, n](std::string what) { return [=, this](int k) { Heard.push_back(n + what + std::to_string(k)); }; };
        w->MouseMove = at("move"), w->MouseDown = at("down");
        if constexpr (std::is_same_v<W, Control>) w->MouseUp = at("up"), w->Click = [=, this] { Heard.push_back(n + ":click"); };
        else w->KeyDown = key(":key"), w->KeyUp = key(":up");
    }
    Strings Take() { return std::exchange(Heard, {}); }
    Control* Add(Form* f, Control* parent, const char* name, int x, int y, int w, int h,
                 ControlKind kind = ControlKind::Label) {
        return AddControl(f, parent, kind, name, x, y, w, h);
    }
    Form* Shown(const char* name, int w = CanvasWidth, int h = CanvasHeight) {
        Form* f = CreateForm(name, w, h);
        return ShowForm(f), f;
    }
};

}  // namespace

TEST_F(Events, PointerReachesTheTopmostDeepestControlThatIsShownAndEnabled) {
    // Form at (100, 50); panel at (10, 10) in it; button at (5, 6) in the panel: the button's
    // canvas corner is (115, 66), so the pointer at (120, 70) is at (5, 4) inside it.
    Form* f = Shown("Front", 400, 300);
    f->Left = 100, f->Top = 50;
    Control* panel = Add(f, nullptr, "Panel", 10, 10, 200, 100, ControlKind::Panel);
    Control* button = Add(f, panel, "Button", 5, 6, 50, 20);
    // Hangs 40 pixels out of the panel's right edge (canvas x 310): that part is cut off.
    Control* hanging = Add(f, panel, "Hanging", 190, 50, 50, 20);
    // A later sibling lies on top of the button; a box inside the panel holds one more.
    Control* over = Add(f, panel, "Over", 20, 20, 100, 100);
    Control* box = Add(f, panel, "Box", 30, 30, 30, 30, ControlKind::Panel);
    Control* inBox = Add(f, box, "InBox", 0, 0, 10, 10);
    Listen(f, panel, button, hanging, over, box, inBox);
    // (200, 100) is on "Over"; (350, 300) is on the form's own background; (50, 50) is off
    // the form altogether.
    Send({Move(120, 70), Move(200, 100), Move(350, 300), Move(50, 50), Move(305, 115),
          Move(315, 115), Move(141, 91)});
    EXPECT_EQ(Take(), (Strings{"Button:move@5,4", "Over:move@70,20", "Front:move@250,250",
                               "Hanging:move@5,5", "Front:move@215,65", "InBox:move@1,1"}));
    inBox->Enabled = false;
    Send({Move(141, 91)});
    box->Visible = false;  // hides its child too
    inBox->Enabled = true;
    Send({Move(141, 91)});
    over->Enabled = false;
    Send({Move(141, 91)});
    EXPECT_EQ(Take(), (Strings{"Box:move@1,1", "Over:move@11,11", "Panel:move@31,31"}));
}

TEST_F(Events, ClickNeedsDownAndUpOnTheSameControlOfTheTopmostEnabledForm) {
    Form* race = Shown("Race");
    Form* shop = Shown("Shop");
    Form* pop = Shown("Pop", 281, 97);
    pop->Left = 300, pop->Top = 300;
    Control* item = Add(shop, nullptr, "Item", 0, 0, 100, 100);
    Listen(race, shop, pop, Add(race, nullptr, "Start", 0, 0, 100, 100), item,
           Add(shop, nullptr, "B", 100, 0, 50, 50), Add(pop, nullptr, "OK", 64, 64, 153, 25));
    shop->Enabled = false;
    Send({Move(10, 10), Down(10, 10), Up(10, 10), Key(13)});
    // The pointer over the disabled shop reaches neither the shop nor the race window; the
    // key goes to the pop-up, the topmost form that is enabled.
    EXPECT_EQ(Take(), (Strings{"Pop:key13"}));
    Send({Move(370, 370), Down(370, 370), Up(370, 370)});
    EXPECT_EQ(Take(), (Strings{"OK:move@6,6", "OK:down@6,6", "OK:up@6,6", "OK:click"}));
    shop->Enabled = true;
    HideForm(pop);
    // Dragged off: the control that had the button down hears the up, but no click; an up
    // without a down (it happened before a form appeared) is no click either.
    Send({Down(10, 10), Up(10, 10), Down(10, 10), Up(110, 10), Up(110, 10)});
    EXPECT_EQ(Take(), (Strings{"Item:down@10,10", "Item:up@10,10", "Item:click", "Item:down@10,10",
                               "Item:up@110,10", "B:up@10,10"}));
    HideForm(shop);
    Send({Down(10, 10)});
    EXPECT_EQ(Take(), (Strings{"Start:down@10,10"}));
}

// The Quit button destroys the front end and makes it afresh from its own click: the
// click is not delivered to the form that is gone.
TEST_F(Events, ClickHandlerThatDestroysItsOwnFormIsSafe) {
    Form* f = Shown("Front");
    Control* quit = Add(f, nullptr, "Quit", 0, 0, 50, 50);
    Form* fresh = nullptr;
    quit->MouseUp = [&](int, int, int) { DestroyForm(f), fresh = Shown("Front"); };
    bool clicked = false;
    quit->Click = [&] { clicked = true; };
    Send({Down(5, 5), Up(5, 5), Move(5, 5)});
    EXPECT_FALSE(clicked);
    EXPECT_EQ(FormsInZOrder(), (std::vector<Form*>{fresh}));
}

TEST_F(Events, TextGoesToAFocusedShownBoxWhereKeysStepOverWholeLetters) {
    Form* f = Shown("Front");
    Listen(f);
    Control* panel = Add(f, nullptr, "NewDriverBox", 0, 0, 250, 306, ControlKind::Panel);
    Control* name = Add(f, panel, "Text1", 10, 10, 150, 24, ControlKind::TextBox);
    name->Text = "Gustav";
    Send({Typed("x")});  // no focus yet
    SetFocus(name);
    panel->Visible = false;  // the panel was closed: its box keeps the name but takes no keys
    Send({Typed("x")});
    panel->Visible = true;
    f->Focus = nullptr;
    Send({Down(150, 15), Up(150, 15)});  // clicking focuses it
    EXPECT_EQ(std::pair(name->Text, f->Focus), std::pair(std::string("Gustav"), name));
    name->SelStart = 0, name->SelLength = 6;  // the whole old name, so typing replaces it
    Send({Typed("Ke"), Typed("n"), Key(8), Typed("nji"), Key(13)});
    EXPECT_EQ(std::pair(name->Text, name->SelStart), std::pair(std::string("Kenji"), 5));
    // Enter still reaches the form while the box has the focus.
    EXPECT_EQ(Take(), (Strings{"Front:key8", "Front:key13"}));
    // Backspace with a selection removes just the selection; a multi-byte letter goes whole.
    for (auto [before, at, selected, keys, after] :
         {std::tuple{"Zoë", 4, 0, std::vector{Key(8)}, "Zo"}, {"Zoë", 0, 1, {Key(8), Typed("G")}, "Goë"},
          {"Zoë!", 0, 0, {Key(vbKeyEnd), Key(vbKeyLeft), Key(vbKeyLeft), Key(vbKeyDelete)}, "Zo!"},
          {"Zoë!", 5, 0, {Key(vbKeyHome), Key(vbKeyRight), Typed("e")}, "Zeoë!"}}) {
        name->Text = before, name->SelStart = at, name->SelLength = selected;
        for (const InputEvent& e : keys) Send({e});
        EXPECT_EQ(name->Text, after) << before << " " << at;
    }
}

TEST_F(Events, PointerOfTheFormUnderTheMouseIsShownAndResetForgetsWhereItWas) {
    SetMousePointer(Shown("Race"), PointerKind::Invisible);
    Form* pop = Shown("Pop", 100, 100);
    SetMousePointer(pop, PointerKind::Arrow);
    std::vector<PointerKind> seen;
    for (const InputEvent& e : {Move(500, 500), Move(50, 50)}) Send({e}), seen.push_back(Backend.LastPointer);
    SetMousePointer(pop, PointerKind::Custom);  // without a picture: the default
    Send({}), seen.push_back(Backend.LastPointer);
    EXPECT_EQ(seen, (std::vector{PointerKind::Invisible, PointerKind::Arrow, PointerKind::Default}));
    MsgBox("No slots available");  // unattended, it is logged and no box is left open
    EXPECT_EQ(std::pair(MessageLog(), FormsInZOrder().size()), std::pair(Strings{"No slots available"}, 2ul));
    Send({Move(5, 5), Ev(T::Quit)});
    EXPECT_TRUE(QuitRequested());
    ResetPlatform();
    EXPECT_EQ(std::tuple(QuitRequested(), FormsInZOrder().size(), MessageLog().size()), std::tuple(false, 0ul, 0ul));
    // After a reset the pointer is nowhere until the mouse moves: a form at the corner does
    // not have it.
    SetMousePointer(Shown("Menu"), PointerKind::Arrow);
    Send({});
    EXPECT_EQ(std::pair(Backend.LastPointer, FormUnderPointer()), std::pair(PointerKind::Default, (Form*)nullptr));
}

TEST_F(Events, AttendedMessageBoxWaitsForOkOrEnterWhileOtherFormsHearNothing) {
    Backend.AnswersMessageBoxes = true;  // somebody at the keyboard: message boxes wait
    Form* shop = Shown("Shop");
    Listen(shop, Add(shop, nullptr, "Item", 0, 0, 100, 100));
    for (const InputEvent& e : {Down(10, 10), Up(10, 10), Key(vbKeySpace)}) Backend.Schedule(5, e);
    bool clicked = false;
    Backend.BeforeTurn = [&] {  // OK is clicked once the box is up, at 8 ms
        for (Form* f : FormsInZOrder())
            if (Control* ok = f->Name == "MsgBox" && !clicked ? FindControl(f, "OK") : nullptr)
                for (const InputEvent& e : {Down(ok->CanvasLeft() + 1, ok->CanvasTop() + 1),
                                            Up(ok->CanvasLeft() + 1, ok->CanvasTop() + 1)})
                    Backend.Schedule(8, e), clicked = true;
        Backend.Advance(1);
    };
    MsgBox("No slots available");
    EXPECT_TRUE(clicked);
    EXPECT_EQ(std::pair(Take(), FormsInZOrder()), std::pair(Strings{}, std::vector<Form*>{shop}));
    Backend.Schedule(20, Key(vbKeyReturn));
    MsgBox("again");
    Send({Key(vbKeySpace)});
    EXPECT_EQ(Take(), (Strings{"Shop:key32"}));  // afterwards the shop hears keys again
}

// A held key's release goes to the window that heard it go down, so a race window that
// counts held keys hears the south button come up even after the button opened the shop.
TEST_F(Events, AKeyComesUpWhereItWentDownThoughItOpenedAnotherWindow) {
    Form* race = Shown("Race");
    Form* shop = CreateForm("Shop");
    Listen(race, shop);
    race->KeyDown = [shop](int) { ShowForm(shop); };
    shop->KeyDown = [shop](int) { HideForm(shop); };
    // A key pressed in the shop and let go after it closed still comes up in the shop; a
    // release with no press heard goes to the window on top.
    Send({Key(vbPadA), Key(vbPadA, T::KeyUp), Key(vbKeyEscape), Key(vbKeyEscape, T::KeyUp),
          Key(vbKeyUp, T::KeyUp)});
    EXPECT_EQ(Take(), (Strings{"Race:up195", "Shop:up27", "Race:up38"}));
}
