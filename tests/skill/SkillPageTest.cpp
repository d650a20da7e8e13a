#include <gtest/gtest.h>

#include "SkillTestSupport.h"
#include "graphics/SnesColor.h"
#include "skill/SkillPage.h"
#include "support/ByteCompare.h"
#include "support/RomImageBuilder.h"
#include "support/TempDir.h"

namespace varn::test {
namespace {

TEST(SkillPageTest, CategoryListsHoldTheItemTextsInOrder)
{
    EXPECT_EQ(SkillGraphicCategoryItems(),
              (std::vector<std::string>{
                  "【00】4色パレット、オフセットE28000、4F,53,56で読み出し",
                  "【01】8色パレット、オフセットE280C0、50,51,57で読み出し",
                  "【02】8色パレット、オフセットE28240、4D,4E,52,54,55,58,59で読み出し",
                  "【03】8色パレット、オフセット5BFBC0、術閃きパッチ専用",
                  "【FF】Varnhold Epics 2、オフセットD30000",
              }));
    EXPECT_EQ(SkillPaletteCategoryItems(),
              (std::vector<std::string>{
                  "【00】4色パレット、アドレスE27300、3Eで読み出し",
                  "【01】8色パレット、アドレスE27380、3Fで読み出し",
                  "【02】16色パレット、アドレスE27B00、40で読み出し",
                  "【03】4色パレット、ハードコーディング",
                  "【04】8色パレット、アドレス5B8100、術閃きパッチ専用",
                  "【FF】Varnhold Epics 2、アドレスC10C00",
              }));
}

TEST(SkillPageTest, IdListsOfferEachCategorysIds)
{
    const int graphicIds[] = {64, 128, 64, 256, 256};
    for (int category = 0; category < 5; ++category)
        EXPECT_EQ(SkillGraphicIdCount(category), graphicIds[category]) << category;
    const int paletteIds[] = {256, 120, 40, 5, 256, 256};
    for (int category = 0; category < 6; ++category)
        EXPECT_EQ(SkillPaletteIdCount(category), paletteIds[category]) << category;
    EXPECT_EQ(SkillGraphicIdCount(5), 0);
    EXPECT_EQ(SkillPaletteIdCount(-1), 0);

    // At start-up: category 1 of both lists, 128 and 120 IDs, the first ID selected.
    EXPECT_EQ(kInitialSkillSelection, (SkillSelection{1, 0, 1, 0}));
    const auto items = SkillIdItems(SkillGraphicIdCount(kInitialSkillSelection.graphicCategory));
    ASSERT_EQ(items.size(), 128u);
    EXPECT_EQ(items[0], "【00】");
    EXPECT_EQ(items[0x0A], "【0A】");
    EXPECT_EQ(items[127], "【7F】");
    EXPECT_EQ(SkillIdItems(SkillPaletteIdCount(1)).size(), 120u);
    EXPECT_EQ(SkillIdItems(256).back(), "【FF】");
}

TEST(SkillPageTest, TheOpenImagesTitleSwitchesCategories)
{
    struct Case {
        const char* title;
        SkillSelection before;
        bool shows;
        SkillSelection after;
        bool graphicRefilled, paletteRefilled;
    };
    const Case cases[] = {
        {"VARNHOLD EPICS2", {1, 5, 1, 3}, true, {4, 0, 5, 0}, true, true},
        {"VARNHOLD EPICS2", {4, 9, 5, 3}, true, {4, 9, 5, 3}, false, false},
        {"VARNHOLD EPICS2", {4, 9, 2, 3}, true, {4, 9, 5, 0}, false, true},
        {"VARNHOLD EPICS3", {4, 9, 5, 3}, true, {1, 0, 1, 0}, true, true},
        {"VARNHOLD EPICS3", {4, 9, 2, 3}, true, {1, 0, 2, 3}, true, false},
        {"VARNHOLD EPICS3", {3, 9, 4, 3}, true, {3, 9, 4, 3}, false, false},
        {"VARNHOLD EPICS", {4, 9, 5, 3}, false, {4, 9, 5, 3}, false, false},
        {"", {1, 2, 1, 2}, false, {1, 2, 1, 2}, false, false},
    };
    for (const Case& c : cases) {
        const SkillTitleSwitch result = SwitchSkillCategories(c.title, c.before);
        EXPECT_EQ(result.shows, c.shows) << c.title;
        EXPECT_EQ(result.selection, c.after) << c.title;
        EXPECT_EQ(result.graphicIdsRefilled, c.graphicRefilled) << c.title;
        EXPECT_EQ(result.paletteIdsRefilled, c.paletteRefilled) << c.title;
    }
}

TEST(SkillPageTest, SwatchesDrawSixteenSquaresEightARow)
{
    GifColorTable colours = DistinctColours(10); // six missing colours are black
    const GifImage swatches = BuildSkillSwatches(colours);
    ASSERT_EQ(swatches.width, 128);
    ASSERT_EQ(swatches.height, 32);
    ASSERT_EQ(swatches.colors.size(), 16u);
    ASSERT_EQ(swatches.frames.size(), 1u);
    for (std::size_t i = 0; i < 16; ++i)
        EXPECT_EQ(swatches.colors[i], i < 10 ? colours[i] : GifColor{}) << i;
    const GifFrame& frame = swatches.frames.front();
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 128; ++x)
            ASSERT_EQ(frame.pixel(x, y), (y / 16) * 8 + x / 16) << x << ", " << y;
    }
    EXPECT_EQ(SkillSwatchSquareOf(9).x, 16);
    EXPECT_EQ(SkillSwatchSquareOf(9).y, 16);
}

