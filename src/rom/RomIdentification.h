#pragma once

#include <filesystem>
#include <string>

#include "rom/RomHeader.h"

namespace varn {

inline constexpr const char* kNotTargetImageMessage =
    "Varnhold Epics3 Ver1.1のsmcファイルではありません。";

// What opening an image comes to, under the SmcHeaderCheck setting.
enum class RomVerdict {
    CannotOpen, // the file cannot be opened: nothing is shown in the strip
    Refused,    // not the expected image and the setting refuses it
    Warned,     // not the expected image; the user is warned and it is opened
    Accepted,   // opened without a message
};

struct RomIdentification {
    RomVerdict verdict = RomVerdict::CannotOpen;
    RomHeaderInfo header;

    // The texts of the header strip's title, version and copier-header fields.
    std::string titleText;
    std::string versionText;
    std::string headerText;

    // The image is the expected game at the expected version byte (copier header or not):
    // the enemy, spark and character graphics pages load from it.
    bool loadsEditorPages = false;
    // The image is one of the two games whose skill graphics the skill page shows.
    bool loadsSkillGraphics = false;

    // Whether the image is opened (accepted or warned about).
    bool opened() const { return verdict == RomVerdict::Accepted || verdict == RomVerdict::Warned; }
    // The message to show: "ファイルが開けません。" or the not-the-expected-image text; empty when
    // accepted.
    std::string message() const;
};

// True for the image this editor is for: the expected title and version byte, no copier header.
bool IsExpectedImage(const RomHeaderInfo& header);

// Identifies the image at `path` and decides, by `smcHeaderCheck` (0 refuse, 1 warn, other
// values go on silently), whether it is opened.
RomIdentification IdentifyRomImage(const std::filesystem::path& path, int smcHeaderCheck);

} // namespace varn
