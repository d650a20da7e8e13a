#include <gtest/gtest.h>

#include <random>

#include "EnemyTestSupport.h"
#include "enemy/ApplyEnemy.h"
#include "enemy/EnemyGraphic.h"
#include "enemy/EnemyTables.h"
#include "enemy/LoadEnemy.h"
#include "graphics/GifCodec.h"
#include "graphics/SnesColor.h"
#include "graphics/SpriteSheet.h"
#include "rom/RomStream.h"
#include "support/FailureTesting.h"
#include "support/TempDir.h"

namespace varn {
namespace {

using test::At;
using test::BlankPicture;
using test::Bytes;
using test::Put;
using test::RomImageBuilder;

using PlaneBytes = std::array<std::uint8_t, 32>;

TEST(EnemyPictureTest, ThePictureRulesAreCheckedInOrder)
{
    struct Case {
        int width;
        int height;
        std::optional<std::pair<int, int>> badPixel; // set to colour 16
        std::string message;
    };
    const Case cases[] = {
        {128, 160, std::nullopt, ""},
        {8, 8, std::nullopt, ""},
        {136, 8, std::nullopt, "画像のサイズが128×160を超えています。"},
        {8, 168, std::nullopt, "画像のサイズが128×160を超えています。"},
        {12, 8, std::nullopt, "画像の縦横幅が8の倍数になっていません。"},
        {8, 20, std::pair(0, 0), "画像の縦横幅が8の倍数になっていません。"},
        {16, 16, std::pair(3, 0), "使用できない色が検出されました。\nx:3  y:0"},
        {16, 16, std::pair(15, 9), "使用できない色が検出されました。\nx:15  y:9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        GifImage picture = BlankPicture(c.width, c.height);
        picture.colors.resize(32);
        picture.frames.front().control = GifControl{.transparentIndex = 0, .transparent = true};
        if (c.badPixel) {
            picture.frames.front().setPixel(c.badPixel->first, c.badPixel->second, 16);
            // A later pixel is not the one named.
            picture.frames.front().setPixel(c.width - 1, c.height - 1, 17);
        }
        const Status checked = CheckEnemyPicture(picture);
        EXPECT_EQ(checked.message(), c.message);
        // A picture that passes shows colour 0.
        EXPECT_EQ(picture.frames.front().control->transparent, !checked.ok());
    }
}

TEST(EnemyPictureTest, AGifIsReadWithinTheLimitsOfAPicture)
{
    GifImage wide = BlankPicture(200, 8);
    const Bytes wideGif = EncodeGif(wide).value();
    // Refused from the header with the picture rule's message.
    EXPECT_EQ(LoadEnemyPictureBytes(wideGif).message(), kEnemyPictureTooLargeMessage);
    EXPECT_FALSE(LoadEnemyPictureBytes(Bytes{'G', 'I', 'F'}).ok());

    GifImage good = BlankPicture(16, 24);
    good.frames.front().setPixel(5, 6, 9);
    const Result<GifImage> read = LoadEnemyPictureBytes(EncodeGif(good).value());
    ASSERT_TRUE(read.ok()) << read.message();
    EXPECT_EQ(read.value().frames.front().pixels, good.frames.front().pixels);
}

TEST(EnemyPictureTest, APictureThatFailsLeavesNothingHeldAndTheFieldsAsTheyWere)
{
    test::TempDir dir;
    GifImage blank = BlankPicture(8, 8);
    const auto good = dir.write("good.gif", EncodeGif(blank).value());
    GifImage coloured = BlankPicture(8, 8);
    coloured.colors.resize(32);
    coloured.frames.front().setPixel(3, 0, 16);
    const auto bad = dir.write("bad.gif", EncodeGif(coloured).value());

    std::optional<GifImage> held;
    EnemyForm form;
    ASSERT_TRUE(LoadEnemyPicture(good, held, form).ok());
    ASSERT_TRUE(held.has_value());
    // An 8 × 8 picture of colour 0 packs to 01 01 00 20.
    EXPECT_EQ(form.dataSize, "0004");
    EXPECT_EQ(form.endAddress, "400003");
    EXPECT_EQ(std::tuple(form.boxWidth, form.boxHeight, form.offsetX, form.offsetY),
              std::tuple(1, 1, 3, 7));

    const EnemyForm before = form;
    EXPECT_EQ(LoadEnemyPicture(bad, held, form).message(),
              "使用できない色が検出されました。\nx:3  y:0");
    EXPECT_FALSE(held.has_value());
    EXPECT_EQ(form, before);
    EXPECT_EQ(LoadEnemyPicture(dir.path() / "missing.gif", held, form).message(),
              "ファイルが開けません。");
    EXPECT_FALSE(held.has_value());

    // An address that is not hexadecimal leaves the end address empty.
    form.address = "40000G";
    ASSERT_TRUE(LoadEnemyPicture(good, held, form).ok());
    EXPECT_EQ(form.endAddress, "");
    EXPECT_EQ(form.dataSize, "0004");
}

TEST(EnemyPictureTest, TheBoxIsAtLeast64AndCentresThePictureOnItsBottom)
{
    struct Case {
        int width, height;
        EnemyBox box;
        std::uint8_t sizeCode;
    };
    const Case cases[] = {
        {128, 160, {3, 4, 0, 0}, 0x54},
        {32, 32, {1, 1, 2, 4}, 0x22},
        {40, 48, {1, 1, 1, 2}, 0x22},
        {8, 8, {1, 1, 3, 7}, 0x22},
        {72, 104, {2, 3, 1, 3}, 0x43},
        {96, 96, {2, 2, 0, 0}, 0x33},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        const EnemyBox box = ChooseEnemyBox(c.width, c.height);
        EXPECT_EQ(box, c.box);
        EXPECT_EQ(EnemySizeCode(box.width, box.height), c.sizeCode);
    }
}

TEST(EnemyPackTest, TilePlanesAreReorderedIntoPlaneOrderAndBack)
{
    TileBytes tile{};
    for (std::size_t i = 0; i < tile.size(); ++i)
        tile[i] = static_cast<std::uint8_t>(i);
    TileBytes reordered = tile;
    ReorderTilePlanes(reordered);
    for (int y = 0; y < 8; ++y) {
        EXPECT_EQ(reordered[static_cast<std::size_t>(y)], 2 * y);
        EXPECT_EQ(reordered[static_cast<std::size_t>(8 + y)], 2 * y + 1);
        EXPECT_EQ(reordered[static_cast<std::size_t>(16 + y)], 16 + 2 * y);
        EXPECT_EQ(reordered[static_cast<std::size_t>(24 + y)], 17 + 2 * y);
    }
    RestoreTilePlanes(reordered);
    EXPECT_EQ(reordered, tile);
}

TEST(EnemyPackTest, ZeroRunsArePackedAsZeroAndTheirLength)
{
    struct Case {
        const char* name;
        PlaneBytes tile;
        Bytes packed;
    };
    PlaneBytes allSet{};
    for (std::size_t i = 0; i < allSet.size(); ++i)
        allSet[i] = static_cast<std::uint8_t>(i + 1);
    PlaneBytes twoThenFive{};
    twoThenFive[2] = 5;
    PlaneBytes alternating{};
    for (std::size_t i = 1; i < alternating.size(); i += 2)
        alternating[i] = 0xA5;
    PlaneBytes endsWithOne{};
    endsWithOne[31] = 0x01;
    const Case cases[] = {
        {"all set", allSet, Bytes(allSet.begin(), allSet.end())},
        {"two zeros, 5, 29 zeros", twoThenFive, {0x00, 0x02, 0x05, 0x00, 0x1D}},
        {"all zero", PlaneBytes{}, {0x00, 0x20}},
        {"ends with a non-zero byte", endsWithOne, {0x00, 0x1F, 0x01}},
        {"alternating", alternating, [] {
             Bytes bytes;
             for (int i = 0; i < 16; ++i)
                 bytes.insert(bytes.end(), {0x00, 0x01, 0xA5});
             return bytes;
         }()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GifImage picture = BlankPicture(8, 8);
        test::SetTilePlaneBytes(picture, 0, 0, c.tile);
        std::array<std::uint8_t, kMaxPackedTileSize> out{};
        const int size = PackEnemyTile(picture, out, 0, 0);
        EXPECT_EQ(Bytes(out.begin(), out.begin() + size), c.packed);
        EXPECT_EQ(MeasureEnemyGraphic(picture), 2 + size);
        Bytes whole{0x01, 0x01};
        whole.insert(whole.end(), c.packed.begin(), c.packed.end());
        EXPECT_EQ(PackEnemyGraphic(picture), whole);
    }
    // Zero runs never join across tiles.
    EXPECT_EQ(PackEnemyGraphic(BlankPicture(16, 8)), (Bytes{0x02, 0x01, 0x00, 0x20, 0x00, 0x20}));
    EXPECT_EQ(PackEnemyGraphic(BlankPicture(8, 8)), (Bytes{0x01, 0x01, 0x00, 0x20}));
}

// Tiles are packed row by row from the top, each row from the left.
TEST(EnemyPackTest, TilesArePackedRowByRow)
{
    GifImage picture = BlankPicture(16, 16);
    for (int tile = 0; tile < 4; ++tile) {
        PlaneBytes bytes{};
        bytes[0] = static_cast<std::uint8_t>(0x10 + tile);
        test::SetTilePlaneBytes(picture, tile % 2, tile / 2, bytes);
    }
    Bytes expected{0x02, 0x02};
    for (int tile = 0; tile < 4; ++tile)
        expected.insert(expected.end(), {static_cast<std::uint8_t>(0x10 + tile), 0x00, 0x1F});
    EXPECT_EQ(PackEnemyGraphic(picture), expected);
}

TEST(EnemyPackTest, PackingThenUnpackingGivesThePictureBack)
{
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> tiles(1, 16);
    std::uniform_int_distribution<int> rows(1, 20);
    const double zeroShares[] = {0.0, 0.3, 0.7, 0.95, 1.0};
    for (int round = 0; round < 60; ++round) {
        const int width = 8 * tiles(random);
        const int height = 8 * rows(random);
        const double zeroShare = zeroShares[round % 5];
        SCOPED_TRACE(testing::Message() << width << "x" << height << " zeros " << zeroShare);
        const GifImage picture = test::RandomPicture(random, width, height, zeroShare);
        const Bytes packed = PackEnemyGraphic(picture);
        EXPECT_EQ(static_cast<int>(packed.size()), MeasureEnemyGraphic(picture));
        // The unpacker stops by itself: bytes after the graphic are not read.
        Bytes followed = packed;
        followed.insert(followed.end(), {0x00, 0x00, 0x07});
        const Result<UnpackedEnemyGraphic> unpacked = UnpackEnemyGraphic(followed);
        ASSERT_TRUE(unpacked.ok()) << unpacked.message();
        EXPECT_EQ(unpacked.value().width, width);
        EXPECT_EQ(unpacked.value().height, height);
        EXPECT_EQ(unpacked.value().packedSize, static_cast<int>(packed.size()));
        EXPECT_EQ(unpacked.value().pixels, picture.frames.front().pixels);
    }
}

TEST(EnemyPackTest, DamagedPackedGraphicsAreRefused)
{
    const Bytes cases[] = {
        {},
        {0x01},
        {0x00, 0x01, 0x00, 0x20},             // no width
        {0x11, 0x01, 0x00, 0x20},             // wider than 128
        {0x01, 0x15, 0x00, 0x20},             // taller than 160
        {0x01, 0x01, 0x00, 0x00},             // a run of 0
        {0x01, 0x01, 0x00, 0x21},             // a run past the tile
        {0x01, 0x01, 0x05, 0x00, 0x20},       // a run past the tile after a byte
        {0x01, 0x01, 0x00, 0x10},             // ends inside the tile
        {0x01, 0x01, 0x00},                   // ends before the run's length
        {0x02, 0x01, 0x00, 0x20, 0x00},       // ends inside the second tile
    };
    for (const Bytes& bytes : cases)
        EXPECT_EQ(UnpackEnemyGraphic(bytes).message(), kEnemyGraphicDamagedMessage)
            << testing::PrintToString(bytes);
}

TEST(EnemyGraphicTablesTest, AddressesRecordsAndPalettesHaveTheGamesForm)
{
    EXPECT_EQ(GraphicAddressBytes(0x400000), (std::array<std::uint8_t, 3>{0x40, 0x00, 0x00}));
    EXPECT_EQ(GraphicAddressBytes(0x01D400), (std::array<std::uint8_t, 3>{0xC1, 0x00, 0xD4}));
    EXPECT_EQ(GraphicAddressBytes(0x3FFFFF), (std::array<std::uint8_t, 3>{0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(GraphicAddressBytes(0x5A1234), (std::array<std::uint8_t, 3>{0x5A, 0x34, 0x12}));
    for (const std::uint32_t offset : {0x000000u, 0x01D400u, 0x3FFFFFu, 0x400000u, 0x5A1234u,
                                       kMaxEnemyGraphicAddress}) {
        const auto bytes = GraphicAddressBytes(offset);
        EXPECT_EQ(GraphicAddressToOffset(bytes), offset) << offset;
    }

    EXPECT_EQ(GraphicRecordBytes(0x105, 2, 4, 0x13),
              (std::array<std::uint8_t, 6>{0x05, 0x82, 0x04, 0x13, 0x00, 0x00}));
    EXPECT_EQ(GraphicRecordBytes(0x0FF, 20, 20, 0),
              (std::array<std::uint8_t, 6>{0xFF, 0x14, 0x14, 0x00, 0x00, 0x00}));

    // Colours 0-15 of the table the first frame uses; entries past its end take colour 0.
    GifImage picture = BlankPicture(8, 8);
    picture.colors = {{0xF8, 0x00, 0x00}, {0x00, 0xF8, 0x00}, {0x00, 0x00, 0xFF}};
    const auto palette = EnemyPaletteBytes(picture);
    EXPECT_EQ(Bytes(palette.begin(), palette.begin() + 8), (Bytes{0x1F, 0x00, 0xE0, 0x03, 0x00, 0x7C, 0x1F, 0x00}));
    EXPECT_EQ(palette[30], 0x1F);
    picture.frames.front().colors = {{0x08, 0x08, 0x08}};
    EXPECT_EQ(EnemyPaletteBytes(picture)[0], 0x21);
    EXPECT_EQ(EnemyPaletteBytes(picture)[31], 0x04);

    EXPECT_EQ(ParseEnemyAddress("400000"), 0x400000u);
    EXPECT_EQ(ParseEnemyAddress(" 1d400 "), 0x01D400u);
    EXPECT_EQ(ParseEnemyAddress("0"), 0u);
    for (const char* bad : {"", "  ", "40000G", "0x4000", "1000000", "-1"})
        EXPECT_FALSE(ParseEnemyAddress(bad).has_value()) << bad;
}

class EnemyGraphicImageTest : public testing::Test {
protected:
    void SetUp() override
    {
        image_ = test::EnemyImage();
        // Enemy 0x145's graphic record lies at 0x26D000 + 0x0123; enemy 0x010's at + 0x0060.
        Put(image_, GraphicRecordOffsetEntry(0x145), Bytes{0x23, 0x01});
        Put(image_, GraphicRecordOffsetEntry(0x010), Bytes{0x60, 0x00});
    }

    EnemyForm Form(int enemy, int graphic, const std::string& address) const
    {
        EnemyForm form;
        form.enemy = enemy;
        form.graphicNumber = graphic - kFirstNewGraphic;
        form.address = address;
        form.boxWidth = 2;
        form.boxHeight = 3;
        form.offsetX = 2;
        form.offsetY = 5;
        form.appearance = 0x13;
        return form;
    }

    Bytes image_;
};

TEST_F(EnemyGraphicImageTest, TheFiveWritesGoWhereTheEnemyAndTheGraphicNumberSay)
{
    MemoryRomStream stream(image_);
    std::mt19937 random(7);
    const GifImage picture = test::RandomPicture(random, 24, 16, 0.5);
    std::vector<ImageWrite> writes;
    ASSERT_EQ(
        test::FailureOf(WriteEnemyGraphic(stream, picture, Form(0x145, 0x105, "5B6000"), writes)),
        std::nullopt);
    const auto palette = EnemyPaletteBytes(picture);
    const std::vector<ImageWrite> expected{
        {0x5B6000, PackEnemyGraphic(picture)},
        {0x5A12C0 + 32 * 5, Bytes(palette.begin(), palette.end())},
        {0x5A2AC5, {0x43}},
        {0x5A3690 + 3 * 5, {0x5B, 0x00, 0x60}},
        {0x26D123, {0x05, 0x82, 0x05, 0x13, 0x00, 0x00}},
    };
    EXPECT_EQ(writes, expected);

    writes.clear();
    ASSERT_EQ(
        test::FailureOf(WriteEnemyGraphic(stream, picture, Form(0x010, 0x073, "1D400"), writes)),
        std::nullopt);
    EXPECT_EQ(writes[1].offset, 0x01D400u + 32 * 0x10);
    EXPECT_EQ(writes[2].offset, 0x26E410u);
    EXPECT_EQ(writes[3], (ImageWrite{0x26FA00 + 3 * 0x73, {0xC1, 0x00, 0xD4}}));
    EXPECT_EQ(writes[4], (ImageWrite{0x26D060, {0x73, 0x02, 0x05, 0x13, 0x00, 0x00}}));
}

// The graphic record offset is read after the packed graphic is written: a graphic written
// over the enemy's own entry of the offset table moves the record it names.
TEST_F(EnemyGraphicImageTest, TheRecordOffsetIsReadAfterThePackedGraphicIsWritten)
{
    Put(image_, GraphicRecordOffsetEntry(0x005), Bytes{0x1E, 0x00});
    GifImage picture = test::BlankPicture(8, 8);
    std::array<std::uint8_t, 32> tile{};
    tile[0] = 0xC0;
    test::SetTilePlaneBytes(picture, 0, 0, tile);
    ASSERT_EQ(PackEnemyGraphic(picture), (Bytes{0x01, 0x01, 0xC0, 0x00, 0x1F}));

    MemoryRomStream stream(image_);
    std::vector<ImageWrite> writes;
    ASSERT_EQ(
        test::FailureOf(WriteEnemyGraphic(stream, picture, Form(0x005, 0x073, "26E588"), writes)),
        std::nullopt);
    ASSERT_EQ(writes.size(), 5u);
    // The packed graphic puts C0 00 at 0x26E58A, the entry of enemy 005.
    EXPECT_EQ(writes[0], (ImageWrite{0x26E588, {0x01, 0x01, 0xC0, 0x00, 0x1F}}));
    EXPECT_EQ(writes[4].offset, 0x26D0C0u);

    // Written over only in part, the entry mixes the new byte and the old one.
    writes.clear();
    ASSERT_EQ(
        test::FailureOf(WriteEnemyGraphic(stream, picture, Form(0x005, 0x073, "26E586"), writes)),
        std::nullopt);
    EXPECT_EQ(writes[4].offset, 0x26D01Fu);

    // An apply makes the writes in that order, so the record lands where the game reads it.
    EnemyForm form = Form(0x005, 0x073, "26E588");
    form.name = "ゴブリン";
    ASSERT_EQ(test::FailureOf(ApplyEnemy(stream, form, &picture)), std::nullopt);
    EXPECT_EQ(At(stream.bytes(), 0x26D0C0, 4), (Bytes{0x73, 0x02, 0x05, 0x13}));
}

TEST_F(EnemyGraphicImageTest, AWriteThatCannotBeMadeIsRefusedBeforeAnything)
{
    MemoryRomStream stream(image_);
    const GifImage picture = BlankPicture(8, 8); // 4 bytes packed
    struct Case {
        std::string address;
        Failure problem;
    };
    const Case cases[] = {
        {"40000G", {kEnemyAddressMessage, kGraphicSubTab, "Edit74"}},
        {"", {kEnemyAddressMessage, kGraphicSubTab, "Edit74"}},
        {"C00000", {kEnemyAddressRangeMessage, kGraphicSubTab, "Edit74"}},
        {"5FFFFD", {kEnemyGraphicPastEndMessage, kGraphicSubTab, "Edit74"}},
        {"600000", {kEnemyGraphicPastEndMessage, kGraphicSubTab, "Edit74"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        std::vector<ImageWrite> writes;
        EXPECT_EQ(test::FailureOf(
                      WriteEnemyGraphic(stream, picture, Form(0x145, 0x105, c.address), writes)),
                  c.problem);
        EXPECT_TRUE(writes.empty());
    }
    std::vector<ImageWrite> writes;
    EXPECT_EQ(
        test::FailureOf(WriteEnemyGraphic(stream, picture, Form(0x145, 0x105, "5FFFFC"), writes)),
        std::nullopt);

    // A graphic record offset that points past the end of a cut image.
    Bytes cut = image_;
    cut.resize(0x5A3000);
    MemoryRomStream cutStream(cut);
    writes.clear();
    EXPECT_EQ(test::FailureOf(
                  WriteEnemyGraphic(cutStream, picture, Form(0x145, 0x105, "400000"), writes)),
              (Failure{kEnemyDataPastEndMessage, kGraphicSubTab, ""}));
    EXPECT_TRUE(writes.empty());
}

TEST_F(EnemyGraphicImageTest, TheGraphicWrittenIsReadBack)
{
    std::mt19937 random(99);
    for (const auto& [width, height] : {std::pair(128, 160), std::pair(40, 48), std::pair(8, 8)}) {
        SCOPED_TRACE(testing::Message() << width << "x" << height);
        Bytes image = image_;
        MemoryRomStream stream(image);
        GifImage picture = test::RandomPicture(random, width, height, 0.4);
        std::vector<ImageWrite> writes;
        ASSERT_EQ(test::FailureOf(
                      WriteEnemyGraphic(stream, picture, Form(0x145, 0x1FF, "580000"), writes)),
                  std::nullopt);
        for (const ImageWrite& write : writes)
            ASSERT_TRUE(stream.writeAt(write.offset, write.bytes));

        const Result<EnemyGraphic> read = ReadEnemyGraphic(stream, 0x145);
        ASSERT_TRUE(read.ok()) << read.message();
        const EnemyGraphic& graphic = read.value();
        EXPECT_EQ(graphic.graphicNumber, 0x1FF);
        EXPECT_EQ(graphic.address, 0x580000u);
        EXPECT_EQ(graphic.packedSize, MeasureEnemyGraphic(picture));
        EXPECT_EQ(graphic.sizeCode, 0x43);
        EXPECT_EQ(std::tuple(graphic.offsetX, graphic.offsetY, graphic.appearance),
                  std::tuple(2, 5, 0x13));
        EXPECT_TRUE(ValidateGifImage(graphic.picture).ok());
        EXPECT_EQ(graphic.picture.width, width);
        EXPECT_EQ(graphic.picture.height, height);
        EXPECT_EQ(graphic.picture.frames.front().pixels, picture.frames.front().pixels);
        // The palette as SNES colours gives the same words back.
        EXPECT_EQ(EnemyPaletteBytes(graphic.picture), EnemyPaletteBytes(picture));
        EXPECT_FALSE(graphic.picture.frames.front().control.has_value());
    }
}

TEST_F(EnemyGraphicImageTest, DamagedOrMissingDataIsRefusedWithoutReadingOutside)
{
    MemoryRomStream stream(image_);
    const GifImage picture = BlankPicture(16, 8);
    std::vector<ImageWrite> writes;
    ASSERT_EQ(
        test::FailureOf(WriteEnemyGraphic(stream, picture, Form(0x145, 0x105, "5FFFFA"), writes)),
        std::nullopt);
    for (const ImageWrite& write : writes)
        ASSERT_TRUE(stream.writeAt(write.offset, write.bytes));
    ASSERT_TRUE(ReadEnemyGraphic(stream, 0x145).ok());

    // The packed graphic at the very end of the image, then cut by one byte.
    Bytes cut = stream.bytes();
    cut.pop_back();
    MemoryRomStream cutStream(cut);
    EXPECT_EQ(ReadEnemyGraphic(cutStream, 0x145).message(), kEnemyGraphicDamagedMessage);

    // An address past the end, a record offset past the end, an enemy out of range.
    Bytes pastEnd = stream.bytes();
    Put(pastEnd, GraphicAddressOffset(0x105), Bytes{0x70, 0x00, 0x00});
    MemoryRomStream pastEndStream(pastEnd);
    EXPECT_EQ(ReadEnemyGraphic(pastEndStream, 0x145).message(), kEnemyGraphicDamagedMessage);
    Bytes small(0x26E580 + 2 * 0x10 + 1, 0);
    MemoryRomStream smallStream(small);
    EXPECT_EQ(ReadEnemyGraphic(smallStream, 0x010).message(), kEnemyDataPastEndMessage);
    EXPECT_EQ(ReadEnemyGraphic(smallStream, 0x200).message(), kNoEnemySelectedMessage);
    EXPECT_EQ(ReadEnemyGraphic(smallStream, -1).message(), kNoEnemySelectedMessage);
}

} // namespace
} // namespace varn
