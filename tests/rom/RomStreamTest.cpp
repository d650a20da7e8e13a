#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "rom/ImageBuffer.h"
#include "rom/RomStream.h"
#include "support/TempDir.h"

namespace varn {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Both implementations must read alike: a test written against memory images must hold for
// the file on disk. Only the memory image is written to; a file image is read-only.
struct StreamKind {
    const char* name;
    std::function<std::unique_ptr<RomStream>(const test::TempDir&, Bytes, bool writable)> make;
};

// Test names print the case's name instead of its bytes.
void PrintTo(const StreamKind& c, std::ostream* os)
{
    *os << c.name;
}

const StreamKind kStreamKinds[] = {
    {"Memory",
     [](const test::TempDir&, Bytes bytes, bool writable) -> std::unique_ptr<RomStream> {
         return std::make_unique<MemoryRomStream>(std::move(bytes), writable);
     }},
    {"File",
     [](const test::TempDir& dir, Bytes bytes, bool writable) -> std::unique_ptr<RomStream> {
         EXPECT_FALSE(writable) << "a file image is never opened for writing";
         const auto path = dir.write("image.smc", bytes);
         auto stream = FileRomStream::open(path);
         EXPECT_TRUE(stream.ok()) << stream.message();
         return std::move(stream).value();
     }},
};

// The streams a command writes to: the memory image of the tests and the buffer an image file
// is changed in. They must write alike.
struct WritableKind {
    const char* name;
    std::function<std::unique_ptr<RomStream>(const test::TempDir&, Bytes)> make;
};

void PrintTo(const WritableKind& c, std::ostream* os)
{
    *os << c.name;
}

const WritableKind kWritableKinds[] = {
    {"Memory",
     [](const test::TempDir&, Bytes bytes) -> std::unique_ptr<RomStream> {
         return std::make_unique<MemoryRomStream>(std::move(bytes));
     }},
    {"ImageBuffer",
     [](const test::TempDir& dir, Bytes bytes) -> std::unique_ptr<RomStream> {
         auto stream = ImageBuffer::load(dir.write("image.smc", bytes), 0x40000);
         EXPECT_TRUE(stream.ok()) << stream.message();
         return std::move(stream).value();
     }},
};

class WritableRomStreamTest : public ::testing::TestWithParam<WritableKind> {
protected:
    std::unique_ptr<RomStream> MemoryStream(Bytes bytes)
    {
        return GetParam().make(dir_, std::move(bytes));
    }
    test::TempDir dir_;
};

class RomStreamTest : public ::testing::TestWithParam<StreamKind> {
protected:
    std::unique_ptr<RomStream> make(Bytes bytes, bool writable = true)
    {
        return GetParam().make(dir_, std::move(bytes), writable);
    }
    test::TempDir dir_;
};

TEST_P(RomStreamTest, ReadsInsideAndRefusesRangesPastTheEnd)
{
    auto stream = make({1, 2, 3, 4, 5}, false);
    EXPECT_EQ(stream->size(), 5u);

    Bytes out(2);
    ASSERT_TRUE(stream->readAt(3, out));
    EXPECT_EQ(out, (Bytes{4, 5}));
    EXPECT_FALSE(stream->readAt(4, out));
    EXPECT_FALSE(stream->readAt(6, out));
    EXPECT_FALSE(stream->readAt(UINT64_MAX, out)); // no wrap-around
    EXPECT_EQ(stream->readByte(4), 5);
    EXPECT_EQ(stream->readByte(5), std::nullopt);
    EXPECT_EQ(stream->readBytes(1, 3), (Bytes{2, 3, 4}));
    EXPECT_EQ(stream->readBytes(3, 3), std::nullopt);
}

TEST_P(WritableRomStreamTest, WritesInPlaceButNeverLengthensTheImage)
{
    auto stream = MemoryStream({0, 0, 0, 0});
    const Bytes two{0xAA, 0xBB};
    ASSERT_TRUE(stream->writeAt(2, two));
    EXPECT_FALSE(stream->writeAt(3, two));
    EXPECT_FALSE(stream->writeAt(5, Bytes{1}));
    EXPECT_EQ(stream->size(), 4u);
    EXPECT_EQ(stream->readBytes(0, 4), (Bytes{0, 0, 0xAA, 0xBB}));
}

TEST_P(RomStreamTest, ReadOnlyStreamRefusesWrites)
{
    auto stream = make({7, 7}, false);
    EXPECT_FALSE(stream->writable());
    EXPECT_FALSE(stream->writeAt(0, Bytes{1}));
    EXPECT_EQ(stream->readBytes(0, 2), (Bytes{7, 7}));
}

TEST_P(WritableRomStreamTest, CursorMovesOnlyOnSuccess)
{
    auto stream = MemoryStream({1, 2, 3, 4});
    stream->seek(1);
    Bytes out(2);
    ASSERT_TRUE(stream->read(out));
    EXPECT_EQ(out, (Bytes{2, 3}));
    EXPECT_EQ(stream->tell(), 3u);
    EXPECT_FALSE(stream->read(out));
    EXPECT_EQ(stream->tell(), 3u);
    ASSERT_TRUE(stream->write(Bytes{9}));
    EXPECT_EQ(stream->tell(), 4u);
    EXPECT_FALSE(stream->write(Bytes{9}));
    EXPECT_EQ(stream->readBytes(0, 4), (Bytes{1, 2, 3, 9}));
}

TEST_P(WritableRomStreamTest, ExtendLengthensWithZeroBytes)
{
    auto stream = MemoryStream({1, 2, 3});
    EXPECT_TRUE(stream->extend(0)); // not larger: nothing changes
    EXPECT_TRUE(stream->extend(3));
    EXPECT_EQ(stream->size(), 3u);

    // More than one block of zeros, and a size that is no multiple of one.
    const std::uint64_t grown = 0x20005;
    ASSERT_TRUE(stream->extend(grown));
    EXPECT_EQ(stream->size(), grown);
    Bytes expected(grown, 0);
    expected[0] = 1;
    expected[1] = 2;
    expected[2] = 3;
    EXPECT_TRUE(stream->readBytes(0, grown) == expected);
    EXPECT_TRUE(stream->writeAt(grown - 1, Bytes{9}));
    EXPECT_FALSE(stream->writeAt(grown, Bytes{9}));
    EXPECT_EQ(stream->readByte(grown - 1), 9);
}

TEST_P(WritableRomStreamTest, ShortenCutsTheImageAndWhatIsCutComesBackAsZeroBytes)
{
    Bytes bytes(0x20005);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(1 + i % 251);
    auto stream = MemoryStream(bytes);
    EXPECT_TRUE(stream->shorten(0x20005)); // not smaller: nothing changes
    EXPECT_TRUE(stream->shorten(0x30000));
    EXPECT_EQ(stream->size(), 0x20005u);

    ASSERT_TRUE(stream->shorten(0x1003));
    EXPECT_EQ(stream->size(), 0x1003u);
    EXPECT_TRUE(stream->readBytes(0, 0x1003) == Bytes(bytes.begin(), bytes.begin() + 0x1003));
    EXPECT_EQ(stream->readByte(0x1003), std::nullopt);
    EXPECT_FALSE(stream->writeAt(0x1003, Bytes{9}));
    const auto held = stream->heldBytes();
    ASSERT_TRUE(held);
    EXPECT_TRUE(std::equal(held->begin(), held->end(), bytes.begin(), bytes.begin() + 0x1003));

    // Lengthened again, the image holds zero bytes where the cut bytes were, not those bytes.
    ASSERT_TRUE(stream->extend(0x20005));
    Bytes expected(0x20005, 0);
    std::copy_n(bytes.begin(), 0x1003, expected.begin());
    EXPECT_TRUE(stream->readBytes(0, 0x20005) == expected);

    ASSERT_TRUE(stream->shorten(0));
    EXPECT_EQ(stream->size(), 0u);
    EXPECT_EQ(stream->readByte(0), std::nullopt);
    ASSERT_TRUE(stream->extend(2));
    EXPECT_EQ(stream->readBytes(0, 2), (Bytes{0, 0}));
}

TEST_P(RomStreamTest, ReadOnlyStreamDoesNotExtendOrShorten)
{
    auto stream = make({7, 7}, false);
    EXPECT_FALSE(stream->extend(3));
    EXPECT_FALSE(stream->shorten(1));
    EXPECT_EQ(stream->size(), 2u);
    EXPECT_TRUE(stream->extend(2));
    EXPECT_TRUE(stream->shorten(2));
    EXPECT_EQ(stream->readBytes(0, 2), (Bytes{7, 7}));
}

TEST_P(RomStreamTest, OnlyAMemoryImageHoldsItsBytes)
{
    auto stream = make({7, 8}, false);
    const auto held = stream->heldBytes();
    if (std::string(GetParam().name) == "File") {
        EXPECT_FALSE(held);
    } else {
        ASSERT_TRUE(held);
        EXPECT_EQ(Bytes(held->begin(), held->end()), (Bytes{7, 8}));
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, RomStreamTest, ::testing::ValuesIn(kStreamKinds),
                         [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Kinds, WritableRomStreamTest, ::testing::ValuesIn(kWritableKinds),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ImageBufferTest, GrowsUpToItsCapacityAndTellsWhetherItWasWritten)
{
    test::TempDir dir;
    auto buffer = ImageBuffer::load(dir.write("image.smc", Bytes{1, 2, 3}), 0x10000);
    ASSERT_TRUE(buffer.ok());
    ImageBuffer& image = *buffer.value();
    EXPECT_FALSE(image.modified());
    EXPECT_TRUE(image.extend(2)); // not larger: no change
    EXPECT_FALSE(image.modified());
    EXPECT_FALSE(image.extend(0x10001));
    ASSERT_TRUE(image.extend(0x10000));
    EXPECT_TRUE(image.modified());
    EXPECT_EQ(image.readBytes(0xFFFE, 2), (Bytes{0, 0}));
    EXPECT_EQ(image.bytes().size(), 0x10000u);
    EXPECT_EQ(image.bytes()[2], 3);

    // Cutting an image is a change too.
    auto cut = ImageBuffer::load(dir.write("cut.smc", Bytes{1, 2, 3}), 0x10000);
    ASSERT_TRUE(cut.ok());
    EXPECT_TRUE(cut.value()->shorten(3));
    EXPECT_FALSE(cut.value()->modified());
    ASSERT_TRUE(cut.value()->shorten(1));
    EXPECT_TRUE(cut.value()->modified());
    EXPECT_EQ(Bytes(cut.value()->bytes().begin(), cut.value()->bytes().end()), Bytes{1});

    // What is larger than the capacity, or no regular file, is not read.
    EXPECT_EQ(ImageBuffer::load(dir.write("big.smc", Bytes(0x10001)), 0x10000).message(),
              "ファイルが開けません。");
    EXPECT_FALSE(ImageBuffer::load(dir.path(), 0x10000).ok());
    auto empty = ImageBuffer::load(dir.write("empty.smc", ""), 0x10000);
    ASSERT_TRUE(empty.ok());
    EXPECT_EQ(empty.value()->size(), 0u);
}

TEST(FileRomStreamTest, NeverWritesTheFile)
{
    test::TempDir dir;
    const auto path = dir.write("image.smc", Bytes{1, 2, 3});
    auto stream = FileRomStream::open(path);
    ASSERT_TRUE(stream.ok());
    EXPECT_FALSE(stream.value()->writable());
    EXPECT_FALSE(stream.value()->writeAt(0, Bytes{9}));
    EXPECT_FALSE(stream.value()->extend(8));
    EXPECT_EQ(test::ReadFileBytes(path), (Bytes{1, 2, 3}));
}

TEST(FileRomStreamTest, RefusesWhatIsNotAReadableFile)
{
    test::TempDir dir;
    for (const auto& path : {dir.path() / "missing.smc", dir.path()}) {
        auto stream = FileRomStream::open(path);
        EXPECT_FALSE(stream.ok()) << path;
        EXPECT_EQ(stream.message(), "ファイルが開けません。");
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing.smc")); // nothing created
}

TEST(FileRomStreamTest, EmptyFileOpensWithSizeZero)
{
    test::TempDir dir;
    auto stream = FileRomStream::open(dir.write("empty.smc", ""));
    ASSERT_TRUE(stream.ok());
    EXPECT_EQ(stream.value()->size(), 0u);
    EXPECT_EQ(stream.value()->readByte(0), std::nullopt);
}

} // namespace
} // namespace varn
