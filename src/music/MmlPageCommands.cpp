#include "music/MmlPageCommands.h"

#include <system_error>

#include "music/MML.h"
#include "music/MusicSlots.h"
#include "music/MusicTitle.h"
#include "rom/FileIo.h"
#include "rom/HexText.h"
#include "rom/RomHeader.h"
#include "rom/RomImageEdit.h"

namespace varn {

namespace fs = std::filesystem;

namespace {

constexpr int kCopierHeaderSize = 0x200;
constexpr std::uintmax_t kCopierHeaderAlignment = 0x8000;

// "0x" + the text read as an integer: one to eight hexadecimal digits and nothing else.
std::optional<int> HexFieldValue(std::string_view text)
{
    const std::optional<std::uint32_t> value = ParseHex(text, 1, 8);
    if (!value)
        return std::nullopt;
    return static_cast<int>(*value);
}

// The file the page names exists as a file: a folder or a path that leads nowhere does not.
bool FileExists(const std::string& path)
{
    std::error_code error;
    return !path.empty() && fs::is_regular_file(fs::path(path), error);
}

MmlPageMessage Error(std::string_view text, std::string_view caption = kMmlErrorCaption)
{
    return {std::string(text), std::string(caption), MmlMessageIcon::Stop};
}

MmlPageMessage FinishedNormally()
{
    return {std::string(kFinishedNormallyMessage), std::string(kMmlFinishedCaption),
            MmlMessageIcon::Information};
}

} // namespace

int ReadMusicNumberField(std::string_view text)
{
    return HexFieldValue(text).value_or(kFallbackMusicNumber);
}

int ReadWriteAddressField(std::string_view text)
{
    return HexFieldValue(text).value_or(kFallbackWriteAddress);
}

std::string HexFieldText(int value, int digits)
{
    return HexDigits(value, digits);
}

MmlCompileOutcome RunMmlCompile(const MmlCompileRequest& request)
{
    MmlCompileOutcome outcome;
    if (!FileExists(request.mmlPath)) {
        outcome.message = Error(kMmlFileMissingMessage);
        return outcome;
    }
    if (!FileExists(request.romPath)) {
        outcome.message = Error(kRomFileMissingMessage);
        return outcome;
    }
    // The song is compiled into the image, which may not be the song's own file.
    const fs::path mmlFile = request.mmlPath;
    if (Status apart =
            CheckImageChangeInputs(request.romPath, std::span(&mmlFile, 1), request.change);
        !apart) {
        outcome.message = Error(apart.message());
        return outcome;
    }

    MML mml;
    mml.variant = kTargetMusicTitle;
    mml.headerSize = 0;
    mml.romPath = request.romPath;
    mml.musicNumber = ReadMusicNumberField(request.musicNumberText);
    mml.writeAddress = ReadWriteAddressField(request.writeAddressText);
    mml.mapBattle = request.mapBattle;
    mml.monsterBattle = request.monsterBattle;
    mml.mapTheme = request.mapTheme;
    outcome.musicNumberText = HexFieldText(mml.musicNumber, kMusicNumberFieldLength);
    outcome.writeAddressText = HexFieldText(mml.writeAddress, kWriteAddressFieldLength);

    auto text = ReadMmlFile(request.mmlPath);
    if (!text) {
        outcome.message = Error(text.message() + "\n" + request.mmlPath);
        return outcome;
    }
    mml.source = std::move(text).value();
    if (const Status compiled = mml.CompileToFile(request.change); !compiled) {
        outcome.message = Error(compiled.message(), kMmlCompileErrorCaption);
        return outcome;
    }
    outcome.succeeded = true;
    outcome.message = FinishedNormally();
    outcome.lastAddressText = HexFieldText(mml.lastAddress, kWriteAddressFieldLength);
    return outcome;
}

Result<ImageMusicTitle> SelectImageTitle(const fs::path& romPath,
                                         const std::optional<std::string>& title)
{
    const RomHeaderInfo header = ProbeRomHeader(romPath);
    const auto variant = SelectTitle(title ? std::string_view(*title) : header.title);
    if (!variant)
        return Failure{kUnsupportedRomMessage};
    bool copier = header.copierHeader;
    if (header.title.empty()) {
        std::error_code error;
        const std::uintmax_t size = fs::file_size(romPath, error);
        copier = !error && size % kCopierHeaderAlignment == kCopierHeaderSize;
    }
    return ImageMusicTitle{*variant, copier ? kCopierHeaderSize : 0};
}

std::optional<MmlPageMessage> CheckMmlReverseCompile(const std::string& romPath)
{
    if (!FileExists(romPath))
        return Error(kMmlFileMissingMessage);
    return std::nullopt;
}

MmlReverseCompileOutcome RunMmlReverseCompile(const MmlReverseCompileRequest& request)
{
    MmlReverseCompileOutcome outcome;
    if (auto missing = CheckMmlReverseCompile(request.romPath)) {
        outcome.message = std::move(*missing);
        return outcome;
    }
    if (Status apart = CheckOutputNotInput(request.outPath, {request.romPath}); !apart) {
        outcome.message = Error(apart.message());
        return outcome;
    }
    MML mml;
    mml.romPath = request.romPath;
    mml.musicNumber = ReadMusicNumberField(request.musicNumberText);
    mml.outPath = request.outPath;
    const auto title = SelectImageTitle(request.romPath, request.title);
    if (!title) {
        outcome.message = Error(title.message());
        return outcome;
    }
    mml.variant = title.value().variant;
    mml.headerSize = request.headerSize ? *request.headerSize : title.value().headerSize;
    outcome.musicNumberText = HexFieldText(mml.musicNumber, kMusicNumberFieldLength);
    if (const Status written = mml.ReverseCompileToFile(); !written) {
        outcome.message = Error(written.message());
        return outcome;
    }
    outcome.succeeded = true;
    outcome.message = FinishedNormally();
    return outcome;
}

} // namespace varn
