#include "support/TempDir.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <system_error>

namespace varn::test {

TempDir::TempDir()
{
    std::string pattern =
        (std::filesystem::temp_directory_path() / "varnwork-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary folder");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempDir::write(std::string_view name,
                                     std::span<const std::uint8_t> bytes) const
{
    const std::filesystem::path file = path_ / name;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
    return file;
}

std::filesystem::path TempDir::write(std::string_view name, std::string_view text) const
{
    return write(name, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::filesystem::path TempDir::writeSparse(std::string_view name,
                                           std::span<const std::uint8_t> head,
                                           std::uint64_t size) const
{
    const std::filesystem::path file = write(name, head);
    const int fd = ::open(file.c_str(), O_WRONLY | O_CLOEXEC);
    const bool cut = fd >= 0 && ::ftruncate(fd, static_cast<off_t>(size)) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!cut)
        throw std::runtime_error("cannot make " + file.string() + " sparse");
    return file;
}

std::vector<std::string> FileNamesIn(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return {};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

} // namespace varn::test
