#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "text/CharacterTable.h"
#include "text/TextCodec.h"
#include "text/Utf8.h"

namespace varn {
namespace {

using Bytes = std::vector<std::uint8_t>;

ExtensionTable MakeExtensions(std::u32string chars, bool enabled = true)
{
    ExtensionTable table;
    table.chars = std::move(chars);
    table.enabled = enabled;
    return table;
}

// A full table: 240 characters from "①" on, none of them in the character table.
std::u32string FullExtensionChars()
{
    std::u32string chars;
    for (char32_t c = U'①'; chars.size() < 240; ++c) {
        chars.push_back(c);
    }
    return chars;
}

std::string CharAt(int index)
{
    const char32_t c = CharacterTable()[static_cast<std::size_t>(index)];
    return U32ToUtf8(std::u32string(1, c));
}

struct Encoded {
    int result;
    Bytes field;
};

Encoded Encode(std::string_view text, std::size_t capacity, const ExtensionTable& extensions)
{
    Bytes field(capacity, 0xAA);
    const int result = EncodeText(text, field, extensions);
    return {result, field};
}

DecodedText Decode(const Bytes& bytes, const ExtensionTable& extensions)
{
    return DecodeText(bytes, extensions);
}

const ExtensionTable kNoExtensions;

// --- Encoding texts that fit ---------------------------------------------------------------

struct EncodeCase {
    const char* name;
    std::string text;
    Bytes field;         // the whole field after encoding; its size is the capacity
    std::string decoded; // what the field decodes to
};

void PrintTo(const EncodeCase& c, std::ostream* os)
{
    *os << c.name;
}

const EncodeCase kEncodeCases[] = {
    {"Empty", "", Bytes(8, 0x50), ""},
    {"LongVowelMarkIsTheKanjiOne", "ー", {0xE5, 0x50}, "一"},
    {"HiraganaHeIsKatakana", "へべぺ", {0x9E, 0xDD, 0xE2}, "ヘベペ"},
    {"EllipsisIsTwoDots", "…", {0xE9}, "‥"},
    {"HalfWidthDigit", "1", {0x23, 0x01}, "１"},
    {"HalfWidthSpace", "あ い", {0x51, 0x50, 0x52}, "あ　い"},
    {"TildeAndWaveDash", "~〜～", {0xF4, 0xF4, 0xF4}, "～～～"},
    {"HalfWidthVoicedKatakana", "ｶﾞﾊﾟｳﾞｰ", {0xCB, 0xDF, 0xE4, 0xE5}, "ガパヴ一"},
    {"CrLfIsOneLineBreak", "あ\r\nい", {0x51, 0x24, 0x52}, "あ\r\nい"},
    {"LfAlone", "あ\nい", {0x51, 0x24, 0x52, 0x50}, "あ\r\nい"},
    {"CrAloneIsSkipped", "あ\rい", {0x51, 0x52}, "あい"},
    {"TwoByteFixedEntries",
     "々ぱ％：",
     {0x21, 0x0C, 0x22, 0x67, 0x22, 0x9B, 0x23, 0x0F},
     "々ぱ％："},
    {"EightOneByteFillExactly",
     "あいうえおかきく",
     {0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58},
     "あいうえおかきく"},
    {"PunctuationAndSmallKana", "！？ッ。", {0xEA, 0xEB, 0xB7, 0xE7}, "！？ッ。"},
};

class EncodeCaseTest : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(EncodeCaseTest, EncodesPadsAndDecodesBack)
{
    const EncodeCase& c = GetParam();
    const Encoded encoded = Encode(c.text, c.field.size(), kNoExtensions);
    ASSERT_EQ(encoded.result, 0);
    EXPECT_EQ(encoded.field, c.field);

