// How long the enemy page takes to load what it shows when an image is opened: on a 6 MiB
// expanded image file with 512 named enemies, 509 named items, 512 named techniques and a full
// two-attack list, the lists (LoadEnemyLists), the first enemy with its armour summary,
// patterns and drops (LoadEnemyRecord) and its battle graphic (ReadEnemyGraphic), each from the
// file as the page reads it; and the identification that comes before them. Opening an image
// with every page loader is to take at most 50 ms; this is the enemy page's share.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "enemy/EnemyGraphic.h"
#include "enemy/EnemyLists.h"
#include "enemy/EnemyTables.h"
#include "enemy/LoadEnemy.h"
#include "rom/RomIdentification.h"
#include "rom/RomStream.h"
#include "text/TextCodec.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kImageSize = 0x600000;

void Put(Bytes& image, std::size_t offset, std::span<const std::uint8_t> bytes)
{
    std::copy(bytes.begin(), bytes.end(), image.begin() + static_cast<std::ptrdiff_t>(offset));
}

// A name of the game's kana that fills most of its field, different for each entry.
void PutName(Bytes& image, std::size_t offset, std::size_t size, int index)
{
    static const std::u8string kana = u8"アイウエオカキクケコサシスセソタチツテトナニヌネノ";
    std::string text;
    const std::string all(kana.begin(), kana.end());
    for (std::size_t i = 0; i + 1 < size; ++i)
        text += all.substr(static_cast<std::size_t>((index + 7 * i) % 25) * 3, 3);
    Bytes field(size);
    if (varn::EncodeText(text, field) != 0)
        field.assign(size, 0x50);
    Put(image, offset, field);
}

// The expanded image: every name the lists show, records, patterns, drops, the two-attack
// list, and a 128 × 160 graphic for enemy 0.
Bytes BenchImage()
{
    Bytes image(kImageSize);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 7 + 3);
    const char title[] = "VARNHOLD EPICS3      ";
    Put(image, 0xFFC0, std::span(reinterpret_cast<const std::uint8_t*>(title), 21));
    image[0xFFDB] = 1;

    for (int e = 0; e < varn::kEnemyCount; ++e)
        PutName(image, varn::EnemyNameOffset(e), static_cast<std::size_t>(varn::EnemyNameSize(e)), e);
    for (int k = 0; k <= varn::kLastDropItem; ++k)
        PutName(image, varn::ItemNameOffset(k), static_cast<std::size_t>(varn::ItemNameSize(k)), k);
    for (int t = 0; t < varn::kTechniqueCount; ++t)
        PutName(image, varn::EnemyTechniqueNameOffset(t), varn::kTechniqueNameSize, t);
    for (int slot = 0; slot < varn::kTwoAttackSlotCount; ++slot) {
        const int enemy = (slot * 5) % varn::kEnemyCount;
        Put(image, varn::TwoAttackSlotOffset(slot),
            Bytes{static_cast<std::uint8_t>(enemy), static_cast<std::uint8_t>(enemy >> 8)});
    }

    // Enemy 0: expansion patterns, armours, drops.
    varn::EnemyRecord record;
    record.hp = 1000;
    record.patternHigh = {true, true};
    record.patternLow = {0x10, 0x20};
    record.equipment = {0x08, 0x09, 0x50, 0x60, 0x61};
    Put(image, varn::EnemyRecordOffset(0), varn::SerializeEnemyRecord(record));
    Put(image, varn::EquipmentHighBitsOffset(0), Bytes{0x84});
    Put(image, varn::EnemyDropsOffset(0), Bytes{0x08, 0x01, 0xFD, 0x00, 0xFF, 0x00, 0x10, 0x00, 50});

    // Its graphic: busy tiles with zero runs, 128 × 160, at 0x580000.
    varn::GifImage picture;
    picture.width = 128;
    picture.height = 160;
    picture.colors.resize(16);
    picture.frames.emplace_back(128, 160);
    for (int y = 0; y < 160; ++y) {
        for (int x = 0; x < 128; ++x)
            picture.frames.front().setPixel(x, y, static_cast<std::uint8_t>((x / 3 + y) % 16));
    }
    Put(image, varn::GraphicRecordOffsetEntry(0), Bytes{0x00, 0x00});
    varn::EnemyForm form;
    form.address = "580000";
    varn::MemoryRomStream stream(image);
    std::vector<varn::ImageWrite> writes;
    if (!varn::WriteEnemyGraphic(stream, picture, form, writes))
        return {};
    for (const varn::ImageWrite& write : writes)
        Put(image, write.offset, write.bytes);
    return image;
}

