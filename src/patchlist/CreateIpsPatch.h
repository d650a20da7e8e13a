#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "rom/Result.h"

namespace varn {

// The largest file an IPS patch can make: its offsets have three bytes, so a record can start
// at 0xFFFFFF at most and, to be read whole, end at 16 MiB.
inline constexpr std::uint64_t kIpsMaxImageSize = 0x1000000;

// IPS has no way to make a file shorter.
inline constexpr const char* kModifiedShorterMessage =
    "変更後のファイルが元のファイルより短いため、パッチを作れません。";
inline constexpr const char* kIpsTooLargeMessage =
    "16MiBを超えるファイルはIPSパッチで表せません。BPSパッチにしてください。";

// Makes an IPS patch that turns `original` into `modified` as ApplyIpsPatch reads it. The
// bytes that differ become records of at most 0xFFFF bytes; differing bytes a few equal bytes
// apart share one record (a record's head costs more than the bytes between them); a run of
// one byte becomes a run record where that is shorter. The part of `modified` past the end of
// `original` is compared with zero bytes, which is what the reader lengthens the image with,
// and its last byte is always written so that the image reaches its length. No record starts
// at 0x454F46, whose three offset bytes read "EOF": such a record starts one byte earlier.
// Refuses a `modified` shorter than `original` (the format has no way to cut a file) and one
// larger than 16 MiB.
Result<std::vector<std::uint8_t>> CreateIpsPatch(std::span<const std::uint8_t> original,
                                                 std::span<const std::uint8_t> modified);

} // namespace varn
