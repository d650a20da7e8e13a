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

// Turns the bytes of a text file into UTF-8: a UTF-8 byte-order mark is dropped and the rest
// read as UTF-8; bytes that are valid UTF-8 as a whole are taken as UTF-8; anything else is
// read as CP932 (leniently).
std::string DecodeTextFileBytes(std::string_view bytes);

// The encoding a text file is written in: CP932 when DecodeTextFileBytes reads the text back
// unchanged from it, otherwise UTF-8 with a byte-order mark so that nothing is lost.
std::string EncodeTextFileBytes(std::string_view utf8);

} // namespace varn
