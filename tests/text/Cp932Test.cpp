#include <gtest/gtest.h>

#include <string>

#include "text/Cp932.h"

namespace varn {
namespace {

const std::string kBom = "\xEF\xBB\xBF";

TEST(Cp932Test, ConvertsTheWindowsJapaneseCodePage)
{
    struct Case {
        std::string cp932;
        std::string utf8;
    };
    const Case cases[] = {
        {"ABC\r\n", "ABC\r\n"},     {"\x82\xA0\x83\x41", "あア"},
        {"\xB1\xDE", "ｱﾞ"},         // half-width katakana are one byte
        {"\x81\x60", "～"},         // the full-width tilde, not the wave dash
        {"\x81\x5F", "＼"},         // the full-width reverse solidus
        {"\x5C\x7E", "\\~"},        // single bytes keep their ASCII meaning
        {"\x87\x40\xFA\x40", "①ⅰ"}, // vendor extensions
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(Cp932ToUtf8(c.cp932), c.utf8);
        EXPECT_EQ(Utf8ToCp932(c.utf8), c.cp932);
        EXPECT_EQ(Cp932ByteCount(c.utf8), c.cp932.size());
    }
}

TEST(Cp932Test, RefusesBytesThatAreNotCp932)
{
    for (const std::string bytes : {"\x82", "A\x82", "\x82\x0A", "\x82\x41", "\xFF", "\x80"}) {
        SCOPED_TRACE(testing::PrintToString(bytes));
        EXPECT_EQ(Cp932ToUtf8(bytes), std::nullopt);
    }
}

TEST(Cp932Test, LenientConversionReplacesOnlyTheBadByte)
{
    // After a lead byte without a proper second byte, the next byte is read on its own.
    EXPECT_EQ(Cp932ToUtf8Lenient("\x82\x0A\x82\xA0"), "\uFFFD\nあ");
    EXPECT_EQ(Cp932ToUtf8Lenient("\x82\x41"
                                 "B"),
              "\uFFFDAB");
    EXPECT_EQ(Cp932ToUtf8Lenient("\x82\xA0\x82"), "あ\uFFFD");
    EXPECT_EQ(Cp932ToUtf8Lenient("\xFF\xFF"), "\uFFFD\uFFFD");
    EXPECT_EQ(Cp932ToUtf8Lenient(""), "");
}

TEST(Cp932Test, RefusesTextWithoutCp932Form)
{
    for (const std::string text : {"\U0001F600", "あ\u00E9", "\xFF"}) {
        SCOPED_TRACE(testing::PrintToString(text));
        EXPECT_EQ(Utf8ToCp932(text), std::nullopt);
        EXPECT_EQ(Cp932ByteCount(text), std::nullopt);
    }
}

TEST(Cp932Test, DecodesTextFilesInEitherEncoding)
{
    struct Case {
        const char* name;
        std::string bytes;
        std::string text;
    };
    const Case cases[] = {
        {"Ascii", "key=1\r\n", "key=1\r\n"},
        {"Cp932", "\x82\xA0\x82\xA2", "あい"},
        {"Utf8", "あい", "あい"},
        {"Utf8WithBom", kBom + "あい", "あい"},
        {"BomWithBadByte", kBom + "\xFF" + "a", "\uFFFDa"},
        {"Cp932WithBadByte", "\x82\xA0\xFF", "あ\uFFFD"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DecodeTextFileBytes(c.bytes), c.text);
    }
}

TEST(Cp932Test, WritesCp932UnlessThatLosesSomething)
{
    EXPECT_EQ(EncodeTextFileBytes("あ\r\n～"), "\x82\xA0\r\n\x81\x60");
    EXPECT_EQ(EncodeTextFileBytes("あ\U0001F600"), kBom + "あ\U0001F600");
    // The wave dash has a CP932 code only one way: it would come back as "～".
    EXPECT_EQ(EncodeTextFileBytes("〜"), kBom + "〜");

    // The CP932 bytes of "ﾃｱ" (C3 B1) are also the UTF-8 form of "ñ", and of "ﾞｿ" (DE BF) that
    // of U+07BF: a file of either would read back as other characters.
    EXPECT_EQ(EncodeTextFileBytes("ﾃｱ"), kBom + "ﾃｱ");
    EXPECT_EQ(EncodeTextFileBytes("a\r\nﾞｿ"), kBom + "a\r\nﾞｿ");
    // Half-width katakana whose bytes are not UTF-8 as a whole stay CP932.
    EXPECT_EQ(EncodeTextFileBytes("ｱﾃ"), "\xB1\xC3");

    for (const std::string text : {"ｱﾞ①", "あ\u00E9", "〜", "", "ﾃｱ", "C:\\ﾃｱ\\x.ips, B0\r\n"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(DecodeTextFileBytes(EncodeTextFileBytes(text)), text);
    }
}

} // namespace
} // namespace varn
