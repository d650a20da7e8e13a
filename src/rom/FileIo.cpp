#include "rom/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <optional>
#include <random>
#include <system_error>
#include <utility>

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

Status CheckOutputNotInput(const fs::path& output, std::span<const fs::path> inputs)
{
    // The file's identity on the disk: the device and the inode, links followed.
    struct stat written {};
    if (output.empty() || ::stat(output.c_str(), &written) != 0)
        return {};
    for (const fs::path& input : inputs) {
        struct stat read {};
        if (!input.empty() && ::stat(input.c_str(), &read) == 0 && read.st_dev == written.st_dev &&
            read.st_ino == written.st_ino)
            return Failure{std::string(kOutputIsInputMessage) + "\n" + output.filename().string()};
    }
    return {};
}

Status CheckOutputNotInput(const fs::path& output, std::initializer_list<fs::path> inputs)
{
    return CheckOutputNotInput(output, std::span(inputs.begin(), inputs.size()));
}

Result<FileHead> ReadFileHead(const fs::path& path, std::size_t count)
{
    std::error_code error;
    if (!fs::is_regular_file(path, error))
        return Failure{kCannotOpenFileMessage};
    FileHead head;
    head.size = fs::file_size(path, error);
    if (error)
        return Failure{kCannotOpenFileMessage};
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return Failure{kCannotOpenFileMessage};
    head.bytes.resize(static_cast<std::size_t>(std::min<std::uintmax_t>(count, head.size)));
    file.read(reinterpret_cast<char*>(head.bytes.data()),
              static_cast<std::streamsize>(head.bytes.size()));
    if (static_cast<std::size_t>(file.gcount()) != head.bytes.size())
        return Failure{kCannotOpenFileMessage};
    return head;
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
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept
    {
        adopt(std::exchange(other.fd_, -1));
        return *this;
    }

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
    if (dir.valid() && ::fsync(dir.get()) != 0) {
        // The rename stands; only its lasting across a power cut is not certain.
    }
}

