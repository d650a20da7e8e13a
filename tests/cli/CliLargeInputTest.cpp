// Text files larger than any valid one can be: every verb that reads one refuses it from its
// size, before reading it, so that a huge file costs neither time nor memory; a file at the
// bound is still read.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "CliRunner.h"
#include "music/MusicSlots.h"
#include "patchlist/MakePatch.h"
#include "patchlist/PatchListFile.h"
#include "text/Settings.h"
#include "support/ChildProcess.h"
#include "support/RomImageBuilder.h"
#include "support/TempDir.h"

namespace varn::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// A file of `size` bytes whose every byte is written: lines of text, as a real file would be.
fs::path WriteFilledFile(const fs::path& path, std::uintmax_t size)
{
    const std::string line = "0123456789 abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ\r\n";
    std::string text;
    text.reserve(static_cast<std::size_t>(size));
    while (text.size() < size)
        text += line;
    text.resize(static_cast<std::size_t>(size));
    std::ofstream(path, std::ios::binary).write(text.data(), static_cast<std::streamsize>(size));
    return path;
}

// A file of `size` bytes that takes no room on the disk (all zero bytes).
fs::path WriteSparseFile(const fs::path& path, std::uintmax_t size)
{
    std::ofstream{path};
    fs::resize_file(path, size);
    return path;
}

struct LargeInputCase {
    const char* name;
    std::uintmax_t bound;
    // The verb's arguments around the file.
    std::function<std::vector<std::string>(const std::string& file)> arguments;
    // The refusal, before the path or name the verb adds.
    std::string message;
    bool nameOnly = false; // the verb names the file without its folder
};

class CliLargeInputTest : public ::testing::Test {
protected:
    TempDir dir;
    const fs::path rom = dir.write("game.smc", RomImageBuilder(0x8000).build());
    const fs::path modified = [this] {
        Bytes bytes = RomImageBuilder(0x8000).build();
        bytes[0x4000] ^= 0xFF;
        return dir.write("mod.smc", bytes);
    }();

    std::vector<LargeInputCase> cases() const
    {
        const std::string image = rom.string();
        const std::string changed = modified.string();
        const std::string patch = (dir.path() / "mod.bps").string();
        return {
            {"MmlFile", kMaxMmlFileSize,
             [](const std::string& file) {
                 return std::vector<std::string>{"mml", "measure", file};
             },
             "曲のデータが大きすぎます。"},
            {"PatchList", kMaxPatchListFileSize,
             [image](const std::string& file) {
                 return std::vector<std::string>{"apply", image, file};
             },
             "ファイルが大きすぎます。"},
            {"SettingsFile", kMaxSettingsFileSize,
             [](const std::string& file) {
                 return std::vector<std::string>{"text", "encode", "--ini", file, "あ"};
             },
             "ファイルが大きすぎます。"},
            {"BpsMetadata", kMaxBpsMetadataFileSize,
             [image, changed, patch](const std::string& file) {
                 return std::vector<std::string>{"diff", image, changed, patch, "--metadata", file};
             },
             "ファイルが大きすぎます。", true},
        };
    }
};

std::vector<std::string> WithCli(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), VARNWORK_CLI);
    return arguments;
}

// A 200 MiB file that takes no disk space, and one really written just above the bound: both
// refused at once, the process growing by less than it would by reading the file.
TEST_F(CliLargeInputTest, FilesAboveTheBoundAreRefusedUnreadQuicklyAndInLittleMemory)
{
    for (const LargeInputCase& c : cases()) {
        const fs::path missing = dir.path() / (std::string(c.name) + ".missing");
        // What the verb takes when it reads nothing: the same command on a file that is not
        // there.
        const MeasuredRun nothing = RunMeasured(WithCli(c.arguments(missing.string())));
        ASSERT_EQ(nothing.exitCode, 2) << c.name;

        const fs::path sparse = WriteSparseFile(dir.path() / (std::string(c.name) + ".sparse"),
                                                std::uintmax_t{200} << 20);
        const fs::path filled =
            WriteFilledFile(dir.path() / (std::string(c.name) + ".filled"), c.bound + 1);
        for (const fs::path& file : {sparse, filled}) {
            const std::string label =
                std::string(c.name) + "_" + file.extension().string().substr(1);
            const MeasuredRun run = RunMeasured(WithCli(c.arguments(file.string())));
            EXPECT_EQ(run.exitCode, 2) << label;
            // Generous for the sanitizers on a busy machine; reading 200 MiB is not.
            EXPECT_LT(run.elapsed, std::chrono::milliseconds(2000)) << label;
            // The file read whole would take its size at least twice: the bytes and the text.
            EXPECT_LT(run.peakKiB, nothing.peakKiB + static_cast<long>(c.bound / 1024)) << label;
            RecordProperty(label + "_peak_KiB", static_cast<int>(run.peakKiB));

            const CliRun refused = RunCli(c.arguments(file.string()));
            EXPECT_EQ(refused.exitCode, 2) << label;
            EXPECT_EQ(refused.err, c.message + "\n" +
                                       (c.nameOnly ? file.filename().string() : file.string()) +
                                       "\n")
                << label;
        }
        EXPECT_FALSE(fs::exists(dir.path() / "mod.bps")) << c.name;
    }
}

// A file of exactly the bound is read: a settings file whose extension row comes last, and
// metadata that goes into the patch whole.
TEST_F(CliLargeInputTest, FilesAtTheBoundAreRead)
{
    // "㐀", which the game's table lacks, as the first extension character, after a comment
    // line that fills the file.
    std::string settings = "[Varnwork]\r\nExtensionChar=1\r\n";
    const std::string row = "\r\n10,\xE3\x90\x80\r\n";
    settings += std::string(kMaxSettingsFileSize - settings.size() - row.size(), ';') + row;
    const fs::path ini = dir.write("Varnkit.ini", settings);
    ASSERT_EQ(fs::file_size(ini), kMaxSettingsFileSize);
    const CliRun encoded = RunCli({"text", "encode", "--ini", ini.string(), "\xE3\x90\x80"});
    EXPECT_EQ(encoded.exitCode, 0) << encoded.err;
    EXPECT_EQ(encoded.out, "18 10\n");

    const fs::path note = WriteFilledFile(dir.path() / "note.txt", kMaxBpsMetadataFileSize);
    const fs::path patch = dir.path() / "mod.bps";
    const CliRun made = RunCli(
        {"diff", rom.string(), modified.string(), patch.string(), "--metadata", note.string()});
    EXPECT_EQ(made.exitCode, 0) << made.err;
    EXPECT_GT(fs::file_size(patch), kMaxBpsMetadataFileSize);
}

} // namespace
} // namespace varn::test
