#include "music/SongBlock.h"

#include <span>

#include "rom/HexText.h"
#include "music/MusicTitle.h"
#include "music/SongTables.h"
#include "rom/RomAddress.h"
#include "rom/RomStream.h"

namespace varn {

namespace {

void PutWord(std::span<std::uint8_t> bytes, std::size_t at, std::uint32_t value)
{
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

std::uint16_t Word(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

} // namespace

std::array<std::uint8_t, kSongHeaderSize>
EncodeSongHeader(std::uint32_t blockStart, std::uint32_t end,
                 const std::array<std::uint32_t, kSongChannelCount>& channelStarts)
{
    std::array<std::uint8_t, kSongHeaderSize> header{};
    PutWord(header, 0, end - blockStart);
    PutWord(header, 2, channelStarts[0]);
    PutWord(header, 4, end);
    for (std::size_t k = 0; k < kSongChannelCount; ++k) {
        PutWord(header, 6 + 2 * k, channelStarts[k]);
        PutWord(header, 22 + 2 * k, channelStarts[k]);
    }
    return header;
}

Result<SongHeader> ReadSongHeader(RomStream& stream, int title, std::uint64_t blockStart)
{
    if (!IsMusicTitle(title))
        return Failure{kReadFailedMessage};
    const int headerSize = kMusicTitles[static_cast<std::size_t>(title)].songHeaderSize;
    const auto bytes = stream.readBytes(blockStart, static_cast<std::size_t>(headerSize));
    if (!bytes)
        return Failure{kReadFailedMessage};

    SongHeader header;
    header.blockLength = Word(*bytes, 0);
    std::size_t pointers = 2;
    if (headerSize == kSongHeaderSize) {
        header.base = Word(*bytes, 2);
        header.end = Word(*bytes, 4);
        pointers = 6;
    } else {
        header.base = kLowMappedSongBase;
    }
    for (std::size_t k = 0; k < kSongChannelCount; ++k)
        header.channelPointers[k] = Word(*bytes, pointers + 2 * k);
    return header;
}

std::uint64_t ChannelStreamOffset(int title, std::uint64_t blockStart, const SongHeader& header,
                                  int channel)
{
    const int headerSize = IsMusicTitle(title)
                               ? kMusicTitles[static_cast<std::size_t>(title)].songHeaderSize
                               : kSongHeaderSize;
    const auto pointer = header.channelPointers[static_cast<std::size_t>(channel) & 7];
    const auto distance = static_cast<std::uint16_t>(pointer - header.base);
    return blockStart + static_cast<std::uint64_t>(headerSize) + distance;
}

Result<SongTableEntry> ReadSongTableEntry(RomStream& stream, int title, int musicNumber,
                                          std::uint64_t headerSize)
{
    const auto offsets = SongTableOffsets(title, musicNumber);
    if (!offsets)
        return Failure{kBadMusicNumberMessage + HexDigits(musicNumber, 2)};

    SongTableEntry entry;
    const auto pointer = stream.readBytes(headerSize + offsets->pointer, kSongPointerEntrySize);
    const auto waves = stream.readBytes(headerSize + offsets->wave, kWaveEntrySize);
    if (!pointer || !waves)
        return Failure{kReadFailedMessage};
    entry.blockOffset = DecodeSongPointer(
        title, PointerFromBytes(std::span<const std::uint8_t, 3>(pointer->data(), 3)));
    for (std::size_t i = 0; i < entry.waves.size(); ++i)
        entry.waves[i] = Word(*waves, 2 * i);

    if (offsets->drum) {
        const auto drums = stream.readBytes(headerSize + *offsets->drum, kDrumEntrySize);
        if (!drums)
            return Failure{kReadFailedMessage};
        auto& records = entry.drums.emplace();
        for (std::size_t j = 0; j < records.size(); ++j)
            records[j] = {(*drums)[3 * j], (*drums)[3 * j + 1], (*drums)[3 * j + 2]};
    }
    return entry;
}

} // namespace varn
