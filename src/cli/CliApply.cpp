#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "rom/RomImageEdit.h"
#include "patchlist/ApplyPatchList.h"
#include "patchlist/PatchListFile.h"
#include "text/Settings.h"

namespace varn::cli {

// apply ROM LIST.txt: the whole patch list on the image, as the page "パッチ適用" applies it,
// without asking. A list file with lines that do not load is not applied at all: a partial
// list would number the songs differently from the list the user wrote.
int RunApply(Arguments arguments, std::ostream& out, std::ostream& err)
{
    ImageChangeOptions options;
    std::vector<std::string> operands;
    if (const auto problem = SplitBackupOption(arguments, operands, options))
        return UsageError(err, *problem);
    if (operands.size() != 2)
        return UsageError(err, "apply takes a ROM image and a list file");
    const std::filesystem::path rom = operands[0];
    // The image may not be the list file; ApplyPatchList sees that it is none of the files the
    // list names.
    const std::filesystem::path listFile = operands[1];
    if (const Status apart = CheckImageChangeInputs(rom, std::span(&listFile, 1), options); !apart)
        return Fail(err, apart.message());
    PatchList list;
    const auto loaded = LoadPatchList(operands[1], list);
    if (!loaded)
        return Fail(err, loaded.message() + "\n" + operands[1]);
    if (loaded.value().anyFailed())
        return Fail(err, kListLoadFailedMessage);

    const MusicConstants music;
    // Each line is flushed as its entry is applied, so a watcher sees how far the list got.
    const auto report = [&out](const PatchEntry& entry) {
        out << "applied " << entry.typeText() << ' ' << entry.fileName();
        if (!entry.targetText().empty())
            out << (entry.kind == PatchKind::Mml ? " as music " : " at target ")
                << entry.targetText();
        out << std::endl;
    };
    Record(options, "apply " + std::filesystem::path(listFile).filename().string() + " (" +
                        std::to_string(list.size()) + "件)");
    const Status applied = ApplyPatchList(list, rom, music, report, options);
    if (!applied)
        return Fail(err, applied.message());
    out << "written " << rom.filename().string() << std::endl;
    return kExitOk;
}

} // namespace varn::cli
