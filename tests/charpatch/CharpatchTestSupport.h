#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "charpatch/PatchValidation.h"
#include "graphics/GifImage.h"
#include "graphics/SpriteSheet.h"
#include "support/Bytes.h"
#include "support/FailureTesting.h"
#include "text/ExtensionTable.h"

namespace varn::test {

using Bytes = std::vector<std::uint8_t>;

// An enabled extension table with no characters: the codec's plain behaviour.
const ExtensionTable& PlainExtensions();

// A sprite sheet drawn from a palette and tiles in which every byte differs from its
// neighbours, so that a misplaced or shifted copy is seen.
GifImage PatternSheet();

// The game text bytes of an encodable text (asserted), with the plain extension table.
Bytes GameBytes(std::string_view text);

// `count` copies of a text.
std::string Repeat(std::string_view text, int count);

// A code as two upper-case hexadecimal digits, as the item labels show it.
std::string TwoHexDigits(std::uint8_t code);

// A later meeting record of five pieces: Q1 = 51, Q2 = 6A 52 24, Q3 = 52 52 54 24,
// Q4 = 53 24 54, Q5 = 55 56.
inline const Bytes kRepeatTalk{0x01, 0x51, 0x03, 0x6A, 0x52, 0x24, 0x04, 0x52, 0x52,
                               0x54, 0x24, 0x03, 0x53, 0x24, 0x54, 0x02, 0x55, 0x56};

// Messages of the checks.
inline constexpr const char* kFillIn = "すべての項目を入力してください。";
inline constexpr const char* kTooLarge = "イベントの合計サイズが大きすぎます。";

// A form whose conversations hold one short piece each (the counts are the bytes each piece
// and its end take in the event script).
CharacterForm ShortConversations();

} // namespace varn::test
