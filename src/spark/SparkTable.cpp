#include "spark/SparkTable.h"

#include <array>
#include <optional>

#include "rom/FileIo.h"
#include "rom/HexText.h"
#include "rom/RomAddress.h"
#include "rom/RomStream.h"
#include "rom/WritePlan.h"
#include "text/TextCodec.h"

namespace varn {

namespace {

// Reads one row whose name and mask lie at the given offsets; nothing when either lies past
// the end of the image.
std::optional<SparkRow> ReadRow(RomStream& rom, int code, bool expansion,
                                std::uint32_t nameOffset, std::uint32_t maskOffset)
{
    std::array<std::uint8_t, kTechniqueNameBytes> name{};
    std::array<std::uint8_t, 2> mask{};
    if (!rom.contains(nameOffset, name.size()) || !rom.contains(maskOffset, mask.size()) ||
        !rom.readAt(nameOffset, name) || !rom.readAt(maskOffset, mask))
        return std::nullopt;
    SparkRow row;
    row.code = code;
    row.expansion = expansion;
    row.maskOffset = maskOffset;
    row.name = DecodeText(name).text;
    row.mask = static_cast<std::uint16_t>(mask[0] | (mask[1] << 8));
    return row;
}

} // namespace

SparkTable LoadSparkTable(RomStream& rom)
{
    SparkTable table;
    table.loaded = true;
    for (int i = kFirstSparkTechnique; i <= kLastSparkTechnique; ++i) {
        const auto offset = static_cast<std::uint32_t>(i);
        if (auto row = ReadRow(rom, i, false, kTechniqueNameTable + kTechniqueNameBytes * offset,
                               kSparkMaskTable + 2 * offset))
            table.rows.push_back(std::move(*row));
    }
    if (!IsExpandedImage(rom))
        return table;
    for (int k = 0; k < kSparkIndexEntries; ++k) {
        const std::uint32_t entry = kSparkIndexList + static_cast<std::uint32_t>(k);
        if (!rom.contains(entry, 1))
            break;
        const std::optional<std::uint8_t> slot = rom.readByte(entry);
        if (!slot || *slot == kNoSparkEntry)
            continue;
        if (auto row = ReadRow(rom, *slot, true,
                               kExpansionNameTable + kTechniqueNameBytes * std::uint32_t{*slot},
                               kExpansionMaskTable + 2 * std::uint32_t{*slot}))
            table.rows.push_back(std::move(*row));
    }
    return table;
}

Result<SparkTable> LoadSparkTable(const std::filesystem::path& path)
{
    auto rom = FileRomStream::open(path);
    if (!rom)
        return Failure{rom.message()};
    return LoadSparkTable(*rom.value());
}

std::string SparkRowLabel(const SparkRow& row)
{
    return "【" + HexDigits(row.code, 2) + "】" + row.name;
}

std::string_view SparkMark(std::uint16_t mask, int column)
{
    if (column < 1 || column > 16)
        return kSparkMarkClear;
    return (mask >> (column - 1)) & 1 ? kSparkMarkSet : kSparkMarkClear;
}

std::vector<std::string> SparkGridHeader()
{
    std::vector<std::string> cells{std::string(kSparkCornerHeading)};
    for (std::string_view heading : kSparkTypeHeadings)
        cells.emplace_back(heading);
    return cells;
}

std::vector<std::string> SparkGridCells(const SparkRow& row)
{
    std::vector<std::string> cells{SparkRowLabel(row)};
    for (int column = 1; column <= 16; ++column)
        cells.emplace_back(SparkMark(row.mask, column));
    return cells;
}

bool SetSparkMask(SparkTable& table, std::size_t rowIndex, std::uint16_t mask)
{
    if (rowIndex >= table.rows.size())
        return false;
    const std::uint32_t offset = table.rows[rowIndex].maskOffset;
    for (SparkRow& row : table.rows) {
        if (row.maskOffset == offset)
            row.mask = mask;
    }
    return true;
}

std::vector<int> FlipSparkMark(SparkTable& table, bool imageOpen, int gridRow, int gridColumn)
{
    if (!imageOpen || gridRow < 1 || gridColumn < 1 || gridColumn > 16 ||
        gridRow > static_cast<int>(table.rows.size()))
        return {};
    const auto index = static_cast<std::size_t>(gridRow - 1);
    const std::uint16_t mask =
        static_cast<std::uint16_t>(table.rows[index].mask ^ (1u << (gridColumn - 1)));
    const std::uint32_t offset = table.rows[index].maskOffset;
    SetSparkMask(table, index, mask);
    std::vector<int> changed;
    for (std::size_t i = 0; i < table.rows.size(); ++i) {
        if (table.rows[i].maskOffset == offset)
            changed.push_back(static_cast<int>(i) + 1);
    }
    return changed;
}

Status WriteSparkMasks(RomStream& rom, const SparkTable& table)
{
    if (!table.loaded)
        return Failure{kSparkNotLoadedMessage};
    WritePlan plan;
    for (const SparkRow& row : table.rows) {
        const std::array<std::uint8_t, 2> bytes{static_cast<std::uint8_t>(row.mask),
                                                static_cast<std::uint8_t>(row.mask >> 8)};
        plan.add(row.maskOffset, bytes);
    }
    return plan.writeTo(rom, kSparkOutsideImageMessage);
}

Status WriteSparkTable(const std::filesystem::path& romPath, const SparkTable& table,
                       const ImageChangeOptions& options)
{
    if (romPath.empty())
        return Failure{kSparkNoRomMessage};
    if (!table.loaded)
        return Failure{kSparkNotLoadedMessage};
    auto edit = RomImageEdit::open(romPath);
    if (!edit)
        return Failure{kSparkCannotOpenRomMessage};
    if (const Status written = WriteSparkMasks(edit.value().image(), table); !written)
        return written;
    return edit.value().commit(options);
}

} // namespace varn
