#include <gtest/gtest.h>

#include <random>

#include "CliRunner.h"
#include "graphics/GifCodec.h"
#include "graphics/SpriteSheet.h"
#include "support/Bytes.h"
#include "support/TempDir.h"

namespace varn::test {
namespace {


TEST(CliSheetTest, BuildThenSplitGivesBackTheTilesAndPalette)
{
    TempDir dir;
    std::mt19937 random(3);
    auto palette = RandomBytes(32, random);
    for (std::size_t i = 1; i < 32; i += 2)
        palette[i] &= 0x7F;
    // Tiles whose pixels avoid colour 3, so that the sheet passes the check.
    auto tiles = RandomBytes(7104, random);
    for (std::size_t t = 0; t < 222; ++t) {
        TilePixels pixels =
            DecodeTile(std::span<const std::uint8_t, 32>(tiles.data() + t * 32, 32));
        for (auto& index : pixels)
            index = index == 3 ? 9 : index;
        const TileBytes fixed = EncodeTile(pixels);
        std::copy(fixed.begin(), fixed.end(), tiles.begin() + static_cast<std::ptrdiff_t>(t * 32));
    }
    const auto paletteFile = dir.write("palette.bin", palette);
    const auto tileFile = dir.write("tiles.bin", tiles);
    const auto sheet = dir.path() / "sheet.gif";

    const CliRun build =
        RunCli({"sheet", "build", paletteFile.string(), tileFile.string(), sheet.string()});
    ASSERT_EQ(build.exitCode, 0) << build.err;
    const auto image = LoadGifFile(sheet);
    ASSERT_TRUE(image.ok());
    ASSERT_EQ(image.value().frames.at(0).control.value().transparent, false);

    const CliRun check = RunCli({"sheet", "check", sheet.string()});
    EXPECT_EQ(check.exitCode, 0) << check.err;
    EXPECT_EQ(check.out, "ok\n");

    const auto paletteOut = dir.path() / "palette-out.bin";
    const auto tilesOut = dir.path() / "tiles-out.bin";
    const CliRun split =
        RunCli({"sheet", "split", sheet.string(), paletteOut.string(), tilesOut.string()});
    ASSERT_EQ(split.exitCode, 0) << split.err;
    EXPECT_EQ(ReadFileBytes(tilesOut), tiles);
    auto expectedPalette = palette;
    const std::uint8_t fixed[6] = {0xDE, 0x6B, 0xC6, 0x18, 0x00, 0x00};
    std::copy(std::begin(fixed), std::end(fixed), expectedPalette.begin() + 2);
    EXPECT_EQ(ReadFileBytes(paletteOut), expectedPalette);
}

TEST(CliSheetTest, RefusalsPrintTheMessageAndWriteNothing)
{
    TempDir dir;
    GifImage wide;
    wide.width = 177;
    wide.height = 133;
    wide.colors.assign(16, GifColor{});
    wide.frames.emplace_back(177, 133);
    ASSERT_TRUE(SaveGifFile(wide, dir.path() / "wide.gif").ok());

    GifImage forbidden;
    BuildSheetImage(SheetPalette{}, SheetTiles{}, forbidden);
    forbidden.frames[0].setPixel(75, 100, 3);
    ASSERT_TRUE(SaveGifFile(forbidden, dir.path() / "forbidden.gif").ok());
    dir.write("text.gif", "not a picture");

    const std::pair<std::string, std::string> cases[] = {
        {"wide.gif", "不正な画像です。\n"},
        {"forbidden.gif", "使用できない色が検出されました。\nx:75  y:100\n"},
        {"text.gif", "ファイルの読み出しに失敗しました。\n"},
        {"missing.gif", "ファイルが開けません。\n"},
    };
    for (const auto& [name, message] : cases) {
        const std::string gif = (dir.path() / name).string();
        const CliRun check = RunCli({"sheet", "check", gif});
        EXPECT_EQ(check.exitCode, 2) << name;
        EXPECT_EQ(check.err, message);
        EXPECT_EQ(check.out, "");

        const CliRun split = RunCli({"sheet", "split", gif, (dir.path() / "p.bin").string(),
                                     (dir.path() / "t.bin").string()});
        EXPECT_EQ(split.exitCode, 2) << name;
        EXPECT_EQ(split.err, message);
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "p.bin"));
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "t.bin"));
    }
}

TEST(CliSheetTest, BuildRefusesInputsOfTheWrongSize)
{
    TempDir dir;
    const auto palette = dir.write("palette.bin", std::vector<std::uint8_t>(32));
    const auto tiles = dir.write("tiles.bin", std::vector<std::uint8_t>(7104));
    const auto shortTiles = dir.write("short.bin", std::vector<std::uint8_t>(7103));
    const auto out = dir.path() / "out.gif";

    CliRun run = RunCli({"sheet", "build", tiles.string(), tiles.string(), out.string()});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("32バイト"), std::string::npos) << run.err;
    run = RunCli({"sheet", "build", palette.string(), shortTiles.string(), out.string()});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("7104バイト"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(out));

    EXPECT_EQ(RunCli({"sheet", "build", palette.string(), tiles.string()}).exitCode, 1);
    EXPECT_EQ(RunCli({"sheet", "cut"}).exitCode, 1);
}

} // namespace
} // namespace varn::test
