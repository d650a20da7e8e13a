#include "patchlist/CreateIpsPatch.h"

#include <algorithm>
#include <cstring>

#include "patchlist/IpsPatch.h"

namespace varn {

namespace {

constexpr std::size_t kMaxRecordSize = 0xFFFF;
// The offset whose three bytes read as the end marker "EOF".
constexpr std::size_t kEndMarkerOffset = 0x454F46;
// What a record's head costs: offset and size; a run record adds its length and value.
constexpr std::size_t kRecordHeadSize = 5;
constexpr std::size_t kRunRecordSize = 8;

struct Span {
    std::size_t begin;
    std::size_t end;
};

class IpsWriter {
public:
    explicit IpsWriter(std::span<const std::uint8_t> modified) : modified_(modified)
    {
        bytes_.assign(kIpsHeader.begin(), kIpsHeader.end());
    }

    // Writes modified[begin, end) as data records.
    void literal(std::size_t begin, std::size_t end)
    {
        std::size_t pos = begin;
        while (pos < end) {
            const std::size_t start = pos == kEndMarkerOffset ? pos - 1 : pos;
            const std::size_t size = std::min(kMaxRecordSize, end - start);
            head(start, size);
            bytes_.insert(bytes_.end(), modified_.begin() + static_cast<std::ptrdiff_t>(start),
                          modified_.begin() + static_cast<std::ptrdiff_t>(start + size));
            pos = start + size;
        }
    }

    // Writes modified[begin, end), which holds one byte value, as run records.
    void run(std::size_t begin, std::size_t end)
    {
        std::size_t pos = begin;
        while (pos < end) {
            if (pos == kEndMarkerOffset) {
                // The byte before joins the first byte of the run in a data record.
                literal(pos - 1, pos + 1);
                ++pos;
                continue;
            }
            const std::size_t size = std::min(kMaxRecordSize, end - pos);
            head(pos, 0);
            number(size, 2);
            bytes_.push_back(modified_[pos]);
            pos += size;
        }
    }

    std::vector<std::uint8_t> finish()
    {
        bytes_.insert(bytes_.end(), {'E', 'O', 'F'});
        return std::move(bytes_);
    }

private:
    void number(std::size_t value, int count)
    {
        for (int shift = 8 * (count - 1); shift >= 0; shift -= 8)
            bytes_.push_back(static_cast<std::uint8_t>(value >> shift));
    }
    void head(std::size_t offset, std::size_t size)
    {
        number(offset, 3);
        number(size, 2);
    }

    std::span<const std::uint8_t> modified_;
    std::vector<std::uint8_t> bytes_;
};

// The ranges of `modified` that differ from `original` (zero bytes past its end), those a few
// equal bytes apart joined.
std::vector<Span> ChangedSpans(std::span<const std::uint8_t> original,
                               std::span<const std::uint8_t> modified)
{
    std::vector<Span> spans;
    const auto add = [&spans](std::size_t begin, std::size_t end) {
        // Equal bytes between two changes cost less inside one record than a second head.
        if (!spans.empty() && begin - spans.back().end < kRecordHeadSize)
            spans.back().end = end;
        else
            spans.push_back({begin, end});
    };
    const std::size_t shared = original.size();
    std::size_t pos = 0;
    while (pos < shared) {
        // Equal stretches are passed over eight bytes at a time.
        while (pos + 8 <= shared && std::memcmp(&original[pos], &modified[pos], 8) == 0)
            pos += 8;
        while (pos < shared && original[pos] == modified[pos])
            ++pos;
        if (pos == shared)
            break;
        const std::size_t begin = pos;
        while (pos < shared && original[pos] != modified[pos])
            ++pos;
        add(begin, pos);
    }
    while (pos < modified.size()) {
        while (pos < modified.size() && modified[pos] == 0)
            ++pos;
        if (pos == modified.size())
            break;
        const std::size_t begin = pos;
        while (pos < modified.size() && modified[pos] != 0)
            ++pos;
        add(begin, pos);
    }
    // The image reaches its new length only when its last byte is written.
    if (modified.size() > original.size() && (spans.empty() || spans.back().end != modified.size()))
        add(modified.size() - 1, modified.size());
    return spans;
}

// Writes one range: runs of one byte long enough to pay for their own record become run
// records, the rest data records. A run inside the range must also pay for the head of the
// data record that follows it; at an edge of the range only for its own record; a whole range
// of one byte only for the difference between the two records.
void WriteSpan(IpsWriter& writer, std::span<const std::uint8_t> modified, Span span)
{
    std::size_t literalStart = span.begin;
    std::size_t pos = span.begin;
    while (pos < span.end) {
        std::size_t runEnd = pos + 1;
        while (runEnd < span.end && modified[runEnd] == modified[pos])
            ++runEnd;
        const std::size_t length = runEnd - pos;
        const bool atStart = pos == literalStart;
        const bool atEnd = runEnd == span.end;
        const std::size_t worth = atStart && atEnd   ? kRunRecordSize - kRecordHeadSize
                                  : atStart || atEnd ? kRunRecordSize
                                                     : kRunRecordSize + kRecordHeadSize;
        if (length > worth) {
            writer.literal(literalStart, pos);
            writer.run(pos, runEnd);
            literalStart = runEnd;
        }
        pos = runEnd;
    }
    writer.literal(literalStart, span.end);
}

} // namespace

Result<std::vector<std::uint8_t>> CreateIpsPatch(std::span<const std::uint8_t> original,
                                                 std::span<const std::uint8_t> modified)
{
    if (modified.size() < original.size())
        return Failure{kModifiedShorterMessage};
    if (modified.size() > kIpsMaxImageSize)
        return Failure{kIpsTooLargeMessage};
    IpsWriter writer(modified);
    for (const Span& span : ChangedSpans(original, modified))
        WriteSpan(writer, modified, span);
    return writer.finish();
}

} // namespace varn
