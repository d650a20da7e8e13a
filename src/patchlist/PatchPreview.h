#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

#include "graphics/GifImage.h"
#include "rom/Result.h"
#include "text/ExtensionTable.h"

namespace varn {

// What the page "パッチ適用" shows beside the list for the selected entry, read from the
// entry's file each time it is asked for. Nothing here stays in memory after the call.

// Why a character patch could not be shown whole.
enum class VnpPreviewProblem {
    None,
    CannotOpen, // "ファイルが開けません。"; the entry leaves the list
    BadName,  // "名前に不正なコードが含まれています。"; the entry leaves the list
    BadTitle, // "肩書きに不正なコードが含まれています。"; the entry stays, only its name is shown
};

// The preview of a character patch: its name, title, sprite sheet and comment.
struct VnpPreview {
    VnpPreviewProblem problem = VnpPreviewProblem::None;
    std::string name;    // decoded; empty for CannotOpen and BadName
    std::string title;   // decoded; empty unless the preview is whole
    GifImage sheet;      // the sheet drawn from palette and tiles; no frames unless whole
    std::string comment; // the comment record's text up to its first zero byte, in UTF-8

    // The message to show for the problem; empty when there is none.
    std::string message() const;
    // Whether the entry is taken off the list (the file cannot be read, or its name is not
    // game text).
    bool removesEntry() const;
};

// Reads a character patch for its preview: the name and title are decoded with the text
// codec, the sheet is built from the palette and the tile block, and the records after the
// tile block are walked to the comment record. The magic is not checked (the list did that
// when the file was added); a file cut short reads its missing head bytes as 0, so a name or
// title cut off fails to decode and a sheet cut off shows colour 0 where its tiles are missing.
VnpPreview PreviewVnpFile(const std::filesystem::path& path,
                          const ExtensionTable& extensions = ProcessExtensionTable());

// The information lines of a song file, "曲名：", "作曲：", "原作：" and "著作：" followed by the
// directive's text, in file order, each ended by CR LF. Empty when the file cannot be read or
// its text does not parse.
std::string PreviewMmlFile(const std::filesystem::path& path);

// The metadata of a BPS patch (the text its author wrote about it), for the comment box: read
// as a shared text file (UTF-8, or CP932 when it does not read as UTF-8), up to its first zero
// byte and at most kBpsPreviewLimit bytes (a character cut there is left out). Only the head of the
// file is read, and nothing is checked beyond it: empty when the file cannot be read, is not a BPS
// patch, has no metadata, claims more metadata than it holds or is refused by its head and size
// (CheckBpsPatchSize) as it would be before it is applied.
inline constexpr std::size_t kBpsPreviewLimit = 64 * 1024;
std::string PreviewBpsFile(const std::filesystem::path& path);

// The sprite sheet of a character patch as "GIFで保存" of the patch list saves it: drawn from the
// palette at offset 22 and the tile block after it (missing bytes read as 0), with colour
// index 0 marked transparent on the first frame exactly when `tmpTransparent` is 1. Fails with
// "ファイルが開けません。" when the file cannot be read.
Result<GifImage> VnpSheetForGif(const std::filesystem::path& path, int tmpTransparent);

} // namespace varn
