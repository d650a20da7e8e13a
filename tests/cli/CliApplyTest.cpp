#include <gtest/gtest.h>

#include "CliRunner.h"
#include "support/ByteCompare.h"
#include "support/RomImageBuilder.h"
#include "support/TempDir.h"

namespace varn::test {
namespace {

using Bytes = std::vector<std::uint8_t>;


Bytes Ips(std::initializer_list<Bytes> records)
{
    Bytes ips{'P', 'A', 'T', 'C', 'H'};
    for (const Bytes& record : records)
        ips.insert(ips.end(), record.begin(), record.end());
    return ips;
}

TEST(CliIpsTest, AppliesThePatchToTheImageFile)
{
    TempDir dir;
    const Bytes original = RomImageBuilder(0x1000).build();
    const auto rom = dir.write("image.smc", original);
    // A run at 0x200, and a record past the end that lengthens the image.
    const auto ips = dir.write("fix.ips", Ips({{0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x03, 0xFF},
                                               {0x00, 0x10, 0x02, 0x00, 0x02, 0xAA, 0xBB},
                                               {'E', 'O', 'F'}}));
    const CliRun run = RunCli({"ips", rom.string(), ips.string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "applied fix.ips to image.smc\n");
    EXPECT_EQ(run.err, "");

    Bytes expected = original;
    std::fill_n(expected.begin() + 0x200, 3, 0xFF);
    expected.resize(0x1004, 0);
    expected[0x1002] = 0xAA;
    expected[0x1003] = 0xBB;
    EXPECT_TRUE(test::SameBytes(expected, ReadFileBytes(rom)));
}

TEST(CliIpsTest, RefusalsExitTwoAndLeaveTheImage)
{
    TempDir dir;
    const Bytes original = RomImageBuilder(0x1000).build();
    const auto rom = dir.write("image.smc", original);
    const auto cut = dir.write("cut.ips", Ips({{0x00, 0x00, 0x10, 0x00, 0x01, 0xAA},
                                               {0x00, 0x00, 0x20, 0x00, 0x04, 0x01}}));
    const auto notIps = dir.write("other.ips", Bytes{'P', 'A', 'T', 'C', 'X'});
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"ips", rom.string(), cut.string()}, "ファイルが異常です。\ncut.ips\n"},
        {{"ips", rom.string(), notIps.string()}, "ファイルが異常です。\nother.ips\n"},
        {{"ips", rom.string(), (dir.path() / "missing.ips").string()},
         "ファイルが開けません。\nmissing.ips\n"},
        {{"ips", (dir.path() / "missing.smc").string(), cut.string()},
         "ファイルが開けません。\nmissing.smc\n"},
    };
    for (const auto& [arguments, message] : cases) {
        const CliRun run = RunCli(arguments);
        EXPECT_EQ(run.exitCode, 2) << message;
        EXPECT_EQ(run.err, message);
        EXPECT_EQ(run.out, "");
    }
    EXPECT_TRUE(test::SameBytes(original, ReadFileBytes(rom)));
}

TEST(CliVnpApplyTest, WritesThePatchIntoTheSlot)
{
    TempDir dir;
    const auto rom = dir.write("image.smc", RomImageBuilder(RomImageBuilder::kPlainSize).build());
    const CliRun run = RunCli({"vnp", "apply", rom.string(), kExample, "--target", "03"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "applied example_character.vnp to image.smc at target 03\n");

    // The name and gender of the example (アルト, 男) at slot 3, its palette at 0x2C8060.
    const Bytes example = ReadFileBytes(kExample);
    const Bytes image = ReadFileBytes(rom);
    ASSERT_EQ(image.size(), RomImageBuilder::kPlainSize);
    EXPECT_TRUE(std::equal(example.begin() + 3, example.begin() + 11, image.begin() + 0x3D1498));
    EXPECT_EQ(image[0x3E0692], 0x95);
    EXPECT_TRUE(std::equal(example.begin() + 22, example.begin() + 54, image.begin() + 0x2C8060));
}

TEST(CliVnpApplyTest, ARefusedEntryExitsTwoAndLeavesTheImage)
{
    TempDir dir;
    const Bytes original = RomImageBuilder(RomImageBuilder::kPlainSize).build();
    const auto rom = dir.write("image.smc", original);
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"vnp", "apply", rom.string(), kExample, "--target", "B0"},
         "追加キャラクターの領域がありません。\nexample_character.vnp\n"},
        {{"vnp", "apply", rom.string(), kExample, "--target", "20"},
         "適用先のキャラクターが正しくありません。\nexample_character.vnp\n"},
        {{"vnp", "apply", rom.string(), (dir.path() / "gone.vnp").string(), "--target", "03"},
         "ファイルが開けません。\ngone.vnp\n"},
    };
    for (const auto& [arguments, message] : cases) {
        const CliRun run = RunCli(arguments);
        EXPECT_EQ(run.exitCode, 2) << message;
        EXPECT_EQ(run.err, message);
    }
    EXPECT_TRUE(test::SameBytes(original, ReadFileBytes(rom)));
}


