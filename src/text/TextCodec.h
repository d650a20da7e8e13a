#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "text/ExtensionTable.h"

namespace varn {

// Conversion between user text (UTF-8) and the game's text bytes: 0x50-0xFF one
// character, 0x20-0x23 nn two-byte characters, 0x24 line break, 0x18 nn extension
// character; fixed fields are padded with 0x50 (the full-width space). Positions count
// characters (code points) from 1, after ToFullWidth.

inline constexpr std::uint8_t kPaddingByte = 0x50;
inline constexpr std::uint8_t kLineBreakByte = 0x24;
inline constexpr std::uint8_t kExtensionByte = 0x18;

struct DecodedText {
    std::string text; // empty on failure
    bool ok = false;
};

// Decodes a game text; a line break becomes "\r\n" and the full-width spaces at both ends
// (the padding of fixed fields) are removed. Fails, with an empty text, on an invalid byte,
// on a lead byte or 0x18 without the byte it needs, on 0x18 followed by a byte below 0x10,
// and on 0x18 while the extension table is not enabled. An extension code beyond the loaded
// table gives nothing. Never reads outside `bytes`.
DecodedText DecodeText(std::span<const std::uint8_t> bytes,
                       const ExtensionTable& extensions = ProcessExtensionTable());

// Encodes `text` into `field`, padding the rest with 0x50. Returns 0 when it fits, -1 when it
// does not, or the position of the first character that cannot be encoded: "□", "■", a
// character in neither table, or an extension character while the table is not enabled.
// On a non-zero result the field holds a partial encoding that must not be used.
int EncodeText(std::string_view text, std::span<std::uint8_t> field,
               const ExtensionTable& extensions = ProcessExtensionTable());

struct TextMeasure {
    int result = 0;    // 0, or the position of the first character that cannot be encoded
    int byteCount = 0; // bytes counted up to that point
};

// Counts the bytes EncodeText would need for `text` without a capacity.
TextMeasure MeasureText(std::string_view text,
                        const ExtensionTable& extensions = ProcessExtensionTable());

// Appends to `list` every extension character `text` uses that `list` does not hold yet.
// Looks at the table whether or not it is enabled.
void CollectExtensionChars(std::string_view text, std::string& list,
                           const ExtensionTable& extensions = ProcessExtensionTable());

// Replaces printable ASCII and half-width katakana by their full-width forms; a half-width
// letter followed by a half-width voiced or semi-voiced mark becomes the one voiced letter.
std::string ToFullWidth(std::string_view text);

// Removes the full-width spaces at both ends.
std::string TrimFullWidthSpaces(std::string_view text);

} // namespace varn
