// Block transfers: masked sprites, clipping at every edge, copies within one surface.
#include <gtest/gtest.h>

#include "platform/platform.h"

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

TEST(Raster, SpriteMaskConventionLeavesBackgroundOutsideAndSpriteInside) {
    // The game's sheets: mask black outside the car and white inside is ORed first, then
    // the sprite (white outside, colours inside) is ANDed. Outside: (b | 0) & FFFFFF = b;
    // inside: (b | FFFFFF) & c = c.
    Surface back;
    back.Resize(3, 1, 0x2A5F80);
    Surface mask, sprite;
    mask.Resize(3, 1, 0x000000);
    sprite.Resize(3, 1, 0xFFFFFF);
    mask.SetPixel(1, 0, 0xFFFFFF);
    sprite.SetPixel(1, 0, 0x13579B);
    BitBlt(back, 0, 0, 3, 1, mask, 0, 0, SRCPAINT);
    BitBlt(back, 0, 0, 3, 1, sprite, 0, 0, SRCAND);
    EXPECT_EQ(back.Pixel(0, 0), 0x2A5F80u);
    EXPECT_EQ(back.Pixel(1, 0), 0x13579Bu);
    EXPECT_EQ(back.Pixel(2, 0), 0x2A5F80u);
}

struct BlitCase {
    const char* Name;
    int X, Y, W, H, Sx, Sy;
};
void PrintTo(const BlitCase& c, std::ostream* os) { *os << c.Name; }

class Clipping : public ::testing::TestWithParam<std::tuple<BlitCase, std::uint32_t>> {};

TEST_P(Clipping, MatchesPixelByPixelTransfer) {
    auto [c, rop] = GetParam();
    Surface src = Numbered(7, 5);
    Surface dst = Numbered(6, 4);
    for (auto& p : dst.Pixels) p ^= 0x808080;  // distinct from every source pixel
    Surface expected = Reference(dst, c.X, c.Y, c.W, c.H, src, c.Sx, c.Sy, rop);
    BitBlt(dst, c.X, c.Y, c.W, c.H, src, c.Sx, c.Sy, rop);
    EXPECT_EQ(dst.Pixels, expected.Pixels);
}

TEST_P(Clipping, WithinOneSurfaceReadsTheBlockAsItWasBefore) {
    auto [c, rop] = GetParam();
    Surface s = Numbered(6, 4);
    Surface expected = Reference(s, c.X, c.Y, c.W, c.H, s, c.Sx, c.Sy, rop);
    BitBlt(s, c.X, c.Y, c.W, c.H, s, c.Sx, c.Sy, rop);
    EXPECT_EQ(s.Pixels, expected.Pixels);
}

const BlitCase BlitCases[] = {
    {"Inside", 1, 1, 3, 2, 2, 1},
    {"WholeSurface", 0, 0, 6, 4, 0, 0},
    {"NegativeDestination", -2, -1, 5, 4, 0, 0},
    {"NegativeSource", 1, 0, 5, 4, -3, -2},
    {"BothNegative", -1, -2, 6, 5, -2, -1},
    {"PastRightAndBottom", 4, 3, 5, 5, 0, 0},
    {"SourcePastItsEdges", 0, 0, 5, 5, 4, 3},
    {"LargerThanBoth", -3, -3, 20, 20, -1, 0},
    {"EntirelyLeft", -5, 0, 4, 2, 0, 0},
    {"EntirelyBelow", 0, 4, 3, 3, 0, 0},
    {"SourceEntirelyOutside", 0, 0, 3, 3, 7, 0},
    {"ZeroSize", 1, 1, 0, 3, 0, 0},
    {"NegativeSize", 1, 1, -2, 3, 0, 0},
    {"OverlapShiftRight", 1, 0, 4, 4, 0, 0},
    {"OverlapShiftUpLeft", 0, 0, 5, 3, 1, 1},
};

INSTANTIATE_TEST_SUITE_P(
    Raster, Clipping,
    ::testing::Combine(::testing::ValuesIn(BlitCases),
                       ::testing::Values(SRCCOPY, SRCPAINT, SRCAND)),
    [](const auto& info) {
        std::uint32_t rop = std::get<1>(info.param);
        return std::string(std::get<0>(info.param).Name) +
               (rop == SRCCOPY ? "Copy" : rop == SRCPAINT ? "Paint" : "And");
    });

TEST(Raster, TileStraddlingTheBufferCornerCopiesOnlyItsVisiblePart) {
    // A 200 x 200 tile at (-150, 500) in a 550 x 550 buffer shows its 150..199 columns and
    // 0..49 rows at buffer (0..49, 500..549).
    Surface tile = Numbered(200, 200);
    Surface buffer;
    buffer.Resize(550, 550, 0xABCDEF);
    BitBlt(buffer, -150, 500, 200, 200, tile, 0, 0, SRCCOPY);
    EXPECT_EQ(buffer.Pixel(0, 500), tile.Pixel(150, 0));
    EXPECT_EQ(buffer.Pixel(49, 549), tile.Pixel(199, 49));
    EXPECT_EQ(buffer.Pixel(50, 500), 0xABCDEFu);
    EXPECT_EQ(buffer.Pixel(0, 499), 0xABCDEFu);
}

TEST(Raster, PaintPictureHalvesByNearestPixelKeepingMasksPure) {
    // 4 x 2 picture onto 2 x 1: target centres 0.5 and 1.5 map to source 1.0 and 3.0
    // across and 1.0 down, so the samples are (1, 1) and (3, 1).
    Surface pic = Numbered(4, 2);
    Surface dst;
    dst.Resize(3, 2, 7);
    PaintPicture(dst, pic, 1, 1, 2, 1, 0, 0, 4, 2);
    EXPECT_EQ(dst.Pixel(1, 1), pic.Pixel(1, 1));
    EXPECT_EQ(dst.Pixel(2, 1), pic.Pixel(3, 1));
    EXPECT_EQ(dst.Pixel(0, 1), 7u);
    EXPECT_EQ(dst.Pixel(1, 0), 7u);
}

TEST(Raster, PaintPictureDoublesAndClipsAtTheTargetEdge) {
    // Source column 1 of a 2 x 1 picture fills target columns 2..3; column 3 is off a
    // 3-wide target.
    Surface pic = Numbered(2, 1);
    Surface dst;
    dst.Resize(3, 1, 0);
    PaintPicture(dst, pic, 0, 0, 4, 1, 0, 0, 2, 1);
    EXPECT_EQ(dst.Pixel(0, 0), pic.Pixel(0, 0));
    EXPECT_EQ(dst.Pixel(1, 0), pic.Pixel(0, 0));
    EXPECT_EQ(dst.Pixel(2, 0), pic.Pixel(1, 0));
}

TEST(Raster, FillRectClipsAtEveryEdge) {
    Surface s;
    s.Resize(3, 3, 0);
    s.FillRect(-2, 1, 4, 9, 5);  // covers columns 0..1, rows 1..2
    EXPECT_EQ(s.Pixels, (std::vector<std::uint32_t>{0, 0, 0, 5, 5, 0, 5, 5, 0}));
    s.FillRect(4, 0, 2, 2, 9);  // wholly outside
    EXPECT_EQ(s.Pixel(2, 0), 0u);
}
