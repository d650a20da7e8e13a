#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "rom/RomStream.h"
#include "support/TempDir.h"

namespace varn {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Both implementations must behave alike: a test written against memory images must hold for
// the file on disk.
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
         const auto path = dir.write("image.smc", bytes);
         auto stream =
             FileRomStream::open(path, writable ? RomAccess::ReadWrite : RomAccess::ReadOnly);
         EXPECT_TRUE(stream.ok()) << stream.message();
         return std::move(stream).value();
     }},
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
    auto stream = make({1, 2, 3, 4, 5});
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

TEST_P(RomStreamTest, WritesInPlaceButNeverLengthensTheImage)
{
    auto stream = make({0, 0, 0, 0});
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

TEST_P(RomStreamTest, CursorMovesOnlyOnSuccess)
{
    auto stream = make({1, 2, 3, 4});
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

TEST_P(RomStreamTest, ExtendLengthensWithZeroBytes)
{
    auto stream = make({1, 2, 3});
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

TEST_P(RomStreamTest, ReadOnlyStreamDoesNotExtend)
{
    auto stream = make({7, 7}, false);
    EXPECT_FALSE(stream->extend(3));
    EXPECT_EQ(stream->size(), 2u);
    EXPECT_TRUE(stream->extend(2));
    EXPECT_EQ(stream->readBytes(0, 2), (Bytes{7, 7}));
}

INSTANTIATE_TEST_SUITE_P(Kinds, RomStreamTest, ::testing::ValuesIn(kStreamKinds),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FileRomStreamTest, ReadWriteOpenKeepsTheFileAndWritesReachTheDisk)
{
    test::TempDir dir;
    const auto path = dir.write("image.smc", Bytes{1, 2, 3, 4, 5, 6});
    {
        auto stream = FileRomStream::open(path, RomAccess::ReadWrite);
        ASSERT_TRUE(stream.ok());
        ASSERT_TRUE(stream.value()->writeAt(1, Bytes{0xEE}));
        EXPECT_FALSE(stream.value()->writeAt(6, Bytes{0xEE}));
    }
    EXPECT_EQ(test::ReadFileBytes(path), (Bytes{1, 0xEE, 3, 4, 5, 6}));
}

TEST(FileRomStreamTest, ExtensionReachesTheDisk)
{
    test::TempDir dir;
    const auto path = dir.write("image.smc", Bytes{1, 2});
    {
        auto stream = FileRomStream::open(path, RomAccess::ReadWrite);
        ASSERT_TRUE(stream.ok());
        ASSERT_TRUE(stream.value()->extend(5));
        ASSERT_TRUE(stream.value()->writeAt(4, Bytes{0xEE}));
    }
    EXPECT_EQ(test::ReadFileBytes(path), (Bytes{1, 2, 0, 0, 0xEE}));
}

TEST(FileRomStreamTest, RefusesWhatIsNotAReadableFile)
{
    test::TempDir dir;
    for (const auto& path : {dir.path() / "missing.smc", dir.path()}) {
        for (RomAccess access : {RomAccess::ReadOnly, RomAccess::ReadWrite}) {
            auto stream = FileRomStream::open(path, access);
            EXPECT_FALSE(stream.ok()) << path;
            EXPECT_EQ(stream.message(), "ファイルが開けません。");
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing.smc")); // nothing created
}

TEST(FileRomStreamTest, EmptyFileOpensWithSizeZero)
{
    test::TempDir dir;
    auto stream = FileRomStream::open(dir.write("empty.smc", ""), RomAccess::ReadOnly);
    ASSERT_TRUE(stream.ok());
    EXPECT_EQ(stream.value()->size(), 0u);
    EXPECT_EQ(stream.value()->readByte(0), std::nullopt);
}

} // namespace
} // namespace varn
