#include "text/TextFile.h"

#include <string_view>

#include "rom/FileIo.h"
#include "text/Cp932.h"

namespace varn {

Result<std::string> ReadTextFile(const std::filesystem::path& path, std::uintmax_t maxSize)
{
    const Result<std::vector<std::uint8_t>> bytes = ReadBoundedFile(path, maxSize);
    if (!bytes)
        return Failure{bytes.message()};
    return DecodeTextFileBytes(std::string_view(reinterpret_cast<const char*>(bytes.value().data()),
                                                bytes.value().size()));
}

} // namespace varn
