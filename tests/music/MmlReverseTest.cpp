#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "MmlTestSupport.h"
#include "SongImage.h"
#include "music/MML.h"
#include "music/MusicTitle.h"
#include "rom/HexText.h"
#include "rom/RomStream.h"
#include "support/RomImageBuilder.h"
#include "support/TempDir.h"
#include "text/Cp932.h"

namespace varn::test {
namespace {

constexpr std::uint32_t kBlockAt = 0x500004;
constexpr std::uint16_t kBase = 0x2A; // channel 1 of a block at 0x500004

const std::string kWaveBanner = "{--------------- 波形定義 ---------------}";
const std::string kDrumBanner = "{--------------- ドラムセット定義 ---------------}";

std::string ChannelBanner(int k)
{
    return "{--------------- チャンネル" + std::to_string(k) + "---------------}";
}

constexpr std::uint8_t Lo(std::uint16_t address)
{
    return static_cast<std::uint8_t>(address & 0xFF);
}

constexpr std::uint8_t Hi(std::uint16_t address)
{
    return static_cast<std::uint8_t>(address >> 8);
}

// Reverse-compiles song `musicNumber` of `title` from `image`; the test fails when it does not.
std::string Decompiled(const Bytes& image, int title, int musicNumber, int headerSize = 0)
{
    MemoryRomStream stream(image, false);
    MML mml;
    mml.variant = title;
    mml.musicNumber = musicNumber;
    mml.headerSize = headerSize;
    const auto text = mml.ReverseCompile(stream);
    EXPECT_TRUE(text.ok()) << text.message();
    return text ? text.value() : std::string();
}

// The message reverse-compiling fails with; empty when it succeeds.
std::string DecompileError(const Bytes& image, int title, int musicNumber, int headerSize = 0)
{
    MemoryRomStream stream(image, false);
    MML mml;
    mml.variant = title;
    mml.musicNumber = musicNumber;
    mml.headerSize = headerSize;
    const auto text = mml.ReverseCompile(stream);
    return text.message();
}

std::vector<std::string> WaveLines(const std::array<std::uint16_t, 16>& waves)
{
    std::vector<std::string> lines;
    for (int i = 0; i < 16; ++i) {
        char line[40];
        std::snprintf(line, sizeof line, "#WAVE 0x%02X, 0x%02X;", 0x20 + i,
                      unsigned{waves[static_cast<std::size_t>(i)]});
        lines.emplace_back(line);
    }
    return lines;
}

TEST(SelectTitleTest, OnlyTheNineTitlesExactlyAsTheStripShowsThem)
{
    const std::pair<std::string_view, std::optional<int>> cases[] = {
        {"VARNHOLD EPICS3", 0},  {"MIRELAND EPOS 6", 1},
        {"VARNHOLD EPICS2", 2},  {"LOOM O LOOM", 3},
        {"ASTRAL SPINDLE", 4},   {"OBLIQUE SLEEPERS", 5},
        {"IRON VANGUARD", 6},    {"ARC PERILS", 7},
        {"VARNHOLD EPICS", 8},   {"", std::nullopt},
        {"varnhold epics3", std::nullopt}, {"VARNHOLD EPICS3 ", std::nullopt},
        {"VARNHOLD EPICS4", std::nullopt}, {"ｱｲｱﾝｶﾞｰﾄﾞ", std::nullopt},
    };
    for (const auto& [title, index] : cases)
        EXPECT_EQ(SelectTitle(title), index) << title;
}

// The target game: 14 lengths, drum tables, a song in the first expanded range (music number
// 0x60, whose pointer lies at 0x5E196C). Every line of the file is checked.
TEST(ReverseCompileTest, TargetGameSongReadsBackAsAWholeFile)
{
    ChannelStreams channels;
    channels[0] = {
        0xDC, 0x20, 0xC4, 100, 0xD6, 4,          // @0x20 v100 o4
        0x04, 0x23, 0x03, 0x06,                  // c4 d8 c4. c8. (the loop point at c4, 0x30)
        0xE2, 0x02, 0x00,                        // [3 c1
        0xF5, 0x03, Lo(0x3D), Hi(0x3D), 0x0D,    // | (on to the byte after the loop) c64
        0xE3,                                    // ]
        0xB1, 0xB7, 0xC3,                        // ^16 r2 r64
        0xE6, 0xE8, 0x12, 0x34, 0xEC,            // dropped, with their arguments
        0x11, 0xA9,                              // c+4. ^2
        0xF6, Lo(0x30), Hi(0x30),                // jump to the loop point
    };
    channels[2] = {0xC5, 10,   20, 0xCD, 20,   100, 0xDB, 0xFF, 0xD4, 0xFB,
                   0x1C, 0xD7, 0xD8, 0xCF, 5,  0xEB};
    channels[3] = {0x04, 0xF6, 0xFF, 0xFF}; // a jump to no command's address
    channels[4] = {0x05, 0xF6, 0, 0};       // a jump to itself
    const std::uint16_t self = ChannelAddress(kBase, channels, 4, 1);
    channels[4][2] = Lo(self);
    channels[4][3] = Hi(self);
    ASSERT_EQ(ChannelAddress(kBase, channels, 0, 19), 0x3D) << "the loop break's target";

    SongEntries entries;
    entries.storedPointer = kBlockAt;
    entries.waves[0] = 0x05;
    entries.waves[1] = 0x1234;
    entries.waves[15] = 0xFF;
    entries.drums[0] = {0x21, 100, 64};
    entries.drums[1] = {0x00, 5, 200};
    entries.drums[11] = {0xAB, 255, 7};
    RomImageBuilder image = RomImageBuilder::Target(RomImageBuilder::kExpandedSize);
    PutSongEntries(image, 0, 0x60, entries);
    image.bytes(kBlockAt, HighBlock(kBlockAt, channels));
    ASSERT_EQ(SongTableOffsets(0, 0x60)->pointer, 0x5E196Cu);

    std::vector<std::string> expected = {kWaveBanner};
    for (const std::string& line : WaveLines(entries.waves))
        expected.push_back(line);
    expected.insert(expected.end(), {
                                        "",
                                        kDrumBanner,
                                        "#DRUM c , 0x21, 100,  64;",
                                        "#DRUM c+, 0x00,   5, 200;",
                                        "#DRUM d , 0x00,   0,   0;",
                                        "#DRUM d+, 0x00,   0,   0;",
                                        "#DRUM e , 0x00,   0,   0;",
                                        "#DRUM f , 0x00,   0,   0;",
                                        "#DRUM f+, 0x00,   0,   0;",
                                        "#DRUM g , 0x00,   0,   0;",
                                        "#DRUM g+, 0x00,   0,   0;",
                                        "#DRUM a , 0x00,   0,   0;",
                                        "#DRUM a+, 0x00,   0,   0;",
                                        "#DRUM b , 0xAB, 255,   7;",
                                        "",
                                    });
    const std::string channelTexts[] = {
        "@0x20v100o4$c4d8c4.c8.[3c1|c64]^16r2r64c+4.^2;",
        ";",
        "v10,20p0,20,100k255%e1%d1d1<>%c5;",
        "c4;",
        "c6$;",
        ";",
        ";",
        ";",
    };
    for (int k = 1; k <= 8; ++k) {
        expected.push_back(ChannelBanner(k));
        expected.push_back(channelTexts[k - 1]);
    }
    EXPECT_EQ(expected[1], "#WAVE 0x20, 0x05;");
    EXPECT_EQ(expected[2], "#WAVE 0x21, 0x1234;");

    const std::string text = Decompiled(image.build(), 0, 0x60);
    EXPECT_EQ(TextLines(text), expected);
    EXPECT_TRUE(text.ends_with(";\r\n")) << "every line ends with CR LF, the last one too";
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::count(text.begin(), text.end(), '\r'));

