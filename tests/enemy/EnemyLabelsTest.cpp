#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "enemy/EnemyLabels.h"
#include "enemy/EnemyLists.h"
#include "rom/HexText.h"

namespace varn {
namespace {

// Every entry of a complete file, in list order, with `prefix` before each built-in name.
std::string CompleteFile(const std::string& prefix = "")
{
    std::string text;
    for (const std::string_view list : EnemyLabelListNames()) {
        for (const std::uint8_t code : EnemyLabelCodes(list))
            text += std::string(list) + " " + HexDigits(code, 2) + " " + prefix +
                    BuiltInEnemyLabels().names.at({std::string(list), code}) + "\n";
    }
    return text;
}

class EnemyLabelsTest : public testing::Test {
protected:
    void TearDown() override { UseBuiltInEnemyLabels(); }
};

TEST_F(EnemyLabelsTest, TheShippedFileNamesEveryCode)
{
    std::ifstream file(VARN_ENEMY_LABELS_FILE, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    const Result<EnemyLabels> parsed = ParseEnemyLabels(text.str());
    ASSERT_TRUE(parsed.ok()) << parsed.message();
    EXPECT_EQ(parsed.value().names, BuiltInEnemyLabels().names);
    EXPECT_EQ(parsed.value().names.size(), 8u);
    EXPECT_EQ(EnemyLabelName("race", 0x0C), "種族0C");
    EXPECT_EQ(EnemyLabelName("boss", 0x0E), "ボス0E");
    EXPECT_EQ(EnemyLabelName("race", 0x0D), "？");
}

TEST_F(EnemyLabelsTest, AFileThatBreaksARuleIsRefusedNamingTheLine)
{
    const std::string complete = CompleteFile();
    struct Case {
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {"\xEF\xBB\xBF# comment\n\n" + complete, ""},
        {"race 0C\n" + complete,
         "1行目: 「race 0C」は「一覧 コード 名前」の形ではありません（空白で区切ります）。"},
        {"enemy 00 x\n" + complete,
         "1行目: 「enemy」という一覧はありません（race element currency boss のどれかです）。"},
        {"race 0D x\n" + complete, "1行目: 一覧 race にコード0Dはありません。"},
        {"race C x\n" + complete, "1行目: コード「C」は2桁の16進数ではありません。"},
        {complete + "boss 0B again\n",
         "9行目: boss 0B は5行目にもあります。一つのコードに名前は一つです。"},
        {"race 0C a\nrace 13 b\nelement 07 c\ncurrency 00 d\nboss 0B e\nboss 0D f\nboss 0E g\n",
         "5行目: boss 0B の次の boss 0C の行がありません。"},
        {"race 13 b\nelement 07 c\ncurrency 00 d\nboss 0B e\nboss 0C e\nboss 0D f\nboss 0E g\n",
         "1行目: race 13 の前の race 0C の行がありません。"},
        {"race 0C a\nrace 13 b\nelement 07 c\ncurrency 00 d\n",
         "4行目: 一覧 boss の行が一つもありません（boss 0B から 4行が必要です）。"},
        {"race 0C \xEF\xBF\xBD\n" + complete, "1行目: 文字として読めないバイトがあります。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        const Result<EnemyLabels> parsed = ParseEnemyLabels(c.text);
        EXPECT_EQ(parsed.message(), c.message);
    }
}

TEST_F(EnemyLabelsTest, InstalledLabelsNameTheListsUntilTheBuiltInOnesComeBack)
{
    const Result<EnemyLabels> parsed = ParseEnemyLabels(CompleteFile("新"));
    ASSERT_TRUE(parsed.ok()) << parsed.message();
    ASSERT_TRUE(InstallEnemyLabels(parsed.value()).ok());
    EXPECT_EQ(RaceItems()[0x13].label, "【13】新種族13");
    EXPECT_EQ(RecoveryElementItems()[7].label, "【7】新地相7");
    EXPECT_EQ(AppearanceItems()[0x0C].label, "【0C】新ボス0C");
    EXPECT_EQ(CurrencyName(), "新通貨");
    EXPECT_EQ(RecoveryBoxCaptions().back(), "新地相7");

    // Installing the same names again, and labels that lack a code, keep the names in use.
    EXPECT_TRUE(InstallEnemyLabels(parsed.value()).ok());
    EnemyLabels lacking = parsed.value();
    lacking.names.erase({"boss", 0x0D});
    EXPECT_EQ(InstallEnemyLabels(lacking).message(),
              "項目名が揃っていません。\nboss 0D の名前がありません。");
    EnemyLabels extra = parsed.value();
    extra.names[{"boss", 0x10}] = "x";
    EXPECT_EQ(InstallEnemyLabels(extra).message(),
              "項目名が正しくありません。\nboss 10 という項目はありません。");
    EXPECT_EQ(CurrencyName(), "新通貨");

    UseBuiltInEnemyLabels();
    EXPECT_EQ(CurrencyName(), "通貨");
    EXPECT_EQ(RaceItems()[0x0C].label, "【0C】種族0C");
}

} // namespace
} // namespace varn
