#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <vector>

#include "FuzzSupport.h"
#include "rom/RomStream.h"

namespace varn::fuzz {

// An image of any size up to many megabytes that costs only what is put into it: every byte
// is the pattern's byte at its offset modulo the pattern's length (0 without a pattern),
// except the bytes placed or written, which are kept one by one. A read or write that reaches
// past the end breaks the property every reader and writer of the image promises: nothing is
// asked of the image outside it.
class SparseRomStream : public RomStream {
public:
    SparseRomStream(std::uint64_t size, std::span<const std::uint8_t> pattern, bool writable = true)
        : size_(size), pattern_(pattern.begin(), pattern.end()), writable_(writable)
    {}

    std::uint64_t size() const override { return size_; }
    bool writable() const override { return writable_; }

    bool readAt(std::uint64_t offset, std::span<std::uint8_t> out) override
    {
        Require(contains(offset, out.size()), "nothing is read outside the image");
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = at(offset + i);
        return true;
    }

    bool writeAt(std::uint64_t offset, std::span<const std::uint8_t> data) override
    {
        Require(contains(offset, data.size()), "nothing is written outside the image");
        if (!writable_)
            return false;
        for (std::size_t i = 0; i < data.size(); ++i) {
            bytes_[offset + i] = data[i];
            written_[offset + i] = data[i];
        }
        return true;
    }

    // Puts bytes into the image, those past its end left out.
    void place(std::uint64_t offset, std::span<const std::uint8_t> data)
    {
        for (std::size_t i = 0; i < data.size() && offset + i < size_; ++i)
            bytes_[offset + i] = data[i];
    }

    std::uint8_t at(std::uint64_t offset) const
    {
        if (const auto found = bytes_.find(offset); found != bytes_.end())
            return found->second;
        return pattern_.empty() ? 0 : pattern_[offset % pattern_.size()];
    }

    // Every byte written, by offset (the last value written there).
    const std::map<std::uint64_t, std::uint8_t>& written() const { return written_; }

private:
    std::uint64_t size_;
    std::vector<std::uint8_t> pattern_;
    bool writable_;
    std::map<std::uint64_t, std::uint8_t> bytes_;
    std::map<std::uint64_t, std::uint8_t> written_;
};

} // namespace varn::fuzz