    // DecodeChannel gives the same channel on its own.
    MemoryRomStream stream(image.build(), false);
    MML mml;
    mml.musicNumber = 0x60;
    EXPECT_EQ(mml.DecodeChannel(stream, 1).value(), channelTexts[0]);
    EXPECT_EQ(mml.DecodeChannel(stream, 5).value(), channelTexts[4]);
}

// A high-mapped title without drum tables: no drum banner, the channel banners one empty line
// after the last "#WAVE" line; title 1 writes only the second byte of its two-byte "%b" and
// "%f" and drops 0xFC.
TEST(ReverseCompileTest, TitleWithoutDrumTables)
{
    ChannelStreams channels;
    channels[0] = {0xF7, 3, 9, 0xF8, 1, 2, 0xFC, 0x04, 0xEB};
    channels[1] = {0x1C, 0xEB};
    const std::uint32_t at = 0x100000;
    SongEntries entries;
    entries.storedPointer = 0xC00000 + at;
    entries.waves[3] = 0x2A;
    RomImageBuilder image(0x200000);
    image.cartridge("MIRELAND EPOS 6", 0);
    PutSongEntries(image, 1, 3, entries);
    image.bytes(at, HighBlock(at, channels));

    const std::vector<std::string> lines = TextLines(Decompiled(image.build(), 1, 3));
    std::vector<std::string> expected = {kWaveBanner};
    for (const std::string& line : WaveLines(entries.waves))
        expected.push_back(line);
    expected.push_back("");
    const std::string channelTexts[] = {"%b9%f2c4;", "d1;", ";", ";", ";", ";", ";", ";"};
    for (int k = 1; k <= 8; ++k) {
        expected.push_back(ChannelBanner(k));
        expected.push_back(channelTexts[k - 1]);
    }
    EXPECT_EQ(lines, expected);
}

// Titles 2 and 3 halve volume and pan, split "%b" and "%f", halve "%x", have the loop break at
// 0xF6 and the jump at 0xF7; title 2 also raises tempi by 10 (within a byte).
TEST(ReverseCompileTest, SecondGenerationTitlesConvertTheirScales)
{
    ChannelStreams channels;
    channels[0] = {
        0xC4, 200, 0xC5, 16, 200, 0xC6, 128, 0xC7, 16, 129, // v p
        0xF0, 100, 0xF1, 5, 100, 0xF0, 250,                 // t
        0xF4, 5,   7,    0xF5, 9,                           // %b %f, %x
        0xE2, 1,   0x04, 0xF6, 2, 0, 0, 0x23, 0xE3,         // [2 c4 | d8 ]
        0xF7, 0,   0,                                       // jump to the loop start
    };
    const std::uint16_t loop = ChannelAddress(kBase, channels, 0, 22);
    const std::uint16_t after = ChannelAddress(kBase, channels, 0, 31);
    channels[0][27] = Lo(after);
    channels[0][28] = Hi(after);
    channels[0][32] = Lo(loop);
    channels[0][33] = Hi(loop);

    const std::pair<int, std::string> cases[] = {
        {2, "v100v16,100p64p16,64t110t5,110t4%b5%f7%x4$[2c4|d8];"},
        {3, "v100v16,100p64p16,64t100t5,100t250%b5%f7%x4$[2c4|d8];"},
    };
    for (const auto& [title, channel] : cases) {
        SongEntries entries;
        entries.storedPointer = kBlockAt;
        RomImageBuilder image(RomImageBuilder::kExpandedSize);
        image.cartridge(kMusicTitles[static_cast<std::size_t>(title)].romTitle, 0);
        PutSongEntries(image, title, 1, entries);
        image.bytes(kBlockAt, HighBlock(kBlockAt, channels));
        const std::string text = Decompiled(image.build(), title, 1);
        EXPECT_EQ(ChannelLines(text).at(0), channel) << "title " << title;
        EXPECT_EQ(text.find("#DRUM"), std::string::npos) << "title " << title;
    }
}

// The low-mapped title 8: an 18-byte header, the base 0x2010, 15 lengths, the rest at pitch
// 12 and the tie at 13, its own table with three dropped codes, and a pointer above 0x50000
// that the bank arithmetic corrects (0x058123 designates 0x30123).
TEST(ReverseCompileTest, LowMappedTitleWithFifteenLengths)
{
    ChannelStreams channels;
    channels[0] = {
        0xD2, 100, 0xD4, 200, 0xE6, 5, 7,   // t110 v100 %b5%f7
        0xD9, 1,   2,    0xDB, 1, 2, 3, 0xDC, // dropped
        0xF3, 0x21,                         // @0x21
        0xEE, 2,   0xB4, 0xF0, 3, 0, 0, 0xD1, 0xEF, // [3 r1 | ^64 ]
        0x05, 0x04, 0x01, 0x0F, 0xC3,       // c4 c4. c2. c+1 ^1
        0xF1, 0,   0,                       // jump to the loop start
    };
    const std::uint16_t loop = ChannelAddress(0x2010, channels, 0, 17);
    const std::uint16_t after = ChannelAddress(0x2010, channels, 0, 26);
    channels[0][22] = Lo(after);
    channels[0][23] = Hi(after);
    channels[0][32] = Lo(loop);
    channels[0][33] = Hi(loop);
    channels[1] = {0xF8};
    channels[2] = {0x06, 0xFF};
    for (std::size_t k = 3; k < 8; ++k)
        channels[k] = {static_cast<std::uint8_t>(0xF9 + k - 3)};

    const std::uint32_t at = 0x30123;
    ASSERT_EQ(DecodeSongPointer(8, 0x058123), at);
    SongEntries entries;
    entries.storedPointer = 0x058123;
    entries.waves[0] = 0x11;
    RomImageBuilder image(0x80000);
    image.cartridge("VARNHOLD EPICS", 0, false);
    PutSongEntries(image, 8, 2, entries);
    image.bytes(at, LowBlock(channels));

    const std::string text = Decompiled(image.build(), 8, 2);
    EXPECT_EQ(ChannelLines(text),
              (std::vector<std::string>{"t110v100%b5%f7@0x21$[3r1|^64]c4c4.c2.c+1^1;", ";",
                                        "c6;", ";", ";", ";", ";", ";"}));
    EXPECT_EQ(text.find("#DRUM"), std::string::npos);
    EXPECT_EQ(TextLines(text).at(1), "#WAVE 0x20, 0x11;");
}

// Note bytes by title family: the length text of the 14 and the 15 lengths, and which of
// pitch 12 and 13 is the tie.
TEST(ReverseCompileTest, NoteBytesOfBothFamilies)
{
    struct Case {
        int title;
        std::uint8_t code;
        std::string_view text;
    };
    const Case cases[] = {
        {0, 0x00, "c1"},  {0, 0x01, "c2"},   {0, 0x02, "c3"},  {0, 0x03, "c4."},
        {0, 0x04, "c4"},  {0, 0x05, "c6"},   {0, 0x06, "c8."}, {0, 0x07, "c8"},
        {0, 0x08, "c12"}, {0, 0x09, "c16"},  {0, 0x0A, "c24"}, {0, 0x0B, "c32"},
        {0, 0x0C, "c48"}, {0, 0x0D, "c64"},  {0, 0x0E, "c+1"}, {0, 0xA8, "^1"},
        {0, 0xB1, "^16"}, {0, 0xB6, "r1"},   {0, 0xC3, "r64"}, {0, 0x9A, "b1"},
        {5, 0xA8, "^1"},  {3, 0xB6, "r1"},   {8, 0x00, "c1"},  {8, 0x01, "c2."},
        {8, 0x02, "c2"},  {8, 0x03, "c3"},   {8, 0x04, "c4."}, {8, 0x05, "c4"},
        {8, 0x06, "c6"},  {8, 0x07, "c8."},  {8, 0x08, "c8"},  {8, 0x09, "c12"},
        {8, 0x0A, "c16"}, {8, 0x0B, "c24"},  {8, 0x0C, "c32"}, {8, 0x0D, "c48"},
        {8, 0x0E, "c64"}, {8, 0x0F, "c+1"},  {8, 0xB4, "r1"},  {8, 0xC3, "^1"},
        {8, 0xD1, "^64"}, {8, 0xA5, "b1"},
    };
    for (const Case& c : cases) {
        ChannelStreams channels;
        const bool low = c.title == 8;
        channels[0] = {c.code, static_cast<std::uint8_t>(low ? 0xF8 : 0xEB)};
        RomImageBuilder image(0x100000);
        SongEntries entries;
        // The block at 0x10000 in the file.
        entries.storedPointer = low ? 0x20000 : 0xC10000;
        image.bytes(0x10000, low ? LowBlock(channels) : HighBlock(0x10000, channels));
        PutSongEntries(image, c.title, 0, entries);
        EXPECT_EQ(ChannelLines(Decompiled(image.build(), c.title, 0)).at(0), std::string(c.text) + ";")
            << "title " << c.title << " byte " << HexDigits(c.code, 2);
    }
}

TEST(ReverseCompileTest, CodesATitleMayNotUseAreRefused)
{
    const std::pair<int, std::uint8_t> cases[] = {
        {0, 0xE9}, {0, 0xEF}, {0, 0xF3}, {0, 0xFF}, {1, 0xFB}, {2, 0xF8},
        {3, 0xFC}, {4, 0xF4}, {5, 0xED}, {6, 0xF4}, {7, 0xFA},
    };
    for (const auto& [title, code] : cases) {
        ChannelStreams channels;
        channels[0] = {0x04, 0x05};
        channels[4] = {0x04, code, 0xEB};
        SongEntries entries;
        entries.storedPointer = 0xC10000;
        RomImageBuilder image(0x2B0000); // the tables of title 7 lie at 0x2A59C9 to 0x2A6617
        PutSongEntries(image, title, 0, entries);
        image.bytes(0x10000, HighBlock(0x10000, channels));
        EXPECT_EQ(DecompileError(image.build(), title, 0),
                  "この曲はMML化できません。\n不明な制御コード：" + HexDigits(code, 2))
            << "title " << title;
    }
}

// The copier header's 512 bytes are added to every offset read: the table entries and the
// block. Read without them the same image gives something else.
TEST(ReverseCompileTest, ACopierHeaderShiftsEveryOffsetRead)
{
    ChannelStreams channels;
    channels[0] = {0xDC, 0x21, 0x04, 0x23, 0xEB};
    channels[1] = {0x0B, 0xEB};
    SongEntries entries;
    entries.storedPointer = 0xC20000; // 0x20000 in the file
    entries.waves[2] = 7;
    entries.drums[5] = {1, 2, 3};
    RomImageBuilder image = RomImageBuilder::Target(RomImageBuilder::kPlainSize);
    PutSongEntries(image, 0, 0x10, entries);
    image.bytes(0x20000, HighBlock(0x20000, channels));

    const std::string plain = Decompiled(image.build(), 0, 0x10);
    image.copierHeader();
    const Bytes headered = image.build();
    EXPECT_EQ(Decompiled(headered, 0, 0x10, 0x200), plain);
    EXPECT_EQ(ChannelLines(plain).at(0), "@0x21c4d8;");

    MemoryRomStream stream(headered, false);
    MML unshifted;
    unshifted.musicNumber = 0x10;
    const auto misread = unshifted.ReverseCompile(stream);
    EXPECT_FALSE(misread.ok() && misread.value() == plain);
}

TEST(ReverseCompileTest, NumbersWithoutAnEntryAndMissingSongsAreRefused)
{
    const Bytes image = RomImageBuilder::Target(RomImageBuilder::kExpandedSize).build();
    for (int title : {0, 8}) {
        EXPECT_EQ(DecompileError(image, title, 0xFF), "音楽番号の指定が不正です。\n0xFF") << title;
        EXPECT_EQ(DecompileError(image, title, 0x100), "音楽番号の指定が不正です。\n0x100") << title;
    }
    // A pointer entry of zero names no song.
    RomImageBuilder zero = RomImageBuilder::Target(RomImageBuilder::kExpandedSize);
    zero.bytes(SongTableOffsets(0, 0x7C)->pointer, {0, 0, 0});
    EXPECT_EQ(DecompileError(zero.build(), 0, 0x7C),
              "この曲はMML化できません。\n曲のデータがありません。");
    // Tables the image does not reach.
    EXPECT_EQ(DecompileError(RomImageBuilder::Target(RomImageBuilder::kPlainSize).build(), 0, 0x60),
              "ファイルの読み出しに失敗しました。");
    // A title index that is none of the nine.
    EXPECT_EQ(DecompileError(image, 9, 0), "このROMには対応していません。");
}

// Nothing is read outside the image: a song whose pointer, header or block lies past its end
// is refused naming the offset, and so is a channel that would run past it.
TEST(ReverseCompileTest, WhatLiesPastTheImageIsRefused)
{
    const std::size_t size = 0x80000;
    ChannelStreams channels;
    channels[0] = {0x04, 0xEB};
    const Bytes block = HighBlock(0x7FF00, channels);
    struct Case {
        const char* what;
        std::uint32_t storedPointer;
        std::uint32_t blockAt;
        std::vector<std::uint8_t> block;
        std::string message;
    };
    std::vector<std::uint8_t> longBlock = HighBlock(0x7FFD0, channels);
    longBlock[0] = 0x40; // 64 bytes from 0x7FFD0, past the end
    const Case cases[] = {
        {"a pointer past the end", 0xC90000, 0x10000, block,
         "この曲はMML化できません。\n曲のデータがROMイメージの範囲外です。\n0x090000"},
        {"a header cut by the end", 0xC7FFF0, 0x10000, block,
         "この曲はMML化できません。\n曲のデータがROMイメージの範囲外です。\n0x07FFF0"},
        {"a block longer than the image", 0xC7FFD0, 0x7FFD0, longBlock,
         "この曲はMML化できません。\n曲のデータがROMイメージの範囲外です。\n0x07FFD0"},
    };
    for (const Case& c : cases) {
        RomImageBuilder image = RomImageBuilder::Target(size);
        SongEntries entries;
        entries.storedPointer = c.storedPointer;
        PutSongEntries(image, 0, 0, entries);
        image.bytes(c.blockAt, c.block);
        EXPECT_EQ(DecompileError(image.build(), 0, 0), c.message) << c.what;
    }

    // A low-mapped block that ends with the image, whose last channel has no end code: the
    // channel may read on up to the block length past the data start, which is past the image.
    ChannelStreams low;
    for (std::size_t k = 0; k < 7; ++k)
        low[k] = {0xF8};
    low[7] = {0x05, 0x05};
    const Bytes lowBlock = LowBlock(low);
    const std::size_t lowSize = 0x28000; // the last bank a stored pointer reaches unchanged
    RomImageBuilder lowImage(lowSize);
    const auto at = static_cast<std::uint32_t>(lowSize - lowBlock.size());
    lowImage.bytes(at, lowBlock);
    SongEntries entries;
    entries.storedPointer = ((at & 0xFF8000) << 1) | 0x8000 | (at & 0x7FFF);
    ASSERT_EQ(DecodeSongPointer(8, entries.storedPointer), at);
    PutSongEntries(lowImage, 8, 0, entries);
    EXPECT_EQ(DecompileError(lowImage.build(), 8, 0),
              "この曲はMML化できません。\n曲のデータがROMイメージの範囲外です。\n0x028000");
}

// A channel reads no further than the block length says from its data start: one without an
// end code stops there (a command cut off by it is left out), and one whose pointer lies
// outside the block reads nothing. Such channels still end with ";".
TEST(ReverseCompileTest, AChannelNeverReadsPastItsBlockLength)
{
    // Quarter notes without an end code, and at 19 bytes from the data start "v" with its
    // argument at 20.
    ChannelStreams channels;
    channels[0] = std::vector<std::uint8_t>(19, 0x05);
    channels[0].insert(channels[0].end(), {0xD4, 100, 0x05, 0x05, 0x05, 0x05});
    Bytes block = LowBlock(channels);
    block[0] = 20; // the block length: channel data up to 20 bytes past the data start
    block[1] = 0;
    PutWord(block, 4, 0x2010 + 17); // channel 2 from 17 bytes in
    PutWord(block, 6, 0x1000);      // channel 3 below the base: outside the block

    RomImageBuilder image(0x80000);
    image.bytes(0x10000, block);
    SongEntries entries;
    entries.storedPointer = 0x28000; // 0x10000
    PutSongEntries(image, 8, 5, entries);
    std::string nineteen;
    for (int i = 0; i < 19; ++i)
        nineteen += "c4";
    const std::vector<std::string> lines = ChannelLines(Decompiled(image.build(), 8, 5));
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], nineteen + ";");
    EXPECT_EQ(lines[1], "c4c4;");
    EXPECT_EQ(lines[2], ";");
}

