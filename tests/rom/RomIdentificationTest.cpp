#include <gtest/gtest.h>

#include "rom/RomIdentification.h"
#include "support/RomImageBuilder.h"
#include "support/TempDir.h"

namespace varn {
namespace {

using test::RomImageBuilder;

struct IdentifyCase {
    const char* name;
    RomImageBuilder image;
    int smcHeaderCheck;
    RomVerdict verdict;
    // The strip after opening (empty when the image is not opened).
    std::string title, version, header;
    bool loadsEditorPages;
    bool loadsSkillGraphics;
};

// Test names print the case's name instead of its bytes.
void PrintTo(const IdentifyCase& c, std::ostream* os)
{
    *os << c.name;
}

class RomIdentificationTest : public ::testing::TestWithParam<IdentifyCase> {};

TEST_P(RomIdentificationTest, DecidesAndFillsTheStrip)
{
    const IdentifyCase& c = GetParam();
    test::TempDir dir;
    const RomIdentification result =
        IdentifyRomImage(dir.write("image.smc", c.image.build()), c.smcHeaderCheck);
    EXPECT_EQ(result.verdict, c.verdict);
    EXPECT_EQ(result.titleText, c.title);
    EXPECT_EQ(result.versionText, c.version);
    EXPECT_EQ(result.headerText, c.header);
    EXPECT_EQ(result.loadsEditorPages, c.loadsEditorPages);
    EXPECT_EQ(result.loadsSkillGraphics, c.loadsSkillGraphics);
    const bool expectMessage = c.verdict == RomVerdict::Refused || c.verdict == RomVerdict::Warned;
    EXPECT_EQ(result.message(),
              expectMessage ? "Varnhold Epics3 Ver1.1のsmcファイルではありません。" : "");
}

const IdentifyCase kIdentifyCases[] = {
    {"TargetRefusedByNobody", RomImageBuilder::Target(), 0, RomVerdict::Accepted, "VARNHOLD EPICS3",
     "1.1", "なし", true, true},
    {"CopierHeaderWarned", RomImageBuilder::Target().copierHeader(), 1, RomVerdict::Warned,
     "VARNHOLD EPICS3", "1.1", "あり", true, true},
    {"CopierHeaderRefused", RomImageBuilder::Target().copierHeader(), 0, RomVerdict::Refused, "",
     "", "", false, false},
    {"VersionZeroRefused", RomImageBuilder().cartridge("VARNHOLD EPICS3", 0), 0,
     RomVerdict::Refused, "", "", "", false, false},
    {"VersionZeroWarned", RomImageBuilder().cartridge("VARNHOLD EPICS3", 0), 1, RomVerdict::Warned,
     "VARNHOLD EPICS3", "1.0", "なし", false, true},
    {"VersionZeroSilent", RomImageBuilder().cartridge("VARNHOLD EPICS3", 0), 2,
     RomVerdict::Accepted, "VARNHOLD EPICS3", "1.0", "なし", false, true},
    {"PredecessorSilent", RomImageBuilder().cartridge("VARNHOLD EPICS2", 1), 2,
     RomVerdict::Accepted, "VARNHOLD EPICS2", "1.1", "なし", false, true},
    {"OtherKnownTitleOnlyShown", RomImageBuilder().cartridge("LOOM O LOOM", 0), -5,
     RomVerdict::Accepted, "LOOM O LOOM", "1.0", "なし", false, false},
    {"LowMappedRefusedByDefault", RomImageBuilder().cartridge("VARNHOLD EPICS", 0, false), 0,
     RomVerdict::Refused, "", "", "", false, false},
    {"UnknownWarned", RomImageBuilder(), 1, RomVerdict::Warned, "", "1.0", "あり", false, false},
    {"EmptyFileWarned", RomImageBuilder(0), 1, RomVerdict::Warned, "", "1.0", "あり", false, false},
    {"FewBytesRefused", RomImageBuilder(3), 0, RomVerdict::Refused, "", "", "", false, false},
};

INSTANTIATE_TEST_SUITE_P(Images, RomIdentificationTest, ::testing::ValuesIn(kIdentifyCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RomIdentificationTest, WhatCannotBeOpenedIsReportedWhateverTheSetting)
{
    test::TempDir dir;
    for (const auto& path : {dir.path() / "missing.smc", dir.path()}) {
        for (int check : {0, 1, 2}) {
            const RomIdentification result = IdentifyRomImage(path, check);
            EXPECT_EQ(result.verdict, RomVerdict::CannotOpen);
            EXPECT_FALSE(result.opened());
            EXPECT_EQ(result.message(), "ファイルが開けません。");
            EXPECT_EQ(result.titleText, "");
        }
    }
}

TEST(RomIdentificationTest, ExpectedImageNeedsTitleVersionAndNoCopierHeader)
{
    EXPECT_TRUE(IsExpectedImage({"VARNHOLD EPICS3", 1, false}));
    EXPECT_FALSE(IsExpectedImage({"VARNHOLD EPICS3", 1, true}));
    EXPECT_FALSE(IsExpectedImage({"VARNHOLD EPICS3", 2, false}));
    EXPECT_FALSE(IsExpectedImage({"VARNHOLD EPICS2", 1, false}));
    EXPECT_FALSE(IsExpectedImage({"", std::nullopt, false}));
}

} // namespace
} // namespace varn
