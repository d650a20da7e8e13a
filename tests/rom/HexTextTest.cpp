#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "rom/HexText.h"

namespace varn {
namespace {

struct ParseCase {
    std::string_view text;
    std::size_t minDigits;
    std::size_t maxDigits;
    std::optional<std::uint32_t> value;
};

TEST(HexTextTest, ParseHexReadsOnlyDigitsWithinTheWidth)
{
    const ParseCase cases[] = {
        {"0", 1, 2, 0x0},
        {"7f", 1, 2, 0x7F},
        {"7F", 1, 2, 0x7F},
        {"aB", 2, 2, 0xAB},
        {"5", 2, 2, std::nullopt},   // too few digits
        {"123", 1, 2, std::nullopt}, // too many digits
        {"", 1, 6, std::nullopt},    // empty text
        {"", 0, 6, 0x0},             // empty text where no digit is required
        {"500004", 1, 6, 0x500004},
        {"0500004", 1, 6, std::nullopt},
        {" 12", 1, 6, std::nullopt}, // spaces are the caller's
        {"12 ", 1, 6, std::nullopt},
        {"0x12", 1, 6, std::nullopt}, // so is a prefix
        {"-1", 1, 6, std::nullopt},
        {"+1", 1, 6, std::nullopt},
        {"1g", 1, 6, std::nullopt},
        {"FFFFFFFF", 1, 8, 0xFFFFFFFF},
        {"FFFFFFFF", 1, kAnyHexDigits, 0xFFFFFFFF},
        {"100000000", 1, kAnyHexDigits, std::nullopt}, // above 32 bits
        {"000000001", 1, kAnyHexDigits, 0x1},          // leading zeros do not overflow
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << '"' << c.text << "\" " << c.minDigits << ".." << c.maxDigits);
        EXPECT_EQ(ParseHex(c.text, c.minDigits, c.maxDigits), c.value);
    }
}

TEST(HexTextTest, ParseDecimalReadsOnlyDigitsWithinTheWidth)
{
    const ParseCase cases[] = {
        {"0", 1, 2, 0},
        {"42", 1, 2, 42},
        {"5", 2, 2, std::nullopt},
        {"123", 1, 2, std::nullopt},
        {"", 1, 6, std::nullopt},
        {"", 0, 6, 0},
        {"000120", 1, 6, 120},
        {" 12", 1, 6, std::nullopt},
        {"12 ", 1, 6, std::nullopt},
        {"-1", 1, 6, std::nullopt}, // no sign of either kind
        {"+1", 1, 6, std::nullopt},
        {"1a", 1, 6, std::nullopt},
        {"0x1", 1, 6, std::nullopt},
        {"4294967295", 1, kAnyHexDigits, 0xFFFFFFFF},
        {"4294967296", 1, kAnyHexDigits, std::nullopt}, // above 32 bits
        {"00000000000000000001", 1, kAnyHexDigits, 1},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << '"' << c.text << "\" " << c.minDigits << ".." << c.maxDigits);
        EXPECT_EQ(ParseDecimal(c.text, c.minDigits, c.maxDigits), c.value);
    }
}

TEST(HexTextTest, ParseHexOfWholeCharactersTakesOnlyAsciiDigits)
{
    EXPECT_EQ(ParseHex(std::u32string_view(U"1F")), 0x1Fu);
    EXPECT_EQ(ParseHex(std::u32string_view(U"f0")), 0xF0u);
    EXPECT_EQ(ParseHex(std::u32string_view(U"")), std::nullopt);
    // Full-width digits, and characters whose low byte is a digit, are no digits.
    EXPECT_EQ(ParseHex(std::u32string_view(U"１２")), std::nullopt);
    EXPECT_EQ(ParseHex(std::u32string_view(U"\u0141")), std::nullopt); // low byte 'A'
    EXPECT_EQ(ParseHex(std::u32string_view(U"100000000")), std::nullopt);
}

TEST(HexTextTest, DropHexPrefixTakesAwayOnlyALeadingPrefix)
{
    struct Case {
        std::string_view text;
        bool dropped;
        std::string_view rest;
    };
    const Case cases[] = {
        {"0x1F", true, "1F"},  {"0X1F", true, "1F"},      {"0x", true, ""}, {"1F", false, "1F"},
        {"x1F", false, "x1F"}, {" 0x1F", false, " 0x1F"}, {"", false, ""},  {"00x1", false, "00x1"},
    };
    for (const Case& c : cases) {
        std::string_view text = c.text;
        EXPECT_EQ(DropHexPrefix(text), c.dropped) << c.text;
        EXPECT_EQ(text, c.rest) << c.text;
    }
}

TEST(HexTextTest, HexDigitsIsUpperCaseAndPaddedToTheWidth)
{
    struct Case {
        std::int64_t value;
        int width;
        std::string_view text;
    };
    const Case cases[] = {
        {0, 1, "0"},
        {0, 2, "00"},
        {0xA, 2, "0A"},
        {0xAB, 2, "AB"},
        {0x1AB, 2, "1AB"},
        {0x5A4440, 6, "5A4440"},
        {0x1F, 4, "001F"},
        {0xFFFFFFFF, 8, "FFFFFFFF"},
        {0x100000000, 1, "100000000"},
        {-1, 2, "FFFFFFFF"},
        {-2, 0, "FFFFFFFE"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HexDigits(c.value, c.width), c.text) << c.value << " " << c.width;
}

TEST(HexTextTest, FormattedValuesReadBack)
{
    for (const std::uint32_t value : {0u, 0x7Fu, 0x1FFu, 0x500004u, 0xFFFFFFFFu})
        EXPECT_EQ(ParseHex(HexDigits(value, 2)), value);
}

} // namespace
} // namespace varn
