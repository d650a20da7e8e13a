#include "text/TextCodec.h"

#include "text/Utf8.h"

namespace varn {

namespace {

constexpr char32_t kFullWidthSpace = U'\u3000';
constexpr char32_t kHalfWidthVoicedMark = U'\uFF9E';
constexpr char32_t kHalfWidthSemiVoicedMark = U'\uFF9F';

// Full-width forms of the half-width katakana block U+FF61 to U+FF9F, in code order.
constexpr std::u32string_view kHalfWidthKatakanaForms =
    U"。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホ"
    U"マミムメモヤユヨラリルレロワン゛゜";
static_assert(kHalfWidthKatakanaForms.size() == 0xFF9F - 0xFF61 + 1);

bool IsHalfWidthKatakana(char32_t c)
{
    return c >= 0xFF61 && c <= 0xFF9F;
}

// The voiced (or semi-voiced) letter of a half-width letter, or 0 when it has none. The
// full-width voiced letters follow their plain letters: ガ = カ + 1, パ = ハ + 2.
char32_t CombineMark(char32_t halfWidthLetter, char32_t mark)
{
    const char32_t full = kHalfWidthKatakanaForms[halfWidthLetter - 0xFF61];
    const bool kaToTo = halfWidthLetter >= U'ｶ' && halfWidthLetter <= U'ﾄ';
    const bool haToHo = halfWidthLetter >= U'ﾊ' && halfWidthLetter <= U'ﾎ';
    if (mark == kHalfWidthVoicedMark) {
        if (halfWidthLetter == U'ｳ') {
            return U'ヴ';
        }
        if (kaToTo || haToHo) {
            return full + 1;
        }
    } else if (mark == kHalfWidthSemiVoicedMark && haToHo) {
        return full + 2;
    }
    return 0;
}

} // namespace

std::string ToFullWidth(std::string_view text)
{
    const std::u32string chars = Utf8ToU32(text);
    std::u32string result;
    result.reserve(chars.size());
    for (std::size_t i = 0; i < chars.size(); ++i) {
        const char32_t c = chars[i];
        if (c == U' ') {
            result.push_back(kFullWidthSpace);
        } else if (c >= 0x21 && c <= 0x7E) {
            result.push_back(c - 0x21 + 0xFF01);
        } else if (IsHalfWidthKatakana(c)) {
            const char32_t combined = i + 1 < chars.size() ? CombineMark(c, chars[i + 1]) : 0;
            if (combined != 0) {
                result.push_back(combined);
                ++i;
            } else {
                result.push_back(kHalfWidthKatakanaForms[c - 0xFF61]);
            }
        } else {
            result.push_back(c);
        }
    }
    return U32ToUtf8(result);
}

std::string TrimFullWidthSpaces(std::string_view text)
{
    // U+3000 is three bytes that never occur inside another character's UTF-8 form, so the
    // ends can be trimmed by bytes.
    constexpr std::string_view kSpace = "\u3000";
    while (text.starts_with(kSpace)) {
        text.remove_prefix(kSpace.size());
    }
    while (text.ends_with(kSpace)) {
        text.remove_suffix(kSpace.size());
    }
    return std::string(text);
}

} // namespace varn
