#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "graphics/GifCodec.h"
#include "graphics/GifImage.h"
#include "rom/RomStream.h"
#include "skill/SkillFormat.h"

namespace varn::test {

using Bytes = std::vector<std::uint8_t>;

// A memory image that fails the test when anything asks it for bytes outside the image:
// reading must stop at the end of the image, never try past it.
class GuardedRomStream : public MemoryRomStream {
public:
    using MemoryRomStream::MemoryRomStream;

    bool readAt(std::uint64_t offset, std::span<std::uint8_t> out) override
    {
        if (!contains(offset, out.size()))
            ADD_FAILURE() << "read of " << out.size() << " bytes at " << std::hex << offset
                          << " outside an image of " << size() << " bytes";
        return MemoryRomStream::readAt(offset, out);
    }
};

// A 128 x 16 image of one frame whose pixels are `pixel(x, y)`, with `colours` as its global
// colour table.
inline GifImage SkillGif(const std::function<std::uint8_t(int, int)>& pixel, GifColorTable colours)
{
    GifImage image;
    image.width = kSkillGraphicWidth;
    image.height = kSkillGraphicHeight;
    image.colors = std::move(colours);
    GifFrame frame(kSkillGraphicWidth, kSkillGraphicHeight);
    for (int y = 0; y < kSkillGraphicHeight; ++y) {
        for (int x = 0; x < kSkillGraphicWidth; ++x)
            frame.setPixel(x, y, pixel(x, y));
    }
    image.frames.push_back(std::move(frame));
    return image;
}

// `count` colours that stay distinct when reduced to SNES colours (multiples of 8).
inline GifColorTable DistinctColours(int count)
{
    GifColorTable colours;
    for (int i = 0; i < count; ++i)
        colours.push_back({static_cast<std::uint8_t>((i * 8 + 16) & 0xF8),
                           static_cast<std::uint8_t>((200 - i * 8) & 0xF8),
                           static_cast<std::uint8_t>((i * 40 + 8) & 0xF8)});
    return colours;
}

// A pattern of colours 0 to 7 that differs in every tile and row.
inline std::uint8_t PatternPixel(int x, int y)
{
    return static_cast<std::uint8_t>((x * 3 + y * 5 + (x / 8) * (y / 8 + 1)) % 8);
}

inline Bytes GifBytes(const GifImage& image)
{
    const auto encoded = EncodeGif(image);
    EXPECT_TRUE(encoded.ok()) << encoded.message();
    return encoded.ok() ? encoded.value() : Bytes{};
}

} // namespace varn::test
