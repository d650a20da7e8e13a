#include <gtest/gtest.h>

#include <random>

#include "MmlTestSupport.h"
#include "rom/RomStream.h"

namespace varn::test {
namespace {

// An expanded image that reads as zeros and counts the writes it receives.
class WriteCountingStream : public RomStream {
public:
    std::uint64_t size() const override { return 0x600000; }
    bool writable() const override { return true; }
    bool readAt(std::uint64_t offset, std::span<std::uint8_t> out) override
    {
        if (!contains(offset, out.size()))
            return false;
        std::fill(out.begin(), out.end(), 0);
        return true;
    }
    bool writeAt(std::uint64_t offset, std::span<const std::uint8_t> data) override
    {
        if (!contains(offset, data.size()))
            return false;
        ++writes;
        return true;
    }

    int writes = 0;
};

// Compiles `text`; a failure must leave the image unwritten. Returns the message.
std::string CompileChecked(const std::string& text)
{
    WriteCountingStream stream;
    MML mml;
    mml.source = text;
    mml.musicNumber = 0xB0;
    mml.writeAddress = 0x500004;
    const Status status = mml.CompileToStream(stream);
    if (!status.ok()) {
        EXPECT_EQ(stream.writes, 0) << status.message();
    }
    return status.message();
}

TEST(MmlRobustnessTest, RandomTextNeverWritesOnFailure)
{
    const std::string alphabet = "cdefgab^rl0123456789.,-+#%:/[]|$@<>{};vpmtokAZEx \n\t";
    std::mt19937 random(20240611);
    int failures = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const std::size_t length = random() % 200;
        for (std::size_t i = 0; i < length; ++i) {
            if (random() % 8 == 0)
                text += static_cast<char>(random() & 0xFF);
            else
                text += alphabet[random() % alphabet.size()];
        }
        // Now and then a macro that may call itself.
        if (round % 10 == 0)
            text = "#A=" + text.substr(0, 20) + "A;\n#E=AE;\n" + text;
        failures += !CompileChecked(text).empty();
    }
    // Random text mostly fails; the point is that none of it crashes, hangs or writes.
    EXPECT_GT(failures, 0);
}

TEST(MmlRobustnessTest, HostileTextFailsWithMessagesOrCompiles)
{
    const std::pair<std::string, std::string> cases[] = {
        {std::string(100000, '{'), "Channel1にデータがありません。"},
        {"}}} c4", "不明なコマンドです。\nline = 1\n}"},
        {"c4 {{ } d4", ""},
        {"c" + std::string(100000, '9'), "音長指定が不正です。\nline = 1\n"},
        {"[" + std::string(100000, '9') + " c ]", ""},
        {"v" + std::string(100000, '9'), ""},
        {"#WAVE 99999999999999999999, 1;", "波形指定の書式が不正です。\nline = 1"},
        {"#MAPBATTLE 99999999999999999999;", "再生設定の書式が不正です。\nline = 1"},
        {std::string(20000, '[') + "c", ""},
        {std::string(1000, ']'), "ループコマンドの数が不正です。\nChannel = 1"},
        {"#A=AA;\nA", "マクロの展開が深すぎます。\nline = 2"},
        {"#A=BB;#B=CC;#C=DD;#D=EE;#E=FF;#F=GG;#G=HH;#H=II;#I=JJ;#J=KK;#K=LL;#L=MM;#M=NN;"
         "#N=OO;#O=PP;#P=QQ;#Q=RR;#R=SS;#S=TT;#T=UU;#U=VV;#V=WW;#W=c;\nA",
         "マクロの展開が多すぎます。\nline = 2"},
        {"#A=c.A;\nA", "マクロの展開が多すぎます。\nline = 2"},
        {std::string("\0\0c4\0", 5), "不明なコマンドです。\nline = 1\n" + std::string(1, '\0')},
    };
    for (const auto& [text, message] : cases)
        EXPECT_EQ(CompileChecked(text), message) << text.substr(0, 40);
}

TEST(MmlRobustnessTest, ManyMacroCallsExpandInLinearTime)
{
    std::string text = "#A=c16d16;\n#B=A[2 e |f]A;\n";
    // As many calls as a song block can hold.
    for (int i = 0; i < 8000; ++i)
        text += i % 2 == 0 ? "A " : "B ";
    MML mml;
    mml.source = text;
    const auto size = mml.MeasureSong();
    ASSERT_TRUE(size.ok()) << size.message();
    // A: 2 bytes; B: A, the loop (2 + 1 + 4 + 1 + 1 bytes) and A again: 13 bytes.
    EXPECT_EQ(size.value(), 38 + 4000 * 2 + 4000 * 13 + 1);
}

} // namespace
} // namespace varn::test
