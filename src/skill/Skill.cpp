#include "skill/Skill.h"

#include <algorithm>
#include <array>
#include <vector>

#include "graphics/SnesColor.h"
#include "graphics/SpriteSheet.h"
#include "rom/FileIo.h"
#include "rom/RomStream.h"
#include "rom/WritePlan.h"

namespace varn {

namespace {

// The reserved categories' tables, where a written graphic's pointer and palette go.
constexpr const SkillGraphicCategory& kWritableGraphics =
    kSkillGraphicCategories[kWritableGraphicCategory];
constexpr const SkillPaletteCategory& kWritablePalettes =
    kSkillPaletteCategories[kWritablePaletteCategory];

// A dropped GIF larger than this is no 128 x 16 graphic; it is refused unread.
constexpr std::uintmax_t kMaxSkillGifFileBytes = 16u << 20;

// The bytes of the image from `offset` on, at most `count`: fewer where the image ends, none
// for an offset outside it.
std::vector<std::uint8_t> ReadInside(RomStream& rom, std::int64_t offset, std::size_t count)
{
    if (offset < 0 || static_cast<std::uint64_t>(offset) >= rom.size())
        return {};
    const std::uint64_t available = rom.size() - static_cast<std::uint64_t>(offset);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::min<std::uint64_t>(count, available)));
    if (!rom.readAt(static_cast<std::uint64_t>(offset), bytes))
        return {};
    return bytes;
}

// `count` bytes from `offset`, those past the end of the image as 0.
std::vector<std::uint8_t> ReadPadded(RomStream& rom, std::int64_t offset, std::size_t count)
{
    std::vector<std::uint8_t> bytes = ReadInside(rom, offset, count);
    bytes.resize(count, 0);
    return bytes;
}

} // namespace

Status CheckSkillImage(const GifImage& image)
{
    if (image.width != kSkillGraphicWidth || image.height != kSkillGraphicHeight ||
        image.frames.empty())
        return Failure{kSkillImageSizeMessage};
    const GifFrame& first = image.frames.front();
    for (int y = 0; y < kSkillGraphicHeight; ++y) {
        for (int x = 0; x < kSkillGraphicWidth; ++x) {
            if (first.pixel(x, y) > 7)
                return Failure{UnusableColourMessage(x, y)};
        }
    }
    return {};
}

std::array<GifColor, kSkillPaletteColours> SkillImageColours(const GifImage& image)
{
    std::array<GifColor, kSkillPaletteColours> colours{};
    const GifColorTable& table = image.frameColors(0);
    std::copy_n(table.begin(), std::min(table.size(), colours.size()), colours.begin());
    return colours;
}

Status Skill::Fail(std::string text)
{
    message = std::move(text);
    return Failure{message};
}

Status Skill::CheckSelection() const
{
    const auto within = [](int value, int count) { return value >= 0 && value < count; };
    if (!within(graphicCategory, static_cast<int>(kSkillGraphicCategories.size())) ||
        !within(paletteCategory, static_cast<int>(kSkillPaletteCategories.size())))
        return Failure{kSkillNoSuchGraphicMessage};
    if (!within(graphicId, kSkillGraphicCategories[static_cast<std::size_t>(graphicCategory)].idCount) ||
        !within(paletteId, kSkillPaletteCategories[static_cast<std::size_t>(paletteCategory)].idCount))
        return Failure{kSkillNoSuchGraphicMessage};
    return {};
}

Status Skill::ReadGraphic()
{
    if (const Status selection = CheckSelection(); !selection)
        return Fail(selection.message());
    auto rom = FileRomStream::open(romPath);
    if (!rom)
        return Fail(rom.message());
    return ReadGraphic(*rom.value());
}

Status Skill::ReadGraphic(RomStream& rom)
{
    if (const Status selection = CheckSelection(); !selection)
        return Fail(selection.message());
    shownImage = GifImage{};
    ReadPalette(rom);
    ReadTiles(rom);
    BuildImage();
    return {};
}

