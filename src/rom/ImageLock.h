#pragma once

#include <filesystem>

#include "rom/Result.h"

namespace varn {

// The advisory lock a command holds on an image file from reading it to replacing it, so that
// two commands (two instances of the program, the editor and the command line) changing the
// same image run one after the other instead of one losing the other's change. It is a lock on
// "<file name>.lock" beside the image file (the file a link names), which is there only while
// a command holds it.

inline constexpr const char* kImageBusyMessage =
    "ほかのプログラムがこのROMイメージを変更中です。しばらくしてからやり直してください。";

class ImageLock {
public:
    // Waits up to `waitSeconds` for the lock of the image at `imagePath`. Fails with
    // "ほかのプログラムがこのROMイメージを変更中です。…" when another command still holds it then.
    // Where no lock file can be made (a folder the user may not write), there is no lock to
    // take and none is needed: the image cannot be replaced there either.
    static Result<ImageLock> Acquire(const std::filesystem::path& imagePath, int waitSeconds = 30);

    ImageLock(ImageLock&& other) noexcept;
    ImageLock& operator=(ImageLock&& other) noexcept;
    ImageLock(const ImageLock&) = delete;
    ImageLock& operator=(const ImageLock&) = delete;
    ~ImageLock();

    // Where the lock file of an image lies.
    static std::filesystem::path LockPath(const std::filesystem::path& imageFile);

private:
    ImageLock(int fd, std::filesystem::path file) : fd_(fd), file_(std::move(file)) {}
    void release();

    int fd_ = -1;
    std::filesystem::path file_;
};

} // namespace varn
