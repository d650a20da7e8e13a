// The page "キャラグラフィック" (the characters' sprite sheets read from the open image, shown
// and saved as GIF) and the animation window "アニメーション確認" opened from the character
// editor, driven on the real main window.

#include <QDate>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include <algorithm>
#include <functional>
#include <random>

#include "CharaPatchFixture.h"
#include "app/GifQImage.h"
#include "app/TForm2.h"
#include "graphics/Animation.h"
#include "graphics/CharacterSheetRom.h"
#include "graphics/SnesTile.h"
#include "support/RomImageBuilder.h"
#include "text/TextCodec.h"

namespace varn::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kCharaGraphicPage = 2;

QString Today()
{
    return QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
}

// A palette and a tile block of random colours and random tile pixels, none of colour 3.
struct SheetData {
    SheetPalette palette{};
    SheetTiles tiles{};
};

SheetData RandomSheetData(unsigned seed)
{
    std::mt19937 random(seed);
    SheetData data;
    for (std::size_t i = 0; i < data.palette.size(); ++i)
        data.palette[i] = static_cast<std::uint8_t>(random() & (i % 2 ? 0x7F : 0xFF));
    for (int t = 0; t < kSheetTileCount; ++t) {
        TilePixels pixels{};
        for (auto& index : pixels)
            index = static_cast<std::uint8_t>(random() % 16);
        std::replace(pixels.begin(), pixels.end(), std::uint8_t{3}, std::uint8_t{9});
        const TileBytes bytes = EncodeTile(pixels);
        std::copy(bytes.begin(), bytes.end(), data.tiles.begin() + t * kTileBytes);
    }
    return data;
}

Bytes AsBytes(std::span<const std::uint8_t> span)
{
    return Bytes(span.begin(), span.end());
}

GifImage SheetOf(const SheetData& data)
{
    GifImage sheet;
    BuildSheetImage(data.palette, data.tiles, sheet);
    return sheet;
}

// The same picture, pixel for pixel, whatever the formats.
bool SamePicture(const QImage& shown, const QImage& expected)
{
    return !shown.isNull() && shown.size() == expected.size() &&
           shown.convertToFormat(QImage::Format_ARGB32) ==
               expected.convertToFormat(QImage::Format_ARGB32);
}

Bytes NameBytes(std::string_view text)
{
    Bytes field(8);
    EXPECT_EQ(EncodeText(text, field), 0) << text;
    return field;
}

class CharaGraphicPageTest : public CharaPatchFixture {
protected:
    app::TForm1& createPage(std::optional<std::string_view> settings = std::nullopt)
    {
        createWindow(settings);
        control<QTabWidget>("PageControl1")->setCurrentIndex(kCharaGraphicPage);
        showActive();
        return *window;
    }

    // Writes an image and opens it as the user does.
    QString openImage(const Bytes& image, const char* name = "game.smc")
    {
        const QString path = app::ToQString(dir.write(name, image));
        window->OpenRomImage(path);
        return path;
    }

    QComboBox* list() const { return combo("ComboBox70"); }
    QPushButton* saveButton() const { return control<QPushButton>("Button9"); }
    QImage picture() const { return control<QLabel>("Image8")->pixmap().toImage(); }

    void selectCode(std::uint8_t code) const
    {
        const int row = list()->findData(int{code});
        ASSERT_GE(row, 0) << std::hex << int{code};
        list()->setCurrentIndex(row);
    }

    QStringList labels() const
    {
        QStringList texts;
        for (int i = 0; i < list()->count(); ++i)
            texts << list()->itemText(i);
        return texts;
    }
};

// --- The list ------------------------------------------------------------------------------

