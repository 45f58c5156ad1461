// Windows bitmap files: the game's pictures, pointers' colour planes and screenshots.
#include <algorithm>
#include <array>
#include <cstring>

#include "platform/platform.h"
#include "platform/window_system.h"

namespace {

std::uint32_t Read16(const std::vector<unsigned char>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8);
}
std::uint32_t Read32(const std::vector<unsigned char>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

// Spreads a channel picked out by a bit mask to the full 0..255 range.
std::uint32_t Channel(std::uint32_t value, std::uint32_t mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    std::uint32_t bits = mask >> shift;
    std::uint32_t v = (value & mask) >> shift;
    if (bits == 0xFF) return v;
    return (v * 255 + bits / 2) / bits;
}

[[noreturn]] void Fail(const std::string& path, const std::string& problem) {
    throw FileError("The picture " + PrintableText(path) + " cannot be used: " + problem + ".");
}

}  // namespace

Surface DecodeBitmapInfo(const std::vector<unsigned char>& b, std::size_t info,
                         std::size_t pixelsAt, const std::string& name, bool iconHalfHeight,
                         std::size_t* pixelsEnd, int maxWidth, int maxHeight) {
    if (b.size() < info + 12) Fail(name, "the file ends inside its header");
    std::uint32_t headerSize = Read32(b, info);
    bool core = headerSize == 12;  // the old OS/2 header with 16-bit sizes
    if (!core && headerSize < 40) Fail(name, "its header is not a bitmap header");
    if (b.size() < info + headerSize) Fail(name, "the file ends inside its header");

    std::int32_t width, height;
    int bits;
    std::uint32_t compression = 0, coloursUsed = 0;
    if (core) {
        width = static_cast<std::int16_t>(Read16(b, info + 4));
        height = static_cast<std::int16_t>(Read16(b, info + 6));
        bits = Read16(b, info + 10);
    } else {
        width = static_cast<std::int32_t>(Read32(b, info + 4));
        height = static_cast<std::int32_t>(Read32(b, info + 8));
        bits = Read16(b, info + 14);
        compression = Read32(b, info + 16);
        coloursUsed = Read32(b, info + 32);
    }
    if (iconHalfHeight) height /= 2;  // icon entries count the AND mask in their height
    bool topDown = height < 0;
    // Widened first: the most negative height has no positive twin in 32 bits.
    std::int64_t rows = topDown ? -std::int64_t{height} : height;
    if (width <= 0 || rows <= 0 || width > MaxPictureSide || rows > MaxPictureSide)
        Fail(name, "its size " + std::to_string(width) + " x " + std::to_string(rows) +
                       " is not a picture size");
    height = static_cast<std::int32_t>(rows);
    if (width > maxWidth || height > maxHeight)
        Fail(name, "it is " + std::to_string(width) + " x " + std::to_string(height) +
                       " pixels, larger than the " + std::to_string(maxWidth) + " x " +
                       std::to_string(maxHeight) + " it is drawn in");
    if (static_cast<std::int64_t>(width) * height > MaxPicturePixels)
        Fail(name, "its " + std::to_string(width) + " x " + std::to_string(height) +
                       " pixels are more than any picture of the game holds");
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        Fail(name, std::to_string(bits) + " bits per pixel is not a supported depth");

    // Colour masks: stored after a 40-byte header, inside the later headers.
    std::uint32_t masks[3] = {0x00FF0000, 0x0000FF00, 0x000000FF};
    if (bits == 16) masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    std::size_t paletteAt = info + headerSize;
    if (compression == 3 || compression == 6) {
        if (bits != 16 && bits != 32) Fail(name, "colour masks are only allowed at 16 or 32 bits");
        std::size_t at = info + 40;
        if (headerSize == 40) paletteAt += compression == 6 ? 16 : 12;
        if (b.size() < at + 12) Fail(name, "the file ends inside its colour masks");
        for (int i = 0; i < 3; ++i) masks[i] = Read32(b, at + 4 * i);
    } else if (compression != 0) {
        Fail(name, "compressed bitmaps are not supported");
    }

    std::vector<std::uint32_t> palette;
    if (bits <= 8) {
        std::size_t count = coloursUsed ? coloursUsed : (std::size_t{1} << bits);
        if (count > 256) Fail(name, "its palette has more than 256 colours");
        std::size_t entry = core ? 3 : 4;
        if (b.size() < paletteAt + count * entry) Fail(name, "the file ends inside its palette");
        palette.resize(std::size_t{1} << bits, 0);
        for (std::size_t i = 0; i < count && i < palette.size(); ++i) {
            std::size_t at = paletteAt + i * entry;
            palette[i] = (b[at + 2] << 16) | (b[at + 1] << 8) | b[at];
        }
        if (pixelsAt == 0) pixelsAt = paletteAt + count * entry;
    } else if (pixelsAt == 0) {
        pixelsAt = paletteAt;
    }

    std::size_t stride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
    if (b.size() < pixelsAt + stride * height)
        Fail(name, "the file is short: its pixels stop before the last row");
    if (pixelsEnd) *pixelsEnd = pixelsAt + stride * height;

    Surface picture;
    picture.Resize(width, height);
    for (int row = 0; row < height; ++row) {
        const unsigned char* src = b.data() + pixelsAt + stride * row;
        int y = topDown ? row : height - 1 - row;
        std::uint32_t* dst = &picture.Pixels[static_cast<std::size_t>(y) * width];
        switch (bits) {
            case 1:
            case 4:
            case 8: {
                int perByte = 8 / bits;
                std::uint32_t mask = (1u << bits) - 1;
                for (int x = 0; x < width; ++x) {
                    int shift = 8 - bits * (x % perByte + 1);
                    dst[x] = palette[(src[x / perByte] >> shift) & mask];
                }
                break;
            }
            case 16:
                for (int x = 0; x < width; ++x) {
                    std::uint32_t v = src[2 * x] | (src[2 * x + 1] << 8);
                    dst[x] = (Channel(v, masks[0]) << 16) | (Channel(v, masks[1]) << 8) |
                             Channel(v, masks[2]);
                }
                break;
            case 24:
                for (int x = 0; x < width; ++x)
                    dst[x] = (src[3 * x + 2] << 16) | (src[3 * x + 1] << 8) | src[3 * x];
                break;
            case 32:
                if (compression == 0) {
                    // The fourth byte is unused or alpha; surfaces keep their top byte 0.
                    for (int x = 0; x < width; ++x)
                        dst[x] = (src[4 * x + 2] << 16) | (src[4 * x + 1] << 8) | src[4 * x];
                } else {
                    for (int x = 0; x < width; ++x) {
                        std::uint32_t v = src[4 * x] | (src[4 * x + 1] << 8) |
                                          (src[4 * x + 2] << 16) |
                                          (static_cast<std::uint32_t>(src[4 * x + 3]) << 24);
                        dst[x] = (Channel(v, masks[0]) << 16) | (Channel(v, masks[1]) << 8) |
                                 Channel(v, masks[2]);
                    }
                }
                break;
        }
    }
    return picture;
}

