#include "graphics/SnesTile.h"

namespace varn {

namespace {

// Where plane p of row y lies in the tile.
constexpr std::size_t PlaneByte(int plane, int y)
{
    return static_cast<std::size_t>((plane / 2) * 16 + 2 * y + (plane % 2));
}

} // namespace

TilePixels DecodeTile(std::span<const std::uint8_t, kTileBytes> tile)
{
    TilePixels pixels{};
    for (int y = 0; y < kTileSize; ++y) {
        for (int x = 0; x < kTileSize; ++x) {
            std::uint8_t index = 0;
            for (int plane = 0; plane < 4; ++plane)
                index |= ((tile[PlaneByte(plane, y)] >> (7 - x)) & 1) << plane;
            pixels[static_cast<std::size_t>(y * kTileSize + x)] = index;
        }
    }
    return pixels;
}

TileBytes EncodeTile(const TilePixels& pixels)
{
    TileBytes tile{};
    for (int y = 0; y < kTileSize; ++y) {
        for (int x = 0; x < kTileSize; ++x) {
            const std::uint8_t index = pixels[static_cast<std::size_t>(y * kTileSize + x)];
            for (int plane = 0; plane < 4; ++plane) {
                if ((index >> plane) & 1)
                    tile[PlaneByte(plane, y)] |= static_cast<std::uint8_t>(0x80 >> x);
            }
        }
    }
    return tile;
}

} // namespace varn
