#include "patchlist/IpsPatch.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "rom/FileIo.h"
#include "rom/RomStream.h"

namespace varn {

namespace {

// Records start right after the header.
constexpr std::size_t kFirstRecord = 5;
constexpr std::size_t kOffsetSize = 3;
constexpr std::size_t kSizeSize = 2;
constexpr std::size_t kRunSize = 3; // run length and value
constexpr std::string_view kEndMarker = "EOF";

struct IpsRecord {
    std::uint64_t offset = 0;
    std::span<const std::uint8_t> data; // the bytes to write, or empty for a run
    std::size_t runLength = 0;
    std::uint8_t runValue = 0;

    std::size_t length() const { return data.empty() ? runLength : data.size(); }
};

std::size_t BigEndian(std::span<const std::uint8_t> bytes)
{
    std::size_t value = 0;
    for (const std::uint8_t byte : bytes)
        value = value << 8 | byte;
    return value;
}

// Walks the records up to the end marker or the end of the file, handing each to `visit`
// until it returns false; nullopt when a record is cut after its offset, else whether every
// visit returned true. Nothing is kept: a patch is walked once to check it and once to apply
// it, so that a file of many small records costs no memory of its own.
template <typename Visit>
std::optional<bool> WalkIpsRecords(std::span<const std::uint8_t> ips, Visit&& visit)
{
    std::size_t pos = kFirstRecord;
    const auto left = [&] { return pos < ips.size() ? ips.size() - pos : 0; };
    while (left() >= kOffsetSize) {
        const auto offsetBytes = ips.subspan(pos, kOffsetSize);
        if (std::equal(offsetBytes.begin(), offsetBytes.end(), kEndMarker.begin()))
            break;
        IpsRecord record;
        record.offset = BigEndian(offsetBytes);
        pos += kOffsetSize;
        if (left() < kSizeSize)
            return std::nullopt;
        const std::size_t size = BigEndian(ips.subspan(pos, kSizeSize));
        pos += kSizeSize;
        if (size > 0) {
            if (left() < size)
                return std::nullopt;
            record.data = ips.subspan(pos, size);
            pos += size;
        } else {
            if (left() < kRunSize)
                return std::nullopt;
            record.runLength = BigEndian(ips.subspan(pos, 2));
            record.runValue = ips[pos + 2];
            pos += kRunSize;
        }
        if (!visit(record))
            return false;
    }
    return true;
}

} // namespace

bool HasIpsHeader(std::span<const std::uint8_t> bytes)
{
    return bytes.size() >= kIpsHeader.size() &&
           std::equal(kIpsHeader.begin(), kIpsHeader.end(), bytes.begin());
}

Result<std::vector<std::uint8_t>> ReadIpsFile(const std::filesystem::path& path)
{
    const Result<FileHead> head = ReadFileHead(path, 0);
    if (!head)
        return Failure{kCannotOpenFileMessage};
    if (head.value().size > kMaxIpsPatchSize)
        return Failure{kAbnormalFileMessage};
    // A file that has grown since is not read past the size judged.
    return ReadFileBytes(path, head.value().size);
}

Status ApplyIpsPatch(RomStream& rom, std::span<const std::uint8_t> ips,
                     std::string_view displayName)
{
    if (ips.size() > kMaxIpsPatchSize)
        return NamedFailure(kAbnormalFileMessage, displayName);
    // A cut record is found before anything is written, so a broken file changes nothing.
    if (!WalkIpsRecords(ips, [](const IpsRecord&) { return true; }).has_value())
        return NamedFailure(kAbnormalFileMessage, displayName);

    std::vector<std::uint8_t> run;
    const auto apply = [&](const IpsRecord& record) {
        const std::size_t length = record.length();
        if (length == 0)
            return true;
        if (!rom.extend(record.offset + length))
            return false;
        std::span<const std::uint8_t> bytes = record.data;
        if (bytes.empty()) {
            run.assign(record.runLength, record.runValue);
            bytes = run;
        }
        return rom.writeAt(record.offset, bytes);
    };
    if (!WalkIpsRecords(ips, apply).value_or(false))
        return NamedFailure(kCannotWriteFileMessage, displayName);
    return {};
}

Status ApplyIpsPatch(RomStream& rom, const std::filesystem::path& path)
{
    const std::string name = path.filename().string();
    const Result<std::vector<std::uint8_t>> ips = ReadIpsFile(path);
    if (!ips)
        return NamedFailure(ips.message().c_str(), name);
    return ApplyIpsPatch(rom, ips.value(), name);
}

} // namespace varn
