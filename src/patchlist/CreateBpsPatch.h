#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace varn {

// Makes a BPS patch that turns `source` into `target`, with `metadata` (text about the patch,
// UTF-8 by custom) in its head. A delta encoder: at each place of the target it looks for the
// longest stretch that it can take from the source at the same offset, from anywhere in the
// source or from the target already written (found through hash tables of the eight bytes at
// every offset, and, for runs of one byte or of a short pattern, among the places just
// before), weighs each by the bytes its action costs, and writes the bytes no stretch pays for
// as they are. So changed bytes cost little more than themselves, and moved,
// repeated or filled data only an action. Every size fits; the sizes are limited by the
// caller (an image is at most 64 MiB).
std::vector<std::uint8_t> CreateBpsPatch(std::span<const std::uint8_t> source,
                                         std::span<const std::uint8_t> target,
                                         std::string_view metadata = {});

} // namespace varn
