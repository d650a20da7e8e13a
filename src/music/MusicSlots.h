#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "rom/Result.h"
#include "text/Settings.h"

namespace varn {

class RomStream;

// The patch list writes its songs one after another into the music write region of the
// expanded image, numbering them from 0xB0. The image itself remembers how far it got: the
// next free music number (one byte) and the next free offset (three bytes).

struct MusicBookkeeping {
    int nextNumber = 0;
    int nextAddress = 0;
};

// The bookkeeping bytes; a value of 0, or bytes the image does not reach, gives the first
// music number and the start of the region.
MusicBookkeeping ReadMusicBookkeeping(RomStream& rom, const MusicConstants& music);

// Whether the bookkeeping can be trusted: a number the patch list allocates and an offset
// inside the region (or just past its end). Anything else would write over the game.
bool IsSoundBookkeeping(const MusicBookkeeping& book, const MusicConstants& music);

// The size an image needs for the patch list's songs: the whole write region and the song
// tables of every number it may allocate.
std::uint64_t MusicImageSizeNeeded(const MusicConstants& music);

// The largest MML file read. A file compiles to one song block of at most 64 KiB less one
// byte, and written out in full a statement takes a few characters for each byte it writes (a
// note with its length and a blank, "c+16. ", writes one or two; a command with three
// arguments, "m0x10,0x20,0x30 ", writes four), so the statements of the largest song come to a
// few hundred kilobytes; macros only make them shorter. Comments, information lines and
// blanks come on top, and songs in use are tens of kilobytes. A file larger than this cannot
// be a song, and refusing it unread spares the seconds and the memory parsing it would take.
inline constexpr std::uintmax_t kMaxMmlFileSize = std::uintmax_t{4} << 20;

// An MML file's text (Shift-JIS or UTF-8). Fails with "ファイルが開けません。" when the file
// cannot be read and with "曲のデータが大きすぎます。" when it is larger than kMaxMmlFileSize,
// before reading it.
Result<std::string> ReadMmlFile(const std::filesystem::path& path);

// The size of the song block of an MML file, or the message of why it does not compile.
Result<int> MeasureMmlFile(const std::filesystem::path& path, int musicNumber);

// Compiles one song of the patch list into the image at the next free offset under
// `musicNumber` and moves the bookkeeping past it. A song that does not compile (or no longer
// does) fails with "コンパイルに失敗しました。\n" and the file name, leaving the image as it was.
Status ApplyMusicEntry(RomStream& rom, const std::filesystem::path& path, int musicNumber,
                       const MusicConstants& music);

inline constexpr const char* kTooManySongsMessage = "MMLの数が多すぎます。";
inline constexpr const char* kSongFailedMessage = "コンパイルに失敗しました。\n";
inline constexpr const char* kRegionExceededMessage = "MMLの書き込み領域を超えました。";
inline constexpr const char* kNoMusicRegionMessage = "MMLの書き込み領域がありません。";
inline constexpr const char* kBadBookkeepingMessage = "MMLの書き込み情報が壊れています。";

} // namespace varn
