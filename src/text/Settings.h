#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace varn {

struct ExtensionTable;

// The settings file sits next to the executable; the section holds seven integer keys.
inline constexpr std::string_view kSettingsFileName = "Varnkit.ini";
inline constexpr std::string_view kSettingsSection = "Varnwork";

// The largest settings file read. Its own lines are the seven keys and the fifteen rows of
// extension characters, each row line at most 1 KiB (a longer line is no row), under 20 KiB
// together; other programs may keep sections of their own in the same file. 1 MiB is fifty
// times what the program's lines can take.
inline constexpr std::uintmax_t kMaxSettingsFileSize = std::uintmax_t{1} << 20;

// The number of pages of the main window; a start-up page at or above it opens page 0.
inline constexpr int kMainPageCount = 7;

// How strict the checks are, read once at start-up and never written.
struct Settings {
    // The main page shown at start.
    int startupPage = 0;
    // 0: the text codec ignores extension characters; non-zero: it uses them; exactly 1: a
    // character patch that uses any asks for confirmation first.
    int extensionChar = 1;
    // An armour combination that cannot be worn: 0 refuse, 1 warn and ask, other values pass.
    int equipmentCheck = 0;
    // An image that is not the expected revision: 0 refuse, 1 warn and go on, other values go on.
    int smcHeaderCheck = 1;
    // Exactly 1: a still sprite-sheet GIF gets colour index 0 marked transparent.
    int tmpTransparent = 0;
    // Exactly 1: every frame of an animated GIF gets colour index 0 marked transparent.
    int aniTransparent = 1;
    // Exactly 1: before each change the image as it was is kept as "<file name>.bak" beside it.
    int imageBackup = 0;

    // Why the settings file was not read, ready to show: "ファイルが大きすぎます。" and its path
    // when it is larger than kMaxSettingsFileSize. Empty when it was read, is missing or
    // cannot be read (which keeps the defaults without a word).
    std::string problem;
};

// The music write region and its bookkeeping inside the image.
struct MusicConstants {
    int firstMusicNumber = 0xB0;       // first music number the music slots allocate
    int lastMusicNumber = 0xFE;        // highest music number that may be allocated
    int musicAreaStart = 0x500004;     // where music is written while no pointer is stored
    int musicAreaEnd = 0x51FFFF;       // last file offset of the music write region
    int musicCounterOffset = 0x500000; // the stored next music number (one byte)
    int musicPointerOffset = 0x500001; // the stored next write address (three bytes)
};

// A setting's value: a decimal integer with an optional sign; nullopt for anything else.
std::optional<int> ParseSettingInteger(std::string_view text);

// Reads the settings file at `path`. Starts from the defaults; when the file exists, reads the
// seven keys of the section (a missing or non-integer value keeps its default), sends a
// start-up page at or above the page count to page 0, and loads the extension characters into
// `extensions`, turning extension characters off when they cannot be read. Finally tells the
// extension table whether the codec may use it. A file larger than kMaxSettingsFileSize is
// not read at all (the defaults, extension characters off) and is named in `problem`.
Settings LoadSettings(const std::filesystem::path& path, ExtensionTable& extensions);

// Where the settings are read from: "Varnkit.ini" next to the executable, else the one in the
// user's configuration folder, else (neither exists) the one next to the executable, so that
// the defaults apply.
std::filesystem::path FindSettingsFile(const std::filesystem::path& executableDir,
                                       const std::filesystem::path& userConfigDir);

} // namespace varn
