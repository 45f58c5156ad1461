// Input delivery: which form and control hears the mouse and the keys.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "test_support.h"

namespace {

InputEvent Mouse(InputEvent::Type type, int x, int y, int button = 1) {
    InputEvent e;
    e.Kind = type;
    e.X = x;
    e.Y = y;
    e.Button = button;
    return e;
}
InputEvent Move(int x, int y) { return Mouse(InputEvent::Type::MouseMove, x, y); }
InputEvent Down(int x, int y) { return Mouse(InputEvent::Type::MouseDown, x, y); }
InputEvent Up(int x, int y) { return Mouse(InputEvent::Type::MouseUp, x, y); }
InputEvent Key(InputEvent::Type type, int key) {
    InputEvent e;
    e.Kind = type;
    e.Key = key;
    return e;
}
InputEvent Typed(const std::string& text) {
    InputEvent e;
    e.Kind = InputEvent::Type::Text;
    e.Text = text;
    return e;
}

class Events : public ::testing::Test {
protected:
    HeadlessBackend& Backend = FreshHeadless();
    std::vector<std::string> Heard;

    void Send(std::initializer_list<InputEvent> events) {
        for (const auto& e : events) Backend.Push(e);
        DoEvents();
    }
    // Records every mouse event of a control as "Name:event@x,y".
    void Listen(Control* c) {
        std::string n = c->Name + (c->Index >= 0 ? std::to_string(c->Index) : "");
        c->MouseMove = [this, n](int, int x, int y) { Heard.push_back(n + ":move@" + Pos(x, y)); };
        c->MouseDown = [this, n](int, int x, int y) { Heard.push_back(n + ":down@" + Pos(x, y)); };
        c->MouseUp = [this, n](int, int x, int y) { Heard.push_back(n + ":up@" + Pos(x, y)); };
        c->Click = [this, n] { Heard.push_back(n + ":click"); };
    }
    void Listen(Form* f) {
        f->MouseMove = [this, f](int, int x, int y) { Heard.push_back(f->Name + ":move@" + Pos(x, y)); };
        f->MouseDown = [this, f](int, int x, int y) { Heard.push_back(f->Name + ":down@" + Pos(x, y)); };
        f->KeyDown = [this, f](int k) { Heard.push_back(f->Name + ":key" + std::to_string(k)); };
        f->KeyUp = [this, f](int k) { Heard.push_back(f->Name + ":keyup" + std::to_string(k)); };
    }
    static std::string Pos(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }
    std::vector<std::string> Take() { return std::exchange(Heard, {}); }
};

using Strings = std::vector<std::string>;

}  // namespace

TEST_F(Events, HoverReachesTheDeepestControlWithPositionsInsideIt) {
    // Form at (100, 50); panel at (10, 10) in it; button at (5, 6) in the panel: the button's
    // canvas corner is (115, 66), so the pointer at (120, 70) is at (5, 4) inside it.
    Form* f = CreateForm("Front", 400, 300);
    f->Left = 100, f->Top = 50;
    ShowForm(f);
    Control* panel = AddControl(f, nullptr, ControlKind::Panel, "Panel", 10, 10, 200, 100);
    Control* button = AddControl(f, panel, ControlKind::Label, "Button", 5, 6, 50, 20);
    Listen(f), Listen(panel), Listen(button);
    Send({Move(120, 70), Move(200, 100), Move(350, 300), Move(50, 50)});
    // (200, 100) is in the panel only; (350, 300) is on the form's own background;
    // (50, 50) is off the form altogether.
    EXPECT_EQ(Take(), (Strings{"Button:move@5,4", "Panel:move@90,40", "Front:move@250,250"}));
}

