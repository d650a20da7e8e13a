#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "charpatch/CharacterGraphicsItems.h"
#include "cli/Cli.h"
#include "graphics/CharacterSheetRom.h"
#include "graphics/GifCodec.h"
#include "graphics/SpriteSheet.h"
#include "rom/FileIo.h"
#include "rom/HexText.h"
#include "rom/RomHeader.h"
#include "rom/RomIdentification.h"
#include "rom/RomStream.h"

namespace varn::cli {

namespace {

// Reads a file that must be exactly N bytes.
template <std::size_t N>
Result<std::array<std::uint8_t, N>> ReadExactly(const std::string& path, const char* what)
{
    auto bytes = ReadFileBytes(path);
    if (!bytes)
        return Failure{bytes.message() + "\n" + path};
    if (bytes.value().size() != N)
        return Failure{std::string(what) + "は" + std::to_string(N) +
                       "バイトでなければなりません。\n" + path};
    std::array<std::uint8_t, N> exact{};
    std::copy(bytes.value().begin(), bytes.value().end(), exact.begin());
    return exact;
}

int Check(Arguments arguments, std::ostream& out, std::ostream& err)
{
    if (arguments.size() != 1)
        return UsageError(err, "sheet check takes one GIF file");
    const auto sheet = LoadSheetImage(arguments[0]);
    if (!sheet)
        return Fail(err, sheet.message());
    out << "ok\n";
    return kExitOk;
}

int Build(Arguments arguments, std::ostream& out, std::ostream& err)
{
    if (arguments.size() != 3)
        return UsageError(err, "sheet build takes PALETTE.bin TILES.bin OUT.gif");
    if (const Status apart = CheckOutputNotInput(arguments[2], {arguments[0], arguments[1]});
        !apart)
        return Fail(err, apart.message());
    const auto palette = ReadExactly<std::tuple_size_v<SheetPalette>>(arguments[0], "パレット");
    if (!palette)
        return Fail(err, palette.message());
    const auto tiles = ReadExactly<std::tuple_size_v<SheetTiles>>(arguments[1], "タイル");
    if (!tiles)
        return Fail(err, tiles.message());

    GifImage image;
    BuildSheetImage(palette.value(), tiles.value(), image);
    if (const Status saved = SaveGifFile(image, arguments[2]); !saved)
        return Fail(err, saved.message());
    out << arguments[2] << '\n';
    return kExitOk;
}

int Split(Arguments arguments, std::ostream& out, std::ostream& err)
{
    if (arguments.size() != 3)
        return UsageError(err, "sheet split takes SHEET.gif PALETTE.bin TILES.bin");
    for (const std::string& output : {arguments[1], arguments[2]}) {
        if (const Status apart = CheckOutputNotInput(output, {arguments[0]}); !apart)
            return Fail(err, apart.message());
    }
    const auto sheet = LoadSheetImage(arguments[0]);
    if (!sheet)
        return Fail(err, sheet.message());
    const SheetPalette palette = PaletteFromImage(sheet.value());
    const SheetTiles tiles = TilesFromImage(sheet.value());
    // The palette and the tiles belong together: both files appear, or neither changes.
    const std::array<FileToWrite, 2> files{FileToWrite{arguments[1], palette},
                                           FileToWrite{arguments[2], tiles}};
    if (const Status saved = WriteFilesAtomically(files); !saved)
        return Fail(err, saved.message());
    out << arguments[1] << '\n' << arguments[2] << '\n';
    return kExitOk;
}

// Opens an image for the character graphics page: it must be the game this editor is for,
// version 1.1, without a copier header, as the page requires before it reads anything.
Result<std::unique_ptr<FileRomStream>> OpenForCharacterGraphics(const std::string& romPath)
{
    auto rom = FileRomStream::open(romPath);
    if (!rom)
        return Failure{rom.message() + "\n" + romPath};
    if (!CharacterGraphicsAvailable(ProbeRomHeader(*rom.value())))
        return Failure{kNotTargetImageMessage};
    return rom;
}

int List(Arguments arguments, std::ostream& out, std::ostream& err)
{
    if (arguments.size() != 1)
        return UsageError(err, "sheet list takes one ROM image");
    auto rom = OpenForCharacterGraphics(arguments[0]);
    if (!rom)
        return Fail(err, rom.message());
    for (const ListItem& item : CharacterGraphicsItems(*rom.value()))
        out << item.label << '\n';
    return kExitOk;
}

// A character code: two hexadecimal digits.
std::optional<std::uint8_t> ParseCode(const std::string& text)
{
    const std::optional<std::uint32_t> value = ParseHex(text, 2, 2);
    if (!value)
        return std::nullopt;
    return static_cast<std::uint8_t>(*value);
}

int Export(Arguments arguments, std::ostream& out, std::ostream& err)
{
    std::optional<std::string> codeText;
    bool transparent = false;
    std::vector<std::string> operands;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--code" && i + 1 < arguments.size())
            codeText = arguments[++i];
        else if (arguments[i] == "--transparent")
            transparent = true;
        else if (arguments[i].starts_with("--"))
            return UsageError(err, "unknown option: " + arguments[i]);
        else
            operands.push_back(arguments[i]);
    }
    if (operands.size() != 2)
        return UsageError(err, "sheet export takes ROM and OUT.gif");
    if (!codeText)
        return UsageError(err, "sheet export needs --code HH");
    const std::optional<std::uint8_t> code = ParseCode(*codeText);
    if (!code)
        return UsageError(err, "--code takes two hexadecimal digits: " + *codeText);
    if (const Status apart = CheckOutputNotInput(operands[1], {operands[0]}); !apart)
        return Fail(err, apart.message());

    auto rom = OpenForCharacterGraphics(operands[0]);
    if (!rom)
        return Fail(err, rom.message());
    Result<GifImage> sheet = ReadCharacterSheet(*rom.value(), *code);
    if (!sheet)
        return Fail(err, sheet.message());
    // The page's setting TmpTransparent = 1 is --transparent here.
    ApplySheetTransparency(sheet.value(), transparent ? 1 : 0);
    if (const Status saved = SaveGifFile(sheet.value(), operands[1]); !saved)
        return Fail(err, saved.message());
    out << operands[1] << '\n';
    return kExitOk;
}

} // namespace

// sheet check|build|split: the character sprite sheet image and its palette and tile bytes;
// sheet list|export: the sheets of the ROM image's characters.
int RunSheet(Arguments arguments, std::ostream& out, std::ostream& err)
{
    if (arguments.empty())
        return UsageError(err, "sheet needs check, build, split, list or export");
    const std::string& command = arguments[0];
    if (command == "check")
        return Check(arguments.subspan(1), out, err);
    if (command == "build")
        return Build(arguments.subspan(1), out, err);
    if (command == "split")
        return Split(arguments.subspan(1), out, err);
    if (command == "list")
        return List(arguments.subspan(1), out, err);
    if (command == "export")
        return Export(arguments.subspan(1), out, err);
    return UsageError(err, "unknown sheet command: " + command);
}

} // namespace varn::cli
