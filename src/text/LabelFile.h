#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varn {

// One list of a label file of data/ (item_labels.txt, enemy_labels.txt, music_labels.txt): its
// keyword, the codes it names in the order the file gives them, how many hexadecimal digits a
// code is written with, and whether a group word comes between the code and the name (the
// monsters of the music labels).
struct LabelList {
    std::string_view keyword;
    std::vector<int> codes;
    int digits = 2;
    bool hasGroup = false;
};

// The rules of one label file: its lists, in the order the file gives them, and how its
// messages name a wrong line.
struct LabelFileRules {
    std::vector<LabelList> lists;
    // A line of the wrong shape is named in its list's own shape ("map コード 名前"), so the
    // keyword is read before the shape is checked; otherwise in the common shape
    // ("一覧 コード 名前"), checked first.
    bool shapePerList = false;
    // A code outside its list names the list's range ("（00 から 3F までです）").
    bool codeNamesRange = false;
};

struct LabelEntry {
    std::string group; // empty for a list without groups
    std::string name;
};

// What a label file names: for each list of the rules (same order), each code's entry; and
// the first problem, "<line>行目: …", empty when there is none. Reading goes on past a problem
// (the line is skipped and the first entry for a code wins), so that a damaged built-in copy
// still names what it can.
struct LabelFileReading {
    std::vector<std::map<int, LabelEntry>> lists;
    std::string problem;
};

// Reads a label file in UTF-8 (a BOM in front is skipped): one entry a line, "#" lines and
// blank lines passed over, fields separated as TrimLabelText and NextLabelWord do. A problem
// is a line with bytes that were not UTF-8 (U+FFFD), of the wrong shape, with an unknown list,
// a code of the wrong digits or outside its list, a code named twice, or a code no line names.
LabelFileReading ReadLabelFile(std::string_view utf8, const LabelFileRules& rules);

// Names by list keyword and code, for the label files whose codes are bytes written with two
// digits and whose lines have no group (item_labels.txt, enemy_labels.txt).
using CodedLabelNames = std::map<std::pair<std::string, std::uint8_t>, std::string>;

struct CodedLabelReading {
    CodedLabelNames names;
    std::string problem; // as LabelFileReading's
};

// ReadLabelFile for such a file: the lists `keywords`, in this order, each naming the codes
// `codesOf` gives for its keyword; lines of the wrong shape named in the common shape.
CodedLabelReading ReadCodedLabelFile(std::string_view utf8,
                                     std::span<const std::string_view> keywords,
                                     std::vector<std::uint8_t> (*codesOf)(std::string_view));

// The list keywords of `rules` separated by spaces ("map monster theme").
std::string LabelListKeywords(const LabelFileRules& rules);

} // namespace varn
