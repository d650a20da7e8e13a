#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include "MmlTestSupport.h"
#include "SongImage.h"
#include "music/MML.h"
#include "music/SongTables.h"
#include "rom/HexText.h"
#include "rom/RomStream.h"
#include "support/RomImageBuilder.h"
#include "text/Cp932.h"

namespace varn::test {
namespace {

// Compiling a song of the target game, reverse-compiling it and compiling the text again gives
// the same song block and the same wave and drum entries. The music number and the address are
// where the song is written.
struct RoundTrip {
    Bytes first;  // the block compiled from the song
    Bytes second; // the block compiled from the reverse-compiled text
    std::string text;
    bool sameEntries = false;
};

RoundTrip CompileTwice(const std::string& song, int musicNumber, int address)
{
    // One image for every song: each writes its own block and entries and reads them back,
    // whatever earlier songs left elsewhere.
    static MemoryRomStream stream(RomImageBuilder::Target(RomImageBuilder::kExpandedSize).build());
    RoundTrip trip;
    MML original;
    original.source = song;
    original.musicNumber = musicNumber;
    original.writeAddress = address;
    const Status compiled = original.CompileToStream(stream);
    EXPECT_TRUE(compiled.ok()) << compiled.message() << "\n" << song;
    if (!compiled)
        return trip;
    const auto size = static_cast<std::size_t>(original.lastAddress + 1 - address);
    trip.first = *stream.readBytes(static_cast<std::uint64_t>(address), size);

    MML reverse;
    reverse.musicNumber = musicNumber;
    const auto text = reverse.ReverseCompile(stream);
    EXPECT_TRUE(text.ok()) << text.message() << "\n" << song;
    if (!text)
        return trip;
    trip.text = text.value();

    MML again;
    again.source = trip.text;
    again.writeAddress = address;
    const Status status = again.Parse();
    EXPECT_TRUE(status.ok()) << status.message() << "\n" << trip.text;
    const auto block = again.EmitSong();
    EXPECT_TRUE(block.ok()) << block.message() << "\n" << trip.text;
    if (block)
        trip.second = block.value();
    trip.sameEntries = again.waves == original.waves && again.drums == original.drums;
    return trip;
}

void ExpectRoundTrip(const std::string& song, int musicNumber = 0xB0, int address = 0x500004)
{
    const RoundTrip trip = CompileTwice(song, musicNumber, address);
    EXPECT_FALSE(trip.first.empty());
    EXPECT_EQ(trip.second, trip.first) << song << "\n--- read back as ---\n" << trip.text;
    EXPECT_TRUE(trip.sameEntries) << song << "\n--- read back as ---\n" << trip.text;
}

TEST(MmlRoundTripTest, TheExampleSongAndSongsWithEmptyChannels)
{
    std::ifstream file(VARN_EXAMPLE_SONG, std::ios::binary);
    std::stringstream example;
    example << file.rdbuf();
    ExpectRoundTrip(DecodeTextFileBytes(example.str()));

    const char* songs[] = {
        "c4;",
        "c4;;d4;",
        "c4;;;;;;;e4;",
        "#WAVE 0x20, 0x7F;\n#DRUM d+, 0x30, 7, 255;\n@0x20 c4 $;\n;\n@0x20 d4;\n;\n;\n$ e8;",
        "c4 $;",
        "$ c4;;;",
        "[ c4 | d4 ] [0 e4 ] [ [3 f4 | g4 ] a4 ] $ b4;;[ c4;",
        "v100 c v100 d [ v100 e ] p64 %e1 %e1 @0x20 %A5 @0x20 %A5 %R2 %R2 m1,2,3 m1,2,3;",
    };
    for (const char* song : songs)
        ExpectRoundTrip(song);
}

TEST(MmlRoundTripTest, AnEmptyChannelKeepsItsPlace)
{
    const RoundTrip trip = CompileTwice("c4;;d4;", 0x30, 0x500004);
    const std::vector<std::string> channels = ChannelLines(trip.text);
    EXPECT_EQ(channels, (std::vector<std::string>{"c4;", ";", "d4;", ";", ";", ";", ";", ";"}));
    // Channel 2 holds the end pointer, channel 3 its own bytes, as in the first block.
    EXPECT_EQ(ChannelBytes(trip.second, 1), Bytes{});
    EXPECT_EQ(ChannelBytes(trip.second, 2), (Bytes{0x20, 0xEB}));
}

// Songs made at random from the vocabulary of the target game: notes of every length with
// dots, ties and rests, every command with arguments of every size, nested loops each closed
// and with at most one break, at most one loop point per channel, empty channels after the
// first. Two breaks in one loop, two loop points in one channel and a loop left open with a
// break are what the compiler itself does not resolve (the later break or loop point wins), so
// their text does not hold what was lost and they are left out.
class SongMaker {
public:
    explicit SongMaker(unsigned seed) : random_(seed) {}

