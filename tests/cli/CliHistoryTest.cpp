// The history through the command line: every verb that changes the image records its change,
// `undo` and `redo` give back the exact bytes of every earlier state, `history` lists them, and
// two verbs started together on one image never lose a change.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>

#include "cli/CliRunner.h"
#include "enemy/EnemyTables.h"
#include "graphics/GifCodec.h"
#include "rom/HexText.h"
#include "support/ByteCompare.h"
#include "support/ChildProcess.h"
#include "support/RomImageBuilder.h"
#include "support/TempDir.h"

namespace varn::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;


// An expanded image every writer can change: ready for a patch list, with enemy 145's status
// within the checks.
Bytes WritableImage()
{
    Bytes image = RomImageBuilder::ReadyForPatchList().build();
    const Bytes record{0x13, 0x5A, 0x80, 0x12, 0x34, 0x12, 11, 12, 13, 14, 15, 16, 17,
                       21,   22,   23,   24,   0x20, 0x31, 0x08, 0x4F, 0x50, 0x60, 0x60, 0x80};
    std::copy(record.begin(), record.end(), image.begin() + EnemyRecordOffset(0x145));
    image[EquipmentHighBitsOffset(0x145)] = 0x00;
    return image;
}

// An IPS patch of one record.
Bytes IpsPatch(std::uint32_t offset, const Bytes& data)
{
    Bytes patch{'P', 'A', 'T', 'C', 'H', static_cast<std::uint8_t>(offset >> 16),
                static_cast<std::uint8_t>(offset >> 8), static_cast<std::uint8_t>(offset), 0,
                static_cast<std::uint8_t>(data.size())};
    patch.insert(patch.end(), data.begin(), data.end());
    patch.insert(patch.end(), {'E', 'O', 'F'});
    return patch;
}

// A 128 × 16 picture of colours 0-7 for the skill graphics.
GifImage SkillPicture(std::mt19937& random)
{
    GifImage picture;
    picture.width = 128;
    picture.height = 16;
    for (int i = 0; i < 8; ++i)
        picture.colors.push_back({static_cast<std::uint8_t>(32 * i), 0, static_cast<std::uint8_t>(255 - 32 * i)});
    GifFrame frame(128, 16);
    for (std::uint8_t& pixel : frame.pixels)
        pixel = static_cast<std::uint8_t>(random() % 8);
    picture.frames.push_back(std::move(frame));
    return picture;
}

class CliHistoryTest : public testing::Test {
protected:
    void SetUp() override { rom = dir.write("game.smc", WritableImage()); }

    // Every command of these tests looks for leaks when it ends: between them they run every
    // verb that writes, and undo, redo and history.
    CliRun run(std::vector<std::string> arguments)
    {
        return RunCli(std::move(arguments), LeakCheck::CheckingLeaks);
    }

