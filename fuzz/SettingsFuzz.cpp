// The settings file "Varnkit.ini" as the editor reads it at start-up: LoadSettings reads the
// integer keys and the extension character rows. The reader takes a path, so the input is
// written to one scratch file per process first.
//
// Properties: loading into an empty extension table gives exactly 15 rows of 16 characters,
// the start-up page is one the window has, the table is switched on exactly when
// ExtensionChar is not 0, a file below the settings file's bound is read without a problem,
// and the INI reader agrees with the settings it gave. The INI reader, which looks through
// the text on each question, answers as a reader that first lists every entry does, for the
// keys and sections the input names.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "text/IniFile.h"
#include "text/Settings.h"
#include "text/Cp932.h"
#include "text/ExtensionTable.h"

namespace varn::fuzz {
namespace {

std::string_view Trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string Lower(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return lower;
}

// The entries of an INI text, listed first: section, key and value of every "key=value" line.
struct Entry {
    std::string section;
    std::string key;
    std::string value;
};

std::vector<Entry> ListEntries(std::string_view text)
{
    std::vector<Entry> entries;
    std::string section;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = Trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            if (const std::size_t close = line.find(']'); close != std::string_view::npos)
                section = std::string(Trimmed(line.substr(1, close - 1)));
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        std::string_view value = Trimmed(line.substr(equals + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        entries.push_back(
            {section, std::string(Trimmed(line.substr(0, equals))), std::string(value)});
    }
    return entries;
}

std::optional<std::string> Lookup(const std::vector<Entry>& entries, std::string_view section,
                                  std::string_view key)
{
    for (const Entry& entry : entries) {
        if (Lower(entry.section) == Lower(section) && Lower(entry.key) == Lower(key))
            return entry.value;
    }
    return std::nullopt;
}

} // namespace
} // namespace varn::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    varn::fuzz::KeepCp932ConverterLoaded();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace varn;
    static fuzz::ScratchFile scratch;
    const std::filesystem::path& path = scratch.write(fuzz::Text(data, size));

    ExtensionTable extensions;
    const Settings settings = LoadSettings(path, extensions);
    fuzz::Require(extensions.chars.size() == ExtensionTable::kRows * ExtensionTable::kColumns,
                  "the extension table has 15 rows of 16 characters");
    fuzz::Require(settings.startupPage < kMainPageCount, "the start-up page is one the window has");
    fuzz::Require(extensions.enabled == (settings.extensionChar != 0),
                  "the extension table is on exactly when ExtensionChar is not 0");

    // The settings are the INI file's integers where it has them.
    const IniFile ini = IniFile::parse(DecodeTextFileBytes(fuzz::Text(data, size)));
    const std::optional<std::string> smc = ini.value(kSettingsSection, "SmcHeaderCheck");
    const std::optional<int> smcValue = smc ? ParseSettingInteger(*smc) : std::nullopt;
    fuzz::Require(settings.smcHeaderCheck == smcValue.value_or(Settings{}.smcHeaderCheck),
                  "SmcHeaderCheck is the file's integer or the default");
    fuzz::Require(settings.problem.empty() == (size <= kMaxSettingsFileSize),
                  "only a file above the bound is a problem");

    // The file read from its path is the text parsed.
    const Result<IniFile> loaded = IniFile::load(path);
    fuzz::Require(loaded.ok(), "a settings file below the bound is read");

    // Every section and key the text names, and the settings' own, are answered as a list
    // of the entries answers them.
    const std::string text = DecodeTextFileBytes(fuzz::Text(data, size));
    const std::vector<fuzz::Entry> entries = fuzz::ListEntries(text);
    std::vector<std::string> sections{std::string(kSettingsSection), ""};
    std::vector<std::string> keys{"SmcHeaderCheck", "StartupPage"};
    for (const fuzz::Entry& entry : entries) {
        sections.push_back(entry.section);
        keys.push_back(entry.key);
    }
    for (std::size_t s = 0; s < sections.size() && s < 8; ++s) {
        for (std::size_t k = 0; k < keys.size() && k < 8; ++k) {
            const auto expected = fuzz::Lookup(entries, sections[s], keys[k]);
            fuzz::Require(ini.value(sections[s], keys[k]) == expected,
                          "the INI reader answers as the list of its entries");
            fuzz::Require(loaded.value().value(sections[s], keys[k]) == expected,
                          "the INI file read from its path answers as its text");
        }
    }
    return 0;
}
