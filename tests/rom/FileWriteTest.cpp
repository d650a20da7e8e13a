#include <gtest/gtest.h>

#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "rom/FileIo.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

namespace varn {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const Bytes kNew{'n', 'e', 'w', 0, 1, 2, 3};

struct stat StatOf(const fs::path& path)
{
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info;
}


std::string WriteMessage(const fs::path& path)
{
    return "ファイルに書き込めません。\n" + path.string();
}

Bytes Pattern(std::size_t size)
{
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 13 + 7);
    return bytes;
}

TEST(WriteFileAtomicallyTest, CreatesAndReplacesFilesWhole)
{
    test::TempDir dir;
    const fs::path created = dir.path() / "created.bin";
    ASSERT_TRUE(WriteFileAtomically(created, kNew).ok());
    EXPECT_EQ(test::ReadFileBytes(created), kNew);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(StatOf(created).st_mode & 07777, 0666 & ~mask);

    // An existing file is replaced by another one (a new inode), keeping its permissions.
    const fs::path existing = dir.write("existing.bin", "old contents");
    ASSERT_EQ(::chmod(existing.c_str(), 0640), 0);
    const ino_t before = StatOf(existing).st_ino;
    ASSERT_TRUE(WriteFileAtomically(existing, kNew).ok());
    EXPECT_EQ(test::ReadFileBytes(existing), kNew);
    EXPECT_EQ(StatOf(existing).st_mode & 07777, 0640u);
    EXPECT_NE(StatOf(existing).st_ino, before);

    ASSERT_TRUE(WriteFileAtomically(existing, Bytes{}).ok()); // an empty file is a file too
    EXPECT_EQ(fs::file_size(existing), 0u);
    EXPECT_EQ(test::FileNamesIn(dir.path()), (std::vector<std::string>{"created.bin", "existing.bin"}));
}

TEST(WriteFileAtomicallyTest, KeepsTheOwnerWhereAllowed)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root may give a file to another owner";
    test::TempDir dir;
    const fs::path file = dir.write("owned.bin", "old");
    ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
    ASSERT_TRUE(WriteFileAtomically(file, kNew).ok());
    EXPECT_EQ(StatOf(file).st_uid, 65534u);
    EXPECT_EQ(StatOf(file).st_gid, 65534u);
}

TEST(WriteFileAtomicallyTest, FollowsLinksToTheFileTheyName)
{
    test::TempDir dir;
    fs::create_directory(dir.path() / "real");
    fs::create_directory(dir.path() / "links");
    const fs::path real = dir.path() / "real" / "target.bin";
    std::ofstream(real) << "old";
    ASSERT_EQ(::chmod(real.c_str(), 0604), 0);
    // A chain: links/second -> first -> ../real/target.bin (relative targets).
    fs::create_symlink("../real/target.bin", dir.path() / "links" / "first");
    fs::create_symlink("first", dir.path() / "links" / "second");

    ASSERT_TRUE(WriteFileAtomically(dir.path() / "links" / "second", kNew).ok());
    EXPECT_EQ(test::ReadFileBytes(real), kNew);
    EXPECT_EQ(StatOf(real).st_mode & 07777, 0604u);
    EXPECT_TRUE(fs::is_symlink(dir.path() / "links" / "first"));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "links" / "second"));
    // The temporary file lay beside the real file, and nothing is left of it anywhere.
    EXPECT_EQ(test::FileNamesIn(dir.path() / "links"), (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(test::FileNamesIn(dir.path() / "real"), (std::vector<std::string>{"target.bin"}));

    // A link to a name not taken yet creates the file there.
    fs::create_symlink(dir.path() / "real" / "later.bin", dir.path() / "links" / "dangling");
    ASSERT_TRUE(WriteFileAtomically(dir.path() / "links" / "dangling", kNew).ok());
    EXPECT_EQ(test::ReadFileBytes(dir.path() / "real" / "later.bin"), kNew);
    EXPECT_TRUE(fs::is_symlink(dir.path() / "links" / "dangling"));
}

TEST(WriteFileAtomicallyTest, RefusesWhatIsNotARegularFileAndLeavesItAlone)
{
    test::TempDir dir;
    const fs::path folder = dir.path() / "folder";
    fs::create_directory(folder);
    const fs::path fifo = dir.path() / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path socketPath = dir.path() / "socket";
    const int socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.string().size(), sizeof address.sun_path);
    std::copy_n(socketPath.c_str(), socketPath.string().size(), address.sun_path);
    ASSERT_EQ(::bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(socketFd);
    // A device node of its own (the null device's numbers), where the system allows one.
    const fs::path device = dir.path() / "device";
    const bool haveDevice = ::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    fs::create_symlink("fifo", dir.path() / "link-to-fifo");
    fs::create_symlink("loop-b", dir.path() / "loop-a");
    fs::create_symlink("loop-a", dir.path() / "loop-b");

    std::vector<fs::path> refused{folder, fifo, socketPath, dir.path() / "link-to-fifo",
                                  dir.path() / "loop-a"};
    if (haveDevice)
        refused.push_back(device);
    const std::vector<std::string> before = test::FileNamesIn(dir.path());
    for (const fs::path& path : refused) {
        const mode_t type = StatOf(path).st_mode & S_IFMT;
        const Status status = WriteFileAtomically(path, kNew);
        EXPECT_EQ(status.message(), WriteMessage(path));
        EXPECT_EQ(StatOf(path).st_mode & S_IFMT, type) << path;
    }
    EXPECT_TRUE(fs::is_empty(folder));
    EXPECT_EQ(test::FileNamesIn(dir.path()), before); // no temporary file left beside any of them
}

TEST(WriteFileAtomicallyTest, AFolderThatTakesNoNewFileIsRefusedAndTheFileLeftAlone)
{
    test::TempDir dir;
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read |
                                    fs::perms::group_exec | fs::perms::others_read |
                                    fs::perms::others_exec);
    const fs::path folder = dir.path() / "readonly";
    fs::create_directory(folder);
    const fs::path file = folder / "out.bin";
    std::ofstream(file) << "old";
    // The file itself could be written in place; the folder takes no temporary file.
    ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);

    const int result = test::RunUnprivileged([&] {
        const Status status = WriteFileAtomically(file, kNew);
        return status.message() == WriteMessage(file) ? 0 : 10;
    });
    ASSERT_NE(result, test::kChildCannotTest) << "could not drop privileges";
    EXPECT_EQ(result, 0);
    EXPECT_EQ(test::ReadFileBytes(file), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(test::FileNamesIn(folder), (std::vector<std::string>{"out.bin"}));
    ::chmod(folder.c_str(), 0755);
}

