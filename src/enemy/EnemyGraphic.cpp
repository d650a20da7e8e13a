#include "enemy/EnemyGraphic.h"

#include <algorithm>

#include "enemy/EnemyImageReads.h"
#include "enemy/LoadEnemy.h"
#include "enemy/EnemyTables.h"
#include "graphics/SnesColor.h"
#include "graphics/SpriteSheet.h"
#include "rom/FileIo.h"
#include "rom/HexText.h"
#include "rom/RomStream.h"

namespace varn {

namespace {

constexpr int kMaxWidthInTiles = kMaxEnemyPictureWidth / kTileSize;
constexpr int kMaxHeightInTiles = kMaxEnemyPictureHeight / kTileSize;
// The most a packed graphic can take: its two size bytes and every tile at its largest.
constexpr std::size_t kMaxPackedGraphicSize =
    2 + std::size_t{kMaxWidthInTiles} * kMaxHeightInTiles * kMaxPackedTileSize;

// A tile of the first frame in plane order.
TileBytes PlaneOrderTile(const GifImage& picture, int column, int row)
{
    TileBytes tile = TileFromImage(picture, column, row);
    ReorderTilePlanes(tile);
    return tile;
}

} // namespace

Status CheckEnemyPicture(GifImage& picture)
{
    if (picture.frames.empty())
        return Failure{kInvalidImageMessage};
    if (picture.width > kMaxEnemyPictureWidth || picture.height > kMaxEnemyPictureHeight)
        return Failure{kEnemyPictureTooLargeMessage};
    if (picture.width % kTileSize != 0 || picture.height % kTileSize != 0)
        return Failure{kEnemyPictureNotTileSizedMessage};
    GifFrame& first = picture.frames.front();
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            if (first.pixel(x, y) > 15)
                return Failure{UnusableColourMessage(x, y)};
        }
    }
    if (first.control)
        first.control->transparent = false;
    return {};
}

Result<GifImage> LoadEnemyPictureBytes(std::span<const std::uint8_t> bytes)
{
    // A screen larger than a picture may be is refused from the header, before any decoding,
    // with the picture rule's own message.
    if (const auto screen = GifScreenSize(bytes);
        screen && (screen->first > kMaxEnemyPictureWidth || screen->second > kMaxEnemyPictureHeight))
        return Failure{kEnemyPictureTooLargeMessage};
    Result<GifImage> picture = DecodeGif(bytes, kEnemyGifLimits);
    if (!picture)
        return picture;
    if (Status checked = CheckEnemyPicture(picture.value()); !checked)
        return Failure{checked.message()};
    return picture;
}

Result<GifImage> LoadEnemyPictureFile(const std::filesystem::path& path)
{
    const auto bytes = ReadFileBytes(path);
    if (!bytes)
        return Failure{bytes.message()};
    return LoadEnemyPictureBytes(bytes.value());
}

Status LoadEnemyPicture(const std::filesystem::path& path, std::optional<GifImage>& held,
                        EnemyForm& form)
{
    held.reset();
    Result<GifImage> picture = LoadEnemyPictureFile(path);
    if (!picture)
        return Failure{picture.message()};
    held = std::move(picture).value();
    ShowEnemyPictureFields(*held, form);
    return {};
}

void ShowEnemyPictureFields(const GifImage& picture, EnemyForm& form)
{
    const int size = MeasureEnemyGraphic(picture);
    form.dataSize = HexDigits(size, 4);
    const auto address = ParseEnemyAddress(form.address);
    form.endAddress = address ? HexDigits(std::int64_t{*address} + size - 1, 6) : std::string();
    const EnemyBox box = ChooseEnemyBox(picture.width, picture.height);
    form.boxWidth = box.width;
    form.boxHeight = box.height;
    form.offsetX = box.offsetX;
    form.offsetY = box.offsetY;
}

