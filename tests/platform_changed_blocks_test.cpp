// The presenter uploads only the canvas blocks that changed: copying just those onto the
// picture on screen must make it the new canvas, and a frame of racing must stay small.
#include <gtest/gtest.h>

#include "platform/window_system.h"

namespace {

// Every pixel different from its neighbours, so a block copied to the wrong place shows.
Surface Busy() {
    Surface canvas;
    canvas.Resize(CanvasWidth, CanvasHeight);
    for (int y = 0; y < CanvasHeight; ++y)
        for (int x = 0; x < CanvasWidth; ++x)
            canvas.SetPixel(x, y, static_cast<std::uint32_t>(x * 2654435761u ^ y * 40503u) & 0xFFFFFF);
    return canvas;
}

std::vector<std::uint32_t> Apply(std::vector<std::uint32_t> shown, const Surface& canvas,
                                 const std::vector<ClipRect>& blocks) {
    for (const ClipRect& r : blocks)
        for (int y = r.Y0; y < r.Y1; ++y)
            for (int x = r.X0; x < r.X1; ++x)
                shown[y * canvas.Width + x] = canvas.Pixel(x, y);
    return shown;
}

long Area(const std::vector<ClipRect>& blocks) {
    long area = 0;
    for (const ClipRect& r : blocks) area += long(r.X1 - r.X0) * (r.Y1 - r.Y0);
    return area;
}

}  // namespace

TEST(ChangedBlocks, NothingChangedNothingToUploadAndANewSizeUploadsEverything) {
    const Surface canvas = Busy();
    EXPECT_TRUE(ChangedBlocks(canvas.Pixels, canvas).empty());
    const auto whole = ChangedBlocks({}, canvas);
    ASSERT_EQ(whole.size(), 1u);
    EXPECT_EQ(std::tuple(whole[0].X0, whole[0].Y0, whole[0].X1, whole[0].Y1),
              std::tuple(0, 0, CanvasWidth, CanvasHeight));
}

TEST(ChangedBlocks, ARaceFrameUploadsTheViewAndTheFieldsThatMovedAndNothingElse) {
    const Surface before = Busy();
    Surface after = before;
    // The 550 x 550 course view at the race's place, a lap time field, and the very last
    // pixel of the canvas (the edges of the grid must be covered too).
    after.FillRect(299, 109, 550, 550, 0x336633);
    after.FillRect(120, 300, 60, 18, 0xFFFFFF);
    after.SetPixel(CanvasWidth - 1, CanvasHeight - 1, 0x123456);
    const auto blocks = ChangedBlocks(before.Pixels, after);
    EXPECT_EQ(Apply(before.Pixels, after, blocks), after.Pixels);
    // Each change grows by less than a block on each side: (550 + 62)^2, a field's few
    // blocks, one block in the corner.
    EXPECT_LE(Area(blocks), 612L * 612 + 96 * 64 + 32 * 32);
    for (const ClipRect& r : blocks)
        EXPECT_TRUE(r.X0 >= 0 && r.Y0 >= 0 && r.X1 <= CanvasWidth && r.Y1 <= CanvasHeight);
    // The view goes up as one rectangle, not as a pile of 32-pixel strips.
    EXPECT_LE(blocks.size(), 4u);
}
