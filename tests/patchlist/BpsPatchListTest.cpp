// BPS patches as entries of the patch list: their kind, the list file, the preview and the
// apply driver, which checks each against the image as the entries before it leave it.

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>

#include "charpatch/CharacterPatchFile.h"
#include "music/MusicSlots.h"
#include "patchlist/ApplyPatchList.h"
#include "patchlist/PatchList.h"
#include "patchlist/PatchListFile.h"
#include "patchlist/PatchPreview.h"
#include "rom/RomStream.h"
#include "support/Bytes.h"
#include "support/BpsBuilder.h"
#include "support/ByteCompare.h"
#include "support/RomImageBuilder.h"
#include "support/TempDir.h"

namespace varn {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::BpsBuilder;
using test::RomImageBuilder;
using test::kMusic;
using test::Text;
using test::With;

const fs::path kExamples = VARN_EXAMPLES_DIR;

// An expanded image with clear music bookkeeping and slot B0's sprite sheet pointer leading
// into the expanded area.
Bytes ReadyImage()
{
    return RomImageBuilder(RomImageBuilder::kExpandedSize)
        .bytes(0x500000, {0, 0, 0, 0})
        .bytes(0x5A8631, {0x00, 0x00, 0x58})
        .build();
}

// An IPS patch of one byte at 0x10.
const Bytes kIps{'P', 'A', 'T', 'C', 'H', 0, 0, 0x10, 0, 1, 0xAA, 'E', 'O', 'F'};

// A BPS patch, written by hand, that puts "BPS!" at 0x20 of `source`.
Bytes SignAt20(const Bytes& source, std::string_view metadata = {})
{
    BpsBuilder bps(source.size(), source.size(), metadata);
    bps.sourceRead(0x20).targetRead(Text("BPS!")).sourceRead(source.size() - 0x24);
    return bps.finish(source, With(source, 0x20, Text("BPS!")));
}

class BpsPatchListTest : public ::testing::Test {
protected:
    std::vector<std::string> applyAll(const fs::path& rom, Status& status)
    {
        std::vector<std::string> applied;
        status = ApplyPatchList(list, rom, kMusic, [&](const PatchEntry& entry) {
            applied.push_back(entry.typeText() + " " + entry.fileName());
        });
        return applied;
    }

