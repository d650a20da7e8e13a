// The page "技術グラフィック" on the real main window: the selection lists, reading a graphic
// with its palette after opening an image and after each selection, the categories following
// the open image's title, saving as GIF, importing a graphic by dropping it on the write
// panel, and writing it with and without its palette.

#include <QCheckBox>
#include <QComboBox>
#include <QScrollArea>
#include <QScrollBar>

#include <functional>
#include <random>

#include "MainWindowFixture.h"
#include "app/GifQImage.h"
#include "app/SkillGraphicPage.h"
#include "graphics/GifCodec.h"
#include "graphics/SnesColor.h"
#include "rom/HexText.h"
#include "rom/RomStream.h"
#include "skill/Skill.h"
#include "skill/SkillTestSupport.h"
#include "support/BrokenGifs.h"
#include "support/RomImageBuilder.h"

namespace varn::test {
namespace {

constexpr int kSkillGraphicPage = 5;
constexpr int kZoom = app::SkillGraphicPage::kPictureZoom;
// Every test opens its images silently, whatever their title or copier header.
constexpr std::string_view kQuietSettings = "[Varnwork]\nSmcHeaderCheck=2\n";

using Colours = std::vector<std::uint16_t>;

// Decoded graphic data of random bytes with some zero runs, in a format of `bits` per pixel.
SkillTiles RandomTiles(unsigned seed, int bits)
{
    std::mt19937 random(seed);
    SkillTiles tiles{};
    for (std::size_t i = 0; i < static_cast<std::size_t>(kSkillTileCount * 8 * bits); ++i)
        tiles[i] = random() % 3 == 0 ? 0 : static_cast<std::uint8_t>(random());
    return tiles;
}

// Pixel (x, y) of a graphic, decoded straight from the format's definition.
int TilePixel(const SkillTiles& tiles, int bits, int x, int y)
{
    const int tile = (y / 8) * 16 + x / 8;
    int index = 0;
    for (int plane = 0; plane < bits; ++plane) {
        const std::uint8_t byte =
            tiles[static_cast<std::size_t>(tile * 8 * bits + 8 * plane + y % 8)];
        index |= ((byte >> (7 - x % 8)) & 1) << plane;
    }
    return index;
}

Bytes PaletteBytes(const Colours& words)
{
    Bytes bytes;
    for (std::uint16_t word : words)
        bytes.insert(bytes.end(),
                     {static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8)});
    return bytes;
}

QRgb Rgb(const GifColor& colour)
{
    return qRgb(colour.red, colour.green, colour.blue);
}

// The 16 colours a palette of SNES words shows, black past its end.
std::vector<QRgb> Shown(const Colours& words)
{
    std::vector<QRgb> colours(16, qRgb(0, 0, 0));
    for (std::size_t i = 0; i < words.size() && i < 16; ++i)
        colours[i] = Rgb(SnesToImageColor(words[i]));
    return colours;
}

std::vector<QRgb> Shown(const GifColorTable& table)
{
    std::vector<QRgb> colours(16, qRgb(0, 0, 0));
    for (std::size_t i = 0; i < table.size() && i < 16; ++i)
        colours[i] = Rgb(table[i]);
    return colours;
}

// Whether a picture shows a 128 x 16 graphic of colour indices `index(x, y)` in `colours`,
// enlarged `zoom` times, pixel for pixel.
testing::AssertionResult ShowsGraphic(const QLabel* label,
                                      const std::function<int(int, int)>& index,
                                      const std::vector<QRgb>& colours, int zoom = kZoom)
{
    const QImage shown = label->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
    if (shown.size() != QSize(kSkillGraphicWidth * zoom, kSkillGraphicHeight * zoom))
        return testing::AssertionFailure()
               << "the picture is " << shown.width() << " x " << shown.height();
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb expected = colours[static_cast<std::size_t>(index(x / zoom, y / zoom))];
            if ((shown.pixel(x, y) & 0xFFFFFF) != (expected & 0xFFFFFF))
                return testing::AssertionFailure() << "pixel " << x << ", " << y;
        }
    }
    return testing::AssertionSuccess();
}

