#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string_view>

#include "charpatch/CharacterPatchFile.h"
#include "rom/Result.h"

namespace varn {

class RomStream;

// The character slots a patch can replace, in the order the patch list offers them: the ten
// additional recruitable slots of an expanded image, then the game's characters.
inline constexpr std::array<std::uint8_t, 42> kCharacterPatchTargets{
    0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0x08, 0x09, 0x0A, 0x0B,
    0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19,
    0x1A, 0x1C, 0x1D, 0x1E, 0x1F, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x1B,
};

// The first additional recruitable slot; slots 0xB0 to 0xB9 lie in the expanded area.
inline constexpr std::uint8_t kFirstAdditionalSlot = 0xB0;

constexpr bool IsCharacterPatchTarget(std::uint8_t target)
{
    for (const std::uint8_t code : kCharacterPatchTargets) {
        if (code == target)
            return true;
    }
    return false;
}

// Refusals of ApplyCharacterPatch; the patch file's name follows each on a line of its own.
inline constexpr const char* kUnknownTargetMessage = "適用先のキャラクターが正しくありません。";
inline constexpr const char* kMissingAdditionalSlotMessage = "追加キャラクターの領域がありません。";
inline constexpr const char* kMissingSlotMessage = "キャラクターの領域がありません。";
// A conversation or final-battle line longer than its area in the image.
inline constexpr const char* kEventTooLargeMessage = "イベントの合計サイズが大きすぎます。";

// Writes a character patch into slot `target` of the image: name, gender, title, palette,
// sprite sheet and the records into the slot's areas, and for an additional slot also its
// final-battle line, its two recruitment event scripts and its marker byte. The magic is not
// checked and no text is re-encoded. Everything is planned and checked before the first
// write: a target that is not one of kCharacterPatchTargets, an additional slot on an image
// without the expanded area or its sprite-sheet pointer, and any area that would lie past the
// end of the image are refused with the image untouched. A write that fails is reported with
// "ファイルに書き込めません。"; what was written before it stays. `displayName` names the patch
// in messages.
Status ApplyCharacterPatch(RomStream& rom, const PatchFile& patch, std::string_view displayName,
                           std::uint8_t target);

// Reads the patch file first: one that cannot be read gives "ファイルが開けません。", one
// shorter than its fixed head "ファイルが壊れています。", each followed by the file's name.
Status ApplyCharacterPatch(RomStream& rom, const std::filesystem::path& patchPath,
                           std::uint8_t target);

} // namespace varn
