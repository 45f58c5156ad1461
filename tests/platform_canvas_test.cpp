// What the composed canvas shows (forms, containers, pictures, text, pointers), the block
// transfers it is drawn with, and the blocks the presenter uploads when it changes.
#include <gtest/gtest.h>

#include "platform/backend.h"
#include "platform/platform.h"
#include "platform/window_system.h"
#include "test_support.h"

namespace {

using Pixels = std::vector<std::uint32_t>;

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
    EXPECT_EQ(Pixels({c.Pixel(9, 20), c.Pixel(10, 20), c.Pixel(109, 69), c.Pixel(110, 69)}),
              Pixels({0x0000FF, 0xFF0000, 0xFF0000, 0x0000FF}));
    ShowForm(back);  // now in front of the small form
    EXPECT_EQ(ComposeCanvas().Pixel(50, 50), 0x0000FFu);
}

TEST(Canvas, ContainersAndPictureBoxesClipWhatIsInThemAndHideItWithThemselves) {
    // Panel 40 x 40 at (100, 100); a child 100 wide at (30, 10) inside shows only its
    // first 10 columns (canvas 130..139).
    Form* f = ShownForm("F");
    Control* panel = AddControl(f, nullptr, ControlKind::Panel, "Panel", 100, 100, 40, 40);
    Control* bar = AddControl(f, panel, ControlKind::Shape, "DamFill", 30, 10, 100, 5);
    bar->BackColor = RGB(255, 255, 0);
    Ink ink = FindInk(ComposeCanvas(), 0, 0, 300, 300, 0xFFFF00);
    EXPECT_EQ(std::tuple(ink.Count, ink.X0, ink.X1), std::tuple(10 * 5, 130, 139));
    // A bar set to 750 twips is 50 pixels wide, 40 of them inside the panel.
    bar->Left = 0;
    bar->SetWidthTwips(750);
    EXPECT_EQ(bar->Width, 50);
    EXPECT_EQ(FindInk(ComposeCanvas(), 0, 0, 300, 300, 0xFFFF00).Count, 40 * 5);
    panel->Visible = false;
    EXPECT_EQ(FindInk(ComposeCanvas(), 0, 0, 300, 300, 0xFFFF00).Count, 0);
    EXPECT_FALSE(bar->ShownOnScreen());
    // A picture box shows its picture from the corner, wider than the box and half its height.
    Control* box = AddControl(f, nullptr, ControlKind::PictureBox, "MiniView", 50, 60, 20, 10);
    box->BackColor = RGB(0, 0, 128);
    box->Picture.Resize(30, 5, 0x00FF00);
    const Surface& c = ComposeCanvas();
    EXPECT_EQ(FindInk(c, 0, 0, 200, 200, 0x00FF00).Count, 20 * 5);
    // The picture's last row, then the box's colour below it, then the form's black.
    EXPECT_EQ(Pixels({c.Pixel(50, 64), c.Pixel(50, 65), c.Pixel(70, 60)}), Pixels({0x00FF00, 0x80, 0}));
}

// A panel over the whole form hides everything drawn before it, so nothing under it is
// drawn at all: a loading screen's hidden labels open no fonts. One pixel short, they are.
TEST(Canvas, PanelCoveringTheWholeFormLeavesWhatIsUnderItUndrawn) {
    struct CountingText : TextRenderer {
        int Drawn = 0;
        void Measure(const Font&, const std::string&, int& w, int& h) override { w = h = 8; }
        void Draw(Surface& target, int x, int y, int, int, const std::string&, const Font&,
                  std::uint32_t pixel, Alignment, bool) override {
            ++Drawn, target.FillRect(x, y, 4, 4, pixel);
        }
    } text;
    Form* f = ShownForm("F");
    TextRenderer* before = CurrentTextRenderer();
    InstallTextRenderer(&text);
    f->BackColor = RGB(0, 0, 255);
    AddLabel(f, nullptr, "Label1", "Career Mode", 20, 20, 100, 20, Font{}, RGB(255, 255, 255))
        ->Transparent = true;
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
    EXPECT_EQ(uncovered.Pixel(20, 20), 0u);  // the caption lies under the panel all the same
    cover->Visible = false;
    EXPECT_EQ(ComposeCanvas().Pixel(20, 20), 0xFFFFFFu);
    InstallTextRenderer(before);
}

