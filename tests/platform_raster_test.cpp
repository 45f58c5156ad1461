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

struct BlitCase {
    const char* Name;
    int X, Y, W, H, Sx, Sy;
};
void PrintTo(const BlitCase& c, std::ostream* os) { *os << c.Name; }

class Clipping : public ::testing::TestWithParam<std::tuple<BlitCase, std::uint32_t>> {};

TEST_P(Clipping, MatchesPixelByPixelTransferAlsoWithinOneSurface) {
    auto [c, rop] = GetParam();
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

const BlitCase BlitCases[] = {
    {"Inside", 1, 1, 3, 2, 2, 1},           {"NegativeDestination", -2, -1, 5, 4, 0, 0},
    {"NegativeSource", 1, 0, 5, 4, -3, -2}, {"BothNegative", -1, -2, 6, 5, -2, -1},
    {"PastRightAndBottom", 4, 3, 5, 5, 0, 0}, {"SourcePastItsEdges", 0, 0, 5, 5, 4, 3},
    {"LargerThanBoth", -3, -3, 20, 20, -1, 0}, {"EntirelyLeft", -5, 0, 4, 2, 0, 0},
    {"SourceEntirelyOutside", 0, 0, 3, 3, 7, 0}, {"NegativeSize", 1, 1, -2, 3, 0, 0},
    {"OverlapShiftRight", 1, 0, 4, 4, 0, 0}, {"OverlapShiftUpLeft", 0, 0, 5, 3, 1, 1},
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

TEST(Raster, PaintPictureScalesByNearestPixelAndClipsAtTheTargetEdge) {
    // 4 x 2 onto 2 x 1 at (1, 1): target centres 0.5 and 1.5 map to source 1.0 and 3.0
    // across and 1.0 down, so the samples are (1, 1) and (3, 1).
    Surface pic = Numbered(4, 2), dst;
    dst.Resize(3, 2, 7);
    PaintPicture(dst, pic, 1, 1, 2, 1, 0, 0, 4, 2);
    using Pixels = std::vector<std::uint32_t>;
    EXPECT_EQ(dst.Pixels, (Pixels{7, 7, 7, 7, pic.Pixel(1, 1), pic.Pixel(3, 1)}));
    // 2 x 1 doubled: source column 1 fills target columns 2..3; column 3 is off the target.
    Surface pair = Numbered(2, 1);
    dst.Resize(3, 1, 0);
    PaintPicture(dst, pair, 0, 0, 4, 1, 0, 0, 2, 1);
    EXPECT_EQ(dst.Pixels, (Pixels{pair.Pixel(0, 0), pair.Pixel(0, 0), pair.Pixel(1, 0)}));
}

TEST(Raster, FillRectClipsAtEveryEdge) {
    Surface s;
    s.Resize(3, 3, 0);
    s.FillRect(-2, 1, 4, 9, 5);  // covers columns 0..1, rows 1..2
    EXPECT_EQ(s.Pixels, (std::vector<std::uint32_t>{0, 0, 0, 5, 5, 0, 5, 5, 0}));
    s.FillRect(4, 0, 2, 2, 9);  // wholly outside
    EXPECT_EQ(s.Pixel(2, 0), 0u);
}
