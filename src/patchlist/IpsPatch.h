#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>

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

// Applies an IPS patch held in `ips` to the image: the records are read from byte 5 on (the
// header is not read again), and each writes at its offset as it stands in the file. A
// record reaching past the end of the image lengthens it with zero bytes up to its last
// byte. The whole patch is read before the first write: a record whose size, run or data is
// cut by the end of the patch is refused with "ファイルが異常です。" and the image untouched. A
// write that fails gives "ファイルに書き込めません。"; records before it stay applied.
// `displayName` follows each message on a line of its own.
Status ApplyIpsPatch(RomStream& rom, std::span<const std::uint8_t> ips,
                     std::string_view displayName);

// Reads the IPS file first ("ファイルが開けません。" and its name when it cannot be read).
Status ApplyIpsPatch(RomStream& rom, const std::filesystem::path& path);

} // namespace varn
