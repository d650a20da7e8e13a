#include "text/Settings.h"

#include <charconv>
#include <system_error>

#include "rom/FileIo.h"
#include "text/IniFile.h"
#include "text/ExtensionTable.h"

namespace varn {

std::optional<int> ParseSettingInteger(std::string_view text)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

Settings LoadSettings(const std::filesystem::path& path, ExtensionTable& extensions)
{
    Settings settings;
    std::error_code error;
    if (std::filesystem::exists(path, error)) {
        // A file that exists but cannot be read keeps the defaults, and the extension loader
        // then turns extension characters off.
        const Result<IniFile> ini = IniFile::load(path, kMaxSettingsFileSize);
        if (!ini && ini.message() == kFileTooLargeMessage)
            settings.problem = ini.message() + "\n" + path.string();
        const auto read = [&](std::string_view key, int& setting) {
            if (const auto text = ini ? ini.value().value(kSettingsSection, key) : std::nullopt)
                setting = ParseSettingInteger(*text).value_or(setting);
        };
        read("StartupPage", settings.startupPage);
        read("ExtensionChar", settings.extensionChar);
        read("EquipmentCheck", settings.equipmentCheck);
        read("SmcHeaderCheck", settings.smcHeaderCheck);
        read("TmpTransparent", settings.tmpTransparent);
        read("AniTransparent", settings.aniTransparent);
        read("ImageBackup", settings.imageBackup);

        if (settings.startupPage >= kMainPageCount)
            settings.startupPage = 0;
        if (!LoadExtensionChars(path, extensions))
            settings.extensionChar = 0;
    }
    extensions.enabled = settings.extensionChar != 0;
    return settings;
}

std::filesystem::path FindSettingsFile(const std::filesystem::path& executableDir,
                                       const std::filesystem::path& userConfigDir)
{
    const std::filesystem::path besideProgram = executableDir / kSettingsFileName;
    std::error_code error;
    if (std::filesystem::exists(besideProgram, error) || userConfigDir.empty())
        return besideProgram;
    const std::filesystem::path userFile = userConfigDir / kSettingsFileName;
    return std::filesystem::exists(userFile, error) ? userFile : besideProgram;
}

} // namespace varn
