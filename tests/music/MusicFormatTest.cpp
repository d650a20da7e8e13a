#include <gtest/gtest.h>

#include <random>

#include "music/CommandTable.h"
#include "music/MusicTitle.h"
#include "music/NoteCode.h"
#include "music/PlaybackTables.h"
#include "music/SongBlock.h"
#include "music/SongTables.h"
#include "rom/RomStream.h"

namespace varn {
namespace {

struct RangeCase {
    int title;
    int musicNumber;
    std::uint32_t pointer;
    std::uint32_t wave;
    std::optional<std::uint32_t> drum;
};

TEST(SongTableOffsetsTest, EachNumberFindsItsRange)
{
    const RangeCase cases[] = {
        {0, 0x00, 0x60FC6, 0x610DA, 0x61C5A},      {0, 0x30, 0x61056, 0x616DA, 0x6231A},
        {0, 0x5B, 0x610D7, 0x61C3A, 0x62926},      {0, 0x5C, 0x5E1960, 0x5E19C0, 0x5E1440},
        {0, 0x60, 0x5E196C, 0x5E1A40, 0x5E14D0},   {0, 0x7B, 0x5E19BD, 0x5E1DA0, 0x5E189C},
        {0, 0x7C, 0x5A6750, 0x5A4440, 0x5A54C0},   {0, 0xFE, 0x5A68D6, 0x5A5480, 0x5A6708},
        {1, 0x10, 0x53EC6, 0x54195, std::nullopt}, {4, 0x02, 0x70D1E, 0x70E4B, 0x71873},
        {8, 0xFE, 0x24AFA, 0x26940, std::nullopt},
    };
    for (const RangeCase& c : cases) {
        const auto offsets = SongTableOffsets(c.title, c.musicNumber);
        ASSERT_TRUE(offsets.has_value()) << c.title << " " << c.musicNumber;
        EXPECT_EQ(*offsets, (SongTableEntryOffsets{c.pointer, c.wave, c.drum}))
            << "title " << c.title << " number 0x" << std::hex << c.musicNumber;
    }
}

TEST(SongTableOffsetsTest, NumbersOutsideEveryRangeHaveNoEntries)
{
    for (int title = 0; title < kMusicTitleCount; ++title) {
        EXPECT_FALSE(SongTableOffsets(title, 0xFF)) << title;
        EXPECT_FALSE(SongTableOffsets(title, -1)) << title;
        EXPECT_FALSE(SongTableOffsets(title, 0x100)) << title;
    }
    EXPECT_FALSE(SongTableOffsets(9, 0));
    EXPECT_FALSE(SongTableOffsets(-1, 0));
}

TEST(SongTableOffsetsTest, TheCompilerPutsEveryByteValueIntoTheThreeRanges)
{
    for (int n = 0; n < 0xFF; ++n)
        EXPECT_EQ(SongTableOffsetsForWriting(n), SongTableOffsets(0, n)) << n;
    EXPECT_EQ(SongTableOffsetsForWriting(0xFF),
              (SongTableEntryOffsets{0x5A68D9, 0x5A54A0, 0x5A672C}));
    EXPECT_FALSE(SongTableOffsetsForWriting(0x100));
    EXPECT_FALSE(SongTableOffsetsForWriting(-1));
}

TEST(SongPointerTest, EncodesTheTargetGamesBanks)
{
    using Pointer = std::array<std::uint8_t, 3>;
    EXPECT_EQ(EncodeSongPointer(0x3F0000), (Pointer{0x00, 0x00, 0xFF}));
    EXPECT_EQ(EncodeSongPointer(0x500004), (Pointer{0x04, 0x00, 0x50}));
    EXPECT_EQ(EncodeSongPointer(0x000123), (Pointer{0x23, 0x01, 0xC0}));
    EXPECT_EQ(EncodeSongPointer(0x400000), (Pointer{0x00, 0x00, 0x40}));
}

TEST(SongPointerTest, DecodesHighAndLowMappedValues)
{
    struct Case {
        int title;
        std::uint32_t stored;
        std::uint32_t offset;
    };
    const Case cases[] = {
        {0, 0x500004, 0x500004},
        {0, 0xC61234, 0x061234},
        {0, 0xC00000, 0x000000},
        {7, 0xFFFFFF, 0x3FFFFF},
        {0, 0x3FFFFF, 0x3FFFFF},
        // Low-mapped: 32 KiB per bank; above 0x50000 the value is first corrected.
        {8, 0x048000, 0x020000},
        {8, 0x038123, 0x018123},
        {8, 0x050000, 0x028000},
        {8, 0x098123, 0x070123},
        {8, 0x0A9ABC, 0x081ABC},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeSongPointer(c.title, c.stored), c.offset)
            << c.title << " 0x" << std::hex << c.stored;
}

TEST(NoteCodeTest, TargetNotesArePitchTimesFourteenPlusLength)
{
    EXPECT_EQ(NoteCode(0, 4), 0x04);   // c4
    EXPECT_EQ(NoteCode(2, 7), 0x23);   // d8
    EXPECT_EQ(NoteCode(12, 9), 0xB1);  // tie of a sixteenth
    EXPECT_EQ(NoteCode(13, 1), 0xB7);  // half rest
    EXPECT_EQ(NoteCode(13, 13), 0xC3); // the last note byte
}

TEST(NoteCodeTest, SplitsNoteBytesOfBothLengthSchemes)
{
    struct Case {
        int title;
        std::uint8_t code;
        std::optional<SplitNote> split;
    };
    const Case cases[] = {
        {0, 0x04, SplitNote{0, 4}},  {0, 0xB1, SplitNote{12, 9}}, {0, 0xC3, SplitNote{13, 13}},
        {0, 0xC4, std::nullopt},     {3, 0x1C, SplitNote{2, 0}},  {8, 0xD1, SplitNote{13, 14}},
        {8, 0xB4, SplitNote{12, 0}}, {8, 0x0F, SplitNote{1, 0}},  {8, 0xD2, std::nullopt},
        {8, 0xC4, SplitNote{13, 1}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitNoteCode(c.title, c.code), c.split)
            << c.title << " 0x" << std::hex << int{c.code};
    EXPECT_EQ(NoteLengthCount(0), 14);
    EXPECT_EQ(NoteLengthCount(8), 15);
}

TEST(NoteCodeTest, TieAndRestSwapPlacesInTheLowMappedTitle)
{
    EXPECT_EQ(PitchName(0, 12), "^");
    EXPECT_EQ(PitchName(0, 13), "r");
    EXPECT_EQ(PitchName(8, 12), "r");
    EXPECT_EQ(PitchName(8, 13), "^");
    EXPECT_EQ(PitchName(5, 1), "c+");
    EXPECT_EQ(PitchName(0, 14), "");
    EXPECT_EQ(kLengthTexts14[3], "4.");
    EXPECT_EQ(kLengthTexts15[1], "2.");
}

TEST(CommandTableTest, TheTargetTableHasTheGamesCodes)
{
    struct Case {
        std::uint8_t code;
        int argCount;
        std::string_view name;
    };
    const Case cases[] = {
        {0xC4, 1, "v"}, {0xCD, 2, "p0,"}, {0xDC, 1, "@"},   {0xE2, 1, "["},
        {0xE3, 0, "]"}, {0xE8, 2, ""},    {0xE9, 0, "Err"}, {0xEB, 0, ";"},
        {0xF5, 3, "|"}, {0xF6, 2, ";"},   {0xFB, 0, "%d1"}, {0xFF, 0, "Err"},
    };
    for (const Case& c : cases) {
        const auto entry = CommandEntry(0, c.code);
        ASSERT_TRUE(entry) << std::hex << int{c.code};
        EXPECT_EQ(entry->argCount, c.argCount) << std::hex << int{c.code};
        EXPECT_EQ(entry->name, c.name) << std::hex << int{c.code};
    }
    EXPECT_FALSE(CommandEntry(0, 0xC3));
    EXPECT_FALSE(CommandEntry(9, 0xC4));

    int refused = 0;
    int dropped = 0;
    for (const CommandTableEntry& entry : kTargetCommandTable) {
        EXPECT_EQ(entry.decimal, entry.name != "@") << entry.name;
        refused += entry.name == kErrName;
        dropped += entry.render == ArgumentRender::Dropped;
        EXPECT_TRUE(entry.name == kErrName || entry.render == ArgumentRender::Dropped ||
                    !entry.name.empty());
    }
    EXPECT_EQ(refused, 11);
    EXPECT_EQ(dropped, 4);
}

TEST(CommandTableTest, RelatedTitlesReplaceSomeEntries)
{
    using R = ArgumentRender;
    struct Case {
        int title;
        std::uint8_t code;
        CommandTableEntry entry;
    };
    const Case cases[] = {
        {1, 0xF7, {2, "%b", true, R::SecondOnly}}, {1, 0xF8, {2, "%f", true, R::SecondOnly}},
        {1, 0xFB, {0, "Err", true, R::AsIs}},      {1, 0xFC, {0, "", true, R::Dropped}},
        {1, 0xF5, {3, "|", true, R::AsIs}},        {2, 0xC4, {1, "v", true, R::LastHalved}},
        {2, 0xC7, {2, "p", true, R::LastHalved}},  {2, 0xF0, {1, "t", true, R::LastPlusTen}},
        {2, 0xF1, {2, "t", true, R::LastPlusTen}}, {2, 0xF4, {2, "%b", true, R::SplitWithF}},
        {2, 0xF5, {1, "%x", true, R::LastHalved}}, {2, 0xF6, {3, "|", true, R::AsIs}},
        {2, 0xF7, {2, ";", true, R::AsIs}},        {2, 0xF8, {0, "Err", true, R::AsIs}},
        {2, 0xFC, {0, "Err", true, R::AsIs}},      {3, 0xC5, {2, "v", true, R::LastHalved}},
        {3, 0xF0, {1, "t", true, R::AsIs}},        {3, 0xF1, {2, "t", true, R::AsIs}},
        {3, 0xF6, {3, "|", true, R::AsIs}},        {4, 0xF4, {0, "Err", true, R::AsIs}},
        {4, 0xF7, {2, "%b", true, R::SecondOnly}}, {4, 0xFD, {1, "%x", true, R::AsIs}},
        {6, 0xF8, {2, "%f", true, R::SecondOnly}}, {6, 0xFD, {1, "%x", true, R::AsIs}},
        {8, 0xD2, {1, "t", true, R::LastPlusTen}}, {8, 0xD5, {2, "v", true, R::LastHalved}},
        {8, 0xD9, {2, "", true, R::Dropped}},      {8, 0xDB, {3, "", true, R::Dropped}},
        {8, 0xE6, {2, "%b", true, R::SplitWithF}}, {8, 0xE9, {2, "p0,", true, R::AsIs}},
        {8, 0xEE, {1, "[", true, R::AsIs}},        {8, 0xF0, {3, "|", true, R::AsIs}},
        {8, 0xF1, {2, ";", true, R::AsIs}},        {8, 0xF3, {1, "@", false, R::AsIs}},
        {8, 0xF7, {1, "k", true, R::AsIs}},        {8, 0xFF, {0, ";", true, R::AsIs}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CommandEntry(c.title, c.code), c.entry)
            << "title " << c.title << " code 0x" << std::hex << int{c.code};

    EXPECT_EQ(kCommandTables[5], kTargetCommandTable);
    EXPECT_EQ(kCommandTables[7], kTargetCommandTable);
    EXPECT_EQ(kCommandTables[6], kCommandTables[4]);
    // Titles 2 and 3 differ in the tempo entries alone.
    int differences = 0;
    for (std::size_t i = 0; i < kCommandTableSize; ++i)
        differences += kCommandTables[2][i] != kCommandTables[3][i];
    EXPECT_EQ(differences, 2);
    // Everything a replacement list does not name stays as in the target table.
    int title1Differences = 0;
    for (std::size_t i = 0; i < kCommandTableSize; ++i)
        title1Differences += kCommandTables[1][i] != kTargetCommandTable[i];
    EXPECT_EQ(title1Differences, 4);
}

TEST(MapThemeTest, ThemesNameTheirEntriesAndScriptLocations)
{
    ASSERT_EQ(kMapThemes.size(), 33u);
    const auto entries = [](int theme) {
        const auto span = kMapThemes[static_cast<std::size_t>(theme)].mapMusicEntries();
        return std::vector<int>(span.begin(), span.end());
    };
    const auto locations = [](int theme) {
        const auto span = kMapThemes[static_cast<std::size_t>(theme)].eventScriptLocations();
        return std::vector<std::uint32_t>(span.begin(), span.end());
    };
    EXPECT_EQ(entries(0x00), (std::vector<int>{0x96}));
    EXPECT_EQ(locations(0x00), (std::vector<std::uint32_t>{0x383153}));
    EXPECT_EQ(entries(0x01), (std::vector<int>{0x92, 0x93}));
    EXPECT_EQ(entries(0x09), (std::vector<int>{}));
    EXPECT_EQ(locations(0x09), (std::vector<std::uint32_t>{0x3898C4}));
    EXPECT_EQ(locations(0x1D),
              (std::vector<std::uint32_t>{0x3889B2, 0x384A1C, 0x3885A2, 0x3890B4}));
    EXPECT_EQ(entries(0x20), (std::vector<int>{0xB6}));
    EXPECT_EQ(locations(0x20), (std::vector<std::uint32_t>{}));

    int entryCount = 0;
    int locationCount = 0;
    for (const MapTheme& theme : kMapThemes) {
        entryCount += theme.mapMusicEntryCount;
        locationCount += theme.eventScriptLocationCount;
    }
    EXPECT_EQ(entryCount, 31);
    EXPECT_EQ(locationCount, 19);
}

TEST(PackedMusicNumberTest, SpreadsTheNumberOverFiveBytesAndKeepsTheScriptsBits)
{
    std::array<std::uint8_t, 5> bytes{0x00, 0xAB, 0xFF, 0x00, 0x7F};
    PackMusicNumber(bytes, 0xC5);
    EXPECT_EQ(bytes, (std::array<std::uint8_t, 5>{0x04, 0xAB, 0x17, 0x80, 0xFF}));
    EXPECT_EQ(UnpackMusicNumber(bytes), 0xC5);

    std::mt19937 random(7);
    for (int m = 0; m < 256; ++m) {
        std::array<std::uint8_t, 5> script{};
        for (auto& byte : script)
            byte = static_cast<std::uint8_t>(random());
        auto packed = script;
        PackMusicNumber(packed, static_cast<std::uint8_t>(m));
        EXPECT_EQ(UnpackMusicNumber(packed), m);
        EXPECT_EQ(packed[0], script[0] | 0x04);
        EXPECT_EQ(packed[1], script[1]);
        EXPECT_EQ(packed[2] & 0x03, script[2] & 0x03);
        EXPECT_EQ(packed[3] & 0x7F, script[3] & 0x7F);
        EXPECT_EQ(packed[4] & 0x7F, script[4] & 0x7F);
    }
}

TEST(SongBlockTest, ReadsHeadersAndFindsChannelsModulo65536)
{
    std::vector<std::uint8_t> image(0x100, 0);
    // A target-game header at 0x10: length 0x30, base 0xFFF0, end 0x0020, channel 2 at 0x0008
    // (past the wrap of the 16-bit pointers), the rest empty.
    const std::array<std::uint32_t, 8> starts{0xFFF0,  0x10008, 0x10020, 0x10020,
                                              0x10020, 0x10020, 0x10020, 0x10020};
    const auto header = EncodeSongHeader(0xFFCA, 0x10020, starts);
    std::copy(header.begin(), header.end(), image.begin() + 0x10);
    MemoryRomStream stream(image);

    const auto read = ReadSongHeader(stream, 0, 0x10);
    ASSERT_TRUE(read.ok()) << read.message();
    EXPECT_EQ(read.value().blockLength, 0x56);
    EXPECT_EQ(read.value().base, 0xFFF0);
    EXPECT_EQ(read.value().end, 0x0020);
    EXPECT_EQ(read.value().channelPointers[1], 0x0008);
    EXPECT_EQ(ChannelStreamOffset(0, 0x10, read.value(), 0), 0x10u + 38);
    EXPECT_EQ(ChannelStreamOffset(0, 0x10, read.value(), 1), 0x10u + 38 + 0x18);
    // The second pointer set repeats the first.
    EXPECT_TRUE(std::equal(header.begin() + 6, header.begin() + 22, header.begin() + 22));

    // The low-mapped title: 18-byte header, base 0x2010, no end pointer.
    std::vector<std::uint8_t> low(0x40, 0);
    low[0] = 0x20;
    low[2] = 0x10;
    low[3] = 0x20;
    low[4] = 0x18;
    low[5] = 0x20;
    MemoryRomStream lowStream(low);
    const auto lowHeader = ReadSongHeader(lowStream, 8, 0);
    ASSERT_TRUE(lowHeader.ok());
    EXPECT_EQ(lowHeader.value().base, kLowMappedSongBase);
    EXPECT_EQ(lowHeader.value().end, 0);
    EXPECT_EQ(ChannelStreamOffset(8, 0, lowHeader.value(), 0), 18u);
    EXPECT_EQ(ChannelStreamOffset(8, 0, lowHeader.value(), 1), 18u + 8);

    MemoryRomStream tiny(std::vector<std::uint8_t>(20));
    EXPECT_EQ(ReadSongHeader(tiny, 0, 0).message(), "ファイルの読み出しに失敗しました。");
    EXPECT_TRUE(ReadSongHeader(tiny, 8, 0).ok());
}

TEST(SongBlockTest, ReadsTheTableEntriesOfAMusicNumber)
{
    std::vector<std::uint8_t> image(0x600000 + 0x200, 0);
    const std::size_t copier = 0x200;
    // Music number 0x7C: pointer, wave and drum entries in the second expanded range.
    const std::uint8_t pointer[] = {0x04, 0x00, 0x50};
    std::copy(std::begin(pointer), std::end(pointer), image.begin() + copier + 0x5A6750);
    image[copier + 0x5A4440] = 0x05;
    image[copier + 0x5A4440 + 31] = 0x12;
    image[copier + 0x5A54C0 + 33] = 0x21;
    image[copier + 0x5A54C0 + 35] = 64;
    MemoryRomStream stream(image);

    const auto entry = ReadSongTableEntry(stream, 0, 0x7C, copier);
    ASSERT_TRUE(entry.ok()) << entry.message();
    EXPECT_EQ(entry.value().blockOffset, 0x500004u);
    EXPECT_EQ(entry.value().waves[0], 5);
    EXPECT_EQ(entry.value().waves[15], 0x1200);
    ASSERT_TRUE(entry.value().drums);
    EXPECT_EQ((*entry.value().drums)[11], (std::array<std::uint8_t, 3>{0x21, 0, 64}));

    // Without the copier header the same bytes are read 0x200 too early.
    EXPECT_EQ(ReadSongTableEntry(stream, 0, 0x7C, 0).value().blockOffset, 0u);
    // Titles without drum tables have none to read.
    EXPECT_FALSE(ReadSongTableEntry(stream, 1, 0x10, 0).value().drums);
}

TEST(SongBlockTest, ReadersRefuseNumbersOutsideTheRangesAndShortImages)
{
    MemoryRomStream stream(std::vector<std::uint8_t>(0x600000));
    EXPECT_EQ(ReadSongTableEntry(stream, 0, 0xFF, 0).message(), "音楽番号の指定が不正です。\n0xFF");
    EXPECT_EQ(ReadSongTableEntry(stream, 8, 0xFF, 0).message(), "音楽番号の指定が不正です。\n0xFF");
    MemoryRomStream plain(std::vector<std::uint8_t>(0x400000));
    EXPECT_EQ(ReadSongTableEntry(plain, 0, 0x7C, 0).message(),
              "ファイルの読み出しに失敗しました。");
    EXPECT_TRUE(ReadSongTableEntry(plain, 0, 0x5B, 0).ok());
}

} // namespace
} // namespace varn
