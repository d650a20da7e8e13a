// sheet list, sheet export and anim: the character graphics page and the animation window
// from the command line.

#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "CliRunner.h"
#include "charpatch/CharacterPatchFile.h"
#include "graphics/Animation.h"
#include "graphics/CharacterSheetRom.h"
#include "graphics/GifCodec.h"
#include "graphics/SpriteSheet.h"
#include "rom/RomIdentification.h"
#include "rom/RomStream.h"
#include "support/Bytes.h"
#include "support/RomImageBuilder.h"
#include "support/TempDir.h"

namespace varn::test {
namespace {

using Bytes = std::vector<std::uint8_t>;


std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

class CliCharacterGraphicsTest : public testing::Test {
protected:
    CliCharacterGraphicsTest()
    {
        std::mt19937 random(29);
        tiles03 = RandomBytes(7104, random);
        tilesB1 = RandomBytes(7104, random);
        plain = dir.write("plain.smc", RomImageBuilder::Target(RomImageBuilder::kPlainSize)
                                           .bytes(0x2C8060, RandomBytes(32, random))
                                           .bytes(0x1A5520, tiles03)
                                           .build());
        // B1 points at 0x5C0000; B2 at 0x7F0000, past the end of a 6 MiB image.
        expanded = dir.write("expanded.smc",
                             RomImageBuilder::Target(RomImageBuilder::kExpandedSize)
                                 .bytes(0x5A8634, {0x00, 0x00, 0x00, 0x5C})
                                 .bytes(0x5C0000, tilesB1)
                                 .bytes(0x5A8638, {0x00, 0x00, 0x00, 0x7F})
                                 .build());
        otherGame = dir.write("other.smc", RomImageBuilder(RomImageBuilder::kPlainSize)
                                               .cartridge("VARNHOLD EPICS2", 1)
                                               .build());
        copier = dir.write("copier.smc", RomImageBuilder::Target(RomImageBuilder::kPlainSize)
                                             .copierHeader()
                                             .build());
    }

    TempDir dir;
    Bytes tiles03;
    Bytes tilesB1;
    std::filesystem::path plain;
    std::filesystem::path expanded;
    std::filesystem::path otherGame;
    std::filesystem::path copier;
};

TEST_F(CliCharacterGraphicsTest, ListHas32ItemsOnA4MiBImageAnd62OnAnExpandedOne)
{
    const CliRun small = RunCli({"sheet", "list", plain.string()});
    ASSERT_EQ(small.exitCode, 0) << small.err;
    const auto smallLines = Lines(small.out);
    ASSERT_EQ(smallLines.size(), 32U);
    EXPECT_EQ(smallLines[8], "【1B】人物1B");

    const CliRun large = RunCli({"sheet", "list", expanded.string()});
    ASSERT_EQ(large.exitCode, 0) << large.err;
    const auto largeLines = Lines(large.out);
    ASSERT_EQ(largeLines.size(), 62U);
    EXPECT_TRUE(largeLines.back().starts_with("【CD】")) << largeLines.back();
}

TEST_F(CliCharacterGraphicsTest, ExportSavesTheSheetOpaqueOrTransparent)
{
    for (const bool transparent : {false, true}) {
        SCOPED_TRACE(transparent);
        const auto out = dir.path() / (transparent ? "t.gif" : "o.gif");
        std::vector<std::string> arguments{"sheet", "export", plain.string(), "--code", "03",
                                           out.string()};
        if (transparent)
            arguments.push_back("--transparent");
        const CliRun run = RunCli(arguments);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, out.string() + "\n");
        const auto sheet = LoadGifFile(out);
        ASSERT_TRUE(sheet.ok()) << sheet.message();
        EXPECT_EQ(sheet.value().width, 176);
        EXPECT_EQ(sheet.value().frames.at(0).control.value().transparent, transparent);
        const SheetTiles tiles = TilesFromImage(sheet.value());
        EXPECT_TRUE(std::equal(tiles.begin(), tiles.end(), tiles03.begin(), tiles03.end()));
    }

    // An extra code through its pointer; lower-case digits are read too.
    const auto b1 = dir.path() / "b1.gif";
    const CliRun run = RunCli({"sheet", "export", expanded.string(), "--code", "b1", b1.string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto sheet = LoadGifFile(b1);
    ASSERT_TRUE(sheet.ok());
    const SheetTiles tiles = TilesFromImage(sheet.value());
    EXPECT_TRUE(std::equal(tiles.begin(), tiles.end(), tilesB1.begin(), tilesB1.end()));
}

TEST_F(CliCharacterGraphicsTest, ExportRefusalsExitTwoAndWriteNothing)
{
    struct Case {
        const char* name;
        std::filesystem::path rom;
        const char* code;
        std::string message;
    };
    const Case cases[] = {
        {"OtherGame", otherGame, "03", kNotTargetImageMessage},
        {"CopierHeader", copier, "03", kNotTargetImageMessage},
        {"ExtraCodeOnA4MiBImage", plain, "B0", kNoExtraSheetMessage},
        {"CodeNotListed", expanded, "20", kUnknownSheetCodeMessage},
        {"CodePastCD", expanded, "CE", kUnknownSheetCodeMessage},
        {"PointerOutsideTheImage", expanded, "B2", kSheetOutsideImageMessage},
        {"MissingImage", dir.path() / "missing.smc", "03",
         std::string(kCannotOpenFileMessage) + "\n" + (dir.path() / "missing.smc").string()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto out = dir.path() / "refused.gif";
        const CliRun run = RunCli({"sheet", "export", c.rom.string(), "--code", c.code, out.string()});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.err, c.message + "\n");
        EXPECT_EQ(run.out, "");
        EXPECT_FALSE(std::filesystem::exists(out));
    }

    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"sheet", "export", plain.string(), "--code", "3", "x.gif"},
             {"sheet", "export", plain.string(), "--code", "G0", "x.gif"},
             {"sheet", "export", plain.string(), "x.gif"},
             {"sheet", "export", plain.string(), "--code", "03"},
             {"sheet", "export", plain.string(), "--code", "03", "x.gif", "--opaque"},
         }) {
        const CliRun run = RunCli(arguments);
        EXPECT_EQ(run.exitCode, 1) << arguments.back();
        EXPECT_FALSE(std::filesystem::exists("x.gif"));
    }
}

