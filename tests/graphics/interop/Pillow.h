#pragma once

#include <filesystem>
#include <optional>

#include "JsonValue.h"

namespace varn::test {

// What Pillow reads from a GIF (see pil_gif.py describe). A file Pillow cannot read, or a
// description that is not JSON, fails the test that asked, and gives nothing.
std::optional<JsonValue> DescribeWithPillow(const std::filesystem::path& gif);

} // namespace varn::test