void Skill::ReadPalette(RomStream& rom)
{
    palette = {};
    const SkillPaletteCategory& category =
        kSkillPaletteCategories[static_cast<std::size_t>(paletteCategory)];
    if (category.fixed) {
        palette = FixedSkillPalette(paletteId);
        return;
    }
    const std::int64_t at = std::int64_t{category.table} + headerOffset +
                            std::int64_t{paletteId} * category.paletteBytes();
    const std::vector<std::uint8_t> bytes =
        ReadPadded(rom, at, static_cast<std::size_t>(category.paletteBytes()));
    for (std::size_t i = 0; i < static_cast<std::size_t>(category.colours); ++i)
        palette[i] = static_cast<std::uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
}

void Skill::ReadTiles(RomStream& rom)
{
    tiles = {};
    const SkillGraphicCategory& category =
        kSkillGraphicCategories[static_cast<std::size_t>(graphicCategory)];
    const std::int64_t at = std::int64_t{category.pointerTable} + headerOffset +
                            std::int64_t{graphicId} * category.pointerSize;
    const std::vector<std::uint8_t> pointer =
        ReadPadded(rom, at, static_cast<std::size_t>(category.pointerSize));
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < pointer.size(); ++i)
        value |= std::uint32_t{pointer[i]} << (8 * i);
    if (category.pointerSize == 3 && value == 0)
        return;
    const std::int64_t data = std::int64_t{SkillPointerOffset(category, value)} + headerOffset;
    tiles = ExpandSkillGraphic(ReadInside(rom, data, kMaxSkillCompressedBytes),
                               category.tileBytes());
}

void Skill::BuildImage()
{
    GifFrame frame(kSkillGraphicWidth, kSkillGraphicHeight);
    GifColorTable colours;
    for (std::uint16_t word : palette)
        colours.push_back(SnesToImageColor(word));
    const int bitsPerPixel =
        graphicCategory >= 0 && graphicCategory < static_cast<int>(kSkillGraphicCategories.size())
            ? kSkillGraphicCategories[static_cast<std::size_t>(graphicCategory)].bitsPerPixel
            : 3;
    DrawSkillTiles(tiles, bitsPerPixel, frame);
    frame.control = GifControl{.transparentIndex = 0, .transparent = false};
    if (shownImage.frames.empty()) {
        shownImage.width = kSkillGraphicWidth;
        shownImage.height = kSkillGraphicHeight;
    }
    shownImage.colors = std::move(colours);
    shownImage.frames.push_back(std::move(frame));
}

Status Skill::ImportImage(const std::filesystem::path& path)
{
    importedImage = GifImage{};
    const auto bytes = ReadFileBytes(path, kMaxSkillGifFileBytes);
    if (!bytes)
        return Fail(kSkillReadFailedMessage);
    return ImportImageBytes(bytes.value());
}

Status Skill::ImportImageBytes(std::span<const std::uint8_t> bytes)
{
    importedImage = GifImage{};
    // The size is decided from the header, so a large picture is refused before decoding.
    const auto screen = GifScreenSize(bytes);
    if (!screen)
        return Fail(kSkillReadFailedMessage);
    if (screen->first != kSkillGraphicWidth || screen->second != kSkillGraphicHeight)
        return Fail(kSkillImageSizeMessage);
    Result<GifImage> image = DecodeGif(bytes, kSkillGifLimits);
    if (!image) {
        return Fail(image.message() == kGifTooLargeMessage ? kGifTooLargeMessage
                                                           : kSkillReadFailedMessage);
    }
    if (const Status checked = CheckSkillImage(image.value()); !checked)
        return Fail(checked.message());
    importedImage = std::move(image).value();
    return {};
}

Status Skill::CheckWritable() const
{
    if (importedImage.frames.empty())
        return Failure{kSkillNoImageFileMessage};
    if (graphicCategory != kWritableGraphicCategory ||
        (writePalette && paletteCategory != kWritablePaletteCategory))
        return Failure{kSkillNotWritableMessage};
    if (graphicId < 0 || graphicId >= kWritableGraphics.idCount ||
        (writePalette && (paletteId < 0 || paletteId >= kWritablePalettes.idCount)))
        return Failure{kSkillNoSuchGraphicMessage};
    return CheckSkillImage(importedImage);
}

