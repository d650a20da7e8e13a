#pragma once

#include <array>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string_view>

namespace varn {

// How the reverse compiler writes a command's argument bytes as MML.
enum class ArgumentRender : int {
    AsIs = 0,        // every byte, joined with ","
    Dropped = 1,     // the command and its arguments are left out
    SecondOnly = 2,  // two bytes, only the second is written
    SplitWithF = 3,  // two bytes: the first after the name, then "%f" and the second
    LastPlusTen = 4, // as they are, the last increased by 10 (within a byte)
    LastHalved = 5,  // as they are, the last halved
};

// One control code of a title's sound driver: how many argument bytes follow it, its MML name
// ("Err" for a code that may not occur, empty for a code with no MML form), whether MML
// writes its arguments in decimal (otherwise as "0x" and two hexadecimal digits), and how
// the reverse compiler renders them.
struct CommandTableEntry {
    int argCount = 0;
    std::string_view name;
    bool decimal = true;
    ArgumentRender render = ArgumentRender::AsIs;

    friend bool operator==(const CommandTableEntry&, const CommandTableEntry&) = default;
};

// Names with a structural role in every title's table.
inline constexpr std::string_view kErrName = "Err";
inline constexpr std::string_view kLoopBreakName = "|";
inline constexpr std::string_view kChannelEndName = ";";

// Every title's table has one entry per code from its base code upwards.
inline constexpr int kCommandTableSize = 60;
using CommandTable = std::array<CommandTableEntry, kCommandTableSize>;

// The target game's control codes with a structural role.
inline constexpr std::uint8_t kLoopStartCode = 0xE2;
inline constexpr std::uint8_t kLoopEndCode = 0xE3;
inline constexpr std::uint8_t kChannelEndCode = 0xEB;
inline constexpr std::uint8_t kLoopBreakCode = 0xF5;
inline constexpr std::uint8_t kJumpCode = 0xF6;

namespace detail {

constexpr CommandTableEntry Entry(int argCount, std::string_view name,
                                  ArgumentRender render = ArgumentRender::AsIs)
{
    return {argCount, name, true, render};
}

constexpr CommandTableEntry Dropped(int argCount)
{
    return {argCount, "", true, ArgumentRender::Dropped};
}

constexpr CommandTableEntry Refused()
{
    return {0, kErrName, true, ArgumentRender::AsIs};
}

} // namespace detail

// The target game's table, codes 0xC4 to 0xFF. The second byte of a volume or pan change is
// the level or position reached; the instrument's arguments 0x20-0x2F select the song's wave
// table slots; the loop start's byte is the number of passes minus 1; the loop break carries
// the pass on which it leaves the loop and the 16-bit in-song pointer where playing goes on;
// the jump (the channel's endless repeat) carries a 16-bit in-song pointer.
inline constexpr CommandTable kTargetCommandTable{{
    detail::Entry(1, "v"),                 // 0xC4 volume
    detail::Entry(2, "v"),                 // 0xC5 volume change
    detail::Entry(1, "p"),                 // 0xC6 pan
    detail::Entry(2, "p"),                 // 0xC7 pan change
    detail::Entry(2, "m"),                 // 0xC8
    detail::Entry(3, "m"),                 // 0xC9
    detail::Entry(0, "m"),                 // 0xCA
    detail::Entry(3, "v"),                 // 0xCB
    detail::Entry(0, "v"),                 // 0xCC
    detail::Entry(2, "p0,"),               // 0xCD "p" with three arguments
    detail::Entry(0, "p"),                 // 0xCE
    detail::Entry(1, "%c"),                // 0xCF
    detail::Entry(0, "%n1"),               // 0xD0
    detail::Entry(0, "%n"),                // 0xD1
    detail::Entry(0, "%p1"),               // 0xD2
    detail::Entry(0, "%p"),                // 0xD3
    detail::Entry(0, "%e1"),               // 0xD4
    detail::Entry(0, "%e"),                // 0xD5
    detail::Entry(1, "o"),                 // 0xD6 octave
    detail::Entry(0, "<"),                 // 0xD7 octave step
    detail::Entry(0, ">"),                 // 0xD8 octave step, the other direction
    detail::Entry(1, "%k"),                // 0xD9
    detail::Entry(1, "%K"),                // 0xDA
    detail::Entry(1, "k"),                 // 0xDB
    {1, "@", false, ArgumentRender::AsIs}, // 0xDC instrument
    detail::Entry(1, "%A"),                // 0xDD
    detail::Entry(1, "%D"),                // 0xDE
    detail::Entry(1, "%S"),                // 0xDF
    detail::Entry(1, "%R"),                // 0xE0
    detail::Entry(0, "%A"),                // 0xE1
    detail::Entry(1, "["),                 // 0xE2 loop start
    detail::Entry(0, "]"),                 // 0xE3 loop end
    detail::Entry(0, "%l1"),               // 0xE4
    detail::Entry(0, "%l"),                // 0xE5
    detail::Dropped(0),                    // 0xE6
    detail::Dropped(0),                    // 0xE7
    detail::Dropped(2),                    // 0xE8
    detail::Refused(),                     // 0xE9
    detail::Refused(),                     // 0xEA
    detail::Entry(0, ";"),                 // 0xEB end of channel
    detail::Dropped(0),                    // 0xEC
    detail::Refused(),                     // 0xED
    detail::Refused(),                     // 0xEE
    detail::Refused(),                     // 0xEF
    detail::Entry(1, "t"),                 // 0xF0 tempo
    detail::Entry(2, "t"),                 // 0xF1 tempo change
    detail::Entry(1, "%v"),                // 0xF2
    detail::Refused(),                     // 0xF3
    detail::Entry(1, "%x"),                // 0xF4
    detail::Entry(3, "|"),                 // 0xF5 loop break
    detail::Entry(2, ";"),                 // 0xF6 jump
    detail::Entry(1, "%b"),                // 0xF7
    detail::Entry(1, "%f"),                // 0xF8
    detail::Refused(),                     // 0xF9
    detail::Refused(),                     // 0xFA
    detail::Entry(0, "%d1"),               // 0xFB
    detail::Entry(0, "%d"),                // 0xFC
    detail::Refused(),                     // 0xFD
    detail::Refused(),                     // 0xFE
    detail::Refused(),                     // 0xFF
}};

// The low-mapped title's table, codes 0xD2 upwards; codes past 0xFF are never reached.
inline constexpr CommandTable kLowMappedCommandTable = [] {
    using detail::Dropped;
    using detail::Entry;
    CommandTable table{};
    table.fill(detail::Refused());
    const CommandTableEntry reachable[] = {
        Entry(1, "t", ArgumentRender::LastPlusTen), // 0xD2
        Entry(2, "t", ArgumentRender::LastPlusTen), // 0xD3
        Entry(1, "v", ArgumentRender::LastHalved),  // 0xD4
        Entry(2, "v", ArgumentRender::LastHalved),  // 0xD5
        Entry(1, "p"),                              // 0xD6
        Entry(2, "p"),                              // 0xD7
        Entry(1, "%v"),                             // 0xD8
        Dropped(2),                                 // 0xD9
        Entry(1, "%k"),                             // 0xDA
        Dropped(3),                                 // 0xDB
        Dropped(0),                                 // 0xDC
        Entry(3, "m"),                              // 0xDD
        Entry(0, "m"),                              // 0xDE
        Entry(3, "v"),                              // 0xDF
        Entry(0, "v"),                              // 0xE0
        Entry(1, "%c"),                             // 0xE1
        Entry(0, "%n1"),                            // 0xE2
        Entry(0, "%n"),                             // 0xE3
        Entry(0, "%p1"),                            // 0xE4
        Entry(0, "%p"),                             // 0xE5
        Entry(2, "%b", ArgumentRender::SplitWithF), // 0xE6
        Entry(0, "%e1"),                            // 0xE7
        Entry(0, "%e"),                             // 0xE8
        Entry(2, "p0,"),                            // 0xE9
        Entry(0, "p"),                              // 0xEA
        Entry(1, "o"),                              // 0xEB
        Entry(0, "<"),                              // 0xEC
        Entry(0, ">"),                              // 0xED
        Entry(1, "["),                              // 0xEE
        Entry(0, "]"),                              // 0xEF
        Entry(3, "|"),                              // 0xF0 loop break
        Entry(2, ";"),                              // 0xF1 jump
        Entry(0, "%l1"),                            // 0xF2
        {1, "@", false, ArgumentRender::AsIs},      // 0xF3
        Dropped(1),                                 // 0xF4
        Entry(0, "%l"),                             // 0xF5
        Dropped(2),                                 // 0xF6
        Entry(1, "k"),                              // 0xF7
        Entry(0, ";"),                              // 0xF8
        Entry(0, ";"),                              // 0xF9
        Entry(0, ";"),                              // 0xFA
        Entry(0, ";"),                              // 0xFB
        Entry(0, ";"),                              // 0xFC
        Entry(0, ";"),                              // 0xFD
        Entry(0, ";"),                              // 0xFE
        Entry(0, ";"),                              // 0xFF
    };
    static_assert(std::size(reachable) == 0x100 - 0xD2);
    for (std::size_t i = 0; i < std::size(reachable); ++i)
        table[i] = reachable[i];
    return table;
}();

namespace detail {

struct Replacement {
    std::uint8_t code;
    CommandTableEntry entry;
};

// The target table with some entries replaced, as titles 1-7 have it.
template <std::size_t N> constexpr CommandTable Replaced(const Replacement (&replacements)[N])
{
    CommandTable table = kTargetCommandTable;
    for (const Replacement& replacement : replacements)
        table[replacement.code - 0xC4] = replacement.entry;
    return table;
}

// Titles 2 and 3 halve volume and pan, have "%b" with a split second argument at 0xF4, the
// loop break at 0xF6 and the jump at 0xF7; title 2 also raises tempi by 10.
constexpr CommandTable SecondGenerationTable(ArgumentRender tempoRender)
{
    const Replacement replacements[] = {
        {0xC4, Entry(1, "v", ArgumentRender::LastHalved)},
        {0xC5, Entry(2, "v", ArgumentRender::LastHalved)},
        {0xC6, Entry(1, "p", ArgumentRender::LastHalved)},
        {0xC7, Entry(2, "p", ArgumentRender::LastHalved)},
        {0xF0, Entry(1, "t", tempoRender)},
        {0xF1, Entry(2, "t", tempoRender)},
        {0xF4, Entry(2, "%b", ArgumentRender::SplitWithF)},
        {0xF5, Entry(1, "%x", ArgumentRender::LastHalved)},
        {0xF6, Entry(3, "|")},
        {0xF7, Entry(2, ";")},
        {0xF8, Refused()},
        {0xFB, Refused()},
        {0xFC, Refused()},
    };
    return Replaced(replacements);
}

constexpr Replacement kTitle1Replacements[] = {
    {0xF7, Entry(2, "%b", ArgumentRender::SecondOnly)},
    {0xF8, Entry(2, "%f", ArgumentRender::SecondOnly)},
    {0xFB, Refused()},
    {0xFC, Dropped(0)},
};

constexpr Replacement kTitle4Replacements[] = {
    {0xF4, Refused()},
    {0xF7, Entry(2, "%b", ArgumentRender::SecondOnly)},
    {0xF8, Entry(2, "%f", ArgumentRender::SecondOnly)},
    {0xFD, Entry(1, "%x")},
};

} // namespace detail

// The command tables of the nine titles, by title index.
inline constexpr std::array<CommandTable, 9> kCommandTables{
    kTargetCommandTable,
    detail::Replaced(detail::kTitle1Replacements),
    detail::SecondGenerationTable(ArgumentRender::LastPlusTen),
    detail::SecondGenerationTable(ArgumentRender::AsIs),
    detail::Replaced(detail::kTitle4Replacements),
    kTargetCommandTable,
    detail::Replaced(detail::kTitle4Replacements),
    kTargetCommandTable,
    kLowMappedCommandTable,
};

// The table entry of a title's control code; nothing for a note byte (below the title's base
// code) or an unknown title.
std::optional<CommandTableEntry> CommandEntry(int title, std::uint8_t code);

} // namespace varn
