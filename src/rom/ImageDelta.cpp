#include "rom/ImageDelta.h"

#include <xxhash.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "rom/RomStream.h"

namespace varn {

namespace {

constexpr std::array<std::uint8_t, 8> kMagic{'V', 'W', 'D', 'E', 'L', 'T', 'A', '1'};

// Two differing runs closer than this are kept as one range: a range costs 16 bytes of head.
constexpr std::size_t kJoinGap = 16;

} // namespace

void AppendDifferingRanges(std::vector<DeltaRange>& ranges, std::uint64_t offset,
                           std::span<const std::uint8_t> target, std::span<const std::uint8_t> base)
{
    const std::size_t common = std::min(target.size(), base.size());
    const auto differs = [&](std::size_t i) {
        return i < common ? target[i] != base[i] : target[i] != 0;
    };
    std::size_t i = 0;
    while (i < target.size()) {
        // Equal blocks are passed over a block at a time.
        if (i + 64 <= common && std::memcmp(target.data() + i, base.data() + i, 64) == 0) {
            i += 64;
            continue;
        }
        if (!differs(i)) {
            ++i;
            continue;
        }
        std::size_t end = i + 1;
        std::size_t gap = 0;
        for (std::size_t j = end; j < target.size() && gap < kJoinGap; ++j) {
            if (differs(j)) {
                end = j + 1;
                gap = 0;
            } else {
                ++gap;
            }
        }
        const auto from = target.begin() + static_cast<std::ptrdiff_t>(i);
        const auto to = target.begin() + static_cast<std::ptrdiff_t>(end);
        // A run that goes on where the last range ended (across the pieces a caller compares
        // one after another) extends that range.
        if (!ranges.empty() && ranges.back().offset + ranges.back().bytes.size() == offset + i)
            ranges.back().bytes.insert(ranges.back().bytes.end(), from, to);
        else
            ranges.push_back({offset + i, std::vector<std::uint8_t>(from, to)});
        i = end;
    }
}

namespace {

void PutNumber(std::vector<std::uint8_t>& out, std::uint64_t value)
{
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// Reads numbers and byte strings from a span; once a read runs past the end every later read
// fails too.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool number(std::uint64_t& value)
    {
        if (bytes_.size() - pos_ < 8)
            return false;
        value = 0;
        for (int i = 0; i < 8; ++i)
            value |= std::uint64_t{bytes_[pos_ + static_cast<std::size_t>(i)]} << (8 * i);
        pos_ += 8;
        return true;
    }

    bool take(std::uint64_t count, std::vector<std::uint8_t>& out)
    {
        if (count > bytes_.size() - pos_)
            return false;
        out.assign(bytes_.begin() + static_cast<std::ptrdiff_t>(pos_),
                   bytes_.begin() + static_cast<std::ptrdiff_t>(pos_ + count));
        pos_ += static_cast<std::size_t>(count);
        return true;
    }

    std::size_t position() const { return pos_; }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

// The ranges of one direction, each inside the size it belongs to and after the one before.
bool ReadRanges(Reader& reader, std::uint64_t count, std::uint64_t size,
                std::vector<DeltaRange>& ranges)
{
    std::uint64_t end = 0;
    for (std::uint64_t n = 0; n < count; ++n) {
        DeltaRange range;
        std::uint64_t length = 0;
        if (!reader.number(range.offset) || !reader.number(length) || length == 0 ||
            range.offset < end || range.offset > size || length > size - range.offset ||
            !reader.take(length, range.bytes))
            return false;
        end = range.offset + length;
        ranges.push_back(std::move(range));
    }
    return true;
}

// The checksum of a stream's whole image: in place when the stream holds it, else read.
std::optional<std::uint64_t> StreamChecksum(RomStream& image)
{
    if (const auto held = image.heldBytes())
        return ImageChecksum(*held);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(image.size()));
    if (!image.readAt(0, bytes))
        return std::nullopt;
    return ImageChecksum(bytes);
}

} // namespace

std::uint64_t ImageChecksum(std::span<const std::uint8_t> bytes)
{
    return XXH3_64bits(bytes.data(), bytes.size());
}

ImageDelta CompareImages(std::span<const std::uint8_t> before, std::span<const std::uint8_t> after)
{
    ImageDelta delta;
    delta.sizeBefore = before.size();
    delta.sizeAfter = after.size();
    delta.checksumBefore = ImageChecksum(before);
    delta.checksumAfter = ImageChecksum(after);
    AppendDifferingRanges(delta.forward, 0, after, before);
    AppendDifferingRanges(delta.reverse, 0, before, after);
    return delta;
}

Status ApplyImageDelta(RomStream& image, const ImageDelta& delta, bool forward)
{
    const std::uint64_t fromSize = forward ? delta.sizeBefore : delta.sizeAfter;
    const std::uint64_t toSize = forward ? delta.sizeAfter : delta.sizeBefore;
    const std::uint64_t fromChecksum = forward ? delta.checksumBefore : delta.checksumAfter;
    const std::uint64_t toChecksum = forward ? delta.checksumAfter : delta.checksumBefore;
    const Failure mismatch{kImageStateMismatchMessage};
    if (image.size() != fromSize || StreamChecksum(image) != fromChecksum)
        return mismatch;
    const bool resized = toSize > fromSize ? image.extend(toSize) : image.shorten(toSize);
    if (!resized)
        return Failure{kImageStateMismatchMessage};
    for (const DeltaRange& range : forward ? delta.forward : delta.reverse) {
        if (!image.writeAt(range.offset, range.bytes))
            return mismatch;
    }
    if (StreamChecksum(image) != toChecksum)
        return mismatch;
    return {};
}

namespace {

// Gives the bytes of a delta's file but its closing checksum to `sink`, piece by piece.
template <class Sink> void EmitImageDelta(const ImageDelta& delta, Sink&& sink)
{
    const auto number = [&](std::uint64_t value) {
        std::array<std::uint8_t, 8> bytes{};
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
        sink(std::span<const std::uint8_t>(bytes));
    };
    sink(std::span<const std::uint8_t>(kMagic));
    number(delta.sizeBefore);
    number(delta.sizeAfter);
    number(delta.checksumBefore);
    number(delta.checksumAfter);
    number(delta.forward.size());
    number(delta.reverse.size());
    for (const auto* ranges : {&delta.forward, &delta.reverse}) {
        for (const DeltaRange& range : *ranges) {
            number(range.offset);
            number(range.bytes.size());
            sink(std::span<const std::uint8_t>(range.bytes));
        }
    }
}

} // namespace

std::vector<std::uint8_t> SerializeImageDelta(const ImageDelta& delta)
{
    std::vector<std::uint8_t> out;
    EmitImageDelta(delta, [&](std::span<const std::uint8_t> piece) {
        out.insert(out.end(), piece.begin(), piece.end());
    });
    PutNumber(out, XXH3_64bits(out.data(), out.size()));
    return out;
}

std::optional<std::uint64_t> WriteImageDelta(std::ostream& out, const ImageDelta& delta)
{
    XXH3_state_t* const state = XXH3_createState();
    if (state == nullptr)
        return std::nullopt;
    (void)XXH3_64bits_reset(state);
    std::uint64_t written = 0;
    const auto put = [&](std::span<const std::uint8_t> piece) {
        out.write(reinterpret_cast<const char*>(piece.data()),
                  static_cast<std::streamsize>(piece.size()));
        written += piece.size();
    };
    EmitImageDelta(delta, [&](std::span<const std::uint8_t> piece) {
        put(piece);
        (void)XXH3_64bits_update(state, piece.data(), piece.size());
    });
    std::vector<std::uint8_t> checksum;
    PutNumber(checksum, XXH3_64bits_digest(state));
    XXH3_freeState(state);
    put(checksum);
    if (!out)
        return std::nullopt;
    return written;
}

Result<ImageDelta> ParseImageDelta(std::span<const std::uint8_t> bytes)
{
    const Failure damaged{kHistoryDamagedMessage};
    if (bytes.size() < kMagic.size() + 8 ||
        !std::equal(kMagic.begin(), kMagic.end(), bytes.begin()))
        return damaged;
    const std::span<const std::uint8_t> body = bytes.first(bytes.size() - 8);
    Reader trailer(bytes.last(8));
    std::uint64_t checksum = 0;
    if (!trailer.number(checksum) || checksum != XXH3_64bits(body.data(), body.size()))
        return damaged;

    Reader reader(body.subspan(kMagic.size()));
    ImageDelta delta;
    std::uint64_t forwardCount = 0;
    std::uint64_t reverseCount = 0;
    if (!reader.number(delta.sizeBefore) || !reader.number(delta.sizeAfter) ||
        !reader.number(delta.checksumBefore) || !reader.number(delta.checksumAfter) ||
        !reader.number(forwardCount) || !reader.number(reverseCount) ||
        !ReadRanges(reader, forwardCount, delta.sizeAfter, delta.forward) ||
        !ReadRanges(reader, reverseCount, delta.sizeBefore, delta.reverse) ||
        reader.position() != body.size() - kMagic.size())
        return damaged;
    return delta;
}

} // namespace varn