TEST_F(CharaGraphicPageTest, ThirtyTwoItemsOnA4MiBImageSixtyTwoOnAnExpandedOne)
{
    createPage();
    QStringList fixed;
    for (const ListItem& item : CharacterSheetItems())
        fixed << QString::fromStdString(item.label);
    ASSERT_EQ(fixed.size(), 32);
    // Before any image the page lists the fixed characters, 1B ninth.
    EXPECT_EQ(labels(), fixed);
    EXPECT_TRUE(list()->itemText(8).startsWith(QStringLiteral("【1B】")));
    EXPECT_EQ(list()->itemData(8).toInt(), 0x1B);
    EXPECT_FALSE(saveButton()->isEnabled());

    openImage(RomImageBuilder::Target(RomImageBuilder::kPlainSize).build());
    EXPECT_EQ(labels(), fixed);

    RomImageBuilder expanded = RomImageBuilder::Target(RomImageBuilder::kExpandedSize);
    for (int n = 0; n < 30; ++n)
        expanded.bytes(0x3D1A00 + 8 * static_cast<std::size_t>(n),
                       NameBytes(n % 3 ? "あいう" : "かきくけこ"));
    // A name that does not decode (0x00 is no character) gives an empty label.
    expanded.bytes(0x3D1A00 + 8 * 5, {0x51, 0x00, 0x50, 0x50, 0x50, 0x50, 0x50, 0x50});
    expanded.bytes(0x3D1A00 + 8 * 29, NameBytes("さしすせそたちつ"));
    openImage(expanded.build(), "expanded.smc");
    const QStringList all = labels();
    ASSERT_EQ(all.size(), 62);
    EXPECT_EQ(all.mid(0, 32), fixed);
    EXPECT_EQ(all[32], QStringLiteral("【B0】かきくけこ"));
    EXPECT_EQ(all[33], QStringLiteral("【B1】あいう"));
    EXPECT_EQ(all[32 + 5], QStringLiteral("【B5】"));
    EXPECT_EQ(all[61], QStringLiteral("【CD】さしすせそたちつ"));
    for (int n = 0; n < 30; ++n)
        EXPECT_EQ(list()->itemData(32 + n).toInt(), 0xB0 + n);

    // Opened again, the extra items are replaced, not added twice; a 4 MiB image drops them.
    list()->setCurrentIndex(36);
    openImage(expanded.build(), "expanded.smc");
    EXPECT_EQ(list()->count(), 62);
    EXPECT_EQ(list()->currentIndex(), 36); // the choice stays while the image lists it
    list()->setCurrentIndex(61);
    openImage(RomImageBuilder::Target(RomImageBuilder::kPlainSize).build(), "plain.smc");
    EXPECT_EQ(labels(), fixed);
    EXPECT_EQ(list()->currentIndex(), 0);
    EXPECT_TRUE(dialogs->messages.empty());
}

// --- The picture ---------------------------------------------------------------------------

TEST_F(CharaGraphicPageTest, ThePictureIsTheSelectedCharactersSheetFromTheImage)
{
    createPage();
    const SheetData first = RandomSheetData(1);  // code 00, the first item
    const SheetData ninth = RandomSheetData(2);  // code 1B, the ninth item
    const SheetData eighth = RandomSheetData(3); // code 07, the eighth item
    openImage(RomImageBuilder::Target(RomImageBuilder::kPlainSize)
                  .bytes(0x2C8020, AsBytes(first.palette))
                  .bytes(0x1A1C60, AsBytes(first.tiles))
                  .bytes(0x2C8D80, AsBytes(ninth.palette))
                  .bytes(0x1FB1A0, AsBytes(ninth.tiles))
                  .bytes(0x2C80E0, AsBytes(eighth.palette))
                  .bytes(0x1AC6A0, AsBytes(eighth.tiles))
                  .build());
    // Opening shows the selected item at once.
    EXPECT_TRUE(SamePicture(picture(), app::FrameToQImage(SheetOf(first))));
    EXPECT_EQ(picture().size(), QSize(176, 133));
    EXPECT_TRUE(saveButton()->isEnabled());

    list()->setCurrentIndex(8);
    EXPECT_TRUE(SamePicture(picture(), app::FrameToQImage(SheetOf(ninth))));
    list()->setCurrentIndex(7);
    EXPECT_TRUE(SamePicture(picture(), app::FrameToQImage(SheetOf(eighth))));
    EXPECT_TRUE(dialogs->messages.empty());
}

