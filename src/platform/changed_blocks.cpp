// Which parts of the canvas changed since it was last shown: the presenter uploads only
// those, so a race frame costs the course view and the few heads-up fields that moved,
// not the whole 1024 x 768 screen.
#include <algorithm>
#include <cstring>

#include "platform/window_system.h"

std::vector<ClipRect> ChangedBlocks(const std::vector<std::uint32_t>& shown, const Surface& canvas) {
    std::vector<ClipRect> blocks;
    const int width = canvas.Width, height = canvas.Height;
    if (canvas.Empty()) return blocks;
    if (shown.size() != canvas.Pixels.size()) {
        blocks.push_back({0, 0, width, height});
        return blocks;
    }
    const int columns = (width + ChangedBlockSide - 1) / ChangedBlockSide;
    std::vector<char> dirty(static_cast<std::size_t>(columns));
    // Blocks of the band above still open for growing downwards, by their column span.
    std::vector<ClipRect> open, next;
    for (int top = 0; top < height; top += ChangedBlockSide) {
        const int bottom = std::min(height, top + ChangedBlockSide);
        std::fill(dirty.begin(), dirty.end(), 0);
        bool any = false;
        for (int row = top; row < bottom; ++row) {
            const std::uint32_t* a = &shown[static_cast<std::size_t>(row) * width];
            const std::uint32_t* b = &canvas.Pixels[static_cast<std::size_t>(row) * width];
            // Most rows of most frames are untouched: one compare settles them.
            if (std::memcmp(a, b, width * sizeof(std::uint32_t)) == 0) continue;
            for (int c = 0; c < columns; ++c) {
                if (dirty[c]) continue;
                const int x0 = c * ChangedBlockSide, n = std::min(ChangedBlockSide, width - x0);
                if (std::memcmp(a + x0, b + x0, n * sizeof(std::uint32_t)) != 0) dirty[c] = any = 1;
            }
        }
        next.clear();
        for (int c = 0; any && c < columns;) {
            if (!dirty[c]) {
                ++c;
                continue;
            }
            int end = c;
            while (end < columns && dirty[end]) ++end;
            ClipRect run{c * ChangedBlockSide, top, std::min(width, end * ChangedBlockSide), bottom};
            // A run under one of the same span extends it, so a changed view stays one block.
            auto above = std::find_if(open.begin(), open.end(), [&](const ClipRect& r) {
                return r.X0 == run.X0 && r.X1 == run.X1;
            });
            if (above != open.end()) {
                run.Y0 = above->Y0;
                open.erase(above);
            }
            next.push_back(run);
            c = end;
        }
        blocks.insert(blocks.end(), open.begin(), open.end());
        open.swap(next);
    }
    blocks.insert(blocks.end(), open.begin(), open.end());
    return blocks;
}
