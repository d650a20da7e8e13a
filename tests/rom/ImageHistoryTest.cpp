// The history of an image: deltas that go both ways, what a change in memory did, the store of
// entries with its bounds, undo and redo through the commit, the lock that keeps two writers
// apart and the refusal of a file changed behind a command's back.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "rom/FileIo.h"
#include "rom/ImageBuffer.h"
#include "rom/ImageDelta.h"
#include "rom/ImageHistory.h"
#include "rom/ImageLock.h"
#include "rom/ImageUndo.h"
#include "rom/RomImageEdit.h"
#include "rom/RomStream.h"
#include "support/ByteCompare.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

namespace varn::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

Bytes RandomBytes(std::mt19937& random, std::size_t size)
{
    Bytes bytes(size);
    for (std::uint8_t& byte : bytes)
        byte = static_cast<std::uint8_t>(random());
    return bytes;
}

// A random change of a stream: writes of random lengths anywhere, and now and then a longer or
// shorter image.
void RandomChange(std::mt19937& random, RomStream& image, int writes)
{
    for (int i = 0; i < writes; ++i) {
        const int kind = static_cast<int>(random() % 10);
        if (kind == 0) {
            image.extend(image.size() + random() % 20000);
        } else if (kind == 1 && image.size() > 0) {
            image.shorten(image.size() - random() % std::min<std::uint64_t>(image.size(), 9000));
        } else if (image.size() > 0) {
            const std::uint64_t offset = random() % image.size();
            const std::uint64_t length = 1 + random() % std::min<std::uint64_t>(image.size() - offset, 5000);
            Bytes bytes = RandomBytes(random, static_cast<std::size_t>(length));
            // Some writes give the bytes that were there: no difference to keep.
            if (random() % 4 == 0)
                image.readAt(offset, bytes);
            image.writeAt(offset, bytes);
        }
    }
}

TEST(ImageDeltaTest, ADeltaGoesForwardAndBackAndReadsBackFromItsFile)
{
    std::mt19937 random(1);
    for (int round = 0; round < 30; ++round) {
        const Bytes before = RandomBytes(random, 1 + random() % 70000);
        MemoryRomStream changed(before);
        RandomChange(random, changed, 1 + round % 7);
        const Bytes after = changed.bytes();
        const ImageDelta delta = CompareImages(before, after);

        MemoryRomStream image(before);
        ASSERT_TRUE(ApplyImageDelta(image, delta, true).ok());
        ASSERT_TRUE(SameBytes(after, image.bytes()));
        ASSERT_TRUE(ApplyImageDelta(image, delta, false).ok());
        ASSERT_TRUE(SameBytes(before, image.bytes()));

        const Bytes file = SerializeImageDelta(delta);
        const Result<ImageDelta> read = ParseImageDelta(file);
        ASSERT_TRUE(read.ok());
        EXPECT_EQ(read.value(), delta);
        // Written to a stream as it is made, the file is the same, checksum and all.
        std::ostringstream streamed;
        ASSERT_EQ(WriteImageDelta(streamed, delta), file.size());
        EXPECT_TRUE(SameBytes(file, Bytes(streamed.view().begin(), streamed.view().end())));
    }
    // Only what differs is kept: one changed byte is one range of one byte each way.
    Bytes before(100000, 7);
    Bytes after = before;
    after[5000] = 8;
    const ImageDelta one = CompareImages(before, after);
    ASSERT_EQ(one.forward.size(), 1u);
    EXPECT_EQ(one.forward[0], (DeltaRange{5000, {8}}));
    EXPECT_EQ(one.reverse[0], (DeltaRange{5000, {7}}));
}

