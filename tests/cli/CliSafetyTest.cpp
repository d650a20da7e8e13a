// What the command-line tool does to files when things go wrong: outputs that are not regular
// files, pairs of outputs, a kill in the middle of a long apply, and a hostile GIF.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "CliRunner.h"
#include "graphics/GifCodec.h"
#include "support/ChildProcess.h"
#include "support/RomImageBuilder.h"
#include "support/TempDir.h"

namespace varn::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;


mode_t TypeOf(const fs::path& path)
{
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & S_IFMT;
}

TEST(CliOutputTest, AnOutputThatIsNotARegularFileIsRefusedAndLeftAlone)
{
    TempDir dir;
    const fs::path fifo = dir.path() / "song.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path folder = dir.path() / "folder";
    fs::create_directory(folder);
    std::vector<fs::path> outputs{fifo, folder};
    // A device node of the test's own with the null device's numbers, where one may be made;
    // the system's own devices are never put at risk by a test.
    const fs::path device = dir.path() / "null";
    if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        outputs.push_back(device);

    for (const fs::path& output : outputs) {
        const mode_t type = TypeOf(output);
        const CliRun run = RunCli({"mml", "build", (kExamples / "song.mml").string(), "--address",
                                   "500004", output.string()});
        EXPECT_EQ(run.exitCode, 2) << output;
        EXPECT_EQ(run.err, "ファイルに書き込めません。\n" + output.string() + "\n");
        EXPECT_EQ(TypeOf(output), type) << output;
    }
}

