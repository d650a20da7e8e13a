// The page "閃き適正" in the real main window: the grid filled from the image when it is
// opened, marks flipped by Enter and by double click, and "書き込み" writing the masks back.

#include <QAction>
#include <QDialog>
#include <QListWidget>
#include <QMenu>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include <functional>
#include <tuple>

#include "MainWindowFixture.h"
#include "app/SparkPage.h"
#include "rom/RomImageEdit.h"
#include "spark/SparkTable.h"
#include "support/ByteCompare.h"
#include "support/RomImageBuilder.h"
#include "text/TextCodec.h"

namespace varn::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

const QString kSet = QStringLiteral("○");
const QString kClear = QStringLiteral("×");

Bytes Name(std::string_view text)
{
    Bytes field(10);
    EXPECT_EQ(EncodeText(text, field), 0) << text;
    return field;
}

Bytes Mask(std::uint16_t mask)
{
    return {static_cast<std::uint8_t>(mask), static_cast<std::uint8_t>(mask >> 8)};
}

void PutMask(Bytes& image, std::size_t at, std::uint16_t mask)
{
    image[at] = static_cast<std::uint8_t>(mask);
    image[at + 1] = static_cast<std::uint8_t>(mask >> 8);
}

// An expanded image with named techniques 0F and DB, and the index list naming slot 05 after
// an unused entry (0xFF everywhere else).
Bytes ExpandedImage()
{
    Bytes list(kSparkIndexEntries, 0xFF);
    list[1] = 0x05;
    return RomImageBuilder::Target(RomImageBuilder::kExpandedSize)
        .bytes(kSparkIndexList, list)
        .bytes(0x3D2856, Name("ツルギ"))
        .bytes(0x3E355D, Mask(0x0001))
        .bytes(0x3D304E, Name("ヤリ"))
        .bytes(0x3E36F5, Mask(0x8000))
        .bytes(0x5BA032, Name("ホノオ"))
        .bytes(0x5BF9CA, Mask(0x0000))
        .build();
}

class SparkPageTest : public MainWindowFixture {
protected:
    // The window with the page in front and the image written as `name` opened.
    QString openImage(const Bytes& image, const char* name = "game.smc")
    {
        if (!window)
            createWindow();
        showSparkPage();
        const QString path = app::ToQString(dir.write(name, image));
        window->OpenRomImage(path);
        return path;
    }

    void showSparkPage()
    {
        auto* pages = control<QTabWidget>("PageControl1");
        pages->setCurrentWidget(control("TabSheet20Scroll"));
        showActive();
        grid()->setFocus();
        QApplication::processEvents();
    }

    QTableWidget* grid() const { return control<QTableWidget>("StringGrid1"); }

    // The text of grid cell (row, column), counting the heading row as row 0.
    QString cell(int row, int column) const
    {
        if (row == 0)
            return grid()->horizontalHeaderItem(column)->text();
        const QTableWidgetItem* item = grid()->item(row - 1, column);
        return item ? item->text() : QString();
    }

    // The sixteen marks of grid row `row` as o and x.
    std::string marks(int row) const
    {
        std::string text;
        for (int column = 1; column <= 16; ++column)
            text += cell(row, column) == kSet ? 'o' : cell(row, column) == kClear ? 'x' : '?';
        return text;
    }

    // Makes grid cell (row, column) current, scrolled into view, as a click on it would.
    void selectCell(int row, int column)
    {
        grid()->setCurrentCell(row - 1, column);
        grid()->scrollTo(grid()->model()->index(row - 1, column));
        QApplication::processEvents();
    }

    void pressEnter(int row, int column)
    {
        selectCell(row, column);
        QTest::keyClick(grid(), Qt::Key_Return);
    }