void ReorderTilePlanes(std::span<std::uint8_t, kTileBytes> tile)
{
    TileBytes reordered{};
    for (std::size_t i = 0; i < kTileBytes; ++i)
        reordered[16 * (i / 16) + (i % 16) / 2 + 8 * (i % 2)] = tile[i];
    std::copy(reordered.begin(), reordered.end(), tile.begin());
}

void RestoreTilePlanes(std::span<std::uint8_t, kTileBytes> tile)
{
    TileBytes restored{};
    for (std::size_t i = 0; i < kTileBytes; ++i)
        restored[i] = tile[16 * (i / 16) + (i % 16) / 2 + 8 * (i % 2)];
    std::copy(restored.begin(), restored.end(), tile.begin());
}

int PackEnemyTile(const GifImage& picture, std::span<std::uint8_t, kMaxPackedTileSize> out,
                  int column, int row)
{
    const TileBytes tile = PlaneOrderTile(picture, column, row);
    std::size_t n = 0;
    bool inRun = false;
    std::uint8_t count = 0;
    for (const std::uint8_t b : tile) {
        if (b != 0) {
            if (inRun) {
                out[n++] = count;
                inRun = false;
            }
            out[n++] = b;
        } else if (inRun) {
            ++count;
        } else {
            out[n++] = 0x00;
            inRun = true;
            count = 1;
        }
    }
    if (inRun)
        out[n++] = count;
    return static_cast<int>(n);
}

int MeasureEnemyGraphic(const GifImage& picture)
{
    int total = 2;
    for (int row = 0; row < picture.height / kTileSize; ++row) {
        for (int column = 0; column < picture.width / kTileSize; ++column) {
            const TileBytes tile = PlaneOrderTile(picture, column, row);
            for (std::size_t i = 0; i < tile.size(); ++i) {
                if (tile[i] != 0)
                    total += 1;
                else if (i == 0 || tile[i - 1] != 0)
                    total += 2;
            }
        }
    }
    return total;
}

std::vector<std::uint8_t> PackEnemyGraphic(const GifImage& picture)
{
    const int columns = picture.width / kTileSize;
    const int rows = picture.height / kTileSize;
    std::vector<std::uint8_t> packed{static_cast<std::uint8_t>(columns),
                                     static_cast<std::uint8_t>(rows)};
    std::array<std::uint8_t, kMaxPackedTileSize> tile{};
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const int size = PackEnemyTile(picture, tile, column, row);
            packed.insert(packed.end(), tile.begin(), tile.begin() + size);
        }
    }
    return packed;
}

std::array<std::uint8_t, 32> EnemyPaletteBytes(const GifImage& picture)
{
    const GifColorTable& colors = picture.frameColors(0);
    std::array<std::uint8_t, 32> palette{};
    for (std::size_t i = 0; i < 16; ++i) {
        const GifColor color = i < colors.size()    ? colors[i]
                               : !colors.empty() ? colors.front()
                                                 : GifColor{};
        const std::uint16_t word = ImageToSnesColor(color);
        palette[2 * i] = static_cast<std::uint8_t>(word);
        palette[2 * i + 1] = static_cast<std::uint8_t>(word >> 8);
    }
    return palette;
}

EnemyBox ChooseEnemyBox(int pictureWidth, int pictureHeight)
{
    EnemyBox box;
    box.width = std::max((pictureWidth - 1) / 32, 1);
    box.height = std::max((pictureHeight - 1) / 32, 1);
    box.offsetX = ((box.width + 1) * 32 - pictureWidth) / 8 / 2;
    box.offsetY = ((box.height + 1) * 32 - pictureHeight) / 8;
    return box;
}

std::array<std::uint8_t, 3> GraphicAddressBytes(std::uint32_t offset)
{
    std::uint32_t bank = offset >> 16;
    if (bank < 0x40)
        bank += 0xC0;
    return {static_cast<std::uint8_t>(bank), static_cast<std::uint8_t>(offset),
            static_cast<std::uint8_t>(offset >> 8)};
}

