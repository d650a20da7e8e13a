#include "rom/RomIdentification.h"

#include "rom/RomStream.h"

namespace varn {

bool IsExpectedImage(const RomHeaderInfo& header)
{
    return header.title == kTargetTitle && !header.copierHeader && header.version == kTargetVersion;
}

std::string RomIdentification::message() const
{
    switch (verdict) {
    case RomVerdict::CannotOpen:
        return kCannotOpenFileMessage;
    case RomVerdict::Refused:
    case RomVerdict::Warned:
        return kNotTargetImageMessage;
    case RomVerdict::Accepted:
        break;
    }
    return {};
}

RomIdentification IdentifyRomImage(const std::filesystem::path& path, int smcHeaderCheck)
{
    RomIdentification result;
    auto stream = FileRomStream::open(path);
    if (!stream)
        return result;

    result.header = ProbeRomHeader(*stream.value());
    if (IsExpectedImage(result.header))
        result.verdict = RomVerdict::Accepted;
    else if (smcHeaderCheck == 0)
        result.verdict = RomVerdict::Refused;
    else if (smcHeaderCheck == 1)
        result.verdict = RomVerdict::Warned;
    else
        result.verdict = RomVerdict::Accepted;
    if (!result.opened())
        return result;

    const RomHeaderInfo& header = result.header;
    result.titleText = header.title;
    result.versionText = RomVersionText(header);
    result.headerText = RomCopierHeaderText(header);
    result.loadsEditorPages = header.title == kTargetTitle && header.version == kTargetVersion;
    result.loadsSkillGraphics = header.title == kTargetTitle || header.title == kPredecessorTitle;
    return result;
}

} // namespace varn
