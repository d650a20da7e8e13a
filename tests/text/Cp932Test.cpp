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

// The files users share come in either encoding, without saying which. Each case is a file
// as a real editor saves it; the reading must be the one its writer meant.
TEST(Cp932Test, SharedTextFilesAreReadInTheEncodingTheyWereWrittenIn)
{
    struct Case {
        const char* name;
        std::string bytes;
        std::string text;
    };
    const Case cases[] = {
        // Shift-JIS of half-width katakana only: pairs that are also well-formed UTF-8 ("ý",
        // "ϲ", "н") are not words of any alphabet.
        {"SjisKatakanaPairAlone", "\xC3\xBD", "ﾃｽ"},
        {"SjisKatakanaInAPath", "C:\\mml\\\xC3\xBD.mml\r\n", "C:\\mml\\ﾃｽ.mml\r\n"},
        {"SjisKatakanaTitle", "#TITLE \xC3\xBD;\r\n", "#TITLE ﾃｽ;\r\n"},
        {"SjisKatakanaOfTwoAlphabets", "\xCF\xB2 \xD0\xBD", "ﾏｲ ﾐｽ"},
        {"SjisKatakanaShortCyrillicLook", "\xD0\xBD\xD0\xBD", "ﾐｽﾐｽ"},
        {"SjisKatakanaNotUtf8", "\xB1\xB2\xB3\xC3", "ｱｲｳﾃ"},
        {"SjisSign", "\xC2\xA9\xC2\xA9", "ﾂｩﾂｩ"},
        // Shift-JIS with kanji, and mixed with ASCII.
        {"SjisKanji", "\x8A\xBF\x8E\x9A", "漢字"},
        {"SjisMixed", "#TITLE \x83\x65\x83\x58\x83\x67 1;\r\nc4;", "#TITLE テスト 1;\r\nc4;"},
        // UTF-8 with a byte-order mark, whatever follows.
        {"Utf8BomKatakana", kBom + "ﾃｽ", "ﾃｽ"},
        {"Utf8BomLatin", kBom + "\xC3\xBD", "ý"},
        // UTF-8 without a mark: Japanese (three-byte characters), Latin accents inside or at
        // the edge of words, signs, and words of other alphabets.
        {"Utf8Japanese", "テスト.mml", "テスト.mml"},
        {"Utf8JapaneseAndKatakanaPair", "テ\xC3\xBD", "テý"},
        {"Utf8LatinWord", "caf\xC3\xA9 na\xC3\xAFve", "café naïve"},
        {"Utf8LatinCapital", "\xC3\x85ngstr\xC3\xB6m", "Ångström"},
        {"Utf8Sign", "\xC2\xA9 1995, 25\xC2\xB0", "© 1995, 25°"},
        {"Utf8Cyrillic", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xD0\xB2",
         "Привет в"},
        {"Utf8Greek", "\xCE\xBA\xCE\xB1\xCE\xBB\xCF\x8C", "καλό"},
        // A row of single letters, as the extension characters are written.
        {"Utf8GreekLetterRow", "10,\xCE\xB1,\xCE\xB2,\xCE\xB3\r\n", "10,α,β,γ\r\n"},
        // What the rule cannot tell apart: a katakana pair right after a Latin letter reads as
        // an accented letter. The program never writes such a file in CP932.
        {"AmbiguousPairAfterALetter", "a\xC3\xB1", "añ"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DecodeTextFileBytes(c.bytes), c.text);
        // Whatever is read is written so that it reads back the same.
        EXPECT_EQ(DecodeTextFileBytes(EncodeTextFileBytes(c.text)), c.text);
    }
}

TEST(Cp932Test, WritesCp932UnlessThatLosesSomething)
{
    EXPECT_EQ(EncodeTextFileBytes("あ\r\n～"), "\x82\xA0\r\n\x81\x60");
    EXPECT_EQ(EncodeTextFileBytes("あ\U0001F600"), kBom + "あ\U0001F600");
    // The wave dash has a CP932 code only one way: it would come back as "～".
    EXPECT_EQ(EncodeTextFileBytes("〜"), kBom + "〜");

    // Half-width katakana pairs whose CP932 bytes are also UTF-8 ("ﾃｱ" is C3 B1, UTF-8 for
    // "ñ") stay CP932: the reader takes them for what they are.
    EXPECT_EQ(EncodeTextFileBytes("ﾃｱ"), "\xC3\xB1");
    EXPECT_EQ(EncodeTextFileBytes("a\r\nﾞｿ"), "a\r\n\xDE\xBF");
    EXPECT_EQ(EncodeTextFileBytes("ｱﾃ"), "\xB1\xC3");
    // After a Latin letter the same pair would read as an accented letter ("añ"): such a text
    // goes out as UTF-8, so that it reads back as it is.
    EXPECT_EQ(EncodeTextFileBytes("aﾃｱ"), kBom + "aﾃｱ");

    for (const std::string text :
         {"ｱﾞ①", "あ\u00E9", "〜", "", "ﾃｱ", "aﾃｱ", "C:\\ﾃｱ\\x.ips, B0\r\n", "©ﾃｱ"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(DecodeTextFileBytes(EncodeTextFileBytes(text)), text);
    }
}

} // namespace
} // namespace varn