    // The measured count covers the codes and leaves out the padding.
    const TextMeasure measure = MeasureText(c.text, kNoExtensions);
    EXPECT_EQ(measure.result, 0);
    const auto count = static_cast<std::size_t>(measure.byteCount);
    ASSERT_LE(count, c.field.size());
    EXPECT_EQ(Encode(c.text, count, kNoExtensions).field,
              Bytes(c.field.begin(), c.field.begin() + static_cast<std::ptrdiff_t>(count)));
    EXPECT_TRUE(std::all_of(c.field.begin() + static_cast<std::ptrdiff_t>(count), c.field.end(),
                            [](std::uint8_t b) { return b == 0x50; }));

    const DecodedText decoded = Decode(encoded.field, kNoExtensions);
    EXPECT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.text, c.decoded);
}

INSTANTIATE_TEST_SUITE_P(TextCodec, EncodeCaseTest, ::testing::ValuesIn(kEncodeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(EncodeTextTest, EveryTableEntryRoundTripsInItsShortestForm)
{
    for (int index = 0; index < kCharacterCount; ++index) {
        // The space is the padding, and "□" is never written.
        if (index == 0 || index == 150) {
            continue;
        }
        SCOPED_TRACE(index);
        const Encoded encoded = Encode(CharAt(index), 2, kNoExtensions);
        ASSERT_EQ(encoded.result, 0);
        const Bytes expected = index <= 174 ? Bytes{static_cast<std::uint8_t>(0x50 + index), 0x50}
                                            : Bytes{static_cast<std::uint8_t>(0x20 + index / 256),
                                                    static_cast<std::uint8_t>(index % 256)};
        ASSERT_EQ(encoded.field, expected);
        ASSERT_EQ(Decode(encoded.field, kNoExtensions).text, CharAt(index));
    }
}

TEST(EncodeTextTest, SingleByteFormEndsAtIndex174)
{
    EXPECT_EQ(Encode(CharAt(174), 1, kNoExtensions).field, (Bytes{0xFE}));
    EXPECT_EQ(Encode(CharAt(175), 2, kNoExtensions).field, (Bytes{0x20, 0xAF}));
    EXPECT_EQ(Encode(CharAt(1023), 2, kNoExtensions).field, (Bytes{0x23, 0xFF}));
}

TEST(EncodeTextTest, WritesOnlyInsideTheField)
{
    for (const std::string text : {"あい", "あいうえおかきくけこ", "１１１１１", "あ１１１１"}) {
        SCOPED_TRACE(text);
        Bytes buffer(12, 0xAA);
        const std::span<std::uint8_t> field(buffer.data() + 2, 8);
        EncodeText(text, field, kNoExtensions);
        EXPECT_EQ(buffer[0], 0xAA);
        EXPECT_EQ(buffer[1], 0xAA);
        EXPECT_EQ(buffer[10], 0xAA);
        EXPECT_EQ(buffer[11], 0xAA);
    }
}

// --- Capacity --------------------------------------------------------------------------------

struct CapacityCase {
    const char* name;
    std::string text;
    std::size_t capacity;
    int result;
};

void PrintTo(const CapacityCase& c, std::ostream* os)
{
    *os << c.name;
}

// The field is full when p reaches the capacity before a character or between the two bytes of
// one; a refused character that still has room is reported by position.
const CapacityCase kCapacityCases[] = {
    {"SevenOneByteThenTwoByte", "あいうえおかき１", 8, -1},
    {"NineOneByte", "あいうえおかきくけ", 8, -1},
    {"EmptyTextInNoRoom", "", 0, 0},
    {"CharacterInNoRoom", "あ", 0, -1},
    {"TwoByteHalfFits", "あ１", 2, -1},
    {"TwoByteFitsExactly", "あ１", 3, 0},
    {"ExtensionHalfFits", "あ①", 2, -1},
    {"ExtensionFitsExactly", "あ①", 3, 0},
    {"FullBeforeCarriageReturn", "あい\r", 2, -1},
    {"FullBeforeRefusedCharacter", "あい□", 2, -1},
    {"RefusedWhileRoomLeft", "あ□", 2, 2},
    {"LineBreakTakesOneByte", "あ\r\nい", 3, 0},
};

class CapacityCaseTest : public ::testing::TestWithParam<CapacityCase> {};

TEST_P(CapacityCaseTest, ReportsWhetherTheTextFits)
{
    const CapacityCase& c = GetParam();
    const ExtensionTable extensions = MakeExtensions(FullExtensionChars());
    EXPECT_EQ(Encode(c.text, c.capacity, extensions).result, c.result);
}

INSTANTIATE_TEST_SUITE_P(TextCodec, CapacityCaseTest, ::testing::ValuesIn(kCapacityCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Callers measure a message, then encode it with exactly the counted capacity.
TEST(EncodeCapacityTest, MeasuredCountIsExactlyTheCapacityNeeded)
{
    const ExtensionTable extensions = MakeExtensions(FullExtensionChars());
    for (const std::string text : {"", "あ", "１", "あ\r\nい", "々①ー", "ﾃﾞｨｽｶ 1"}) {
        SCOPED_TRACE(text);
        const TextMeasure measure = MeasureText(text, extensions);
        ASSERT_EQ(measure.result, 0);
        const auto count = static_cast<std::size_t>(measure.byteCount);
        const Encoded encoded = Encode(text, count, extensions);
        EXPECT_EQ(encoded.result, 0);
        EXPECT_EQ(std::count(encoded.field.begin(), encoded.field.end(), 0xAA), 0);
        if (count > 0) {
            EXPECT_EQ(Encode(text, count - 1, extensions).result, -1);
        }
    }
}

// --- Refused characters ----------------------------------------------------------------------

struct RefusalCase {
    const char* name;
    std::string text;
    int position;  // counted after ToFullWidth
    int byteCount; // bytes counted before the refused character
};

void PrintTo(const RefusalCase& c, std::ostream* os)
{
    *os << c.name;
}

const RefusalCase kRefusalCases[] = {
    {"HalfWidthCapital", "A", 1, 0},
    {"FullWidthSmallLetter", "あａ", 2, 1},
    {"WhiteSquare", "□", 1, 0},
    {"BlackSquare", "あ■", 2, 1},
    {"AfterMergedVoicedMarks", "ｶﾞｷﾞA", 3, 2},
    {"LineBreakCharactersCount", "あ\r\nB", 4, 2},
    {"AfterTwoByteCharacter", "１x", 2, 2},
    {"InNeitherTable", "あ\U0001F600", 2, 1},
    {"NotUtf8", "あ\xFF", 2, 1},
    {"HalfWidthMarkAfterFullWidthLetter", "カﾞ", 2, 1},
};

class RefusalCaseTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusalCaseTest, EncodeAndMeasureGiveThePosition)
{
    const RefusalCase& c = GetParam();
    EXPECT_EQ(Encode(c.text, 16, kNoExtensions).result, c.position);
    const TextMeasure measure = MeasureText(c.text, kNoExtensions);
    EXPECT_EQ(measure.result, c.position);
    EXPECT_EQ(measure.byteCount, c.byteCount);
}

INSTANTIATE_TEST_SUITE_P(TextCodec, RefusalCaseTest, ::testing::ValuesIn(kRefusalCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Extension characters --------------------------------------------------------------------

TEST(ExtensionEncodingTest, WritesEscapeAndIndex)
{
    const std::u32string chars = FullExtensionChars();
    const ExtensionTable extensions = MakeExtensions(chars);
    const std::string first = U32ToUtf8(chars.substr(0, 1));
    const std::string row1 = U32ToUtf8(chars.substr(16, 1));
    const std::string last = U32ToUtf8(chars.substr(239, 1));

    const Encoded encoded = Encode(first + "あ" + row1 + last, 8, extensions);
    ASSERT_EQ(encoded.result, 0);
    EXPECT_EQ(encoded.field, (Bytes{0x18, 0x10, 0x51, 0x18, 0x20, 0x18, 0xFF, 0x50}));
    EXPECT_EQ(MeasureText(first + "あ", extensions).byteCount, 3);

    const DecodedText decoded = Decode(encoded.field, extensions);
    EXPECT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.text, first + "あ" + row1 + last);
}

TEST(ExtensionEncodingTest, IsRefusedWhereTheTableCannotServe)
{
    const std::u32string full = FullExtensionChars();
    // A character only at index 240 has no code: 0x18 0x10 + 240 does not exist.
    const ExtensionTable beyondCodes = MakeExtensions(full + U"★");
    const ExtensionTable disabled = MakeExtensions(full, false);
    struct Case {
        const char* name;
        const ExtensionTable& table;
        std::string text;
    };
    const Case cases[] = {
        {"Disabled", disabled, "あ①"},
        {"EmptyTable", kNoExtensions, "あ①"},
        {"BeyondTheCodes", beyondCodes, "あ★"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Encode(c.text, 8, c.table).result, 2);
        EXPECT_EQ(MeasureText(c.text, c.table).result, 2);
    }
}

TEST(ExtensionEncodingTest, CharacterTableComesFirstAndSquaresStayRefused)
{
    const ExtensionTable extensions = MakeExtensions(U"あ□■Ａ");
    EXPECT_EQ(Encode("あ", 2, extensions).field, (Bytes{0x51, 0x50}));
    EXPECT_EQ(Encode("□", 2, extensions).result, 1);
    EXPECT_EQ(Encode("■", 2, extensions).result, 1);
    // The half-width letter is made full width before the tables are searched.
    EXPECT_EQ(Encode("A", 2, extensions).field, (Bytes{0x18, 0x13}));
}

// --- Decoding --------------------------------------------------------------------------------

struct DecodeCase {
    const char* name;
    Bytes bytes;
    std::string text;
};

void PrintTo(const DecodeCase& c, std::ostream* os)
{
    *os << c.name;
}

const DecodeCase kDecodeCases[] = {
    {"Empty", {}, ""},
    {"OnlyPadding", Bytes(8, 0x50), ""},
    {"PaddingAtBothEndsRemoved", {0x50, 0x51, 0x50}, "あ"},
    {"InnerSpaceStays", {0x51, 0x50, 0x51}, "あ　あ"},
    {"WhiteSquare", {0xE6}, "□"},
    {"LongVowelMarkComesBackAsKanji", {0xE5}, "一"},
    {"LineBreakAtTheEnd", {0x51, 0x24}, "あ\r\n"},
    {"FullWidthDigit", {0x23, 0x01}, "１"},
    {"TwoByteFormOfSingleByteIndex", {0x20, 0x51}, "ミ"},
    {"TwoByteSpaceIsTrimmed", {0x20, 0x00, 0x51}, "あ"},
};

class DecodeCaseTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeCaseTest, Decodes)
{
    const DecodedText decoded = Decode(GetParam().bytes, kNoExtensions);
    EXPECT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(TextCodec, DecodeCaseTest, ::testing::ValuesIn(kDecodeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DecodeTextTest, ByteFFIsIndex175)
{
    EXPECT_EQ(Decode({0xFF}, kNoExtensions).text, CharAt(175));
    EXPECT_EQ(Decode({0x20, 0xAF}, kNoExtensions).text, CharAt(175));
    EXPECT_EQ(Decode({0xFE}, kNoExtensions).text, CharAt(174));
}

struct RejectCase {
    const char* name;
    Bytes bytes;
};

void PrintTo(const RejectCase& c, std::ostream* os)
{
    *os << c.name;
}

const RejectCase kRejectCases[] = {
    {"LeadByteAlone", {0x20}},
    {"LeadByteAtTheEnd", {0x51, 0x52, 0x23}},
    {"ExtensionEscapeAtTheEnd", {0x51, 0x18}},
    {"ExtensionEscapeWithLowByte", {0x18, 0x0F, 0x51}},
    {"ExtensionEscapeWithZero", {0x18, 0x00}},
    {"ByteZero", {0x51, 0x00}},
    {"Byte17", {0x17}},
    {"Byte19", {0x19}},
    {"Byte1F", {0x1F}},
    {"Byte25", {0x25}},
    {"Byte4F", {0x51, 0x4F, 0x51}},
};

class RejectCaseTest : public ::testing::TestWithParam<RejectCase> {};

TEST_P(RejectCaseTest, FailsWithEmptyText)
{
    const ExtensionTable extensions = MakeExtensions(FullExtensionChars());
    const DecodedText decoded = Decode(GetParam().bytes, extensions);
    EXPECT_FALSE(decoded.ok);
    EXPECT_EQ(decoded.text, "");
}

INSTANTIATE_TEST_SUITE_P(TextCodec, RejectCaseTest, ::testing::ValuesIn(kRejectCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The byte a code needs lies in memory right after the text; reading it would make the
// text decode.
TEST(DecodeRejectTest, NeverTakesTheByteAfterTheText)
{
    const ExtensionTable extensions = MakeExtensions(FullExtensionChars());
    for (const Bytes& buffer : {Bytes{0x51, 0x18, 0x10}, Bytes{0x51, 0x20, 0x51}}) {
        const std::span<const std::uint8_t> text(buffer.data(), 2);
        EXPECT_FALSE(DecodeText(text, extensions).ok);
        EXPECT_TRUE(DecodeText(buffer, extensions).ok);
    }
}

TEST(ExtensionDecodingTest, FollowsTheTable)
{
    const std::u32string chars = FullExtensionChars();
    const ExtensionTable extensions = MakeExtensions(chars);
    EXPECT_EQ(Decode({0x18, 0x10, 0x18, 0xFF}, extensions).text,
              U32ToUtf8(std::u32string{chars[0], chars[239]}));

    const DecodedText disabled = Decode({0x51, 0x18, 0x10}, MakeExtensions(chars, false));
    EXPECT_FALSE(disabled.ok);
    EXPECT_EQ(disabled.text, "");

    // Codes beyond a short or empty table give nothing.
    const DecodedText shortTable =
        Decode({0x51, 0x18, 0x1F, 0x18, 0x20, 0x52}, MakeExtensions(chars.substr(0, 16)));
    EXPECT_TRUE(shortTable.ok);
    EXPECT_EQ(shortTable.text, "あ" + U32ToUtf8(chars.substr(15, 1)) + "い");
    const DecodedText empty = Decode({0x51, 0x18, 0x10, 0x52}, kNoExtensions);
    EXPECT_TRUE(empty.ok);
    EXPECT_EQ(empty.text, "あい");
}

// --- Collecting extension characters ---------------------------------------------------------

TEST(CollectExtensionCharsTest, AppendsEachNewExtensionCharacterOnce)
{
    const ExtensionTable extensions = MakeExtensions(FullExtensionChars());
    std::string list;
    CollectExtensionChars("①あ②①\r\n②", list, extensions);
    EXPECT_EQ(list, "①②");
    CollectExtensionChars("③②①", list, extensions);
    EXPECT_EQ(list, "①②③");
}

TEST(CollectExtensionCharsTest, IgnoresWhetherTheTableIsEnabled)
{
    std::string list = "②";
    CollectExtensionChars("①②", list, MakeExtensions(FullExtensionChars(), false));
    EXPECT_EQ(list, "②①");
}

TEST(CollectExtensionCharsTest, CollectsOnlyWhatTheCharacterTableLacks)
{
    const ExtensionTable extensions = MakeExtensions(U"□あ★Ａ");
    std::string list;
    // "■" and "\U0001F600" are in neither table; collecting goes on past them.
    CollectExtensionChars("□あ■\U0001F600★A", list, extensions);
    EXPECT_EQ(list, "★Ａ");
}

} // namespace
} // namespace varn