// Flushes each folder of `targets` once, however many of them it holds.
void FlushFolders(const std::vector<fs::path>& targets)
{
    std::vector<fs::path> folders;
    for (const fs::path& target : targets) {
        fs::path folder = target.parent_path();
        if (std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(std::move(folder));
    }
    for (const fs::path& folder : folders)
        FlushFolder(folder);
}

// Whether two resolved targets are one file: the same name once "." and ".." are taken out, or
// one existing file under two names.
bool SameTarget(const fs::path& one, const fs::path& other)
{
    std::error_code error;
    return one.lexically_normal() == other.lexically_normal() || fs::equivalent(one, other, error);
}

// A temporary file beside the target, written and open until it is flushed, not yet renamed.
// It stays open from its writing to its flush so that the flush reports any failure of the
// system's deferred writing of it.
struct PendingFile {
    fs::path target;
    fs::path temporary;
    Descriptor file;
};

// Creates a new, empty temporary file beside `target` under a name no other file has; its
// name, or nothing when no file could be created (then nothing was).
std::optional<fs::path> CreateBeside(const fs::path& target, Descriptor& file)
{
    static std::mt19937_64 random{std::random_device{}()};
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path temporary = target;
        temporary += "." + std::to_string(random() % 1000000000) + ".tmp";
        file.adopt(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (file.valid())
            return temporary;
        if (errno != EEXIST)
            return std::nullopt;
    }
    return std::nullopt;
}

// Creates a temporary file beside `target` with the target's permission bits and owner when it
// exists and writes `bytes` into it; the file stays open for FlushPending. Whatever fails, the
// temporary file is gone again.
std::optional<PendingFile> WriteBeside(const fs::path& target, std::span<const std::uint8_t> bytes)
{
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;

    Descriptor file;
    const std::optional<fs::path> temporary = CreateBeside(target, file);
    if (!temporary)
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
    if (!WriteAll(file.get(), bytes)) {
        file.reset();
        ::unlink(temporary->c_str());
        return std::nullopt;
    }
    return PendingFile{target, *temporary, std::move(file)};
}

// Flushes a written temporary file to the disk and closes it. When that fails the temporary
// file is gone and false is returned.
bool FlushPending(PendingFile& pending)
{
    const bool flushed = ::fsync(pending.file.get()) == 0;
    if (!pending.file.reset() || !flushed) {
        ::unlink(pending.temporary.c_str());
        return false;
    }
    return true;
}

// Copies the whole of `from` into `to` (both open, `to` empty). The system copies the bytes
// itself, sharing them where the file system can; where it cannot copy between the two files
// at all, they are read and written here.
bool CopyAll(int from, int to)
{
    bool copiedAny = false;
    for (;;) {
        const ::ssize_t copied = ::copy_file_range(from, nullptr, to, nullptr, 1u << 30, 0);
        if (copied == 0)
            return true;
        if (copied > 0) {
            copiedAny = true;
            continue;
        }
        if (errno == EINTR)
            continue;
        if (copiedAny ||
            (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP))
            return false;
        break;
    }
    std::vector<std::uint8_t> buffer(1u << 20);
    for (;;) {
        const ::ssize_t read = ::read(from, buffer.data(), buffer.size());
        if (read == 0)
            return true;
        if (read < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (!WriteAll(to, std::span(buffer.data(), static_cast<std::size_t>(read))))
            return false;
    }
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
    Descriptor source(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (!source.valid() || ::fstat(source.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return WriteFailure(copy);

    // The copy is made whole in a temporary file beside the target, which is removed again on
    // every failure (a full disk, a file size limit), then renamed over the target.
    Descriptor written;
    const std::optional<fs::path> temporary = CreateBeside(target.value(), written);
    if (!temporary)
        return WriteFailure(copy);
    if (::fchmod(written.get(), info.st_mode & 07777) != 0) {
        // The copy keeps the mode it was created with.
    }
    const bool flushed = CopyAll(source.get(), written.get()) && ::fsync(written.get()) == 0;
    if (!written.reset() || !flushed || ::rename(temporary->c_str(), target.value().c_str()) != 0) {
        ::unlink(temporary->c_str());
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
            if (SameTarget(earlier, target.value()))
                return WriteFailure(file.path);
        }
        targets.push_back(std::move(target).value());
    }

    // Every file is whole on the disk before the first target is replaced: all are written,
    // then all are flushed in one pass.
    std::vector<PendingFile> pending;
    const auto discard = [&pending](std::size_t from) {
        for (std::size_t j = from; j < pending.size(); ++j) {
            pending[j].file.reset();
            ::unlink(pending[j].temporary.c_str());
        }
    };
    for (std::size_t i = 0; i < files.size(); ++i) {
        auto written = WriteBeside(targets[i], files[i].bytes);
        if (!written) {
            discard(0);
            return WriteFailure(files[i].path);
        }
        pending.push_back(std::move(*written));
    }
    for (std::size_t i = 0; i < pending.size(); ++i) {
        if (!FlushPending(pending[i])) {
            discard(i + 1);
            for (std::size_t j = 0; j < i; ++j)
                ::unlink(pending[j].temporary.c_str());
            return WriteFailure(files[i].path);
        }
    }

    // What a set needs to put back when a later file cannot take its place: the earlier
    // targets' old contents (small files: a set is a palette and its tiles). A target that did
    // not exist is removed again; one that exists but cannot be read cannot be put back.
    struct OldFile {
        bool existed = false;
        std::optional<std::vector<std::uint8_t>> bytes;
    };
    std::vector<OldFile> previous;
    if (files.size() > 1) {
        for (const fs::path& target : targets) {
            struct stat info {};
            OldFile old{::stat(target.c_str(), &info) == 0 || errno != ENOENT, std::nullopt};
            if (old.existed) {
                if (auto bytes = ReadFileBytes(target))
                    old.bytes = std::move(bytes).value();
            }
            previous.push_back(std::move(old));
        }
    }
    for (std::size_t i = 0; i < pending.size(); ++i) {
        if (::rename(pending[i].temporary.c_str(), pending[i].target.c_str()) == 0)
            continue;
        for (std::size_t j = i; j < pending.size(); ++j)
            ::unlink(pending[j].temporary.c_str());
        // An earlier file that cannot be put back is named after the file that failed: it now
        // holds its new contents.
        Failure failure = WriteFailure(files[i].path);
        for (std::size_t j = 0; j < i; ++j) {
            const bool putBack =
                previous[j].bytes ? WriteFileAtomically(targets[j], *previous[j].bytes).ok()
                                  : !previous[j].existed && ::unlink(targets[j].c_str()) == 0;
            if (!putBack)
                failure.message += "\n" + files[j].path.string();
        }
        return failure;
    }
    FlushFolders(targets);
    return {};
}

std::vector<Status> WriteEachFileAtomically(std::span<const FileToWrite> files)
{
    std::vector<Status> outcomes(files.size());
    std::vector<std::optional<PendingFile>> pending(files.size());
    std::vector<fs::path> targets;
    for (std::size_t i = 0; i < files.size(); ++i) {
        auto target = ResolveWriteTarget(files[i].path);
        if (!target) {
            outcomes[i] = Failure{target.message()};
            continue;
        }
        const bool twice = std::any_of(targets.begin(), targets.end(), [&](const fs::path& earlier) {
            return SameTarget(earlier, target.value());
        });
        if (twice || !(pending[i] = WriteBeside(target.value(), files[i].bytes))) {
            outcomes[i] = WriteFailure(files[i].path);
            continue;
        }
        targets.push_back(std::move(target).value());
    }
    // One pass of flushes over the files written, then the renames.
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (pending[i] && !FlushPending(*pending[i])) {
            pending[i].reset();
            outcomes[i] = WriteFailure(files[i].path);
        }
    }
    std::vector<fs::path> replaced;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!pending[i])
            continue;
        if (::rename(pending[i]->temporary.c_str(), pending[i]->target.c_str()) != 0) {
            ::unlink(pending[i]->temporary.c_str());
            outcomes[i] = WriteFailure(files[i].path);
            continue;
        }
        replaced.push_back(pending[i]->target);
    }
    FlushFolders(replaced);
    return outcomes;
}

} // namespace varn