std::uint32_t GraphicAddressToOffset(std::span<const std::uint8_t, 3> bytes)
{
    const std::uint32_t bank = bytes[0] >= 0xC0 ? bytes[0] - 0xC0u : bytes[0];
    return (bank << 16) | (std::uint32_t{bytes[2]} << 8) | bytes[1];
}

std::array<std::uint8_t, 6> GraphicRecordBytes(int graphicNumber, int offsetX, int offsetY,
                                               int appearance)
{
    return {static_cast<std::uint8_t>(graphicNumber & 0xFF),
            static_cast<std::uint8_t>(offsetX | ((graphicNumber & 0x100) >> 1)),
            static_cast<std::uint8_t>(offsetY),
            static_cast<std::uint8_t>(appearance),
            0,
            0};
}

std::optional<std::uint32_t> ParseEnemyAddress(const std::string& text)
{
    std::string_view digits = TrimSpacesAndTabs(text);
    return ParseHex(digits, 1, 6);
}

Status WriteEnemyGraphic(RomStream& image, const GifImage& picture, const EnemyForm& form,
                         WritePlan& plan)
{
    const auto address = ParseEnemyAddress(form.address);
    if (!address)
        return Failure{kEnemyAddressMessage, kGraphicSubTab, "Edit74"};
    if (*address > kMaxEnemyGraphicAddress)
        return Failure{kEnemyAddressRangeMessage, kGraphicSubTab, "Edit74"};
    const std::vector<std::uint8_t> packed = PackEnemyGraphic(picture);
    if (!image.contains(*address, packed.size()))
        return Failure{kEnemyGraphicPastEndMessage, kGraphicSubTab, "Edit74"};

    const int e = form.enemy;
    const int g = form.graphicNumber + kFirstNewGraphic;
    // Added to a copy of the plan, which replaces it only once every write is known to fit.
    WritePlan planned = plan;
    const std::size_t first = planned.size();
    planned.add(*address, packed);
    planned.add(EnemyPaletteOffset(e), EnemyPaletteBytes(picture));
    planned.add(SizeCodeOffset(e), EnemySizeCode(form.boxWidth, form.boxHeight));
    planned.add(GraphicAddressOffset(g), GraphicAddressBytes(*address));
    // The enemy's graphic record offset is read after the writes before it: a packed graphic
    // written over the offset table moves the record it names.
    std::array<std::uint8_t, 2> entry{};
    if (!planned.readAsPlanned(image, GraphicRecordOffsetEntry(e), entry))
        return Failure{kEnemyDataPastEndMessage, kGraphicSubTab, ""};
    const std::uint32_t recordOffset = entry[0] | (std::uint32_t{entry[1]} << 8);
    planned.add(kGraphicRecordBase + recordOffset,
                GraphicRecordBytes(g, form.offsetX, form.offsetY, form.appearance));
    for (std::size_t i = first; i < planned.size(); ++i) {
        const ImageWrite& write = planned.writes()[i];
        if (!image.contains(write.offset, write.bytes.size()))
            return Failure{kEnemyDataPastEndMessage, kGraphicSubTab, ""};
    }
    plan = std::move(planned);
    return {};
}

Status WriteEnemyGraphic(RomStream& image, const GifImage& picture, const EnemyForm& form,
                         std::vector<ImageWrite>& writes)
{
    WritePlan plan;
    Status planned = WriteEnemyGraphic(image, picture, form, plan);
    if (planned)
        writes.insert(writes.end(), plan.writes().begin(), plan.writes().end());
    return planned;
}

