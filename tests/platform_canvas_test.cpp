// What the composed canvas shows: forms, containers, pictures, text and pointers.
#include <gtest/gtest.h>

#include "platform/backend.h"
#include "platform/platform.h"
#include "test_support.h"

namespace {

// Pixels inside a rectangle that pass a test: how many, and their bounding box.
struct Ink {
    int Count = 0, X0 = 1 << 30, Y0 = 1 << 30, X1 = -1, Y1 = -1;
};
template <typename Is>
Ink FindInk(int x, int y, int w, int h, Is is) {
    Ink ink;
    for (int ty = y; ty < y + h; ++ty)
        for (int tx = x; tx < x + w; ++tx)
            if (is(tx, ty)) {
                ++ink.Count;
                ink.X0 = std::min(ink.X0, tx), ink.X1 = std::max(ink.X1, tx);
                ink.Y0 = std::min(ink.Y0, ty), ink.Y1 = std::max(ink.Y1, ty);
            }
    return ink;
}
Ink FindInk(const Surface& s, int x, int y, int w, int h, std::uint32_t pixel) {
    return FindInk(x, y, w, h, [&](int tx, int ty) { return s.Pixel(tx, ty) == pixel; });
}

Form* ShownForm(const char* name) {
    FreshHeadless();
    Form* f = CreateForm(name);
    ShowForm(f);
    return f;
}

}  // namespace

TEST(Canvas, FormsPaintBackToFrontAtTheirPlaceAndHiddenOnesNot) {
    Form* back = ShownForm("Back");
    back->BackColor = RGB(0, 0, 255);
    Form* front = CreateForm("Front", 100, 50);
    front->Left = 10, front->Top = 20;
    front->BackColor = RGB(255, 0, 0) | 0x2000000;  // palette-relative: same red
    CreateForm("Hidden")->BackColor = RGB(0, 255, 0);
    ShowForm(front);
    const Surface& c = ComposeCanvas();
    EXPECT_EQ(c.Pixel(9, 20), 0x0000FFu);
    EXPECT_EQ(c.Pixel(10, 20), 0xFF0000u);
    EXPECT_EQ(c.Pixel(109, 69), 0xFF0000u);
    EXPECT_EQ(c.Pixel(110, 69), 0x0000FFu);
    ShowForm(back);  // now in front of the small form
    EXPECT_EQ(ComposeCanvas().Pixel(50, 50), 0x0000FFu);
}

TEST(Canvas, ContainersClipTheirChildrenAndHideThemWithThemselves) {
    // Panel 40 x 40 at (100, 100); a child 100 wide at (30, 10) inside shows only its
    // first 10 columns (canvas 130..139).
    Form* f = ShownForm("F");
    Control* panel = AddControl(f, nullptr, ControlKind::Panel, "Panel", 100, 100, 40, 40);
    panel->BackColor = RGB(64, 64, 64);
    Control* bar = AddControl(f, panel, ControlKind::Shape, "DamFill", 30, 10, 100, 5);
    bar->BackColor = RGB(255, 255, 0);
    Ink ink = FindInk(ComposeCanvas(), 0, 0, 300, 300, 0xFFFF00);
    EXPECT_EQ(ink.Count, 10 * 5);
    EXPECT_EQ(ink.X0, 130);
    EXPECT_EQ(ink.X1, 139);
    // A bar set to 1500 twips is 100 pixels wide, 750 twips 50.
    bar->Left = 0;
    bar->SetWidthTwips(750);
    EXPECT_EQ(bar->Width, 50);
    EXPECT_EQ(FindInk(ComposeCanvas(), 0, 0, 300, 300, 0xFFFF00).Count, 40 * 5);
    panel->Visible = false;
    EXPECT_EQ(FindInk(ComposeCanvas(), 0, 0, 300, 300, 0xFFFF00).Count, 0);
    EXPECT_FALSE(bar->ShownOnScreen());
}

