#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/TempDir.h"
#include "text/TextFile.h"

namespace varn {
namespace {

namespace fs = std::filesystem;

// A text file is refused from its size alone: at the bound it is read and decoded, one byte
// more and it is not read at all, however large it claims to be.
TEST(ReadTextFileTest, ReadsUpToTheBoundAndRefusesLargerFilesUnread)
{
    test::TempDir dir;
    // "あ" in CP932, then ASCII up to 64 bytes.
    const std::string text = "\x82\xA0" + std::string(62, 'a');
    const fs::path exact = dir.write("exact.txt", text);
    const Result<std::string> read = ReadTextFile(exact, 64);
    ASSERT_TRUE(read.ok()) << read.message();
    EXPECT_EQ(read.value(), "あ" + std::string(62, 'a'));

    const fs::path over = dir.write("over.txt", text + "a");
    EXPECT_EQ(ReadTextFile(over, 64).message(), "ファイルが大きすぎます。");

    // 4 GiB that take no room on the disk.
    const fs::path huge = dir.path() / "huge.txt";
    std::ofstream{huge};
    fs::resize_file(huge, std::uintmax_t{4} << 30);
    EXPECT_EQ(ReadTextFile(huge, 64).message(), "ファイルが大きすぎます。");

    EXPECT_EQ(ReadTextFile(dir.path() / "missing.txt", 64).message(), "ファイルが開けません。");
    EXPECT_EQ(ReadTextFile(dir.path(), 64).message(), "ファイルが開けません。");
    EXPECT_EQ(ReadTextFile(dir.write("empty.txt", ""), 64).value(), "");
}

} // namespace
} // namespace varn
