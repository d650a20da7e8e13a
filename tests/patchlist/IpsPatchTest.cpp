#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "patchlist/IpsPatch.h"
#include "rom/RomImageEdit.h"
#include "rom/RomStream.h"
#include "support/Bytes.h"
#include "support/ByteCompare.h"
#include "support/TempDir.h"

namespace varn {
namespace {

using test::With;

using Bytes = std::vector<std::uint8_t>;

// IPS files put together record by record.
class Ips {
public:
    Ips() : bytes_{'P', 'A', 'T', 'C', 'H'} {}

    Ips& record(std::uint32_t offset, const Bytes& data)
    {
        offset3(offset);
        size2(data.size());
        return raw(data);
    }
    Ips& run(std::uint32_t offset, std::size_t length, std::uint8_t value)
    {
        offset3(offset);
        size2(0);
        size2(length);
        bytes_.push_back(value);
        return *this;
    }
    Ips& raw(const Bytes& data)
    {
        bytes_.insert(bytes_.end(), data.begin(), data.end());
        return *this;
    }
    Ips& end() { return raw({'E', 'O', 'F'}); }
    Bytes bytes() const { return bytes_; }

private:
    void offset3(std::uint32_t offset)
    {
        raw({static_cast<std::uint8_t>(offset >> 16), static_cast<std::uint8_t>(offset >> 8),
             static_cast<std::uint8_t>(offset)});
    }
    void size2(std::size_t size)
    {
        raw({static_cast<std::uint8_t>(size >> 8), static_cast<std::uint8_t>(size)});
    }