// An extra code whose pointer leads outside the image shows nothing and cannot be saved; the
// next code with a sound pointer shows again.
TEST_F(CharaGraphicPageTest, APointerOutsideTheImageShowsNothingAndDisablesSaving)
{
    createPage();
    const SheetData low = RandomSheetData(4);
    const SheetData high = RandomSheetData(5);
    openImage(RomImageBuilder::Target(RomImageBuilder::kExpandedSize)
                  .bytes(0x5A8630, {0x00, 0x00, 0x00, 0x7F}) // B0: past the end
                  .bytes(0x5A8634, {0x00, 0x20, 0xA0, 0xC5}) // B1: 0x05A020
                  .bytes(0x5A9D70 + 32, AsBytes(low.palette))
                  .bytes(0x05A020, AsBytes(low.tiles))
                  .bytes(0x5A8638, {0x00, 0x00, 0x00, 0x41}) // B2: 0x410000
                  .bytes(0x5A9D70 + 64, AsBytes(high.palette))
                  .bytes(0x410000, AsBytes(high.tiles))
                  .bytes(0x5A863C, {0x00, 0x00, 0xF0, 0x5F}) // B3: runs past the end
                  .build());

    selectCode(0xB1);
    EXPECT_TRUE(SamePicture(picture(), app::FrameToQImage(SheetOf(low))));
    EXPECT_TRUE(saveButton()->isEnabled());
    for (const std::uint8_t outside : {std::uint8_t{0xB0}, std::uint8_t{0xB3}}) {
        selectCode(outside);
        EXPECT_TRUE(picture().isNull()) << std::hex << int{outside};
        EXPECT_FALSE(saveButton()->isEnabled());
    }
    selectCode(0xB2);
    EXPECT_TRUE(SamePicture(picture(), app::FrameToQImage(SheetOf(high))));
    EXPECT_TRUE(saveButton()->isEnabled());
    EXPECT_TRUE(dialogs->messages.empty());
}

// Outside the ROM condition the page does nothing: no extra items, no picture, no message
// of its own.
TEST_F(CharaGraphicPageTest, AnImageOutsideTheConditionLeavesThePageAlone)
{
    struct Case {
        const char* name;
        Bytes image;
    };
    const Case cases[] = {
        {"CopierHeader",
         RomImageBuilder::Target(RomImageBuilder::kExpandedSize).copierHeader().build()},
        {"OtherVersion",
         RomImageBuilder(RomImageBuilder::kExpandedSize).cartridge("VARNHOLD EPICS3", 0).build()},
        {"OtherGame",
         RomImageBuilder(RomImageBuilder::kExpandedSize).cartridge("SOME OTHER GAME", 1).build()},
    };
    // SmcHeaderCheck 2 opens every image silently.
    createPage("[Varnwork]\nSmcHeaderCheck=2\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        openImage(c.image, "other.smc");
        EXPECT_FALSE(window->romPath().isEmpty());
        EXPECT_EQ(list()->count(), 32);
        EXPECT_TRUE(picture().isNull());
        EXPECT_FALSE(saveButton()->isEnabled());
        // Choosing a character reads nothing either.
        list()->setCurrentIndex(3);
        EXPECT_TRUE(picture().isNull());
        EXPECT_FALSE(saveButton()->isEnabled());
    }
    EXPECT_TRUE(dialogs->messages.empty());
}

// What the page showed belongs to the image it was read from: opening another image drops
// it, even when that image cannot be opened.
TEST_F(CharaGraphicPageTest, OpeningAnotherImageDropsWhatThePageShowed)
{
    createPage();
    openImage(RomImageBuilder::Target(RomImageBuilder::kExpandedSize).build());
    selectCode(0xB4);
    ASSERT_EQ(list()->count(), 62);
    EXPECT_FALSE(picture().isNull());

    window->OpenRomImage(app::ToQString(dir.path() / "missing.smc"));
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].text, "ファイルが開けません。");
    EXPECT_EQ(list()->count(), 32);
    EXPECT_TRUE(picture().isNull());
    EXPECT_FALSE(saveButton()->isEnabled());
}

// --- Saving --------------------------------------------------------------------------------

