#include "CharpatchTestSupport.h"

#include <cstdio>

#include <gtest/gtest.h>

#include "text/TextCodec.h"

namespace varn::test {

const ExtensionTable& PlainExtensions()
{
    static const ExtensionTable table;
    return table;
}

GifImage PatternSheet()
{
    SheetPalette palette{};
    for (std::size_t i = 0; i < palette.size(); ++i) {
        palette[i] = static_cast<std::uint8_t>((i * 7 + 3) & 0x7F);
    }
    SheetTiles tiles{};
    for (std::size_t i = 0; i < tiles.size(); ++i) {
        tiles[i] = static_cast<std::uint8_t>(i * 37 + i / 251);
    }
    GifImage sheet;
    BuildSheetImage(palette, tiles, sheet);
    return sheet;
}

Bytes GameBytes(std::string_view text)
{
    const TextMeasure measure = MeasureText(text, PlainExtensions());
    EXPECT_EQ(measure.result, 0) << "not encodable: " << text;
    Bytes bytes(static_cast<std::size_t>(measure.byteCount));
    EXPECT_EQ(EncodeText(text, bytes, PlainExtensions()), 0) << text;
    return bytes;
}

std::string Repeat(std::string_view text, int count)
{
    std::string result;
    for (int i = 0; i < count; ++i) {
        result += text;
    }
    return result;
}

std::string TwoHexDigits(std::uint8_t code)
{
    char text[3];
    std::snprintf(text, sizeof text, "%02X", code);
    return text;
}

CharacterForm ShortConversations()
{
    CharacterForm form;
    form.firstLine = "あ";     // 1 + 1
    form.firstOk = "はい";     // 3 + 1
    form.firstNg = "いいえ";   // 4 + 1
    form.firstAfterOk = "う";  // 1 + 1, then the flag: 14
    form.secondOk = "はい";    // 3 + 1
    form.secondNg = "いいえ";  // 4 + 1
    form.joinLine = "え";      // 1 + 1, then the flag: 26
    form.refuseLine = "お";    // 1 + 1: 28
    form.repeatLine = "か";    // 1 + 1
    form.repeatOk = "はい";    // 3 + 1
    form.repeatNg = "いいえ";  // 4 + 1
    form.repeatAfterOk = "き"; // 1 + 1
    form.repeatAfterNg = "く"; // 1 + 1: 15
    return form;
}

} // namespace varn::test