TEST(Canvas, LabelCaptionIsDrawnInItsColourCentredInItsBoxAndBrokenAtSpaces) {
    Form* f = ShownForm("Front");
    if (!CurrentTextRenderer()) GTEST_SKIP() << "no fonts on this machine";
    f->BackColor = RGB(64, 64, 64);
    Control* exit = AddLabel(f, nullptr, "Label3", "Exit", 240, 312, 185, 41,
                             Font{"Arial", 15.75f, false}, RGB(0, 128, 0), Alignment::Centre);
    Ink ink = FindInk(ComposeCanvas(), 0, 0, CanvasWidth, CanvasHeight, 0x008000);
    EXPECT_GT(ink.Count, 20);
    EXPECT_GE(ink.Y0, 312);
    EXPECT_NEAR((ink.X0 + ink.X1) / 2.0, 332.5, 4);  // the box's middle
    // Hover colour change shows at the next compose; transparent keeps the panel grey.
    exit->ForeColor = RGB(0, 192, 0);
    const Surface& c = ComposeCanvas();
    EXPECT_EQ(FindInk(c, 240, 312, 185, 41, 0x00C000).Count, ink.Count);
    EXPECT_EQ(c.Pixel(241, 313), 0x404040u);
    exit->Transparent = false;
    exit->BackColor = RGB(0, 0, 0);
    EXPECT_EQ(ComposeCanvas().Pixel(241, 313), 0u);
    // A new caption is drawn anew: "Exit Now" has more ink than "Exit".
    exit->Caption = "Exit Now";
    EXPECT_GT(FindInk(ComposeCanvas(), 240, 312, 185, 41, 0x00C000).Count, ink.Count * 3 / 2);

    Control* hint = AddLabel(f, nullptr, "Label35",
                             "Hint: Holding down left or right arrow does a hard wheel crank. "
                             "Release and press again to turn gradually.",
                             0, 368, 1000, 76, Font{"Arial", 8.25f, false}, RGB(192, 192, 0),
                             Alignment::Centre);
    Ink oneLine = FindInk(ComposeCanvas(), 0, 0, 1024, 600, 0xC0C000);
    hint->Left = 21, hint->Width = 223;
    Ink wrapped = FindInk(ComposeCanvas(), 0, 0, 1024, 600, 0xC0C000);
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
    EXPECT_EQ(std::pair(row.X0, row.X1), std::pair(200, 376));
    EXPECT_GT(row.Y0, 10);  // the second row, not the first
}

namespace {

// Each value as a little-endian field of so many bytes.
void Put(std::vector<unsigned char>& b, std::initializer_list<std::pair<std::uint32_t, int>> fields) {
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
            if (bits == 32) Put(dib, {{inside ? 0x3366CCu : 0u, 3}, {alpha && inside ? 255u : 0u, 1}});
            else if (x % 8 == 0) dib.push_back(inside ? 0xFF : 0x00);  // white inside
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
    std::string path = TempFolder("pointers") + "/" + name;
    WriteFileText(path, {bytes.begin(), bytes.end()});
    return path;
}

}  // namespace

