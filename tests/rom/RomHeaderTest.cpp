#include <gtest/gtest.h>

#include "rom/RomHeader.h"
#include "rom/RomStream.h"
#include "support/RomImageBuilder.h"
#include "support/TempDir.h"

namespace varn {
namespace {

using test::RomImageBuilder;

// Half-width katakana titles as the single bytes the cartridge header keeps.
const std::string kIronVanguardKana = "\xB1\xB2\xB1\xDD\xB6\xDE\xB0\xC4\xDE";
const std::string kObliqueSleepersKana = "\xB5\xCC\xDE\xD8\xB0\xB8\xA5\xBD\xD8\xB0\xCA\xDF\xBD\xDE";

// 21 title bytes padded with spaces, for a header placed by hand.
std::vector<std::uint8_t> PaddedTitle(std::string_view title)
{
    std::vector<std::uint8_t> bytes(21, ' ');
    std::copy(title.begin(), title.end(), bytes.begin());
    return bytes;
}

RomHeaderInfo Probe(const RomImageBuilder& builder)
{
    MemoryRomStream stream(builder.build(), false);
    return ProbeRomHeader(stream);
}

struct ProbeCase {
    const char* name;
    RomImageBuilder image;
    std::string title;
    std::optional<int> version;
    bool copierHeader;
};

// Test names print the case's name instead of its bytes.
void PrintTo(const ProbeCase& c, std::ostream* os)
{
    *os << c.name;
}

class RomHeaderProbeTest : public ::testing::TestWithParam<ProbeCase> {};

TEST_P(RomHeaderProbeTest, IdentifiesTitleVersionAndCopierHeader)
{
    const ProbeCase& c = GetParam();
    const RomHeaderInfo info = Probe(c.image);
    EXPECT_EQ(info.title, c.title);
    EXPECT_EQ(info.version, c.version);
    EXPECT_EQ(info.copierHeader, c.copierHeader);
}

const ProbeCase kProbeCases[] = {
    {"Target", RomImageBuilder::Target(), "VARNHOLD EPICS3", 1, false},
    {"TargetBehindCopierHeader", RomImageBuilder::Target().copierHeader(), "VARNHOLD EPICS3", 1,
     true},
    {"VersionZero", RomImageBuilder().cartridge("VARNHOLD EPICS3", 0), "VARNHOLD EPICS3", 0, false},
    {"VersionIsSigned", RomImageBuilder().cartridge("VARNHOLD EPICS3", 0xFF), "VARNHOLD EPICS3", -1,
     false},
    {"Predecessor", RomImageBuilder().cartridge("VARNHOLD EPICS2", 0), "VARNHOLD EPICS2", 0, false},
    {"LastHighMappedTitle", RomImageBuilder().cartridge("ARC PERILS", 3), "ARC PERILS", 3, false},
    {"LowMapped", RomImageBuilder().cartridge("VARNHOLD EPICS", 2, false), "VARNHOLD EPICS", 2,
     false},
    {"LowMappedBehindCopierHeader",
     RomImageBuilder().cartridge("VARNHOLD EPICS", 2, false).copierHeader(), "VARNHOLD EPICS", 2,
     true},
    {"LowMappedTitleAtHighProbeIsUnknown", RomImageBuilder().cartridge("VARNHOLD EPICS", 1), "",
     std::nullopt, true},
    {"HighMappedTitleAtLowProbeIsUnknown", RomImageBuilder().cartridge("VARNHOLD EPICS3", 1, false),
     "", std::nullopt, true},
    {"UnknownTitle", RomImageBuilder().cartridge("SOME OTHER GAME", 1), "", std::nullopt, true},
    {"KatakanaIronVanguard", RomImageBuilder().cartridge(kIronVanguardKana, 4), "IRON VANGUARD", 4,
     false},
    {"KatakanaObliqueSleepersWithSuffix",
     RomImageBuilder().cartridge(kObliqueSleepersKana + " 2", 5), "OBLIQUE SLEEPERS", 5, false},
    {"KatakanaBehindCopierHeader", RomImageBuilder().cartridge(kIronVanguardKana, 4).copierHeader(),
     "IRON VANGUARD", 4, true},
    {"KatakanaNotRewrittenAtLowProbe", RomImageBuilder().cartridge(kIronVanguardKana, 4, false), "",
     std::nullopt, true},
    // A title ends at its first zero byte; what follows it does not count.
    {"TitleEndsAtZero", RomImageBuilder().cartridge(std::string("VARNHOLD EPICS3\0XYZ", 19), 1),
     "VARNHOLD EPICS3", 1, false},
    {"TitleTrimmedOfControlBytes", RomImageBuilder().cartridge("\x01\x1F VARNHOLD EPICS3\t", 1),
     "VARNHOLD EPICS3", 1, false},
    // DEL pads a title as a space does, at either end, and the game is still recognised.
    {"TitleTrimmedOfDel", RomImageBuilder().cartridge("\x7F VARNHOLD EPICS3\x7F\x7F", 1),
     "VARNHOLD EPICS3", 1, false},
    // The headerless place wins when both would match.
    {"HeaderlessPassFirst",
     RomImageBuilder()
         .cartridge("VARNHOLD EPICS2", 0)
         .bytes(0x101C0, PaddedTitle("VARNHOLD EPICS3")),
     "VARNHOLD EPICS2", 0, false},
};

INSTANTIATE_TEST_SUITE_P(Images, RomHeaderProbeTest, ::testing::ValuesIn(kProbeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RomHeaderTest, ProbePastTheEndFindsNoTitle)
{
    // The title of the high-mapped probe is there, its version byte is not.
    const auto full = RomImageBuilder::Target().build();
    for (std::size_t size :
         {std::size_t{0}, std::size_t{5}, std::size_t{0xFFD5}, std::size_t{0xFFDB}}) {
        MemoryRomStream stream(std::vector<std::uint8_t>(full.begin(), full.begin() + size));
        const RomHeaderInfo info = ProbeRomHeader(stream);
        EXPECT_EQ(info.title, "") << size;
        EXPECT_EQ(info.version, std::nullopt) << size;
        EXPECT_TRUE(info.copierHeader) << size;
    }
    MemoryRomStream justLongEnough(std::vector<std::uint8_t>(full.begin(), full.begin() + 0xFFDC));
    EXPECT_EQ(ProbeRomHeader(justLongEnough).title, "VARNHOLD EPICS3");
}

TEST(RomHeaderTest, LowMappedImageTooShortForTheHighProbeIsStillFound)
{
    const auto image = RomImageBuilder(0x8000).cartridge("VARNHOLD EPICS", 1, false).build();
    MemoryRomStream stream(image);
    EXPECT_EQ(ProbeRomHeader(stream).title, "VARNHOLD EPICS");
}

TEST(RomHeaderTest, ProbeByPathOpensTheFileAndToleratesMissingOnes)
{
    test::TempDir dir;
    const auto path = dir.write("game.smc", RomImageBuilder::Target().build());
    EXPECT_EQ(ProbeRomHeader(path).title, "VARNHOLD EPICS3");
    EXPECT_EQ(ProbeRomHeader(dir.path() / "missing.smc").title, "");
    EXPECT_EQ(ProbeRomHeader(dir.path()).title, "");
}

TEST(RomHeaderTest, StripTexts)
{
    EXPECT_EQ(RomVersionText({"VARNHOLD EPICS3", 1, false}), "1.1");
    EXPECT_EQ(RomVersionText({"VARNHOLD EPICS3", -128, false}), "1.-128");
    EXPECT_EQ(RomVersionText({"", std::nullopt, true}), "1.0");
    EXPECT_EQ(RomCopierHeaderText({"", std::nullopt, true}), "あり");
    EXPECT_EQ(RomCopierHeaderText({"VARNHOLD EPICS3", 1, false}), "なし");
}

} // namespace
} // namespace varn
