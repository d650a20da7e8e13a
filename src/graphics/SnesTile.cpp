#include "graphics/SnesTile.h"

namespace varn {

namespace {

// Where plane p of row y lies in the tile.
constexpr std::size_t PlaneByte(int plane, int y)
{
    return static_cast<std::size_t>((plane / 2) * 16 + 2 * y + (plane % 2));
}

} // namespace

// Both directions work a row at a time on its four plane bytes, without a branch per bit:
// sheets of hundreds of tiles are decoded and encoded whole.
TilePixels DecodeTile(std::span<const std::uint8_t, kTileBytes> tile)
{
    TilePixels pixels{};
    for (int y = 0; y < kTileSize; ++y) {
        const unsigned p0 = tile[PlaneByte(0, y)];
        const unsigned p1 = tile[PlaneByte(1, y)];
        const unsigned p2 = tile[PlaneByte(2, y)];
        const unsigned p3 = tile[PlaneByte(3, y)];
        std::uint8_t* row = pixels.data() + static_cast<std::size_t>(y * kTileSize);
        for (int x = 0; x < kTileSize; ++x) {
            const int shift = 7 - x;
            row[x] = static_cast<std::uint8_t>(((p0 >> shift) & 1) | (((p1 >> shift) & 1) << 1) |
                                               (((p2 >> shift) & 1) << 2) |
                                               (((p3 >> shift) & 1) << 3));
        }
    }
    return pixels;
}

TileBytes EncodeTile(const TilePixels& pixels)
{
    TileBytes tile{};
    for (int y = 0; y < kTileSize; ++y) {
        unsigned p0 = 0;
        unsigned p1 = 0;
        unsigned p2 = 0;
        unsigned p3 = 0;
        const std::uint8_t* row = pixels.data() + static_cast<std::size_t>(y * kTileSize);
        for (int x = 0; x < kTileSize; ++x) {
            const unsigned index = row[x];
            const int shift = 7 - x;
            p0 |= (index & 1) << shift;
            p1 |= ((index >> 1) & 1) << shift;
            p2 |= ((index >> 2) & 1) << shift;
            p3 |= ((index >> 3) & 1) << shift;
        }
        tile[PlaneByte(0, y)] = static_cast<std::uint8_t>(p0);
        tile[PlaneByte(1, y)] = static_cast<std::uint8_t>(p1);
        tile[PlaneByte(2, y)] = static_cast<std::uint8_t>(p2);
        tile[PlaneByte(3, y)] = static_cast<std::uint8_t>(p3);
    }
    return tile;
}

} // namespace varn
