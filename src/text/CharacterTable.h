#pragma once

#include <array>
#include <string_view>

#include "rom/Result.h"

namespace varn {

// The game's fixed character table: 1024 full-width characters, indexed by game character
// number. Kana, punctuation and a few symbols sit at fixed positions; the 847 kanji fill the
// remaining positions from 157 on, in the order of the kanji file: the copy compiled into the
// program (data/kanji.txt), or one the user supplies in its place (InstallKanjiOrder).
inline constexpr int kCharacterCount = 1024;
inline constexpr int kKanjiCount = 847;
inline constexpr int kFirstKanjiIndex = 157;

using CharacterTableArray = std::array<char32_t, kCharacterCount>;

// The kanji of the table in font order: the first fills the first kanji position.
using KanjiOrder = std::array<char32_t, kKanjiCount>;

// The table in use: the built-in one until InstallKanjiOrder replaces it. A reference stays
// valid for the rest of the process; after a later install it still shows the table it was
// taken from, so callers take it again for each piece of work rather than keeping it.
const CharacterTableArray& CharacterTable();

// Index of c in the table in use, or -1. A binary search over the table's characters.
int FindCharacter(char32_t c);

// The kanji order compiled into the program, checked when it was built.
const KanjiOrder& BuiltInKanjiOrder();

// Reads the text of a kanji file (UTF-8; a byte-order mark is dropped). Lines that begin
// with "#" are comments; whitespace, including the full-width space, is ignored; everything
// else must be kanji: exactly 847 distinct ones, none of them a character the table holds at a
// fixed position (一). Fails on the first problem with "<line>行目: <what is wrong>"; a file
// that ends too early names its last line.
Result<KanjiOrder> ParseKanjiOrder(std::string_view utf8);

// Makes the table built from `order` the table in use for the rest of the process: the codec
// (EncodeText, DecodeText, MeasureText) and FindCharacter see it from the next call on.
// Refuses, keeping the table in use, an order ParseKanjiOrder would not give (a duplicate, a
// character that is not a kanji or that has a fixed position). Tables installed before stay
// in memory, so references taken from them never dangle.
Status InstallKanjiOrder(const KanjiOrder& order);

// Puts the built-in table back in use.
void UseBuiltInKanjiOrder();

} // namespace varn
