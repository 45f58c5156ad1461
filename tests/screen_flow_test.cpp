// From the front end to the race window and back, the way a player's mouse and keys go.
#include <gtest/gtest.h>

#include "app/app.h"
#include "frontend/frontend.h"
#include "race/race_internal.h"
#include "race_test_folder.h"

namespace {

using T = InputEvent::Type;

class ScreenFlow : public ::testing::Test {
protected:
    HeadlessBackend* Backend = nullptr;

    void SetUp() override {
        Backend = &FreshHeadless();
        RaceFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        Randomize(3);
        StartFrontEnd();
    }
    void TearDown() override { DestroyFrontEnd(); }

    void Send(T kind, int x = 0, int y = 0, int key = 0, const std::string& text = "") {
        InputEvent e;
        e.Kind = kind, e.X = x, e.Y = y, e.Key = key, e.Text = text;
        Backend->Push(e);
        DoEvents();
    }
    void Press(Control* c) {
        int x = c->CanvasLeft() + c->Width / 2, y = c->CanvasTop() + c->Height / 2;
        for (T kind : {T::MouseMove, T::MouseDown, T::MouseUp}) Send(kind, x, y);
    }
    void Press(const char* frontEndItem) { Press(FindControl(FrontEnd, frontEndItem)); }

    void NewDriver(const std::string& name) {
        Press("Label1");
        Press("Label21");
        Send(T::Text, 0, 0, 0, name);
        Send(T::KeyDown, 0, 0, vbKeyReturn);
    }
    bool OnPreRacePanel() const {
        return RaceWindow && RaceWindow->Visible && FlashBox->ShownOnScreen() &&
               !FrontEnd->Visible;
    }
    bool OnFreshFrontEnd() const {
        return FrontEnd->Visible && !RaceWindow->Visible && FrontEndBox->ShownOnScreen() &&
               !OptionBox->Visible && !CareerModeBox->Visible && DriverNameBox->Text.empty();
    }
};

TEST_F(ScreenFlow, NewDriverReachesThePreRacePanelAndQuitComesBackToAFreshMenu) {
    EXPECT_TRUE(FrontEnd->Visible);
    Press("Label2");
    Press("Label4");  // Easy
    Press("Label13");
    NewDriver("Ann");
    ASSERT_TRUE(OnPreRacePanel());
    EXPECT_EQ(DriverNames[PlayerNameEntry], "Ann");
    EXPECT_EQ(Cars[0].Cash, 1000);  // an easy career's purse

    Press(Panel.Quit);
    EXPECT_TRUE(OnFreshFrontEnd());
    // The menu loads afresh, and with it the settings.
    EXPECT_EQ(DifLabel->Caption, "Normal");
    EXPECT_EQ(Settings.Difficulty, DifficultyNormal);
    EXPECT_FALSE(QuitRequested());

    Press("Label3");
    EXPECT_TRUE(QuitRequested());
}

TEST_F(ScreenFlow, EscapeDuringARaceAbandonsItForTheFrontEnd) {
    NewDriver("Bea");
    ASSERT_TRUE(OnPreRacePanel());
    // Three start lights of a second each, then a few frames of racing.
    InputEvent escape;
    escape.Kind = T::KeyDown;
    escape.Key = vbKeyEscape;
    Backend->Schedule(GetTickCount() + 3 * LightMs + 10 * FrameMs, escape);
    Backend->Schedule(GetTickCount() + 3 * LightMs + 20 * FrameMs, escape);  // it asked first
    Press(Panel.Start);
    EXPECT_TRUE(OnFreshFrontEnd());
    EXPECT_EQ(RaceWindow->Pointer, PointerKind::Default);

    // And a second career starts as the first did.
    NewDriver("Cy");
    EXPECT_TRUE(OnPreRacePanel());
}

}  // namespace