// Whether a swatch picture shows the 16 colours as squares of 16 pixels, eight a row.
testing::AssertionResult ShowsSwatches(const QLabel* label, const std::vector<QRgb>& colours)
{
    const QImage shown = label->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
    if (shown.size() != QSize(128, 32))
        return testing::AssertionFailure()
               << "the swatches are " << shown.width() << " x " << shown.height();
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 128; ++x) {
            const QRgb expected = colours[static_cast<std::size_t>((y / 16) * 8 + x / 16)];
            if ((shown.pixel(x, y) & 0xFFFFFF) != (expected & 0xFFFFFF))
                return testing::AssertionFailure() << "swatch pixel " << x << ", " << y;
        }
    }
    return testing::AssertionSuccess();
}

// What the synthetic images hold: graphics of category 1 at IDs 0 and 2, of category 0 at ID
// 0, a palette of category 1 at ID 0; and the second game's graphic 0 with its palette 0.
struct Graphics {
    SkillTiles first = RandomTiles(1, 3);  // category 1, ID 0
    SkillTiles third = RandomTiles(2, 3);  // category 1, ID 2
    SkillTiles twoBit = RandomTiles(3, 2); // category 0, ID 0
    SkillTiles second = RandomTiles(4, 3); // the second game's graphic 0
    Colours palette{0x0000, 0x7FFF, 0x001F, 0x03E0, 0x7C00, 0x1234, 0x4321, 0x2A95};
    Colours secondPalette{0x0C63, 0x7C1F, 0x03FF, 0x5294, 0x001F, 0x7FE0, 0x3DEF, 0x0421};

    RomImageBuilder epics3(bool copierHeader = false) const
    {
        RomImageBuilder builder = RomImageBuilder::Target(RomImageBuilder::kExpandedSize);
        builder.copierHeader(copierHeader)
            .bytes(0x2280C0, {0x00, 0x00, 0xE3})
            .bytes(0x230000, CompressSkillTiles(first, 24))
            .bytes(0x2280C0 + 3 * 2, {0x00, 0x10, 0xE3})
            .bytes(0x231000, CompressSkillTiles(third, 24))
            .bytes(0x228000, {0x00, 0x20, 0xE3})
            .bytes(0x232000, CompressSkillTiles(twoBit, 16))
            .bytes(0x227380, PaletteBytes(palette));
        return builder;
    }

    RomImageBuilder epics2() const
    {
        RomImageBuilder builder(RomImageBuilder::kPlainSize);
        builder.cartridge("VARNHOLD EPICS2", 0)
            .bytes(0x130000, {0x00, 0x10})
            .bytes(0x131000, CompressSkillTiles(second, 24))
            .bytes(0x10C00, PaletteBytes(secondPalette));
        return builder;
    }
};

class SkillGraphicPageTest : public MainWindowFixture {
protected:
    void createPage()
    {
        createWindow(kQuietSettings);
        control<QTabWidget>("PageControl1")->setCurrentIndex(kSkillGraphicPage);
        showActive();
    }

    QString openImage(const Bytes& image, const char* name = "game.smc")
    {
        const QString path = app::ToQString(dir.write(name, image));
        window->OpenRomImage(path);
        EXPECT_EQ(window->romPath(), path);
        return path;
    }

    QComboBox* combo(const char* name) const { return control<QComboBox>(name); }
    QLabel* picture(const char* name) const { return control<QLabel>(name); }

    // The four selections: graphic category, graphic ID, palette category, palette ID.
    std::vector<int> selections() const
    {
        return {combo("ComboBox26")->currentIndex(), combo("ComboBox27")->currentIndex(),
                combo("ComboBox28")->currentIndex(), combo("ComboBox29")->currentIndex()};
    }
    std::vector<int> idCounts() const
    {
        return {combo("ComboBox27")->count(), combo("ComboBox29")->count()};
    }

    void select(int graphicCategory, int graphicId, int paletteCategory, int paletteId) const
    {
        combo("ComboBox26")->setCurrentIndex(graphicCategory);
        combo("ComboBox27")->setCurrentIndex(graphicId);
        combo("ComboBox28")->setCurrentIndex(paletteCategory);
        combo("ComboBox29")->setCurrentIndex(paletteId);
    }

    bool dropOnPanel(const std::filesystem::path& file) const
    {
        return dropFilesOn(control("Panel6"), {app::ToQString(file)});
    }

    void expectError(const QString& text, const std::string& where)
    {
        ASSERT_EQ(dialogs->messages.size(), 1u) << where;
        EXPECT_EQ(dialogs->messages[0].text, text) << where;
        EXPECT_EQ(dialogs->messages[0].caption, "エラー") << where;
        EXPECT_EQ(dialogs->messages[0].icon, app::MessageIcon::Stop) << where;
        dialogs->messages.clear();
    }

