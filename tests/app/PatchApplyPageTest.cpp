#include <functional>

#include <QDate>
#include <QHeaderView>
#include <QLabel>

#include "PatchApplyFixture.h"
#include "app/GifQImage.h"
#include "graphics/GifCodec.h"
#include "graphics/SpriteSheet.h"
#include "patchlist/PatchListFile.h"
#include "support/RomImageBuilder.h"
#include "support/TempDir.h"

namespace varn::test {
namespace {

using PatchApplyPageTest = PatchApplyFixture;

QString Today()
{
    return QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
}

// --- The page -------------------------------------------------------------------------------

TEST_F(PatchApplyPageTest, PageHoldsTheListThePreviewAndTheCommandsUnclipped)
{
    createPage();
    QWidget* page = control<QWidget>("PatchApplyPage");
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->isVisible());
    expectControlsUnclipped(page, "パッチ適用");
    expectPagesUnscrolled("パッチ適用");

    QTreeWidget* view = list();
    ASSERT_EQ(view->columnCount(), 4);
    const QStringList headings = {"ファイル名", "タイプ", "対象"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(view->headerItem()->text(i), headings[i]);
        EXPECT_FALSE(view->isColumnHidden(i)) << i;
    }
    EXPECT_TRUE(view->isColumnHidden(3));
    EXPECT_EQ(view->columnWidth(0), 180);
    EXPECT_EQ(view->columnWidth(1), 60);
    EXPECT_GT(view->header()->sectionSize(2), 0);
    EXPECT_EQ(view->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(view->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(view->editTriggers(), QAbstractItemView::NoEditTriggers);

    EXPECT_EQ(control<QLabel>("Image2")->size(), QSize(176, 133));
    for (const char* name : {"Edit63", "Edit64"})
        EXPECT_TRUE(control<QLineEdit>(name)->isReadOnly()) << name;
    EXPECT_TRUE(control<QPlainTextEdit>("Memo10")->isReadOnly());
    const std::pair<const char*, const char*> buttons[] = {
        {"Button4", "パッチ適用"},
        {"Button5", "リスト保存"},
        {"Button6", "リスト読み込み"},
        {"Button7", "GIFで保存"},
    };
    for (const auto& [name, caption] : buttons)
        EXPECT_EQ(control<QPushButton>(name)->text(), caption) << name;

    // Nothing is shown yet: no target to choose, no sheet to save.
    EXPECT_FALSE(targets()->isEnabled());
    EXPECT_FALSE(control<QPushButton>("Button7")->isEnabled());
    ASSERT_EQ(targets()->count(), 42);
    EXPECT_EQ(targets()->itemText(0), "【B0】場所B0");
    EXPECT_EQ(targets()->itemText(10), "【08】人物08");
    EXPECT_EQ(targets()->itemText(41), "【1B】人物1B");
}

// --- Dropping files -------------------------------------------------------------------------

TEST_F(PatchApplyPageTest, DroppedCharacterPatchesTakeTheFreeTargetsInDropOrder)
{
    createPage();
    const QStringList three = {writeVnp("one.vnp"), writeVnp("two.vnp"), writeVnp("three.vnp")};
    EXPECT_TRUE(dropOnList(three));
    EXPECT_EQ(rows(), (QStringList{"one.vnp|vnp|B0", "two.vnp|vnp|B1", "three.vnp|vnp|B2"}));
    EXPECT_EQ(rowPaths(), three);
    EXPECT_EQ(selectedRow(), 2);
    EXPECT_EQ(takeError(), "");

    // Up to 42 character patches; songs and IPS patches have no limit.
    QStringList more;
    for (int i = 3; i < 42; ++i)
        more << writeVnp(("c" + std::to_string(i) + ".vnp").c_str());
    dropOnList(more);
    ASSERT_EQ(list()->topLevelItemCount(), 42);
    EXPECT_EQ(rows()[41], "c41.vnp|vnp|1B");
    // The rows now fill the list: these drops land on the first entry.
    dropOnList({writeVnp("extra.vnp"), writeIps("after.ips")}, 0);
    EXPECT_EQ(takeError(), "これ以上追加できません。");
    EXPECT_EQ(list()->topLevelItemCount(), 42);
    dropOnList({writeIps("x.ips"), writeMml("y.mml")}, 0);
    EXPECT_EQ(takeError(), "");
    EXPECT_EQ(list()->topLevelItemCount(), 44);
}

TEST_F(PatchApplyPageTest, TheFirstRefusedFileEndsTheDropWithItsMessage)
{
    struct Case {
        const char* name;
        QString refused; // a path
        QString message;
    };
    createPage();
    const Case cases[] = {
        {"OtherExtension", writeFile("picture.bmp", "BM"),
         "パッチファイルではありません。\npicture.bmp"},
        {"NoExtension", writeFile("README", "PATCH"), "パッチファイルではありません。\nREADME"},
        {"Missing", pathIn("missing.ips"), "ファイルが開けません。\nmissing.ips"},
        {"NotIps", writeFile("wrong.ips", "PATC"), "ファイルが異常です。\nwrong.ips"},
        {"NotVnp", writeFile("wrong.vnp", "VNQ and more"), "ファイルが異常です。\nwrong.vnp"},
        {"MissingSong", pathIn("missing.mml"), "ファイルが開けません。\nmissing.mml"},
    };
    for (const Case& c : cases) {
        createPage();
        dropOnList({writeIps("before.ips"), c.refused, writeIps("after.ips")});
        EXPECT_EQ(takeError(), c.message) << c.name;
        EXPECT_EQ(rows(), QStringList{"before.ips|IPS|"}) << c.name;
    }

    // Extensions count in any case.
    createPage();
    dropOnList({writeIps("upper.IPS"), writeVnp("upper.VNP"), writeMml("upper.Mml")});
    EXPECT_EQ(takeError(), "");
    EXPECT_EQ(rows(), (QStringList{"upper.IPS|IPS|", "upper.VNP|vnp|B0", "upper.Mml|MML|"}));
}

TEST_F(PatchApplyPageTest, FilesDroppedOnAnEntryAreInsertedThereInTheirOrder)
{
    createPage();
    dropOnList({writeIps("a.ips"), writeIps("b.ips"), writeIps("c.ips")});

    dropOnList({writeIps("x.ips"), writeIps("y.ips")}, 1);
    EXPECT_EQ(rows(),
              (QStringList{"a.ips|IPS|", "x.ips|IPS|", "y.ips|IPS|", "b.ips|IPS|", "c.ips|IPS|"}));
    EXPECT_EQ(selectedRow(), 2);

    dropOnList({writeIps("first.ips")}, 0);
    EXPECT_EQ(rows().first(), "first.ips|IPS|");
    EXPECT_EQ(selectedRow(), 0);

    dropOnList({writeIps("last.ips")}, -1);
    EXPECT_EQ(rows().last(), "last.ips|IPS|");
    EXPECT_EQ(selectedRow(), 6);
}

TEST_F(PatchApplyPageTest, ADroppedListFileReplacesTheListAndEndsTheDrop)
{
    createPage();
    const QString ips = writeIps("listed.ips");
    const QString vnp = writeVnp("listed.vnp");
    const QString listFile = writeFile("list.TXT", "// a list\r\n" + ips.toStdString() + "\r\n" +
                                                       vnp.toStdString() + ", 1B\r\n");
    dropOnList({writeIps("old.ips")});

    dropOnList({writeIps("before.ips"), listFile, writeIps("after.ips")});
    EXPECT_EQ(takeError(), "");
    EXPECT_EQ(rows(), (QStringList{"listed.ips|IPS|", "listed.vnp|vnp|1B"}));
    EXPECT_EQ(selectedRow(), 1);
}

// --- Targets, deleting and moving -----------------------------------------------------------

TEST_F(PatchApplyPageTest, ChoosingATargetTakesItOrSwapsItWithTheEntryThatHadIt)
{
    createPage();
    dropOnList({writeVnp("a.vnp"), writeIps("p.ips"), writeVnp("b.vnp"), writeVnp("c.vnp")});

    clickRow(0);
    ASSERT_TRUE(targets()->isEnabled());
    EXPECT_EQ(targets()->currentText(), "【B0】場所B0");
    pickTarget("B2");
    EXPECT_EQ(rows(), (QStringList{"a.vnp|vnp|B2", "p.ips|IPS|", "b.vnp|vnp|B1", "c.vnp|vnp|B0"}));
    EXPECT_EQ(selectedRow(), 0);
    pickTarget("05");
    EXPECT_EQ(rows()[0], "a.vnp|vnp|05");
    EXPECT_EQ(rows()[3], "c.vnp|vnp|B0");

    // The preview of another entry shows that entry's target.
    clickRow(3);
    EXPECT_EQ(targets()->currentText(), "【B0】場所B0");
    clickRow(1);
    EXPECT_FALSE(targets()->isEnabled());
}

TEST_F(PatchApplyPageTest, DeleteKeyRemovesTheEntryAndSelectsTheOneInItsPlace)
{
    createPage();
    dropOnList({writeIps("a.ips"), writeVnp("b.vnp"), writeIps("c.ips")});

    clickRow(1);
    key(Qt::Key_Delete);
    EXPECT_EQ(rows(), (QStringList{"a.ips|IPS|", "c.ips|IPS|"}));
    EXPECT_EQ(selectedRow(), 1);
    // The target of the deleted patch is free again.
    dropOnList({writeVnp("d.vnp")});
    EXPECT_EQ(rows().last(), "d.vnp|vnp|B0");

    clickRow(2);
    key(Qt::Key_Delete); // the last: the new last is selected
    EXPECT_EQ(rows(), (QStringList{"a.ips|IPS|", "c.ips|IPS|"}));
    EXPECT_EQ(selectedRow(), 1);
    key(Qt::Key_Delete);
    key(Qt::Key_Delete); // the only one: nothing is left to select
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_EQ(selectedRow(), -1);
    key(Qt::Key_Delete);
    EXPECT_TRUE(dialogs->messages.empty());

    // Other keys delete nothing.
    dropOnList({writeIps("e.ips")});
    key(Qt::Key_Backspace);
    EXPECT_EQ(rows(), QStringList{"e.ips|IPS|"});
}

TEST_F(PatchApplyPageTest, DraggingAnEntryMovesItToTheEntryUnderTheDropPoint)
{
    struct Case {
        const char* name;
        int from;
        int to; // -1: the empty space below the last entry
        QStringList names;
        int selected;
    };
    const Case cases[] = {
        {"FirstBelowTheLast", 0, -1, {"b", "c", "d", "a"}, 3},
        {"FirstOntoTheThird", 0, 2, {"b", "c", "a", "d"}, 2},
        {"LastOntoTheFirst", 3, 0, {"d", "a", "b", "c"}, 0},
        {"ThirdOntoTheSecond", 2, 1, {"a", "c", "b", "d"}, 1},
        {"OntoItself", 1, 1, {"a", "b", "c", "d"}, 1},
        {"LastBelowItself", 3, -1, {"a", "b", "c", "d"}, 3},
    };
    for (const Case& c : cases) {
        createPage();
        dropOnList({writeVnp("a.vnp"), writeVnp("b.vnp"), writeVnp("c.vnp"), writeVnp("d.vnp")});
        dragRow(c.from, c.to);
        QStringList expected;
        for (const QString& name : c.names) {
            // Targets move with their entries: a B0, b B1, c B2, d B3.
            const QString target = QString("B%1").arg(name[0].unicode() - 'a');
            expected << name + ".vnp|vnp|" + target;
        }
        EXPECT_EQ(rows(), expected) << c.name;
        EXPECT_EQ(selectedRow(), c.selected) << c.name;
    }

    // A press and a release a little apart are a click, not a drag.
    createPage();
    dropOnList({writeIps("a.ips"), writeIps("b.ips")});
    const QPoint start = rowPoint(0);
    mouse(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, start + QPoint(0, 1), Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, start + QPoint(0, 1), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(rows(), (QStringList{"a.ips|IPS|", "b.ips|IPS|"}));
    EXPECT_EQ(selectedRow(), 0);
}

// --- The preview ----------------------------------------------------------------------------

TEST_F(PatchApplyPageTest, PreviewShowsTheCharacterPatchOrTheSongOrNothing)
{
    createPage();
    PatchFile patch;
    const QString vnp =
        writeVnp("hero.vnp", "ゆうしゃ", "たびびと", "こんにちは\r\nせかい", &patch);
    dropOnList({writeVnp("other.vnp"), vnp, writeIps("p.ips"),
                writeMml("song.mml", "#TITLE Road;\n#COMPOSER someone;\nc;\n")});
    const auto* image = control<QLabel>("Image2");
    const auto* save = control<QPushButton>("Button7");

    clickRow(1);
    EXPECT_EQ(text("Edit63"), "ゆうしゃ");
    EXPECT_EQ(text("Edit64"), "たびびと");
    EXPECT_EQ(memoText(), "こんにちは\nせかい");
    EXPECT_TRUE(targets()->isEnabled());
    EXPECT_EQ(targets()->currentText(), "【B1】場所B1");
    EXPECT_TRUE(save->isEnabled());
    GifImage sheet;
    BuildSheetImage(patch.palette, patch.tiles, sheet);
    const QImage expected = app::FrameToQImage(sheet).convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(image->pixmap().toImage().convertToFormat(QImage::Format_ARGB32), expected);

    clickRow(3);
    EXPECT_EQ(memoText(), "曲名：Road\n作曲：someone\n");
    EXPECT_TRUE(image->pixmap().isNull());
    EXPECT_EQ(text("Edit63"), "");
    EXPECT_FALSE(targets()->isEnabled());
    EXPECT_FALSE(save->isEnabled());

    // Moving with the keys shows the entry moved to once the key is let go.
    clickRow(1);
    key(Qt::Key_Down);
    EXPECT_EQ(selectedRow(), 2);
    EXPECT_EQ(text("Edit63"), "");
    EXPECT_EQ(memoText(), "");
    EXPECT_TRUE(image->pixmap().isNull());
    EXPECT_FALSE(save->isEnabled());

    // A song that does not parse shows no lines; a click below the entries shows nothing.
    dropOnList({writeMml("broken.mml", "#TITLE Broken;\n#WAVE 0x10, 1;\nc;\n")});
    clickRow(4);
    EXPECT_EQ(memoText(), "");
    clickRow(1);
    clickRow(-1);
    EXPECT_EQ(selectedRow(), -1);
    EXPECT_EQ(text("Edit63"), "");
    EXPECT_FALSE(save->isEnabled());
    EXPECT_TRUE(dialogs->messages.empty());
}

TEST_F(PatchApplyPageTest, ADamagedCharacterPatchIsReportedWhenShownAndLeavesTheListIfUnreadable)
{
    struct Case {
        const char* name;
        std::function<void(const QString& path)> damage;
        QString message;
        bool stays;
        QString shownName;
    };
    const auto patchByte = [this](const QString& path, std::size_t offset, std::uint8_t value) {
        std::vector<std::uint8_t> bytes = ReadFileBytes(app::ToPath(path));
        bytes[offset] = value;
        dir.write(app::ToPath(path).filename().string(), bytes);
    };
    const Case cases[] = {
        {"Deleted", [](const QString& path) { std::filesystem::remove(app::ToPath(path)); },
         "ファイルが開けません。", false, ""},
        {"BadName", [&](const QString& path) { patchByte(path, 4, 0x00); },
         "名前に不正なコードが含まれています。", false, ""},
        {"BadTitle", [&](const QString& path) { patchByte(path, 12, 0x00); },
         "肩書きに不正なコードが含まれています。", true, "ゆうしゃ"},
    };
    for (const Case& c : cases) {
        createPage();
        const QString damaged = writeVnp("damaged.vnp");
        dropOnList({writeIps("a.ips"), damaged, writeIps("b.ips")});
        c.damage(damaged);
        clickRow(1);
        EXPECT_EQ(takeError(), c.message) << c.name;
        const QStringList remaining =
            c.stays ? QStringList{"a.ips|IPS|", "damaged.vnp|vnp|B0", "b.ips|IPS|"}
                    : QStringList{"a.ips|IPS|", "b.ips|IPS|"};
        EXPECT_EQ(rows(), remaining) << c.name;
        EXPECT_EQ(text("Edit63"), c.shownName) << c.name;
        EXPECT_EQ(text("Edit64"), "") << c.name;
        EXPECT_TRUE(control<QLabel>("Image2")->pixmap().isNull()) << c.name;
        EXPECT_FALSE(targets()->isEnabled()) << c.name;
        EXPECT_FALSE(control<QPushButton>("Button7")->isEnabled()) << c.name;
    }
}

// --- The list file --------------------------------------------------------------------------

TEST_F(PatchApplyPageTest, SavedListLoadsBackAsItWas)
{
    createPage();
    const QString ips = writeIps("a.ips");
    const QString vnp = writeVnp("c.vnp");
    const QString mml = writeMml("s.mml");
    dropOnList({ips, vnp, mml});
    clickRow(1);
    pickTarget("05");
    const QStringList saved = rows();

    const QString listFile = pathIn("list.txt");
    dialogs->saveAnswers.push_back(listFile);
    press("Button5");
    ASSERT_EQ(dialogs->saveRequests.size(), 1u);
    EXPECT_EQ(dialogs->saveRequests[0].filter, "テキストファイル(*.txt)|*.txt");
    EXPECT_EQ(dialogs->saveRequests[0].filterIndex, 1);
    EXPECT_EQ(dialogs->saveRequests[0].defaultExtension, ".txt");
    EXPECT_EQ(dialogs->saveRequests[0].proposedName, "パッチリスト_" + Today());
    EXPECT_TRUE(dialogs->messages.empty());

    const std::vector<std::uint8_t> bytes = ReadFileBytes(app::ToPath(listFile));
    const QStringList lines =
        QString::fromUtf8(reinterpret_cast<const char*>(bytes.data()), bytes.size()).split("\r\n");
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(lines[0].startsWith("// Varnpatch Patch List " +
                                    QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd")) +
                                    " "))
        << lines[0].toStdString();
    EXPECT_EQ(lines[0].size(), QString("// Varnpatch Patch List yyyy/mm/dd hh:mm:ss").size());
    EXPECT_EQ(lines.mid(1), (QStringList{ips, vnp + ", 05", mml, ""}));

    for (int i = 0; i < 3; ++i) {
        clickRow(0);
        key(Qt::Key_Delete);
    }
    ASSERT_TRUE(rows().isEmpty());
    dialogs->openAnswers.push_back(listFile);
    press("Button6");
    ASSERT_EQ(dialogs->openRequests.size(), 1u);
    EXPECT_EQ(dialogs->openRequests[0].filter, "テキストファイル(*.txt)|*.txt");
    EXPECT_EQ(dialogs->openRequests[0].filterIndex, 1);
    EXPECT_EQ(rows(), saved);
    EXPECT_EQ(rowPaths(), (QStringList{ips, vnp, mml}));
    EXPECT_TRUE(dialogs->messages.empty());
}

TEST_F(PatchApplyPageTest, ListFileProblemsAreReported)
{
    createPage();
    dropOnList({writeIps("kept.ips")});

    // A list file that cannot be read leaves the list as it was.
    dialogs->openAnswers.push_back(pathIn("none.txt"));
    press("Button6");
    EXPECT_EQ(takeError(), "ファイルが開けません。");
    EXPECT_EQ(rows(), QStringList{"kept.ips|IPS|"});

    // So does one too large to be a list file, which is not read.
    const QString huge = writeFile("huge.txt", writeIps("in.ips").toStdString() + "\r\n");
    std::filesystem::resize_file(app::ToPath(huge), kMaxPatchListFileSize + 1);
    dialogs->openAnswers.push_back(huge);
    press("Button6");
    EXPECT_EQ(takeError(), "ファイルが大きすぎます。");
    EXPECT_EQ(rows(), QStringList{"kept.ips|IPS|"});

    // Lines that fail are passed over and reported together at the end.
    const QString good = writeIps("good.ips");
    const QString listFile =
        writeFile("list.txt", good.toStdString() + "\r\n" + pathIn("gone.vnp").toStdString() +
                                  "\r\n" + writeFile("x.bmp", "BM").toStdString() + "\r\n" +
                                  writeMml("m.mml").toStdString() + "\r\n");
    dialogs->openAnswers.push_back(listFile);
    press("Button6");
    EXPECT_EQ(takeError(), "読み込みに失敗したファイルがあります。\nリストを確認してください。");
    EXPECT_EQ(rows(), (QStringList{"good.ips|IPS|", "m.mml|MML|"}));

    // Cancelled dialogs do nothing; a list that cannot be written is reported.
    dialogs->openAnswers.push_back(std::nullopt);
    press("Button6");
    dialogs->saveAnswers.push_back(std::nullopt);
    press("Button5");
    EXPECT_TRUE(dialogs->messages.empty());
    EXPECT_EQ(rows().size(), 2);
    dialogs->saveAnswers.push_back(pathIn("no such folder/list.txt"));
    press("Button5");
    EXPECT_EQ(takeError(), "ファイルが開けません。");
}

// --- GIFで保存 ------------------------------------------------------------------------------

TEST_F(PatchApplyPageTest, GifExportSavesTheShownPatchSheetTransparentOnlyForOne)
{
    const std::pair<std::optional<std::string_view>, bool> cases[] = {
        {std::nullopt, false},
        {"[Varnwork]\nTmpTransparent=0\n", false},
        {"[Varnwork]\nTmpTransparent=1\n", true},
        {"[Varnwork]\nTmpTransparent=2\n", false},
    };
    for (const auto& [settings, transparent] : cases) {
        const std::string name(settings.value_or("no settings"));
        createPage(settings);
        PatchFile patch;
        dropOnList({writeVnp("hero.vnp", "ゆうしゃ", "たびびと", "", &patch)});
        clickRow(0);
        const QString gif = pathIn("hero.gif");
        std::filesystem::remove(app::ToPath(gif));
        dialogs->saveAnswers.push_back(gif);
        press("Button7");

        ASSERT_EQ(dialogs->saveRequests.size(), 1u) << name;
        EXPECT_EQ(dialogs->saveRequests[0].filter, "GIFファイル(*.gif)|*.gif");
        EXPECT_EQ(dialogs->saveRequests[0].filterIndex, 1);
        EXPECT_EQ(dialogs->saveRequests[0].defaultExtension, ".gif");
        EXPECT_EQ(dialogs->saveRequests[0].proposedName, "ゆうしゃ_" + Today());
        EXPECT_TRUE(dialogs->messages.empty()) << name;

        const Result<GifImage> saved = LoadGifFile(app::ToPath(gif));
        ASSERT_TRUE(saved.ok()) << name << ": " << saved.message();
        GifImage expected;
        BuildSheetImage(patch.palette, patch.tiles, expected);
        ASSERT_EQ(saved.value().frames.size(), 1u) << name;
        const GifFrame& frame = saved.value().frames[0];
        EXPECT_EQ(frame.pixels, expected.frames[0].pixels) << name;
        EXPECT_EQ(saved.value().frameColors(0)[0], expected.colors[0]) << name;
        ASSERT_TRUE(frame.control.has_value()) << name;
        EXPECT_EQ(frame.control->transparent, transparent) << name;
        EXPECT_EQ(frame.control->transparentIndex, 0) << name;
    }
}

TEST_F(PatchApplyPageTest, GifExportAsksFirstAndReportsAPatchGoneSince)
{
    createPage();
    const QString vnp = writeVnp("hero.vnp");
    dropOnList({vnp, writeIps("p.ips")});
    clickRow(0);

    dialogs->saveAnswers.push_back(std::nullopt);
    press("Button7");
    EXPECT_EQ(dialogs->saveRequests.size(), 1u);
    EXPECT_TRUE(dialogs->messages.empty());

    std::filesystem::remove(app::ToPath(vnp));
    const QString gif = pathIn("gone.gif");
    dialogs->saveAnswers.push_back(gif);
    press("Button7");
    EXPECT_EQ(dialogs->saveRequests.size(), 2u);
    EXPECT_EQ(takeError(), "ファイルが開けません。");
    EXPECT_FALSE(std::filesystem::exists(app::ToPath(gif)));

    // Without a character patch shown the button does nothing.
    clickRow(1);
    EXPECT_FALSE(control<QPushButton>("Button7")->isEnabled());
}

// --- パッチ適用 -----------------------------------------------------------------------------

class PatchApplyCommandTest : public PatchApplyFixture {
protected:
    // Opens an expanded image with clear music bookkeeping as the window's ROM image.
    QString openImage()
    {
        const auto path =
            dir.write("game.smc", RomImageBuilder::Target(RomImageBuilder::kExpandedSize)
                                      .bytes(0x500000, {0, 0, 0, 0})
                                      .build());
        window->OpenRomImage(app::ToQString(path));
        EXPECT_EQ(window->romPath(), app::ToQString(path));
        EXPECT_TRUE(dialogs->messages.empty());
        return app::ToQString(path);
    }

    // An IPS patch that writes `value` at `offset`.
    QString writeIpsAt(const char* fileName, std::uint32_t offset, std::uint8_t value)
    {
        const std::vector<std::uint8_t> bytes{'P',
                                              'A',
                                              'T',
                                              'C',
                                              'H',
                                              static_cast<std::uint8_t>(offset >> 16),
                                              static_cast<std::uint8_t>(offset >> 8),
                                              static_cast<std::uint8_t>(offset),
                                              0,
                                              1,
                                              value,
                                              'E',
                                              'O',
                                              'F'};
        return app::ToQString(dir.write(fileName, bytes));
    }

    std::vector<std::uint8_t> image(const QString& path) const
    {
        return ReadFileBytes(app::ToPath(path));
    }
};

// Neither "リスト保存" nor "GIFで保存" writes over the open image or a file of the list, whichever
// name of it is chosen.
TEST_F(PatchApplyCommandTest, SavingOverTheImageOrAListedFileIsRefused)
{
    createPage();
    const QString rom = openImage();
    const std::vector<std::uint8_t> original = image(rom);
    const QString vnp = writeVnp("hero.vnp");
    const QString mml = writeMml("s.mml");
    const std::vector<std::uint8_t> vnpBytes = image(vnp);
    const std::vector<std::uint8_t> mmlBytes = image(mml);
    dropOnList({vnp, mml});
    ASSERT_TRUE(dialogs->messages.empty());

    const auto refused = [&](const char* button, const QStringList& names) {
        for (const QString& chosen : names) {
            dialogs->saveAnswers.push_back(chosen);
            press(button);
            expectOutputRefused(chosen, button);
        }
    };
    refused("Button5", NamesOf(app::ToPath(rom), ".txt"));
    refused("Button5", NamesOf(app::ToPath(mml), ".txt"));
    clickRow(0);
    refused("Button7", NamesOf(app::ToPath(rom), ".gif"));
    refused("Button7", NamesOf(app::ToPath(vnp), ".gif"));
    EXPECT_EQ(dialogs->saveRequests.size(), 12u);
    EXPECT_EQ(image(rom), original);
    EXPECT_EQ(image(vnp), vnpBytes);
    EXPECT_EQ(image(mml), mmlBytes);
    EXPECT_EQ(rows(), (QStringList{"hero.vnp|vnp|B0", "s.mml|MML|"}));
}

TEST_F(PatchApplyCommandTest, ApplyNeedsAnImageAndEntries)
{
    createPage();
    dropOnList({writeIps("p.ips")});
    press("Button4");
    EXPECT_EQ(takeError(), "smcファイルを指定してください。");

    openImage();
    key(Qt::Key_Delete);
    ASSERT_TRUE(rows().isEmpty());
    press("Button4");
    EXPECT_EQ(takeError(), "パッチファイルを指定してください。");
    EXPECT_TRUE(dialogs->okCancelAnswers.empty());
}

TEST_F(PatchApplyCommandTest, SongsAreNumberedThenTheListIsAppliedAfterConfirmation)
{
    createPage();
    const QString rom = openImage();
    const std::vector<std::uint8_t> original = image(rom);
    dropOnList({writeMml("one.mml"), writeIpsAt("p.ips", 0x1000, 0xAB), writeMml("two.mml")});

    dialogs->okCancelAnswers.push_back(false);
    press("Button4");
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].text, "この設定で適用してよろしいですか？");
    EXPECT_EQ(dialogs->messages[0].caption, "確認");
    EXPECT_EQ(dialogs->messages[0].icon, app::MessageIcon::Question);
    EXPECT_TRUE(dialogs->messages[0].okCancel);
    EXPECT_EQ(rows(), (QStringList{"one.mml|MML|B0", "p.ips|IPS|", "two.mml|MML|B1"}));
    EXPECT_EQ(image(rom), original);

    dialogs->messages.clear();
    dialogs->okCancelAnswers.push_back(true);
    press("Button4");
    ASSERT_EQ(dialogs->messages.size(), 2u);
    EXPECT_EQ(dialogs->messages[1].text, "処理が完了しました");
    EXPECT_EQ(dialogs->messages[1].caption, "終了");
    EXPECT_EQ(dialogs->messages[1].icon, app::MessageIcon::Information);
    const std::vector<std::uint8_t> applied = image(rom);
    EXPECT_EQ(applied[0x1000], 0xAB);
    EXPECT_EQ(applied[0x500000], 0xB2); // the next free music number

    // The image now remembers the two songs: the next apply numbers from B2.
    dialogs->messages.clear();
    dialogs->okCancelAnswers.push_back(false);
    press("Button4");
    EXPECT_EQ(rows(), (QStringList{"one.mml|MML|B2", "p.ips|IPS|", "two.mml|MML|B3"}));
}

TEST_F(PatchApplyCommandTest, FailuresOfPreparationAndApplyShowTheirMessages)
{
    createPage();
    const QString rom = openImage();
    const std::vector<std::uint8_t> original = image(rom);

    // A song that does not compile: nothing is asked or written, the numbers given stay.
    dropOnList({writeMml("good.mml"), writeMml("bad.mml", "c ] c;\n")});
    press("Button4");
    EXPECT_EQ(takeError(), "コンパイルに失敗しました。\nbad.mml");
    EXPECT_EQ(rows(), (QStringList{"good.mml|MML|B0", "bad.mml|MML|B1"}));
    EXPECT_EQ(image(rom), original);

    // A character patch gone since it was added is met while the list is tried, before the
    // question.
    createPage();
    openImage();
    const QString gone = writeVnp("gone.vnp");
    dropOnList(
        {writeIpsAt("first.ips", 0x1000, 0xAB), gone, writeIpsAt("second.ips", 0x2000, 0xCD)});
    std::filesystem::remove(app::ToPath(gone));
    press("Button4");
    EXPECT_EQ(takeError(), "ファイルが開けません。\ngone.vnp");
    EXPECT_EQ(image(rom), original);

    // One that goes while the question is open fails the apply: nothing of the list, not even
    // the entry before it, reaches the image, and no completion follows.
    createPage();
    openImage();
    const QString late = writeIpsAt("late.ips", 0x3000, 0xEF);
    dropOnList(
        {writeIpsAt("first.ips", 0x1000, 0xAB), late, writeIpsAt("second.ips", 0x2000, 0xCD)});
    dialogs->okCancelAnswers.push_back(true);
    dialogs->whileAsking = [&] { std::filesystem::remove(app::ToPath(late)); };
    press("Button4");
    dialogs->whileAsking = nullptr;
    ASSERT_EQ(dialogs->messages.size(), 2u);
    EXPECT_EQ(dialogs->messages[0].caption, "確認");
    dialogs->messages.erase(dialogs->messages.begin());
    EXPECT_EQ(takeError(), "ファイルが開けません。\nlate.ips");
    EXPECT_EQ(image(rom), original);
}

TEST_F(PatchApplyCommandTest, TheImageBackupSettingKeepsTheImageAsItWas)
{
    createPage("[Varnwork]\r\nImageBackup=1\r\n");
    const QString rom = openImage();
    const std::vector<std::uint8_t> original = image(rom);
    dropOnList({writeIpsAt("first.ips", 0x1000, 0xAB)});
    dialogs->okCancelAnswers.push_back(true);
    press("Button4");
    ASSERT_EQ(dialogs->messages.size(), 2u);
    EXPECT_EQ(dialogs->messages[1].text, "処理が完了しました");
    EXPECT_EQ(image(rom)[0x1000], 0xAB);
    EXPECT_EQ(image(rom + ".bak"), original);
}

} // namespace
} // namespace varn::test
