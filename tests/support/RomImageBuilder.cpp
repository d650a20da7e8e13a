#include "support/RomImageBuilder.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace varn::test {

namespace {
constexpr std::size_t kTitleLength = 21;
constexpr std::size_t kVersionDistance = 0x1B;
constexpr std::size_t kCopierHeaderSize = 0x200;
} // namespace

RomImageBuilder::RomImageBuilder(std::size_t size) : image_(size)
{
    // The pattern repeats every 256 bytes: one period is computed and copied along the image,
    // since tests build images of several MiB by the hundred.
    std::array<std::uint8_t, 256> period{};
    for (std::size_t i = 0; i < period.size(); ++i)
        period[i] = static_cast<std::uint8_t>((i * 7 + 3) & 0xFF);
    for (std::size_t at = 0; at < size; at += period.size())
        std::copy_n(period.begin(), std::min(period.size(), size - at),
                    image_.begin() + static_cast<std::ptrdiff_t>(at));
}

RomImageBuilder RomImageBuilder::Target(std::size_t size)
{
    RomImageBuilder builder(size);
    builder.cartridge("VARNHOLD EPICS3", 1);
    return builder;
}

RomImageBuilder RomImageBuilder::ReadyForPatchList()
{
    RomImageBuilder builder(kExpandedSize);
    builder.cartridge("VARNHOLD EPICS3", 1)
        .bytes(0x500000, {0, 0, 0, 0})
        .bytes(0x5A8631, {0x00, 0x00, 0x58});
    return builder;
}

RomImageBuilder& RomImageBuilder::cartridge(std::string_view titleBytes, std::uint8_t version,
                                            bool highMapped)
{
    const std::size_t at = highMapped ? 0xFFC0 : 0x7FC0;
    std::vector<std::uint8_t> title(kTitleLength, ' ');
    std::copy_n(titleBytes.begin(), std::min(titleBytes.size(), kTitleLength), title.begin());
    bytes(at, title);
    return byte(at + kVersionDistance, version);
}

RomImageBuilder& RomImageBuilder::copierHeader(bool present)
{
    copierHeader_ = present;
    return *this;
}

RomImageBuilder& RomImageBuilder::bytes(std::size_t offset, std::vector<std::uint8_t> data)
{
    if (offset > image_.size() || data.size() > image_.size() - offset)
        throw std::out_of_range("RomImageBuilder: bytes past the end of the image");
    std::copy(data.begin(), data.end(), image_.begin() + static_cast<std::ptrdiff_t>(offset));
    return *this;
}

RomImageBuilder& RomImageBuilder::byte(std::size_t offset, std::uint8_t value)
{
    return bytes(offset, {value});
}

std::vector<std::uint8_t> RomImageBuilder::build() const
{
    if (!copierHeader_)
        return image_;
    std::vector<std::uint8_t> image(kCopierHeaderSize, 0);
    image.insert(image.end(), image_.begin(), image_.end());
    return image;
}

} // namespace varn::test
