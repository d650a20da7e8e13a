#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "rom/Result.h"
#include "rom/RomImageEdit.h"

namespace varn {

class RomStream;

// The spark aptitude table: for every technique a 16-bit mask of the spark types (the kinds
// of fighting through which it can be sparked in battle). The page "閃き適正" shows it as a
// grid of marks, one row per technique and one column per type, and writes the masks back.
// Offsets are raw file offsets; the names are read but never written.

inline constexpr std::uint32_t kTechniqueNameTable = 0x3D27C0;
inline constexpr std::size_t kTechniqueNameBytes = 10;
inline constexpr std::uint32_t kSparkMaskTable = 0x3E353F;
// The techniques of the grid; 0x00 to 0x0E are not shown.
inline constexpr int kFirstSparkTechnique = 0x0F;
inline constexpr int kLastSparkTechnique = 0xDB;
// The expanded image's techniques: a list of slot numbers (0xFF: no entry), and by slot a
// name and a mask.
inline constexpr std::uint32_t kSparkIndexList = 0x5BB800;
inline constexpr int kSparkIndexEntries = 192;
inline constexpr std::uint8_t kNoSparkEntry = 0xFF;
inline constexpr std::uint32_t kExpansionNameTable = 0x5BA000;
inline constexpr std::uint32_t kExpansionMaskTable = 0x5BF9C0;

// The spark types in bit order 0 to 15, the headings of grid columns 1 to 16.
inline constexpr std::array<std::string_view, 16> kSparkTypeHeadings{
    "太", "剣", "大", "斧", "棍", "小", "槍", "弓", "体", "汎1", "汎2", "月", "蒼", "朱", "白", "玄",
};

// The grid StringGrid1: 17 columns, a fixed header row and a fixed name column, marks that
// cannot be typed into.
inline constexpr std::string_view kSparkCornerHeading = "技術名＼閃きタイプ";
inline constexpr std::string_view kSparkMarkSet = "○";
inline constexpr std::string_view kSparkMarkClear = "×";
inline constexpr int kSparkGridColumns = 17;

inline constexpr const char* kSparkNoRomMessage = "SMCファイルを指定してください。";
inline constexpr const char* kSparkCannotOpenRomMessage = "SMCファイルが開けません。";
// Writing while the grid holds no table read from an image.
inline constexpr const char* kSparkNotLoadedMessage = "閃き適正の表が読み込まれていません。";
// Writing masks to an image that no longer reaches them.
inline constexpr const char* kSparkOutsideImageMessage =
    "SMCファイルの範囲外には書き込めません。";

// One technique row of the grid.
struct SparkRow {
    int code = 0;           // the technique number, or the slot number of an expansion row
    bool expansion = false; // read through the expanded image's index list
    std::uint32_t maskOffset = 0;
    std::string name; // the decoded name; empty when it does not decode
    std::uint16_t mask = 0;

    friend bool operator==(const SparkRow&, const SparkRow&) = default;
};

// The grid's table: rows 1 to n of the grid are rows[0] to rows[n - 1].
struct SparkTable {
    // Read from an image. A table that was not (the grid of another game or revision, which
    // holds only its header and one empty row) is never written.
    bool loaded = false;
    std::vector<SparkRow> rows;

    friend bool operator==(const SparkTable&, const SparkTable&) = default;
};

// Reads the table: the techniques 0x0F to 0xDB, then, on an expanded image (larger than
// 4 MiB), one row per used entry of the index list in list order. A row whose name or mask
// lies past the end of the image is left out, and so is an entry of the index list past it.
SparkTable LoadSparkTable(RomStream& rom);

// The same for the image file at `path`, opened for reading; fails with
// "ファイルが開けません。" when it cannot be (the grid then keeps what it showed).
Result<SparkTable> LoadSparkTable(const std::filesystem::path& path);

// Column 0 of a row: "【", the code in two upper-case hexadecimal digits, "】" and the name.
std::string SparkRowLabel(const SparkRow& row);
// "○" when the bit of grid column `column` (1 to 16, bit column - 1) is set, else "×".
std::string_view SparkMark(std::uint16_t mask, int column);
// Row 0 of the grid: the corner heading and the sixteen spark types.
std::vector<std::string> SparkGridHeader();
// The 17 cells of a row: its label and sixteen marks.
std::vector<std::string> SparkGridCells(const SparkRow& row);

// StringGrid1KeyPress acts on the Enter key (carriage return) only.
constexpr bool IsSparkFlipKey(int key)
{
    return key == '\r';
}

// Flips the mark of grid cell (gridRow, gridColumn): nothing happens without an open image,
// in row 0 or column 0, or outside the table. Rows that share one mask in the image (an
// index list may name a slot twice) are kept equal, so that writing cannot undo a flip.
// Returns the grid rows whose marks changed.
std::vector<int> FlipSparkMark(SparkTable& table, bool imageOpen, int gridRow, int gridColumn);

// Sets the mask of rows[rowIndex] and every row sharing its mask; false for no such row.
bool SetSparkMask(SparkTable& table, std::size_t rowIndex, std::uint16_t mask);

// Writes every row's mask, low byte first, at its offset; names and the index list are not
// written. Refuses a table that was not loaded and, before writing anything, one whose masks
// the image does not reach.
Status WriteSparkMasks(RomStream& rom, const SparkTable& table);

// Button20Click without the dialogs: refuses an empty path ("SMCファイルを指定してください。")
// and a table that was not loaded, then writes the masks into the image at `romPath` and
// replaces the file whole; an image that cannot be read fails with "SMCファイルが開けません。".
Status WriteSparkTable(const std::filesystem::path& romPath, const SparkTable& table,
                       const ImageChangeOptions& options = {});

} // namespace varn
