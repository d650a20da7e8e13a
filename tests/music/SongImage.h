#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "music/MusicTitle.h"
#include "music/SongTables.h"
#include "support/RomImageBuilder.h"

namespace varn::test {

using ChannelStreams = std::array<std::vector<std::uint8_t>, 8>;

// The in-song address (low 16 bits) of byte `at` of channel `k` (0-7) of a block laid out by
// HighBlock or LowBlock: the channels lie one after another from the data start.
inline std::uint16_t ChannelAddress(std::uint16_t base, const ChannelStreams& channels, int k,
                                    std::size_t at = 0)
{
    std::size_t distance = at;
    for (int j = 0; j < k; ++j)
        distance += channels[static_cast<std::size_t>(j)].size();
    return static_cast<std::uint16_t>(base + distance);
}

// The base of a titles 0-7 block at `blockStart`: channel 1 starts right after the 38-byte
// header.
inline std::uint16_t HighBase(std::uint32_t blockStart)
{
    return static_cast<std::uint16_t>(blockStart + 38);
}

inline void PutWord(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value)
{
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

// A song block of titles 0-7 at `blockStart`, as the format lays it out: length, base, end,
// the channel pointers twice (an empty channel holds the end pointer), then the streams.
inline std::vector<std::uint8_t> HighBlock(std::uint32_t blockStart, const ChannelStreams& channels)
{
    std::vector<std::uint8_t> block(38);
    const std::uint16_t base = HighBase(blockStart);
    std::array<std::uint32_t, 8> starts{};
    for (std::size_t k = 0; k < channels.size(); ++k) {
        starts[k] = static_cast<std::uint32_t>(block.size());
        block.insert(block.end(), channels[k].begin(), channels[k].end());
    }
    const auto end = static_cast<std::uint16_t>(base + block.size() - 38);
    PutWord(block, 0, static_cast<std::uint32_t>(block.size()));
    PutWord(block, 2, base);
    PutWord(block, 4, end);
    for (std::size_t k = 0; k < 8; ++k) {
        const std::uint32_t pointer =
            channels[k].empty() ? end : static_cast<std::uint16_t>(base + starts[k] - 38);
        PutWord(block, 6 + 2 * k, pointer);
        PutWord(block, 22 + 2 * k, pointer);
    }
    return block;
}

// A song block of the low-mapped title: length (header included), the eight channel pointers
// from the base 0x2010, then the streams.
inline std::vector<std::uint8_t> LowBlock(const ChannelStreams& channels)
{
    std::vector<std::uint8_t> block(18);
    for (std::size_t k = 0; k < channels.size(); ++k) {
        PutWord(block, 2 + 2 * k, static_cast<std::uint32_t>(0x2010 + block.size() - 18));
        block.insert(block.end(), channels[k].begin(), channels[k].end());
    }
    PutWord(block, 0, static_cast<std::uint32_t>(block.size()));
    return block;
}

// The per-song table entries of a song and where its block lies.
struct SongEntries {
    std::uint32_t storedPointer = 0; // the pointer entry as the title stores it
    std::array<std::uint16_t, 16> waves{};
    std::array<std::array<std::uint8_t, 3>, 12> drums{};
};

// Puts a song's pointer, wave and drum entries (the drums only for a title that has drum
// tables) for `musicNumber` of `title` into the image, at headerless offsets.
inline void PutSongEntries(RomImageBuilder& image, int title, int musicNumber,
                           const SongEntries& entries)
{
    const auto offsets = SongTableOffsets(title, musicNumber);
    image.bytes(offsets->pointer, {static_cast<std::uint8_t>(entries.storedPointer),
                                   static_cast<std::uint8_t>(entries.storedPointer >> 8),
                                   static_cast<std::uint8_t>(entries.storedPointer >> 16)});
    std::vector<std::uint8_t> waves;
    for (std::uint16_t wave : entries.waves) {
        waves.push_back(static_cast<std::uint8_t>(wave));
        waves.push_back(static_cast<std::uint8_t>(wave >> 8));
    }
    image.bytes(offsets->wave, waves);
    if (offsets->drum) {
        std::vector<std::uint8_t> drums;
        for (const auto& record : entries.drums)
            drums.insert(drums.end(), record.begin(), record.end());
        image.bytes(*offsets->drum, drums);
    }
}

// The lines of an MML text written with CR LF, without their line ends.
inline std::vector<std::string> TextLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find("\r\n", pos);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(pos));
            break;
        }
        lines.emplace_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

// The eight channel lines of a reverse-compiled text: the line after each channel banner.
inline std::vector<std::string> ChannelLines(std::string_view text)
{
    const std::vector<std::string> lines = TextLines(text);
    std::vector<std::string> channels;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i].starts_with("{--------------- チャンネル"))
            channels.push_back(lines[i + 1]);
    }
    return channels;
}

} // namespace varn::test