    Graphics graphics;
};

// --- The lists -----------------------------------------------------------------------------

TEST_F(SkillGraphicPageTest, ListsStartAtCategoryOneWithTheirIds)
{
    createPage();
    QComboBox* graphicCategories = combo("ComboBox26");
    QComboBox* paletteCategories = combo("ComboBox28");
    ASSERT_EQ(graphicCategories->count(), 5);
    ASSERT_EQ(paletteCategories->count(), 6);
    EXPECT_EQ(graphicCategories->itemText(0),
              "【00】4色パレット、オフセットE28000、4F,53,56で読み出し");
    EXPECT_EQ(graphicCategories->itemText(3),
              "【03】8色パレット、オフセット5BFBC0、術閃きパッチ専用");
    EXPECT_EQ(graphicCategories->itemText(4), "【FF】Varnhold Epics 2、オフセットD30000");
    EXPECT_EQ(paletteCategories->itemText(3), "【03】4色パレット、ハードコーディング");
    EXPECT_EQ(paletteCategories->itemText(5), "【FF】Varnhold Epics 2、アドレスC10C00");
    EXPECT_EQ(selections(), (std::vector<int>{1, 0, 1, 0}));
    EXPECT_EQ(idCounts(), (std::vector<int>{128, 120}));
    EXPECT_EQ(combo("ComboBox27")->itemText(0), "【00】");
    EXPECT_EQ(combo("ComboBox27")->itemText(0x7F), "【7F】");
    EXPECT_EQ(combo("ComboBox29")->itemText(0x77), "【77】");

    EXPECT_EQ(text("Edit98"), "5D0000");
    EXPECT_EQ(text("Edit99"), "");
    EXPECT_TRUE(control<QLineEdit>("Edit99")->isReadOnly());
    EXPECT_TRUE(control<QCheckBox>("CheckBoxWritePalette")->isChecked());
    EXPECT_EQ(control<QCheckBox>("CheckBoxWritePalette")->text(), "パレットも書き込む");
    EXPECT_EQ(control<QPushButton>("Button10")->text(), "GIFで保存");
    EXPECT_EQ(control<QPushButton>("Button18")->text(), "書き込み");
    QStringList captions;
    for (const QLabel* label : window->findChildren<QLabel*>())
        captions << label->text();
    for (const char* caption : {"グラフィック分類", "グラフィックID", "パレット分類", "パレットID",
                                "書き込みアドレス", "～"})
        EXPECT_TRUE(captions.contains(QString::fromUtf8(caption))) << caption;

    // Each category offers its own IDs, the first selected; without an image nothing is read.
    const int graphicIds[] = {64, 128, 64, 256, 256};
    for (int category : {0, 3, 4, 2, 1}) {
        combo("ComboBox27")->setCurrentIndex(5);
        graphicCategories->setCurrentIndex(category);
        EXPECT_EQ(combo("ComboBox27")->count(), graphicIds[category]) << category;
        EXPECT_EQ(combo("ComboBox27")->currentIndex(), 0) << category;
    }
    const int paletteIds[] = {256, 120, 40, 5, 256, 256};
    for (int category : {0, 2, 3, 4, 5, 1}) {
        combo("ComboBox29")->setCurrentIndex(3);
        paletteCategories->setCurrentIndex(category);
        EXPECT_EQ(combo("ComboBox29")->count(), paletteIds[category]) << category;
        EXPECT_EQ(combo("ComboBox29")->currentIndex(), 0) << category;
    }
    EXPECT_TRUE(picture("Image3")->pixmap().isNull());
    EXPECT_TRUE(picture("Image4")->pixmap().isNull());
    EXPECT_TRUE(dialogs->messages.empty());
}

// --- Reading -------------------------------------------------------------------------------

