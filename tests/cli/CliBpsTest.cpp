// varnwork-cli bps and diff: applying one BPS patch, and making IPS and BPS patches from a
// modified image that the tool then applies itself.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>

#include "CliRunner.h"
#include "patchlist/PatchPreview.h"
#include "support/Bytes.h"
#include "support/BpsBuilder.h"
#include "support/ByteCompare.h"
#include "support/ChildProcess.h"
#include "support/RomImageBuilder.h"
#include "support/TempDir.h"

namespace varn::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const Bytes kOriginal = RomImageBuilder(0x1000).build();

Bytes Signed()
{
    Bytes target = kOriginal;
    std::copy_n("BPS!", 4, target.begin() + 0x20);
    return target;
}

Bytes SignPatch()
{
    BpsBuilder bps(kOriginal.size(), kOriginal.size());
    bps.sourceRead(0x20).targetRead(Text("BPS!")).sourceRead(kOriginal.size() - 0x24);
    return bps.finish(kOriginal, Signed());
}

TEST(CliBpsTest, AppliesThePatchToTheImageFile)
{
    TempDir dir;
    const fs::path rom = dir.write("image.smc", kOriginal);
    const fs::path bps = dir.write("sign.bps", SignPatch());
    const CliRun run = RunCli({"bps", rom.string(), bps.string(), "--backup"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "applied sign.bps to image.smc\n");
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(test::SameBytes(Signed(), ReadFileBytes(rom)));
    EXPECT_TRUE(ReadFileBytes(dir.path() / "image.smc.bak") == kOriginal);
}

// A patch written by hand that cuts the image to its first half and signs it.
Bytes CutSigned()
{
    Bytes target(kOriginal.begin(), kOriginal.begin() + 0x800);
    std::copy_n("CUT!", 4, target.begin() + 0x20);
    return target;
}

Bytes CutPatch()
{
    BpsBuilder bps(kOriginal.size(), 0x800);
    bps.sourceRead(0x20).targetRead(Text("CUT!")).sourceRead(0x800 - 0x24);
    return bps.finish(kOriginal, CutSigned());
}

TEST(CliBpsTest, APatchThatCutsTheImageWritesTheShorterFile)
{
    TempDir dir;
    const fs::path rom = dir.write("image.smc", kOriginal);
    const fs::path bps = dir.write("cut.bps", CutPatch());
    const CliRun run = RunCli({"bps", rom.string(), bps.string(), "--backup"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "applied cut.bps to image.smc\n");
    EXPECT_TRUE(test::SameBytes(CutSigned(), ReadFileBytes(rom)));
    EXPECT_TRUE(ReadFileBytes(dir.path() / "image.smc.bak") == kOriginal);

    // The cut image is the patch's target: applying it again is refused, the image kept.
    const CliRun again = RunCli({"bps", rom.string(), bps.string()});
    EXPECT_EQ(again.exitCode, 2);
    EXPECT_EQ(again.err, "このパッチは適用済みです。\ncut.bps\n");
    EXPECT_TRUE(test::SameBytes(CutSigned(), ReadFileBytes(rom)));
}

TEST(CliBpsTest, RefusalsExitTwoAndLeaveTheImage)
{
    TempDir dir;
    const fs::path rom = dir.write("image.smc", kOriginal);
    const fs::path patched = dir.write("patched.smc", Signed());
    Bytes damaged = SignPatch();
    damaged[8] ^= 0x10;
    Bytes other = kOriginal;
    other[0x800] ^= 1;
    const fs::path otherRom = dir.write("other.smc", other);
    const fs::path bps = dir.write("sign.bps", SignPatch());
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"bps", rom.string(), dir.write("damaged.bps", damaged).string()},
         "ファイルが壊れています。\ndamaged.bps\n"},
        {{"bps", otherRom.string(), bps.string()}, "このパッチは別のsmcファイル用です。\nsign.bps\n"},
        {{"bps", patched.string(), bps.string()}, "このパッチは適用済みです。\nsign.bps\n"},
        {{"bps", rom.string(), dir.write("ips.bps", "PATCHEOF").string()},
         "ファイルが異常です。\nips.bps\n"},
        {{"bps", rom.string(), (dir.path() / "missing.bps").string()},
         "ファイルが開けません。\nmissing.bps\n"},
        {{"bps", (dir.path() / "missing.smc").string(), bps.string()},
         "ファイルが開けません。\nmissing.smc\n"},
    };
    for (const auto& [arguments, message] : cases) {
        const CliRun run = RunCli(arguments);
        EXPECT_EQ(run.exitCode, 2) << message;
        EXPECT_EQ(run.err, message);
        EXPECT_EQ(run.out, "");
    }
    EXPECT_TRUE(test::SameBytes(kOriginal, ReadFileBytes(rom)));
    EXPECT_TRUE(test::SameBytes(Signed(), ReadFileBytes(patched)));
    EXPECT_TRUE(test::SameBytes(other, ReadFileBytes(otherRom)));

    const CliRun usage = RunCli({"bps", rom.string()});
    EXPECT_EQ(usage.exitCode, 1);
    EXPECT_NE(usage.err.find("bps takes a ROM image and one BPS patch"), std::string::npos);
}

