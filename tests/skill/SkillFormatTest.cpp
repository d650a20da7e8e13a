#include <gtest/gtest.h>

#include <random>

#include "SkillTestSupport.h"
#include "skill/SkillFormat.h"

namespace varn::test {
namespace {

TEST(SkillFormatTest, CategoriesAreTheGamesTables)
{
    struct Graphic {
        std::uint32_t table;
        int pointerSize, bits, ids;
    };
    const Graphic graphics[] = {{0x228000, 3, 2, 64},
                                {0x2280C0, 3, 3, 128},
                                {0x228240, 3, 3, 64},
                                {0x5BFBC0, 3, 3, 256},
                                {0x130000, 2, 3, 256}};
    ASSERT_EQ(std::size(graphics), kSkillGraphicCategories.size());
    for (std::size_t i = 0; i < std::size(graphics); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(kSkillGraphicCategories[i].pointerTable, graphics[i].table);
        EXPECT_EQ(kSkillGraphicCategories[i].pointerSize, graphics[i].pointerSize);
        EXPECT_EQ(kSkillGraphicCategories[i].bitsPerPixel, graphics[i].bits);
        EXPECT_EQ(kSkillGraphicCategories[i].tileBytes(), graphics[i].bits * 8);
        EXPECT_EQ(kSkillGraphicCategories[i].idCount, graphics[i].ids);
    }
    struct Palette {
        std::uint32_t table;
        int colours, ids;
        bool fixed;
    };
    const Palette palettes[] = {{0x227200, 4, 256, false}, {0x227380, 8, 120, false},
                                {0x227B00, 16, 40, false}, {0, 4, 5, true},
                                {0x5B8100, 8, 256, false}, {0x10C00, 8, 256, false}};
    ASSERT_EQ(std::size(palettes), kSkillPaletteCategories.size());
    for (std::size_t i = 0; i < std::size(palettes); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(kSkillPaletteCategories[i].table, palettes[i].table);
        EXPECT_EQ(kSkillPaletteCategories[i].colours, palettes[i].colours);
        EXPECT_EQ(kSkillPaletteCategories[i].paletteBytes(), 2 * palettes[i].colours);
        EXPECT_EQ(kSkillPaletteCategories[i].idCount, palettes[i].ids);
        EXPECT_EQ(kSkillPaletteCategories[i].fixed, palettes[i].fixed);
    }
}

TEST(SkillFormatTest, FixedPalettesDifferOnlyInTheFourthColour)
{
    const std::uint16_t fourth[] = {0x02B7, 0x52D6, 0x1195, 0x68C0, 0x001F, 0x02B7, 0x02B7};
    const int ids[] = {0, 1, 2, 3, 4, 5, 200};
    for (std::size_t i = 0; i < std::size(ids); ++i) {
        const SkillPalette palette = FixedSkillPalette(ids[i]);
        SkillPalette expected{};
        expected[1] = 0x6BDE;
        expected[2] = 0x18C6;
        expected[3] = fourth[i];
        EXPECT_EQ(palette, expected) << "ID " << ids[i];
    }
}

TEST(SkillFormatTest, PointersLeadToFileOffsets)
{
    struct Case {
        int category;
        std::uint32_t value;
        std::uint32_t offset;
    };
    const Case cases[] = {
        {1, 0xE28000, 0x228000}, // a bank from 0xC0 addresses the file below 4 MiB
        {1, 0xC00000, 0x000000},
        {3, 0x5D0000, 0x5D0000}, // below 0xC00000 the value is the offset
        {3, 0xBFFFFF, 0xBFFFFF},
        {4, 0x0000, 0x130000}, // the second game's pointers lie in its graphics bank
        {4, 0xFFFF, 0x13FFFF},
        {4, 0x1234, 0x131234},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SkillPointerOffset(kSkillGraphicCategories[static_cast<std::size_t>(c.category)],
                                     c.value),
                  c.offset)
            << std::hex << c.value;
}

TEST(SkillFormatTest, ExpansionStandsForBytesAndZeroRuns)
{
    // 12 00 03 34: 0x12, three zero bytes, 0x34.
    SkillTiles tiles = ExpandSkillGraphic(Bytes{0x12, 0x00, 0x03, 0x34}, 24);
    EXPECT_EQ((Bytes(tiles.begin(), tiles.begin() + 6)), (Bytes{0x12, 0, 0, 0, 0x34, 0}));
    EXPECT_TRUE(std::all_of(tiles.begin() + 5, tiles.end(), [](std::uint8_t b) { return b == 0; }));

    // 00 00 is one tile of zero bytes: 24 in the 3-bit format, 16 in the 2-bit format. The
    // byte after it shows where the run ended.
    tiles = ExpandSkillGraphic(Bytes{0x00, 0x00, 0x77}, 24);
    EXPECT_EQ(std::count(tiles.begin(), tiles.end(), 0x77), 1);
    EXPECT_EQ(tiles[24], 0x77);
    tiles = ExpandSkillGraphic(Bytes{0x00, 0x00, 0x77}, 16);
    EXPECT_EQ(std::count(tiles.begin(), tiles.end(), 0x77), 1);
    EXPECT_EQ(tiles[16], 0x77);

    // A count of 255 runs across tiles.
    tiles = ExpandSkillGraphic(Bytes{0x00, 0xFF, 0x01}, 24);
    EXPECT_EQ(tiles[255], 0x01);
}

TEST(SkillFormatTest, ExpansionStopsAt768Bytes)
{
    // 767 bytes, then a run of 255 that would pass the end, then more data.
    Bytes data(767, 0xAB);
    data.insert(data.end(), {0x00, 0xFF, 0xCD, 0xEF});
    SkillTiles tiles = ExpandSkillGraphic(data, 24);
    EXPECT_EQ(std::count(tiles.begin(), tiles.end(), 0xAB), 767);
    EXPECT_EQ(tiles[767], 0);
    EXPECT_EQ(std::count(tiles.begin(), tiles.end(), 0xCD), 0);

    // More than 768 literal bytes: the rest is not taken.
    data.assign(800, 0x11);
    data[768] = 0x22;
    tiles = ExpandSkillGraphic(data, 24);
    EXPECT_EQ(std::count(tiles.begin(), tiles.end(), 0x11), 768);
}

TEST(SkillFormatTest, ExpansionOfCutDataLeavesTheRestZero)
{
    // Data that ends (at the end of the image) after a literal, after a lone 0x00, or at once.
    const Bytes cuts[] = {{0x5A}, {0x5A, 0x00}, {}};
    for (const Bytes& data : cuts) {
        const SkillTiles tiles = ExpandSkillGraphic(data, 24);
        EXPECT_EQ(tiles[0], data.empty() ? 0 : 0x5A);
        EXPECT_TRUE(std::all_of(tiles.begin() + 1, tiles.end(), [](std::uint8_t b) { return b == 0; }));
    }
}

TEST(SkillFormatTest, CompressionKeepsRunsInsideTheirTile)
{
    struct Case {
        const char* what;
        Bytes tile;
        Bytes data;
    };
    Bytes zerosThen55(24, 0);
    zerosThen55[23] = 0x55;
    Bytes mixed(24, 0);
    mixed[0] = 0x80;
    mixed[4] = 0x01;
    const Case cases[] = {
        {"an all-zero tile", Bytes(24, 0), {0x00, 0x18}},
        {"23 zeros then 0x55", zerosThen55, {0x00, 0x17, 0x55}},
        {"no zeros", Bytes(24, 0xFF), Bytes(24, 0xFF)},
        {"runs between bytes", mixed, {0x80, 0x00, 0x03, 0x01, 0x00, 0x13}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CompressSkillTiles(c.tile, 24), c.data) << c.what;

    // A tile ending in zeros followed by one starting with zeros: two runs, not one.
    Bytes two(48, 0x33);
    two[21] = two[22] = two[23] = 0;
    two[24] = two[25] = 0;
    const Bytes data = CompressSkillTiles(two, 24);
    const Bytes expected = [&] {
        Bytes e(21, 0x33);
        e.insert(e.end(), {0x00, 0x03, 0x00, 0x02});
        e.insert(e.end(), 22, 0x33);
        return e;
    }();
    EXPECT_EQ(data, expected);
}

TEST(SkillFormatTest, CompressThenExpandGivesTheTilesBack)
{
    std::mt19937 random(20240611);
    for (int round = 0; round < 200; ++round) {
        // Graphics are mostly empty: zero bytes with a varying share of others.
        const int share = round % 10;
        SkillTiles tiles{};
        for (std::uint8_t& byte : tiles)
            byte = static_cast<int>(random() % 10) < share ? static_cast<std::uint8_t>(random()) : 0;
        for (const int tileBytes : {16, 24}) {
            const Bytes data = CompressSkillTiles(tiles, tileBytes);
            ASSERT_LE(data.size(), kMaxSkillCompressedBytes);
            // No count is 0, and none is larger than a tile.
            for (std::size_t i = 0; i + 1 < data.size(); ++i) {
                if (data[i] == 0) {
                    ASSERT_GE(data[i + 1], 1);
                    ASSERT_LE(data[i + 1], tileBytes);
                    ++i;
                }
            }
            EXPECT_EQ(ExpandSkillGraphic(data, tileBytes), tiles)
                << "round " << round << ", " << tileBytes << " bytes a tile";
        }
    }
}

TEST(SkillFormatTest, TilePlanesHoldTheirRowsTogether)
{
    // 3 bits: byte 8p + y is plane p of row y, pixel x its bit 7 - x.
    Bytes tile(24, 0);
    tile[0] = 0x80;      // plane 0, row 0, pixel 0
    tile[8 + 1] = 0x01;  // plane 1, row 1, pixel 7
    tile[16 + 7] = 0x40; // plane 2, row 7, pixel 1
    tile[3] = 0x10;      // pixel 3 of row 3 has all three planes
    tile[8 + 3] = 0x10;
    tile[16 + 3] = 0x10;
    auto pixels = DecodeSkillTile(tile, 3);
    EXPECT_EQ(pixels[0], 1);
    EXPECT_EQ(pixels[8 * 1 + 7], 2);
    EXPECT_EQ(pixels[8 * 7 + 1], 4);
    EXPECT_EQ(pixels[8 * 3 + 3], 7);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0), 60);

