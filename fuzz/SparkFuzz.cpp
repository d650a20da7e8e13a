// The spark aptitude table as opening an image loads it: LoadSparkTable over an image whose
// bytes repeat the input, of a size from the input around the ends of the tables; then the
// table written back unchanged, and again after one flipped mark.
//
// Input: a mode byte (where the image ends: inside the base tables, exactly 4 MiB, anywhere in
// the expanded area, or around the expansion masks), three size bytes, the grid cell to flip
// (two bytes), then the pattern the image's bytes repeat.
//
// Every row must be what its offsets hold and nothing outside the image may be read (the
// stream breaks the run otherwise); rows appear exactly when their name and mask lie inside
// the image, the expansion rows in index-list order. Writing an unchanged table changes no
// byte; writing after a flip changes exactly the masks of the rows that share the flipped one.
// The row of the flipped cell fills the grid's 17 cells (one row per input: building every
// row's cells would take most of the run). After the flip the masks are read back where the
// rows say; decoding every name a third time would take a third of the run.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "SparseRomStream.h"
#include "spark/SparkTable.h"
#include "text/TextCodec.h"

namespace varn::fuzz {
namespace {

struct Expected {
    int code;
    bool expansion;
    std::uint64_t nameAt;
    std::uint64_t maskAt;
};

// The rows a plain reading of the tables gives.
std::vector<Expected> PlainRows(const SparseRomStream& rom)
{
    const std::uint64_t size = rom.size();
    const auto inside = [&](std::uint64_t at, std::uint64_t count) { return at + count <= size; };
    std::vector<Expected> rows;
    for (int i = kFirstSparkTechnique; i <= kLastSparkTechnique; ++i) {
        const Expected row{i, false, kTechniqueNameTable + 10 * std::uint64_t(i), kSparkMaskTable + 2 * std::uint64_t(i)};
        if (inside(row.nameAt, 10) && inside(row.maskAt, 2))
            rows.push_back(row);
    }
    if (size <= 0x400000)
        return rows;
    for (std::uint64_t k = 0; k < kSparkIndexEntries && inside(kSparkIndexList + k, 1); ++k) {
        const std::uint8_t slot = rom.at(kSparkIndexList + k);
        if (slot == kNoSparkEntry)
            continue;
        const Expected row{slot, true, kExpansionNameTable + 10 * std::uint64_t(slot),
                           kExpansionMaskTable + 2 * std::uint64_t(slot)};
        if (inside(row.nameAt, 10) && inside(row.maskAt, 2))
            rows.push_back(row);
    }
    return rows;
}

std::uint16_t MaskAt(const SparseRomStream& rom, std::uint64_t at)
{
    return static_cast<std::uint16_t>(rom.at(at) | (rom.at(at + 1) << 8));
}

} // namespace
} // namespace varn::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace varn;
    using fuzz::Require;
    if (size < 6)
        return 0;
    const auto input = fuzz::Bytes(data, size);
    const std::uint64_t parameter = input[1] | (input[2] << 8) | (std::uint64_t{input[3]} << 16);
    std::uint64_t imageSize = 0;
    switch (input[0] % 4) {
    case 0: // inside or just past the base tables
        imageSize = kTechniqueNameTable + parameter % (0x400000 - kTechniqueNameTable + 16);
        break;
    case 1:
        imageSize = 0x400000;
        break;
    case 2: // anywhere in the expanded area
        imageSize = 0x400001 + parameter % (0x5C0000 - 0x400001);
        break;
    default: // around the index list and the expansion masks
        imageSize = (input[0] & 4 ? kSparkIndexList : kExpansionMaskTable) + parameter % 0x220;
        break;
    }
    fuzz::SparseRomStream rom(imageSize, input.subspan(6));

    SparkTable table = LoadSparkTable(rom);
    Require(table.loaded, "a table read from an image is loaded");
    const std::vector<fuzz::Expected> expected = fuzz::PlainRows(rom);
    Require(table.rows.size() == expected.size(), "rows appear exactly when their bytes are inside");
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const SparkRow& row = table.rows[i];
        const fuzz::Expected& plain = expected[i];
        Require(row.code == plain.code && row.expansion == plain.expansion && row.maskOffset == plain.maskAt,
                "each row is the technique or slot its table gives, in order");
        Require(row.mask == fuzz::MaskAt(rom, plain.maskAt), "the mask is the bytes there");
        std::array<std::uint8_t, 10> name{};
        rom.peek(plain.nameAt, name);
        Require(row.name == DecodeText(name).text, "the name is the decoded bytes there");
    }

    Require(WriteSparkMasks(rom, table).ok(), "a loaded table is written back");
    std::vector<std::uint64_t> maskBytes;
    for (const SparkRow& row : table.rows) {
        maskBytes.push_back(row.maskOffset);
        maskBytes.push_back(std::uint64_t{row.maskOffset} + 1);
    }
    std::sort(maskBytes.begin(), maskBytes.end());
    // Nothing was placed in the image, so before the write it held the pattern throughout. The
    // image being the same byte for byte, it reads back the same table without loading it
    // again.
    const fuzz::SparseRomStream unchanged(imageSize, input.subspan(6), false);
    auto mask = maskBytes.begin(); // the written runs and the mask bytes both ascend
    for (const auto& [start, bytes] : rom.written()) {
        for (std::uint64_t offset = start; offset < start + bytes.size(); ++offset) {
            while (mask != maskBytes.end() && *mask < offset)
                ++mask;
            Require(mask != maskBytes.end() && *mask == offset, "only masks are written");
        }
        std::vector<std::uint8_t> before(bytes.size());
        unchanged.peek(start, before);
        Require(before == bytes, "an unchanged table changes no byte");
    }

    if (table.rows.empty())
        return 0;
    const int gridRow = 1 + input[4] % static_cast<int>(table.rows.size());
    const int gridColumn = 1 + input[5] % 16;
    const std::vector<std::string> cells =
        SparkGridCells(table.rows[static_cast<std::size_t>(gridRow - 1)]);
    Require(cells.size() == kSparkGridColumns && cells[0].starts_with("【"),
            "a row fills the grid");
    const SparkTable before = table;
    const std::vector<int> changed = FlipSparkMark(table, true, gridRow, gridColumn);
    const std::uint32_t flippedAt = table.rows[static_cast<std::size_t>(gridRow - 1)].maskOffset;
    for (std::size_t i = 0; i < table.rows.size(); ++i) {
        const bool shares = before.rows[i].maskOffset == flippedAt;
        const bool listed = std::find(changed.begin(), changed.end(), static_cast<int>(i) + 1) != changed.end();
        Require(shares == listed, "the rows flipped are those sharing the mask");
        const std::uint16_t expectedMask =
            shares ? static_cast<std::uint16_t>(before.rows[i].mask ^ (1u << (gridColumn - 1))) : before.rows[i].mask;
        Require(table.rows[i].mask == expectedMask, "a flip changes one bit of its rows only");
    }
    Require(WriteSparkMasks(rom, table).ok(), "a flipped table is written back");
    // Only masks were written (checked above for the same rows), so the names read back as
    // they were: each row's mask bytes are what reading the table again would give.
    for (const SparkRow& row : table.rows)
        Require(fuzz::MaskAt(rom, row.maskOffset) == row.mask,
                "the flipped table reads back as it was written");
    return 0;
}
