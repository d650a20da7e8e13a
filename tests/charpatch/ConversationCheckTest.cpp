#include <gtest/gtest.h>

#include <ostream>

#include "CharpatchTestSupport.h"
#include "charpatch/PatchValidation.h"

namespace varn {
namespace {

using test::PlainExtensions;
using test::Repeat;
using test::kFillIn;
using test::kTooLarge;
using test::ShortConversations;

constexpr const char* kTooLong = "メッセージが長すぎます。";

const std::string kFullLine = Repeat("あ", 15);

// The byte count of a check; a failed check counts none.
int BytesOf(const Result<int>& check)
{
    return check.ok() ? check.value() : 0;
}

// A message as typed, the limits it is checked with, the text it is rewritten to, and the
// byte count or the message of the problem.
struct MessageCase {
    const char* name;
    std::string text;
    int maxLines;
    int width;
    std::string rewritten;
    int bytes;
    const char* problem; // nullptr: passes with `bytes`
};

void PrintTo(const MessageCase& c, std::ostream* os)
{
    *os << c.name;
}

class CheckMessageTest : public testing::TestWithParam<MessageCase> {};

TEST_P(CheckMessageTest, RewritesCountsAndMeasures)
{
    const MessageCase& c = GetParam();
    std::string text = c.text;
    const Result<int> check =
        CheckMessage(text, 6, "Memo2", c.maxLines, c.width, PlainExtensions());
    EXPECT_EQ(text, c.rewritten);
    if (c.problem == nullptr) {
        EXPECT_EQ(test::FailureOf(check), std::nullopt);
        EXPECT_EQ(BytesOf(check), c.bytes);
    } else {
        EXPECT_EQ(test::FailureOf(check), (Failure{c.problem, 6, "Memo2"}));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Messages, CheckMessageTest,
    testing::Values(
        MessageCase{"Empty", "", 4, 15, "", 0, kFillIn},
        MessageCase{"OneShortLine", "あい", 4, 15, "あい", 2, nullptr},
        // The break after a full line goes; the 30 characters count two lines.
        MessageCase{"BreakAfterAFullLineIsRemoved", kFullLine + "\r\n" + kFullLine, 2, 15,
                    kFullLine + kFullLine, 30, nullptr},
        MessageCase{"TwoFullLinesAreTwoLines", kFullLine + "\r\n" + kFullLine, 1, 15,
                    kFullLine + kFullLine, 0, kTooLong},
        MessageCase{"LoneLineFeedAfterAFullLine", kFullLine + "\n" + "い", 4, 15, kFullLine + "い",
                    16, nullptr},
        MessageCase{"FinalBreakAfterAFullLine", kFullLine + "\r\n", 1, 15, kFullLine, 15, nullptr},
        // Only the first break after the full line goes; the empty line after it stays.
        MessageCase{"SecondBreakAfterAFullLineStays", kFullLine + "\r\n\r\nい", 2, 15,
                    kFullLine + "\r\nい", 17, nullptr},
        MessageCase{"SixteenCharactersFitTwoLines", Repeat("あ", 16), 2, 15, Repeat("あ", 16), 16,
                    nullptr},
        MessageCase{"SixteenCharactersAreTwoLines", Repeat("あ", 16), 1, 15, Repeat("あ", 16), 0,
                    kTooLong},
        MessageCase{"FourLinesOfSixteenAreEight",
                    Repeat(Repeat("あ", 16) + "\r\n", 3) + Repeat("あ", 16), 4, 15,
                    Repeat(Repeat("あ", 16) + "\r\n", 3) + Repeat("あ", 16), 0, kTooLong},
        MessageCase{"FourLinesOfSixteenFitEight",
                    Repeat(Repeat("あ", 16) + "\r\n", 3) + Repeat("あ", 16), 8, 15,
                    Repeat(Repeat("あ", 16) + "\r\n", 3) + Repeat("あ", 16), 67, nullptr},
        MessageCase{"FiveShortLines", "あ\nい\nう\nえ\nお", 4, 15, "あ\nい\nう\nえ\nお", 0,
                    kTooLong},
        MessageCase{"EmptyLinesCount", "あ\r\n\r\nい", 2, 15, "あ\r\n\r\nい", 0, kTooLong},
        MessageCase{"AFinalBreakStartsNoLine", "あ\r\nい\r\n", 2, 15, "あ\r\nい\r\n", 3, nullptr},
        MessageCase{"OnlyABreak", "\r\n", 1, 15, "\r\n", 0, nullptr},
        MessageCase{"LineFeedsStayLineFeeds", "あ\nい", 4, 15, "あ\nい", 3, nullptr},
        MessageCase{"MixedBreaksBecomeCarriageReturnLineFeeds", "あ\r\nい\nう", 4, 15,
                    "あ\r\nい\r\nう", 5, nullptr},
        MessageCase{"HalfWidthBecomesFullWidth", "ｶﾞｲ 1", 4, 15, "ガイ　１", 5, nullptr},
        MessageCase{"VoicedHalfWidthLettersCountOnce", Repeat("ｶﾞ", 15) + "\r\nい", 1, 15,
                    Repeat("ガ", 15) + "い", 0, kTooLong},
        // Trailing half-width spaces become full-width ones, which the game shows.
        MessageCase{"TrailingSpacesAreKeptAsFullWidth", "あ  ", 4, 15, "あ　　", 3, nullptr},
        MessageCase{"Unencodable", "あ■い", 4, 15, "あ■い", 0, "「■」は使用できません。"},
        MessageCase{"UnencodableHalfWidthLetter", "あz", 4, 15, "あｚ", 0,
                    "「ｚ」は使用できません。"},
        MessageCase{"FinalBattleWidth",
                    Repeat("あ", 10) + "\n" + Repeat("い", 10) + "\n" + Repeat("う", 10), 3, 10,
                    Repeat("あ", 10) + Repeat("い", 10) + Repeat("う", 10), 30, nullptr},
        MessageCase{"FinalBattleFourShortLines", "あ\nい\nう\nえ", 3, 10, "あ\nい\nう\nえ", 0,
                    kTooLong}),
    [](const testing::TestParamInfo<MessageCase>& info) { return std::string(info.param.name); });

TEST(CheckChoiceTest, CountsTheBreakAfterAShortChoice)
{
    struct Case {
        std::string text;
        int bytes;
        const char* problem;
    };
    const Case cases[] = {
        {"はい", 3, nullptr},
        {"はい  ", 3, nullptr},
        {"1", 3, nullptr},
        {Repeat("あ", 14), 15, nullptr},
        {Repeat("あ", 15), 15, nullptr},
        {Repeat("０", 15), 30, nullptr},
        {Repeat("あ", 14) + " ", 15, nullptr},
        // Characters count as the game shows them: a letter and its voiced mark are one.
        {Repeat("ｶﾞ", 15), 15, nullptr},
        {Repeat("あ", 16), 0, kTooLong},
        {"", 0, kFillIn},
        {"は■", 0, "「■」は使用できません。"},
    };
    for (const Case& c : cases) {
        const Result<int> check = CheckChoice(c.text, 7, "Edit61", PlainExtensions());
        if (c.problem == nullptr) {
            EXPECT_EQ(test::FailureOf(check), std::nullopt) << c.text;
            EXPECT_EQ(BytesOf(check), c.bytes) << c.text;
        } else {
            EXPECT_EQ(test::FailureOf(check), (Failure{c.problem, 7, "Edit61"})) << c.text;
        }
    }
}

// --- Conversation totals --------------------------------------------------------------------


TEST(CheckFirstTalkTest, TotalsThePiecesAndFlagsTheRecordHolds)
{
    struct Case {
        bool secondChoice;
        int hpCondition;
        int total;
    };
    const Case cases[] = {
        {false, 0, 14}, {false, 2, 14}, {true, 0, 26}, {true, 1, 28}, {true, 2, 28}};
    for (const Case& c : cases) {
        CharacterForm form = ShortConversations();
        form.secondChoice = c.secondChoice;
        form.hpCondition = c.hpCondition;
        const Result<int> check = CheckFirstTalk(form, PlainExtensions());
        EXPECT_EQ(test::FailureOf(check), std::nullopt);
        EXPECT_EQ(BytesOf(check), c.total) << c.secondChoice << " " << c.hpCondition;
    }
}

TEST(CheckFirstTalkTest, FieldsTheRecordDoesNotHoldAreNotChecked)
{
    CharacterForm form = ShortConversations();
    form.secondOk = "■";
    form.refuseLine = "";
    EXPECT_EQ(test::FailureOf(CheckFirstTalk(form, PlainExtensions())), std::nullopt);
    form.secondChoice = true;
    EXPECT_EQ(test::FailureOf(CheckFirstTalk(form, PlainExtensions())),
              (Failure{"「■」は使用できません。", 6, "Edit59"}));
    form.secondOk = "はい";
    EXPECT_EQ(test::FailureOf(CheckFirstTalk(form, PlainExtensions())), std::nullopt);
    form.hpCondition = 1;
    EXPECT_EQ(test::FailureOf(CheckFirstTalk(form, PlainExtensions())),
              (Failure{kFillIn, 6, "Memo5"}));
}

TEST(CheckFirstTalkTest, TheFirstFailingPieceEndsTheCheck)
{
    CharacterForm form = ShortConversations();
    form.firstNg = "";
    form.firstAfterOk = "■";
    EXPECT_EQ(test::FailureOf(CheckFirstTalk(form, PlainExtensions())),
              (Failure{kFillIn, 6, "Edit58"}));
    form.firstNg = "いいえ";
    EXPECT_EQ(test::FailureOf(CheckFirstTalk(form, PlainExtensions())),
              (Failure{"「■」は使用できません。", 6, "Memo3"}));
    form.firstAfterOk = "う";
    form.secondChoice = true;
    form.joinLine = "";
    EXPECT_EQ(test::FailureOf(CheckFirstTalk(form, PlainExtensions())),
              (Failure{kFillIn, 6, "Memo4"}));
}

TEST(CheckFirstTalkTest, WithoutAFirstLineNeitherConversationIsChecked)
{
    CharacterForm form;
    form.firstOk = "■";
    form.repeatLine = "■";
    form.repeatOk = Repeat("あ", 16);
    const Result<int> first = CheckFirstTalk(form, PlainExtensions());
    const Result<int> repeat = CheckRepeatTalk(form, PlainExtensions());
    EXPECT_EQ(test::FailureOf(first), std::nullopt);
    EXPECT_EQ(BytesOf(first), 1);
    EXPECT_EQ(test::FailureOf(repeat), std::nullopt);
    EXPECT_EQ(BytesOf(repeat), 1);
}

TEST(CheckFirstTalkTest, ATotalOf255PassesAnd256Fails)
{
    CharacterForm form = ShortConversations();
    form.firstLine = Repeat("０", 60);           // 120 + 1, four lines
    form.firstOk = Repeat("０", 15);             // 30 + 1, no line break
    form.firstNg = "はい";                       // 3 + 1
    form.firstAfterOk = Repeat("０", 48) + "あ"; // 97 + 1, then the flag
    Result<int> check = CheckFirstTalk(form, PlainExtensions());
    EXPECT_EQ(test::FailureOf(check), std::nullopt);
    EXPECT_EQ(BytesOf(check), 255);

    form.firstAfterOk = Repeat("０", 48) + "ああ";
    check = CheckFirstTalk(form, PlainExtensions());
    EXPECT_EQ(test::FailureOf(check), (Failure{kTooLarge, 6, "Memo2"}));
}

TEST(CheckRepeatTalkTest, TotalsItsFivePieces)
{
    CharacterForm form = ShortConversations();
    const Result<int> check = CheckRepeatTalk(form, PlainExtensions());
    EXPECT_EQ(test::FailureOf(check), std::nullopt);
    EXPECT_EQ(BytesOf(check), 15);
}

TEST(CheckRepeatTalkTest, ATotalOf128PassesAnd129Fails)
{
    CharacterForm form = ShortConversations();
    form.repeatLine = Repeat("０", 50);   // 100 + 1
    form.repeatOk = "あ";                 // 1 + 1 + 1
    form.repeatNg = "い";                 // 1 + 1 + 1
    form.repeatAfterOk = "う";            // 1 + 1
    form.repeatAfterNg = Repeat("０", 9); // 18 + 1
    Result<int> check = CheckRepeatTalk(form, PlainExtensions());
    EXPECT_EQ(test::FailureOf(check), std::nullopt);
    EXPECT_EQ(BytesOf(check), 128);

    form.repeatAfterNg = Repeat("０", 9) + "あ";
    check = CheckRepeatTalk(form, PlainExtensions());
    EXPECT_EQ(test::FailureOf(check), (Failure{kTooLarge, 7, "Memo6"}));
}

TEST(CheckRepeatTalkTest, PiecesAreCheckedOnTheirPage)
{
    CharacterForm form = ShortConversations();
    form.repeatNg = Repeat("あ", 16);
    EXPECT_EQ(test::FailureOf(CheckRepeatTalk(form, PlainExtensions())),
              (Failure{kTooLong, 7, "Edit62"}));
    form.repeatNg = "いいえ";
    form.repeatAfterNg = "";
    EXPECT_EQ(test::FailureOf(CheckRepeatTalk(form, PlainExtensions())),
              (Failure{kFillIn, 7, "Memo8"}));
}

TEST(CheckRepeatTalkTest, MessagesAreRewrittenInTheForm)
{
    CharacterForm form = ShortConversations();
    form.repeatLine = "ﾏﾀ" + std::string("\n") + "ｱｵｳ";
    ASSERT_EQ(test::FailureOf(CheckRepeatTalk(form, PlainExtensions())), std::nullopt);
    EXPECT_EQ(form.repeatLine, "マタ\nアオウ");
}

} // namespace
} // namespace varn
