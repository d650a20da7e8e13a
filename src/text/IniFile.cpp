#include "text/IniFile.h"

#include <algorithm>

#include "text/TextFile.h"

namespace varn {

namespace {

std::string_view TrimBlanks(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

} // namespace

IniFile IniFile::parse(std::string_view text)
{
    IniFile ini;
    ini.text_ = std::string(text);
    return ini;
}

Result<IniFile> IniFile::load(const std::filesystem::path& path, std::uintmax_t maxSize)
{
    Result<std::string> text = ReadTextFile(path, maxSize);
    if (!text)
        return Failure{text.message()};
    IniFile ini;
    ini.text_ = std::move(text).value();
    return ini;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const
{
    std::string_view text = text_;
    std::string_view current;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = TrimBlanks(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            if (close != std::string_view::npos)
                current = TrimBlanks(line.substr(1, close - 1));
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || !EqualsIgnoringCase(current, section) ||
            !EqualsIgnoringCase(TrimBlanks(line.substr(0, equals)), key))
            continue;
        std::string_view value = TrimBlanks(line.substr(equals + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        return std::string(value);
    }
    return std::nullopt;
}

} // namespace varn
