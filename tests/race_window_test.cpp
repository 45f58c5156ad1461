// The pre-race panel: how it looks, the hover colours of its buttons and what they do.
#include <gtest/gtest.h>

#include "app/app.h"
#include "career/career.h"
#include "frontend/frontend.h"
#include "race/race.h"
#include "race_test_folder.h"

namespace {

class RacePanel : public ::testing::Test {
protected:
    HeadlessBackend* Backend = nullptr;
    void SetUp() override {
        Backend = &FreshHeadless();
        RaceFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        Settings = GameSettings{};
        LoadRaceWindow();
        DriverNames[10] = "Ann";
        NewCareer();
    }
};

struct HoverCase {
    Control** Over;  // nullptr: the panel's own background
    std::vector<Control**> Lit;
    std::vector<Control**> Dimmed;
    std::vector<Control**> Untouched;
};

class Hovering : public RacePanel, public ::testing::WithParamInterface<HoverCase> {};

TEST_P(Hovering, LightsTheButtonAndDimsOnlyTheOnesItNames) {
    const HoverCase& c = GetParam();
    for (Control* b : {Label16, Label17, Label18, Label19}) b->ForeColor = RGB(1, 2, 3);
    Control* target = c.Over ? *c.Over : FlashBox;
    target->MouseMove(0, 5, 5);
    for (Control** b : c.Lit) EXPECT_EQ((*b)->ForeColor, ButtonLit) << (*b)->Caption;
    for (Control** b : c.Dimmed) EXPECT_EQ((*b)->ForeColor, ButtonNormal) << (*b)->Caption;
    for (Control** b : c.Untouched) EXPECT_EQ((*b)->ForeColor, RGB(1, 2, 3)) << (*b)->Caption;
}

INSTANTIATE_TEST_SUITE_P(
    RacePanel, Hovering,
    ::testing::Values(
        // Start leaves Save Career alone; the panel only dims Start.
        HoverCase{&Label16, {&Label16}, {&Label17, &Label18}, {&Label19}},
        HoverCase{&Label17, {&Label17}, {&Label16, &Label18, &Label19}, {}},
        HoverCase{&Label18, {&Label18}, {&Label16, &Label17, &Label19}, {}},
        HoverCase{&Label19, {&Label19}, {&Label16, &Label17, &Label18}, {}},
        HoverCase{nullptr, {}, {&Label16}, {&Label17, &Label18, &Label19}}));

TEST_F(RacePanel, ALitButtonIgnoresFurtherMoves) {
    Label17->MouseMove(0, 1, 1);
    Label16->ForeColor = ButtonLit;  // would be dimmed by a second Shop hover
    Label17->MouseMove(0, 2, 2);
    EXPECT_EQ(Label16->ForeColor, ButtonLit);
}

TEST_F(RacePanel, SaveCareerSaysSavedUntilTheShopClearsIt) {
    std::uint32_t before = GetTickCount();
    SaveCareerClick();
    EXPECT_GE(GetTickCount() - before, 500u);
    EXPECT_EQ(Label19->Caption, "Save Career");
    EXPECT_EQ(msg_FlashScreen->Caption, "Saved...");
    EXPECT_EQ(RaceWindow->Pointer, PointerKind::Default);
    ShopClick();
    EXPECT_EQ(msg_FlashScreen->Caption, "");
}

TEST_F(RacePanel, PanelIsDrawnGreyOnBlackWithTheCoursePreview) {
    Refresh();
    const Surface& canvas = ComposeCanvas();
    SavePicture(canvas, AppPath() + "/panel.bmp");
    // Outside the panel the backdrop is black; the panel is dark grey.
    EXPECT_EQ(canvas.Pixel(40, 40), 0x000000u);
    EXPECT_EQ(canvas.Pixel(FlashBox->Left + 5, FlashBox->Top + 200), 0x404040u);
    // The preview sits in the middle of the panel.
    EXPECT_EQ(canvas.Pixel(BigMapBox->CanvasLeft() + 160, BigMapBox->CanvasTop() + 120),
              0x336633u);
    // Some of the Start caption is drawn in its dark green.
    int green = 0;
    for (int y = Label16->CanvasTop(); y < Label16->CanvasTop() + Label16->Height; ++y)
        for (int x = Label16->CanvasLeft(); x < Label16->CanvasLeft() + Label16->Width; ++x)
            if (canvas.Pixel(x, y) == PixelFromColour(ButtonNormal)) ++green;
    if (CurrentTextRenderer()) {
        EXPECT_GT(green, 20);
    }
}

}  // namespace
