// A GIF that cannot be read gets one message, the program's own, from every verb that reads
// GIFs; giflib's English error texts never reach the user.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "CliRunner.h"
#include "support/BrokenGifs.h"
#include "support/RomImageBuilder.h"
#include "support/TempDir.h"

namespace varn::test {
namespace {

namespace fs = std::filesystem;

TEST(CliGifMessageTest, EveryVerbGivesTheOneMessageForAGifItCannotRead)
{
    TempDir dir;
    const fs::path rom =
        dir.write("game.smc", RomImageBuilder::Target(RomImageBuilder::kExpandedSize).build());
    const std::vector<std::uint8_t> original = ReadFileBytes(rom);
    const std::string out = (dir.path() / "out").string();
    struct Reader {
        const char* verb;
        int width; // the screen the verb takes, so that it goes on to decode
        int height;
        std::function<std::vector<std::string>(const std::string& gif)> arguments;
        bool addsPath; // the verb names the file after the message
    };
    const Reader readers[] = {
        {"sheet check", 176, 133,
         [](const std::string& gif) {
             return std::vector<std::string>{"sheet", "check", gif};
         },
         false},
        {"sheet split", 176, 133,
         [&](const std::string& gif) {
             return std::vector<std::string>{"sheet", "split", gif, out + ".pal", out + ".chr"};
         },
         false},
        {"anim", 176, 133,
         [&](const std::string& gif) {
             return std::vector<std::string>{"anim", gif, out + ".gif", "--pose", "0"};
         },
         false},
        {"enemy pack", 16, 16,
         [&](const std::string& gif) {
             return std::vector<std::string>{"enemy", "pack", gif, out + ".bin"};
         },
         false},
        {"skill write", 128, 16,
         [&](const std::string& gif) {
             return std::vector<std::string>{"skill", "write", rom.string(),   gif,
                                             "--id",  "00",    "--palette-id", "00"};
         },
         true},
    };
    for (const Reader& reader : readers) {
        for (const BrokenGif& gif : BrokenGifs(reader.width, reader.height)) {
            const std::string label = std::string(reader.verb) + " " + gif.name;
            const fs::path path = dir.write("broken.gif", gif.bytes);
            const CliRun run = RunCli(reader.arguments(path.string()));
            EXPECT_EQ(run.exitCode, 2) << label;
            const std::string expected = "ファイルの読み出しに失敗しました。\n";
            EXPECT_EQ(run.err, reader.addsPath ? expected + path.string() + "\n" : expected)
                << label;
            std::string message = run.err;
            if (reader.addsPath)
                message.erase(message.find(path.string()));
            EXPECT_FALSE(HasAsciiLetters(message)) << label << ": " << run.err;
        }
        EXPECT_EQ(FileNamesIn(dir.path()), (std::vector<std::string>{"broken.gif", "game.smc"}))
            << reader.verb << " wrote nothing";
        EXPECT_EQ(ReadFileBytes(rom), original) << reader.verb;
    }
}

} // namespace
} // namespace varn::test
