#include "text/CharacterTable.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <type_traits>
#include <vector>

#include "rom/HexText.h"
#include "text/KanjiFileText.h"
#include "text/Utf8.h"
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

// The fixed position of c, or -1.
constexpr int FixedIndexOf(char32_t c)
{
    for (const FixedRun& run : kFixedRuns) {
        for (std::size_t i = 0; i < run.chars.size(); ++i) {
            if (run.chars[i] == c) {
                return run.first + static_cast<int>(i);
            }
        }
    }
    return -1;
}

// --- The kanji file ----------------------------------------------------------------------

enum class KanjiProblem {
    None,
    UnreadableByte, // bytes that are not a character (U+FFFD after a lenient reading)
    FixedEntry,     // a character the table holds at a fixed position
    NotKanji,
    Duplicate,
    TooMany,
    TooFew,
};

// The kanji read so far and the first problem met. The same reading serves the copy compiled
// into the program (checked while it is built) and the files users supply.
struct KanjiReading {
    KanjiOrder kanji{};
    std::array<int, kKanjiCount> lines{}; // where each kanji was read
    int count = 0;
    KanjiProblem problem = KanjiProblem::None;
    int line = 0;           // where the problem is
    char32_t character = 0; // the character at fault
    int otherLine = 0;      // a duplicate: where the kanji was read first
};

// Takes the next character of the order, read on `line`; false (and the problem noted) when
// the order cannot hold it.
//
// While the program is compiled, the searches for a fixed entry and for a duplicate are left
// out: they would cost a compiler's constant evaluation more steps than it allows. The
// built-in table is checked for both at once instead, by sorting it (AllDistinct below).
constexpr bool AcceptKanji(KanjiReading& reading, char32_t c, int line)
{
    const auto refuse = [&](KanjiProblem problem) {
        reading.problem = problem;
        reading.line = line;
        reading.character = c;
        return false;
    };
    if (c == U'\uFFFD') {
        return refuse(KanjiProblem::UnreadableByte);
    }
    if (!std::is_constant_evaluated() && FixedIndexOf(c) >= 0) {
        return refuse(KanjiProblem::FixedEntry);
    }
    if (!IsKanji(c)) {
        return refuse(KanjiProblem::NotKanji);
    }
    if (!std::is_constant_evaluated()) {
        for (int i = 0; i < reading.count; ++i) {
            if (reading.kanji[static_cast<std::size_t>(i)] == c) {
                reading.otherLine = reading.lines[static_cast<std::size_t>(i)];
                return refuse(KanjiProblem::Duplicate);
            }
        }
    }
    if (reading.count == kKanjiCount) {
        return refuse(KanjiProblem::TooMany);
    }
    reading.kanji[static_cast<std::size_t>(reading.count)] = c;
    reading.lines[static_cast<std::size_t>(reading.count)] = line;
    ++reading.count;
    return true;
}

// Reads the kanji of a kanji file in file order, up to the first problem. Lines that begin
// with "#" are comments; whitespace, including the full-width space, is ignored.
template <typename CharT> constexpr KanjiReading ReadKanjiFile(std::basic_string_view<CharT> text)
{
    KanjiReading reading;
    const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    if (text.size() >= 3 && byteAt(0) == 0xEF && byteAt(1) == 0xBB && byteAt(2) == 0xBF) {
        text.remove_prefix(3);
    }
    int line = 1;
    std::size_t pos = 0;
    bool lineStart = true;
    while (pos < text.size()) {
        if (lineStart && byteAt(pos) == '#') {
            const std::size_t end = text.find(static_cast<CharT>('\n'), pos);
            pos = end == std::basic_string_view<CharT>::npos ? text.size() : end;
            lineStart = false;
            continue;
        }
        const detail::Utf8Sequence sequence = detail::ReadUtf8Sequence(text, pos);
        if (sequence.length == 0) {
            reading.problem = KanjiProblem::UnreadableByte;
            reading.line = line;
            return reading;
        }
        const char32_t c = sequence.value;
        pos += sequence.length;

        lineStart = c == U'\n';
        if (lineStart) {
            ++line;
            continue;
        }
        if (IsIgnoredSpace(c)) {
            continue;
        }
        if (!AcceptKanji(reading, c, line)) {
            return reading;
        }
    }
    if (reading.count < kKanjiCount) {
        reading.problem = KanjiProblem::TooFew;
        // The last line of the file: a final line break does not begin another.
        reading.line = lineStart && line > 1 ? line - 1 : line;
    }
    return reading;
}

