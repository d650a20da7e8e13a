// What the pages "技術グラフィック" and "閃き適正" cost on an expanded image file: showing a
// graphic (every change of a selection list reads one), writing a graphic (the image file
// replaced whole), loading the spark aptitude table (every opening of an image) and writing
// it back; and the compression of one graphic on its own.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "skill/Skill.h"
#include "skill/SkillFormat.h"
#include "spark/SparkTable.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kImageSize = 0x600000;

// A folder for the image files of one run, removed at the end.
class Scratch {
public:
    Scratch() : path_(fs::temp_directory_path() / ("varn-skill-bench-" + std::to_string(::getpid())))
    {
        fs::create_directories(path_);
    }
    ~Scratch() { fs::remove_all(path_); }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// An expanded image whose graphic 0 of category 1 is a busy graphic in the 0xC0 banks, and
// whose index list uses every entry.
fs::path WriteImage(const fs::path& dir)
{
    std::vector<std::uint8_t> image(kImageSize);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 7 + 3);
    varn::SkillTiles tiles{};
    for (std::size_t i = 0; i < tiles.size(); ++i)
        tiles[i] = i % 5 == 0 ? 0 : static_cast<std::uint8_t>(i * 13);
    const std::vector<std::uint8_t> data = varn::CompressSkillTiles(tiles, 24);
    std::copy(data.begin(), data.end(), image.begin() + 0x230000);
    image[0x2280C0] = 0x00;
    image[0x2280C1] = 0x00;
    image[0x2280C2] = 0xE3;
    for (std::size_t k = 0; k < varn::kSparkIndexEntries; ++k)
        image[varn::kSparkIndexList + k] = static_cast<std::uint8_t>(k);
    const fs::path path = dir / "image.smc";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    return path;
}

void BM_ShowGraphic(benchmark::State& state)
{
    Scratch scratch;
    varn::Skill skill;
    skill.romPath = WriteImage(scratch.path()).string();
    for (auto _ : state) {
        if (!skill.ReadGraphic())
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(skill.shownImage.frames.data());
    }
}
BENCHMARK(BM_ShowGraphic)->Unit(benchmark::kMicrosecond);

void BM_WriteGraphic(benchmark::State& state)
{
    Scratch scratch;
    varn::Skill skill;
    skill.romPath = WriteImage(scratch.path()).string();
    if (!skill.ReadGraphic()) {
        state.SkipWithError("read failed");
        return;
    }
    skill.importedImage = skill.shownImage;
    skill.graphicCategory = 3;
    skill.paletteCategory = 4;
    for (auto _ : state) {
        skill.writeAddress = 0x5D0000;
        if (!skill.WriteGraphic())
            state.SkipWithError("write failed");
    }
}
BENCHMARK(BM_WriteGraphic)->Unit(benchmark::kMillisecond);

void BM_LoadSparkTable(benchmark::State& state)
{
    Scratch scratch;
    const fs::path path = WriteImage(scratch.path());
    for (auto _ : state) {
        auto table = varn::LoadSparkTable(path);
        if (!table || table.value().rows.size() != 205 + 192)
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(table.value().rows.data());
    }
}
BENCHMARK(BM_LoadSparkTable)->Unit(benchmark::kMicrosecond);

void BM_WriteSparkTable(benchmark::State& state)
{
    Scratch scratch;
    const fs::path path = WriteImage(scratch.path());
    const auto table = varn::LoadSparkTable(path);
    for (auto _ : state) {
        if (!varn::WriteSparkTable(path, table.value()))
            state.SkipWithError("write failed");
    }
}
BENCHMARK(BM_WriteSparkTable)->Unit(benchmark::kMillisecond);

void BM_CompressAndExpand(benchmark::State& state)
{
    varn::SkillTiles tiles{};
    for (std::size_t i = 0; i < tiles.size(); ++i)
        tiles[i] = i % 3 == 0 ? static_cast<std::uint8_t>(i) : 0;
    for (auto _ : state) {
        const auto data = varn::CompressSkillTiles(tiles, 24);
        benchmark::DoNotOptimize(varn::ExpandSkillGraphic(data, 24));
    }
}
BENCHMARK(BM_CompressAndExpand);

} // namespace

BENCHMARK_MAIN();
