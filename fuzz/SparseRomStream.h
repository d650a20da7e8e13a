#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <span>
#include <vector>

#include "FuzzSupport.h"
#include "rom/RomStream.h"

// The image's own bookkeeping is left out of the coverage the fuzzer steers by: which page a
// read meets says nothing about the code under test, and instrumenting it would make every
// read of the image cost many times its copy.
#if defined(__clang__)
#define VARN_FUZZ_NO_COVERAGE __attribute__((no_sanitize("coverage")))
#else
#define VARN_FUZZ_NO_COVERAGE
#endif

namespace varn::fuzz {

// An image of any size up to many megabytes that costs only what is put into it: every byte
// is the pattern's byte at its offset modulo the pattern's length (0 without a pattern),
// except the bytes placed or written, which are kept in 4 KiB pages over the pattern. A read
// copies the pattern and the pages it meets, so that a table or a block is read at the cost of
// a copy. A read or write that reaches past the end breaks the property every reader and
// writer of the image promises: nothing is asked of the image outside it.
class SparseRomStream : public RomStream {
public:
    // A pattern of a few kilobytes or more must outlive the image, which reads it in place.
    SparseRomStream(std::uint64_t size, std::span<const std::uint8_t> pattern, bool writable = true)
        : size_(size), period_(pattern.size()), writable_(writable), pattern_(pattern)
    {
        // A short pattern is repeated to a few kilobytes, so that a read copies long stretches
        // even when the pattern is a few bytes; a long one is read where it lies.
        if (!pattern.empty() && pattern.size() < kPageSize)
            repeatPattern(pattern);
    }

    SparseRomStream(const SparseRomStream&) = delete;
    SparseRomStream& operator=(const SparseRomStream&) = delete;

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
        store(offset, data, true);
        return true;
    }

    // Puts bytes into the image, those past its end left out.
    void place(std::uint64_t offset, std::span<const std::uint8_t> data)
    {
        if (offset >= size_)
            return;
        store(offset,
              data.first(
                  static_cast<std::size_t>(std::min<std::uint64_t>(data.size(), size_ - offset))),
              false);
    }

    // The image's bytes at [offset, offset + out.size()), for the fuzz target's own reading:
    // no property is checked, and bytes past the end read as the pattern continued.
    VARN_FUZZ_NO_COVERAGE void peek(std::uint64_t offset, std::span<std::uint8_t> out) const
    {
        if (out.empty())
            return;
        copyPattern(offset, out.data(), out.size());
        const std::uint64_t end = offset + out.size();
        for (std::size_t i = firstPageFrom(offset / kPageSize);
             i < pages_.size() && pages_[i].index * kPageSize < end; ++i) {
            const Page& page = pages_[i];
            const std::uint64_t pageStart = page.index * kPageSize;
            const std::uint64_t from = std::max(pageStart, offset);
            const std::uint64_t to = std::min(pageStart + kPageSize, end);
            std::memcpy(out.data() + (from - offset), page.bytes.data() + (from - pageStart),
                        to - from);
        }
    }

    std::uint8_t at(std::uint64_t offset) const
    {
        std::uint8_t byte = 0;
        peek(offset, std::span(&byte, 1));
        return byte;
    }

    // Every byte written, as runs by their first offset, each byte as the image now holds it
    // (the last value written there, unless placed over since); no two runs touch.
    VARN_FUZZ_NO_COVERAGE std::map<std::uint64_t, std::vector<std::uint8_t>> written() const
    {
        std::map<std::uint64_t, std::vector<std::uint8_t>> runs;
        std::vector<std::uint8_t>* current = nullptr;
        std::uint64_t currentEnd = 0;
        for (const Page& page : pages_) {
            const std::uint64_t pageStart = page.index * kPageSize;
            for (std::size_t at = 0; at < kPageSize; ++at) {
                if (!page.written[at])
                    continue;
                const std::uint64_t offset = pageStart + at;
                if (current == nullptr || currentEnd != offset)
                    current = &runs[offset];
                current->push_back(page.bytes[at]);
                currentEnd = offset + 1;
            }
        }
        return runs;
    }

private:
    static constexpr std::uint64_t kPageSize = 4096;

    struct Page {
        std::uint64_t index;               // offset / kPageSize
        std::vector<std::uint8_t> bytes;   // the image's bytes there
        std::vector<std::uint8_t> written; // 1 for each byte written
    };

    // Repeats a short pattern to a whole number of periods of at least a page, in repeated_.
    VARN_FUZZ_NO_COVERAGE void repeatPattern(std::span<const std::uint8_t> pattern)
    {
        const std::size_t copies = (kPageSize + pattern.size() - 1) / pattern.size();
        repeated_.resize(copies * pattern.size());
        std::memcpy(repeated_.data(), pattern.data(), pattern.size());
        for (std::size_t done = pattern.size(); done < repeated_.size();) {
            const std::size_t n = std::min(done, repeated_.size() - done);
            std::memcpy(repeated_.data() + done, repeated_.data(), n);
            done += n;
        }
        pattern_ = repeated_;
    }

    // The pattern's bytes at [offset, offset + count).
    VARN_FUZZ_NO_COVERAGE void copyPattern(std::uint64_t offset, std::uint8_t* out,
                                           std::size_t count) const
    {
        if (pattern_.empty()) {
            std::memset(out, 0, count);
            return;
        }
        // pattern_ holds a whole number of periods, so each copy after the first starts it over.
        std::size_t at = static_cast<std::size_t>(offset % period_);
        for (std::size_t done = 0; done < count;) {
            const std::size_t n = std::min(count - done, pattern_.size() - at);
            std::memcpy(out + done, pattern_.data() + at, n);
            done += n;
            at = 0;
        }
    }

    // The position of the first page whose index is `index` or more.
    VARN_FUZZ_NO_COVERAGE std::size_t firstPageFrom(std::uint64_t index) const
    {
        std::size_t low = 0;
        std::size_t high = pages_.size();
        while (low < high) {
            const std::size_t middle = (low + high) / 2;
            if (pages_[middle].index < index)
                low = middle + 1;
            else
                high = middle;
        }
        return low;
    }

    VARN_FUZZ_NO_COVERAGE void store(std::uint64_t offset, std::span<const std::uint8_t> data,
                                     bool markWritten)
    {
        std::size_t done = 0;
        while (done < data.size()) {
            const std::uint64_t at = offset + done;
            const std::uint64_t index = at / kPageSize;
            std::size_t i = firstPageFrom(index);
            if (i == pages_.size() || pages_[i].index != index) {
                Page page{index, std::vector<std::uint8_t>(kPageSize),
                          std::vector<std::uint8_t>(kPageSize)};
                copyPattern(index * kPageSize, page.bytes.data(), kPageSize);
                pages_.insert(pages_.begin() + static_cast<std::ptrdiff_t>(i), std::move(page));
            }
            Page& page = pages_[i];
            const std::size_t within = static_cast<std::size_t>(at - index * kPageSize);
            const std::size_t n = std::min<std::size_t>(data.size() - done, kPageSize - within);
            std::memcpy(page.bytes.data() + within, data.data() + done, n);
            if (markWritten)
                std::memset(page.written.data() + within, 1, n);
            done += n;
        }
    }

    std::uint64_t size_;
    std::size_t period_;
    bool writable_;
    std::span<const std::uint8_t> pattern_; // the pattern, or repeated_
    std::vector<std::uint8_t> repeated_;
    std::vector<Page> pages_; // by index
};

} // namespace varn::fuzz
