#include <gtest/gtest.h>

#include <chrono>

#include "charpatch/ApplyCharacterPatch.h"
#include "patchlist/PatchList.h"
#include "patchlist/PatchListFile.h"
#include "support/TempDir.h"

namespace varn {
namespace {

class PatchListTest : public ::testing::Test {
protected:
    std::filesystem::path ips(const std::string& name) { return dir.write(name, "PATCH...EOF"); }
    std::filesystem::path vnp(const std::string& name)
    {
        return dir.write(name, "VNP and the rest");
    }
    std::filesystem::path mml(const std::string& name) { return dir.write(name, "#TITLE x\n"); }

    std::vector<std::string> names() const
    {
        std::vector<std::string> names;
        for (const PatchEntry& entry : list.entries())
            names.push_back(entry.fileName() + ":" + entry.targetText());
        return names;
    }

    test::TempDir dir;
    PatchList list;
};

TEST_F(PatchListTest, CharacterPatchesTakeTheFreeTargetsInListOrder)
{
    for (std::size_t i = 0; i < kCharacterPatchTargets.size(); ++i)
        ASSERT_EQ(list.addVnp(vnp("c" + std::to_string(i) + ".vnp")), AddResult::Added) << i;
    EXPECT_EQ(list.entries()[0].targetText(), "B0");
    EXPECT_EQ(list.entries()[1].targetText(), "B1");
    EXPECT_EQ(list.entries()[10].targetText(), "08");
    EXPECT_EQ(list.entries()[41].targetText(), "1B");
    // A 43rd has no target left; other kinds have no limit.
    EXPECT_EQ(list.addVnp(vnp("extra.vnp")), AddResult::NoTarget);
    EXPECT_EQ(list.addIps(ips("more.ips")), AddResult::Added);
    EXPECT_EQ(list.size(), 43u);

    list.remove(3); // frees B3
    EXPECT_EQ(list.allocateTarget(), 0xB3);
    EXPECT_EQ(list.allocateTarget(0xB3), 0xB3);
    EXPECT_EQ(list.allocateTarget(0xB4), -1); // taken
    EXPECT_EQ(list.allocateTarget(0x20), -1); // not a target
    EXPECT_EQ(list.addVnp(vnp("again.vnp"), 0xB4), AddResult::NoTarget);
}

TEST_F(PatchListTest, FilesAreCheckedByTheirFirstBytes)
{
    dir.write("short.ips", "PAT");
    dir.write("wrong.vnp", "PATCH");
    const std::pair<AddResult, AddResult> cases[] = {
        {list.addIps(ips("good.ips")), AddResult::Added},
        {list.addIps(dir.path() / "short.ips"), AddResult::Abnormal},
        {list.addIps(dir.path() / "missing.ips"), AddResult::CannotOpen},
        {list.addIps(dir.path()), AddResult::CannotOpen},
        {list.addVnp(dir.path() / "wrong.vnp"), AddResult::Abnormal},
        {list.addMml(dir.write("empty.mml", "")), AddResult::Added},
        {list.addMml(dir.path() / "missing.mml"), AddResult::CannotOpen},
    };
    for (const auto& [actual, expected] : cases)
        EXPECT_EQ(actual, expected);
    EXPECT_EQ(names(), (std::vector<std::string>{"good.ips:", "empty.mml:"}));
    EXPECT_EQ(list.entries()[1].typeText(), "MML");

    EXPECT_EQ(AddResultMessage(AddResult::CannotOpen, dir.path() / "a.vnp"),
              "ファイルが開けません。\na.vnp");
    EXPECT_EQ(AddResultMessage(AddResult::Abnormal, "x/b.ips"), "ファイルが異常です。\nb.ips");
    EXPECT_EQ(AddResultMessage(AddResult::NoTarget, "c.vnp"), "これ以上追加できません。");
    EXPECT_EQ(PatchKindOf("A.IPS"), PatchKind::Ips);
    EXPECT_EQ(PatchKindOf("b.Vnp"), PatchKind::Vnp);
    EXPECT_EQ(PatchKindOf("c.mMl"), PatchKind::Mml);
    EXPECT_EQ(PatchKindOf("d.bmp"), std::nullopt);
}

TEST_F(PatchListTest, EntriesAreInsertedMovedAndRemovedInPlace)
{
    list.addIps(ips("a.ips"));
    list.addIps(ips("b.ips"));
    list.addIps(ips("c.ips"));
    list.addIps(ips("x.ips"), 1);
    list.addIps(ips("y.ips"), 99);
    EXPECT_EQ(names(),
              (std::vector<std::string>{"a.ips:", "x.ips:", "b.ips:", "c.ips:", "y.ips:"}));

    list.move(0, 4); // the first onto the end
    EXPECT_EQ(names(),
              (std::vector<std::string>{"x.ips:", "b.ips:", "c.ips:", "y.ips:", "a.ips:"}));
    list.move(3, 1);
    EXPECT_EQ(names(),
              (std::vector<std::string>{"x.ips:", "y.ips:", "b.ips:", "c.ips:", "a.ips:"}));
    list.move(2, 9); // nowhere: nothing moves
    list.remove(4);
    list.remove(7);
    EXPECT_EQ(names(), (std::vector<std::string>{"x.ips:", "y.ips:", "b.ips:", "c.ips:"}));
}

TEST_F(PatchListTest, ChangingATargetSwapsItWithTheEntryThatHadIt)
{
    list.addVnp(vnp("a.vnp"));
    list.addIps(ips("i.ips"));
    list.addVnp(vnp("b.vnp"));
    list.changeTarget(0, 0xB1);
    EXPECT_EQ(names(), (std::vector<std::string>{"a.vnp:B1", "i.ips:", "b.vnp:B0"}));
    EXPECT_EQ(list.allocateTarget(), 0xB2);
    list.changeTarget(2, 0x1B);
    EXPECT_EQ(names(), (std::vector<std::string>{"a.vnp:B1", "i.ips:", "b.vnp:1B"}));
    list.changeTarget(1, 0x05); // not a character patch
    list.changeTarget(0, 0x42); // not a target
    EXPECT_EQ(names(), (std::vector<std::string>{"a.vnp:B1", "i.ips:", "b.vnp:1B"}));
    // The target given up is free again, the one taken is not.
    EXPECT_EQ(list.allocateTarget(), 0xB0);
    EXPECT_EQ(list.allocateTarget(0x1B), -1);
    list.clear();
    EXPECT_EQ(list.allocateTarget(0x1B), 0x1B);
}

TEST_F(PatchListTest, ListFileHasTheHeaderAndOneLinePerEntry)
{
    list.addIps(ips("a.ips"));
    list.addVnp(vnp("b.vnp"));
    list.changeTarget(1, 0x05);
    std::tm now{};
    now.tm_year = 2026 - 1900;
    now.tm_mon = 11;
    now.tm_mday = 9;
    now.tm_hour = 7;
    now.tm_min = 5;
    now.tm_sec = 3;
    EXPECT_EQ(FormatPatchList(list.entries(), now),
              "// Varnpatch Patch List 2026/12/09 07:05:03\r\n" + (dir.path() / "a.ips").string() +
                  "\r\n" + (dir.path() / "b.vnp").string() + ", 05\r\n");
}

TEST_F(PatchListTest, ListLinesAreReadAsWritten)
{
    const std::pair<std::string, std::vector<PatchListLine>> cases[] = {
        {"// Varnpatch Patch List 2026/12/09 07:05:03\r\nC:\\a.vnp, 1B\r\n", {{"C:\\a.vnp", 0x1B}}},
        {"a.vnp\r\n\r\n//b.vnp\r\n", {{"a.vnp", 0}}},
        {"a.vnp, zz\n", {{"a.vnp", -1}}},
        {"a.vnp,\n", {{"a.vnp", -1}}},
        {"a.vnp,1B\n", {{"a.vnp", 0x0B}}}, // one separator character is skipped
        {"a.vnp, 05,x\n", {{"a.vnp", -1}}},
        {"\"dir,1\\a.vnp\", 0F\r\n\"q\"\"uote.ips\"\n",
         {{"dir,1\\a.vnp", 0x0F}, {"q\"uote.ips", 0}}},
        {"no line end", {{"no line end", 0}}},
    };
    for (const auto& [text, lines] : cases)
        EXPECT_EQ(ParsePatchListText(text), lines) << text;
}

TEST_F(PatchListTest, SavedListLoadsBackTheSameIncludingAwkwardPaths)
{
    std::filesystem::create_directory(dir.path() / "パッチ,集");
    list.addIps(ips("a.ips"));
    list.addVnp(dir.write("パッチ,集/キャラ.vnp", "VNP"));
    list.addMml(mml("song.mml"));
    list.addVnp(vnp("b.vnp"));
    list.changeTarget(3, 0x1B);
    // A path beginning with "//" (the same file for the system) would read as a comment line
    // unless it is quoted.
    list.addIps("/" + ips("c.ips").string());
    const auto file = dir.path() / "list.txt";
    ASSERT_TRUE(SavePatchList(file, list.entries(), std::tm{}).ok());

    PatchList loaded;
    loaded.addIps(ips("old.ips"));
    const auto result = LoadPatchList(file, loaded);
    ASSERT_TRUE(result.ok()) << result.message();
    EXPECT_FALSE(result.value().anyFailed());
    EXPECT_EQ(loaded.entries(), list.entries());
    const auto text = test::ReadFileBytes(file);
    EXPECT_NE(std::string(text.begin(), text.end()).find("\"//"), std::string::npos);
}

// The list file never replaces a file it names, whatever name of that file it is given.
TEST_F(PatchListTest, SavingOverAFileOfTheListIsRefused)
{
    const auto song = mml("song.mml");
    list.addIps(ips("a.ips"));
    list.addMml(song);
    std::filesystem::create_symlink("song.mml", dir.path() / "link.txt");
    std::filesystem::create_hard_link(song, dir.path() / "hard.txt");
    const auto before = test::ReadFileBytes(song);
    for (const char* name : {"song.mml", "link.txt", "hard.txt"}) {
        EXPECT_EQ(SavePatchList(dir.path() / name, list.entries(), std::tm{}).message(),
                  std::string("出力先が入力ファイルと同じです。\n") + name);
        EXPECT_EQ(test::ReadFileBytes(song), before) << name;
    }
    EXPECT_TRUE(SavePatchList(dir.path() / "list.txt", list.entries(), std::tm{}).ok());
}

TEST_F(PatchListTest, LoadingReportsFailingLinesTogetherAndKeepsTheRest)
{
    const std::string text = (dir.path() / "missing.ips").string() + "\r\n" +
                             ips("a.ips").string() + "\r\n" + vnp("b.vnp").string() + ", 07\r\n" +
                             vnp("c.vnp").string() + ", 07\r\n" + // target taken
                             dir.write("d.txt", "").string() + "\r\n";
    PatchList loaded;
    const auto result = LoadPatchList(dir.write("list.txt", text), loaded);
    ASSERT_TRUE(result.ok());
    EXPECT_TRUE(result.value().anyFailed());
    // The lines left out, in the file's order: the missing file, the patch whose target the
    // one before took, and the file of no known kind.
    const std::vector<std::filesystem::path> failed{dir.path() / "missing.ips",
                                                    dir.path() / "c.vnp", dir.path() / "d.txt"};
    EXPECT_EQ(result.value().failedEntries, failed);
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded.entries()[1].targetText(), "07");

