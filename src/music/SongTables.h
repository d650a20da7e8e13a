#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace varn {

// Where the three per-song table entries of one music number lie: its song pointer (3 bytes),
// its wave table entry (32 bytes) and its drum table entry (36 bytes; absent for a title
// without drum tables). All are raw file offsets.
struct SongTableEntryOffsets {
    std::uint32_t pointer = 0;
    std::uint32_t wave = 0;
    std::optional<std::uint32_t> drum;

    friend bool operator==(const SongTableEntryOffsets&, const SongTableEntryOffsets&) = default;
};

// The entries of music number `musicNumber` of a title, found through the title's three
// ranges. Nothing for a number in no range (0xFF, or anything outside 0x00-0xFF) or an
// unknown title.
std::optional<SongTableEntryOffsets> SongTableOffsets(int title, int musicNumber);

// The entries the compiler writes for the target game: numbers below 0x5C in the game's own
// tables, below 0x7C in the first expanded range, every other byte value (0xFF included) in
// the second. Nothing for a number outside 0x00-0xFF.
std::optional<SongTableEntryOffsets> SongTableOffsetsForWriting(int musicNumber);

// The three bytes (low, high, bank) of the target game's pointer to a song block at
// `fileOffset`: offsets below 4 MiB live in the banks from 0xC0, higher ones are stored as
// they are.
std::array<std::uint8_t, 3> EncodeSongPointer(std::uint32_t fileOffset);

// The file offset a title's stored song pointer (low | high << 8 | bank << 16) designates.
// High-mapped titles subtract 0xC00000 from values at or above it; the low-mapped title
// folds its banks of 32 KiB together. An unknown title gives the value unchanged.
std::uint32_t DecodeSongPointer(int title, std::uint32_t storedValue);

} // namespace varn
