#include <gtest/gtest.h>

#include <functional>

#include <QAbstractButton>
#include <QApplication>
#include <QDate>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTimer>

#include "app/DialogService.h"
#include "app/QtDialogService.h"

namespace varn::app {
namespace {

TEST(DialogServiceTest, FiltersBecomeQtNameFilters)
{
    const std::pair<QString, QStringList> cases[] = {
        {"smcファイル (*.smc)|*.smc", {"smcファイル (*.smc)"}},
        {"vnpファイル(*.vnp)|*.vnp", {"vnpファイル (*.vnp)"}},
        {"MML (*.mml;*.txt)|*.mml;*.txt|すべて|*.*", {"MML (*.mml *.txt)", "すべて (*.*)"}},
        {"", {}},
    };
    for (const auto& [filter, expected] : cases)
        EXPECT_EQ(ToQtNameFilters(filter), expected) << filter.toStdString();
}

TEST(DialogServiceTest, DatedNamesEndInTodaysDate)
{
    const QString name = DatedFileName("名無しさん");
    EXPECT_EQ(name, "名無しさん_" + QDate::currentDate().toString("yyyyMMdd"));
    EXPECT_TRUE(QRegularExpression("^名無しさん_20\\d{6}$").match(name).hasMatch());
}

} // namespace
} // namespace varn::app

namespace varn::app {
namespace {

// Runs `inspect` on the modal dialog the service shows, once it is up.
template <class Dialog> void WhenShown(std::function<void(Dialog&)> inspect, bool* seen)
{
    QTimer::singleShot(0, [inspect, seen] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        *seen = true;
        inspect(*dialog);
    });
}

TEST(QtDialogServiceTest, MessageBoxesCarryCaptionIconAndButtons)
{
    QWidget parent;
    QtDialogService service(&parent);
    struct Case {
        MessageIcon icon;
        QMessageBox::Icon shown;
    };
    for (const Case c : {Case{MessageIcon::Stop, QMessageBox::Critical},
                         Case{MessageIcon::Exclamation, QMessageBox::Warning},
                         Case{MessageIcon::Information, QMessageBox::Information}}) {
        bool seen = false;
        WhenShown<QMessageBox>(
            [&](QMessageBox& box) {
                EXPECT_EQ(box.windowTitle(), "見出し");
                EXPECT_EQ(box.text(), "本文");
                EXPECT_EQ(box.icon(), c.shown);
                EXPECT_EQ(box.standardButtons(), QMessageBox::Ok);
                box.button(QMessageBox::Ok)->click();
            },
            &seen);
        service.showMessage("本文", "見出し", c.icon);
        EXPECT_TRUE(seen);
    }
}

TEST(QtDialogServiceTest, OkCancelIsTrueOnlyForOk)
{
    QWidget parent;
    QtDialogService service(&parent);
    for (const auto& [button, answer] :
         {std::pair{QMessageBox::Ok, true}, std::pair{QMessageBox::Cancel, false}}) {
        bool seen = false;
        WhenShown<QMessageBox>(
            [button = button](QMessageBox& box) {
                EXPECT_EQ(box.windowTitle(), "確認");
                EXPECT_EQ(box.icon(), QMessageBox::Question);
                EXPECT_EQ(box.standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
                box.button(button)->click();
            },
            &seen);
        EXPECT_EQ(service.askConfirmation("適用しますか？"), answer);
        EXPECT_TRUE(seen);
    }
}

TEST(QtDialogServiceTest, SaveDialogIsSetUpAsTheCommandAsks)
{
    QWidget parent;
    QtDialogService service(&parent);
    bool seen = false;
    WhenShown<QFileDialog>(
        [](QFileDialog& dialog) {
            EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
            EXPECT_EQ(dialog.nameFilters(), QStringList({"MML (*.mml *.txt)", "vnp (*.vnp)"}));
            EXPECT_EQ(dialog.selectedNameFilter(), "vnp (*.vnp)");
            EXPECT_EQ(dialog.defaultSuffix(), "vnp");
            EXPECT_FALSE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
            dialog.reject();
        },
        &seen);
    EXPECT_EQ(service.chooseSaveFile(
                  {"MML (*.mml;*.txt)|*.mml;*.txt|vnp|*.vnp", 2, ".vnp", "名無しさん_20240131"}),
              std::nullopt);
    EXPECT_TRUE(seen);
}

} // namespace
} // namespace varn::app
