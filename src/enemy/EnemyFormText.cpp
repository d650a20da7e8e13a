#include "enemy/EnemyFormText.h"

#include <functional>
#include <optional>
#include <set>

#include "enemy/ApplyEnemy.h"
#include "enemy/EnemyTables.h"
#include "enemy/LoadEnemy.h"
#include "rom/HexText.h"
#include "text/Cp932.h"

namespace varn {

namespace {

// How a key reads and sets its value. `set` returns false for a value it cannot take; with
// `lists` it also refuses patterns and techniques the lists do not offer.
struct EnemyKey {
    std::string name;
    // Reads the value of a form (a copy the reading may not change).
    std::function<std::string(EnemyForm&)> get;
    std::function<bool(EnemyForm&, std::string_view, const EnemyLists*)> set;
};

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// 1 to `digits` hexadecimal digits.
std::optional<int> Hex(std::string_view text, int digits)
{
    const std::optional<std::uint32_t> value =
        ParseHex(Trimmed(text), 1, static_cast<std::size_t>(digits));
    if (!value)
        return std::nullopt;
    return static_cast<int>(*value);
}

std::optional<int> Decimal(std::string_view text)
{
    const std::optional<std::uint32_t> value = ParseDecimal(Trimmed(text), 1, 6);
    if (!value)
        return std::nullopt;
    return static_cast<int>(*value);
}

bool Offers(const EnemyList* list, int index)
{
    return list == nullptr || (index >= 0 && static_cast<std::size_t>(index) < list->size());
}

// A text written on one line: a backslash, a line break and a carriage return are written as
// "\\", "\n" and "\r" (a name holds the game's line break code).
std::string Escaped(std::string_view text)
{
    std::string escaped;
    for (const char c : text) {
        if (c == '\\')
            escaped += "\\\\";
        else if (c == '\n')
            escaped += "\\n";
        else if (c == '\r')
            escaped += "\\r";
        else
            escaped += c;
    }
    return escaped;
}

// The reverse; any other backslash stays as it is.
std::string Unescaped(std::string_view text)
{
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[i + 1];
            if (next == '\\' || next == 'n' || next == 'r') {
                plain += next == 'n' ? '\n' : next == 'r' ? '\r' : '\\';
                ++i;
                continue;
            }
        }
        plain += text[i];
    }
    return plain;
}

template <class T> using Field = std::function<T&(EnemyForm&)>;

EnemyKey TextKey(std::string name, Field<std::string> field)
{
    return {std::move(name),
            [field](EnemyForm& form) {
                return Escaped(field(form));
            },
            [field](EnemyForm& form, std::string_view value, const EnemyLists*) {
                field(form) = Unescaped(value);
                return true;
            }};
}

EnemyKey FlagKey(std::string name, Field<bool> field)
{
    return {std::move(name),
            [field](EnemyForm& form) {
                return std::string(field(form) ? "1" : "0");
            },
            [field](EnemyForm& form, std::string_view value, const EnemyLists*) {
                const std::string_view flag = Trimmed(value);
                if (flag != "0" && flag != "1")
                    return false;
                field(form) = flag == "1";
                return true;
            }};
}

// A code of `digits` hexadecimal digits: the box's value turned into the code shown and back;
// `toCode` gives -1 and an empty value stands for a box that shows nothing, and `fromCode`
// gives nullopt for a code the box cannot hold. `list` names the list built from the image
// that the box's value indexes, if any.
EnemyKey CodeKey(std::string name, int digits, Field<int> field,
                 std::function<int(int)> toCode, std::function<std::optional<int>(int)> fromCode,
                 EnemyList EnemyLists::*list = nullptr)
{
    return {std::move(name),
            [=](EnemyForm& form) {
                const int code = toCode(field(form));
                return code < 0 ? std::string() : HexDigits(code, digits);
            },
            [=](EnemyForm& form, std::string_view text, const EnemyLists* lists) {
                if (Trimmed(text).empty()) {
                    field(form) = -1;
                    return true;
                }
                const std::optional<int> code = Hex(text, digits);
                const std::optional<int> value = code ? fromCode(*code) : std::nullopt;
                if (!value ||
                    (list != nullptr && lists != nullptr && !Offers(&(lists->*list), *value)))
                    return false;
                field(form) = *value;
                return true;
            }};
}

// A number of pixels in steps of `step` from `first`: a box index of the graphic sub-tab.
EnemyKey PixelKey(std::string name, Field<int> field, int step, int first, int last)
{
    return {std::move(name),
            [=](EnemyForm& form) {
                return std::to_string(first + step * field(form));
            },
            [=](EnemyForm& form, std::string_view text, const EnemyLists*) {
                const std::optional<int> pixels = Decimal(text);
                if (!pixels || *pixels < 0 || *pixels > last || (*pixels - first) % step != 0)
                    return false;
                field(form) = (*pixels - first) / step;
                return true;
            }};
}