TEST(CliApplyListTest, AppliesTheExampleListInOrder)
{
    TempDir dir;
    const auto rom = dir.write("game.smc", RomImageBuilder::ReadyForPatchList().build());
    const CliRun run =
        RunCli({"apply", rom.string(), std::string(VARN_EXAMPLES_DIR) + "/example_list.txt"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "applied IPS example.ips\n"
                       "applied vnp example_character.vnp at target B0\n"
                       "applied MML song.mml as music B0\n"
                       "written game.smc\n");
    const Bytes after = ReadFileBytes(rom);
    const Bytes example = ReadFileBytes(kExample);
    EXPECT_TRUE(std::equal(example.begin() + 3, example.begin() + 11, after.begin() + 0x3D1A00));
    EXPECT_EQ(after[0x500000], 0xB1);
}

TEST(CliApplyListTest, ListsThatCannotBeAppliedWhole)
{
    TempDir dir;
    const Bytes ready = RomImageBuilder::ReadyForPatchList().build();
    const Bytes plain = RomImageBuilder(RomImageBuilder::kPlainSize).build();
    dir.write("song.mml", "c4;");
    dir.write("fix.ips", Bytes{'P', 'A', 'T', 'C', 'H', 'E', 'O', 'F'});
    const auto withMissing = dir.write("missing.txt", "fix.ips\r\ngone.vnp, 03\r\n");
    const auto songs = dir.write("songs.txt", "fix.ips\r\nsong.mml\r\n");
    const auto empty = dir.write("empty.txt", "// nothing\r\n");
    struct Case {
        const char* name;
        Bytes image;
        std::filesystem::path list;
        std::string message;
        std::string out; // entries tried in memory before the failing one
    };
    const Case cases[] = {
        {"LineThatDoesNotLoad", ready, withMissing,
         "読み込みに失敗したファイルがあります。\nリストを確認してください。\n", ""},
        {"SongsOnAPlainImage", plain, songs, "MMLの書き込み領域がありません。\n",
         "applied IPS fix.ips\n"},
        {"EmptyList", ready, empty, "パッチファイルを指定してください。\n", ""},
    };
    for (const Case& c : cases) {
        const auto rom = dir.write("image.smc", c.image);
        const CliRun run = RunCli({"apply", rom.string(), c.list.string()});
        EXPECT_EQ(run.exitCode, 2) << c.name;
        EXPECT_EQ(run.err, c.message) << c.name;
        EXPECT_EQ(run.out, c.out) << c.name;
        EXPECT_TRUE(test::SameBytes(c.image, ReadFileBytes(rom))) << c.name;
    }
    const CliRun noImage = RunCli({"apply", (dir.path() / "none.smc").string(), songs.string()});
    EXPECT_EQ(noImage.exitCode, 2);
    EXPECT_EQ(noImage.err.rfind("ファイルが開けません。", 0), 0u) << noImage.err;
}

TEST(CliApplyUsageTest, BadCommandLinesExitOne)
{
    const std::vector<std::string> cases[] = {
        {"ips"},
        {"ips", "image.smc"},
        {"ips", "image.smc", "a.ips", "b.ips"},
        {"ips", "--force", "image.smc", "a.ips"},
        {"vnp", "apply", "image.smc", "a.vnp"},
        {"vnp", "apply", "image.smc", "--target", "03"},
        {"vnp", "apply", "image.smc", "a.vnp", "--target", "3"},
        {"vnp", "apply", "image.smc", "a.vnp", "--target", "0x03"},
        {"vnp", "apply", "image.smc", "a.vnp", "--target", "G3"},
        {"vnp", "apply", "image.smc", "a.vnp", "--target"},
    };
    for (const auto& arguments : cases) {
        const CliRun run = RunCli(arguments);
        EXPECT_EQ(run.exitCode, 1) << arguments.back();
        EXPECT_NE(run.err.find("usage:"), std::string::npos) << arguments.back();
    }
    const CliRun help = RunCli({"--help"});
    EXPECT_NE(help.out.find("  ips ROM PATCH.ips [--backup]\n"), std::string::npos);
    EXPECT_NE(help.out.find("  vnp apply ROM FILE.vnp --target HH [--backup]\n"), std::string::npos);
}

} // namespace
} // namespace varn::test
