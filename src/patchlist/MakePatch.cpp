#include "patchlist/MakePatch.h"

#include <algorithm>
#include <string>

#include "patchlist/BpsPatch.h"
#include "patchlist/CreateBpsPatch.h"
#include "patchlist/CreateIpsPatch.h"
#include "patchlist/IpsPatch.h"
#include "rom/FileIo.h"
#include "rom/FileType.h"
#include "rom/RomImageEdit.h"
#include "rom/RomStream.h"

namespace varn {

namespace fs = std::filesystem;

namespace {

// Whether the patch turns `original` into `modified` as the patch list would apply it.
bool PatchGives(PatchFormat format, std::span<const std::uint8_t> patch,
                std::span<const std::uint8_t> original, std::span<const std::uint8_t> modified)
{
    if (format == PatchFormat::Bps) {
        const Result<std::vector<std::uint8_t>> target = ApplyBpsPatch(original, patch, "");
        return target && std::equal(target.value().begin(), target.value().end(), modified.begin(),
                                    modified.end());
    }
    MemoryRomStream image(std::vector<std::uint8_t>(original.begin(), original.end()));
    return HasIpsHeader(patch) && ApplyIpsPatch(image, patch, "") &&
           std::equal(image.bytes().begin(), image.bytes().end(), modified.begin(), modified.end());
}

} // namespace

std::optional<PatchFormat> PatchFormatOf(const fs::path& path)
{
    switch (FileTypeOf(path)) {
    case FileType::Ips:
        return PatchFormat::Ips;
    case FileType::Bps:
        return PatchFormat::Bps;
    default:
        return std::nullopt;
    }
}

Result<std::vector<std::uint8_t>> MakePatch(PatchFormat format,
                                            std::span<const std::uint8_t> original,
                                            std::span<const std::uint8_t> modified,
                                            std::string_view metadata)
{
    Result<std::vector<std::uint8_t>> patch =
        format == PatchFormat::Bps
            ? Result<std::vector<std::uint8_t>>(CreateBpsPatch(original, modified, metadata))
            : CreateIpsPatch(original, modified);
    if (!patch)
        return patch;
    if (!PatchGives(format, patch.value(), original, modified))
        return Failure{kPatchCheckFailedMessage};
    return patch;
}

Result<std::size_t> MakePatchFile(const fs::path& original, const fs::path& modified,
                                  const fs::path& output, std::string_view metadata)
{
    const std::optional<PatchFormat> format = PatchFormatOf(output);
    if (!format)
        return NamedFailure(kNotAPatchFileMessage, output.filename().string());
    if (Status apart = CheckOutputNotInput(output, {original, modified}); !apart)
        return Failure{apart.message()};
    const auto originalBytes = ReadFileBytes(original, kMaxRomImageSize);
    if (!originalBytes)
        return NamedFailure(kCannotOpenFileMessage, original.filename().string());
    const auto modifiedBytes = ReadFileBytes(modified, kMaxRomImageSize);
    if (!modifiedBytes)
        return NamedFailure(kCannotOpenFileMessage, modified.filename().string());

    const Result<std::vector<std::uint8_t>> patch =
        MakePatch(*format, originalBytes.value(), modifiedBytes.value(), metadata);
    if (!patch)
        return Failure{patch.message()};
    if (Status written = WriteFileAtomically(output, patch.value()); !written)
        return Failure{written.message()};
    return patch.value().size();
}

} // namespace varn
