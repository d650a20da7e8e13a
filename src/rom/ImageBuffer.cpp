#include "rom/ImageBuffer.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace varn {

namespace {

// The size of a large page, to which the range is aligned so that the system can back it with
// large pages.
constexpr std::size_t kLargePage = std::size_t{2} << 20;

// Reads exactly `count` bytes from `fd`; false on an error or an early end.
bool ReadAll(int fd, std::uint8_t* out, std::size_t count)
{
    while (count > 0) {
        const ::ssize_t got = ::read(fd, out, count);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        out += got;
        count -= static_cast<std::size_t>(got);
    }
    return true;
}

} // namespace

Result<std::unique_ptr<ImageBuffer>> ImageBuffer::load(const std::filesystem::path& path,
                                                       std::uint64_t capacity)
{
    const Failure failure{kCannotOpenFileMessage};
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return failure;
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    const auto fileSize = static_cast<std::uint64_t>(info.st_size);
    if (!regular || fileSize > capacity) {
        ::close(fd);
        return failure;
    }

    // Address space for the whole capacity, aligned to a large page; memory is taken only as
    // the image touches it.
    const std::size_t mappingSize = static_cast<std::size_t>(capacity) + kLargePage;
    void* mapping = ::mmap(nullptr, mappingSize, PROT_READ | PROT_WRITE,
                           MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (mapping == MAP_FAILED) {
        ::close(fd);
        return failure;
    }
    const auto start = reinterpret_cast<std::uintptr_t>(mapping);
    auto* data = reinterpret_cast<std::uint8_t*>((start + kLargePage - 1) & ~(kLargePage - 1));
#ifdef MADV_HUGEPAGE
    ::madvise(data, static_cast<std::size_t>(capacity), MADV_HUGEPAGE);
#endif
    std::unique_ptr<ImageBuffer> buffer(new ImageBuffer(mapping, mappingSize, data, capacity));
    const bool read = ReadAll(fd, data, static_cast<std::size_t>(fileSize));
    ::close(fd);
    if (!read)
        return failure;
    buffer->size_ = fileSize;
    buffer->sizeAsRead_ = fileSize;
    buffer->checksumAsRead_ = ImageChecksum(buffer->bytes());
    return buffer;
}

ImageBuffer::ImageBuffer(void* mapping, std::size_t mappingSize, std::uint8_t* data,
                         std::uint64_t capacity)
    : mapping_(mapping), mappingSize_(mappingSize), data_(data), capacity_(capacity)
{}

ImageBuffer::~ImageBuffer()
{
    ::munmap(mapping_, mappingSize_);
}

bool ImageBuffer::readAt(std::uint64_t offset, std::span<std::uint8_t> out)
{
    if (!contains(offset, out.size()))
        return false;
    std::copy_n(data_ + offset, out.size(), out.begin());
    return true;
}

void ImageBuffer::keepPages(std::uint64_t from, std::uint64_t to)
{
    if (from >= to)
        return;
    const std::size_t first = static_cast<std::size_t>(from / kPageSize);
    const std::size_t last = static_cast<std::size_t>((to - 1) / kPageSize);
    if (changedPages_.size() <= last) {
        changedPages_.resize(last + 1, false);
        pagesAsRead_.resize(last + 1);
    }
    for (std::size_t page = first; page <= last; ++page) {
        if (changedPages_[page])
            continue;
        changedPages_[page] = true;
        const std::uint64_t start = std::uint64_t{page} * kPageSize;
        if (start < sizeAsRead_) {
            const std::size_t held =
                static_cast<std::size_t>(std::min<std::uint64_t>(kPageSize, sizeAsRead_ - start));
            pagesAsRead_[page] = std::make_unique<std::uint8_t[]>(held);
            std::copy_n(data_ + start, held, pagesAsRead_[page].get());
        }
    }
}

ImageDelta ImageBuffer::changes() const
{
    ImageDelta delta;
    delta.sizeBefore = sizeAsRead_;
    delta.sizeAfter = size_;
    delta.checksumBefore = checksumAsRead_;
    delta.checksumAfter = modified_ ? ImageChecksum(bytes()) : checksumAsRead_;
    for (std::size_t page = 0; page < changedPages_.size(); ++page) {
        if (!changedPages_[page])
            continue;
        const std::uint64_t start = std::uint64_t{page} * kPageSize;
        std::span<const std::uint8_t> asRead;
        if (pagesAsRead_[page])
            asRead = {pagesAsRead_[page].get(),
                      static_cast<std::size_t>(std::min<std::uint64_t>(kPageSize, sizeAsRead_ - start))};
        std::span<const std::uint8_t> now;
        if (start < size_)
            now = {data_ + start,
                   static_cast<std::size_t>(std::min<std::uint64_t>(kPageSize, size_ - start))};
        AppendDifferingRanges(delta.forward, start, now, asRead);
        AppendDifferingRanges(delta.reverse, start, asRead, now);
    }
    return delta;
}

bool ImageBuffer::writeAt(std::uint64_t offset, std::span<const std::uint8_t> data)
{
    if (!contains(offset, data.size()))
        return false;
    keepPages(offset, offset + data.size());
    std::copy(data.begin(), data.end(), data_ + offset);
    modified_ = true;
    return true;
}

bool ImageBuffer::extend(std::uint64_t newSize)
{
    if (newSize <= size_)
        return true;
    if (newSize > capacity_)
        return false;
    // Every byte past the end is zero: never written there, or cleared when the image was cut.
    size_ = newSize;
    modified_ = true;
    return true;
}

bool ImageBuffer::shorten(std::uint64_t newSize)
{
    if (newSize >= size_)
        return true;
    keepPages(newSize, size_);
    std::fill(data_ + newSize, data_ + size_, std::uint8_t{0});
    size_ = newSize;
    modified_ = true;
    return true;
}

} // namespace varn