// A disk that fills after N bytes: the write fails part way, and the old file stays whole.
TEST(WriteFileAtomicallyTest, AWriteThatFailsPartWayLeavesTheOldFile)
{
    test::TempDir dir;
    const fs::path file = dir.write("data.bin", "the old file");
    const Bytes large = Pattern(0x30000);
    for (const std::uint64_t limit : {0ull, 1ull, 4095ull, 4096ull, 0x2FFFFull}) {
        const int result = test::RunWithFileSizeLimit(limit, [&] {
            const Status status = WriteFileAtomically(file, large);
            return status.message() == WriteMessage(file) ? 0 : 10;
        });
        EXPECT_EQ(result, 0) << limit;
        EXPECT_EQ(test::ReadFileBytes(file), (Bytes{'t', 'h', 'e', ' ', 'o', 'l', 'd', ' ', 'f',
                                                    'i', 'l', 'e'}))
            << limit;
        EXPECT_EQ(test::FileNamesIn(dir.path()), (std::vector<std::string>{"data.bin"})) << limit;
    }
    // With room for the whole file the same write succeeds.
    EXPECT_EQ(test::RunWithFileSizeLimit(0x30000, [&] {
                  return WriteFileAtomically(file, large).ok() ? 0 : 10;
              }),
              0);
    EXPECT_TRUE(test::ReadFileBytes(file) == large);
}

