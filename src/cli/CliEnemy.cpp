#include <array>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "enemy/ApplyEnemy.h"
#include "enemy/EnemyFormText.h"
#include "enemy/EnemyGraphic.h"
#include "enemy/EnemyLists.h"
#include "enemy/EnemyTables.h"
#include "enemy/LoadEnemy.h"
#include "graphics/GifCodec.h"
#include "rom/FileIo.h"
#include "rom/HexText.h"
#include "rom/RomAddress.h"
#include "rom/RomImageEdit.h"
#include "rom/RomStream.h"

namespace varn::cli {

namespace {

// The positional arguments and the enemy number given with --enemy.
struct EnemyArguments {
    std::vector<std::string> positional;
    std::optional<int> enemy;
    std::optional<std::string> picture;
    bool backup = false;
    std::string problem; // a bad command line; empty when there is none
};

// The arguments of an enemy command: the positional ones, --enemy HHH, and for apply
// --picture FILE and --backup.
EnemyArguments ReadArguments(Arguments arguments, bool needsEnemy, bool changesImage = false)
{
    EnemyArguments read;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (changesImage && arguments[i] == "--backup") {
            read.backup = true;
            continue;
        }
        if (changesImage && arguments[i] == "--picture") {
            if (i + 1 == arguments.size() || read.picture) {
                read.problem = "--picture needs one GIF file";
                return read;
            }
            read.picture = arguments[++i];
            continue;
        }
        if (arguments[i].starts_with("--") && arguments[i] != "--enemy") {
            read.problem = "unknown option: " + arguments[i];
            return read;
        }
        if (arguments[i] != "--enemy") {
            read.positional.push_back(arguments[i]);
            continue;
        }
        if (i + 1 == arguments.size() || read.enemy) {
            read.problem = "--enemy needs one enemy number";
            return read;
        }
        const std::string& text = arguments[++i];
        const std::optional<std::uint32_t> value = ParseHex(text, 1, 3);
        if (!value || *value >= kEnemyCount) {
            read.problem = "--enemy takes an enemy number in hexadecimal, 000 to 1FF: " + text;
            return read;
        }
        read.enemy = static_cast<int>(*value);
    }
    if (needsEnemy && !read.enemy)
        read.problem = "--enemy HHH is missing";
    return read;
}

// The refusal of an enemy that an image of 4 MiB or less does not offer.
Status CheckEnemyOffered(RomStream& image, int enemy, const std::string& path)
{
    if (enemy < EnemyListSize(IsExpandedImage(image)))
        return {};
    return Failure{"敵" + HexDigits(enemy, 4) +
                   "は拡張されたROMイメージ（4MBより大きいもの）にしかありません。\n" + path};
}

// Opens the image and checks that it offers the enemy.
Result<std::unique_ptr<FileRomStream>> OpenForEnemy(const std::string& path, int enemy)
{
    auto stream = FileRomStream::open(path);
    if (!stream)
        return Failure{stream.message() + "\n" + path};
    if (const Status offered = CheckEnemyOffered(*stream.value(), enemy, path); !offered)
        return Failure{offered.message()};
    return stream;
}

// A verb that reads an enemy from ROM and writes OUT ("enemy export", "enemy dump"): the
// command line and the image, opened once the line is whole and OUT is not the image. Without
// an image the verb ends with `exitStatus`, the message printed.
struct EnemyOutputCommand {
    EnemyArguments read;
    std::unique_ptr<FileRomStream> image;
    int exitStatus = kExitOk;
};

EnemyOutputCommand OpenForOutput(Arguments arguments, const char* usage, std::ostream& err)
{
    EnemyOutputCommand command;
    command.read = ReadArguments(arguments, true);
    const EnemyArguments& read = command.read;
    if (!read.problem.empty()) {
        command.exitStatus = UsageError(err, read.problem);
    } else if (read.positional.size() != 2) {
        command.exitStatus = UsageError(err, usage);
    } else if (const Status apart = CheckOutputNotInput(read.positional[1], {read.positional[0]});
               !apart) {
        command.exitStatus = Fail(err, apart.message());
    } else if (auto stream = OpenForEnemy(read.positional[0], *read.enemy); !stream) {
        command.exitStatus = Fail(err, stream.message());
    } else {
        command.image = std::move(stream.value());
    }
    return command;
}

// The enemy as the page shows it once read: its record, and the graphic sub-tab set from the
// graphic the image holds for it (the page's defaults when that cannot be read).
Status ReadEnemyForm(RomStream& image, const EnemyLists& lists, int enemy, EnemyForm& form)
{
    form.enemy = enemy;
    if (Status loaded = LoadEnemyRecord(image, lists, form); !loaded)
        return loaded;
    if (const Result<EnemyGraphic> graphic = ReadEnemyGraphic(image, enemy))
        ShowEnemyGraphicFields(graphic.value(), form);
    return {};
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

// The label of the entry showing `code`, as the page shows a code its list lacks too.
std::string SelectedCode(const EnemyList& list, int code)
{
    if (code < 0)
        return "(なし)";
    const int index = EnemyListIndexOf(list, code);
    return index >= 0 ? list[static_cast<std::size_t>(index)].label : UnknownItemLabel(code);
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
        out << kEquipment[i] << ": " << SelectedCode(*equipmentLists[i], form.equipment[i]) << '\n';
        if (i < form.noDisarm.size())
            out << kEquipment[i] << " cannot be disarmed: " << YesNo(form.noDisarm[i]) << '\n';
    }
    const ArmourSummary& summary = form.armourSummary;
    for (std::size_t i = 0; i < kDefenceCaptions.size(); ++i)
        out << "defence " << kDefenceCaptions[i] << ": " << summary.defence[i] << '\n';
    const auto ticked = [&](auto names, const auto& flags) {
        std::string shown;
        for (std::size_t i = 0; i < flags.size(); ++i) {
            if (flags[i])
                shown += (shown.empty() ? "" : " ") + std::string(names[i]);
        }
        return shown.empty() ? std::string("(なし)") : shown;
    };
    const std::vector<std::string> recoveries = RecoveryBoxCaptions();
    out << "armour resistances: " << ticked(kResistanceCaptions, summary.resistances) << ' '
        << ticked(kArmourResistanceCaptions, summary.armourResistances) << '\n'
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
        out << "drop " << kDrops[i] << ": " << SelectedCode(lists.dropItems, form.drops[i]) << '\n';
    out << "money: " << (form.money.empty() ? std::string("(なし)") : form.money) << '\n';
}

// enemy show ROM --enemy HHH: the enemy as the page reads it.
int ShowEnemy(Arguments arguments, std::ostream& out, std::ostream& err)
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
int ExportEnemy(Arguments arguments, std::ostream& out, std::ostream& err)
{
    const EnemyOutputCommand command =
        OpenForOutput(arguments, "enemy export takes ROM --enemy HHH OUT.gif", err);
    if (!command.image)
        return command.exitStatus;
    const EnemyArguments& read = command.read;
    const Result<EnemyGraphic> graphic = ReadEnemyGraphic(*command.image, *read.enemy);
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

// enemy dump ROM --enemy HHH OUT.txt: every value of the page for the enemy, key=value.
int Dump(Arguments arguments, std::ostream& out, std::ostream& err)
{
    const EnemyOutputCommand command =
        OpenForOutput(arguments, "enemy dump takes ROM --enemy HHH OUT.txt", err);
    if (!command.image)
        return command.exitStatus;
    const EnemyArguments& read = command.read;
    RomStream& image = *command.image;
    const EnemyLists lists = LoadEnemyLists(image);
    EnemyForm form;
    if (const Status loaded = ReadEnemyForm(image, lists, *read.enemy, form); !loaded)
        return Fail(err, loaded.message());
    const std::string text = EnemyFormText(form, lists);
    const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    if (const Status written = WriteFileAtomically(read.positional[1], bytes); !written)
        return Fail(err, written.message());
    out << "written " << FileName(read.positional[1]) << '\n';
    return kExitOk;
}

// enemy apply ROM --enemy HHH IN.txt [--picture PICTURE.gif] [--backup]: the enemy as read,
// with the file's values, applied as "適用" applies the page, all or nothing.
int Apply(Arguments arguments, std::ostream& out, std::ostream& err)
{
    const EnemyArguments read = ReadArguments(arguments, true, true);
    if (!read.problem.empty())
        return UsageError(err, read.problem);
    if (read.positional.size() != 2)
        return UsageError(err, "enemy apply takes ROM --enemy HHH IN.txt");
    const std::string& romPath = read.positional[0];
    const std::string& textPath = read.positional[1];
    ImageChangeOptions options;
    options.backup = read.backup;
    std::vector<std::filesystem::path> inputs{textPath};
    if (read.picture)
        inputs.emplace_back(*read.picture);
    if (const Status apart = CheckImageChangeInputs(romPath, inputs, options); !apart)
        return Fail(err, apart.message());
    const auto bytes = ReadBoundedFile(textPath, kMaxEnemyTextSize);
    if (!bytes)
        return Fail(err, bytes.message() + "\n" + textPath);
    const auto values = ParseEnemyFormText(std::string_view(
        reinterpret_cast<const char*>(bytes.value().data()), bytes.value().size()));
    if (!values)
        return Fail(err, values.message() + "\n" + textPath);
    std::optional<GifImage> picture;
    if (read.picture) {
        Result<GifImage> loaded = LoadEnemyPictureFile(*read.picture);
        if (!loaded)
            return Fail(err, loaded.message() + "\n" + *read.picture);
        picture = std::move(loaded.value());
    }

    const int enemy = *read.enemy;
    Record(options, "enemy apply 【" + HexDigits(enemy, 4) + "】");
    const Status applied = ChangeRomImage(
        romPath,
        [&](RomStream& image) -> Status {
            if (Status offered = CheckEnemyOffered(image, enemy, romPath); !offered)
                return offered;
            const EnemyLists lists = LoadEnemyLists(image);
            EnemyForm form;
            if (Status loaded = ReadEnemyForm(image, lists, enemy, form); !loaded)
                return loaded;
            if (picture)
                ShowEnemyPictureFields(*picture, form);
            if (Status edited = ApplyEnemyFormText(values.value(), image, lists, form); !edited)
                return Failure{edited.message() + "\n" + textPath};
            if (const Status done = ApplyEnemy(image, form, picture ? &*picture : nullptr); !done) {
                const std::string key = EnemyTextKeyOf(done.failure().control);
                return Failure{done.message() + (key.empty() ? "" : "\n" + key)};
            }
            return {};
        },
        options);
    if (!applied)
        return Fail(err, applied.message());
    out << "written " << FileName(romPath) << '\n';
    return kExitOk;
}

} // namespace

// enemy show|pack|export: an enemy's record and its battle graphic.
int RunEnemy(Arguments arguments, std::ostream& out, std::ostream& err)
{
    if (arguments.empty())
        return UsageError(err, "enemy needs show, pack, export, dump or apply");
    const std::string& command = arguments[0];
    if (command == "show")
        return ShowEnemy(arguments.subspan(1), out, err);
    if (command == "pack")
        return Pack(arguments.subspan(1), out, err);
    if (command == "export")
        return ExportEnemy(arguments.subspan(1), out, err);
    if (command == "dump")
        return Dump(arguments.subspan(1), out, err);
    if (command == "apply")
        return Apply(arguments.subspan(1), out, err);
    return UsageError(err, "unknown enemy command: " + command);
}

} // namespace varn::cli