    void doubleClick(int row, int column)
    {
        selectCell(row, column);
        const QRect rect = grid()->visualRect(grid()->model()->index(row - 1, column));
        ASSERT_TRUE(grid()->viewport()->rect().contains(rect.center()));
        QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, rect.center());
    }

    void clickWrite() { control<QPushButton>("Button20")->click(); }

    QString tabCaption() const
    {
        auto* pages = control<QTabWidget>("PageControl1");
        return pages->tabText(pages->indexOf(control("TabSheet20Scroll")));
    }

    // Lets the window's events run until `done` holds, for at most two seconds.
    static bool waitFor(const std::function<bool()>& done)
    {
        for (int i = 0; i < 200 && !done(); ++i)
            QTest::qWait(10);
        return done();
    }

    // Another program writes `mask` as technique 0F's mask into the image.
    static void writeFromElsewhere(const QString& path, std::uint16_t mask)
    {
        const Status written = ChangeRomImage(app::ToPath(path), [&](RomStream& image) {
            return image.writeAt(0x3E355D, Mask(mask)) ? Status{} : Status{Failure{"write"}};
        });
        ASSERT_TRUE(written.ok()) << written.message();
    }

    void expectOnlyMessage(const QString& text, const QString& caption, app::MessageIcon icon)
    {
        ASSERT_EQ(dialogs->messages.size(), 1u);
        EXPECT_EQ(dialogs->messages[0].text, text);
        EXPECT_EQ(dialogs->messages[0].caption, caption);
        EXPECT_EQ(dialogs->messages[0].icon, icon);
        dialogs->messages.clear();
    }

    // The grid holds its heading row and one empty row, and no table.
    void expectEmptyGrid(const std::string& where)
    {
        ASSERT_EQ(grid()->rowCount(), 1) << where;
        for (int column = 0; column < kSparkGridColumns; ++column)
            EXPECT_EQ(cell(1, column), QString()) << where;
    }
};

TEST_F(SparkPageTest, TheGridShowsTheHeadingsAndEveryRowOfTheImage)
{
    createWindow();
    expectEmptyGrid("before any image");
    ASSERT_EQ(grid()->columnCount(), 17);
    const QStringList headings = {"技術名＼閃きタイプ", "太", "剣", "大", "斧", "棍", "小", "槍", "弓",
                                  "体", "汎1", "汎2", "月", "蒼", "朱", "白", "玄"};
    for (int column = 0; column < 17; ++column)
        EXPECT_EQ(cell(0, column), headings[column]);
    EXPECT_GE(grid()->columnWidth(0), app::kSparkNameColumnWidth);
    EXPECT_EQ(grid()->columnWidth(1), app::kSparkColumnWidth);
    EXPECT_EQ(control<QPushButton>("Button20")->text(), "書き込み");
    EXPECT_EQ(grid()->editTriggers(), QAbstractItemView::NoEditTriggers);

    openImage(ExpandedImage());
    EXPECT_TRUE(dialogs->messages.empty());
    // 205 techniques, then slot 05 of the index list; its 0xFF entries add nothing.
    ASSERT_EQ(grid()->rowCount(), 206);
    EXPECT_EQ(cell(1, 0), "【0F】ツルギ");
    EXPECT_EQ(marks(1), "oxxxxxxxxxxxxxxx");
    EXPECT_EQ(grid()->item(0, 0)->toolTip(), "【0F】ツルギ");
    EXPECT_EQ(cell(205, 0), "【DB】ヤリ");
    EXPECT_EQ(marks(205), "xxxxxxxxxxxxxxxo");
    EXPECT_EQ(cell(206, 0), "【05】ホノオ");
    EXPECT_EQ(marks(206), "xxxxxxxxxxxxxxxx");
    EXPECT_EQ(cell(2, 0).left(4), "【10】");

    // An image of exactly 4 MiB: the techniques and no more, even with a list where the
    // expansion would be.
    Bytes plain = RomImageBuilder::Target(RomImageBuilder::kPlainSize).build();
    openImage(plain, "plain.smc");
    EXPECT_EQ(grid()->rowCount(), 205);
    EXPECT_EQ(cell(205, 0).left(4), "【DB】");
}

