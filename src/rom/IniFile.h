#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varn {

// A read-only view of an INI file: "[section]" lines and "key=value" lines. Section and key
// names compare without regard to ASCII case; where a key appears twice in sections of the
// same name, the first one counts. Lines starting with ";" and lines without "=" are ignored, so
// other readers may keep their own lines in the same file.
class IniFile {
public:
    // Parses UTF-8 text.
    static IniFile parse(std::string_view text);

    // Reads and parses the file (CP932 or UTF-8); nullopt when it cannot be opened.
    static std::optional<IniFile> load(const std::filesystem::path& path);

    // The value of `key` in `section`, with blanks at both ends and one pair of enclosing
    // double quotes removed; nullopt when missing.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

private:
    struct Entry {
        std::string section;
        std::string key;
        std::string value;
    };
    std::vector<Entry> entries_;
};

} // namespace varn
