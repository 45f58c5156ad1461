// What the composed canvas shows where the screens' pictures cannot tell (clipping, covers,
// a caret and a choice as they change, pointers from files), the block transfers it is
// drawn with, and the blocks the presenter uploads when it changes.
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

TEST(Canvas, ContainersAndPictureBoxesClipWhatIsInThemAndHideItWithThemselves) {
    // Panel 40 x 40 at (100, 100); a child 100 wide at (30, 10) inside shows only its
    // first 10 columns (canvas 130..139).
    Form* f = ShownForm("F");
    Control* panel = AddControl(f, nullptr, ControlKind::Panel, "Panel", 100, 100, 40, 40);
    AddControl(f, panel, ControlKind::Shape, "DamFill", 30, 10, 100, 5)->BackColor = RGB(255, 255, 0);
    Ink ink = FindInk(ComposeCanvas(), 0, 0, 300, 300, 0xFFFF00);
    EXPECT_EQ(std::tuple(ink.Count, ink.X0, ink.X1), std::tuple(10 * 5, 130, 139));
    panel->Visible = false;
    EXPECT_EQ(FindInk(ComposeCanvas(), 0, 0, 300, 300, 0xFFFF00).Count, 0);
    // A picture box shows its picture from the corner, wider than the box and half its height.
    Control* box = AddControl(f, nullptr, ControlKind::PictureBox, "MiniView", 50, 60, 20, 10);
    box->BackColor = RGB(0, 0, 128);
    box->Picture.Resize(30, 5, 0x00FF00);
    const Surface& c = ComposeCanvas();
    EXPECT_EQ(FindInk(c, 0, 0, 200, 200, 0x00FF00).Count, 20 * 5);
    // The picture's last row, then the box's colour below it, then the form's black.
    EXPECT_EQ(Pixels({c.Pixel(50, 64), c.Pixel(50, 65), c.Pixel(70, 60)}), Pixels({0x00FF00, 0x80, 0}));
}

// A panel over the whole form hides everything drawn before it, so drawing starts there
// (the front end's black-out while it loads); one pixel short, the form shows beside it.
TEST(Canvas, PanelCoveringTheWholeFormHidesWhatIsUnderIt) {
    Form* f = ShownForm("F");
    f->BackColor = RGB(0, 0, 255);
    AddControl(f, nullptr, ControlKind::Shape, "Under", 20, 20, 100, 20)->BackColor = RGB(255, 255, 255);
    Control* cover = AddControl(f, nullptr, ControlKind::Panel, "BlackOut", -10, -10, CanvasWidth + 64,
                                CanvasHeight + 64);
    EXPECT_EQ(FindInk(ComposeCanvas(), 0, 0, CanvasWidth, CanvasHeight, 0).Count, CanvasWidth * CanvasHeight);
    cover->Width = CanvasWidth + 9;  // its last column now shows the form beneath
    EXPECT_EQ(Pixels({ComposeCanvas().Pixel(CanvasWidth - 1, 5), ComposeCanvas().Pixel(20, 20)}),
              Pixels({0x0000FF, 0}));
}

TEST(Canvas, FocusedTextBoxShowsCaretAndSelectionListBoxItsChoice) {
    Form* f = ShownForm("Front");
    if (!CurrentTextRenderer()) GTEST_SKIP() << "no fonts on this machine";
    Control* name = AddControl(f, nullptr, ControlKind::TextBox, "Text1", 10, 10, 150, 24);
    name->Text = "Gustav";
    const std::uint32_t navy = 0x000080;
    name->SelStart = 0, name->SelLength = 6;
    EXPECT_EQ(FindInk(ComposeCanvas(), 10, 10, 150, 24, navy).Count, 0);  // not focused
    SetFocus(name);
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
    list->ListIndex = 1;
    Ink row = FindInk(ComposeCanvas(), 200, 10, 177, 116, navy);
    EXPECT_EQ(std::tuple(row.X0, row.X1, row.Y0), std::tuple(200, 376, 10 + ListBoxRowHeight(*list)));
}