// A block that crosses a 64 KiB boundary: its in-song pointers wrap, and the distances from
// the base are taken modulo 65536.
TEST(ReverseCompileTest, ABlockAcrossA64KiBBoundaryReadsAsOnePiece)
{
    constexpr std::string_view kSong = "@0x20 v100 [3 c8 d8 | e4 ] $ f4 g4;\n;\n"
                                       "c1 d1 e1 f1 g1 a1 b1 > c1 d1 e1 f1 g1 a1 b1 > c1 d1;";
    for (const int address : {0x50FF80, 0x50FFC0, 0x50FFD9}) {
        Bytes image = RomImageBuilder::Target(RomImageBuilder::kExpandedSize).build();
        MemoryRomStream stream(image);
        MML song;
        song.source = std::string(kSong);
        song.musicNumber = 0x90;
        song.writeAddress = address;
        ASSERT_TRUE(song.CompileToStream(stream).ok());
        const std::string text = Decompiled(stream.bytes(), 0, 0x90);
        EXPECT_EQ(ChannelLines(text),
                  (std::vector<std::string>{
                      "@0x20v100[3c8d8|e4]$f4g4;", ";",
                      "c1d1e1f1g1a1b1>c1d1e1f1g1a1b1>c1d1;", ";", ";", ";", ";", ";"}))
            << HexDigits(address, 6);
    }
}

