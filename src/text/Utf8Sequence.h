#pragma once

#include <cstddef>
#include <string_view>

namespace varn::detail {

// One well-formed UTF-8 sequence: its length in bytes (0 when the bytes at the position do
// not start one) and the code point it encodes.
struct Utf8Sequence {
    std::size_t length = 0;
    char32_t value = 0;
};

// Reads the sequence that starts at `pos` (< bytes.size()). Overlong forms, surrogates and
// values above U+10FFFF are not well-formed; only bytes inside `bytes` are looked at. Usable
// at compile time, so that data embedded in the program can be checked while it is built.
template <typename CharT>
constexpr Utf8Sequence ReadUtf8Sequence(std::basic_string_view<CharT> bytes, std::size_t pos)
{
    const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byteAt(pos);
    if (lead < 0x80) {
        return {1, lead};
    }

    std::size_t length = 0;
    char32_t value = 0;
    // The second byte's range is what excludes overlongs, surrogates and too large values.
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        if (lead == 0xE0) {
            low = 0xA0;
        } else if (lead == 0xED) {
            high = 0x9F;
        }
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        if (lead == 0xF0) {
            low = 0x90;
        } else if (lead == 0xF4) {
            high = 0x8F;
        }
    } else {
        return {};
    }

    if (bytes.size() - pos < length) {
        return {};
    }
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char next = byteAt(pos + i);
        if (next < low || next > high) {
            return {};
        }
        low = 0x80;
        high = 0xBF;
        value = (value << 6) | (next & 0x3F);
    }
    return {length, value};
}

} // namespace varn::detail