// A modified copy of a 1 MiB image: scattered changes (the first and last bytes among them), a
// moved block, and an expansion to 1.5 MiB that holds a copy of the original's start.
Bytes Modified(const Bytes& original)
{
    std::mt19937 random(17);
    Bytes image = original;
    for (int i = 0; i < 200; ++i)
        image[random() % image.size()] ^= static_cast<std::uint8_t>(1 + random() % 255);
    image.front() ^= 0xFF;
    image.back() ^= 0xFF;
    std::copy_n(original.begin() + 0x10000, 0x8000, image.begin() + 0x80000);
    image.resize(0x180000, 0xFF);
    std::copy_n(original.begin(), 0x20000, image.begin() + 0x100000);
    return image;
}

TEST(CliDiffTest, PatchesOfBothFormatsTurnTheOriginalIntoTheModifiedImage)
{
    TempDir dir;
    std::mt19937 random(3);
    Bytes original(0x100000);
    for (std::uint8_t& byte : original)
        byte = static_cast<std::uint8_t>(random() >> 13);
    const Bytes modified = Modified(original);
    const fs::path originalPath = dir.write("game.smc", original);
    const fs::path modifiedPath = dir.write("mod.smc", modified);
    for (const std::string name : {"mod.bps", "mod.ips"}) {
        const fs::path out = dir.path() / name;
        const CliRun made = RunCli({"diff", originalPath.string(), modifiedPath.string(), out.string()});
        ASSERT_EQ(made.exitCode, 0) << made.err;
        const std::string format = name == "mod.bps" ? "BPS" : "IPS";
        EXPECT_EQ(made.out, "written " + name + " (" + format + ", " +
                                std::to_string(fs::file_size(out)) + " bytes)\n");

        const fs::path copy = dir.write("try.smc", original);
        const CliRun applied = RunCli({name == "mod.bps" ? "bps" : "ips", copy.string(), out.string()});
        ASSERT_EQ(applied.exitCode, 0) << applied.err;
        EXPECT_TRUE(test::SameBytes(modified, ReadFileBytes(copy))) << name;
    }
    // The moved block and the copy in the expansion cost the BPS patch little; the IPS patch
    // writes them out.
    EXPECT_LT(fs::file_size(dir.path() / "mod.bps"), 4096u);
    EXPECT_GT(fs::file_size(dir.path() / "mod.ips"), 0x20000u);
}

// A modification that cuts the image: BPS carries it, and the tool applies it back.
TEST(CliDiffTest, ABpsPatchTurnsTheOriginalIntoAShorterModifiedImage)
{
    TempDir dir;
    std::mt19937 random(5);
    Bytes original(0x100000);
    for (std::uint8_t& byte : original)
        byte = static_cast<std::uint8_t>(random() >> 13);
    Bytes modified = Modified(original);
    modified.resize(0x60000);
    modified.back() ^= 0x5A;
    const fs::path originalPath = dir.write("game.smc", original);
    const fs::path modifiedPath = dir.write("mod.smc", modified);
    const fs::path out = dir.path() / "cut.bps";
    const CliRun made =
        RunCli({"diff", originalPath.string(), modifiedPath.string(), out.string()});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    EXPECT_EQ(made.out,
              "written cut.bps (BPS, " + std::to_string(fs::file_size(out)) + " bytes)\n");
    EXPECT_LT(fs::file_size(out), 4096u);

    const fs::path copy = dir.write("try.smc", original);
    const CliRun applied = RunCli({"bps", copy.string(), out.string()});
    ASSERT_EQ(applied.exitCode, 0) << applied.err;
    EXPECT_TRUE(test::SameBytes(modified, ReadFileBytes(copy)));
}

