#include "skill/SkillFormat.h"

#include <algorithm>

namespace varn {

namespace {

constexpr int kTilesPerRow = kSkillGraphicWidth / 8;

} // namespace

SkillPalette FixedSkillPalette(int id)
{
    SkillPalette palette{};
    std::copy(kFixedSkillColours.begin(), kFixedSkillColours.end(), palette.begin());
    palette[3] = id >= 0 && id < static_cast<int>(kFixedSkillColour3.size())
                     ? kFixedSkillColour3[static_cast<std::size_t>(id)]
                     : kFixedSkillColour3[0];
    return palette;
}

std::uint32_t SkillPointerOffset(const SkillGraphicCategory& category, std::uint32_t value)
{
    if (category.pointerSize == 2)
        return category.pointerTable + (value & 0xFFFF);
    value &= 0xFFFFFF;
    return value >= 0xC00000 ? value - 0xC00000 : value;
}

SkillTiles ExpandSkillGraphic(std::span<const std::uint8_t> data, int tileBytes)
{
    SkillTiles tiles{};
    std::size_t out = 0;
    std::size_t in = 0;
    while (out < tiles.size() && in < data.size()) {
        const std::uint8_t code = data[in++];
        if (code != 0) {
            tiles[out++] = code;
            continue;
        }
        // A zero byte at the very end of the data has no count: nothing more follows.
        if (in == data.size())
            break;
        const std::uint8_t count = data[in++];
        const std::size_t run = count == 0 ? static_cast<std::size_t>(tileBytes) : count;
        // The tiles start zeroed, so a run only moves on.
        out += std::min(run, tiles.size() - out);
    }
    return tiles;
}

std::vector<std::uint8_t> CompressSkillTiles(std::span<const std::uint8_t> tiles, int tileBytes)
{
    std::vector<std::uint8_t> data;
    const auto size = static_cast<std::size_t>(tileBytes);
    for (std::size_t start = 0; start + size <= tiles.size(); start += size) {
        std::size_t i = start;
        while (i < start + size) {
            if (tiles[i] != 0) {
                data.push_back(tiles[i++]);
                continue;
            }
            std::size_t run = 0;
            while (i < start + size && tiles[i] == 0) {
                ++run;
                ++i;
            }
            data.push_back(0x00);
            data.push_back(static_cast<std::uint8_t>(run));
        }
    }
    return data;
}

std::array<std::uint8_t, 64> DecodeSkillTile(std::span<const std::uint8_t> tile, int bitsPerPixel)
{
    std::array<std::uint8_t, 64> pixels{};
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            std::uint8_t index = 0;
            for (int plane = 0; plane < bitsPerPixel; ++plane) {
                const std::uint8_t bits = tile[static_cast<std::size_t>(8 * plane + y)];
                index |= static_cast<std::uint8_t>(((bits >> (7 - x)) & 1) << plane);
            }
            pixels[static_cast<std::size_t>(8 * y + x)] = index;
        }
    }
    return pixels;
}

void DrawSkillTiles(const SkillTiles& tiles, int bitsPerPixel, GifFrame& frame)
{
    const auto tileBytes = static_cast<std::size_t>(8 * bitsPerPixel);
    for (int t = 0; t < kSkillTileCount; ++t) {
        const auto tile = std::span<const std::uint8_t>(tiles).subspan(t * tileBytes, tileBytes);
        const auto pixels = DecodeSkillTile(tile, bitsPerPixel);
        const int left = 8 * (t % kTilesPerRow);
        const int top = 8 * (t / kTilesPerRow);
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x)
                frame.setPixel(left + x, top + y, pixels[static_cast<std::size_t>(8 * y + x)]);
        }
    }
}

SkillTiles EncodeSkillTiles(const GifFrame& frame)
{
    SkillTiles tiles{};
    for (int t = 0; t < kSkillTileCount; ++t) {
        std::uint8_t* tile = tiles.data() + static_cast<std::size_t>(t) * 24;
        const int left = 8 * (t % kTilesPerRow);
        const int top = 8 * (t / kTilesPerRow);
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                const std::uint8_t index = frame.pixel(left + x, top + y);
                for (int plane = 0; plane < 3; ++plane) {
                    if ((index >> plane) & 1)
                        tile[8 * plane + y] |= static_cast<std::uint8_t>(0x80 >> x);
                }
            }
        }
    }
    return tiles;
}

} // namespace varn
