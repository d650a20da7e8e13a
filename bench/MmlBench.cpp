// How fast the MML compiler turns large songs into a song block and writes it: parsing and
// code generation must grow linearly with the expanded text. And how fast the reverse compiler
// reads every song of a full image back as MML: about the cost of reading the image once.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "music/MML.h"
#include "rom/FileIo.h"
#include "rom/HexText.h"
#include "rom/RomImageEdit.h"
#include "rom/RomStream.h"

namespace {

constexpr std::size_t kImageSize = 0x600000;
constexpr int kWriteAddress = 0x500004;

// Appends every piece to `text`.
template <class... Pieces> void Append(std::string& text, const Pieces&... pieces)
{
    (text.append(std::string_view(pieces)), ...);
}

std::string Number(int value)
{
    return std::to_string(value);
}

std::string HexDigit(int value)
{
    return varn::HexDigits(value & 0xF, 1);
}

// The directives of a full song: information, every wave slot, every drum record, the three
// playback lists and macros for phrases, fills and settings.
std::string SongHead()
{
    std::string text = "{ A long song that uses the whole language }\n"
                       "#TITLE Benchmark Overture;\n#COMPOSER Nobody;\n"
                       "#ORIGINAL Varnwork;\n#COPYRIGHT none;\n";
    for (int slot = 0; slot < 16; ++slot)
        Append(text, "#WAVE 0x2", HexDigit(slot), ", ", Number(slot * 3 + 1), ";\n");
    const char* pitches[] = {"c", "c+", "d", "d+", "e", "f", "f+", "g", "g+", "a", "a+", "b"};
    for (int j = 0; j < 12; ++j)
        Append(text, "#DRUM ", pitches[j], ", 0x2", HexDigit(j), ", ", Number(90 + j), ", ",
               Number(40 + j), ";\n");
    Append(text, "#MAPBATTLE 0x10, 0x20, 200;\n#MONSTERBATTLE 0x0100, 0x01F0;\n",
           "#MAPTHEME 0x1D, 3;\n");
    Append(text, "#A=c8d8e8f8;\n#B=g8.a16b4;\n#C=<c4>b8a8;\n#D=v100p64;\n#E=[2 A |B ]C;\n",
           "#F=%e1 l16 cdef gab<c >l8 %e;\n#G=m20,3,40 @0x21 %A3 %R2;\n");
    return text;
}

// One bar of a channel: settings the cache will partly drop, notes of every length and dots,
// ties and rests, nested loops with breaks, macro calls and a comment.
std::string Bar(int channel, int bar)
{
    std::string text;
    Append(text, "{bar ", Number(bar), "} @0x2", HexDigit(bar + channel), " v",
           Number(80 + bar % 40), " p", Number(bar % 128), " o", Number(3 + bar % 3), " k",
           Number(bar % 5 - 2), " ");
    Append(text, "[3 c4 d8. e16 f2 ^8 r8 /:2 g+8 a-8 / b4 :/ | a1 ] A E t", Number(100 + bar % 50),
           " %c1 %v10 %x2 %b3 %f4 ");
    // Songs carry their words and the arranger's notes as comments.
    Append(text, "{ verse ", Number(bar),
           ": the road goes on past the river and the hill, "
           "the lanterns burn low, the bells of the old town ring once more and the "
           "company walks on under the stars, tempo steady, strings carry the melody, "
           "brass answers on the off beats, the drums keep to the rim, the second time "
           "round the flute doubles the line an octave higher and the cellos hold the "
           "root, keep the dynamics soft until the last bar, then swell into the chorus "
           "where every voice joins and the harp runs up the scale }\n");
    Append(text, "[2 D F | G ] c32 d48 e64 f12 g24 a6 b3 r16 ^32 c4... ",
           "v40,60 p20,90 p0,30,100 m m1,2 %A %D1 %S2 %k3 %K4 %n1 %n %p1 %p %l1 %l %d1 %d ",
           "B C\n");
    return text;
}

// A song of about `size` bytes of text: the head, then eight channels of bars, the first
// with a loop point, "#OCTAVE REVERSE" before the fifth.
std::string LargeSong(std::size_t size)
{
    std::string text = SongHead();
    const std::size_t perChannel = size > text.size() ? (size - text.size()) / 8 : 0;
    for (int channel = 0; channel < 8; ++channel) {
        if (channel == 4)
            text += "#OCTAVE REVERSE;\n";
        const std::size_t start = text.size();
        text += "t120 l8 ";
        for (int bar = 0; text.size() - start < perChannel; ++bar) {
            text += Bar(channel, bar);
            if (bar == 0 && channel == 0)
                text += "$ ";
        }
        text += ";\n";
    }
    return text;
}

// A song that calls macros `calls` times, nested three deep.
std::string MacroSong(int calls)
{
    std::string text = "#A=c16;\n#B=A;\n#C=v90B;\n";
    for (int i = 0; i < calls; ++i)
        Append(text, std::string(1, "ABC"[i % 3]), i % 16 == 15 ? "\n" : " ");
    return text + ";";
}

void Compile(benchmark::State& state, const std::string& text)
{
    varn::MemoryRomStream image{std::vector<std::uint8_t>(kImageSize)};
    int songSize = 0;
    for (auto _ : state) {
        varn::MML mml;
        mml.source = text;
        mml.musicNumber = 0xB0;
        mml.writeAddress = kWriteAddress;
        if (const varn::Status compiled = mml.CompileToStream(image); !compiled) {
            state.SkipWithError(compiled.message().c_str());
            return;
        }
        songSize = mml.lastAddress + 1 - kWriteAddress;
        benchmark::DoNotOptimize(songSize);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.counters["text_bytes"] = static_cast<double>(text.size());
    state.counters["song_bytes"] = songSize;
    state.SetComplexityN(static_cast<std::int64_t>(text.size()));
}

void BM_CompileLargeSong(benchmark::State& state)
{
    Compile(state, LargeSong(static_cast<std::size_t>(state.range(0)) * 1024));
}
BENCHMARK(BM_CompileLargeSong)
    ->Arg(25)
    ->Arg(50)
    ->Arg(100)
    ->Arg(200)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

void BM_CompileMacroCalls(benchmark::State& state)
{
    Compile(state, MacroSong(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_CompileMacroCalls)
    ->Arg(2500)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->Arg(40000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

void BM_MeasureLargeSong(benchmark::State& state)
{
    const std::string text = LargeSong(200 * 1024);
    for (auto _ : state) {
        varn::MML mml;
        mml.source = text;
        benchmark::DoNotOptimize(mml.MeasureSong());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_MeasureLargeSong)->Unit(benchmark::kMillisecond);

// --- The reverse compiler ------------------------------------------------------------------

constexpr int kSongCount = 255; // every music number but 0xFF
constexpr int kSongsStart = 0x400000;
constexpr int kSongsEnd = 0x5A0000; // below the expanded song tables

// A 6 MiB image of the game holding a compiled song under every music number 0x00-0xFE, the
// blocks one after another from 4 MiB on; each song a different length of the large song.
const std::vector<std::uint8_t>& ImageOfSongs()
{
    static const std::vector<std::uint8_t> image = [] {
        varn::MemoryRomStream stream{std::vector<std::uint8_t>(kImageSize)};
        int address = kSongsStart;
        for (int number = 0; number < kSongCount; ++number) {
            varn::MML mml;
            mml.source = LargeSong(3 * 1024 + static_cast<std::size_t>(number % 8) * 256);
            mml.musicNumber = number;
            mml.writeAddress = address;
            const varn::Status compiled = mml.CompileToStream(stream);
            if (!compiled || mml.lastAddress >= kSongsEnd) {
                std::fprintf(stderr, "song %02X: %s\n", number, compiled.message().c_str());
                std::abort();
            }
            address = mml.lastAddress + 1;
        }
        return stream.bytes();
    }();
    return image;
}

// Reverse-compiles every song of the image; returns the bytes of MML text written.
std::size_t ReverseCompileAll(varn::RomStream& image, benchmark::State& state)
{
    std::size_t textBytes = 0;
    for (int number = 0; number < kSongCount; ++number) {
        varn::MML mml;
        mml.musicNumber = number;
        const auto text = mml.ReverseCompile(image);
        if (!text) {
            state.SkipWithError(text.message().c_str());
            return textBytes;
        }
        textBytes += text.value().size();
    }
    return textBytes;
}

// The 255 songs of an image already in memory.
void BM_ReverseCompileEverySong(benchmark::State& state)
{
    varn::MemoryRomStream image(ImageOfSongs(), false);
    std::size_t textBytes = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(textBytes = ReverseCompileAll(image, state));
    state.counters["songs"] = kSongCount;
    state.counters["mml_bytes"] = static_cast<double>(textBytes);
}
BENCHMARK(BM_ReverseCompileEverySong)->Unit(benchmark::kMillisecond);

// What `varnwork-cli mml decompile --all` does before writing its files: the image read from
// its file once, then every song reverse-compiled, compared with reading the image alone.
std::filesystem::path ImageFile()
{
    static const std::filesystem::path path = [] {
        const auto file = std::filesystem::temp_directory_path() / "varnwork_music_bench.smc";
        if (!varn::WriteFileAtomically(file, ImageOfSongs())) {
            std::fprintf(stderr, "cannot write %s\n", file.string().c_str());
            std::abort();
        }
        return file;
    }();
    return path;
}

void BM_ReadImageFile(benchmark::State& state)
{
    const auto path = ImageFile();
    for (auto _ : state) {
        auto bytes = varn::ReadFileBytes(path, varn::kMaxRomImageSize);
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_ReadImageFile)->Unit(benchmark::kMillisecond);

void BM_ReverseCompileEverySongFromFile(benchmark::State& state)
{
    const auto path = ImageFile();
    for (auto _ : state) {
        auto bytes = varn::ReadFileBytes(path, varn::kMaxRomImageSize);
        if (!bytes) {
            state.SkipWithError(bytes.message().c_str());
            return;
        }
        varn::MemoryRomStream image(std::move(bytes).value(), false);
        benchmark::DoNotOptimize(ReverseCompileAll(image, state));
    }
    state.counters["songs"] = kSongCount;
}
BENCHMARK(BM_ReverseCompileEverySongFromFile)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