TEST_F(SkillGraphicPageTest, OpeningAnImageShowsTheSelectedGraphicAndEachSelectionReadsAgain)
{
    createPage();
    openImage(graphics.epics3().build());
    const auto shows = [&](const SkillTiles& tiles, int bits, const std::vector<QRgb>& colours) {
        return ShowsGraphic(
            picture("Image3"), [&](int x, int y) { return TilePixel(tiles, bits, x, y); }, colours);
    };
    EXPECT_TRUE(shows(graphics.first, 3, Shown(graphics.palette)));
    EXPECT_TRUE(ShowsSwatches(picture("Image4"), Shown(graphics.palette)));

    combo("ComboBox27")->setCurrentIndex(2);
    EXPECT_TRUE(shows(graphics.third, 3, Shown(graphics.palette)));

    // Category 0: 2 bits a pixel, its ID list of 64 from ID 0.
    combo("ComboBox26")->setCurrentIndex(0);
    EXPECT_EQ(combo("ComboBox27")->count(), 64);
    EXPECT_TRUE(shows(graphics.twoBit, 2, Shown(graphics.palette)));

    // The built-in palettes: ID 4's fourth colour is pure red.
    combo("ComboBox28")->setCurrentIndex(3);
    EXPECT_EQ(combo("ComboBox29")->count(), 5);
    const Colours builtIn{0x0000, 0x6BDE, 0x18C6, 0x02B7};
    EXPECT_TRUE(shows(graphics.twoBit, 2, Shown(builtIn)));
    combo("ComboBox29")->setCurrentIndex(4);
    const Colours red{0x0000, 0x6BDE, 0x18C6, 0x001F};
    EXPECT_TRUE(shows(graphics.twoBit, 2, Shown(red)));
    EXPECT_TRUE(ShowsSwatches(picture("Image4"), Shown(red)));
    EXPECT_TRUE(dialogs->messages.empty());
}

TEST_F(SkillGraphicPageTest, AnImageWithACopierHeaderIsReadBehindIt)
{
    createPage();
    openImage(graphics.epics3(true).build());
    ASSERT_EQ(text("Edit93"), "あり");
    EXPECT_TRUE(ShowsGraphic(
        picture("Image3"), [&](int x, int y) { return TilePixel(graphics.first, 3, x, y); },
        Shown(graphics.palette)));
}

TEST_F(SkillGraphicPageTest, AnImageThatCannotBeReadLeavesThePictureWithoutAMessage)
{
    createPage();
    const QString path = openImage(graphics.epics3().build());
    const QImage before = picture("Image3")->pixmap().toImage();
    std::filesystem::remove(app::ToPath(path));
    combo("ComboBox27")->setCurrentIndex(2);
    EXPECT_EQ(picture("Image3")->pixmap().toImage(), before);
    EXPECT_TRUE(dialogs->messages.empty());
}

// After an image of the second game the lists show its categories, and after one of this
// game they leave them again; another title changes nothing.
TEST_F(SkillGraphicPageTest, CategoriesFollowTheTitleOfTheOpenedImage)
{
    createPage();
    const auto showsSecondGame = [&] {
        return ShowsGraphic(
            picture("Image3"), [&](int x, int y) { return TilePixel(graphics.second, 3, x, y); },
            Shown(graphics.secondPalette));
    };
    const auto showsFirst = [&] {
        return ShowsGraphic(
            picture("Image3"), [&](int x, int y) { return TilePixel(graphics.first, 3, x, y); },
            Shown(graphics.palette));
    };
    combo("ComboBox27")->setCurrentIndex(9);
    openImage(graphics.epics2().build(), "epics2.smc");
    ASSERT_EQ(text("Edit91"), "VARNHOLD EPICS2");
    EXPECT_TRUE(combo("ComboBox26")->currentText().startsWith(QStringLiteral("【FF】")));
    EXPECT_TRUE(combo("ComboBox28")->currentText().startsWith(QStringLiteral("【FF】")));
    EXPECT_EQ(selections(), (std::vector<int>{4, 0, 5, 0}));
    EXPECT_EQ(idCounts(), (std::vector<int>{256, 256}));
    EXPECT_TRUE(showsSecondGame());
    EXPECT_TRUE(ShowsSwatches(picture("Image4"), Shown(graphics.secondPalette)));

    // The second game's graphics are read, not written.
    const auto gif = dir.write("graphic.gif", GifBytes(SkillGif(PatternPixel, DistinctColours(8))));
    ASSERT_TRUE(dropOnPanel(gif));
    control<QPushButton>("Button18")->click();
    expectError("ここには書き込めません。", "the second game");

    // This game's image takes the lists back to category 1.
    openImage(graphics.epics3().build(), "epics3.smc");
    EXPECT_EQ(selections(), (std::vector<int>{1, 0, 1, 0}));
    EXPECT_EQ(idCounts(), (std::vector<int>{128, 120}));
    EXPECT_TRUE(showsFirst());

    // Categories of this game are kept.
    select(3, 7, 2, 5);
    openImage(graphics.epics3().build(), "epics3.smc");
    EXPECT_EQ(selections(), (std::vector<int>{3, 7, 2, 5}));
    EXPECT_EQ(idCounts(), (std::vector<int>{256, 40}));
    select(0, 0, 4, 0);
    openImage(graphics.epics2().build(), "epics2.smc");
    EXPECT_EQ(selections(), (std::vector<int>{4, 0, 5, 0}));

    // Another game: the lists stay, and the picture of the image before is gone.
    openImage(RomImageBuilder(RomImageBuilder::kPlainSize).cartridge("LOOM O LOOM", 0).build(),
              "other.smc");
    EXPECT_EQ(selections(), (std::vector<int>{4, 0, 5, 0}));
    EXPECT_TRUE(picture("Image3")->pixmap().isNull());
    EXPECT_TRUE(picture("Image4")->pixmap().isNull());
    combo("ComboBox26")->setCurrentIndex(1);
    EXPECT_TRUE(picture("Image3")->pixmap().isNull());
    EXPECT_TRUE(dialogs->messages.empty());
}

