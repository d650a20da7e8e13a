#include <gtest/gtest.h>

#include "CliRunner.h"
#include "support/TempDir.h"

namespace varn::test {
namespace {

struct EncodeCase {
    std::vector<std::string> arguments;
    std::string out;
};

TEST(CliTextTest, EncodePrintsTheBytes)
{
    const EncodeCase cases[] = {
        {{"あい"}, "51 52\n"},
        {{"--capacity", "4", "あ"}, "51 50 50 50\n"},
        {{"ー", "--capacity", "2"}, "E5 50\n"},
        {{"1"}, "23 01\n"},
        {{"あ\r\nい"}, "51 24 52\n"},
        {{""}, "\n"},
        {{"--capacity", "0", ""}, "\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments = {"text", "encode"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const CliRun run = RunCli(arguments);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, c.out) << c.arguments.back();
    }
}

TEST(CliTextTest, EncodeFailuresExitTwoWithTheReason)
{
    const CliRun unencodable = RunCli({"text", "encode", "あAい"});
    EXPECT_EQ(unencodable.exitCode, 2);
    EXPECT_EQ(unencodable.err, "2文字目の「Ａ」は使用できません。\n");
    EXPECT_EQ(unencodable.out, "");

    const CliRun tooLong = RunCli({"text", "encode", "--capacity", "2", "あいう"});
    EXPECT_EQ(tooLong.exitCode, 2);
    EXPECT_EQ(tooLong.err, "テキストが2バイトに収まりません。\n");

    // After "--" a text that looks like an option is still the text.
    const CliRun dash = RunCli({"text", "encode", "--", "-あ"});
    EXPECT_EQ(dash.exitCode, 2);
    EXPECT_EQ(dash.err, "1文字目の「－」は使用できません。\n");

    const CliRun square = RunCli({"text", "encode", "□"});
    EXPECT_EQ(square.exitCode, 2);
    EXPECT_EQ(square.err, "1文字目の「□」は使用できません。\n");
}

TEST(CliTextTest, DecodePrintsTheText)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"50", "51", "50"}, "あ\n"},  {{"51 24 52"}, "あ\nい\n"}, {{"5152"}, "あい\n"},
        {{"0x51", "23 01"}, "あ１\n"}, {{"50 50"}, "\n"},
    };
    for (const auto& [bytes, text] : cases) {
        std::vector<std::string> arguments = {"text", "decode"};
        arguments.insert(arguments.end(), bytes.begin(), bytes.end());
        const CliRun run = RunCli(arguments);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, text);
    }
}

TEST(CliTextTest, DecodeRefusesBadBytes)
{
    const CliRun invalid = RunCli({"text", "decode", "51", "10"});
    EXPECT_EQ(invalid.exitCode, 2);
    EXPECT_FALSE(invalid.err.empty());
    EXPECT_EQ(invalid.out, "");

    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"text", "decode"},
          {"text", "decode", "5"},
          {"text", "decode", "GG"},
          {"text", "decode", "--capacity", "2", "50"}}) {
        const CliRun run = RunCli(arguments);
        EXPECT_EQ(run.exitCode, 1) << arguments.back();
    }
}

TEST(CliTextTest, IniLoadsExtensionCharacters)
{
    TempDir dir;
    const auto ini = dir.write("Varnkit.ini", "[Varnwork]\n"
                                              "20,α,β,γ,δ,ε,ζ,η,θ,ι,κ,λ,μ,ν,ξ,ο,π\n");
    const CliRun encode = RunCli({"text", "encode", "--ini", ini.string(), "あβ"});
    EXPECT_EQ(encode.exitCode, 0) << encode.err;
    EXPECT_EQ(encode.out, "51 18 21\n");

    const CliRun decode = RunCli({"text", "decode", "--ini", ini.string(), "18 2F 18 10"});
    EXPECT_EQ(decode.exitCode, 0) << decode.err;
    EXPECT_EQ(decode.out, "π□\n");

    // Without the settings file there are no extension characters.
    EXPECT_EQ(RunCli({"text", "encode", "β"}).exitCode, 2);

    const auto off = dir.write("off.ini", "[Varnwork]\nExtensionChar=0\n"
                                          "20,α,β,γ,δ,ε,ζ,η,θ,ι,κ,λ,μ,ν,ξ,ο,π\n");
    EXPECT_EQ(RunCli({"text", "decode", "--ini", off.string(), "18 21"}).exitCode, 2);

    const CliRun missing =
        RunCli({"text", "encode", "--ini", (dir.path() / "no.ini").string(), "あ"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.err.find("ファイルが開けません。"), std::string::npos);
}

} // namespace
} // namespace varn::test