TEST(Canvas, PointerFilesGiveTheSquareWithItsMaskAndHotSpotAndBadOnesChangeNothing) {
    Form* f = ShownForm("Front");
    for (auto [cursor, bits, alpha] :
         {std::tuple{false, 32, true}, {false, 32, false}, {true, 1, false}, {false, 1, false}}) {
        SCOPED_TRACE(testing::Message() << cursor << bits << alpha);
        ASSERT_TRUE(SetMouseIcon(f, Save("p.bin", PointerFile(cursor, bits, alpha))));
        EXPECT_EQ(f->Pointer, PointerKind::Custom);
        ASSERT_EQ(std::pair(f->PointerImage.Width, f->PointerImage.Height), std::pair(32, 32));
        EXPECT_EQ(f->PointerImage.Pixel(0, 0), bits == 32 ? 0x3366CCu : 0xFFFFFFu);
        Ink drawn = FindInk(0, 0, 32, 32, [&](int x, int y) { return f->PointerMask.Pixel(x, y) != 0; });
        EXPECT_EQ(std::tuple(drawn.Count, drawn.X1, drawn.Y1), std::tuple(64, 7, 7));  // the square
        EXPECT_EQ(std::pair(f->PointerHotX, f->PointerHotY), cursor ? std::pair(3, 4) : std::pair(16, 16));
    }
    Form* menu = CreateForm("Menu");
    SetMousePointer(menu, PointerKind::Arrow);
    auto good = PointerFile(false, 32, true);
    for (const std::string& path : {Save("cut.ico", {good.begin(), good.begin() + 200}),
                                    Save("text.ico", {'h', 'e', 'l', 'l', 'o'}),
                                    std::string("/no/such/Trffc10a.ico")})
        EXPECT_FALSE(SetMouseIcon(menu, path)) << path;
    EXPECT_EQ(menu->Pointer, PointerKind::Arrow);
    EXPECT_TRUE(menu->PointerImage.Empty());
}

namespace {

// A surface whose every pixel is distinct: value = 0x010000 * (y + 1) + x + 1.
Surface Numbered(int w, int h) {
    Surface s;
    s.Resize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) s.SetPixel(x, y, 0x010000u * (y + 1) + x + 1);
    return s;
}

// The block transfer worked out pixel by pixel: what every clipped blit must equal.
Surface Reference(Surface dst, int x, int y, int w, int h, const Surface& src, int sx, int sy,
                  std::uint32_t rop) {
    Surface before = dst;
    for (int row = 0; row < h; ++row)
        for (int col = 0; col < w; ++col) {
            int dx = x + col, dy = y + row, px = sx + col, py = sy + row;
            if (dx < 0 || dy < 0 || dx >= dst.Width || dy >= dst.Height) continue;
            if (px < 0 || py < 0 || px >= src.Width || py >= src.Height) continue;
            std::uint32_t s = (&src == &dst ? before : src).Pixel(px, py);
            std::uint32_t& d = dst.Pixels[dy * dst.Width + dx];
            d = rop == SRCPAINT ? d | s : rop == SRCAND ? d & s : s;
        }
    return dst;
}

}  // namespace

TEST(Raster, BlitsMatchThePixelByPixelTransferClippedAtEveryEdgeAlsoWithinOneSurface) {
    struct Case {
        const char* Name;
        int X, Y, W, H, Sx, Sy;
    };
    for (const Case& c : {
             Case{"Inside", 1, 1, 3, 2, 2, 1}, {"NegativeDestination", -2, -1, 5, 4, 0, 0},
             {"NegativeSource", 1, 0, 5, 4, -3, -2}, {"BothNegative", -1, -2, 6, 5, -2, -1},
             {"PastRightAndBottom", 4, 3, 5, 5, 0, 0}, {"SourcePastItsEdges", 0, 0, 5, 5, 4, 3},
             {"LargerThanBoth", -3, -3, 20, 20, -1, 0}, {"EntirelyLeft", -5, 0, 4, 2, 0, 0},
             {"SourceEntirelyOutside", 0, 0, 3, 3, 7, 0}, {"NegativeSize", 1, 1, -2, 3, 0, 0},
             {"OverlapShiftRight", 1, 0, 4, 4, 0, 0}, {"OverlapShiftUpLeft", 0, 0, 5, 3, 1, 1}})
        for (std::uint32_t rop : {SRCCOPY, SRCPAINT, SRCAND}) {
            SCOPED_TRACE(testing::Message() << c.Name << " rop " << rop);
            Surface src = Numbered(7, 5), dst = Numbered(6, 4);
            for (auto& p : dst.Pixels) p ^= 0x808080;  // distinct from every source pixel
            Surface expected = Reference(dst, c.X, c.Y, c.W, c.H, src, c.Sx, c.Sy, rop);
            BitBlt(dst, c.X, c.Y, c.W, c.H, src, c.Sx, c.Sy, rop);
            EXPECT_EQ(dst.Pixels, expected.Pixels);
            // Overlapping copies read the block as it was before.
            Surface s = Numbered(6, 4);
            expected = Reference(s, c.X, c.Y, c.W, c.H, s, c.Sx, c.Sy, rop);
            BitBlt(s, c.X, c.Y, c.W, c.H, s, c.Sx, c.Sy, rop);
            EXPECT_EQ(s.Pixels, expected.Pixels);
        }
}

