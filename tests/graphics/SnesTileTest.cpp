#include <gtest/gtest.h>

#include <random>

#include "graphics/SnesTile.h"

namespace varn {
namespace {

TEST(SnesTileTest, PlanesLieWhereTheGameKeepsThem)
{
    // Row 0: pixel 0 has index 1 (plane 0), pixel 1 index 2 (plane 1), pixel 2 index 4
    // (plane 2), pixel 3 index 8 (plane 3), pixel 7 index 15 (all planes).
    // Row 7: pixel 0 has index 5 (planes 0 and 2).
    TilePixels pixels{};
    pixels[0] = 1;
    pixels[1] = 2;
    pixels[2] = 4;
    pixels[3] = 8;
    pixels[7] = 15;
    pixels[56] = 5;
    TileBytes expected{};
    expected[0] = 0x81;  // row 0, plane 0: pixels 0 and 7
    expected[1] = 0x41;  // row 0, plane 1: pixels 1 and 7
    expected[16] = 0x21; // row 0, plane 2: pixels 2 and 7
    expected[17] = 0x11; // row 0, plane 3: pixels 3 and 7
    expected[14] = 0x80; // row 7, plane 0
    expected[30] = 0x80; // row 7, plane 2
    EXPECT_EQ(EncodeTile(pixels), expected);
    EXPECT_EQ(DecodeTile(expected), pixels);
}

TEST(SnesTileTest, OnlyTheLowFourBitsOfAnIndexAreStored)
{
    TilePixels pixels{};
    pixels[9] = 0x13; // 16 + 3
    TilePixels stored{};
    stored[9] = 3;
    EXPECT_EQ(DecodeTile(EncodeTile(pixels)), stored);
}

TEST(SnesTileTest, RandomTilesRoundTrip)
{
    std::mt19937 random(7);
    for (int i = 0; i < 200; ++i) {
        TileBytes tile;
        for (auto& byte : tile)
            byte = static_cast<std::uint8_t>(random());
        ASSERT_EQ(EncodeTile(DecodeTile(tile)), tile);
    }
}

} // namespace
} // namespace varn
