#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace varn {

// An 8 x 8 tile of 4-bit colour indices in the SNES planar form, 32 bytes: for pixel row y,
// byte 2y holds bit plane 0, byte 2y+1 plane 1, byte 16+2y plane 2 and byte 17+2y plane 3;
// pixel x is bit 7-x of each plane byte.

inline constexpr std::size_t kTileBytes = 32;
inline constexpr int kTileSize = 8;

using TileBytes = std::array<std::uint8_t, kTileBytes>;
// Colour indices row by row, top-left first.
using TilePixels = std::array<std::uint8_t, kTileSize * kTileSize>;

TilePixels DecodeTile(std::span<const std::uint8_t, kTileBytes> tile);

// Only bits 0-3 of each index are stored.
TileBytes EncodeTile(const TilePixels& pixels);

} // namespace varn