TEST_F(Events, LaterSiblingOnTopWinsAndHiddenOrDisabledControlsAreSkipped) {
    Form* f = CreateForm("F");
    ShowForm(f);
    Control* under = AddControl(f, nullptr, ControlKind::Label, "Under", 0, 0, 100, 100);
    Control* over = AddControl(f, nullptr, ControlKind::Label, "Over", 50, 50, 100, 100);
    Control* box = AddControl(f, nullptr, ControlKind::Panel, "Box", 60, 60, 30, 30);
    Control* inBox = AddControl(f, box, ControlKind::Label, "InBox", 0, 0, 10, 10);
    Listen(under), Listen(over), Listen(box), Listen(inBox);
    Send({Move(55, 55), Move(61, 61)});
    EXPECT_EQ(Take(), (Strings{"Over:move@5,5", "InBox:move@1,1"}));
    inBox->Enabled = false;
    Send({Move(61, 61)});
    EXPECT_EQ(Take(), (Strings{"Box:move@1,1"}));
    box->Visible = false;  // hides its child too
    inBox->Enabled = true;
    Send({Move(61, 61)});
    EXPECT_EQ(Take(), (Strings{"Over:move@11,11"}));
    over->Enabled = false;
    Send({Move(61, 61)});
    EXPECT_EQ(Take(), (Strings{"Under:move@61,61"}));
}

TEST_F(Events, ChildrenAreCutOffAtTheirContainersEdge) {
    // A label hanging out of its 20-wide panel cannot be hovered past the panel's edge.
    Form* f = CreateForm("F");
    ShowForm(f);
    Control* panel = AddControl(f, nullptr, ControlKind::Panel, "Panel", 0, 0, 20, 20);
    Control* label = AddControl(f, panel, ControlKind::Label, "Label", 10, 0, 50, 20);
    Listen(panel), Listen(label), Listen(f);
    Send({Move(15, 5), Move(25, 5)});
    EXPECT_EQ(Take(), (Strings{"Label:move@5,5", "F:move@25,5"}));
}

TEST_F(Events, ClickNeedsTheButtonToGoDownAndUpOnTheSameControl) {
    Form* f = CreateForm("F");
    ShowForm(f);
    Control* a = AddControl(f, nullptr, ControlKind::Label, "A", 0, 0, 50, 50);
    Control* b = AddControl(f, nullptr, ControlKind::Label, "B", 100, 0, 50, 50);
    Listen(a), Listen(b);
    Send({Down(10, 10), Up(20, 20)});
    EXPECT_EQ(Take(), (Strings{"A:down@10,10", "A:up@20,20", "A:click"}));
    // Dragged off: the control that had the button down hears the up, but no click.
    Send({Down(10, 10), Up(110, 10)});
    EXPECT_EQ(Take(), (Strings{"A:down@10,10", "A:up@110,10"}));
    // Up without a down (the down happened before a form appeared) is no click either.
    Send({Up(110, 10)});
    EXPECT_EQ(Take(), (Strings{"B:up@10,10"}));
}

TEST_F(Events, DisabledShopUnderThePopUpGetsNothingAndShieldsTheRaceWindow) {
    Form* race = CreateForm("Race");
    Form* shop = CreateForm("Shop");
    Form* pop = CreateForm("Pop", 281, 97);
    pop->Left = 300, pop->Top = 300;
    Control* start = AddControl(race, nullptr, ControlKind::Label, "Start", 0, 0, 100, 100);
    Control* item = AddControl(shop, nullptr, ControlKind::Label, "Item", 0, 0, 100, 100);
    Control* ok = AddControl(pop, nullptr, ControlKind::Label, "OK", 64, 64, 153, 25);
    Listen(race), Listen(shop), Listen(pop), Listen(start), Listen(item), Listen(ok);
    ShowForm(race);
    ShowForm(shop);
    ShowForm(pop);
    shop->Enabled = false;
    Send({Move(10, 10), Down(10, 10), Up(10, 10), Key(InputEvent::Type::KeyDown, 13)});
    // The pointer over the disabled shop reaches neither the shop nor the race window; the
    // key goes to the pop-up, the topmost form that is enabled.
    EXPECT_EQ(Take(), (Strings{"Pop:key13"}));
    Send({Move(370, 370), Down(370, 370), Up(370, 370)});
    EXPECT_EQ(Take(), (Strings{"OK:move@6,6", "OK:down@6,6", "OK:up@6,6", "OK:click"}));
    shop->Enabled = true;
    HideForm(pop);
    Send({Down(10, 10), Up(10, 10)});
    EXPECT_EQ(Take(), (Strings{"Item:down@10,10", "Item:up@10,10", "Item:click"}));
    HideForm(shop);
    Send({Down(10, 10)});
    EXPECT_EQ(Take(), (Strings{"Start:down@10,10"}));
}

