#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace varn {

// A note byte of a channel stream: every byte below a title's base code is a note, a tie or
// a rest, made of a pitch index and a length index. The target game and titles 1-7 have 14
// lengths (pitch x 14 + length); the low-mapped title has 15.

// Pitch indices of the target game: the twelve pitches from "c" (0 to 11), then the tie (12)
// and the rest (13).
inline constexpr int kPitchCount = 14;

// Length indices of the target game: 1, 2, 3, 4., 4, 6, 8., 8, 12, 16, 24, 32, 48, 64.
inline constexpr int kTargetLengthCount = 14;

struct SplitNote {
    int pitch;
    int length;

    friend bool operator==(const SplitNote&, const SplitNote&) = default;
};

// The target game's note byte of a pitch index (0-13) and a length index (0-13).
constexpr std::uint8_t NoteCode(int pitch, int length)
{
    return static_cast<std::uint8_t>(pitch * kTargetLengthCount + length);
}

// The pitch and length index of a title's note byte; nothing for a control code or an
// unknown title.
std::optional<SplitNote> SplitNoteCode(int title, std::uint8_t code);

// The number of lengths of a title's notes: the base code divided by 14 (14 or 15).
int NoteLengthCount(int title);

// The MML name of a title's pitch index: "c", "c+", ..., "b", and the tie "^" and rest "r"
// (in that order for titles 0-7, the other way round for the low-mapped title).
std::string_view PitchName(int title, int pitch);

// Note lengths written the MML way, by length index, for the 14-length titles and for the
// 15-length title ("4." is a dotted quarter).
inline constexpr std::array<std::string_view, 14> kLengthTexts14{
    "1", "2", "3", "4.", "4", "6", "8.", "8", "12", "16", "24", "32", "48", "64"};
inline constexpr std::array<std::string_view, 15> kLengthTexts15{
    "1", "2.", "2", "3", "4.", "4", "6", "8.", "8", "12", "16", "24", "32", "48", "64"};

// The pitch classes of a drum table entry, in the order of its twelve records.
inline constexpr std::array<std::string_view, 12> kDrumPitchClasses{
    "c", "c+", "d", "d+", "e", "f", "f+", "g", "g+", "a", "a+", "b"};

} // namespace varn
