#include "datafiles/DataFiles.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <system_error>

#include "charpatch/ItemLists.h"
#include "enemy/EnemyLabels.h"
#include "music/MusicLabels.h"
#include "rom/FileIo.h"
#include "text/CharacterTable.h"
#include "text/Cp932.h"

namespace varn {

namespace fs = std::filesystem;

namespace {

bool IsSet(const char* variable)
{
    return variable != nullptr && *variable != '\0';
}

DataFileProblem BadFile(const fs::path& path, std::string_view what)
{
    return {path,
            std::string(kBadDataFileMessage) + "\n" + path.string() + "\n" + std::string(what)};
}

// Reads one data file and installs what it holds, or puts the built-in copy back in use: when
// the file is not there (nothing to report) and when it is refused (the problem goes into the
// report). The file is read as the other files users share: UTF-8 with or without a
// byte-order mark, or CP932.
template <class T>
void LoadDataFile(const fs::path& path, Result<T> (*parse)(std::string_view),
                  Status (*install)(const T&), void (*useBuiltIn)(), DataLoadReport& report)
{
    std::error_code error;
    // A path that does not exist reports its error too; a link is there even when what it
    // names is not, and is then refused as a file that cannot be read.
    if (fs::symlink_status(path, error).type() == fs::file_type::not_found) {
        useBuiltIn();
        return;
    }
    const auto bytes = ReadBoundedFile(path, kMaxDataFileSize);
    if (!bytes) {
        useBuiltIn();
        report.problems.push_back(
            bytes.message() == kFileTooLargeMessage
                ? BadFile(path, kDataFileTooLargeMessage)
                : DataFileProblem{path, bytes.message() + "\n" + path.string()});
        return;
    }
    const std::string text = DecodeTextFileBytes(std::string_view(
        reinterpret_cast<const char*>(bytes.value().data()), bytes.value().size()));
    const Result<T> parsed = parse(text);
    if (!parsed) {
        useBuiltIn();
        report.problems.push_back(BadFile(path, parsed.message()));
        return;
    }
    if (const Status installed = install(parsed.value()); !installed) {
        useBuiltIn();
        report.problems.push_back(BadFile(path, installed.message()));
        return;
    }
    report.loaded.push_back(path);
}

} // namespace

fs::path ResolveDataFolder(const std::optional<fs::path>& dataOption, const char* xdgConfigHome,
                           const char* home)
{
    if (dataOption) {
        return *dataOption;
    }
    if (IsSet(xdgConfigHome)) {
        return fs::path(xdgConfigHome) / kDataFolderName;
    }
    if (IsSet(home)) {
        return fs::path(home) / ".config" / kDataFolderName;
    }
    return {};
}

fs::path ResolveDataFolder(const std::optional<fs::path>& dataOption)
{
    return ResolveDataFolder(dataOption, std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

DataLoadReport LoadDataFiles(const fs::path& folder, bool folderRequired)
{
    DataLoadReport report;
    std::error_code error;
    if (folder.empty() || !fs::is_directory(folder, error)) {
        UseBuiltInDataFiles();
        if (folderRequired) {
            report.problems.push_back(
                {folder, std::string(kMissingDataFolderMessage) + "\n" + folder.string()});
        }
        return report;
    }
    LoadDataFile<KanjiOrder>(folder / kKanjiFileName, ParseKanjiOrder, InstallKanjiOrder,
                             UseBuiltInKanjiOrder, report);
    LoadDataFile<ItemLabels>(folder / kItemLabelsFileName, ParseItemLabels, InstallItemLabels,
                             UseBuiltInItemLabels, report);
    LoadDataFile<MusicLabels>(folder / kMusicLabelsFileName, ParseMusicLabels,
                              InstallMusicLabels, UseBuiltInMusicLabels, report);
    LoadDataFile<EnemyLabels>(folder / kEnemyLabelsFileName, ParseEnemyLabels,
                              InstallEnemyLabels, UseBuiltInEnemyLabels, report);
    return report;
}

void UseBuiltInDataFiles()
{
    UseBuiltInKanjiOrder();
    UseBuiltInItemLabels();
    UseBuiltInMusicLabels();
    UseBuiltInEnemyLabels();
}

std::string DataLoadWarning(const DataLoadReport& report)
{
    std::string warning;
    for (const DataFileProblem& problem : report.problems) {
        if (!warning.empty()) {
            warning += "\n\n";
        }
        const std::string name = problem.path.filename().string();
        const bool dataFile = std::find(std::begin(kDataFileNames), std::end(kDataFileNames),
                                        name) != std::end(kDataFileNames);
        warning += problem.message + "\n" +
                   (dataFile ? "組み込みの " + name + " を使います。"
                             : std::string("組み込みのデータを使います。"));
    }
    return warning;
}

} // namespace varn