TEST_F(CharaGraphicPageTest, SavesTheSheetUnderItsItemNameTransparentAsTheSettingSays)
{
    const SheetData data = RandomSheetData(6);
    for (const int setting : {0, 1}) {
        SCOPED_TRACE(setting);
        createPage("[Varnwork]\nTmpTransparent=" + std::to_string(setting) + "\n");
        openImage(RomImageBuilder::Target(RomImageBuilder::kPlainSize)
                      .bytes(0x2C8D80, AsBytes(data.palette))
                      .bytes(0x1FB1A0, AsBytes(data.tiles))
                      .build());
        list()->setCurrentIndex(8);
        const std::filesystem::path out = dir.path() / ("sheet" + std::to_string(setting) + ".gif");
        dialogs->saveAnswers.push_back(app::ToQString(out));
        saveButton()->click();

        ASSERT_EQ(dialogs->saveRequests.size(), 1u);
        const app::FileDialogRequest& request = dialogs->saveRequests[0];
        EXPECT_EQ(request.filter, "GIFファイル(*.gif)|*.gif");
        EXPECT_EQ(request.filterIndex, 1);
        EXPECT_EQ(request.defaultExtension, ".gif");
        EXPECT_EQ(request.proposedName, list()->itemText(8) + "_" + Today());
        EXPECT_TRUE(request.proposedName.startsWith(QStringLiteral("【1B】")));
        EXPECT_EQ(request.kind, app::FileKind::SpriteSheet);
        EXPECT_TRUE(dialogs->messages.empty());

        const Result<GifImage> saved = LoadGifFile(out);
        ASSERT_TRUE(saved.ok()) << saved.message();
        EXPECT_EQ(saved.value().width, 176);
        EXPECT_EQ(saved.value().height, 133);
        EXPECT_EQ(TilesFromImage(saved.value()), data.tiles);
        const GifControl control = saved.value().frames.at(0).control.value();
        EXPECT_EQ(control.transparent, setting == 1);
        EXPECT_EQ(control.transparentIndex, 0);
        window.reset();
        dialogs = nullptr;
    }
}

TEST_F(CharaGraphicPageTest, SavingWhenTheImageIsGoneReportsItAndWritesNothing)
{
    createPage();
    const QString rom = openImage(RomImageBuilder::Target(RomImageBuilder::kPlainSize).build());
    ASSERT_TRUE(saveButton()->isEnabled());
    std::filesystem::remove(app::ToPath(rom));
    const std::filesystem::path out = dir.path() / "out.gif";
    dialogs->saveAnswers.push_back(app::ToQString(out));
    saveButton()->click();
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].text, "ファイルが開けません。");
    EXPECT_EQ(dialogs->messages[0].caption, "エラー");
    EXPECT_EQ(dialogs->messages[0].icon, app::MessageIcon::Stop);
    EXPECT_FALSE(std::filesystem::exists(out));

    // Cancelling the dialog reads and writes nothing.
    dialogs->messages.clear();
    dialogs->saveAnswers.push_back(std::nullopt);
    saveButton()->click();
    EXPECT_TRUE(dialogs->messages.empty());
    EXPECT_FALSE(std::filesystem::exists(out));
}

// The sheet is never saved over the open image, whichever name of it the dialog is given.
TEST_F(CharaGraphicPageTest, SavingOverTheOpenImageIsRefusedAndWritesNothing)
{
    createPage();
    const Bytes image = RomImageBuilder::Target(RomImageBuilder::kPlainSize).build();
    const QString rom = openImage(image);
    ASSERT_TRUE(saveButton()->isEnabled());
    for (const QString& chosen : NamesOf(app::ToPath(rom), ".gif")) {
        dialogs->saveAnswers.push_back(chosen);
        saveButton()->click();
        expectOutputRefused(chosen);
        EXPECT_TRUE(ReadFileBytes(app::ToPath(chosen)) == image) << chosen.toStdString();
    }
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "link.gif"));
    EXPECT_TRUE(ReadFileBytes(app::ToPath(rom)) == image);
}

// --- Layout --------------------------------------------------------------------------------

