#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>

#include <filesystem>
#include <fstream>

#include "MmlTestSupport.h"
#include "SongImage.h"
#include "rom/HexText.h"
#include "rom/RomStream.h"
#include "support/ByteCompare.h"
#include "support/ChildProcess.h"
#include "support/RomImageBuilder.h"
#include "support/TempDir.h"
#include "support/ToolRun.h"
#include "text/Cp932.h"

namespace varn::test {
namespace {

ToolRun RunMml(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), {VARNWORK_CLI, "mml"});
    return RunTool(arguments);
}

constexpr std::string_view kSong = "#TITLE Forest;\n#COMPOSER Someone;\n#WAVE 0x20, 3;\n"
                                   "@0x20 v100 [2 c8 d8 | e4 ] $ f4;\nc2;\n";

TEST(MmlCliTest, CompileWritesTheSongIntoTheImage)
{
    TempDir dir;
    const Bytes original = RomImageBuilder(RomImageBuilder::kExpandedSize).build();
    const auto rom = dir.write("rom.smc", original);
    const auto mml = dir.write("song.mml", kSong);

    const ToolRun run = RunMml({"compile", mml.string(), rom.string(), "--music", "B0", "--address",
                                "500004", "--map-battle", "5", "--monster-battle", "0x1F0",
                                "--map-theme", "0x1D", "--map-theme", "2"});
    ASSERT_EQ(run.exitCode, 0) << run.err;

    MemoryRomStream expected(original);
    MML same;
    same.source = std::string(kSong);
    same.musicNumber = 0xB0;
    same.writeAddress = 0x500004;
    same.mapBattle = {5};
    same.monsterBattle = {0x1F0};
    same.mapTheme = {0x1D, 2};
    ASSERT_TRUE(same.CompileToStream(expected).ok());
    // 38 header bytes, 18 bytes in channel 1 and 2 in channel 2.
    EXPECT_EQ(run.out, "last address: 50003D\n");
    EXPECT_TRUE(test::SameBytes(expected.bytes(), ReadFileBytes(rom)));
    EXPECT_EQ(ReadFileBytes(rom)[0x5E0EC0 + 5], 0xB0);
}

TEST(MmlCliTest, CompileReportsTheCompilersMessage)
{
    TempDir dir;
    const Bytes original = RomImageBuilder(RomImageBuilder::kExpandedSize).build();
    const auto rom = dir.write("rom.smc", original);
    const auto bad = dir.write("bad.mml", "c4\nc5;");
    const auto good = dir.write("good.mml", "c4;");

    const ToolRun parse =
        RunMml({"compile", bad.string(), rom.string(), "--music", "10", "--address", "500004"});
    EXPECT_EQ(parse.exitCode, 2);
    EXPECT_EQ(parse.err, "音長指定が不正です。\nline = 2\n\n");
    EXPECT_EQ(parse.out, "");

    const ToolRun range = RunMml({"compile", good.string(), rom.string(), "--music", "10",
                                  "--address", "500004", "--map-battle", "300"});
    EXPECT_EQ(range.exitCode, 2);
    EXPECT_EQ(range.err, "マップ別戦闘曲の指定が不正です。\n0x12C\n");
    EXPECT_TRUE(test::SameBytes(original, ReadFileBytes(rom)));

    const ToolRun missing = RunMml({"compile", good.string(), (dir.path() / "no.smc").string(),
                                    "--music", "10", "--address", "500004"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.err, "ファイルが開けません。\n");
}

TEST(MmlCliTest, BadCommandLinesPrintTheUsage)
{
    TempDir dir;
    const auto mml = dir.write("song.mml", kSong);
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"play"},
        {"compile", mml.string(), "rom.smc", "--address", "500004"},
        {"compile", mml.string(), "rom.smc", "--music", "100", "--address", "500004"},
        {"compile", mml.string(), "rom.smc", "--music", "zz", "--address", "500004"},
        {"compile", mml.string(), "rom.smc", "--music", "10", "--address", "1000000"},
        {"compile", mml.string(), "rom.smc", "--music", "10", "--address", "0", "--map-theme", "x"},
        {"compile", mml.string(), "--music", "10", "--address", "0"},
        {"build", mml.string(), "out.bin"},
        {"build", mml.string(), "--music", "10", "--address", "0", "out.bin"},
        {"measure"},
        {"measure", mml.string(), "--address", "0"},
        {"info", mml.string(), mml.string()},
    };
    for (const auto& arguments : cases) {
        const ToolRun run = RunMml(arguments);
        EXPECT_EQ(run.exitCode, 1) << ::testing::PrintToString(arguments);
        EXPECT_NE(run.err.find("usage:"), std::string::npos);
    }
}

