// What the composed canvas shows: forms, containers, pictures, text and pointers.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/platform.h"
#include "test_support.h"

namespace {

// Ink of one colour inside a rectangle: how many pixels, and their bounding box.
struct Ink {
    int Count = 0, X0 = 1 << 30, Y0 = 1 << 30, X1 = -1, Y1 = -1;
};
Ink FindInk(const Surface& s, int x, int y, int w, int h, std::uint32_t pixel) {
    Ink ink;
    for (int ty = y; ty < y + h; ++ty)
        for (int tx = x; tx < x + w; ++tx)
            if (s.Pixel(tx, ty) == pixel) {
                ++ink.Count;
                ink.X0 = std::min(ink.X0, tx), ink.X1 = std::max(ink.X1, tx);
                ink.Y0 = std::min(ink.Y0, ty), ink.Y1 = std::max(ink.Y1, ty);
            }
    return ink;
}

const Font Item{"Arial", 15.75f, false};

}  // namespace

TEST(Canvas, FormsPaintBackToFrontAtTheirPlaceAndHiddenOnesNot) {
    FreshHeadless();
    Form* back = CreateForm("Back");
    back->BackColor = RGB(0, 0, 255);
    Form* front = CreateForm("Front", 100, 50);
    front->Left = 10, front->Top = 20;
    front->BackColor = RGB(255, 0, 0) | 0x2000000;  // palette-relative: same red
    Form* hidden = CreateForm("Hidden");
    hidden->BackColor = RGB(0, 255, 0);
    ShowForm(back);
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
    FreshHeadless();
    Form* f = CreateForm("F");
    ShowForm(f);
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

TEST(Canvas, PictureBoxShowsItsPictureFromTheCornerClippedToItsSize) {
    FreshHeadless();
    Form* f = CreateForm("F");
    ShowForm(f);
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
    FreshHeadless();
    if (!CurrentTextRenderer()) GTEST_SKIP() << "no fonts on this machine";
    Form* f = CreateForm("Front");
    f->BackColor = RGB(64, 64, 64);
    ShowForm(f);
    Control* exit = AddLabel(f, nullptr, "Label3", "Exit", 240, 312, 185, 41, Item,
                             RGB(0, 128, 0), Alignment::Centre);
    Ink ink = FindInk(ComposeCanvas(), 0, 0, CanvasWidth, CanvasHeight, 0x008000);
    EXPECT_GT(ink.Count, 20);
    EXPECT_GE(ink.X0, 240);
    EXPECT_LE(ink.X1, 240 + 184);
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
    FreshHeadless();
    if (!CurrentTextRenderer()) GTEST_SKIP() << "no fonts on this machine";
    Form* f = CreateForm("Front");
    ShowForm(f);
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
    FreshHeadless();
    if (!CurrentTextRenderer()) GTEST_SKIP() << "no fonts on this machine";
    Form* f = CreateForm("Front");
    ShowForm(f);
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
    Ink caret;
    for (int y = 10; y < 34; ++y)
        for (int x = 10; x < 160; ++x)
            if (focused.Pixel(x, y) == 0 && unfocused.Pixel(x, y) != 0) {
                ++caret.Count;
                caret.X0 = std::min(caret.X0, x), caret.X1 = std::max(caret.X1, x);
                caret.Y0 = std::min(caret.Y0, y), caret.Y1 = std::max(caret.Y1, y);
            }
    EXPECT_GT(caret.X0, 30);  // after "Gustav"
    EXPECT_EQ(caret.X0, caret.X1);
    EXPECT_GT(caret.Y1 - caret.Y0, 10);

    Control* list = AddControl(f, nullptr, ControlKind::ListBox, "SaveGameList", 200, 10, 177, 116);
    list->BackColor = RGB(0, 0, 0);
    list->ForeColor = RGB(255, 255, 255);
    list->TextFont = Font{"Times New Roman", 12, false};
    list->List = {" Otto", " Mabel", " Kenji"};
    EXPECT_EQ(FindInk(ComposeCanvas(), 200, 10, 177, 116, navy).Count, 0);
    list->ListIndex = 1;
    Ink row = FindInk(ComposeCanvas(), 200, 10, 177, 116, navy);
    EXPECT_EQ(row.X0, 200);
    EXPECT_EQ(row.X1, 376);
    EXPECT_GT(row.Y0, 10);  // the second row, not the first
}

// ---------------------------------------------------------------------------------
// Pointers from .cur and .ico files
// ---------------------------------------------------------------------------------

namespace {

void Put(std::vector<unsigned char>& b, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back((v >> (8 * i)) & 0xFF);
}

// A one-entry 32 x 32 icon or cursor. Colours: 32-bit BGRA, or 1-bit black/white with
// the AND mask. The pointer's drawn part is the 8 x 8 square at the top-left.
std::vector<unsigned char> PointerFile(bool cursor, int bits, bool alpha) {
    std::vector<unsigned char> b;
    Put(b, 0, 2);
    Put(b, cursor ? 2 : 1, 2);
    Put(b, 1, 2);
    std::vector<unsigned char> dib;
    Put(dib, 40, 4);
    Put(dib, 32, 4);
    Put(dib, 64, 4);  // colours and mask
    Put(dib, 1, 2);
    Put(dib, bits, 2);
    for (int i = 0; i < 6; ++i) Put(dib, 0, 4);
    if (bits == 1) {
        Put(dib, 0x000000, 4);
        Put(dib, 0xFFFFFF, 4);
    }
    for (int row = 31; row >= 0; --row) {  // bottom-up
        for (int x = 0; x < 32; ++x) {
            bool inside = row < 8 && x < 8;
            if (bits == 32) {
                Put(dib, inside ? 0x3366CC : 0, 3);
                dib.push_back(alpha && inside ? 255 : 0);
            } else if (x % 8 == 0) {
                dib.push_back(inside ? 0xFF : 0x00);  // white inside
            }
        }
    }
    for (int row = 31; row >= 0; --row)
        for (int byte = 0; byte < 4; ++byte)  // AND mask: 0 where drawn
            dib.push_back(row < 8 && byte == 0 ? 0x00 : 0xFF);
    b.push_back(32), b.push_back(32), b.push_back(0), b.push_back(0);
    Put(b, cursor ? 3 : 1, 2);  // hot spot x (cursor) or planes
    Put(b, cursor ? 4 : bits, 2);
    Put(b, static_cast<std::uint32_t>(dib.size()), 4);
    Put(b, 22, 4);
    b.insert(b.end(), dib.begin(), dib.end());
    return b;
}

std::string Save(const std::string& name, const std::vector<unsigned char>& bytes) {
    std::string path = TempFolder("pointers-" + name) + "/" + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path;
}

}  // namespace

class PointerFiles : public ::testing::TestWithParam<std::tuple<bool, int, bool>> {};

TEST_P(PointerFiles, LoadTheSquareWithItsMaskAndHotSpot) {
    auto [cursor, bits, alpha] = GetParam();
    FreshHeadless();
    Form* f = CreateForm("Front");
    ASSERT_TRUE(SetMouseIcon(f, Save("p.bin", PointerFile(cursor, bits, alpha))));
    EXPECT_EQ(f->Pointer, PointerKind::Custom);
    ASSERT_EQ(f->PointerImage.Width, 32);
    ASSERT_EQ(f->PointerImage.Height, 32);
    EXPECT_EQ(f->PointerImage.Pixel(0, 0), bits == 32 ? 0x3366CCu : 0xFFFFFFu);
    int drawn = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (f->PointerMask.Pixel(x, y)) {
                ++drawn;
                EXPECT_TRUE(x < 8 && y < 8) << x << "," << y;
            }
    EXPECT_EQ(drawn, 64);
    EXPECT_EQ(f->PointerHotX, cursor ? 3 : 16);
    EXPECT_EQ(f->PointerHotY, cursor ? 4 : 16);
}

INSTANTIATE_TEST_SUITE_P(Canvas, PointerFiles,
                         ::testing::Values(std::tuple{false, 32, true}, std::tuple{false, 32, false},
                                           std::tuple{true, 1, false}, std::tuple{false, 1, false}));

TEST(Canvas, UnusablePointerFileLeavesThePointerAsItWas) {
    FreshHeadless();
    Form* f = CreateForm("Front");
    SetMousePointer(f, PointerKind::Arrow);
    auto good = PointerFile(false, 32, true);
    auto cut = std::vector<unsigned char>(good.begin(), good.begin() + 200);
    EXPECT_FALSE(SetMouseIcon(f, Save("cut.ico", cut)));
    EXPECT_FALSE(SetMouseIcon(f, Save("text.ico", {'h', 'e', 'l', 'l', 'o'})));
    EXPECT_FALSE(SetMouseIcon(f, "/no/such/Trffc10a.ico"));
    EXPECT_EQ(f->Pointer, PointerKind::Arrow);
    EXPECT_TRUE(f->PointerImage.Empty());
}
