#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "text/Settings.h"

namespace varn::test {

// Builds synthetic ROM images with known bytes: a cartridge header at the high-mapped
// (0xFFC0) or low-mapped (0x7FC0) place, an optional 512-byte copier header in front, and
// any bytes a test puts at headerless offsets. Unset bytes are a repeating pattern, so a
// read from the wrong offset is seen.
class RomImageBuilder {
public:
    // The smallest size that holds every header probe.
    static constexpr std::size_t kSmallSize = 0x20000;
    static constexpr std::size_t kPlainSize = 0x400000;    // 4 MiB, not expanded
    static constexpr std::size_t kExpandedSize = 0x600000; // with the area above 4 MiB

    explicit RomImageBuilder(std::size_t size = kSmallSize);

    // The game this editor is for at version byte 1, high-mapped, no copier header.
    static RomImageBuilder Target(std::size_t size = kSmallSize);

    // An expanded image of the game ready for a patch list: music bookkeeping clear, and the
    // sprite sheet pointer of the additional slot B0 leading into the expanded area.
    static RomImageBuilder ReadyForPatchList();

    // Writes a cartridge header: the title (raw bytes, padded with spaces to 21) and the
    // version byte, high- or low-mapped.
    RomImageBuilder& cartridge(std::string_view titleBytes, std::uint8_t version,
                               bool highMapped = true);
    // Puts a 512-byte copier header in front of the image when built.
    RomImageBuilder& copierHeader(bool present = true);
    RomImageBuilder& bytes(std::size_t offset, std::vector<std::uint8_t> data);
    RomImageBuilder& byte(std::size_t offset, std::uint8_t value);

    std::vector<std::uint8_t> build() const;

private:
    std::vector<std::uint8_t> image_;
    bool copierHeader_ = false;
};

// The music region and bookkeeping ReadyForPatchList lays out: the settings' defaults.
inline const MusicConstants kMusic{};

} // namespace varn::test
