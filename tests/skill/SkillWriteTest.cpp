#include <gtest/gtest.h>

#include "SkillTestSupport.h"
#include "graphics/SnesColor.h"
#include "skill/Skill.h"
#include "support/ByteCompare.h"
#include "support/RomImageBuilder.h"
#include "support/TempDir.h"

namespace varn::test {
namespace {

// --- Importing a dropped GIF -------------------------------------------------------------

TEST(SkillImportTest, AcceptsA128By16ImageOfColoursZeroToSeven)
{
    // A colour table of 256 entries is fine as long as the pixels use 0 to 7.
    const GifImage image = SkillGif(PatternPixel, DistinctColours(256));
    Skill skill;
    ASSERT_TRUE(skill.ImportImageBytes(GifBytes(image)).ok()) << skill.message;
    ASSERT_EQ(skill.importedImage.frames.size(), 1u);
    EXPECT_EQ(skill.importedImage.frames.front().pixels, image.frames.front().pixels);
    EXPECT_EQ(skill.importedImage.colors.size(), 256u);
}

TEST(SkillImportTest, RefusesWhatItCannotUseAndForgetsIt)
{
    const auto withPixel = [](int px, int py, std::uint8_t index) {
        return SkillGif([=](int x, int y) { return x == px && y == py ? index : PatternPixel(x, y); },
                        DistinctColours(256));
    };
    const auto sized = [](int width, int height) {
        GifImage image;
        image.width = width;
        image.height = height;
        image.colors = DistinctColours(8);
        image.frames.emplace_back(width, height);
        return image;
    };
    GifImage twoFrames = SkillGif(PatternPixel, DistinctColours(8));
    twoFrames.frames.push_back(twoFrames.frames.front());
    twoFrames.frames.back().pixels.assign(twoFrames.frames.back().pixels.size(), 15);
    twoFrames.colors = DistinctColours(16);

    struct Case {
        const char* what;
        Bytes bytes;
        std::string message;
    };
    const Case cases[] = {
        {"colour 8", GifBytes(withPixel(37, 9, 8)), "使用できない色が検出されました。\nx:37  y:9"},
        {"colour 255 at the last pixel", GifBytes(withPixel(127, 15, 255)),
         "使用できない色が検出されました。\nx:127  y:15"},
        {"colour 9 after colour 8 in the same row", [&] {
             GifImage image = withPixel(40, 3, 9);
             image.frames.front().setPixel(20, 3, 8);
             return GifBytes(image);
         }(),
         "使用できない色が検出されました。\nx:20  y:3"},
        {"129 x 16", GifBytes(sized(129, 16)), kSkillImageSizeMessage},
        {"128 x 17", GifBytes(sized(128, 17)), kSkillImageSizeMessage},
        {"16 x 128", GifBytes(sized(16, 128)), kSkillImageSizeMessage},
        {"not a GIF", Bytes{'P', 'N', 'G', 0, 1, 2, 3}, kSkillReadFailedMessage},
        {"empty", Bytes{}, kSkillReadFailedMessage},
        {"cut after the header", [&] {
             Bytes bytes = GifBytes(sized(128, 16));
             bytes.resize(20);
             return bytes;
         }(),
         kSkillReadFailedMessage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Skill skill;
        ASSERT_TRUE(skill.ImportImageBytes(GifBytes(SkillGif(PatternPixel, DistinctColours(8)))).ok());
        const Status imported = skill.ImportImageBytes(c.bytes);
        EXPECT_FALSE(imported.ok());
        EXPECT_EQ(imported.message(), c.message);
        EXPECT_EQ(skill.message, c.message);
        EXPECT_TRUE(skill.importedImage.frames.empty()) << "a refused image is not kept";
    }

    // Only the first frame is looked at.
    Skill skill;
    EXPECT_TRUE(skill.ImportImageBytes(GifBytes(twoFrames)).ok()) << skill.message;
}

TEST(SkillImportTest, ReadsTheDroppedFile)
{
    TempDir dir;
    const auto gif = dir.write("graphic.gif", GifBytes(SkillGif(PatternPixel, DistinctColours(8))));
    Skill skill;
    EXPECT_TRUE(skill.ImportImage(gif).ok());
    EXPECT_FALSE(skill.importedImage.frames.empty());
    EXPECT_FALSE(skill.ImportImage(dir.path() / "missing.gif").ok());
    EXPECT_EQ(skill.message, kSkillReadFailedMessage);
    EXPECT_TRUE(skill.importedImage.frames.empty());
    EXPECT_FALSE(skill.ImportImage(dir.path()).ok()) << "a folder";
    EXPECT_EQ(skill.message, kSkillReadFailedMessage);
}

// --- Writing a graphic ---------------------------------------------------------------------

// A skill ready to write the pattern graphic as graphic `id` of the reserved category.
Skill ReadyToWrite(int id, GifColorTable colours = DistinctColours(8))
{
    Skill skill;
    skill.romPath = "unused";
    EXPECT_TRUE(skill.ImportImageBytes(GifBytes(SkillGif(PatternPixel, std::move(colours)))).ok());
    skill.graphicCategory = 3;
    skill.graphicId = id;
    skill.paletteCategory = 4;
    skill.paletteId = 0x21;
    return skill;
}

Bytes ExpectedData()
{
    return CompressSkillTiles(EncodeSkillTiles(SkillGif(PatternPixel, {}).frames.front()), 24);
}

TEST(SkillWriteTest, WritesPointerDataAndPaletteAtTheirOffsets)
{
    const Bytes data = ExpectedData();
    struct Case {
        int address;
        bool header;
        Bytes pointer;          // as stored at 0x5BFBC0 + 3 * ID (+ 512)
        std::size_t dataAt;     // file offset of the data
    };
    const Case cases[] = {
        {0x1F0000, false, {0x00, 0x00, 0xDF}, 0x1F0000},
        {0x5D0000, false, {0x00, 0x00, 0x5D}, 0x5D0000},
        {0x5D0000, true, {0x00, 0x00, 0x5D}, 0x5D0200},
        {0x1F0000, true, {0x00, 0x00, 0xDF}, 0x1F0200},
        {0xC12345, false, {0x45, 0x23, 0xC1}, 0x012345}, // already as the game stores it
        {0x400000, false, {0x00, 0x00, 0x40}, 0x400000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.address << (c.header ? " header" : ""));
        const Bytes original =
            RomImageBuilder(RomImageBuilder::kExpandedSize).copierHeader(c.header).build();
        MemoryRomStream rom(original);
        Skill skill = ReadyToWrite(0x42);
        skill.writeAddress = c.address;
        skill.headerOffset = c.header ? 512 : 0;
        ASSERT_TRUE(skill.WriteGraphic(rom).ok()) << skill.message;

        Bytes expected = original;
        const std::size_t header = c.header ? 512 : 0;
        std::copy(c.pointer.begin(), c.pointer.end(), expected.begin() + 0x5BFBC0 + 3 * 0x42 + header);
        std::copy(data.begin(), data.end(), expected.begin() + static_cast<std::ptrdiff_t>(c.dataAt));
        for (int i = 0; i < 8; ++i) {
            const std::uint16_t word = ImageToSnesColor(DistinctColours(8)[static_cast<std::size_t>(i)]);
            expected[0x5B8100 + 16 * 0x21 + header + 2 * i] = static_cast<std::uint8_t>(word);
            expected[0x5B8100 + 16 * 0x21 + header + 2 * i + 1] = static_cast<std::uint8_t>(word >> 8);
        }
        EXPECT_TRUE(test::SameBytes(expected, rom.bytes()));
        EXPECT_EQ(skill.writeAddress, static_cast<int>(c.dataAt + data.size() - 1));
    }
}

TEST(SkillWriteTest, AWrittenGraphicReadsBackAsItWasDrawn)
{
    MemoryRomStream rom(RomImageBuilder(RomImageBuilder::kExpandedSize).build());
    const GifColorTable colours = DistinctColours(8);
    Skill skill = ReadyToWrite(0xFF, colours);
    skill.writeAddress = 0x5C8000;
    ASSERT_TRUE(skill.WriteGraphic(rom).ok());

    Skill reader;
    reader.graphicCategory = 3;
    reader.graphicId = 0xFF;
    reader.paletteCategory = 4;
    reader.paletteId = 0x21;
    ASSERT_TRUE(reader.ReadGraphic(rom).ok());
    EXPECT_EQ(reader.shownImage.frames.front().pixels, skill.importedImage.frames.front().pixels);
    for (std::size_t i = 0; i < 16; ++i) {
        const GifColor expected = i < 8 ? colours[i] : GifColor{};
        EXPECT_EQ(reader.shownImage.colors[i], expected) << "colour " << i;
    }
}

TEST(SkillWriteTest, APaletteOfFewerColoursIsFilledWithBlack)
{
    MemoryRomStream rom(RomImageBuilder(RomImageBuilder::kExpandedSize).build());
    Skill skill;
    ASSERT_TRUE(skill.ImportImageBytes(GifBytes(SkillGif([](int x, int) { return x % 2; },
                                                         {{248, 0, 0}, {0, 248, 0}})))
                    .ok());
    skill.graphicCategory = 3;
    skill.paletteCategory = 4;
    skill.paletteId = 3;
    ASSERT_TRUE(skill.WriteGraphic(rom).ok());
    const Bytes palette(rom.bytes().begin() + 0x5B8100 + 48, rom.bytes().begin() + 0x5B8100 + 64);
    EXPECT_EQ(palette, (Bytes{0x1F, 0x00, 0xE0, 0x03, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

// The palette a write takes from the graphic is the colours its first frame is shown with:
// the frame's own table when it has one, else the global one; missing entries are black.
TEST(SkillWriteTest, ThePaletteWrittenIsTheColoursTheFirstFrameIsShownWith)
{
    GifColorTable global = DistinctColours(16);
    GifColorTable local;
    for (const GifColor& colour : DistinctColours(8))
        local.push_back({colour.blue, colour.red, colour.green});
    struct Case {
        const char* name;
        GifColorTable global;
        GifColorTable local;
        const GifColorTable& shown;
    };
    const Case cases[] = {
        {"LocalAndGlobal", global, local, local},
        {"GlobalOnly", global, {}, global},
        {"LocalOnly", {}, local, local},
        {"ShortLocal", global, {local[0], local[1]}, local},
    };
    for (const Case& c : cases) {
        const int colours = c.local.empty() ? 8 : static_cast<int>(c.local.size());
        GifImage graphic =
            SkillGif([&](int x, int) { return static_cast<std::uint8_t>(x % colours); }, c.global);
        graphic.frames.front().colors = c.local;
        Skill skill;
        ASSERT_TRUE(skill.ImportImageBytes(GifBytes(graphic)).ok()) << c.name << skill.message;
        skill.graphicCategory = 3;
        skill.paletteCategory = 4;
        skill.paletteId = 5;
        MemoryRomStream rom(RomImageBuilder(RomImageBuilder::kExpandedSize).build());
        ASSERT_TRUE(skill.WriteGraphic(rom).ok()) << c.name << skill.message;

        const std::size_t shown = c.local.empty() ? c.shown.size() : c.local.size();
        Bytes expected;
        for (std::size_t i = 0; i < 8; ++i) {
            const GifColor colour = i < shown ? c.shown[i] : GifColor{};
            const auto word = static_cast<std::uint16_t>(
                (colour.red >> 3) | ((colour.green >> 3) << 5) | ((colour.blue >> 3) << 10));
            expected.push_back(static_cast<std::uint8_t>(word));
            expected.push_back(static_cast<std::uint8_t>(word >> 8));
        }
        const auto at = rom.bytes().begin() + 0x5B8100 + 16 * 5;
        EXPECT_EQ(Bytes(at, at + 16), expected) << c.name;
    }
}

TEST(SkillWriteTest, WithoutThePaletteOnlyPointerAndDataChange)
{
    const Bytes original = RomImageBuilder(RomImageBuilder::kExpandedSize).build();
    MemoryRomStream rom(original);
    Skill skill = ReadyToWrite(0);
    skill.writePalette = false;
    skill.paletteCategory = 2; // not looked at without the palette
    skill.writeAddress = 0x5D0000;
    ASSERT_TRUE(skill.WriteGraphic(rom).ok()) << skill.message;
    const Bytes data = ExpectedData();
    Bytes expected = original;
    std::copy_n(Bytes{0x00, 0x00, 0x5D}.begin(), 3, expected.begin() + 0x5BFBC0);
    std::copy(data.begin(), data.end(), expected.begin() + 0x5D0000);
    EXPECT_TRUE(test::SameBytes(expected, rom.bytes()));
}

TEST(SkillWriteTest, RefusesOtherCategoriesAndMissingInput)
{
    struct Case {
        const char* what;
        std::function<void(Skill&)> change;
        std::string message;
    };
    const Case cases[] = {
        {"category 1", [](Skill& s) { s.graphicCategory = 1; }, kSkillNotWritableMessage},
        {"the second game's category", [](Skill& s) { s.graphicCategory = 4; s.paletteCategory = 5; },
         kSkillNotWritableMessage},
        {"palette category 2 with the palette",
         [](Skill& s) { s.paletteCategory = 2; }, kSkillNotWritableMessage},
        {"no imported image", [](Skill& s) { s.importedImage = GifImage{}; },
         kSkillNoImageFileMessage},
        {"an image refused on import",
         [](Skill& s) { (void)s.ImportImageBytes(Bytes{1, 2, 3}); }, kSkillNoImageFileMessage},
        {"an address beyond six digits", [](Skill& s) { s.writeAddress = 0x1000000; },
         kSkillBadAddressMessage},
        {"a negative address", [](Skill& s) { s.writeAddress = -1; }, kSkillBadAddressMessage},
        {"the data past the end", [](Skill& s) { s.writeAddress = 0x5FFF00; },
         kSkillOutsideImageMessage},
        {"the data starting past the end", [](Skill& s) { s.writeAddress = 0x7F0000; },
         kSkillOutsideImageMessage},
        {"the data at the end with a copier header",
         [](Skill& s) {
             s.writeAddress = static_cast<int>(0x600000 - ExpectedData().size());
             s.headerOffset = 512;
         },
         kSkillOutsideImageMessage},
        {"an ID beyond the table", [](Skill& s) { s.graphicId = 256; }, kSkillNoSuchGraphicMessage},
    };
    const Bytes original = RomImageBuilder(RomImageBuilder::kExpandedSize).build();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryRomStream rom(original);
        Skill skill = ReadyToWrite(1);
        c.change(skill);
        const int address = skill.writeAddress;
        const Status written = skill.WriteGraphic(rom);
        EXPECT_FALSE(written.ok());
        EXPECT_EQ(written.message(), c.message);
        EXPECT_EQ(skill.message, c.message);
        EXPECT_TRUE(test::SameBytes(original, rom.bytes())) << "nothing is written";
        EXPECT_EQ(skill.writeAddress, address) << "a refused write keeps the address";
    }

    // The data ending exactly at the end of the image fits.
    MemoryRomStream rom(original);
    Skill skill = ReadyToWrite(1);
    skill.writeAddress = static_cast<int>(0x600000 - ExpectedData().size());
    EXPECT_TRUE(skill.WriteGraphic(rom).ok()) << skill.message;
    EXPECT_EQ(skill.writeAddress, 0x5FFFFF);
}

TEST(SkillWriteTest, TheReservedTablesPastTheEndOfASmallImageAreRefused)
{
    // A 4 MiB image has no reserved pointer table: the pointer would lengthen the file.
    const Bytes original = RomImageBuilder(RomImageBuilder::kPlainSize).build();
    MemoryRomStream rom(original);
    Skill skill = ReadyToWrite(0);
    skill.writeAddress = 0x1F0000;
    const Status written = skill.WriteGraphic(rom);
    EXPECT_EQ(written.message(), kSkillOutsideImageMessage);
    EXPECT_TRUE(test::SameBytes(original, rom.bytes()));

    // An image that ends inside the pointer table of a copier-header image.
    const Bytes cut = RomImageBuilder(0x5BFBC0 + 0x200 + 2).build();
    MemoryRomStream cutRom(cut);
    skill.headerOffset = 512;
    EXPECT_EQ(skill.WriteGraphic(cutRom).message(), kSkillOutsideImageMessage);
    EXPECT_TRUE(test::SameBytes(cut, cutRom.bytes()));
}

TEST(SkillWriteTest, WritesTheImageFileWholeOrNotAtAll)
{
    TempDir dir;
    const Bytes original = RomImageBuilder::Target(RomImageBuilder::kExpandedSize).build();
    const auto path = dir.write("rom.smc", original);

    Skill skill = ReadyToWrite(3);
    skill.romPath = path.string();
    skill.writeAddress = 0x5FFFF0; // the data does not fit
    EXPECT_EQ(skill.WriteGraphic().message(), kSkillOutsideImageMessage);
    EXPECT_TRUE(test::SameBytes(original, ReadFileBytes(path)));

    skill.writeAddress = 0x5D0000;
    ASSERT_TRUE(skill.WriteGraphic().ok()) << skill.message;
    MemoryRomStream expected(original);
    Skill same = ReadyToWrite(3);
    same.writeAddress = 0x5D0000;
    ASSERT_TRUE(same.WriteGraphic(expected).ok());
    EXPECT_TRUE(test::SameBytes(expected.bytes(), ReadFileBytes(path)));
    EXPECT_EQ(skill.writeAddress, same.writeAddress);

    // The refusals before the image is opened, then an image that cannot be opened.
    Skill noRom = ReadyToWrite(3);
    noRom.romPath.clear();
    EXPECT_EQ(noRom.WriteGraphic().message(), kSkillNoRomMessage);
    Skill noImage;
    noImage.romPath = path.string();
    noImage.graphicCategory = 1;
    EXPECT_EQ(noImage.WriteGraphic().message(), kSkillNoImageFileMessage)
        << "the image is asked for before the category";
    Skill missing = ReadyToWrite(3);
    missing.romPath = (dir.path() / "missing.smc").string();
    EXPECT_EQ(missing.WriteGraphic().message(), kSkillCannotOpenRomMessage);
    Skill folder = ReadyToWrite(3);
    folder.romPath = dir.path().string();
    EXPECT_EQ(folder.WriteGraphic().message(), kSkillCannotOpenRomMessage);
}

TEST(SkillWriteTest, SavesTheShownGraphicUnchanged)
{
    TempDir dir;
    Skill skill;
    EXPECT_EQ(skill.SaveShownImage(dir.path() / "none.gif").message(), kSkillNoGraphicMessage);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "none.gif"));

    const SkillTiles tiles = EncodeSkillTiles(SkillGif(PatternPixel, {}).frames.front());
    MemoryRomStream rom(RomImageBuilder(RomImageBuilder::kPlainSize)
                            .bytes(0x2280C0, {0x00, 0x00, 0xE3})
                            .bytes(0x230000, CompressSkillTiles(tiles, 24))
                            .build());
    ASSERT_TRUE(skill.ReadGraphic(rom).ok());
    ASSERT_TRUE(skill.SaveShownImage(dir.path() / "shown.gif").ok());
    const auto saved = LoadGifFile(dir.path() / "shown.gif");
    ASSERT_TRUE(saved.ok()) << saved.message();
    EXPECT_EQ(saved.value().frames.front().pixels, skill.shownImage.frames.front().pixels);
    ASSERT_TRUE(saved.value().frames.front().control.has_value());
    EXPECT_FALSE(saved.value().frames.front().control->transparent);

    // Never over the image it was read from, by any name of it.
    const auto image = dir.write("game.smc", "image");
    skill.romPath = image.string();
    std::filesystem::create_symlink("game.smc", dir.path() / "link.gif");
    EXPECT_EQ(skill.SaveShownImage(dir.path() / "link.gif").message(),
              "出力先が入力ファイルと同じです。\nlink.gif");
    EXPECT_EQ(skill.message, "出力先が入力ファイルと同じです。\nlink.gif");
    EXPECT_EQ(ReadFileBytes(image), (std::vector<std::uint8_t>{'i', 'm', 'a', 'g', 'e'}));
}

} // namespace
} // namespace varn::test
