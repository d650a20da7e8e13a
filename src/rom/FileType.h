#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace varn {

// The kinds of file the program reads, told apart by the file name's extension in any case:
// the contents are checked by the reader of each kind.
enum class FileType {
    Other,
    PatchList,      // ".txt", a saved patch list
    Ips,            // ".ips"
    Bps,            // ".bps"
    CharacterPatch, // ".vnp"
    Mml,            // ".mml"
    Gif,            // ".gif"
};

// The extension of the file name with its dot, in lower case (ASCII letters only); empty when
// the name has none.
std::string LowerCaseExtension(const std::filesystem::path& path);

FileType FileTypeOf(const std::filesystem::path& path);

// The places of the editor a file can be dropped on that take only some kinds of file.
enum class DropTarget {
    CharacterSheet, // the sheet of "キャラパッチ": a sheet GIF or a character patch
    PatchList,      // the list of "パッチ適用": a list file or any patch the list holds
    EnemyPicture,   // the picture of "モンスター": a GIF
    SkillImage,     // the write panel of "技術グラフィック": a GIF
};

// The kind of a file dropped on `target`, when the target takes that kind; nothing otherwise,
// and the drop is not taken.
std::optional<FileType> DroppedFileType(DropTarget target, const std::filesystem::path& path);

} // namespace varn
