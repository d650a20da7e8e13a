#pragma once

#include <filesystem>
#include <string>

namespace varn {

// User-defined extension characters: up to 15 rows of 16 characters, defined in the
// settings file and written in game text as 0x18 followed by 0x10 + the index. Rows the
// settings file does not define hold sixteen "□".
struct ExtensionTable {
    static constexpr int kRows = 15;
    static constexpr int kColumns = 16;

    // The loaded characters in index order; empty until loaded.
    std::u32string chars;

    // Whether the codec consults the table at all (the ExtensionChar setting is non-zero).
    bool enabled = true;

    // Index of the first entry equal to c, or -1.
    int find(char32_t c) const;
};

// The one table of the process, loaded at start-up.
ExtensionTable& ProcessExtensionTable();

// Reads the extension rows of the settings file at `path` into `table` (appending 15 rows).
// The file may be CP932 or UTF-8, with or without a byte-order mark. Returns false, leaving
// the table untouched, only when the file cannot be opened.
bool LoadExtensionChars(const std::filesystem::path& path, ExtensionTable& table);

} // namespace varn
