#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "music/MML.h"
#include "music/SongBlock.h"

namespace varn::test {

// An MML object that has parsed `text`; a parse error fails the test that asked.
inline MML Parsed(std::string_view text)
{
    MML mml;
    mml.source = std::string(text);
    const Status status = mml.Parse();
    EXPECT_TRUE(status.ok()) << status.message();
    return mml;
}

// The message `text` fails to parse with; empty when it parses.
inline std::string ParseError(std::string_view text)
{
    MML mml;
    mml.source = std::string(text);
    return mml.Parse().message();
}

// The statements of a channel as bytes: each code followed by its argument bytes, the loop
// point as 0xFF.
inline std::vector<std::uint8_t> StatementBytes(const std::vector<MML::mmlcom>& statements)
{
    std::vector<std::uint8_t> bytes;
    for (const MML::mmlcom& statement : statements) {
        bytes.push_back(statement.code);
        for (int i = 0; i < statement.argCount; ++i)
            bytes.push_back(statement.args[static_cast<std::size_t>(i)]);
    }
    return bytes;
}

// The statements of channel 1 of `text` as bytes.
inline std::vector<std::uint8_t> FirstStatements(std::string_view text)
{
    return StatementBytes(Parsed(text).channels[0]);
}

// The song block of `text` laid out at `address`; empty when it does not compile.
inline std::vector<std::uint8_t> SongBlockOf(std::string_view text, int address = 0x500004)
{
    MML mml = Parsed(text);
    mml.writeAddress = address;
    auto block = mml.EmitSong();
    EXPECT_TRUE(block.ok()) << block.message();
    return block ? block.value() : std::vector<std::uint8_t>{};
}

// The bytes of channel k (0-7) of a song block, found through its header as a reader does.
inline std::vector<std::uint8_t> ChannelBytes(const std::vector<std::uint8_t>& block, int k)
{
    if (block.size() < kSongHeaderSize)
        return {};
    const auto word = [&](std::size_t at) { return block[at] | (block[at + 1] << 8); };
    const int base = word(2);
    const int end = word(4);
    const int start = word(6 + 2 * static_cast<std::size_t>(k));
    int next = end;
    for (int j = k + 1; j < kSongChannelCount; ++j) {
        const int pointer = word(6 + 2 * static_cast<std::size_t>(j));
        if (pointer != end) {
            next = pointer;
            break;
        }
    }
    const auto from = static_cast<std::size_t>(kSongHeaderSize + ((start - base) & 0xFFFF));
    const auto to = static_cast<std::size_t>(kSongHeaderSize + ((next - base) & 0xFFFF));
    if (start == end || to > block.size() || from > to)
        return {};
    return {block.begin() + static_cast<std::ptrdiff_t>(from),
            block.begin() + static_cast<std::ptrdiff_t>(to)};
}

// Channel 1 of `text` as written at `address`.
inline std::vector<std::uint8_t> FirstChannelBytes(std::string_view text, int address = 0x500004)
{
    return ChannelBytes(SongBlockOf(text, address), 0);
}

using Bytes = std::vector<std::uint8_t>;

} // namespace varn::test