TEST(CliOutputTest, AnOutputLinkIsFollowedAndStaysALink)
{
    TempDir dir;
    const fs::path real = dir.write("block.bin", "old");
    ASSERT_EQ(::chmod(real.c_str(), 0600), 0);
    const fs::path link = dir.path() / "latest.bin";
    fs::create_symlink("block.bin", link);
    const CliRun run = RunCli({"mml", "build", (kExamples / "song.mml").string(), "--address",
                               "500004", link.string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_GT(fs::file_size(real), 38u); // the song block's header alone is 38 bytes
    EXPECT_EQ(fs::status(real).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

TEST(CliOutputTest, SheetSplitWritesBothFilesOrNeither)
{
    TempDir dir;
    const fs::path palette = dir.write("palette.bin", "old palette");
    const fs::path nowhere = dir.path() / "missing" / "tiles.bin";
    const CliRun run = RunCli({"sheet", "split", (kExamples / "example_sheet.gif").string(),
                               palette.string(), nowhere.string()});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "ファイルに書き込めません。\n" + nowhere.string() + "\n");
    EXPECT_EQ(ReadFileBytes(palette), (Bytes{'o', 'l', 'd', ' ', 'p', 'a', 'l', 'e', 't', 't', 'e'}));

    const fs::path tiles = dir.path() / "tiles.bin";
    const CliRun whole = RunCli({"sheet", "split", (kExamples / "example_sheet.gif").string(),
                                 palette.string(), tiles.string()});
    ASSERT_EQ(whole.exitCode, 0) << whole.err;
    EXPECT_EQ(fs::file_size(palette), 32u);
    EXPECT_EQ(fs::file_size(tiles), 7104u);
}


// A long list: an IPS patch, the example character in every game slot and at B0, and songs.
fs::path WriteLongList(const TempDir& dir)
{
    std::string list = "// Varnpatch Patch List 2026/12/10 00:00:00\r\n";
    list += (kExamples / "example.ips").string() + "\r\n";
    for (int target = 0; target <= 0x1F; ++target) {
        char line[16];
        std::snprintf(line, sizeof line, ", %02X\r\n", target);
        list += (kExamples / "example_character.vnp").string() + line;
    }
    list += (kExamples / "example_character.vnp").string() + ", B0\r\n";
    for (int i = 0; i < 40; ++i)
        list += (kExamples / "song.mml").string() + "\r\n";
    return dir.write("long.txt", list);
}

// Killed at any moment of a long apply, the tool leaves the image as it was or as the whole
// list makes it, never anything in between.
TEST(CliKillTest, AKilledApplyLeavesTheOldImageOrTheNewOne)
{
    TempDir dir;
    const Bytes original = RomImageBuilder::ReadyForPatchList().build();
    const fs::path list = WriteLongList(dir);

    // The image the whole list makes, and how long the tool takes to make it.
    const fs::path reference = dir.write("reference.smc", original);
    const auto start = std::chrono::steady_clock::now();
    const CliRun full = RunCli({"apply", reference.string(), list.string()});
    const auto duration = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(full.exitCode, 0) << full.err;
    const Bytes changed = ReadFileBytes(reference);
    ASSERT_NE(changed, original);

    // Random moments over the whole run and a little past it; the trials go on (up to a bound)
    // until a kill has left each outcome at least once, so that both cases are checked: a kill
    // before the commit, and one after it.
    std::mt19937 random(20261210);
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(duration * 1.2);
    std::uniform_int_distribution<long long> delay(0, span.count());
    int old = 0;
    int complete = 0;
    for (int trial = 0; trial < 48 && (trial < 12 || old == 0 || complete == 0); ++trial) {
        const fs::path rom = dir.write("game.smc", original);
        // The first trial kills at once, the second after the whole run has had time to end.
        const auto wait = trial == 0   ? std::chrono::microseconds(0)
                          : trial == 1 ? span * 2
                                       : std::chrono::microseconds(delay(random));
        {
            BackgroundProgram apply({VARNWORK_CLI, "apply", rom.string(), list.string()},
                                    dir.path() / "out", dir.path() / "err");
            std::this_thread::sleep_for(wait);
            apply.kill();
        }
        const Bytes after = ReadFileBytes(rom);
        const bool isOld = after == original;
        const bool isNew = after == changed;
        EXPECT_TRUE(isOld || isNew) << "killed after " << wait.count() << " µs";
        old += isOld;
        complete += isNew;
        // What the tool printed before it was killed is there to read: one line per entry.
        const auto out = ReadFileBytes(dir.path() / "out");
        EXPECT_TRUE(std::string(out.begin(), out.end()).find("applied ") == 0 || out.empty());
    }
    EXPECT_GT(old, 0) << "no kill left the old image";
    EXPECT_GT(complete, 0) << "no kill came after the new image was in place";
    RecordProperty("old", old);
    RecordProperty("new", complete);
}

// Writes a GIF of sixty 4096 × 4096 frames in under a megabyte: one frame of one colour
// encoded, then its bytes repeated.
bool WriteGifBomb(const fs::path& path)
{
    GifImage image;
    image.width = 4096;
    image.height = 4096;
    image.colors = {{0, 0, 0}, {255, 255, 255}};
    GifFrame frame;
    frame.width = 4096;
    frame.height = 4096;
    frame.pixels.assign(std::size_t{4096} * 4096, 0);
    image.frames.push_back(std::move(frame));
    const auto one = EncodeGif(image);
    if (!one)
        return false;
    // Header, screen and a two-colour table; then the frame up to the trailer, sixty times.
    const Bytes& bytes = one.value();
    const std::size_t frameStart = 13 + 6;
    if (bytes[frameStart] != 0x2C || bytes.back() != 0x3B)
        return false;
    Bytes bomb(bytes.begin(), bytes.begin() + frameStart);
    for (int i = 0; i < 60; ++i)
        bomb.insert(bomb.end(), bytes.begin() + frameStart, bytes.end() - 1);
    bomb.push_back(0x3B);
    if (bomb.size() >= (1u << 20))
        return false;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bomb.data()), static_cast<std::streamsize>(bomb.size()));
    return true;
}

// A GIF of sixty 4096 × 4096 frames, under a megabyte: the sheet check refuses it at once,
// without decoding a frame.
TEST(CliGifTest, AHugeAnimatedGifIsRefusedQuicklyInLittleMemory)
{
    TempDir dir;
    const fs::path path = dir.path() / "bomb.gif";
    // Made in a child process, so that the frame it encodes does not count in this process's
    // memory, which the tool started below inherits in its peak.
    ASSERT_EQ(RunInChild([&] { return WriteGifBomb(path) ? 0 : 10; }), 0);

    const MeasuredRun check = RunMeasured({VARNWORK_CLI, "sheet", "check", path.string()});
    EXPECT_EQ(check.exitCode, 2);
    EXPECT_LT(check.elapsed, std::chrono::milliseconds(2000));
    // The tool itself (with its sanitizers) and the file; no decoded frame.
    EXPECT_LT(check.peakKiB, 64 * 1024);
    RecordProperty("peak_KiB", static_cast<int>(check.peakKiB));
    RecordProperty("elapsed_ms", static_cast<int>(check.elapsed.count()));
    const CliRun run = RunCli({"sheet", "check", path.string()});
    EXPECT_EQ(run.err, "不正な画像です。\n");
}

TEST(CliBackupTest, BackupKeepsTheImageAsItWasBesideIt)
{
    TempDir dir;
    const Bytes original = RomImageBuilder(0x1000).build();
    const fs::path rom = dir.write("image.smc", original);
    const fs::path ips = dir.write(
        "fix.ips", Bytes{'P', 'A', 'T', 'C', 'H', 0x00, 0x02, 0x00, 0x00, 0x01, 0xAA, 'E', 'O', 'F'});
    const CliRun run = RunCli({"ips", rom.string(), ips.string(), "--backup"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadFileBytes(rom)[0x200], 0xAA);
    EXPECT_EQ(ReadFileBytes(dir.path() / "image.smc.bak"), original);

    // A refused command writes neither the image nor a backup.
    fs::remove(dir.path() / "image.smc.bak");
    // A record whose data the file does not hold.
    const fs::path broken = dir.write(
        "broken.ips", Bytes{'P', 'A', 'T', 'C', 'H', 0x00, 0x03, 0x00, 0x00, 0x04, 0xAA});
    const CliRun refused = RunCli({"ips", rom.string(), broken.string(), "--backup"});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_FALSE(fs::exists(dir.path() / "image.smc.bak"));
}

// A verb run under a file size limit below its output's size (`ulimit -f`), the limit's signal
// left at its default: the write fails as on a full disk, with the ordinary message and exit
// status 2; the old file stays as it was and no temporary file is left.
struct LimitCase {
    const char* label;
    std::vector<std::string> arguments; // "@NAME": the file NAME of the case's folder
    std::string output;                 // the file whose size sets the limit
    std::string message;                // "@NAME" at its end: the full path of NAME
};

const LimitCase kLimitCases[] = {
    {"ips", {"ips", "@game.smc", "@fix.ips"}, "game.smc", "ファイルに書き込めません。\ngame.smc"},
    {"ips backup",
     {"ips", "@game.smc", "@fix.ips", "--backup"},
     "game.smc.bak",
     "ファイルに書き込めません。\ngame.smc.bak"},
    {"sheet export",
     {"sheet", "export", "@game.smc", "--code", "03", "@sheet.gif"},
     "sheet.gif",
     "ファイルに書き込めません。\n@sheet.gif"},
    {"sheet split",
     {"sheet", "split", "@sheet.gif", "@palette.bin", "@tiles.bin"},
     "tiles.bin",
     "ファイルに書き込めません。\n@tiles.bin"},
    {"diff",
     {"diff", "@game.smc", "@modified.smc", "@out.bps"},
     "out.bps",
     "ファイルに書き込めません。\n@out.bps"},
    {"mml build",
     {"mml", "build", "@song.mml", "--address", "500004", "@block.bin"},
     "block.bin",
     "ファイルに書き込めません。\n@block.bin"},
};

// The case's inputs, and an old copy of every file the verbs write.
void WriteLimitInputs(const TempDir& dir)
{
    const Bytes image = RomImageBuilder::Target(RomImageBuilder::kPlainSize).build();
    dir.write("game.smc", image);
    Bytes modified = image;
    modified[0x123456] ^= 0xFF;
    dir.write("modified.smc", modified);
    dir.write("fix.ips",
              Bytes{'P', 'A', 'T', 'C', 'H', 0x00, 0x02, 0x00, 0x00, 0x01, 0xAA, 'E', 'O', 'F'});
    fs::copy_file(kExamples / "example_sheet.gif", dir.path() / "sheet.gif");
    fs::copy_file(kExamples / "song.mml", dir.path() / "song.mml");
    for (const char* old : {"game.smc.bak", "palette.bin", "tiles.bin", "out.bps", "block.bin"})
        dir.write(old, "old");
}

std::vector<std::string> LimitArguments(const TempDir& dir,
                                        const std::vector<std::string>& arguments)
{
    std::vector<std::string> expanded;
    for (const std::string& argument : arguments)
        expanded.push_back(argument.starts_with("@") ? (dir.path() / argument.substr(1)).string()
                                                     : argument);
    return expanded;
}

TEST(CliFileSizeLimitTest, AWritePastTheLimitFailsWithTheWriteMessageAndLeavesTheOldFile)
{
    for (const LimitCase& c : kLimitCases) {
        // The output's size, from a run without a limit.
        TempDir unlimited;
        WriteLimitInputs(unlimited);
        const CliRun full = RunCli(LimitArguments(unlimited, c.arguments));
        ASSERT_EQ(full.exitCode, 0) << c.label << '\n' << full.err;
        const std::uintmax_t size = fs::file_size(unlimited.path() / c.output);
        ASSERT_GT(size, 4u) << c.label;

        TempDir dir;
        WriteLimitInputs(dir);
        const FolderContents before = Contents(dir.path());
        const CliRun run = RunCliWithFileSizeLimit(size / 2, LimitArguments(dir, c.arguments));
        std::string message = c.message;
        if (const std::size_t at = message.find('@'); at != std::string::npos)
            message = message.substr(0, at) + (dir.path() / message.substr(at + 1)).string();
        EXPECT_EQ(run.exitCode, 2) << c.label;
        EXPECT_EQ(run.err, message + "\n") << c.label;
        EXPECT_EQ(FirstDifference(before, Contents(dir.path())), "") << c.label;
    }
}

} // namespace
} // namespace varn::test