constexpr KanjiReading kBuiltInReading = ReadKanjiFile(kKanjiFileText);
static_assert(kBuiltInReading.problem != KanjiProblem::UnreadableByte,
              "data/kanji.txt must be UTF-8");
static_assert(kBuiltInReading.problem != KanjiProblem::NotKanji,
              "data/kanji.txt must hold only kanji");
static_assert(kBuiltInReading.problem != KanjiProblem::TooMany &&
                  kBuiltInReading.problem != KanjiProblem::TooFew,
              "data/kanji.txt must hold exactly 847 kanji");

// A character shown in a message: control characters, which would not show, as U+XXXX.
std::string ShownCharacter(char32_t c)
{
    if (c < 0x20 || (c >= 0x7F && c < 0xA0)) {
        return "U+" + HexDigits(c, 4);
    }
    return U32ToUtf8(std::u32string_view(&c, 1));
}

// What is wrong, after "<n><unit>: " (the line of a file, or the place in an order).
std::string ProblemMessage(const KanjiReading& reading, std::string_view unit)
{
    const std::string at = std::to_string(reading.line) + std::string(unit) + ": ";
    const std::string quoted = "「" + ShownCharacter(reading.character) + "」";
    switch (reading.problem) {
    case KanjiProblem::UnreadableByte:
        return at + "文字として読めないバイトがあります。";
    case KanjiProblem::FixedEntry:
        return at + quoted + "は文字表の決まった位置（" +
               std::to_string(FixedIndexOf(reading.character)) +
               "番）にあるので、漢字の並びには書けません。";
    case KanjiProblem::NotKanji:
        return at + quoted + "は漢字ではありません。";
    case KanjiProblem::Duplicate:
        return at + quoted + "は" + std::to_string(reading.otherLine) + std::string(unit) +
               "にもあります。同じ漢字は一度しか書けません。";
    case KanjiProblem::TooMany:
        return at + std::to_string(kKanjiCount + 1) + "字目の漢字" + quoted +
               "があります。漢字はちょうど" + std::to_string(kKanjiCount) + "字です。";
    case KanjiProblem::TooFew:
        return at + "ファイルが終わりましたが、漢字が" + std::to_string(reading.count) +
               "字しかありません。漢字はちょうど" + std::to_string(kKanjiCount) + "字です。";
    case KanjiProblem::None:
        break;
    }
    return at;
}

// --- The table ---------------------------------------------------------------------------

// The fixed entries and, in order, the positions the kanji fill.
struct TableLayout {
    CharacterTableArray fixedChars{};
    std::array<int, kKanjiCount> kanjiPositions{};
    int kanjiPositionCount = 0;
    bool sound = true; // no fixed run overlaps another, 0 to 156 all fixed
};

constexpr TableLayout BuildLayout()
{
    TableLayout layout;
    std::array<bool, kCharacterCount> fixed{};
    for (const FixedRun& run : kFixedRuns) {
        for (std::size_t i = 0; i < run.chars.size(); ++i) {
            const std::size_t index = static_cast<std::size_t>(run.first) + i;
            if (index >= fixed.size() || fixed[index]) {
                layout.sound = false;
                return layout;
            }
            fixed[index] = true;
            layout.fixedChars[index] = run.chars[i];
        }
    }
    for (int i = 0; i < kFirstKanjiIndex; ++i) {
        layout.sound = layout.sound && fixed[static_cast<std::size_t>(i)];
    }
    for (int i = kFirstKanjiIndex; i < kCharacterCount; ++i) {
        if (!fixed[static_cast<std::size_t>(i)]) {
            if (layout.kanjiPositionCount < kKanjiCount) {
                layout.kanjiPositions[static_cast<std::size_t>(layout.kanjiPositionCount)] = i;
            }
            ++layout.kanjiPositionCount;
        }
    }
    return layout;
}

constexpr TableLayout kLayout = BuildLayout();
static_assert(kLayout.sound, "the fixed entries must not overlap");
static_assert(kLayout.kanjiPositionCount == kKanjiCount,
              "the table must leave 847 kanji positions");