    Bytes bytes_;
};

// A small image whose bytes all differ from their neighbours.
constexpr std::size_t kImageSize = 0x300;
Bytes Image()
{
    Bytes image(kImageSize);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return image;
}

Bytes Counting(std::size_t size, std::uint8_t first)
{
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(first + i * 13);
    return bytes;
}

struct IpsCase {
    const char* name;
    Bytes ips;
    Bytes expected;      // the image afterwards
    std::string message; // empty: applied
};

void PrintTo(const IpsCase& c, std::ostream* os)
{
    *os << c.name;
}

const std::string kAbnormal = "ファイルが異常です。\npatch.ips";

const IpsCase kIpsCases[] = {
    {"HeaderAndEndOnly", Ips().end().bytes(), Image(), ""},
    {"EmptyFileEndsAtOnce", {}, Image(), ""},
    {"HeaderIsNotReadAgain",
     [] {
         Bytes ips = Ips().record(0x10, {0xAA}).end().bytes();
         std::fill_n(ips.begin(), 5, 'X');
         return ips;
     }(),
     With(Image(), 0x10, {0xAA}), ""},
    {"WithoutEndMarkerUpToTheLastRecord", Ips().record(0x10, {0xAA, 0xBB}).bytes(),
     With(Image(), 0x10, {0xAA, 0xBB}), ""},
    {"OffsetCutByTheEndEndsNormally", Ips().record(0x10, {0xAA}).raw({0x00, 0x01}).bytes(),
     With(Image(), 0x10, {0xAA}), ""},
    {"RecordsAfterTheEndMarkerAreIgnored",
     Ips().record(0x10, {0xAA}).end().record(0x20, {0xBB}).bytes(), With(Image(), 0x10, {0xAA}),
     ""},
    {"RecordsApplyInOrder", Ips().record(0x10, {1, 2, 3}).record(0x11, {9}).end().bytes(),
     With(Image(), 0x10, {1, 9, 3}), ""},
    {"RunAt200", Ips().run(0x200, 3, 0xFF).end().bytes(), With(Image(), 0x200, {0xFF, 0xFF, 0xFF}),
     ""},
    {"RunOfLengthZeroWritesNothing", Ips().run(0x100, 0, 0x77).run(0x400, 0, 0x77).end().bytes(),
     Image(), ""},
    {"OffsetBeyondTheEndExtendsTheImage", Ips().record(0x400, {0xAA, 0xBB}).end().bytes(),
     With(With(Image(), kImageSize, Bytes(0x100, 0)), 0x400, {0xAA, 0xBB}), ""},
    {"RunBeyondTheEndExtendsTheImage", Ips().run(0x2FE, 4, 0x5A).end().bytes(),
     With(Image(), 0x2FE, {0x5A, 0x5A, 0x5A, 0x5A}), ""},
    {"Offset454F46ReadsAsTheEndMarker", Ips().record(0x454F46, {0xAA}).bytes(), Image(), ""},
    {"SizeFFFFIsWrittenWhole", Ips().record(0x10, Counting(0xFFFF, 1)).end().bytes(),
     With(Image(), 0x10, Counting(0xFFFF, 1)), ""},
    // A record cut after its offset: nothing at all is written, not even the whole records
    // before it.
    {"SizeCut", Ips().record(0x10, {0xAA}).raw({0x00, 0x00, 0x20, 0x00}).bytes(), Image(),
     kAbnormal},
    {"DataCut", Ips().record(0x10, {0xAA}).raw({0x00, 0x00, 0x20, 0x00, 0x04, 1, 2, 3}).bytes(),
     Image(), kAbnormal},
    {"RunLengthCut", Ips().record(0x10, {0xAA}).raw({0x00, 0x00, 0x20, 0x00, 0x00, 0x03}).bytes(),
     Image(), kAbnormal},
    {"RunValueCut",
     Ips().record(0x10, {0xAA}).raw({0x00, 0x00, 0x20, 0x00, 0x00, 0x00, 0x03}).bytes(), Image(),
     kAbnormal},
    {"DataCutBeforeAnEndMarkerInsideIt",
     Ips().raw({0x00, 0x00, 0x20, 0x00, 0x09, 'E', 'O', 'F'}).bytes(), Image(), kAbnormal},
};

// Every case runs on a memory image and on an image file changed through its commit, which
// must end alike: the file holds what the memory image holds, and a refused patch leaves it
// as it was.
struct StreamKind {
    const char* name;
    std::function<std::pair<Status, Bytes>(const test::TempDir&, const Bytes& ips)> apply;
};

void PrintTo(const StreamKind& kind, std::ostream* os)
{
    *os << kind.name;
}

const StreamKind kStreamKinds[] = {
    {"Memory",
     [](const test::TempDir&, const Bytes& ips) {
         MemoryRomStream rom(Image());
         const Status status = ApplyIpsPatch(rom, ips, "patch.ips");
         return std::pair(status, rom.bytes());
     }},
    {"File",
     [](const test::TempDir& dir, const Bytes& ips) {
         const auto path = dir.write("image.smc", Image());
         const Status status = ChangeRomImage(
             path, [&](RomStream& rom) { return ApplyIpsPatch(rom, ips, "patch.ips"); });
         return std::pair(status, test::ReadFileBytes(path));
     }},
};

class IpsPatchTest : public ::testing::TestWithParam<std::tuple<StreamKind, IpsCase>> {};

TEST_P(IpsPatchTest, AppliesTheRecords)
{
    const auto& [kind, c] = GetParam();
    test::TempDir dir;
    const auto [status, image] = kind.apply(dir, c.ips);
    EXPECT_EQ(status.message(), c.message);
    EXPECT_EQ(status.ok(), c.message.empty());
    EXPECT_EQ(image.size(), c.expected.size());
    EXPECT_TRUE(test::SameBytes(c.expected, image));
}

INSTANTIATE_TEST_SUITE_P(Cases, IpsPatchTest,
                         ::testing::Combine(::testing::ValuesIn(kStreamKinds),
                                            ::testing::ValuesIn(kIpsCases)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    std::get<1>(info.param).name;
                         });

TEST(IpsPatchFileTest, AppliesAFileToAnImageFileOnDisk)
{
    test::TempDir dir;
    const auto romPath = dir.write("image.smc", Image());
    const auto ipsPath =
        dir.write("grow.ips", Ips().record(0x20, {0xAA}).run(0x500, 2, 0xEE).end().bytes());
    const Status status =
        ChangeRomImage(romPath, [&](RomStream& rom) { return ApplyIpsPatch(rom, ipsPath); });
    ASSERT_TRUE(status.ok()) << status.message();
    const Bytes expected =
        With(With(With(Image(), kImageSize, Bytes(0x200, 0)), 0x20, {0xAA}), 0x500, {0xEE, 0xEE});
    EXPECT_TRUE(test::ReadFileBytes(romPath) == expected);
}

TEST(IpsPatchFileTest, AFileThatCannotBeReadIsNamed)
{
    test::TempDir dir;
    MemoryRomStream rom(Image());
    for (const auto& path : {dir.path() / "missing.ips", dir.path()}) {
        const Status status = ApplyIpsPatch(rom, path);
        EXPECT_EQ(status.message(), "ファイルが開けません。\n" + path.filename().string());
    }
    EXPECT_EQ(rom.bytes(), Image());
}

// No IPS patch is larger than one that writes every byte its offsets and sizes reach, each by
// a run record of its own; a larger file is refused at once, from its size, before it is read.
TEST(IpsPatchFileTest, AFileLargerThanAnyPatchIsAbnormalBeforeItIsRead)
{
    test::TempDir dir;
    const Bytes header{'P', 'A', 'T', 'C', 'H'};
    const struct {
        std::uint64_t size;
        std::string message;
    } cases[] = {
        {kMaxIpsPatchSize + 1, "ファイルが異常です。\nhuge.ips"},
        {250u << 20, "ファイルが異常です。\nhuge.ips"},
        {std::uint64_t{1} << 40, "ファイルが異常です。\nhuge.ips"},
    };
    for (const auto& c : cases) {
        const auto path = dir.writeSparse("huge.ips", header, c.size);
        MemoryRomStream rom(Image());
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(ApplyIpsPatch(rom, path).message(), c.message) << c.size;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << c.size;
        EXPECT_EQ(rom.bytes(), Image());
        EXPECT_EQ(ReadIpsFile(path).message(), "ファイルが異常です。");
    }
    const auto small = dir.write("small.ips", Ips().record(0x10, {0xAA}).end().bytes());
    const Result<Bytes> read = ReadIpsFile(small);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.value(), Ips().record(0x10, {0xAA}).end().bytes());
}

TEST(IpsPatchFileTest, AWriteThatFailsIsAFailure)
{
    const Bytes patches[] = {
        Ips().record(0x10, {0xAA}).end().bytes(),  // inside the image
        Ips().record(0x400, {0xAA}).end().bytes(), // past its end
    };
    for (const Bytes& ips : patches) {
        MemoryRomStream rom(Image(), false);
        const Status status = ApplyIpsPatch(rom, ips, "patch.ips");
        EXPECT_EQ(status.message(), "ファイルに書き込めません。\npatch.ips");
        EXPECT_EQ(rom.bytes(), Image());
    }
}

TEST(IpsPatchFileTest, OnlyFilesBeginningWithTheHeaderAreIpsPatches)
{
    EXPECT_TRUE(HasIpsHeader(Ips().end().bytes()));
    EXPECT_TRUE(HasIpsHeader(Bytes{'P', 'A', 'T', 'C', 'H'}));
    EXPECT_FALSE(HasIpsHeader(Bytes{'P', 'A', 'T', 'C'}));
    EXPECT_FALSE(HasIpsHeader(Bytes{'p', 'a', 't', 'c', 'h', 'E', 'O', 'F'}));
    EXPECT_FALSE(HasIpsHeader(Bytes{}));
}

} // namespace
} // namespace varn