// Random bytes in place of a song of any title: the reverse compiler either gives eight
// channels that each end with ";" and a text the compiler parses, or a message; it never reads
// outside the image (the sanitizers watch) and never hangs.
TEST(ReverseCompileTest, RandomBytesNeverBreakTheReader)
{
    std::mt19937 random(20240611);
    for (int title = 0; title < kMusicTitleCount; ++title) {
        const MusicTitle& info = kMusicTitles[static_cast<std::size_t>(title)];
        const auto offsets = SongTableOffsets(title, 0);
        const std::uint32_t tables = std::max({offsets->pointer + 3, offsets->wave + 32,
                                               offsets->drum.value_or(0) + 36});
        const std::size_t size = tables + 0x3000;
        MemoryRomStream stream{Bytes(size)};
        for (int round = 0; round < 60; ++round) {
            Bytes noise(size - tables);
            for (std::uint8_t& byte : noise)
                byte = static_cast<std::uint8_t>(random());
            // A block anywhere in the noise; every other one with a length below 1 KiB, so that
            // its channels meet the block length more often than the end of the image.
            const auto at = static_cast<std::uint32_t>(tables + random() % 0x2F00);
            if (round % 2 == 0) {
                const auto length = static_cast<std::uint16_t>(random() % 0x400);
                noise[at - tables] = static_cast<std::uint8_t>(length);
                noise[at - tables + 1] = static_cast<std::uint8_t>(length >> 8);
            }
            ASSERT_TRUE(stream.writeAt(tables, noise));
            const std::uint32_t stored = info.pointerForm == PointerForm::HiRom
                                             ? at
                                             : ((at & 0xFF8000) << 1) | 0x8000 | (at & 0x7FFF);
            ASSERT_EQ(DecodeSongPointer(title, stored), at);
            const std::uint8_t pointer[] = {static_cast<std::uint8_t>(stored),
                                            static_cast<std::uint8_t>(stored >> 8),
                                            static_cast<std::uint8_t>(stored >> 16)};
            ASSERT_TRUE(stream.writeAt(offsets->pointer, pointer));

            MML mml;
            mml.variant = title;
            const auto text = mml.ReverseCompile(stream);
            if (!text) {
                EXPECT_FALSE(text.message().empty());
                continue;
            }
            const std::vector<std::string> channels = ChannelLines(text.value());
            ASSERT_EQ(channels.size(), 8u);
            for (const std::string& channel : channels)
                EXPECT_TRUE(channel.ends_with(";")) << channel;
            MML again;
            again.source = text.value();
            const Status parsed = again.Parse();
            EXPECT_TRUE(parsed.ok()) << "title " << title << ": " << parsed.message();
        }
    }
}