Status Skill::WriteGraphic(const ImageChangeOptions& options)
{
    if (romPath.empty())
        return Fail(kSkillNoRomMessage);
    if (const Status writable = CheckWritable(); !writable)
        return Fail(writable.message());
    auto edit = RomImageEdit::open(romPath);
    if (!edit)
        return Fail(kSkillCannotOpenRomMessage);
    const int requested = writeAddress;
    if (const Status written = WriteChecked(edit.value().image()); !written)
        return written;
    if (const Status committed = edit.value().commit(options); !committed) {
        writeAddress = requested;
        return Fail(committed.message());
    }
    return {};
}

Status Skill::WriteGraphic(RomStream& rom)
{
    if (const Status writable = CheckWritable(); !writable)
        return Fail(writable.message());
    return WriteChecked(rom);
}

// The pointer keeps the address as the game stores it (an offset below 4 MiB in the 0xC0
// banks), the data goes to the file offset it names, and the palette to the reserved palette
// table. Everything is laid out and checked against the size of the image before the first
// byte is written, so a write that does not fit leaves the image as it was.
Status Skill::WriteChecked(RomStream& rom)
{
    if (writeAddress < 0 || writeAddress > 0xFFFFFF)
        return Fail(kSkillBadAddressMessage);
    const auto address = static_cast<std::uint32_t>(writeAddress);
    const std::uint32_t pointer = address < 0x400000 ? address + 0xC00000 : address;
    const std::uint32_t target = pointer >= 0xC00000 ? pointer - 0xC00000 : pointer;

    const std::int64_t pointerAt =
        std::int64_t{kWritableGraphics.pointerTable} + headerOffset +
        std::int64_t{graphicId} * kWritableGraphics.pointerSize;
    const std::array<std::uint8_t, 3> pointerBytes{static_cast<std::uint8_t>(pointer),
                                                   static_cast<std::uint8_t>(pointer >> 8),
                                                   static_cast<std::uint8_t>(pointer >> 16)};
    const std::int64_t dataAt = std::int64_t{target} + headerOffset;
    const std::vector<std::uint8_t> data = CompressSkillTiles(
        EncodeSkillTiles(importedImage.frames.front()), kWritableGraphics.tileBytes());

    const std::int64_t paletteAt = std::int64_t{kWritablePalettes.table} + headerOffset +
                                   std::int64_t{paletteId} * kWritablePalettes.paletteBytes();
    std::vector<std::uint8_t> paletteBytes;
    if (writePalette) {
        const auto colours = SkillImageColours(importedImage);
        for (int i = 0; i < kWritablePalettes.colours; ++i) {
            const std::uint16_t word = ImageToSnesColor(colours[static_cast<std::size_t>(i)]);
            paletteBytes.push_back(static_cast<std::uint8_t>(word));
            paletteBytes.push_back(static_cast<std::uint8_t>(word >> 8));
        }
    }

    // An offset before the start of the image (a header offset below zero) lies outside it as
    // much as one past its end; the plan checks the rest.
    if (pointerAt < 0 || dataAt < 0 || (writePalette && paletteAt < 0))
        return Fail(kSkillOutsideImageMessage);
    WritePlan plan;
    plan.add(static_cast<std::uint64_t>(pointerAt), pointerBytes);
    plan.add(static_cast<std::uint64_t>(dataAt), data);
    if (writePalette)
        plan.add(static_cast<std::uint64_t>(paletteAt), paletteBytes);
    if (const Status written = plan.writeTo(rom, kSkillOutsideImageMessage); !written)
        return Fail(written.message());
    writeAddress = static_cast<int>(dataAt + static_cast<std::int64_t>(data.size()) - 1);
    return {};
}

Status Skill::SaveShownImage(const std::filesystem::path& path)
{
    if (shownImage.frames.empty())
        return Fail(kSkillNoGraphicMessage);
    if (const Status apart = CheckOutputNotInput(path, {romPath}); !apart)
        return Fail(apart.message());
    if (const Status saved = SaveGifFile(shownImage, path); !saved)
        return Fail(saved.message());
    return {};
}

} // namespace varn
