#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "text/ExtensionTable.h"
#include "text/TextCodec.h"
#include "text/Utf8.h"

namespace varn {
namespace {

const std::u32string kUndefinedRow(16, U'□');
const std::string kSixteen = "①,②,③,④,⑤,⑥,⑦,⑧,⑨,⑩,⑪,⑫,⑬,⑭,⑮,⑯";

std::u32string Padded(std::u32string row)
{
    row.resize(16, U'□');
    return row;
}

std::u32string Row(const ExtensionTable& table, int row)
{
    return table.chars.substr(static_cast<std::size_t>(row) * 16, 16);
}

// Every row of the table, undefined rows as sixteen "□".
std::vector<std::u32string> Rows(const ExtensionTable& table)
{
    std::vector<std::u32string> rows;
    for (int row = 0; row < ExtensionTable::kRows; ++row) {
        rows.push_back(Row(table, row));
    }
    return rows;
}

std::vector<std::u32string> RowsWith(std::initializer_list<std::pair<int, std::u32string>> defined)
{
    std::vector<std::u32string> rows(ExtensionTable::kRows, kUndefinedRow);
    for (const auto& [row, chars] : defined) {
        rows[static_cast<std::size_t>(row)] = Padded(chars);
    }
    return rows;
}

class LoadExtensionCharsTest : public ::testing::Test {
protected:
    // Loads a settings file with the given bytes into a fresh table.
    ExtensionTable Load(std::string_view bytes)
    {
        ExtensionTable table;
        EXPECT_TRUE(LoadExtensionChars(dir_.write("Varnkit.ini", bytes), table));
        EXPECT_EQ(table.chars.size(), 240u);
        return table;
    }

