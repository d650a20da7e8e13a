#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "MainWindowFixture.h"
#include "rom/Result.h"
#include "app/VarnApplication.h"

namespace varn::test {
namespace {

using MainWindowTest = MainWindowFixture;

TEST_F(MainWindowTest, HasTheSevenPagesInOrder)
{
    createWindow();
    EXPECT_EQ(window->windowTitle(), "Varnwork");
    const auto* pages = control<QTabWidget>("PageControl1");
    ASSERT_NE(pages, nullptr);
    const QStringList captions = {"パッチ適用", "キャラパッチ", "キャラグラフィック",
                                  "敵変更",     "MML",          "技術グラフィック",
                                  "閃き適正"};
    ASSERT_EQ(pages->count(), captions.size());
    for (int i = 0; i < pages->count(); ++i)
        EXPECT_EQ(pages->tabText(i), captions[i]) << i;
    // Each page stands in a scroll area of its own.
    for (const auto& [index, name] : {std::pair{3, "TabSheet14"}, std::pair{6, "TabSheet20"}}) {
        const auto* area = qobject_cast<const QScrollArea*>(pages->widget(index));
        ASSERT_NE(area, nullptr) << index;
        EXPECT_TRUE(area->isAncestorOf(control(name))) << name;
    }
}

// Ctrl+Tab, Ctrl+PageDown and their reverse turn the pages of the tabs the focus is in,
// before the focused control sees them: a focused selection list keeps its value.
TEST_F(MainWindowTest, PageKeysTurnThePagesOfTheTabsTheFocusIsIn)
{
    createWindow();
    showActive();
    auto* pages = control<QTabWidget>("PageControl1");
    auto* inner = control<QTabWidget>("PageControl2");
    const auto press = [](Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QTest::keyClick(focus, key, modifiers);
    };
    pages->setCurrentIndex(1);
    inner->setCurrentIndex(2);
    auto* list = inner->currentWidget()->findChild<QComboBox*>();
    ASSERT_NE(list, nullptr);
    list->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), list);
    const int value = list->currentIndex();