std::function<std::optional<int>(int)> Within(int last)
{
    return [last](int code) { return code <= last ? std::optional<int>(code) : std::nullopt; };
}

int Same(int value)
{
    return value < 0 ? -1 : value;
}

const std::vector<EnemyKey>& Keys()
{
    static const std::vector<EnemyKey> keys = [] {
        std::vector<EnemyKey> k;
        k.push_back(TextKey("name", [](EnemyForm& f) -> std::string& { return f.name; }));
        k.push_back(TextKey("graphic_address",
                            [](EnemyForm& f) -> std::string& { return f.address; }));
        k.push_back(CodeKey(
            "graphic_number", 3, [](EnemyForm& f) -> int& { return f.graphicNumber; },
            [](int index) { return index + kFirstNewGraphic; },
            [](int code) { return code < kGraphicEnd ? std::optional<int>(code - kFirstNewGraphic)
                                                     : std::nullopt; }));
        // A size code of 4 bits: widths and heights of 0 to 15 units of 32 pixels.
        k.push_back(PixelKey("box_width", [](EnemyForm& f) -> int& { return f.boxWidth; }, 32,
                             32, 480));
        k.push_back(PixelKey("box_height", [](EnemyForm& f) -> int& { return f.boxHeight; }, 32,
                             32, 480));
        // Offsets of 7 bits in units of 8 pixels.
        k.push_back(PixelKey("offset_x", [](EnemyForm& f) -> int& { return f.offsetX; }, 8, 0,
                             127 * 8));
        k.push_back(PixelKey("offset_y", [](EnemyForm& f) -> int& { return f.offsetY; }, 8, 0,
                             255 * 8));
        k.push_back(CodeKey("appearance", 2, [](EnemyForm& f) -> int& { return f.appearance; },
                            Same, Within(0xFF)));

        k.push_back(TextKey("hp", [](EnemyForm& f) -> std::string& { return f.hp; }));
        static constexpr const char* kStats[] = {"strength", "dexterity", "agility", "vitality",
                                                 "magic",    "will",      "charm"};
        for (std::size_t i = 0; i < 7; ++i)
            k.push_back(TextKey(kStats[i], [i](EnemyForm& f) -> std::string& { return f.stats[i]; }));
        static constexpr const char* kLevels[] = {"technique_level", "spell_level",
                                                  "growth_level", "spark_level"};
        for (std::size_t i = 0; i < 4; ++i)
            k.push_back(
                TextKey(kLevels[i], [i](EnemyForm& f) -> std::string& { return f.levels[i]; }));

        k.push_back(CodeKey("recovery_element", 1,
                            [](EnemyForm& f) -> int& { return f.recoveryElement; }, Same,
                            Within(7)));
        static constexpr const char* kResistances[] = {"resist_water", "resist_throwing",
                                                       "resist_sound", "resist_gaze", "float"};
        for (std::size_t i = 0; i < 5; ++i)
            k.push_back(FlagKey(kResistances[i],
                                [i](EnemyForm& f) -> bool& { return f.resistances[i]; }));
        k.push_back(CodeKey("race", 2, [](EnemyForm& f) -> int& { return f.race; }, Same,
                            Within(0x1F)));
        k.push_back(FlagKey("undead", [](EnemyForm& f) -> bool& { return f.undead; }));
        k.push_back(FlagKey("female", [](EnemyForm& f) -> bool& { return f.female; }));
        k.push_back(FlagKey("male", [](EnemyForm& f) -> bool& { return f.male; }));

        // Equipment and drops hold item codes, any the record can store.
        static constexpr const char* kEquipment[] = {"weapon1", "weapon2", "shield", "armour1",
                                                     "armour2"};
        for (std::size_t i = 0; i < 5; ++i)
            k.push_back(CodeKey(kEquipment[i], 4,
                                [i](EnemyForm& f) -> int& { return f.equipment[i]; }, Same,
                                Within(0x1FF)));
        k.push_back(FlagKey("weapon1_no_disarm",
                            [](EnemyForm& f) -> bool& { return f.noDisarm[0]; }));
        k.push_back(FlagKey("weapon2_no_disarm",
                            [](EnemyForm& f) -> bool& { return f.noDisarm[1]; }));

        for (std::size_t row = 0; row < 2; ++row) {
            const std::string pattern = "pattern" + std::to_string(row + 1);
            k.push_back(CodeKey(pattern, 4,
                                [row](EnemyForm& f) -> int& { return f.patterns[row]; }, Same,
                                Within(0x1FF), &EnemyLists::patterns));
            for (std::size_t n = 0; n < 8; ++n)
                k.push_back(CodeKey(
                    pattern + "_technique" + std::to_string(n + 1), 3,
                    [row, n](EnemyForm& f) -> int& { return f.techniques[row][n]; }, Same,
                    Within(0x1FF), &EnemyLists::techniques));
        }

        static constexpr const char* kDrops[] = {"drop_100", "drop_high", "drop_medium",
                                                 "drop_low"};
        for (std::size_t i = 0; i < 4; ++i)
            k.push_back(CodeKey(kDrops[i], 4, [i](EnemyForm& f) -> int& { return f.drops[i]; },
                                Same, Within(0xFFFF)));
        k.push_back(TextKey("money", [](EnemyForm& f) -> std::string& { return f.money; }));
        k.push_back(CodeKey(
            "pattern_choice", 2, [](EnemyForm& f) -> int& { return f.patternChoice; },
            [](int index) { return index < 0 ? -1 : int{PatternChoiceCode(index)}; },
            [](int code) {
                return code < kPatternChoiceItemCount - 1 || code == 0x1F
                           ? std::optional<int>(PatternChoiceIndex(code))
                           : std::nullopt;
            }));
        k.push_back(CodeKey(
            "technique_choice", 2, [](EnemyForm& f) -> int& { return f.techniqueChoice; },
            [](int index) { return index < 0 ? -1 : index << 5; },
            [](int code) {
                return (code & 0x1F) == 0 ? std::optional<int>(code >> 5) : std::nullopt;
            }));
        k.push_back(CodeKey(
            "two_attack", 2, [](EnemyForm& f) -> int& { return f.twoAttack; },
            [](int index) { return index < 0 ? -1 : index == 0 ? 0xFF : index - 1; },
            [](int code) {
                return code == 0xFF                  ? std::optional<int>(0)
                       : code < kTwoAttackSlotCount ? std::optional<int>(code + 1)
                                                    : std::nullopt;
            },
            &EnemyLists::twoAttack));
        return k;
    }();
    return keys;
}

