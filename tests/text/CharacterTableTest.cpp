#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "text/CharacterTable.h"
#include "text/Utf8.h"

namespace varn {
namespace {

// Fixed entries written out by position, as the game's font has them.
struct FixedEntries {
    int first;
    std::u32string chars;
};

const FixedEntries kFixedEntries[] = {
    {0, U"　"},
    {1,
     U"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふほまみむめもやゆよらりるれろわをん"},
    {46, U"ゃゅょっ"},
    {50,
     U"アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン"},
    {95, U"ァィゥェォャュョッ"},
    {104, U"がぎぐげござじずぜぞだぢづでどばびぶぼ"},
    {123, U"ガギグゲゴザジズゼゾダヂヅデドバビブベボ"},
    {143, U"パピプペポヴ一□。、‥！？・"},
    {164, U"～"},
    {268, U"々"},
    {615, U"ぱ"},
    {667, U"％"},
    {768, U"０１２３４５６７８９ＨＬＰ／←："},
};

bool IsFixedIndex(int index)
{
    return std::any_of(std::begin(kFixedEntries), std::end(kFixedEntries), [&](const auto& e) {
        return index >= e.first && index < e.first + static_cast<int>(e.chars.size());
    });
}

bool IsKanji(char32_t c)
{
    return (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x3FFFF);
}

TEST(CharacterTableTest, FixedEntriesSitAtTheirIndices)
{
    const CharacterTableArray& table = CharacterTable();
    int fixedCount = 0;
    for (const FixedEntries& entries : kFixedEntries) {
        for (std::size_t i = 0; i < entries.chars.size(); ++i) {
            const int index = entries.first + static_cast<int>(i);
            EXPECT_EQ(table[static_cast<std::size_t>(index)], entries.chars[i])
                << "index " << index;
            ++fixedCount;
        }
    }
    EXPECT_EQ(fixedCount, kCharacterCount - kKanjiCount);
}

TEST(CharacterTableTest, EntriesAreDistinctAndTheRestAreKanji)
{
    const CharacterTableArray& table = CharacterTable();
    ASSERT_EQ(table.size(), 1024u);
    EXPECT_EQ(std::set<char32_t>(table.begin(), table.end()).size(), table.size());

    int kanji = 0;
    for (int index = kFirstKanjiIndex; index < kCharacterCount; ++index) {
        if (!IsFixedIndex(index)) {
            EXPECT_TRUE(IsKanji(table[static_cast<std::size_t>(index)])) << "index " << index;
            ++kanji;
        }
    }
    EXPECT_EQ(kanji, 847);
}

// The kanji positions hold the data file's kanji in file order, comments and whitespace
// skipped.
TEST(CharacterTableTest, KanjiFollowTheDataFileOrder)
{
    std::ifstream file(VARN_KANJI_FILE, std::ios::binary);
    ASSERT_TRUE(file) << VARN_KANJI_FILE;
    std::u32string fromFile;
    for (std::string line; std::getline(file, line);) {
        if (line.starts_with("#")) {
            continue;
        }
        for (char32_t c : Utf8ToU32(line)) {
            if (c > U' ' && c != U'\u3000' && c != U'\uFEFF') {
                fromFile.push_back(c);
            }
        }
    }
    ASSERT_EQ(fromFile.size(), 847u);

    const CharacterTableArray& table = CharacterTable();
    std::u32string fromTable;
    for (int index = kFirstKanjiIndex; index < kCharacterCount; ++index) {
        if (!IsFixedIndex(index)) {
            fromTable.push_back(table[static_cast<std::size_t>(index)]);
        }
    }
    EXPECT_EQ(U32ToUtf8(fromTable), U32ToUtf8(fromFile));
}

TEST(CharacterTableTest, FindCharacterGivesTheIndex)
{
    const CharacterTableArray& table = CharacterTable();
    for (int index = 0; index < kCharacterCount; ++index) {
        ASSERT_EQ(FindCharacter(table[static_cast<std::size_t>(index)]), index);
    }
    for (char32_t absent : {U'A', U'Ａ', U'へ', U'ー', U'\0', U'■'}) {
        EXPECT_EQ(FindCharacter(absent), -1) << static_cast<unsigned>(absent);
    }
}

} // namespace
} // namespace varn