// --- Saving as GIF -------------------------------------------------------------------------

TEST_F(SkillGraphicPageTest, SaveWritesTheShownGraphicUnchanged)
{
    createPage();
    auto* save = control<QPushButton>("Button10");
    save->click();
    expectError("画像が指定されていません。", "no image");
    EXPECT_TRUE(dialogs->saveRequests.empty());

    openImage(graphics.epics3().build());
    const auto out = dir.path() / "graphic.gif";
    dialogs->saveAnswers.push_back(app::ToQString(out));
    save->click();
    ASSERT_EQ(dialogs->saveRequests.size(), 1u);
    const app::FileDialogRequest& request = dialogs->saveRequests[0];
    EXPECT_EQ(request.filter, "GIFファイル(*.gif)|*.gif");
    EXPECT_EQ(request.filterIndex, 1);
    EXPECT_EQ(request.defaultExtension, ".gif");
    EXPECT_EQ(request.proposedName, "");
    EXPECT_EQ(request.kind, app::FileKind::SkillGraphic);
    EXPECT_TRUE(dialogs->messages.empty());

    const auto saved = LoadGifFile(out);
    ASSERT_TRUE(saved.ok()) << saved.message();
    ASSERT_EQ(saved.value().width, 128);
    ASSERT_EQ(saved.value().height, 16);
    ASSERT_EQ(saved.value().frames.size(), 1u);
    const GifFrame& frame = saved.value().frames.front();
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 128; ++x)
            ASSERT_EQ(frame.pixel(x, y), TilePixel(graphics.first, 3, x, y)) << x << ", " << y;
    }
    const GifColorTable& colours = saved.value().frameColors(0);
    ASSERT_GE(colours.size(), 16u);
    for (std::size_t i = 0; i < 16; ++i)
        EXPECT_EQ(Rgb(colours[i]), Shown(graphics.palette)[i]) << "colour " << i;
    ASSERT_TRUE(frame.control.has_value());
    EXPECT_FALSE(frame.control->transparent);

    // The next save offers the name chosen last; cancelling saves nothing.
    std::filesystem::remove(out);
    dialogs->saveAnswers.push_back(std::nullopt);
    save->click();
    ASSERT_EQ(dialogs->saveRequests.size(), 2u);
    EXPECT_EQ(dialogs->saveRequests[1].proposedName, "graphic.gif");
    EXPECT_FALSE(std::filesystem::exists(out));

    // An image of another game has no graphic to save.
    openImage(RomImageBuilder(RomImageBuilder::kPlainSize).cartridge("LOOM O LOOM", 0).build(),
              "other.smc");
    save->click();
    expectError("画像が指定されていません。", "another game");
    EXPECT_EQ(dialogs->saveRequests.size(), 2u);
}

// The graphic is never saved over the open image, whichever name of it is chosen; a refused
// name is not offered next time.
TEST_F(SkillGraphicPageTest, SavingOverTheOpenImageIsRefusedAndWritesNothing)
{
    createPage();
    const std::vector<std::uint8_t> image = graphics.epics3().build();
    const std::filesystem::path rom = dir.write("game.smc", image);
    window->OpenRomImage(app::ToQString(rom));
    ASSERT_TRUE(dialogs->messages.empty());
    for (const QString& chosen : NamesOf(rom, ".gif")) {
        dialogs->saveAnswers.push_back(chosen);
        control<QPushButton>("Button10")->click();
        expectOutputRefused(chosen);
        EXPECT_TRUE(ReadFileBytes(app::ToPath(chosen)) == image) << chosen.toStdString();
    }
    ASSERT_EQ(dialogs->saveRequests.size(), 3u);
    EXPECT_EQ(dialogs->saveRequests[2].proposedName, "");
}

