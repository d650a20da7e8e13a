#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <unistd.h>

#include "MmlTestSupport.h"
#include "music/CommandTable.h"
#include "music/PlaybackTables.h"
#include "rom/RomStream.h"
#include "support/ByteCompare.h"
#include "support/RomImageBuilder.h"
#include "support/TempDir.h"
#include "text/Cp932.h"

namespace varn::test {
namespace {

struct ChannelCase {
    std::string_view text;
    Bytes written;
};

template <std::size_t N> void ExpectChannels(const ChannelCase (&cases)[N])
{
    for (const ChannelCase& c : cases)
        EXPECT_EQ(FirstChannelBytes(c.text), c.written) << c.text;
}

// Channel 1 of the songs below starts at 0x50002A (the block at 0x500004), so in-song
// pointers of channel 1 read 0x2A plus the distance from its start.

TEST(EmitChannelTest, TheCacheLeavesOutSettingsTheDriverHolds)
{
    ExpectChannels<12>({
        {"v100 c v100 d", {0xC4, 100, 0x04, 0x20, 0xEB}},
        {"v100 [ v100 c ]", {0xC4, 100, 0xE2, 1, 0xC4, 100, 0x04, 0xE3, 0xEB}},
        {"@0x20 %A5 @0x20 %A5", {0xDC, 0x20, 0xDD, 5, 0xEB}},
        {"@0x20 %A5 @0x21 %A5", {0xDC, 0x20, 0xDD, 5, 0xDC, 0x21, 0xDD, 5, 0xEB}},
        {"%A5 %R3 @0x20 %A5 %R3 %R3", {0xDD, 5, 0xE0, 3, 0xDC, 0x20, 0xDD, 5, 0xE0, 3, 0xEB}},
        {"%A5 %R3 %A %A5 %R3", {0xDD, 5, 0xE0, 3, 0xE1, 0xDD, 5, 0xE0, 3, 0xEB}},
        {"m1,2,3 m1,2,3 m1,2,4 m m1,2,4",
         {0xC9, 1, 2, 3, 0xC9, 1, 2, 4, 0xCA, 0xC9, 1, 2, 4, 0xEB}},
        {"%e1 %e1 %e %e %e1", {0xD4, 0xD5, 0xD4, 0xEB}},
        {"v10,50 v50 v1,2,3 v50", {0xC5, 10, 50, 0xCB, 1, 2, 3, 0xC4, 50, 0xEB}},
        {"p10,50 p50 p p50 p60", {0xC7, 10, 50, 0xCE, 0xC6, 60, 0xEB}},
        {"v100 %d v100 %d1 v100 %d1", {0xC4, 100, 0xFC, 0xC4, 100, 0xFB, 0xC4, 100, 0xFB, 0xEB}},
        // The cache compares the bytes written: 256 is 0.
        {"v256 v0", {0xC4, 0, 0xEB}},
    });
}

TEST(EmitChannelTest, CommandsThatAreNeitherVolumeNorPanLeaveThoseAlone)
{
    ExpectChannels<5>({
        // "m" with two arguments: the volume stays known, what "m" set is forgotten.
        {"v5 m1,100 v100", {0xC4, 5, 0xC8, 1, 100, 0xC4, 100, 0xEB}},
        {"v100 m1,100 v100", {0xC4, 100, 0xC8, 1, 100, 0xEB}},
        {"m1,2,3 m4,5 m1,2,3", {0xC9, 1, 2, 3, 0xC8, 4, 5, 0xC9, 1, 2, 3, 0xEB}},
        // "p0," leaves the pan unknown: whatever "p" follows is written.
        {"p0,20,100 p100", {0xCD, 20, 100, 0xC6, 100, 0xEB}},
        {"p50 p0,20,100 p50", {0xC6, 50, 0xCD, 20, 100, 0xC6, 50, 0xEB}},
    });
}

TEST(EmitChannelTest, LoopsBreaksAndTheLoopPoint)
{
    ExpectChannels<9>({
        {"c d", {0x04, 0x20, 0xEB}},
        {"c $ d", {0x04, 0x20, 0xF6, 0x2B, 0x00}},
        {"v100 $ v100", {0xC4, 100, 0xC4, 100, 0xF6, 0x2C, 0x00}},
        {"[3 c | d ]", {0xE2, 2, 0x04, 0xF5, 3, 0x33, 0x00, 0x20, 0xE3, 0xEB}},
        {"/:3 c / d :/", {0xE2, 2, 0x04, 0xF5, 3, 0x33, 0x00, 0x20, 0xE3, 0xEB}},
        {"[2 c [3 d | e ] | f ] g", {0xE2, 1,    0x04, 0xE2, 2,    0x20, 0xF5, 3,    0x36, 0x00,
                                     0x3C, 0xE3, 0xF5, 2,    0x3C, 0x00, 0x4A, 0xE3, 0x66, 0xEB}},
        // Only the last break of a loop is resolved; the first keeps its own arguments.
        {"[2 c |0,7,9 d | e ]",
         {0xE2, 1, 0x04, 0xF5, 2, 7, 9, 0x20, 0xF5, 2, 0x38, 0x00, 0x3C, 0xE3, 0xEB}},
        // After a loop without a break the body's settings hold; after one with a break not.
        {"[ v50 c ] v50", {0xE2, 1, 0xC4, 50, 0x04, 0xE3, 0xEB}},
        {"[ v50 c | d ] v50",
         {0xE2, 1, 0xC4, 50, 0x04, 0xF5, 2, 0x35, 0x00, 0x20, 0xE3, 0xC4, 50, 0xEB}},
    });
    // A loop that is never closed is written as it stands.
    EXPECT_EQ(FirstChannelBytes("[ c"), (Bytes{0xE2, 1, 0x04, 0xEB}));
}

TEST(EmitChannelTest, PointersAreTheLowSixteenBitsOfFileOffsets)
{
    // At 0x3FFFD0 the channel starts at 0x3FFFF6; the loop point "$" sits on the note at
    // 0x3FFFF6 + 10 = 0x400000.
    EXPECT_EQ(FirstChannelBytes("c c c c c c c c c c $ d", 0x3FFFD0),
              (Bytes{4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 0x20, 0xF6, 0x00, 0x00}));
}

TEST(EmitSongTest, LoopCommandsOutsideALoopAndAnEmptyFirstChannelFail)
{
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"c ; ] c", "ループコマンドの数が不正です。\nChannel = 2"},
        {"c;c;| c", "ループコマンドの数が不正です。\nChannel = 3"},
        {"[ c ; c ]", "ループコマンドの数が不正です。\nChannel = 2"},
        {"c;;;;;;; [ c ] ]", "ループコマンドの数が不正です。\nChannel = 8"},
        {"", "Channel1にデータがありません。"},
        {";c;", "Channel1にデータがありません。"},
    };
    for (const auto& [text, message] : cases) {
        MML mml = Parsed(text);
        EXPECT_EQ(mml.EmitSong().message(), message) << text;
    }
}

