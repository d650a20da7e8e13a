#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "charpatch/CharacterForm.h"
#include "rom/Result.h"
#include "text/ExtensionTable.h"

namespace varn {

// A check of the form that fails gives a Failure (rom/Result.h): the message to show (caption
// "エラー"), the inner page to bring to the front as its page and the object name of the
// control to focus. A text check gives the text's byte count, or the failure that stopped it.

// The settings the checks consult.
struct PatchCheckSettings {
    int equipmentCheck = 0; // 0 refuse, 1 warn, other values no check
    int extensionChar = 1;  // exactly 1: list the extension characters used in a warning
};

// A blank is a half-width space or a control character (line breaks included); full-width
// spaces remain. Blanks are single bytes in UTF-8, never part of another character.
constexpr bool IsBlank(unsigned char c)
{
    return c <= 0x20 || c == 0x7F;
}
std::string TrimTrailingBlanks(std::string_view text);

// The characters a choice holds at most, and the width of a conversation line.
inline constexpr int kChoiceWidth = 15;

// "「c」は使用できません。", where c is the character at `position` (counted from 1) of the
// full-width form of `text`: the text the codec walks, so the message names the character the
// user typed even where the codec would write a substitute.
std::string UnusableCharMessage(std::string_view text, int position);

// True when a choice, without its trailing blanks, is shorter than a full line; such a choice
// is stored with a line break after it. Characters are counted in the full-width form, where a
// half-width letter and its voiced mark are one character, as the game shows them.
bool ChoiceNeedsLineBreak(std::string_view text);

// The first character of a user text (the comment) that the user's character set (CP932)
// cannot hold, or nullopt when it holds them all.
std::optional<std::string> FirstCharWithoutCp932(std::string_view text);

// The first character of a comment (as the editor holds it) that would not come back as it is
// from the file: one CP932 cannot hold, or, for the rare comment whose CP932 bytes read as
// UTF-8 (only ASCII and a half-width katakana pair after a Latin letter, "aﾃｱ"), its first
// character beyond ASCII. nullopt when the comment is kept whole.
std::optional<std::string> FirstCommentCharNotKept(std::string_view comment);

// A fixed text field: empty gives "すべての項目を入力してください。"; the text without trailing
// blanks must encode into `capacity` bytes (else `message`) with encodable characters only
// ("「c」は使用できません。", see UnusableCharMessage). The failure names no page.
Status CheckFixedText(const std::string& text, int capacity, const std::string& message,
                      const std::string& control, const ExtensionTable& extensions);

// A number field within [min, max], or equal to `extra`.
Status CheckRange(const std::string& text, int page, const std::string& message, int min, int max,
                  int extra, const std::string& control);

// Removes repeated selections and closes gaps, for the four technique slots and then the four
// spell slots, changing the form.
void NormalizeSkills(CharacterForm& form);

// Each chosen spell of the four earth or heaven schools needs that school selected with a
// level above 0; the first spell that fails gives "術レベル0の術が設定されています。".
Status CheckSpellLevels(const CharacterForm& form);

// The armour slot table, indexed by armour code.
std::uint8_t ArmourSlotMask(std::uint8_t code);

// True when the armours can be worn together and at most one weapon is from 50 to 5F.
bool CheckEquipment(const CharacterForm& form);

// A conversation message: empty is refused; the text is rewritten in full-width form with
// the line breaks after full lines of `width` characters removed (the rewrite stays even when
// a later step fails); more than `maxLines` lines of `width` characters give
// "メッセージが長すぎます。"; then it must encode. Returns the byte count of the text without
// trailing blanks. "\r\n" and a lone "\n" are both line breaks; the rewritten text uses "\r\n"
// when the text held one, else "\n".
Result<int> CheckMessage(std::string& text, int page, const std::string& control, int maxLines,
                         int width, const ExtensionTable& extensions);

// A choice: at most 15 characters (counted as ChoiceNeedsLineBreak counts them), encodable;
// the byte count plus 1 for the line break added to a choice of fewer than 15 characters.
Result<int> CheckChoice(const std::string& text, int page, const std::string& control,
                        const ExtensionTable& extensions);

// The first-meeting record's size (pieces with their length bytes, and flags); 1 when there
// is no first line, so nothing of either conversation is checked. Over 255 bytes:
// "イベントの合計サイズが大きすぎます。".
Result<int> CheckFirstTalk(CharacterForm& form, const ExtensionTable& extensions);

// The later-meeting record's size, at most 128 bytes; 1 when there is no first line.
Result<int> CheckRepeatTalk(CharacterForm& form, const ExtensionTable& extensions);

// The extension characters used by the game texts of the form, in field order.
std::string CollectFormExtensionChars(const CharacterForm& form, const ExtensionTable& extensions);

// Every check of "パッチ作成" in its order, on a form (changed by NormalizeSkills and the
// message rewrites) and whether a sprite sheet is loaded: the sheet, name, title, comment
// (at most 1024 bytes in CP932, and only characters CP932 holds), the number ranges, the
// skills, the growth rates, the conversations and final-battle line, the armour combination
// (refused or warned as `equipmentCheck` says) and the extension characters (warned).
// The checks come to the first failure, or the warning text to confirm with OK and Cancel
// (empty when there is nothing to confirm).
Result<std::string> CheckCharacterPatch(CharacterForm& form, bool hasSheet,
                                        const PatchCheckSettings& settings,
                                        const ExtensionTable& extensions);

// How much of a limited text field a text uses, for the editor's live counters; the checks of
// "パッチ作成" keep their own messages.
enum class RoomUnit { Bytes, Lines, Characters };
struct FieldRoom {
    int used = 0;
    int limit = 0;
    RoomUnit unit = RoomUnit::Bytes;

    bool over() const { return used > limit; }
    friend bool operator==(const FieldRoom&, const FieldRoom&) = default;
};

// The name (8 bytes) and the title (10 bytes): game-text bytes without trailing blanks.
FieldRoom NameRoom(std::string_view text, const ExtensionTable& extensions);
FieldRoom TitleRoom(std::string_view text, const ExtensionTable& extensions);
// A conversation message (4 lines of 15 characters) and the final-battle line (3 of 10): the
// lines the game needs, counted as the check counts them.
FieldRoom TalkMessageRoom(std::string_view text);
FieldRoom LastBattleRoom(std::string_view text);
// A choice: characters as the game shows them, at most 15.
FieldRoom ChoiceRoom(std::string_view text);
// The comment: bytes of its stored form (line breaks as CR LF), at most 1024.
FieldRoom CommentRoom(std::string_view text);

} // namespace varn