TEST(CliDiffTest, MetadataGoesIntoTheBpsPatch)
{
    TempDir dir;
    const fs::path original = dir.write("game.smc", kOriginal);
    const fs::path modified = dir.write("mod.smc", Signed());
    // Shift-JIS text is kept as UTF-8.
    const fs::path note = dir.write("note.txt", "\x89\xfc\x91\xa2 v1.0\r\n");
    const fs::path out = dir.path() / "mod.bps";
    const CliRun run = RunCli(
        {"diff", original.string(), modified.string(), out.string(), "--metadata", note.string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(PreviewBpsFile(out), "改造 v1.0\r\n");
}

TEST(CliDiffTest, RefusalsWriteNothing)
{
    TempDir dir;
    const fs::path original = dir.write("game.smc", kOriginal);
    const fs::path modified = dir.write("mod.smc", Signed());
    const fs::path shorter = dir.write("short.smc", Bytes(kOriginal.begin(), kOriginal.end() - 1));
    const fs::path note = dir.write("note.txt", "note");
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        std::string err; // the start of what is printed
    };
    const Case cases[] = {
        {{"diff", original.string(), modified.string(), (dir.path() / "mod.txt").string()}, 1,
         "varnwork-cli: diff writes OUT.ips or OUT.bps\n"},
        {{"diff", original.string(), modified.string()}, 1,
         "varnwork-cli: diff takes ORIGINAL, MODIFIED and OUT.ips or OUT.bps\n"},
        {{"diff", original.string(), modified.string(), (dir.path() / "m.ips").string(),
          "--metadata", note.string()},
         1, "varnwork-cli: --metadata is for BPS patches only\n"},
        {{"diff", original.string(), modified.string(), (dir.path() / "m.bps").string(),
          "--metadata"},
         1, "varnwork-cli: --metadata needs a text file\n"},
        {{"diff", original.string(), shorter.string(), (dir.path() / "m.ips").string()}, 2,
         "変更後のファイルが元のファイルより短いため、パッチを作れません。\n"},
        {{"diff", original.string(), (dir.path() / "none.smc").string(),
          (dir.path() / "m.ips").string()},
         2, "ファイルが開けません。\nnone.smc\n"},
        {{"diff", original.string(), modified.string(), (dir.path() / "m.bps").string(),
          "--metadata", (dir.path() / "none.txt").string()},
         2, "ファイルが開けません。\nnone.txt\n"},
    };
    for (const Case& c : cases) {
        const CliRun run = RunCli(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.err;
        EXPECT_EQ(run.err.substr(0, c.err.size()), c.err);
        EXPECT_EQ(run.out, "");
    }
    // An image named as the output, with a patch extension or not, is never replaced.
    const fs::path imageAsBps = dir.write("game.bps", kOriginal);
    const CliRun overwrite =
        RunCli({"diff", imageAsBps.string(), modified.string(), imageAsBps.string()});
    EXPECT_EQ(overwrite.exitCode, 2);
    EXPECT_EQ(overwrite.err, "出力先が入力ファイルと同じです。\ngame.bps\n");
    EXPECT_TRUE(test::SameBytes(kOriginal, ReadFileBytes(imageAsBps)));
    EXPECT_FALSE(fs::exists(dir.path() / "m.bps"));
    EXPECT_FALSE(fs::exists(dir.path() / "m.ips"));
}

TEST(CliApplyBpsTest, AListNamesItsBpsEntries)
{
    TempDir dir;
    const fs::path rom = dir.write("game.smc", kOriginal);
    dir.write("sign.bps", SignPatch());
    dir.write("fix.ips", Bytes{'P', 'A', 'T', 'C', 'H', 0, 0, 0x10, 0, 1, 0xAA, 'E', 'O', 'F'});
    const fs::path list = dir.write("list.txt", "sign.bps\r\nfix.ips\r\n");
    const CliRun run = RunCli({"apply", rom.string(), list.string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "applied BPS sign.bps\napplied IPS fix.ips\nwritten game.smc\n");
    Bytes expected = Signed();
    expected[0x10] = 0xAA;
    EXPECT_TRUE(test::SameBytes(expected, ReadFileBytes(rom)));

    // A list whose BPS patch cuts the image, and whose IPS patch after it writes past the new
    // end: the image file is written once, shorter than it was.
    const fs::path cutRom = dir.write("cut.smc", kOriginal);
    dir.write("cut.bps", CutPatch());
    dir.write("past.ips", Bytes{'P', 'A', 'T', 'C', 'H', 0, 0x08, 0x02, 0, 1, 0xBB, 'E', 'O', 'F'});
    const fs::path cutList = dir.write("cut.txt", "cut.bps\r\npast.ips\r\n");
    const CliRun cut = RunCli({"apply", cutRom.string(), cutList.string()});
    ASSERT_EQ(cut.exitCode, 0) << cut.err;
    EXPECT_EQ(cut.out, "applied BPS cut.bps\napplied IPS past.ips\nwritten cut.smc\n");
    Bytes cutExpected = CutSigned();
    cutExpected.insert(cutExpected.end(), {0, 0, 0xBB});
    EXPECT_TRUE(test::SameBytes(cutExpected, ReadFileBytes(cutRom)));
}

// Patch files of 250 MiB, holes behind a head (a BPS head for this image, or one that names a
// target of 1 GiB; the IPS header), are refused from their head and size without being read:
// at once and in little memory, measured on the tool itself, the image untouched.
TEST(CliPatchSizeTest, HugePatchFilesAreRefusedAtOnceInLittleMemory)
{
    TempDir dir;
    const fs::path rom = dir.write("image.smc", kOriginal);
    const Bytes head = SignPatch();
    Bytes gibibyte = Text("BPS1");
    BpsBuilder::AppendNumber(gibibyte, kOriginal.size());
    BpsBuilder::AppendNumber(gibibyte, std::uint64_t{1} << 30);
    gibibyte.push_back(0x80);
    constexpr std::uint64_t kHuge = 250u << 20;
    const fs::path sparse =
        dir.writeSparse("sparse.bps", std::span(head).first(head.size() - 12), kHuge);
    const fs::path target = dir.writeSparse("gibibyte.bps", gibibyte, kHuge);
    const fs::path ips = dir.writeSparse("sparse.ips", Text("PATCH"), kHuge);
    const fs::path list = dir.write("list.txt", "sparse.bps\r\n");
    const struct {
        std::vector<std::string> arguments;
        std::string err;
    } cases[] = {
        {{"bps", rom.string(), sparse.string()}, "ファイルが異常です。\nsparse.bps\n"},
        {{"bps", rom.string(), target.string()}, "ファイルが異常です。\ngibibyte.bps\n"},
        {{"ips", rom.string(), ips.string()}, "ファイルが異常です。\nsparse.ips\n"},
        {{"apply", rom.string(), list.string()}, "ファイルが異常です。\nsparse.bps\n"},
    };
    for (const auto& c : cases) {
        // Measured on the tool built without sanitizers, whose own memory is small and steady:
        // what is left is the image, never the file.
        std::vector<std::string> command{VARNWORK_CLI_PLAIN};
        command.insert(command.end(), c.arguments.begin(), c.arguments.end());
        const MeasuredRun measured = RunMeasured(command);
        EXPECT_EQ(measured.exitCode, 2) << c.err;
        EXPECT_LT(measured.elapsed, std::chrono::milliseconds(1000)) << c.err;
        EXPECT_LT(measured.peakKiB, 32 * 1024) << c.err;
        RecordProperty("peak_KiB_" + c.arguments[0], static_cast<int>(measured.peakKiB));
        const CliRun run = RunCli(c.arguments);
        EXPECT_EQ(run.err, c.err);
        EXPECT_TRUE(test::SameBytes(kOriginal, ReadFileBytes(rom))) << c.err;
    }
}

} // namespace
} // namespace varn::test
