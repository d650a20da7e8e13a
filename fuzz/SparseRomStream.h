#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <map>
#include <span>
#include <vector>

#include "FuzzSupport.h"
#include "rom/RomStream.h"

namespace varn::fuzz {

// Bytes at scattered offsets of an image, kept as few sorted runs: a run that touches or
// overlaps another when it is put merges with it, the bytes put last winning. A read copies
// the runs over what lies under them, so its cost grows with the runs it meets, not its bytes.
class ByteRuns {
public:
    void put(std::uint64_t offset, std::span<const std::uint8_t> bytes)
    {
        if (bytes.empty())
            return;
        const std::uint64_t end = offset + bytes.size();
        // The first run that ends at or after `offset`: the one before the first run that
        // starts after it, when that one reaches it.
        auto first = runs_.upper_bound(offset);
        if (first != runs_.begin()) {
            const auto before = std::prev(first);
            if (before->first + before->second.size() >= offset)
                first = before;
        }
        if (first != runs_.end() && first->first <= offset &&
            first->first + first->second.size() >= end) {
            std::copy(bytes.begin(), bytes.end(),
                      first->second.begin() + static_cast<std::ptrdiff_t>(offset - first->first));
            return;
        }
        auto last = first;
        std::uint64_t start = offset;
        std::uint64_t stop = end;
        while (last != runs_.end() && last->first <= end) {
            start = std::min(start, last->first);
            stop = std::max(stop, last->first + last->second.size());
            ++last;
        }
        // A run that starts the merged one keeps its storage and grows at its end.
        std::vector<std::uint8_t> merged;
        auto from = first;
        if (first != last && first->first == start) {
            merged = std::move(first->second);
            ++from;
        }
        merged.resize(stop - start);
        for (auto run = from; run != last; ++run)
            std::copy(run->second.begin(), run->second.end(),
                      merged.begin() + static_cast<std::ptrdiff_t>(run->first - start));
        std::copy(bytes.begin(), bytes.end(),
                  merged.begin() + static_cast<std::ptrdiff_t>(offset - start));
        runs_.erase(first, last);
        runs_.emplace(start, std::move(merged));
    }

    // Copies the bytes of the runs that lie in [offset, offset + out.size()) into `out`.
    void overlay(std::uint64_t offset, std::span<std::uint8_t> out) const
    {
        const std::uint64_t end = offset + out.size();
        auto run = runs_.upper_bound(offset);
        if (run != runs_.begin())
            --run;
        for (; run != runs_.end() && run->first < end; ++run) {
            const std::uint64_t from = std::max(run->first, offset);
            const std::uint64_t to = std::min<std::uint64_t>(run->first + run->second.size(), end);
            if (from < to)
                std::memcpy(out.data() + (from - offset), run->second.data() + (from - run->first),
                            to - from);
        }
    }

    bool empty() const { return runs_.empty(); }

    // The runs by their first offset; no two touch.
    const std::map<std::uint64_t, std::vector<std::uint8_t>>& runs() const { return runs_; }

private:
    std::map<std::uint64_t, std::vector<std::uint8_t>> runs_;
};

// An image of any size up to many megabytes that costs only what is put into it: every byte
// is the pattern's byte at its offset modulo the pattern's length (0 without a pattern),
// except the bytes placed or written, kept as runs over the pattern. A read copies the pattern
// and the runs it meets, so that a table or a block is read at the cost of a copy. A read or
// write that reaches past the end breaks the property every reader and writer of the image
// promises: nothing is asked of the image outside it.
class SparseRomStream : public RomStream {
public:
    SparseRomStream(std::uint64_t size, std::span<const std::uint8_t> pattern, bool writable = true)
        : size_(size), period_(pattern.size()), writable_(writable)
    {
        // The pattern repeated to a few kilobytes, so that a read copies long stretches even
        // when the pattern is a few bytes.
        if (!pattern.empty()) {
            const std::size_t copies = (kLeastPatternCopy + pattern.size() - 1) / pattern.size();
            pattern_.reserve(copies * pattern.size());
            for (std::size_t i = 0; i < copies; ++i)
                pattern_.insert(pattern_.end(), pattern.begin(), pattern.end());
        }
    }

    std::uint64_t size() const override { return size_; }
    bool writable() const override { return writable_; }

    bool readAt(std::uint64_t offset, std::span<std::uint8_t> out) override
    {
        Require(contains(offset, out.size()), "nothing is read outside the image");
        peek(offset, out);
        return true;
    }

    bool writeAt(std::uint64_t offset, std::span<const std::uint8_t> data) override
    {
        Require(contains(offset, data.size()), "nothing is written outside the image");
        if (!writable_)
            return false;
        bytes_.put(offset, data);
        written_.put(offset, data);
        return true;
    }

    // Puts bytes into the image, those past its end left out.
    void place(std::uint64_t offset, std::span<const std::uint8_t> data)
    {
        if (offset >= size_)
            return;
        bytes_.put(offset, data.first(static_cast<std::size_t>(
                               std::min<std::uint64_t>(data.size(), size_ - offset))));
    }

    // The image's bytes at [offset, offset + out.size()), for the fuzz target's own reading:
    // no property is checked, and bytes past the end read as the pattern continued.
    void peek(std::uint64_t offset, std::span<std::uint8_t> out) const
    {
        if (pattern_.empty()) {
            std::fill(out.begin(), out.end(), std::uint8_t{0});
        } else {
            std::size_t at = static_cast<std::size_t>(offset % period_);
            for (std::size_t done = 0; done < out.size();) {
                const std::size_t count = std::min(out.size() - done, pattern_.size() - at);
                std::memcpy(out.data() + done, pattern_.data() + at, count);
                done += count;
                at = 0;
            }
        }
        bytes_.overlay(offset, out);
    }

    std::uint8_t at(std::uint64_t offset) const
    {
        std::uint8_t byte = 0;
        peek(offset, std::span(&byte, 1));
        return byte;
    }

    // Every byte written, as runs by offset (the last value written there).
    const ByteRuns& written() const { return written_; }

private:
    static constexpr std::size_t kLeastPatternCopy = 4096;

    std::uint64_t size_;
    std::size_t period_;
    std::vector<std::uint8_t> pattern_;
    bool writable_;
    ByteRuns bytes_;
    ByteRuns written_;
};

} // namespace varn::fuzz
