// The tool under a memory limit: a command that cannot get the memory it needs ends with the
// program's message and exit status 2, never with an uncaught exception, and writes nothing.

#include <gtest/gtest.h>

#include <random>

#include "rom/Result.h"
#include "support/ByteCompare.h"
#include "support/TempDir.h"
#include "support/ToolRun.h"

namespace varn::test {
namespace {

// Runs the tool built without sanitizers in an address space of `megabytes`.
ToolRun RunCliWithin(int megabytes, std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(),
                     {"prlimit", "--as=" + std::to_string(std::int64_t{megabytes} << 20),
                      VARNWORK_CLI_PLAIN});
    return RunTool(arguments);
}

std::vector<std::uint8_t> RandomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes(size);
    for (std::uint8_t& byte : bytes)
        byte = static_cast<std::uint8_t>(random());
    return bytes;
}

TEST(CliMemoryTest, ACommandThatRunsOutOfMemoryEndsWithItsMessageAndWritesNothing)
{
    TempDir dir;
    // Two images of 8 MiB a few changes apart: quick to diff, but more than 48 MiB of address
    // space holds with the tool itself.
    std::vector<std::uint8_t> image = RandomBytes(8u << 20, 1);
    const auto original = dir.write("original.smc", image);
    for (std::size_t i = 0; i < image.size(); i += 4096)
        image[i] ^= 0x55;
    const auto modified = dir.write("modified.smc", image);
    const auto patch = dir.path() / "mod.bps";

    // With room enough the same command works: the limit is what makes it fail.
    const ToolRun roomy = RunCliWithin(1024, {"diff", original.string(), modified.string(),
                                             patch.string()});
    ASSERT_EQ(roomy.exitCode, 0) << roomy.err;
    const std::vector<std::uint8_t> made = ReadFileBytes(patch);

    const ToolRun tight = RunCliWithin(48, {"diff", original.string(), modified.string(),
                                           patch.string()});
    EXPECT_EQ(tight.exitCode, 2) << tight.err;
    EXPECT_EQ(tight.err, std::string(kOutOfMemoryMessage) + "\n");
    EXPECT_EQ(tight.err.find("terminate"), std::string::npos);
    // The patch made before is still there, whole; nothing was left beside it.
    EXPECT_TRUE(SameBytes(made, ReadFileBytes(patch)));
    EXPECT_EQ(FileNamesIn(dir.path()),
              (std::vector<std::string>{"mod.bps", "modified.smc", "original.smc"}));
}

} // namespace
} // namespace varn::test
