#include "text/Utf8.h"

#include "text/Utf8Sequence.h"

namespace varn {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

} // namespace

std::u32string Utf8ToU32(std::string_view utf8)
{
    std::u32string result;
    result.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const detail::Utf8Sequence sequence = detail::ReadUtf8Sequence(utf8, pos);
        if (sequence.length == 0) {
            result.push_back(kReplacement);
            ++pos;
        } else {
            result.push_back(sequence.value);
            pos += sequence.length;
        }
    }
    return result;
}

std::string U32ToUtf8(std::u32string_view text)
{
    std::string result;
    result.reserve(text.size() * 3);
    for (char32_t c : text) {
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            c = kReplacement;
        }
        if (c < 0x80) {
            result.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            result.push_back(static_cast<char>(0xC0 | (c >> 6)));
            result.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            result.push_back(static_cast<char>(0xE0 | (c >> 12)));
            result.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            result.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            result.push_back(static_cast<char>(0xF0 | (c >> 18)));
            result.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            result.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            result.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return result;
}

bool IsValidUtf8(std::string_view bytes)
{
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::size_t length = detail::ReadUtf8Sequence(bytes, pos).length;
        if (length == 0) {
            return false;
        }
        pos += length;
    }
    return true;
}

} // namespace varn