TEST(ReverseCompileToFileTest, WritesTheFileInTheJapaneseCodePageWithCrLf)
{
    TempDir dir;
    ChannelStreams channels;
    channels[0] = {0xDC, 0x20, 0x04, 0xEB};
    SongEntries entries;
    entries.storedPointer = kBlockAt;
    RomImageBuilder image = RomImageBuilder::Target(RomImageBuilder::kExpandedSize);
    PutSongEntries(image, 0, 0x7C, entries);
    image.bytes(kBlockAt, HighBlock(kBlockAt, channels));
    const auto rom = dir.write("rom.smc", image.build());

    MML mml;
    mml.romPath = rom.string();
    mml.outPath = (dir.path() / "song.mml").string();
    mml.musicNumber = 0x7C;
    const Status status = mml.ReverseCompileToFile();
    ASSERT_TRUE(status.ok()) << status.message();
    const Bytes written = ReadFileBytes(mml.outPath);
    const std::string text = Decompiled(image.build(), 0, 0x7C);
    const std::string cp932 = *Utf8ToCp932(text);
    EXPECT_EQ(std::string(written.begin(), written.end()), cp932);
    EXPECT_TRUE(cp932.starts_with("{--------------- \x94\x67\x8C\x60\x92\xE8\x8B\x60 ---------------}\r\n"))
        << "波形定義 in Shift-JIS";
}

