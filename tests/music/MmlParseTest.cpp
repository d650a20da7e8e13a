#include <gtest/gtest.h>

#include "MmlTestSupport.h"
#include "music/MmlInteger.h"
#include "text/Cp932.h"

namespace varn::test {
namespace {

struct TextCase {
    std::string_view text;
    Bytes statements;
};

template <std::size_t N> void ExpectFirstChannels(const TextCase (&cases)[N])
{
    for (const TextCase& c : cases)
        EXPECT_EQ(FirstStatements(c.text), c.statements) << c.text;
}

TEST(MmlParseTest, ChannelsEndAtSemicolonsAndTheEighthEndsTheSong)
{
    MML empty = Parsed("");
    for (const auto& statements : empty.channels)
        EXPECT_TRUE(statements.empty());

    MML one = Parsed("c4;");
    EXPECT_EQ(StatementBytes(one.channels[0]), (Bytes{0x04}));
    for (int k = 1; k < 8; ++k)
        EXPECT_TRUE(one.channels[static_cast<std::size_t>(k)].empty()) << k;

    MML third = Parsed(";;c4;");
    EXPECT_TRUE(third.channels[0].empty());
    EXPECT_TRUE(third.channels[1].empty());
    EXPECT_EQ(StatementBytes(third.channels[2]), (Bytes{0x04}));

    // A channel may also end with the text.
    EXPECT_EQ(FirstStatements("c4 d4"), (Bytes{0x04, 0x20}));

    // After the eighth channel nothing is read, not even directives or garbage.
    MML full = Parsed("c;d;e;f;g;a;b;r; #MAPBATTLE 5; c4; zz ###");
    EXPECT_EQ(StatementBytes(full.channels[7]), (Bytes{182 + 4}));
    EXPECT_TRUE(full.mapBattle.empty());
}

TEST(MmlParseTest, CommentsNestAndDirectivesMayStandBetweenChannels)
{
    ExpectFirstChannels<3>({
        {"{ a { b } c } c4", {0x04}},
        {"c4 { x } d4 {{}} e4", {0x04, 0x20, 0x3C}},
        {"{ unclosed c4", {}},
    });
    MML mixed = Parsed("#A=c;\nA;\n#B=d;\nA B;");
    EXPECT_EQ(StatementBytes(mixed.channels[0]), (Bytes{0x04}));
    EXPECT_EQ(StatementBytes(mixed.channels[1]), (Bytes{0x04, 0x20}));
}

TEST(MmlParseTest, ABraceInsideAShiftJisCharacterDoesNotEndAComment)
{
    // "マ" is 0x83 0x7D in Shift-JIS: its second byte is "}".
    const std::string bytes = "{ \x83\x7D } c4 { \x83\x7D\x83\x7D { \x83\x7D } } d4;";
    const std::string text = DecodeTextFileBytes(bytes);
    EXPECT_EQ(FirstStatements(text), (Bytes{0x04, 0x20}));
}

TEST(MmlParseTest, MacrosInsertTheirText)
{
    ExpectFirstChannels<6>({
        {"#A=c8 d8;\nA A", {0x07, 0x23, 0x07, 0x23}},
        // Used before its definition, a macro is empty.
        {"A c4;\n#A=d;", {0x04}},
        // The text goes in right after the letter, so what follows completes it.
        {"#A=c;\nA8", {0x07}},
        {"#A=v1;\nA00", {0xC4, 100}},
        // A macro's blanks are removed; a later definition replaces an earlier one.
        {"#A=c\n 1 6;\n#B=A A;\nB", {0x09, 0x09}},
        {"#A=c;\n#A=d;\nA", {0x20}},
    });
    // A definition may end with the text.
    EXPECT_EQ(Parsed("c;\n#Z=d").macros[25], "d");
}

TEST(MmlParseTest, NotesTakeTheirLengthAndDots)
{
    ExpectFirstChannels<16>({
        {"c", {0x04}},
        {"l16 c", {0x09}},
        {"c.", {0x03}},
        {"c4.", {0x03}},
        {"c4..", {0x03, 0xB1}},
        {"c4...", {0x03, 0xB1, 0xB3}},
        {"c2.", {0x01, 0xAC}},
        {"l8 c.", {0x06}},
        {"l8 c..", {0x06, 0xB3}},
        {"c1..", {0x00, 0xA9, 0xAC}},
        {"c64", {0x0D}},
        {"b+4", {172}},
        {"d-8 e#2 f+1", {14 + 7, 70 + 1, 84 + 0}},
        {"^16 r2 a3 g6 b12 e24 d48", {0xB1, 0xB7, 126 + 2, 98 + 5, 154 + 8, 56 + 10, 28 + 12}},
        {"c0x10 d0x08", {0x09, 0x23}},
        {"l4. c d", {0x03, 0x1F}},
    });
}

TEST(MmlParseTest, LoopsAndTheRewrittenCommands)
{
    ExpectFirstChannels<12>({
        {"[3 c ]", {0xE2, 2, 0x04, 0xE3}},
        {"[ c ]", {0xE2, 1, 0x04, 0xE3}},
        {"/: c :/", {0xE2, 1, 0x04, 0xE3}},
        {"/:4 c / d :/", {0xE2, 3, 0x04, 0xF5, 0, 0, 0, 0x20, 0xE3}},
        {"[. c ]", {0xE2, 1, 0x04, 0xE3}},
        {"%e1 %e 1 %e %e0 %e2 %e1,1", {0xD4, 0xD4, 0xD5, 0xD5, 0xD5, 0xD5}},
        {"%e0x01", {0xD4}},
        {"p0,20,100 p 5,20,100", {0xCD, 20, 100, 0xCD, 20, 100}},
        {"k-1 k", {0xDB, 0xFF, 0xDB, 0x00}},
        {"@0x20 @32 v-1 v300", {0xDC, 0x20, 0xDC, 0x20, 0xC4, 0xFF, 0xC4, 44}},
        // "0x" takes the next two characters whatever they are, here the ";".
        {"v1.5 v0x2;", {0xC4, 0, 0xC4, 0}},
        {"c $ d", {0x04, 0xFF, 0x20}},
    });
}

TEST(MmlParseTest, TheNumberRuleSeparatesArguments)
{
    ExpectFirstChannels<6>({
        {"v100,50", {0xC5, 100, 50}},
        {"v100, 50", {0xC5, 100, 50}},
        {"v 100 50", {0xC5, 100, 50}},
        {"@0x2F,o4", {0xDC, 0x2F, 0xD6, 4}},
        {"v0x1,5", {0xC5, 1, 5}},
        {"t0x7Fo4", {0xF0, 0x7F, 0xD6, 4}},
    });
    EXPECT_EQ(ParseError("v100 ,50"), "不明なコマンドです。\nline = 1\n,,50");
}

TEST(MmlParseTest, OctaveReverseActsFromWhereItStands)
{
    MML mml = Parsed("< >;\n#OCTAVE REVERSE;\n< >;");
    EXPECT_EQ(StatementBytes(mml.channels[0]), (Bytes{0xD7, 0xD8}));
    EXPECT_EQ(StatementBytes(mml.channels[1]), (Bytes{0xD8, 0xD7}));
    EXPECT_TRUE(mml.octaveReverse);
}

TEST(MmlParseTest, WaveAndDrumDirectives)
{
    MML mml = Parsed("#WAVE 0x20, 0x05;\n#WAVE0x21,300;\n#WAVE 47 7;\n"
                     "#DRUM c , 0x21, 100,  64;\n#DRUM f+, 1, 2, 3;\n#DRUM e#,4,5,6;\n"
                     "#DRUM b- x x, 7;\nc;");
    EXPECT_EQ(mml.waves[0], 5);
    EXPECT_EQ(mml.waves[1], 300);
    EXPECT_EQ(mml.waves[15], 7);
    EXPECT_EQ(mml.drums[0], (std::array<int, 3>{0x21, 100, 64}));
    EXPECT_EQ(mml.drums[6], (std::array<int, 3>{1, 2, 3}));
    EXPECT_EQ(mml.drums[5], (std::array<int, 3>{4, 5, 6}));
    EXPECT_EQ(mml.drums[10], (std::array<int, 3>{7, 0, 0}));
}

TEST(MmlParseTest, PlaybackDirectivesAppendTheirNumbers)
{
    MML mml;
    mml.mapBattle = {1};
    mml.source = "#MAPBATTLE 0x1A, 3 255;\n#MONSTERBATTLE 0x01F0,511, 0x001F;\n"
                 "#MAPTHEME 0x20 0;\n#MAPBATTLE 7 x 8;\nc;";
    const Status status = mml.Parse();
    ASSERT_TRUE(status.ok()) << status.message();
    EXPECT_EQ(mml.mapBattle, (std::vector<int>{1, 0x1A, 3, 255, 7}));
    EXPECT_EQ(mml.monsterBattle, (std::vector<int>{0x1F0, 511, 0x1F}));
    EXPECT_EQ(mml.mapTheme, (std::vector<int>{0x20, 0}));
}

TEST(MmlParseTest, InformationDirectivesCollectLabelledLines)
{
    MML mml = Parsed("#TITLE  星の歌 ;\n#COMPOSER\tA. B.;#ORIGINAL ;\n#COPYRIGHT x\n;#OTHER 1;c;");
    EXPECT_EQ(mml.info, "曲名：星の歌\r\n作曲：A. B.\r\n原作：\r\n著作：x\r\n");

    // Parse keeps what the caller put into info; SongInfo starts afresh.
    mml.source = "#TITLE a;";
    ASSERT_TRUE(mml.Parse().ok());
    EXPECT_EQ(mml.info, "曲名：星の歌\r\n作曲：A. B.\r\n原作：\r\n著作：x\r\n曲名：a\r\n");
    mml.source = "#TITLE a;";
    const Result<std::string> info = mml.SongInfo();
    ASSERT_TRUE(info.ok()) << info.message();
    EXPECT_EQ(info.value(), "曲名：a\r\n");
    mml.source = "#TITLE a;\nzz";
    EXPECT_EQ(mml.SongInfo().message(), "不明なコマンドです。\nline = 2\nz");
}

TEST(MmlParseTest, ParseStartsAfreshEachTime)
{
    MML mml = Parsed("#A=c;\n#WAVE 0x20,9;\n#OCTAVE REVERSE;\nA;");
    mml.source = "A <;";
    ASSERT_TRUE(mml.Parse().ok());
    EXPECT_EQ(StatementBytes(mml.channels[0]), (Bytes{0xD7}));
    EXPECT_EQ(mml.waves[0], 0);
    EXPECT_FALSE(mml.octaveReverse);
}

struct ErrorCase {
    std::string_view text;
    std::string_view message;
};

TEST(MmlParseTest, EveryErrorNamesItsLine)
{
    const ErrorCase cases[] = {
        {"c;\n#a=c;", "マクロの書式が不正です。\nline = 2"},
        {"#1=c;", "マクロの書式が不正です。\nline = 1"},
        {"\n\n#WAVE 0x30, 1;", "波形指定の書式が不正です。\nline = 3"},
        {"#WAVE 0x1F, 1;", "波形指定の書式が不正です。\nline = 1"},
        {"#WAVE;", "波形指定の書式が不正です。\nline = 1"},
        // Only the keyword's length is compared: this is "#WAVE" followed by no number.
        {"#WAVEFORM 0x21, 3;", "波形指定の書式が不正です。\nline = 1"},
        {"#DRUM c- , 1,2,3;", "ドラムセットの書式が不正です。\nline = 1"},
        {"#DRUM b+ , 1,2,3;", "ドラムセットの書式が不正です。\nline = 1"},
        {"#DRUM x , 1,2,3;", "ドラムセットの書式が不正です。\nline = 1"},
        {"\n#DRUM c 1 2 3;", "ドラムセットの書式が不正です。\nline = 2"},
        {"#DRUM c", "ドラムセットの書式が不正です。\nline = 1"},
        {"#MAPBATTLE 256;", "再生設定の書式が不正です。\nline = 1"},
        {"#MAPBATTLE 1.5;", "再生設定の書式が不正です。\nline = 1"},
        {"#MONSTERBATTLE 0x0200;", "再生設定の書式が不正です。\nline = 1"},
        {"#MAPTHEME 33;", "再生設定の書式が不正です。\nline = 1"},
        {"#MAPTHEME -1;", "再生設定の書式が不正です。\nline = 1"},
        {"c4\nc48.", "音長指定が不正です。\nline = 2\n"},
        {"c64.", "音長指定が不正です。\nline = 1\n"},
        {"c32..", "音長指定が不正です。\nline = 1\n"},
        {"c4\n\nzz", "不明なコマンドです。\nline = 3\nz"},
        {"v1,2,3,4", "不明なコマンドです。\nline = 1\n4"},
        {"m5", "不明なコマンドです。\nline = 1\nm,5"},
        {"o", "不明なコマンドです。\nline = 1\no"},
        {"t1,2,3", "不明なコマンドです。\nline = 1\nt,1,2,3"},
        {"[2,3 c ]", "不明なコマンドです。\nline = 1\n[,2,3"},
        {"%Z1", "不明なコマンドです。\nline = 1\n%Z,1"},
        {"x\n", "不明なコマンドです。\nline = 1\nx"},
        {"é", "不明なコマンドです。\nline = 1\né"},
        {"c;d;\n\n{ comment\n}\n e;\n  q", "不明なコマンドです。\nline = 6\nq"},
    };
    for (const ErrorCase& c : cases)
        EXPECT_EQ(ParseError(c.text), c.message) << c.text;
}

TEST(MmlParseTest, MendedCasesAreRefusedWithTheLanguagesMessages)
{
    const ErrorCase cases[] = {
        // Lengths without a length index, an empty default length included.
        {"c5", "音長指定が不正です。\nline = 1\n"},
        {"c0", "音長指定が不正です。\nline = 1\n"},
        {"l c", "音長指定が不正です。\nline = 1\n"},
        {"c99999999999999999999", "音長指定が不正です。\nline = 1\n"},
        {"c-4", "不明なコマンドです。\nline = 1\nc-,4"},
        // Arguments of the switch commands must be integers.
        {"%e1.5", "不明なコマンドです。\nline = 1\n%e,1.5"},
        {"%d.", "不明なコマンドです。\nline = 1\n%d,."},
        {"%l1,-", "不明なコマンドです。\nline = 1\n%l,1,-"},
        {"%n0xZZ", "不明なコマンドです。\nline = 1\n%n,0xZZ"},
        {"%p99999999999", "不明なコマンドです。\nline = 1\n%p,99999999999"},
        // Macros that call themselves.
        {"#A=cA;\nc\nA;", "マクロの展開が多すぎます。\nline = 3"},
        {"#A=B;\n#B=A;\n\nA;", "マクロの展開が多すぎます。\nline = 4"},
        {"#A=AB;\nA;", "マクロの展開が深すぎます。\nline = 2"},
    };
    for (const ErrorCase& c : cases)
        EXPECT_EQ(ParseError(c.text), c.message) << c.text;
}

TEST(MmlParseTest, DeepButFiniteMacrosExpand)
{
    // Macros A to S each call the next letter before their own note, T ends the chain: the
    // expansion nests twenty deep, and the innermost note comes first.
    std::string text;
    for (char letter = 'A'; letter < 'T'; ++letter)
        text += std::string("#") + letter + "=" + static_cast<char>(letter + 1) + "c;\n";
    text += "#T=d;\nA;";
    MML mml = Parsed(text);
    ASSERT_EQ(mml.channels[0].size(), 20u);
    EXPECT_EQ(mml.channels[0].front().code, 0x20);
}

TEST(MmlIntegerTest, AcceptsDecimalAndHexadecimalIntegersOnly)
{
    struct Case {
        std::string_view text;
        std::optional<std::int32_t> value;
    };
    const Case cases[] = {
        {"0", 0},
        {"100", 100},
        {"-1", -1},
        {"0x20", 0x20},
        {"0X1f", 0x1F},
        {"0xFFFFFFFF", -1},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", std::nullopt},
        {"0x123456789", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"1.5", std::nullopt},
        {".", std::nullopt},
        {"0x", std::nullopt},
        {"0x2;", std::nullopt},
        {"1-", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MmlInteger(c.text), c.value) << c.text;
}

} // namespace
} // namespace varn::test
