#include "support/ByteCompare.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace varn::test {

namespace {

std::string Hex(std::uint64_t value, int digits)
{
    char text[32];
    std::snprintf(text, sizeof text, "%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

} // namespace

testing::AssertionResult SameBytes(std::span<const std::uint8_t> expected,
                                   std::span<const std::uint8_t> actual)
{
    // Equal images are the common case and are often megabytes long: memcmp answers at once
    // even in an unoptimised build, and the first difference is looked for only when there is one.
    if (expected.size() == actual.size() &&
        (expected.empty() || std::memcmp(expected.data(), actual.data(), expected.size()) == 0))
        return testing::AssertionSuccess();
    const auto [e, a] = std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end());
    const auto offset = static_cast<std::uint64_t>(e - expected.begin());
    if (e == expected.end() || a == actual.end())
        return testing::AssertionFailure()
               << "sizes differ: expected " << expected.size() << " bytes, got " << actual.size()
               << " (equal up to 0x" << Hex(offset, 6) << ")";
    return testing::AssertionFailure() << "first difference at 0x" << Hex(offset, 6)
                                       << ": expected " << Hex(*e, 2) << ", got " << Hex(*a, 2);
}

} // namespace varn::test
