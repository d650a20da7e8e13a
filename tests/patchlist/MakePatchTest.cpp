#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>

#include "patchlist/BpsPatch.h"
#include "patchlist/CreateBpsPatch.h"
#include "patchlist/CreateIpsPatch.h"
#include "patchlist/IpsPatch.h"
#include "patchlist/MakePatch.h"
#include "rom/RomImageEdit.h"
#include "rom/RomStream.h"
#include "support/Bytes.h"
#include "support/ByteCompare.h"
#include "support/TempDir.h"

namespace varn {
namespace {

using test::With;
using test::Concat;

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kEndMarkerOffset = 0x454F46;

// An image whose bytes all differ from their neighbours and from 0xAA.
Bytes Counting(std::size_t size)
{
    Bytes image(size);
    for (std::size_t i = 0; i < size; ++i)
        image[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return image;
}

Bytes Random(std::size_t size, std::uint32_t seed)
{
    std::mt19937 random(seed);
    Bytes bytes(size);
    for (std::uint8_t& byte : bytes)
        byte = static_cast<std::uint8_t>(random());
    return bytes;
}

// IPS record heads as the format writes them.
Bytes Record(std::size_t offset, const Bytes& data)
{
    return Concat({{static_cast<std::uint8_t>(offset >> 16), static_cast<std::uint8_t>(offset >> 8),
                    static_cast<std::uint8_t>(offset), static_cast<std::uint8_t>(data.size() >> 8),
                    static_cast<std::uint8_t>(data.size())},
                   data});
}
Bytes Run(std::size_t offset, std::size_t length, std::uint8_t value)
{
    return {static_cast<std::uint8_t>(offset >> 16),
            static_cast<std::uint8_t>(offset >> 8),
            static_cast<std::uint8_t>(offset),
            0,
            0,
            static_cast<std::uint8_t>(length >> 8),
            static_cast<std::uint8_t>(length),
            value};
}
Bytes Ips(std::initializer_list<Bytes> records)
{
    Bytes ips{'P', 'A', 'T', 'C', 'H'};
    for (const Bytes& record : records)
        ips.insert(ips.end(), record.begin(), record.end());
    ips.insert(ips.end(), {'E', 'O', 'F'});
    return ips;
}

Bytes Slice(const Bytes& bytes, std::size_t begin, std::size_t end)
{
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(begin),
                 bytes.begin() + static_cast<std::ptrdiff_t>(end));
}

struct IpsMakeCase {
    const char* name;
    Bytes original;
    Bytes modified;
    std::function<Bytes(const Bytes& modified)> expected;
};

void PrintTo(const IpsMakeCase& c, std::ostream* os)
{
    *os << c.name;
}

const Bytes kSmall = Counting(64);
const Bytes kPastMarker = Counting(kEndMarkerOffset + 0x40);

const IpsMakeCase kIpsMakeCases[] = {
    {"Identical", kSmall, kSmall, [](const Bytes&) { return Ips({}); }},
    {"OneByte", kSmall, With(kSmall, 3, {0xAA}),
     [](const Bytes&) { return Ips({Record(3, {0xAA})}); }},
    {"AtOffsetZero", kSmall, With(kSmall, 0, {0x00, 0x01}),
     [](const Bytes&) { return Ips({Record(0, {0x00, 0x01})}); }},
    {"AtTheEnd", kSmall, With(kSmall, 63, {0xAA}),
     [](const Bytes&) { return Ips({Record(63, {0xAA})}); }},
    // Four equal bytes between two changes cost less than a second record's head.
    {"NearChangesShareARecord", kSmall, With(With(kSmall, 3, {0xAA}), 8, {0xAA}),
     [](const Bytes& m) { return Ips({Record(3, Slice(m, 3, 9))}); }},
    {"FarChangesTakeTwoRecords", kSmall, With(With(kSmall, 3, {0xAA}), 9, {0xAA}),
     [](const Bytes&) { return Ips({Record(3, {0xAA}), Record(9, {0xAA})}); }},
    {"AWholeRunIsARunRecord", kSmall, With(kSmall, 8, Bytes(20, 0xAA)),
     [](const Bytes&) { return Ips({Run(8, 20, 0xAA)}); }},
    {"AShortWholeRunStaysData", kSmall, With(kSmall, 8, Bytes(3, 0xAA)),
     [](const Bytes&) { return Ips({Record(8, {0xAA, 0xAA, 0xAA})}); }},
    {"ARunInsideChangesSplitsThem", kSmall,
     With(With(With(kSmall, 8, {1, 2, 3, 4}), 12, Bytes(14, 0xAA)), 26, {5, 6}),
     [](const Bytes&) {
         return Ips({Record(8, {1, 2, 3, 4}), Run(12, 14, 0xAA), Record(26, {5, 6})});
     }},
    // Inside changes a run must pay for its own record and the next head.
    {"AShorterRunInsideStaysData", kSmall,
     With(With(With(kSmall, 8, {1, 2, 3, 4}), 12, Bytes(13, 0xAA)), 25, {5, 6}),
     [](const Bytes& m) { return Ips({Record(8, Slice(m, 8, 27))}); }},
    {"ARunAtTheEdgeOfChanges", kSmall, With(With(kSmall, 8, Bytes(9, 0xAA)), 17, {1, 2}),
     [](const Bytes&) { return Ips({Run(8, 9, 0xAA), Record(17, {1, 2})}); }},
    {"RecordsAreAtMostFFFFBytes", Counting(0x20000),
     [] {
         Bytes changed = Counting(0x20000);
         for (std::uint8_t& byte : changed)
             byte ^= 0x80;
         return changed;
     }(),
     [](const Bytes& m) {
         return Ips({Record(0, Slice(m, 0, 0xFFFF)), Record(0xFFFF, Slice(m, 0xFFFF, 0x1FFFE)),
                     Record(0x1FFFE, Slice(m, 0x1FFFE, 0x20000))});
     }},
    // Zero bytes past the end come from lengthening; the last byte is written all the same.
    {"ExpansionOfZeroBytes", kSmall, Concat({kSmall, Bytes(16, 0)}),
     [](const Bytes&) { return Ips({Record(79, {0x00})}); }},
    {"ExpansionWithData", kSmall, Concat({kSmall, Bytes(6, 0), {1, 2}, Bytes(8, 0), {9}}),
     [](const Bytes&) { return Ips({Record(70, {1, 2}), Record(80, {9})}); }},
    {"ExpansionEndingInZeros", kSmall, Concat({kSmall, Bytes(6, 0), {1, 2}, Bytes(8, 0)}),
     [](const Bytes&) { return Ips({Record(70, {1, 2}), Record(79, {0})}); }},
    {"ExpansionOfAFill", kSmall, Concat({kSmall, Bytes(0x20000, 0xFF)}),
     [](const Bytes&) {
         return Ips({Run(64, 0xFFFF, 0xFF), Run(64 + 0xFFFF, 0xFFFF, 0xFF),
                     Run(64 + 2 * 0xFFFF, 2, 0xFF)});
     }},
    // A record at 0x454F46 would read as the end marker: it starts one byte earlier.
    {"ChangeAtTheEndMarkerOffset", kPastMarker, With(kPastMarker, kEndMarkerOffset, {0xAA}),
     [](const Bytes& m) {
         return Ips({Record(kEndMarkerOffset - 1, {m[kEndMarkerOffset - 1], 0xAA})});
     }},
    {"RunAtTheEndMarkerOffset", kPastMarker,
     With(kPastMarker, kEndMarkerOffset, Bytes(20, 0xAA)),
     [](const Bytes& m) {
         return Ips({Record(kEndMarkerOffset - 1, {m[kEndMarkerOffset - 1], 0xAA}),
                     Run(kEndMarkerOffset + 1, 19, 0xAA)});
     }},
    {"RecordReachingTheEndMarkerOffset", kPastMarker,
     With(kPastMarker, kEndMarkerOffset - 2, {1, 2, 3, 4}),
     [](const Bytes&) { return Ips({Record(kEndMarkerOffset - 2, {1, 2, 3, 4})}); }},
};

// The records of an IPS patch: offset and length.
std::vector<std::pair<std::size_t, std::size_t>> RecordsOf(const Bytes& ips)
{
    std::vector<std::pair<std::size_t, std::size_t>> records;
    std::size_t pos = 5;
    while (pos + 3 <= ips.size() && !(ips[pos] == 'E' && ips[pos + 1] == 'O' && ips[pos + 2] == 'F')) {
        const std::size_t offset = ips[pos] << 16 | ips[pos + 1] << 8 | ips[pos + 2];
        const std::size_t size = ips[pos + 3] << 8 | ips[pos + 4];
        if (size > 0) {
            records.emplace_back(offset, size);
            pos += 5 + size;
        } else {
            records.emplace_back(offset, ips[pos + 5] << 8 | ips[pos + 6]);
            pos += 8;
        }
    }
    return records;
}

Bytes Applied(const Bytes& original, const Bytes& ips)
{
    MemoryRomStream rom(original);
    EXPECT_TRUE(ApplyIpsPatch(rom, ips, "made.ips").ok());
    return rom.bytes();
}

class CreateIpsPatchTest : public ::testing::TestWithParam<IpsMakeCase> {};

TEST_P(CreateIpsPatchTest, WritesTheRecordsAndAppliesToTheModifiedImage)
{
    const IpsMakeCase& c = GetParam();
    const Result<Bytes> ips = CreateIpsPatch(c.original, c.modified);
    ASSERT_TRUE(ips.ok()) << ips.message();
    EXPECT_TRUE(test::SameBytes(c.expected(c.modified), ips.value()));
    EXPECT_TRUE(Applied(c.original, ips.value()) == c.modified);
    for (const auto& [offset, length] : RecordsOf(ips.value())) {
        EXPECT_NE(offset, kEndMarkerOffset);
        EXPECT_GT(length, 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, CreateIpsPatchTest, ::testing::ValuesIn(kIpsMakeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CreateIpsPatchRefusalTest, AShorterOrTooLargeModifiedImageIsRefused)
{
    EXPECT_EQ(CreateIpsPatch(kSmall, Counting(63)).message(),
              "変更後のファイルが元のファイルより短いため、パッチを作れません。");
    EXPECT_EQ(CreateIpsPatch(kSmall, Concat({kSmall, Bytes(0x1000000 + 1 - 64, 1)})).message(),
              "16MiBを超えるファイルはIPSパッチで表せません。BPSパッチにしてください。");
    // 16 MiB itself ends with a record at 0xFFFFFF.
    const Bytes full = Concat({kSmall, Bytes(0x1000000 - 64, 0)});
    const Result<Bytes> ips = CreateIpsPatch(kSmall, full);
    ASSERT_TRUE(ips.ok());
    EXPECT_TRUE(ips.value() == Ips({Record(0xFFFFFF, {0})}));
}

TEST(CreateBpsPatchTest, MovedRepeatedAndFilledDataCostLittle)
{
    const Bytes source = Random(1 << 20, 7);
    const Bytes fresh = Random(4096, 8);
    struct Case {
        const char* name;
        Bytes target;
        std::size_t atMost; // bytes of patch beyond the head and the checksums
    };
    const Case cases[] = {
        {"Identical", source, 4},
        {"BlockMovedWithinTheImage", With(source, 600000, Slice(source, 100000, 165536)), 24},
        {"BlocksSwapped",
         With(With(source, 0, Slice(source, 500000, 600000)), 500000, Slice(source, 0, 100000)),
         32},
        {"ScatteredBytes",
         [&] {
             Bytes target = source;
             for (std::size_t i = 1; i <= 100; ++i)
                 target[i * 10007] ^= 0x5A;
             return target;
         }(),
         100 * 8},
        {"NewDataTwice", Concat({source, fresh, Bytes(100, 0), fresh}), 4096 + 32},
        {"FillExpansion", Concat({source, Bytes(1 << 20, 0xFF)}), 24},
        {"SourceRepeatedInTheExpansion", Concat({source, source}), 24},
    };
    const std::size_t frame = 4 + 3 + 3 + 1 + 12; // header, sizes, empty metadata, checksums
    for (const Case& c : cases) {
        const Bytes patch = CreateBpsPatch(source, c.target);
        EXPECT_LE(patch.size(), frame + c.atMost) << c.name;
        const Result<Bytes> target = ApplyBpsPatch(source, patch, "made.bps");
        ASSERT_TRUE(target.ok()) << c.name << ": " << target.message();
        EXPECT_TRUE(test::SameBytes(c.target, target.value())) << c.name;
    }
}

// A fill or a repeated pattern that begins with a short run copied from the source goes on as
// one copy of the bytes just written, however long it is: the bytes a copy wrote are found too.
TEST(CreateBpsPatchTest, RunsThatStartWithACopyCostOneCopy)
{
    Bytes pattern;
    for (int i = 0; i < 25; ++i)
        pattern.insert(pattern.end(), {1, 2, 3, 4});
    const Bytes source = With(With(Random(1 << 20, 9), 300000, Bytes(100, 0xFF)), 500000, pattern);
    Bytes longPattern;
    for (int i = 0; i < (1 << 16); ++i)
        longPattern.insert(longPattern.end(), {1, 2, 3, 4});
    const struct {
        const char* name;
        Bytes target;
    } cases[] = {
        {"FillExpansion", Concat({source, Bytes(1 << 20, 0xFF)})},
        {"PatternExpansion", Concat({source, longPattern})},
        {"FillOverData", With(source, 600000, Bytes(200000, 0xFF))},
    };
    const std::size_t frame = 4 + 3 + 3 + 1 + 12;
    for (const auto& c : cases) {
        const Bytes patch = CreateBpsPatch(source, c.target);
        EXPECT_LE(patch.size(), frame + 24) << c.name;
        const Result<Bytes> target = ApplyBpsPatch(source, patch, "made.bps");
        ASSERT_TRUE(target.ok()) << c.name << ": " << target.message();
        EXPECT_TRUE(test::SameBytes(c.target, target.value())) << c.name;
    }
}

TEST(CreateBpsPatchTest, MetadataAndSmallOrEmptyImagesRoundTrip)
{
    const std::string metadata = "<patch>作者: テスト</patch>";
    const std::pair<Bytes, Bytes> cases[] = {
        {{}, {}},
        {{}, {1, 2, 3}},
        {{1, 2, 3}, {1, 2, 3}},
        {{1, 2, 3}, {3, 2, 1, 0}},
        {Counting(7), Counting(9)},
        {Bytes(100, 0), Bytes(300, 0)},
    };
    for (const auto& [source, target] : cases) {
        const Bytes patch = CreateBpsPatch(source, target, metadata);
        const Result<BpsPatch> read = ReadBpsPatch(patch, "made.bps");
        ASSERT_TRUE(read.ok()) << read.message();
        EXPECT_EQ(std::string(read.value().metadata.begin(), read.value().metadata.end()),
                  metadata);
        const Result<Bytes> made = ApplyBpsPatch(source, patch, "made.bps");
        ASSERT_TRUE(made.ok()) << made.message();
        EXPECT_EQ(made.value(), target);
    }
}

// Random pairs of images: an original of random bytes and runs, and a modified copy with
// scattered changes, moved blocks, runs, and, for some, an expansion or a cut; changes at
// offset 0 and at the last byte always, and at 0x454F46 for the long ones. Both formats must
// give back the modified image when applied as the patch list applies them; IPS refuses a cut.
Bytes RandomOriginal(std::mt19937& random, std::size_t size)
{
    Bytes image(size);
    std::size_t pos = 0;
    while (pos < size) {
        const std::size_t length = std::min<std::size_t>(size - pos, 1 + random() % 4096);
        const bool fill = random() % 3 == 0;
        const auto value = static_cast<std::uint8_t>(random());
        for (std::size_t i = 0; i < length; ++i)
            image[pos + i] = fill ? value : static_cast<std::uint8_t>(random());
        pos += length;
    }
    return image;
}

Bytes RandomModified(std::mt19937& random, const Bytes& original, std::size_t resizeTo)
{
    Bytes image = original;
    const auto anywhere = [&](std::size_t length) {
        return random() % (image.size() - std::min(length, image.size()) + 1);
    };
    const int changes = 1 + static_cast<int>(random() % 200);
    for (int i = 0; i < changes; ++i) {
        const std::size_t length = 1 + random() % (random() % 4 == 0 ? 300 : 6);
        const std::size_t at = anywhere(length);
        for (std::size_t k = at; k < std::min(image.size(), at + length); ++k)
            image[k] = static_cast<std::uint8_t>(random());
    }
    for (int i = 0; i < 3; ++i) {
        const std::size_t length = std::min<std::size_t>(image.size(), 1 + random() % 70000);
        const std::size_t from = anywhere(length);
        const std::size_t to = anywhere(length);
        std::copy_n(original.begin() + static_cast<std::ptrdiff_t>(from), length,
                    image.begin() + static_cast<std::ptrdiff_t>(to));
        const std::size_t run = std::min<std::size_t>(image.size(), random() % 3000);
        std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(anywhere(run)), run,
                    static_cast<std::uint8_t>(random()));
    }
    if (resizeTo > image.size()) {
        const std::size_t start = image.size();
        image.resize(resizeTo, random() % 2 ? 0x00 : 0xFF);
        const std::size_t length = std::min<std::size_t>(original.size(), resizeTo - start);
        std::copy_n(original.begin(), length / 2, image.begin() + static_cast<std::ptrdiff_t>(start));
        // Half of the expansions end in zero bytes, which only lengthening gives.
        image.back() = random() % 2 ? 0x00 : 0x5A;
    } else {
        // A cut image ends where the modification says; its last byte changed too.
        if (resizeTo > 0)
            image.resize(resizeTo);
        image.back() ^= 0x01;
    }
    image.front() ^= 0xFF;
    if (image.size() > kEndMarkerOffset + 8) {
        const std::size_t end = kEndMarkerOffset + 1 + random() % 8;
        for (std::size_t k = kEndMarkerOffset; k < end; ++k)
            image[k] = k < original.size() ? original[k] ^ 0xFF : 0x42;
    }
    return image;
}

TEST(MakePatchTest, RandomImagePairsRoundTripInBothFormats)
{
    std::mt19937 random(20240917);
    struct Size {
        std::size_t original;
        std::size_t modified; // 0: the same size
    };
    std::vector<Size> sizes;
    for (int i = 0; i < 30; ++i) {
        const std::size_t original = 2 + random() % 200000;
        const std::size_t longer = original + random() % 100000;
        const std::size_t shorter = 1 + random() % (original - 1);
        sizes.push_back({original, i % 3 == 0 ? longer : i % 3 == 1 ? shorter : 0});
    }
    sizes.push_back({kEndMarkerOffset + 0x1000, 0});
    sizes.push_back({0x400000, 0x500000});
    sizes.push_back({0x600000, 0x400000});
    sizes.push_back({0x600000, 1});
    int cuts = 0;
    for (const Size& size : sizes) {
        const Bytes original = RandomOriginal(random, size.original);
        const Bytes modified = RandomModified(random, original, size.modified);
        ASSERT_EQ(modified.size(), size.modified == 0 ? size.original : size.modified);
        cuts += modified.size() < original.size();
        for (const PatchFormat format : {PatchFormat::Ips, PatchFormat::Bps}) {
            const char* name = format == PatchFormat::Ips ? "IPS" : "BPS";
            const Result<Bytes> patch = MakePatch(format, original, modified);
            if (format == PatchFormat::Ips && modified.size() < original.size()) {
                EXPECT_EQ(patch.message(),
                          "変更後のファイルが元のファイルより短いため、パッチを作れません。");
                continue;
            }
            ASSERT_TRUE(patch.ok()) << name << " " << size.original << ": " << patch.message();
            MemoryRomStream rom(original);
            const Status applied = format == PatchFormat::Ips
                                       ? ApplyIpsPatch(rom, patch.value(), "made")
                                       : ApplyBpsPatch(rom, patch.value(), "made");
            ASSERT_TRUE(applied.ok()) << name << " " << size.original << ": " << applied.message();
            ASSERT_TRUE(test::SameBytes(modified, rom.bytes())) << name << " " << size.original;
            if (format == PatchFormat::Ips) {
                for (const auto& record : RecordsOf(patch.value()))
                    EXPECT_NE(record.first, kEndMarkerOffset);
            }
        }
    }
    EXPECT_EQ(cuts, 12);
}

TEST(MakePatchTest, OnlyIpsRefusesAShorterModifiedImage)
{
    EXPECT_EQ(MakePatch(PatchFormat::Ips, kSmall, Counting(10)).message(),
              "変更後のファイルが元のファイルより短いため、パッチを作れません。");
    for (const Bytes& shorter :
         {Counting(63), With(Counting(10), 3, {0xEE}), Bytes{kSmall.back()}, Bytes{}}) {
        const Result<Bytes> bps = MakePatch(PatchFormat::Bps, kSmall, shorter);
        ASSERT_TRUE(bps.ok()) << shorter.size() << ": " << bps.message();
        MemoryRomStream rom(kSmall);
        const Status applied = ApplyBpsPatch(rom, bps.value(), "cut.bps");
        ASSERT_TRUE(applied.ok()) << shorter.size() << ": " << applied.message();
        EXPECT_TRUE(test::SameBytes(shorter, rom.bytes())) << shorter.size();
    }
    EXPECT_EQ(PatchFormatOf("a.IPS"), PatchFormat::Ips);
    EXPECT_EQ(PatchFormatOf("dir.bps/b.Bps"), PatchFormat::Bps);
    EXPECT_EQ(PatchFormatOf("c.bps.txt"), std::nullopt);
    EXPECT_EQ(PatchFormatOf("bps"), std::nullopt);
}

// The names in a folder, sorted.
std::vector<std::string> NamesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class MakePatchFileTest : public ::testing::Test {
protected:
    test::TempDir dir;
    fs::path original = dir.write("game.smc", Counting(0x1000));
    fs::path modified = dir.write("mod.smc", With(Counting(0x1000), 0x800, {1, 2, 3}));
};

TEST_F(MakePatchFileTest, WritesAPatchInTheFormatOfTheExtension)
{
    for (const char* name : {"mod.ips", "mod.BPS"}) {
        const fs::path out = dir.path() / name;
        const Result<std::size_t> written = MakePatchFile(original, modified, out, "note");
        ASSERT_TRUE(written.ok()) << written.message();
        const Bytes patch = test::ReadFileBytes(out);
        EXPECT_EQ(written.value(), patch.size());
        MemoryRomStream rom(Counting(0x1000));
        const Status applied = PatchFormatOf(out) == PatchFormat::Ips
                                   ? ApplyIpsPatch(rom, patch, name)
                                   : ApplyBpsPatch(rom, patch, name);
        ASSERT_TRUE(applied.ok()) << applied.message();
        EXPECT_TRUE(rom.bytes() == test::ReadFileBytes(modified));
    }
    EXPECT_TRUE(HasBpsHeader(test::ReadFileBytes(dir.path() / "mod.BPS")));
}

TEST_F(MakePatchFileTest, ABpsPatchCutsTheImageFileItIsAppliedTo)
{
    const Bytes shorter = With(Counting(0x300), 0x100, {9, 9});
    const fs::path shortFile = dir.write("short.smc", shorter);
    const fs::path out = dir.path() / "cut.bps";
    const Result<std::size_t> written = MakePatchFile(original, shortFile, out);
    ASSERT_TRUE(written.ok()) << written.message();
    const fs::path image = dir.write("try.smc", Counting(0x1000));
    const Status applied =
        ChangeRomImage(image, [&](RomStream& rom) { return ApplyBpsPatch(rom, out); });
    ASSERT_TRUE(applied.ok()) << applied.message();
    EXPECT_TRUE(test::ReadFileBytes(image) == shorter);
    EXPECT_EQ(fs::file_size(image), 0x300u);
}

TEST_F(MakePatchFileTest, RefusalsWriteNothing)
{
    fs::create_directory(dir.path() / "folder.bps");
    const fs::path link = dir.path() / "link.bps";
    const fs::path originalAsBps = dir.write("game.bps", Counting(0x1000));
    fs::create_symlink(modified, link);
    const fs::path hard = dir.path() / "hard.ips";
    fs::create_hard_link(original, hard);
    const Bytes shorter = Counting(0x10);
    const fs::path shortFile = dir.write("short.smc", shorter);
    struct Case {
        fs::path original;
        fs::path modified;
        fs::path out;
        std::string message;
    };
    const Case cases[] = {
        {original, modified, dir.path() / "mod.txt", "パッチファイルではありません。\nmod.txt"},
        {original, dir.path() / "none.smc", dir.path() / "mod.ips",
         "ファイルが開けません。\nnone.smc"},
        {dir.path(), modified, dir.path() / "mod.ips",
         "ファイルが開けません。\n" + dir.path().filename().string()},
        {original, shortFile, dir.path() / "mod.ips",
         "変更後のファイルが元のファイルより短いため、パッチを作れません。"},
        // An output that is one of the images, by name or through a link, is never replaced.
        {originalAsBps, modified, originalAsBps, "出力先が入力ファイルと同じです。\ngame.bps"},
        {original, modified, link, "出力先が入力ファイルと同じです。\nlink.bps"},
        {original, modified, hard, "出力先が入力ファイルと同じです。\nhard.ips"},
        {original, modified, dir.path() / "folder.bps",
         "ファイルに書き込めません。\n" + (dir.path() / "folder.bps").string()},
    };
    const auto before = NamesIn(dir.path());
    for (const Case& c : cases)
        EXPECT_EQ(MakePatchFile(c.original, c.modified, c.out).message(), c.message);
    EXPECT_EQ(NamesIn(dir.path()), before);
    EXPECT_TRUE(test::ReadFileBytes(originalAsBps) == Counting(0x1000));
    EXPECT_TRUE(test::ReadFileBytes(link) == With(Counting(0x1000), 0x800, {1, 2, 3}));
    EXPECT_TRUE(test::ReadFileBytes(hard) == Counting(0x1000));
}

} // namespace
} // namespace varn
