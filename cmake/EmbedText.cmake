# Turns a UTF-8 data file into a header that holds its text as a string literal, so that the
# data is part of the program (and, for tables built at compile time, checked when it is
# compiled).
#
#   cmake -DINPUT=<data file> -DOUTPUT=<header> -DSYMBOL=<name> -P EmbedText.cmake
#
# The header declares `inline constexpr std::u8string_view <name>` in namespace varn. The file
# is copied as it is; comments and whitespace are left to the code that reads it.

if(NOT INPUT OR NOT OUTPUT OR NOT SYMBOL)
  message(FATAL_ERROR "EmbedText.cmake needs INPUT, OUTPUT and SYMBOL")
endif()

file(READ "${INPUT}" text)
set(delimiter "varnembed")
string(FIND "${text}" ")${delimiter}\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${INPUT} must not contain the text )${delimiter}\"")
endif()

get_filename_component(input_name "${INPUT}" NAME)
set(content "// Generated from ${input_name} by EmbedText.cmake; edit the data file instead.
#pragma once

#include <string_view>

namespace varn {

// The data file ${input_name} as it was when the program was built.
inline constexpr std::u8string_view ${SYMBOL} = u8R\"${delimiter}(${text})${delimiter}\";

} // namespace varn
")

file(WRITE "${OUTPUT}" "${content}")