TEST(EmitSongTest, ABlockLongerThanItsSixteenBitLengthIsRefused)
{
    // 38 header bytes, the channel's notes and its end code: 0xFFFF bytes fit, one more does not.
    const std::size_t fitting = 0xFFFF - 38 - 1;
    EXPECT_EQ(SongBlockOf(std::string(fitting, 'c') + ";").size(), 0xFFFFu);

    MML mml = Parsed(std::string(fitting + 1, 'c') + ";");
    EXPECT_EQ(mml.EmitSong().message(), "曲のデータが大きすぎます。");
    EXPECT_EQ(mml.MeasureSong().message(), "曲のデータが大きすぎます。");
}

// A song of 100 channel bytes at 0x500004: 49 notes and the end code in each of channels 1
// and 2.
std::string HundredByteSong()
{
    return std::string(49, 'c') + ";" + std::string(49, 'd') + ";";
}

TEST(EmitSongTest, TheHeaderLeadsTheBlock)
{
    MML mml = Parsed(HundredByteSong());
    mml.writeAddress = 0x500004;
    const auto block = mml.EmitSong();
    ASSERT_TRUE(block.ok()) << block.message();
    ASSERT_EQ(block.value().size(), 0x8Au);
    EXPECT_EQ(mml.lastAddress, 0x50008D);
    const Bytes pointers{0x2A, 0x00, 0x5C, 0x00, 0x8E, 0x00, 0x8E, 0x00,
                         0x8E, 0x00, 0x8E, 0x00, 0x8E, 0x00, 0x8E, 0x00};
    Bytes header{0x8A, 0x00, 0x2A, 0x00, 0x8E, 0x00};
    header.insert(header.end(), pointers.begin(), pointers.end());
    header.insert(header.end(), pointers.begin(), pointers.end());
    EXPECT_EQ(Bytes(block.value().begin(), block.value().begin() + 38), header);
    EXPECT_EQ(block.value()[38], 0x04);
    EXPECT_EQ(block.value()[38 + 49], 0xEB);
    EXPECT_EQ(block.value()[38 + 50], 0x20);
    Bytes second(49, 0x20);
    second.push_back(0xEB);
    EXPECT_EQ(ChannelBytes(block.value(), 1), second);
}

