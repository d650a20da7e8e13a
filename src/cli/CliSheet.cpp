#include <algorithm>
#include <array>
#include <ostream>
#include <string>
#include <tuple>

#include "cli/Cli.h"
#include "graphics/GifCodec.h"
#include "graphics/SpriteSheet.h"
#include "rom/FileIo.h"

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

} // namespace

// sheet check|build|split: the character sprite sheet image and its palette and tile bytes.
int RunSheet(Arguments arguments, std::ostream& out, std::ostream& err)
{
    if (arguments.empty())
        return UsageError(err, "sheet needs check, build or split");
    const std::string& command = arguments[0];
    if (command == "check")
        return Check(arguments.subspan(1), out, err);
    if (command == "build")
        return Build(arguments.subspan(1), out, err);
    if (command == "split")
        return Split(arguments.subspan(1), out, err);
    return UsageError(err, "unknown sheet command: " + command);
}

} // namespace varn::cli