// A panel over the whole form hides everything drawn before it, so nothing under it is
// drawn at all: a loading screen's hidden labels open no fonts. One pixel short, they are.
TEST(Canvas, PanelCoveringTheWholeFormLeavesWhatIsUnderItUndrawn) {
    struct CountingText : TextRenderer {
        int Drawn = 0;
        void Measure(const Font&, const std::string&, int& w, int& h) override { w = h = 8; }
        void Draw(Surface& target, int x, int y, int, int, const std::string&, const Font&,
                  std::uint32_t pixel, Alignment, bool) override {
            ++Drawn;
            target.FillRect(x, y, 4, 4, pixel);
        }
    } text;
    Form* f = ShownForm("F");
    TextRenderer* before = CurrentTextRenderer();
    InstallTextRenderer(&text);
    f->BackColor = RGB(0, 0, 255);
    Control* label = AddLabel(f, nullptr, "Label1", "Career Mode", 20, 20, 100, 20, Font{},
                              RGB(255, 255, 255));
    label->Transparent = true;
    Control* cover = AddControl(f, nullptr, ControlKind::Panel, "BlackOut", -10, -10,
                                CanvasWidth + 64, CanvasHeight + 64);
    AddLabel(f, cover, "OnTop", "Loading", 200, 200, 100, 20, Font{}, RGB(0, 255, 0));

    EXPECT_EQ(FindInk(ComposeCanvas(), 0, 0, CanvasWidth, CanvasHeight, 0).Count,
              CanvasWidth * CanvasHeight - 16);  // black but for the label drawn on the cover
    EXPECT_EQ(text.Drawn, 1);
    cover->Width = CanvasWidth + 9;  // its last column now shows the form beneath
    const Surface& uncovered = ComposeCanvas();
    EXPECT_EQ(text.Drawn, 2);  // each caption is drawn once and kept
    EXPECT_EQ(uncovered.Pixel(CanvasWidth - 1, 5), 0x0000FFu);
    EXPECT_EQ(uncovered.Pixel(20, 20), 0);  // the caption lies under the panel all the same
    cover->Visible = false;
    EXPECT_EQ(ComposeCanvas().Pixel(20, 20), 0xFFFFFFu);
    InstallTextRenderer(before);
}

TEST(Canvas, PictureBoxShowsItsPictureFromTheCornerClippedToItsSize) {
    Form* f = ShownForm("F");
    Control* box = AddControl(f, nullptr, ControlKind::PictureBox, "MiniView", 50, 60, 20, 10);
    box->BackColor = RGB(0, 0, 128);
    box->Picture.Resize(30, 5, 0x00FF00);  // wider than the box, half its height
    const Surface& c = ComposeCanvas();
    EXPECT_EQ(FindInk(c, 0, 0, 200, 200, 0x00FF00).Count, 20 * 5);
    EXPECT_EQ(c.Pixel(50, 64), 0x00FF00u);
    EXPECT_EQ(c.Pixel(50, 65), 0x000080u);  // below the picture: the box's colour
    EXPECT_EQ(c.Pixel(70, 60), 0u);         // right of the box: the form's black
}

TEST(Canvas, LabelCaptionIsDrawnInItsColourInsideItsBox) {
    Form* f = ShownForm("Front");
    if (!CurrentTextRenderer()) GTEST_SKIP() << "no fonts on this machine";
    f->BackColor = RGB(64, 64, 64);
    Control* exit = AddLabel(f, nullptr, "Label3", "Exit", 240, 312, 185, 41,
                             Font{"Arial", 15.75f, false}, RGB(0, 128, 0), Alignment::Centre);
    Ink ink = FindInk(ComposeCanvas(), 0, 0, CanvasWidth, CanvasHeight, 0x008000);
    EXPECT_GT(ink.Count, 20);
    EXPECT_GE(ink.Y0, 312);
    // Centred: the ink's middle is within a few pixels of the box's middle, 332.
    EXPECT_NEAR((ink.X0 + ink.X1) / 2.0, 332.5, 4);
    // Hover colour change shows at the next compose; transparent keeps the panel grey.
    exit->ForeColor = RGB(0, 192, 0);
    const Surface& c = ComposeCanvas();
    EXPECT_EQ(FindInk(c, 240, 312, 185, 41, 0x008000).Count, 0);
    EXPECT_EQ(FindInk(c, 240, 312, 185, 41, 0x00C000).Count, ink.Count);
    EXPECT_EQ(c.Pixel(241, 313), 0x404040u);
    exit->Transparent = false;
    exit->BackColor = RGB(0, 0, 0);
    EXPECT_EQ(ComposeCanvas().Pixel(241, 313), 0u);
    // A new caption is drawn anew, not taken from the text already drawn: "Exit Now" has
    // more ink than "Exit".
    exit->Caption = "Exit Now";
    EXPECT_GT(FindInk(ComposeCanvas(), 240, 312, 185, 41, 0x00C000).Count, ink.Count * 3 / 2);
}