    std::string song()
    {
        std::string text;
        for (int slot = 0; slot < 16; ++slot) {
            if (chance(4))
                text += "#WAVE 0x2" + std::string(1, "0123456789ABCDEF"[slot]) + ", " +
                        std::to_string(below(256)) + ";\n";
        }
        for (const char* pitch : {"c", "c+", "d", "e", "f+", "a", "b"}) {
            if (chance(4))
                text += std::string("#DRUM ") + pitch + ", 0x" + HexDigits(below(256), 2) + ", " +
                        std::to_string(below(256)) + ", " + std::to_string(below(256)) + ";\n";
        }
        for (int k = 0; k < 8; ++k)
            text += channel(k == 0 || !chance(3)) + ";\n";
        return text;
    }

private:
    int below(int n) { return static_cast<int>(random_() % static_cast<unsigned>(n)); }
    bool chance(int oneIn) { return below(oneIn) == 0; }

    std::string number() { return std::to_string(below(256)); }

    std::string note()
    {
        static const char* letters[] = {"c", "c+", "d", "d-", "e", "f", "f#", "g", "a",
                                        "a-", "b", "b-", "^", "r"};
        static const char* lengths[] = {"",  "1",  "2",  "3",  "4",  "6",  "8",   "12",  "16",
                                        "24", "32", "48", "64", "4.", "8.", "2.", "4..", "1."};
        return std::string(letters[below(14)]) + lengths[below(18)];
    }

    std::string command()
    {
        switch (below(24)) {
        case 0: return "v" + number();
        case 1: return "v" + number() + "," + number();
        case 2: return "v" + number() + "," + number() + "," + number();
        case 3: return chance(2) ? "v" : "p";
        case 4: return "p" + number();
        case 5: return "p" + number() + "," + number();
        case 6: return "p" + number() + "," + number() + "," + number();
        case 7: return "m" + number() + "," + number() + (chance(2) ? "," + number() : "");
        case 8: return "m";
        case 9: return "t" + number() + (chance(2) ? "," + number() : "");
        case 10: return "o" + std::to_string(below(8)) + (chance(2) ? "<" : ">");
        case 11: return "@0x" + HexDigits(below(256), 2);
        case 12: return chance(3) ? "k" : "k" + std::to_string(below(256) - 128);
        case 13: {
            static const char* words[] = {"%k", "%K", "%c", "%v", "%x", "%b", "%f",
                                          "%D", "%S", "%R", "%A"};
            return std::string(words[below(11)]) + number();
        }
        case 14: {
            static const char* words[] = {"%A", "%n1", "%n", "%p1", "%p", "%e1", "%e",
                                          "%l1", "%l", "%d1", "%d", "%e 1", "%n0"};
            return words[below(13)];
        }
        case 15: return "l" + std::string(chance(2) ? "8" : "16");
        default: return note();
        }
    }

    std::string channel(bool filled)
    {
        if (!filled)
            return "";
        struct Loop {
            bool broken = false;
        };
        std::vector<Loop> loops;
        bool loopPoint = false;
        std::string text;
        const int statements = 1 + below(40);
        for (int i = 0; i < statements; ++i) {
            const int what = below(20);
            if (what == 0 && loops.size() < 4) {
                loops.push_back({});
                text += chance(3) ? "[" : "[" + std::to_string(below(10));
            } else if (what == 1 && !loops.empty()) {
                loops.pop_back();
                text += chance(2) ? "]" : ":/";
            } else if (what == 2 && !loops.empty() && !loops.back().broken) {
                loops.back().broken = true;
                text += chance(2) ? "|" : "/";
            } else if (what == 3 && !loopPoint) {
                loopPoint = true;
                text += "$";
            } else {
                text += command();
            }
            text += ' ';
        }
        while (!loops.empty()) {
            loops.pop_back();
            text += "]";
        }
        // At least one note: a channel of default lengths alone would be empty.
        return text + note();
    }

    std::mt19937 random_;
};

TEST(MmlRoundTripTest, GeneratedSongsCompileBackToTheSameBlock)
{
    SongMaker maker(7411);
    std::mt19937 places(99);
    // Addresses in the expanded area, some of them where a block crosses a 64 KiB boundary.
    const int addresses[] = {0x400000, 0x500004, 0x50FFA0, 0x51FFF0, 0x433333, 0x47FFE1};
    for (int round = 0; round < 300; ++round) {
        const std::string song = maker.song();
        const int number = static_cast<int>(places() % 0xFF);
        const int address = addresses[round % std::size(addresses)];
        const RoundTrip trip = CompileTwice(song, number, address);
        ASSERT_FALSE(trip.first.empty()) << song;
        ASSERT_EQ(trip.second, trip.first) << "music number " << HexDigits(number, 2) << " at "
                                           << HexDigits(address, 6) << "\n"
                                           << song << "\n--- read back as ---\n"
                                           << trip.text;
        ASSERT_TRUE(trip.sameEntries) << song << "\n--- read back as ---\n" << trip.text;
    }
}

} // namespace
} // namespace varn::test
