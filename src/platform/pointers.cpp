// Mouse pointers of forms, custom ones loaded from .cur and .ico files.
#include <algorithm>
#include <cstdlib>

#include "platform/window_system.h"

extern std::uint64_t PointerGeneration;

namespace {

struct Pointer {
    Surface Image, Mask;
    int HotX = 0, HotY = 0;
};

std::uint32_t Get16(const std::vector<unsigned char>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8);
}
std::uint32_t Get32(const std::vector<unsigned char>& b, std::size_t at) {
    return Get16(b, at) | (Get16(b, at + 2) << 16);
}

// Icon and cursor files hold a few entries of at most 256 x 256.
constexpr std::size_t MaxPointerBytes = 1 << 20;

// Reads the entry of the icon or cursor directory closest to 32 x 32. Throws FileError.
Pointer ReadPointer(const std::string& path) {
    std::vector<unsigned char> b = ReadFileBytes(path, "pointer", MaxPointerBytes);
    auto fail = [&](const std::string& problem) {
        throw FileError("The pointer " + PrintableText(path) + " cannot be used: " + problem + ".");
    };
    if (b.size() < 6 + 16) fail("the file is too short");
    std::uint32_t type = Get16(b, 2), count = Get16(b, 4);
    if (Get16(b, 0) != 0 || (type != 1 && type != 2) || count == 0)
        fail("it is not an icon or cursor file");
    if (b.size() < 6 + 16 * count) fail("the file ends inside its directory");
    std::size_t best = 0;
    int bestScore = 1 << 30;
    for (std::size_t i = 0; i < count; ++i) {
        int w = b[6 + 16 * i] ? b[6 + 16 * i] : 256;
        int score = std::abs(w - 32);
        if (score < bestScore) bestScore = score, best = i;
    }
    std::size_t entry = 6 + 16 * best;
    std::size_t at = Get32(b, entry + 12);
    if (at + 8 <= b.size() && b[at] == 0x89 && b[at + 1] == 'P')
        fail("compressed (PNG) entries are not supported");

    Pointer p;
    std::size_t colourEnd = 0;
    p.Image = DecodeBitmapInfo(b, at, 0, path, true, &colourEnd, 256, 256);
    int w = p.Image.Width, h = p.Image.Height;
    // The old 12-byte header keeps its depth two bytes earlier than the later ones.
    int bits = Get32(b, at) == 12 ? Get16(b, at + 10) : Get16(b, at + 14);

    // The AND mask follows the colours: one bit a pixel, bottom row first, 1 = transparent.
    std::size_t stride = ((static_cast<std::size_t>(w) + 31) / 32) * 4;
    bool haveMask = colourEnd + stride * h <= b.size();
    p.Mask.Resize(w, h, 0xFFFFFF);
    if (haveMask)
        for (int row = 0; row < h; ++row)
            for (int x = 0; x < w; ++x)
                if ((b[colourEnd + stride * row + x / 8] >> (7 - x % 8)) & 1)
                    p.Mask.SetPixel(x, h - 1 - row, 0);
    if (bits == 32) {
        // Alpha, when the file has any, says better than the mask where the pointer is.
        std::size_t headerSize = Get32(b, at);
        std::size_t pixels = at + headerSize;
        bool anyAlpha = false;
        for (int i = 0; i < w * h && !anyAlpha; ++i) anyAlpha = b[pixels + 4 * i + 3] != 0;
        if (anyAlpha)
            for (int row = 0; row < h; ++row)
                for (int x = 0; x < w; ++x)
                    p.Mask.SetPixel(x, h - 1 - row,
                                    b[pixels + 4 * (row * w + x) + 3] >= 128 ? 0xFFFFFF : 0);
    } else if (!haveMask) {
        fail("the file ends inside its transparency mask");
    }
    if (type == 2) {
        p.HotX = static_cast<int>(Get16(b, entry + 4));
        p.HotY = static_cast<int>(Get16(b, entry + 6));
    } else {
        p.HotX = w / 2;  // an icon used as a pointer points with its middle
        p.HotY = h / 2;
    }
    p.HotX = std::clamp(p.HotX, 0, w - 1);
    p.HotY = std::clamp(p.HotY, 0, h - 1);
    return p;
}

}  // namespace

void SetMousePointer(Form* form, PointerKind kind) {
    if (form) form->Pointer = kind;
}

bool SetMouseIcon(Form* form, const std::string& path) {
    if (!form) return false;
    try {
        Pointer p = ReadPointer(path);
        form->PointerImage = std::move(p.Image);
        form->PointerMask = std::move(p.Mask);
        form->PointerHotX = p.HotX;
        form->PointerHotY = p.HotY;
        form->Pointer = PointerKind::Custom;
        form->PointerFile = path.substr(path.find_last_of("/\\") + 1);
        ++PointerGeneration;
        return true;
    } catch (const FileError&) {
        return false;
    }
}
