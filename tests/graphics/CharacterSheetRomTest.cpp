#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

#include "graphics/CharacterSheetRom.h"
#include "graphics/GifCodec.h"
#include "graphics/SpriteSheet.h"
#include "rom/RomHeader.h"
#include "rom/RomStream.h"
#include "support/Bytes.h"
#include "support/RomImageBuilder.h"
#include "support/TempDir.h"
#include "text/TextCodec.h"

namespace varn {
namespace {

using test::RandomBytes;

using test::RomImageBuilder;
using Bytes = std::vector<std::uint8_t>;

// The places of the game's characters' sheets, as the page's table gives them.
struct Place {
    std::uint8_t code;
    std::uint32_t palette;
    std::uint32_t tiles;
};
constexpr Place kPlaces[] = {
    {0x00, 0x2C8020, 0x1A1C60}, {0x01, 0x2C8080, 0x1A7180}, {0x02, 0x2C80A0, 0x1A8DE0},
    {0x03, 0x2C8060, 0x1A5520}, {0x04, 0x2C80C0, 0x1AAA40}, {0x05, 0x2C8040, 0x1A38C0},
    {0x06, 0x2C8000, 0x1A0000}, {0x07, 0x2C80E0, 0x1AC6A0}, {0x08, 0x2C8140, 0x1B1C60},
    {0x09, 0x2C8100, 0x1AE300}, {0x0A, 0x2C8120, 0x1B0000}, {0x0B, 0x2C81C0, 0x1B9220},
    {0x0C, 0x2C8260, 0x1C38C0}, {0x0D, 0x2C8180, 0x1B5740}, {0x0E, 0x2C8160, 0x1B38C0},
    {0x0F, 0x2C81E0, 0x1BAE80}, {0x10, 0x2C8200, 0x1BCAE0}, {0x11, 0x2C8220, 0x1C0000},
    {0x12, 0x2C8240, 0x1C1C60}, {0x13, 0x2C8300, 0x1CC6A0}, {0x14, 0x2C8280, 0x1C5520},
    {0x15, 0x2C82C0, 0x1C8DE0}, {0x16, 0x2C81A0, 0x1B75C0}, {0x17, 0x2C82A0, 0x1C7180},
    {0x18, 0x2C8320, 0x1CE300}, {0x19, 0x2C82E0, 0x1CAA40}, {0x1A, 0x2C9580, 0x21D820},
    {0x1B, 0x2C8D80, 0x1FB1A0}, {0x1C, 0x2C93A0, 0x1D38C0}, {0x1D, 0x2C8360, 0x1D1C60},
    {0x1E, 0x2C8340, 0x1D0000}, {0x1F, 0x2C83A0, 0x1D5520},
};


SheetPalette AsPalette(const Bytes& bytes)
{
    SheetPalette palette{};
    std::copy_n(bytes.begin(), palette.size(), palette.begin());
    return palette;
}

SheetTiles AsTiles(const Bytes& bytes)
{
    SheetTiles tiles{};
    std::copy_n(bytes.begin(), tiles.size(), tiles.begin());
    return tiles;
}

// A stream over an image that records every range asked for, and fails the test when a range
// reaches outside the image.
class WatchedStream : public MemoryRomStream {
public:
    using MemoryRomStream::MemoryRomStream;

    bool readAt(std::uint64_t offset, std::span<std::uint8_t> out) override
    {
        EXPECT_TRUE(contains(offset, out.size()))
            << "read of " << out.size() << " bytes at 0x" << std::hex << offset
            << " outside an image of 0x" << size();
        reads.push_back({offset, out.size()});
        return MemoryRomStream::readAt(offset, out);
    }

