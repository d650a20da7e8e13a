#include "Pillow.h"

#include <gtest/gtest.h>

#include "support/ToolRun.h"

namespace varn::test {

std::optional<JsonValue> DescribeWithPillow(const std::filesystem::path& gif)
{
    const ToolRun run = RunTool({VARN_PYTHON, VARN_PIL_GIF_SCRIPT, "describe", gif.string()});
    if (run.exitCode != 0) {
        ADD_FAILURE() << "Pillow cannot read " << gif << ":\n" << run.err;
        return std::nullopt;
    }
    auto description = ParseJson(run.out);
    if (!description)
        ADD_FAILURE() << "Pillow's description is not JSON:\n" << run.out;
    return description;
}

} // namespace varn::test