const EnemyKey* FindKey(std::string_view name)
{
    for (const EnemyKey& key : Keys()) {
        if (key.name == name)
            return &key;
    }
    return nullptr;
}

bool IsPatternKey(std::string_view key)
{
    return key == "pattern1" || key == "pattern2";
}

std::string LineProblem(int line, const std::string& what)
{
    return std::to_string(line) + "行目: " + what;
}

std::string CannotTake(const EnemyTextValue& value)
{
    return LineProblem(value.line,
                       "「" + value.key + "」の値「" + value.value + "」は使えません。");
}

} // namespace

std::string EnemyFormText(const EnemyForm& form, const EnemyLists& lists)
{
    std::string text = "# ";
    if (form.enemy >= 0 && static_cast<std::size_t>(form.enemy) < lists.enemies.size())
        text += Escaped(lists.enemies[static_cast<std::size_t>(form.enemy)].label);
    text += '\n';
    EnemyForm values = form;
    for (const EnemyKey& key : Keys())
        text += key.name + "=" + key.get(values) + "\n";

    const ArmourSummary& summary = form.armourSummary;
    text += "# 防御力:";
    for (std::size_t i = 0; i < summary.defence.size(); ++i)
        text += std::string(" ") + kDefenceCaptions[i] + " " + summary.defence[i];
    text += "\n# 耐性:";
    for (std::size_t i = 0; i < summary.resistances.size(); ++i) {
        if (summary.resistances[i])
            text += std::string(" ") + kResistanceCaptions[i];
    }
    for (std::size_t i = 0; i < summary.armourResistances.size(); ++i) {
        if (summary.armourResistances[i])
            text += std::string(" ") + kArmourResistanceCaptions[i];
    }
    text += "\n# 回復:";
    const std::vector<std::string> recoveries = RecoveryBoxCaptions();
    for (std::size_t i = 0; i < summary.recovery.size(); ++i) {
        if (summary.recovery[i])
            text += " " + recoveries[i];
    }
    if (summary.autoRecovery)
        text += " 自動";
    text += '\n';
    return text;
}

