#include "charpatch/PatchValidation.h"

#include <array>
#include <vector>

#include "charpatch/CharacterPatchFile.h"
#include "charpatch/ItemLists.h"
#include "text/Cp932.h"
#include "text/TextCodec.h"
#include "text/Utf8.h"

namespace varn {

namespace {

constexpr const char* kFillInMessage = "すべての項目を入力してください。";
constexpr const char* kMessageTooLong = "メッセージが長すぎます。";
constexpr const char* kEventTooLarge = "イベントの合計サイズが大きすぎます。";
constexpr const char* kSpellLevelMessage = "術レベル0の術が設定されています。";
constexpr const char* kEquipmentMessage = "装備できない組み合わせの防具が設定されています。";

constexpr std::size_t kMaxTitleUnits = 8;
constexpr int kNameBytes = 8;
constexpr int kTitleBytes = 10;
constexpr int kMaxFirstTalkBytes = 255;
constexpr int kMaxRepeatTalkBytes = 128;
constexpr int kTalkLines = 4;
constexpr int kLastBattleLines = 3;
constexpr int kLastBattleWidth = 10;

std::string Control(const char* prefix, int number)
{
    return prefix + std::to_string(number);
}

Failure Problem(std::string message, int page, std::string control)
{
    return {std::move(message), page, std::move(control)};
}

std::size_t Utf16Length(std::string_view text)
{
    std::size_t units = 0;
    for (const char32_t c : Utf8ToU32(text)) {
        units += c > 0xFFFF ? 2 : 1;
    }
    return units;
}

// A line break of a message: "\r\n" or a lone "\n"; the length it takes at `i`, 0 for none.
std::size_t BreakAt(const std::u32string& text, std::size_t i)
{
    if (text[i] == U'\n') {
        return 1;
    }
    if (text[i] == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n') {
        return 2;
    }
    return 0;
}

// The message lines a text needs at `width` characters each: every line as many as its
// characters fill, and at least one. A final line break does not start a line.
int CountMessageLines(const std::u32string& text, int width)
{
    int lines = 0;
    int length = 0;
    bool lineOpen = true;
    const auto closeLine = [&] {
        lines += 1 + (length > 0 ? (length - 1) / width : 0);
        length = 0;
    };
    for (std::size_t i = 0; i < text.size();) {
        if (const std::size_t breakLength = BreakAt(text, i); breakLength > 0) {
            closeLine();
            i += breakLength;
            lineOpen = i < text.size();
            continue;
        }
        ++length;
        ++i;
    }
    if (lineOpen) {
        closeLine();
    }
    return lines;
}

// The game wraps a line after `width` characters by itself, so a break typed right after a
// full line would leave an empty line: it is removed. The text comes back in full-width form
// with the kind of line break the field used.
std::u32string NormaliseMessage(std::string_view text, int width)
{
    const std::u32string breakText = text.find("\r\n") != std::string::npos ? U"\r\n" : U"\n";
    const std::u32string chars = Utf8ToU32(ToFullWidth(text));
    std::u32string normalised;
    int lineLength = 0;
    for (std::size_t i = 0; i < chars.size();) {
        if (const std::size_t breakLength = BreakAt(chars, i); breakLength > 0) {
            if (lineLength != width) {
                normalised += breakText;
            }
            lineLength = 0;
            i += breakLength;
            continue;
        }
        normalised.push_back(chars[i]);
        ++lineLength;
        ++i;
    }
    return normalised;
}

// The game-text bytes of a fixed field's text without trailing blanks, a character the game
// cannot show counted as one byte, so that the count still grows as the user types.
int GameTextBytes(std::string_view text, const ExtensionTable& extensions)
{
    int bytes = 0;
    for (const char32_t c : Utf8ToU32(ToFullWidth(TrimTrailingBlanks(text)))) {
        const TextMeasure one = MeasureText(U32ToUtf8(std::u32string_view(&c, 1)), extensions);
        bytes += one.result == 0 ? one.byteCount : 1;
    }
    return bytes;
}

// The measured byte count of a game text without its trailing blanks, or the failure that an
// unencodable character gives.
Result<int> MeasureField(std::string_view text, int page, const std::string& control,
                         const ExtensionTable& extensions)
{
    const std::string trimmed = TrimTrailingBlanks(text);
    const TextMeasure measure = MeasureText(trimmed, extensions);
    if (measure.result > 0) {
        return Problem(UnusableCharMessage(trimmed, measure.result), page, control);
    }
    return measure.byteCount;
}

// Adds a piece's byte count and its length byte to `total`; false when the check failed.
bool AddPiece(const Result<int>& check, int& total, Status& problem)
{
    if (!check) {
        problem = check.failure();
        return false;
    }
    total += check.value() + 1;
    return true;
}

// Makes four slots of one list free of repeats and gaps. Slots are compared by the item the
// list shows for their codes, so a code the list does not hold counts as "none".
void NormalizeSlots(std::array<std::uint8_t, 4>& slots, const ItemList& items)
{
    std::array<int, 4> index{};
    for (std::size_t i = 0; i < slots.size(); ++i) {
        index[i] = ItemIndexOfCode(items, slots[i]);
    }
    for (std::size_t i = 0; i + 1 < index.size(); ++i) {
        for (std::size_t j = i + 1; j < index.size(); ++j) {
            if (index[j] == index[i]) {
                index[j] = 0;
            }
        }
    }
    for (std::size_t i = 0; i + 1 < index.size(); ++i) {
        if (index[i] != 0) {
            continue;
        }
        for (std::size_t j = i + 1; j < index.size(); ++j) {
            if (index[j] != 0) {
                index[i] = index[j];
                index[j] = 0;
                break;
            }
        }
    }
    for (std::size_t i = 0; i < slots.size(); ++i) {
        slots[i] = items[static_cast<std::size_t>(index[i])].code;
    }
}

} // namespace

std::optional<std::string> FirstCharWithoutCp932(std::string_view text)
{
    for (const char32_t c : Utf8ToU32(text)) {
        const std::string one = U32ToUtf8(std::u32string_view(&c, 1));
        if (!Utf8ToCp932(one)) {
            return one;
        }
    }
    return std::nullopt;
}

std::optional<std::string> FirstCommentCharNotKept(std::string_view comment)
{
    if (auto c = FirstCharWithoutCp932(comment)) {
        return c;
    }
    const std::string stored = StoredCommentText(comment);
    const std::optional<std::string> bytes = Utf8ToCp932(stored);
    if (bytes && DecodeTextFileBytes(*bytes) == stored) {
        return std::nullopt;
    }
    for (const char32_t c : Utf8ToU32(comment)) {
        if (c >= 0x80) {
            return U32ToUtf8(std::u32string_view(&c, 1));
        }
    }
    return std::nullopt;
}

std::string TrimTrailingBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return std::string(text);
}

