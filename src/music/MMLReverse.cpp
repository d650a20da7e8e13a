#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

#include "music/CommandTable.h"
#include "music/MML.h"
#include "music/MusicTitle.h"
#include "music/NoteCode.h"
#include "music/SongBlock.h"
#include "music/SongTables.h"
#include "rom/FileIo.h"
#include "rom/HexText.h"
#include "rom/RomStream.h"
#include "text/Cp932.h"

namespace varn {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kWaveBanner = "{--------------- 波形定義 ---------------}";
constexpr std::string_view kDrumBanner = "{--------------- ドラムセット定義 ---------------}";
constexpr std::string_view kChannelBannerStart = "{--------------- チャンネル";
constexpr std::string_view kChannelBannerEnd = "---------------}";
constexpr std::string_view kLoopStartName = "[";
constexpr int kWaveSlots = 16;
constexpr int kFirstWaveInstrument = 0x20;

std::string OutsideImage(std::uint64_t offset)
{
    return kSongOutsideImageMessage + HexDigits(static_cast<std::int64_t>(offset), 6);
}

// An argument byte as MML writes it: decimal, or "0x" and two hexadecimal digits.
void AppendArgument(std::string& text, int value, bool decimal)
{
    if (decimal) {
        text += std::to_string(value);
    } else {
        text += "0x";
        text += HexDigits(value, 2);
    }
}

// A command with its argument bytes as the title's table says to write it. The loop start
// stores the number of passes minus one and is written with the number of passes.
void AppendCommand(std::string& text, const CommandTableEntry& entry,
                   const std::array<std::uint8_t, 3>& args)
{
    const int count = std::clamp(entry.argCount, 0, 3);
    const auto arg = [&](int i) { return static_cast<int>(args[static_cast<std::size_t>(i)]); };
    switch (entry.render) {
    case ArgumentRender::Dropped:
        return;
    case ArgumentRender::SecondOnly:
        if (count == 2) {
            text += entry.name;
            AppendArgument(text, arg(1), entry.decimal);
            return;
        }
        break;
    case ArgumentRender::SplitWithF:
        if (count == 2) {
            text += entry.name;
            AppendArgument(text, arg(0), entry.decimal);
            text += "%f";
            AppendArgument(text, arg(1), entry.decimal);
            return;
        }
        break;
    default:
        break;
    }
    text += entry.name;
    for (int i = 0; i < count; ++i) {
        int value = arg(i);
        if (i == count - 1) {
            if (entry.render == ArgumentRender::LastPlusTen)
                value = (value + 10) & 0xFF;
            else if (entry.render == ArgumentRender::LastHalved)
                value /= 2;
        }
        if (entry.name == kLoopStartName)
            value += 1;
        if (i > 0)
            text += ',';
        AppendArgument(text, value, entry.decimal);
    }
}

} // namespace

// The song as the reverse compiler reads it: the header and the bytes of its channel data,
// from the data start (right after the header) for as many bytes as the block length says,
// or up to the end of the image when that comes first.
struct MML::LoadedSong {
    SongTableEntry entry;
    SongHeader header;
    std::uint64_t dataStart = 0; // stream offset of the byte the base designates
    std::vector<std::uint8_t> data;
};

Result<MML::LoadedSong> MML::LoadSong(RomStream& stream)
{
    const auto fail = [&](std::string message) -> Result<LoadedSong> {
        return Failure{std::move(message)};
    };
    if (!IsMusicTitle(variant))
        return fail(kUnsupportedRomMessage);
    const std::uint64_t copier = headerSize > 0 ? static_cast<std::uint64_t>(headerSize) : 0;
    auto entry = ReadSongTableEntry(stream, variant, musicNumber, copier);
    if (!entry)
        return fail(entry.message());

    LoadedSong song;
    song.entry = std::move(entry).value();
    if (song.entry.blockOffset == 0)
        return fail(kNoSongMessage);
    const std::uint64_t blockStart = copier + song.entry.blockOffset;
    const auto songHeaderSize =
        static_cast<std::uint64_t>(kMusicTitles[static_cast<std::size_t>(variant)].songHeaderSize);
    if (!stream.contains(blockStart, songHeaderSize))
        return fail(OutsideImage(blockStart));
    auto header = ReadSongHeader(stream, variant, blockStart);
    if (!header)
        return fail(header.message());
    song.header = header.value();
    if (!stream.contains(blockStart, song.header.blockLength))
        return fail(OutsideImage(blockStart));

    // Channels read up to the block length past the data start (the length counts from the
    // block's first byte, so the last bytes may lie beyond the block: they are read only when
    // a channel does not end before them, and only inside the image).
    song.dataStart = blockStart + songHeaderSize;
    const std::uint64_t size = stream.size();
    const std::uint64_t available = song.dataStart < size ? size - song.dataStart : 0;
    song.data.resize(static_cast<std::size_t>(
        std::min<std::uint64_t>(song.header.blockLength, available)));
    if (!stream.readAt(song.dataStart, song.data))
        return fail(kReadFailedMessage);
    return song;
}