    struct Read {
        std::uint64_t offset;
        std::size_t count;
    };
    std::vector<Read> reads;
};

// --- Where the sheets lie ------------------------------------------------------------------

TEST(CharacterSheetPlaceTest, TheListHoldsTheGameCharactersWith1BAfter07)
{
    const std::set<std::uint8_t> distinct(kCharacterSheetCodes.begin(), kCharacterSheetCodes.end());
    EXPECT_EQ(distinct.size(), 32U);
    EXPECT_EQ(*distinct.begin(), 0x00);
    EXPECT_EQ(*distinct.rbegin(), 0x1F);
    EXPECT_EQ(kCharacterSheetCodes[7], 0x07);
    EXPECT_EQ(kCharacterSheetCodes[8], 0x1B);
    EXPECT_EQ(kCharacterSheetCodes[9], 0x08);
    EXPECT_EQ(kCharacterSheetCodes[27], 0x1A);
    EXPECT_EQ(kCharacterSheetCodes[28], 0x1C);
}

// Every character's own palette and tiles at its places: each is read from there and from
// nowhere else, so a swapped row or a code read by its list position shows.
TEST(CharacterSheetPlaceTest, EveryFixedCodeReadsItsOwnPaletteAndTiles)
{
    std::mt19937 random(11);
    RomImageBuilder builder(RomImageBuilder::kPlainSize);
    std::vector<std::pair<Bytes, Bytes>> written;
    for (const Place& place : kPlaces) {
        written.emplace_back(RandomBytes(32, random), RandomBytes(7104, random));
        builder.bytes(place.palette, written.back().first).bytes(place.tiles, written.back().second);
    }
    MemoryRomStream rom(builder.build(), false);
    for (std::size_t i = 0; i < std::size(kPlaces); ++i) {
        const Place& place = kPlaces[i];
        SCOPED_TRACE(testing::Message() << "code " << std::hex << int{place.code});
        const auto located = LocateCharacterSheet(rom, place.code);
        ASSERT_TRUE(located.ok()) << located.message();
        EXPECT_EQ(located.value(), (CharacterSheetPlace{place.palette, place.tiles}));
        const auto data = ReadCharacterSheetData(rom, place.code);
        ASSERT_TRUE(data.ok()) << data.message();
        EXPECT_EQ(data.value().palette, AsPalette(written[i].first));
        EXPECT_EQ(data.value().tiles, AsTiles(written[i].second));
    }
}

// The ninth item of the list, code 1B, reads its own sheet, not the ninth place of the table.
TEST(CharacterSheetPlaceTest, Code1BReadsItsOwnPlacesAlthoughItIsTheNinthItem)
{
    std::mt19937 random(5);
    Bytes palette = RandomBytes(32, random);
    for (std::size_t i = 1; i < palette.size(); i += 2)
        palette[i] &= 0x7F; // colour words have 15 bits
    const Bytes tiles = RandomBytes(7104, random);
    MemoryRomStream rom(RomImageBuilder(RomImageBuilder::kPlainSize)
                            .bytes(0x2C8D80, palette)
                            .bytes(0x1FB1A0, tiles)
                            .build(),
                        false);
    const std::uint8_t ninth = kCharacterSheetCodes[8];
    const auto sheet = ReadCharacterSheet(rom, ninth);
    ASSERT_TRUE(sheet.ok()) << sheet.message();
    EXPECT_EQ(TilesFromImage(sheet.value()), AsTiles(tiles));
    auto expectedPalette = AsPalette(palette);
    const std::uint8_t fixed[6] = {0xDE, 0x6B, 0xC6, 0x18, 0x00, 0x00};
    std::copy(std::begin(fixed), std::end(fixed), expectedPalette.begin() + 2);
    EXPECT_EQ(PaletteFromImage(sheet.value()), expectedPalette);
}

TEST(CharacterSheetPlaceTest, ExtraCodePointerArithmetic)
{
    struct Case {
        std::array<std::uint8_t, 4> entry;
        std::uint32_t offset;
    };
    const Case cases[] = {
        {{0x00, 0x20, 0xA0, 0xC5}, 0x05A020}, // bank from 0xC0: (bank - 0xC0) * 0x10000
        {{0x00, 0x00, 0x00, 0x41}, 0x410000}, // lower bank: bank * 0x10000
        {{0xFF, 0x34, 0x12, 0xC0}, 0x001234}, // byte 0 is not used
        {{0x00, 0x10, 0x00, 0x58}, 0x580010}, // low byte first
        {{0x00, 0x00, 0x80, 0xFF}, 0x3F8000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExtraSheetTileOffset(c.entry), c.offset) << std::hex << c.offset;
}

// Both pointer forms read through the image: entry n of 0x5A8630 for code B0 + n, the palette
// at 0x5A9D70 + 32n.
TEST(CharacterSheetPlaceTest, ExtraCodesReadWhereTheirPointerEntriesLead)
{
    std::mt19937 random(7);
    const Bytes lowPalette = RandomBytes(32, random);
    const Bytes lowTiles = RandomBytes(7104, random);
    const Bytes highPalette = RandomBytes(32, random);
    const Bytes highTiles = RandomBytes(7104, random);
    // B3 (n = 3) points below 4 MiB through bank C5; CD (n = 29) into the expanded area.
    MemoryRomStream rom(RomImageBuilder(RomImageBuilder::kExpandedSize)
                            .bytes(0x5A8630 + 4 * 3, {0x00, 0x20, 0xA0, 0xC5})
                            .bytes(0x5A9D70 + 32 * 3, lowPalette)
                            .bytes(0x05A020, lowTiles)
                            .bytes(0x5A8630 + 4 * 29, {0x00, 0x00, 0x00, 0x41})
                            .bytes(0x5A9D70 + 32 * 29, highPalette)
                            .bytes(0x410000, highTiles)
                            .build(),
                        false);

    const auto b3 = LocateCharacterSheet(rom, 0xB3);
    ASSERT_TRUE(b3.ok()) << b3.message();
    EXPECT_EQ(b3.value(), (CharacterSheetPlace{0x5A9DD0, 0x05A020}));
    const auto b3Data = ReadCharacterSheetData(rom, 0xB3);
    ASSERT_TRUE(b3Data.ok());
    EXPECT_EQ(b3Data.value().palette, AsPalette(lowPalette));
    EXPECT_EQ(b3Data.value().tiles, AsTiles(lowTiles));

    const auto cd = LocateCharacterSheet(rom, 0xCD);
    ASSERT_TRUE(cd.ok()) << cd.message();
    EXPECT_EQ(cd.value(), (CharacterSheetPlace{0x5AA110, 0x410000}));
    const auto cdData = ReadCharacterSheetData(rom, 0xCD);
    ASSERT_TRUE(cdData.ok());
    EXPECT_EQ(cdData.value().palette, AsPalette(highPalette));
    EXPECT_EQ(cdData.value().tiles, AsTiles(highTiles));
}

// --- Bounded reading -----------------------------------------------------------------------

TEST(CharacterSheetBoundsTest, RefusalsReadNothingOutsideTheImage)
{
    const std::size_t expanded = RomImageBuilder::kExpandedSize;
    struct Case {
        const char* name;
        Bytes image;
        std::uint8_t code;
        const char* message;
    };
    const Case cases[] = {
        {"CodeBetweenTheRanges", RomImageBuilder(expanded).build(), 0x20, kUnknownSheetCodeMessage},
        {"CodeBeforeB0", RomImageBuilder(expanded).build(), 0xAF, kUnknownSheetCodeMessage},
        {"CodeAfterCD", RomImageBuilder(expanded).build(), 0xCE, kUnknownSheetCodeMessage},
        {"ExtraCodeOnA4MiBImage", RomImageBuilder(RomImageBuilder::kPlainSize).build(), 0xB0,
         kNoExtraSheetMessage},
        {"FixedCodeOnAShortImage", RomImageBuilder(0x1D0000).build(), 0x1A,
         kSheetOutsideImageMessage},
        {"PointerEntryPastTheEnd", RomImageBuilder(0x400001).build(), 0xB0,
         kSheetOutsideImageMessage},
        {"PointerEntryCutByTheEnd", RomImageBuilder(0x5A8632).build(), 0xB0,
         kSheetOutsideImageMessage},
        {"PaletteOfTheLastCodePastTheEnd",
         RomImageBuilder(0x5AA120).bytes(0x5A86A4, {0x00, 0x00, 0x00, 0x41}).build(), 0xCD,
         kSheetOutsideImageMessage},
        {"PointerBeyondTheImage",
         RomImageBuilder(expanded).bytes(0x5A8630, {0x00, 0x00, 0x00, 0x7F}).build(), 0xB0,
         kSheetOutsideImageMessage},
        {"TileBlockRunningPastTheEnd",
         RomImageBuilder(expanded).bytes(0x5A8634, {0x00, 0x00, 0xF0, 0x5F}).build(), 0xB1,
         kSheetOutsideImageMessage},
        {"PointerAtTheEnd",
         RomImageBuilder(expanded).bytes(0x5A8638, {0x00, 0x00, 0x00, 0x60}).build(), 0xB2,
         kSheetOutsideImageMessage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WatchedStream rom(c.image, false);
        const auto sheet = ReadCharacterSheet(rom, c.code);
        ASSERT_FALSE(sheet.ok());
        EXPECT_EQ(sheet.message(), c.message);
        // At most the pointer entry was read; no palette, no tiles.
        for (const auto& read : rom.reads)
            EXPECT_EQ(read.count, kExtraSheetPointerSize);
    }
}

// A tile block that ends exactly at the end of the image is inside it.
TEST(CharacterSheetBoundsTest, ATileBlockEndingAtTheEndIsRead)
{
    const std::size_t size = RomImageBuilder::kExpandedSize;
    const std::uint32_t tiles = static_cast<std::uint32_t>(size - 7104);
    std::mt19937 random(9);
    const Bytes block = RandomBytes(7104, random);
    WatchedStream rom(RomImageBuilder(size)
                          .bytes(0x5A8630, {0x00, static_cast<std::uint8_t>(tiles),
                                            static_cast<std::uint8_t>(tiles >> 8),
                                            static_cast<std::uint8_t>(tiles >> 16)})
                          .bytes(tiles, block)
                          .build(),
                      false);
    const auto data = ReadCharacterSheetData(rom, 0xB0);
    ASSERT_TRUE(data.ok()) << data.message();
    EXPECT_EQ(data.value().tiles, AsTiles(block));
}

TEST(CharacterSheetBoundsTest, AnImageThatCannotBeOpenedIsReported)
{
    test::TempDir dir;
    const auto sheet = ReadCharacterSheet(dir.path() / "missing.smc", 0x00);
    ASSERT_FALSE(sheet.ok());
    EXPECT_EQ(sheet.message(), kCannotOpenFileMessage);
    const auto folder = ReadCharacterSheet(dir.path(), 0x00);
    EXPECT_EQ(folder.message(), kCannotOpenFileMessage);
}

// --- Names of the extra codes --------------------------------------------------------------

Bytes Name(std::string_view text)
{
    Bytes field(8);
    EXPECT_EQ(EncodeText(text, field), 0) << text;
    return field;
}

TEST(ExtraSheetNamesTest, ThirtyNamesOnAnExpandedImageNoneOnA4MiBOne)
{
    RomImageBuilder builder(RomImageBuilder::kExpandedSize);
    for (int n = 0; n < 30; ++n)
        builder.bytes(0x3D1A00 + 8 * static_cast<std::size_t>(n), Name(n % 2 ? "あいう" : "かき"));
    builder.bytes(0x3D1A00 + 8 * 4, {0x51, 0x52, 0x00, 0x50, 0x50, 0x50, 0x50, 0x50}); // 0x00
    builder.bytes(0x3D1A00 + 8 * 29, Name("さしすせそたちつ"));

    MemoryRomStream expanded(builder.build(), false);
    const auto names = ReadExtraSheetNames(expanded);
    ASSERT_EQ(names.size(), 30U);
    for (int n = 0; n < 30; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(names[n].code, 0xB0 + n);
        if (n == 4)
            EXPECT_EQ(names[n].name, ""); // does not decode: empty, the code still listed
        else if (n == 29)
            EXPECT_EQ(names[n].name, "さしすせそたちつ");
        else
            EXPECT_EQ(names[n].name, n % 2 ? "あいう" : "かき");
    }

    MemoryRomStream plain(RomImageBuilder(RomImageBuilder::kPlainSize).build(), false);
    EXPECT_TRUE(ReadExtraSheetNames(plain).empty());
}

// An expanded image too short to hold the names lists every code, with the names it cannot
// hold empty.
TEST(ExtraSheetNamesTest, NamesPastTheEndAreEmpty)
{
    std::vector<std::uint8_t> image(0x400001, 0x51);
    WatchedStream rom(std::move(image), false);
    // 0x3D1A00 lies below 4 MiB, so every name is there.
    const auto names = ReadExtraSheetNames(rom);
    ASSERT_EQ(names.size(), 30U);
    EXPECT_EQ(names.front().name, "ああああああああ");
}

// --- Saving ------------------------------------------------------------------------------

TEST(CharacterSheetSaveTest, TmpTransparentOneMakesColourZeroTransparent)
{
    test::TempDir dir;
    std::mt19937 random(3);
    const auto rom = dir.write("rom.smc", RomImageBuilder::Target(RomImageBuilder::kPlainSize)
                                              .bytes(0x2C8060, RandomBytes(32, random))
                                              .bytes(0x1A5520, RandomBytes(7104, random))
                                              .build());
    for (const int setting : {0, 1, 2}) {
        SCOPED_TRACE(setting);
        const auto sheet = CharacterSheetForGif(rom, 0x03, setting);
        ASSERT_TRUE(sheet.ok()) << sheet.message();
        const auto path = dir.path() / ("sheet" + std::to_string(setting) + ".gif");
        ASSERT_TRUE(SaveGifFile(sheet.value(), path).ok());
        const auto loaded = LoadGifFile(path);
        ASSERT_TRUE(loaded.ok());
        const GifControl control = loaded.value().frames.at(0).control.value();
        EXPECT_EQ(control.transparent, setting == 1);
        EXPECT_EQ(control.transparentIndex, 0);
        EXPECT_EQ(TilesFromImage(loaded.value()), TilesFromImage(sheet.value()));
    }
    EXPECT_EQ(CharacterSheetFileBase("【03】人物03"), "【03】人物03");
}

TEST(CharacterSheetConditionTest, OnlyTheExpectedImageWithoutCopierHeader)
{
    struct Case {
        const char* name;
        Bytes image;
        bool available;
    };
    const Case cases[] = {
        {"Expected", RomImageBuilder::Target().build(), true},
        {"CopierHeader", RomImageBuilder::Target().copierHeader().build(), false},
        {"OtherVersion", RomImageBuilder().cartridge("VARNHOLD EPICS3", 0).build(), false},
        {"OtherGame", RomImageBuilder().cartridge("VARNHOLD EPICS2", 1).build(), false},
        {"NoTitle", RomImageBuilder().build(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryRomStream rom(c.image, false);
        EXPECT_EQ(CharacterGraphicsAvailable(ProbeRomHeader(rom)), c.available);
    }
}

} // namespace
} // namespace varn
