// The enemy tables of an image as the enemy page reads them, over damaged data: the input is
// first taken as a packed battle graphic (UnpackEnemyGraphic), then repeated to fill an image
// of a size its first byte chooses (4 MiB, an expanded image, one cut inside the expansion's
// tables, or just the input), on which the lists are built, enemies are read, their battle
// graphics unpacked and the page's apply planned.
//
// Building the lists (some 2,500 labels) costs several times the rest of a run, so they are
// built from the input's image for one input in eight (those whose bytes add up to a multiple
// of eight, which nearly every mutation changes).
// Other inputs take the lists once built from an image of the same kind (expanded or not):
// their entries, which the readers use, are the same for every image of that kind; only the
// names in their labels differ.
//
// Properties: nothing is read outside the image; a refusal says why; the lists have the sizes
// their index rules use; every selection a read enemy gets is an item of its list (or none,
// for absent drops and patterns), and every equipment and drop box a code of its list or the
// value the image stores; an unpacked graphic is a valid picture of at most 128 × 160 that
// packs to at most the bytes it came from and unpacks to itself; a planned apply writes only
// inside the image.

#include <cstddef>
#include <cstdint>
#include <numeric>
#include <optional>
#include <vector>

#include "FuzzSupport.h"
#include "SparseRomStream.h"
#include "enemy/ApplyEnemy.h"
#include "enemy/EnemyGraphic.h"
#include "enemy/EnemyImageReads.h"
#include "enemy/EnemyLists.h"
#include "enemy/EnemyRecord.h"
#include "enemy/EnemyTables.h"
#include "enemy/LoadEnemy.h"
#include "rom/RomAddress.h"
#include "rom/RomStream.h"

