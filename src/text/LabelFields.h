#pragma once

#include <string_view>

namespace varn {

// The fields of a line in the label files of data/ ("一覧 コード 名前"): they are separated by
// ASCII spaces, tabs and the full-width space an input method types; a CR left from a CR LF
// line end counts as space too.

// `text` without the spaces at both ends.
std::string_view TrimLabelText(std::string_view text);

// Splits off the first word of `text` (which starts trimmed) and trims what is left.
std::string_view NextLabelWord(std::string_view& text);

} // namespace varn
