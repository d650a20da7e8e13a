#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "charpatch/CharacterPatchFile.h"
#include "music/MusicSlots.h"
#include "patchlist/ApplyPatchList.h"
#include "rom/RomStream.h"
#include "support/ByteCompare.h"
#include "support/RomImageBuilder.h"
#include "support/TempDir.h"

namespace varn {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::RomImageBuilder;
using test::kMusic;


// A song whose block is exactly `size` bytes: the 38-byte header, notes and the end code.
std::string SongOfSize(int size)
{
    return std::string(static_cast<std::size_t>(size - 38 - 1), 'c') + ";";
}

// An expanded image with clear music bookkeeping, or with the bookkeeping bytes given.
Bytes MusicImage(Bytes bookkeeping = {0, 0, 0, 0})
{
    return RomImageBuilder(RomImageBuilder::kExpandedSize).bytes(0x500000, bookkeeping).build();
}


class ApplyPatchListTest : public ::testing::Test {
protected:
    std::filesystem::path song(const std::string& name, int size)
    {
        return dir.write(name, SongOfSize(size));
    }
    std::filesystem::path image(const Bytes& bytes) { return dir.write("game.smc", bytes); }
    std::vector<std::string> targets() const
    {
        std::vector<std::string> texts;
        for (const PatchEntry& entry : list.entries())
            texts.push_back(entry.targetText());
        return texts;
    }