namespace {

// Each value as a little-endian field of so many bytes.
void Put(std::vector<unsigned char>& b, std::initializer_list<std::pair<std::uint32_t, int>> fields) {
    for (auto [v, bytes] : fields)
        for (int i = 0; i < bytes; ++i) b.push_back(i < 4 ? (v >> (8 * i)) & 0xFF : 0);
}

// A one-entry 32 x 32 icon or cursor: directory, entry (hot spot 3, 4 for a cursor), info
// header (height 64: colours then mask), 1-bit palette, bottom-up colours as 32-bit BGRA
// or 1-bit black/white, then the AND mask, 0 where drawn: the 8 x 8 square at the top-left.
std::vector<unsigned char> PointerFile(bool cursor, int bits, bool alpha) {
    std::vector<unsigned char> b;
    const std::uint32_t size = 40 + (bits == 1 ? 8 + 128 : 4096) + 128;
    Put(b, {{0, 2}, {cursor ? 2u : 1u, 2}, {1, 2}, {32, 1}, {32, 1}, {0, 2}});
    Put(b, {{cursor ? 3u : 1u, 2}, {cursor ? 4u : std::uint32_t(bits), 2}, {size, 4}, {22, 4}});
    Put(b, {{40, 4}, {32, 4}, {64, 4}, {1, 2}, {std::uint32_t(bits), 2}, {0, 24}});
    if (bits == 1) Put(b, {{0x000000, 4}, {0xFFFFFF, 4}});
    for (int row = 31; row >= 0; --row)
        for (int x = 0; x < 32; ++x) {
            bool inside = row < 8 && x < 8;
            if (bits == 32) Put(b, {{inside ? 0x3366CCu : 0u, 3}, {alpha && inside ? 255u : 0u, 1}});
            else if (x % 8 == 0) b.push_back(inside ? 0xFF : 0x00);  // white inside
        }
    for (int row = 31; row >= 0; --row) Put(b, {{row < 8 ? 0xFFFFFF00u : 0xFFFFFFFFu, 4}});
    return b;
}

}  // namespace