// --- Importing by drop ---------------------------------------------------------------------

TEST_F(SkillGraphicPageTest, ADroppedGifIsShownWithItsColoursOrRefusedWithItsReason)
{
    createPage();
    const GifColorTable colours = DistinctColours(8);
    const auto good = dir.write("graphic.gif", GifBytes(SkillGif(PatternPixel, colours)));
    ASSERT_TRUE(dropOnPanel(good));
    EXPECT_TRUE(dialogs->messages.empty());
    EXPECT_TRUE(ShowsGraphic(picture("Image6"), PatternPixel, Shown(colours)));
    EXPECT_TRUE(ShowsSwatches(picture("Image7"), Shown(colours)));

    // A file of another kind is not taken, whatever it holds; an upper-case ".GIF" is.
    const auto png =
        dir.write("graphic.png", GifBytes(SkillGif([](int, int) { return 1; }, colours)));
    dropOnPanel(png);
    EXPECT_TRUE(dialogs->messages.empty());
    EXPECT_TRUE(ShowsGraphic(picture("Image6"), PatternPixel, Shown(colours)));
    const GifColorTable others = DistinctColours(5);
    const auto upper =
        dir.write("OTHER.GIF", GifBytes(SkillGif([](int x, int) { return x % 5; }, others)));
    ASSERT_TRUE(dropOnPanel(upper));
    EXPECT_TRUE(ShowsGraphic(
        picture("Image6"), [](int x, int) { return x % 5; }, Shown(others)));
    EXPECT_TRUE(ShowsSwatches(picture("Image7"), Shown(others)));

    struct Case {
        const char* name;
        Bytes bytes;
        QString message;
    };
    GifImage wide;
    wide.width = 129;
    wide.height = 16;
    wide.colors = colours;
    wide.frames.emplace_back(129, 16);
    const Case cases[] = {
        {"colour8.gif",
         GifBytes(SkillGif([](int x, int y) { return x == 37 && y == 9 ? 8 : PatternPixel(x, y); },
                           DistinctColours(16))),
         QStringLiteral("使用できない色が検出されました。\nx:37  y:9")},
        {"wide.gif", GifBytes(wide), QStringLiteral("128×16の画像以外使用できません。")},
        {"broken.gif", Bytes{'G', 'I', 'F', '8', '9', 'a', 0x80},
         QStringLiteral("ファイルの読み出しに失敗しました。")},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(dropOnPanel(good));
        ASSERT_FALSE(picture("Image6")->pixmap().isNull());
        ASSERT_TRUE(dropOnPanel(dir.write(c.name, c.bytes)));
        expectError(c.message, c.name);
        // The refused image is forgotten: nothing is shown as the graphic to write.
        EXPECT_TRUE(picture("Image6")->pixmap().isNull()) << c.name;
        EXPECT_TRUE(picture("Image7")->pixmap().isNull()) << c.name;
    }
    openImage(graphics.epics3().build());
    select(3, 0, 4, 0);
    control<QPushButton>("Button18")->click();
    expectError("画像ファイルを指定してください。", "after a refused drop");
}

// A dropped graphic is shown, and its swatches drawn, in the colours its first frame is shown
// with: the frame's own table when it has one, else the global one (missing entries black).
TEST_F(SkillGraphicPageTest, TheSwatchesOfADroppedGifAreTheColoursItsFirstFrameIsShownWith)
{
    createPage();
    const GifColorTable global = DistinctColours(16);
    GifColorTable local;
    for (const GifColor& colour : DistinctColours(8))
        local.push_back({colour.blue, colour.red, colour.green});
    struct Case {
        const char* name;
        GifColorTable global;
        GifColorTable local;
        GifColorTable shown;
    };
    const Case cases[] = {
        {"LocalAndGlobal", global, local, local},
        {"GlobalOnly", global, {}, global},
        {"LocalOnly", {}, local, local},
    };
    for (const Case& c : cases) {
        GifImage graphic = SkillGif(PatternPixel, c.global);
        graphic.frames.front().colors = c.local;
        ASSERT_TRUE(dropOnPanel(dir.write(std::string(c.name) + ".gif", GifBytes(graphic))));
        EXPECT_TRUE(dialogs->messages.empty()) << c.name;
        EXPECT_TRUE(ShowsSwatches(picture("Image7"), Shown(c.shown))) << c.name;
        EXPECT_TRUE(ShowsGraphic(picture("Image6"), PatternPixel, Shown(c.shown))) << c.name;
    }
}

