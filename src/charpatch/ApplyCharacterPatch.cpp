#include "charpatch/ApplyCharacterPatch.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "charpatch/RecruitEventScript.h"
#include "rom/FileIo.h"
#include "rom/RomAddress.h"
#include "rom/RomStream.h"
#include "rom/WritePlan.h"

namespace varn {

namespace {

using Bytes = std::vector<std::uint8_t>;

// Per-slot areas of the game's characters (slot s below 0xB0) and of the additional slots
// (k = s - 0xB0), as raw file offsets.
constexpr std::uint64_t kNameArea = 0x3D1480;
constexpr std::uint64_t kBlockArea = 0x3E0600;
constexpr std::uint64_t kGrowthArea = 0x3E31BF;
constexpr std::uint64_t kCostArea = 0x3E373F;
constexpr std::uint64_t kTitleArea = 0x3D1C80;

constexpr std::uint64_t kAdditionalNameArea = 0x3D1A00;
constexpr std::uint64_t kAdditionalBlockArea = 0x5A79C0;
constexpr std::uint64_t kAdditionalGrowthArea = 0x5A7FC0;
constexpr std::uint64_t kAdditionalCostArea = 0x5A81C0;
constexpr std::uint64_t kAdditionalTitleArea = 0x3D2360;
constexpr std::uint64_t kAdditionalPaletteArea = 0x5A9D70;
constexpr std::uint64_t kAdditionalSheetPointers = 0x5A8631;
constexpr std::uint64_t kLaterMeetingArea = 0x559710;
constexpr std::uint64_t kFirstMeetingArea = 0x5597BE;
constexpr std::uint64_t kEventAreaStride = 512;
constexpr std::size_t kLaterMeetingSize = 174;
constexpr std::size_t kFirstMeetingSize = 338;
constexpr std::uint64_t kLastBattleArea = 0x558ACD;
constexpr std::uint64_t kLastBattleStride = 96;
constexpr std::array<std::uint64_t, 10> kMarkerBytes{
    0x5B0039, 0x5B00AD, 0x5B0106, 0x5B0111, 0x5B0169,
    0x5B0174, 0x5B01BB, 0x5B0219, 0x5B025C, 0x5B029B,
};
// The marker that tells the game an additional slot holds a character.
constexpr std::uint8_t kSlotInUse = 0x07;

constexpr std::size_t kNameSize = 8;
constexpr std::size_t kBlockSize = 48;
constexpr std::size_t kGrowthSize = 16;
constexpr std::size_t kCostSize = 2;
constexpr std::size_t kTitleSize = 10;
constexpr std::size_t kPaletteSize = 32;
constexpr std::size_t kSheetSize = 7104;
constexpr std::size_t kPointerSize = 3;

// A title index the game does not show a written title for: the title bytes are skipped.
constexpr int kNoTitle = -1;

// Palette, sprite sheet and title index of the game's characters, by code. Palette and sheet
// are looked up by the target code, the title by the slot it maps to; 0x1B is a second
// appearance of 0x07 and uses 0x07's title.
struct CharacterGraphics {
    std::uint32_t palette;
    std::uint32_t sheet;
    int title;
};

constexpr std::array<CharacterGraphics, 0x20> kCharacterGraphics{{
    {0x2C8020, 0x1A1C60, 0},  // 00
    {0x2C8080, 0x1A7180, 0},  // 01
    {0x2C80A0, 0x1A8DE0, 0},  // 02
    {0x2C8060, 0x1A5520, 0},  // 03
    {0x2C80C0, 0x1AAA40, 1},  // 04
    {0x2C8040, 0x1A38C0, 2},  // 05
    {0x2C8000, 0x1A0000, 3},  // 06
    {0x2C80E0, 0x1AC6A0, 4},  // 07
    {0x2C8140, 0x1B1C60, 5},  // 08
    {0x2C8100, 0x1AE300, 6},  // 09
    {0x2C8120, 0x1B0000, 7},  // 0A
    {0x2C81C0, 0x1B9220, 8},  // 0B
    {0x2C8260, 0x1C38C0, 9},  // 0C
    {0x2C8180, 0x1B5740, 10}, // 0D
    {0x2C8160, 0x1B38C0, 10}, // 0E
    {0x2C81E0, 0x1BAE80, 11}, // 0F
    {0x2C8200, 0x1BCAE0, 12}, // 10
    {0x2C8220, 0x1C0000, 13}, // 11
    {0x2C8240, 0x1C1C60, 14}, // 12
    {0x2C8300, 0x1CC6A0, 15}, // 13
    {0x2C8280, 0x1C5520, 16}, // 14
    {0x2C82C0, 0x1C8DE0, 17}, // 15
    {0x2C81A0, 0x1B75C0, 18}, // 16
    {0x2C82A0, 0x1C7180, 19}, // 17
    {0x2C8320, 0x1CE300, 24}, // 18
    {0x2C82E0, 0x1CAA40, 25}, // 19
    {0x2C9580, 0x21D820, 18}, // 1A
    {0x2C8D80, 0x1FB1A0, 4},  // 1B (never looked up by title: it maps to 07)
    {0x2C93A0, 0x1D38C0, 20}, // 1C
    {0x2C8360, 0x1D1C60, 21}, // 1D
    {0x2C8340, 0x1D0000, 6},  // 1E
    {0x2C83A0, 0x1D5520, 22}, // 1F
}};

// Title indices 0, 6 and 10 are never written: those characters keep the game's own title.
constexpr int ShownTitleIndex(int index)
{
    return index == 0 || index == 6 || index == 10 ? kNoTitle : index;
}

// The second appearance of 0x07 shares everything but palette and sprite sheet with it.
constexpr std::uint8_t kSecondAppearance = 0x1B;
constexpr std::uint8_t kSecondAppearanceOf = 0x07;
// Character 0x12's parameters live in slot 0x21, copied to the seven slots after it, and its
// name in 0x21 to 0x28 as well.
constexpr std::uint8_t kSharedCharacter = 0x12;
constexpr std::uint8_t kSharedSlot = 0x21;
constexpr std::uint8_t kLastSharedSlot = 0x28;
// Slots 0x00 to 0x07 keep their own spells.
constexpr std::uint8_t kLastSlotWithOwnSpells = 0x07;

// Some characters' palettes are kept in more than one place; every copy is written.
constexpr std::uint8_t kDimmedPaletteSlot = 0x0F;
constexpr std::uint64_t kDimmedPaletteCopy = 0x2C9680; // green cleared in colours 6 to 8
struct PaletteCopies {
    std::uint8_t slot;
    std::array<std::uint64_t, 3> offsets;
    std::size_t count;
};
constexpr std::array<PaletteCopies, 4> kPaletteCopies{{
    {0x1C, {0x2C8380, 0x2C93C0, 0}, 2},
    {0x1D, {0x2C96C0, 0, 0}, 1},
    {0x1E, {0x2C9520, 0x2C9540, 0x2C95E0}, 3},
    {0x1F, {0x2C96E0, 0, 0}, 1},
}};

// Some characters keep pieces of their sheet in a second place as well: runs of `size` bytes
// taken from the sheet's tiles at `from`, or zero bytes.
struct TileRun {
    std::optional<std::size_t> from; // nullopt: zero bytes
    std::size_t size;
};
constexpr std::array<TileRun, 14> kPiecesAfter0D{{
    {0x000, 96},
    {std::nullopt, 32},
    {0x200, 96},
    {std::nullopt, 64},
    {0x400, 96},
    {0x620, 32},
    {0x000, 32},
    {0x040, 32},
    {std::nullopt, 32},
    {0x200, 32},
    {0x240, 32},
    {std::nullopt, 64},
    {0x400, 32},
    {0x440, 32},
}};
constexpr std::array<TileRun, 3> kPiecesOf0E{{{0x000, 96}, {0x200, 96}, {0x400, 96}}};
constexpr std::array<TileRun, 4> kPiecesOf0F{
    {{0x10C0, 96}, {0x12C0, 96}, {0x14C0, 96}, {0x16C0, 96}}};
constexpr std::array<TileRun, 1> kPiecesAfter05{{{0x10C0, 96}}};
constexpr std::uint64_t kPiecesOf0EAt = 0x21F780;                         // 0x0E
constexpr std::array<std::uint64_t, 2> kPiecesOf0FAt{0x20FE40, 0x21F480}; // 0x0F

// Offsets in the character block C.
constexpr std::size_t kGenderField = 2;

// The areas a slot's writes go to.
struct SlotAreas {
    std::uint64_t name;
    std::uint64_t block;
    std::uint64_t growth;
    std::uint64_t cost;
};

SlotAreas CharacterSlot(std::uint8_t slot)
{
    return {kNameArea + kNameSize * slot, kBlockArea + kBlockSize * slot,
            kGrowthArea + kGrowthSize * slot, kCostArea + kCostSize * slot};
}

SlotAreas AdditionalSlot(int k)
{
    const auto index = static_cast<std::uint64_t>(k);
    return {kAdditionalNameArea + kNameSize * index, kAdditionalBlockArea + kBlockSize * index,
            kAdditionalGrowthArea + kGrowthSize * index, kAdditionalCostArea + kCostSize * index};
}

void PutTileRuns(WritePlan& plan, std::uint64_t offset, const SheetTiles& tiles,
                 std::span<const TileRun> runs)
{
    for (const TileRun& run : runs) {
        if (run.from) {
            plan.add(offset, std::span(tiles).subspan(*run.from, run.size));
        } else {
            plan.add(offset, Bytes(run.size, 0));
        }
        offset += run.size;
    }
}

// The copy of a palette with the green component of colours 6 to 8 cleared.
SheetPalette DimmedPalette(const SheetPalette& palette)
{
    SheetPalette dimmed = palette;
    for (std::size_t colour = 6; colour <= 8; ++colour) {
        dimmed[2 * colour] &= 0x1F;
        dimmed[2 * colour + 1] &= 0xFC;
    }
    return dimmed;
}

// The fixed records (types 1 to 8) into the slot areas of r. Bytes a short record lacks read
// as 0xFF; growth type and initial magic of 0xFF leave the slot's own value.
void PutRecord(WritePlan& plan, const PatchRecord& record, const SlotAreas& areas,
               bool writesSpells)
{
    const Bytes b = record.padded(FullRecordLength(record.type), 0xFF);
    const std::span data(b);
    const std::uint64_t c = areas.block;
    switch (record.type) {
    case kStatusRecord:
        plan.add(c + 5, data[7]);
        plan.add(c + 6, data.subspan(0, 7));
        if (data[11] != 0xFF)
            plan.add(c + 21, data[11]);
        plan.add(c + 22, data[10]);
        plan.add(c + 40, data[8]);
        if (data[12] != 0xFF)
            plan.add(c + 41, data[12]);
        plan.add(c + 42, data[9]);
        break;
    case kLevelRecord:
        plan.add(c + 3, data.subspan(0, 2));
        plan.add(c + 13, data.subspan(2, 8));
        break;
    case kSkillRecord:
        plan.add(c + 23, data.subspan(0, writesSpells ? 8 : 4));
        break;
    case kEquipmentRecord:
        plan.add(c + 31, data.subspan(0, 8));
        break;
    case kGrowthRecord:
        // Weapons, then schools, then (past one byte the game keeps) amplification, WP, JP, HP.
        plan.add(areas.growth, data.subspan(3, 5));
        plan.add(areas.growth + 5, data.subspan(8, 6));
        plan.add(areas.growth + 12, data[14]);
        plan.add(areas.growth + 13, data[1]);
        plan.add(areas.growth + 14, data[2]);
        plan.add(areas.growth + 15, data[0]);
        break;
    case kPurchaseBanRecord:
        plan.add(c + 45, data[0]);
        break;
    case kSpecialRecord:
        plan.add(c + 39, data[0]);
        plan.add(c + 43, data[1]);
        plan.add(c + 46, data[2]);
        break;
    case kCostRecord:
        plan.add(areas.cost, data.subspan(0, 2));
        break;
    default:
        break;
    }
}

// Slot 0x21's block, growth and cost, as the writes planned so far leave them, are repeated
// in slots 0x22 to 0x28.
bool CopySharedSlot(RomStream& rom, WritePlan& plan)
{
    const SlotAreas from = CharacterSlot(kSharedSlot);
    Bytes block(kBlockSize);
    Bytes growth(kGrowthSize);
    Bytes cost(kCostSize);
    if (!plan.readAsPlanned(rom, from.block, block) ||
        !plan.readAsPlanned(rom, from.growth, growth) || !plan.readAsPlanned(rom, from.cost, cost))
        return false;
    for (std::uint8_t slot = kSharedSlot + 1; slot <= kLastSharedSlot; ++slot) {
        const SlotAreas to = CharacterSlot(slot);
        plan.add(to.block, block);
        plan.add(to.growth, growth);
        plan.add(to.cost, cost);
    }
    return true;
}

Failure Refusal(const char* message, std::string_view displayName)
{
    return Failure{std::string(message) + "\n" + std::string(displayName)};
}

} // namespace

Status ApplyCharacterPatch(RomStream& rom, const PatchFile& patch, std::string_view displayName,
                           std::uint8_t target)
{
    // Nothing is written until every write is known and lies inside the image: an unknown
    // target, an additional slot on an image that does not provide it, or an image too short
    // for the slot is refused with the image as it was.
    if (!IsCharacterPatchTarget(target))
        return Refusal(kUnknownTargetMessage, displayName);

    const bool additional = target >= kFirstAdditionalSlot;
    const char* missingArea = additional ? kMissingAdditionalSlotMessage : kMissingSlotMessage;
    const int k = additional ? target - kFirstAdditionalSlot : -1;
    const std::uint8_t u = target == kSecondAppearance ? kSecondAppearanceOf : target;
    const std::uint8_t r = u == kSharedCharacter ? kSharedSlot : u;

    WritePlan plan;
    const SlotAreas slot = additional ? AdditionalSlot(k) : CharacterSlot(u);
    const SlotAreas recordSlot = additional ? slot : CharacterSlot(r);

    // The sprite sheet of an additional slot lies where the expanded image's pointer says.
    std::uint64_t sheet = 0;
    if (additional) {
        if (!IsExpandedImageSize(rom.size()))
            return Refusal(missingArea, displayName);
        const auto pointer = rom.readBytes(
            kAdditionalSheetPointers + 4 * static_cast<std::uint64_t>(k), kPointerSize);
        if (!pointer)
            return Refusal(missingArea, displayName);
        sheet = PointerToOffset(PointerFromBytes(std::span<const std::uint8_t, 3>(*pointer)));
        // An additional slot's graphics live in the expanded area; a pointer below it (an
        // unprepared slot holds zero) would overwrite the game itself.
        if (sheet < kExpandedImageThreshold)
            return Refusal(missingArea, displayName);
    } else {
        sheet = kCharacterGraphics[target].sheet;
    }

    // Name (character 0x12's also in the shared slots), gender, title.
    plan.add(slot.name, patch.name);
    if (u == kSharedCharacter) {
        for (std::uint8_t shared = kSharedSlot; shared <= kLastSharedSlot; ++shared)
            plan.add(CharacterSlot(shared).name, patch.name);
    }
    plan.add(slot.block + kGenderField, patch.gender);
    if (additional) {
        plan.add(kAdditionalTitleArea + kTitleSize * static_cast<std::uint64_t>(k), patch.title);
    } else if (const int index = ShownTitleIndex(kCharacterGraphics[u].title); index != kNoTitle) {
        plan.add(kTitleArea + kTitleSize * static_cast<std::uint64_t>(index), patch.title);
    }

    // Palette by the target code, then the copies some characters need.
    plan.add(additional ? kAdditionalPaletteArea + kPaletteSize * static_cast<std::uint64_t>(k)
                        : kCharacterGraphics[target].palette,
             patch.palette);
    if (u == kDimmedPaletteSlot)
        plan.add(kDimmedPaletteCopy, DimmedPalette(patch.palette));
    for (const PaletteCopies& copies : kPaletteCopies) {
        if (copies.slot != u)
            continue;
        for (std::size_t i = 0; i < copies.count; ++i)
            plan.add(copies.offsets[i], patch.palette);
    }

    // Sprite sheet, then the pieces of it some characters keep after it or elsewhere too.
    plan.add(sheet, patch.tiles);
    const std::uint64_t afterSheet = sheet + kSheetSize;
    switch (u) {
    case 0x05:
        PutTileRuns(plan, afterSheet, patch.tiles, kPiecesAfter05);
        break;
    case 0x0D:
        PutTileRuns(plan, afterSheet, patch.tiles, kPiecesAfter0D);
        break;
    case 0x0E:
        PutTileRuns(plan, afterSheet, patch.tiles, kPiecesAfter0D);
        PutTileRuns(plan, kPiecesOf0EAt, patch.tiles, kPiecesOf0E);
        break;
    case 0x0F:
        for (const std::uint64_t copy : kPiecesOf0FAt)
            PutTileRuns(plan, copy, patch.tiles, kPiecesOf0F);
        break;
    default:
        break;
    }

    // Records in file order. The conversation records are kept for the scripts written after
    // all records, so the conversation music counts wherever its record stands.
    const bool writesSpells = additional || r > kLastSlotWithOwnSpells;
    const PatchRecord* firstTalk = nullptr;
    const PatchRecord* repeatTalk = nullptr;
    std::uint8_t music = 0;
    for (const PatchRecord& record : patch.records) {
        switch (record.type) {
        case kStatusRecord:
        case kLevelRecord:
        case kSkillRecord:
        case kEquipmentRecord:
        case kGrowthRecord:
        case kPurchaseBanRecord:
        case kSpecialRecord:
        case kCostRecord:
            PutRecord(plan, record, recordSlot, writesSpells);
            if (r == kSharedSlot && !CopySharedSlot(rom, plan))
                return Refusal(missingArea, displayName);
            break;
        case kFirstTalkRecord:
            firstTalk = &record;
            break;
        case kRepeatTalkRecord:
            repeatTalk = &record;
            break;
        case kLastBattleRecord:
            if (additional) {
                const auto line = LastBattleLine(record.data);
                if (line.size() > kLastBattleStride)
                    return Refusal(kEventTooLargeMessage, displayName);
                plan.add(kLastBattleArea + kLastBattleStride * static_cast<std::uint64_t>(k), line);
            }
            break;
        case kTalkMusicRecord:
            music = record.padded(1, 0xFF)[0];
            break;
        default:
            break;
        }
    }

    if (additional) {
        // Both scripts come from the two conversation records together; a patch with only one
        // of them (the editor never writes such a patch) gets neither, rather than a script
        // built from a record it does not hold.
        if (firstTalk && repeatTalk) {
            // A script longer than its area would run into the next slot's; the editor's limits
            // keep them inside, a patch made by hand may not.
            const std::uint64_t event = kEventAreaStride * static_cast<std::uint64_t>(k);
            const auto later = LaterMeetingScript(repeatTalk->data, music, k);
            const auto first = FirstMeetingScript(firstTalk->data, k);
            if (later.size() > kLaterMeetingSize || first.size() > kFirstMeetingSize)
                return Refusal(kEventTooLargeMessage, displayName);
            plan.add(kLaterMeetingArea + event, later);
            plan.add(kFirstMeetingArea + event, first);
        }
        plan.add(kMarkerBytes[static_cast<std::size_t>(k)], kSlotInUse);
    }

    return plan.writeTo(rom, Refusal(missingArea, displayName).message,
                        Refusal(kCannotWriteFileMessage, displayName).message);
}

Status ApplyCharacterPatch(RomStream& rom, const std::filesystem::path& patchPath,
                           std::uint8_t target)
{
    const std::string name = patchPath.filename().string();
    const Result<PatchFile> patch = ReadPatchFile(patchPath);
    if (!patch)
        return Failure{patch.message() + "\n" + name};
    return ApplyCharacterPatch(rom, patch.value(), name, target);
}

} // namespace varn
