#include <gtest/gtest.h>

#include <functional>
#include <ostream>

#include "CharpatchTestSupport.h"
#include "charpatch/PatchValidation.h"

namespace varn {
namespace {

using test::PlainExtensions;
using test::Repeat;
using test::kFillIn;


Result<std::string> Check(CharacterForm& form, const PatchCheckSettings& settings = {},
                          const ExtensionTable& extensions = PlainExtensions())
{
    return CheckCharacterPatch(form, true, settings, extensions);
}

// The warning a check gives; a refused check has none.
std::string WarningOf(const Result<std::string>& result)
{
    return result.ok() ? result.value() : "";
}

// A form whose conversations are filled in and pass.
CharacterForm FormWithConversations()
{
    CharacterForm form;
    form.firstLine = "やあ";
    form.firstOk = "はい";
    form.firstNg = "いいえ";
    form.firstAfterOk = "よろしく";
    form.repeatLine = "また";
    form.repeatOk = "はい";
    form.repeatNg = "いいえ";
    form.repeatAfterOk = "よし";
    form.repeatAfterNg = "そうか";
    return form;
}

TEST(CheckCharacterPatchTest, TheFreshFormWithASheetPasses)
{
    CharacterForm form;
    const Result<std::string> result = Check(form);
    EXPECT_EQ(test::FailureOf(result), std::nullopt);
    EXPECT_EQ(WarningOf(result), "");
}

TEST(CheckCharacterPatchTest, NoSheetIsRefusedFirst)
{
    CharacterForm form;
    form.name = "";
    const Result<std::string> result = CheckCharacterPatch(form, false, {}, PlainExtensions());
    EXPECT_EQ(test::FailureOf(result), (Failure{"画像を指定してください。", -1, ""}));
}

// One change to the fresh form and what the checks make of it (nullopt: it passes).
struct FieldCase {
    const char* name;
    std::function<void(CharacterForm&)> change;
    std::optional<Failure> expected;
};

void PrintTo(const FieldCase& c, std::ostream* os)
{
    *os << c.name;
}

class FieldCheckTest : public testing::TestWithParam<FieldCase> {};

TEST_P(FieldCheckTest, GivesTheProblemOfTheField)
{
    CharacterForm form;
    GetParam().change(form);
    EXPECT_EQ(test::FailureOf(Check(form)), GetParam().expected);
}

Failure Range(const char* message, int page, const char* control)
{
    return {message, page, control};
}

INSTANTIATE_TEST_SUITE_P(Fields, FieldCheckTest,
                         testing::
                             Values(FieldCase{"EmptyName", [](CharacterForm& f) { f.name = ""; },
                                              Failure{kFillIn, -1, "Edit1"}},
                                    FieldCase{"NameOfEightBytes",
                                              [](CharacterForm& f) { f.name = "あいうえおかきく"; },
                                              std::nullopt},
                                    FieldCase{
                                        "NameOfNineBytes",
                                        [](CharacterForm& f) { f.name = "あいうえおかきくけ"; },
                                        Failure{"名前が長すぎます。", -1, "Edit1"}},
                                    FieldCase{
                                        "NameWithTrailingBlanks",
                                        [](CharacterForm& f) { f.name = "あいうえおかきく \t"; },
                                        std::nullopt},
                                    FieldCase{"NameWithBlackSquare",
                                              [](CharacterForm& f) { f.name = "名■"; },
                                              Failure{"「■」は使用できません。", -1, "Edit1"}},
                                    // The message names the character in the full-width form the
                                    // codec reads.
                                    FieldCase{"NameWithHalfWidthLetter",
                                              [](CharacterForm& f) { f.name = "あb"; },
                                              Failure{"「ｂ」は使用できません。", -1, "Edit1"}},
                                    FieldCase{"EmptyTitle", [](CharacterForm& f) { f.title = ""; },
                                              Failure{kFillIn, -1, "Edit2"}},
                                    // Nine characters fail although their nine bytes would fit the
                                    // field.
                                    FieldCase{
                                        "TitleOfNineCharacters",
                                        [](CharacterForm& f) { f.title = "あいうえおかきくけ"; },
                                        Failure{"肩書きが長すぎます。", -1, "Edit2"}},
                                    // Eight characters of which one needs two UTF-16 units.
                                    FieldCase{"TitleOfEightCharactersNineUnits",
                                              [](CharacterForm& f) {
                                                  f.title = "あいうえおかき\U00020BB7";
                                              },
                                              Failure{"肩書きが長すぎます。", -1, "Edit2"}},
                                    FieldCase{"TitleOfElevenBytes",
                                              [](CharacterForm& f) { f.title = "０１２３４あ"; },
                                              Failure{"肩書きが長すぎます。", -1, "Edit2"}},
                                    FieldCase{"TitleOfTenBytes",
                                              [](CharacterForm& f) { f.title = "０１２３４"; },
                                              std::nullopt},
                                    FieldCase{"TitleWithWhiteSquare",
                                              [](CharacterForm& f) { f.title = "あ□"; },
                                              Failure{"「□」は使用できません。", -1, "Edit2"}},
                                    FieldCase{
                                        "CommentOf1024Bytes",
                                        [](CharacterForm& f) { f.comment = Repeat("あ", 512); },
                                        std::nullopt},
                                    FieldCase{"CommentOf1025Bytes",
                                              [](CharacterForm& f) {
                                                  f.comment = Repeat("あ", 512) + "a";
                                              },
                                              Failure{"コメントが長すぎます", -1, "Memo1"}},
                                    FieldCase{
                                        "CommentOutsideCp932",
                                        [](CharacterForm& f) { f.comment = "ok \U0001F600"; },
                                        Failure{"「\U0001F600」は使用できません。", -1, "Memo1"}},
                                    // The limit counts a line break as the two bytes it is
                                    // stored as.
                                    FieldCase{"CommentOf1024BytesWithALineBreak",
                                              [](CharacterForm& f) {
                                                  f.comment = Repeat("あ", 511) + "\n";
                                              },
                                              std::nullopt},
                                    FieldCase{"CommentOf1025BytesWithALineBreak",
                                              [](CharacterForm& f) {
                                                  f.comment = Repeat("あ", 511) + "a\n";
                                              },
                                              Failure{"コメントが長すぎます", -1, "Memo1"}},
                                    // CP932 bytes that would read back as UTF-8 ("añ").
                                    FieldCase{"CommentThatWouldReadBackAsOtherText",
                                              [](CharacterForm& f) { f.comment = "aﾃｱ"; },
                                              Failure{"「ﾃ」は使用できません。", -1, "Memo1"}},
                                    FieldCase{
                                        "CommentMayHoldAnyCp932Text",
                                        [](CharacterForm& f) { f.comment = "■ＡＢｃ 123\r\n漢字"; },
                                        std::nullopt},
                                    FieldCase{"AttributeBelowRange",
                                              [](CharacterForm& f) { f.attributes[0] = "4"; },
                                              Range("5～90の範囲外です。", 0, "Edit3")},
                                    FieldCase{"AttributeAboveRange",
                                              [](CharacterForm& f) { f.attributes[6] = "91"; },
                                              Range("5～90の範囲外です。", 0, "Edit9")},
                                    FieldCase{"AttributeNotANumber",
                                              [](CharacterForm& f) { f.attributes[3] = "x"; },
                                              Range("5～90の範囲外です。", 0, "Edit6")},
                                    FieldCase{"AttributesAtTheBounds",
                                              [](CharacterForm& f) {
                                                  f.attributes[0] = "5";
                                                  f.attributes[6] = "90";
                                              },
                                              std::nullopt},
                                    FieldCase{"Lp128", [](CharacterForm& f) { f.lp = "128"; },
                                              std::nullopt},
                                    FieldCase{"Lp3", [](CharacterForm& f) { f.lp = "3"; },
                                              std::nullopt},
                                    FieldCase{"Lp99", [](CharacterForm& f) { f.lp = "99"; },
                                              std::nullopt},
                                    FieldCase{"Lp100", [](CharacterForm& f) { f.lp = "100"; },
                                              Range("3～99の範囲外です。", 0, "Edit10")},
                                    FieldCase{"Lp2", [](CharacterForm& f) { f.lp = "2"; },
                                              Range("3～99の範囲外です。", 0, "Edit10")},
                                    FieldCase{"Lp127", [](CharacterForm& f) { f.lp = "127"; },
                                              Range("3～99の範囲外です。", 0, "Edit10")},
                                    FieldCase{"Hp29", [](CharacterForm& f) { f.hp = "29"; },
                                              Range("30～900の範囲外です。", 1, "Edit33")},
                                    FieldCase{"Hp901", [](CharacterForm& f) { f.hp = "901"; },
                                              Range("30～900の範囲外です。", 1, "Edit33")},
                                    FieldCase{"Hp900", [](CharacterForm& f) { f.hp = "900"; },
                                              std::nullopt},
                                    FieldCase{"SlashLevel32",
                                              [](CharacterForm& f) { f.levels[0] = "32"; },
                                              Range("0～31の範囲外です。", 1, "Edit34")},
                                    FieldCase{"AmplifyLevel32",
                                              [](CharacterForm& f) { f.levels[5] = "32"; },
                                              Range("0～31の範囲外です。", 1, "Edit39")},
                                    FieldCase{"HeavenLevelNegative",
                                              [](CharacterForm& f) { f.levels[7] = "-1"; },
                                              Range("0～31の範囲外です。", 1, "Edit41")},
                                    FieldCase{"LevelsAt31",
                                              [](CharacterForm& f) { f.levels.fill("31"); },
                                              std::nullopt},
                                    FieldCase{
                                        "GrowthHp9",
                                        [](CharacterForm& f) { f.growthRates[0] = "9"; },
                                        Range("0～8の範囲外です。", 4, "Edit42")},
                                    FieldCase{"GrowthAmplify9",
                                              [](CharacterForm& f) { f.growthRates[14] = "9"; },
                                              Range("0～8の範囲外です。", 4, "Edit56")},
                                    FieldCase{"GrowthNotANumberIsZero",
                                              [](CharacterForm& f) { f.growthRates[5] = "abc"; },
                                              std::nullopt},
                                    FieldCase{"LastBattleOfFourLines",
                                              [](CharacterForm&
                                                     f) { f.lastBattleLine = "あ\nい\nう\nえ"; },
                                              Failure{"メッセージが長すぎます。", 8, "Memo9"}},
                                    FieldCase{
                                        "LastBattleOfThreeLines",
                                        [](CharacterForm& f) { f.lastBattleLine = "あ\nい\nう"; },
                                        std::nullopt},
                                    // With no first line nothing of either conversation is looked
                                    // at.
                                    FieldCase{"ConversationsWithoutFirstLine",
                                              [](CharacterForm& f) {
                                                  f.firstOk = "■";
                                                  f.repeatLine = "■";
                                                  f.repeatOk = Repeat("あ", 20);
                                              },
                                              std::nullopt}),
                         [](const testing::TestParamInfo<FieldCase>& info) {
                             return std::string(info.param.name);
                         });

// A form broken at every step, mended one step at a time: each check in the order of
// "パッチ作成" reports its problem only once the ones before it pass.
TEST(CheckCharacterPatchTest, ChecksRunInTheirOrder)
{
    CharacterForm form = FormWithConversations();
    bool hasSheet = false;
    form.name = "あいうえおかきくけ";
    form.title = "あいうえおかきくけ";
    form.comment = Repeat("あ", 513);
    form.attributes[6] = "91";
    form.lp = "2";
    form.hp = "29";
    form.levels[7] = "32";
    form.spells[0] = 0xAB; // 蒼龍 with the earth level at 0
    form.growthRates[2] = "9";
    form.firstOk = "";
    form.repeatOk = Repeat("あ", 16);
    form.lastBattleLine = "あ\nい\nう\nえ";
    form.armours = {0xA0, 0x60, kNoItemCode, kNoItemCode};

    struct Step {
        Failure expected;
        std::function<void()> mend;
    };
    const Step steps[] = {
        {{"画像を指定してください。", -1, ""}, [&] { hasSheet = true; }},
        {{"名前が長すぎます。", -1, "Edit1"}, [&] { form.name = "なまえ"; }},
        {{"肩書きが長すぎます。", -1, "Edit2"}, [&] { form.title = "かたがき"; }},
        {{"コメントが長すぎます", -1, "Memo1"}, [&] { form.comment = "めも"; }},
        {{"5～90の範囲外です。", 0, "Edit9"}, [&] { form.attributes[6] = "90"; }},
        {{"3～99の範囲外です。", 0, "Edit10"}, [&] { form.lp = "3"; }},
        {{"30～900の範囲外です。", 1, "Edit33"}, [&] { form.hp = "30"; }},
        {{"0～31の範囲外です。", 1, "Edit41"}, [&] { form.levels[7] = "31"; }},
        {{"術レベル0の術が設定されています。", 3, "ComboBox9"}, [&] { form.levels[6] = "1"; }},
        {{"0～8の範囲外です。", 4, "Edit44"}, [&] { form.growthRates[2] = "8"; }},
        {{kFillIn, 6, "Edit57"}, [&] { form.firstOk = "はい"; }},
        {{"メッセージが長すぎます。", 7, "Edit61"}, [&] { form.repeatOk = "はい"; }},
        {{"メッセージが長すぎます。", 8, "Memo9"}, [&] { form.lastBattleLine = "さらば"; }},
        {{"装備できない組み合わせの防具が設定されています。", -1, ""},
         [&] { form.armours[1] = 0xA8; }},
    };
    for (const Step& step : steps) {
        EXPECT_EQ(test::FailureOf(CheckCharacterPatch(form, hasSheet, {}, PlainExtensions())),
                  step.expected);
        step.mend();
    }
    const Result<std::string> result = CheckCharacterPatch(form, hasSheet, {}, PlainExtensions());
    EXPECT_EQ(test::FailureOf(result), std::nullopt);
    EXPECT_EQ(WarningOf(result), "");
}

TEST(CheckCharacterPatchTest, ConversationMessagesAreRewrittenEvenWhenALaterCheckFails)
{
    CharacterForm form = FormWithConversations();
    form.firstLine = "ﾔｱ 1";
    form.growthRates[0] = "5";
    form.armours = {0xA0, 0x60, kNoItemCode, kNoItemCode};
    ASSERT_FALSE(Check(form).ok());
    EXPECT_EQ(form.firstLine, "ヤア　１");
}

// --- Skills -----------------------------------------------------------------------------

TEST(NormalizeSkillsTest, RemovesRepeatsThenClosesGaps)
{
    using Slots = std::array<std::uint8_t, 4>;
    constexpr std::uint8_t n = kNoItemCode;
    const std::pair<Slots, Slots> cases[] = {
        {{n, n, n, n}, {n, n, n, n}},
        {{0x0F, 0x10, 0x11, 0x12}, {0x0F, 0x10, 0x11, 0x12}},
        {{0x0F, n, 0x0F, n}, {0x0F, n, n, n}},
        {{n, n, 0x10, n}, {0x10, n, n, n}},
        {{n, 0x10, n, 0x11}, {0x10, 0x11, n, n}},
        {{0x10, 0x10, 0x10, 0x11}, {0x10, 0x11, n, n}},
        {{0x12, 0x11, 0x12, 0x11}, {0x12, 0x11, n, n}},
        // A code the list does not hold shows as "none" and is treated as such.
        {{0x00, 0x10, 0x00, n}, {0x10, n, n, n}},
    };
    for (const auto& [before, after] : cases) {
        CharacterForm form;
        form.techniques = before;
        NormalizeSkills(form);
        EXPECT_EQ(form.techniques, after);
        EXPECT_EQ(form.spells, (Slots{n, n, n, n}));
    }
}

TEST(NormalizeSkillsTest, TechniquesAndSpellsAreSeparate)
{
    CharacterForm form;
    // 0x2E is a technique and a 白虎 spell; the two lists do not see each other.
    form.techniques = {kNoItemCode, 0x2E, kNoItemCode, kNoItemCode};
    form.spells = {kNoItemCode, kNoItemCode, kNoItemCode, 0x2E};
    NormalizeSkills(form);
    EXPECT_EQ(form.techniques[0], 0x2E);
    EXPECT_EQ(form.spells[0], 0x2E);
}

TEST(CheckSpellLevelsTest, ASchoolSpellNeedsItsSchoolWithALevel)
{
    struct Case {
        std::array<std::uint8_t, 4> spells;
        int earthSchool;
        const char* earthLevel;
        int heavenSchool;
        const char* heavenLevel;
        const char* failingControl; // nullptr: passes
    };
    constexpr std::uint8_t n = kNoItemCode;
    const Case cases[] = {
        {{0xAB, n, n, n}, 0, "1", 0, "0", nullptr},      // 蒼龍 on 蒼龍
        {{0xAB, n, n, n}, 1, "1", 0, "0", "ComboBox9"},  // 蒼龍 on 朱鳥
        {{0xAB, n, n, n}, 0, "0", 0, "0", "ComboBox9"},  // level 0
        {{0xB2, n, n, n}, 1, "3", 0, "0", nullptr},      // 朱鳥
        {{0x44, n, n, n}, 2, "3", 0, "0", nullptr},      // 白虎
        {{0xC0, n, n, n}, 3, "3", 0, "0", nullptr},      // 玄武
        {{0xC0, n, n, n}, 2, "3", 0, "0", "ComboBox9"},  // 玄武 on 白虎
        {{0xDB, n, n, n}, 0, "0", 0, "1", nullptr},      // 太陽
        {{0xDB, n, n, n}, 0, "0", 1, "1", "ComboBox9"},  // 太陽 on 月
        {{0x34, n, n, n}, 0, "0", 1, "2", nullptr},      // 月
        {{0x34, n, n, n}, 0, "0", -1, "2", "ComboBox9"}, // no heaven school selected
        {{0xD4, 0xD7, n, n}, 3, "0", 1, "0", nullptr},   // 特殊 is not checked
        {{0xAB, 0xDB, n, n}, 0, "1", 0, "0", "ComboBox10"},
        {{0xAB, 0xB2, 0xDB, 0x34}, 0, "1", 0, "1", "ComboBox10"},
        {{n, n, n, 0xDB}, 0, "0", 0, "0", "ComboBox12"}, // the check does not reorder
    };
    for (const Case& c : cases) {
        CharacterForm form;
        form.spells = c.spells;
        form.earthSchool = c.earthSchool;
        form.levels[6] = c.earthLevel;
        form.heavenSchool = c.heavenSchool;
        form.levels[7] = c.heavenLevel;
        const std::optional<Failure> problem = test::FailureOf(CheckSpellLevels(form));
        if (c.failingControl == nullptr) {
            EXPECT_EQ(problem, std::nullopt) << int(c.spells[0]);
        } else {
            EXPECT_EQ(problem, (Failure{"術レベル0の術が設定されています。", 3, c.failingControl}))
                << int(c.spells[0]);
        }
    }
}

TEST(CheckCharacterPatchTest, ASpellInTheThirdSlotMovesUpBeforeItsLevelIsChecked)
{
    CharacterForm form;
    form.spells = {kNoItemCode, kNoItemCode, 0xAB, kNoItemCode};
    form.earthSchool = 1; // 朱鳥
    form.levels[6] = "1";
    EXPECT_EQ(test::FailureOf(Check(form)),
              (Failure{"術レベル0の術が設定されています。", 3, "ComboBox9"}));
    EXPECT_EQ(form.spells,
              (std::array<std::uint8_t, 4>{0xAB, kNoItemCode, kNoItemCode, kNoItemCode}));
    form.earthSchool = 0; // 蒼龍
    form.levels[6] = "0";
    EXPECT_FALSE(Check(form).ok());
    form.levels[6] = "1";
    EXPECT_EQ(test::FailureOf(Check(form)), std::nullopt);
}

TEST(CheckCharacterPatchTest, RepeatedTechniquesAreClearedByTheCheck)
{
    CharacterForm form;
    form.techniques = {0x0F, 0x10, 0x0F, kNoItemCode};
    EXPECT_EQ(test::FailureOf(Check(form)), std::nullopt);
    EXPECT_EQ(form.techniques, (std::array<std::uint8_t, 4>{0x0F, 0x10, kNoItemCode, kNoItemCode}));
}

// --- Equipment ----------------------------------------------------------------------------

TEST(ArmourSlotMaskTest, FollowsTheArmourTable)
{
    const std::pair<std::uint8_t, std::uint8_t> cases[] = {
        {0x60, 0x01}, {0x6F, 0x01}, {0x70, 0xA0}, {0x71, 0xA0}, {0x72, 0x82}, {0x73, 0x01},
        {0x84, 0x01}, {0x85, 0x20}, {0x86, 0x82}, {0x87, 0x81}, {0x88, 0x01}, {0x93, 0x01},
        {0x94, 0x20}, {0x95, 0x01}, {0x9E, 0x01}, {0x9F, 0x9F}, {0xA0, 0x1D}, {0xA7, 0x1D},
        {0xA8, 0x02}, {0xAF, 0x02}, {0xB0, 0x04}, {0xB7, 0x04}, {0xB8, 0x08}, {0xBF, 0x08},
        {0xC0, 0x10}, {0xC7, 0x10}, {0xC8, 0x20}, {0xDF, 0x20}, {0x5F, 0x00}, {0xE0, 0x00},
    };
    for (const auto& [code, mask] : cases) {
        EXPECT_EQ(ArmourSlotMask(code), mask) << int(code);
    }
}

TEST(CheckEquipmentTest, ArmoursMustNotShareAPartAndOneHeavyWeaponAtMost)
{
    constexpr std::uint8_t n = kNoItemCode;
    struct Case {
        std::array<std::uint8_t, 4> armours;
        std::array<std::uint8_t, 4> weapons;
        bool ok;
    };
    const Case cases[] = {
        {{n, n, n, n}, {n, n, n, n}, true},
        {{0xA0, 0x60, n, n}, {n, n, n, n}, false},   // 0x1D & 0x01
        {{0x60, 0xA0, n, n}, {n, n, n, n}, false},   // the other way round
        {{0xB0, 0xC0, n, n}, {n, n, n, n}, true},    // 0x04 and 0x10
        {{0xC8, 0xD0, 0xDF, n}, {n, n, n, n}, true}, // 0x20 never conflicts
        {{0x70, 0x60, n, n}, {n, n, n, n}, true},    // 0xA0 keeps only 0x00 after masking
        {{0x72, 0xA8, n, n}, {n, n, n, n}, false},   // 0x82 claims 0x02
        {{0x87, 0x60, n, n}, {n, n, n, n}, false},   // 0x81 claims 0x01
        {{0x9F, 0xB8, n, n}, {n, n, n, n}, false},   // 0x9F claims 0x1F
        {{0xA8, 0xB0, 0xB8, 0xC0}, {n, n, n, n}, true},
        {{n, 0xB0, n, 0xB1}, {n, n, n, n}, false},
        {{n, n, n, n}, {0x50, 0x5F, n, n}, false},
        {{n, n, n, n}, {0x50, 0x4B, 0x00, n}, true},
        {{n, n, n, n}, {n, 0x55, n, 0x55}, false},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        CharacterForm form;
        form.armours = cases[i].armours;
        form.weapons = cases[i].weapons;
        EXPECT_EQ(CheckEquipment(form), cases[i].ok) << "case " << i;
    }
}

// --- Warnings -----------------------------------------------------------------------------

ExtensionTable ExtensionsWith(std::u32string chars)
{
    ExtensionTable table;
    table.chars = std::move(chars);
    return table;
}

TEST(CheckCharacterPatchTest, TheEquipmentSettingRefusesWarnsOrIgnores)
{
    const std::string kConfirm = "このまま続けてよろしいですか？";
    const std::string kArmour = "装備できない組み合わせの防具が設定されています。";
    struct Case {
        int equipmentCheck;
        std::optional<Failure> problem;
        std::string warning;
    };
    const Case cases[] = {
        {0, Failure{kArmour, -1, ""}, ""},
        {1, std::nullopt, kArmour + "\n" + kConfirm},
        {2, std::nullopt, ""},
        {-1, std::nullopt, ""},
    };
    for (const Case& c : cases) {
        CharacterForm form;
        form.weapons = {0x50, 0x51, kNoItemCode, kNoItemCode};
        const Result<std::string> result = Check(form, {.equipmentCheck = c.equipmentCheck});
        EXPECT_EQ(test::FailureOf(result), c.problem) << c.equipmentCheck;
        EXPECT_EQ(WarningOf(result), c.warning) << c.equipmentCheck;
    }
}

TEST(CheckCharacterPatchTest, ExtensionCharactersAreListedOnlyWhenTheSettingIsOne)
{
    const ExtensionTable extensions = ExtensionsWith(U"①②③");
    CharacterForm form = FormWithConversations();
    form.name = "な②";
    form.lastBattleLine = "①②";
    form.refuseLine = "③"; // not stored while the second choice is off, still scanned
    form.comment = "①";    // the comment is not game text
    const std::string expected =
        "以下の拡張文字が使用されています。\n「②③①」\nこのまま続けてよろしいですか？";
    EXPECT_EQ(WarningOf(Check(form, {.extensionChar = 1}, extensions)), expected);
    EXPECT_EQ(WarningOf(Check(form, {.extensionChar = 2}, extensions)), "");
    EXPECT_EQ(WarningOf(Check(form, {.extensionChar = 0}, extensions)), "");
}

TEST(CheckCharacterPatchTest, BothWarningsShareOneConfirmation)
{
    CharacterForm form;
    form.name = "な①";
    form.armours = {0xA0, 0x60, kNoItemCode, kNoItemCode};
    const Result<std::string> result =
        Check(form, {.equipmentCheck = 1, .extensionChar = 1}, ExtensionsWith(U"①"));
    EXPECT_EQ(test::FailureOf(result), std::nullopt);
    EXPECT_EQ(WarningOf(result), "装備できない組み合わせの防具が設定されています。\n"
                                 "以下の拡張文字が使用されています。\n「①」\n"
                                 "このまま続けてよろしいですか？");
}

TEST(CheckCharacterPatchTest, AnExtensionCharacterIsRefusedWhileTheTableIsOff)
{
    ExtensionTable extensions = ExtensionsWith(U"①");
    extensions.enabled = false;
    CharacterForm form;
    form.name = "な①";
    EXPECT_EQ(test::FailureOf(Check(form, {.extensionChar = 0}, extensions)),
              (Failure{"「①」は使用できません。", -1, "Edit1"}));
}

TEST(CheckRangeTest, TheExtraValuePassesOutsideTheRange)
{
    EXPECT_EQ(test::FailureOf(CheckRange("128", 0, "m", 3, 99, 128, "Edit10")), std::nullopt);
    EXPECT_EQ(test::FailureOf(CheckRange("129", 0, "m", 3, 99, 128, "Edit10")),
              (Failure{"m", 0, "Edit10"}));
    EXPECT_EQ(test::FailureOf(CheckRange(" 7 ", 2, "m", 5, 9, 5, "Edit3")), std::nullopt);
}

TEST(TrimTrailingBlanksTest, RemovesHalfWidthSpacesAndControlsButKeepsFullWidthSpaces)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},         {"あ  ", "あ"},    {"あ\r\n\r\n", "あ"}, {"あ\t\x7F \x01", "あ"},
        {"あ　", "あ　"}, {"あ　 ", "あ　"}, {"  あ", "  あ"},     {" \r\n", ""},
    };
    for (const auto& [text, trimmed] : cases) {
        EXPECT_EQ(TrimTrailingBlanks(text), trimmed) << '"' << text << '"';
    }
}