TEST(Canvas, CaptionWiderThanItsLabelBreaksAtSpaces) {
    Form* f = ShownForm("Front");
    if (!CurrentTextRenderer()) GTEST_SKIP() << "no fonts on this machine";
    const std::string hint = "Hint: Holding down left or right arrow does a hard wheel crank. "
                             "Release and press again to turn gradually.";
    Control* label = AddLabel(f, nullptr, "Label35", hint, 0, 168, 1000, 76,
                              Font{"Arial", 8.25f, false}, RGB(192, 192, 0), Alignment::Centre);
    Ink oneLine = FindInk(ComposeCanvas(), 0, 0, 1024, 400, 0xC0C000);
    label->Left = 21;
    label->Width = 223;
    Ink wrapped = FindInk(ComposeCanvas(), 0, 0, 1024, 400, 0xC0C000);
    // About 550 pixels of 11-pixel text make three lines of 13 in the 223-pixel width,
    // with nothing cut off.
    EXPECT_LT(oneLine.Y1 - oneLine.Y0, 15);
    EXPECT_GT(wrapped.Y1 - wrapped.Y0, 2 * 13);
    EXPECT_NEAR(wrapped.Count, oneLine.Count, oneLine.Count / 20);
    EXPECT_GE(wrapped.X0, 21);
    EXPECT_LE(wrapped.X1, 21 + 222);
}

TEST(Canvas, FocusedTextBoxShowsCaretAndSelectionListBoxItsChoice) {
    Form* f = ShownForm("Front");
    if (!CurrentTextRenderer()) GTEST_SKIP() << "no fonts on this machine";
    Control* name = AddControl(f, nullptr, ControlKind::TextBox, "Text1", 10, 10, 150, 24);
    name->Text = "Gustav";
    const std::uint32_t navy = 0x000080;
    EXPECT_EQ(FindInk(ComposeCanvas(), 10, 10, 150, 24, navy).Count, 0);
    SetFocus(name);
    name->SelStart = 0, name->SelLength = 6;
    EXPECT_GT(FindInk(ComposeCanvas(), 10, 10, 150, 24, navy).Count, 100);
    name->SelLength = 0, name->SelStart = 6;
    // Caret: one black column after the text, as tall as a line, only while focused.
    Surface focused = ComposeCanvas();
    f->Focus = nullptr;
    const Surface& unfocused = ComposeCanvas();
    Ink caret = FindInk(10, 10, 150, 24, [&](int x, int y) {
        return focused.Pixel(x, y) == 0 && unfocused.Pixel(x, y) != 0;
    });
    EXPECT_GT(caret.X0, 30);  // after "Gustav"
    EXPECT_EQ(caret.X0, caret.X1);
    EXPECT_GT(caret.Y1 - caret.Y0, 10);

    Control* list = AddControl(f, nullptr, ControlKind::ListBox, "SaveGameList", 200, 10, 177, 116);
    list->TextFont = Font{"Times New Roman", 12, false};
    list->List = {" Otto", " Mabel", " Kenji"};
    EXPECT_EQ(FindInk(ComposeCanvas(), 200, 10, 177, 116, navy).Count, 0);
    list->ListIndex = 1;
    Ink row = FindInk(ComposeCanvas(), 200, 10, 177, 116, navy);
    EXPECT_EQ(row.X0, 200);
    EXPECT_EQ(row.X1, 376);
    EXPECT_GT(row.Y0, 10);  // the second row, not the first
}