TEST(SkillPageTest, ShowSkillGraphicFollowsTheTitle)
{
    TempDir dir;
    // The second game's graphic 0: 2-byte pointer 0x0100 into bank 0x130000; palette 0.
    const SkillTiles tiles = EncodeSkillTiles(SkillGif(PatternPixel, {}).frames.front());
    const auto epics2 = dir.write(
        "epics2.smc", RomImageBuilder(RomImageBuilder::kPlainSize)
                          .cartridge("VARNHOLD EPICS2", 0)
                          .bytes(0x130000, {0x00, 0x01})
                          .bytes(0x130100, CompressSkillTiles(tiles, 24))
                          .bytes(0x10C00, {0x1F, 0x00, 0xE0, 0x03})
                          .build());
    Skill skill;
    const SkillGraphicView view =
        ShowSkillGraphic(skill, "VARNHOLD EPICS2", 0, epics2.string(), kInitialSkillSelection);
    ASSERT_TRUE(view.shown);
    EXPECT_EQ(view.titleSwitch.selection, (SkillSelection{4, 0, 5, 0}));
    EXPECT_TRUE(view.titleSwitch.graphicIdsRefilled);
    EXPECT_EQ(view.picture.frames.front().pixels, SkillGif(PatternPixel, {}).frames.front().pixels);
    EXPECT_EQ(view.swatches.colors[0], (GifColor{248, 0, 0}));
    EXPECT_EQ(view.swatches.colors[1], (GifColor{0, 248, 0}));
    EXPECT_EQ(skill.graphicCategory, 4);
    EXPECT_EQ(skill.paletteCategory, 5);
    EXPECT_EQ(skill.romPath, epics2.string());

    // Writing is then refused: the reserved category is not selected.
    ASSERT_TRUE(skill.ImportImageBytes(GifBytes(SkillGif(PatternPixel, DistinctColours(8)))).ok());
    SkillWriteRequest request{epics2.string(), 0, view.titleSwitch.selection, 0x5D0000, true};
    EXPECT_EQ(WriteSkillGraphic(skill, request).message(), kSkillNotWritableMessage);

    // Another title: nothing is read, the page keeps what it shows.
    Skill untouched;
    const SkillGraphicView other =
        ShowSkillGraphic(untouched, "LOOM O LOOM", 0, epics2.string(), kInitialSkillSelection);
    EXPECT_FALSE(other.shown);
    EXPECT_FALSE(other.titleSwitch.shows);
    EXPECT_TRUE(untouched.romPath.empty());

    // An image that cannot be read: nothing new to show, no message for the page.
    const SkillGraphicView missing = ShowSkillGraphic(
        skill, "VARNHOLD EPICS3", 0, (dir.path() / "gone.smc").string(), kInitialSkillSelection);
    EXPECT_FALSE(missing.shown);
    EXPECT_TRUE(missing.titleSwitch.shows);
    EXPECT_EQ(skill.shownImage.frames.front().pixels, view.picture.frames.front().pixels);
}

