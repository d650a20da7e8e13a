// The game text codec: DecodeText on game text bytes (names, titles and conversations of
// character patches) and EncodeText, MeasureText and CollectExtensionChars on UTF-8 text
// (what the user types, what varnwork-cli text encode takes).
//
// The first byte of the input chooses the extension table: none loaded, two rows loaded, or
// two rows loaded but switched off (ExtensionChar=0). The rest is used both as game bytes and
// as text.
//
// Properties: a decoded text is UTF-8 without padding at its ends and encodes back to bytes
// that decode to it; a text that measures without a refusal encodes into exactly the measured
// number of bytes (and not into fewer), a refused one is refused at the same position by the
// encoder, and what it encodes to decodes to the text's full-width form, where only
// characters the game has no code for come back as the character written in their place.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "text/CharacterTable.h"
#include "text/ExtensionTable.h"
#include "text/TextCodec.h"
#include "text/Utf8.h"

namespace varn::fuzz {
namespace {

constexpr char32_t kFullWidthSpace = U'\u3000';

std::u32string TrimSpaces(std::u32string text)
{
    while (!text.empty() && text.front() == kFullWidthSpace)
        text.erase(text.begin());
    while (!text.empty() && text.back() == kFullWidthSpace)
        text.pop_back();
    return text;
}

// Decoded text with its line breaks as the single "\n" the encoder reads.
std::u32string WithoutCarriageReturns(std::u32string_view text)
{
    std::u32string result;
    for (const char32_t c : text) {
        if (c != U'\r')
            result.push_back(c);
    }
    return result;
}

bool HasCode(char32_t c, const ExtensionTable& extensions)
{
    return FindCharacter(c) >= 0 || (extensions.enabled && extensions.find(c) >= 0);
}

void CheckDecode(std::span<const std::uint8_t> bytes, const ExtensionTable& extensions)
{
    const DecodedText decoded = DecodeText(bytes, extensions);
    if (!decoded.ok) {
        Require(decoded.text.empty(), "a failed decoding gives no text");
        return;
    }
    Require(IsValidUtf8(decoded.text), "a decoded text is UTF-8");
    Require(TrimFullWidthSpaces(decoded.text) == decoded.text, "a decoded text is trimmed");

    const TextMeasure measure = MeasureText(decoded.text, extensions);
    if (measure.result != 0)
        return; // "□" and "■" decode but are refused by the encoder
    std::vector<std::uint8_t> field(static_cast<std::size_t>(measure.byteCount));
    Require(EncodeText(decoded.text, field, extensions) == 0, "a decoded text encodes again");
    const DecodedText again = DecodeText(field, extensions);
    Require(again.ok && again.text == decoded.text, "a decoded text survives encoding");
}

void CheckEncode(std::string_view text, const ExtensionTable& extensions)
{
    const TextMeasure measure = MeasureText(text, extensions);
    Require(measure.result >= 0 && measure.byteCount >= 0, "a measure is not negative");
    const auto needed = static_cast<std::size_t>(measure.byteCount);

    std::string used;
    CollectExtensionChars(text, used, extensions);
    for (const char32_t c : Utf8ToU32(used))
        Require(extensions.find(c) >= 0 && FindCharacter(c) < 0,
                "collected characters are extension characters");

    if (measure.result > 0) {
        std::vector<std::uint8_t> roomy(needed + 1);
        Require(EncodeText(text, roomy, extensions) == measure.result,
                "the encoder refuses where the measure refused");
        return;
    }
    if (needed > 0) {
        std::vector<std::uint8_t> tight(needed - 1);
        Require(EncodeText(text, tight, extensions) == -1, "fewer bytes than measured do not fit");
    }
    std::vector<std::uint8_t> field(needed);
    // The encoder counts a field as full before any character once its bytes are used up, so
    // a carriage return (which takes no byte) after the last byte does not fit; callers trim
    // trailing blanks first. Without them the text fits the measured bytes exactly.
    if (text.ends_with('\r')) {
        Require(EncodeText(text, field, extensions) == -1, "a full field takes no carriage return");
        while (text.ends_with('\r'))
            text.remove_suffix(1);
        Require(MeasureText(text, extensions).byteCount == measure.byteCount,
                "a carriage return takes no byte");
    }
    Require(EncodeText(text, field, extensions) == 0, "the measured bytes fit");

    const DecodedText decoded = DecodeText(field, extensions);
    Require(decoded.ok, "an encoded text decodes");
    const std::u32string expected =
        TrimSpaces(WithoutCarriageReturns(Utf8ToU32(ToFullWidth(text))));
    const std::u32string got = WithoutCarriageReturns(Utf8ToU32(decoded.text));
    Require(got.size() == expected.size(), "an encoded text decodes to as many characters");
    for (std::size_t i = 0; i < got.size(); ++i) {
        Require(got[i] == expected[i] ||
                    (!HasCode(expected[i], extensions) && HasCode(got[i], extensions)),
                "an encoded text decodes to itself but for characters written as others");
    }
}

} // namespace
} // namespace varn::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace varn;
    if (size == 0)
        return 0;
    static const ExtensionTable none{};
    static const ExtensionTable twoRows = fuzz::TwoRowExtensionTable();
    static const ExtensionTable switchedOff = [] {
        ExtensionTable table = fuzz::TwoRowExtensionTable();
        table.enabled = false;
        return table;
    }();
    const ExtensionTable* const tables[] = {&none, &twoRows, &switchedOff};
    const ExtensionTable& extensions = *tables[data[0] % 3];

    fuzz::CheckDecode(fuzz::Bytes(data + 1, size - 1), extensions);
    fuzz::CheckEncode(fuzz::Text(data + 1, size - 1), extensions);

    const std::string full = ToFullWidth(fuzz::Text(data + 1, size - 1));
    fuzz::Require(Utf8ToU32(full).size() <= Utf8ToU32(fuzz::Text(data + 1, size - 1)).size(),
                  "the full-width form has no more characters");
    return 0;
}
