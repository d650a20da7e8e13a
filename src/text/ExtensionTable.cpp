#include "text/ExtensionTable.h"

#include <array>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

#include "rom/FileIo.h"
#include "rom/HexText.h"
#include "text/Settings.h"

#include "text/Cp932.h"
#include "text/Utf8.h"

namespace varn {

namespace {

constexpr char32_t kUndefinedChar = U'□';
// Lines longer than this (in the file's own bytes) are not settings lines; they are skipped.
constexpr std::size_t kMaxLineBytes = 1024;

bool IsBlank(char32_t c)
{
    return c >= 1 && c <= U' ';
}

// A row line begins with its key: two hex digits 10, 20 ... F0.
bool IsRowLine(std::u32string_view line)
{
    const unsigned key = ParseHex(line.substr(0, 2)).value_or(0);
    return key >= 0x10 && key <= 0xF0 && key % 0x10 == 0;
}

// Splits a settings line into comma-separated fields. Blanks (control characters and the
// space) before a field and around a comma are skipped, and a blank also ends an unquoted
// field, so "a b" gives two fields. A field in double quotes may hold commas and blanks,
// with "" standing for one quote. Two commas in a row give an empty field, and so does a
// comma at the very end of the line. A NUL ends the line.
std::vector<std::u32string> SplitFields(std::u32string_view line)
{
    if (const std::size_t nul = line.find(U'\0'); nul != std::u32string_view::npos) {
        line = line.substr(0, nul);
    }
    std::vector<std::u32string> fields;
    std::size_t p = 0;
    const auto skipBlanks = [&] {
        while (p < line.size() && IsBlank(line[p])) {
            ++p;
        }
    };

    skipBlanks();
    while (p < line.size()) {
        std::u32string field;
        if (line[p] == U'"') {
            ++p;
            while (p < line.size()) {
                if (line[p] == U'"') {
                    ++p;
                    if (p < line.size() && line[p] == U'"') {
                        field.push_back(U'"');
                        ++p;
                        continue;
                    }
                    break;
                }
                field.push_back(line[p]);
                ++p;
            }
        } else {
            while (p < line.size() && line[p] > U' ' && line[p] != U',') {
                field.push_back(line[p]);
                ++p;
            }
        }
        fields.push_back(std::move(field));

        skipBlanks();
        if (p < line.size() && line[p] == U',') {
            ++p;
            if (p == line.size()) {
                fields.emplace_back();
            }
            skipBlanks();
        }
    }
    return fields;
}

// Calls `take` with each line of a text file, split at CR, LF or CR LF and still in the
// file's own bytes, so that a line's length can be judged before it is decoded.
template <class Take> void ForEachLine(std::string_view bytes, Take take)
{
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            take(bytes.substr(start));
            break;
        }
        take(bytes.substr(start, end - start));
        start = end + 1;
        if (bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n') {
            ++start;
        }
    }
}

} // namespace

int ExtensionTable::find(char32_t c) const
{
    const std::size_t index = chars.find(c);
    return index == std::u32string::npos ? -1 : static_cast<int>(index);
}

ExtensionTable& ProcessExtensionTable()
{
    static ExtensionTable table;
    return table;
}

// The settings file is read as plain text, ignoring its sections: a line whose first two
// characters are one of the keys 10, 20 ... F0 defines a row, "key,c0,c1,...,cF". The key
// field's value / 16 - 1 is the row; a key field that is longer than two digits, such as
// 100, is not a row and the line is ignored. The first line that gives a row any character
// keeps it. Each row is cut or padded with "□" to sixteen characters so that every code
// stays in its row and column.
bool LoadExtensionChars(const std::filesystem::path& path, ExtensionTable& table)
{
    const auto fileBytes = ReadBoundedFile(path, kMaxSettingsFileSize);
    if (!fileBytes) {
        return false;
    }

    // The whole file is in one encoding: UTF-8 (with or without a byte-order mark) or CP932.
    std::string_view bytes(reinterpret_cast<const char*>(fileBytes.value().data()),
                           fileBytes.value().size());
    bool utf8 = true;
    constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
    if (bytes.starts_with(kUtf8Bom)) {
        bytes.remove_prefix(kUtf8Bom.size());
    } else {
        utf8 = ReadsAsUtf8(bytes);
    }

    std::array<std::u32string, ExtensionTable::kRows> rows;
    ForEachLine(bytes, [&](std::string_view lineBytes) {
        if (lineBytes.size() > kMaxLineBytes) {
            return;
        }
        const std::u32string line =
            utf8 ? Utf8ToU32(lineBytes) : Utf8ToU32(Cp932ToUtf8Lenient(lineBytes));
        if (!IsRowLine(line)) {
            return;
        }
        const std::vector<std::u32string> fields = SplitFields(line);
        if (fields.empty()) {
            return;
        }
        const std::optional<std::uint32_t> key = ParseHex(fields.front());
        if (!key || *key / 16 < 1 || *key / 16 > ExtensionTable::kRows) {
            return;
        }
        std::u32string& row = rows[*key / 16 - 1];
        if (!row.empty()) {
            return;
        }
        for (std::size_t i = 1; i < fields.size() && i <= ExtensionTable::kColumns; ++i) {
            row += fields[i];
        }
    });

    for (std::u32string& row : rows) {
        row.resize(ExtensionTable::kColumns, kUndefinedChar);
        table.chars += row;
    }
    return true;
}

} // namespace varn
