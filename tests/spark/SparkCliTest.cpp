#include <gtest/gtest.h>

#include <sstream>

#include "spark/SparkTable.h"
#include "support/ByteCompare.h"
#include "support/RomImageBuilder.h"
#include "support/TempDir.h"
#include "support/ToolRun.h"
#include "text/TextCodec.h"

namespace varn::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

ToolRun RunSpark(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), {VARNWORK_CLI, "spark"});
    return RunTool(arguments);
}

Bytes TechniqueName(std::string_view text)
{
    Bytes field(10);
    EXPECT_EQ(EncodeText(text, field), 0);
    return field;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

Bytes ImageWithSlot5()
{
    Bytes list(kSparkIndexEntries, 0xFF);
    list[3] = 0x05;
    return RomImageBuilder::Target(RomImageBuilder::kExpandedSize)
        .bytes(kSparkIndexList, list)
        .bytes(0x3D2856, TechniqueName("ツルギ"))
        .bytes(0x3E355D, {0x01, 0x00})
        .bytes(0x5BA032, TechniqueName("ホノオ"))
        .bytes(0x5BF9CA, {0x00, 0x80})
        .build();
}

TEST(SparkCliTest, ShowPrintsTheHeadingsAndOneLinePerRow)
{
    TempDir dir;
    const auto rom = dir.write("rom.smc", ImageWithSlot5());
    const ToolRun run = RunSpark({"show", rom.string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 1u + 205u + 1u);
    EXPECT_EQ(lines[0], "技術名＼閃きタイプ\t太 剣 大 斧 棍 小 槍 弓 体 汎1 汎2 月 蒼 朱 白 玄");
    EXPECT_EQ(lines[1], "【0F】ツルギ\t○ × × × × × × × × × × × × × × ×");
    EXPECT_EQ(lines[206], "【05】ホノオ\t× × × × × × × × × × × × × × × ○");
    EXPECT_EQ(lines[205].rfind("【DB】", 0), 0u);
}

TEST(SparkCliTest, SetWritesOneMask)
{
    TempDir dir;
    const Bytes original = ImageWithSlot5();
    const auto rom = dir.write("rom.smc", original);

    ToolRun run = RunSpark({"set", rom.string(), "--technique", "0f", "--mask", "8002"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "【0F】ツルギ\t× ○ × × × × × × × × × × × × × ○\n");
    Bytes expected = original;
    expected[0x3E355D] = 0x02;
    expected[0x3E355E] = 0x80;
    EXPECT_TRUE(test::SameBytes(expected, ReadFileBytes(rom)));

    run = RunSpark({"set", rom.string(), "--slot", "05", "--mask", "3"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "【05】ホノオ\t○ ○ × × × × × × × × × × × × × ×\n");
    expected[0x5BF9CA] = 0x03;
    expected[0x5BF9CB] = 0x00;
    EXPECT_TRUE(test::SameBytes(expected, ReadFileBytes(rom)));
}

TEST(SparkCliTest, TechniquesTheTableHasNoRowForAreRefused)
{
    TempDir dir;
    const Bytes original = ImageWithSlot5();
    const auto rom = dir.write("rom.smc", original);
    const std::vector<std::string> codes[] = {
        {"--technique", "0E"}, {"--technique", "DC"}, {"--technique", "05"}, {"--slot", "06"},
        {"--slot", "0F"},
    };
    for (const auto& code : codes) {
        const ToolRun run = RunSpark({"set", rom.string(), code[0], code[1], "--mask", "FFFF"});
        EXPECT_EQ(run.exitCode, 2) << code[1];
        EXPECT_EQ(run.err, "閃き適正の表に【" + code[1] + "】の行はありません。\n");
        EXPECT_TRUE(test::SameBytes(original, ReadFileBytes(rom)));
    }

    // An image of another game or revision has no table.
    const Bytes other = RomImageBuilder(RomImageBuilder::kPlainSize).cartridge("VARNHOLD EPICS2", 1).build();
    const auto otherRom = dir.write("other.smc", other);
    for (const std::vector<std::string>& line :
         {std::vector<std::string>{"show", otherRom.string()},
          std::vector<std::string>{"set", otherRom.string(), "--technique", "0F", "--mask", "1"}}) {
        const ToolRun run = RunSpark(line);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.err, "Varnhold Epics3 Ver1.1のsmcファイルではありません。\n");
    }
    EXPECT_TRUE(test::SameBytes(other, ReadFileBytes(otherRom)));
    EXPECT_EQ(RunSpark({"show", (dir.path() / "missing.smc").string()}).exitCode, 2);
}

TEST(SparkCliTest, BadCommandLinesAreUsageErrors)
{
    TempDir dir;
    const auto rom = dir.write("rom.smc", ImageWithSlot5());
    const std::vector<std::vector<std::string>> lines = {
        {},
        {"list"},
        {"show"},
        {"show", rom.string(), rom.string()},
        {"set", rom.string(), "--mask", "1"},
        {"set", rom.string(), "--technique", "0F"},
        {"set", rom.string(), "--technique", "0F", "--slot", "05", "--mask", "1"},
        {"set", rom.string(), "--technique", "100", "--mask", "1"},
        {"set", rom.string(), "--technique", "0F", "--mask", "10000"},
        {"set", rom.string(), "--technique", "0F", "--mask", "xyz"},
        {"set", rom.string(), "--technique", "0F", "--mask"},
        {"set", "--technique", "0F", "--mask", "1"},
    };
    for (const auto& line : lines) {
        const ToolRun run = RunSpark(line);
        EXPECT_EQ(run.exitCode, 1) << testing::PrintToString(line) << run.err;
        EXPECT_NE(run.err.find("usage:"), std::string::npos);
    }
}

} // namespace
} // namespace varn::test