std::vector<unsigned char> ReadFileBytes(const std::string& path, const std::string& what,
                                         std::size_t maxBytes) {
    return ReadFileChecked(path, maxBytes, what);
}

Surface LoadPicture(const std::string& path, int maxWidth, int maxHeight) {
    // No bitmap of the allowed size needs more than 32 bits a pixel plus its headers.
    std::int64_t pixels = std::min<std::int64_t>(std::int64_t{maxWidth} * maxHeight, MaxPicturePixels);
    std::vector<unsigned char> b =
        ReadFileBytes(path, "picture", static_cast<std::size_t>(pixels * 4 + 4096));
    if (b.size() < 14 + 12) Fail(path, "the file is too short to be a bitmap");
    if (b[0] != 'B' || b[1] != 'M') Fail(path, "it is not a Windows bitmap (no BM signature)");
    std::size_t offset = Read32(b, 10);
    if (offset >= b.size()) Fail(path, "its pixel data lies beyond the end of the file");
    return DecodeBitmapInfo(b, 14, offset, path, false, nullptr, maxWidth, maxHeight);
}

void SavePicture(const Surface& surface, const std::string& path) {
    std::size_t stride = (static_cast<std::size_t>(surface.Width) * 3 + 3) & ~std::size_t{3};
    std::size_t imageSize = stride * surface.Height;
    std::vector<unsigned char> b(54 + imageSize, 0);
    auto put16 = [&](std::size_t at, std::uint32_t v) {
        b[at] = v & 0xFF;
        b[at + 1] = (v >> 8) & 0xFF;
    };
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, static_cast<std::uint32_t>(b.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, surface.Width);
    put32(22, surface.Height);  // bottom-up, as most readers expect
    put16(26, 1);
    put16(28, 24);
    put32(34, static_cast<std::uint32_t>(imageSize));
    put32(38, 3780);  // 96 dpi
    put32(42, 3780);
    for (int y = 0; y < surface.Height; ++y) {
        unsigned char* row = b.data() + 54 + stride * (surface.Height - 1 - y);
        for (int x = 0; x < surface.Width; ++x) {
            std::uint32_t p = surface.Pixel(x, y);
            row[3 * x] = p & 0xFF;
            row[3 * x + 1] = (p >> 8) & 0xFF;
            row[3 * x + 2] = (p >> 16) & 0xFF;
        }
    }
    WriteFileAtomic(path, b.data(), b.size(), "picture");
}