// --- anim ----------------------------------------------------------------------------------

TEST_F(CliCharacterGraphicsTest, AnimSavesThePoseOfASheetOrAPatch)
{
    const std::filesystem::path sheetGif = VARN_EXAMPLES_DIR "/example_sheet.gif";
    const std::filesystem::path patch = VARN_EXAMPLES_DIR "/example_character.vnp";
    const auto sheet = LoadSheetImage(sheetGif);
    ASSERT_TRUE(sheet.ok());
    const auto patchFile = ReadPatchFile(patch);
    ASSERT_TRUE(patchFile.ok());
    GifImage patchSheet;
    BuildSheetImage(patchFile.value().palette, patchFile.value().tiles, patchSheet);

    struct Case {
        std::filesystem::path input;
        const GifImage* sheet;
        int pose;
        bool poison;
        bool opaque;
    };
    const Case cases[] = {
        {sheetGif, &sheet.value(), 0, false, false},
        {sheetGif, &sheet.value(), 5, true, false},
        {patch, &patchSheet, 3, false, true},
        {patch, &patchSheet, 4, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input.filename().string() + " pose " + std::to_string(c.pose));
        const auto out = dir.path() / "anim.gif";
        std::vector<std::string> arguments{"anim", c.input.string(), "--pose",
                                           std::to_string(c.pose), out.string()};
        if (c.poison)
            arguments.push_back("--poison");
        if (c.opaque)
            arguments.push_back("--opaque");
        const CliRun run = RunCli(arguments);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, out.string() + "\n");

        auto expected = CreateGifAnim(*c.sheet, c.pose);
        ASSERT_TRUE(expected.ok());
        if (c.poison)
            ApplyPoisonTint(expected.value());
        const auto saved = LoadGifFile(out);
        ASSERT_TRUE(saved.ok()) << saved.message();
        const GifImage& gif = saved.value();
        EXPECT_EQ(gif.loopCount, 0);
        ASSERT_EQ(gif.frames.size(), expected.value().frames.size());
        for (std::size_t i = 0; i < gif.frames.size(); ++i) {
            EXPECT_EQ(gif.frames[i].pixels, expected.value().frames[i].pixels);
            GifControl control = expected.value().frames[i].control.value();
            control.transparent = !c.opaque;
            EXPECT_EQ(gif.frames[i].control.value(), control);
        }
        for (std::size_t i = 0; i < expected.value().colors.size(); ++i)
            EXPECT_EQ(gif.colors[i], expected.value().colors[i]) << i;
    }
}

TEST_F(CliCharacterGraphicsTest, AnimRefusals)
{
    // A GIF header declaring 177 x 133.
    const auto notSheet =
        dir.write("wide.gif", Bytes{'G', 'I', 'F', '8', '9', 'a', 0xB1, 0x00, 0x85, 0x00});
    const auto notPatch = dir.write("bad.vnp", Bytes(8000, 0x41));
    const auto out = dir.path() / "anim.gif";
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        std::string message;
    };
    const Case cases[] = {
        {{"anim", notSheet.string(), "--pose", "0", out.string()}, 2, kInvalidImageMessage},
        {{"anim", notPatch.string(), "--pose", "0", out.string()}, 2,
         "ファイルが異常です。\nbad.vnp"},
        {{"anim", (dir.path() / "none.gif").string(), "--pose", "0", out.string()}, 2,
         kCannotOpenFileMessage},
        {{"anim", VARN_EXAMPLES_DIR "/example_sheet.gif", "--pose", "6", out.string()}, 1, ""},
        {{"anim", VARN_EXAMPLES_DIR "/example_sheet.gif", "--pose", "-1", out.string()}, 1, ""},
        {{"anim", VARN_EXAMPLES_DIR "/example_sheet.gif", out.string()}, 1, ""},
        {{"anim", VARN_EXAMPLES_DIR "/example_sheet.gif", "--pose", "0", out.string(), "--gray"},
         1, ""},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& argument : c.arguments)
            line += argument + " ";
        SCOPED_TRACE(line);
        const CliRun run = RunCli(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        if (c.exitCode == 2) {
            EXPECT_EQ(run.err, c.message + "\n");
        }
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

} // namespace
} // namespace varn::test
