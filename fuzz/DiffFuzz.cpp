// Making patches ("varnwork-cli diff") and applying what was made: every pair of images must
// come back whole through both formats.
//
// The input is two images: the first two bytes give the original's length, the third how the
// modified image is made. Either the rest of the input is the modified image as it stands, or
// it is written over a copy of the original at an offset the next two bytes give (lengthening
// it when it reaches past the end, and, when the third byte says so, cutting the copy right
// after it), which gives pairs that share most of their bytes, as an image and its
// modification do. Every pair must give a BPS patch that MakePatch has already
// checked and that turns the original into the modified image again when applied as the patch
// list applies it, the image lengthened or cut; so must every pair whose modified image is not
// shorter give an IPS patch, and a shorter one is refused for IPS, which cannot cut a file. A
// BPS patch made directly must give its target back, with the metadata it was given.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "patchlist/BpsPatch.h"
#include "patchlist/CreateBpsPatch.h"
#include "patchlist/CreateIpsPatch.h"
#include "patchlist/IpsPatch.h"
#include "patchlist/MakePatch.h"
#include "rom/RomStream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace varn;
    using Bytes = std::vector<std::uint8_t>;
    if (size < 5)
        return 0;
    const std::size_t originalSize = std::min<std::size_t>(size - 5, data[0] << 8 | data[1]);
    const bool overlay = data[2] & 1;
    const std::size_t offset = data[3] << 8 | data[4];
    const auto rest = fuzz::Bytes(data + 5, size - 5);
    const Bytes original(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(originalSize));
    const auto changes = rest.subspan(originalSize);
    Bytes modified;
    if (overlay) {
        modified = original;
        const std::size_t at = original.empty() ? 0 : offset % (original.size() + 1);
        if (modified.size() < at + changes.size() || data[2] & 4)
            modified.resize(at + changes.size(), data[2] & 2 ? 0xFF : 0x00);
        std::copy(changes.begin(), changes.end(), modified.begin() + static_cast<std::ptrdiff_t>(at));
    } else {
        modified.assign(changes.begin(), changes.end());
    }

    for (const PatchFormat format : {PatchFormat::Ips, PatchFormat::Bps}) {
        const Result<Bytes> patch = MakePatch(format, original, modified, "fuzz");
        if (format == PatchFormat::Ips && modified.size() < original.size()) {
            fuzz::Require(patch.message() == kModifiedShorterMessage,
                          "a shorter modified image is refused for IPS");
            continue;
        }
        fuzz::Require(patch.ok(), "a patch is made and passes its own check");
        MemoryRomStream rom(original);
        const Status applied = format == PatchFormat::Ips
                                   ? ApplyIpsPatch(rom, patch.value(), "made.ips")
                                   : ApplyBpsPatch(rom, patch.value(), "made.bps");
        fuzz::Require(applied.ok(), "a made patch applies to the original");
        fuzz::Require(rom.bytes() == modified, "a made patch gives the modified image");
    }

    const std::string metadata(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 3));
    const Bytes bps = CreateBpsPatch(original, modified, metadata);
    const Result<BpsPatch> read = ReadBpsPatch(bps, "made.bps");
    fuzz::Require(read.ok(), "a made BPS patch reads");
    fuzz::Require(std::string(read.value().metadata.begin(), read.value().metadata.end()) ==
                      metadata,
                  "a made BPS patch keeps its metadata");
    const Result<Bytes> target = ApplyBpsPatch(original, bps, "made.bps");
    fuzz::Require(target.ok() && target.value() == modified,
                  "a made BPS patch gives its target, whatever the sizes");
    return 0;
}