// A dropped graphic that cannot be read gets the one message every reader of GIF files gives.
TEST_F(SkillGraphicPageTest, AnUnreadableDroppedGifGetsTheOneMessage)
{
    createPage();
    const auto good =
        dir.write("graphic.gif", GifBytes(SkillGif(PatternPixel, DistinctColours(8))));
    for (const BrokenGif& gif : BrokenGifs(kSkillGraphicWidth, kSkillGraphicHeight)) {
        ASSERT_TRUE(dropOnPanel(good));
        ASSERT_TRUE(dropOnPanel(dir.write(gif.name + ".gif", gif.bytes)));
        expectError(QStringLiteral("ファイルの読み出しに失敗しました。"), gif.name);
        EXPECT_TRUE(picture("Image6")->pixmap().isNull()) << gif.name;
        EXPECT_TRUE(picture("Image7")->pixmap().isNull()) << gif.name;
    }
}

// --- Writing -------------------------------------------------------------------------------

TEST_F(SkillGraphicPageTest, WritesTheGraphicAndItsPaletteAndShowsItAgain)
{
    createPage();
    const Bytes original = graphics.epics3().build();
    const QString path = openImage(original);
    const GifColorTable colours = DistinctColours(8);
    const GifImage graphic = SkillGif(PatternPixel, colours);
    ASSERT_TRUE(dropOnPanel(dir.write("graphic.gif", GifBytes(graphic))));

    select(3, 0x10, 4, 0x21);
    control<QLineEdit>("Edit98")->setText("5c8000");
    control<QPushButton>("Button18")->click();
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].text, "処理が完了しました");
    EXPECT_EQ(dialogs->messages[0].caption, "終了");
    EXPECT_EQ(dialogs->messages[0].icon, app::MessageIcon::Information);

    const Bytes data = CompressSkillTiles(EncodeSkillTiles(graphic.frames.front()), 24);
    EXPECT_EQ(text("Edit98"), "5C8000");
    EXPECT_EQ(text("Edit99"), QString::fromStdString(HexDigits(
                                  0x5C8000 + static_cast<std::int64_t>(data.size()) - 1, 6)));
    Bytes expected = original;
    std::copy_n(Bytes{0x00, 0x80, 0x5C}.begin(), 3, expected.begin() + 0x5BFBC0 + 3 * 0x10);
    std::copy(data.begin(), data.end(), expected.begin() + 0x5C8000);
    for (std::size_t i = 0; i < 8; ++i) {
        const std::uint16_t word = ImageToSnesColor(colours[i]);
        expected[0x5B8100 + 16 * 0x21 + 2 * i] = static_cast<std::uint8_t>(word);
        expected[0x5B8100 + 16 * 0x21 + 2 * i + 1] = static_cast<std::uint8_t>(word >> 8);
    }
    EXPECT_TRUE(ReadFileBytes(app::ToPath(path)) == expected);

    // The written graphic is shown from the image, in its written colours.
    EXPECT_TRUE(ShowsGraphic(picture("Image3"), PatternPixel, Shown(colours)));
    EXPECT_TRUE(ShowsSwatches(picture("Image4"), Shown(colours)));
}

TEST_F(SkillGraphicPageTest, WritesWithoutThePaletteIntoAnyPaletteCategory)
{
    createPage();
    const Bytes original = graphics.epics3(true).build();
    const QString path = openImage(original);
    const GifImage graphic = SkillGif(PatternPixel, DistinctColours(8));
    ASSERT_TRUE(dropOnPanel(dir.write("graphic.gif", GifBytes(graphic))));
    select(3, 0xFF, 2, 0);
    control<QCheckBox>("CheckBoxWritePalette")->setChecked(false);
    control<QLineEdit>("Edit98")->setText("not hex");
    control<QPushButton>("Button18")->click();
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].text, "処理が完了しました");

    // Behind the copier header: the pointer keeps the address, the data lands 512 further on.
    const Bytes data = CompressSkillTiles(EncodeSkillTiles(graphic.frames.front()), 24);
    EXPECT_EQ(text("Edit98"), "5D0000");
    EXPECT_EQ(text("Edit99"), QString::fromStdString(HexDigits(
                                  0x5D0200 + static_cast<std::int64_t>(data.size()) - 1, 6)));
    Bytes expected = original;
    std::copy_n(Bytes{0x00, 0x00, 0x5D}.begin(), 3, expected.begin() + 0x200 + 0x5BFBC0 + 3 * 0xFF);
    std::copy(data.begin(), data.end(), expected.begin() + 0x5D0200);
    EXPECT_TRUE(ReadFileBytes(app::ToPath(path)) == expected) << "only the pointer and the data";
}

