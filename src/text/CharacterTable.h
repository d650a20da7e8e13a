#pragma once

#include <array>

namespace varn {

// The game's fixed character table: 1024 full-width characters, indexed by game character
// number. Kana, punctuation and a few symbols sit at fixed positions; the 847 kanji fill the
// remaining positions from 157 on, in the order of the kanji data file compiled into the
// program.
inline constexpr int kCharacterCount = 1024;
inline constexpr int kKanjiCount = 847;
inline constexpr int kFirstKanjiIndex = 157;

using CharacterTableArray = std::array<char32_t, kCharacterCount>;

// The process-wide table; it is built and checked when the program is compiled.
const CharacterTableArray& CharacterTable();

// Index of the first entry equal to c, or -1.
int FindCharacter(char32_t c);

} // namespace varn