    // A random command of writer `kind` (0-7) that changes the image.
    void randomCommand(std::mt19937& random, int kind, int step)
    {
        const std::string r = rom.string();
        const std::string n = std::to_string(step);
        CliRun result;
        switch (kind) {
        case 0:
            result = run({"spark", "set", r, "--technique", HexDigits(0x0F + random() % 0xCD, 2),
                          "--mask", HexDigits(random() % 0x10000, 4)});
            break;
        case 1:
            result = run({"mml", "compile", (kExamples / "song.mml").string(), r, "--music",
                          HexDigits(0xB0 + random() % 0x4F, 2), "--address",
                          HexDigits(0x500004 + 16 * (random() % 64), 6)});
            break;
        case 2: {
            const fs::path gif = dir.path() / ("skill" + n + ".gif");
            ASSERT_TRUE(SaveGifFile(SkillPicture(random), gif).ok());
            result = run({"skill", "write", r, gif.string(), "--id", HexDigits(random() % 0x100, 2),
                          "--palette-id", HexDigits(random() % 0x100, 2)});
            break;
        }
        case 3:
            result = run({"vnp", "apply", r, (kExamples / "example_character.vnp").string(),
                          "--target", random() % 2 ? "B0" : HexDigits(random() % 0x20, 2)});
            break;
        case 4: {
            const fs::path ips = dir.write("patch" + n + ".ips",
                                           IpsPatch(0x100000 + random() % 0x300000,
                                                    {static_cast<std::uint8_t>(random()),
                                                     static_cast<std::uint8_t>(random())}));
            result = run({"ips", r, ips.string()});
            break;
        }
        case 5: {
            // A BPS patch made for the image as it is now, turning it into a copy with changes.
            Bytes modified = ReadFileBytes(rom);
            for (int i = 0; i < 5; ++i)
                modified[0x200000 + random() % 0x100000] ^= 0x5A;
            if (random() % 3 == 0)
                modified.resize(modified.size() + 4096, 0x11);
            const fs::path target = dir.write("target.smc", modified);
            const fs::path bps = dir.path() / ("patch" + n + ".bps");
            ASSERT_EQ(run({"diff", r, target.string(), bps.string()}).exitCode, 0);
            result = run({"bps", r, bps.string()});
            break;
        }
        case 6: {
            const fs::path ips = dir.write("list" + n + ".ips",
                                           IpsPatch(0x110000 + random() % 0x1000, {0x42, 0x43}));
            const fs::path list = dir.write("list" + n + ".txt",
                                            ips.string() + "\r\n" +
                                                (kExamples / "example_character.vnp").string() +
                                                ", B0\r\n");
            result = run({"apply", r, list.string()});
            break;
        }
        default: {
            const fs::path text = dir.write("enemy" + n + ".txt",
                                            "hp=" + std::to_string(30 + random() % 60000) + "\n");
            result = run({"enemy", "apply", r, "--enemy", "145", text.string()});
            break;
        }
        }
        ASSERT_EQ(result.exitCode, 0) << result.err;
    }

    TempDir dir;
    fs::path rom;
};

TEST_F(CliHistoryTest, UndoAndRedoGiveBackEveryStateOfEveryWriter)
{
    std::mt19937 random(23);
    std::vector<Bytes> states{ReadFileBytes(rom)};
    // Every writer twice, in a random order.
    std::vector<int> kinds;
    for (int kind = 0; kind < 8; ++kind)
        kinds.insert(kinds.end(), {kind, kind});
    std::shuffle(kinds.begin(), kinds.end(), random);
    for (int step = 0; step < static_cast<int>(kinds.size()); ++step) {
        randomCommand(random, kinds[static_cast<std::size_t>(step)], step);
        if (HasFatalFailure())
            return;
        const Bytes now = ReadFileBytes(rom);
        // A command that wrote the bytes that were there records nothing.
        if (now != states.back())
            states.push_back(now);
    }
    const std::size_t changes = states.size() - 1;
    const CliRun listed = run({"history", rom.string()});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_NE(listed.out.find(std::to_string(changes) + " of " + std::to_string(changes) +
                              " changes applied"),
              std::string::npos)
        << listed.out;

    // Back one step at a time, then forward, then to random states.
    for (std::size_t at = changes; at > 0; --at) {
        const CliRun undone = run({"undo", rom.string()});
        ASSERT_EQ(undone.exitCode, 0) << undone.err;
        ASSERT_TRUE(SameBytes(states[at - 1], ReadFileBytes(rom))) << "state " << at - 1;
    }
    EXPECT_EQ(run({"undo", rom.string()}).err, "元に戻せる変更がありません。\n");
    for (std::size_t at = 0; at < changes; ++at) {
        ASSERT_EQ(run({"redo", rom.string()}).exitCode, 0);
        ASSERT_TRUE(SameBytes(states[at + 1], ReadFileBytes(rom))) << "state " << at + 1;
    }
    EXPECT_EQ(run({"redo", rom.string()}).err, "やり直せる変更がありません。\n");
    std::size_t at = changes;
    for (int jump = 0; jump < 6; ++jump) {
        const std::size_t target = random() % (changes + 1);
        if (target == at)
            continue;
        const CliRun moved = target < at ? run({"undo", rom.string(), "--steps", std::to_string(at - target)})
                                         : run({"redo", rom.string(), "--steps", std::to_string(target - at)});
        ASSERT_EQ(moved.exitCode, 0) << moved.err;
        at = target;
        ASSERT_TRUE(SameBytes(states[at], ReadFileBytes(rom))) << "state " << at;
    }
}

