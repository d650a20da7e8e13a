#include <algorithm>
#include <ostream>
#include <string>

#include "charpatch/ItemLists.h"
#include "cli/Cli.h"

namespace varn::cli {

namespace {

DataFolderState& State()
{
    static DataFolderState state;
    return state;
}

// The list a keyword of the item label file names, as the editor shows it.
const ItemList* ListOf(std::string_view keyword)
{
    const std::pair<std::string_view, const ItemList& (*)()> lists[] = {
        {"weapon", WeaponItems},       {"armour", ArmourItems},
        {"technique", TechniqueItems}, {"spell", SpellItems},
        {"formation", FormationItems}, {"exclusive", ExclusiveWeaponItems},
        {"commander", CommanderItems}, {"target", CharacterTargetItems},
    };
    for (const auto& [name, items] : lists) {
        if (name == keyword)
            return &items();
    }
    return nullptr;
}

// data check: which copy of each data file is in use; fails when a file was refused (its
// message has been printed on standard error before the verb ran).
int Check(std::ostream& out)
{
    const DataFolderState& state = CurrentDataFolderState();
    out << "folder: " << (state.folder.empty() ? std::string("(なし)") : state.folder.string())
        << '\n';
    for (const std::string_view name : kDataFileNames) {
        const auto& loaded = state.report.loaded;
        const auto found = std::find_if(loaded.begin(), loaded.end(),
                                        [&](const auto& path) { return path.filename() == name; });
        out << name << ": " << (found == loaded.end() ? std::string("組み込み") : found->string())
            << '\n';
    }
    return state.report.ok() ? kExitOk : kExitFailure;
}

// data labels LIST: the items of a named selection list, one label a line.
int Labels(Arguments arguments, std::ostream& out, std::ostream& err)
{
    if (arguments.size() != 1)
        return UsageError(err, "data labels takes one list");
    const ItemList* items = ListOf(arguments[0]);
    if (items == nullptr) {
        std::string known;
        for (const std::string_view name : ItemLabelListNames())
            known += " " + std::string(name);
        return UsageError(err, "unknown list: " + arguments[0] + " (lists:" + known + ")");
    }
    for (const ListItem& item : *items)
        out << item.label << '\n';
    return kExitOk;
}

} // namespace

void SetDataFolderState(DataFolderState state)
{
    State() = std::move(state);
}

const DataFolderState& CurrentDataFolderState()
{
    return State();
}

int RunData(Arguments arguments, std::ostream& out, std::ostream& err)
{
    if (arguments.empty())
        return UsageError(err, "data needs check or labels");
    if (arguments[0] == "check")
        return arguments.size() == 1 ? Check(out)
                                     : UsageError(err, "data check takes no arguments");
    if (arguments[0] == "labels")
        return Labels(arguments.subspan(1), out, err);
    return UsageError(err, "unknown data command: " + arguments[0]);
}

} // namespace varn::cli