    test::TempDir dir;
    PatchList list;
};

TEST_F(ApplyPatchListTest, SongsAreNumberedFromTheBookkeepingAndWrittenOneAfterAnother)
{
    list.addMml(song("one.mml", 0x100));
    list.addIps(dir.write("x.ips", "PATCHEOF"));
    list.addMml(song("two.mml", 0x200));
    const auto rom = image(MusicImage());
    ASSERT_TRUE(PrepareMusicEntries(list, rom, kMusic).ok());
    EXPECT_EQ(targets(), (std::vector<std::string>{"B0", "", "B1"}));

    std::vector<std::string> applied;
    ASSERT_TRUE(ApplyPatchList(list, rom, kMusic, [&](const PatchEntry& entry) {
                    applied.push_back(entry.fileName());
                }).ok());
    EXPECT_EQ(applied, (std::vector<std::string>{"one.mml", "x.ips", "two.mml"}));

    MemoryRomStream written(test::ReadFileBytes(rom));
    EXPECT_EQ(written.readBytes(0x500000, 4), (Bytes{0xB2, 0x04, 0x03, 0x50}));
    // The blocks start with their lengths; the song pointers of B0 and B1 lead to them.
    EXPECT_EQ(written.readBytes(0x500004, 2), (Bytes{0x00, 0x01}));
    EXPECT_EQ(written.readBytes(0x500104, 2), (Bytes{0x00, 0x02}));
    const std::uint64_t pointers = 0x5A6750 + 3 * (0xB0 - 0x7C);
    EXPECT_EQ(written.readBytes(pointers, 6), (Bytes{0x04, 0x00, 0x50, 0x04, 0x01, 0x50}));
}

TEST_F(ApplyPatchListTest, PreparationRefusesWhatWouldNotFit)
{
    struct Case {
        const char* name;
        Bytes image;
        std::vector<int> songs; // sizes
        std::string message;
        std::vector<std::string> targets;
    };
    const Case cases[] = {
        {"LastNumberFitsOnce",
         MusicImage({0xFE, 0, 0, 0}),
         {0x100, 0x100},
         "MMLの数が多すぎます。",
         {"FE", ""}},
        {"EndsAtTheEndOfTheRegion", MusicImage({0, 0x00, 0xFF, 0x51}), {0x100}, "", {"B0"}},
        {"OneByteTooMany",
         MusicImage({0, 0x00, 0xFF, 0x51}),
         {0x101},
         "MMLの書き込み領域を超えました。",
         {"B0"}},
        {"PlainImage",
         RomImageBuilder(RomImageBuilder::kPlainSize).build(),
         {0x100},
         "MMLの書き込み領域がありません。",
         {""}},
        {"PointerIntoTheGame",
         MusicImage({0xB3, 0x00, 0x10, 0x00}),
         {0x100},
         "MMLの書き込み情報が壊れています。",
         {""}},
    };
    for (const Case& c : cases) {
        PatchList songs;
        for (std::size_t i = 0; i < c.songs.size(); ++i)
            songs.addMml(song("s" + std::to_string(i) + ".mml", c.songs[i]));
        const auto rom = image(c.image);
        EXPECT_EQ(PrepareMusicEntries(songs, rom, kMusic).message(), c.message) << c.name;
        std::vector<std::string> texts;
        for (const PatchEntry& entry : songs.entries())
            texts.push_back(entry.targetText());
        EXPECT_EQ(texts, c.targets) << c.name;
        EXPECT_EQ(test::ReadFileBytes(rom), c.image) << c.name; // only read
    }
}

TEST_F(ApplyPatchListTest, ASongThatDoesNotCompileIsNamed)
{
    list.addMml(song("good.mml", 0x80));
    list.addMml(dir.write("bad.mml", "c ] c;"));
    EXPECT_EQ(PrepareMusicEntries(list, image(MusicImage()), kMusic).message(),
              "コンパイルに失敗しました。\nbad.mml");
    EXPECT_EQ(targets(), (std::vector<std::string>{"B0", "B1"}));

    // So is one too large to be a song, which is not read.
    PatchList huge;
    const auto large = song("large.mml", 0x80);
    std::filesystem::resize_file(large, kMaxMmlFileSize + 1);
    huge.addMml(large);
    EXPECT_EQ(PrepareMusicEntries(huge, image(MusicImage()), kMusic).message(),
              "コンパイルに失敗しました。\nlarge.mml");

    // The whole list is tried, so also a list without songs needs the image.
    PatchList noSongs;
    noSongs.addIps(dir.write("x.ips", "PATCHEOF"));
    EXPECT_EQ(PrepareMusicEntries(noSongs, dir.path() / "none.smc", kMusic).message(),
              "ファイルが開けません。\nnone.smc");
}

TEST_F(ApplyPatchListTest, AFailingEntryLeavesTheImageAsItWas)
{
    list.addIps(dir.write("first.ips",
                          Bytes{'P', 'A', 'T', 'C', 'H', 0, 0, 0x10, 0, 1, 0xAA, 'E', 'O', 'F'}));
    const auto character = dir.write("gone.vnp", "VNP");
    list.addVnp(character);
    list.addIps(dir.write("second.ips",
                          Bytes{'P', 'A', 'T', 'C', 'H', 0, 0, 0x20, 0, 1, 0xBB, 'E', 'O', 'F'}));
    std::filesystem::remove(character);

    const Bytes original = MusicImage();
    const auto rom = image(original);
    // The preparation already meets the failing entry, before anything is asked or written.
    EXPECT_EQ(PrepareMusicEntries(list, rom, kMusic).message(), "ファイルが開けません。\ngone.vnp");
    std::vector<std::string> applied;
    EXPECT_EQ(ApplyPatchList(list, rom, kMusic,
                             [&](const PatchEntry& entry) { applied.push_back(entry.fileName()); })
                  .message(),
              "ファイルが開けません。\ngone.vnp");
    EXPECT_EQ(applied, (std::vector<std::string>{"first.ips"}));
    // Nothing of the list reaches the image, not even the entry before the failing one.
    EXPECT_TRUE(test::ReadFileBytes(rom) == original);
    EXPECT_EQ(test::FileNamesIn(dir.path()), (std::vector<std::string>{"first.ips", "game.smc", "second.ips"}));

    EXPECT_EQ(ApplyPatchList(list, dir.path() / "missing.smc", kMusic).message(),
              "ファイルが開けません。\nmissing.smc");
}

TEST_F(ApplyPatchListTest, ACharacterAndASongReachTheImage)
{
    const std::filesystem::path examples = VARN_EXAMPLES_DIR;
    list.addVnp(examples / "example_character.vnp");
    list.addMml(examples / "song.mml");
    // Slot B0's sprite sheet pointer leads into the expanded area.
    const auto rom = image(RomImageBuilder(RomImageBuilder::kExpandedSize)
                               .bytes(0x500000, {0, 0, 0, 0})
                               .bytes(0x5A8631, {0x00, 0x00, 0x58})
                               .build());
    ASSERT_TRUE(PrepareMusicEntries(list, rom, kMusic).ok());
    ASSERT_TRUE(ApplyPatchList(list, rom, kMusic).ok());

    const auto patch = ReadPatchFile(examples / "example_character.vnp");
    ASSERT_TRUE(patch.ok());
    MemoryRomStream written(test::ReadFileBytes(rom));
    EXPECT_EQ(written.readBytes(0x3D1A00, 8),
              Bytes(patch.value().name.begin(), patch.value().name.end()));
    EXPECT_EQ(written.readBytes(0x580000, 7104),
              Bytes(patch.value().tiles.begin(), patch.value().tiles.end()));
    EXPECT_EQ(written.readByte(0x5B0039), 0x07);
    EXPECT_EQ(written.readByte(0x500000), 0xB1);
    EXPECT_EQ(written.readBytes(0x5A6750 + 3 * (0xB0 - 0x7C), 3), (Bytes{0x04, 0x00, 0x50}));
}

TEST_F(ApplyPatchListTest, SongsFollowAnIpsPatchThatExpandsTheImage)
{
    // A plain image has no music region; the IPS patch before the songs makes one (its last
    // record lies at the end of the song tables, so the image grows with zero bytes).
    const std::uint64_t needed = MusicImageSizeNeeded(kMusic);
    ASSERT_LE(needed, 0x1000000u);
    const auto offset = static_cast<std::uint32_t>(needed - 1);
    list.addIps(dir.write("expand.ips", Bytes{'P', 'A', 'T', 'C', 'H',
                                              static_cast<std::uint8_t>(offset >> 16),
                                              static_cast<std::uint8_t>(offset >> 8),
                                              static_cast<std::uint8_t>(offset), 0, 1, 0x00, 'E',
                                              'O', 'F'}));
    list.addMml(song("one.mml", 0x100));
    list.addMml(song("two.mml", 0x100));
    const auto rom = image(RomImageBuilder(RomImageBuilder::kPlainSize).build());

    ASSERT_EQ(PrepareMusicEntries(list, rom, kMusic).message(), "");
    EXPECT_EQ(targets(), (std::vector<std::string>{"", "B0", "B1"}));
    EXPECT_EQ(std::filesystem::file_size(rom), RomImageBuilder::kPlainSize); // only tried
    ASSERT_EQ(ApplyPatchList(list, rom, kMusic).message(), "");
    MemoryRomStream written(test::ReadFileBytes(rom));
    EXPECT_EQ(written.size(), needed);
    EXPECT_EQ(written.readBytes(0x500000, 4), (Bytes{0xB2, 0x04, 0x02, 0x50}));
}

TEST_F(ApplyPatchListTest, ABackupKeepsTheImageAsItWas)
{
    list.addIps(dir.write("one.ips", Bytes{'P', 'A', 'T', 'C', 'H', 0, 0, 0x10, 0, 1, 0xAA, 'E',
                                           'O', 'F'}));
    const Bytes original = MusicImage();
    const auto rom = image(original);
    ImageChangeOptions options;
    options.backup = true;
    ASSERT_TRUE(ApplyPatchList(list, rom, kMusic, {}, options).ok());
    EXPECT_EQ(test::ReadFileBytes(rom)[0x10], 0xAA);
    EXPECT_TRUE(test::ReadFileBytes(dir.path() / "game.smc.bak") == original);

    // Without the option no copy is made, and the earlier backup stays as it was.
    list.clear();
    list.addIps(dir.write("two.ips", Bytes{'P', 'A', 'T', 'C', 'H', 0, 0, 0x11, 0, 1, 0xBB, 'E',
                                           'O', 'F'}));
    ASSERT_TRUE(ApplyPatchList(list, rom, kMusic).ok());
    EXPECT_EQ(test::ReadFileBytes(rom)[0x11], 0xBB);
    EXPECT_TRUE(test::ReadFileBytes(dir.path() / "game.smc.bak") == original);
}

// The image is never one of the list's files, nor is its backup: refused before anything is
// read, the files as they were.
TEST_F(ApplyPatchListTest, AnImageOrBackupThatIsAFileOfTheListIsRefused)
{
    const Bytes original = MusicImage();
    const auto rom = image(original);
    const auto patch = dir.write("one.ips", Bytes{'P', 'A', 'T', 'C', 'H', 'E', 'O', 'F'});
    std::filesystem::create_symlink("game.smc", dir.path() / "image.mml");
    list.addIps(patch);
    list.addMml(dir.path() / "image.mml");
    EXPECT_EQ(ApplyPatchList(list, rom, kMusic).message(),
              "出力先が入力ファイルと同じです。\ngame.smc");

    list.remove(1);
    std::filesystem::create_hard_link(patch, dir.path() / "game.smc.bak");
    ImageChangeOptions options;
    options.backup = true;
    EXPECT_EQ(ApplyPatchList(list, rom, kMusic, {}, options).message(),
              "出力先が入力ファイルと同じです。\ngame.smc.bak");
    EXPECT_TRUE(test::ReadFileBytes(rom) == original);
    EXPECT_EQ(test::ReadFileBytes(patch), (Bytes{'P', 'A', 'T', 'C', 'H', 'E', 'O', 'F'}));
    // Without the backup the same list is applied.
    EXPECT_TRUE(ApplyPatchList(list, rom, kMusic).ok());
}

// Both ways into the image refuse a missing image name and an empty list before reading the
// image, and leave it and the list as they were.
TEST_F(ApplyPatchListTest, NoImageOrAnEmptyListIsRefusedBeforeReading)
{
    const Bytes original = MusicImage();
    const auto rom = image(original);
    const auto songFile = song("song.mml", 64);

    EXPECT_EQ(ApplyPatchList(list, rom, kMusic).message(), "パッチファイルを指定してください。");
    EXPECT_EQ(PrepareMusicEntries(list, rom, kMusic).message(),
              "パッチファイルを指定してください。");
    list.addMml(songFile);
    EXPECT_EQ(ApplyPatchList(list, {}, kMusic).message(), "smcファイルを指定してください。");
    EXPECT_EQ(PrepareMusicEntries(list, {}, kMusic).message(), "smcファイルを指定してください。");
    // With no image and no entry, the image is named first.
    EXPECT_EQ(CheckPatchListToApply(PatchList{}, {}).message(), "smcファイルを指定してください。");
    EXPECT_EQ(targets(), std::vector<std::string>{""}) << "the song is not numbered";
    EXPECT_TRUE(test::SameBytes(original, test::ReadFileBytes(rom)));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              2)
        << "nothing is written beside the image";

    // Named and not empty, the same list is prepared and applied.
    EXPECT_TRUE(PrepareMusicEntries(list, rom, kMusic).ok());
    EXPECT_TRUE(ApplyPatchList(list, rom, kMusic).ok());
}

} // namespace
} // namespace varn