TEST(ImageDeltaTest, AnImageInAnotherStateOrADamagedFileIsRefused)
{
    const Bytes before(4096, 1);
    Bytes after = before;
    after[10] = 2;
    after.resize(5000, 3);
    const ImageDelta delta = CompareImages(before, after);
    // Forward wants the state before; back wants the state after.
    for (const bool forward : {true, false}) {
        Bytes other = forward ? after : before;
        MemoryRomStream image(other);
        EXPECT_EQ(ApplyImageDelta(image, delta, forward).message(), kImageStateMismatchMessage);
        EXPECT_TRUE(SameBytes(other, image.bytes()));
    }
    Bytes file = SerializeImageDelta(delta);
    for (const std::size_t at : {std::size_t{0}, std::size_t{9}, file.size() / 2, file.size() - 1}) {
        Bytes damaged = file;
        damaged[at] ^= 0x40;
        EXPECT_EQ(ParseImageDelta(damaged).message(), kHistoryDamagedMessage) << at;
    }
    EXPECT_EQ(ParseImageDelta(Bytes(file.begin(), file.end() - 3)).message(), kHistoryDamagedMessage);
    EXPECT_EQ(ParseImageDelta({}).message(), kHistoryDamagedMessage);
}

// What a change in memory did is the delta of the two states, found from the pages it touched.
TEST(ImageBufferTest, TheChangesOfAnImageAreTheDeltaOfItsTwoStates)
{
    std::mt19937 random(2);
    TempDir dir;
    for (int round = 0; round < 20; ++round) {
        const Bytes before = RandomBytes(random, random() % 3 == 0 ? 0 : 1 + random() % 300000);
        const fs::path file = dir.write("image.smc", before);
        auto buffer = ImageBuffer::load(file, 1u << 20);
        ASSERT_TRUE(buffer.ok());
        RandomChange(random, *buffer.value(), 1 + round % 9);
        const Bytes after(buffer.value()->bytes().begin(), buffer.value()->bytes().end());
        const ImageDelta changes = buffer.value()->changes();
        EXPECT_EQ(changes, CompareImages(before, after)) << round;
    }
}

class ImageHistoryTest : public testing::Test {
protected:
    fs::path image(const Bytes& bytes) { return dir.write("game.smc", bytes); }

    ImageChangeOptions recorded(std::string what)
    {
        ImageChangeOptions options;
        options.what = std::move(what);
        options.history = dir.path() / "state";
        return options;
    }

    // Changes the image: the bytes at `offset`.
    Status change(const fs::path& path, std::uint64_t offset, const Bytes& bytes,
                  const std::string& what)
    {
        return ChangeRomImage(
            path,
            [&](RomStream& stream) -> Status {
                if (offset + bytes.size() > stream.size())
                    stream.extend(offset + bytes.size());
                return stream.writeAt(offset, bytes) ? Status{} : Status{Failure{"write"}};
            },
            recorded(what));
    }

    ImageHistory history(const fs::path& path) { return ReadImageHistory(path, dir.path() / "state"); }

    TempDir dir;
};

TEST_F(ImageHistoryTest, UndoAndRedoGiveBackEveryEarlierStateExactly)
{
    std::mt19937 random(3);
    const fs::path path = image(RandomBytes(random, 200000));
    std::vector<Bytes> states{ReadFileBytes(path)};
    for (int i = 0; i < 12; ++i) {
        const std::uint64_t offset = random() % 240000;
        ASSERT_TRUE(change(path, offset, RandomBytes(random, 1 + random() % 3000),
                           "change " + std::to_string(i))
                        .ok());
        states.push_back(ReadFileBytes(path));
    }
    const ImageHistory written = history(path);
    ASSERT_EQ(written.entries().size(), 12u);
    EXPECT_EQ(written.position(), 12u);
    EXPECT_EQ(written.entries()[3].what, "change 3");

    // Every state, reached by undo, redo and restoring in a random order.
    std::size_t at = 12;
    for (int step = 0; step < 40; ++step) {
        const std::size_t target = random() % states.size();
        if (target < at && random() % 2 == 0)
            ASSERT_TRUE(UndoImageChanges(path, at - target, recorded("")).ok());
        else if (target > at && random() % 2 == 0)
            ASSERT_TRUE(RedoImageChanges(path, target - at, recorded("")).ok());
        else
            ASSERT_TRUE(RestoreImageState(path, target, recorded("")).ok());
        at = target;
        ASSERT_TRUE(SameBytes(states[at], ReadFileBytes(path))) << "state " << at;
        ASSERT_EQ(history(path).position(), at);
    }

    // Past either end nothing is written.
    ASSERT_TRUE(RestoreImageState(path, 0, recorded("")).ok());
    EXPECT_EQ(UndoImageChanges(path, 1, recorded("")).message(), kNothingToUndoMessage);
    ASSERT_TRUE(RestoreImageState(path, 12, recorded("")).ok());
    EXPECT_EQ(RedoImageChanges(path, 1, recorded("")).message(), kNothingToRedoMessage);

    // A change after an undo drops what could have been redone.
    ASSERT_TRUE(UndoImageChanges(path, 5, recorded("")).ok());
    ASSERT_TRUE(change(path, 10, {1, 2, 3}, "branch").ok());
    const ImageHistory branched = history(path);
    ASSERT_EQ(branched.entries().size(), 8u);
    EXPECT_EQ(branched.entries().back().what, "branch");
    ASSERT_TRUE(UndoImageChanges(path, 1, recorded("")).ok());
    EXPECT_TRUE(SameBytes(states[7], ReadFileBytes(path)));
}

