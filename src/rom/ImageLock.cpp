#include "rom/ImageLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
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
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(waitSeconds);
    for (;;) {
        const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0)
            return ImageLock(-1, {});
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // The holder before removed the file as it gave the lock up: a lock on the file it
            // removed locks nothing, so the lock is taken again on the file that is there now.
            struct stat held {};
            struct stat present {};
            if (::fstat(fd, &held) == 0 && ::stat(file.c_str(), &present) == 0 &&
                held.st_dev == present.st_dev && held.st_ino == present.st_ino)
                return ImageLock(fd, file);
            ::close(fd);
            continue;
        }
        const int error = errno;
        ::close(fd);
        if (error != EWOULDBLOCK && error != EINTR) {
            // A file system without locks: nothing to wait for.
            return ImageLock(-1, {});
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return Failure{kImageBusyMessage};
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

ImageLock::ImageLock(ImageLock&& other) noexcept : fd_(other.fd_), file_(std::move(other.file_))
{
    other.fd_ = -1;
}

ImageLock& ImageLock::operator=(ImageLock&& other) noexcept
{
    if (this != &other) {
        release();
        fd_ = other.fd_;
        file_ = std::move(other.file_);
        other.fd_ = -1;
    }
    return *this;
}

ImageLock::~ImageLock()
{
    release();
}

void ImageLock::release()
{
    if (fd_ < 0)
        return;
    // The file goes while the lock is held, so that no lock file stays beside the image; a
    // command waiting on it finds it gone and locks the one that is there then.
    ::unlink(file_.c_str());
    ::close(fd_);
    fd_ = -1;
}

} // namespace varn
