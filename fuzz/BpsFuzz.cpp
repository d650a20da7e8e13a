// BPS patches as the patch list and varnwork-cli bps apply them, to a 256-byte image.
//
// Random bytes seldom carry a checksum that holds, so the input is the part of a patch after
// its header and source size (target size, metadata size, metadata, actions): the target puts
// "BPS1" and the image's size in front and the three checksums behind, the target's taken
// from a plain reading of the format written here. The patch that comes out must then give
// exactly what the plain reading gives, or be refused when the plain reading fails; the input
// as it stands, a patch of its own, must never do more than be refused or give its target.
// Applied to an image stream, the patch replaces the image, longer, shorter or of the same
// size, exactly when it is accepted; a read-only image is never changed. A patch that holds
// together is never larger than the limit its head sets, which the reader judges first.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "patchlist/BpsPatch.h"
#include "patchlist/Crc32.h"
#include "rom/RomStream.h"

namespace varn::fuzz {
namespace {

constexpr std::size_t kImageSize = 256;
// Larger targets are left to the tests: making one is a matter of memory, not of reading.
constexpr std::uint64_t kLargestTarget = 1 << 20;

std::vector<std::uint8_t> StartImage()
{
    std::vector<std::uint8_t> image(kImageSize);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 13 ^ (i >> 3));
    return image;
}

// A number as the format writes it; nullopt when cut or past 64 bits.
std::optional<std::uint64_t> Number(std::span<const std::uint8_t> bytes, std::size_t& pos)
{
    unsigned __int128 value = 0;
    unsigned __int128 shift = 1;
    while (pos < bytes.size()) {
        const std::uint8_t byte = bytes[pos++];
        value += (byte & 0x7F) * shift;
        if (value > UINT64_MAX)
            return std::nullopt;
        if (byte & 0x80)
            return static_cast<std::uint64_t>(value);
        shift <<= 7;
        value += shift;
        if (value > UINT64_MAX)
            return std::nullopt;
    }
    return std::nullopt;
}

struct Plain {
    std::uint64_t targetSize = 0;
    std::optional<std::vector<std::uint8_t>> target; // nullopt: the actions break the format
};

// The target the part after the source size gives, read plainly.
std::optional<Plain> ReadPlainly(std::span<const std::uint8_t> rest,
                                 const std::vector<std::uint8_t>& source)
{
    std::size_t pos = 0;
    const auto targetSize = Number(rest, pos);
    const auto metadataSize = targetSize ? Number(rest, pos) : std::nullopt;
    if (!metadataSize)
        return std::nullopt;
    Plain plain{*targetSize, std::nullopt};
    if (*metadataSize > rest.size() - pos || *targetSize > kLargestTarget)
        return plain;
    pos += static_cast<std::size_t>(*metadataSize);

    std::vector<std::uint8_t> target;
    __int128 sourceCursor = 0;
    __int128 targetCursor = 0;
    while (pos < rest.size()) {
        const auto action = Number(rest, pos);
        if (!action)
            return plain;
        const unsigned __int128 length = (*action >> 2) + static_cast<unsigned __int128>(1);
        if (target.size() + length > *targetSize)
            return plain;
        const int kind = static_cast<int>(*action & 3);
        if (kind == 0) {
            if (target.size() + length > source.size())
                return plain;
            for (std::size_t i = 0; i < length; ++i)
                target.push_back(source[target.size()]);
        } else if (kind == 1) {
            if (length > rest.size() - pos)
                return plain;
            for (std::size_t i = 0; i < length; ++i)
                target.push_back(rest[pos++]);
        } else {
            const auto move = Number(rest, pos);
            if (!move)
                return plain;
            __int128& cursor = kind == 2 ? sourceCursor : targetCursor;
            cursor += (*move & 1) ? -static_cast<__int128>(*move >> 1)
                                  : static_cast<__int128>(*move >> 1);
            if (cursor < 0)
                return plain;
            for (std::size_t i = 0; i < length; ++i) {
                if (kind == 2 ? cursor >= static_cast<__int128>(source.size())
                              : cursor >= static_cast<__int128>(target.size()))
                    return plain;
                const auto at = static_cast<std::size_t>(cursor++);
                target.push_back(kind == 2 ? source[at] : target[at]);
            }
        }
    }
    if (target.size() != *targetSize)
        return plain;
    plain.target = std::move(target);
    return plain;
}

void AppendLittle(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

} // namespace
} // namespace varn::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace varn;
    static const std::vector<std::uint8_t> source = fuzz::StartImage();
    const auto rest = fuzz::Bytes(data, size);

    // The input as a patch of its own: a random file is refused; one that is accepted gives a
    // target whose checksum it names, so it is what it promised.
    const std::optional<BpsHead> head = ReadBpsHead(rest);
    if (!head || head->targetSize <= fuzz::kLargestTarget) {
        const Result<std::vector<std::uint8_t>> own = ApplyBpsPatch(source, rest, "own.bps");
        if (own) {
            const Result<BpsPatch> read = ReadBpsPatch(rest, "own.bps");
            fuzz::Require(read.ok() && Crc32(own.value()) == read.value().targetCrc,
                          "an accepted patch gives the target it names");
        }
    }

    const std::optional<fuzz::Plain> plain = fuzz::ReadPlainly(rest, source);
    if (plain && plain->targetSize > fuzz::kLargestTarget)
        return 0;
    std::vector<std::uint8_t> patch{'B', 'P', 'S', '1'};
    AppendBpsNumber(patch, source.size());
    patch.insert(patch.end(), rest.begin(), rest.end());
    fuzz::AppendLittle(patch, Crc32(source));
    fuzz::AppendLittle(patch, plain && plain->target ? Crc32(*plain->target) : 0x5A5A5A5Au);
    fuzz::AppendLittle(patch, Crc32(patch));

    const Result<std::vector<std::uint8_t>> target = ApplyBpsPatch(source, patch, "fuzz.bps");
    if (plain && plain->target) {
        const std::optional<BpsHead> patchHead = ReadBpsHead(patch);
        fuzz::Require(patchHead && patch.size() <= BpsPatchSizeLimit(*patchHead),
                      "a patch that holds together is within the limit of its head");
        fuzz::Require(target.ok(), "a patch that holds together applies");
        fuzz::Require(target.value() == *plain->target, "the target is what the actions say");
    } else {
        fuzz::Require(!target.ok(), "a patch that breaks the format is refused");
        fuzz::Require(target.message() == std::string("ファイルが異常です。\nfuzz.bps"),
                      "a patch that breaks the format is abnormal");
    }

    MemoryRomStream rom(source);
    const Status applied = ApplyBpsPatch(rom, patch, "fuzz.bps");
    if (target) {
        fuzz::Require(applied.ok(), "an accepted patch applies to the image");
        fuzz::Require(rom.bytes() == target.value(), "the image becomes the target");
        // A cut image lengthened again holds zero bytes where the cut bytes were.
        if (rom.bytes().size() < source.size()) {
            const std::size_t cut = rom.bytes().size();
            fuzz::Require(rom.extend(source.size()) &&
                              std::all_of(rom.bytes().begin() + static_cast<std::ptrdiff_t>(cut),
                                          rom.bytes().end(), [](std::uint8_t b) { return b == 0; }),
                          "a cut image grows again with zero bytes");
        }
    } else {
        fuzz::Require(!applied.ok(), "a refused patch fails on the image");
        fuzz::Require(rom.bytes() == source, "a refused patch leaves the image as it was");
    }

    MemoryRomStream readOnly(source, false);
    (void)ApplyBpsPatch(readOnly, patch, "fuzz.bps");
    fuzz::Require(readOnly.bytes() == source, "a read-only image stays as it was");
    return 0;
}