    // A list written by hand beside its files names them relative to itself.
    std::filesystem::create_directory(dir.path() / "sub");
    dir.write("sub/near.ips", "PATCH");
    PatchList relative;
    const auto near = LoadPatchList(dir.write("sub/list.txt", "near.ips\r\n"), relative);
    ASSERT_TRUE(near.ok());
    EXPECT_FALSE(near.value().anyFailed());
    ASSERT_EQ(relative.size(), 1u);
    EXPECT_EQ(relative.entries()[0].path, dir.path() / "sub" / "near.ips");

    const auto missing = LoadPatchList(dir.path() / "none.txt", loaded);
    EXPECT_EQ(missing.message(), "ファイルが開けません。");
    EXPECT_EQ(loaded.size(), 2u);
}

// A list file of up to kMaxPatchListFileSize bytes is read, and in time that grows with its
// lines alone: character patches that find no free target are turned away without going
// through the entries before them for each target. One byte more and the file is not read.
TEST_F(PatchListTest, ListFilesUpToTheBoundAreReadQuicklyAndLargerOnesRefused)
{
    std::string entries;
    for (int i = 0; i < 10000; ++i)
        entries += "a.ips\r\n";
    // A target the file gives, then none: every free target is taken, then none is left.
    entries += "b.vnp, B0\r\n";
    for (int i = 0; i < 10000; ++i)
        entries += "b.vnp, zz\r\n";
    ips("a.ips");
    vnp("b.vnp");
    const auto padded = [&](std::uintmax_t size) {
        return "//" + std::string(size - entries.size() - 4, '-') + "\r\n" + entries;
    };

    PatchList loaded;
    const auto start = std::chrono::steady_clock::now();
    const auto read = LoadPatchList(dir.write("exact.txt", padded(kMaxPatchListFileSize)), loaded);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(read.ok()) << read.message();
    EXPECT_TRUE(read.value().anyFailed());
    ASSERT_EQ(loaded.size(), 10000u + kCharacterPatchTargets.size());
    EXPECT_EQ(loaded.entries().back().target, kCharacterPatchTargets.back());
    // Generous for the sanitizers on a busy machine; going through the entries for each
    // target of each character patch takes minutes there.
    EXPECT_LT(elapsed, std::chrono::seconds(20));
    RecordProperty(
        "elapsed_ms",
        static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()));

    const auto refused =
        LoadPatchList(dir.write("over.txt", padded(kMaxPatchListFileSize + 1)), loaded);
    EXPECT_EQ(refused.message(), "ファイルが大きすぎます。");
    EXPECT_EQ(loaded.size(), 10000u + kCharacterPatchTargets.size());
}

} // namespace
} // namespace varn