TEST(Canvas, PointerFilesGiveTheSquareWithItsMaskAndHotSpotAndBadOnesChangeNothing) {
    Form* f = ShownForm("Front");
    const std::string folder = TempFolder("pointers");
    const auto save = [&](const std::string& name, const std::vector<unsigned char>& bytes) {
        WriteFileText(folder + "/" + name, {bytes.begin(), bytes.end()});
        return folder + "/" + name;
    };
    for (auto [cursor, bits, alpha] :
         {std::tuple{false, 32, true}, {false, 32, false}, {true, 1, false}, {false, 1, false}}) {
        SCOPED_TRACE(testing::Message() << cursor << bits << alpha);
        ASSERT_TRUE(SetMouseIcon(f, save("p.bin", PointerFile(cursor, bits, alpha))));
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
    for (const std::string& path : {save("cut.ico", {good.begin(), good.begin() + 200}),
                                    save("text.ico", {'h', 'e', 'l', 'l', 'o'}),
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
Surface Reference(Surface dst, int x, int y, int w, int h, const Surface& src, int sx, int sy, std::uint32_t rop) {
    for (int row = 0; row < h; ++row)
        for (int col = 0; col < w; ++col) {
            int dx = x + col, dy = y + row, px = sx + col, py = sy + row;
            if (dx < 0 || dy < 0 || dx >= dst.Width || dy >= dst.Height) continue;
            if (px < 0 || py < 0 || px >= src.Width || py >= src.Height) continue;
            std::uint32_t& d = dst.Pixels[dy * dst.Width + dx];
            d = rop == SRCPAINT ? d | src.Pixel(px, py) : rop == SRCAND ? d & src.Pixel(px, py) : src.Pixel(px, py);
        }
    return dst;
}

}  // namespace

TEST(Raster, BlitsMatchThePixelByPixelTransferClippedAtEveryEdge) {
    struct Case {
        const char* Name;
        int X, Y, W, H, Sx, Sy;
    };
    for (const Case& c : {
             Case{"Inside", 1, 1, 3, 2, 2, 1}, {"NegativeDestination", -2, -1, 5, 4, 0, 0},
             {"NegativeSource", 1, 0, 5, 4, -3, -2}, {"BothNegative", -1, -2, 6, 5, -2, -1},
             {"PastRightAndBottom", 4, 3, 5, 5, 0, 0}, {"SourcePastItsEdges", 0, 0, 5, 5, 4, 3},
             {"LargerThanBoth", -3, -3, 20, 20, -1, 0}, {"EntirelyLeft", -5, 0, 4, 2, 0, 0},
             {"SourceEntirelyOutside", 0, 0, 3, 3, 7, 0}, {"NegativeSize", 1, 1, -2, 3, 0, 0}})
        for (std::uint32_t rop : {SRCCOPY, SRCPAINT, SRCAND}) {
            Surface src = Numbered(7, 5), dst = Numbered(6, 4);
            for (auto& p : dst.Pixels) p ^= 0x808080;  // distinct from every source pixel
            Surface expected = Reference(dst, c.X, c.Y, c.W, c.H, src, c.Sx, c.Sy, rop);
            BitBlt(dst, c.X, c.Y, c.W, c.H, src, c.Sx, c.Sy, rop);
            EXPECT_EQ(dst.Pixels, expected.Pixels) << c.Name << " rop " << rop;
        }
}

TEST(Raster, PaintPictureScalesByNearestPixelAndFillRectClipsAtTheEdge) {
    // 4 x 2 onto 2 x 1 at (1, 1): target centres 0.5 and 1.5 map to source 1.0 and 3.0
    // across and 1.0 down, so the samples are (1, 1) and (3, 1).
    Surface pic = Numbered(4, 2), dst;
    dst.Resize(3, 2, 7);
    PaintPicture(dst, pic, 1, 1, 2, 1, 0, 0, 4, 2);
    EXPECT_EQ(dst.Pixels, (Pixels{7, 7, 7, 7, pic.Pixel(1, 1), pic.Pixel(3, 1)}));
    dst.Resize(3, 3, 0);
    dst.FillRect(-2, 1, 4, 9, 5);  // covers columns 0..1, rows 1..2
    dst.FillRect(4, 0, 2, 2, 9);   // wholly outside
    EXPECT_EQ(dst.Pixels, (Pixels{0, 0, 0, 5, 5, 0, 5, 5, 0}));
}

// The presenter uploads only the canvas blocks that changed: copying just those onto the
// picture on screen must make it the new canvas, edges of the grid included, and a frame
// of racing must go up as a few rectangles, the course view as one.
TEST(ChangedBlocks, ARaceFrameUploadsTheViewAndTheFieldsThatMovedAndNothingElse) {
    Surface before = Numbered(CanvasWidth, CanvasHeight), after = before;
    EXPECT_TRUE(ChangedBlocks(before.Pixels, before).empty());
    after.FillRect(299, 109, 550, 550, 0x336633);  // the view, a lap time, the very last pixel
    after.FillRect(120, 300, 60, 18, 0xFFFFFF);
    after.SetPixel(CanvasWidth - 1, CanvasHeight - 1, 0x123456);
    const auto blocks = ChangedBlocks(before.Pixels, after);
    Pixels shown = before.Pixels;
    for (const ClipRect& r : blocks)
        for (int y = r.Y0; y < r.Y1; ++y)
            for (int x = r.X0; x < r.X1; ++x) shown.at(y * CanvasWidth + x) = after.Pixel(x, y);
    EXPECT_EQ(shown, after.Pixels);
    EXPECT_LE(blocks.size(), 4u);
}
