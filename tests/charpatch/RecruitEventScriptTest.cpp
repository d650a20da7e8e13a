#include <gtest/gtest.h>

#include "CharpatchTestSupport.h"
#include "charpatch/RecruitEventScript.h"

namespace varn {
namespace {

using test::Bytes;
using test::Concat;
using test::kRepeatTalk;


TEST(LaterMeetingScriptTest, WithMusic)
{
    const Bytes expected{
        0x1D, 0x12,                                                             // music
        0x0D, 0x00, 0x03,                                                       // slot 3
        0x77, 0x4E, 0xA6,                                                       //
        0x51,                                                                   // Q1
        0x41, 0x00, 0x19, 0xF3, 0x45, 0x00, 0x06, 0x2E, 0x2E,                   // S1
        0x2C, 0x2A, 0x28, 0x25, 0x26,                                           // S2
        0x6A, 0x52, 0x24,                                                       // Q2
        0x26,                                                                   // S3
        0x52, 0x52, 0x54, 0x24,                                                 // Q3
        0x27, 0x2A, 0x2A, 0x2F, 0x4E,                                           // S4
        0x03, 0x55, 0x56, 0x2E,                                                 // n(Q5) + 1, Q5, 2E
        0x53, 0x24, 0x54,                                                       // Q4
        0x2C, 0x2A, 0x48, 0x00, 0x03, 0xFF, 0x3C, 0x01, 0x17, 0x20, 0x40, 0x00, // S6
        0xB3,                                                                   // target
        0x0B, 0x39, 0x2E,                                                       // S7
    };
    EXPECT_EQ(LaterMeetingScript(kRepeatTalk, 0x12, 3), expected);
}

TEST(LaterMeetingScriptTest, WithoutMusic)
{
    const Bytes expected{
        0x0D, 0x00, 0x09, 0x77, 0x4E, 0xA8, 0x51, 0x41, 0x00, 0x19, 0xF3, 0x45, 0x00, 0x06, 0x2E,
        0x2E, 0x2C, 0x2A, 0x28, 0x25, 0x26, 0x6A, 0x52, 0x24, 0x26, 0x52, 0x52, 0x54, 0x24, 0x27,
        0x2A, 0x2A, 0x2F, 0x4E, 0x03, 0x55, 0x56, 0x2E, 0x53, 0x24, 0x54, 0x2C, 0x2A, 0x48, 0x00,
        0x03, 0xFF, 0x3C, 0x01, 0x17, 0x20, 0x40, 0x00, 0xB9, 0x0B, 0x39, 0x2E,
    };
    EXPECT_EQ(LaterMeetingScript(kRepeatTalk, 0, 9), expected);
}

// The jump operand plus the bytes up to and including it is the size of the area, 0xAE.
TEST(LaterMeetingScriptTest, TheJumpReachesTheEndOfTheArea)
{
    for (const std::uint8_t music : {0x00, 0x01, 0xB0}) {
        const Bytes script = LaterMeetingScript(kRepeatTalk, music, 0);
        const std::size_t at = music != 0 ? 7 : 5;
        ASSERT_GT(script.size(), at);
        EXPECT_EQ(script[at - 2], 0x77);
        EXPECT_EQ(script[at] + at + 1, 0xAEu) << int(music);
    }
}

// First meeting: P1 = 51, P2 = 6A 52 24, P3 = 52 52 54 24, P4 = 53, then F1, and when it is
// set P5 = 6A 52 24, P6 = 52 56, P7 = 54, F2 and P8 = 55.
const Bytes kOpening{0x01, 0x51, 0x03, 0x6A, 0x52, 0x24, 0x04, 0x52, 0x52, 0x54, 0x24, 0x01, 0x53};
const Bytes kSecond{0x03, 0x6A, 0x52, 0x24, 0x02, 0x52, 0x56, 0x01, 0x54};


const Bytes kS1{0x41, 0x00, 0x19, 0xF3, 0x45, 0x00, 0x06, 0x2E, 0x2E};
const Bytes kS2{0x2C, 0x2A, 0x28, 0x25, 0x26};
const Bytes kS3{0x26};
const Bytes kS5{0x27, 0x2A, 0x2A, 0x2F, 0x4E, 0x02, 0x2E, 0x2E};
const Bytes kS6{0x2C, 0x2A, 0x48, 0x00, 0x03, 0xFF, 0x3C, 0x01, 0x17, 0x20, 0x40, 0x00};
const Bytes kS7{0x0B, 0x39, 0x2E};
const Bytes kS8{0x41, 0x00, 0x17, 0xF0, 0x45, 0x00, 0x00, 0x4E, 0x02, 0x4E};
const Bytes kS9{0x41, 0x00, 0x17, 0xF0, 0x45, 0x00, 0x00, 0x4E,
                0x07, 0x45, 0x00, 0x01, 0x4E, 0x02, 0x4E};

// P1 S1 S2 P2 S3 P3 S5 P4, the same in every first-meeting script.
const Bytes kFirstPart =
    Concat({{0x51}, kS1, kS2, {0x6A, 0x52, 0x24}, kS3, {0x52, 0x52, 0x54, 0x24}, kS5, {0x53}});
// S2 P5 S3 P6 S5, when the second choice is on.
const Bytes kSecondPart = Concat({kS2, {0x6A, 0x52, 0x24}, kS3, {0x52, 0x56}, kS5});

struct FirstMeetingCase {
    const char* name;
    Bytes record;
    int slot;
    Bytes expected;
};

void PrintTo(const FirstMeetingCase& c, std::ostream* os)
{
    *os << c.name;
}

class FirstMeetingScriptTest : public testing::TestWithParam<FirstMeetingCase> {};

TEST_P(FirstMeetingScriptTest, FollowsTheFlags)
{
    EXPECT_EQ(FirstMeetingScript(GetParam().record, GetParam().slot), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Flags, FirstMeetingScriptTest,
    testing::Values(
        FirstMeetingCase{"NoSecondChoice", Concat({kOpening, {0x00}}), 0,
                         Concat({kFirstPart, kS6, {0xB0}, kS7})},
        // Bytes after a zero first flag are not part of the script.
        FirstMeetingCase{"NoSecondChoiceIgnoresTheRest",
                         Concat({kOpening, {0x00}, kSecond, {0x01, 0x01, 0x55}}), 4,
                         Concat({kFirstPart, kS6, {0xB4}, kS7})},
        FirstMeetingCase{"NoHpCondition", Concat({kOpening, {0x01}, kSecond, {0x00}}), 1,
                         Concat({kFirstPart, kSecondPart, {0x54}, kS6, {0xB1}, kS7})},
        FirstMeetingCase{
            "Hp256", Concat({kOpening, {0x01}, kSecond, {0x01, 0x01, 0x55}}), 2,
            Concat({kFirstPart, kSecondPart, kS8, {0x02, 0x55, 0x2E}, {0x54}, kS6, {0xB2}, kS7})},
        FirstMeetingCase{
            "Hp512", Concat({kOpening, {0x01}, kSecond, {0x02, 0x01, 0x55}}), 9,
            Concat({kFirstPart, kSecondPart, kS9, {0x02, 0x55, 0x2E}, {0x54}, kS6, {0xB9}, kS7})},
        FirstMeetingCase{
            "HpFlagThree", Concat({kOpening, {0x01}, kSecond, {0x03, 0x01, 0x55}}), 5,
            Concat({kFirstPart, kSecondPart, kS9, {0x02, 0x55, 0x2E}, {0x54}, kS6, {0xB5}, kS7})},
        // A record cut short: the piece is cut at the end, the rest reads empty and zero.
        FirstMeetingCase{"CutRecord",
                         {0x05, 0x51, 0x52},
                         0,
                         Concat({{0x51, 0x52}, kS1, kS2, kS3, kS5, kS6, {0xB0}, kS7})}),
    [](const testing::TestParamInfo<FirstMeetingCase>& info) {
        return std::string(info.param.name);
    });

TEST(LastBattleLineTest, EndsTheTextWithItsClosingBytes)
{
    EXPECT_EQ(LastBattleLine(Bytes{0x51, 0x24, 0x52}), (Bytes{0x51, 0x24, 0x52, 0x2C, 0x2A, 0x2E}));
    EXPECT_EQ(LastBattleLine(Bytes{}), (Bytes{0x2C, 0x2A, 0x2E}));
}

} // namespace
} // namespace varn
