#include <array>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "enemy/EnemyGraphic.h"
#include "enemy/EnemyLists.h"
#include "enemy/EnemyTables.h"
#include "enemy/LoadEnemy.h"
#include "graphics/GifCodec.h"
#include "rom/FileIo.h"
#include "rom/HexText.h"
#include "rom/RomAddress.h"
#include "rom/RomStream.h"

namespace varn::cli {

namespace {

// The positional arguments and the enemy number given with --enemy.
struct EnemyArguments {
    std::vector<std::string> positional;
    std::optional<int> enemy;
    std::string problem; // a bad command line; empty when there is none
};

EnemyArguments ReadArguments(Arguments arguments, bool needsEnemy)
{
    EnemyArguments read;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] != "--enemy") {
            read.positional.push_back(arguments[i]);
            continue;
        }
        if (i + 1 == arguments.size() || read.enemy) {
            read.problem = "--enemy needs one enemy number";
            return read;
        }
        const std::string& text = arguments[++i];
        int value = 0;
        bool hex = !text.empty() && text.size() <= 3;
        for (const char c : text) {
            const int digit = HexDigitValue(c);
            hex = hex && digit >= 0;
            value = value * 16 + (digit < 0 ? 0 : digit);
        }
        if (!hex || value >= kEnemyCount) {
            read.problem = "--enemy takes an enemy number in hexadecimal, 000 to 1FF: " + text;
            return read;
        }
        read.enemy = value;
    }
    if (needsEnemy && !read.enemy)
        read.problem = "--enemy HHH is missing";
    return read;
}

// Opens the image and checks that it offers the enemy.
Result<std::unique_ptr<FileRomStream>> OpenForEnemy(const std::string& path, int enemy)
{
    auto stream = FileRomStream::open(path);
    if (!stream)
        return Failure{stream.message() + "\n" + path};
    if (enemy >= EnemyListSize(IsExpandedImage(*stream.value())))
        return Failure{"敵" + HexDigits(enemy, 4) +
                       "は拡張されたROMイメージ（4MBより大きいもの）にしかありません。\n" + path};
    return stream;
}

const char* YesNo(bool value)
{
    return value ? "yes" : "no";
}

// The label of the selected item, or "(なし)" for a box that shows nothing.
std::string Selected(const EnemyList& list, int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= list.size())
        return "(なし)";
    return list[static_cast<std::size_t>(index)].label;
}

void PrintForm(std::ostream& out, const EnemyLists& lists, const EnemyForm& form)
{
    static constexpr std::array kResistances{"water", "throwing", "sound", "gaze", "float"};
    static constexpr std::array kStats{"strength", "dexterity", "agility", "vitality",
                                       "magic",    "will",      "charm"};
    static constexpr std::array kLevels{"technique level", "spell level", "growth level",
                                        "spark level"};
    static constexpr std::array kEquipment{"weapon 1", "weapon 2", "shield", "armour 1",
                                           "armour 2"};
    static constexpr std::array kDefence{"斬", "打", "突", "射", "熱", "冷", "雷", "状"};
    static constexpr std::array kArmourResistances{"スタン", "毒",   "精神", "暗闇",
                                                   "眠り",   "麻痺", "石化", "気絶"};
    static constexpr std::array kArmourOthers{"水", "投げ", "音波", "凝視", "浮遊"};
    static constexpr std::array kDrops{"100%", "high", "medium", "low"};

    out << "enemy: " << Selected(lists.enemies, form.enemy) << '\n'
        << "name: " << form.name << '\n'
        << "race: " << Selected(RaceItems(), form.race) << '\n'
        << "undead: " << YesNo(form.undead) << '\n'
        << "female: " << YesNo(form.female) << '\n'
        << "male: " << YesNo(form.male) << '\n'
        << "recovery element: " << Selected(RecoveryElementItems(), form.recoveryElement)
        << '\n';
    for (std::size_t i = 0; i < kResistances.size(); ++i)
        out << "resists " << kResistances[i] << ": " << YesNo(form.resistances[i]) << '\n';
    out << "hp: " << form.hp << '\n';
    for (std::size_t i = 0; i < kStats.size(); ++i)
        out << kStats[i] << ": " << form.stats[i] << '\n';
    for (std::size_t i = 0; i < kLevels.size(); ++i)
        out << kLevels[i] << ": " << form.levels[i] << '\n';

    const std::array<const EnemyList*, 5> equipmentLists{&lists.weapons, &lists.weapons,
                                                         &lists.shields, &lists.armours,
                                                         &lists.armours};
    for (std::size_t i = 0; i < kEquipment.size(); ++i) {
        out << kEquipment[i] << ": " << Selected(*equipmentLists[i], form.equipment[i]) << '\n';
        if (i < form.noDisarm.size())
            out << kEquipment[i] << " cannot be disarmed: " << YesNo(form.noDisarm[i]) << '\n';
    }
    const ArmourSummary& summary = form.armourSummary;
    for (std::size_t i = 0; i < kDefence.size(); ++i)
        out << "defence " << kDefence[i] << ": " << summary.defence[i] << '\n';
    const auto ticked = [&](auto names, const auto& flags) {
        std::string shown;
        for (std::size_t i = 0; i < flags.size(); ++i) {
            if (flags[i])
                shown += (shown.empty() ? "" : " ") + std::string(names[i]);
        }
        return shown.empty() ? std::string("(なし)") : shown;
    };
    const std::vector<std::string> recoveries = RecoveryBoxCaptions();
    out << "armour resistances: " << ticked(kArmourResistances, summary.resistances) << ' '
        << ticked(kArmourOthers, summary.armourResistances) << '\n'
        << "armour recovery: " << ticked(recoveries, summary.recovery) << '\n'
        << "armour automatic recovery: " << YesNo(summary.autoRecovery) << '\n';

    for (std::size_t row = 0; row < form.patterns.size(); ++row) {
        out << "pattern " << row + 1 << ": " << Selected(lists.patterns, form.patterns[row])
            << '\n';
        for (std::size_t n = 0; n < form.techniques[row].size(); ++n)
            out << "pattern " << row + 1 << " technique " << n + 1 << ": "
                << Selected(lists.techniques, form.techniques[row][n]) << '\n';
    }
    out << "pattern choice: " << Selected(PatternChoiceItems(), form.patternChoice) << '\n'
        << "technique choice: " << Selected(TechniqueChoiceItems(), form.techniqueChoice) << '\n'
        << "two attacks: " << Selected(lists.twoAttack, form.twoAttack) << '\n';
    for (std::size_t i = 0; i < kDrops.size(); ++i)
        out << "drop " << kDrops[i] << ": " << Selected(lists.dropItems, form.drops[i]) << '\n';
    out << "money: " << (form.money.empty() ? std::string("(なし)") : form.money) << '\n';
}