TEST(MmlCliTest, BuildWritesOnlyTheSongBlock)
{
    TempDir dir;
    const auto mml = dir.write("song.mml", kSong);
    const auto out = dir.path() / "song.bin";
    const ToolRun run = RunMml({"build", mml.string(), "--address", "0x3F0000", out.string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Bytes block = SongBlockOf(kSong, 0x3F0000);
    EXPECT_EQ(ReadFileBytes(out), block);
    EXPECT_EQ(block.size(), 0x3Au);
    EXPECT_EQ(run.out, "last address: 3F0039\n");

    const auto empty = dir.write("empty.mml", "{ nothing }");
    const ToolRun failed = RunMml({"build", empty.string(), "--address", "0", out.string()});
    EXPECT_EQ(failed.exitCode, 2);
    EXPECT_EQ(failed.err, "Channel1にデータがありません。\n");
    EXPECT_EQ(ReadFileBytes(out), block);
}

TEST(MmlCliTest, MeasureAndInfo)
{
    TempDir dir;
    const auto mml = dir.write("song.mml", std::string(49, 'c') + ";" + std::string(49, 'd'));
    const ToolRun measure = RunMml({"measure", mml.string()});
    EXPECT_EQ(measure.exitCode, 0) << measure.err;
    EXPECT_EQ(measure.out, "138\n");

    const auto loops = dir.write("loops.mml", "c; ]");
    const ToolRun failed = RunMml({"measure", loops.string()});
    EXPECT_EQ(failed.exitCode, 2);
    EXPECT_EQ(failed.err, "ループコマンドの数が不正です。\nChannel = 2\n");

    // A Shift-JIS file: the title is "森の歌".
    const auto sjis = dir.write("sjis.mml", "#TITLE \x90\x58\x82\xCC\x89\xCC;\n#ORIGINAL x;c;");
    const ToolRun info = RunMml({"info", sjis.string()});
    EXPECT_EQ(info.exitCode, 0) << info.err;
    EXPECT_EQ(info.out, "曲名：森の歌\n原作：x\n");

    const ToolRun infoFailed = RunMml({"info", loops.string() + ".missing"});
    EXPECT_EQ(infoFailed.exitCode, 2);
    EXPECT_EQ(infoFailed.err.rfind("ファイルが開けません。\n", 0), 0u);

    const auto broken = dir.write("broken.mml", "#TITLE a;\n#DRUM q;");
    const ToolRun brokenInfo = RunMml({"info", broken.string()});
    EXPECT_EQ(brokenInfo.exitCode, 2);
    EXPECT_EQ(brokenInfo.err, "ドラムセットの書式が不正です。\nline = 2\n");
}

// An expanded image of the target game where only the songs given have a pointer entry.
RomImageBuilder ImageWithSongs(const std::vector<std::pair<int, Bytes>>& firstChannels)
{
    RomImageBuilder image = RomImageBuilder::Target(RomImageBuilder::kExpandedSize);
    for (int number = 0; number < 0xFF; ++number)
        image.bytes(SongTableOffsets(0, number)->pointer, {0, 0, 0});
    std::uint32_t at = 0x500004;
    for (const auto& [number, channel] : firstChannels) {
        ChannelStreams channels;
        channels[0] = channel;
        SongEntries entries;
        entries.storedPointer = at;
        PutSongEntries(image, 0, number, entries);
        const Bytes block = HighBlock(at, channels);
        image.bytes(at, block);
        at += static_cast<std::uint32_t>(block.size());
    }
    return image;
}

std::string DecompiledText(const Bytes& image, int number)
{
    MemoryRomStream stream(image, false);
    MML mml;
    mml.musicNumber = number;
    return mml.ReverseCompile(stream).value();
}

TEST(MmlCliTest, DecompileWritesOneSong)
{
    TempDir dir;
    const Bytes image = ImageWithSongs({{0x60, {0xDC, 0x20, 0x04, 0xEB}}}).build();
    const auto rom = dir.write("rom.smc", image);
    const auto out = dir.path() / "out.mml";
    const ToolRun run = RunMml({"decompile", rom.string(), "--music", "60", out.string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "written " + out.string() + "\n");
    const std::string expected = *Utf8ToCp932(DecompiledText(image, 0x60));
    EXPECT_EQ(ReadFileBytes(out), Bytes(expected.begin(), expected.end()));

    // Behind a copier header, and under a title named on the command line.
    RomImageBuilder headered = ImageWithSongs({{0x60, {0x23, 0xEB}}});
    headered.copierHeader();
    const auto headeredRom = dir.write("headered.smc", headered.build());
    const ToolRun shifted = RunMml({"decompile", headeredRom.string(), "--music", "60",
                                    out.string(), "--title", "VARNHOLD EPICS3"});
    ASSERT_EQ(shifted.exitCode, 0) << shifted.err;
    const Bytes written = ReadFileBytes(out);
    EXPECT_EQ(ChannelLines(DecodeTextFileBytes(std::string(written.begin(), written.end()))).at(0),
              "d8;");
}

TEST(MmlCliTest, DecompileReportsWhyNot)
{
    TempDir dir;
    const auto rom = dir.write("rom.smc", ImageWithSongs({{0x60, {0x04, 0xE9}}}).build());
    const auto untitled = dir.write("untitled.smc", RomImageBuilder().build());
    const auto out = dir.path() / "out.mml";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"decompile", (dir.path() / "no.smc").string(), "--music", "60", out.string()},
         "読み込みファイルが存在しません。\n"},
        {{"decompile", untitled.string(), "--music", "60", out.string()},
         "このROMには対応していません。\n"},
        {{"decompile", rom.string(), "--music", "60", out.string()},
         "この曲はMML化できません。\n不明な制御コード：E9\n"},
        {{"decompile", rom.string(), "--music", "FF", out.string()},
         "音楽番号の指定が不正です。\n0xFF\n"},
        {{"decompile", rom.string(), "--music", "61", out.string()},
         "この曲はMML化できません。\n曲のデータがありません。\n"},
    };
    for (const auto& [arguments, message] : cases) {
        const ToolRun run = RunMml(arguments);
        EXPECT_EQ(run.exitCode, 2) << ::testing::PrintToString(arguments);
        EXPECT_EQ(run.err, message);
        EXPECT_FALSE(std::filesystem::exists(out));
    }

    const std::vector<std::vector<std::string>> usage = {
        {"decompile"},
        {"decompile", rom.string()},
        {"decompile", rom.string(), "--music", "60"},
        {"decompile", rom.string(), out.string()},
        {"decompile", rom.string(), "--music", "1FF", out.string()},
        {"decompile", rom.string(), "--music", "60", out.string(), "--all", dir.path().string()},
        {"decompile", rom.string(), "--music", "60", out.string(), "--title", "VARNHOLD EPICS4"},
        {"decompile", rom.string(), "--all"},
        {"decompile", rom.string(), rom.string(), "--all", dir.path().string()},
        {"decompile", rom.string(), "--music", "60", out.string(), "--address", "500004"},
    };
    for (const auto& arguments : usage) {
        const ToolRun run = RunMml(arguments);
        EXPECT_EQ(run.exitCode, 1) << ::testing::PrintToString(arguments);
        EXPECT_NE(run.err.find("usage:"), std::string::npos);
    }
}

