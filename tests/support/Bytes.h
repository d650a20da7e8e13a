#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <random>
#include <string_view>
#include <vector>

namespace varn::test {

using Bytes = std::vector<std::uint8_t>;

// The bytes of a text as it stands.
Bytes Text(std::string_view text);

// `image` with `data` written at `offset`, grown with zero bytes where the data reaches past
// its end.
Bytes With(Bytes image, std::size_t offset, const Bytes& data);

// The parts one after another.
Bytes Concat(std::initializer_list<Bytes> parts);

// `count` bytes drawn from `random`.
Bytes RandomBytes(std::size_t count, std::mt19937& random);

} // namespace varn::test
