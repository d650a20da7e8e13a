#include "rom/WritePlan.h"

#include <algorithm>

#include "rom/RomStream.h"

namespace varn {

void WritePlan::add(std::uint64_t offset, std::span<const std::uint8_t> bytes)
{
    writes_.push_back({offset, std::vector<std::uint8_t>(bytes.begin(), bytes.end())});
}

void WritePlan::add(std::uint64_t offset, std::vector<std::uint8_t>&& bytes)
{
    writes_.push_back({offset, std::move(bytes)});
}

void WritePlan::add(std::uint64_t offset, std::uint8_t byte)
{
    writes_.push_back({offset, {byte}});
}

void WritePlan::append(const WritePlan& other)
{
    writes_.insert(writes_.end(), other.writes_.begin(), other.writes_.end());
}

std::optional<std::size_t> WritePlan::firstOutside(const RomStream& image) const
{
    for (std::size_t i = 0; i < writes_.size(); ++i) {
        if (!image.contains(writes_[i].offset, writes_[i].bytes.size()))
            return i;
    }
    return std::nullopt;
}

bool WritePlan::readAsPlanned(RomStream& image, std::uint64_t offset,
                              std::span<std::uint8_t> out) const
{
    if (!image.contains(offset, out.size()) || !image.readAt(offset, out))
        return false;
    // The range lies inside the image, so its end does not wrap; a write's end is taken only
    // where it falls before the range's end.
    const std::uint64_t end = offset + out.size();
    for (const ImageWrite& write : writes_) {
        const std::uint64_t from = std::max(offset, write.offset);
        if (from >= end || from - write.offset >= write.bytes.size())
            continue;
        const std::uint64_t to =
            write.bytes.size() >= end - write.offset ? end : write.offset + write.bytes.size();
        std::copy(write.bytes.begin() + static_cast<std::ptrdiff_t>(from - write.offset),
                  write.bytes.begin() + static_cast<std::ptrdiff_t>(to - write.offset),
                  out.begin() + static_cast<std::ptrdiff_t>(from - offset));
    }
    return true;
}

Status WritePlan::writeTo(RomStream& image, const RefusalMessage& outside,
                          const RefusalMessage& failed) const
{
    if (const std::optional<std::size_t> refused = firstOutside(image))
        return Failure{outside(*refused)};
    for (std::size_t i = 0; i < writes_.size(); ++i) {
        if (!image.writeAt(writes_[i].offset, writes_[i].bytes))
            return Failure{failed(i)};
    }
    return {};
}

Status WritePlan::writeTo(RomStream& image, std::string_view outsideMessage,
                          std::string_view failedMessage) const
{
    return writeTo(
        image, [&](std::size_t) { return std::string(outsideMessage); },
        [&](std::size_t) { return std::string(failedMessage); });
}

} // namespace varn