TEST_F(ImageHistoryTest, AnImageChangedWithoutARecordIsLeftAlone)
{
    const fs::path path = image(Bytes(10000, 5));
    ASSERT_TRUE(change(path, 100, {9, 9}, "one").ok());
    Bytes outside = ReadFileBytes(path);
    outside[200] = 1;
    ASSERT_TRUE(WriteFileAtomically(path, outside).ok());
    EXPECT_EQ(UndoImageChanges(path, 1, recorded("")).message(), kImageStateMismatchMessage);
    EXPECT_TRUE(SameBytes(outside, ReadFileBytes(path)));
    // Put back as it was, the image can be undone again.
    outside[200] = 5;
    ASSERT_TRUE(WriteFileAtomically(path, outside).ok());
    ASSERT_TRUE(UndoImageChanges(path, 1, recorded("")).ok());
    EXPECT_TRUE(SameBytes(Bytes(10000, 5), ReadFileBytes(path)));
}

TEST_F(ImageHistoryTest, TheHistoryKeepsItsBoundsAndSurvivesANewReading)
{
    const fs::path path = image(Bytes(5000, 0));
    for (std::size_t i = 0; i < kMaxHistoryEntries + 20; ++i)
        ASSERT_TRUE(change(path, i, {static_cast<std::uint8_t>(i + 1)}, "n" + std::to_string(i)).ok());
    const ImageHistory kept = history(path);
    ASSERT_EQ(kept.entries().size(), kMaxHistoryEntries);
    EXPECT_EQ(kept.entries().front().what, "n20");
    EXPECT_EQ(kept.position(), kMaxHistoryEntries);
    // The deltas of the entries dropped are gone too.
    std::size_t deltas = 0;
    for (const auto& file : fs::directory_iterator(kept.folder()))
        deltas += file.path().extension() == ".delta";
    EXPECT_EQ(deltas, kMaxHistoryEntries);
    // Undo all that is kept.
    ASSERT_TRUE(UndoImageChanges(path, kMaxHistoryEntries, recorded("")).ok());
    const Bytes back = ReadFileBytes(path);
    for (std::size_t i = 0; i < 20; ++i)
        ASSERT_EQ(back[i], i + 1);
    EXPECT_EQ(back[20], 0);
}