TEST_F(CliHistoryTest, HistoryListsWhatWasDoneAndCanBeCleared)
{
    const fs::path text = dir.write("hp.txt", std::string("hp=999\n"));
    ASSERT_EQ(run({"enemy", "apply", rom.string(), "--enemy", "145", text.string()}).exitCode, 0);
    ASSERT_EQ(run({"spark", "set", rom.string(), "--technique", "10", "--mask", "0001"}).exitCode, 0);
    ASSERT_EQ(run({"undo", rom.string()}).exitCode, 0);
    const CliRun listed = run({"history", rom.string()});
    ASSERT_EQ(listed.exitCode, 0);
    EXPECT_NE(listed.out.find("1 of 2 changes applied"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find(" * 1  "), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("enemy apply 【0145】"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("spark set 10  (undone)"), std::string::npos) << listed.out;

    ASSERT_EQ(run({"history", rom.string(), "--clear"}).exitCode, 0);
    EXPECT_NE(run({"history", rom.string()}).out.find("0 of 0 changes applied"), std::string::npos);
    EXPECT_EQ(run({"undo", rom.string()}).err, "元に戻せる変更がありません。\n");

    // An image changed outside without a record is not undone.
    ASSERT_EQ(run({"spark", "set", rom.string(), "--technique", "11", "--mask", "0002"}).exitCode, 0);
    Bytes outside = ReadFileBytes(rom);
    outside[0x300000] ^= 1;
    dir.write("game.smc", outside);
    const CliRun refused = run({"undo", rom.string()});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("履歴の記録と一致しません"), std::string::npos) << refused.err;
    EXPECT_TRUE(SameBytes(outside, ReadFileBytes(rom)));

    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"undo"}, {"undo", rom.string(), "--steps"}, {"undo", rom.string(), "--steps", "0"},
             {"redo", rom.string(), "--steps", "x"}, {"history"}, {"history", rom.string(), "--all"}})
        EXPECT_EQ(run(bad).exitCode, 1) << testing::PrintToString(bad);
}

// Two writers started together on one image, twenty times: both changes are in the image, or
// one is refused with a message; never is one lost in silence.
TEST_F(CliHistoryTest, TwoWritersStartedTogetherNeverLoseAChange)
{
    std::mt19937 random(5);
    for (int round = 0; round < 20; ++round) {
        const std::uint16_t mask = static_cast<std::uint16_t>(1 + random() % 0xFFFE);
        const int music = 0xB0 + round;
        CliRun spark;
        CliRun mml;
        std::thread first([&] {
            spark = run({"spark", "set", rom.string(), "--technique", "20", "--mask",
                         HexDigits(mask, 4)});
        });
        std::thread second([&] {
            mml = run({"mml", "compile", (kExamples / "song.mml").string(), rom.string(),
                       "--music", HexDigits(music, 2), "--address", "500004"});
        });
        first.join();
        second.join();
        // Both ran: each change must be in the image as the two left it.
        ASSERT_EQ(spark.exitCode, 0) << spark.err;
        ASSERT_EQ(mml.exitCode, 0) << mml.err;
        const CliRun shown = run({"spark", "show", rom.string()});
        const std::string marks = shown.out.substr(shown.out.find("【20】"));
        const std::string row = marks.substr(0, marks.find('\n'));
        std::string expected;
        for (int bit = 0; bit < 16; ++bit)
            expected += std::string(bit ? " " : "") + ((mask >> bit) & 1 ? "○" : "×");
        EXPECT_NE(row.find(expected), std::string::npos) << round << ": " << row;
        // The song the compile wrote reads back: its pointer and block are in the image.
        const CliRun decompiled = run({"mml", "decompile", rom.string(), "--music",
                                       HexDigits(music, 2), (dir.path() / "out.mml").string()});
        EXPECT_EQ(decompiled.exitCode, 0) << round << ": " << decompiled.err;
    }
}

} // namespace
} // namespace varn::test

