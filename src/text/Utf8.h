#pragma once

#include <string>
#include <string_view>

namespace varn {

// Texts travel through the core as UTF-8; the codec walks them one code point at a
// time, so these two conversions sit under every text operation.

// Decodes UTF-8 into code points. A byte that does not start a well-formed sequence
// becomes U+FFFD, so the result never depends on reading past the input.
std::u32string Utf8ToU32(std::string_view utf8);

// Encodes code points as UTF-8. Surrogates and values above U+10FFFF become U+FFFD.
std::string U32ToUtf8(std::u32string_view text);

// True when the bytes are well-formed UTF-8 (no overlongs, surrogates or values above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

} // namespace varn
