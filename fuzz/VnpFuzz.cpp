// Character patch files (".vnp") as the editor and the patch list read them: ParsePatchFile,
// then LoadPatchIntoForm on a fresh form, as dropping a patch on the page "キャラパッチ" does.
//
// The input is read as the file itself. One shorter than the head, which the reader refuses
// as a file, is also read in a compact form that spends the mutations where the reader makes
// decisions: the input's first 54 bytes are the head up to the tile block (magic, name,
// gender, title, palette), the tile block is a fixed pattern, and the rest of the input
// follows as the records, up to 7103 bytes of them. An input that holds the head is not
// read in the compact form as well, which would double the cost of its run. The tiles of the
// sheet a loaded patch shows are read back once per tile block (see SeenBefore): in the
// compact form the tile block is always the same.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <unordered_set>
#include <vector>

#include "FuzzSupport.h"
#include "charpatch/CharacterForm.h"
#include "charpatch/CharacterPatchFile.h"
#include "graphics/GifImage.h"
#include "graphics/SnesColor.h"
#include "graphics/SpriteSheet.h"
#include "text/ExtensionTable.h"
#include "text/Utf8.h"

namespace varn::fuzz {
namespace {

constexpr std::size_t kCompactHeadSize = 54; // magic, name, gender, title, palette

std::vector<std::uint8_t> ExpandCompact(std::span<const std::uint8_t> input)
{
    std::vector<std::uint8_t> file(kPatchHeadSize);
    const std::size_t head = std::min(input.size(), kCompactHeadSize);
    std::copy_n(input.begin(), head, file.begin());
    for (std::size_t i = kCompactHeadSize; i < kPatchHeadSize; ++i)
        file[i] = static_cast<std::uint8_t>(i * 37 + (i >> 8));
    file.insert(file.end(), input.begin() + static_cast<std::ptrdiff_t>(head), input.end());
    return file;
}

std::uint16_t PaletteWord(const SheetPalette& palette, std::size_t colour)
{
    return static_cast<std::uint16_t>(palette[2 * colour] | (palette[2 * colour + 1] << 8));
}

// The form's texts are what the page shows; each must be UTF-8 whatever the file held.
void RequireFormTextsAreUtf8(const CharacterForm& form)
{
    for (const std::string* text :
         {&form.name, &form.title, &form.comment, &form.firstLine, &form.firstOk, &form.firstNg,
          &form.firstAfterOk, &form.secondOk, &form.secondNg, &form.joinLine, &form.refuseLine,
          &form.repeatLine, &form.repeatOk, &form.repeatNg, &form.repeatAfterOk,
          &form.repeatAfterNg, &form.lastBattleLine}) {
        Require(IsValidUtf8(*text), "the form's texts are UTF-8");
    }
}

// The sheet a loaded patch shows is drawn from its palette and tiles and gives both back: the
// tiles exactly, the palette as 15-bit colours with colours 1 to 3 fixed.
void RequireSheetMatches(const PatchFile& patch, const GifImage& sheet)
{
    Require(sheet.frames.size() == 1, "a loaded patch shows one sheet frame");
    Require(sheet.colors.size() == 17 && sheet.frames.front().colors.empty(),
            "the sheet of a loaded patch has 17 colours");
    // The sheet's pixels are drawn from the tiles alone and the palette gives only the values of
    // its 17 colours, so whether it is valid and the tiles it gives back depend on the tiles
    // alone: checked once per tile block.
    static std::unordered_set<std::size_t> tilesChecked;
    if (!SeenBefore(tilesChecked, {patch.tiles})) {
        Require(ValidateGifImage(sheet).ok(), "the sheet of a loaded patch is valid");
        Require(TilesFromImage(sheet) == patch.tiles, "the sheet gives back the patch's tiles");
    }
    const SheetPalette palette = PaletteFromImage(sheet);
    for (std::size_t colour = 0; colour < 16; ++colour) {
        const std::uint16_t expected =
            colour >= 1 && colour <= 3
                ? kFixedSheetColours[colour - 1]
                : static_cast<std::uint16_t>(PaletteWord(patch.palette, colour) & 0x7FFF);
        Require(PaletteWord(palette, colour) == expected, "the sheet gives back the palette");
    }
}

void CheckPatchFile(std::span<const std::uint8_t> bytes, const ExtensionTable& extensions)
{
    const Result<PatchFile> parsed = ParsePatchFile(bytes);
    if (bytes.size() < kPatchHeadSize) {
        Require(!parsed, "a file shorter than the head is refused");
        return;
    }
    Require(parsed.ok(), "a file that holds the head parses");
    const PatchFile& patch = parsed.value();

    // Writing what was read gives a file that reads back the same; nothing read is longer
    // than the writer allows.
    const Result<std::vector<std::uint8_t>> written = SerializePatchFile(patch);
    Require(written.ok(), "a parsed patch serialises");
    Require(written.value().size() <= bytes.size(), "serialising adds nothing");
    const Result<PatchFile> reread = ParsePatchFile(written.value());
    Require(reread && reread.value() == patch, "a serialised patch parses to the same records");

    CharacterForm form;
    GifImage sheet;
    const Status loaded = LoadPatchIntoForm(patch, form, sheet, extensions);
    RequireFormTextsAreUtf8(form);
    if (!loaded) {
        Require(!loaded.message().empty(), "a refused patch says why");
        return;
    }
    RequireSheetMatches(patch, sheet);

    // "パッチ作成" on the loaded form: what it builds must write and read back whole.
    const Result<PatchFile> built = BuildPatchFile(form, sheet, extensions);
    if (!built)
        return;
    const Result<std::vector<std::uint8_t>> builtBytes = SerializePatchFile(built.value());
    Require(builtBytes.ok(), "a built patch serialises");
    const Result<PatchFile> builtRead = ParsePatchFile(builtBytes.value());
    Require(builtRead && builtRead.value() == built.value(), "a built patch reads back the same");
}

} // namespace
} // namespace varn::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    varn::fuzz::KeepCp932ConverterLoaded();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace varn;
    static const ExtensionTable extensions = fuzz::TwoRowExtensionTable();
    const auto input = fuzz::Bytes(data, size);
    fuzz::CheckPatchFile(input, extensions);
    if (size < kPatchHeadSize)
        fuzz::CheckPatchFile(fuzz::ExpandCompact(input), extensions);
    return 0;
}
