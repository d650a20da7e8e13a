#include <gtest/gtest.h>

#include <QDate>
#include <QRegularExpression>

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