// Pointers from .cur and .ico files.
namespace {

// Each value as a little-endian field of so many bytes.
void Put(std::vector<unsigned char>& b,
         std::initializer_list<std::pair<std::uint32_t, int>> fields) {
    for (auto [v, bytes] : fields)
        for (int i = 0; i < bytes; ++i) b.push_back(i < 4 ? (v >> (8 * i)) & 0xFF : 0);
}

// A one-entry 32 x 32 icon or cursor. Colours: 32-bit BGRA, or 1-bit black/white with
// the AND mask. The pointer's drawn part is the 8 x 8 square at the top-left.
std::vector<unsigned char> PointerFile(bool cursor, int bits, bool alpha) {
    std::vector<unsigned char> dib;
    // Info header (height 64: colours then mask), the rest zero; then the 1-bit palette.
    Put(dib, {{40, 4}, {32, 4}, {64, 4}, {1, 2}, {std::uint32_t(bits), 2}, {0, 24}});
    if (bits == 1) Put(dib, {{0x000000, 4}, {0xFFFFFF, 4}});
    for (int row = 31; row >= 0; --row)  // bottom-up
        for (int x = 0; x < 32; ++x) {
            bool inside = row < 8 && x < 8;
            if (bits == 32)
                Put(dib, {{inside ? 0x3366CCu : 0u, 3}, {alpha && inside ? 255u : 0u, 1}});
            else if (x % 8 == 0)
                dib.push_back(inside ? 0xFF : 0x00);  // white inside
        }
    for (int row = 31; row >= 0; --row)
        for (int byte = 0; byte < 4; ++byte)  // AND mask: 0 where drawn
            dib.push_back(row < 8 && byte == 0 ? 0x00 : 0xFF);
    std::vector<unsigned char> b;
    // Directory, then the entry: 32 x 32, hot spot (cursor) or planes and depth (icon).
    Put(b, {{0, 2}, {cursor ? 2u : 1u, 2}, {1, 2}, {32, 1}, {32, 1}, {0, 2}});
    Put(b, {{cursor ? 3u : 1u, 2}, {cursor ? 4u : std::uint32_t(bits), 2}});
    Put(b, {{std::uint32_t(dib.size()), 4}, {22, 4}});
    b.insert(b.end(), dib.begin(), dib.end());
    return b;
}

std::string Save(const std::string& name, const std::vector<unsigned char>& bytes) {
    std::string path = TempFolder("pointers-" + name) + "/" + name;
    WriteFileText(path, {bytes.begin(), bytes.end()});
    return path;
}

}  // namespace

class PointerFiles : public ::testing::TestWithParam<std::tuple<bool, int, bool>> {};

TEST_P(PointerFiles, LoadTheSquareWithItsMaskAndHotSpot) {
    auto [cursor, bits, alpha] = GetParam();
    Form* f = ShownForm("Front");
    ASSERT_TRUE(SetMouseIcon(f, Save("p.bin", PointerFile(cursor, bits, alpha))));
    EXPECT_EQ(f->Pointer, PointerKind::Custom);
    ASSERT_EQ(std::pair(f->PointerImage.Width, f->PointerImage.Height), std::pair(32, 32));
    EXPECT_EQ(f->PointerImage.Pixel(0, 0), bits == 32 ? 0x3366CCu : 0xFFFFFFu);
    Ink drawn =
        FindInk(0, 0, 32, 32, [&](int x, int y) { return f->PointerMask.Pixel(x, y) != 0; });
    EXPECT_EQ(drawn.Count, 64);  // 64 pixels within columns and rows 0..7: the square
    EXPECT_EQ(std::pair(drawn.X1, drawn.Y1), std::pair(7, 7));
    EXPECT_EQ(std::pair(f->PointerHotX, f->PointerHotY),
              cursor ? std::pair(3, 4) : std::pair(16, 16));
}

INSTANTIATE_TEST_SUITE_P(Canvas, PointerFiles,
                         ::testing::Values(std::tuple{false, 32, true}, std::tuple{false, 32, false},
                                           std::tuple{true, 1, false}, std::tuple{false, 1, false}));

TEST(Canvas, UnusablePointerFileLeavesThePointerAsItWas) {
    Form* f = ShownForm("Front");
    SetMousePointer(f, PointerKind::Arrow);
    auto good = PointerFile(false, 32, true);
    EXPECT_FALSE(SetMouseIcon(f, Save("cut.ico", {good.begin(), good.begin() + 200})));
    EXPECT_FALSE(SetMouseIcon(f, Save("text.ico", {'h', 'e', 'l', 'l', 'o'})));
    EXPECT_FALSE(SetMouseIcon(f, "/no/such/Trffc10a.ico"));
    EXPECT_EQ(f->Pointer, PointerKind::Arrow);
    EXPECT_TRUE(f->PointerImage.Empty());
}
