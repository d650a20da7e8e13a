#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>
#include <vector>

#include "rom/Result.h"

namespace varn {

class RomStream;

// An IPS patch: "PATCH", then records of a three-byte offset into the image file, a two-byte
// size and that many bytes, or, with size 0, a two-byte run length and the byte to repeat;
// all numbers big-endian. "EOF" in place of an offset, or the end of the file there, ends it.

inline constexpr std::string_view kIpsHeader = "PATCH";

// The message for a patch file whose content is not what its kind promises.
inline constexpr const char* kAbnormalFileMessage = "ファイルが異常です。";

// Whether `bytes` begin with the IPS header; the patch list takes only such files.
bool HasIpsHeader(std::span<const std::uint8_t> bytes);

// The largest IPS patch taken. A record starts below 16 MiB and writes at most 0xFFFF bytes,
// so a patch reaches at most 0xFFFFFF + 0xFFFF bytes of the image. A patch that writes each
// of them once is largest when every record writes one byte, and a run record of one byte is
// the costliest (eight bytes: offset, a zero size, run length and value; a data record of n
// bytes takes 5 + n, at most eight a byte): the header, eight bytes for every byte the format
// can reach, "EOF" and the three bytes of a length some tools write after it. A larger file
// has records that write nothing or write over one another, and is no patch a tool makes.
inline constexpr std::uint64_t kMaxIpsPatchSize =
    kIpsHeader.size() + 8 * (std::uint64_t{0xFFFFFF} + 0xFFFF) + 3 + 3;

// Reads an IPS file whole, its size checked first: "ファイルが開けません。" when it cannot be
// read, "ファイルが異常です。" when it is larger than kMaxIpsPatchSize, before it is read. The
// messages carry no name.
Result<std::vector<std::uint8_t>> ReadIpsFile(const std::filesystem::path& path);

// Applies an IPS patch held in `ips` to the image: the records are read from byte 5 on (the
// header is not read again), and each writes at its offset as it stands in the file. A
// record reaching past the end of the image lengthens it with zero bytes up to its last
// byte. The whole patch is read before the first write: a patch larger than kMaxIpsPatchSize
// or a record whose size, run or data is cut by the end of the patch is refused with
// "ファイルが異常です。" and the image untouched. A
// write that fails gives "ファイルに書き込めません。"; records before it stay applied.
// `displayName` follows each message on a line of its own.
Status ApplyIpsPatch(RomStream& rom, std::span<const std::uint8_t> ips,
                     std::string_view displayName);

// Reads the IPS file first with ReadIpsFile (its messages followed by the file's name).
Status ApplyIpsPatch(RomStream& rom, const std::filesystem::path& path);

} // namespace varn