TEST_F(SparkPageTest, EnterFlipsTheMarkOfTheCurrentCellOnly)
{
    openImage(ExpandedImage());
    pressEnter(1, 2);
    EXPECT_EQ(marks(1), "ooxxxxxxxxxxxxxx");
    pressEnter(1, 2);
    EXPECT_EQ(marks(1), "oxxxxxxxxxxxxxxx");
    pressEnter(1, 1);
    EXPECT_EQ(marks(1), "xxxxxxxxxxxxxxxx");
    pressEnter(206, 16);
    EXPECT_EQ(marks(206), "xxxxxxxxxxxxxxxo");

    // The name column, and keys other than Enter, change nothing.
    const std::string third = marks(3);
    pressEnter(3, 0);
    selectCell(3, 4);
    QTest::keyClick(grid(), Qt::Key_Space);
    QTest::keyClicks(grid(), "o");
    EXPECT_EQ(marks(3), third);
    EXPECT_EQ(marks(206), "xxxxxxxxxxxxxxxo");
    EXPECT_EQ(cell(1, 0), "【0F】ツルギ");
    EXPECT_TRUE(dialogs->messages.empty());
}

TEST_F(SparkPageTest, DoubleClickFlipsAMarkButNotTheNameColumn)
{
    openImage(ExpandedImage());
    doubleClick(205, 9);
    EXPECT_EQ(marks(205), "xxxxxxxxoxxxxxxo");
    doubleClick(205, 16);
    EXPECT_EQ(marks(205), "xxxxxxxxoxxxxxxx");
    doubleClick(205, 0);
    EXPECT_EQ(marks(205), "xxxxxxxxoxxxxxxx");
    EXPECT_EQ(cell(205, 0), "【DB】ヤリ");

    // A double click on the heading row is not on the rows at all.
    selectCell(1, 3);
    QHeaderView* header = grid()->horizontalHeader();
    QTest::mouseDClick(header->viewport(), Qt::LeftButton, {},
                       QPoint(header->sectionViewportPosition(3) + 5, header->height() / 2));
    EXPECT_EQ(marks(1), "oxxxxxxxxxxxxxxx");
}

// The designed grid's mark area in client coordinates: right of the 140-pixel name column and
// below the 18-pixel header and its grid line.
TEST(SparkPageGeometryTest, TheMarkAreaLiesRightOfTheNamesAndBelowTheHeader)
{
    const std::tuple<int, int, bool> clicks[] = {
        {141, 19, true}, {140, 50, false}, {300, 18, false}, {0, 0, false}, {500, 400, true},
    };
    for (const auto& [x, y, flips] : clicks)
        EXPECT_EQ(app::IsSparkMarkArea(x, y), flips) << x << ", " << y;
}

TEST_F(SparkPageTest, FlippedMarksAreWrittenByteForByte)
{
    const Bytes original = ExpandedImage();
    const QString path = openImage(original);
    pressEnter(1, 16);    // 玄 of technique 0F on
    doubleClick(1, 1);    // 太 of technique 0F off
    pressEnter(205, 9);   // 体 of technique DB on
    doubleClick(206, 5);  // 棍 of slot 05 on
    pressEnter(2, 3);     // 大 of technique 10 flipped
    EXPECT_TRUE(ReadFileBytes(app::ToPath(path)) == original) << "flips stay in the grid";

    clickWrite();
    expectOnlyMessage("処理が完了しました", "終了", app::MessageIcon::Information);
    Bytes expected = original;
    PutMask(expected, 0x3E355D, 0x8000);
    PutMask(expected, 0x3E36F5, 0x8100);
    PutMask(expected, 0x5BF9CA, 0x0010);
    const std::size_t ten = 0x3E353F + 2 * 0x10;
    PutMask(expected, ten, static_cast<std::uint16_t>((original[ten] | original[ten + 1] << 8) ^ 0x0004));
    EXPECT_TRUE(ReadFileBytes(app::ToPath(path)) == expected);

    // The grid reloaded from the written image shows the same marks.
    window->OpenRomImage(path);
    EXPECT_EQ(marks(1), "xxxxxxxxxxxxxxxo");
    EXPECT_EQ(marks(206), "xxxxoxxxxxxxxxxx");
}

