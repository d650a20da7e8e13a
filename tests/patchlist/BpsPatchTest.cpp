#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <utility>

#include "patchlist/BpsPatch.h"
#include "patchlist/Crc32.h"
#include "rom/FileIo.h"
#include "rom/RomImageEdit.h"
#include "rom/RomStream.h"
#include "support/Bytes.h"
#include "support/BpsBuilder.h"
#include "support/ByteCompare.h"
#include "support/TempDir.h"

namespace varn {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::BpsBuilder;
using test::Text;

const Bytes kSource = Text("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
const std::string kMetadata = "<patch>メタデータ</patch>";

// Every action, with cursors moving both ways and a target copy that overlaps what it writes:
//   source read 3          ABC
//   target read "xy"       xy
//   source copy 4 at +10   KLMN        (source cursor 0 -> 10, then 14)
//   source copy 2 at -13   BC          (14 -> 1, then 3)
//   target copy 5 at +3    xyKLM       (target cursor 0 -> 3, then 8)
//   target copy 6 at +7    MMMMMM      (8 -> 15: the byte just written, over and over)
//   target copy 2 at -20   BC          (21 -> 1)
//   source read 2          YZ          (at the target's own offset, 24)
const Bytes kTarget = Text("ABCxyKLMNBCxyKLMMMMMMMBCYZ");

BpsBuilder EveryAction(std::string_view metadata = kMetadata)
{
    BpsBuilder bps(kSource.size(), kTarget.size(), metadata);
    bps.sourceRead(3)
        .targetRead(Text("xy"))
        .sourceCopy(4, 10)
        .sourceCopy(2, -13)
        .targetCopy(5, 3)
        .targetCopy(6, 7)
        .targetCopy(2, -20)
        .sourceRead(2);
    return bps;
}

// A patch that cuts the image to six bytes: the source's DEF, then "xy", then its Z.
const Bytes kCut = Text("DEFxyZ");

BpsBuilder Cutting()
{
    BpsBuilder bps(kSource.size(), kCut.size());
    bps.sourceCopy(3, 3).targetRead(Text("xy")).sourceCopy(1, 19);
    return bps;
}

const std::string kName = "patch.bps";

TEST(BpsNumberTest, NumbersHaveOneFormEach)
{
    const std::pair<std::uint64_t, Bytes> cases[] = {
        {0, {0x80}},
        {1, {0x81}},
        {127, {0xFF}},
        {128, {0x00, 0x80}},
        {129, {0x01, 0x80}},
        {16511, {0x7F, 0xFF}},
        {16512, {0x00, 0x00, 0x80}},
        {(1u << 14) + (1u << 7) + (1u << 21), {0x00, 0x00, 0x00, 0x80}},
    };
    for (const auto& [value, bytes] : cases) {
        Bytes written;
        AppendBpsNumber(written, value);
        EXPECT_EQ(written, bytes) << value;
        std::size_t pos = 0;
        EXPECT_EQ(ReadBpsNumber(bytes, pos), value);
        EXPECT_EQ(pos, bytes.size());
    }
    for (const std::uint64_t value : {std::numeric_limits<std::uint64_t>::max(),
                                      std::uint64_t{1} << 63, std::uint64_t{0x123456789ABCDEF}}) {
        Bytes written;
        AppendBpsNumber(written, value);
        std::size_t pos = 0;
        EXPECT_EQ(ReadBpsNumber(written, pos), value);
        EXPECT_EQ(pos, written.size());
    }
}

TEST(BpsNumberTest, CutAndOverflowingNumbersAreRefused)
{
    Bytes beyond;
    AppendBpsNumber(beyond, std::numeric_limits<std::uint64_t>::max());
    beyond.back() &= 0x7F; // one more byte would follow
    beyond.push_back(0x80);
    const Bytes cases[] = {
        {},
        {0x00},
        {0x7F, 0x7F},
        Bytes(9, 0x7F),
        Bytes(12, 0x7F), // never ends within 64 bits
        beyond,
    };
    for (const Bytes& bytes : cases) {
        std::size_t pos = 0;
        EXPECT_EQ(ReadBpsNumber(bytes, pos), std::nullopt) << bytes.size();
        EXPECT_EQ(pos, 0u);
    }
}

TEST(Crc32Test, IsTheZipChecksum)
{
    EXPECT_EQ(Crc32(Text("123456789")), 0xCBF43926u);
    EXPECT_EQ(Crc32({}), 0u);
}

TEST(BpsPatchTest, EveryActionAppliesByteForByte)
{
    const Bytes patch = EveryAction().finish(kSource, kTarget);
    const Result<Bytes> target = ApplyBpsPatch(kSource, patch, kName);
    ASSERT_TRUE(target.ok()) << target.message();
    EXPECT_EQ(target.value(), kTarget);

    const Result<BpsPatch> read = ReadBpsPatch(patch, kName);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.value().head.sourceSize, kSource.size());
    EXPECT_EQ(read.value().head.targetSize, kTarget.size());
    EXPECT_EQ(std::string(read.value().metadata.begin(), read.value().metadata.end()), kMetadata);
    EXPECT_EQ(read.value().sourceCrc, BpsBuilder::Crc(kSource));
    EXPECT_EQ(read.value().targetCrc, BpsBuilder::Crc(kTarget));
}

TEST(BpsPatchTest, TheHeadIsReadFromTheFirstBytesAlone)
{
    const Bytes patch = EveryAction().finish(kSource, kTarget);
    const std::optional<BpsHead> head = ReadBpsHead(Bytes(patch.begin(), patch.begin() + 9));
    ASSERT_TRUE(head);
    EXPECT_EQ(head->sourceSize, 26u);
    EXPECT_EQ(head->targetSize, 26u);
    EXPECT_EQ(head->metadataSize, kMetadata.size());
    EXPECT_EQ(head->metadataOffset, 7u);
    EXPECT_FALSE(ReadBpsHead(Bytes(patch.begin(), patch.begin() + 6))); // a number cut
    EXPECT_FALSE(ReadBpsHead(Text("BPS2\x80\x80\x80")));
    EXPECT_TRUE(HasBpsHeader(Text("BPS1")));
    EXPECT_FALSE(HasBpsHeader(Text("BPS")));
    EXPECT_FALSE(HasBpsHeader(Text("bps1....")));
}

// A patch body (from "BPS1" to the end of the actions) closed with the checksums given and its
// own, so that a patch can break the format and still pass its own checksum.
Bytes Closed(Bytes body, std::uint32_t sourceCrc, std::uint32_t targetCrc)
{
    const auto append = [&body](std::uint32_t crc) {
        for (int shift = 0; shift < 32; shift += 8)
            body.push_back(static_cast<std::uint8_t>(crc >> shift));
    };
    append(sourceCrc);
    append(targetCrc);
    append(BpsBuilder::Crc(body));
    return body;
}

// Patches for kSource that break the format, each with a checksum of its own that holds.
struct BrokenCase {
    const char* name;
    Bytes patch;
};

void PrintTo(const BrokenCase& c, std::ostream* os)
{
    *os << c.name;
}

Bytes WithTarget(std::uint64_t targetSize, const std::function<void(BpsBuilder&)>& actions)
{
    BpsBuilder bps(kSource.size(), targetSize);
    actions(bps);
    return bps.finish(BpsBuilder::Crc(kSource), 0);
}

const BrokenCase kBrokenCases[] = {
    {"SourceReadPastTheSource",
     WithTarget(30, [](BpsBuilder& b) { b.sourceRead(26).sourceRead(4); })},
    {"ActionPastTheTarget", WithTarget(26, [](BpsBuilder& b) { b.sourceRead(27); })},
    {"TargetReadPastThePatch",
     WithTarget(30, [](BpsBuilder& b) { b.number((30 - 1) << 2 | 1).raw(Text("abc")); })},
    {"SourceCopyBeforeTheStart", WithTarget(26, [](BpsBuilder& b) { b.sourceCopy(4, -1); })},
    {"SourceCopyPastTheEnd", WithTarget(26, [](BpsBuilder& b) { b.sourceCopy(4, 23); })},
    {"SourceCopyCursorFarAway",
     WithTarget(26, [](BpsBuilder& b) { b.sourceCopy(4, std::int64_t{1} << 62); })},
    {"TargetCopyOfNothingWritten", WithTarget(26, [](BpsBuilder& b) { b.targetCopy(4, 0); })},
    {"TargetCopyOfTheByteBeingWritten",
     WithTarget(26, [](BpsBuilder& b) { b.sourceRead(2).targetCopy(4, 2); })},
    {"TargetCopyBeforeTheStart",
     WithTarget(26, [](BpsBuilder& b) { b.sourceRead(2).targetCopy(4, -1); })},
    {"CopyOffsetCut", WithTarget(26, [](BpsBuilder& b) { b.number(3 << 2 | 2); })},
    {"ActionNumberCut", WithTarget(26, [](BpsBuilder& b) { b.raw({0x00}); })},
    {"ActionsEndBeforeTheTarget", WithTarget(26, [](BpsBuilder& b) { b.sourceRead(25); })},
    {"HugeLength", WithTarget(26, [](BpsBuilder& b) { b.number(~std::uint64_t{0} << 2); })},
    // A target no image can be: refused before anything is made for it.
    {"TargetOfATerabyte",
     WithTarget(std::uint64_t{1} << 40, [](BpsBuilder& b) { b.sourceRead(26); })},
    {"MetadataIntoTheChecksums", Closed({'B', 'P', 'S', '1', 0x9A, 0x9A, 0x84},
                                        BpsBuilder::Crc(kSource), BpsBuilder::Crc(kSource))},
    {"NumbersCut", Closed({'B', 'P', 'S', '1', 0x9A, 0x00}, BpsBuilder::Crc(kSource), 0)},
    {"NotBps", Closed({'B', 'P', 'S', '2', 0x9A, 0x9A, 0x80}, BpsBuilder::Crc(kSource), 0)},
    {"TooShortForTheChecksums", {'B', 'P', 'S', '1', 0x9A, 0x9A, 0x80, 0, 0, 0, 0, 0, 0, 0}},
};

class BpsBrokenPatchTest : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(BpsBrokenPatchTest, IsRefusedAsAbnormalWithTheImageUnchanged)
{
    const Bytes& patch = GetParam().patch;
    EXPECT_EQ(ApplyBpsPatch(kSource, patch, kName).message(), "ファイルが異常です。\npatch.bps");
    MemoryRomStream rom(kSource);
    EXPECT_EQ(ApplyBpsPatch(rom, patch, kName).message(), "ファイルが異常です。\npatch.bps");
    EXPECT_EQ(rom.bytes(), kSource);
}

INSTANTIATE_TEST_SUITE_P(Cases, BpsBrokenPatchTest, ::testing::ValuesIn(kBrokenCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The three checksums, each failing alone, on a memory image and on an image file changed
// through its commit: the message says which, and the image stays as it was.
struct ChecksumCase {
    const char* name;
    Bytes image;
    Bytes patch;
    std::string message;
};

void PrintTo(const ChecksumCase& c, std::ostream* os)
{
    *os << c.name;
}

Bytes Damaged()
{
    Bytes patch = EveryAction().finish(kSource, kTarget);
    patch[10] ^= 0x01; // inside the metadata
    return patch;
}

Bytes OtherSource()
{
    Bytes other = kSource;
    other[25] = 'z';
    return other;
}

const ChecksumCase kChecksumCases[] = {
    {"PatchDamaged", kSource, Damaged(), "ファイルが壊れています。\npatch.bps"},
    {"PatchChecksumItselfDamaged",
     kSource,
     [] {
         Bytes patch = EveryAction().finish(kSource, kTarget);
         patch.back() ^= 0x80;
         return patch;
     }(),
     "ファイルが壊れています。\npatch.bps"},
    {"OtherImageOfTheSameSize", OtherSource(), EveryAction().finish(kSource, kTarget),
     "このパッチは別のsmcファイル用です。\npatch.bps"},
    {"OtherImageOfAnotherSize", Text("ABC"), EveryAction().finish(kSource, kTarget),
     "このパッチは別のsmcファイル用です。\npatch.bps"},
    {"AlreadyApplied", kTarget, EveryAction().finish(kSource, kTarget),
     "このパッチは適用済みです。\npatch.bps"},
    {"AlreadyAppliedAndLonger",
     Text("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123"),
     [] {
         BpsBuilder bps(26, 30);
         bps.sourceRead(26).targetRead(Text("0123"));
         return bps.finish(kSource, Text("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123"));
     }(),
     "このパッチは適用済みです。\npatch.bps"},
    // The patch holds together and fits the image, but its actions do not make the target it
    // names.
    {"ResultIsNotTheTarget", kSource, EveryAction().finish(BpsBuilder::Crc(kSource), 0x12345678),
     "適用結果のチェックサムが一致しません。\npatch.bps"},
    // A patch that cuts the image is checked the same way.
    {"CutPatchDamaged",
     kSource,
     [] {
         Bytes patch = Cutting().finish(kSource, kCut);
         patch[9] ^= 0x01; // inside the actions
         return patch;
     }(),
     "ファイルが壊れています。\npatch.bps"},
    // A short patch whose head was damaged is told by its checksum too.
    {"CutPatchDamagedInItsHead",
     kSource,
     [] {
         Bytes patch = Cutting().finish(kSource, kCut);
         patch[6] ^= 0x10; // the metadata size, now past the end
         return patch;
     }(),
     "ファイルが壊れています。\npatch.bps"},
    {"CutPatchForAnotherImage", OtherSource(), Cutting().finish(kSource, kCut),
     "このパッチは別のsmcファイル用です。\npatch.bps"},
    {"CutPatchAlreadyApplied", kCut, Cutting().finish(kSource, kCut),
     "このパッチは適用済みです。\npatch.bps"},
    {"CutPatchResultIsNotTheTarget", kSource, Cutting().finish(BpsBuilder::Crc(kSource), 0x1234),
     "適用結果のチェックサムが一致しません。\npatch.bps"},
};

struct BpsStreamKind {
    const char* name;
    std::function<std::pair<Status, Bytes>(const test::TempDir&, const Bytes& image,
                                           const Bytes& patch)>
        apply;
};

void PrintTo(const BpsStreamKind& kind, std::ostream* os)
{
    *os << kind.name;
}

const BpsStreamKind kBpsStreamKinds[] = {
    {"Memory",
     [](const test::TempDir&, const Bytes& image, const Bytes& patch) {
         MemoryRomStream rom(image);
         const Status status = ApplyBpsPatch(rom, patch, kName);
         return std::pair(status, rom.bytes());
     }},
    {"File",
     [](const test::TempDir& dir, const Bytes& image, const Bytes& patch) {
         const auto path = dir.write("image.smc", image);
         const auto bps = dir.write(kName, patch);
         const Status status =
             ChangeRomImage(path, [&](RomStream& rom) { return ApplyBpsPatch(rom, bps); });
         return std::pair(status, test::ReadFileBytes(path));
     }},
};

class BpsChecksumTest : public ::testing::TestWithParam<std::tuple<BpsStreamKind, ChecksumCase>> {};

TEST_P(BpsChecksumTest, IsRefusedWithTheImageUnchanged)
{
    const auto& [kind, c] = GetParam();
    test::TempDir dir;
    const auto [status, image] = kind.apply(dir, c.image, c.patch);
    EXPECT_EQ(status.message(), c.message);
    EXPECT_TRUE(test::SameBytes(c.image, image));
}

INSTANTIATE_TEST_SUITE_P(Cases, BpsChecksumTest,
                         ::testing::Combine(::testing::ValuesIn(kBpsStreamKinds),
                                            ::testing::ValuesIn(kChecksumCases)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    std::get<1>(info.param).name;
                         });

TEST(BpsStreamTest, ThePatchReplacesTheImageAndMayLengthenOrCutIt)
{
    test::TempDir dir;
    const Bytes longer = Text("ABCDEFGHIJKLMNOPQRSTUVWXYZ++++++++++ABC");
    BpsBuilder grow(26, longer.size());
    grow.sourceRead(26).targetRead(Text("+")).targetCopy(9, 26).sourceCopy(3, 0);
    BpsBuilder lastByte(26, 1);
    lastByte.sourceCopy(1, 25);
    const struct {
        const char* name;
        Bytes patch;
        Bytes expected;
    } cases[] = {
        {"SameSize", EveryAction().finish(kSource, kTarget), kTarget},
        {"Longer", grow.finish(kSource, longer), longer},
        {"Shorter", Cutting().finish(kSource, kCut), kCut},
        {"OneByte", lastByte.finish(kSource, Text("Z")), Text("Z")},
        {"Empty", BpsBuilder(26, 0).finish(kSource, {}), {}},
    };
    for (const auto& c : cases) {
        for (const BpsStreamKind& kind : kBpsStreamKinds) {
            const auto [status, image] = kind.apply(dir, kSource, c.patch);
            EXPECT_TRUE(status.ok()) << c.name << " " << kind.name << ": " << status.message();
            EXPECT_EQ(image, c.expected) << c.name << " " << kind.name;
        }
    }
}

TEST(BpsStreamTest, AnImageThatCannotBeWrittenIsAFailureAndUnchanged)
{
    MemoryRomStream rom(kSource, false);
    EXPECT_EQ(ApplyBpsPatch(rom, EveryAction().finish(kSource, kTarget), kName).message(),
              "ファイルに書き込めません。\npatch.bps");
    EXPECT_EQ(rom.bytes(), kSource);
    EXPECT_EQ(ApplyBpsPatch(rom, Cutting().finish(kSource, kCut), kName).message(),
              "ファイルに書き込めません。\npatch.bps");
    EXPECT_EQ(rom.bytes(), kSource);

    // A patch that changes nothing writes nothing, so it succeeds even there; and an image
    // file it is applied to is not replaced.
    BpsBuilder same(26, 26);
    same.sourceRead(26);
    EXPECT_TRUE(ApplyBpsPatch(rom, same.finish(kSource, kSource), kName).ok());

    test::TempDir dir;
    const auto path = dir.write("image.smc", kSource);
    const auto before = std::filesystem::last_write_time(path);
    auto edit = RomImageEdit::open(path);
    ASSERT_TRUE(edit.ok());
    ASSERT_TRUE(ApplyBpsPatch(edit.value().image(), same.finish(kSource, kSource), kName).ok());
    EXPECT_FALSE(edit.value().changed());
    EXPECT_EQ(std::filesystem::last_write_time(path), before);
}

TEST(BpsStreamTest, AFileThatCannotBeReadIsNamed)
{
    test::TempDir dir;
    MemoryRomStream rom(kSource);
    for (const auto& path : {dir.path() / "missing.bps", dir.path()}) {
        EXPECT_EQ(ApplyBpsPatch(rom, path).message(),
                  "ファイルが開けません。\n" + path.filename().string());
    }
    EXPECT_EQ(rom.bytes(), kSource);
}

// --- Patches judged by their head and size before they are read whole ----------------------

// The densest patches there are, exactly as large as BpsPatchSizeLimit says: target reads of
// one byte each for a source and target of 26 bytes (two bytes a byte of the target), and
// source copies of one byte each that jump between the ends of a 64 MiB source (five bytes a
// byte, the most a patch for an image can take).
Bytes DenseReads()
{
    BpsBuilder reads(kSource.size(), kSource.size());
    for (const std::uint8_t byte : kSource)
        reads.targetRead({byte});
    return reads.finish(kSource, kSource);
}

Bytes FarJumps()
{
    constexpr auto kLast = static_cast<std::int64_t>(kMaxRomImageSize) - 1;
    BpsBuilder jumps(kMaxRomImageSize, 8);
    std::int64_t cursor = 0;
    for (int i = 0; i < 8; ++i) {
        const std::int64_t from = i % 2 == 0 ? kLast : 0;
        jumps.sourceCopy(1, from - cursor);
        cursor = from + 1;
    }
    return jumps.finish(0, 0);
}

TEST(BpsSizeTest, TheDensestPatchesAreExactlyAsLargeAsTheLimit)
{
    for (const Bytes& patch : {DenseReads(), FarJumps()}) {
        const std::optional<BpsHead> head = ReadBpsHead(patch);
        ASSERT_TRUE(head);
        EXPECT_EQ(BpsPatchSizeLimit(*head), patch.size()) << head->sourceSize;
        EXPECT_TRUE(CheckBpsPatchSize(patch, patch.size()).ok());
        EXPECT_TRUE(ReadBpsPatch(patch, kName).ok()) << head->sourceSize;
        EXPECT_EQ(CheckBpsPatchSize(patch, patch.size() + 1).message(), "ファイルが異常です。");
    }
    const Result<Bytes> target = ApplyBpsPatch(kSource, DenseReads(), kName);
    ASSERT_TRUE(target.ok()) << target.message();
    EXPECT_EQ(target.value(), kSource);
}

// A patch whose own checksum fails, so that a check after it would say "damaged".
Bytes WithBadChecksum(Bytes patch)
{
    patch.back() ^= 0xFF;
    return patch;
}

Bytes Padded(BpsBuilder bps)
{
    return WithBadChecksum(bps.raw(Bytes(40, 0x81)).finish(kSource, kSource));
}

// Patches longer than their head and the checksums that no valid patch can be: refused as
// abnormal from the head and the size, before the checksum is looked at and, from a file,
// before the file is read whole.
const BrokenCase kTooLargeCases[] = {
    {"LargerThanItsHeadAllows",
     [] {
         Bytes patch = DenseReads();
         patch.insert(patch.end() - 12, 0x81);
         return WithBadChecksum(patch);
     }()},
    {"TargetLargerThanAnImage", Padded(BpsBuilder(26, kMaxRomImageSize + 1))},
    {"TargetOfAGibibyte", Padded(BpsBuilder(26, std::uint64_t{1} << 30))},
    // The source size never ends within 64 bits.
    {"HeadDoesNotRead",
     WithBadChecksum(Closed(Text("BPS1" + std::string(11, '\0') + std::string(40, '\x81')), 0, 0))},
    {"MetadataPastTheChecksums",
     WithBadChecksum(Closed(Text("BPS1\x9A\x9A\x68\x86" + std::string(40, '\x81')), 0, 0))},
};

class BpsTooLargeTest : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(BpsTooLargeTest, IsAbnormalBeforeItsChecksumIsLookedAt)
{
    const Bytes& patch = GetParam().patch;
    ASSERT_GT(patch.size(), kBpsHeadRoom + kBpsFooterSize);
    EXPECT_EQ(CheckBpsPatchSize(patch, patch.size()).message(), "ファイルが異常です。");
    EXPECT_EQ(ApplyBpsPatch(kSource, patch, kName).message(), "ファイルが異常です。\npatch.bps");

    test::TempDir dir;
    const auto path = dir.write(kName, patch);
    EXPECT_EQ(ReadBpsFile(path).message(), "ファイルが異常です。");
    MemoryRomStream rom(kSource);
    EXPECT_EQ(ApplyBpsPatch(rom, path).message(), "ファイルが異常です。\npatch.bps");
    EXPECT_EQ(rom.bytes(), kSource);
}

INSTANTIATE_TEST_SUITE_P(Cases, BpsTooLargeTest, ::testing::ValuesIn(kTooLargeCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Huge files are refused from their first bytes, at once: a hole of 250 MiB behind a head for
// a 26-byte image, or for a target of 1 GiB; a file past the largest read at all cannot be
// opened, as before.
TEST(BpsSizeTest, AHugeFileIsRefusedWithoutBeingRead)
{
    test::TempDir dir;
    const Bytes head = Text("BPS1\x9A\x9A\x80");
    Bytes gibibyte = Text("BPS1\x9A");
    BpsBuilder::AppendNumber(gibibyte, std::uint64_t{1} << 30);
    gibibyte.push_back(0x80);
    const struct {
        fs::path path;
        std::string message;
    } cases[] = {
        {dir.writeSparse("sparse.bps", head, 250u << 20), "ファイルが異常です。\nsparse.bps"},
        {dir.writeSparse("gibibyte.bps", gibibyte, 250u << 20),
         "ファイルが異常です。\ngibibyte.bps"},
        {dir.writeSparse("past.bps", head, kMaxReadFileSize + 1),
         "ファイルが開けません。\npast.bps"},
    };
    for (const auto& c : cases) {
        MemoryRomStream rom(kSource);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(ApplyBpsPatch(rom, c.path).message(), c.message);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << c.message;
        EXPECT_EQ(rom.bytes(), kSource);
    }
}

TEST(BpsStreamTest, AnEmptySourceAndAnEmptyTargetAreImagesToo)
{
    BpsBuilder fromNothing(0, 3);
    fromNothing.targetRead(Text("abc"));
    const Result<Bytes> made = ApplyBpsPatch({}, fromNothing.finish({}, Text("abc")), kName);
    ASSERT_TRUE(made.ok()) << made.message();
    EXPECT_EQ(made.value(), Text("abc"));

    const BpsBuilder nothing(0, 0);
    const Result<Bytes> empty = ApplyBpsPatch({}, nothing.finish({}, {}), kName);
    ASSERT_TRUE(empty.ok()) << empty.message();
    EXPECT_TRUE(empty.value().empty());
}

} // namespace
} // namespace varn