// Every control of the page can be scrolled into view at the window's smallest size, and
// the sheet keeps its pixel size.
TEST_F(CharaGraphicPageTest, LayoutEveryControlReachableAtTheSmallestSize)
{
    createPage();
    openImage(RomImageBuilder::Target(RomImageBuilder::kPlainSize).build());
    window->resize(app::TForm1::smallestSize());
    QApplication::processEvents();
    auto* area = control<QScrollArea>("CharaGraphicPageScroll");
    ASSERT_NE(area, nullptr);
    for (const char* name : {"ComboBox70", "Image8", "Button9"}) {
        QWidget* widget = control(name);
        ASSERT_TRUE(widget->isVisible()) << name;
        const QPoint at = widget->mapTo(area->widget(), QPoint(0, 0));
        area->horizontalScrollBar()->setValue(at.x());
        area->verticalScrollBar()->setValue(at.y());
        QApplication::processEvents();
        const QRect shown(widget->mapTo(area->viewport(), QPoint(0, 0)), widget->size());
        EXPECT_TRUE(area->viewport()->rect().contains(shown)) << name;
    }
    EXPECT_EQ(control<QLabel>("Image8")->size(), QSize(176, 133));
    window->resize(app::TForm1::designedSize());
    QApplication::processEvents();
    expectControlsUnclipped(area->widget(), "キャラグラフィック");
    expectPagesUnscrolled("キャラグラフィック");
}

// --- The animation window ------------------------------------------------------------------

class AnimationWindowTest : public CharaGraphicPageTest {
protected:
    void TearDown() override { app::TForm2::setModalHook({}); }

    // Loads a sheet of random tiles into the character editor and names the character.
    GifImage loadSheet(const QString& name = QStringLiteral("あいう"), unsigned seed = 7)
    {
        createEditor(settingsText);
        const GifImage sheet = SheetOf(RandomSheetData(seed));
        const std::filesystem::path path = dir.path() / "anim_sheet.gif";
        EXPECT_TRUE(SaveGifFile(sheet, path).ok());
        openWithButton(app::ToQString(path));
        type("Edit1", name);
        EXPECT_TRUE(control<QPushButton>("Button8")->isEnabled());
        return window->sheetImage();
    }

    // Presses "アニメーション確認" and runs `body` while the window is shown modally; the
    // window is closed afterwards whatever the body found. Returns whether it was shown.
    bool withWindow(const std::function<void(app::TForm2&)>& body)
    {
        bool shown = false;
        app::TForm2::setModalHook([&](app::TForm2& form) {
            shown = true;
            EXPECT_TRUE(form.isVisible());
            EXPECT_TRUE(form.isModal());
            body(form);
            form.reject();
        });
        control<QPushButton>("Button8")->click();
        app::TForm2::setModalHook({});
        return shown;
    }