Result<UnpackedEnemyGraphic> UnpackEnemyGraphic(std::span<const std::uint8_t> bytes)
{
    const Failure damaged{kEnemyGraphicDamagedMessage};
    if (bytes.size() < 2)
        return damaged;
    const int columns = bytes[0];
    const int rows = bytes[1];
    if (columns < 1 || columns > kMaxWidthInTiles || rows < 1 || rows > kMaxHeightInTiles)
        return damaged;
    UnpackedEnemyGraphic graphic;
    graphic.width = columns * kTileSize;
    graphic.height = rows * kTileSize;
    graphic.pixels.resize(static_cast<std::size_t>(graphic.width) * graphic.height);
    std::size_t pos = 2;
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            TileBytes tile{};
            std::size_t n = 0;
            while (n < kTileBytes) {
                if (pos >= bytes.size())
                    return damaged;
                const std::uint8_t b = bytes[pos++];
                if (b != 0) {
                    tile[n++] = b;
                    continue;
                }
                if (pos >= bytes.size())
                    return damaged;
                const std::size_t run = bytes[pos++];
                if (run == 0 || run > kTileBytes - n)
                    return damaged;
                n += run;
            }
            RestoreTilePlanes(tile);
            const TilePixels pixels = DecodeTile(tile);
            for (int y = 0; y < kTileSize; ++y) {
                for (int x = 0; x < kTileSize; ++x) {
                    const std::size_t at =
                        static_cast<std::size_t>(row * kTileSize + y) * graphic.width +
                        static_cast<std::size_t>(column * kTileSize + x);
                    graphic.pixels[at] = pixels[static_cast<std::size_t>(y * kTileSize + x)];
                }
            }
        }
    }
    graphic.packedSize = static_cast<int>(pos);
    return graphic;
}

Result<EnemyGraphic> ReadEnemyGraphic(RomStream& image, int enemy)
{
    const Failure pastEnd{kEnemyDataPastEndMessage};
    if (enemy < 0 || enemy >= kEnemyCount)
        return Failure{kNoEnemySelectedMessage};
    const auto recordOffset = ReadWord(image, GraphicRecordOffsetEntry(enemy));
    if (!recordOffset)
        return pastEnd;
    const auto record = ReadArray<kGraphicRecordSize>(image, kGraphicRecordBase + *recordOffset);
    const auto sizeCode = ReadByte(image, SizeCodeOffset(enemy));
    const auto palette = ReadArray<kPaletteSize>(image, EnemyPaletteOffset(enemy));
    if (!record || !sizeCode || !palette)
        return pastEnd;

    EnemyGraphic graphic;
    graphic.graphicNumber = (*record)[0] | (((*record)[1] & 0x80) << 1);
    graphic.offsetX = (*record)[1] & 0x7F;
    graphic.offsetY = (*record)[2];
    graphic.appearance = (*record)[3];
    graphic.sizeCode = *sizeCode;
    const auto addressBytes =
        ReadArray<kGraphicAddressSize>(image, GraphicAddressOffset(graphic.graphicNumber));
    if (!addressBytes)
        return pastEnd;
    graphic.address = GraphicAddressToOffset(*addressBytes);
    if (graphic.address >= image.size())
        return Failure{kEnemyGraphicDamagedMessage};

    // Never more than the largest packed graphic, and never past the end of the image.
    const std::size_t available = static_cast<std::size_t>(
        std::min<std::uint64_t>(image.size() - graphic.address, kMaxPackedGraphicSize));
    const auto packed = image.readBytes(graphic.address, available);
    if (!packed)
        return pastEnd;
    Result<UnpackedEnemyGraphic> unpacked = UnpackEnemyGraphic(*packed);
    if (!unpacked)
        return Failure{unpacked.message()};
    graphic.packedSize = unpacked.value().packedSize;

    GifImage& picture = graphic.picture;
    picture.width = unpacked.value().width;
    picture.height = unpacked.value().height;
    for (std::size_t i = 0; i < 16; ++i)
        picture.colors.push_back(SnesToImageColor(
            static_cast<std::uint16_t>((*palette)[2 * i] | ((*palette)[2 * i + 1] << 8))));
    GifFrame frame(picture.width, picture.height);
    frame.pixels = std::move(unpacked.value().pixels);
    picture.frames.push_back(std::move(frame));
    return graphic;
}

} // namespace varn