std::string UnusableCharMessage(std::string_view text, int position)
{
    const std::u32string chars = Utf8ToU32(ToFullWidth(text));
    std::string c;
    if (position >= 1 && static_cast<std::size_t>(position) <= chars.size()) {
        c = U32ToUtf8(chars.substr(static_cast<std::size_t>(position) - 1, 1));
    }
    return "「" + c + "」は使用できません。";
}

bool ChoiceNeedsLineBreak(std::string_view text)
{
    return Utf8ToU32(ToFullWidth(TrimTrailingBlanks(text))).size() <
           static_cast<std::size_t>(kChoiceWidth);
}

Status CheckFixedText(const std::string& text, int capacity, const std::string& message,
                      const std::string& control, const ExtensionTable& extensions)
{
    if (text.empty()) {
        return Problem(kFillInMessage, -1, control);
    }
    const std::string trimmed = TrimTrailingBlanks(text);
    std::vector<std::uint8_t> field(static_cast<std::size_t>(capacity < 0 ? 0 : capacity));
    const int result = EncodeText(trimmed, field, extensions);
    if (result < 0) {
        return Problem(message, -1, control);
    }
    if (result > 0) {
        return Problem(UnusableCharMessage(trimmed, result), -1, control);
    }
    return {};
}

Status CheckRange(const std::string& text, int page, const std::string& message, int min, int max,
                  int extra, const std::string& control)
{
    const int value = FieldNumber(text);
    if ((value >= min && value <= max) || value == extra) {
        return {};
    }
    return Problem(message, page, control);
}

void NormalizeSkills(CharacterForm& form)
{
    NormalizeSlots(form.techniques, TechniqueItems());
    NormalizeSlots(form.spells, SpellItems());
}

