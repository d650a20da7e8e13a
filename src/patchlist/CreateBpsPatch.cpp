#include "patchlist/CreateBpsPatch.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "patchlist/BpsPatch.h"
#include "patchlist/Crc32.h"

namespace varn {

namespace {

// Stretches are found through the eight bytes at their start.
constexpr std::size_t kWindow = 8;
// The source is indexed at every fourth place: that misses only stretches shorter than eleven
// bytes, which cost about as much as they save.
constexpr std::size_t kSourceStep = 4;
// How many earlier places with the same eight-byte hash are tried, in the source and in the
// target written so far (the nearest first); and the length at which a stretch is taken without
// trying more.
constexpr int kSourceTries = 32;
constexpr int kTargetTries = 16;
constexpr std::size_t kLongEnough = 1 << 16;
// A stretch of the source at the target's own offset that long is taken without looking for
// others: a copy from elsewhere would have to be longer still to pay for its offset.
constexpr std::size_t kSourceReadLongEnough = 32;
// A stretch that repeats the bytes just before it, a run of one byte or of a pattern up to this
// long, is tried as a target copy that overlaps what it writes.
constexpr std::size_t kLongestPeriod = 32;

constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

std::uint64_t Load8(const std::uint8_t* bytes)
{
    std::uint64_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

// The length of the common start of a[0, aSize) and b[0, bSize).
std::size_t MatchLength(const std::uint8_t* a, std::size_t aSize, const std::uint8_t* b,
                        std::size_t bSize)
{
    const std::size_t limit = std::min(aSize, bSize);
    std::size_t length = 0;
    if constexpr (std::endian::native == std::endian::little) {
        while (length + 8 <= limit) {
            const std::uint64_t difference = Load8(a + length) ^ Load8(b + length);
            if (difference != 0)
                return length + static_cast<std::size_t>(std::countr_zero(difference)) / 8;
            length += 8;
        }
    }
    while (length < limit && a[length] == b[length])
        ++length;
    return length;
}

// A table of 32-bit numbers: zeroed (by the system, page by page as they are first touched) or
// left as the memory comes, since an index of a whole image is tens of megabytes that a fill
// would have to touch at once.
class Table {
public:
    Table(std::size_t count, bool zeroed)
        : numbers_(static_cast<std::uint32_t*>(zeroed ? std::calloc(count, sizeof(std::uint32_t))
                                                      : std::malloc(count * sizeof(std::uint32_t))))
    {
        if (!numbers_ && count > 0)
            throw std::bad_alloc();
    }
    ~Table() { std::free(numbers_); }
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    std::uint32_t& operator[](std::size_t index) { return numbers_[index]; }
    std::uint32_t operator[](std::size_t index) const { return numbers_[index]; }

private:
    std::uint32_t* numbers_;
};

// Places of a byte string by the hash of the eight bytes there, the places of one hash chained
// from the last inserted to the first. Only every `step`-th place may be inserted: a stretch
// at least `step` - 1 bytes longer than the window still has a place that is, and its start is
// found again by extending it backwards.
class WindowIndex {
public:
    WindowIndex(std::span<const std::uint8_t> bytes, std::size_t step)
        : bytes_(bytes), step_(step),
          places_(bytes.size() >= kWindow && bytes.size() < kNone ? bytes.size() - kWindow + 1 : 0),
          bits_(std::clamp(static_cast<int>(std::bit_width(places_ / step)), 10, 22)),
          heads_(std::size_t{1} << bits_, true), previous_(places_ / step + 1, false)
    {}

    // The places that may be inserted: [0, places()).
    std::size_t places() const { return places_; }
    std::size_t step() const { return step_; }
    std::uint32_t hash(const std::uint8_t* window) const
    {
        return static_cast<std::uint32_t>((Load8(window) * 0x9E3779B97F4A7C15ull) >> (64 - bits_));
    }
    void insert(std::size_t place)
    {
        const std::uint32_t h = hash(bytes_.data() + place);
        previous_[place / step_] = heads_[h];
        heads_[h] = static_cast<std::uint32_t>(place + 1);
    }
    // The last place inserted with hash `h`, or kNone.
    std::uint32_t first(std::uint32_t h) const { return heads_[h] - 1; }
    // The place inserted with the same hash before `place`, or kNone.
    std::uint32_t next(std::uint32_t place) const { return previous_[place / step_] - 1; }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t step_;
    std::size_t places_;
    int bits_;
    // Places are kept plus one, so that the zero of a fresh table means none.
    Table heads_;
    Table previous_;
};

// A cursor move as the patch writes it: the amount shifted left, the sign in the low bit.
std::uint64_t RelativeOffset(std::size_t to, std::size_t from)
{
    return to >= from ? static_cast<std::uint64_t>(to - from) << 1
                      : static_cast<std::uint64_t>(from - to) << 1 | 1;
}

std::uint64_t ActionNumber(BpsAction action, std::size_t length)
{
    return static_cast<std::uint64_t>(length - 1) << 2 | static_cast<std::uint64_t>(action);
}

struct Stretch {
    BpsAction action = BpsAction::TargetRead;
    std::size_t from = 0; // in the source, or in the target for a target copy
    std::size_t length = 0;
    std::ptrdiff_t gain = 0; // bytes saved against writing the stretch as it is
};

class BpsEncoder {
public:
    BpsEncoder(std::span<const std::uint8_t> source, std::span<const std::uint8_t> target,
               std::vector<std::uint8_t>& out)
        : source_(source), target_(target), out_(out), sourceIndex_(source, kSourceStep),
          targetIndex_(target, 1)
    {
        for (std::size_t place = 0; place < sourceIndex_.places(); place += kSourceStep)
            sourceIndex_.insert(place);
    }

    void run()
    {
        std::size_t pos = 0;
        while (pos < target_.size()) {
            Stretch best = bestStretchAt(pos);
            if (best.gain <= 0) {
                ++pos;
                continue;
            }
            extendBackwards(best, pos);
            // Only bytes the patch carries itself go into the target's index: what was copied
            // is found where it was copied from.
            indexTargetUpTo(pos);
            flushLiteral(pos);
            write(best);
            pos += best.length;
            literalStart_ = pos;
            targetIndexed_ = std::max(targetIndexed_, pos);
        }
        flushLiteral(pos);
    }

private:
    // What a stretch saves: its bytes, less its action, its offset, and the head of the
    // literal that may have to start again after it.
    static std::ptrdiff_t Gain(std::size_t length, std::size_t cost)
    {
        return static_cast<std::ptrdiff_t>(length) - static_cast<std::ptrdiff_t>(cost) - 1;
    }

    void consider(Stretch& best, BpsAction action, std::size_t from, std::size_t length,
                  std::size_t offsetCost)
    {
        if (length == 0)
            return;
        const std::ptrdiff_t gain =
            Gain(length, BpsNumberSize(ActionNumber(action, length)) + offsetCost);
        if (gain > best.gain)
            best = {action, from, length, gain};
    }

    Stretch bestStretchAt(std::size_t pos)
    {
        Stretch best;
        const std::uint8_t* here = target_.data() + pos;
        const std::size_t left = target_.size() - pos;
        if (pos < source_.size())
            consider(best, BpsAction::SourceRead, pos,
                     MatchLength(source_.data() + pos, source_.size() - pos, here, left), 0);
        if (best.length >= kSourceReadLongEnough || left < kWindow)
            return best;

        if (sourceIndex_.places() > 0) {
            std::uint32_t place = sourceIndex_.first(sourceIndex_.hash(here));
            for (int tries = 0; tries < kSourceTries && place != kNone; ++tries) {
                const std::size_t length =
                    MatchLength(source_.data() + place, source_.size() - place, here, left);
                consider(best, BpsAction::SourceCopy, place, length,
                         BpsNumberSize(RelativeOffset(place, sourceCursor_)));
                if (length >= kLongEnough)
                    break;
                place = sourceIndex_.next(place);
            }
        }
        if (targetIndex_.places() > 0) {
            // The target is indexed up to the place before this one: a copy reads only bytes
            // already written.
            indexTargetUpTo(pos);
            std::uint32_t place = targetIndex_.first(targetIndex_.hash(here));
            for (int tries = 0; tries < kTargetTries && place != kNone; ++tries) {
                const std::size_t length =
                    MatchLength(target_.data() + place, left + (pos - place), here, left);
                consider(best, BpsAction::TargetCopy, place, length,
                         BpsNumberSize(RelativeOffset(place, targetCursor_)));
                if (length >= kLongEnough)
                    break;
                place = targetIndex_.next(place);
            }
        }
        // The bytes just before this place were often written by a copy, which the target's
        // index does not hold: a fill of the expansion that starts with a short run copied
        // from the source goes on as one copy of the byte before it.
        for (std::size_t period = 1; period <= std::min(pos, kLongestPeriod); ++period) {
            const std::size_t place = pos - period;
            if (target_[place] != *here)
                continue;
            consider(best, BpsAction::TargetCopy, place,
                     MatchLength(target_.data() + place, left + period, here, left),
                     BpsNumberSize(RelativeOffset(place, targetCursor_)));
        }
        return best;
    }

    void indexTargetUpTo(std::size_t end)
    {
        for (end = std::min(end, targetIndex_.places()); targetIndexed_ < end; ++targetIndexed_)
            targetIndex_.insert(targetIndexed_);
    }

    // Takes in the bytes before the stretch that it also covers, out of the pending literal.
    void extendBackwards(Stretch& stretch, std::size_t& pos) const
    {
        const std::span<const std::uint8_t> from =
            stretch.action == BpsAction::TargetCopy ? target_ : source_;
        while (pos > literalStart_ && stretch.from > 0 &&
               from[stretch.from - 1] == target_[pos - 1]) {
            --pos;
            --stretch.from;
            ++stretch.length;
        }
    }

    void flushLiteral(std::size_t end)
    {
        if (end == literalStart_)
            return;
        AppendBpsNumber(out_, ActionNumber(BpsAction::TargetRead, end - literalStart_));
        out_.insert(out_.end(), target_.begin() + static_cast<std::ptrdiff_t>(literalStart_),
                    target_.begin() + static_cast<std::ptrdiff_t>(end));
    }

    void write(const Stretch& stretch)
    {
        AppendBpsNumber(out_, ActionNumber(stretch.action, stretch.length));
        switch (stretch.action) {
        case BpsAction::SourceRead:
        case BpsAction::TargetRead:
            break;
        case BpsAction::SourceCopy:
            AppendBpsNumber(out_, RelativeOffset(stretch.from, sourceCursor_));
            sourceCursor_ = stretch.from + stretch.length;
            break;
        case BpsAction::TargetCopy:
            AppendBpsNumber(out_, RelativeOffset(stretch.from, targetCursor_));
            targetCursor_ = stretch.from + stretch.length;
            break;
        }
    }

    std::span<const std::uint8_t> source_;
    std::span<const std::uint8_t> target_;
    std::vector<std::uint8_t>& out_;
    WindowIndex sourceIndex_;
    WindowIndex targetIndex_;
    std::size_t targetIndexed_ = 0;
    std::size_t literalStart_ = 0;
    std::size_t sourceCursor_ = 0;
    std::size_t targetCursor_ = 0;
};

void AppendLittleEndian32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

} // namespace

std::vector<std::uint8_t> CreateBpsPatch(std::span<const std::uint8_t> source,
                                         std::span<const std::uint8_t> target,
                                         std::string_view metadata)
{
    std::vector<std::uint8_t> out(kBpsHeader.begin(), kBpsHeader.end());
    AppendBpsNumber(out, source.size());
    AppendBpsNumber(out, target.size());
    AppendBpsNumber(out, metadata.size());
    out.insert(out.end(), metadata.begin(), metadata.end());
    BpsEncoder(source, target, out).run();
    AppendLittleEndian32(out, Crc32(source));
    AppendLittleEndian32(out, Crc32(target));
    AppendLittleEndian32(out, Crc32(out));
    return out;
}

} // namespace varn
