#include "rom/FileIo.h"

#include <cstdio>
#include <fstream>
#include <random>
#include <system_error>

#include "rom/RomStream.h"

namespace varn {

Result<std::vector<std::uint8_t>> ReadFileBytes(const std::filesystem::path& path,
                                                std::uintmax_t maxSize)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return Failure{kCannotOpenFileMessage};
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > maxSize)
        return Failure{kCannotOpenFileMessage};
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return Failure{kCannotOpenFileMessage};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<std::uintmax_t>(file.gcount()) != size)
        return Failure{kCannotOpenFileMessage};
    return bytes;
}

namespace {

// A name beside the target that no other file has: the target's name with a random suffix.
std::filesystem::path TemporaryNameBeside(const std::filesystem::path& path)
{
    static std::mt19937_64 random{std::random_device{}()};
    std::filesystem::path temporary;
    std::error_code error;
    do {
        temporary = path;
        temporary += ".tmp" + std::to_string(random() % 1000000000);
    } while (std::filesystem::exists(temporary, error));
    return temporary;
}

} // namespace

Status WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes)
{
    const Failure failure{std::string(kCannotWriteFileMessage) + "\n" + path.string()};
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        return failure;

    const std::filesystem::path temporary = TemporaryNameBeside(path);
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!file)
            return failure;
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        file.flush();
        if (!file) {
            file.close();
            std::filesystem::remove(temporary, error);
            return failure;
        }
    }
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return failure;
    }
    return {};
}

} // namespace varn
