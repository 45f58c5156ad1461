#include "ico_files.h"

#include "byte_writer.h"

namespace {

// type 1 = icon (planes 1, 32 bits), 2 = cursor (the same two words hold the hot spot).
std::vector<std::uint8_t> Build(const std::vector<std::uint32_t>& argb, unsigned type,
                                unsigned word1, unsigned word2) {
    constexpr int MaskRowBytes = 4;  // 32 bits, already a multiple of four bytes
    constexpr std::uint32_t ImageBytes =
        40 + IconSize * IconSize * 4 + IconSize * MaskRowBytes;
    std::vector<std::uint8_t> b;
    Put16(b, 0);
    Put16(b, type);
    Put16(b, 1);
    b.push_back(IconSize);
    b.push_back(IconSize);
    b.push_back(0);  // no palette
    b.push_back(0);
    Put16(b, word1);
    Put16(b, word2);
    Put32(b, ImageBytes);
    Put32(b, 6 + 16);

    Put32(b, 40);
    Put32(b, IconSize);
    Put32(b, IconSize * 2);  // colour bitmap and mask stacked
    Put16(b, 1);
    Put16(b, 32);
    Put32(b, 0);
    Put32(b, IconSize * IconSize * 4 + IconSize * MaskRowBytes);
    for (int i = 0; i < 4; ++i) Put32(b, 0);

    for (int y = IconSize - 1; y >= 0; --y)  // bottom row first
        for (int x = 0; x < IconSize; ++x) {
            std::uint32_t p = argb[y * IconSize + x];
            b.push_back(p & 0xFF);
            b.push_back((p >> 8) & 0xFF);
            b.push_back((p >> 16) & 0xFF);
            b.push_back(p >> 24);
        }
    for (int y = IconSize - 1; y >= 0; --y)
        for (int byte = 0; byte < MaskRowBytes; ++byte) {
            std::uint8_t bits = 0;
            for (int bit = 0; bit < 8; ++bit)
                if ((argb[y * IconSize + byte * 8 + bit] >> 24) < 128) bits |= 0x80 >> bit;
            b.push_back(bits);
        }
    return b;
}

}  // namespace

std::vector<std::uint8_t> IconFileBytes(const std::vector<std::uint32_t>& argb) {
    return Build(argb, 1, 1, 32);
}

std::vector<std::uint8_t> CursorFileBytes(const std::vector<std::uint32_t>& argb, int hotX,
                                          int hotY) {
    return Build(argb, 2, static_cast<unsigned>(hotX), static_cast<unsigned>(hotY));
}