// Another program changes the image while the page shows it (as a patch list applied from the
// command line does): the grid shows the change, and writing the page's own flips keeps it.
TEST_F(SparkPageTest, AChangeFromElsewhereIsShownAndNeverWrittenBack)
{
    const Bytes original = ExpandedImage();
    const QString path = openImage(original);
    ASSERT_EQ(marks(1), "oxxxxxxxxxxxxxxx");
    selectCell(150, 4);
    writeFromElsewhere(path, 0x0003);
    ASSERT_TRUE(waitFor([&] { return marks(1) == "ooxxxxxxxxxxxxxx"; })) << marks(1);
    EXPECT_EQ(control<QStatusBar>("StatusBar")->currentMessage(),
              "ROMイメージが他のプログラムで変更されたため、読み込み直しました。");
    EXPECT_EQ(grid()->currentRow(), 149) << "the cell that was current stays current";
    EXPECT_EQ(grid()->currentColumn(), 4);
    EXPECT_TRUE(dialogs->messages.empty());

    pressEnter(205, 9); // 体 of technique DB on
    EXPECT_EQ(tabCaption(), "閃き適正 *");
    clickWrite();
    expectOnlyMessage("処理が完了しました", "終了", app::MessageIcon::Information);
    EXPECT_EQ(tabCaption(), "閃き適正");
    Bytes expected = original;
    PutMask(expected, 0x3E355D, 0x0003);
    PutMask(expected, 0x3E36F5, 0x8100);
    EXPECT_TRUE(SameBytes(expected, ReadFileBytes(app::ToPath(path))));
}

// Flips not yet written when another program changes the image: the page asks before it gives
// them up. Kept, they are not written over the change the page did not show; the write is
// refused and the question comes again.
TEST_F(SparkPageTest, FlipsNotWrittenAreGivenUpOnlyWhenTheUserSaysSo)
{
    const Bytes original = ExpandedImage();
    const QString path = openImage(original);
    pressEnter(1, 16);
    ASSERT_EQ(marks(1), "oxxxxxxxxxxxxxxo");
    EXPECT_EQ(tabCaption(), "閃き適正 *");

    dialogs->okCancelAnswers = {false};
    writeFromElsewhere(path, 0x0003);
    ASSERT_TRUE(waitFor([&] { return !dialogs->messages.empty(); }));
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_TRUE(dialogs->messages[0].okCancel);
    EXPECT_EQ(dialogs->messages[0].icon, app::MessageIcon::Question);
    dialogs->messages.clear();
    EXPECT_EQ(marks(1), "oxxxxxxxxxxxxxxo") << "the flips are kept";
    EXPECT_EQ(tabCaption(), "閃き適正 *");

    Bytes outside = original;
    PutMask(outside, 0x3E355D, 0x0003);
    dialogs->okCancelAnswers = {true};
    clickWrite();
    ASSERT_GE(dialogs->messages.size(), 2u);
    EXPECT_EQ(dialogs->messages[0].text, QString::fromUtf8(kImageChangedSinceShownMessage));
    EXPECT_EQ(dialogs->messages[0].icon, app::MessageIcon::Stop);
    EXPECT_TRUE(dialogs->messages[1].okCancel);
    EXPECT_TRUE(SameBytes(outside, ReadFileBytes(app::ToPath(path))));
    EXPECT_EQ(marks(1), "ooxxxxxxxxxxxxxx") << "given up at the second question";
    EXPECT_EQ(tabCaption(), "閃き適正");
}

