#include <ostream>
#include <string>

#include "cli/Cli.h"
#include "patchlist/ApplyPatchList.h"
#include "patchlist/PatchListFile.h"
#include "rom/Settings.h"

namespace varn::cli {

// apply ROM LIST.txt: the whole patch list on the image, as the page "パッチ適用" applies it,
// without asking. A list file with lines that do not load is not applied at all: a partial
// list would number the songs differently from the list the user wrote.
int RunApply(Arguments arguments, std::ostream& out, std::ostream& err)
{
    if (arguments.size() != 2)
        return UsageError(err, "apply takes a ROM image and a list file");
    const std::filesystem::path rom = arguments[0];
    PatchList list;
    const auto loaded = LoadPatchList(arguments[1], list);
    if (!loaded)
        return Fail(err, loaded.message() + "\n" + arguments[1]);
    if (loaded.value())
        return Fail(err, kListLoadFailedMessage);
    if (list.empty())
        return Fail(err, "パッチファイルを指定してください。");

    const MusicConstants music;
    if (const Status prepared = PrepareMusicEntries(list, rom, music); !prepared)
        return Fail(err, prepared.message());
    const Status applied = ApplyPatchList(list, rom, music, [&out](const PatchEntry& entry) {
        out << "applied " << entry.typeText() << ' ' << entry.fileName();
        if (!entry.targetText().empty())
            out << (entry.kind == PatchKind::Mml ? " as music " : " at target ")
                << entry.targetText();
        out << '\n';
    });
    if (!applied)
        return Fail(err, applied.message());
    return kExitOk;
}

} // namespace varn::cli
