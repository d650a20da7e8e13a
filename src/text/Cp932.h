#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace varn {

// The files users share (settings, MML songs, patch lists, comments) are written in the
// Windows Japanese code page. These helpers convert between it and the core's UTF-8.

// Converts CP932 bytes to UTF-8; nullopt when the bytes are not valid CP932.
std::optional<std::string> Cp932ToUtf8(std::string_view bytes);

// Converts CP932 bytes to UTF-8, turning every byte that does not form a character into U+FFFD.
std::string Cp932ToUtf8Lenient(std::string_view bytes);

// Converts UTF-8 to CP932; nullopt when some character has no CP932 form or the text is not
// UTF-8. A few look-alikes are taken one way: the wave dash U+301C becomes the code of "～"
// and the em dash U+2014 that of "―".
std::optional<std::string> Utf8ToCp932(std::string_view utf8);

// Counts the bytes a UTF-8 text takes in CP932, for byte limits on user text; nullopt when
// some character has no CP932 form.
std::optional<std::size_t> Cp932ByteCount(std::string_view utf8);

// Whether the bytes of a text file without a byte-order mark are UTF-8 rather than CP932: they
// must be valid UTF-8, and that reading must be the plausible one. CP932 text forms valid
// UTF-8 only by chance, out of pairs of half-width katakana, and those read as two-byte
// characters; so a text with any character of three or four bytes is UTF-8. A text whose
// characters beyond ASCII are all of two bytes is UTF-8 only when each run of them reads as
// writing does: a sign such as "©" or "°" standing alone, accented Latin letters inside or at
// the edge of a Latin word ("café"), or letters of one other alphabet (Greek, Cyrillic,
// Hebrew, Arabic), at least three of them in the text (a word, or a row of single letters as
// the extension characters are written). Anything else ("ﾃｽ" as a name of its own, which would
// read as "ý") is CP932.
bool ReadsAsUtf8(std::string_view bytes);

// The bytes a UTF-8 text takes in CP932 as the user types it, a character without a CP932 form
// counted as two (as a typing limit in bytes must count something for it).
std::size_t Cp932TypedLength(std::string_view utf8);

// Turns the bytes of a text file into UTF-8: a UTF-8 byte-order mark is dropped and the rest
// read as UTF-8; bytes that ReadsAsUtf8 takes for UTF-8 are taken as they are; anything else is
// read as CP932 (leniently).
std::string DecodeTextFileBytes(std::string_view bytes);

// The encoding a text file is written in: CP932 when DecodeTextFileBytes reads the text back
// unchanged from it, otherwise UTF-8 with a byte-order mark so that nothing is lost.
std::string EncodeTextFileBytes(std::string_view utf8);

} // namespace varn
