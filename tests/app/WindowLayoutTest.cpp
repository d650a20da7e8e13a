// The window as people use it on today's desktops: it resizes, every control stays reachable
// at its smallest size, the keyboard moves through it, file dialogs start where the user last
// was, and limited texts count as they are typed. Run at display scale 1 and again at scale 2.

#include <QDir>
#include <QKeyEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>
#include <QToolButton>

#include "CharaPatchFixture.h"
#include "app/VarnApplication.h"
#include "datafiles/DataFiles.h"
#include "support/DataFileText.h"
#include "text/CharacterTable.h"
#include "support/RomImageBuilder.h"
#include "support/ToolRun.h"

namespace varn::test {
namespace {

class WindowLayoutTest : public CharaPatchFixture {
protected:
    // The scroll area a control stands in, if any.
    static QScrollArea* ScrollAreaOf(QWidget* widget)
    {
        for (QWidget* parent = widget->parentWidget(); parent; parent = parent->parentWidget()) {
            if (auto* area = qobject_cast<QScrollArea*>(parent))
                return area;
        }
        return nullptr;
    }

    // Every visible control under `root` can be brought into view: inside the window, or
    // inside its scroll area's viewport once the area is scrolled to it.
    void expectEveryControlReachable(QWidget* root, const std::string& where)
    {
        for (QWidget* widget : root->findChildren<QWidget*>()) {
            if (!widget->isVisible() || widget->objectName().isEmpty() ||
                widget->objectName().startsWith(QLatin1String("qt_")))
                continue;
            const std::string name = where + ": " + widget->objectName().toStdString();
            QScrollArea* area = ScrollAreaOf(widget);
            QWidget* frame = window.get();
            if (area != nullptr && area->widget()->isAncestorOf(widget)) {
                // Scrolled as the user would: the control's top left to the view's top left,
                // as far as the scroll bars go, so that a control that fits the view comes
                // wholly into it.
                const QPoint at = widget->mapTo(area->widget(), QPoint(0, 0));
                area->horizontalScrollBar()->setValue(at.x());
                area->verticalScrollBar()->setValue(at.y());
                QApplication::processEvents();
                frame = area->viewport();
            } else if (area != nullptr && area->widget() == widget) {
                continue; // the page itself, which its scroll area moves
            }
            const QRect shown(widget->mapTo(frame, QPoint(0, 0)), widget->size());
            const QRect room = frame->rect();
            // What fits is shown whole; a control larger than the room shows its top left.
            if (widget->width() <= room.width() && widget->height() <= room.height())
                EXPECT_TRUE(room.contains(shown)) << name;
            else
                EXPECT_TRUE(room.contains(shown.topLeft())) << name;
            EXPECT_TRUE(window->rect().contains(QRect(widget->mapTo(window.get(), QPoint()),
                                                      QSize(1, 1))) ||
                        area != nullptr)
                << name;
        }
    }

    // Types `text` into the focused control as key presses.
    static void typeInto(QWidget* widget, const QString& text)
    {
        widget->setFocus();
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, c == QLatin1Char('\n') ? Qt::Key_Return : 0,
                            Qt::NoModifier, c == QLatin1Char('\n') ? QString() : QString(c));
            QApplication::sendEvent(widget, &press);
        }
    }

    QLabel* counter(const char* field) const
    {
        return control<QLabel>((QString::fromLatin1(field) + QStringLiteral("Count")).toLatin1());
    }
};

TEST_F(WindowLayoutTest, TheWindowOpensAtItsDesignedSizeAndResizes)
{
    createEditor();
    const QSize available = window->screen()->availableSize();
    EXPECT_EQ(initialSize,
              app::TForm1::designedSize().boundedTo(available - QSize(0, 40)).expandedTo(
                  app::TForm1::smallestSize()));
    EXPECT_LT(window->minimumSize().width(), window->maximumSize().width());
    EXPECT_EQ(window->windowTitle(), "Varnwork");

    // The smallest size fits a 1366 × 768 screen at scale 1 and a 1920 × 1080 screen at scale 2,
    // with room for a title bar and a task bar.
    const QSize smallest = window->minimumSize();
    for (const auto& [screen, scale] : {std::pair{QSize(1366, 768), 1}, std::pair{QSize(1920, 1080), 2}}) {
        EXPECT_LE(smallest.width() * scale, screen.width());
        EXPECT_LE((smallest.height() + 80) * scale, screen.height());
    }

    // With room, all nine inner tabs of the character editor show without scroll buttons.
    window->resize(1000, 700);
    QApplication::processEvents();
    EXPECT_EQ(window->size(), QSize(1000, 700));
    const QTabBar* tabs = innerPages()->tabBar();
    for (int i = 0; i < tabs->count(); ++i)
        EXPECT_TRUE(tabs->rect().contains(tabs->tabRect(i))) << i;
    for (const QToolButton* arrow : tabs->findChildren<QToolButton*>())
        EXPECT_FALSE(arrow->isVisible());
    // The sheet keeps its pixel size whatever the window's.
    EXPECT_EQ(control<QLabel>("Image1")->size(), QSize(176, 133));
}

