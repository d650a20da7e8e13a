#include "patchlist/PatchPreview.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "charpatch/CharacterPatchFile.h"
#include "graphics/SpriteSheet.h"
#include "music/MML.h"
#include "music/MusicSlots.h"
#include "rom/FileIo.h"
#include "text/Cp932.h"
#include "text/TextCodec.h"

namespace varn {

namespace {

constexpr const char* kCannotOpenMessage = "ファイルが開けません。";
constexpr const char* kBadNameMessage = "名前に不正なコードが含まれています。";
constexpr const char* kBadTitleMessage = "肩書きに不正なコードが含まれています。";

// A patch file as the preview and the GIF export read it: whatever the file holds, its head
// completed with zero bytes where the file ends early.
Result<PatchFile> ReadPatchForPreview(const std::filesystem::path& path)
{
    Result<std::vector<std::uint8_t>> bytes = ReadFileBytes(path);
    if (!bytes)
        return Failure{kCannotOpenMessage};
    std::vector<std::uint8_t>& data = bytes.value();
    if (data.size() < kPatchHeadSize)
        data.resize(kPatchHeadSize, 0);
    return ParsePatchFile(data);
}

} // namespace

std::string VnpPreview::message() const
{
    switch (problem) {
    case VnpPreviewProblem::None:
        return {};
    case VnpPreviewProblem::CannotOpen:
        return kCannotOpenMessage;
    case VnpPreviewProblem::BadName:
        return kBadNameMessage;
    case VnpPreviewProblem::BadTitle:
        break;
    }
    return kBadTitleMessage;
}

bool VnpPreview::removesEntry() const
{
    return problem == VnpPreviewProblem::CannotOpen || problem == VnpPreviewProblem::BadName;
}

VnpPreview PreviewVnpFile(const std::filesystem::path& path, const ExtensionTable& extensions)
{
    VnpPreview preview;
    const Result<PatchFile> read = ReadPatchForPreview(path);
    if (!read) {
        preview.problem = VnpPreviewProblem::CannotOpen;
        return preview;
    }
    const PatchFile& patch = read.value();

    const DecodedText name = DecodeText(patch.name, extensions);
    if (!name.ok) {
        preview.problem = VnpPreviewProblem::BadName;
        return preview;
    }
    preview.name = name.text;
    const DecodedText title = DecodeText(patch.title, extensions);
    if (!title.ok) {
        preview.problem = VnpPreviewProblem::BadTitle;
        return preview;
    }
    preview.title = title.text;
    BuildSheetImage(patch.palette, patch.tiles, preview.sheet);
    if (patch.comment)
        preview.comment = CommentText(*patch.comment);
    return preview;
}

std::string PreviewMmlFile(const std::filesystem::path& path)
{
    Result<std::string> text = ReadMmlFile(path);
    if (!text)
        return {};
    MML song;
    song.source = std::move(text).value();
    return song.SongInfo();
}

Result<GifImage> VnpSheetForGif(const std::filesystem::path& path, int tmpTransparent)
{
    const Result<PatchFile> read = ReadPatchForPreview(path);
    if (!read)
        return Failure{read.message()};
    GifImage sheet;
    BuildSheetImage(read.value().palette, read.value().tiles, sheet);
    // Only the value 1 switches transparency on; the frame keeps index 0 as its transparent
    // colour either way.
    if (tmpTransparent == 1 && sheet.frames.front().control)
        sheet.frames.front().control->transparent = true;
    return sheet;
}

} // namespace varn