TEST(Raster, PaintPictureScalesByNearestPixelAndFillRectClipsAtTheEdge) {
    // 4 x 2 onto 2 x 1 at (1, 1): target centres 0.5 and 1.5 map to source 1.0 and 3.0
    // across and 1.0 down, so the samples are (1, 1) and (3, 1).
    Surface pic = Numbered(4, 2), dst;
    dst.Resize(3, 2, 7);
    PaintPicture(dst, pic, 1, 1, 2, 1, 0, 0, 4, 2);
    EXPECT_EQ(dst.Pixels, (Pixels{7, 7, 7, 7, pic.Pixel(1, 1), pic.Pixel(3, 1)}));
    // 2 x 1 doubled: source column 1 fills target columns 2..3; column 3 is off the target.
    Surface pair = Numbered(2, 1);
    dst.Resize(3, 1, 0);
    PaintPicture(dst, pair, 0, 0, 4, 1, 0, 0, 2, 1);
    EXPECT_EQ(dst.Pixels, (Pixels{pair.Pixel(0, 0), pair.Pixel(0, 0), pair.Pixel(1, 0)}));
    dst.Resize(3, 3, 0);
    dst.FillRect(-2, 1, 4, 9, 5);  // covers columns 0..1, rows 1..2
    dst.FillRect(4, 0, 2, 2, 9);   // wholly outside
    EXPECT_EQ(dst.Pixels, (Pixels{0, 0, 0, 5, 5, 0, 5, 5, 0}));
}

// The presenter uploads only the canvas blocks that changed: copying just those onto the
// picture on screen must make it the new canvas, and a frame of racing must stay small.
TEST(ChangedBlocks, ARaceFrameUploadsTheViewAndTheFieldsThatMovedAndNothingElse) {
    Surface before;  // every pixel different from its neighbours, so a misplaced block shows
    before.Resize(CanvasWidth, CanvasHeight);
    for (int y = 0; y < CanvasHeight; ++y)
        for (int x = 0; x < CanvasWidth; ++x)
            before.SetPixel(x, y, static_cast<std::uint32_t>(x * 2654435761u ^ y * 40503u) & 0xFFFFFF);
    EXPECT_TRUE(ChangedBlocks(before.Pixels, before).empty());
    const auto whole = ChangedBlocks({}, before);  // a new size uploads everything
    ASSERT_EQ(whole.size(), 1u);
    EXPECT_EQ(std::tuple(whole[0].X0, whole[0].Y0, whole[0].X1, whole[0].Y1),
              std::tuple(0, 0, CanvasWidth, CanvasHeight));
    // The 550 x 550 course view at the race's place, a lap time field, and the very last
    // pixel of the canvas (the edges of the grid must be covered too).
    Surface after = before;
    after.FillRect(299, 109, 550, 550, 0x336633);
    after.FillRect(120, 300, 60, 18, 0xFFFFFF);
    after.SetPixel(CanvasWidth - 1, CanvasHeight - 1, 0x123456);
    const auto blocks = ChangedBlocks(before.Pixels, after);
    Pixels shown = before.Pixels;
    long area = 0;
    for (const ClipRect& r : blocks) {
        ASSERT_TRUE(r.X0 >= 0 && r.Y0 >= 0 && r.X1 <= CanvasWidth && r.Y1 <= CanvasHeight);
        area += long(r.X1 - r.X0) * (r.Y1 - r.Y0);
        for (int y = r.Y0; y < r.Y1; ++y)
            for (int x = r.X0; x < r.X1; ++x) shown[y * CanvasWidth + x] = after.Pixel(x, y);
    }
    EXPECT_EQ(shown, after.Pixels);
    // Each change grows by less than a block on each side: (550 + 62)^2, a field's few
    // blocks, one block in the corner; the view goes up as one rectangle, not as strips.
    EXPECT_LE(area, 612L * 612 + 96 * 64 + 32 * 32);
    EXPECT_LE(blocks.size(), 4u);
}
