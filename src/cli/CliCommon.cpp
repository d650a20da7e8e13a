#include <filesystem>
#include <limits>
#include <system_error>

#include "cli/Cli.h"
#include "rom/HexText.h"
#include "rom/ImageHistory.h"
#include "rom/RomImageEdit.h"
#include "rom/RomStream.h"
#include "text/Settings.h"
#include "text/ExtensionTable.h"

namespace varn::cli {

std::string FileName(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

std::optional<int> ParseNumber(std::string_view text, int base, std::size_t maxDigits)
{
    const std::optional<std::uint32_t> value =
        base == 16 ? ParseHex(text, 1, maxDigits) : ParseDecimal(text, 1, maxDigits);
    if (!value || *value > static_cast<std::uint32_t>(std::numeric_limits<int>::max()))
        return std::nullopt;
    return static_cast<int>(*value);
}

std::string HexBytes(std::span<const std::uint8_t> bytes)
{
    std::string hex;
    for (std::uint8_t byte : bytes) {
        if (!hex.empty())
            hex += ' ';
        hex += HexDigits(byte, 2);
    }
    return hex;
}

ImageChangeOptions RecordedChange(bool backup, std::string what)
{
    ImageChangeOptions options;
    options.backup = backup;
    Record(options, std::move(what));
    return options;
}

void Record(ImageChangeOptions& options, std::string what)
{
    options.what = std::move(what);
    options.history = HistoryFolder();
}

std::optional<std::string> SplitBackupOption(Arguments arguments, std::vector<std::string>& operands,
                                             ImageChangeOptions& options)
{
    for (const std::string& argument : arguments) {
        if (argument == "--backup")
            options.backup = true;
        else if (argument.starts_with("--"))
            return "unknown option: " + argument;
        else
            operands.push_back(argument);
    }
    return std::nullopt;
}

std::optional<std::string> LoadIniExtensions(const std::optional<std::string>& ini,
                                             ExtensionTable& extensions)
{
    if (!ini)
        return std::nullopt;
    std::error_code error;
    if (!std::filesystem::is_regular_file(*ini, error))
        return std::string(kCannotOpenFileMessage) + "\n" + *ini;
    const Settings settings = LoadSettings(*ini, extensions);
    if (!settings.problem.empty())
        return settings.problem;
    return std::nullopt;
}

} // namespace varn::cli