TEST(MmlCliTest, DecompileAllWritesEveryReadableSong)
{
    TempDir dir;
    const Bytes image =
        ImageWithSongs({{0x00, {0x04, 0xEB}}, {0x61, {0x04, 0xE9}}, {0xFE, {0x1C, 0xEB}}}).build();
    const auto rom = dir.write("rom.smc", image);
    const auto songs = dir.path() / "songs" / "all";
    const ToolRun run = RunMml({"decompile", rom.string(), "--all", songs.string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;

    std::vector<std::string> expected;
    for (int number = 0; number < 0xFF; ++number) {
        const std::string hex = HexDigits(number, 2);
        if (number == 0x00 || number == 0xFE)
            expected.push_back(hex + " written " + (songs / (hex + ".mml")).string());
        else if (number == 0x61)
            expected.push_back(hex + " skipped: この曲はMML化できません。 不明な制御コード：E9");
        else
            expected.push_back(hex + " skipped: この曲はMML化できません。 曲のデータがありません。");
    }
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < run.out.size()) {
        const std::size_t end = run.out.find('\n', pos);
        lines.push_back(run.out.substr(pos, end - pos));
        pos = end + 1;
    }
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(FileNamesIn(songs), (std::vector<std::string>{"00.mml", "FE.mml"}));
    const std::string last = *Utf8ToCp932(DecompiledText(image, 0xFE));
    EXPECT_EQ(ReadFileBytes(songs / "FE.mml"), Bytes(last.begin(), last.end()));

    // Nothing readable: every number is listed, and the command fails.
    const auto empty = dir.write("empty.smc", ImageWithSongs({}).build());
    const ToolRun none = RunMml({"decompile", empty.string(), "--all", songs.string()});
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_EQ(none.err, "no song written\n");
    EXPECT_EQ(std::count(none.out.begin(), none.out.end(), '\n'), 0xFF);

    // A file in the place of the folder.
    const auto file = dir.write("file", "x");
    const ToolRun blocked = RunMml({"decompile", rom.string(), "--all", file.string()});
    EXPECT_EQ(blocked.exitCode, 2);
    EXPECT_EQ(blocked.err, "ファイルに書き込めません。\n" + file.string() + "\n");
}

// The lines of a listing, without their line ends.
std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find('\n', pos);
        lines.push_back(text.substr(pos, end - pos));
        pos = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

// A file system that fills while the songs are written: a small tmpfs mounted in a mount
// namespace of the test's own, where the system lets the test make one. The songs that did not
// fit are listed as failed, apart from those the image does not hold, and the command fails
// although others were written; those are whole, and no temporary file is left.
TEST(MmlCliTest, DecompileAllOnAFullFileSystemSaysWhichSongsFailedAndFails)
{
    TempDir dir;
    std::vector<std::pair<int, Bytes>> songs;
    for (int number = 0; number < 12; ++number)
        songs.push_back({number, {0x04, 0xEB}});
    const Bytes image = ImageWithSongs(songs).build();
    const auto rom = dir.write("rom.smc", image);
    const std::filesystem::path mountPoint = dir.path() / "small";
    std::filesystem::create_directory(mountPoint);
    const std::filesystem::path kept = dir.path() / "kept";
    const int result = RunInChild([&] {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0)
            return kChildCannotTest;
        // Room for three pages, so for three of the twelve small song files.
        std::ofstream(mountPoint / "filler", std::ios::binary)
            << std::string(64 * 1024 - 3 * 4096, 'f');
        const ToolRun run =
            RunMml({"decompile", rom.string(), "--all", (mountPoint / "songs").string()});
        // What the small file system holds goes where the test can see it once the child is gone.
        std::filesystem::copy(mountPoint / "songs", kept);
        dir.write("out", run.out);
        dir.write("err", run.err);
        return run.exitCode;
    });
    if (result == kChildCannotTest)
        GTEST_SKIP() << "no mount namespace for a small file system here";
    EXPECT_EQ(result, 2);

    const Bytes out = ReadFileBytes(dir.path() / "out");
    const std::vector<std::string> lines = Lines(std::string(out.begin(), out.end()));
    ASSERT_EQ(lines.size(), 0xFFu);
    std::vector<std::string> written;
    int failed = 0;
    for (int number = 0; number < 0xFF; ++number) {
        const std::string hex = HexDigits(number, 2);
        const std::filesystem::path path = mountPoint / "songs" / (hex + ".mml");
        const std::string& line = lines[static_cast<std::size_t>(number)];
        if (number >= 12) {
            EXPECT_EQ(line, hex + " skipped: この曲はMML化できません。 曲のデータがありません。");
        } else if (line == hex + " written " + path.string()) {
            written.push_back(hex + ".mml");
            const std::string text = *Utf8ToCp932(DecompiledText(image, number));
            EXPECT_EQ(ReadFileBytes(kept / (hex + ".mml")), Bytes(text.begin(), text.end())) << hex;
        } else {
            EXPECT_EQ(line, hex + " failed: ファイルに書き込めません。 " + path.string());
            ++failed;
        }
    }
    EXPECT_GE(written.size(), 1u);
    EXPECT_GE(failed, 1);
    EXPECT_EQ(FileNamesIn(kept), written);
    const Bytes err = ReadFileBytes(dir.path() / "err");
    EXPECT_EQ(std::string(err.begin(), err.end()),
              std::to_string(failed) + " songs could not be written\n");
}