class EnemyPageFixture : public benchmark::Fixture {
public:
    // The image file is written once per run.
    void SetUp(const benchmark::State&) override
    {
        static const bool written = [this] {
            fs::create_directories(path_.parent_path());
            const Bytes image = BenchImage();
            std::ofstream(path_, std::ios::binary)
                .write(reinterpret_cast<const char*>(image.data()),
                       static_cast<std::streamsize>(image.size()));
            return !image.empty();
        }();
        if (!written)
            std::abort();
    }

protected:
    const fs::path path_ = fs::temp_directory_path() / "varnwork-enemy-bench" / "game.smc";
};

// Everything the enemy page reads when an image is opened, each read from the file as the page
// does it: identification, the lists, the first enemy, its graphic.
BENCHMARK_DEFINE_F(EnemyPageFixture, OpenImageWithTheEnemyPage)(benchmark::State& state)
{
    std::size_t entries = 0;
    for (auto _ : state) {
        const varn::RomIdentification identified = varn::IdentifyRomImage(path_, 1);
        benchmark::DoNotOptimize(identified);
        auto listStream = varn::FileRomStream::open(path_);
        if (!listStream) {
            state.SkipWithError("cannot open the image");
            break;
        }
        const varn::EnemyLists lists = varn::LoadEnemyLists(*listStream.value());
        auto recordStream = varn::FileRomStream::open(path_);
        varn::EnemyForm form;
        if (!varn::LoadEnemyRecord(*recordStream.value(), lists, form)) {
            state.SkipWithError("the enemy did not load");
            break;
        }
        auto graphicStream = varn::FileRomStream::open(path_);
        const auto graphic = varn::ReadEnemyGraphic(*graphicStream.value(), form.enemy);
        if (!graphic) {
            state.SkipWithError("the graphic did not load");
            break;
        }
        entries = lists.enemies.size() + lists.techniques.size() + lists.dropItems.size() +
                  lists.weapons.size() + lists.shields.size() + lists.armours.size() +
                  lists.patterns.size() + lists.twoAttack.size() + lists.graphicNumbers.size();
    }
    state.counters["list_entries"] = static_cast<double>(entries);
}
BENCHMARK_REGISTER_F(EnemyPageFixture, OpenImageWithTheEnemyPage)->Unit(benchmark::kMillisecond);

BENCHMARK_DEFINE_F(EnemyPageFixture, LoadEnemyLists)(benchmark::State& state)
{
    for (auto _ : state) {
        auto stream = varn::FileRomStream::open(path_);
        benchmark::DoNotOptimize(varn::LoadEnemyLists(*stream.value()));
    }
}
BENCHMARK_REGISTER_F(EnemyPageFixture, LoadEnemyLists)->Unit(benchmark::kMillisecond);

BENCHMARK_DEFINE_F(EnemyPageFixture, LoadEnemyRecord)(benchmark::State& state)
{
    auto stream = varn::FileRomStream::open(path_);
    const varn::EnemyLists lists = varn::LoadEnemyLists(*stream.value());
    for (auto _ : state) {
        auto recordStream = varn::FileRomStream::open(path_);
        varn::EnemyForm form;
        benchmark::DoNotOptimize(varn::LoadEnemyRecord(*recordStream.value(), lists, form));
    }
}
BENCHMARK_REGISTER_F(EnemyPageFixture, LoadEnemyRecord)->Unit(benchmark::kMillisecond);

BENCHMARK_DEFINE_F(EnemyPageFixture, ReadEnemyGraphic)(benchmark::State& state)
{
    for (auto _ : state) {
        auto stream = varn::FileRomStream::open(path_);
        benchmark::DoNotOptimize(varn::ReadEnemyGraphic(*stream.value(), 0));
    }
}
BENCHMARK_REGISTER_F(EnemyPageFixture, ReadEnemyGraphic)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
