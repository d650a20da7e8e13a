#include "rom/RomStream.h"

#include <algorithm>
#include <array>
#include <new>
#include <system_error>

namespace varn {

bool RomStream::contains(std::uint64_t offset, std::uint64_t count) const
{
    const std::uint64_t total = size();
    return offset <= total && count <= total - offset;
}

bool RomStream::read(std::span<std::uint8_t> out)
{
    if (!readAt(position_, out))
        return false;
    position_ += out.size();
    return true;
}

bool RomStream::write(std::span<const std::uint8_t> data)
{
    if (!writeAt(position_, data))
        return false;
    position_ += data.size();
    return true;
}

std::optional<std::uint8_t> RomStream::readByte(std::uint64_t offset)
{
    std::uint8_t byte = 0;
    if (!readAt(offset, std::span(&byte, 1)))
        return std::nullopt;
    return byte;
}

std::optional<std::vector<std::uint8_t>> RomStream::readBytes(std::uint64_t offset,
                                                              std::size_t count)
{
    if (!contains(offset, count))
        return std::nullopt;
    std::vector<std::uint8_t> bytes(count);
    if (!readAt(offset, bytes))
        return std::nullopt;
    return bytes;
}

MemoryRomStream::MemoryRomStream(std::vector<std::uint8_t> bytes, bool writable)
    : bytes_(std::move(bytes)), writable_(writable)
{}

bool MemoryRomStream::readAt(std::uint64_t offset, std::span<std::uint8_t> out)
{
    if (!contains(offset, out.size()))
        return false;
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
    return true;
}

bool MemoryRomStream::writeAt(std::uint64_t offset, std::span<const std::uint8_t> data)
{
    if (!writable_ || !contains(offset, data.size()))
        return false;
    std::copy(data.begin(), data.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
    return true;
}

bool MemoryRomStream::extend(std::uint64_t newSize)
{
    if (newSize <= bytes_.size())
        return true;
    if (!writable_ || newSize > bytes_.max_size())
        return false;
    try {
        bytes_.resize(static_cast<std::size_t>(newSize), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool MemoryRomStream::shorten(std::uint64_t newSize)
{
    if (newSize >= bytes_.size())
        return true;
    if (!writable_)
        return false;
    bytes_.resize(static_cast<std::size_t>(newSize));
    return true;
}

Result<std::unique_ptr<FileRomStream>> FileRomStream::open(const std::filesystem::path& path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return Failure{kCannotOpenFileMessage};
    const std::uint64_t size = std::filesystem::file_size(path, error);
    if (error)
        return Failure{kCannotOpenFileMessage};
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open())
        return Failure{kCannotOpenFileMessage};
    return std::unique_ptr<FileRomStream>(new FileRomStream(std::move(file), size));
}

FileRomStream::FileRomStream(std::ifstream file, std::uint64_t size)
    : file_(std::move(file)), size_(size)
{}

bool FileRomStream::readAt(std::uint64_t offset, std::span<std::uint8_t> out)
{
    if (!contains(offset, out.size()))
        return false;
    file_.clear();
    file_.seekg(static_cast<std::streamoff>(offset));
    file_.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return file_.good() && static_cast<std::size_t>(file_.gcount()) == out.size();
}

bool FileRomStream::writeAt(std::uint64_t, std::span<const std::uint8_t>)
{
    return false;
}

} // namespace varn
