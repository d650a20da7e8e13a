// MML songs as the patch list and varnwork-cli read them: the input is the song's text, given
// to a fresh MML object per operation as the callers do (Parse and EmitSong, MeasureSong,
// SongInfo).
//
// The operations must agree: MeasureSong succeeds exactly when parsing and laying out do and
// gives the block's size, the block's header says that size, and SongInfo gives the lines the
// parse collected.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "music/MML.h"
#include "music/SongBlock.h"

namespace varn::fuzz {
namespace {

std::uint32_t Word(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    return static_cast<std::uint32_t>(bytes[at] | (bytes[at + 1] << 8));
}

// The header of a block laid out at file offset 0: its length, then every channel start
// inside the block, after the header.
void CheckBlock(const std::vector<std::uint8_t>& block)
{
    Require(block.size() >= kSongHeaderSize && block.size() <= 0xFFFF,
            "a song block holds its header and fits its length field");
    Require(Word(block, 0) == block.size(), "the header gives the block's length");
    Require(Word(block, 4) == block.size(), "the header's end follows the block");
    Require(Word(block, 2) == kSongHeaderSize, "channel 1 starts right after the header");
    for (std::size_t k = 0; k < kSongChannelCount; ++k) {
        const std::uint32_t start = Word(block, 6 + 2 * k);
        Require(start >= kSongHeaderSize && start <= block.size(),
                "every channel starts inside the block");
        Require(Word(block, 22 + 2 * k) == start, "the two channel tables agree");
    }
}

} // namespace
} // namespace varn::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace varn;
    const std::string text(fuzz::Text(data, size));

    MML song;
    song.source = text;
    const Status parsed = song.Parse();
    if (!parsed) {
        fuzz::Require(!parsed.message().empty(), "a song that does not parse says why");
    }

    Result<std::vector<std::uint8_t>> block = Failure{""};
    if (parsed) {
        block = song.EmitSong();
        if (block) {
            fuzz::CheckBlock(block.value());
            // The same song laid out where varnwork-cli writes songs takes as many bytes.
            song.writeAddress = 0x500004;
            const Result<std::vector<std::uint8_t>> moved = song.EmitSong();
            fuzz::Require(moved && moved.value().size() == block.value().size(),
                          "a song takes the same size wherever it lies");
        } else {
            fuzz::Require(!block.message().empty(), "a song that does not lay out says why");
        }
    }

    MML measure;
    measure.source = text;
    const Result<int> measured = measure.MeasureSong();
    fuzz::Require(measured.ok() == (parsed.ok() && block.ok()),
                  "measuring succeeds exactly when parsing and laying out do");
    if (measured)
        fuzz::Require(static_cast<std::size_t>(measured.value()) == block.value().size(),
                      "the measured size is the block's size");

    MML information;
    information.source = text;
    const Result<std::string> info = information.SongInfo();
    fuzz::Require(info.ok() == parsed.ok() && info.message() == parsed.message(),
                  "the information lines fail exactly as the parse does");
    if (info)
        fuzz::Require(info.value() == song.info,
                      "the information lines are those the parse collected");
    return 0;
}
