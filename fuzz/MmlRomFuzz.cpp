// The reverse compiler reading a song of any of the nine titles from a damaged image: the
// input chooses the title, the music number, a copier header and the image's size; the rest
// of the input is both the image's repeating pattern (so every table entry, header and block
// reads random bytes) and the song block placed where the song pointer leads. For most inputs
// (the first byte below 184) the 64 KiB after the placed bytes hold the title's end-of-channel
// code, so that a channel that runs past the input ends there instead of decoding the input
// over and over, which made such inputs take most of a run. For about one input in four the
// block goes on as the pattern for 4 KiB before those codes, and for one in 32 (the first
// byte 248 or more) it goes on as the pattern for as long as the block and the image do.
//
// Nothing may be read outside the image (the sparse image stops the run on such a read); a
// song that is refused says why; a song that is read gives the file's layout, every channel
// ended by ";", and a channel as DecodeChannel gives it alone.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "SparseRomStream.h"
#include "music/CommandTable.h"
#include "music/MML.h"
#include "music/MusicTitle.h"
#include "music/SongTables.h"

namespace varn::fuzz {
namespace {

constexpr std::uint32_t kBlockOffset = 0x10000;
// How far the pattern goes on past the placed bytes before the end codes, for the inputs whose
// channels run on into it.
constexpr std::uint64_t kPatternRun = 0x1000;
constexpr std::string_view kChannelBanner = "{--------------- チャンネル";

// The stored pointer that leads the title to kBlockOffset.
std::uint32_t PointerTo(int title)
{
    for (std::uint32_t stored : {0xC10000u, 0x028000u, 0x818000u, 0x010000u}) {
        if (DecodeSongPointer(title, stored) == kBlockOffset)
            return stored;
    }
    return 0xC10000u;
}

// The code that ends a channel in the title's command table.
std::uint8_t ChannelEndCode(int title)
{
    const CommandTable& table = kCommandTables[static_cast<std::size_t>(title)];
    const std::uint8_t base = kMusicTitles[static_cast<std::size_t>(title)].baseCode;
    for (std::size_t i = 0; i < table.size() && base + i <= 0xFF; ++i) {
        if (table[i].name == kChannelEndName && table[i].argCount == 0)
            return static_cast<std::uint8_t>(base + i);
    }
    Require(false, "every title has a channel end code");
    return 0;
}

// The line after each channel banner of a text with CR LF line ends.
std::vector<std::string> ChannelLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while ((pos = text.find(kChannelBanner, pos)) != std::string_view::npos) {
        const std::size_t start = text.find("\r\n", pos);
        Require(start != std::string_view::npos, "a channel banner ends its line");
        const std::size_t end = text.find("\r\n", start + 2);
        Require(end != std::string_view::npos, "a channel line ends with CR LF");
        lines.emplace_back(text.substr(start + 2, end - start - 2));
        pos = end;
    }
    return lines;
}

} // namespace
} // namespace varn::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace varn;
    if (size < 4)
        return 0;
    const int title = data[0] % kMusicTitleCount;
    const int musicNumber = data[1];
    const bool copier = (data[2] & 1) != 0;
    const std::uint64_t imageSize = (std::uint64_t{data[3]} + 1) * 0x8000 + (data[2] >> 1);
    const std::span<const std::uint8_t> rest(data + 4, size - 4);

    fuzz::SparseRomStream image(imageSize, rest, false);
    const std::uint64_t header = copier ? 0x200 : 0;
    image.place(header + fuzz::kBlockOffset, rest);
    if (data[0] < 248) {
        static std::vector<std::uint8_t> ends(0x10000);
        std::fill(ends.begin(), ends.end(), fuzz::ChannelEndCode(title));
        const std::uint64_t patternRun = data[0] < 184 ? 0 : fuzz::kPatternRun;
        image.place(header + fuzz::kBlockOffset + rest.size() + patternRun, ends);
    }
    if (const auto offsets = SongTableOffsets(title, musicNumber)) {
        const std::uint32_t pointer = fuzz::PointerTo(title);
        const std::uint8_t stored[] = {static_cast<std::uint8_t>(pointer),
                                       static_cast<std::uint8_t>(pointer >> 8),
                                       static_cast<std::uint8_t>(pointer >> 16)};
        // For one input in eight the pattern's own pointer, which leads anywhere: there the
        // channels may decode the pattern for as long as the block length it gives, which is
        // what makes an input slow, so such inputs are kept few.
        if ((data[2] & 0xE0) != 0xE0)
            image.place(header + offsets->pointer, stored);
    }

    MML mml;
    mml.variant = title;
    mml.musicNumber = musicNumber;
    mml.headerSize = static_cast<int>(header);
    const Result<std::string> text = mml.ReverseCompile(image);
    if (!text) {
        fuzz::Require(!text.message().empty(), "a song that is refused says why");
        fuzz::Require(musicNumber != 0xFF || !text.ok(), "music number FF is refused");
        return 0;
    }
    fuzz::Require(musicNumber != 0xFF, "music number FF is refused");
    const std::string& mmlText = text.value();
    fuzz::Require(mmlText.starts_with("{--------------- 波形定義 ---------------}\r\n"),
                  "the file begins with the wave banner");
    fuzz::Require(mmlText.ends_with("\r\n"), "the file ends its last line");
    const bool drums = mmlText.find("#DRUM ") != std::string::npos;
    fuzz::Require(drums == kMusicTitles[static_cast<std::size_t>(title)].hasDrumTables,
                  "drum lines exactly for titles with drum tables");
    const std::vector<std::string> channels = fuzz::ChannelLines(mmlText);
    fuzz::Require(channels.size() == MML::kChannelCount, "eight channels");
    for (const std::string& line : channels) {
        fuzz::Require(line.ends_with(";"), "every channel ends with ;");
        fuzz::Require(line.find("\r") == std::string::npos && line.find("\n") == std::string::npos,
                      "a channel is one line");
    }
    // One channel, chosen by the input, read alone (reading all eight again would slow the
    // run down eightfold for little more).
    const int k = 1 + (data[0] / kMusicTitleCount) % MML::kChannelCount;
    MML alone;
    alone.variant = title;
    alone.musicNumber = musicNumber;
    alone.headerSize = static_cast<int>(header);
    const Result<std::string> channel = alone.DecodeChannel(image, k);
    fuzz::Require(channel && channel.value() == channels[static_cast<std::size_t>(k - 1)],
                  "a channel reads alone as it reads in the song");
    return 0;
}