// What the editor's counters show: each agrees with the check that later refuses the text,
// so a counter turns red exactly when the check would refuse.
TEST(FieldRoomTest, CountersCountAsTheChecksDo)
{
    const auto bytes = [](int used, int limit) { return FieldRoom{used, limit, RoomUnit::Bytes}; };
    const auto lines = [](int used, int limit) { return FieldRoom{used, limit, RoomUnit::Lines}; };
    const auto chars = [](int used) { return FieldRoom{used, 15, RoomUnit::Characters}; };
    const std::pair<FieldRoom, FieldRoom> cases[] = {
        {NameRoom("", PlainExtensions()), bytes(0, 8)},
        {NameRoom("名無しさん", PlainExtensions()), bytes(7, 8)}, // kanji take two bytes
        {NameRoom("あいうえおかきくけ", PlainExtensions()), bytes(9, 8)},
        {NameRoom("ab  ", PlainExtensions()), bytes(2, 8)}, // trailing blanks do not count
        {NameRoom("■", PlainExtensions()), bytes(1, 8)},    // refused later, but counted
        {TitleRoom("お腹いっぱい。", PlainExtensions()), bytes(9, 10)},
        {TalkMessageRoom(""), lines(0, 4)},
        {TalkMessageRoom("やあ"), lines(1, 4)},
        {TalkMessageRoom(std::string(16, 'a')), lines(2, 4)},
        // A break right after a full line of 15 is removed: still two lines, not three.
        {TalkMessageRoom(std::string(15, 'a') + "\nb"), lines(2, 4)},
        {TalkMessageRoom("a\nb\nc\nd\ne"), lines(5, 4)},
        {LastBattleRoom(std::string(11, 'a')), lines(2, 3)},
        {ChoiceRoom("はい"), chars(2)},
        {ChoiceRoom("ｶﾞ"), chars(1)}, // a voiced half-width letter is one character
        {ChoiceRoom(std::string(16, 'x')), chars(16)},
        {CommentRoom("あ\nb"), bytes(5, 1024)}, // the line break as the CR LF it is stored as
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& [room, expected] = cases[i];
        EXPECT_EQ(room, expected) << i;
        EXPECT_EQ(room.over(), expected.used > expected.limit) << i;
    }

    // The counters and the checks agree at the limits.
    CharacterForm form;
    form.name = "あいうえおかきく";
    EXPECT_FALSE(NameRoom(form.name, PlainExtensions()).over());
    EXPECT_EQ(test::FailureOf(Check(form)), std::nullopt);
    form.name += "け";
    EXPECT_TRUE(NameRoom(form.name, PlainExtensions()).over());
    EXPECT_NE(test::FailureOf(Check(form)), std::nullopt);
    EXPECT_TRUE(CommentRoom(Repeat("あ", 511) + "a\n").over());
    EXPECT_FALSE(CommentRoom(Repeat("あ", 511) + "\n").over());
}

} // namespace
} // namespace varn
