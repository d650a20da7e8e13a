#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <vector>

#include "rom/Result.h"

namespace varn {

class RomStream;

// What one change did to an image, both ways: the image's size and checksum before and after,
// and the bytes that differ. Applying it forward turns the state before into the state after;
// applying it back turns the state after into the state before. The history keeps one per
// change, so that any earlier state can be restored exactly.

// The checksum of an image's bytes (XXH3, 64 bits).
std::uint64_t ImageChecksum(std::span<const std::uint8_t> bytes);

// Bytes of one state at `offset`.
struct DeltaRange {
    std::uint64_t offset = 0;
    std::vector<std::uint8_t> bytes;

    friend bool operator==(const DeltaRange&, const DeltaRange&) = default;
};

struct ImageDelta {
    std::uint64_t sizeBefore = 0;
    std::uint64_t sizeAfter = 0;
    std::uint64_t checksumBefore = 0;
    std::uint64_t checksumAfter = 0;
    // The state after's bytes where they differ from the state before (past the size before:
    // where they are not zero, since lengthening an image gives zero bytes), in offset order.
    std::vector<DeltaRange> forward;
    // The state before's bytes where they differ from the state after (past the size after:
    // where they are not zero), in offset order.
    std::vector<DeltaRange> reverse;

    // Whether the change changed nothing.
    bool empty() const
    {
        return sizeBefore == sizeAfter && checksumBefore == checksumAfter && forward.empty();
    }

    friend bool operator==(const ImageDelta&, const ImageDelta&) = default;
};

// Appends the ranges of `target` (a piece of a state at `offset`) whose bytes differ from
// `base` (the same piece of the other state; zero past its end), joined across short equal
// gaps and onto the last range when they continue it.
void AppendDifferingRanges(std::vector<DeltaRange>& ranges, std::uint64_t offset,
                           std::span<const std::uint8_t> target, std::span<const std::uint8_t> base);

// The delta between two whole states, byte by byte (for tests and for a change made without a
// record of its writes).
ImageDelta CompareImages(std::span<const std::uint8_t> before, std::span<const std::uint8_t> after);

// The message for an image that is not in the state a step of the history expects.
inline constexpr const char* kImageStateMismatchMessage =
    "ROMイメージが履歴の記録と一致しません。\nほかのプログラムで記録なしに変更されたようです。";

// Applies the delta to an image that must be in the state its direction starts from (its size
// and checksum; "ROMイメージが履歴の記録と一致しません。…" otherwise, the image
// as it was), and checks the result against the state it ends in. `forward` true goes from
// before to after (redo), false from after to before (undo).
Status ApplyImageDelta(RomStream& image, const ImageDelta& delta, bool forward);

// The delta as the history stores it: a header with the sizes and checksums, the two lists of
// ranges and a checksum of the whole, little-endian.
std::vector<std::uint8_t> SerializeImageDelta(const ImageDelta& delta);
// The same bytes written to `out` as they are made, without a copy of the whole in memory;
// returns how many were written, nullopt when the stream failed.
std::optional<std::uint64_t> WriteImageDelta(std::ostream& out, const ImageDelta& delta);

// The reverse; a file that is not a delta, is cut short or fails its checksum is refused with
// "履歴のファイルが壊れています。".
inline constexpr const char* kHistoryDamagedMessage = "履歴のファイルが壊れています。";
Result<ImageDelta> ParseImageDelta(std::span<const std::uint8_t> bytes);

} // namespace varn
