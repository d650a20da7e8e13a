#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "charpatch/PatchValidation.h"
#include "graphics/GifImage.h"
#include "graphics/SpriteSheet.h"
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

} // namespace varn::test
