#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "text/CharacterTable.h"
#include "text/TextCodec.h"
#include "text/Utf8.h"

namespace varn {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Utf8Of(char32_t c)
{
    return U32ToUtf8(std::u32string(1, c));
}

// A kanji file with one kanji a line, so that kanji i (from 0) sits on line i + 1.
std::string OnePerLine(const std::vector<char32_t>& kanji)
{
    std::string text;
    for (const char32_t c : kanji) {
        text += Utf8Of(c) + "\n";
    }
    return text;
}

std::vector<char32_t> BuiltInKanji()
{
    const KanjiOrder& order = BuiltInKanjiOrder();
    return {order.begin(), order.end()};
}

KanjiOrder ToOrder(const std::vector<char32_t>& kanji)
{
    KanjiOrder order{};
    std::copy_n(kanji.begin(), order.size(), order.begin());
    return order;
}

// "旅" is not among the shipped placeholders; the tests put it in place of one.
constexpr char32_t kNewKanji = U'旅';

// Resets the process's table after each test, so that no test sees another's order.
class KanjiOrderTest : public testing::Test {
protected:
    void TearDown() override { UseBuiltInKanjiOrder(); }
};

TEST_F(KanjiOrderTest, TheShippedFileReadsAsTheBuiltInOrder)
{
    std::ifstream file(VARN_KANJI_FILE, std::ios::binary);
    ASSERT_TRUE(file) << VARN_KANJI_FILE;
    const std::string text{std::istreambuf_iterator<char>(file), {}};
    const Result<KanjiOrder> order = ParseKanjiOrder(text);
    ASSERT_TRUE(order) << order.message();
    EXPECT_EQ(order.value(), BuiltInKanjiOrder());
    EXPECT_EQ(std::find(BuiltInKanjiOrder().begin(), BuiltInKanjiOrder().end(), kNewKanji),
              BuiltInKanjiOrder().end());
}

// The same order written in the ways the file allows.
TEST_F(KanjiOrderTest, CommentsSpacesAndLineEndsDoNotChangeTheOrder)
{
    const std::vector<char32_t> kanji = BuiltInKanji();
    const auto joined = [&](std::size_t perLine, const std::string& between,
                            const std::string& lineEnd) {
        std::string text;
        for (std::size_t i = 0; i < kanji.size(); ++i) {
            text += Utf8Of(kanji[i]);
            text += (i + 1) % perLine == 0 ? lineEnd : between;
        }
        return text;
    };
    const std::pair<const char*, std::string> layouts[] = {
        {"one line", joined(kanji.size(), "", "")},
        {"one a line", OnePerLine(kanji)},
        {"twenty a line, CRLF", joined(20, "", "\r\n")},
        {"byte-order mark", "\xEF\xBB\xBF" + joined(20, "", "\n")},
        {"comments and blank lines",
         "# kanji\n\n#旅 is not read\n" + joined(20, "", "\n\n# more\n")},
        {"spaces, tabs and full-width spaces", joined(10, " \t\u3000", "\n")},
        {"no final line break", OnePerLine(kanji).substr(0, OnePerLine(kanji).size() - 1)},
    };
    for (const auto& [name, text] : layouts) {
        const Result<KanjiOrder> order = ParseKanjiOrder(text);
        ASSERT_TRUE(order) << name << ": " << order.message();
        EXPECT_EQ(order.value(), BuiltInKanjiOrder()) << name;
    }
}

TEST_F(KanjiOrderTest, ADamagedFileIsRefusedNamingTheLine)
{
    const std::vector<char32_t> kanji = BuiltInKanji();
    const auto replaced = [&](std::size_t line, const std::string& with) {
        std::vector<std::string> lines;
        for (const char32_t c : kanji) {
            lines.push_back(Utf8Of(c));
        }
        lines[line - 1] = with;
        std::string text;
        for (const std::string& l : lines) {
            text += l + "\n";
        }
        return text;
    };
    const std::string tenth = Utf8Of(kanji[9]);
    struct Case {
        const char* name;
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {"846 kanji", OnePerLine({kanji.begin(), kanji.end() - 1}),
         "846行目: ファイルが終わりましたが、漢字が846字しかありません。漢字はちょうど847字です。"},
        {"846 kanji and a comment at the end",
         OnePerLine({kanji.begin(), kanji.end() - 1}) + "# end",
         "847行目: ファイルが終わりましたが、漢字が846字しかありません。漢字はちょうど847字です。"},
        {"empty file", "",
         "1行目: ファイルが終わりましたが、漢字が0字しかありません。漢字はちょうど847字です。"},
        {"848 kanji", OnePerLine(kanji) + "旅\n",
         "848行目: 848字目の漢字「旅」があります。漢字はちょうど847字です。"},
        {"a duplicate", replaced(500, tenth),
         "500行目: 「" + tenth + "」は10行目にもあります。同じ漢字は一度しか書けません。"},
        {"a letter", replaced(300, "A"), "300行目: 「A」は漢字ではありません。"},
        {"kana", replaced(2, "旅ア"),
         "2行目: 「ア」は文字表の決まった位置（50番）にあるので、漢字の並びには書けません。"},
        {"the fixed 一", replaced(1, "一"),
         "1行目: 「一」は文字表の決まった位置（149番）にあるので、漢字の並びには書けません。"},
        {"a comment mark inside a line", replaced(5, " # note"),
         "5行目: 「#」は漢字ではありません。"},
        {"bytes read as U+FFFD", replaced(7, "\xEF\xBF\xBD"),
         "7行目: 文字として読めないバイトがあります。"},
        {"bytes that are not UTF-8", replaced(8, "\xFF\xFE"),
         "8行目: 文字として読めないバイトがあります。"},
        {"a control character", replaced(9, "\x01"), "9行目: 「U+0001」は漢字ではありません。"},
    };
    for (const Case& c : cases) {
        const Result<KanjiOrder> order = ParseKanjiOrder(c.text);
        EXPECT_FALSE(order) << c.name;
        EXPECT_EQ(order.message(), c.message) << c.name;
    }
}

// Installing an order changes every use of the table: the table itself, FindCharacter and the
// codec in both directions.
TEST_F(KanjiOrderTest, AnInstalledOrderIsWhatTheCodecUses)
{
    std::vector<char32_t> kanji = BuiltInKanji();
    const char32_t first = kanji.front();
    const char32_t last = kanji.back();
    std::swap(kanji.front(), kanji.back());
    kanji[1] = kNewKanji;

    Bytes field(2);
    EXPECT_EQ(EncodeText(Utf8Of(kNewKanji), field), 1) << "not in the built-in table";
    ASSERT_TRUE(InstallKanjiOrder(ToOrder(kanji)));

    // The first kanji position is 157 (one byte, 0x50 + 157); the last is 1023 (two bytes,
    // 0x20 + 3, then 0xFF).
    EXPECT_EQ(CharacterTable()[157], last);
    EXPECT_EQ(CharacterTable()[1023], first);
    EXPECT_EQ(FindCharacter(first), 1023);
    EXPECT_EQ(FindCharacter(last), 157);
    EXPECT_EQ(FindCharacter(kNewKanji), 158);
    EXPECT_EQ(FindCharacter(BuiltInKanjiOrder()[1]), -1);

    const std::pair<std::string, Bytes> encodings[] = {
        {Utf8Of(first), {0x23, 0xFF}},
        {Utf8Of(last), {0xED}},
        {Utf8Of(kNewKanji), {0xEE}},
        {"あ" + Utf8Of(kNewKanji), {0x51, 0xEE}},
    };
    for (const auto& [text, bytes] : encodings) {
        Bytes encoded(bytes.size());
        EXPECT_EQ(EncodeText(text, encoded), 0) << text;
        EXPECT_EQ(encoded, bytes) << text;
        EXPECT_EQ(MeasureText(text).byteCount, static_cast<int>(bytes.size())) << text;
        const DecodedText decoded = DecodeText(bytes);
        EXPECT_TRUE(decoded.ok) << text;
        EXPECT_EQ(decoded.text, text);
    }
    EXPECT_EQ(EncodeText(Utf8Of(BuiltInKanjiOrder()[1]), field), 1) << "replaced by 旅";
    EXPECT_EQ(MeasureText("あ" + Utf8Of(BuiltInKanjiOrder()[1])).result, 2);

    UseBuiltInKanjiOrder();
    EXPECT_EQ(CharacterTable()[157], first);
    EXPECT_EQ(FindCharacter(kNewKanji), -1);
    EXPECT_EQ(EncodeText(Utf8Of(kNewKanji), field), 1);
}

// FindCharacter's search agrees with the table, for the built-in order and for one in
// reverse (so that the kanji's order and their code points' order disagree everywhere).
TEST_F(KanjiOrderTest, FindCharacterAgreesWithTheTableInUse)
{
    std::vector<char32_t> reversed = BuiltInKanji();
    std::reverse(reversed.begin(), reversed.end());
    for (const bool builtIn : {true, false}) {
        if (builtIn) {
            UseBuiltInKanjiOrder();
        } else {
            ASSERT_TRUE(InstallKanjiOrder(ToOrder(reversed)));
        }
        const CharacterTableArray& table = CharacterTable();
        for (int index = 0; index < kCharacterCount; ++index) {
            ASSERT_EQ(FindCharacter(table[static_cast<std::size_t>(index)]), index)
                << (builtIn ? "built-in" : "reversed") << " index " << index;
        }
        for (const char32_t absent : {U'\0', U'A', U'ー', kNewKanji, U'\U0010FFFF'}) {
            EXPECT_EQ(FindCharacter(absent), -1) << static_cast<unsigned>(absent);
        }
    }
}

// A reference to the table taken before an install keeps showing the table it was taken
// from; the sanitizer build would report it if that table had been freed.
TEST_F(KanjiOrderTest, ReferencesTakenBeforeAnInstallStayValid)
{
    std::vector<char32_t> withNew = BuiltInKanji();
    withNew.front() = kNewKanji;
    std::vector<char32_t> reversed = BuiltInKanji();
    std::reverse(reversed.begin(), reversed.end());

    const CharacterTableArray& builtIn = CharacterTable();
    ASSERT_TRUE(InstallKanjiOrder(ToOrder(withNew)));
    const CharacterTableArray& first = CharacterTable();
    ASSERT_TRUE(InstallKanjiOrder(ToOrder(reversed)));
    const CharacterTableArray& second = CharacterTable();
    // The same order again, then the built-in one: nothing installed before goes away.
    ASSERT_TRUE(InstallKanjiOrder(ToOrder(withNew)));
    EXPECT_EQ(&CharacterTable(), &first);
    ASSERT_TRUE(InstallKanjiOrder(BuiltInKanjiOrder()));
    EXPECT_EQ(&CharacterTable(), &builtIn);

    EXPECT_EQ(builtIn[157], BuiltInKanjiOrder().front());
    EXPECT_EQ(first[157], kNewKanji);
    EXPECT_EQ(second[157], BuiltInKanjiOrder().back());
    EXPECT_EQ(second[1023], BuiltInKanjiOrder().front());
}

TEST_F(KanjiOrderTest, InstallRefusesAnOrderTheFileCouldNotGive)
{
    std::vector<char32_t> withNew = BuiltInKanji();
    withNew.front() = kNewKanji;
    ASSERT_TRUE(InstallKanjiOrder(ToOrder(withNew)));

    const auto changed = [&](std::size_t index, char32_t c) {
        std::vector<char32_t> kanji = BuiltInKanji();
        kanji[index] = c;
        return ToOrder(kanji);
    };
    const std::pair<KanjiOrder, std::string> cases[] = {
        {changed(846, BuiltInKanjiOrder()[3]),
         "漢字の並びが正しくありません。\n847字目: 「" + Utf8Of(BuiltInKanjiOrder()[3]) +
             "」は4字目にもあります。同じ漢字は一度しか書けません。"},
        {changed(0, U'一'),
         "漢字の並びが正しくありません。\n1字目: "
         "「一」は文字表の決まった位置（149番）にあるので、漢字の並びには書けません。"},
        {changed(10, U'\0'),
         "漢字の並びが正しくありません。\n11字目: 「U+0000」は漢字ではありません。"},
    };
    for (const auto& [order, message] : cases) {
        const Status installed = InstallKanjiOrder(order);
        EXPECT_FALSE(installed);
        EXPECT_EQ(installed.message(), message);
        EXPECT_EQ(CharacterTable()[157], kNewKanji) << "the table in use stays";
    }
}

} // namespace
} // namespace varn