TEST_F(Events, ShowFormBringsAFormToTheFrontForMouseAndKeys) {
    Form* a = CreateForm("A");
    Form* b = CreateForm("B");
    Listen(a), Listen(b);
    ShowForm(b);
    ShowForm(a);
    Send({Move(1, 1), Key(InputEvent::Type::KeyDown, 37), Key(InputEvent::Type::KeyUp, 37)});
    ShowForm(b);
    Send({Move(1, 1), Key(InputEvent::Type::KeyDown, 32)});
    EXPECT_EQ(Take(), (Strings{"A:move@1,1", "A:key37", "A:keyup37", "B:move@1,1", "B:key32"}));
    EXPECT_EQ(FormsInZOrder(), (std::vector<Form*>{a, b}));
}

TEST_F(Events, ClickHandlerThatDestroysItsOwnFormIsSafe) {
    // The Quit button destroys the front end and creates it afresh from its own click.
    Form* f = CreateForm("Front");
    ShowForm(f);
    Control* quit = AddControl(f, nullptr, ControlKind::Label, "Quit", 0, 0, 50, 50);
    Form* fresh = nullptr;
    quit->MouseUp = [&](int, int, int) {
        DestroyForm(f);
        fresh = CreateForm("Front");
        ShowForm(fresh);
    };
    bool clicked = false;
    quit->Click = [&] { clicked = true; };
    Send({Down(5, 5), Up(5, 5), Move(5, 5)});
    EXPECT_FALSE(clicked);  // its form is gone, so the click is not delivered
    EXPECT_EQ(FormsInZOrder(), (std::vector<Form*>{fresh}));
}

TEST_F(Events, ListBoxSelectsTheRowUnderThePointerBeforeItsHandlersRun) {
    Form* f = CreateForm("F");
    ShowForm(f);
    Control* list = AddControl(f, nullptr, ControlKind::ListBox, "SaveGameList", 7, 7, 177, 116);
    list->TextFont = Font{"Times New Roman", 12, false};
    list->List = {" Ann", " Bob", " Cy"};
    int seenOnDown = -2, seenOnClick = -2;
    list->MouseDown = [&](int, int, int) { seenOnDown = list->ListIndex; };
    list->Click = [&] { seenOnClick = list->ListIndex; };
    // Rows are one line of the font apart: 12 pt * 96 / 72 * 1.15 = 18 without fonts.
    int w = 0, row = 18;
    if (TextRenderer* text = CurrentTextRenderer()) text->Measure(list->TextFont, "Ag", w, row);
    int thirdRow = 7 + 2 * row + 1;
    Send({Down(20, thirdRow), Up(20, thirdRow)});
    EXPECT_EQ(seenOnDown, 2);
    EXPECT_EQ(seenOnClick, 2);
    Send({Down(20, 8), Up(20, 8)});
    EXPECT_EQ(list->ListIndex, 0);
    // Below the last entry the selection stays where it was.
    Send({Down(20, 7 + 4 * row), Up(20, 7 + 4 * row)});
    EXPECT_EQ(list->ListIndex, 0);
}