TEST_F(SkillGraphicPageTest, RefusedWritesSayWhyAndLeaveTheImageAlone)
{
    createPage();
    const auto gif = dir.write("graphic.gif", GifBytes(SkillGif(PatternPixel, DistinctColours(8))));
    auto* write = control<QPushButton>("Button18");

    // Without an image and without a graphic.
    write->click();
    expectError("SMCファイルを指定してください。", "no image");
    const Bytes original = graphics.epics3().build();
    const QString path = openImage(original);
    select(3, 0, 4, 0);
    write->click();
    expectError("画像ファイルを指定してください。", "no graphic");
    ASSERT_TRUE(dropOnPanel(gif));

    struct Case {
        const char* what;
        int graphicCategory, paletteCategory;
        bool palette;
        const char* address;
        QString message;
    };
    const Case cases[] = {
        {"category 1", 1, 4, true, "5D0000", QStringLiteral("ここには書き込めません。")},
        {"category 1 without the palette", 1, 4, false, "5D0000",
         QStringLiteral("ここには書き込めません。")},
        {"palette category 2 with the palette", 3, 2, true, "5D0000",
         QStringLiteral("ここには書き込めません。")},
        {"data past the end of the image", 3, 4, true, "5FFFF0",
         QStringLiteral("SMCファイルの範囲外には書き込めません。")},
    };
    for (const Case& c : cases) {
        select(c.graphicCategory, 0, c.paletteCategory, 0);
        control<QCheckBox>("CheckBoxWritePalette")->setChecked(c.palette);
        control<QLineEdit>("Edit98")->setText(c.address);
        write->click();
        expectError(c.message, c.what);
        EXPECT_EQ(text("Edit99"), "") << c.what;
        EXPECT_TRUE(ReadFileBytes(app::ToPath(path)) == original) << c.what;
    }
}

// --- Layout --------------------------------------------------------------------------------

TEST_F(SkillGraphicPageTest, LayoutEveryControlReachableAtTheSmallestSize)
{
    createPage();
    openImage(graphics.epics3().build());
    ASSERT_TRUE(dropOnPanel(
        dir.write("graphic.gif", GifBytes(SkillGif(PatternPixel, DistinctColours(8))))));
    window->resize(app::TForm1::smallestSize());
    QApplication::processEvents();
    auto* area = control<QScrollArea>("SkillGraphicPageScroll");
    ASSERT_NE(area, nullptr);
    for (const char* name :
         {"ComboBox26", "ComboBox27", "ComboBox28", "ComboBox29", "Image3", "Image4", "Button10",
          "Panel6", "Image6", "Image7", "Edit98", "Edit99", "CheckBoxWritePalette", "Button18"}) {
        QWidget* widget = control(name);
        ASSERT_TRUE(widget->isVisible()) << name;
        const QPoint at = widget->mapTo(area->widget(), QPoint(0, 0));
        area->horizontalScrollBar()->setValue(at.x());
        area->verticalScrollBar()->setValue(at.y());
        QApplication::processEvents();
        const QRect shown(widget->mapTo(area->viewport(), QPoint(0, 0)), widget->size());
        EXPECT_TRUE(area->viewport()->rect().contains(shown)) << name;
    }
    // The pictures keep their whole-number zoom whatever the window's size.
    EXPECT_EQ(picture("Image3")->contentsRect().size(), QSize(128 * kZoom, 16 * kZoom));
    EXPECT_EQ(picture("Image6")->size(), QSize(128 * kZoom, 16 * kZoom));
    window->resize(app::TForm1::designedSize());
    QApplication::processEvents();
    expectControlsUnclipped(area->widget(), "技術グラフィック");
    expectPagesUnscrolled("技術グラフィック");
}

} // namespace
} // namespace varn::test
