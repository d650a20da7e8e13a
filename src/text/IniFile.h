#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "rom/Result.h"
#include "text/Settings.h"

namespace varn {

// A read-only view of an INI file: "[section]" lines and "key=value" lines. Section and key
// names compare without regard to ASCII case; where a key appears twice in sections of the
// same name, the first one counts. Lines starting with ";" and lines without "=" are ignored, so
// other readers may keep their own lines in the same file.
//
// The text is kept as it is and looked through on each question, so that a file of many short
// lines takes no more memory than its text.
class IniFile {
public:
    // Parses UTF-8 text.
    static IniFile parse(std::string_view text);

    // Reads and parses the file (CP932 or UTF-8). Fails with "ファイルが開けません。" when it
    // cannot be read and with "ファイルが大きすぎます。" when it is larger than `maxSize` bytes,
    // told before it is read.
    static Result<IniFile> load(const std::filesystem::path& path,
                                std::uintmax_t maxSize = kMaxSettingsFileSize);

    // The value of `key` in `section`, with blanks at both ends and one pair of enclosing
    // double quotes removed; nullopt when missing.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

private:
    std::string text_;
};

} // namespace varn