// Decodes one channel from its pointer, command by command, until a command named ";" (the
// end or the jump) or the end pointer. Every command's text is kept with its in-song address,
// so that the jump's target can be marked with "$". In-song addresses are 16 bits: the distance
// from the base is taken modulo 65536, so a block that crosses a 64 KiB boundary reads as one
// piece, and no byte at or past the block length from the data start is read.
Result<std::string> MML::DecodeLoadedChannel(const LoadedSong& song, int k)
{
    const MusicTitle& title = kMusicTitles[static_cast<std::size_t>(variant)];
    const CommandTable& table = kCommandTables[static_cast<std::size_t>(variant)];
    const bool fifteenLengths = NoteLengthCount(variant) == 15;
    const SongHeader& header = song.header;
    const std::uint32_t blockLength = header.blockLength;

    // The byte at distance d from the data start; nothing past the end of the image.
    const auto byteAt = [&](std::uint32_t d) -> std::optional<std::uint8_t> {
        if (d >= song.data.size())
            return std::nullopt;
        return song.data[d];
    };
    const auto outside = [&](std::uint32_t d) -> Result<std::string> {
        return Failure{OutsideImage(song.dataStart + d)};
    };

    struct Mark {
        std::uint16_t address;
        std::size_t textPos;
    };
    std::vector<Mark> marks;
    std::string text;
    bool ended = false;
    auto a = header.channelPointers[static_cast<std::size_t>(k - 1) & 7];
    while (a != header.end) {
        const std::uint32_t d = static_cast<std::uint16_t>(a - header.base);
        if (d >= blockLength)
            break;
        const auto code = byteAt(d);
        if (!code)
            return outside(d);

        if (*code < title.baseCode) {
            const SplitNote note = *SplitNoteCode(variant, *code);
            marks.push_back({a, text.size()});
            text += PitchName(variant, note.pitch);
            text += fifteenLengths ? kLengthTexts15[static_cast<std::size_t>(note.length)]
                                   : kLengthTexts14[static_cast<std::size_t>(note.length)];
            a = static_cast<std::uint16_t>(a + 1);
            continue;
        }

        const CommandTableEntry& entry = table[static_cast<std::size_t>(*code - title.baseCode)];
        if (entry.name == kErrName)
            return Failure{kUnknownControlCodeMessage + HexDigits(*code, 2)};
        const int count = std::clamp(entry.argCount, 0, 3);
        // A command cut off by the block's end ends the channel.
        if (d + 1 + static_cast<std::uint32_t>(count) > blockLength)
            break;
        std::array<std::uint8_t, 3> args{};
        for (int i = 0; i < count; ++i) {
            const auto arg = byteAt(d + 1 + static_cast<std::uint32_t>(i));
            if (!arg)
                return outside(d + 1 + static_cast<std::uint32_t>(i));
            args[static_cast<std::size_t>(i)] = *arg;
        }

        marks.push_back({a, text.size()});
        if (entry.name == kLoopBreakName) {
            text += kLoopBreakName;
        } else if (entry.name == kChannelEndName) {
            // The jump returns to the loop point: "$" goes before the command it designates,
            // this one included (a loop point at the very end of the channel).
            if (count == 2) {
                const auto target = static_cast<std::uint16_t>(args[0] | (args[1] << 8));
                const auto found = std::find_if(marks.begin(), marks.end(), [&](const Mark& mark) {
                    return mark.address == target;
                });
                if (found != marks.end())
                    text.insert(found->textPos, "$");
            }
            text += kChannelEndName;
            ended = true;
            break;
        } else {
            AppendCommand(text, entry, args);
        }
        a = static_cast<std::uint16_t>(a + 1 + count);
    }
    // A channel that stops without its end code (an empty channel among them) is still ended,
    // so that a recompiled file keeps every channel in its place.
    if (!ended)
        text += kChannelEndName;
    return text;
}

Result<std::string> MML::DecodeChannel(RomStream& stream, int k)
{
    if (k < 1 || k > kChannelCount)
        return Failure{kReadFailedMessage};
    auto song = LoadSong(stream);
    if (!song)
        return Failure{song.message()};
    return DecodeLoadedChannel(song.value(), k);
}

Result<std::string> MML::ReverseCompile(RomStream& stream)
{
    auto loaded = LoadSong(stream);
    if (!loaded)
        return Failure{loaded.message()};
    const LoadedSong& song = loaded.value();

    std::string text;
    text.reserve(song.data.size() * 4 + 1024);
    const auto line = [&](std::string_view piece) {
        text += piece;
        text += kLineEnd;
    };
    line(kWaveBanner);
    for (int i = 0; i < kWaveSlots; ++i) {
        text += "#WAVE 0x";
        text += HexDigits(kFirstWaveInstrument + i, 2);
        text += ", 0x";
        text += HexDigits(song.entry.waves[static_cast<std::size_t>(i)], 2);
        line(";");
    }
    if (song.entry.drums) {
        line("");
        line(kDrumBanner);
        for (std::size_t j = 0; j < kDrumPitchClasses.size(); ++j) {
            const auto& record = (*song.entry.drums)[j];
            std::array<char, 16> values{};
            std::snprintf(values.data(), values.size(), ", %3u, %3u;", unsigned{record[1]},
                          unsigned{record[2]});
            std::string name(kDrumPitchClasses[j]);
            name.resize(2, ' ');
            text += "#DRUM ";
            text += name;
            text += ", 0x";
            text += HexDigits(record[0], 2);
            line(values.data());
        }
    }
    line("");
    for (int k = 1; k <= kChannelCount; ++k) {
        text += kChannelBannerStart;
        text += std::to_string(k);
        line(kChannelBannerEnd);
        const auto channelText = DecodeLoadedChannel(song, k);
        if (!channelText)
            return Failure{channelText.message()};
        line(channelText.value());
    }
    return text;
}

Status MML::ReverseCompileToFile()
{
    if (Status apart = CheckOutputNotInput(outPath, {romPath}); !apart)
        return apart;
    auto stream = FileRomStream::open(romPath);
    if (!stream)
        return Failure{kCannotOpenFileMessage};
    const auto text = ReverseCompile(*stream.value());
    if (!text)
        return Failure{text.message()};
    const std::string bytes = EncodeTextFileBytes(text.value());
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    return WriteFileAtomically(outPath, {data, bytes.size()});
}

} // namespace varn
