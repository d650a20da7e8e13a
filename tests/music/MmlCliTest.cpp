#include <gtest/gtest.h>

#include "MmlTestSupport.h"
#include "rom/RomStream.h"
#include "support/RomImageBuilder.h"
#include "support/TempDir.h"
#include "support/ToolRun.h"

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
    EXPECT_TRUE(ReadFileBytes(rom) == expected.bytes());
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
    EXPECT_TRUE(ReadFileBytes(rom) == original);

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

} // namespace
} // namespace varn::test