TEST(EmitSongTest, MeasuringGivesTheBlockSize)
{
    MML mml;
    mml.source = HundredByteSong();
    const auto size = mml.MeasureSong();
    ASSERT_TRUE(size.ok()) << size.message();
    EXPECT_EQ(size.value(), 138);

    // Every error is a failure with its message.
    mml.source = "c; ]";
    EXPECT_EQ(mml.MeasureSong().message(), "ループコマンドの数が不正です。\nChannel = 2");
    mml.source = "c5";
    EXPECT_EQ(mml.MeasureSong().message(), "音長指定が不正です。\nline = 1\n");
}

// An expanded image with a recognisable pattern, and the compilation of `text` into it.
struct Compiled {
    Bytes before;
    MemoryRomStream image;
    Status status;
};

Compiled CompileInto(std::string_view text, int musicNumber, int writeAddress,
                     std::size_t imageSize = RomImageBuilder::kExpandedSize,
                     std::vector<int> mapBattle = {}, std::vector<int> monsterBattle = {},
                     std::vector<int> mapTheme = {})
{
    Bytes before = RomImageBuilder(imageSize).build();
    MemoryRomStream image(before);
    MML mml;
    mml.source = std::string(text);
    mml.musicNumber = musicNumber;
    mml.writeAddress = writeAddress;
    mml.mapBattle = std::move(mapBattle);
    mml.monsterBattle = std::move(monsterBattle);
    mml.mapTheme = std::move(mapTheme);
    Status status = mml.CompileToStream(image);
    return {std::move(before), std::move(image), std::move(status)};
}

void Put(Bytes& image, std::size_t offset, const Bytes& bytes)
{
    std::copy(bytes.begin(), bytes.end(), image.begin() + static_cast<std::ptrdiff_t>(offset));
}

