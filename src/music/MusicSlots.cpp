#include "music/MusicSlots.h"

#include <algorithm>

#include "music/MML.h"
#include "music/MusicTitle.h"
#include "music/SongTables.h"
#include "rom/FileIo.h"
#include "rom/RomStream.h"
#include "rom/WritePlan.h"
#include "text/TextFile.h"

namespace varn {

namespace {

constexpr std::uint32_t kPointerEntrySize = 3;

} // namespace

MusicBookkeeping ReadMusicBookkeeping(RomStream& rom, const MusicConstants& music)
{
    MusicBookkeeping book{music.firstMusicNumber, music.musicAreaStart};
    const auto counter = rom.readByte(static_cast<std::uint64_t>(music.musicCounterOffset));
    if (counter && *counter != 0)
        book.nextNumber = *counter;
    const auto pointer = rom.readBytes(static_cast<std::uint64_t>(music.musicPointerOffset), 3);
    if (pointer) {
        const int address = (*pointer)[0] | ((*pointer)[1] << 8) | ((*pointer)[2] << 16);
        if (address != 0)
            book.nextAddress = address;
    }
    return book;
}

bool IsSoundBookkeeping(const MusicBookkeeping& book, const MusicConstants& music)
{
    return book.nextNumber >= music.firstMusicNumber && book.nextAddress >= music.musicAreaStart &&
           book.nextAddress <= music.musicAreaEnd + 1;
}

std::uint64_t MusicImageSizeNeeded(const MusicConstants& music)
{
    std::uint64_t needed = static_cast<std::uint64_t>(music.musicAreaEnd) + 1;
    for (int number = music.firstMusicNumber; number <= music.lastMusicNumber; ++number) {
        const auto entries = SongTableOffsetsForWriting(number);
        if (!entries)
            continue;
        needed = std::max<std::uint64_t>(needed, entries->pointer + kPointerEntrySize);
        needed = std::max<std::uint64_t>(needed, entries->wave + kWaveEntrySize);
        if (entries->drum)
            needed = std::max<std::uint64_t>(needed, *entries->drum + kDrumEntrySize);
    }
    return needed;
}

Result<std::string> ReadMmlFile(const std::filesystem::path& path)
{
    Result<std::string> text = ReadTextFile(path, kMaxMmlFileSize);
    if (!text && text.message() == kFileTooLargeMessage)
        return Failure{kSongTooLargeMessage};
    return text;
}

Result<int> MeasureMmlFile(const std::filesystem::path& path, int musicNumber)
{
    auto text = ReadMmlFile(path);
    if (!text)
        return Failure{text.message()};
    MML mml;
    mml.source = std::move(text).value();
    mml.musicNumber = musicNumber;
    mml.writeAddress = 0;
    return mml.MeasureSong();
}

Status ApplyMusicEntry(RomStream& rom, const std::filesystem::path& path, int musicNumber,
                       const MusicConstants& music)
{
    const Failure failed{kSongFailedMessage + path.filename().string()};
    const MusicBookkeeping book = ReadMusicBookkeeping(rom, music);
    if (!IsSoundBookkeeping(book, music))
        return Failure{kBadBookkeepingMessage};
    auto text = ReadMmlFile(path);
    if (!text)
        return failed;

    // The song must end inside the region: measured first, so nothing is written otherwise.
    MML measure;
    measure.source = text.value();
    measure.musicNumber = musicNumber;
    const auto size = measure.MeasureSong();
    if (!size)
        return failed;
    if (book.nextAddress + size.value() > music.musicAreaEnd + 1)
        return Failure{kRegionExceededMessage};

    MML mml;
    mml.source = std::move(text).value();
    mml.musicNumber = musicNumber;
    mml.writeAddress = book.nextAddress;
    // The song and the bookkeeping after it are written as one plan, so that nothing is
    // written unless all of it fits.
    WritePlan plan;
    if (!mml.PlanCompile(rom, plan))
        return failed;
    const std::size_t songWrites = plan.size();

    const int next = mml.lastAddress + 1;
    const std::uint8_t counter = static_cast<std::uint8_t>(musicNumber + 1);
    const std::uint8_t pointer[3] = {static_cast<std::uint8_t>(next),
                                     static_cast<std::uint8_t>(next >> 8),
                                     static_cast<std::uint8_t>(next >> 16)};
    plan.add(static_cast<std::uint64_t>(music.musicCounterOffset), counter);
    plan.add(static_cast<std::uint64_t>(music.musicPointerOffset), pointer);
    // A write of the song that is not made fails as the song does; one of the bookkeeping's
    // as a write to the file.
    const auto refused = [&](std::size_t i) {
        return i < songWrites ? failed.message : std::string(kCannotWriteFileMessage);
    };
    return plan.writeTo(rom, refused, refused);
}

} // namespace varn
