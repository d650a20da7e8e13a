#include <gtest/gtest.h>

#include "CliRunner.h"
#include "support/RomImageBuilder.h"
#include "support/TempDir.h"

namespace varn::test {
namespace {

TEST(CliIdentifyTest, PrintsTheFourLines)
{
    TempDir dir;
    const std::pair<RomImageBuilder, std::string> cases[] = {
        {RomImageBuilder::Target(),
         "title: VARNHOLD EPICS3\nversion: 1.1\nheader: なし\nexpected: yes\n"},
        {RomImageBuilder::Target().copierHeader(),
         "title: VARNHOLD EPICS3\nversion: 1.1\nheader: あり\nexpected: no\n"},
        {RomImageBuilder().cartridge("VARNHOLD EPICS3", 0),
         "title: VARNHOLD EPICS3\nversion: 1.0\nheader: なし\nexpected: no\n"},
        {RomImageBuilder().cartridge("VARNHOLD EPICS", 1, false),
         "title: VARNHOLD EPICS\nversion: 1.1\nheader: なし\nexpected: no\n"},
        {RomImageBuilder(0), "title: \nversion: 1.0\nheader: あり\nexpected: no\n"},
    };
    for (const auto& [image, expected] : cases) {
        const CliRun run = RunCli({"identify", dir.write("image.smc", image.build()).string()});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, expected);
    }
}

TEST(CliIdentifyTest, FileThatCannotBeOpenedExitsTwo)
{
    TempDir dir;
    for (const auto& path : {dir.path() / "missing.smc", dir.path()}) {
        const CliRun run = RunCli({"identify", path.string()});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("ファイルが開けません。"), std::string::npos) << run.err;
    }
}

TEST(CliIdentifyTest, BadCommandLinesPrintUsageAndExitOne)
{
    const std::vector<std::vector<std::string>> cases = {
        {},       {"frobnicate"},           {"identify"}, {"identify", "a.smc", "b.smc"},
        {"text"}, {"text", "reverse", "x"},
    };
    for (const auto& arguments : cases) {
        const CliRun run = RunCli(arguments);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.err.find("usage: varnwork-cli"), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
}

TEST(CliIdentifyTest, HelpListsTheVerbs)
{
    const CliRun run = RunCli({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    for (const char* verb : {"identify ROM", "text encode", "text decode"})
        EXPECT_NE(run.out.find(verb), std::string::npos) << verb;
    EXPECT_NE(run.out.find("--version"), std::string::npos);

    const CliRun version = RunCli({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, std::string("varnwork-cli ") + VARN_VERSION + "\n");
}

} // namespace
} // namespace varn::test
