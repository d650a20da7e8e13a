#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "rom/Result.h"

namespace varn {

// The message every command shows for an image or file it cannot open.
inline constexpr const char* kCannotOpenFileMessage = "ファイルが開けません。";

// The ROM image as a byte stream. Every command reads and writes the image through this
// interface, at raw file offsets. Writes stay within the present size: the image is edited
// in place, and its size changes only through extend and shorten, never by accident.
class RomStream {
public:
    virtual ~RomStream() = default;

    // Size of the image in bytes.
    virtual std::uint64_t size() const = 0;

    // Whether writes are allowed.
    virtual bool writable() const = 0;

    // Reads exactly out.size() bytes at `offset`; false, with nothing promised about `out`,
    // when the range reaches past the end or the read fails.
    virtual bool readAt(std::uint64_t offset, std::span<std::uint8_t> out) = 0;

    // Writes `data` at `offset`; false when the stream is read-only, the range reaches past
    // the end, or the write fails.
    virtual bool writeAt(std::uint64_t offset, std::span<const std::uint8_t> data) = 0;

    // Lengthens the image to `newSize` bytes with zero bytes, the one way an image grows (an
    // IPS patch may write past its end). A size not larger than the present one changes
    // nothing and succeeds; false when the stream is read-only or the image cannot grow.
    // A stream that cannot grow keeps this default.
    virtual bool extend(std::uint64_t newSize) { return newSize <= size(); }

    // Cuts the image to `newSize` bytes, the one way an image becomes shorter (a BPS patch
    // may name a shorter target). The bytes past the new end are gone: a read there fails,
    // and lengthening the image again gives zero bytes there, as it does anywhere. A size not
    // smaller than the present one changes nothing and succeeds; false when the stream is
    // read-only or cannot be cut. A stream that cannot be cut keeps this default.
    virtual bool shorten(std::uint64_t newSize) { return newSize >= size(); }

    // The whole image as the stream holds it in memory, for a reader that needs all of it at
    // once (a BPS patch's source) without a copy; valid until the next write, extend or
    // shorten. nullopt for a stream that does not hold the image (read it with readAt).
    virtual std::optional<std::span<const std::uint8_t>> heldBytes() const { return std::nullopt; }

    // A cursor for sequential work: seek, then read or write from there. A successful read
    // or write moves the cursor past what it touched; a failed one leaves it.
    void seek(std::uint64_t position) { position_ = position; }
    std::uint64_t tell() const { return position_; }
    bool read(std::span<std::uint8_t> out);
    bool write(std::span<const std::uint8_t> data);

    // Convenience reads that fail (nullopt) past the end.
    std::optional<std::uint8_t> readByte(std::uint64_t offset);
    std::optional<std::vector<std::uint8_t>> readBytes(std::uint64_t offset, std::size_t count);

    // Whether the range [offset, offset + count) lies inside the image.
    bool contains(std::uint64_t offset, std::uint64_t count) const;

private:
    std::uint64_t position_ = 0;
};

// An image held in memory: for tests, and for measuring what a command would write.
class MemoryRomStream : public RomStream {
public:
    explicit MemoryRomStream(std::vector<std::uint8_t> bytes, bool writable = true);

    std::uint64_t size() const override { return bytes_.size(); }
    bool writable() const override { return writable_; }
    bool readAt(std::uint64_t offset, std::span<std::uint8_t> out) override;
    bool writeAt(std::uint64_t offset, std::span<const std::uint8_t> data) override;
    bool extend(std::uint64_t newSize) override;
    bool shorten(std::uint64_t newSize) override;
    std::optional<std::span<const std::uint8_t>> heldBytes() const override { return bytes_; }

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
    bool writable_;
};

// An image file on disk, opened for reading. Nothing writes an image file in place: a command
// changes a copy in memory and replaces the file whole (RomImageEdit).
class FileRomStream : public RomStream {
public:
    // Opens a regular file; anything else (missing, a folder, no permission) fails with
    // "ファイルが開けません。".
    static Result<std::unique_ptr<FileRomStream>> open(const std::filesystem::path& path);

    std::uint64_t size() const override { return size_; }
    bool writable() const override { return false; }
    bool readAt(std::uint64_t offset, std::span<std::uint8_t> out) override;
    bool writeAt(std::uint64_t offset, std::span<const std::uint8_t> data) override;

private:
    FileRomStream(std::ifstream file, std::uint64_t size);

    std::ifstream file_;
    std::uint64_t size_;
};

} // namespace varn
