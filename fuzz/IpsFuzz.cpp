// IPS patches as the patch list and varnwork-cli apply them: only files that begin with
// "PATCH" are taken, and ApplyIpsPatch works on a 64 KiB image held in memory.
//
// The image that comes out is compared with one patched by a plain reading of the format
// written here: records of a three-byte offset and a two-byte size with that many bytes, or
// size 0 with a two-byte run length and the byte to repeat, up to "EOF" or the end of the
// file; a patch with a cut record changes nothing, and writing past the end lengthens the
// image with zero bytes. A patch whose result would pass 1 MiB is left out: lengthening to
// 16 MiB is the same code with more zero bytes, and filling them for every input would take
// most of each second.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "FuzzSupport.h"
#include "patchlist/IpsPatch.h"
#include "rom/RomStream.h"

namespace varn::fuzz {
namespace {

constexpr std::size_t kImageSize = 64 * 1024;
constexpr std::size_t kMaxResultSize = 1024 * 1024;

std::vector<std::uint8_t> StartImage()
{
    std::vector<std::uint8_t> image(kImageSize);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i ^ (i >> 8));
    return image;
}

struct PlainResult {
    bool whole = false;               // false: a record is cut
    std::vector<std::uint8_t> image;  // the patched image of a whole patch
    bool tooLarge = false;            // the result would pass kMaxResultSize
};

// The expected image of a whole patch, or that a record is cut.
PlainResult PatchPlainly(const std::vector<std::uint8_t>& start,
                         std::span<const std::uint8_t> ips)
{
    struct Write {
        std::size_t offset;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Write> writes;
    std::size_t pos = 5;
    const auto number = [&](std::size_t at, std::size_t count) {
        std::size_t value = 0;
        for (std::size_t i = 0; i < count; ++i)
            value = value << 8 | ips[at + i];
        return value;
    };
    while (pos + 3 <= ips.size()) {
        if (ips[pos] == 'E' && ips[pos + 1] == 'O' && ips[pos + 2] == 'F')
            break;
        const std::size_t offset = number(pos, 3);
        pos += 3;
        if (pos + 2 > ips.size())
            return {};
        const std::size_t size = number(pos, 2);
        pos += 2;
        if (size > 0) {
            if (pos + size > ips.size())
                return {};
            writes.push_back({offset,
                              {ips.begin() + static_cast<std::ptrdiff_t>(pos),
                               ips.begin() + static_cast<std::ptrdiff_t>(pos + size)}});
            pos += size;
        } else {
            if (pos + 3 > ips.size())
                return {};
            writes.push_back({offset, std::vector<std::uint8_t>(number(pos, 2), ips[pos + 2])});
            pos += 3;
        }
    }
    std::size_t resultSize = start.size();
    for (const Write& write : writes) {
        if (!write.bytes.empty())
            resultSize = std::max(resultSize, write.offset + write.bytes.size());
    }
    if (resultSize > kMaxResultSize)
        return {true, {}, true};
    std::vector<std::uint8_t> image = start;
    for (const Write& write : writes) {
        if (write.bytes.empty())
            continue;
        if (write.offset + write.bytes.size() > image.size())
            image.resize(write.offset + write.bytes.size(), 0);
        std::copy(write.bytes.begin(), write.bytes.end(),
                  image.begin() + static_cast<std::ptrdiff_t>(write.offset));
    }
    return {true, std::move(image), false};
}

} // namespace
} // namespace varn::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace varn;
    const auto ips = fuzz::Bytes(data, size);
    if (!HasIpsHeader(ips))
        return 0;

    static const std::vector<std::uint8_t> start = fuzz::StartImage();
    const fuzz::PlainResult plain = fuzz::PatchPlainly(start, ips);
    if (plain.tooLarge)
        return 0;
    const std::optional<std::vector<std::uint8_t>> expected =
        plain.whole ? std::optional(plain.image) : std::nullopt;

    MemoryRomStream rom(start);
    const Status applied = ApplyIpsPatch(rom, ips, "fuzz.ips");
    if (expected) {
        fuzz::Require(applied.ok(), "a whole patch applies to a writable image");
        fuzz::Require(rom.bytes() == *expected, "the patched image is what the records say");
    } else {
        fuzz::Require(!applied.ok(), "a patch with a cut record is refused");
        fuzz::Require(rom.bytes() == start, "a refused patch leaves the image as it was");
    }

    // An image that cannot be written is never changed, whatever the patch holds.
    MemoryRomStream readOnly(start, false);
    const Status refused = ApplyIpsPatch(readOnly, ips, "fuzz.ips");
    fuzz::Require(readOnly.bytes() == start, "a read-only image stays as it was");
    if (expected && *expected != start)
        fuzz::Require(!refused.ok(), "a patch that changes bytes fails on a read-only image");
    return 0;
}
