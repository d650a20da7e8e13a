#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "text/LabelFile.h"

namespace varn {
namespace {

// Two small lists: "race" names the codes 0C and 13, "boss" (four digits, a group before the
// name) the codes 0000 to 0002.
LabelFileRules Rules(bool shapePerList, bool codeNamesRange)
{
    return {{{"race", {0x0C, 0x13}, 2, false}, {"boss", {0, 1, 2}, 4, true}},
            shapePerList,
            codeNamesRange};
}

constexpr std::string_view kWhole = "race 0C 獣\n"
                                    "race 13 鳥\n"
                                    "boss 0000 七英雄 ワグナス\n"
                                    "boss 0001 七英雄 ノエル\n"
                                    "boss 0002 七英雄 ロックブーケ\n";

TEST(LabelFileTest, ReadsEveryListWithGroupsAndNames)
{
    const std::string text = "\xEF\xBB\xBF# comment\r\n\r\n" + std::string(kWhole);
    const LabelFileReading reading = ReadLabelFile(text, Rules(false, false));
    EXPECT_EQ(reading.problem, "");
    ASSERT_EQ(reading.lists.size(), 2u);
    ASSERT_EQ(reading.lists[0].size(), 2u);
    EXPECT_EQ(reading.lists[0].at(0x13).name, "鳥");
    EXPECT_EQ(reading.lists[0].at(0x13).group, "");
    ASSERT_EQ(reading.lists[1].size(), 3u);
    EXPECT_EQ(reading.lists[1].at(2).group, "七英雄");
    EXPECT_EQ(reading.lists[1].at(2).name, "ロックブーケ");
}

struct ProblemCase {
    const char* name;
    std::string_view text;
    bool shapePerList;
    bool codeNamesRange;
    std::string_view problem;
};

TEST(LabelFileTest, NamesTheFirstProblemAndItsLine)
{
    const std::string whole(kWhole);
    const ProblemCase cases[] = {
        {"NotUtf8", "race 0C \xEF\xBF\xBD\n", false, false,
         "1行目: 文字として読めないバイトがあります。"},
        {"CommonShape", "race 0C\n", false, false,
         "1行目: 「race 0C」は「一覧 コード 名前」の形ではありません（空白で区切ります）。"},
        {"ShapeBeforeUnknownList", "fish 0C\n", false, false,
         "1行目: 「fish 0C」は「一覧 コード 名前」の形ではありません（空白で区切ります）。"},
        {"CommonShapeWithGroup", "boss 0000 ワグナス\n", false, false,
         "1行目: 「boss 0000 ワグナス」は「一覧 コード "
         "名前」の形ではありません（空白で区切ります）。"},
        {"ListShape", "boss 0000 ワグナス\n", true, false,
         "1行目: 「boss 0000 ワグナス」は「boss コード グループ 名前」の形ではありません"
         "（空白で区切ります）。"},
        {"UnknownListBeforeShape", "fish 0C\n", true, false,
         "1行目: 「fish」という一覧はありません（race boss のどれかです）。"},
        {"UnknownList", "fish 0C 鮫\n", false, false,
         "1行目: 「fish」という一覧はありません（race boss のどれかです）。"},
        {"ShortCode", "race C 獣\n", false, false,
         "1行目: コード「C」は2桁の16進数ではありません。"},
        {"NotHex", "boss 000G 七英雄 ワグナス\n", false, false,
         "1行目: コード「000G」は4桁の16進数ではありません。"},
        {"NotInList", "race 0D 獣\n", false, false, "1行目: 一覧 race にコード0Dはありません。"},
        {"NotInRange", "boss 0003 七英雄 スービエ\n", false, true,
         "1行目: 一覧 boss にコード0003はありません（0000 から 0002 までです）。"},
        {"Twice", "race 0C 獣\nrace 0c 鳥\n", false, false,
         "2行目: race 0C は1行目にもあります。一つのコードに名前は一つです。"},
        {"MissingAfter", "race 0C 獣\nboss 0000 七英雄 ワグナス\nboss 0002 七英雄 ロックブーケ\n",
         false, false, "1行目: race 0C の次の race 13 の行がありません。"},
        {"MissingBefore", "race 13 鳥\n", false, false,
         "1行目: race 13 の前の race 0C の行がありません。"},
        {"ListWithoutLines", "race 0C 獣\nrace 13 鳥\n\n", false, false,
         "3行目: 一覧 boss の行が一つもありません（boss 0000 から 3行が必要です）。"},
        {"FirstProblemWins", "race 0D 獣\nfish 0C 鮫\n", false, false,
         "1行目: 一覧 race にコード0Dはありません。"},
    };
    for (const ProblemCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReadLabelFile(c.text, Rules(c.shapePerList, c.codeNamesRange)).problem,
                  c.problem);
    }
    // A line with a problem is skipped and the first entry of a code wins.
    const LabelFileReading reading =
        ReadLabelFile(whole + "race 0C 別の名前\nrace 0D 獣\n", Rules(false, false));
    EXPECT_EQ(reading.problem,
              "6行目: race 0C は1行目にもあります。一つのコードに名前は一つです。");
    EXPECT_EQ(reading.lists[0].at(0x0C).name, "獣");
    EXPECT_EQ(reading.lists[0].size(), 2u);
}

std::vector<std::uint8_t> TwoCodes(std::string_view list)
{
    if (list == "race")
        return {0x0C, 0x13};
    return {};
}

TEST(LabelFileTest, CodedFilesAreNamedByKeywordAndByte)
{
    constexpr std::string_view kKeywords[] = {"race"};
    const CodedLabelReading reading =
        ReadCodedLabelFile("race 0C 獣\nrace 13 鳥\n", kKeywords, TwoCodes);
    EXPECT_EQ(reading.problem, "");
    EXPECT_EQ(reading.names, (CodedLabelNames{{{"race", 0x0C}, "獣"}, {{"race", 0x13}, "鳥"}}));
    EXPECT_EQ(ReadCodedLabelFile("race 0C 獣\n", kKeywords, TwoCodes).problem,
              "1行目: race 0C の次の race 13 の行がありません。");
}

} // namespace
} // namespace varn
