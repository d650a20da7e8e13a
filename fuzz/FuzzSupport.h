#pragma once

#include <iconv.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

#include "text/ExtensionTable.h"

// What every fuzz target shares: the input as the core's types, and the check that turns a
// broken property into a crash libFuzzer reports (with the input that caused it).

namespace varn::fuzz {

// Stops the run when a property the code promises does not hold. The message goes to the
// fuzzer's log before the abort, so the report says which property broke.
inline void Require(bool holds, const char* property)
{
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", property);
        std::abort();
    }
}

inline std::span<const std::uint8_t> Bytes(const std::uint8_t* data, std::size_t size)
{
    return {data, size};
}

inline std::string_view Text(const std::uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

// The CP932 helpers open and close an iconv converter per call. Keeping one open for the
// process keeps glibc's converter module loaded, so that each call does not load it again: a
// start-up cost for the program, but most of the time of a fuzz run.
inline void KeepCp932ConverterLoaded()
{
    static const iconv_t converter = iconv_open("UTF-8", "CP932");
    (void)converter;
}

// An extension table as a settings file with two rows gives it: 32 characters the game's own
// table lacks (CJK Extension A, U+3400 on), then thirteen rows of "□", the mark of an
// undefined row. Every code 0x18 nn then names an entry.
inline ExtensionTable TwoRowExtensionTable()
{
    ExtensionTable table;
    for (char32_t c = 0x3400; c < 0x3420; ++c)
        table.chars.push_back(c);
    table.chars.resize(ExtensionTable::kRows * ExtensionTable::kColumns, U'□');
    return table;
}

} // namespace varn::fuzz
