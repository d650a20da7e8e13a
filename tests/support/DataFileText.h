#pragma once

#include <string>
#include <vector>

namespace varn::test {

// Texts of the data files for tests that load them from a folder, built from the copies
// compiled into the program.

// The built-in kanji order.
std::vector<char32_t> BuiltInKanji();

// A kanji file with one kanji a line, so that kanji i (from 0) sits on line i + 1.
std::string KanjiFileText(const std::vector<char32_t>& kanji);

// The entries of a complete item label file, one for every code of every list in list order
// ("weapon 00 武器00"), with `prefix` before each built-in name: entry k belongs on line k + 1.
std::vector<std::string> LabelEntries(const std::string& prefix = "");

// The entries as a file, one a line.
std::string LabelFileText(const std::vector<std::string>& entries);

} // namespace varn::test
