#pragma once

#include <cstdint>

#include "graphics/GifImage.h"

namespace varn {

// SNES colours are 15-bit words, stored little-endian: red in bits 0-4, green in 5-9, blue
// in 10-14. Image colours have 8 bits per component.

// Each 5-bit component shifted left by 3, so 31 becomes 248.
constexpr GifColor SnesToImageColor(std::uint16_t word)
{
    return {static_cast<std::uint8_t>((word & 0x1F) << 3),
            static_cast<std::uint8_t>(((word >> 5) & 0x1F) << 3),
            static_cast<std::uint8_t>(((word >> 10) & 0x1F) << 3)};
}

// Each 8-bit component shifted right by 3 (the low three bits are dropped).
constexpr std::uint16_t ImageToSnesColor(GifColor color)
{
    return static_cast<std::uint16_t>((color.red >> 3) | ((color.green >> 3) << 5) |
                                      ((color.blue >> 3) << 10));
}

} // namespace varn
