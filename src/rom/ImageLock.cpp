#include "rom/ImageLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "rom/FileIo.h"

namespace varn {

namespace fs = std::filesystem;

fs::path ImageLock::LockPath(const fs::path& imageFile)
{
    fs::path lock = imageFile;
    lock += ".lock";
    return lock;
}

Result<ImageLock> ImageLock::Acquire(const fs::path& imagePath, int waitSeconds)
{
    const auto target = ResolveWriteTarget(imagePath);
    const fs::path file = LockPath(target ? target.value() : imagePath);
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return ImageLock(-1);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(waitSeconds);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return ImageLock(fd);
        if (errno != EWOULDBLOCK && errno != EINTR) {
            // A file system without locks: nothing to wait for.
            return ImageLock(fd);
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            return Failure{kImageBusyMessage};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

ImageLock::ImageLock(ImageLock&& other) noexcept : fd_(other.fd_)
{
    other.fd_ = -1;
}

ImageLock& ImageLock::operator=(ImageLock&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

ImageLock::~ImageLock()
{
    // Closing the file gives the lock up.
    if (fd_ >= 0)
        ::close(fd_);
}

} // namespace varn