struct IndexedCharacter {
    char32_t c;
    int index;
};

// A complete table: the characters by index, and by character for FindCharacter.
struct Table {
    CharacterTableArray chars{};
    std::array<IndexedCharacter, kCharacterCount> byCharacter{};
};

constexpr Table BuildTable(const KanjiOrder& kanji)
{
    Table table;
    table.chars = kLayout.fixedChars;
    for (std::size_t i = 0; i < kanji.size(); ++i) {
        table.chars[static_cast<std::size_t>(kLayout.kanjiPositions[i])] = kanji[i];
    }
    for (std::size_t i = 0; i < table.chars.size(); ++i) {
        table.byCharacter[i] = {table.chars[i], static_cast<int>(i)};
    }
    std::sort(table.byCharacter.begin(), table.byCharacter.end(),
              [](const IndexedCharacter& a, const IndexedCharacter& b) { return a.c < b.c; });
    return table;
}

constexpr bool AllDistinct(const Table& table)
{
    return std::adjacent_find(table.byCharacter.begin(), table.byCharacter.end(),
                              [](const IndexedCharacter& a, const IndexedCharacter& b) {
                                  return a.c == b.c;
                              }) == table.byCharacter.end();
}

constexpr Table kBuiltInTable = BuildTable(kBuiltInReading.kanji);
static_assert(AllDistinct(kBuiltInTable),
              "data/kanji.txt must hold distinct kanji that are not fixed entries (such as 一)");

// The table in use. It starts as the built-in table without any code running at start-up, so
// the codec may be used from any static initialiser.
constinit std::atomic<const Table*> gTableInUse{&kBuiltInTable};

// Every table installed in the process. Never freed (not even at exit), so that a reference
// taken from CharacterTable() stays valid whatever is installed after it.
std::vector<std::unique_ptr<const Table>>& InstalledTables()
{
    static auto* tables = new std::vector<std::unique_ptr<const Table>>;
    return *tables;
}

std::mutex& InstallMutex()
{
    static std::mutex mutex;
    return mutex;
}

const Table& TableInUse()
{
    return *gTableInUse.load(std::memory_order_acquire);
}

} // namespace

const CharacterTableArray& CharacterTable()
{
    return TableInUse().chars;
}

int FindCharacter(char32_t c)
{
    const auto& byCharacter = TableInUse().byCharacter;
    const auto it = std::lower_bound(
        byCharacter.begin(), byCharacter.end(), c,
        [](const IndexedCharacter& entry, char32_t value) { return entry.c < value; });
    return it != byCharacter.end() && it->c == c ? it->index : -1;
}

const KanjiOrder& BuiltInKanjiOrder()
{
    return kBuiltInReading.kanji;
}

Result<KanjiOrder> ParseKanjiOrder(std::string_view utf8)
{
    const KanjiReading reading = ReadKanjiFile(utf8);
    if (reading.problem != KanjiProblem::None) {
        return Failure{ProblemMessage(reading, "行目")};
    }
    return reading.kanji;
}

Status InstallKanjiOrder(const KanjiOrder& order)
{
    KanjiReading reading;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (!AcceptKanji(reading, order[i], static_cast<int>(i) + 1)) {
            return Failure{"漢字の並びが正しくありません。\n" + ProblemMessage(reading, "字目")};
        }
    }
    const std::lock_guard lock(InstallMutex());
    if (order == kBuiltInReading.kanji) {
        gTableInUse.store(&kBuiltInTable, std::memory_order_release);
        return {};
    }
    auto table = std::make_unique<const Table>(BuildTable(order));
    std::vector<std::unique_ptr<const Table>>& installed = InstalledTables();
    // Installing an order again takes the table already built for it, so that reloading the
    // same files does not make the list grow.
    const auto same = std::find_if(installed.begin(), installed.end(),
                                   [&](const auto& known) { return known->chars == table->chars; });
    if (same == installed.end()) {
        installed.push_back(std::move(table));
        gTableInUse.store(installed.back().get(), std::memory_order_release);
    } else {
        gTableInUse.store(same->get(), std::memory_order_release);
    }
    return {};
}

void UseBuiltInKanjiOrder()
{
    const std::lock_guard lock(InstallMutex());
    gTableInUse.store(&kBuiltInTable, std::memory_order_release);
}

} // namespace varn
