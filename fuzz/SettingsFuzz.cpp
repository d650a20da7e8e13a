// The settings file "Varnkit.ini" as the editor reads it at start-up: LoadSettings reads the
// integer keys and the extension character rows. The reader takes a path, so the input is
// written to one scratch file per process first.
//
// Properties: loading into an empty extension table gives exactly 15 rows of 16 characters,
// the start-up page is one the window has, the table is switched on exactly when
// ExtensionChar is not 0, and the INI reader agrees with the settings it gave.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "FuzzSupport.h"
#include "rom/IniFile.h"
#include "rom/Settings.h"
#include "text/Cp932.h"
#include "text/ExtensionTable.h"

namespace varn::fuzz {
namespace {

// A scratch file for this process, removed when it ends. It lies in memory (/dev/shm) where
// the system has that: emptying and rewriting a file on a disk file system for every input
// makes the file system flush it each time it is closed, which would take most of the run.
class ScratchFile {
public:
    ScratchFile()
    {
        std::error_code error;
        const std::filesystem::path folder = std::filesystem::is_directory("/dev/shm", error)
                                                 ? std::filesystem::path("/dev/shm")
                                                 : std::filesystem::temp_directory_path();
        std::string pattern = (folder / "varn-settings-fuzz-XXXXXX").string();
        descriptor_ = ::mkstemp(pattern.data());
        Require(descriptor_ >= 0, "a scratch file can be made");
        path_ = pattern;
    }
    ~ScratchFile()
    {
        ::close(descriptor_);
        ::unlink(path_.c_str());
    }

    const std::filesystem::path& write(std::string_view bytes)
    {
        Require(::ftruncate(descriptor_, 0) == 0, "the scratch file can be emptied");
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::pwrite(descriptor_, bytes.data() + done, bytes.size() - done,
                                       static_cast<off_t>(done));
            Require(n > 0, "the scratch file can be written");
            done += static_cast<std::size_t>(n);
        }
        return path_;
    }

private:
    int descriptor_ = -1;
    std::filesystem::path path_;
};

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
    return 0;
}
