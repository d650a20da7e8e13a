#include "patchlist/BpsPatch.h"

#include <algorithm>
#include <limits>
#include <string>

#include "patchlist/Crc32.h"
#include "patchlist/IpsPatch.h"
#include "rom/FileIo.h"
#include "rom/RomImageEdit.h"
#include "rom/RomStream.h"

namespace varn {

namespace {

std::uint32_t LittleEndian32(std::span<const std::uint8_t> bytes)
{
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// Moves a cursor by a signed relative offset (low bit the sign); nullopt when it would leave
// [0, limit].
std::optional<std::uint64_t> MoveCursor(std::uint64_t cursor, std::uint64_t encoded,
                                        std::uint64_t limit)
{
    const std::uint64_t amount = encoded >> 1;
    if (encoded & 1)
        return amount <= cursor ? std::optional(cursor - amount) : std::nullopt;
    return amount <= limit && cursor <= limit - amount ? std::optional(cursor + amount)
                                                       : std::nullopt;
}

// Whether the source is the patch's source; otherwise the message that says what it is.
Status CheckBpsSource(const BpsPatch& patch, std::span<const std::uint8_t> source,
                      std::string_view displayName)
{
    const auto crcIf = [&](std::uint64_t size) {
        return source.size() == size ? std::optional(Crc32(source)) : std::nullopt;
    };
    const std::optional<std::uint32_t> crc = crcIf(patch.head.sourceSize);
    if (crc && *crc == patch.sourceCrc)
        return {};
    const std::optional<std::uint32_t> asTarget =
        patch.head.sourceSize == patch.head.targetSize ? crc : crcIf(patch.head.targetSize);
    if (asTarget && *asTarget == patch.targetCrc)
        return NamedFailure(kBpsAlreadyAppliedMessage, displayName);
    return NamedFailure(kBpsOtherImageMessage, displayName);
}

// Runs the actions on a source already checked, and checks the target they give.
Result<std::vector<std::uint8_t>> BuildBpsTarget(const BpsPatch& patch,
                                                 std::span<const std::uint8_t> source,
                                                 std::string_view displayName)
{
    const Failure abnormal = NamedFailure(kAbnormalFileMessage, displayName);
    // The target is held whole in memory, so its size is checked before it is made.
    if (patch.head.targetSize > kMaxRomImageSize)
        return abnormal;
    std::vector<std::uint8_t> target(static_cast<std::size_t>(patch.head.targetSize));
    const std::span<const std::uint8_t> actions = patch.actions;
    const std::uint64_t targetSize = target.size();
    const std::uint64_t sourceSize = source.size();
    std::size_t pos = 0;
    std::uint64_t output = 0;
    std::uint64_t sourceCursor = 0;
    std::uint64_t targetCursor = 0;
    while (pos < actions.size()) {
        const std::optional<std::uint64_t> action = ReadBpsNumber(actions, pos);
        if (!action)
            return abnormal;
        const std::uint64_t length = (*action >> 2) + 1;
        if (length > targetSize - output)
            return abnormal;
        const auto at = [](std::uint64_t offset) { return static_cast<std::ptrdiff_t>(offset); };
        switch (static_cast<BpsAction>(*action & 3)) {
        case BpsAction::SourceRead:
            if (output > sourceSize || length > sourceSize - output)
                return abnormal;
            std::copy_n(source.begin() + at(output), length, target.begin() + at(output));
            break;
        case BpsAction::TargetRead:
            if (length > actions.size() - pos)
                return abnormal;
            std::copy_n(actions.begin() + at(pos), length, target.begin() + at(output));
            pos += static_cast<std::size_t>(length);
            break;
        case BpsAction::SourceCopy: {
            const std::optional<std::uint64_t> move = ReadBpsNumber(actions, pos);
            const std::optional<std::uint64_t> from =
                move ? MoveCursor(sourceCursor, *move, sourceSize) : std::nullopt;
            if (!from || length > sourceSize - *from)
                return abnormal;
            std::copy_n(source.begin() + at(*from), length, target.begin() + at(output));
            sourceCursor = *from + length;
            break;
        }
        case BpsAction::TargetCopy: {
            const std::optional<std::uint64_t> move = ReadBpsNumber(actions, pos);
            const std::optional<std::uint64_t> from =
                move ? MoveCursor(targetCursor, *move, targetSize) : std::nullopt;
            // Only bytes already written may be read; each byte copied is written before the
            // copy reads it again, which repeats a pattern when the copy overlaps itself.
            if (!from || *from >= output)
                return abnormal;
            for (std::uint64_t i = 0; i < length; ++i)
                target[output + i] = target[*from + i];
            targetCursor = *from + length;
            break;
        }
        }
        output += length;
    }
    if (output != targetSize)
        return abnormal;
    if (Crc32(target) != patch.targetCrc)
        return NamedFailure(kBpsResultMismatchMessage, displayName);
    return target;
}

} // namespace

void AppendBpsNumber(std::vector<std::uint8_t>& out, std::uint64_t value)
{
    while (true) {
        const auto low = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
        if (value == 0) {
            out.push_back(low | 0x80);
            return;
        }
        out.push_back(low);
        --value;
    }
}

std::size_t BpsNumberSize(std::uint64_t value)
{
    std::size_t size = 1;
    while ((value >>= 7) != 0) {
        --value;
        ++size;
    }
    return size;
}

std::optional<std::uint64_t> ReadBpsNumber(std::span<const std::uint8_t> bytes, std::size_t& pos)
{
    std::uint64_t value = 0;
    std::uint64_t shift = 1;
    for (std::size_t at = pos; at < bytes.size(); ++at) {
        const std::uint8_t byte = bytes[at];
        std::uint64_t part = 0;
        if (__builtin_mul_overflow(static_cast<std::uint64_t>(byte & 0x7F), shift, &part) ||
            __builtin_add_overflow(value, part, &value))
            return std::nullopt;
        if (byte & 0x80) {
            pos = at + 1;
            return value;
        }
        if (shift > std::numeric_limits<std::uint64_t>::max() >> 7)
            return std::nullopt;
        shift <<= 7;
        if (__builtin_add_overflow(value, shift, &value))
            return std::nullopt;
    }
    return std::nullopt;
}

bool HasBpsHeader(std::span<const std::uint8_t> bytes)
{
    return bytes.size() >= kBpsHeader.size() &&
           std::equal(kBpsHeader.begin(), kBpsHeader.end(), bytes.begin());
}

std::optional<BpsHead> ReadBpsHead(std::span<const std::uint8_t> start)
{
    if (!HasBpsHeader(start))
        return std::nullopt;
    std::size_t pos = kBpsHeader.size();
    const auto source = ReadBpsNumber(start, pos);
    const auto target = source ? ReadBpsNumber(start, pos) : std::nullopt;
    const auto metadata = target ? ReadBpsNumber(start, pos) : std::nullopt;
    if (!metadata)
        return std::nullopt;
    return BpsHead{*source, *target, *metadata, pos};
}

// A patch is at most as large as its head, its metadata, its actions and the checksums. Each
// action writes at least one byte of the target, so there are at most `targetSize` of them,
// and an action that writes L bytes takes at most L × (1 + m) bytes of the patch, m being the
// bytes of the largest cursor move a valid patch can hold (a cursor stays inside the source
// or the target, so a move is at most the larger of the two; its number carries the sign in
// its low bit):
//   - its own number, (L - 1) × 4 plus the kind, takes one byte up to L = 32 and never more
//     bytes than L (a further byte per seven bits of L);
//   - a target read carries its L bytes: at most L + L;
//   - a copy adds its move: one byte and m for L = 1, at most L + m for longer ones;
// and L + L and L + m are both at most L × (1 + m), since L and m are at least 1. So the
// actions take at most targetSize × (1 + m) bytes: five a byte for a source and target up to
// 64 MiB, whose moves take at most four bytes.
std::uint64_t BpsPatchSizeLimit(const BpsHead& head)
{
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    const std::uint64_t farthest = std::max(head.sourceSize, head.targetSize);
    const std::uint64_t move = farthest > kMax >> 1 ? kMax : farthest << 1 | 1;
    const std::uint64_t perByte = 1 + BpsNumberSize(move);
    std::uint64_t limit = 0;
    if (__builtin_mul_overflow(head.targetSize, perByte, &limit) ||
        __builtin_add_overflow(limit, head.metadataOffset + kBpsFooterSize, &limit) ||
        __builtin_add_overflow(limit, head.metadataSize, &limit))
        return kMax;
    return limit;
}

Status CheckBpsPatchSize(std::span<const std::uint8_t> start, std::uint64_t size)
{
    // A short patch's numbers may run into its checksums; it is read whole and told by its
    // checksum first, as it always was.
    if (size <= kBpsHeadRoom + kBpsFooterSize)
        return {};
    const Failure abnormal{kAbnormalFileMessage};
    const std::optional<BpsHead> head =
        ReadBpsHead(start.first(std::min<std::size_t>(start.size(), kBpsHeadRoom)));
    if (!head || head->targetSize > kMaxRomImageSize ||
        head->metadataSize > size - kBpsFooterSize - head->metadataOffset ||
        size > BpsPatchSizeLimit(*head))
        return abnormal;
    return {};
}

Result<std::vector<std::uint8_t>> ReadBpsFile(const std::filesystem::path& path)
{
    const Result<FileHead> head = ReadFileHead(path, kBpsHeadRoom);
    if (!head)
        return Failure{kCannotOpenFileMessage};
    const std::uintmax_t size = head.value().size;
    if (size > kMaxReadFileSize)
        return Failure{kCannotOpenFileMessage};
    if (Status fits = CheckBpsPatchSize(head.value().bytes, size); !fits)
        return Failure{fits.message()};
    // A file that has grown since its head was judged is not read past what was judged; the
    // bytes read are judged again as a whole patch.
    return ReadFileBytes(path, size);
}

Result<BpsPatch> ReadBpsPatch(std::span<const std::uint8_t> patch, std::string_view displayName)
{
    const Failure abnormal = NamedFailure(kAbnormalFileMessage, displayName);
    if (!HasBpsHeader(patch) || patch.size() < kBpsHeader.size() + kBpsFooterSize)
        return abnormal;
    if (!CheckBpsPatchSize(patch, patch.size()))
        return abnormal;
    const std::size_t footer = patch.size() - kBpsFooterSize;
    BpsPatch read;
    read.sourceCrc = LittleEndian32(patch.subspan(footer, 4));
    read.targetCrc = LittleEndian32(patch.subspan(footer + 4, 4));
    read.patchCrc = LittleEndian32(patch.subspan(footer + 8, 4));
    if (Crc32(patch.first(footer + 8)) != read.patchCrc)
        return NamedFailure(kBpsDamagedMessage, displayName);

    const std::span<const std::uint8_t> body = patch.first(footer);
    const std::optional<BpsHead> head = ReadBpsHead(body);
    if (!head || head->metadataSize > footer - head->metadataOffset)
        return abnormal;
    read.head = *head;
    const auto metadataSize = static_cast<std::size_t>(head->metadataSize);
    read.metadata = body.subspan(head->metadataOffset, metadataSize);
    read.actions = body.subspan(head->metadataOffset + metadataSize);
    return read;
}

Result<std::vector<std::uint8_t>> ApplyBpsPatch(std::span<const std::uint8_t> source,
                                                std::span<const std::uint8_t> patch,
                                                std::string_view displayName)
{
    const Result<BpsPatch> read = ReadBpsPatch(patch, displayName);
    if (!read)
        return Failure{read.message()};
    if (Status fits = CheckBpsSource(read.value(), source, displayName); !fits)
        return Failure{fits.message()};
    return BuildBpsTarget(read.value(), source, displayName);
}

Status ApplyBpsPatch(RomStream& rom, std::span<const std::uint8_t> patch,
                     std::string_view displayName)
{
    const Result<BpsPatch> read = ReadBpsPatch(patch, displayName);
    if (!read)
        return Failure{read.message()};
    const BpsPatch& bps = read.value();

    // The image is read whole only when it can be the source or the target; any other size
    // already says it is another image.
    const std::uint64_t imageSize = rom.size();
    if (imageSize != bps.head.sourceSize && imageSize != bps.head.targetSize)
        return NamedFailure(kBpsOtherImageMessage, displayName);
    // An image the stream holds is read where it lies; only one it does not hold is copied.
    std::vector<std::uint8_t> copy;
    std::optional<std::span<const std::uint8_t>> held = rom.heldBytes();
    if (!held) {
        copy.resize(static_cast<std::size_t>(imageSize));
        if (!rom.readAt(0, copy))
            return NamedFailure(kCannotOpenFileMessage, displayName);
        held = copy;
    }
    const std::span<const std::uint8_t> image = *held;
    if (Status fits = CheckBpsSource(bps, image, displayName); !fits)
        return fits;

    const Result<std::vector<std::uint8_t>> target = BuildBpsTarget(bps, image, displayName);
    if (!target)
        return Failure{target.message()};
    const std::vector<std::uint8_t>& result = target.value();
    // An image the patch leaves as it is is not written at all.
    if (std::equal(result.begin(), result.end(), image.begin(), image.end()))
        return {};
    // The view of the image ends here: cutting or lengthening the image may move it.
    const bool resized =
        result.size() < imageSize ? rom.shorten(result.size()) : rom.extend(result.size());
    if (!resized || !rom.writeAt(0, result))
        return NamedFailure(kCannotWriteFileMessage, displayName);
    return {};
}

Status ApplyBpsPatch(RomStream& rom, const std::filesystem::path& path)
{
    const std::string name = path.filename().string();
    const Result<std::vector<std::uint8_t>> bps = ReadBpsFile(path);
    if (!bps)
        return NamedFailure(bps.message().c_str(), name);
    return ApplyBpsPatch(rom, bps.value(), name);
}

} // namespace varn