    press(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(inner->currentIndex(), 3);
    EXPECT_EQ(list->currentIndex(), value) << "the list does not take the key";
    press(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(inner->currentIndex(), 4);
    press(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(inner->currentIndex(), 3);
    press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(inner->currentIndex(), 2);
    // After the last page comes the first; the main pages stay.
    inner->setCurrentIndex(inner->count() - 1);
    press(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(inner->currentIndex(), 0);
    EXPECT_EQ(pages->currentIndex(), 1);

    // Outside any inner tabs the keys turn the main pages, the first back to the last.
    control("Edit65")->setFocus();
    QApplication::processEvents();
    press(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(pages->currentIndex(), 2);
    press(Qt::Key_PageUp, Qt::ControlModifier);
    press(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(pages->currentIndex(), 0);
    press(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(pages->currentIndex(), pages->count() - 1);
    EXPECT_EQ(inner->currentIndex(), 0);
}

TEST_F(MainWindowTest, HeaderStripFieldsAreReadOnly)
{
    createWindow();
    for (const char* name : {"Edit65", "Edit91", "Edit92", "Edit93"}) {
        const auto* field = control<QLineEdit>(name);
        ASSERT_NE(field, nullptr);
        EXPECT_TRUE(field->isReadOnly()) << name;
        EXPECT_TRUE(field->text().isEmpty()) << name;
    }
    ASSERT_NE(control<QPushButton>("Button3"), nullptr);
    EXPECT_EQ(control<QPushButton>("Button3")->text(), "...");
    QStringList labels;
    for (const QLabel* label : window->findChildren<QLabel*>())
        labels << label->text();
    for (const char* caption : {"SMCファイル", "ROMタイトル", "バージョン", "ヘッダ"})
        EXPECT_TRUE(labels.contains(QString::fromUtf8(caption))) << caption;
}

TEST_F(MainWindowTest, DesignedSizeShowsEveryControlUnclipped)
{
    createWindow();
    window->show();
    window->resize(app::TForm1::designedSize());
    QApplication::processEvents();
    // The designed client size, with the menu bar above it and the status bar below.
    const int bars = control("MainMenu")->height() + control("StatusBar")->height() + 6;
    EXPECT_EQ(window->size(), QSize(544, 567 + bars));
    EXPECT_EQ(control("MainMenu")->y(), 0);
    EXPECT_EQ(control("StatusBar")->geometry().bottom(), window->height() - 1 - 6);

    // Every page's tab is shown: the tab row needs no scroll buttons.
    const QTabBar* tabs = control<QTabWidget>("PageControl1")->tabBar();
    EXPECT_LE(tabs->sizeHint().width(), control<QTabWidget>("PageControl1")->width());
    for (int i = 0; i < tabs->count(); ++i)
        EXPECT_TRUE(tabs->rect().contains(tabs->tabRect(i))) << i;

    expectControlsUnclipped(window.get(), "main window");
    expectPagesUnscrolled("main window");
}

TEST_F(MainWindowTest, UsesTheJapaneseFontAtTwelvePixels)
{
    createWindow();
    EXPECT_EQ(window->font().pixelSize(), 12);
    // The set-up installs Noto Sans CJK; where it is present the window uses it.
    if (QFontDatabase::families().contains("Noto Sans CJK JP")) {
        EXPECT_EQ(window->font().family(), "Noto Sans CJK JP");
    }
}

TEST_F(MainWindowTest, StartupPageComesFromTheSettings)
{
    const std::pair<const char*, int> cases[] = {
        {"6", 6}, {"3", 3}, {"7", 0}, {"100", 0}, {"-1", 0}, {"x", 0},
    };
    for (const auto& [value, page] : cases) {
        createWindow(std::string("[Varnwork]\nStartupPage=") + value + "\n");
        EXPECT_EQ(control<QTabWidget>("PageControl1")->currentIndex(), page) << value;
    }
    createWindow();
    EXPECT_EQ(control<QTabWidget>("PageControl1")->currentIndex(), 0);
}

TEST_F(MainWindowTest, SettingsAndMusicConstantsAreLoadedAtStartup)
{
    createWindow("[Varnwork]\nSmcHeaderCheck=2\nEquipmentCheck=1\nTmpTransparent=1\n");
    EXPECT_EQ(window->settings().smcHeaderCheck, 2);
    EXPECT_EQ(window->settings().equipmentCheck, 1);
    EXPECT_EQ(window->settings().tmpTransparent, 1);
    EXPECT_EQ(window->settings().aniTransparent, 1);
    EXPECT_EQ(window->musicConstants().firstMusicNumber, 0xB0);
    EXPECT_EQ(window->musicConstants().lastMusicNumber, 0xFE);
    EXPECT_EQ(window->musicConstants().musicAreaStart, 0x500004);
    EXPECT_EQ(window->musicConstants().musicAreaEnd, 0x51FFFF);
    EXPECT_EQ(window->musicConstants().musicCounterOffset, 0x500000);
    EXPECT_EQ(window->musicConstants().musicPointerOffset, 0x500001);
}

// A settings file too large to be one is not read: the window starts with the defaults and
// holds the warning the program shows once the window is up.
TEST_F(MainWindowTest, ASettingsFileTooLargeToBeOneIsNotRead)
{
    const std::string settings = "[Varnwork]\nStartupPage=3\nSmcHeaderCheck=2\n";
    createWindow(settings + std::string(kMaxSettingsFileSize + 1 - settings.size(), ';'));
    EXPECT_EQ(control<QTabWidget>("PageControl1")->currentIndex(), 0);
    EXPECT_EQ(window->settings().smcHeaderCheck, 1);
    EXPECT_EQ(window->settings().extensionChar, 0);
    EXPECT_EQ(window->settings().problem,
              "ファイルが大きすぎます。\n" + (dir.path() / "Varnkit.ini").string());
    EXPECT_TRUE(dialogs->messages.empty());

    createWindow(settings);
    EXPECT_EQ(control<QTabWidget>("PageControl1")->currentIndex(), 3);
    EXPECT_EQ(window->settings().problem, "");
}

// An object whose event handler fails the way a page's handler might: an error of its own, or
// an allocation that fails.
class ThrowingObject : public QObject {
public:
    static constexpr QEvent::Type kOutOfMemory = static_cast<QEvent::Type>(QEvent::User + 1);

    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::User)
            throw std::runtime_error("'abc' is not a valid integer value");
        if (event->type() == kOutOfMemory)
            throw std::bad_alloc();
        return QObject::event(event);
    }
};

TEST_F(MainWindowTest, ExceptionReachingTheEventLoopIsShownAndTheProgramGoesOn)
{
    createWindow();
    ThrowingObject object;
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&object, &event);
    ASSERT_EQ(dialogs->messages.size(), 1u);
    // The program's own language, whatever the exception says.
    EXPECT_EQ(dialogs->messages[0].text, kUnexpectedErrorMessage);
    EXPECT_EQ(dialogs->messages[0].caption, "エラー");
    EXPECT_EQ(dialogs->messages[0].icon, app::MessageIcon::Stop);

    QCoreApplication::postEvent(&object, new QEvent(ThrowingObject::kOutOfMemory));
    QCoreApplication::processEvents();
    ASSERT_EQ(dialogs->messages.size(), 2u);
    EXPECT_EQ(dialogs->messages[1].text, kOutOfMemoryMessage);
}

} // namespace
} // namespace varn::test
