#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "rom/Result.h"

namespace varn {

class RomStream;

// A song block is a header followed by up to eight channel streams. Inside the block every
// pointer is 16 bits, the low 16 bits of the file offset it designates; only differences
// between such pointers matter. Titles 0-7 keep a 38-byte header (block length, base, end,
// the eight channel pointers twice); the low-mapped title an 18-byte one (block length and
// the eight channel pointers) with the constant base 0x2010 and no end pointer.
inline constexpr int kSongChannelCount = 8;
inline constexpr int kSongHeaderSize = 38;
inline constexpr std::uint16_t kLowMappedSongBase = 0x2010;

// What the reader takes from a song block's header. `end` is 0 for the low-mapped title.
struct SongHeader {
    std::uint16_t blockLength = 0;
    std::uint16_t base = 0;
    std::uint16_t end = 0;
    std::array<std::uint16_t, kSongChannelCount> channelPointers{};
};

// The target game's header of a song block at `blockStart` whose last byte is at end - 1:
// block length, base (channel 1's start, right after the header), end, and the eight
// channel starts twice, each as the low 16 bits, little-endian. A channel without data has
// `end` as its start.
std::array<std::uint8_t, kSongHeaderSize>
EncodeSongHeader(std::uint32_t blockStart, std::uint32_t end,
                 const std::array<std::uint32_t, kSongChannelCount>& channelStarts);

// Reads the header of a title's song block at stream offset `blockStart`. Fails with
// "ファイルの読み出しに失敗しました。" when the header lies past the end of the image.
Result<SongHeader> ReadSongHeader(RomStream& stream, int title, std::uint64_t blockStart);

// The stream offset where channel `channel` (0-7) of a song block at `blockStart` begins:
// the data start (right after the header) plus the channel's pointer minus the base, the
// difference taken modulo 65536.
std::uint64_t ChannelStreamOffset(int title, std::uint64_t blockStart, const SongHeader& header,
                                  int channel);

// The per-song table entries of one music number as a reader finds them.
struct SongTableEntry {
    std::uint32_t blockOffset = 0; // file offset of the song block (no copier header added)
    std::array<std::uint16_t, 16> waves{};
    std::optional<std::array<std::array<std::uint8_t, 3>, 12>> drums;
};

// Reads the pointer, wave and drum entries of `musicNumber` of a title; `headerSize` (0 or
// 0x200 for a copier header) is added to every offset read. Refuses a number that lies in
// none of the title's ranges (0xFF among them) with "音楽番号の指定が不正です。\n0x" and the
// number, and entries past the end of the image with "ファイルの読み出しに失敗しました。".
Result<SongTableEntry> ReadSongTableEntry(RomStream& stream, int title, int musicNumber,
                                          std::uint64_t headerSize);

// The messages of the readers.
inline constexpr const char* kReadFailedMessage = "ファイルの読み出しに失敗しました。";
inline constexpr const char* kBadMusicNumberMessage = "音楽番号の指定が不正です。\n0x";

} // namespace varn