Status CheckSpellLevels(const CharacterForm& form)
{
    // The earth schools in the order of their radio buttons, then the heaven schools.
    constexpr std::array<const char*, 4> kEarthSchools{"蒼", "朱", "白", "玄"};
    constexpr std::array<const char*, 2> kHeavenSchools{"太", "月"};
    const int earthLevel = FieldNumber(form.levels[6]);  // Edit40
    const int heavenLevel = FieldNumber(form.levels[7]); // Edit41

    for (std::size_t slot = 0; slot < form.spells.size(); ++slot) {
        const std::string school = SpellSchool(form.spells[slot]);
        if (school.empty()) {
            continue;
        }
        bool ok = true;
        for (std::size_t i = 0; i < kEarthSchools.size(); ++i) {
            if (school == kEarthSchools[i]) {
                ok = form.earthSchool == static_cast<int>(i) && earthLevel != 0;
            }
        }
        for (std::size_t i = 0; i < kHeavenSchools.size(); ++i) {
            if (school == kHeavenSchools[i]) {
                ok = form.heavenSchool == static_cast<int>(i) && heavenLevel != 0;
            }
        }
        if (!ok) {
            return Problem(kSpellLevelMessage, kSkillPage,
                           Control("ComboBox", 9 + static_cast<int>(slot)));
        }
    }
    return {};
}

std::uint8_t ArmourSlotMask(std::uint8_t code)
{
    struct MaskRange {
        std::uint8_t first;
        std::uint8_t last;
        std::uint8_t mask;
    };
    constexpr std::array<MaskRange, 17> kMasks{{
        {0x60, 0x6F, 0x01},
        {0x70, 0x71, 0xA0},
        {0x72, 0x72, 0x82},
        {0x73, 0x84, 0x01},
        {0x85, 0x85, 0x20},
        {0x86, 0x86, 0x82},
        {0x87, 0x87, 0x81},
        {0x88, 0x93, 0x01},
        {0x94, 0x94, 0x20},
        {0x95, 0x9E, 0x01},
        {0x9F, 0x9F, 0x9F},
        {0xA0, 0xA7, 0x1D},
        {0xA8, 0xAF, 0x02},
        {0xB0, 0xB7, 0x04},
        {0xB8, 0xBF, 0x08},
        {0xC0, 0xC7, 0x10},
        {0xC8, 0xDF, 0x20},
    }};
    for (const MaskRange& range : kMasks) {
        if (code >= range.first && code <= range.last) {
            return range.mask;
        }
    }
    return 0;
}

bool CheckEquipment(const CharacterForm& form)
{
    // Each armour claims the body parts of its mask; bit 7 marks an armour that claims its
    // parts without being claimable itself, and bit 5 parts never conflict.
    std::uint8_t worn = 0;
    for (const std::uint8_t code : form.armours) {
        if (code == kNoItemCode) {
            continue;
        }
        const std::uint8_t mask = ArmourSlotMask(code);
        if ((mask & 0x7F & worn) != 0) {
            return false;
        }
        worn = static_cast<std::uint8_t>((worn | mask) & 0x5F);
    }
    int heavyWeapons = 0;
    for (const std::uint8_t code : form.weapons) {
        if (code >= 0x50 && code <= 0x5F) {
            ++heavyWeapons;
        }
    }
    return heavyWeapons <= 1;
}

Result<int> CheckMessage(std::string& text, int page, const std::string& control, int maxLines,
                         int width, const ExtensionTable& extensions)
{
    if (text.empty()) {
        return Problem(kFillInMessage, page, control);
    }

    const std::u32string normalised = NormaliseMessage(text, width);
    text = U32ToUtf8(normalised);

    if (width <= 0 || CountMessageLines(normalised, width) > maxLines) {
        return Problem(kMessageTooLong, page, control);
    }
    return MeasureField(text, page, control, extensions);
}

Result<int> CheckChoice(const std::string& text, int page, const std::string& control,
                        const ExtensionTable& extensions)
{
    if (text.empty()) {
        return Problem(kFillInMessage, page, control);
    }
    // Characters are counted as the game shows them, after the full-width conversion that
    // joins a half-width letter and its voiced mark.
    if (Utf8ToU32(ToFullWidth(text)).size() > static_cast<std::size_t>(kChoiceWidth)) {
        return Problem(kMessageTooLong, page, control);
    }
    Result<int> check = MeasureField(text, page, control, extensions);
    if (check && ChoiceNeedsLineBreak(text)) {
        ++check.value();
    }
    return check;
}