TEST_F(Events, TypingReplacesTheSelectionAndBackspaceEdits) {
    Form* f = CreateForm("Front");
    ShowForm(f);
    Listen(f);
    Control* name = AddControl(f, nullptr, ControlKind::TextBox, "Text1", 10, 10, 150, 24);
    name->Text = "Gustav";
    SetFocus(name);
    name->SelStart = 0;
    name->SelLength = 6;  // the whole old name, so typing replaces it
    Send({Typed("Ke"), Typed("n"), Key(InputEvent::Type::KeyDown, 8), Typed("nji")});
    EXPECT_EQ(name->Text, "Kenji");
    EXPECT_EQ(name->SelStart, 5);
    // Enter still reaches the form while the box has the focus.
    Send({Key(InputEvent::Type::KeyDown, 13)});
    EXPECT_EQ(Take(), (Strings{"Front:key8", "Front:key13"}));
    // Backspace with a selection removes just the selection; a multi-byte letter goes whole.
    name->Text = "Zoë";
    name->SelStart = 4;
    name->SelLength = 0;
    Send({Key(InputEvent::Type::KeyDown, 8)});
    EXPECT_EQ(name->Text, "Zo");
    name->SelStart = 0, name->SelLength = 1;
    Send({Key(InputEvent::Type::KeyDown, 8), Typed("G")});
    EXPECT_EQ(name->Text, "Go");
    // Caret keys step over whole letters: End, Left twice, Delete takes the "ë" of "Zoë!".
    name->Text = "Zoë!";
    Send({Key(InputEvent::Type::KeyDown, vbKeyEnd), Key(InputEvent::Type::KeyDown, vbKeyLeft),
          Key(InputEvent::Type::KeyDown, vbKeyLeft), Key(InputEvent::Type::KeyDown, vbKeyDelete)});
    EXPECT_EQ(name->Text, "Zo!");
    Send({Key(InputEvent::Type::KeyDown, vbKeyHome), Key(InputEvent::Type::KeyDown, vbKeyRight),
          Typed("e")});
    EXPECT_EQ(name->Text, "Zeo!");
}

TEST_F(Events, TextGoesNowhereWithoutAFocusedVisibleBox) {
    Form* f = CreateForm("Front");
    ShowForm(f);
    Control* panel = AddControl(f, nullptr, ControlKind::Panel, "NewDriverBox", 0, 0, 250, 306);
    Control* name = AddControl(f, panel, ControlKind::TextBox, "Text1", 10, 10, 150, 24);
    Send({Typed("x")});
    EXPECT_EQ(name->Text, "");
    SetFocus(name);
    panel->Visible = false;  // the panel was closed: its box keeps the name but takes no keys
    Send({Typed("x")});
    EXPECT_EQ(name->Text, "");
    panel->Visible = true;
    Send({Typed("x")});
    EXPECT_EQ(name->Text, "x");
}

TEST_F(Events, MouseDownOnATextBoxFocusesIt) {
    Form* f = CreateForm("Front");
    ShowForm(f);
    Control* name = AddControl(f, nullptr, ControlKind::TextBox, "Text1", 10, 10, 150, 24);
    Send({Down(150, 15), Up(150, 15), Typed("Hal")});
    EXPECT_EQ(f->Focus, name);
    EXPECT_EQ(name->Text, "Hal");
}

TEST_F(Events, QuitEventAndResetStartAfresh) {
    InputEvent quit;
    quit.Kind = InputEvent::Type::Quit;
    Send({quit});
    EXPECT_TRUE(QuitRequested());
    CreateForm("F");
    MsgBox("No slots available");
    ResetPlatform();
    EXPECT_FALSE(QuitRequested());
    EXPECT_TRUE(FormsInZOrder().empty());
    EXPECT_TRUE(MessageLog().empty());
}

