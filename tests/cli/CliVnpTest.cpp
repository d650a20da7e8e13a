#include <gtest/gtest.h>

#include "CliRunner.h"
#include "support/TempDir.h"

namespace varn::test {
namespace {


TEST(CliVnpTest, InfoShowsHeadRecordsConversationsAndComment)
{
    const CliRun run = RunCli({"vnp", "info", kExample});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    for (const char* line : {
             "name: アルト\n",
             "title: 流れの剣士\n",
             "gender: 95 男\n",
             "record 01 StatusRecord (13): 14 12 10 13 0C 0E 0F 0C 02 00 01 00 00\n",
             "record 02 LevelRecord (10): 78 80 83 01 00 00 82 81 00 00\n",
             "record 08 CostRecord (2): 00 80\n",
             "  相手のセリフ: やあ、ここで会えるとは。\\nよければ共に行かないか？\n",
             "  選択肢OK: はい\\n\n",
             "  仲間にならない時の相手のセリフ: まだ力が足りないようだ。\n",
             "  NG選択後の相手のセリフ: そうか。\n",
             "  ラストバトル前のセリフ: ここで終わりだ！\n",
             "record 83 TalkMusicRecord (1): 10\n",
             "comment (59): Varnworkの見本キャラクターです。\n",
         })
        EXPECT_NE(run.out.find(line), std::string::npos) << line << "\n" << run.out;
}

TEST(CliVnpTest, UnknownRecordsAreListedWithTheirBytes)
{
    TempDir dir;
    std::vector<std::uint8_t> bytes = ReadFileBytes(kExample);
    ASSERT_GT(bytes.size(), 7158u);
    // An unknown record right after the head, before the others.
    const std::vector<std::uint8_t> unknown = {0x40, 0x00, 0x05, 1, 2, 3, 4, 5};
    bytes.insert(bytes.begin() + 7158, unknown.begin(), unknown.end());
    const CliRun run = RunCli({"vnp", "info", dir.write("unknown.vnp", bytes).string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("record 40 unknown (5): 01 02 03 04 05\n"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("record 01 StatusRecord"), std::string::npos);
}

TEST(CliVnpTest, DamagedFilesExitTwoWithAMessage)
{
    TempDir dir;
    const std::vector<std::uint8_t> example = ReadFileBytes(kExample);
    std::vector<std::uint8_t> otherMagic = example;
    otherMagic[0] = 'X';
    std::vector<std::uint8_t> badName = example;
    badName[3] = 0x10; // not a game text code
    const std::pair<std::vector<std::uint8_t>, std::string> cases[] = {
        {{}, "ファイルが壊れています。"},
        {std::vector<std::uint8_t>(example.begin(), example.begin() + 7157),
         "ファイルが壊れています。"},
        {otherMagic, "ファイルが異常です。"},
        {badName, "名前に不正なコードが含まれています。"},
    };
    for (const auto& [bytes, message] : cases) {
        const CliRun run = RunCli({"vnp", "info", dir.write("damaged.vnp", bytes).string()});
        EXPECT_EQ(run.exitCode, 2) << message;
        EXPECT_EQ(run.err.rfind(message, 0), 0u) << run.err;
        EXPECT_EQ(run.out, "");
    }
    const CliRun missing = RunCli({"vnp", "info", (dir.path() / "missing.vnp").string()});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.err.rfind("ファイルが開けません。", 0), 0u);
}

TEST(CliVnpTest, EveryCutOfTheFileIsReadSafely)
{
    TempDir dir;
    const std::vector<std::uint8_t> example = ReadFileBytes(kExample);
    // Cuts inside the records: each run either lists what is there or stops with a message.
    for (std::size_t size = 7158; size <= example.size(); size += 7) {
        const CliRun run =
            RunCli({"vnp", "info",
                    dir.write("cut.vnp",
                              std::vector<std::uint8_t>(example.begin(), example.begin() + size))
                        .string()});
        EXPECT_TRUE(run.exitCode == 0 || run.exitCode == 2) << size;
        EXPECT_NE(run.out.find("name: アルト"), std::string::npos) << size;
    }
}

} // namespace
} // namespace varn::test