namespace varn::fuzz {
namespace {

void CheckUnpacked(std::span<const std::uint8_t> bytes)
{
    const Result<UnpackedEnemyGraphic> unpacked = UnpackEnemyGraphic(bytes);
    if (!unpacked) {
        Require(!unpacked.message().empty(), "a refused graphic says why");
        return;
    }
    const UnpackedEnemyGraphic& graphic = unpacked.value();
    Require(graphic.width >= 8 && graphic.width <= 128 && graphic.height >= 8 &&
                graphic.height <= 160 && graphic.width % 8 == 0 && graphic.height % 8 == 0,
            "an unpacked graphic is made of whole tiles, at most 128 x 160");
    Require(graphic.pixels.size() == static_cast<std::size_t>(graphic.width) * graphic.height,
            "an unpacked graphic has a pixel for each place");
    Require(graphic.packedSize >= 2 && static_cast<std::size_t>(graphic.packedSize) <= bytes.size(),
            "an unpacked graphic was read from the bytes given");

    GifImage picture;
    picture.width = graphic.width;
    picture.height = graphic.height;
    picture.colors.resize(16);
    GifFrame frame(graphic.width, graphic.height);
    frame.pixels = graphic.pixels;
    picture.frames.push_back(std::move(frame));
    const std::vector<std::uint8_t> repacked = PackEnemyGraphic(picture);
    Require(repacked.size() <= static_cast<std::size_t>(graphic.packedSize),
            "packing again never takes more bytes");
    const Result<UnpackedEnemyGraphic> again = UnpackEnemyGraphic(repacked);
    Require(again.ok() && again.value().pixels == graphic.pixels,
            "a packed graphic unpacks to itself");
}

void CheckList(int index, const EnemyList& list, bool noneAllowed, const char* property)
{
    Require((noneAllowed && index == -1) ||
                (index >= 0 && static_cast<std::size_t>(index) < list.size()),
            property);
}

void CheckEnemy(RomStream& image, const EnemyLists& lists, int enemy)
{
    EnemyForm form;
    form.enemy = enemy;
    const Status loaded = LoadEnemyRecord(image, lists, form);
    if (!loaded) {
        Require(!loaded.message().empty(), "a refused enemy says why");
        Require(form == EnemyForm{.enemy = enemy}, "a refused enemy changes nothing");
    } else {
        const auto record = ReadArray<kEnemyRecordSize>(image, EnemyRecordOffset(enemy));
        const std::uint8_t high = ReadByte(image, EquipmentHighBitsOffset(enemy)).value_or(0);
        for (std::size_t i = 0; i < form.equipment.size(); ++i) {
            const EnemyList& list = i < 2 ? lists.weapons : i == 2 ? lists.shields : lists.armours;
            const int stored = (*record)[19 + i] | ((high & kEquipmentHighBitMasks[i]) ? 0x100 : 0);
            Require(EnemyListIndexOf(list, form.equipment[i]) >= 0 || form.equipment[i] == stored,
                    "an equipment box shows an item of its list or the code stored");
        }
        for (std::size_t row = 0; row < 2; ++row) {
            CheckList(form.patterns[row], lists.patterns, false, "a pattern box selects an item");
            for (const int technique : form.techniques[row])
                CheckList(technique, lists.techniques, true, "a technique box selects an item");
        }
        for (const int drop : form.drops)
            Require(drop >= -1 && drop <= 0xFFFF, "a drop box shows a stored item code or none");
        CheckList(form.twoAttack, lists.twoAttack, false, "the two-attack box selects an item");
        // The fixed lists, built from the labels in use, which this process never changes.
        static const EnemyList patternChoices = PatternChoiceItems();
        static const EnemyList techniqueChoices = TechniqueChoiceItems();
        static const EnemyList races = RaceItems();
        static const EnemyList elements = RecoveryElementItems();
        CheckList(form.patternChoice, patternChoices, false, "a pattern choice is listed");
        CheckList(form.techniqueChoice, techniqueChoices, false, "a technique choice is listed");
        CheckList(form.race, races, false, "a race is listed");
        CheckList(form.recoveryElement, elements, false, "an element is listed");

        std::vector<ImageWrite> writes;
        if (const Status planned = PlanApplyEnemy(image, form, nullptr, writes); !planned) {
            Require(!planned.message().empty(), "a refused apply says why");
        } else {
            for (const ImageWrite& write : writes)
                Require(image.contains(write.offset, write.bytes.size()),
                        "a planned apply writes only inside the image");
        }
    }

    const Result<EnemyGraphic> graphic = ReadEnemyGraphic(image, enemy);
    if (!graphic) {
        Require(!graphic.message().empty(), "a refused graphic says why");
        return;
    }
    Require(ValidateGifImage(graphic.value().picture).ok(), "a graphic read is a valid picture");
    Require(graphic.value().picture.width <= 128 && graphic.value().picture.height <= 160,
            "a graphic read is at most 128 x 160");
}

void CheckListSizes(const EnemyLists& lists)
{
    Require(
        lists.enemies.size() == static_cast<std::size_t>(EnemyListSize(lists.expanded)) &&
            lists.techniques.size() ==
                static_cast<std::size_t>(TechniqueListSize(lists.expanded)) &&
            lists.dropItems.size() == static_cast<std::size_t>(DropItemListSize(lists.expanded)) &&
            lists.twoAttack.size() == static_cast<std::size_t>(TwoAttackListSize(lists.expanded)),
        "the lists have the sizes their index rules use");
}

// The lists of an image of 4 MiB or of an expanded one, built once from a fixed pattern.
const EnemyLists& ListsOfKind(bool expanded)
{
    static const auto build = [](std::uint64_t size) {
        static const std::uint8_t pattern[] = {0x13, 0x5A, 0x80, 0x12, 0x34,
                                               0x12, 0x20, 0x31, 0x60};
        SparseRomStream image(size, pattern, false);
        EnemyLists lists = LoadEnemyLists(image);
        CheckListSizes(lists);
        return lists;
    };
    static const EnemyLists base = build(0x400000);
    static const EnemyLists expandedLists = build(0x600000);
    return expanded ? expandedLists : base;
}

} // namespace
} // namespace varn::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace varn;
    const std::span<const std::uint8_t> input = fuzz::Bytes(data, size);
    fuzz::CheckUnpacked(input);
    if (size < 4)
        return 0;

    const std::uint64_t sizes[] = {0x400000, 0x600000, 0x5B1000, size};
    fuzz::SparseRomStream image(sizes[data[0] % 4], input.subspan(1), false);
    std::optional<EnemyLists> ownLists;
    if (std::accumulate(input.begin(), input.end(), 0u) % 8 == 0) {
        ownLists = LoadEnemyLists(image);
        fuzz::CheckListSizes(*ownLists);
    }
    const EnemyLists& lists = ownLists ? *ownLists : fuzz::ListsOfKind(IsExpandedImage(image));
    // Three enemies the input chooses.
    for (std::size_t i = 1; i < 4; ++i)
        fuzz::CheckEnemy(image, lists, (data[i] << 1 | (data[0] >> 7)) % 0x200);
    return 0;
}
