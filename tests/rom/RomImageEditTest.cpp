#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "rom/FileIo.h"
#include "rom/RomImageEdit.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

namespace varn {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kImageSize = 0x400000;

Bytes Image()
{
    Bytes bytes(kImageSize);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + (i >> 12));
    return bytes;
}

// A change as the commands make them: bytes rewritten here and there, and optionally the image
// lengthened as an IPS patch past its end does.
Status ChangeSomeBytes(RomStream& rom, bool grow)
{
    const Bytes marks(0x100, 0xEE);
    for (std::uint64_t offset : {std::uint64_t{0}, std::uint64_t{0x1234}, std::uint64_t{0x200000},
                                 std::uint64_t{kImageSize - 0x100}}) {
        if (!rom.writeAt(offset, marks))
            return Failure{"write"};
    }
    if (grow && (!rom.extend(kImageSize + 0x10000) || !rom.writeAt(kImageSize + 0xFFFF, std::span(marks).first(1))))
        return Failure{"grow"};
    return {};
}

Bytes Changed(bool grow)
{
    MemoryRomStream rom(Image());
    EXPECT_TRUE(ChangeSomeBytes(rom, grow).ok());
    return rom.bytes();
}


TEST(RomImageEditTest, ACommittedChangeReplacesTheImageAndAFailedOneLeavesIt)
{
    test::TempDir dir;
    const fs::path rom = dir.write("game.smc", Image());
    ASSERT_EQ(::chmod(rom.c_str(), 0640), 0);

    // A command that changes bytes and then fails: nothing of it reaches the file.
    const Status refused = ChangeRomImage(rom, [](RomStream& image) {
        EXPECT_TRUE(ChangeSomeBytes(image, true).ok());
        return Status(Failure{"適用できません。"});
    });
    EXPECT_EQ(refused.message(), "適用できません。");
    EXPECT_TRUE(test::ReadFileBytes(rom) == Image());

    const Status grown =
        ChangeRomImage(rom, [](RomStream& image) { return ChangeSomeBytes(image, true); });
    ASSERT_TRUE(grown.ok()) << grown.message();
    EXPECT_TRUE(test::ReadFileBytes(rom) == Changed(true));
    struct stat info {};
    ASSERT_EQ(::stat(rom.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(test::FileNamesIn(dir.path()), (std::vector<std::string>{"game.smc"}));

    // A change that cuts the image replaces the file with the shorter one the same way.
    const Bytes grownBytes = Changed(true);
    const Status cut = ChangeRomImage(rom, [](RomStream& image) {
        return image.shorten(0x200001) ? Status() : Status(Failure{"cut"});
    });
    ASSERT_TRUE(cut.ok()) << cut.message();
    EXPECT_TRUE(test::ReadFileBytes(rom) ==
                Bytes(grownBytes.begin(), grownBytes.begin() + 0x200001));
    ASSERT_EQ(::stat(rom.c_str(), &info), 0);
    EXPECT_EQ(info.st_size, 0x200001);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(test::FileNamesIn(dir.path()), (std::vector<std::string>{"game.smc"}));

    // A change that changes nothing does not touch the file.
    const ino_t before = info.st_ino;
    ASSERT_TRUE(ChangeRomImage(rom, [](RomStream&) { return Status(); }).ok());
    ASSERT_EQ(::stat(rom.c_str(), &info), 0);
    EXPECT_EQ(info.st_ino, before);
}

TEST(RomImageEditTest, WhatIsNotAnImageFileIsNotOpened)
{
    test::TempDir dir;
    const fs::path fifo = dir.path() / "fifo.smc";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const fs::path& path : {dir.path() / "missing.smc", dir.path(), fifo}) {
        bool ran = false;
        const Status status = ChangeRomImage(path, [&](RomStream&) {
            ran = true;
            return Status();
        });
        EXPECT_EQ(status.message(), "ファイルが開けません。\n" + path.filename().string());
        EXPECT_FALSE(ran);
    }
    EXPECT_FALSE(fs::exists(dir.path() / "missing.smc"));
}

// A rename would replace a read-only file in a folder the user may write; the image the user
// made read-only is refused as it was when it was opened for writing in place, and so is any
// other file of theirs.
TEST(RomImageEditTest, AReadOnlyImageIsNotOpenedForAChange)
{
    test::TempDir dir;
    const fs::path folder = dir.path() / "shared";
    fs::create_directory(folder);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0777), 0);
    const fs::path rom = folder / "game.smc";
    const Bytes image = Image();
    std::ofstream(rom, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    const fs::path other = folder / "sheet.gif";
    std::ofstream(other) << "old";
    ASSERT_EQ(::chmod(rom.c_str(), 0444), 0);
    ASSERT_EQ(::chmod(other.c_str(), 0444), 0);

    const int result = test::RunUnprivileged([&] {
        bool ran = false;
        const Status changed = ChangeRomImage(rom, [&](RomStream& stream) {
            ran = true;
            return ChangeSomeBytes(stream, false);
        });
        if (changed.message() != "ファイルが開けません。\ngame.smc" || ran)
            return 10;
        const Bytes bytes{'n', 'e', 'w'};
        if (WriteFileAtomically(other, bytes).message() != "ファイルに書き込めません。\n" + other.string())
            return 11;
        return 0;
    });
    ASSERT_NE(result, test::kChildCannotTest) << "could not drop privileges";
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(test::ReadFileBytes(rom) == image);
    EXPECT_EQ(test::ReadFileBytes(other), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(test::FileNamesIn(folder), (std::vector<std::string>{"game.smc", "sheet.gif"}));
}

TEST(RomImageEditTest, AnImageReachedThroughALinkIsChangedWhereItLies)
{
    test::TempDir dir;
    fs::create_directory(dir.path() / "roms");
    const fs::path real = dir.path() / "roms" / "game.smc";
    {
        const Bytes image = Image();
        std::ofstream(real, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    }
    const fs::path link = dir.path() / "current.smc";
    fs::create_symlink("roms/game.smc", link);

    ImageChangeOptions options;
    options.backup = true;
    ASSERT_TRUE(
        ChangeRomImage(link, [](RomStream& image) { return ChangeSomeBytes(image, false); }, options)
            .ok());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_TRUE(test::ReadFileBytes(real) == Changed(false));
    // The image as it was is kept beside the image file.
    EXPECT_TRUE(test::ReadFileBytes(dir.path() / "roms" / "game.smc.bak") == Image());
    EXPECT_EQ(test::FileNamesIn(dir.path() / "roms"), (std::vector<std::string>{"game.smc", "game.smc.bak"}));
}

// The disk fills after N bytes of the new image: the command fails with the write message and
// the image stays byte for byte as it was, also when the change lengthens it.
TEST(RomImageEditTest, AWriteThatFailsPartWayLeavesTheImageAsItWas)
{
    test::TempDir dir;
    const fs::path rom = dir.write("game.smc", Image());
    for (const bool grow : {false, true}) {
        for (const std::uint64_t limit : {std::uint64_t{0}, std::uint64_t{1}, std::uint64_t{0x10000},
                                          std::uint64_t{kImageSize / 2}, std::uint64_t{kImageSize - 1},
                                          std::uint64_t{kImageSize + 0xFFFF}}) {
            if (!grow && limit >= kImageSize)
                continue;
            const int result = test::RunWithFileSizeLimit(limit, [&] {
                const Status status = ChangeRomImage(
                    rom, [&](RomStream& image) { return ChangeSomeBytes(image, grow); });
                return status.message() == "ファイルに書き込めません。\ngame.smc" ? 0 : 10;
            });
            EXPECT_EQ(result, 0) << limit << (grow ? " growing" : "");
            EXPECT_TRUE(test::ReadFileBytes(rom) == Image()) << limit;
            EXPECT_EQ(test::FileNamesIn(dir.path()), (std::vector<std::string>{"game.smc"})) << limit;
        }
    }
}

// The backup cannot be written in full: nothing changes and no temporary file is left, neither
// of the backup nor of the image.
TEST(RomImageEditTest, ABackupThatFailsPartWayLeavesNoTemporaryFile)
{
    test::TempDir dir;
    const fs::path rom = dir.write("game.smc", Image());
    ImageChangeOptions options;
    options.backup = true;
    for (const std::uint64_t limit :
         {std::uint64_t{0}, std::uint64_t{0x10000}, std::uint64_t{kImageSize - 1}}) {
        const int result = test::RunWithFileSizeLimit(limit, [&] {
            const Status status = ChangeRomImage(
                rom, [](RomStream& image) { return ChangeSomeBytes(image, false); }, options);
            return status.message() == "ファイルに書き込めません。\ngame.smc.bak" ? 0 : 10;
        });
        EXPECT_EQ(result, 0) << limit;
        EXPECT_TRUE(test::ReadFileBytes(rom) == Image()) << limit;
        EXPECT_EQ(test::FileNamesIn(dir.path()), (std::vector<std::string>{"game.smc"})) << limit;
    }
}

// A backup that is the image itself (a link to it, another name of it) would be replaced by
// the change: the change is refused before anything is written.
TEST(RomImageEditTest, ABackupThatIsTheImageIsRefused)
{
    ImageChangeOptions options;
    options.backup = true;
    for (const bool hard : {false, true}) {
        test::TempDir dir;
        const fs::path rom = dir.write("game.smc", Image());
        const fs::path backup = dir.path() / "game.smc.bak";
        if (hard)
            fs::create_hard_link(rom, backup);
        else
            fs::create_symlink("game.smc", backup);
        const Status status = ChangeRomImage(
            rom, [](RomStream& image) { return ChangeSomeBytes(image, false); }, options);
        EXPECT_EQ(status.message(), "出力先が入力ファイルと同じです。\ngame.smc.bak") << hard;
        EXPECT_EQ(CheckImageChangeInputs(rom, {}, options).message(), status.message());
        EXPECT_TRUE(test::ReadFileBytes(rom) == Image()) << hard;
        EXPECT_EQ(test::FileNamesIn(dir.path()),
                  (std::vector<std::string>{"game.smc", "game.smc.bak"}));
        EXPECT_EQ(fs::is_symlink(backup), !hard);
        // Without a backup the same change is made.
        EXPECT_TRUE(ChangeRomImage(rom, [](RomStream& image) {
                        return ChangeSomeBytes(image, false);
                    }).ok());
        EXPECT_TRUE(test::ReadFileBytes(rom) == Changed(false));
    }
}

// The image may not be one of the command's inputs, nor may its backup.
TEST(RomImageEditTest, AnImageOrBackupThatIsAnInputIsRefused)
{
    test::TempDir dir;
    const fs::path rom = dir.write("game.smc", Image());
    const fs::path patch = dir.write("fix.ips", "PATCH");
    fs::create_symlink("game.smc", dir.path() / "song.mml");
    fs::create_hard_link(patch, dir.path() / "game.smc.bak");
    ImageChangeOptions backup;
    backup.backup = true;
    const fs::path song = dir.path() / "song.mml";
    EXPECT_EQ(CheckImageChangeInputs(rom, std::span(&song, 1)).message(),
              "出力先が入力ファイルと同じです。\ngame.smc");
    EXPECT_EQ(CheckImageChangeInputs(rom, std::span(&patch, 1)).message(), "");
    EXPECT_EQ(CheckImageChangeInputs(rom, std::span(&patch, 1), backup).message(),
              "出力先が入力ファイルと同じです。\ngame.smc.bak");
    fs::remove(dir.path() / "game.smc.bak");
    EXPECT_EQ(CheckImageChangeInputs(rom, std::span(&patch, 1), backup).message(), "");
}

// The same on a real file system that is full: a small tmpfs mounted in a mount namespace of
// the test's own, where the system lets the test make one.
TEST(RomImageEditTest, AFullFileSystemLeavesTheImageAsItWas)
{
    test::TempDir dir;
    const fs::path mountPoint = dir.path() / "small";
    fs::create_directory(mountPoint);
    const int result = test::RunInChild([&] {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=6m") != 0)
            return test::kChildCannotTest;
        const fs::path rom = mountPoint / "game.smc";
        const Bytes image = Image();
        std::ofstream(rom, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        // The new image needs another 4 MiB beside the old one; only 2 MiB are free.
        const Status status =
            ChangeRomImage(rom, [](RomStream& changed) { return ChangeSomeBytes(changed, true); });
        if (status.message() != "ファイルに書き込めません。\ngame.smc")
            return 10;
        if (test::ReadFileBytes(rom) != image)
            return 11;
        if (test::FileNamesIn(mountPoint) != std::vector<std::string>{"game.smc"})
            return 12;
        return 0;
    });
    if (result == test::kChildCannotTest)
        GTEST_SKIP() << "no mount namespace for a small file system here";
    EXPECT_EQ(result, 0);
}

} // namespace
} // namespace varn