// A kill between the image's replacement and the history's index leaves a history that finds
// the state the image is in.
TEST_F(ImageHistoryTest, AStepCutOffBeforeItsIndexIsTakenAsDone)
{
    const fs::path path = image(Bytes(8000, 1));
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(change(path, 100 * i, {7, 7, 7}, "c" + std::to_string(i)).ok());
    const Bytes four = ReadFileBytes(path);
    ASSERT_TRUE(UndoImageChanges(path, 3, recorded("")).ok());
    const Bytes one = ReadFileBytes(path);
    // The image as a redo of three leaves it, with the index still at one.
    const fs::path index = history(path).folder() / "index.txt";
    const Bytes indexAtOne = ReadFileBytes(index);
    ASSERT_TRUE(RedoImageChanges(path, 3, recorded("")).ok());
    ASSERT_TRUE(WriteFileAtomically(index, indexAtOne).ok());
    EXPECT_EQ(history(path).position(), 4u);
    ASSERT_TRUE(UndoImageChanges(path, 3, recorded("")).ok());
    EXPECT_TRUE(SameBytes(one, ReadFileBytes(path)));

    // A change whose delta was written and whose image was replaced, but not its index.
    const Bytes after = [&] {
        Bytes bytes = one;
        bytes[60] = 0x44;
        return bytes;
    }();
    ImageHistory interrupted = ImageHistory::Open(path, dir.path() / "state");
    const std::size_t entriesBefore = interrupted.entries().size();
    ASSERT_TRUE(interrupted.prepare(CompareImages(one, after), "cut off", 1).ok());
    ASSERT_TRUE(WriteFileAtomically(path, after).ok());
    const ImageHistory found = history(path);
    ASSERT_EQ(found.entries().size(), 2u);
    EXPECT_EQ(found.entries().size(), entriesBefore - 3 + 1);
    EXPECT_EQ(found.entries().back().what, "cut off");
    EXPECT_EQ(found.position(), 2u);
    ASSERT_TRUE(UndoImageChanges(path, 1, recorded("")).ok());
    EXPECT_TRUE(SameBytes(one, ReadFileBytes(path)));
    (void)four;
}

// Two processes changing one image run one after the other: both changes are in it.
TEST_F(ImageHistoryTest, TwoWritersAtOnceNeverLoseAChange)
{
    const fs::path path = image(Bytes(1u << 20, 0));
    for (int round = 0; round < 20; ++round) {
        const auto writer = [&](std::uint64_t offset, std::uint8_t value) {
            return RunInChild([&] {
                return change(path, offset, Bytes(1000, value), "writer").ok() ? 0 : 1;
            });
        };
        std::thread first([&] { EXPECT_EQ(writer(0, static_cast<std::uint8_t>(round + 1)), 0); });
        std::thread second([&] { EXPECT_EQ(writer(500000, static_cast<std::uint8_t>(round + 101)), 0); });
        first.join();
        second.join();
        const Bytes after = ReadFileBytes(path);
        ASSERT_EQ(after[0], round + 1) << round;
        ASSERT_EQ(after[500000], round + 101) << round;
    }
}

// A file replaced behind the back of a command that read it is not overwritten.
TEST_F(ImageHistoryTest, AFileChangedAfterItWasReadIsNotOverwritten)
{
    const fs::path path = image(Bytes(4096, 3));
    const Bytes outside(4096, 9);
    const Status refused = ChangeRomImage(
        path,
        [&](RomStream& stream) -> Status {
            // Another program that takes no lock replaces the file meanwhile.
            EXPECT_TRUE(WriteFileAtomically(path, outside).ok());
            const Bytes bytes{1};
            return stream.writeAt(0, bytes) ? Status{} : Status{Failure{"write"}};
        },
        recorded("late"));
    EXPECT_EQ(refused.message(), kImageChangedOutsideMessage);
    EXPECT_TRUE(SameBytes(outside, ReadFileBytes(path)));
    EXPECT_TRUE(history(path).entries().empty());
}

TEST_F(ImageHistoryTest, ALockHeldElsewhereIsWaitedForThenReported)
{
    const fs::path path = image(Bytes(100, 0));
    auto held = ImageLock::Acquire(path);
    ASSERT_TRUE(held.ok());
    EXPECT_TRUE(fs::exists(ImageLock::LockPath(path)));
    const int waited = RunInChild([&] {
        const auto again = ImageLock::Acquire(path, 1);
        return !again.ok() && again.message() == kImageBusyMessage ? 0 : 1;
    });
    EXPECT_EQ(waited, 0);
    held = Failure{"released"};
    // Given up, the lock leaves no file behind.
    EXPECT_FALSE(fs::exists(ImageLock::LockPath(path)));
    const int taken = RunInChild([&] { return ImageLock::Acquire(path, 1).ok() ? 0 : 1; });
    EXPECT_EQ(taken, 0);
}

} // namespace
} // namespace varn::test
