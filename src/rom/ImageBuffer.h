#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

#include "rom/ImageDelta.h"
#include "rom/Result.h"
#include "rom/RomStream.h"

namespace varn {

// An image file's bytes held in memory for a change, as a writable stream that may grow up to
// a fixed capacity and be cut shorter. The memory is one reserved range that the system may back
// with large pages, so that holding a whole image costs a few page faults rather than thousands: a
// change of a multi-megabyte image then costs little more than copying the file.
class ImageBuffer : public RomStream {
public:
    // Reads the regular file at `path` whole; fails with "ファイルが開けません。" for a file that
    // is missing, not a regular file, unreadable or larger than `capacity` bytes. The image may
    // later grow up to `capacity` bytes.
    static Result<std::unique_ptr<ImageBuffer>> load(const std::filesystem::path& path,
                                                      std::uint64_t capacity);

    ~ImageBuffer() override;
    ImageBuffer(const ImageBuffer&) = delete;
    ImageBuffer& operator=(const ImageBuffer&) = delete;

    std::uint64_t size() const override { return size_; }
    bool writable() const override { return true; }
    bool readAt(std::uint64_t offset, std::span<std::uint8_t> out) override;
    bool writeAt(std::uint64_t offset, std::span<const std::uint8_t> data) override;
    // Lengthens the image with zero bytes up to the capacity; false beyond it.
    bool extend(std::uint64_t newSize) override;
    // Cuts the image; the bytes cut off are cleared, so that a later extend gives zero bytes.
    bool shorten(std::uint64_t newSize) override;
    std::optional<std::span<const std::uint8_t>> heldBytes() const override { return bytes(); }

    std::span<const std::uint8_t> bytes() const { return {data_, static_cast<std::size_t>(size_)}; }

    // Whether anything has been written or the image lengthened or cut since it was read.
    bool modified() const { return modified_; }

    // The checksum of the image as it was read.
    std::uint64_t checksumAsRead() const { return checksumAsRead_; }

    // What the writes since the image was read did, both ways. The buffer keeps the bytes a
    // page held as read the first time something changes it, so that this costs what the
    // change touched, not the whole image.
    ImageDelta changes() const;

private:
    ImageBuffer(void* mapping, std::size_t mappingSize, std::uint8_t* data, std::uint64_t capacity);

    void* mapping_;
    std::size_t mappingSize_;
    std::uint8_t* data_;
    std::uint64_t capacity_;
    std::uint64_t size_ = 0;
    bool modified_ = false;

    // The pages changed since the image was read, and for those that lay inside it then, the
    // bytes they held (the rest of a page past the old end was zero).
    static constexpr std::size_t kPageSize = 4096;
    void keepPages(std::uint64_t from, std::uint64_t to);
    std::uint64_t sizeAsRead_ = 0;
    std::uint64_t checksumAsRead_ = 0;
    std::vector<std::unique_ptr<std::uint8_t[]>> pagesAsRead_;
    std::vector<bool> changedPages_;
};

} // namespace varn
