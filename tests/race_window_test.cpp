// The pre-race panel: how it looks, the hover colours of its buttons and what they do.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/app.h"
#include "career/career.h"
#include "frontend/frontend.h"
#include "race/race_internal.h"
#include "race_test_folder.h"

namespace {

using RacePanel = RaceScreenTest;

// Hovering a button lights it and dims the other three, so one button at most is lit;
// the panel's own background dims only Start.
TEST_F(RacePanel, HoverLightsTheButtonAndDimsTheOthers) {
    Control* buttons[4] = {Panel.Start, Panel.Shop, Panel.Quit, Panel.SaveCareer};
    const auto untouched = RGB(1, 2, 3);
    for (int over = -1; over < 4; ++over) {
        for (Control* b : buttons) b->ForeColor = untouched;
        (over < 0 ? FlashBox : buttons[over])->MouseMove(0, 5, 5);
        for (int k = 0; k < 4; ++k) {
            bool dimmed = over >= 0 || k == 0;
            EXPECT_EQ(buttons[k]->ForeColor, k == over ? ButtonLit : dimmed ? ButtonNormal : untouched)
                << "over " << over << ", button " << k;
        }
    }
    // A lit button ignores further moves: a second Shop hover would dim Start.
    Panel.Shop->MouseMove(0, 1, 1);
    Panel.Start->ForeColor = ButtonLit;
    Panel.Shop->MouseMove(0, 2, 2);
    EXPECT_EQ(Panel.Start->ForeColor, ButtonLit);
}

TEST_F(RacePanel, SaveCareerSaysSavedUntilTheShopClearsIt) {
    std::uint32_t before = GetTickCount();
    SaveCareerClick();
    EXPECT_GE(GetTickCount() - before, 500u);
    EXPECT_EQ(Panel.SaveCareer->Caption, "Save Career");
    EXPECT_EQ(Panel.Status->Caption, "Saved...");
    EXPECT_EQ(RaceWindow->Pointer, PointerKind::Default);
    ShopClick();
    EXPECT_EQ(Panel.Status->Caption, "");

    // Closing the game during the half second ends the wait at once, the career saved.
    int turns = 0;
    Backend->BeforeTurn = [&] {
        if (++turns == 2) RequestQuit();
    };
    const std::string saved = AppPath() + "/saves/Ann" + std::string(12, ' ') + ".sav";
    ASSERT_EQ(std::remove(saved.c_str()), 0);
    before = GetTickCount();
    SaveCareerClick();
    EXPECT_LT(GetTickCount() - before, 50u);
    EXPECT_EQ(turns, 2);
    EXPECT_TRUE(FileExists(saved));
    EXPECT_EQ(Panel.SaveCareer->Caption, "Save Career");
}

TEST_F(RacePanel, PanelIsDrawnGreyOnBlackWithTheCoursePreview) {
    Refresh();
    const Surface& canvas = ComposeCanvas();
    // Outside the panel the backdrop is black; the panel is dark grey.
    EXPECT_EQ(canvas.Pixel(40, 40), 0x000000u);
    EXPECT_EQ(canvas.Pixel(FlashBox->Left + 5, FlashBox->Top + 200), 0x404040u);
    // The preview sits in the middle of the panel.
    EXPECT_EQ(canvas.Pixel(BigMapBox->CanvasLeft() + 160, BigMapBox->CanvasTop() + 120),
              0x336633u);
    // Some of the Start caption is drawn in its dark green.
    int green = 0;
    for (int y = Panel.Start->CanvasTop(); y < Panel.Start->CanvasTop() + Panel.Start->Height; ++y)
        for (int x = Panel.Start->CanvasLeft(); x < Panel.Start->CanvasLeft() + Panel.Start->Width;
             ++x)
            if (canvas.Pixel(x, y) == PixelFromColour(ButtonNormal)) ++green;
    if (CurrentTextRenderer()) { EXPECT_GT(green, 20); }
}

}  // namespace
