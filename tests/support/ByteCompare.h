#pragma once

#include <cstdint>
#include <span>

#include <gtest/gtest.h>

namespace varn::test {

// Whether two byte strings are equal; when they are not, the message names the first offset
// where they differ with the bytes there, or the sizes when one is a prefix of the other, so
// that a failed comparison of whole images says where to look.
testing::AssertionResult SameBytes(std::span<const std::uint8_t> expected,
                                   std::span<const std::uint8_t> actual);

} // namespace varn::test