TEST(CompileToStreamTest, WritesTheBlockAndTheThreeTableEntries)
{
    struct Case {
        int musicNumber;
        std::size_t pointer;
        std::size_t wave;
        std::size_t drum;
    };
    const Case cases[] = {
        {0x00, 0x60FC6, 0x610DA, 0x61C5A},    {0x30, 0x61056, 0x616DA, 0x6231A},
        {0x5B, 0x610D7, 0x61C3A, 0x62926},    {0x5C, 0x5E1960, 0x5E19C0, 0x5E1440},
        {0x7B, 0x5E19BD, 0x5E1DA0, 0x5E189C}, {0x7C, 0x5A6750, 0x5A4440, 0x5A54C0},
        {0xB0, 0x5A67EC, 0x5A4AC0, 0x5A5C10}, {0xFE, 0x5A68D6, 0x5A5480, 0x5A6708},
        {0xFF, 0x5A68D9, 0x5A54A0, 0x5A672C},
    };
    const std::string text = "#WAVE 0x20, 261;\n#WAVE 0x2F, 7;\n#DRUM c+, 0x21, 100, 64;\n"
                             "#DRUM b, 1, 2, 511;\n@0x20 c4 $ d8;";
    const Bytes block = SongBlockOf(text, 0x500004);
    for (const Case& c : cases) {
        const Compiled compiled = CompileInto(text, c.musicNumber, 0x500004);
        ASSERT_TRUE(compiled.status.ok()) << compiled.status.message();

        Bytes expected = compiled.before;
        Put(expected, 0x500004, block);
        Bytes wave(32, 0);
        wave[0] = 0x05;
        wave[1] = 0x01;
        wave[30] = 0x07;
        Put(expected, c.wave, wave);
        Bytes drum(36, 0);
        Put(drum, 3, {0x21, 100, 64});
        Put(drum, 33, {1, 2, 0xFF});
        Put(expected, c.drum, drum);
        Put(expected, c.pointer, {0x04, 0x00, 0x50});
        EXPECT_TRUE(test::SameBytes(expected, compiled.image.bytes())) << "music number " << c.musicNumber;
    }
}

TEST(CompileToStreamTest, TheSongPointerOfTheOriginalAreaIsInTheHighBanks)
{
    const Compiled compiled = CompileInto("c;", 0x10, 0x3F0000);
    ASSERT_TRUE(compiled.status.ok()) << compiled.status.message();
    const auto pointer = compiled.image.bytes().begin() + 0x60FC6 + 0x10 * 3;
    EXPECT_EQ(Bytes(pointer, pointer + 3), (Bytes{0x00, 0x00, 0xFF}));
}

TEST(CompileToStreamTest, WritesTheMusicNumberIntoThePlaybackTables)
{
    const Compiled compiled =
        CompileInto("#MAPBATTLE 0xFF;\n#MAPTHEME 0x1D;\nc;", 0xB3, 0x500004,
                    RomImageBuilder::kExpandedSize, {0x10}, {0, 0x1FF}, {0x01});
    ASSERT_TRUE(compiled.status.ok()) << compiled.status.message();
    const Bytes& image = compiled.image.bytes();

    Bytes expected = compiled.before;
    Put(expected, 0x500004, SongBlockOf("c;", 0x500004));
    Put(expected, 0x5A4440 + (0xB3 - 0x7C) * 32, Bytes(32, 0));
    Put(expected, 0x5A54C0 + (0xB3 - 0x7C) * 36, Bytes(36, 0));
    Put(expected, 0x5A6750 + (0xB3 - 0x7C) * 3, {0x04, 0x00, 0x50});
    for (std::size_t offset : {0x5E0EC0 + 0x10, 0x5E0EC0 + 0xFF, 0x5E1240 + 0x000, 0x5E1240 + 0x1FF,
                               0x5A7690 + 0x92, 0x5A7690 + 0x93, 0x5A7690 + 0x61})
        expected[offset] = 0xB3;
    for (std::size_t location : {0x38A128, 0x3889B2, 0x384A1C, 0x3885A2, 0x3890B4}) {
        auto bytes = std::span<std::uint8_t, 5>(expected.data() + location, 5);
        PackMusicNumber(bytes, 0xB3);
        EXPECT_EQ(UnpackMusicNumber(std::span<const std::uint8_t, 5>(image.data() + location, 5)),
                  0xB3);
    }
    EXPECT_TRUE(test::SameBytes(expected, image));
}

