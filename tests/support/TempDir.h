#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varn::test {

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Writes a file in the folder and returns its path.
    std::filesystem::path write(std::string_view name, std::span<const std::uint8_t> bytes) const;
    std::filesystem::path write(std::string_view name, std::string_view text) const;
    // Writes `head` and makes the file `size` bytes long with ftruncate, so that the rest is a
    // hole that takes no room on the disk and reads as zero bytes: a huge file made at once.
    std::filesystem::path writeSparse(std::string_view name, std::span<const std::uint8_t> head,
                                      std::uint64_t size) const;

private:
    std::filesystem::path path_;
};

// The names in a folder, sorted: what a command left behind.
std::vector<std::string> FileNamesIn(const std::filesystem::path& folder);

// The whole content of a file; empty when it cannot be read.
std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path);

} // namespace varn::test
