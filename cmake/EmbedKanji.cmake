# Turns the kanji data file into a header that holds its text as a UTF-8 string literal, so
# that the character table is built, and checked, when the program is compiled.
#
#   cmake -DKANJI_FILE=<data/kanji.txt> -DOUTPUT=<header> -P EmbedKanji.cmake
#
# The file is copied as it is; comments and whitespace are skipped by the code that reads it.

if(NOT KANJI_FILE OR NOT OUTPUT)
  message(FATAL_ERROR "EmbedKanji.cmake needs KANJI_FILE and OUTPUT")
endif()

file(READ "${KANJI_FILE}" kanji_text)
set(delimiter "varnkanji")
string(FIND "${kanji_text}" ")${delimiter}\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${KANJI_FILE} must not contain the text )${delimiter}\"")
endif()

set(content "// Generated from ${KANJI_FILE} by EmbedKanji.cmake; edit the data file instead.
#pragma once

#include <string_view>

namespace varn {

// The kanji data file as it was when the program was built.
inline constexpr std::u8string_view kKanjiFileText = u8R\"${delimiter}(${kanji_text})${delimiter}\";

} // namespace varn
")

file(WRITE "${OUTPUT}" "${content}")
