#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "text/TextCodec.h"

namespace varn {
namespace {

struct Conversion {
    const char* name;
    std::string input;
    std::string expected;
};

void PrintTo(const Conversion& c, std::ostream* os)
{
    *os << c.name;
}

class ToFullWidthTest : public ::testing::TestWithParam<Conversion> {};

TEST_P(ToFullWidthTest, Converts)
{
    EXPECT_EQ(ToFullWidth(GetParam().input), GetParam().expected);
}

const Conversion kToFullWidthCases[] = {
    {"Empty", "", ""},
    {"PrintableAsciiEnds", "!~", "！～"},
    {"LettersAndDigits", "Az09", "Ａｚ０９"},
    {"Space", "a b", "ａ　ｂ"},
    {"Backslash", "\\", "＼"},
    {"ControlCharactersStay", "\r\n\t", "\r\n\t"},
    {"FullWidthStays", "あア一　Ａ", "あア一　Ａ"},
    {"OtherCharactersStay", "\u00E9\u3010\U0001F600", "\u00E9\u3010\U0001F600"},
    {"HalfWidthPunctuation", "｡｢｣､･", "。「」、・"},
    {"HalfWidthSmallKanaAndLongMark", "ｦｧｨｩｪｫｬｭｮｯｰ", "ヲァィゥェォャュョッー"},
    {"HalfWidthLetters", "ｱｲｳｴｵﾅﾏﾔﾗﾜﾝ", "アイウエオナマヤラワン"},
    {"VoicedLetters", "ｶﾞｷﾞｸﾞｹﾞｺﾞｻﾞｿﾞﾀﾞﾁﾞﾂﾞﾃﾞﾄﾞ", "ガギグゲゴザゾダヂヅデド"},
    {"VoicedAndSemiVoicedHa", "ﾊﾞﾋﾞﾌﾞﾍﾞﾎﾞﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ", "バビブベボパピプペポ"},
    {"VoicedU", "ｳﾞ", "ヴ"},
    {"MarksAlone", "ﾞﾟ", "゛゜"},
    {"MarkWithoutVoicedForm", "ｱﾞﾏﾟｶﾟｯﾞ", "ア゛マ゜カ゜ッ゛"},
    {"OnlyOneMarkCombines", "ﾊﾞﾟｶﾞﾞ", "バ゜ガ゛"},
    {"MarkBeforeLetter", "ﾞｶ", "゛カ"},
    {"FullWidthLetterWithHalfWidthMark", "カﾞ", "カ゛"},
    {"LetterAtTheEnd", "ﾃﾞｨｽｶ", "ディスカ"},
};

INSTANTIATE_TEST_SUITE_P(FullWidth, ToFullWidthTest, ::testing::ValuesIn(kToFullWidthCases),
                         [](const auto& info) { return std::string(info.param.name); });

class TrimFullWidthSpacesTest : public ::testing::TestWithParam<Conversion> {};

TEST_P(TrimFullWidthSpacesTest, Trims)
{
    EXPECT_EQ(TrimFullWidthSpaces(GetParam().input), GetParam().expected);
}

const Conversion kTrimCases[] = {
    {"Empty", "", ""},
    {"OnlySpaces", "　　　", ""},
    {"BothEnds", "　　あ　", "あ"},
    {"InnerSpaceStays", "あ　い", "あ　い"},
    {"HalfWidthSpacesStay", " あ ", " あ "},
    {"LineBreaksStay", "　\r\nあ\r\n　", "\r\nあ\r\n"},
    {"NothingToTrim", "あい", "あい"},
};

INSTANTIATE_TEST_SUITE_P(FullWidth, TrimFullWidthSpacesTest, ::testing::ValuesIn(kTrimCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace varn
