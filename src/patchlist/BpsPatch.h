#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "rom/Result.h"

namespace varn {

class RomStream;

// A BPS patch turns one exact file (the source) into another (the target). It is "BPS1", three
// numbers (the source size, the target size, the size of the metadata), the metadata (text,
// usually UTF-8, that the patch's author wrote about it), then actions up to the last 12
// bytes, which hold the CRC-32 of the source, of the target and of the patch up to there, each
// in four bytes, least significant first.
//
// Numbers are written seven bits a byte, least significant first; the byte with the top bit
// set is the last, and every byte before it counts one more than its bits say, so that each
// number has exactly one form. An action is one number: its low two bits say what it does,
// the rest its length less one. The target is written from its start:
//   SourceRead  copies `length` bytes of the source from the same offset the target has reached;
//   TargetRead  copies the `length` bytes that follow the action in the patch;
//   SourceCopy  moves the source cursor by a signed number (its low bit the sign, the rest
//               the amount) and copies `length` bytes of the source from there;
//   TargetCopy  moves the target cursor the same way and copies `length` bytes of the target
//               already written, one at a time (so the copy may overlap what it writes).
// Both cursors start at 0 and move past what they copied.

inline constexpr std::string_view kBpsHeader = "BPS1";

enum class BpsAction : std::uint8_t {
    SourceRead = 0,
    TargetRead = 1,
    SourceCopy = 2,
    TargetCopy = 3
};

// The bytes the three checksums take at the end of a patch.
inline constexpr std::size_t kBpsFooterSize = 12;

// A patch that fails its own checksum: damaged on the way.
inline constexpr const char* kBpsDamagedMessage = "ファイルが壊れています。";
// The image is neither the patch's source nor its target.
inline constexpr const char* kBpsOtherImageMessage = "このパッチは別のsmcファイル用です。";
// The image is the patch's target: the patch has been applied to it already.
inline constexpr const char* kBpsAlreadyAppliedMessage = "このパッチは適用済みです。";
// The patch ran but did not give the target it promises.
inline constexpr const char* kBpsResultMismatchMessage = "適用結果のチェックサムが一致しません。";

// Appends `value` in the patch's number form.
void AppendBpsNumber(std::vector<std::uint8_t>& out, std::uint64_t value);

// How many bytes `value` takes in the patch's number form (1 to 10).
std::size_t BpsNumberSize(std::uint64_t value);

// Reads a number at `pos` and moves `pos` past it; nullopt when the bytes end before its last
// byte or it does not fit in 64 bits.
std::optional<std::uint64_t> ReadBpsNumber(std::span<const std::uint8_t> bytes, std::size_t& pos);

// The numbers at the start of a patch.
struct BpsHead {
    std::uint64_t sourceSize = 0;
    std::uint64_t targetSize = 0;
    std::uint64_t metadataSize = 0;
    std::size_t metadataOffset = 0; // where the metadata starts in the file
};

// Whether `bytes` begin with "BPS1"; the patch list takes only such files.
bool HasBpsHeader(std::span<const std::uint8_t> bytes);

// Reads the header and the three numbers from the first bytes of a patch (the metadata need
// not be there); nullopt when the header is not "BPS1" or a number is cut or too large.
std::optional<BpsHead> ReadBpsHead(std::span<const std::uint8_t> start);

// The first bytes of a patch that hold its head: "BPS1" and three numbers of at most ten
// bytes each.
inline constexpr std::size_t kBpsHeadRoom = kBpsHeader.size() + 3 * 10;

// The largest a valid patch with this head can be, in bytes (see BpsPatch.cpp for why).
std::uint64_t BpsPatchSizeLimit(const BpsHead& head);

// Judges a patch of `size` bytes by its first bytes (`start`, at least kBpsHeadRoom of them
// when the patch is longer), before it is read whole: "ファイルが異常です。" (without a name)
// when its head does not read, names a target larger than an image may be, has metadata that
// reaches into the checksums, or the patch is larger than any valid patch with that head can
// be (BpsPatchSizeLimit). A patch no longer than kBpsHeadRoom and the checksums is not judged
// here: it is read whole and its checksum told first, as for any damage.
Status CheckBpsPatchSize(std::span<const std::uint8_t> start, std::uint64_t size);

// Reads a BPS file whole once CheckBpsPatchSize has passed on its head and size; fails with
// "ファイルが開けません。" when it cannot be read or is larger than kMaxReadFileSize, and with
// the message of CheckBpsPatchSize before anything more than its head is read. The messages
// carry no name.
Result<std::vector<std::uint8_t>> ReadBpsFile(const std::filesystem::path& path);

// A whole patch, checked: its parts as views into the patch's bytes.
struct BpsPatch {
    BpsHead head;
    std::span<const std::uint8_t> metadata;
    std::span<const std::uint8_t> actions;
    std::uint32_t sourceCrc = 0;
    std::uint32_t targetCrc = 0;
    std::uint32_t patchCrc = 0;
};

// Reads a patch: "ファイルが異常です。" when it is not a BPS patch, when CheckBpsPatchSize
// refuses it, or when its numbers are cut or its metadata reaches into the checksums;
// "ファイルが壊れています。" when its own checksum fails (checked right after the header and
// CheckBpsPatchSize). `displayName` follows each message on a line of its own.
Result<BpsPatch> ReadBpsPatch(std::span<const std::uint8_t> patch, std::string_view displayName);

// Builds the target of a patch from `source`. In this order: the patch is read (above); the
// source must have the size and checksum the patch names, else "このパッチは適用済みです。"
// when it has the target's (the patch has been applied to it) and
// "このパッチは別のsmcファイル用です。" otherwise; a target larger than an image may be, or an
// action that reads or writes outside the source, the target or the patch, or actions that do
// not end exactly at the target's end, give "ファイルが異常です。"; and the target must have
// the checksum the patch names, else "適用結果のチェックサムが一致しません。".
Result<std::vector<std::uint8_t>> ApplyBpsPatch(std::span<const std::uint8_t> source,
                                                std::span<const std::uint8_t> patch,
                                                std::string_view displayName);

// Applies a patch to the image: the whole image is the source, and the target replaces it
// only once every check above has passed, so a refused patch leaves the image as it was. A
// longer target lengthens the image, a shorter one cuts it. The image is read where the
// stream holds it (RomStream::heldBytes), not copied. A write that fails gives
// "ファイルに書き込めません。".
Status ApplyBpsPatch(RomStream& rom, std::span<const std::uint8_t> patch,
                     std::string_view displayName);

// Reads the BPS file first with ReadBpsFile (its messages followed by the file's name).
Status ApplyBpsPatch(RomStream& rom, const std::filesystem::path& path);

} // namespace varn
