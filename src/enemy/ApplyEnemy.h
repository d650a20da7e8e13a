#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "enemy/EnemyForm.h"
#include "enemy/EnemyRecord.h"
#include "graphics/GifImage.h"
#include "rom/Result.h"
#include "rom/RomImageEdit.h"
#include "text/ExtensionTable.h"

namespace varn {

class RomStream;

// Writing the page "敵変更" into the image ("適用", Button16): the checks, then the writes of
// the new graphic (when a picture is held), the name, the status record, the two-attack slot,
// the expansion's action patterns, the equipment high bits and the drop record with the money.
// Everything is checked before the first write, and the image file is replaced only when the
// whole apply succeeded, so a refused apply leaves the image as it was.

inline constexpr const char* kNoRomPathMessage = kNoRomFileMessage;
inline constexpr const char* kHpRangeMessage = "30～65535の範囲外です。";
inline constexpr const char* kStatRangeMessage = "5～99の範囲外です。";
inline constexpr const char* kLevelRangeMessage = "1～50の範囲外です。";
// The money box holds at most three digits; the low 8 bits of its value are stored.
inline constexpr const char* kMoneyRangeMessage = "0～999の範囲外です。";
inline constexpr const char* kEnemyNameTooLongMessage = "名前が長すぎます。";
inline constexpr const char* kNothingSelectedMessage = "項目が選択されていません。";
// The equipment high bits, the drop record and the other tables above 4 MiB that every apply
// writes exist only in an expanded image.
inline constexpr const char* kEnemyNeedsExpandedImageMessage =
    "このROMイメージには4MBより後ろの拡張領域がないため、敵を書き込めません。";

// A number box's text as a decimal integer (spaces around it and a "+" allowed); nullopt for
// text that is not one.
std::optional<int> EnemyFieldNumber(const std::string& text);

// A number box that must hold minimum ≤ v ≤ maximum or v = extra; text that is not a number
// fails too. On failure: the message, the sub-tab `page` and the box `control` to focus.
Status CheckEnemyRange(const std::string& text, int page, const std::string& message, int extra,
                       int maximum, int minimum, const std::string& control);

// The status boxes, in order: HP (30-65535), the seven stats (5-99) and the four levels (1-50),
// each naming the sub-tab "ステータス" and the box.
Status CheckEnemyStatus(const EnemyForm& form);

// The checks of "適用" that need only the form, in order: HP (30-65535), the seven stats
// (5-99) and the four levels (1-50) on the sub-tab "ステータス"; the name, which must encode
// into its field (8 bytes for enemies below 0x140, 12 above: "名前が長すぎます。" or
// "「c」は使用できません。"); the money (0-999, sub-tab "その他"); and, when a picture is
// held, the write address (hexadecimal, within the graphic address form; sub-tab
// "グラフィック").
Status CheckEnemyForm(const EnemyForm& form, bool pictureHeld,
                      const ExtensionTable& extensions = ProcessExtensionTable());

// Every selection the apply reads must be an item its list holds for an image that is or is
// not expanded (a box showing nothing is refused with "項目が選択されていません。").
Status CheckEnemySelections(const EnemyForm& form, bool pictureHeld, bool expanded);

// The status record and the equipment high bits the form gives: race and flags, recovery
// element and resistances, bit 8 of both patterns, the pattern and technique choices, HP, the
// stats and levels (low 8 bits), the patterns' low bits, the equipment items' low bytes and
// high bits, and the disarm flags. The form must have passed the checks.
struct EnemyRecordWrite {
    EnemyRecordBytes record{};
    std::uint8_t highBits = 0;
};
EnemyRecordWrite BuildEnemyRecord(const EnemyForm& form);

// The record's writes, added to `plan` in order: the 25 bytes at the enemy's record, the
// two-attack slot chosen (ComboBox65, when not "【FF】無し"), then for each selected pattern of
// the expansion (0x100 on; the second only when it differs from the first) its 8 bytes and its
// technique high-bits byte. Returns the EquipmentHighBits byte for the caller to write.
std::uint8_t WriteEnemyRecord(const EnemyForm& form, WritePlan& plan);

// Every write of one apply, in order, added to `plan` after every check (the image must be
// expanded, then CheckEnemyForm, CheckEnemySelections, the graphic's checks, and every write
// inside the image); a refused apply adds nothing. `picture` is the held picture, or nullptr
// when none is held.
Status PlanApplyEnemy(RomStream& image, const EnemyForm& form, const GifImage* picture,
                      WritePlan& plan, const ExtensionTable& extensions = ProcessExtensionTable());
// The same, the writes appended to `writes`.
Status PlanApplyEnemy(RomStream& image, const EnemyForm& form, const GifImage* picture,
                      std::vector<ImageWrite>& writes,
                      const ExtensionTable& extensions = ProcessExtensionTable());

// Applies the page to an image in memory: PlanApplyEnemy, then the plan written at once (a
// write the image does not make gives "ファイルに書き込めません。"). Success when done.
Status ApplyEnemy(RomStream& image, const EnemyForm& form, const GifImage* picture,
                  const ExtensionTable& extensions = ProcessExtensionTable());

// Applies the page to the image file at `romPath` through ChangeRomImage: an empty path gives
// "smcファイルを指定してください。", the status boxes are checked before the file is opened, an
// image that cannot be opened gives "ファイルが開けません。" and its name, then PlanApplyEnemy
// (an image without the expansion is refused before the other boxes are looked at), and
// nothing of a refused or failed apply reaches the file. Success when the file has been
// replaced; the page then shows "処理が完了しました".
Status ApplyEnemy(const std::filesystem::path& romPath, const EnemyForm& form,
                  const GifImage* picture, const ImageChangeOptions& options = {},
                  const ExtensionTable& extensions = ProcessExtensionTable());

} // namespace varn
