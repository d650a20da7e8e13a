#include "graphics/CharacterSheetRom.h"

#include <algorithm>

#include "rom/RomAddress.h"
#include "rom/RomHeader.h"
#include "rom/RomIdentification.h"
#include "rom/RomStream.h"
#include "text/TextCodec.h"

namespace varn {

namespace {

// Palette and tile block of the codes 0x00 to 0x1F, by code.
constexpr std::array<CharacterSheetPlace, 0x20> kFixedSheetPlaces{{
    {0x2C8020, 0x1A1C60}, // 00
    {0x2C8080, 0x1A7180}, // 01
    {0x2C80A0, 0x1A8DE0}, // 02
    {0x2C8060, 0x1A5520}, // 03
    {0x2C80C0, 0x1AAA40}, // 04
    {0x2C8040, 0x1A38C0}, // 05
    {0x2C8000, 0x1A0000}, // 06
    {0x2C80E0, 0x1AC6A0}, // 07
    {0x2C8140, 0x1B1C60}, // 08
    {0x2C8100, 0x1AE300}, // 09
    {0x2C8120, 0x1B0000}, // 0A
    {0x2C81C0, 0x1B9220}, // 0B
    {0x2C8260, 0x1C38C0}, // 0C
    {0x2C8180, 0x1B5740}, // 0D
    {0x2C8160, 0x1B38C0}, // 0E
    {0x2C81E0, 0x1BAE80}, // 0F
    {0x2C8200, 0x1BCAE0}, // 10
    {0x2C8220, 0x1C0000}, // 11
    {0x2C8240, 0x1C1C60}, // 12
    {0x2C8300, 0x1CC6A0}, // 13
    {0x2C8280, 0x1C5520}, // 14
    {0x2C82C0, 0x1C8DE0}, // 15
    {0x2C81A0, 0x1B75C0}, // 16
    {0x2C82A0, 0x1C7180}, // 17
    {0x2C8320, 0x1CE300}, // 18
    {0x2C82E0, 0x1CAA40}, // 19
    {0x2C9580, 0x21D820}, // 1A
    {0x2C8D80, 0x1FB1A0}, // 1B
    {0x2C93A0, 0x1D38C0}, // 1C
    {0x2C8360, 0x1D1C60}, // 1D
    {0x2C8340, 0x1D0000}, // 1E
    {0x2C83A0, 0x1D5520}, // 1F
}};

constexpr std::size_t kPaletteBytes = std::tuple_size_v<SheetPalette>;
constexpr std::size_t kTileBlockBytes = std::tuple_size_v<SheetTiles>;

} // namespace

bool CharacterGraphicsAvailable(const RomHeaderInfo& header)
{
    return IsExpectedImage(header);
}

std::optional<CharacterSheetPlace> FixedSheetPlace(std::uint8_t code)
{
    if (code >= kFixedSheetPlaces.size())
        return std::nullopt;
    return kFixedSheetPlaces[code];
}

std::uint32_t ExtraSheetTileOffset(std::span<const std::uint8_t, kExtraSheetPointerSize> entry)
{
    return PointerToOffset(PointerFromBytes(entry.subspan<1, 3>()));
}

Result<CharacterSheetPlace> LocateCharacterSheet(RomStream& rom, std::uint8_t code)
{
    CharacterSheetPlace place;
    if (const auto fixed = FixedSheetPlace(code)) {
        place = *fixed;
    } else if (IsExtraSheetCode(code)) {
        if (!IsExpandedImage(rom))
            return Failure{kNoExtraSheetMessage};
        const std::uint64_t n = code - kFirstExtraSheetCode;
        std::array<std::uint8_t, kExtraSheetPointerSize> entry{};
        if (!rom.contains(kExtraSheetPointers + kExtraSheetPointerSize * n, entry.size()) ||
            !rom.readAt(kExtraSheetPointers + kExtraSheetPointerSize * n, entry))
            return Failure{kSheetOutsideImageMessage};
        place.palette = kExtraSheetPalettes + kPaletteBytes * n;
        place.tiles = ExtraSheetTileOffset(entry);
    } else {
        return Failure{kUnknownSheetCodeMessage};
    }
    // A pointer may lead anywhere: the sheet is read only when all of it lies in the image.
    if (!rom.contains(place.palette, kPaletteBytes) || !rom.contains(place.tiles, kTileBlockBytes))
        return Failure{kSheetOutsideImageMessage};
    return place;
}

Result<CharacterSheetData> ReadCharacterSheetData(RomStream& rom, std::uint8_t code)
{
    const Result<CharacterSheetPlace> place = LocateCharacterSheet(rom, code);
    if (!place)
        return Failure{place.message()};
    CharacterSheetData data;
    if (!rom.readAt(place.value().palette, data.palette) ||
        !rom.readAt(place.value().tiles, data.tiles))
        return Failure{kCannotOpenFileMessage};
    return data;
}

Result<GifImage> ReadCharacterSheet(RomStream& rom, std::uint8_t code)
{
    const Result<CharacterSheetData> data = ReadCharacterSheetData(rom, code);
    if (!data)
        return Failure{data.message()};
    GifImage image;
    BuildSheetImage(data.value().palette, data.value().tiles, image);
    return image;
}

Result<GifImage> ReadCharacterSheet(const std::filesystem::path& romPath, std::uint8_t code)
{
    auto rom = FileRomStream::open(romPath);
    if (!rom)
        return Failure{rom.message()};
    return ReadCharacterSheet(*rom.value(), code);
}

void ApplySheetTransparency(GifImage& sheet, int tmpTransparent)
{
    if (tmpTransparent != 1 || sheet.frames.empty())
        return;
    GifFrame& first = sheet.frames.front();
    if (!first.control)
        first.control = GifControl{};
    first.control->transparentIndex = 0;
    first.control->transparent = true;
}

Result<GifImage> CharacterSheetForGif(const std::filesystem::path& romPath, std::uint8_t code,
                                      int tmpTransparent)
{
    Result<GifImage> sheet = ReadCharacterSheet(romPath, code);
    if (sheet)
        ApplySheetTransparency(sheet.value(), tmpTransparent);
    return sheet;
}

std::vector<ExtraSheetName> ReadExtraSheetNames(RomStream& rom, const ExtensionTable& extensions)
{
    std::vector<ExtraSheetName> names;
    if (!IsExpandedImage(rom))
        return names;
    for (int n = 0; n < kExtraSheetCount; ++n) {
        ExtraSheetName entry{static_cast<std::uint8_t>(kFirstExtraSheetCode + n), {}};
        std::array<std::uint8_t, kExtraSheetNameSize> bytes{};
        const std::uint64_t at = kExtraSheetNames + kExtraSheetNameSize * static_cast<std::uint64_t>(n);
        if (rom.contains(at, bytes.size()) && rom.readAt(at, bytes)) {
            const DecodedText decoded = DecodeText(bytes, extensions);
            if (decoded.ok)
                entry.name = decoded.text;
        }
        names.push_back(std::move(entry));
    }
    return names;
}

std::string CharacterSheetFileBase(std::string_view itemText)
{
    return std::string(itemText);
}

} // namespace varn
