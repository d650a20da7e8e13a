#include <gtest/gtest.h>

#include "SkillTestSupport.h"
#include "rom/HexText.h"
#include "skill/Skill.h"
#include "support/ByteCompare.h"
#include "support/RomImageBuilder.h"
#include "support/TempDir.h"
#include "support/ToolRun.h"

namespace varn::test {
namespace {

ToolRun RunSkill(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), {VARNWORK_CLI, "skill"});
    return RunTool(arguments);
}

Bytes PatternData()
{
    return CompressSkillTiles(EncodeSkillTiles(SkillGif(PatternPixel, {}).frames.front()), 24);
}

TEST(SkillCliTest, ExportSavesTheGraphicThePageShows)
{
    TempDir dir;
    const auto rom = dir.write("rom.smc", RomImageBuilder::Target(RomImageBuilder::kExpandedSize)
                                              .bytes(0x5BFBC0 + 3 * 0xA0, {0x00, 0x00, 0x5D})
                                              .bytes(0x5D0000, PatternData())
                                              .bytes(0x5B8100 + 16 * 0x0B, {0x1F, 0x00, 0xE0, 0x03})
                                              .build());
    const auto out = dir.path() / "graphic.gif";
    const ToolRun run = RunSkill({"export", rom.string(), "--category", "3", "--id", "a0",
                                  "--palette-category", "4", "--palette-id", "0B", out.string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, out.string() + "\n");
    const auto image = LoadGifFile(out);
    ASSERT_TRUE(image.ok()) << image.message();
    EXPECT_EQ(image.value().frames.front().pixels, SkillGif(PatternPixel, {}).frames.front().pixels);
    EXPECT_EQ(image.value().colors[0], (GifColor{248, 0, 0}));
    EXPECT_EQ(image.value().colors[1], (GifColor{0, 248, 0}));
}

TEST(SkillCliTest, ExportReadsBehindACopierHeader)
{
    TempDir dir;
    const auto rom = dir.write("rom.smc", RomImageBuilder::Target(RomImageBuilder::kPlainSize)
                                              .copierHeader()
                                              .bytes(0x2280C0, {0x00, 0x00, 0xE3})
                                              .bytes(0x230000, PatternData())
                                              .build());
    const auto out = dir.path() / "graphic.gif";
    ASSERT_EQ(RunSkill({"export", rom.string(), "--category", "1", "--id", "00",
                        "--palette-category", "3", "--palette-id", "04", out.string()})
                  .exitCode,
              0);
    const auto image = LoadGifFile(out);
    ASSERT_TRUE(image.ok());
    EXPECT_EQ(image.value().frames.front().pixels, SkillGif(PatternPixel, {}).frames.front().pixels);
    EXPECT_EQ(image.value().colors[3], (GifColor{248, 0, 0})) << "built-in palette 4";
}

TEST(SkillCliTest, WriteChangesTheImageAsThePageDoes)
{
    TempDir dir;
    const Bytes original = RomImageBuilder::Target(RomImageBuilder::kExpandedSize).build();
    const auto rom = dir.write("rom.smc", original);
    const auto gif = dir.write("in.gif", GifBytes(SkillGif(PatternPixel, DistinctColours(8))));

    const ToolRun run =
        RunSkill({"write", rom.string(), gif.string(), "--id", "7F", "--address", "1f0000",
                  "--palette-id", "12"});
    ASSERT_EQ(run.exitCode, 0) << run.err;

    MemoryRomStream expected(original);
    Skill same;
    ASSERT_TRUE(same.ImportImage(gif).ok());
    same.graphicCategory = 3;
    same.graphicId = 0x7F;
    same.paletteCategory = 4;
    same.paletteId = 0x12;
    same.writeAddress = 0x1F0000;
    ASSERT_TRUE(same.WriteGraphic(expected).ok());
    EXPECT_EQ(run.out, "last address: " + HexDigits(same.writeAddress, 6) + "\n");
    EXPECT_EQ(same.writeAddress, static_cast<int>(0x1F0000 + PatternData().size() - 1));
    EXPECT_TRUE(test::SameBytes(expected.bytes(), ReadFileBytes(rom)));

    // Without --palette-id the palette table stays; the default address is 5D0000.
    const auto plain = dir.write("plain.smc", original);
    ASSERT_EQ(RunSkill({"write", plain.string(), gif.string(), "--id", "00"}).exitCode, 0);
    const Bytes after = ReadFileBytes(plain);
    EXPECT_EQ((Bytes(after.begin() + 0x5BFBC0, after.begin() + 0x5BFBC3)), (Bytes{0x00, 0x00, 0x5D}));
    EXPECT_TRUE(std::equal(original.begin() + 0x5B8100, original.begin() + 0x5B9100,
                           after.begin() + 0x5B8100));
}

// The title found behind a copier header moves every offset written by its 512 bytes, not the
// pointer's value.
TEST(SkillCliTest, WriteGoesBehindACopierHeader)
{
    TempDir dir;
    const auto rom = dir.write(
        "rom.smc", RomImageBuilder::Target(RomImageBuilder::kExpandedSize).copierHeader().build());
    const auto gif = dir.write("in.gif", GifBytes(SkillGif(PatternPixel, DistinctColours(8))));
    const ToolRun run = RunSkill({"write", rom.string(), gif.string(), "--id", "00"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Bytes after = ReadFileBytes(rom);
    EXPECT_EQ((Bytes(after.begin() + 0x200 + 0x5BFBC0, after.begin() + 0x200 + 0x5BFBC3)),
              (Bytes{0x00, 0x00, 0x5D}));
    const Bytes data = PatternData();
    EXPECT_TRUE(std::equal(data.begin(), data.end(), after.begin() + 0x200 + 0x5D0000));
}

TEST(SkillCliTest, RefusedWritesLeaveTheImageAsItWas)
{
    TempDir dir;
    const Bytes expanded = RomImageBuilder::Target(RomImageBuilder::kExpandedSize).build();
    const Bytes plain = RomImageBuilder::Target(RomImageBuilder::kPlainSize).build();
    const Bytes epics2 =
        RomImageBuilder(RomImageBuilder::kExpandedSize).cartridge("VARNHOLD EPICS2", 0).build();
    const auto gif = dir.write("in.gif", GifBytes(SkillGif(PatternPixel, DistinctColours(8))));
    const auto colour8 = dir.write(
        "colour8.gif", GifBytes(SkillGif([](int x, int y) { return x == 5 && y == 6 ? 8 : 0; },
                                         DistinctColours(16))));
    struct Case {
        const char* what;
        Bytes image;
        std::vector<std::string> arguments; // after ROM
        std::string message;
    };
    const Case cases[] = {
        {"data past the end", expanded, {gif.string(), "--id", "00", "--address", "5FFF80"},
         kSkillOutsideImageMessage},
        {"no reserved area", plain, {gif.string(), "--id", "00", "--address", "1F0000"},
         kSkillOutsideImageMessage},
        {"the second game", epics2, {gif.string(), "--id", "00"}, kSkillNotWritableMessage},
        {"an unusable colour", expanded, {colour8.string(), "--id", "00"},
         "使用できない色が検出されました。\nx:5  y:6"},
        {"a missing GIF", expanded, {(dir.path() / "none.gif").string(), "--id", "00"},
         kSkillReadFailedMessage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto rom = dir.write("rom.smc", c.image);
        std::vector<std::string> arguments{"write", rom.string()};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const ToolRun run = RunSkill(arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.err.rfind(c.message, 0), 0u) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(test::SameBytes(c.image, ReadFileBytes(rom)));
    }
}

TEST(SkillCliTest, BadCommandLinesAreUsageErrors)
{
    TempDir dir;
    const auto rom = dir.write("rom.smc", RomImageBuilder::Target().build());
    const std::vector<std::vector<std::string>> lines = {
        {},
        {"show"},
        {"export", rom.string(), "--category", "5", "--id", "00", "--palette-category", "1",
         "--palette-id", "00", "out.gif"},
        {"export", rom.string(), "--category", "0", "--id", "40", "--palette-category", "1",
         "--palette-id", "00", "out.gif"},
        {"export", rom.string(), "--category", "1", "--id", "00", "--palette-category", "3",
         "--palette-id", "05", "out.gif"},
        {"export", rom.string(), "--category", "1", "--id", "00", "out.gif"},
        {"export", rom.string(), "--category", "1", "--id", "100", "--palette-category", "1",
         "--palette-id", "00", "out.gif"},
        {"write", rom.string(), "in.gif"},
        {"write", rom.string(), "in.gif", "--id", "00", "--address", "1000000"},
        {"write", rom.string(), "in.gif", "--id", "00", "--address", "5G0000"},
        {"write", rom.string(), "in.gif", "--id", "00", "--colour", "1"},
        {"write", rom.string(), "--id", "00"},
    };
    for (const auto& line : lines) {
        const ToolRun run = RunSkill(line);
        EXPECT_EQ(run.exitCode, 1) << testing::PrintToString(line) << run.err;
        EXPECT_NE(run.err.find("usage:"), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists("out.gif"));
}

} // namespace
} // namespace varn::test
