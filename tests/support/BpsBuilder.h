#pragma once

#include <zlib.h>

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace varn::test {

// BPS patches written by hand, action by action, as the format lays them out: "BPS1", the
// source size, the target size, the metadata size and the metadata, the actions, then the
// CRC-32 of the source, of the target and of the patch before it, least significant byte
// first. Numbers are written seven bits a byte, least significant first, the last byte marked
// by its top bit, each byte before it counting one more than its bits say. The checksums come
// from zlib directly, so a patch written here does not depend on the code under test.
class BpsBuilder {
public:
    using Bytes = std::vector<std::uint8_t>;

    BpsBuilder(std::uint64_t sourceSize, std::uint64_t targetSize, std::string_view metadata = {})
        : bytes_{'B', 'P', 'S', '1'}
    {
        number(sourceSize);
        number(targetSize);
        number(metadata.size());
        bytes_.insert(bytes_.end(), metadata.begin(), metadata.end());
    }

    static void AppendNumber(Bytes& out, std::uint64_t value)
    {
        while (true) {
            const auto low = static_cast<std::uint8_t>(value & 0x7F);
            value >>= 7;
            if (value == 0) {
                out.push_back(low | 0x80);
                return;
            }
            out.push_back(low);
            --value;
        }
    }

    static std::uint32_t Crc(std::span<const std::uint8_t> bytes)
    {
        return static_cast<std::uint32_t>(
            crc32(crc32(0, Z_NULL, 0), bytes.data(), static_cast<uInt>(bytes.size())));
    }

    BpsBuilder& sourceRead(std::uint64_t length) { return action(0, length); }
    BpsBuilder& targetRead(const Bytes& data)
    {
        action(1, data.size());
        return raw(data);
    }
    // A copy whose cursor first moves by `move` bytes (negative: backwards).
    BpsBuilder& sourceCopy(std::uint64_t length, std::int64_t move)
    {
        action(2, length);
        return offset(move);
    }
    BpsBuilder& targetCopy(std::uint64_t length, std::int64_t move)
    {
        action(3, length);
        return offset(move);
    }
    BpsBuilder& raw(const Bytes& data)
    {
        bytes_.insert(bytes_.end(), data.begin(), data.end());
        return *this;
    }
    BpsBuilder& number(std::uint64_t value)
    {
        AppendNumber(bytes_, value);
        return *this;
    }

    // The patch with the checksums given, its own checksum computed.
    Bytes finish(std::uint32_t sourceCrc, std::uint32_t targetCrc) const
    {
        Bytes patch = bytes_;
        little(patch, sourceCrc);
        little(patch, targetCrc);
        little(patch, Crc(patch));
        return patch;
    }
    // The patch with the checksums of the source and target it is meant for.
    Bytes finish(const Bytes& source, const Bytes& target) const
    {
        return finish(Crc(source), Crc(target));
    }

private:
    BpsBuilder& action(std::uint64_t kind, std::uint64_t length)
    {
        return number((length - 1) << 2 | kind);
    }
    BpsBuilder& offset(std::int64_t move)
    {
        const std::uint64_t amount = move < 0 ? static_cast<std::uint64_t>(-move)
                                              : static_cast<std::uint64_t>(move);
        return number(amount << 1 | (move < 0 ? 1 : 0));
    }
    static void little(Bytes& out, std::uint32_t value)
    {
        for (int shift = 0; shift < 32; shift += 8)
            out.push_back(static_cast<std::uint8_t>(value >> shift));
    }

    Bytes bytes_;
};

} // namespace varn::test
