#include "patchlist/PatchPreview.h"

#include <algorithm>
#include <fstream>
#include <string_view>
#include <vector>

#include "charpatch/CharacterPatchFile.h"
#include "graphics/SpriteSheet.h"
#include "music/MML.h"
#include "music/MusicSlots.h"
#include "patchlist/BpsPatch.h"
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

// The bytes of a UTF-8 text cut after `size` bytes, less a character the cut split.
std::size_t WholeUtf8Prefix(std::string_view bytes, std::size_t size)
{
    if (size >= bytes.size())
        return bytes.size();
    // Back to the first byte of the character the cut falls in.
    std::size_t start = size;
    while (start > 0 && size - start < 4 &&
           (static_cast<unsigned char>(bytes[start]) & 0xC0) == 0x80)
        --start;
    return (static_cast<unsigned char>(bytes[start]) & 0xC0) == 0x80 ? size : start;
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
    Result<std::string> info = song.SongInfo();
    return info ? std::move(info).value() : std::string{};
}

std::string PreviewBpsFile(const std::filesystem::path& path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return {};
    const std::uintmax_t fileSize = std::filesystem::file_size(path, error);
    std::ifstream file(path, std::ios::binary);
    if (error || !file)
        return {};
    std::vector<std::uint8_t> start(kBpsHeadRoom);
    file.read(reinterpret_cast<char*>(start.data()), static_cast<std::streamsize>(start.size()));
    start.resize(static_cast<std::size_t>(file.gcount()));
    const std::optional<BpsHead> head = ReadBpsHead(start);
    // A file its head already shows to be no patch for an image is shown as none, as the
    // list would refuse it before reading it.
    if (!head || fileSize < head->metadataOffset + kBpsFooterSize ||
        head->metadataSize > fileSize - head->metadataOffset - kBpsFooterSize ||
        !CheckBpsPatchSize(start, fileSize))
        return {};

    // One byte past the limit tells whether the text was cut.
    std::string metadata(
        static_cast<std::size_t>(std::min<std::uint64_t>(head->metadataSize, kBpsPreviewLimit + 1)),
        '\0');
    file.clear();
    file.seekg(static_cast<std::streamoff>(head->metadataOffset));
    file.read(metadata.data(), static_cast<std::streamsize>(metadata.size()));
    if (file.gcount() != static_cast<std::streamsize>(metadata.size()))
        return {};
    metadata.resize(std::min(metadata.find('\0'), metadata.size()));
    if (metadata.size() > kBpsPreviewLimit)
        metadata.resize(WholeUtf8Prefix(metadata, kBpsPreviewLimit));
    return DecodeTextFileBytes(metadata);
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
