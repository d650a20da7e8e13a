#include "rom/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <optional>
#include <random>
#include <system_error>

#include "rom/RomStream.h"

// Files are replaced through POSIX calls: the standard library has no way to flush a file to
// the disk, to create a file only when the name is free, or to keep a file's owner.

namespace varn {

namespace fs = std::filesystem;

namespace {

// Reads a regular file of at most `maxSize` bytes; a larger one fails with `tooLarge`.
Result<std::vector<std::uint8_t>> ReadWholeFile(const fs::path& path, std::uintmax_t maxSize,
                                                const char* tooLarge)
{
    std::error_code error;
    if (!fs::is_regular_file(path, error))
        return Failure{kCannotOpenFileMessage};
    const std::uintmax_t size = fs::file_size(path, error);
    if (error)
        return Failure{kCannotOpenFileMessage};
    if (size > maxSize)
        return Failure{tooLarge};
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return Failure{kCannotOpenFileMessage};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<std::uintmax_t>(file.gcount()) != size)
        return Failure{kCannotOpenFileMessage};
    return bytes;
}

} // namespace

Result<std::vector<std::uint8_t>> ReadFileBytes(const fs::path& path, std::uintmax_t maxSize)
{
    return ReadWholeFile(path, maxSize, kCannotOpenFileMessage);
}

Result<std::vector<std::uint8_t>> ReadBoundedFile(const fs::path& path, std::uintmax_t maxSize)
{
    return ReadWholeFile(path, maxSize, kFileTooLargeMessage);
}