    test::TempDir dir_;
};

TEST_F(LoadExtensionCharsTest, FileThatCannotBeOpenedLeavesTableUntouched)
{
    ExtensionTable table;
    table.chars = U"xyz";
    EXPECT_FALSE(LoadExtensionChars(dir_.path() / "missing.ini", table));
    EXPECT_FALSE(LoadExtensionChars(dir_.path(), table));
    EXPECT_EQ(table.chars, U"xyz");
}

TEST_F(LoadExtensionCharsTest, FileWithoutRowsGivesUndefinedRows)
{
    EXPECT_EQ(Rows(Load("")), RowsWith({}));
    EXPECT_EQ(Rows(Load("[Varnwork]\r\nExtensionChar=1\r\n")), RowsWith({}));
}

TEST_F(LoadExtensionCharsTest, RowsAreAppendedToWhatTheTableHolds)
{
    const std::filesystem::path path = dir_.write("Varnkit.ini", "10," + kSixteen + "\n");
    ExtensionTable table;
    table.chars = U"xyz";
    ASSERT_TRUE(LoadExtensionChars(path, table));
    ASSERT_EQ(table.chars.size(), 243u);
    EXPECT_EQ(table.chars.substr(0, 4), U"xyz①");
}

TEST_F(LoadExtensionCharsTest, KeyGivesTheRowInEitherCase)
{
    const ExtensionTable table = Load("[Varnwork]\r\n"
                                      "ExtensionChar=1\r\n"
                                      "[Extension]\r\n"
                                      "10," +
                                      kSixteen +
                                      "\r\n"
                                      "a0,甲\r\n"
                                      "B0,乙\r\n"
                                      "F0,丙\r\n");
    EXPECT_EQ(Rows(table),
              RowsWith({{0, U"①②③④⑤⑥⑦⑧⑨⑩⑪⑫⑬⑭⑮⑯"}, {9, U"甲"}, {10, U"乙"}, {14, U"丙"}}));
}

TEST_F(LoadExtensionCharsTest, FirstLineForARowWinsAndUndefinedCodesDecodeAsSquares)
{
    ExtensionTable table = Load("30,甲,乙\n30,丙,丁\n");
    EXPECT_EQ(Rows(table), RowsWith({{2, U"甲乙"}}));

    const std::vector<std::uint8_t> codes = {0x18, 0x30, 0x18, 0x31, 0x18,
                                             0x32, 0x18, 0x40, 0x18, 0xFF};
    const DecodedText decoded = DecodeText(codes, table);
    EXPECT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.text, "甲乙□□□");
}

// A line that gives the row no character at all leaves it to a later line.
TEST_F(LoadExtensionCharsTest, LineWithoutCharactersDoesNotTakeTheRow)
{
    EXPECT_EQ(Rows(Load("30\n30,,\n30,甲\n30,乙\n")), RowsWith({{2, U"甲"}}));
}

struct FieldCase {
    const char* name;
    std::string line;   // a line for row 0
    std::u32string row; // row 0 before padding
};

void PrintTo(const FieldCase& c, std::ostream* os)
{
    *os << c.name;
}

const FieldCase kFieldCases[] = {
    {"SixteenFields", "10," + kSixteen, U"①②③④⑤⑥⑦⑧⑨⑩⑪⑫⑬⑭⑮⑯"},
    {"ShortRowIsPadded", "10,①,②", U"①②"},
    {"KeyOnly", "10", U""},
    {"BlanksAroundCommasSkipped", "10 , ①\t,②,  ③ ", U"①②③"},
    {"BlankSeparatesFields", "10\t①  ②,③", U"①②③"},
    {"QuotedFieldsHoldCommasAndSpaces", "10,\"①,②\",\" ③\"", U"①,② ③"},
    {"DoubledQuoteIsOneQuote", "10,\"①\"\"②\"", U"①\"②"},
    {"TextAfterClosingQuoteIsAField", "10,\"①\"②,③", U"①②③"},
    {"UnterminatedQuoteRunsToTheEnd", "10,\"①, ②", U"①, ②"},
    {"QuoteInsideUnquotedField", "10,①\"②", U"①\"②"},
    {"EmptyFieldsGiveNothing", "10,①,,②,", U"①②"},
    {"FieldsAfterTheSixteenthIgnored", "10," + kSixteen + ",⑰", U"①②③④⑤⑥⑦⑧⑨⑩⑪⑫⑬⑭⑮⑯"},
    {"LongFieldsCutAtSixteen", "10,①②③④⑤⑥⑦⑧⑨⑩,⑪⑫⑬⑭⑮⑯⑰⑱", U"①②③④⑤⑥⑦⑧⑨⑩⑪⑫⑬⑭⑮⑯"},
    {"ManyCharactersInOneField", "10,①②③", U"①②③"},
};

class FieldCaseTest : public ::testing::TestWithParam<FieldCase> {
protected:
    test::TempDir dir_;
};

TEST_P(FieldCaseTest, RowIsTheFieldsAfterTheKey)
{
    ExtensionTable table;
    ASSERT_TRUE(LoadExtensionChars(dir_.write("Varnkit.ini", GetParam().line + "\r\n"), table));
    EXPECT_EQ(Rows(table), RowsWith({{0, GetParam().row}}));
}

INSTANTIATE_TEST_SUITE_P(ExtensionTable, FieldCaseTest, ::testing::ValuesIn(kFieldCases),
                         [](const auto& info) { return std::string(info.param.name); });

// None of these lines is a row line; the valid line after each is still read.
TEST_F(LoadExtensionCharsTest, LinesWithoutAValidKeyAreIgnored)
{
    for (const std::string line :
         {"00,①", "100,①", "F00,①", "1F,①", "G0,①", " 10,①", "0x10,①", "1 0,①", "10abc,①",
          "10000000000000000000,①", "\"10\",①", "1", "１０,①", "10\xEF\xBC\x8C①"}) {
        SCOPED_TRACE(line);
        EXPECT_EQ(Rows(Load(line + "\n20,②\n")), RowsWith({{1, U"②"}}));
    }
}

TEST_F(LoadExtensionCharsTest, OverLongLinesAreIgnoredAsAWhole)
{
    std::string fits = "10,①";
    fits.resize(1024, ' ');
    std::string tooLong = "30,③";
    tooLong.resize(1025, ' ');
    // A line of 100000 bytes, the last line of the file, without a line break.
    std::string huge = "40," + std::string(100000, 'x');
    EXPECT_EQ(Rows(Load(fits + "\n" + tooLong + "\r\n20,②\n" + huge)),
              RowsWith({{0, U"①"}, {1, U"②"}}));
}

// A line's length is counted in the file's own bytes: a CP932 line of 1024 bytes is read even
// though it is longer in UTF-8.
TEST_F(LoadExtensionCharsTest, LineLengthCountsCp932Bytes)
{
    std::string fits = "10,";
    for (int i = 0; i < 510; ++i) {
        fits += "\x87\x40"; // ①
    }
    fits += ' ';
    ASSERT_EQ(fits.size(), 1024u);
    std::string tooLong = "20," + std::string(1020, '\x87') + "\x40\x87";
    ASSERT_EQ(tooLong.size(), 1025u);
    EXPECT_EQ(Rows(Load(fits + "\r\n" + tooLong + "\r\n")), RowsWith({{0, U"①①①①①①①①①①①①①①①①"}}));
}

TEST_F(LoadExtensionCharsTest, ReadsCp932AndUtf8Files)
{
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"Cp932", "[Varnwork]\r\n10,\x87\x40,\x8D\x62\r\n20,\x82\xA0\r\n"},
        {"Utf8", "[Varnwork]\n10,①,甲\n20,あ\n"},
        {"Utf8WithBom", "\xEF\xBB\xBF"
                        "10,①,甲\n20,あ\n"},
        {"CarriageReturnsOnly", "[Varnwork]\r10,①,甲\r20,あ"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Rows(Load(c.bytes)), RowsWith({{0, U"①甲"}, {1, U"あ"}}));
    }
}

TEST(ExtensionTableTest, FindGivesTheFirstIndex)
{
    ExtensionTable table;
    table.chars = U"①②①";
    EXPECT_EQ(table.find(U'①'), 0);
    EXPECT_EQ(table.find(U'②'), 1);
    EXPECT_EQ(table.find(U'③'), -1);
}

} // namespace
} // namespace varn