// Ctrl+Z takes the write back and the grid shows the image as it was; Ctrl+Y and Ctrl+Shift+Z
// apply it again; with nothing left, a message.
TEST_F(SparkPageTest, UndoAndRedoTakeTheWriteBackAndForth)
{
    const Bytes original = ExpandedImage();
    const QString path = openImage(original);
    pressEnter(1, 16);
    clickWrite();
    expectOnlyMessage("処理が完了しました", "終了", app::MessageIcon::Information);
    const Bytes written = ReadFileBytes(app::ToPath(path));
    ASSERT_FALSE(SameBytes(original, written));

    QTest::keyClick(grid(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(dialogs->messages.empty());
    EXPECT_TRUE(SameBytes(original, ReadFileBytes(app::ToPath(path))));
    EXPECT_EQ(marks(1), "oxxxxxxxxxxxxxxx");
    QTest::keyClick(grid(), Qt::Key_Z, Qt::ControlModifier);
    expectOnlyMessage("元に戻せる変更がありません。", "エラー", app::MessageIcon::Stop);

    QTest::keyClick(grid(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_TRUE(SameBytes(written, ReadFileBytes(app::ToPath(path))));
    EXPECT_EQ(marks(1), "oxxxxxxxxxxxxxxo");
    QTest::keyClick(grid(), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(grid(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(SameBytes(written, ReadFileBytes(app::ToPath(path))));
    QTest::keyClick(grid(), Qt::Key_Y, Qt::ControlModifier);
    expectOnlyMessage("やり直せる変更がありません。", "エラー", app::MessageIcon::Stop);
}

// The menu "編集" holds undo, redo and the history; undo and redo name the change they would
// make, take it back and forth as their keys do, and the status bar says what was done.
TEST_F(SparkPageTest, TheEditMenuNamesTheChangeItsItemsWouldMake)
{
    const Bytes original = ExpandedImage();
    const QString path = openImage(original);
    auto* menu = control<QMenu>("EditMenu");
    auto* undo = control<QAction>("UndoAction");
    auto* redo = control<QAction>("RedoAction");
    auto* history = control<QAction>("HistoryAction");
    ASSERT_TRUE(menu && undo && redo && history);
    EXPECT_EQ(menu->title(), "編集(&E)");
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(items[0], undo);
    EXPECT_EQ(items[1], redo);
    EXPECT_TRUE(items[2]->isSeparator());
    EXPECT_EQ(items[3], history);
    EXPECT_EQ(undo->shortcuts(), QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Z)});
    EXPECT_EQ(redo->shortcuts(),
              (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Y),
                                   QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}));
    EXPECT_EQ(undo->text(), "元に戻す(&U)");
    EXPECT_EQ(redo->text(), "やり直す(&R)");

    pressEnter(1, 16);
    clickWrite();
    expectOnlyMessage("処理が完了しました", "終了", app::MessageIcon::Information);
    const Bytes written = ReadFileBytes(app::ToPath(path));
    EXPECT_EQ(undo->text(), "元に戻す「閃き適正」(&U)");
    EXPECT_EQ(redo->text(), "やり直す(&R)");

    auto* status = control<QStatusBar>("StatusBar");
    undo->trigger();
    EXPECT_TRUE(dialogs->messages.empty());
    EXPECT_TRUE(SameBytes(original, ReadFileBytes(app::ToPath(path))));
    EXPECT_EQ(marks(1), "oxxxxxxxxxxxxxxx");
    EXPECT_EQ(undo->text(), "元に戻す(&U)");
    EXPECT_EQ(redo->text(), "やり直す「閃き適正」(&R)");
    EXPECT_EQ(status->currentMessage(), "元に戻しました：閃き適正");

    redo->trigger();
    EXPECT_TRUE(SameBytes(written, ReadFileBytes(app::ToPath(path))));
    EXPECT_EQ(marks(1), "oxxxxxxxxxxxxxxo");
    EXPECT_EQ(undo->text(), "元に戻す「閃き適正」(&U)");
    EXPECT_EQ(status->currentMessage(), "やり直しました：閃き適正");

    // Opening another image names its own changes: it has none.
    openImage(original, "other.smc");
    EXPECT_EQ(undo->text(), "元に戻す(&U)");
    EXPECT_EQ(redo->text(), "やり直す(&R)");
}

// The history window lists every change under its time and name and brings the image to any
// earlier or later state of the list, as one change; an image changed without a record marks no
// state and is left alone.
TEST_F(SparkPageTest, TheHistoryWindowBringsBackAnyStateOfTheList)
{
    const Bytes original = ExpandedImage();
    const QString path = openImage(original);
    std::vector<Bytes> states{original};
    std::vector<std::string> shown{"oxxxxxxxxxxxxxxx"};
    for (int column : {16, 15, 14}) {
        pressEnter(1, column);
        clickWrite();
        dialogs->messages.clear();
        states.push_back(ReadFileBytes(app::ToPath(path)));
        shown.push_back(marks(1));
    }
    ASSERT_EQ(shown.back(), "oxxxxxxxxxxxxooo");

    control<QAction>("HistoryAction")->trigger();
    auto* historyWindow = control<QDialog>("HistoryWindow");
    ASSERT_NE(historyWindow, nullptr);
    EXPECT_TRUE(historyWindow->isVisible());
    EXPECT_EQ(historyWindow->windowTitle(), "履歴");
    auto* list = control<QListWidget>("HistoryList");
    auto* restore = control<QPushButton>("HistoryRestore");
    ASSERT_EQ(list->count(), 4);
    EXPECT_EQ(list->item(0)->text(), "　 （記録された変更より前の状態）");
    const QRegularExpression entry(QStringLiteral(
        "^(▶ |　 )\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}　閃き適正$"));
    for (int row = 1; row < 4; ++row)
        EXPECT_TRUE(entry.match(list->item(row)->text()).hasMatch()) << row;
    const auto marked = [&] {
        std::vector<int> rows;
        for (int row = 0; row < list->count(); ++row)
            if (list->item(row)->text().startsWith(QStringLiteral("▶ ")))
                rows.push_back(row);
        return rows;
    };
    EXPECT_EQ(marked(), std::vector<int>{3});
    EXPECT_EQ(list->currentRow(), 3);
    EXPECT_FALSE(restore->isEnabled()) << "the present state is not restored";

    for (int target : {1, 0, 3, 2}) {
        list->setCurrentRow(target);
        ASSERT_TRUE(restore->isEnabled()) << target;
        restore->click();
        EXPECT_TRUE(dialogs->messages.empty()) << target;
        EXPECT_TRUE(SameBytes(states[target], ReadFileBytes(app::ToPath(path)))) << target;
        EXPECT_EQ(marks(1), shown[target]) << target;
        ASSERT_EQ(list->count(), 4) << "a restore keeps every entry";
        EXPECT_EQ(marked(), std::vector<int>{target});
    }

    writeFromElsewhere(path, 0x0003);
    ASSERT_TRUE(waitFor([&] { return marks(1) == "ooxxxxxxxxxxxxxx"; })) << marks(1);
    const Bytes outside = ReadFileBytes(app::ToPath(path));
    EXPECT_TRUE(marked().empty()) << "the image is in no state of the list";
    list->setCurrentRow(0);
    restore->click();
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].icon, app::MessageIcon::Stop);
    EXPECT_FALSE(dialogs->messages[0].text.isEmpty());
    EXPECT_TRUE(SameBytes(outside, ReadFileBytes(app::ToPath(path))));

    control<QPushButton>("HistoryClose")->click();
    EXPECT_FALSE(historyWindow->isVisible());
}

TEST_F(SparkPageTest, AFreshTableIsWrittenBackUnchanged)
{
    Bytes list(kSparkIndexEntries, 0xFF);
    list[0] = 0x05;
    list[7] = 0x30;
    const Bytes original = RomImageBuilder::Target(RomImageBuilder::kExpandedSize).bytes(kSparkIndexList, list).build();
    const QString path = openImage(original);
    ASSERT_EQ(grid()->rowCount(), 207);
    clickWrite();
    expectOnlyMessage("処理が完了しました", "終了", app::MessageIcon::Information);
    EXPECT_TRUE(ReadFileBytes(app::ToPath(path)) == original);
}

TEST_F(SparkPageTest, WritingIsRefusedWithoutATableOrAnImage)
{
    // No image open: nothing to write to, and nothing to flip.
    createWindow();
    showSparkPage();
    pressEnter(1, 1);
    expectEmptyGrid("no image");
    clickWrite();
    expectOnlyMessage("SMCファイルを指定してください。", "エラー", app::MessageIcon::Stop);

    // Another game, opened after the warning: the grid keeps its empty row, and writing it
    // would clear every mask of the image, so it is refused.
    const Bytes game = ExpandedImage();
    openImage(game);
    const Bytes other = RomImageBuilder(RomImageBuilder::kPlainSize).cartridge("VARNHOLD EPICS2", 1).build();
    const QString otherPath = openImage(other, "other.smc");
    expectOnlyMessage("Varnhold Epics3 Ver1.1のsmcファイルではありません。", "警告",
                      app::MessageIcon::Exclamation);
    EXPECT_EQ(window->romPath(), otherPath);
    expectEmptyGrid("another game");
    pressEnter(1, 1);
    doubleClick(1, 2);
    expectEmptyGrid("another game, after flips");
    clickWrite();
    expectOnlyMessage(kSparkNotLoadedMessage, "エラー", app::MessageIcon::Stop);
    EXPECT_TRUE(ReadFileBytes(app::ToPath(otherPath)) == other);

    // An image that cannot be opened at all: the open fails, and the grid was emptied.
    const QString path = openImage(game);
    ASSERT_EQ(grid()->rowCount(), 206);
    window->OpenRomImage(app::ToQString(dir.path() / "missing.smc"));
    expectOnlyMessage("ファイルが開けません。", "エラー", app::MessageIcon::Stop);
    expectEmptyGrid("after a failed open");

    // The image removed after it was opened.
    openImage(game);
    pressEnter(1, 1);
    std::filesystem::remove(app::ToPath(path));
    clickWrite();
    expectOnlyMessage("SMCファイルが開けません。", "エラー", app::MessageIcon::Stop);
    EXPECT_FALSE(std::filesystem::exists(app::ToPath(path)));
}

TEST_F(SparkPageTest, LayoutEveryControlReachableAndUnclipped)
{
    openImage(ExpandedImage());
    auto* area = control<QScrollArea>("TabSheet20Scroll");
    window->resize(window->minimumSize());
    QApplication::processEvents();
    ASSERT_EQ(window->size(), app::TForm1::smallestSize());
    for (const char* name : {"StringGrid1", "Button20"}) {
        QWidget* widget = control(name);
        ASSERT_TRUE(widget->isVisible()) << name;
        const QPoint at = widget->mapTo(area->widget(), QPoint(0, 0));
        area->horizontalScrollBar()->setValue(at.x());
        area->verticalScrollBar()->setValue(at.y());
        QApplication::processEvents();
        const QRect shown(widget->mapTo(area->viewport(), QPoint(0, 0)), widget->size());
        const QRect room = area->viewport()->rect();
        if (shown.width() <= room.width() && shown.height() <= room.height())
            EXPECT_TRUE(room.contains(shown)) << name;
        else
            EXPECT_TRUE(room.contains(shown.topLeft())) << name;
    }

    window->resize(app::TForm1::designedSize());
    QApplication::processEvents();
    expectControlsUnclipped(area->widget(), "閃き適正");
    expectPagesUnscrolled("閃き適正");
    // All seventeen columns stand side by side in the grid, each as wide as its heading, so the
    // name column never scrolls out of view.
    int width = 0;
    const QHeaderView* header = grid()->horizontalHeader();
    for (int column = 0; column < kSparkGridColumns; ++column) {
        EXPECT_GE(grid()->columnWidth(column),
                  header->fontMetrics().horizontalAdvance(cell(0, column)) + 2)
            << column;
        width += grid()->columnWidth(column);
    }
    EXPECT_LE(width, grid()->viewport()->width());
    EXPECT_FALSE(grid()->horizontalScrollBar()->isVisible());
    // The rows are as tall as the text.
    EXPECT_GE(grid()->rowHeight(0), grid()->fontMetrics().height());
}

} // namespace
} // namespace varn::test
