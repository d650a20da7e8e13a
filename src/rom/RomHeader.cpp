#include "rom/RomHeader.h"

#include <algorithm>

#include "rom/RomStream.h"

namespace varn {

namespace {

// Two titles are stored in half-width katakana, as single bytes of the Japanese code page.
constexpr std::string_view kIronVanguardKana = "\xB1\xB2\xB1\xDD\xB6\xDE\xB0\xC4\xDE"; // ｱｲｱﾝｶﾞｰﾄﾞ
constexpr std::string_view kObliqueSleepersKana =
    "\xB5\xCC\xDE\xD8\xB0\xB8\xA5\xBD\xD8\xB0\xCA\xDF\xBD\xDE"; // ｵﾌﾞﾘｰｸ･ｽﾘｰﾊﾟｽﾞ

// Spaces, control characters and DEL pad a title; none of them is part of it.
bool IsBlankByte(char c)
{
    return static_cast<unsigned char>(c) <= 0x20 || static_cast<unsigned char>(c) == 0x7F;
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsBlankByte(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlankByte(text.back()))
        text.remove_suffix(1);
    return text;
}

struct ProbeReading {
    std::string title;
    std::optional<int> version;
};

ProbeReading ReadProbe(RomStream& stream, const RomHeaderProbe& probe)
{
    const auto version = stream.readByte(probe.titleOffset + kRomVersionDistance);
    const auto title = stream.readBytes(probe.titleOffset, kRomTitleLength);
    if (!version || !title)
        return {};
    const std::string_view bytes(reinterpret_cast<const char*>(title->data()), title->size());
    return {RomTitleFromBytes(bytes, probe.highMapped), static_cast<std::int8_t>(*version)};
}

bool MatchesProbe(const ProbeReading& reading, const RomHeaderProbe& probe)
{
    return probe.highMapped ? IsHighMappedTitle(reading.title) : reading.title == kLowMappedTitle;
}

} // namespace

bool IsHighMappedTitle(std::string_view title)
{
    return std::find(kHighMappedTitles.begin(), kHighMappedTitles.end(), title) !=
           kHighMappedTitles.end();
}

std::string RomTitleFromBytes(std::string_view bytes, bool highMapped)
{
    bytes = bytes.substr(0, std::min(bytes.size(), kRomTitleLength));
    bytes = bytes.substr(0, bytes.find('\0'));
    const std::string_view title = Trim(bytes);
    if (highMapped) {
        if (title == kIronVanguardKana)
            return "IRON VANGUARD";
        if (Trim(title.substr(0, 14)) == kObliqueSleepersKana)
            return "OBLIQUE SLEEPERS";
    }
    return std::string(title);
}

RomHeaderInfo ProbeRomHeader(RomStream& stream)
{
    std::array<ProbeReading, kRomHeaderProbes.size()> readings;
    for (std::size_t i = 0; i < kRomHeaderProbes.size(); ++i)
        readings[i] = ReadProbe(stream, kRomHeaderProbes[i]);

    // The probes are ordered pass by pass: two without a copier header, then two behind one.
    RomHeaderInfo info;
    for (std::size_t i = 0; i < kRomHeaderProbes.size(); ++i) {
        const RomHeaderProbe& probe = kRomHeaderProbes[i];
        info.copierHeader = probe.copierHeader;
        if (MatchesProbe(readings[i], probe)) {
            info.title = readings[i].title;
            info.version = readings[i].version;
            return info;
        }
    }
    return info;
}

RomHeaderInfo ProbeRomHeader(const std::filesystem::path& path)
{
    auto stream = FileRomStream::open(path);
    if (!stream)
        return {};
    return ProbeRomHeader(*stream.value());
}

std::string RomVersionText(const RomHeaderInfo& info)
{
    return "1." + std::to_string(info.version.value_or(0));
}

// The header field's texts for an image with a copier header and for one without.
constexpr std::string_view kCopierHeaderText = "あり";
constexpr std::string_view kNoCopierHeaderText = "なし";

std::string RomCopierHeaderText(const RomHeaderInfo& info)
{
    return std::string(info.copierHeader ? kCopierHeaderText : kNoCopierHeaderText);
}

int HeaderSizeOfField(std::string_view headerText)
{
    return headerText == kNoCopierHeaderText ? 0 : 0x200;
}

} // namespace varn
