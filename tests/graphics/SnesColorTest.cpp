#include <gtest/gtest.h>

#include "graphics/SnesColor.h"

namespace varn {
namespace {

TEST(SnesColorTest, ImageColoursDropTheLowThreeBits)
{
    const std::pair<GifColor, std::uint16_t> cases[] = {
        {{255, 7, 8}, 0x041F},     {{0, 0, 0}, 0x0000},       {{248, 248, 248}, 0x7FFF},
        {{255, 255, 255}, 0x7FFF}, {{240, 240, 208}, 0x6BDE}, {{48, 48, 48}, 0x18C6},
        {{8, 16, 32}, 0x1041},
    };
    for (const auto& [color, word] : cases)
        EXPECT_EQ(ImageToSnesColor(color), word)
            << int(color.red) << "," << int(color.green) << "," << int(color.blue);
}

TEST(SnesColorTest, SnesColoursShiftEachComponentLeftByThree)
{
    EXPECT_EQ(SnesToImageColor(0x7FFF), (GifColor{248, 248, 248}));
    EXPECT_EQ(SnesToImageColor(0x6BDE), (GifColor{240, 240, 208}));
    EXPECT_EQ(SnesToImageColor(0x18C6), (GifColor{48, 48, 48}));
    EXPECT_EQ(SnesToImageColor(0x001F), (GifColor{248, 0, 0}));
    EXPECT_EQ(SnesToImageColor(0x03E0), (GifColor{0, 248, 0}));
    EXPECT_EQ(SnesToImageColor(0x7C00), (GifColor{0, 0, 248}));
    // Bit 15 is not a colour bit.
    EXPECT_EQ(SnesToImageColor(0x8000), (GifColor{0, 0, 0}));
}

TEST(SnesColorTest, EverySnesColourSurvivesTheRoundTrip)
{
    for (std::uint16_t word = 0; word < 0x8000; ++word)
        ASSERT_EQ(ImageToSnesColor(SnesToImageColor(word)), word);
}

} // namespace
} // namespace varn
