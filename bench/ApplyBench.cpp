// How long applying a full patch list takes: every character slot, every music number the
// list can give, and an IPS patch that grows the image to 8 MiB, on an expanded image file;
// and how that compares with copying the image once.

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "charpatch/ApplyCharacterPatch.h"
#include "patchlist/ApplyPatchList.h"
#include "patchlist/PatchList.h"
#include "rom/ImageUndo.h"
#include "rom/RomImageEdit.h"

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

// An IPS patch whose one record lies at the last byte of 8 MiB, so the image grows to 8 MiB.
void WriteGrowingIps(const fs::path& path)
{
    WriteFile(path, {'P', 'A', 'T', 'C', 'H', 0x7F, 0xFF, 0xFF, 0x00, 0x01, 0x00, 'E', 'O', 'F'});
}

// The full list: the growing IPS patch, the example character at every target, 79 songs and
// the example IPS patch.
varn::PatchList FullList(const fs::path& examples, const fs::path& dir)
{
    WriteGrowingIps(dir / "grow.ips");
    varn::PatchList list;
    list.addIps(dir / "grow.ips");
    for (std::size_t i = 0; i < varn::kCharacterPatchTargets.size(); ++i)
        list.addVnp(examples / "example_character.vnp");
    for (int i = 0; i < 79; ++i)
        list.addMml(examples / "song.mml");
    list.addIps(examples / "example.ips");
    return list;
}

// Runs one step of a benchmark's iteration and adds its time to `totalMs`. A step that fails
// skips the benchmark with `failure`; the caller then leaves its loop.
template <class Step>
bool TimedStep(benchmark::State& state, double& totalMs, const char* failure, Step&& step)
{
    const auto start = std::chrono::steady_clock::now();
    const bool done = static_cast<bool>(step());
    totalMs +=
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (!done)
        state.SkipWithError(failure);
    return done;
}

// Applies the full list to the image file, as "varnwork-cli apply" does (in memory, then one
// flushed replacement of the file), and, in the same run, copies the resulting 8 MiB image once
// with cp: what safety costs is the ratio of the two.
void BM_ApplyFullList(benchmark::State& state)
{
    const fs::path examples = VARN_EXAMPLES_DIR;
    const fs::path dir = fs::temp_directory_path() / "varnwork-apply-bench";
    fs::create_directories(dir);
    const fs::path rom = dir / "game.smc";
    const std::vector<std::uint8_t> image = ReadyImage();
    const varn::PatchList list = FullList(examples, dir);
    const varn::MusicConstants music;
    const std::string copy = "cp '" + rom.string() + "' '" + (dir / "copy.smc").string() + "'";

    double applyMs = 0;
    double prepareMs = 0;
    double copyMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        WriteFile(rom, image);
        state.ResumeTiming();
        varn::PatchList numbered;
        if (!TimedStep(state, prepareMs, "preparation failed", [&] {
                numbered = list;
                return varn::PrepareMusicEntries(numbered, rom, music);
            }))
            break;
        if (!TimedStep(state, applyMs, "apply failed",
                       [&] { return varn::ApplyPatchList(numbered, rom, music); }))
            break;
        state.PauseTiming();
        if (fs::file_size(rom) != 0x800000) {
            state.SkipWithError("the image did not grow to 8 MiB");
            break;
        }
        if (!TimedStep(state, copyMs, "cp failed", [&] { return std::system(copy.c_str()) == 0; }))
            break;
        state.ResumeTiming();
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double runs = static_cast<double>(state.iterations());
    state.counters["entries"] = static_cast<double>(list.size());
    state.counters["prepare_ms"] = prepareMs / runs;
    state.counters["apply_ms"] = applyMs / runs;
    state.counters["cp_ms"] = copyMs / runs;
    state.counters["apply_per_cp"] = applyMs / copyMs;
    state.counters["peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    fs::remove_all(dir);
}
BENCHMARK(BM_ApplyFullList)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// What the history costs: the same apply without and with recording it (the deltas both ways
// written to a state folder), then the whole apply undone, and in the same run a copy of the
// image with cp followed by sync, which an undo is compared with.
void BM_ApplyRecordedAndUndone(benchmark::State& state)
{
    const fs::path examples = VARN_EXAMPLES_DIR;
    const fs::path dir = fs::temp_directory_path() / "varnwork-history-bench";
    fs::create_directories(dir);
    const fs::path rom = dir / "game.smc";
    const fs::path stateFolder = dir / "state";
    const std::vector<std::uint8_t> image = ReadyImage();
    const varn::MusicConstants music;
    varn::PatchList numbered = FullList(examples, dir);
    WriteFile(rom, image);
    if (!varn::PrepareMusicEntries(numbered, rom, music)) {
        state.SkipWithError("preparation failed");
        return;
    }
    const std::string copy =
        "cp '" + rom.string() + "' '" + (dir / "copy.smc").string() + "' && sync";
    varn::ImageChangeOptions recorded;
    recorded.what = "apply";
    recorded.history = stateFolder;

    double plainMs = 0;
    double recordedMs = 0;
    double undoMs = 0;
    double copyMs = 0;
    for (auto _ : state) {
        WriteFile(rom, image);
        if (!TimedStep(state, plainMs, "apply failed",
                       [&] { return varn::ApplyPatchList(numbered, rom, music); }))
            break;

        WriteFile(rom, image);
        fs::remove_all(stateFolder);
        if (!TimedStep(state, recordedMs, "recorded apply failed",
                       [&] { return varn::ApplyPatchList(numbered, rom, music, {}, recorded); }))
            break;

        if (!TimedStep(state, undoMs, "undo failed",
                       [&] { return varn::UndoImageChanges(rom, 1, recorded); }))
            break;
        if (fs::file_size(rom) != image.size()) {
            state.SkipWithError("the undo did not give the image back");
            break;
        }

        if (!TimedStep(state, copyMs, "cp failed", [&] { return std::system(copy.c_str()) == 0; }))
            break;
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["apply_ms"] = plainMs / runs;
    state.counters["recorded_ms"] = recordedMs / runs;
    state.counters["recording_cost_pct"] = 100.0 * (recordedMs - plainMs) / plainMs;
    state.counters["undo_ms"] = undoMs / runs;
    state.counters["cp_sync_ms"] = copyMs / runs;
    state.counters["undo_per_cp_sync"] = undoMs / copyMs;
    fs::remove_all(dir);
}
BENCHMARK(BM_ApplyRecordedAndUndone)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

BENCHMARK_MAIN();