TEST(CompileToStreamTest, RefusesBeforeWritingAnything)
{
    struct Case {
        std::string_view text;
        int musicNumber;
        std::size_t imageSize;
        std::vector<int> mapBattle, monsterBattle, mapTheme;
        std::string_view message;
    };
    const std::size_t expanded = RomImageBuilder::kExpandedSize;
    const Case cases[] = {
        {"c;", 0x10, expanded, {300}, {}, {}, "マップ別戦闘曲の指定が不正です。\n0x12C"},
        {"c;", 0x10, expanded, {256, 5, 400}, {}, {}, "マップ別戦闘曲の指定が不正です。\n0x190"},
        {"c;", 0x10, expanded, {-1}, {}, {}, "マップ別戦闘曲の指定が不正です。\n0xFFFFFFFF"},
        {"c;", 0x10, expanded, {}, {600, 5}, {}, "モンスター別戦闘曲の指定が不正です。\n0x258"},
        {"c;", 0x10, expanded, {}, {512}, {}, "モンスター別戦闘曲の指定が不正です。\n0x200"},
        {"c;", 0x10, expanded, {}, {}, {33}, "マップ曲の指定が不正です。\n0x21"},
        // The map battle list is checked first, then the monster list, then the themes.
        {"c;", 0x10, expanded, {1, 999}, {999}, {99}, "マップ別戦闘曲の指定が不正です。\n0x3E7"},
        {"c;", 0x10, expanded, {1}, {999}, {99}, "モンスター別戦闘曲の指定が不正です。\n0x3E7"},
        // The song's own errors come before the playback values.
        {";c;", 0x10, expanded, {300}, {}, {}, "Channel1にデータがありません。"},
        {"zz", 0x10, expanded, {300}, {}, {}, "不明なコマンドです。\nline = 1\nz"},
        {"c;", 0x100, expanded, {}, {}, {}, "音楽番号の指定が不正です。\n0x100"},
        {"c;", -1, expanded, {}, {}, {}, "音楽番号の指定が不正です。\n0xFFFFFFFF"},
        // An image without the expanded area cannot take the second range or the playback
        // tables.
        {"c;", 0x80, 0x400000, {}, {}, {}, "ファイルに書き込めません。\n0x5A44C0"},
        {"c;", 0x10, 0x400000, {1}, {}, {}, "ファイルに書き込めません。\n0x5E0EC1"},
    };
    for (const Case& c : cases) {
        const int address = c.imageSize == expanded ? 0x500004 : 0x300000;
        const Compiled compiled = CompileInto(c.text, c.musicNumber, address, c.imageSize,
                                              c.mapBattle, c.monsterBattle, c.mapTheme);
        EXPECT_EQ(compiled.status.message(), c.message) << c.text;
        EXPECT_TRUE(test::SameBytes(compiled.before, compiled.image.bytes())) << c.message;
    }

    // A block that runs past the end of the image, and an image that may not be written.
    const Compiled pastEnd = CompileInto("c c c c;", 0x10, 0x3FFFF0, 0x400000);
    EXPECT_EQ(pastEnd.status.message(), "ファイルに書き込めません。\n0x3FFFF0");
    EXPECT_TRUE(test::SameBytes(pastEnd.before, pastEnd.image.bytes()));

    MemoryRomStream readOnly(Bytes(0x600000, 0), false);
    MML mml;
    mml.source = "c;";
    mml.writeAddress = 0x500004;
    EXPECT_EQ(mml.CompileToStream(readOnly).message(), "ファイルに書き込めません。\n0x500004");
    EXPECT_TRUE(readOnly.bytes() == Bytes(0x600000, 0));
}

