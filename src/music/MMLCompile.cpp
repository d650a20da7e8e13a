#include <algorithm>
#include <optional>
#include <utility>

#include "music/CommandTable.h"
#include "rom/HexText.h"
#include "music/MML.h"
#include "music/PlaybackTables.h"
#include "music/SongBlock.h"
#include "music/SongTables.h"
#include "rom/FileIo.h"
#include "rom/RomStream.h"
#include "rom/WritePlan.h"

namespace varn {

namespace {

constexpr const char* kEmptyFirstChannelMessage = "Channel1にデータがありません。";
// The block's length and its in-song pointers are 16 bits: a larger block cannot be played.
constexpr std::size_t kMaxSongBlockSize = 0xFFFF;
constexpr std::string_view kLoopCountMessage = "ループコマンドの数が不正です。\nChannel = ";
constexpr std::string_view kMapBattleMessage = "マップ別戦闘曲の指定が不正です。\n0x";
constexpr std::string_view kMonsterBattleMessage = "モンスター別戦闘曲の指定が不正です。\n0x";
constexpr std::string_view kMapThemeMessage = "マップ曲の指定が不正です。\n0x";

constexpr std::uint8_t kFirstControlCode = 0xC4;

// The target game's setting commands the state cache follows.
constexpr std::uint8_t kVolumeCode = 0xC4;           // "v" level
constexpr std::uint8_t kVolumeChangeCode = 0xC5;     // "v" time, level reached
constexpr std::uint8_t kPanCode = 0xC6;              // "p" position
constexpr std::uint8_t kPanChangeCode = 0xC7;        // "p" time, position reached
constexpr std::uint8_t kTwoArgumentMCode = 0xC8;     // "m" with two arguments
constexpr std::uint8_t kThreeArgumentMCode = 0xC9;   // "m" with three arguments
constexpr std::uint8_t kMOffCode = 0xCA;             // "m" without arguments
constexpr std::uint8_t kThreeArgumentVCode = 0xCB;   // "v" with three arguments
constexpr std::uint8_t kThreeArgumentPanCode = 0xCD; // "p0,"
constexpr std::uint8_t kEOnCode = 0xD4;              // "%e1"
constexpr std::uint8_t kEOffCode = 0xD5;             // "%e"
constexpr std::uint8_t kInstrumentCode = 0xDC;       // "@"
constexpr std::uint8_t kAValueCode = 0xDD;           // "%A" with one argument
constexpr std::uint8_t kRValueCode = 0xE0;           // "%R"
constexpr std::uint8_t kAResetCode = 0xE1;           // "%A" without arguments
constexpr std::uint8_t kDOnCode = 0xFB;              // "%d1"
constexpr std::uint8_t kDOffCode = 0xFC;             // "%d"

void PutWord(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value)
{
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

// The refusal of a write the image does not reach or does not make: the message and the
// write's offset.
std::string CannotWriteAt(std::int64_t offset)
{
    return std::string(kCannotWriteFileMessage) + "\n0x" + HexDigits(offset, 6);
}

} // namespace

// Lays out the channels one after another behind the 38-byte header, then fills the header
// in. Offsets are file offsets as if the block lay at `writeAddress`.
Result<std::vector<std::uint8_t>> MML::EmitSong()
{
    if (channels[0].empty())
        return Failure{kEmptyFirstChannelMessage};
    const auto blockStart = static_cast<std::uint32_t>(writeAddress);
    std::vector<std::uint8_t> block(kSongHeaderSize);
    std::array<std::optional<std::uint32_t>, kChannelCount> starts;
    for (int k = 0; k < kChannelCount; ++k) {
        const auto start = blockStart + static_cast<std::uint32_t>(block.size());
        if (!EmitChannel(k, block))
            return Failure{error_};
        if (!channels[static_cast<std::size_t>(k)].empty())
            starts[static_cast<std::size_t>(k)] = start;
    }
    if (block.size() > kMaxSongBlockSize)
        return Failure{kSongTooLargeMessage};
    const auto end = blockStart + static_cast<std::uint32_t>(block.size());
    lastAddress = static_cast<int>(end - 1);

    std::array<std::uint32_t, kChannelCount> channelStarts{};
    for (std::size_t k = 0; k < channelStarts.size(); ++k)
        channelStarts[k] = starts[k].value_or(end);
    const auto header = EncodeSongHeader(blockStart, end, channelStarts);
    std::copy(header.begin(), header.end(), block.begin());
    return block;
}

// Writes one channel's statements, leaving out settings the driver is known to hold (the
// state cache), resolving loop breaks to the byte after their loop's end, and ending the
// channel with a jump to the loop point or with the end code.
bool MML::EmitChannel(int k, std::vector<std::uint8_t>& block)
{
    const auto blockStart = static_cast<std::uint32_t>(writeAddress);
    const auto offset = [&] { return blockStart + static_cast<std::uint32_t>(block.size()); };
    const auto loopError = [&] {
        return Fail(std::string(kLoopCountMessage) + std::to_string(k + 1));
    };
    constexpr int kUnknown = StateCache::kUnknown;

    loops.clear();
    cache.empty();
    std::optional<std::uint32_t> loopPoint;
    const auto& statements = channels[static_cast<std::size_t>(k)];
    for (const mmlcom& statement : statements) {
        const std::uint8_t code = statement.code;
        const auto& args = statement.args;
        if (code == kLoopPointCode && statement.argCount == 0) {
            loopPoint = offset();
            cache.empty();
            continue;
        }
        if (code < kFirstControlCode) {
            block.push_back(code);
            continue;
        }

        switch (code) {
        case kLoopStartCode:
            loops.push_back(loopParm{args[0] + 1, -1, StateCache{}});
            cache.empty();
            break;
        case kLoopEndCode:
            if (loops.empty())
                return loopError();
            if (loops.back().breakPos >= 0) {
                const auto at = static_cast<std::size_t>(loops.back().breakPos - blockStart) + 2;
                PutWord(block, at, offset() + 1);
                cache = loops.back().saved;
            }
            loops.pop_back();
            break;
        case kLoopBreakCode:
            if (loops.empty())
                return loopError();
            loops.back().breakPos = offset();
            block.push_back(code);
            block.push_back(static_cast<std::uint8_t>(loops.back().count));
            block.push_back(args[1]);
            block.push_back(args[2]);
            continue;
        case kInstrumentCode:
            if (cache.instrument == args[0])
                continue;
            cache.instrument = args[0];
            cache.aValue = kUnknown;
            cache.rValue = kUnknown;
            break;
        case kThreeArgumentMCode:
            if (cache.m1 == args[0] && cache.m2 == args[1] && cache.m3 == args[2])
                continue;
            cache.m1 = args[0];
            cache.m2 = args[1];
            cache.m3 = args[2];
            break;
        // "m" with two arguments changes what the three-argument form set, so that must be
        // written again; it says nothing about the volume.
        case kTwoArgumentMCode:
        case kMOffCode:
            cache.m1 = kUnknown;
            break;
        case kVolumeCode:
            if (cache.volume == args[0])
                continue;
            cache.volume = args[0];
            break;
        case kVolumeChangeCode:
            cache.volume = args[1];
            break;
        case kThreeArgumentVCode:
            cache.volume = kUnknown;
            break;
        case kPanCode:
            if (cache.pan == args[0])
                continue;
            cache.pan = args[0];
            break;
        case kPanChangeCode:
            cache.pan = args[1];
            break;
        // "p0," moves the pan somewhere its arguments do not tell; the next "p" must be
        // written.
        case kThreeArgumentPanCode:
            cache.pan = kUnknown;
            break;
        case kEOnCode:
            if (cache.eFlag == 1)
                continue;
            cache.eFlag = 1;
            break;
        case kEOffCode:
            if (cache.eFlag == 0)
                continue;
            cache.eFlag = 0;
            break;
        case kAValueCode:
            if (cache.aValue == args[0])
                continue;
            cache.aValue = args[0];
            break;
        case kRValueCode:
            if (cache.rValue == args[0])
                continue;
            cache.rValue = args[0];
            break;
        case kAResetCode:
            cache.aValue = kUnknown;
            cache.rValue = kUnknown;
            break;
        case kDOnCode:
        case kDOffCode:
            cache.empty();
            break;
        default:
            break;
        }
        block.push_back(code);
        for (int i = 0; i < statement.argCount && i < 3; ++i)
            block.push_back(args[static_cast<std::size_t>(i)]);
    }

    if (loopPoint) {
        block.push_back(kJumpCode);
        block.push_back(static_cast<std::uint8_t>(*loopPoint));
        block.push_back(static_cast<std::uint8_t>(*loopPoint >> 8));
    } else if (!statements.empty()) {
        block.push_back(kChannelEndCode);
    }
    return true;
}

// The writing sequence: the song block, its wave, drum and pointer entries, then the music
// number into the playback tables (each list from its back). Everything is planned and
// checked first, so a failure leaves the image as it was.
Status MML::PlanSong(RomStream& stream, WritePlan& plan)
{
    auto block = EmitSong();
    if (!block)
        return Failure{block.message()};
    const auto offsets = SongTableOffsetsForWriting(musicNumber);
    if (!offsets)
        return Failure{kBadMusicNumberMessage + HexDigits(musicNumber, 2)};

    const auto refuse = [&](std::string_view message, int value) -> Status {
        return Failure{std::string(message) + HexDigits(value, 2)};
    };
    for (auto it = mapBattle.rbegin(); it != mapBattle.rend(); ++it) {
        if (*it < 0 || *it >= kMapBattleCount)
            return refuse(kMapBattleMessage, *it);
    }
    for (auto it = monsterBattle.rbegin(); it != monsterBattle.rend(); ++it) {
        if (*it < 0 || *it >= kMonsterBattleCount)
            return refuse(kMonsterBattleMessage, *it);
    }
    for (auto it = mapTheme.rbegin(); it != mapTheme.rend(); ++it) {
        if (*it < 0 || *it >= kMapThemeCount)
            return refuse(kMapThemeMessage, *it);
    }

    // A read-only image, and a block before the start of the image, are refused at the block's
    // write, the first of the plan.
    if (!stream.writable() || writeAddress < 0)
        return Failure{CannotWriteAt(writeAddress)};

    const auto number = static_cast<std::uint8_t>(musicNumber);
    // Added to a copy of the plan, which replaces it only once every write is known to fit.
    WritePlan planned = plan;
    const std::size_t first = planned.size();
    planned.add(static_cast<std::uint64_t>(writeAddress), std::move(block).value());

    std::vector<std::uint8_t> waveEntry;
    for (int wave : waves) {
        waveEntry.push_back(static_cast<std::uint8_t>(wave));
        waveEntry.push_back(static_cast<std::uint8_t>(wave >> 8));
    }
    planned.add(offsets->wave, std::move(waveEntry));
    std::vector<std::uint8_t> drumEntry;
    for (const auto& record : drums) {
        for (int value : record)
            drumEntry.push_back(static_cast<std::uint8_t>(value));
    }
    planned.add(*offsets->drum, std::move(drumEntry));
    const auto pointer = EncodeSongPointer(static_cast<std::uint32_t>(writeAddress));
    planned.add(offsets->pointer, pointer);

    for (auto it = mapBattle.rbegin(); it != mapBattle.rend(); ++it)
        planned.add(kMapBattleTableOffset + static_cast<std::uint64_t>(*it), number);
    for (auto it = monsterBattle.rbegin(); it != monsterBattle.rend(); ++it)
        planned.add(kMonsterBattleTableOffset + static_cast<std::uint64_t>(*it), number);
    // The music number goes into the five bytes at each event-script location, keeping the
    // script's other bits as the writes before leave them.
    bool readFailed = false;
    for (auto it = mapTheme.rbegin(); it != mapTheme.rend(); ++it) {
        const MapTheme& theme = kMapThemes[static_cast<std::size_t>(*it)];
        for (std::uint8_t entry : theme.mapMusicEntries())
            planned.add(kMapMusicTableOffset + entry, number);
        for (std::uint32_t location : theme.eventScriptLocations()) {
            std::vector<std::uint8_t> script(kPackedMusicNumberSize);
            if (planned.readAsPlanned(stream, location, script))
                PackMusicNumber(
                    std::span<std::uint8_t, kPackedMusicNumberSize>(script.data(), script.size()),
                    number);
            else
                readFailed = true;
            planned.add(location, std::move(script));
        }
    }

    for (std::size_t i = first; i < planned.size(); ++i) {
        const ImageWrite& write = planned.writes()[i];
        if (!stream.contains(write.offset, write.bytes.size()))
            return Failure{CannotWriteAt(static_cast<std::int64_t>(write.offset))};
    }
    // Every location lies inside the image, so a script that could not be read was a read
    // that failed.
    if (readFailed)
        return Failure{kReadFailedMessage};
    plan = std::move(planned);
    return {};
}

Status MML::WriteSong(RomStream& stream)
{
    WritePlan plan;
    if (const Status planned = PlanSong(stream, plan); !planned)
        return planned;
    const auto refused = [&](std::size_t i) {
        return CannotWriteAt(static_cast<std::int64_t>(plan.writes()[i].offset));
    };
    return plan.writeTo(stream, refused, refused);
}

Status MML::CompileToStream(RomStream& stream)
{
    if (const Status parsed = Parse(); !parsed)
        return parsed;
    return WriteSong(stream);
}

Status MML::PlanCompile(RomStream& stream, WritePlan& plan)
{
    if (const Status parsed = Parse(); !parsed)
        return parsed;
    return PlanSong(stream, plan);
}

Status MML::CompileToFile(const ImageChangeOptions& options)
{
    if (const Status parsed = Parse(); !parsed)
        return parsed;
    auto edit = RomImageEdit::open(romPath);
    if (!edit)
        return Failure{kCannotOpenFileMessage};
    if (const Status written = WriteSong(edit.value().image()); !written)
        return written;
    return edit.value().commit(options);
}

Result<int> MML::MeasureSong()
{
    if (const Status parsed = Parse(); !parsed)
        return Failure{parsed.message()};
    if (const auto block = EmitSong(); !block)
        return Failure{block.message()};
    return lastAddress + 1;
}

Result<std::string> MML::SongInfo()
{
    info.clear();
    if (const Status parsed = Parse(); !parsed)
        return parsed.failure();
    return info;
}

} // namespace varn