// enemy show ROM --enemy HHH: the enemy as the page reads it.
int Show(Arguments arguments, std::ostream& out, std::ostream& err)
{
    const EnemyArguments read = ReadArguments(arguments, true);
    if (!read.problem.empty())
        return UsageError(err, read.problem);
    if (read.positional.size() != 1)
        return UsageError(err, "enemy show takes one ROM image and --enemy HHH");
    auto stream = OpenForEnemy(read.positional[0], *read.enemy);
    if (!stream)
        return Fail(err, stream.message());
    RomStream& image = *stream.value();
    const EnemyLists lists = LoadEnemyLists(image);
    EnemyForm form;
    form.enemy = *read.enemy;
    if (const Status loaded = LoadEnemyRecord(image, lists, form); !loaded)
        return Fail(err, loaded.message());
    PrintForm(out, lists, form);
    return kExitOk;
}

// enemy pack PICTURE.gif OUT.bin: the packed graphic of a picture and the box it gets.
int Pack(Arguments arguments, std::ostream& out, std::ostream& err)
{
    if (arguments.size() != 2)
        return UsageError(err, "enemy pack takes PICTURE.gif OUT.bin");
    if (const Status apart = CheckOutputNotInput(arguments[1], {arguments[0]}); !apart)
        return Fail(err, apart.message());
    const Result<GifImage> picture = LoadEnemyPictureFile(arguments[0]);
    if (!picture)
        return Fail(err, picture.message());
    const std::vector<std::uint8_t> packed = PackEnemyGraphic(picture.value());
    if (const Status written = WriteFileAtomically(arguments[1], packed); !written)
        return Fail(err, written.message());
    const EnemyBox box = ChooseEnemyBox(picture.value().width, picture.value().height);
    out << "size: " << HexDigits(static_cast<std::int64_t>(packed.size()), 4) << '\n'
        << "size code: " << HexDigits(EnemySizeCode(box.width, box.height), 2) << '\n'
        << "box: " << 32 * (box.width + 1) << " x " << 32 * (box.height + 1) << '\n'
        << "offsets: " << 8 * box.offsetX << " " << 8 * box.offsetY << '\n';
    return kExitOk;
}

// enemy export ROM --enemy HHH OUT.gif: the graphic the image holds for the enemy.
int Export(Arguments arguments, std::ostream& out, std::ostream& err)
{
    const EnemyArguments read = ReadArguments(arguments, true);
    if (!read.problem.empty())
        return UsageError(err, read.problem);
    if (read.positional.size() != 2)
        return UsageError(err, "enemy export takes ROM --enemy HHH OUT.gif");
    if (const Status apart = CheckOutputNotInput(read.positional[1], {read.positional[0]}); !apart)
        return Fail(err, apart.message());
    auto stream = OpenForEnemy(read.positional[0], *read.enemy);
    if (!stream)
        return Fail(err, stream.message());
    const Result<EnemyGraphic> graphic = ReadEnemyGraphic(*stream.value(), *read.enemy);
    if (!graphic)
        return Fail(err, graphic.message());
    if (const Status saved = SaveGifFile(graphic.value().picture, read.positional[1]); !saved)
        return Fail(err, saved.message());
    const EnemyGraphic& shown = graphic.value();
    out << "graphic number: " << HexDigits(shown.graphicNumber, 4) << '\n'
        << "address: " << HexDigits(shown.address, 6) << '\n'
        << "size: " << HexDigits(shown.packedSize, 4) << '\n'
        << "size code: " << HexDigits(shown.sizeCode, 2) << '\n'
        << "picture: " << shown.picture.width << " x " << shown.picture.height << '\n';
    return kExitOk;
}

} // namespace

// enemy show|pack|export: an enemy's record and its battle graphic.
int RunEnemy(Arguments arguments, std::ostream& out, std::ostream& err)
{
    if (arguments.empty())
        return UsageError(err, "enemy needs show, pack or export");
    const std::string& command = arguments[0];
    if (command == "show")
        return Show(arguments.subspan(1), out, err);
    if (command == "pack")
        return Pack(arguments.subspan(1), out, err);
    if (command == "export")
        return Export(arguments.subspan(1), out, err);
    return UsageError(err, "unknown enemy command: " + command);
}

} // namespace varn::cli
