#include "charpatch/RecruitEventScript.h"

#include <array>

namespace varn {

namespace {

using Bytes = std::vector<std::uint8_t>;

// Fixed runs of the game's event language that frame the conversation texts: showing a
// message, asking with two choices, branching on the answer, the maximum-HP tests, and
// adding the character to the party.
constexpr std::array<std::uint8_t, 9> kS1{0x41, 0x00, 0x19, 0xF3, 0x45, 0x00, 0x06, 0x2E, 0x2E};
constexpr std::array<std::uint8_t, 5> kS2{0x2C, 0x2A, 0x28, 0x25, 0x26};
constexpr std::array<std::uint8_t, 1> kS3{0x26};
constexpr std::array<std::uint8_t, 5> kS4{0x27, 0x2A, 0x2A, 0x2F, 0x4E};
constexpr std::array<std::uint8_t, 8> kS5{0x27, 0x2A, 0x2A, 0x2F, 0x4E, 0x02, 0x2E, 0x2E};
constexpr std::array<std::uint8_t, 12> kS6{0x2C, 0x2A, 0x48, 0x00, 0x03, 0xFF,
                                           0x3C, 0x01, 0x17, 0x20, 0x40, 0x00};
constexpr std::array<std::uint8_t, 3> kS7{0x0B, 0x39, 0x2E};
constexpr std::array<std::uint8_t, 10> kS8{0x41, 0x00, 0x17, 0xF0, 0x45,
                                           0x00, 0x00, 0x4E, 0x02, 0x4E};
constexpr std::array<std::uint8_t, 15> kS9{0x41, 0x00, 0x17, 0xF0, 0x45, 0x00, 0x00, 0x4E,
                                           0x07, 0x45, 0x00, 0x01, 0x4E, 0x02, 0x4E};

constexpr std::uint8_t kFirstTarget = 0xB0;
// The later-meeting script's jump: its operand plus the bytes up to and including it is the
// size of the script's area, 0xAE.
constexpr std::uint8_t kJumpWithMusic = 0xA6;
constexpr std::uint8_t kJumpWithoutMusic = 0xA8;

template <class Range> void Put(Bytes& out, const Range& bytes)
{
    out.insert(out.end(), bytes.begin(), bytes.end());
}

// A text the script shows after a branch: its length plus one, the text, then 2E.
void PutCountedText(Bytes& out, const Bytes& text)
{
    out.push_back(static_cast<std::uint8_t>(text.size() + 1));
    Put(out, text);
    out.push_back(0x2E);
}

// The end of both scripts: the character joins as target t.
void PutJoin(Bytes& out, int slot)
{
    Put(out, kS6);
    out.push_back(static_cast<std::uint8_t>(kFirstTarget + slot));
    Put(out, kS7);
}

} // namespace

std::vector<std::uint8_t> LaterMeetingScript(std::span<const std::uint8_t> repeatTalk,
                                             std::uint8_t music, int slot)
{
    const std::array<Bytes, 5> q = ParseRepeatTalk(repeatTalk);
    Bytes out;
    if (music != 0) {
        Put(out, std::array<std::uint8_t, 2>{0x1D, music});
    }
    Put(out, std::array<std::uint8_t, 3>{0x0D, 0x00, static_cast<std::uint8_t>(slot)});
    Put(out,
        std::array<std::uint8_t, 3>{0x77, 0x4E, music != 0 ? kJumpWithMusic : kJumpWithoutMusic});
    Put(out, q[0]);
    Put(out, kS1);
    Put(out, kS2);
    Put(out, q[1]);
    Put(out, kS3);
    Put(out, q[2]);
    Put(out, kS4);
    PutCountedText(out, q[4]);
    Put(out, q[3]);
    PutJoin(out, slot);
    return out;
}

std::vector<std::uint8_t> FirstMeetingScript(std::span<const std::uint8_t> firstTalk, int slot)
{
    const FirstTalk talk = ParseFirstTalk(firstTalk);
    Bytes out;
    Put(out, talk.opening[0]);
    Put(out, kS1);
    Put(out, kS2);
    Put(out, talk.opening[1]);
    Put(out, kS3);
    Put(out, talk.opening[2]);
    Put(out, kS5);
    Put(out, talk.opening[3]);
    if (!talk.secondChoice) {
        PutJoin(out, slot);
        return out;
    }
    Put(out, kS2);
    Put(out, talk.second[0]);
    Put(out, kS3);
    Put(out, talk.second[1]);
    Put(out, kS5);
    // The maximum-HP test: 1 for 256, any other non-zero value for 512.
    if (talk.hpCondition == 1) {
        Put(out, kS8);
        PutCountedText(out, talk.refuseLine);
    } else if (talk.hpCondition != 0) {
        Put(out, kS9);
        PutCountedText(out, talk.refuseLine);
    }
    Put(out, talk.second[2]);
    PutJoin(out, slot);
    return out;
}

std::vector<std::uint8_t> LastBattleLine(std::span<const std::uint8_t> lastBattle)
{
    Bytes out(lastBattle.begin(), lastBattle.end());
    Put(out, std::array<std::uint8_t, 3>{0x2C, 0x2A, 0x2E});
    return out;
}

} // namespace varn