Result<int> CheckFirstTalk(CharacterForm& form, const ExtensionTable& extensions)
{
    if (form.firstLine.empty()) {
        return 1;
    }
    const auto message = [&](std::string& text, const char* control) {
        return CheckMessage(text, kFirstTalkPage, control, kTalkLines, kChoiceWidth, extensions);
    };
    const auto choice = [&](const std::string& text, const char* control) {
        return CheckChoice(text, kFirstTalkPage, control, extensions);
    };

    int total = 0;
    Status problem;
    const bool opening = AddPiece(message(form.firstLine, "Memo2"), total, problem) &&
                         AddPiece(choice(form.firstOk, "Edit57"), total, problem) &&
                         AddPiece(choice(form.firstNg, "Edit58"), total, problem) &&
                         AddPiece(message(form.firstAfterOk, "Memo3"), total, problem);
    if (!opening) {
        return problem.failure();
    }
    ++total; // the second-choice flag
    if (form.secondChoice) {
        const bool second = AddPiece(choice(form.secondOk, "Edit59"), total, problem) &&
                            AddPiece(choice(form.secondNg, "Edit60"), total, problem) &&
                            AddPiece(message(form.joinLine, "Memo4"), total, problem);
        if (!second) {
            return problem.failure();
        }
        ++total; // the maximum-HP flag
        if (form.hpCondition != 0 && !AddPiece(message(form.refuseLine, "Memo5"), total, problem)) {
            return problem.failure();
        }
    }
    if (total > kMaxFirstTalkBytes) {
        return Problem(kEventTooLarge, kFirstTalkPage, "Memo2");
    }
    return total;
}

Result<int> CheckRepeatTalk(CharacterForm& form, const ExtensionTable& extensions)
{
    if (form.firstLine.empty()) {
        return 1;
    }
    const auto message = [&](std::string& text, const char* control) {
        return CheckMessage(text, kRepeatTalkPage, control, kTalkLines, kChoiceWidth, extensions);
    };
    const auto choice = [&](const std::string& text, const char* control) {
        return CheckChoice(text, kRepeatTalkPage, control, extensions);
    };

    int total = 0;
    Status problem;
    const bool ok = AddPiece(message(form.repeatLine, "Memo6"), total, problem) &&
                    AddPiece(choice(form.repeatOk, "Edit61"), total, problem) &&
                    AddPiece(choice(form.repeatNg, "Edit62"), total, problem) &&
                    AddPiece(message(form.repeatAfterOk, "Memo7"), total, problem) &&
                    AddPiece(message(form.repeatAfterNg, "Memo8"), total, problem);
    if (!ok) {
        return problem.failure();
    }
    if (total > kMaxRepeatTalkBytes) {
        return Problem(kEventTooLarge, kRepeatTalkPage, "Memo6");
    }
    return total;
}

std::string CollectFormExtensionChars(const CharacterForm& form, const ExtensionTable& extensions)
{
    const std::array<const std::string*, 16> fields{
        &form.name,     &form.title,         &form.firstLine,     &form.firstOk,
        &form.firstNg,  &form.firstAfterOk,  &form.secondOk,      &form.secondNg,
        &form.joinLine, &form.refuseLine,    &form.repeatLine,    &form.repeatOk,
        &form.repeatNg, &form.repeatAfterOk, &form.repeatAfterNg, &form.lastBattleLine,
    };
    std::string list;
    for (const std::string* field : fields) {
        CollectExtensionChars(*field, list, extensions);
    }
    return list;
}