TEST(WriteFilesAtomicallyTest, APairAppearsWholeOrNotAtAll)
{
    test::TempDir dir;
    const fs::path palette = dir.path() / "palette.bin";
    const fs::path tiles = dir.path() / "tiles.bin";
    const Bytes newPalette = Pattern(32);
    const Bytes newTiles = Pattern(7104);
    const std::array<FileToWrite, 2> pair{FileToWrite{palette, newPalette},
                                          FileToWrite{tiles, newTiles}};
    ASSERT_TRUE(WriteFilesAtomically(pair).ok());
    EXPECT_EQ(test::ReadFileBytes(palette), newPalette);
    EXPECT_EQ(test::ReadFileBytes(tiles), newTiles);

    // The second file's folder is missing: the first file keeps its old contents.
    const Bytes otherPalette(32, 0xEE);
    const fs::path nowhere = dir.path() / "missing" / "tiles.bin";
    const std::array<FileToWrite, 2> broken{FileToWrite{palette, otherPalette},
                                            FileToWrite{nowhere, newTiles}};
    EXPECT_EQ(WriteFilesAtomically(broken).message(), WriteMessage(nowhere));
    EXPECT_EQ(test::ReadFileBytes(palette), newPalette);

    // The disk fills while the second file is written: neither changes.
    const Bytes otherTiles(7104, 0xEE);
    const int result = test::RunWithFileSizeLimit(1000, [&] {
        const std::array<FileToWrite, 2> both{FileToWrite{palette, otherPalette},
                                              FileToWrite{tiles, otherTiles}};
        return WriteFilesAtomically(both).message() == WriteMessage(tiles) ? 0 : 10;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(test::ReadFileBytes(palette), newPalette);
    EXPECT_EQ(test::ReadFileBytes(tiles), newTiles);

    // One file named twice (also through a link) would not be a pair.
    fs::create_symlink("palette.bin", dir.path() / "same");
    const std::array<FileToWrite, 2> twice{FileToWrite{palette, otherPalette},
                                           FileToWrite{dir.path() / "same", newTiles}};
    EXPECT_EQ(WriteFilesAtomically(twice).message(), WriteMessage(dir.path() / "same"));
    EXPECT_EQ(test::ReadFileBytes(palette), newPalette);
    EXPECT_EQ(test::FileNamesIn(dir.path()),
              (std::vector<std::string>{"palette.bin", "same", "tiles.bin"}));
}

// The second file cannot take its place (its name is a mount point, which no rename replaces)
// after the first has: the first is put back. One that cannot be put back, because its old
// contents do not fit under a file size limit or could not be read (larger than any file read
// whole), keeps its new contents, is never removed, and is named after the file that failed.
TEST(WriteFilesAtomicallyTest, AnEarlierFileThatCannotBePutBackIsNamedAndKept)
{
    test::TempDir dir;
    const Bytes oldPalette(4000, 'p');
    const fs::path palette = dir.write("palette.bin", oldPalette);
    const fs::path large = dir.writeSparse("large.bin", Bytes{'L'}, kMaxReadFileSize + 1);
    const fs::path tiles = dir.write("tiles.bin", "old tiles");
    const fs::path mounted = dir.write("mounted.bin", "mounted");
    const Bytes newPalette = Pattern(32);
    const Bytes newTiles = Pattern(100);
    const int result = test::RunInChild([&] {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount(mounted.c_str(), tiles.c_str(), nullptr, MS_BIND, nullptr) != 0)
            return test::kChildCannotTest;
        const std::array<FileToWrite, 2> pair{FileToWrite{palette, newPalette},
                                              FileToWrite{tiles, newTiles}};
        if (WriteFilesAtomically(pair).message() != WriteMessage(tiles))
            return 10;
        if (test::ReadFileBytes(palette) != oldPalette)
            return 11;

        const std::array<FileToWrite, 2> withLarge{FileToWrite{large, newPalette},
                                                   FileToWrite{tiles, newTiles}};
        if (WriteFilesAtomically(withLarge).message() !=
            WriteMessage(tiles) + "\n" + large.string())
            return 12;
        if (test::ReadFileBytes(large) != newPalette)
            return 13;

        // Room for the new files, not for the palette's old contents.
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return test::kChildCannotTest;
        if (WriteFilesAtomically(pair).message() != WriteMessage(tiles) + "\n" + palette.string())
            return 14;
        if (test::ReadFileBytes(palette) != newPalette)
            return 15;
        if (test::ReadFileBytes(tiles) != Bytes{'m', 'o', 'u', 'n', 't', 'e', 'd'})
            return 16;
        if (test::FileNamesIn(dir.path()) !=
            std::vector<std::string>{"large.bin", "mounted.bin", "palette.bin", "tiles.bin"})
            return 17;
        return 0;
    });
    if (result == test::kChildCannotTest)
        GTEST_SKIP() << "no mount namespace to make a file name a mount point here";
    EXPECT_EQ(result, 0);
}

// Files written each on its own: one that cannot be written (its name is a folder, or an
// earlier entry names it) fails alone, the others replace or create their targets, and no
// temporary file is left.
TEST(WriteEachFileAtomicallyTest, AFileThatCannotBeWrittenFailsAloneAndTheOthersAreWritten)
{
    test::TempDir dir;
    const fs::path existing = dir.write("existing.bin", "old");
    const fs::path folder = dir.path() / "folder";
    fs::create_directory(folder);
    const fs::path created = dir.path() / "created.bin";
    const Bytes first = Pattern(10);
    const Bytes second = Pattern(20);
    const Bytes third = Pattern(30);
    const std::array<FileToWrite, 4> files{FileToWrite{existing, first}, FileToWrite{folder, second},
                                           FileToWrite{created, third},
                                           FileToWrite{dir.path() / "." / "created.bin", first}};
    const std::vector<Status> outcomes = WriteEachFileAtomically(files);
    ASSERT_EQ(outcomes.size(), 4u);
    EXPECT_TRUE(outcomes[0].ok());
    EXPECT_EQ(outcomes[1].message(), WriteMessage(folder));
    EXPECT_TRUE(outcomes[2].ok());
    EXPECT_EQ(outcomes[3].message(), WriteMessage(dir.path() / "." / "created.bin"));
    EXPECT_EQ(test::ReadFileBytes(existing), first);
    EXPECT_EQ(test::ReadFileBytes(created), third);
    EXPECT_EQ(test::FileNamesIn(dir.path()),
              (std::vector<std::string>{"created.bin", "existing.bin", "folder"}));
    EXPECT_TRUE(fs::is_empty(folder));
}

// Copying a file fails part way (a full disk, a file size limit): the old copy stays whole and
// the temporary file beside it is gone.
TEST(CopyFileAtomicallyTest, ACopyThatFailsPartWayLeavesTheOldCopyAndNoTemporaryFile)
{
    test::TempDir dir;
    const Bytes large = Pattern(0x30000);
    const fs::path file = dir.write("game.smc", large);
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    for (const bool existing : {false, true}) {
        const fs::path copy = dir.path() / "game.smc.bak";
        if (existing)
            dir.write("game.smc.bak", "old copy");
        for (const std::uint64_t limit : {0ull, 1ull, 0x10000ull, 0x2FFFFull}) {
            const int result = test::RunWithFileSizeLimit(limit, [&] {
                return CopyFileAtomically(file, copy).message() == WriteMessage(copy) ? 0 : 10;
            });
            EXPECT_EQ(result, 0) << limit;
            const std::vector<std::string> left =
                existing ? std::vector<std::string>{"game.smc", "game.smc.bak"}
                         : std::vector<std::string>{"game.smc"};
            EXPECT_EQ(test::FileNamesIn(dir.path()), left) << limit;
            if (existing) {
                EXPECT_EQ(test::ReadFileBytes(copy),
                          (Bytes{'o', 'l', 'd', ' ', 'c', 'o', 'p', 'y'}));
            }
        }
        // With room for the whole file the copy is made, with the file's permission bits.
        ASSERT_TRUE(CopyFileAtomically(file, copy).ok());
        EXPECT_TRUE(test::ReadFileBytes(copy) == large);
        EXPECT_EQ(StatOf(copy).st_mode & 07777, 0640u);
        fs::remove(copy);
    }
}

// An output is refused when it is the same file on the disk as an input, whatever the names
// that lead to it; other files, and names that lead nowhere, are not.
TEST(CheckOutputNotInputTest, TheSameFileByAnyNameIsRefused)
{
    test::TempDir dir;
    const fs::path rom = dir.write("game.smc", "image");
    const fs::path other = dir.write("other.smc", "image");
    fs::create_directory(dir.path() / "sub");
    fs::create_symlink("game.smc", dir.path() / "link.gif");
    fs::create_symlink("link.gif", dir.path() / "chain.gif");
    fs::create_symlink("../game.smc", dir.path() / "sub" / "up.gif");
    fs::create_hard_link(rom, dir.path() / "hard.gif");
    fs::create_symlink("missing.smc", dir.path() / "dangling.gif");
    fs::create_symlink("loop-b", dir.path() / "loop-a");
    fs::create_symlink("loop-a", dir.path() / "loop-b");
    const fs::path missing = dir.path() / "missing.smc";

    struct Case {
        fs::path output;
        std::vector<fs::path> inputs;
        bool refused;
    };
    const Case cases[] = {
        {rom, {rom}, true},
        {dir.path() / "sub" / ".." / "game.smc", {rom}, true},
        {dir.path() / "link.gif", {rom}, true},
        {dir.path() / "chain.gif", {rom}, true},
        {dir.path() / "sub" / "up.gif", {rom}, true},
        {dir.path() / "hard.gif", {rom}, true},
        {rom, {dir.path() / "hard.gif"}, true}, // the input named through a link
        {rom, {dir.path() / "link.gif"}, true},
        {dir.path() / "link.gif", {other, missing, rom}, true}, // any of several inputs
        {other, {rom}, false},
        {other, {}, false},
        {missing, {rom, missing}, false}, // a missing output is never an input
        {dir.path() / "dangling.gif", {rom, missing}, false},
        {dir.path() / "loop-a", {rom}, false},
        {rom, {"", missing}, false},
        {"", {rom}, false},
    };
    for (const Case& c : cases) {
        const Status status = CheckOutputNotInput(c.output, c.inputs);
        EXPECT_EQ(status.message(),
                  c.refused ? "出力先が入力ファイルと同じです。\n" + c.output.filename().string()
                            : std::string())
            << c.output;
    }
    EXPECT_EQ(test::ReadFileBytes(rom), (Bytes{'i', 'm', 'a', 'g', 'e'}));
}

} // namespace
} // namespace varn