    template <class T> static T* in(app::TForm2& form, const char* name)
    {
        T* widget = form.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    static QImage shownPicture(app::TForm2& form)
    {
        return in<QLabel>(form, "Image1")->pixmap().toImage();
    }

    // Frame `frame` of an animation as the window shows it: three times enlarged.
    static QImage enlarged(const GifImage& animation, std::size_t frame)
    {
        return app::FrameToQImage(animation, frame).scaled(72, 96);
    }

    std::optional<std::string> settingsText;
};

TEST_F(AnimationWindowTest, OpensModallyOnTheEditorsSheetAndAnimatesWithTheFrameDelays)
{
    const GifImage sheet = loadSheet();
    const bool shown = withWindow([&](app::TForm2& form) {
        EXPECT_EQ(form.windowTitle(), "アニメーション確認");
        EXPECT_EQ(form.characterName(), "あいう");
        const char* captions[] = {"前", "後", "横", "ダッシュ", "技", "術"};
        for (int i = 0; i < 6; ++i) {
            auto* radio = in<QRadioButton>(form, ("RadioButton" + std::to_string(i + 1)).c_str());
            ASSERT_NE(radio, nullptr);
            EXPECT_EQ(radio->text(), QString::fromUtf8(captions[i]));
            EXPECT_EQ(radio->isChecked(), i == 0);
        }
        EXPECT_EQ(in<QCheckBox>(form, "CheckBox1")->text(), "毒");
        EXPECT_FALSE(in<QCheckBox>(form, "CheckBox1")->isChecked());
        EXPECT_EQ(in<QPushButton>(form, "Button1")->text(), "GIFで保存");
        EXPECT_EQ(in<QLabel>(form, "Image1")->size(), QSize(72, 96));

        const GifImage* animation = form.animation();
        ASSERT_NE(animation, nullptr);
        const Result<GifImage> front = CreateGifAnim(sheet, 0);
        ASSERT_TRUE(front.ok());
        ASSERT_EQ(animation->frames.size(), 4u);
        for (std::size_t i = 0; i < 4; ++i)
            EXPECT_EQ(animation->frames[i].pixels, front.value().frames[i].pixels);

        // The picture follows the frames over time: frame 0 first, then 1 after 0.17 s.
        EXPECT_EQ(form.shownFrame(), 0u);
        EXPECT_TRUE(SamePicture(shownPicture(form), enlarged(*animation, 0)));
        QElapsedTimer clock;
        clock.start();
        ASSERT_TRUE(QTest::qWaitFor([&] { return form.shownFrame() == 1; }, 2000));
        EXPECT_GE(clock.elapsed(), 150);
        EXPECT_TRUE(SamePicture(shownPicture(form), enlarged(*animation, 1)));
        EXPECT_FALSE(SamePicture(shownPicture(form), enlarged(*animation, 0)));
        // It goes on to the end and loops.
        ASSERT_TRUE(QTest::qWaitFor([&] { return form.shownFrame() == 3; }, 2000));
        EXPECT_TRUE(SamePicture(shownPicture(form), enlarged(*animation, 3)));
        ASSERT_TRUE(QTest::qWaitFor([&] { return form.shownFrame() == 0; }, 2000));
        EXPECT_TRUE(SamePicture(shownPicture(form), enlarged(*animation, 0)));
    });
    EXPECT_TRUE(shown);
    // The animation exists only while the window is shown.
    auto* form = window->findChild<app::TForm2*>(QStringLiteral("Form2"));
    ASSERT_NE(form, nullptr);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->animation(), nullptr);
    EXPECT_TRUE(dialogs->messages.empty());
}

TEST_F(AnimationWindowTest, EveryPoseShowsItsFramesAndDelays)
{
    const GifImage sheet = loadSheet();
    withWindow([&](app::TForm2& form) {
        for (int pose = 5; pose >= 0; --pose) {
            SCOPED_TRACE(pose);
            in<QRadioButton>(form, ("RadioButton" + std::to_string(pose + 1)).c_str())->click();
            EXPECT_EQ(form.checkedPose(), pose);
            const GifImage* animation = form.animation();
            ASSERT_NE(animation, nullptr);
            const AnimationPose& want = AnimationPoses[static_cast<std::size_t>(pose)];
            ASSERT_EQ(animation->frames.size(), want.count);
            const Result<GifImage> built = CreateGifAnim(sheet, pose);
            ASSERT_TRUE(built.ok());
            for (std::size_t i = 0; i < want.count; ++i) {
                EXPECT_EQ(animation->frames[i].control->delay, want.delays[i]);
                EXPECT_EQ(animation->frames[i].control->disposal, GifDisposal::Background);
                EXPECT_EQ(animation->frames[i].pixels, built.value().frames[i].pixels);
            }
            // A new pose starts from its first frame.
            EXPECT_EQ(form.shownFrame(), 0u);
            EXPECT_TRUE(SamePicture(shownPicture(form), enlarged(*animation, 0)));
        }
        // "術" holds its last frame for 0.40 s.
        in<QRadioButton>(form, "RadioButton6")->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return form.shownFrame() == 6; }, 3000));
        QTest::qWait(250);
        EXPECT_EQ(form.shownFrame(), 6u);
    });
}

