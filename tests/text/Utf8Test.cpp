#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "text/Utf8.h"

namespace varn {
namespace {

struct Utf8Case {
    const char* name;
    std::string bytes;
    std::u32string decoded;
    bool valid;
};

void PrintTo(const Utf8Case& c, std::ostream* os)
{
    *os << c.name;
}

// Every byte that does not start a well-formed sequence becomes one U+FFFD of its own.
const Utf8Case kUtf8Cases[] = {
    {"Empty", "", U"", true},
    {"AsciiAndKana", "a\xE3\x81\x82", U"aあ", true},
    {"FourBytes", "\xF0\x9F\x98\x80", U"\U0001F600", true},
    {"LargestCodePoint", "\xF4\x8F\xBF\xBF", U"\U0010FFFF", true},
    {"LoneContinuation", "\x80", U"\uFFFD", false},
    {"OverlongSlash", "\xC0\xAF", U"\uFFFD\uFFFD", false},
    {"OverlongThreeBytes", "\xE0\x80\xAF", U"\uFFFD\uFFFD\uFFFD", false},
    {"Surrogate", "\xED\xA0\x80", U"\uFFFD\uFFFD\uFFFD", false},
    {"AboveLargest", "\xF4\x90\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD", false},
    {"TruncatedAtEnd", "a\xE3\x81", U"a\uFFFD\uFFFD", false},
    {"InterruptedByAscii",
     "\xE3\x81"
     "a",
     U"\uFFFD\uFFFDa", false},
    {"ByteFF", "\xFF", U"\uFFFD", false},
};

class Utf8CaseTest : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8CaseTest, DecodesAndValidates)
{
    const Utf8Case& c = GetParam();
    EXPECT_EQ(Utf8ToU32(c.bytes), c.decoded);
    EXPECT_EQ(IsValidUtf8(c.bytes), c.valid);
}

INSTANTIATE_TEST_SUITE_P(Utf8, Utf8CaseTest, ::testing::ValuesIn(kUtf8Cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Utf8Test, SequenceCutByTheViewIsNotCompletedFromBeyondIt)
{
    // The bytes of "あ" follow in memory, but only the first two belong to the text.
    const std::string buffer = "\xE3\x81\x82";
    const std::string_view text(buffer.data(), 2);
    EXPECT_EQ(Utf8ToU32(text), U"\uFFFD\uFFFD");
    EXPECT_FALSE(IsValidUtf8(text));
}

TEST(Utf8Test, EncodesEveryLengthAtItsBoundaries)
{
    const std::u32string text = U"\u007F\u0080\u07FF\u0800\uFFFF\U00010000\U0010FFFF";
    const std::string expected = "\x7F"
                                 "\xC2\x80"
                                 "\xDF\xBF"
                                 "\xE0\xA0\x80"
                                 "\xEF\xBF\xBF"
                                 "\xF0\x90\x80\x80"
                                 "\xF4\x8F\xBF\xBF";
    EXPECT_EQ(U32ToUtf8(text), expected);
    EXPECT_EQ(Utf8ToU32(expected), text);
}

TEST(Utf8Test, UnencodableValuesBecomeReplacementCharacter)
{
    const std::u32string text = {U'a', char32_t{0xD800}, char32_t{0xDFFF}, char32_t{0x110000}};
    EXPECT_EQ(U32ToUtf8(text), "a\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
}

} // namespace
} // namespace varn
