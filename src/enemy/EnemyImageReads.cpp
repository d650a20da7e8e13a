#include "enemy/EnemyImageReads.h"

#include <algorithm>

#include "text/TextCodec.h"

namespace varn {

TableBlock::TableBlock(RomStream& image, std::uint64_t offset, int entrySize, int count)
    : entrySize_(entrySize)
{
    if (entrySize <= 0 || count <= 0 || offset >= image.size())
        return;
    const std::uint64_t available = (image.size() - offset) / static_cast<std::uint64_t>(entrySize);
    const int present = static_cast<int>(std::min<std::uint64_t>(available, count));
    bytes_.resize(static_cast<std::size_t>(present) * static_cast<std::size_t>(entrySize));
    if (present > 0 && image.readAt(offset, bytes_))
        present_ = present;
}

std::optional<std::span<const std::uint8_t>> TableBlock::entry(int i) const
{
    if (i < 0 || i >= present_)
        return std::nullopt;
    return std::span<const std::uint8_t>(bytes_).subspan(
        static_cast<std::size_t>(i) * static_cast<std::size_t>(entrySize_),
        static_cast<std::size_t>(entrySize_));
}

std::optional<std::uint8_t> ReadByte(RomStream& image, std::uint64_t offset)
{
    const auto bytes = ReadArray<1>(image, offset);
    if (!bytes)
        return std::nullopt;
    return (*bytes)[0];
}

std::optional<std::uint16_t> ReadWord(RomStream& image, std::uint64_t offset)
{
    const auto bytes = ReadArray<2>(image, offset);
    if (!bytes)
        return std::nullopt;
    return static_cast<std::uint16_t>((*bytes)[0] | ((*bytes)[1] << 8));
}

std::string DecodeGameName(std::span<const std::uint8_t> field, const ExtensionTable& extensions)
{
    DecodedText decoded = DecodeText(field, extensions);
    return decoded.ok ? std::move(decoded.text) : std::string();
}

} // namespace varn