TEST_F(AnimationWindowTest, PoisonTintsColoursSixToEightAndUndoesItExactly)
{
    loadSheet();
    withWindow([&](app::TForm2& form) {
        auto* poison = in<QCheckBox>(form, "CheckBox1");
        const GifColorTable plain = form.animation()->colors;
        const QImage before = shownPicture(form);

        poison->click();
        const GifColorTable& tinted = form.animation()->colors;
        ASSERT_EQ(tinted.size(), plain.size());
        for (std::size_t i = 0; i < plain.size(); ++i) {
            SCOPED_TRACE(i);
            if (i >= 6 && i <= 8)
                EXPECT_EQ(tinted[i], (GifColor{plain[i].red, 0, plain[i].blue}));
            else
                EXPECT_EQ(tinted[i], plain[i]);
        }
        // The picture shows the tint at once.
        EXPECT_TRUE(
            SamePicture(shownPicture(form), enlarged(*form.animation(), form.shownFrame())));

        // Another pose keeps the tint; unticking restores the sheet's colours exactly.
        in<QRadioButton>(form, "RadioButton3")->click();
        EXPECT_EQ(form.animation()->colors[7].green, 0);
        poison->click();
        EXPECT_EQ(form.animation()->colors, plain);
        in<QRadioButton>(form, "RadioButton1")->click();
        EXPECT_EQ(form.animation()->colors, plain);
        EXPECT_TRUE(SamePicture(shownPicture(form), before));
    });
}

// The window keeps its pose and tint between showings, and builds them again from the sheet
// the editor holds then.
TEST_F(AnimationWindowTest, ShowingAgainKeepsThePoseAndTheTint)
{
    loadSheet();
    withWindow([&](app::TForm2& form) {
        in<QRadioButton>(form, "RadioButton4")->click();
        in<QCheckBox>(form, "CheckBox1")->click();
    });
    const std::filesystem::path other = dir.path() / "other.gif";
    const GifImage otherSheet = SheetOf(RandomSheetData(99));
    ASSERT_TRUE(SaveGifFile(otherSheet, other).ok());
    openWithButton(app::ToQString(other));
    const bool shown = withWindow([&](app::TForm2& form) {
        EXPECT_EQ(form.checkedPose(), 3);
        ASSERT_NE(form.animation(), nullptr);
        EXPECT_EQ(form.animation()->frames.size(), 4u);
        EXPECT_EQ(form.animation()->frames[0].control->delay, 8);
        EXPECT_EQ(form.animation()->colors[6].green, 0);
        const Result<GifImage> dash = CreateGifAnim(window->sheetImage(), 3);
        ASSERT_TRUE(dash.ok());
        EXPECT_EQ(form.animation()->frames[1].pixels, dash.value().frames[1].pixels);
    });
    EXPECT_TRUE(shown);
    EXPECT_EQ(window->findChildren<app::TForm2*>().size(), 1);
}

TEST_F(AnimationWindowTest, SavesThePoseUnderTheProposedNameTransparentAsTheSettingSays)
{
    for (const int setting : {1, 0}) {
        SCOPED_TRACE(setting);
        settingsText = "[Varnwork]\nAniTransparent=" + std::to_string(setting) + "\n";
        const GifImage sheet = loadSheet();
        const std::filesystem::path out = dir.path() / ("anim" + std::to_string(setting) + ".gif");
        withWindow([&](app::TForm2& form) {
            in<QRadioButton>(form, "RadioButton6")->click();
            in<QCheckBox>(form, "CheckBox1")->click();
            dialogs->saveAnswers.push_back(app::ToQString(out));
            in<QPushButton>(form, "Button1")->click();
            // The window's frames keep the flags they were saved with.
            for (const GifFrame& frame : form.animation()->frames)
                EXPECT_EQ(frame.control->transparent, setting == 1);
        });
        ASSERT_EQ(dialogs->saveRequests.size(), 1u);
        const app::FileDialogRequest& request = dialogs->saveRequests[0];
        EXPECT_EQ(request.proposedName, "あいう_術_" + Today());
        EXPECT_EQ(request.filter, "GIFファイル(*.gif)|*.gif");
        EXPECT_EQ(request.defaultExtension, ".gif");
        EXPECT_EQ(request.kind, app::FileKind::Animation);
        EXPECT_TRUE(dialogs->messages.empty());

        const Result<GifImage> saved = LoadGifFile(out);
        ASSERT_TRUE(saved.ok()) << saved.message();
        const GifImage& gif = saved.value();
        EXPECT_EQ(gif.width, 24);
        EXPECT_EQ(gif.height, 32);
        EXPECT_EQ(gif.loopCount, 0);
        const Result<GifImage> spell = CreateGifAnim(sheet, 5);
        ASSERT_TRUE(spell.ok());
        ASSERT_EQ(gif.frames.size(), 7u);
        for (std::size_t i = 0; i < 7; ++i) {
            const GifControl control = gif.frames[i].control.value();
            EXPECT_EQ(control.transparent, setting == 1);
            EXPECT_EQ(control.transparentIndex, 0);
            EXPECT_EQ(control.delay, i == 6 ? 40 : 8);
            EXPECT_EQ(control.disposal, GifDisposal::Background);
            EXPECT_EQ(gif.frames[i].pixels, spell.value().frames[i].pixels);
        }
        // Saved with the tint.
        EXPECT_EQ(gif.colors[6], (GifColor{sheet.colors[6].red, 0, sheet.colors[6].blue}));
        window.reset();
        dialogs = nullptr;
    }
}