TEST(ReverseCompileToFileTest, AFailureWritesNothing)
{
    TempDir dir;
    ChannelStreams channels;
    channels[0] = {0x04, 0xE9};
    SongEntries entries;
    entries.storedPointer = kBlockAt;
    RomImageBuilder image = RomImageBuilder::Target(RomImageBuilder::kExpandedSize);
    PutSongEntries(image, 0, 0x7C, entries);
    image.bytes(kBlockAt, HighBlock(kBlockAt, channels));
    const auto rom = dir.write("rom.smc", image.build());
    const auto out = dir.write("song.mml", "old");

    MML mml;
    mml.romPath = rom.string();
    mml.outPath = out.string();
    mml.musicNumber = 0x7C;
    EXPECT_EQ(mml.ReverseCompileToFile().message(),
              "この曲はMML化できません。\n不明な制御コード：E9");
    EXPECT_EQ(ReadFileBytes(out), Bytes({'o', 'l', 'd'}));

    mml.romPath = (dir.path() / "missing.smc").string();
    EXPECT_EQ(mml.ReverseCompileToFile().message(), "ファイルが開けません。");

    // A folder in the place of the file is not replaced.
    std::filesystem::create_directory(dir.path() / "folder.mml");
    ChannelStreams good;
    good[0] = {0x04, 0xEB};
    image.bytes(kBlockAt, HighBlock(kBlockAt, good));
    dir.write("rom.smc", image.build());
    mml.romPath = rom.string();
    mml.outPath = (dir.path() / "folder.mml").string();
    EXPECT_TRUE(mml.ReverseCompileToFile().message().starts_with("ファイルに書き込めません。"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "folder.mml"));
}

} // namespace
} // namespace varn::test
