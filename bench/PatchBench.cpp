// How long making and applying a patch takes, and how large the patches are, for a 6 MiB image
// and a modified copy of it: a few hundred scattered changes, moved blocks, and an expansion to
// 8 MiB that holds a fill, blocks relocated from the image and new data. The BPS patch is
// compared with the VCDIFF delta of xdelta3 for the same pair (`xdelta3 -e -S none -s`), when
// xdelta3 is installed.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "patchlist/BpsPatch.h"
#include "patchlist/CreateBpsPatch.h"
#include "patchlist/CreateIpsPatch.h"
#include "patchlist/MakePatch.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kImageSize = 6 << 20;
constexpr std::size_t kExpandedSize = 8 << 20;

// An image made like a cartridge's: stretches of packed data (random bytes), fills of 0x00 and
// 0xFF, tile graphics that repeat rows with small differences, and tables of small numbers.
Bytes MakeOriginal(std::mt19937& random)
{
    Bytes image(kImageSize);
    std::size_t pos = 0;
    while (pos < image.size()) {
        const std::size_t length =
            std::min<std::size_t>(image.size() - pos, 256 + random() % 16384);
        switch (random() % 4) {
        case 0:
            for (std::size_t i = 0; i < length; ++i)
                image[pos + i] = static_cast<std::uint8_t>(random());
            break;
        case 1:
            std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(pos), length,
                        random() % 2 ? 0x00 : 0xFF);
            break;
        case 2: {
            Bytes row(32);
            for (std::uint8_t& byte : row)
                byte = static_cast<std::uint8_t>(random());
            for (std::size_t i = 0; i < length; ++i) {
                if (i % 32 == 0 && random() % 4 == 0)
                    row[random() % 32] = static_cast<std::uint8_t>(random());
                image[pos + i] = row[i % 32];
            }
            break;
        }
        default:
            for (std::size_t i = 0; i < length; ++i)
                image[pos + i] = static_cast<std::uint8_t>(random() % 100);
            break;
        }
        pos += length;
    }
    return image;
}

Bytes MakeModified(std::mt19937& random, const Bytes& original)
{
    Bytes image = original;
    const auto anywhere = [&](std::size_t length) { return random() % (kImageSize - length); };
    // 400 scattered changes of 1 to 16 bytes: stats, pointers, text.
    for (int i = 0; i < 400; ++i) {
        const std::size_t length = 1 + random() % 16;
        const std::size_t at = anywhere(length);
        for (std::size_t k = 0; k < length; ++k)
            image[at + k] = static_cast<std::uint8_t>(random());
    }
    // Twelve blocks of 1 to 64 KiB moved within the image.
    for (int i = 0; i < 12; ++i) {
        const std::size_t length = 1024 + random() % (63 * 1024);
        std::copy_n(original.begin() + static_cast<std::ptrdiff_t>(anywhere(length)), length,
                    image.begin() + static_cast<std::ptrdiff_t>(anywhere(length)));
    }
    // The expansion to 8 MiB: a fill of 0xFF, four blocks relocated from the image (as a hack
    // moves data that outgrew its place) and 192 KiB of new graphics and music.
    image.resize(kExpandedSize, 0xFF);
    std::size_t pos = kImageSize;
    for (int i = 0; i < 4; ++i) {
        const std::size_t length = 64 * 1024 + random() % (192 * 1024);
        std::copy_n(original.begin() + static_cast<std::ptrdiff_t>(anywhere(length)), length,
                    image.begin() + static_cast<std::ptrdiff_t>(pos));
        pos += length + 4096;
    }
    for (std::size_t i = 0; i < 192 * 1024; ++i)
        image[pos + i] = static_cast<std::uint8_t>(random());
    return image;
}

struct Pair {
    Bytes original;
    Bytes modified;
};

