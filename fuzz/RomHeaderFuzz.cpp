// Cartridge header identification as opening an image does it: ProbeRomHeader on an image
// held in memory.
//
// The input is probed twice. First as the image itself (a short file: the probes that lie
// past its end find nothing). Then laid out where the probes look, which a file of a few
// hundred bytes cannot reach: the first two bytes shorten an image of 0x10200 bytes, which
// holds every probe, by up to 0xFFFF bytes; the next 4 x 28 bytes are put at the four probe
// places in file order of kRomHeaderProbes, each its title and the bytes up to its version.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "rom/RomHeader.h"
#include "rom/RomStream.h"

namespace varn::fuzz {
namespace {

constexpr std::size_t kFullSize = 0x10200;
constexpr std::size_t kProbeWindow = kRomVersionDistance + 1;

std::vector<std::uint8_t> LayOut(std::span<const std::uint8_t> input)
{
    const std::size_t shorten = input.size() >= 2 ? input[0] | (input[1] << 8) : 0;
    std::vector<std::uint8_t> image(kFullSize - std::min(shorten, kFullSize));
    std::size_t next = 2;
    for (const RomHeaderProbe& probe : kRomHeaderProbes) {
        for (std::size_t i = 0; i < kProbeWindow && next < input.size(); ++i, ++next) {
            if (probe.titleOffset + i < image.size())
                image[probe.titleOffset + i] = input[next];
        }
    }
    return image;
}

// What identification found must be what the bytes at the probe say, and nothing when no
// probe holds a known title.
void CheckProbe(const std::vector<std::uint8_t>& image)
{
    MemoryRomStream stream(image, false);
    const RomHeaderInfo info = ProbeRomHeader(stream);
    Require(info.version.has_value() == !info.title.empty(), "a version comes with a title");
    Require(!RomVersionText(info).empty() && !RomCopierHeaderText(info).empty(),
            "the header strip has texts to show");
    if (info.title.empty())
        return;

    bool found = false;
    for (const RomHeaderProbe& probe : kRomHeaderProbes) {
        if (probe.copierHeader != info.copierHeader ||
            probe.titleOffset + kProbeWindow > image.size())
            continue;
        const std::string_view title(
            reinterpret_cast<const char*>(image.data()) + probe.titleOffset, kRomTitleLength);
        const bool known =
            probe.highMapped ? IsHighMappedTitle(info.title) : info.title == kLowMappedTitle;
        if (known && RomTitleFromBytes(title, probe.highMapped) == info.title &&
            *info.version ==
                static_cast<std::int8_t>(image[probe.titleOffset + kRomVersionDistance]))
            found = true;
    }
    Require(found, "the title and version found lie at a probe of that kind");
}

} // namespace
} // namespace varn::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace varn;
    const auto input = fuzz::Bytes(data, size);
    fuzz::CheckProbe(std::vector<std::uint8_t>(input.begin(), input.end()));
    fuzz::CheckProbe(fuzz::LayOut(input));
    return 0;
}