TEST_F(AnimationWindowTest, CancellingTheSaveDialogWritesNothing)
{
    loadSheet(QStringLiteral("名前"));
    withWindow([&](app::TForm2& form) {
        in<QRadioButton>(form, "RadioButton5")->click();
        dialogs->saveAnswers.push_back(std::nullopt);
        in<QPushButton>(form, "Button1")->click();
        for (const GifFrame& frame : form.animation()->frames)
            EXPECT_FALSE(frame.control->transparent);
    });
    ASSERT_EQ(dialogs->saveRequests.size(), 1u);
    EXPECT_EQ(dialogs->saveRequests[0].proposedName, "名前_技_" + Today());
    EXPECT_TRUE(dialogs->messages.empty());
    // No GIF but the sheet loaded into the editor.
    int gifs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        gifs += entry.path().extension() == ".gif";
    EXPECT_EQ(gifs, 1);
}

// The animation is never saved over the open image, whichever name of it the dialog is given.
TEST_F(AnimationWindowTest, SavingOverTheOpenImageIsRefusedAndWritesNothing)
{
    loadSheet();
    const Bytes image = RomImageBuilder::Target(RomImageBuilder::kPlainSize).build();
    const QString rom = openImage(image);
    const QStringList names = NamesOf(app::ToPath(rom), ".gif");
    ASSERT_TRUE(dialogs->messages.empty());
    const bool shown = withWindow([&](app::TForm2& form) {
        for (const QString& chosen : names) {
            dialogs->saveAnswers.push_back(chosen);
            in<QPushButton>(form, "Button1")->click();
            expectOutputRefused(chosen);
        }
    });
    EXPECT_TRUE(shown);
    EXPECT_EQ(dialogs->saveRequests.size(), 3u);
    for (const QString& name : names)
        EXPECT_TRUE(ReadFileBytes(app::ToPath(name)) == image) << name.toStdString();
}

// Without a sheet there is nothing to play: the window is not shown and says why.
TEST_F(AnimationWindowTest, WithoutASheetTheWindowIsNotShown)
{
    createEditor();
    EXPECT_FALSE(control<QPushButton>("Button8")->isEnabled());
    bool shown = false;
    app::TForm2::setModalHook([&](app::TForm2& form) {
        shown = true;
        form.reject();
    });
    app::TForm2::ShowAnimation(*window, QStringLiteral("あいう"));
    EXPECT_FALSE(shown);
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].text, "不正な画像です。");
    EXPECT_EQ(dialogs->messages[0].caption, "エラー");
}

TEST_F(AnimationWindowTest, LayoutEveryControlUnclippedAtTheWindowsSmallestSize)
{
    loadSheet();
    withWindow([&](app::TForm2& form) {
        form.resize(form.minimumSizeHint());
        QApplication::processEvents();
        for (QWidget* widget : form.findChildren<QWidget*>()) {
            if (!widget->isVisible() || widget->objectName().isEmpty())
                continue;
            const QRect at(widget->mapTo(&form, QPoint(0, 0)), widget->size());
            EXPECT_TRUE(form.rect().contains(at)) << widget->objectName().toStdString();
        }
        expectControlsUnclipped(&form, "アニメーション確認");
        EXPECT_EQ(in<QLabel>(form, "Image1")->size(), QSize(72, 96));
    });
}

} // namespace
} // namespace varn::test
