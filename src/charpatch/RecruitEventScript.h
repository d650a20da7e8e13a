#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "charpatch/CharacterPatchFile.h"

namespace varn {

// The event scripts by which an additional recruitable character (slot k, 0 to 9, target
// code 0xB0 + k) is met in the game, built from the data of a patch's conversation records
// (read with ParseRepeatTalk and ParseFirstTalk, so a record cut short never leads outside it).

// The later-meeting script (174-byte area) from the later-meeting pieces and the conversation
// music (0 for none).
std::vector<std::uint8_t> LaterMeetingScript(std::span<const std::uint8_t> repeatTalk,
                                             std::uint8_t music, int slot);

// The first-meeting script (338-byte area) from the first-meeting record. The maximum-HP flag
// selects the test for 256 when it is 1 and the test for 512 for any other non-zero value.
std::vector<std::uint8_t> FirstMeetingScript(std::span<const std::uint8_t> firstTalk, int slot);

// The final-battle line: the record's text followed by 2C 2A 2E.
std::vector<std::uint8_t> LastBattleLine(std::span<const std::uint8_t> lastBattle);

} // namespace varn
