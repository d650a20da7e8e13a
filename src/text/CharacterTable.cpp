#include "text/CharacterTable.h"

#include <algorithm>
#include <string_view>

#include "text/KanjiFileText.h"
#include "text/Utf8Sequence.h"

namespace varn {

namespace {

// Runs of characters at fixed positions, in index order. Everything from 157 on that is not
// listed here is a kanji.
struct FixedRun {
    int first;
    std::u32string_view chars;
};

constexpr FixedRun kFixedRuns[] = {
    {0, U"　"},
    {1,
     U"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふほまみむめもやゆよらりるれろわをん"},
    {46, U"ゃゅょっ"},
    {50,
     U"アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン"},
    {95, U"ァィゥェォャュョッ"},
    {104, U"がぎぐげござじずぜぞだぢづでどばびぶぼ"},
    {123, U"ガギグゲゴザジズゼゾダヂヅデドバビブベボ"},
    {143, U"パピプペポ"},
    {148, U"ヴ"},
    {149, U"一"}, // stands for the long-vowel mark
    {150, U"□"},
    {151, U"。、‥！？・"},
    {164, U"～"},
    {268, U"々"},
    {615, U"ぱ"},
    {667, U"％"},
    {768, U"０１２３４５６７８９ＨＬＰ／←："},
};

constexpr bool IsKanji(char32_t c)
{
    return (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x3FFFF);
}

constexpr bool IsIgnoredSpace(char32_t c)
{
    return c == U' ' || c == U'\t' || c == U'\r' || c == U'\v' || c == U'\f' || c == U'\u3000';
}

// The kanji of the data file in file order. Lines that begin with "#" are comments;
// whitespace, including the full-width space, is ignored.
struct KanjiOrder {
    std::array<char32_t, kKanjiCount> kanji{};
    int count = 0;          // kanji found, also beyond kKanjiCount
    bool wellFormed = true; // valid UTF-8 and nothing but kanji
};

constexpr KanjiOrder ParseKanjiFile(std::u8string_view text)
{
    KanjiOrder order;
    if (text.starts_with(u8"\uFEFF")) {
        text.remove_prefix(3);
    }
    std::size_t pos = 0;
    bool lineStart = true;
    while (pos < text.size()) {
        if (lineStart && text[pos] == u8'#') {
            const std::size_t end = text.find(u8'\n', pos);
            pos = end == std::u8string_view::npos ? text.size() : end;
            continue;
        }
        const detail::Utf8Sequence sequence = detail::ReadUtf8Sequence(text, pos);
        if (sequence.length == 0) {
            order.wellFormed = false;
            return order;
        }
        const char32_t c = sequence.value;
        pos += sequence.length;

        lineStart = c == U'\n';
        if (lineStart || IsIgnoredSpace(c)) {
            continue;
        }
        if (!IsKanji(c)) {
            order.wellFormed = false;
        }
        if (order.count < kKanjiCount) {
            order.kanji[order.count] = c;
        }
        ++order.count;
    }
    return order;
}

constexpr KanjiOrder kKanjiOrder = ParseKanjiFile(kKanjiFileText);
static_assert(kKanjiOrder.wellFormed, "data/kanji.txt must be UTF-8 and hold only kanji");
static_assert(kKanjiOrder.count == kKanjiCount, "data/kanji.txt must hold exactly 847 kanji");

struct BuiltTable {
    CharacterTableArray chars{};
    bool fixedLayoutSound = true; // no fixed run overlaps another, 0 to 156 all fixed
    int kanjiPositions = 0;
};

constexpr BuiltTable BuildTable()
{
    BuiltTable built;
    std::array<bool, kCharacterCount> fixed{};
    for (const FixedRun& run : kFixedRuns) {
        for (std::size_t i = 0; i < run.chars.size(); ++i) {
            const std::size_t index = static_cast<std::size_t>(run.first) + i;
            if (index >= fixed.size() || fixed[index]) {
                built.fixedLayoutSound = false;
                return built;
            }
            fixed[index] = true;
            built.chars[index] = run.chars[i];
        }
    }
    for (int i = 0; i < kFirstKanjiIndex; ++i) {
        built.fixedLayoutSound = built.fixedLayoutSound && fixed[static_cast<std::size_t>(i)];
    }
    for (int i = kFirstKanjiIndex; i < kCharacterCount; ++i) {
        const auto index = static_cast<std::size_t>(i);
        if (!fixed[index]) {
            if (built.kanjiPositions < kKanjiCount) {
                built.chars[index] =
                    kKanjiOrder.kanji[static_cast<std::size_t>(built.kanjiPositions)];
            }
            ++built.kanjiPositions;
        }
    }
    return built;
}

constexpr bool AllDistinct(CharacterTableArray chars)
{
    std::sort(chars.begin(), chars.end());
    return std::adjacent_find(chars.begin(), chars.end()) == chars.end();
}

constexpr BuiltTable kBuiltTable = BuildTable();
static_assert(kBuiltTable.fixedLayoutSound, "the fixed entries must not overlap");
static_assert(kBuiltTable.kanjiPositions == kKanjiCount,
              "the table must leave 847 kanji positions");
static_assert(AllDistinct(kBuiltTable.chars),
              "data/kanji.txt must hold distinct kanji that are not fixed entries (such as 一)");

} // namespace

const CharacterTableArray& CharacterTable()
{
    return kBuiltTable.chars;
}

int FindCharacter(char32_t c)
{
    const CharacterTableArray& table = CharacterTable();
    const auto it = std::find(table.begin(), table.end(), c);
    return it == table.end() ? -1 : static_cast<int>(it - table.begin());
}

} // namespace varn
