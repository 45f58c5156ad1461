// Pixel surfaces and the raster block transfer.
#include <sys/mman.h>

#include <algorithm>
#include <cstdint>

#include "platform/window_system.h"

// Memory is handed out a page at a time as it is first written, and on some virtual
// machines each page costs tens of microseconds: a fresh 1024 x 768 canvas took 15 ms.
// Where an array of pixels spans whole large pages of 2 MiB, those come 512 pages at one
// stroke. Only pages the array fills are asked for, so nothing more becomes resident.
void ReserveLargePixels(std::vector<std::uint32_t>& pixels, std::size_t count) {
    constexpr std::uintptr_t LargePage = std::uintptr_t(2) << 20;
    if (count * sizeof(std::uint32_t) < LargePage || pixels.capacity() >= count) return;
    std::vector<std::uint32_t> fresh;
    fresh.reserve(count);
    const auto data = reinterpret_cast<std::uintptr_t>(fresh.data());
    const std::uintptr_t first = (data + LargePage - 1) / LargePage * LargePage;
    const std::uintptr_t last = (data + count * sizeof(std::uint32_t)) / LargePage * LargePage;
#ifdef MADV_HUGEPAGE  // a hint: a system without large pages simply ignores it
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#endif
    pixels = std::move(fresh);
}

void Surface::Resize(int width, int height, std::uint32_t fill) {
    Width = std::max(0, width);
    Height = std::max(0, height);
    const std::size_t count = static_cast<std::size_t>(Width) * Height;
    ReserveLargePixels(Pixels, count);
    Pixels.assign(count, fill);
}

void Surface::Fill(std::uint32_t pixel) { std::fill(Pixels.begin(), Pixels.end(), pixel); }

void Surface::FillRect(int x, int y, int w, int h, std::uint32_t pixel) {
    int x0 = std::max(0, x), y0 = std::max(0, y);
    int x1 = std::min(Width, x + w), y1 = std::min(Height, y + h);
    if (x0 >= x1) return;
    for (int row = y0; row < y1; ++row)
        std::fill(Pixels.begin() + row * Width + x0, Pixels.begin() + row * Width + x1, pixel);
}

namespace {

// Trims a block so that it lies inside both surfaces; false when nothing is left.
bool ClipBlock(int dstW, int dstH, int srcW, int srcH, int& x, int& y, int& w, int& h, int& sx,
               int& sy) {
    if (x < 0) { sx -= x; w += x; x = 0; }
    if (y < 0) { sy -= y; h += y; y = 0; }
    if (sx < 0) { x -= sx; w += sx; sx = 0; }
    if (sy < 0) { y -= sy; h += sy; sy = 0; }
    w = std::min({w, dstW - x, srcW - sx});
    h = std::min({h, dstH - y, srcH - sy});
    return w > 0 && h > 0;
}

}  // namespace

void BlendMasked(Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy,
                 const Surface& mask, int mx, int my) {
    const int sx0 = sx, sy0 = sy;
    if (!ClipBlock(dst.Width, dst.Height, src.Width, src.Height, x, y, w, h, sx, sy)) return;
    mx += sx - sx0;
    my += sy - sy0;
    for (int row = 0; row < h; ++row) {
        if (my + row < 0 || my + row >= mask.Height) continue;
        for (int i = 0; i < w; ++i) {
            if (mx + i < 0 || mx + i >= mask.Width || mask.Pixel(mx + i, my + row) == 0) continue;
            std::uint32_t& d = dst.Pixels[static_cast<std::size_t>(y + row) * dst.Width + x + i];
            // Halving each channel before adding keeps the sum inside its byte.
            d = ((d >> 1) & 0x7F7F7F) + ((src.Pixel(sx + i, sy + row) >> 1) & 0x7F7F7F);
        }
    }
}

void BitBlt(Surface& dst, int x, int y, int w, int h, const Surface& src, int sx, int sy,
            std::uint32_t rop) {
    if (!ClipBlock(dst.Width, dst.Height, src.Width, src.Height, x, y, w, h, sx, sy)) return;
    const std::uint32_t* from = &src.Pixels[static_cast<std::size_t>(sy) * src.Width + sx];
    std::size_t fromStride = src.Width;
    // A block moved within one surface may overlap itself: read it from a copy, so the
    // result is the same as between two surfaces.
    static thread_local std::vector<std::uint32_t> block;
    if (&src == &dst) {
        block.resize(static_cast<std::size_t>(w) * h);
        for (int row = 0; row < h; ++row)
            std::copy_n(from + row * fromStride, w, block.begin() + row * w);
        from = block.data();
        fromStride = w;
    }
    for (int row = 0; row < h; ++row) {
        std::uint32_t* d = &dst.Pixels[static_cast<std::size_t>(y + row) * dst.Width + x];
        const std::uint32_t* s = from + row * fromStride;
        switch (rop) {
            case SRCPAINT:
                for (int i = 0; i < w; ++i) d[i] |= s[i];
                break;
            case SRCAND:
                for (int i = 0; i < w; ++i) d[i] &= s[i];
                break;
            default:
                std::copy_n(s, w, d);
                break;
        }
    }
}

void PaintPicture(Surface& dst, const Surface& picture, int x, int y, int w, int h, int sx, int sy,
                  int sw, int sh) {
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0 || picture.Empty()) return;
    // Nearest-pixel sampling at each target pixel's centre keeps masks pure black and
    // white, so a picture and its mask shrunk alike still fit each other exactly.
    for (int row = 0; row < h; ++row) {
        int ty = y + row;
        if (ty < 0 || ty >= dst.Height) continue;
        int py = sy + static_cast<int>((row + 0.5) * sh / h);
        if (py < 0 || py >= picture.Height) continue;
        for (int col = 0; col < w; ++col) {
            int tx = x + col;
            if (tx < 0 || tx >= dst.Width) continue;
            int px = sx + static_cast<int>((col + 0.5) * sw / w);
            if (px < 0 || px >= picture.Width) continue;
            dst.Pixels[ty * dst.Width + tx] = picture.Pixels[py * picture.Width + px];
        }
    }
}

void PaintPicture(Surface& dst, const Surface& picture, int x, int y) {
    BitBlt(dst, x, y, picture.Width, picture.Height, picture, 0, 0, SRCCOPY);
}
