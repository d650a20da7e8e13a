// How long applying a full patch list takes: every character slot, every music number the
// list can give, and a few IPS patches, on an expanded image file.

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "charpatch/ApplyCharacterPatch.h"
#include "patchlist/ApplyPatchList.h"
#include "patchlist/PatchList.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kImageSize = 0x600000;

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// An expanded image with clear music bookkeeping and the ten additional slots' sprite sheet
// pointers leading into the expanded area.
std::vector<std::uint8_t> ReadyImage()
{
    std::vector<std::uint8_t> image(kImageSize);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 7 + 3);
    std::fill_n(image.begin() + 0x500000, 4, 0);
    for (int k = 0; k < 10; ++k) {
        const std::uint32_t sheet = 0x580000 + 0x2000 * static_cast<std::uint32_t>(k);
        image[0x5A8631 + 4 * k] = static_cast<std::uint8_t>(sheet);
        image[0x5A8632 + 4 * k] = static_cast<std::uint8_t>(sheet >> 8);
        image[0x5A8633 + 4 * k] = static_cast<std::uint8_t>(sheet >> 16);
    }
    return image;
}

void BM_ApplyFullList(benchmark::State& state)
{
    const fs::path examples = VARN_EXAMPLES_DIR;
    const fs::path dir = fs::temp_directory_path() / "varnwork-apply-bench";
    fs::create_directories(dir);
    const fs::path rom = dir / "game.smc";
    const std::vector<std::uint8_t> image = ReadyImage();

    varn::PatchList list;
    list.addIps(examples / "example.ips");
    for (std::size_t i = 0; i < varn::kCharacterPatchTargets.size(); ++i)
        list.addVnp(examples / "example_character.vnp");
    list.addIps(examples / "example.ips");
    for (int i = 0; i < 79; ++i)
        list.addMml(examples / "song.mml");
    list.addIps(examples / "example.ips");
    const varn::MusicConstants music;

    for (auto _ : state) {
        state.PauseTiming();
        WriteFile(rom, image);
        state.ResumeTiming();
        if (!varn::PrepareMusicEntries(list, rom, music)) {
            state.SkipWithError("music preparation failed");
            break;
        }
        if (!varn::ApplyPatchList(list, rom, music)) {
            state.SkipWithError("apply failed");
            break;
        }
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["entries"] = static_cast<double>(list.size());
    state.counters["peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    fs::remove_all(dir);
}
BENCHMARK(BM_ApplyFullList)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
