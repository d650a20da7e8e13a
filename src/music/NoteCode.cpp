#include "music/NoteCode.h"

#include "music/MusicTitle.h"

namespace varn {

namespace {

constexpr std::array<std::string_view, kPitchCount> kPitchNames{
    "c", "c+", "d", "d+", "e", "f", "f+", "g", "g+", "a", "a+", "b", "^", "r"};
constexpr std::array<std::string_view, kPitchCount> kRestFirstPitchNames{
    "c", "c+", "d", "d+", "e", "f", "f+", "g", "g+", "a", "a+", "b", "r", "^"};

} // namespace

int NoteLengthCount(int title)
{
    if (!IsMusicTitle(title))
        return kTargetLengthCount;
    return kMusicTitles[static_cast<std::size_t>(title)].baseCode / kPitchCount;
}

std::optional<SplitNote> SplitNoteCode(int title, std::uint8_t code)
{
    if (!IsMusicTitle(title) || code >= kMusicTitles[static_cast<std::size_t>(title)].baseCode)
        return std::nullopt;
    const int lengths = NoteLengthCount(title);
    return SplitNote{code / lengths, code % lengths};
}

std::string_view PitchName(int title, int pitch)
{
    if (pitch < 0 || pitch >= kPitchCount)
        return {};
    const bool restBeforeTie =
        IsMusicTitle(title) && kMusicTitles[static_cast<std::size_t>(title)].restBeforeTie;
    return (restBeforeTie ? kRestFirstPitchNames : kPitchNames)[static_cast<std::size_t>(pitch)];
}

} // namespace varn