TEST(CompileToFileTest, WritesTheImageFileInPlace)
{
    TempDir dir;
    const Bytes original = RomImageBuilder(RomImageBuilder::kExpandedSize).build();
    const auto rom = dir.write("rom.smc", original);
    MML mml;
    mml.source = "#MAPBATTLE 3;\n#WAVE 0x21, 9;\n@0x21 c4 [ d | e ];\nf;";
    mml.romPath = rom.string();
    mml.musicNumber = 0xB0;
    mml.writeAddress = 0x500004;
    mml.mapTheme = {0x1B};
    const Status status = mml.CompileToFile();
    ASSERT_TRUE(status.ok()) << status.message();
    EXPECT_EQ(mml.lastAddress, 0x500004 + 38 + 13 + 2 - 1);

    MemoryRomStream memory(original);
    MML same;
    same.source = "#MAPBATTLE 3;\n#WAVE 0x21, 9;\n@0x21 c4 [ d | e ];\nf;";
    same.musicNumber = 0xB0;
    same.writeAddress = 0x500004;
    same.mapTheme = {0x1B};
    ASSERT_TRUE(same.CompileToStream(memory).ok());
    EXPECT_TRUE(test::SameBytes(memory.bytes(), ReadFileBytes(rom)));
    EXPECT_FALSE(memory.bytes() == original);
}

TEST(CompileToFileTest, AnImageThatCannotBeOpenedForWritingFails)
{
    TempDir dir;
    const Bytes original = RomImageBuilder(RomImageBuilder::kExpandedSize).build();
    const auto rom = dir.write("rom.smc", original);

    MML mml;
    mml.source = "c;";
    mml.musicNumber = 0x10;
    for (const auto& path : {dir.path() / "missing.smc", dir.path()}) {
        mml.romPath = path.string();
        EXPECT_EQ(mml.CompileToFile().message(), "ファイルが開けません。") << path;
    }

    // The text is parsed before the image is opened.
    mml.romPath = (dir.path() / "missing.smc").string();
    mml.source = "c5;";
    EXPECT_EQ(mml.CompileToFile().message(), "音長指定が不正です。\nline = 1\n");

    // A failing compilation leaves the file as it was.
    mml.romPath = rom.string();
    mml.source = "c;";
    mml.mapBattle = {256};
    EXPECT_FALSE(mml.CompileToFile().ok());
    EXPECT_TRUE(test::SameBytes(original, ReadFileBytes(rom)));

    if (geteuid() != 0) { // permissions do not stop the superuser
        std::filesystem::permissions(rom, std::filesystem::perms::owner_read);
        mml.mapBattle.clear();
        EXPECT_EQ(mml.CompileToFile().message(), "ファイルが開けません。");
    }
}

TEST(ExampleSongTest, CompilesAndUsesTheWholeVocabulary)
{
    const Bytes bytes = ReadFileBytes(VARN_EXAMPLE_SONG);
    ASSERT_FALSE(bytes.empty());
    MML mml;
    mml.source = DecodeTextFileBytes(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    mml.musicNumber = 0xB0;
    mml.writeAddress = 0x500004;
    MemoryRomStream image(RomImageBuilder(RomImageBuilder::kExpandedSize).build());
    const Status status = mml.CompileToStream(image);
    ASSERT_TRUE(status.ok()) << status.message();

    std::set<int> used;
    for (const auto& statements : mml.channels) {
        for (const MML::mmlcom& statement : statements)
            used.insert(statement.code);
    }
    for (int code = 0xC4; code <= 0xFF; ++code) {
        const std::string_view name =
            kTargetCommandTable[static_cast<std::size_t>(code - 0xC4)].name;
        if (name.empty() || name == "Err" || name == ";")
            continue;
        EXPECT_TRUE(used.contains(code)) << std::hex << code << " " << name;
    }
    EXPECT_TRUE(used.contains(0xFF)); // the loop point
    EXPECT_FALSE(mml.info.empty());
    EXPECT_EQ(mml.mapTheme, (std::vector<int>{5}));
    EXPECT_TRUE(mml.octaveReverse);
}

} // namespace
} // namespace varn::test
