#include "support/Bytes.h"

#include <algorithm>

namespace varn::test {

Bytes Text(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

Bytes With(Bytes image, std::size_t offset, const Bytes& data)
{
    if (image.size() < offset + data.size())
        image.resize(offset + data.size(), 0);
    std::copy(data.begin(), data.end(), image.begin() + static_cast<std::ptrdiff_t>(offset));
    return image;
}

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes RandomBytes(std::size_t count, std::mt19937& random)
{
    Bytes bytes(count);
    for (std::uint8_t& byte : bytes)
        byte = static_cast<std::uint8_t>(random());
    return bytes;
}

} // namespace varn::test
