// Windows icon and cursor files: one 32 x 32 entry, an uncompressed 32-bit colour bitmap
// followed by the 1-bit AND mask, as every Windows version reads them.
#pragma once

#include <cstdint>
#include <vector>

constexpr int IconSize = 32;

// argb holds 32 x 32 pixels, top row first, 0xAARRGGBB with straight alpha. Pixels with
// alpha below 128 are also marked transparent in the AND mask.
std::vector<std::uint8_t> IconFileBytes(const std::vector<std::uint32_t>& argb);
std::vector<std::uint8_t> CursorFileBytes(const std::vector<std::uint32_t>& argb, int hotX,
                                          int hotY);
