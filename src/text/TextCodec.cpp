#include "text/TextCodec.h"

#include <algorithm>
#include <array>

#include "text/CharacterTable.h"
#include "text/Utf8.h"

namespace varn {

namespace {

constexpr int kLastSingleByteIndex = 174; // 0xFE; the encoder never writes 0xFF
constexpr std::uint8_t kSingleByteBase = 0x50;
constexpr std::uint8_t kFirstLeadByte = 0x20;
constexpr std::uint8_t kLastLeadByte = 0x23;
constexpr std::uint8_t kExtensionBase = 0x10;
// 0x18 nn reaches extension indices 0 to 0xEF.
constexpr int kExtensionIndexLimit = 0x100 - kExtensionBase;

// Characters the table holds only in another form; they are written as that form.
struct Substitution {
    char32_t from;
    char32_t to;
};

constexpr Substitution kSubstitutions[] = {
    {U'ー', U'一'},
    {U'へ', U'ヘ'},
    {U'べ', U'ベ'},
    {U'ぺ', U'ペ'},
    {U'…', U'‥'},
    // Input methods on Linux type the wave dash where Windows types the full-width tilde.
    {U'〜', U'～'},
};

// The text as the encoder walks it: full width, with the substitutions made. Both steps
// keep one character for one, so positions in it are positions in ToFullWidth's result.
std::u32string PrepareForEncoding(std::string_view text)
{
    std::u32string chars = Utf8ToU32(ToFullWidth(text));
    for (char32_t& c : chars) {
        for (const Substitution& substitution : kSubstitutions) {
            if (c == substitution.from) {
                c = substitution.to;
                break;
            }
        }
    }
    return chars;
}

// Index of c in the extension table when the codec may write it, else -1.
int EncodableExtensionIndex(char32_t c, const ExtensionTable& extensions)
{
    if (!extensions.enabled) {
        return -1;
    }
    const int index = extensions.find(c);
    return index < kExtensionIndexLimit ? index : -1;
}

// The game code of one prepared character: 0 bytes for a skipped carriage return, or
// refused (a character the game cannot show).
struct GameCode {
    bool refused = false;
    int length = 0;
    std::array<std::uint8_t, 2> bytes{};
};

GameCode CodeOf(char32_t c, const ExtensionTable& extensions)
{
    // "□" stands for an undefined character and "■" for a missing one; neither is text.
    if (c == U'□' || c == U'■') {
        return {.refused = true};
    }
    if (c == U'\n') {
        return {.length = 1, .bytes = {kLineBreakByte, 0}};
    }
    if (c == U'\r') {
        return {};
    }
    if (const int index = FindCharacter(c); index >= 0) {
        if (index <= kLastSingleByteIndex) {
            return {.length = 1, .bytes = {static_cast<std::uint8_t>(kSingleByteBase + index), 0}};
        }
        return {.length = 2,
                .bytes = {static_cast<std::uint8_t>(kFirstLeadByte + (index >> 8)),
                          static_cast<std::uint8_t>(index & 0xFF)}};
    }
    if (const int index = EncodableExtensionIndex(c, extensions); index >= 0) {
        return {.length = 2,
                .bytes = {kExtensionByte, static_cast<std::uint8_t>(kExtensionBase + index)}};
    }
    return {.refused = true};
}

} // namespace

DecodedText DecodeText(std::span<const std::uint8_t> bytes, const ExtensionTable& extensions)
{
    const CharacterTableArray& table = CharacterTable();
    std::u32string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::uint8_t byte = bytes[i];
        if (byte >= kSingleByteBase) {
            text.push_back(table[byte - kSingleByteBase]);
        } else if (byte >= kFirstLeadByte && byte <= kLastLeadByte) {
            if (i + 1 == bytes.size()) {
                return {};
            }
            text.push_back(table[(byte - kFirstLeadByte) * 256 + bytes[++i]]);
        } else if (byte == kLineBreakByte) {
            text += U"\r\n";
        } else if (byte == kExtensionByte) {
            if (!extensions.enabled || i + 1 == bytes.size() || bytes[i + 1] < kExtensionBase) {
                return {};
            }
            const std::size_t index = bytes[++i] - kExtensionBase;
            if (index < extensions.chars.size()) {
                text.push_back(extensions.chars[index]);
            }
        } else {
            return {};
        }
    }
    return {TrimFullWidthSpaces(U32ToUtf8(text)), true};
}

int EncodeText(std::string_view text, std::span<std::uint8_t> field,
               const ExtensionTable& extensions)
{
    const std::u32string chars = PrepareForEncoding(text);
    std::size_t p = 0;
    for (std::size_t j = 0; j < chars.size(); ++j) {
        if (p == field.size()) {
            return -1;
        }
        const GameCode code = CodeOf(chars[j], extensions);
        if (code.refused) {
            return static_cast<int>(j + 1);
        }
        for (int k = 0; k < code.length; ++k) {
            // A two-byte code that only half fits does not fit.
            if (p == field.size()) {
                return -1;
            }
            field[p++] = code.bytes[static_cast<std::size_t>(k)];
        }
    }
    std::fill(field.begin() + static_cast<std::ptrdiff_t>(p), field.end(), kPaddingByte);
    return 0;
}

TextMeasure MeasureText(std::string_view text, const ExtensionTable& extensions)
{
    const std::u32string chars = PrepareForEncoding(text);
    TextMeasure measure;
    for (std::size_t j = 0; j < chars.size(); ++j) {
        const GameCode code = CodeOf(chars[j], extensions);
        if (code.refused) {
            measure.result = static_cast<int>(j + 1);
            return measure;
        }
        measure.byteCount += code.length;
    }
    return measure;
}

void CollectExtensionChars(std::string_view text, std::string& list,
                           const ExtensionTable& extensions)
{
    std::u32string known = Utf8ToU32(list);
    for (const char32_t c : PrepareForEncoding(text)) {
        if (c == U'\n' || c == U'\r' || FindCharacter(c) >= 0 || extensions.find(c) < 0 ||
            known.find(c) != std::u32string::npos) {
            continue;
        }
        known.push_back(c);
        list += U32ToUtf8(std::u32string_view(&c, 1));
    }
}

} // namespace varn