namespace {

// Links deeper than this are taken for a loop, as the system itself does.
constexpr int kMaxLinkDepth = 40;

Failure WriteFailure(const fs::path& path)
{
    return Failure{std::string(kCannotWriteFileMessage) + "\n" + path.string()};
}

// Closes a descriptor when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    // Takes `fd` in place of the descriptor held.
    void adopt(int fd)
    {
        reset();
        fd_ = fd;
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now; false when closing reports an error (a write the system had deferred).
    bool reset()
    {
        if (fd_ < 0)
            return true;
        const bool closed = ::close(fd_) == 0;
        fd_ = -1;
        return closed;
    }

private:
    int fd_;
};

bool WriteAll(int fd, std::span<const std::uint8_t> bytes)
{
    while (!bytes.empty()) {
        const ::ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

// Makes a rename inside `folder` last across a power cut. A folder that cannot be flushed
// does not undo the rename, which has already happened, so a failure is not reported.
void FlushFolder(const fs::path& folder)
{
    Descriptor dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid())
        ::fsync(dir.get());
}

// A temporary file beside the target, written and flushed, not yet renamed.
struct PendingFile {
    fs::path target;
    fs::path temporary;
};

// Creates a temporary file beside `target` under a name no other file has, with the target's
// permission bits and owner when it exists, writes `bytes` into it and flushes it to the disk.
std::optional<PendingFile> WriteBeside(const fs::path& target, std::span<const std::uint8_t> bytes)
{
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;

    static std::mt19937_64 random{std::random_device{}()};
    PendingFile pending{target, {}};
    Descriptor file;
    for (int attempt = 0; attempt < 100 && !file.valid(); ++attempt) {
        pending.temporary = target;
        pending.temporary += "." + std::to_string(random() % 1000000000) + ".tmp";
        file.adopt(::open(pending.temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!file.valid() && errno != EEXIST)
            return std::nullopt;
    }
    if (!file.valid())
        return std::nullopt;

    if (exists) {
        // The owner first: changing it may clear the set-user bits the mode then restores.
        if (::fchown(file.get(), existing.st_uid, existing.st_gid) != 0 &&
            ::fchown(file.get(), static_cast<uid_t>(-1), existing.st_gid) != 0) {
            // Only the owner may give a file away; the new file stays the writer's.
        }
        if (::fchmod(file.get(), existing.st_mode & 07777) != 0) {
            // The file keeps the mode it was created with.
        }
    }
    const bool written = WriteAll(file.get(), bytes) && ::fsync(file.get()) == 0;
    if (!file.reset() || !written) {
        ::unlink(pending.temporary.c_str());
        return std::nullopt;
    }
    return pending;
}

} // namespace

Result<fs::path> ResolveWriteTarget(const fs::path& path)
{
    fs::path target = path;
    for (int depth = 0; depth <= kMaxLinkDepth; ++depth) {
        struct stat info {};
        if (::lstat(target.c_str(), &info) != 0) {
            // A name not taken yet: the file is created there.
            if (errno == ENOENT)
                return target;
            return WriteFailure(path);
        }
        // A file the user may not write is not replaced either, though the rename would
        // be allowed.
        if (S_ISREG(info.st_mode))
            return ::access(target.c_str(), W_OK) == 0 ? Result<fs::path>(target) : WriteFailure(path);
        if (!S_ISLNK(info.st_mode))
            return WriteFailure(path);
        std::error_code error;
        const fs::path next = fs::read_symlink(target, error);
        if (error)
            return WriteFailure(path);
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return WriteFailure(path);
}

Status CopyFileAtomically(const fs::path& file, const fs::path& copy)
{
    auto target = ResolveWriteTarget(copy);
    if (!target)
        return Failure{target.message()};
    static std::mt19937_64 random{std::random_device{}()};
    fs::path temporary;
    std::error_code error;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = target.value();
        temporary += "." + std::to_string(random() % 1000000000) + ".tmp";
        // The system copies the bytes itself (sharing them where the file system can).
        if (fs::copy_file(file, temporary, fs::copy_options::none, error) || error != std::errc::file_exists)
            break;
    }
    if (error)
        return WriteFailure(copy);
    Descriptor written(::open(temporary.c_str(), O_WRONLY | O_CLOEXEC));
    const bool flushed = written.valid() && ::fsync(written.get()) == 0;
    if (!written.reset() || !flushed || ::rename(temporary.c_str(), target.value().c_str()) != 0) {
        ::unlink(temporary.c_str());
        return WriteFailure(copy);
    }
    FlushFolder(target.value().parent_path());
    return {};
}

Status WriteFileAtomically(const fs::path& path, std::span<const std::uint8_t> bytes)
{
    const FileToWrite file{path, bytes};
    return WriteFilesAtomically(std::span(&file, 1));
}

Status WriteFilesAtomically(std::span<const FileToWrite> files)
{
    std::vector<fs::path> targets;
    for (const FileToWrite& file : files) {
        auto target = ResolveWriteTarget(file.path);
        if (!target)
            return Failure{target.message()};
        for (const fs::path& earlier : targets) {
            std::error_code error;
            if (earlier == target.value() || fs::equivalent(earlier, target.value(), error))
                return WriteFailure(file.path);
        }
        targets.push_back(std::move(target).value());
    }

    // Every file is whole on the disk before the first target is replaced.
    std::vector<PendingFile> pending;
    const auto discard = [&pending] {
        for (const PendingFile& file : pending)
            ::unlink(file.temporary.c_str());
    };
    for (std::size_t i = 0; i < files.size(); ++i) {
        auto written = WriteBeside(targets[i], files[i].bytes);
        if (!written) {
            discard();
            return WriteFailure(files[i].path);
        }
        pending.push_back(std::move(*written));
    }

    // What a set needs to put back when a later file cannot take its place: the earlier
    // targets' old contents (small files: a set is a palette and its tiles).
    std::vector<std::optional<std::vector<std::uint8_t>>> previous;
    if (files.size() > 1) {
        for (const fs::path& target : targets) {
            auto old = ReadFileBytes(target);
            previous.push_back(old ? std::optional(std::move(old).value()) : std::nullopt);
        }
    }
    for (std::size_t i = 0; i < pending.size(); ++i) {
        if (::rename(pending[i].temporary.c_str(), pending[i].target.c_str()) == 0)
            continue;
        for (std::size_t j = i; j < pending.size(); ++j)
            ::unlink(pending[j].temporary.c_str());
        for (std::size_t j = 0; j < i; ++j) {
            if (previous[j])
                WriteFileAtomically(targets[j], *previous[j]);
            else
                ::unlink(targets[j].c_str());
        }
        return WriteFailure(files[i].path);
    }
    for (const fs::path& target : targets)
        FlushFolder(target.parent_path());
    return {};
}

} // namespace varn