namespace varn::test {
namespace {

// Killed at any moment of an undo, the tool leaves the image as it was before the undo or as
// the undo makes it, never anything in between, and the history stands for the state the image
// is in: the next undo or redo reaches the other state exactly.
TEST_F(CliHistoryTest, AKilledUndoLeavesTheStateBeforeOrAfterIt)
{
    const Bytes original = ReadFileBytes(rom);
    std::string text = "// Varnpatch Patch List 2026/12/11 00:00:00\r\n";
    for (int target = 0; target <= 0x1F; ++target)
        text += (kExamples / "example_character.vnp").string() + ", " + HexDigits(target, 2) +
                "\r\n";
    for (int i = 0; i < 10; ++i)
        text += (kExamples / "song.mml").string() + "\r\n";
    const fs::path list = dir.write("long.txt", text);
    const fs::path config = dir.path() / "config";
    const auto cli = [&](std::vector<std::string> arguments) {
        return RunCliWithConfigHome(config, std::move(arguments));
    };
    // The image before each trial: the list applied, with a history of that one change.
    const auto applied = [&] {
        dir.write("game.smc", original);
        fs::remove_all(config / "state");
        const CliRun run = cli({"apply", rom.string(), list.string()});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return ReadFileBytes(rom);
    };
    const Bytes changed = applied();
    ASSERT_FALSE(SameBytes(original, changed));
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(cli({"undo", rom.string()}).exitCode, 0);
    const auto duration = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(SameBytes(original, ReadFileBytes(rom)));

    // Random moments over the whole run and a little past it, until (up to a bound) both
    // outcomes were seen: a kill before the image was replaced, and one after.
    std::mt19937 random(20261211);
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(duration * 1.2);
    std::uniform_int_distribution<long long> delay(0, span.count());
    int before = 0;
    int after = 0;
    for (int trial = 0; trial < 40 && (trial < 10 || before == 0 || after == 0); ++trial) {
        ASSERT_TRUE(SameBytes(changed, applied()));
        const auto wait = trial == 0   ? std::chrono::microseconds(0)
                          : trial == 1 ? span * 2
                                       : std::chrono::microseconds(delay(random));
        {
            BackgroundProgram undo({"/usr/bin/env", "XDG_CONFIG_HOME=" + config.string(),
                                    "XDG_STATE_HOME=" + (config / "state").string(), VARNWORK_CLI,
                                    "undo", rom.string()},
                                   dir.path() / "out", dir.path() / "err");
            std::this_thread::sleep_for(wait);
            undo.kill();
        }
        const Bytes left = ReadFileBytes(rom);
        const bool isBefore = static_cast<bool>(SameBytes(changed, left));
        const bool isAfter = static_cast<bool>(SameBytes(original, left));
        ASSERT_TRUE(isBefore || isAfter) << "killed after " << wait.count() << " µs";
        before += isBefore;
        after += isAfter;
        const CliRun next = cli({isBefore ? "undo" : "redo", rom.string()});
        ASSERT_EQ(next.exitCode, 0) << "killed after " << wait.count() << " µs: " << next.err;
        EXPECT_TRUE(SameBytes(isBefore ? original : changed, ReadFileBytes(rom)))
            << "killed after " << wait.count() << " µs";
    }
    EXPECT_GT(before, 0) << "no kill left the image before the undo";
    EXPECT_GT(after, 0) << "no kill came after the undo had replaced the image";
    RecordProperty("before", before);
    RecordProperty("after", after);
}

} // namespace
} // namespace varn::test