TEST_F(WindowLayoutTest, EveryControlIsReachableAtTheSmallestSize)
{
    createEditor();
    window->resize(window->minimumSize());
    QApplication::processEvents();
    ASSERT_EQ(window->size(), app::TForm1::smallestSize());
    for (const char* name : {"Edit65", "Button3", "Edit91", "Edit92", "Edit93", "PageControl1"}) {
        QWidget* widget = control(name);
        EXPECT_TRUE(window->rect().contains(QRect(widget->mapTo(window.get(), QPoint()), widget->size())))
            << name;
    }

    auto* pages = control<QTabWidget>("PageControl1");
    pages->setCurrentIndex(0);
    QApplication::processEvents();
    expectEveryControlReachable(pages->currentWidget(), "パッチ適用");

    pages->setCurrentIndex(1);
    for (int i = 0; i < innerPages()->count(); ++i) {
        innerPages()->setCurrentIndex(i);
        QApplication::processEvents();
        expectEveryControlReachable(pages->currentWidget(),
                                    innerPages()->tabText(i).toStdString());
    }
}

TEST_F(WindowLayoutTest, TabLeavesMultiLineBoxesAndPassesOverReadOnlyFields)
{
    createEditor();
    QPlainTextEdit* comment = memo("Memo1");
    comment->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(comment->hasFocus());
    QTest::keyClick(comment, Qt::Key_Tab);
    EXPECT_FALSE(comment->hasFocus());
    EXPECT_EQ(comment->toPlainText(), "");
    comment->setFocus();
    QTest::keyClick(comment, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_FALSE(comment->hasFocus());
    EXPECT_EQ(comment->toPlainText(), "");

    for (const char* name : {"Memo2", "Memo9", "Memo10"})
        EXPECT_TRUE(memo(name)->tabChangesFocus()) << name;
    for (const char* name : {"Edit65", "Edit91", "Edit92", "Edit93", "Edit63", "Edit64", "Memo10",
                             "Edit11", "Edit25", "Edit32"})
        EXPECT_FALSE(control(name)->focusPolicy() & Qt::TabFocus) << name;
}

TEST_F(WindowLayoutTest, FileDialogsStartWhereTheUserLastWasAfterARestart)
{
    QDir(app::ToQString(dir.path())).mkpath(QStringLiteral("roms"));
    QDir(app::ToQString(dir.path())).mkpath(QStringLiteral("lists"));
    const auto image = dir.write("roms/game.smc", RomImageBuilder::Target().build());
    createWindow();
    dialogs->openAnswers.push_back(app::ToQString(image));
    control<QPushButton>("Button3")->click();
    ASSERT_EQ(text("Edit65"), app::ToQString(image));
    dialogs->saveAnswers.push_back(app::ToQString(dir.path() / "lists" / "list.txt"));
    control<QPushButton>("Button5")->click();

    // A new window, as after a restart, with the same state file.
    window.reset();
    createWindow();
    dialogs->openAnswers.push_back(std::nullopt);
    control<QPushButton>("Button3")->click();
    ASSERT_EQ(dialogs->openRequests.size(), 1u);
    const app::FileDialogRequest& rom = dialogs->openRequests[0];
    EXPECT_EQ(rom.kind, app::FileKind::RomImage);
    EXPECT_EQ(rom.startFolder, app::ToQString(dir.path() / "roms"));
    EXPECT_EQ(rom.history, QStringList{app::ToQString(image)});
    EXPECT_EQ(rom.proposedName, app::ToQString(image));

    // Each kind of file has its own folder: lists where the list was saved, sheets none yet.
    dialogs->openAnswers.push_back(std::nullopt);
    control<QPushButton>("Button6")->click();
    ASSERT_EQ(dialogs->openRequests.size(), 2u);
    EXPECT_EQ(dialogs->openRequests[1].startFolder, app::ToQString(dir.path() / "lists"));
    control<QTabWidget>("PageControl1")->setCurrentIndex(1);
    dialogs->openAnswers.push_back(std::nullopt);
    control<QPushButton>("Button1")->click();
    ASSERT_EQ(dialogs->openRequests.size(), 3u);
    EXPECT_EQ(dialogs->openRequests[2].kind, app::FileKind::SpriteSheet);
    EXPECT_EQ(dialogs->openRequests[2].startFolder, "");
}

TEST_F(WindowLayoutTest, TheImageFieldShowsTheFullPathAndCtrlOOpensAnImage)
{
    const auto image = dir.write("game.smc", RomImageBuilder::Target().build());
    createWindow();
    showActive();
    const QString before = QDir::currentPath();
    QDir::setCurrent(app::ToQString(dir.path()));
    window->OpenRomImage(QStringLiteral("./game.smc"));
    QDir::setCurrent(before);
    EXPECT_EQ(text("Edit65"), app::ToQString(image));

    dialogs->openAnswers.push_back(std::nullopt);
    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(dialogs->openRequests.size(), 1u);
    EXPECT_EQ(dialogs->openRequests[0].kind, app::FileKind::RomImage);
}

TEST_F(WindowLayoutTest, CountersFollowTypedTextAndTypingLimitsHold)
{
    createEditor();
    QLineEdit* name = edit("Edit1");
    name->clear();
    EXPECT_EQ(counter("Edit1")->text(), "0/8");
    typeInto(name, QStringLiteral("あいう"));
    EXPECT_EQ(counter("Edit1")->text(), "3/8");
    EXPECT_EQ(counter("Edit1")->toolTip(), "3/8バイト");
    const QString normal = counter("Edit1")->styleSheet();
    typeInto(name, QStringLiteral("えおかきくけ"));
    EXPECT_EQ(counter("Edit1")->text(), "9/8");
    EXPECT_NE(counter("Edit1")->styleSheet(), normal); // red past the limit

    innerPages()->setCurrentIndex(6);
    QPlainTextEdit* line = memo("Memo2");
    typeInto(line, QString(16, QLatin1Char('a')));
    EXPECT_EQ(counter("Memo2")->text(), "2/4行");
    // 120 bytes typed at most: the 121st byte is not taken, and a paste is cut to what fits.
    line->clear();
    typeInto(line, QString(130, QLatin1Char('b')));
    EXPECT_EQ(line->toPlainText().size(), 120);
    line->setPlainText(QString(59, QChar(0x3042))); // 118 bytes, set as a loaded patch sets it
    line->moveCursor(QTextCursor::End);
    typeInto(line, QStringLiteral("いう"));
    EXPECT_EQ(line->toPlainText(), QString(59, QChar(0x3042)) + QStringLiteral("い"));

    QLineEdit* choice = edit("Edit57");
    typeInto(choice, QString(31, QLatin1Char('c')));
    EXPECT_EQ(choice->text().size(), 30);
    EXPECT_EQ(counter("Edit57")->toolTip(), "30/15字");

    innerPages()->setCurrentIndex(8);
    typeInto(memo("Memo9"), QString(70, QLatin1Char('d')));
    EXPECT_EQ(memo("Memo9")->toPlainText().size(), 60);

    // The comment counts its stored bytes, a line break as two.
    typeInto(memo("Memo1"), QStringLiteral("あ\nb"));
    EXPECT_EQ(counter("Memo1")->text(), "5/1024バイト");
}

// A user's kanji table replaces the built-in one for the editor too: a kanji the built-in
// placeholder order lacks is counted and accepted once the user's table has it.
TEST_F(WindowLayoutTest, AReplacedKanjiTableChangesWhatTheEditorAccepts)
{
    // The process's table is the built-in one again when the test ends, however it ends.
    const struct Restore {
        ~Restore() { UseBuiltInDataFiles(); }
    } restore;
    std::vector<char32_t> kanji = test::BuiltInKanji();
    ASSERT_EQ(FindCharacter(U'旅'), -1) << "the placeholder order is expected to lack 旅";
    kanji.back() = U'旅';
    std::filesystem::create_directory(dir.path() / "data");
    dir.write("data/kanji.txt", test::KanjiFileText(kanji));
    const DataLoadReport report = LoadDataFiles(dir.path() / "data", true);
    ASSERT_TRUE(report.ok()) << DataLoadWarning(report);

    createEditor();
    loadSheet();
    edit("Edit1")->setText(QStringLiteral("旅人"));
    EXPECT_EQ(counter("Edit1")->text(), "4/8");
    createPatch(pathIn("traveller.vnp"));
    EXPECT_EQ(messageTexts(), QStringList{"処理が完了しました"});
    UseBuiltInDataFiles();

    // With the built-in table the same name is refused.
    createEditor();
    loadSheet();
    edit("Edit1")->setText(QStringLiteral("旅人"));
    dialogs->messages.clear();
    control<QPushButton>("Button2")->click();
    EXPECT_EQ(messageTexts(), QStringList{"「旅」は使用できません。"});
}

TEST(EditorCommandLineTest, AnswersVersionAndHelp)
{
    // Answered without a window system, as in a terminal without a display.
    const ToolRun version = RunTool({"/usr/bin/env", "-u", "QT_QPA_PLATFORM", "-u", "DISPLAY",
                                     "-u", "WAYLAND_DISPLAY", VARNWORK_GUI, "--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, std::string("Varnwork ") + VARN_VERSION + "\n");

    const ToolRun help = RunTool({VARNWORK_GUI, "--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* argument : {"ROM", "--data", "--version", "--help"})
        EXPECT_NE(help.out.find(argument), std::string::npos) << argument;

    const ToolRun wrong = RunTool({VARNWORK_GUI, "--no-such-option"});
    EXPECT_EQ(wrong.exitCode, 1);
}

TEST_F(WindowLayoutTest, QtsOwnDialogsSpeakJapanese)
{
    const auto* application = app::VarnApplication::instance();
    ASSERT_NE(application, nullptr);
    EXPECT_TRUE(application->qtTranslationLoaded());
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "キャンセル");
}

} // namespace
} // namespace varn::test