Result<std::string> CheckCharacterPatch(CharacterForm& form, bool hasSheet,
                                        const PatchCheckSettings& settings,
                                        const ExtensionTable& extensions)
{
    if (!hasSheet) {
        return Problem("画像を指定してください。", -1, "");
    }

    if (Status checked =
            CheckFixedText(form.name, kNameBytes, "名前が長すぎます。", "Edit1", extensions);
        !checked) {
        return checked.failure();
    }

    constexpr const char* kTitleTooLong = "肩書きが長すぎます。";
    if (Utf16Length(form.title) > kMaxTitleUnits) {
        return Problem(kTitleTooLong, -1, "Edit2");
    }
    if (Status checked =
            CheckFixedText(form.title, kTitleBytes, kTitleTooLong, "Edit2", extensions);
        !checked) {
        return checked.failure();
    }

    // The comment is stored in the user's character set, so a character that set cannot hold
    // (or that would read back as another) would be lost: it is refused like an unusable
    // character of a game text.
    if (const auto c = FirstCommentCharNotKept(form.comment)) {
        return Problem("「" + *c + "」は使用できません。", -1, "Memo1");
    }
    // The limit counts the comment as it is stored, each line break as CR LF.
    if (Cp932ByteCount(StoredCommentText(form.comment)).value_or(0) > kMaxCommentBytes) {
        return Problem("コメントが長すぎます", -1, "Memo1");
    }

    for (std::size_t i = 0; i < form.attributes.size(); ++i) {
        if (Status checked = CheckRange(form.attributes[i], kStatusPage, "5～90の範囲外です。", 5,
                                        90, 5, Control("Edit", 3 + static_cast<int>(i)));
            !checked) {
            return checked.failure();
        }
    }
    if (Status checked =
            CheckRange(form.lp, kStatusPage, "3～99の範囲外です。", 3, 99, 128, "Edit10");
        !checked) {
        return checked.failure();
    }
    if (Status checked =
            CheckRange(form.hp, kLevelPage, "30～900の範囲外です。", 30, 900, 30, "Edit33");
        !checked) {
        return checked.failure();
    }
    for (std::size_t i = 0; i < form.levels.size(); ++i) {
        if (Status checked = CheckRange(form.levels[i], kLevelPage, "0～31の範囲外です。", 0, 31, 0,
                                        Control("Edit", 34 + static_cast<int>(i)));
            !checked) {
            return checked.failure();
        }
    }

    NormalizeSkills(form);
    if (Status checked = CheckSpellLevels(form); !checked) {
        return checked.failure();
    }

    for (std::size_t i = 0; i < form.growthRates.size(); ++i) {
        if (Status checked = CheckRange(form.growthRates[i], kGrowthPage, "0～8の範囲外です。", 0,
                                        8, 0, Control("Edit", 42 + static_cast<int>(i)));
            !checked) {
            return checked.failure();
        }
    }

    if (const Result<int> check = CheckFirstTalk(form, extensions); !check) {
        return check.failure();
    }
    if (const Result<int> check = CheckRepeatTalk(form, extensions); !check) {
        return check.failure();
    }
    if (!form.lastBattleLine.empty()) {
        const Result<int> check = CheckMessage(form.lastBattleLine, kLastBattlePage, "Memo9",
                                               kLastBattleLines, kLastBattleWidth, extensions);
        if (!check) {
            return check.failure();
        }
    }

    std::string warning;
    if (!CheckEquipment(form)) {
        if (settings.equipmentCheck == 0) {
            return Problem(kEquipmentMessage, -1, "");
        }
        if (settings.equipmentCheck == 1) {
            warning += std::string(kEquipmentMessage) + "\n";
        }
    }

    if (settings.extensionChar == 1) {
        const std::string used = CollectFormExtensionChars(form, extensions);
        if (!used.empty()) {
            warning += "以下の拡張文字が使用されています。\n「" + used + "」\n";
        }
    }

    if (!warning.empty()) {
        warning += "このまま続けてよろしいですか？";
    }
    return warning;
}

FieldRoom NameRoom(std::string_view text, const ExtensionTable& extensions)
{
    return {GameTextBytes(text, extensions), kNameBytes, RoomUnit::Bytes};
}

FieldRoom TitleRoom(std::string_view text, const ExtensionTable& extensions)
{
    return {GameTextBytes(text, extensions), kTitleBytes, RoomUnit::Bytes};
}

FieldRoom TalkMessageRoom(std::string_view text)
{
    return {text.empty() ? 0 : CountMessageLines(NormaliseMessage(text, kChoiceWidth), kChoiceWidth),
            kTalkLines, RoomUnit::Lines};
}

FieldRoom LastBattleRoom(std::string_view text)
{
    return {text.empty() ? 0
                         : CountMessageLines(NormaliseMessage(text, kLastBattleWidth),
                                             kLastBattleWidth),
            kLastBattleLines, RoomUnit::Lines};
}

FieldRoom ChoiceRoom(std::string_view text)
{
    return {static_cast<int>(Utf8ToU32(ToFullWidth(text)).size()), kChoiceWidth,
            RoomUnit::Characters};
}

FieldRoom CommentRoom(std::string_view text)
{
    return {static_cast<int>(Cp932TypedLength(StoredCommentText(text))),
            static_cast<int>(kMaxCommentBytes), RoomUnit::Bytes};
}

} // namespace varn