TEST(SkillPageTest, ShowSkillGraphicReadsBehindTheCopierHeaderItIsGiven)
{
    TempDir dir;
    const SkillTiles tiles = EncodeSkillTiles(SkillGif(PatternPixel, {}).frames.front());
    const auto rom = dir.write("header.smc", RomImageBuilder::Target(RomImageBuilder::kPlainSize)
                                                 .copierHeader()
                                                 .bytes(0x2280C0, {0x00, 0x00, 0xE3})
                                                 .bytes(0x230000, CompressSkillTiles(tiles, 24))
                                                 .build());
    Skill skill;
    const SkillGraphicView view =
        ShowSkillGraphic(skill, "VARNHOLD EPICS3", 512, rom.string(), kInitialSkillSelection);
    ASSERT_TRUE(view.shown);
    EXPECT_EQ(skill.headerOffset, 512);
    EXPECT_EQ(skill.tiles, tiles);
}

TEST(SkillPageTest, TheAddressFieldIsReadAsHexadecimal)
{
    const std::pair<std::string_view, int> cases[] = {
        {"5D0000", 0x5D0000}, {"1f0000", 0x1F0000}, {"0", 0}, {"FFFFFF", 0xFFFFFF},
        {"", 0x5D0000},       {"XYZ", 0x5D0000},    {"12 34", 0x5D0000},
        {"1000000", 0x5D0000}, {"-1", 0x5D0000},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(ParseSkillWriteAddress(text), value) << text;
    EXPECT_EQ(SkillWriteAddressText(0x1F), "00001F");
    EXPECT_EQ(SkillWriteAddressText(0x5D02A5), "5D02A5");
}

TEST(SkillPageTest, WriteButtonReportsTheLastAddress)
{
    TempDir dir;
    const Bytes original = RomImageBuilder::Target(RomImageBuilder::kExpandedSize).build();
    const auto rom = dir.write("rom.smc", original);
    Skill skill;
    ASSERT_TRUE(skill.ImportImageBytes(GifBytes(SkillGif(PatternPixel, DistinctColours(8)))).ok());

    SkillWriteRequest request{rom.string(), 0, {3, 0x10, 4, 0x10}, 0x5D0000, false};
    const Result<int> written = WriteSkillGraphic(skill, request);
    ASSERT_TRUE(written.ok()) << written.message();
    const std::size_t size =
        CompressSkillTiles(EncodeSkillTiles(skill.importedImage.frames.front()), 24).size();
    EXPECT_EQ(written.value(), static_cast<int>(0x5D0000 + size - 1));
    const Bytes after = ReadFileBytes(rom);
    EXPECT_EQ((Bytes(after.begin() + 0x5BFBC0 + 0x30, after.begin() + 0x5BFBC0 + 0x33)),
              (Bytes{0x00, 0x00, 0x5D}));
    EXPECT_TRUE(std::equal(after.begin() + 0x5B8200, after.begin() + 0x5B8210,
                           original.begin() + 0x5B8200))
        << "without the palette check box the palette stays";

    // With the palette into a category where palettes cannot be written: refused.
    request.selection.paletteCategory = 1;
    request.writePalette = true;
    request.address = 0x1F0000;
    EXPECT_EQ(WriteSkillGraphic(skill, request).message(), kSkillNotWritableMessage);
    EXPECT_TRUE(test::SameBytes(after, ReadFileBytes(rom)));
}

// The request's copier header size moves every offset written, not the pointer's value.
TEST(SkillPageTest, WriteButtonWritesBehindTheCopierHeaderItIsGiven)
{
    TempDir dir;
    const auto rom =
        dir.write("header.smc",
                  RomImageBuilder::Target(RomImageBuilder::kExpandedSize).copierHeader().build());
    Skill skill;
    ASSERT_TRUE(skill.ImportImageBytes(GifBytes(SkillGif(PatternPixel, DistinctColours(8)))).ok());

    const SkillWriteRequest request{rom.string(), 512, {3, 0x10, 4, 0x10}, 0x5D0000, false};
    const Result<int> written = WriteSkillGraphic(skill, request);
    ASSERT_TRUE(written.ok()) << written.message();
    const Bytes after = ReadFileBytes(rom);
    const std::size_t pointer = 0x200 + 0x5BFBC0 + 0x30;
    EXPECT_EQ((Bytes(after.begin() + pointer, after.begin() + pointer + 3)),
              (Bytes{0x00, 0x00, 0x5D}));
    const auto compressed =
        CompressSkillTiles(EncodeSkillTiles(skill.importedImage.frames.front()), 24);
    EXPECT_TRUE(std::equal(compressed.begin(), compressed.end(), after.begin() + 0x200 + 0x5D0000));
}

} // namespace
} // namespace varn::test
