#include "music/CommandTable.h"

#include "music/MusicTitle.h"

namespace varn {

static_assert(kCommandTables.size() == kMusicTitleCount);

std::optional<CommandTableEntry> CommandEntry(int title, std::uint8_t code)
{
    if (!IsMusicTitle(title))
        return std::nullopt;
    const std::uint8_t base = kMusicTitles[static_cast<std::size_t>(title)].baseCode;
    if (code < base)
        return std::nullopt;
    return kCommandTables[static_cast<std::size_t>(title)][code - base];
}

} // namespace varn