TEST_F(Events, HeadlessMessageBoxIsLoggedAndReturnsAtOnce) {
    Form* f = CreateForm("Shop");
    ShowForm(f);
    MsgBox("You don't have enough cash for that.");
    MsgBox("No slots available");
    EXPECT_EQ(MessageLog(), (Strings{"You don't have enough cash for that.", "No slots available"}));
    EXPECT_EQ(FormsInZOrder(), (std::vector<Form*>{f}));
}

TEST_F(Events, PointerOfTheFormUnderTheMouseIsPassedOn) {
    Form* race = CreateForm("Race", 1024, 768);
    Form* pop = CreateForm("Pop", 100, 100);
    ShowForm(race);
    ShowForm(pop);
    SetMousePointer(race, PointerKind::Invisible);
    SetMousePointer(pop, PointerKind::Arrow);
    Send({Move(500, 500)});
    EXPECT_EQ(Backend.LastPointer, PointerKind::Invisible);
    Send({Move(50, 50)});
    EXPECT_EQ(Backend.LastPointer, PointerKind::Arrow);
    // A custom pointer without a picture falls back to the default.
    SetMousePointer(pop, PointerKind::Custom);
    DoEvents();
    EXPECT_EQ(Backend.LastPointer, PointerKind::Default);
}

namespace {

// The headless backend with somebody at the keyboard: message boxes wait for them.
struct AttendedBackend : HeadlessBackend {
    bool Interactive() override { return true; }
};

}  // namespace

TEST(ModalMessage, WaitsForOkWhileOtherFormsHearNothing) {
    FreshHeadless();
    AttendedBackend backend;
    InstallBackend(&backend);
    Form* shop = CreateForm("Shop");
    ShowForm(shop);
    int shopKeys = 0, shopClicks = 0;
    shop->KeyDown = [&](int) { ++shopKeys; };
    Control* item = AddControl(shop, nullptr, ControlKind::Label, "Item", 0, 0, 100, 100);
    item->Click = [&] { ++shopClicks; };
    // The box is centred; its OK button sits in its lower middle, at the canvas centre
    // plus about 40 pixels down.
    auto at = [](InputEvent::Type t, int x, int y) {
        InputEvent e;
        e.Kind = t, e.X = x, e.Y = y;
        return e;
    };
    backend.Schedule(5, at(InputEvent::Type::MouseDown, 10, 10));
    backend.Schedule(5, at(InputEvent::Type::MouseUp, 10, 10));
    InputEvent space;
    space.Kind = InputEvent::Type::KeyDown, space.Key = vbKeySpace;
    backend.Schedule(6, space);
    int shownAt = -1;
    backend.BeforeTurn = [&] {
        for (Form* f : FormsInZOrder())
            if (f->Name == "MsgBox" && shownAt < 0) {
                shownAt = 1;
                Control* ok = FindControl(f, "OK");
                ASSERT_NE(ok, nullptr);
                int x = ok->CanvasLeft() + ok->Width / 2, y = ok->CanvasTop() + ok->Height / 2;
                backend.Schedule(8, at(InputEvent::Type::MouseDown, x, y));
                backend.Schedule(8, at(InputEvent::Type::MouseUp, x, y));
            }
        backend.Advance(1);
    };
    MsgBox("No slots available");
    EXPECT_EQ(shownAt, 1);
    EXPECT_EQ(shopKeys, 0);
    EXPECT_EQ(shopClicks, 0);
    EXPECT_EQ(FormsInZOrder(), (std::vector<Form*>{shop}));
    EXPECT_EQ(MessageLog(), (std::vector<std::string>{"No slots available"}));
    // Enter closes it too, and afterwards the shop hears keys again.
    backend.Schedule(20, [] {
        InputEvent e;
        e.Kind = InputEvent::Type::KeyDown, e.Key = vbKeyReturn;
        return e;
    }());
    MsgBox("again");
    backend.Push(space);
    DoEvents();
    EXPECT_EQ(shopKeys, 1);
    InstallHeadlessBackend();
}