// Under a file size limit below a song file's size (`ulimit -f`), every song fails with the
// write message instead of the tool being stopped by the limit's signal; the old files stay and
// no temporary file is left.
TEST(MmlCliTest, DecompileAllUnderAFileSizeLimitFailsWithTheWriteMessage)
{
    TempDir dir;
    const Bytes image = ImageWithSongs({{0x00, {0x04, 0xEB}}, {0x07, {0x1C, 0xEB}}}).build();
    const auto rom = dir.write("rom.smc", image);
    const auto songs = dir.path() / "songs";
    std::filesystem::create_directory(songs);
    dir.write("songs/00.mml", "old");
    const ToolRun run = RunToolWithFileSizeLimit(
        16, {VARNWORK_CLI, "mml", "decompile", rom.string(), "--all", songs.string()});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "2 songs could not be written\n");
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 0xFFu);
    for (const int number : {0x00, 0x07}) {
        const std::string hex = HexDigits(number, 2);
        EXPECT_EQ(lines[static_cast<std::size_t>(number)],
                  hex + " failed: ファイルに書き込めません。 " + (songs / (hex + ".mml")).string());
    }
    EXPECT_EQ(ReadFileBytes(songs / "00.mml"), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(FileNamesIn(songs), std::vector<std::string>{"00.mml"});
}

} // namespace
} // namespace varn::test