    test::TempDir dir;
    PatchList list;
};

TEST_F(BpsPatchListTest, BpsFilesAreEntriesOfTheirOwnKind)
{
    EXPECT_EQ(PatchKindOf("mod.BPS"), PatchKind::Bps);
    EXPECT_EQ(PatchKindOf("dir/mod.bps"), PatchKind::Bps);
    const fs::path good = dir.write("good.bps", SignAt20(Bytes(0x40, 1)));
    const std::pair<AddResult, AddResult> cases[] = {
        {list.addBps(good), AddResult::Added},
        {list.add(PatchKind::Bps, good, 0x05), AddResult::Added}, // a target means nothing
        {list.addBps(dir.write("ips.bps", kIps)), AddResult::Abnormal},
        {list.addBps(dir.write("short.bps", "BPS")), AddResult::Abnormal},
        {list.addBps(dir.path() / "missing.bps"), AddResult::CannotOpen},
        {list.addBps(dir.path()), AddResult::CannotOpen},
    };
    for (const auto& [actual, expected] : cases)
        EXPECT_EQ(actual, expected);
    ASSERT_EQ(list.size(), 2u);
    for (const PatchEntry& entry : list.entries()) {
        EXPECT_EQ(entry.typeText(), "BPS");
        EXPECT_EQ(entry.targetText(), "");
    }
    // A BPS entry is no character patch: it takes no target from them.
    EXPECT_EQ(list.allocateTarget(), 0xB0);
    list.changeTarget(0, 0xB3);
    EXPECT_EQ(list.entries()[0].target, -1);
}

TEST_F(BpsPatchListTest, TheListFileKeepsBpsEntries)
{
    list.addIps(dir.write("a.ips", kIps));
    list.addBps(dir.write("b.bps", SignAt20(Bytes(0x40, 1))));
    list.addVnp(kExamples / "example_character.vnp");
    const fs::path file = dir.path() / "list.txt";
    std::tm now{};
    now.tm_year = 124;
    ASSERT_TRUE(SavePatchList(file, list.entries(), now).ok());
    const std::string text(reinterpret_cast<const char*>(test::ReadFileBytes(file).data()),
                           test::ReadFileBytes(file).size());
    EXPECT_NE(text.find((dir.path() / "b.bps").string() + "\r\n"), std::string::npos);

    PatchList loaded;
    const Result<PatchListLoad> result = LoadPatchList(file, loaded);
    ASSERT_TRUE(result.ok());
    EXPECT_FALSE(result.value().anyFailed());
    EXPECT_EQ(loaded.entries(), list.entries());

    // A hand-written list names a BPS patch beside it; one that is not BPS fails its line.
    dir.write("other.bps", "PATCHEOF");
    dir.write("C.BPS", SignAt20(Bytes(0x40, 2)));
    const fs::path byHand = dir.write("hand.txt", "b.bps\r\nother.bps\r\nC.BPS, 03\r\n");
    PatchList fromHand;
    const Result<PatchListLoad> handResult = LoadPatchList(byHand, fromHand);
    ASSERT_TRUE(handResult.ok());
    EXPECT_TRUE(handResult.value().anyFailed());
    ASSERT_EQ(fromHand.size(), 2u);
    for (const PatchEntry& entry : fromHand.entries()) {
        EXPECT_EQ(entry.kind, PatchKind::Bps);
        EXPECT_EQ(entry.target, -1);
    }
}

TEST_F(BpsPatchListTest, IpsBpsCharacterAndSongApplyInOrder)
{
    const Bytes original = ReadyImage();
    const fs::path rom = dir.write("game.smc", original);
    // The BPS patch is made for the image as the IPS patch leaves it.
    const Bytes afterIps = With(original, 0x10, {0xAA});
    list.addIps(dir.write("first.ips", kIps));
    list.addBps(dir.write("mod.bps", SignAt20(afterIps)));
    list.addVnp(kExamples / "example_character.vnp");
    list.addMml(kExamples / "song.mml");

    ASSERT_EQ(PrepareMusicEntries(list, rom, kMusic).message(), "");
    EXPECT_TRUE(test::ReadFileBytes(rom) == original); // only tried
    Status status;
    const auto applied = applyAll(rom, status);
    ASSERT_TRUE(status.ok()) << status.message();
    EXPECT_EQ(applied, (std::vector<std::string>{"IPS first.ips", "BPS mod.bps",
                                                 "vnp example_character.vnp", "MML song.mml"}));

    MemoryRomStream written(test::ReadFileBytes(rom));
    EXPECT_EQ(written.readByte(0x10), 0xAA);
    EXPECT_EQ(written.readBytes(0x20, 4), Text("BPS!"));
    const auto patch = ReadPatchFile(kExamples / "example_character.vnp");
    ASSERT_TRUE(patch.ok());
    EXPECT_EQ(written.readBytes(0x3D1A00, 8),
              Bytes(patch.value().name.begin(), patch.value().name.end()));
    EXPECT_EQ(written.readByte(0x500000), 0xB1); // the song took B0
}

TEST_F(BpsPatchListTest, ABpsPatchMeetsTheImageAsTheEntriesBeforeItLeaveIt)
{
    const Bytes original = ReadyImage();
    const fs::path rom = dir.write("game.smc", original);
    const fs::path ips = dir.write("first.ips", kIps);
    const fs::path forPatched = dir.write("mod.bps", SignAt20(With(original, 0x10, {0xAA})));
    const fs::path forOriginal = dir.write("plain.bps", SignAt20(original));
    struct Case {
        const char* name;
        std::vector<std::pair<PatchKind, fs::path>> entries;
        std::string message;
        std::vector<std::string> applied; // in memory, before the failing entry
    };
    const Case cases[] = {
        // Made for the patched image, it meets the original one when it comes first.
        {"BeforeTheIpsPatch",
         {{PatchKind::Bps, forPatched}, {PatchKind::Ips, ips}},
         "このパッチは別のsmcファイル用です。\nmod.bps",
         {}},
        // Made for the original image, it no longer fits once the IPS patch has changed it.
        {"AfterTheIpsPatch",
         {{PatchKind::Ips, ips}, {PatchKind::Bps, forOriginal}},
         "このパッチは別のsmcファイル用です。\nplain.bps",
         {"IPS first.ips"}},
        {"Twice",
         {{PatchKind::Bps, forOriginal}, {PatchKind::Bps, forOriginal}},
         "このパッチは適用済みです。\nplain.bps",
         {"BPS plain.bps"}},
    };
    for (const Case& c : cases) {
        list.clear();
        for (const auto& [kind, path] : c.entries)
            list.add(kind, path);
        // The preparation meets the failure before anything is asked or written.
        EXPECT_EQ(PrepareMusicEntries(list, rom, kMusic).message(), c.message) << c.name;
        Status status;
        EXPECT_EQ(applyAll(rom, status), c.applied) << c.name;
        EXPECT_EQ(status.message(), c.message) << c.name;
        EXPECT_TRUE(test::ReadFileBytes(rom) == original) << c.name;
    }

    // In the right order the same patches apply.
    list.clear();
    list.addBps(forOriginal);
    list.addIps(ips);
    Status status;
    applyAll(rom, status);
    ASSERT_TRUE(status.ok()) << status.message();
    EXPECT_TRUE(test::ReadFileBytes(rom) ==
                With(With(original, 0x20, Text("BPS!")), 0x10, {0xAA}));
}

TEST_F(BpsPatchListTest, SongsFollowABpsPatchThatExpandsTheImage)
{
    // A plain image has no music region; the BPS patch before the songs makes one, filled
    // with zero bytes by one target read and one overlapping target copy.
    const Bytes plain = RomImageBuilder(RomImageBuilder::kPlainSize).build();
    const std::uint64_t needed = MusicImageSizeNeeded(kMusic);
    Bytes expanded = plain;
    expanded.resize(needed, 0);
    BpsBuilder bps(plain.size(), needed);
    bps.sourceRead(plain.size())
        .targetRead({0})
        .targetCopy(needed - plain.size() - 1, static_cast<std::int64_t>(plain.size()));
    list.addBps(dir.write("expand.bps", bps.finish(plain, expanded)));
    list.addMml(dir.write("one.mml", std::string(0x100 - 39, 'c') + ";"));
    list.addMml(dir.write("two.mml", std::string(0x100 - 39, 'c') + ";"));
    const fs::path rom = dir.write("game.smc", plain);

    ASSERT_EQ(PrepareMusicEntries(list, rom, kMusic).message(), "");
    std::vector<std::string> targets;
    for (const PatchEntry& entry : list.entries())
        targets.push_back(entry.targetText());
    EXPECT_EQ(targets, (std::vector<std::string>{"", "B0", "B1"}));
    Status status;
    applyAll(rom, status);
    ASSERT_TRUE(status.ok()) << status.message();
    MemoryRomStream written(test::ReadFileBytes(rom));
    EXPECT_EQ(written.size(), needed);
    EXPECT_EQ(written.readBytes(0x500000, 4), (Bytes{0xB2, 0x04, 0x02, 0x50}));
}

TEST_F(BpsPatchListTest, ABpsPatchMayCutTheImageAndTheEntriesAfterItMeetTheShorterImage)
{
    const Bytes original = ReadyImage();
    const fs::path rom = dir.write("game.smc", original);
    // The IPS patch before it changes a byte the cut keeps; the one after it writes past the
    // new end, lengthening the image again with zero bytes, not with the bytes cut off.
    const Bytes afterIps = With(original, 0x10, {0xAA});
    constexpr std::size_t kCutSize = 0x300000;
    Bytes cut(afterIps.begin(), afterIps.begin() + kCutSize);
    std::copy_n("CUT!", 4, cut.begin() + 0x20);
    BpsBuilder bps(afterIps.size(), kCutSize);
    bps.sourceRead(0x20).targetRead(Text("CUT!")).sourceRead(kCutSize - 0x24);
    list.addIps(dir.write("first.ips", kIps));
    list.addBps(dir.write("cut.bps", bps.finish(afterIps, cut)));
    list.addIps(dir.write(
        "past.ips", Bytes{'P', 'A', 'T', 'C', 'H', 0x30, 0x00, 0x10, 0, 1, 0xEE, 'E', 'O', 'F'}));

    ASSERT_EQ(PrepareMusicEntries(list, rom, kMusic).message(), "");
    EXPECT_TRUE(test::ReadFileBytes(rom) == original);
    Status status;
    EXPECT_EQ(applyAll(rom, status),
              (std::vector<std::string>{"IPS first.ips", "BPS cut.bps", "IPS past.ips"}));
    ASSERT_TRUE(status.ok()) << status.message();
    Bytes expected = cut;
    expected.resize(kCutSize + 0x11, 0);
    expected[kCutSize + 0x10] = 0xEE;
    const Bytes written = test::ReadFileBytes(rom);
    EXPECT_EQ(written.size(), kCutSize + 0x11);
    EXPECT_TRUE(test::SameBytes(expected, written));

    // Alone, the patch now meets an image that is neither its source nor its target, and an
    // image that is its target is told it has it already; neither file changes.
    list.clear();
    list.addBps(dir.path() / "cut.bps");
    EXPECT_EQ(applyAll(rom, status), std::vector<std::string>{});
    EXPECT_EQ(status.message(), "このパッチは別のsmcファイル用です。\ncut.bps");
    EXPECT_TRUE(test::ReadFileBytes(rom) == expected);
    const fs::path applied = dir.write("applied.smc", cut);
    EXPECT_EQ(ApplyPatchList(list, applied, kMusic).message(),
              "このパッチは適用済みです。\ncut.bps");
    EXPECT_TRUE(test::ReadFileBytes(applied) == cut);
}

TEST_F(BpsPatchListTest, ThePreviewShowsTheMetadata)
{
    const Bytes source(0x40, 1);
    const std::string utf8 = "<patch>\n  <name>改造</name>\n</patch>";
    std::string cut = std::string(kBpsPreviewLimit - 1, 'a') + "あ"; // split by the limit
    struct Case {
        const char* name;
        Bytes file;
        std::string preview;
    };
    const Case cases[] = {
        {"Utf8", SignAt20(source, utf8), utf8},
        {"ShiftJis", SignAt20(source, "\x89\xfc\x91\xa2\r\n"), "改造\r\n"},
        {"None", SignAt20(source), ""},
        {"UpToAZeroByte", SignAt20(source, std::string("note\0hidden", 11)), "note"},
        {"CutAtTheLimitBeforeASplitCharacter", SignAt20(source, cut),
         std::string(kBpsPreviewLimit - 1, 'a')},
        {"NotBps", kIps, ""},
        {"MetadataPastTheEnd", {'B', 'P', 'S', '1', 0x80, 0x80, 0x90, 'a', 'b'}, ""},
        {"HeadCut", {'B', 'P', 'S', '1', 0x00}, ""},
        // What the list would refuse from the head and size before reading it shows nothing.
        {"LargerThanItsHeadAllows",
         [&] {
             Bytes patch = SignAt20(source, "note");
             patch.insert(patch.end() - 12, 300, 0x81);
             return patch;
         }(),
         ""},
        {"TargetLargerThanAnImage",
         [] {
             BpsBuilder bps(0x40, 1u << 30, "note");
             return bps.raw(Bytes(40, 0x81)).finish(0, 0);
         }(),
         ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PreviewBpsFile(dir.write("p.bps", c.file)), c.preview) << c.name;
    EXPECT_EQ(PreviewBpsFile(dir.path() / "missing.bps"), "");
    EXPECT_EQ(PreviewBpsFile(dir.path()), "");

    // A hole of 250 MiB behind a head with metadata: not a patch for an image, shown as none.
    const Bytes head = SignAt20(source, "note");
    const fs::path sparse =
        dir.writeSparse("sparse.bps", std::span(head).first(head.size() - 12), 250u << 20);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(PreviewBpsFile(sparse), "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

} // namespace
} // namespace varn