Result<std::vector<EnemyTextValue>> ParseEnemyFormText(std::string_view bytes)
{
    if (bytes.size() > kMaxEnemyTextSize)
        return Failure{kFileTooLargeMessage};
    const std::string text = DecodeTextFileBytes(bytes);
    std::vector<EnemyTextValue> values;
    std::set<std::string> seen;
    EnemyForm scratch;
    int line = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        ++line;
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string_view row = std::string_view(text).substr(start, end - start);
        start = end + 1;
        if (row.ends_with('\r'))
            row.remove_suffix(1);
        if (Trimmed(row).empty() || Trimmed(row).starts_with('#'))
            continue;
        const std::size_t equals = row.find('=');
        if (equals == std::string_view::npos)
            return Failure{LineProblem(line, "「=」がありません。")};
        EnemyTextValue value{std::string(Trimmed(row.substr(0, equals))),
                             std::string(row.substr(equals + 1)), line};
        const EnemyKey* key = FindKey(value.key);
        if (key == nullptr)
            return Failure{LineProblem(line, "「" + value.key + "」という項目はありません。")};
        if (!seen.insert(value.key).second)
            return Failure{LineProblem(line, "「" + value.key + "」が二度あります。")};
        if (!key->set(scratch, value.value, nullptr))
            return Failure{CannotTake(value)};
        values.push_back(std::move(value));
    }
    return values;
}

Status ApplyEnemyFormText(const std::vector<EnemyTextValue>& values, RomStream& image,
                          const EnemyLists& lists, EnemyForm& form)
{
    EnemyForm edited = form;
    bool patternsGiven = false;
    for (const EnemyTextValue& value : values) {
        if (!IsPatternKey(value.key))
            continue;
        if (!FindKey(value.key)->set(edited, value.value, &lists))
            return Failure{CannotTake(value)};
        patternsGiven = true;
    }
    if (patternsGiven)
        LoadActionPatterns(image, lists, edited);
    for (const EnemyTextValue& value : values) {
        if (IsPatternKey(value.key))
            continue;
        if (!FindKey(value.key)->set(edited, value.value, &lists))
            return Failure{CannotTake(value)};
    }
    ComboBox43Change(edited);
    form = std::move(edited);
    return {};
}

void ShowEnemyGraphicFields(const EnemyGraphic& graphic, EnemyForm& form)
{
    form.address = HexDigits(graphic.address, 6);
    form.graphicNumber = graphic.graphicNumber - kFirstNewGraphic;
    form.boxWidth = (graphic.sizeCode & 0x0F) - 1;
    form.boxHeight = (graphic.sizeCode >> 4) - 1;
    form.offsetX = graphic.offsetX;
    form.offsetY = graphic.offsetY;
    form.appearance = graphic.appearance;
    form.dataSize = HexDigits(graphic.packedSize, 4);
    form.endAddress = HexDigits(std::int64_t{graphic.address} + graphic.packedSize - 1, 6);
}

std::string EnemyTextKeyOf(std::string_view control)
{
    struct Pair {
        const char* control;
        const char* key;
    };
    static constexpr Pair kPairs[] = {
        {"Edit73", "name"},          {"Edit74", "graphic_address"},
        {"ComboBox31", "graphic_number"}, {"ComboBox32", "box_width"},
        {"ComboBox33", "box_height"}, {"ComboBox34", "offset_x"},
        {"ComboBox35", "offset_y"},  {"ComboBox36", "appearance"},
        {"Edit85", "hp"},            {"Edit78", "strength"},
        {"Edit79", "dexterity"},     {"Edit80", "agility"},
        {"Edit81", "vitality"},      {"Edit82", "magic"},
        {"Edit83", "will"},          {"Edit84", "charm"},
        {"Edit86", "technique_level"}, {"Edit87", "spell_level"},
        {"Edit88", "growth_level"},  {"Edit89", "spark_level"},
        {"ComboBox61", "recovery_element"}, {"ComboBox62", "race"},
        {"ComboBox37", "weapon1"},   {"ComboBox38", "weapon2"},
        {"ComboBox39", "shield"},    {"ComboBox40", "armour1"},
        {"ComboBox41", "armour2"},   {"ComboBox42", "pattern1"},
        {"ComboBox51", "pattern2"},  {"ComboBox66", "drop_100"},
        {"ComboBox67", "drop_high"}, {"ComboBox68", "drop_medium"},
        {"ComboBox69", "drop_low"},  {"Edit94", "money"},
        {"ComboBox63", "pattern_choice"}, {"ComboBox64", "technique_choice"},
        {"ComboBox65", "two_attack"},
    };
    for (const Pair& pair : kPairs) {
        if (control == pair.control)
            return pair.key;
    }
    // The technique boxes: ComboBox43-50 for pattern 1, ComboBox52-59 for pattern 2.
    if (control.starts_with("ComboBox") && control.size() == 10) {
        const int number = (control[8] - '0') * 10 + (control[9] - '0');
        if (number >= 43 && number <= 50)
            return "pattern1_technique" + std::to_string(number - 42);
        if (number >= 52 && number <= 59)
            return "pattern2_technique" + std::to_string(number - 51);
    }
    return {};
}

} // namespace varn