    // 2 bits: bytes 8-15 are plane 1; bytes beyond the tile are not looked at.
    Bytes small(16, 0);
    small[8] = 0x80;
    small[2] = 0x02;
    small[8 + 2] = 0x02;
    pixels = DecodeSkillTile(small, 2);
    EXPECT_EQ(pixels[0], 2);
    EXPECT_EQ(pixels[8 * 2 + 6], 3);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0), 62);
}

TEST(SkillFormatTest, TilesLieInTwoRowsOfSixteen)
{
    for (const int bits : {2, 3}) {
        SkillTiles tiles{};
        // Each tile's top-left pixel gets colour 1 from plane 0.
        for (int t = 0; t < kSkillTileCount; ++t)
            tiles[static_cast<std::size_t>(t * 8 * bits)] = 0x80;
        GifFrame frame(kSkillGraphicWidth, kSkillGraphicHeight);
        DrawSkillTiles(tiles, bits, frame);
        for (int y = 0; y < kSkillGraphicHeight; ++y) {
            for (int x = 0; x < kSkillGraphicWidth; ++x)
                ASSERT_EQ(frame.pixel(x, y), (x % 8 == 0 && y % 8 == 0) ? 1 : 0)
                    << bits << " bits, x " << x << " y " << y;
        }
    }
    // Tile 17 is the second tile of the second row.
    SkillTiles tiles{};
    tiles[17 * 24 + 16 + 2] = 0x01; // plane 2, row 2, pixel 7
    GifFrame frame(kSkillGraphicWidth, kSkillGraphicHeight);
    DrawSkillTiles(tiles, 3, frame);
    EXPECT_EQ(frame.pixel(8 + 7, 8 + 2), 4);
}

TEST(SkillFormatTest, EncodingIsTheReverseOfDrawing)
{
    const GifImage image = SkillGif(PatternPixel, DistinctColours(8));
    const SkillTiles tiles = EncodeSkillTiles(image.frames.front());
    GifFrame drawn(kSkillGraphicWidth, kSkillGraphicHeight);
    DrawSkillTiles(tiles, 3, drawn);
    EXPECT_EQ(drawn.pixels, image.frames.front().pixels);

    // Only bits 0 to 2 of an index are stored.
    const GifImage high = SkillGif([](int x, int) { return static_cast<std::uint8_t>(8 + x % 8); },
                                   DistinctColours(16));
    const SkillTiles low = EncodeSkillTiles(
        SkillGif([](int x, int) { return static_cast<std::uint8_t>(x % 8); }, DistinctColours(8))
            .frames.front());
    EXPECT_EQ(EncodeSkillTiles(high.frames.front()), low);
}

} // namespace
} // namespace varn::test