const Pair& ThePair()
{
    static const Pair pair = [] {
        std::mt19937 random(20240917);
        Pair made;
        made.original = MakeOriginal(random);
        made.modified = MakeModified(random, made.original);
        return made;
    }();
    return pair;
}

void WriteFile(const fs::path& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

void SetSizes(benchmark::State& state, std::size_t patchSize)
{
    state.counters["patch_bytes"] = static_cast<double>(patchSize);
    state.counters["modified_MiB"] = static_cast<double>(ThePair().modified.size()) / (1 << 20);
}

// CreateBpsPatch alone: the delta encoder.
void BM_CreateBps(benchmark::State& state)
{
    const Pair& pair = ThePair();
    std::size_t size = 0;
    for (auto _ : state) {
        const Bytes patch = varn::CreateBpsPatch(pair.original, pair.modified);
        size = patch.size();
        benchmark::DoNotOptimize(patch.data());
    }
    SetSizes(state, size);
}
BENCHMARK(BM_CreateBps)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// What "varnwork-cli diff" does in memory: make the patch and check it by applying it.
void BM_MakeBps(benchmark::State& state)
{
    const Pair& pair = ThePair();
    std::size_t size = 0;
    for (auto _ : state) {
        const auto patch = varn::MakePatch(varn::PatchFormat::Bps, pair.original, pair.modified);
        if (!patch) {
            state.SkipWithError(patch.message().c_str());
            break;
        }
        size = patch.value().size();
    }
    SetSizes(state, size);
}
BENCHMARK(BM_MakeBps)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_MakeIps(benchmark::State& state)
{
    const Pair& pair = ThePair();
    std::size_t size = 0;
    for (auto _ : state) {
        const auto patch = varn::MakePatch(varn::PatchFormat::Ips, pair.original, pair.modified);
        if (!patch) {
            state.SkipWithError(patch.message().c_str());
            break;
        }
        size = patch.value().size();
    }
    SetSizes(state, size);
}
BENCHMARK(BM_MakeIps)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Applying the BPS patch in memory, with its three checksums.
void BM_ApplyBps(benchmark::State& state)
{
    const Pair& pair = ThePair();
    const Bytes patch = varn::CreateBpsPatch(pair.original, pair.modified);
    for (auto _ : state) {
        const auto target = varn::ApplyBpsPatch(pair.original, patch, "bench.bps");
        if (!target || target.value() != pair.modified) {
            state.SkipWithError("the patch does not give the modified image");
            break;
        }
    }
    SetSizes(state, patch.size());
}
BENCHMARK(BM_ApplyBps)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// xdelta3 on the same pair, from files, as its users run it; the ratio of our BPS patch to its
// delta should stay at 1.2 or below.
void BM_Xdelta3(benchmark::State& state)
{
    if (std::system("command -v xdelta3 >/dev/null 2>&1") != 0) {
        state.SkipWithError("xdelta3 is not installed: no comparison");
        return;
    }
    const Pair& pair = ThePair();
    const fs::path dir = fs::temp_directory_path() / "varnwork-patch-bench";
    fs::create_directories(dir);
    WriteFile(dir / "original.smc", pair.original);
    WriteFile(dir / "modified.smc", pair.modified);
    const fs::path out = dir / "delta.vcdiff";
    const std::string command = "xdelta3 -e -S none -f -s '" + (dir / "original.smc").string() +
                                "' '" + (dir / "modified.smc").string() + "' '" + out.string() +
                                "'";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("xdelta3 failed");
            break;
        }
    }
    const auto xdelta = static_cast<double>(fs::file_size(out));
    const auto bps = static_cast<double>(varn::CreateBpsPatch(pair.original, pair.modified).size());
    state.counters["xdelta3_bytes"] = xdelta;
    state.counters["bps_bytes"] = bps;
    state.counters["bps_per_xdelta3"] = bps / xdelta;
    fs::remove_all(dir);
}
BENCHMARK(BM_Xdelta3)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
