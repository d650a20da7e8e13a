#include "graphics/GifCodec.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include <gif_lib.h>

#include "rom/FileIo.h"

namespace varn {

namespace {

// Rows of an interlaced frame come in four passes: every 8th row from 0, every 8th from 4,
// every 4th from 2, every 2nd from 1.
constexpr std::array<int, 4> kInterlaceStart{0, 4, 2, 1};
constexpr std::array<int, 4> kInterlaceStep{8, 8, 4, 2};

// The rows of a frame in the order they are stored.
std::vector<int> StoredRowOrder(int height, bool interlaced)
{
    std::vector<int> rows;
    rows.reserve(static_cast<std::size_t>(height));
    if (!interlaced) {
        for (int y = 0; y < height; ++y)
            rows.push_back(y);
        return rows;
    }
    for (std::size_t pass = 0; pass < kInterlaceStart.size(); ++pass) {
        for (int y = kInterlaceStart[pass]; y < height; y += kInterlaceStep[pass])
            rows.push_back(y);
    }
    return rows;
}

// giflib's errors are its own English texts; what the user sees is the program's message.
Failure ReadFailure()
{
    return Failure{kGifReadFailedMessage};
}

Failure WriteFailure()
{
    return Failure{kCannotWriteFileMessage};
}

// --- Reading ----------------------------------------------------------------------------

struct DecoderCloser {
    void operator()(GifFileType* gif) const
    {
        int ignored = 0;
        DGifCloseFile(gif, &ignored);
    }
};
using Decoder = std::unique_ptr<GifFileType, DecoderCloser>;

struct ByteSource {
    std::span<const std::uint8_t> bytes;
    std::size_t position = 0;
};

int ReadFromBytes(GifFileType* gif, GifByteType* out, int count)
{
    auto* source = static_cast<ByteSource*>(gif->UserData);
    const std::size_t available = source->bytes.size() - source->position;
    const std::size_t n = std::min(available, static_cast<std::size_t>(std::max(count, 0)));
    if (n > 0)
        std::memcpy(out, source->bytes.data() + source->position, n);
    source->position += n;
    return static_cast<int>(n);
}

GifColorTable ToColorTable(const ColorMapObject* map)
{
    GifColorTable table;
    if (map == nullptr || map->Colors == nullptr)
        return table;
    for (int i = 0; i < map->ColorCount; ++i)
        table.push_back({map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue});
    return table;
}

// What the extensions before a frame say about it.
struct PendingExtensions {
    std::optional<GifControl> control;
    std::optional<int> loopCount;
};

// Reads one extension record and notes the graphic control and looping extensions.
Status ReadExtension(GifFileType* gif, PendingExtensions& pending)
{
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
        return ReadFailure();

    bool netscape = false;
    bool first = true;
    while (block != nullptr) {
        const int length = block[0];
        const GifByteType* data = block + 1;
        if (code == GRAPHICS_EXT_FUNC_CODE && first && length >= 4) {
            // The fields lie in the first four bytes; giflib takes exactly those, also from a
            // longer block some writers produce.
            GraphicsControlBlock gcb{};
            DGifExtensionToGCB(4, data, &gcb);
            GifControl control;
            control.transparent = gcb.TransparentColor != NO_TRANSPARENT_COLOR;
            control.transparentIndex = data[3]; // kept even while the flag is off
            control.delay = gcb.DelayTime;
            control.disposal = static_cast<GifDisposal>(std::clamp(gcb.DisposalMode, 0, 3));
            pending.control = control;
        } else if (code == APPLICATION_EXT_FUNC_CODE && first) {
            netscape = length == 11 && std::memcmp(data, "NETSCAPE2.0", 11) == 0;
        } else if (netscape && length >= 3 && data[0] == 1) {
            pending.loopCount = data[1] | (data[2] << 8);
            netscape = false;
        }
        first = false;
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
            return ReadFailure();
    }
    return {};
}

// Reads one frame: its descriptor, checked before any pixel is read, then its rows.
// `pixelsLeft` is what the limits still allow of all frames together.
Status ReadFrame(GifFileType* gif, GifImage& image, PendingExtensions& pending,
                 const GifLimits& limits, std::int64_t& pixelsLeft)
{
    if (DGifGetImageDesc(gif) == GIF_ERROR)
        return ReadFailure();
    const GifImageDesc& desc = gif->Image;

    GifFrame frame;
    frame.left = desc.Left;
    frame.top = desc.Top;
    frame.width = desc.Width;
    frame.height = desc.Height;
    frame.interlaced = desc.Interlace;
    frame.colors = ToColorTable(desc.ColorMap);
    frame.control = pending.control;
    pending.control.reset();
    if (image.frames.empty())
        image.loopCount = pending.loopCount;

    // The descriptor is checked before any pixel is read, so a frame gets a buffer only once
    // it is known to fit the screen.
    if (Status geometry = ValidateGifFrameGeometry(image, frame, image.frames.empty()); !geometry)
        return geometry;
    const std::int64_t area = std::int64_t{frame.width} * frame.height;
    if (static_cast<int>(image.frames.size()) >= limits.maxFrames || area > pixelsLeft)
        return Failure{kGifTooLargeMessage};
    pixelsLeft -= area;

    frame.pixels.resize(static_cast<std::size_t>(frame.width) *
                        static_cast<std::size_t>(frame.height));
    for (int y : StoredRowOrder(frame.height, frame.interlaced)) {
        GifPixelType* row = frame.pixels.data() + static_cast<std::size_t>(y) * frame.width;
        if (DGifGetLine(gif, row, frame.width) == GIF_ERROR)
            return ReadFailure();
    }
    image.frames.push_back(std::move(frame));
    return {};
}

// --- Writing ----------------------------------------------------------------------------

struct EncoderCloser {
    void operator()(GifFileType* gif) const
    {
        int ignored = 0;
        EGifCloseFile(gif, &ignored);
    }
};
using Encoder = std::unique_ptr<GifFileType, EncoderCloser>;

struct ColorMapFree {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};
using ColorMap = std::unique_ptr<ColorMapObject, ColorMapFree>;

int WriteToBytes(GifFileType* gif, const GifByteType* data, int count)
{
    auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + count);
    return count;
}

// A giflib colour map of the table, padded with black to the power of two GIF needs.
ColorMap ToColorMap(const GifColorTable& table)
{
    if (table.empty())
        return nullptr;
    int size = 2;
    while (size < static_cast<int>(table.size()))
        size *= 2;
    std::vector<GifColorType> colors(static_cast<std::size_t>(size), GifColorType{0, 0, 0});
    for (std::size_t i = 0; i < table.size(); ++i)
        colors[i] = {table[i].red, table[i].green, table[i].blue};
    return ColorMap(GifMakeMapObject(size, colors.data()));
}

bool PutLoopExtension(GifFileType* gif, int loopCount)
{
    static const GifByteType kApplication[] = "NETSCAPE2.0";
    const GifByteType loop[3] = {1, static_cast<GifByteType>(loopCount & 0xFF),
                                 static_cast<GifByteType>((loopCount >> 8) & 0xFF)};
    return EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) != GIF_ERROR &&
           EGifPutExtensionBlock(gif, 11, kApplication) != GIF_ERROR &&
           EGifPutExtensionBlock(gif, 3, loop) != GIF_ERROR &&
           EGifPutExtensionTrailer(gif) != GIF_ERROR;
}

bool PutControlExtension(GifFileType* gif, const GifControl& control)
{
    GraphicsControlBlock gcb;
    gcb.DisposalMode = static_cast<int>(control.disposal);
    gcb.UserInputFlag = false;
    gcb.DelayTime = control.delay;
    gcb.TransparentColor = control.transparent ? control.transparentIndex : NO_TRANSPARENT_COLOR;
    GifByteType bytes[4];
    EGifGCBToExtension(&gcb, bytes);
    // The index is written even while the flag is off, so it survives a save and a load.
    bytes[3] = static_cast<GifByteType>(control.transparentIndex);
    return EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, bytes) != GIF_ERROR;
}

int ColorResolution(const GifColorTable& table)
{
    return table.empty() ? 8 : GifBitSize(static_cast<int>(table.size()));
}

} // namespace

Result<GifImage> DecodeGif(std::span<const std::uint8_t> bytes, const GifLimits& limits)
{
    ByteSource source{bytes};
    int error = 0;
    Decoder gif(DGifOpen(&source, ReadFromBytes, &error));
    if (!gif)
        return ReadFailure();

    GifImage image;
    image.width = gif->SWidth;
    image.height = gif->SHeight;
    image.colors = ToColorTable(gif->SColorMap);
    image.backgroundIndex = gif->SBackGroundColor;
    if (image.width <= 0 || image.height <= 0)
        return Failure{"GIF画像の大きさが0です。"};
    if (image.width > limits.maxWidth || image.height > limits.maxHeight)
        return Failure{kGifTooLargeMessage};

    PendingExtensions pending;
    std::int64_t pixelsLeft = limits.maxTotalPixels;
    GifRecordType record = UNDEFINED_RECORD_TYPE;
    do {
        if (DGifGetRecordType(gif.get(), &record) == GIF_ERROR)
            return ReadFailure();
        Status status;
        if (record == IMAGE_DESC_RECORD_TYPE)
            status = ReadFrame(gif.get(), image, pending, limits, pixelsLeft);
        else if (record == EXTENSION_RECORD_TYPE)
            status = ReadExtension(gif.get(), pending);
        if (!status)
            return Failure{status.message()};
    } while (record != TERMINATE_RECORD_TYPE);

    if (auto status = ValidateGifImage(image); !status)
        return Failure{status.message()};
    return image;
}

std::optional<std::pair<int, int>> GifScreenSize(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < 10 || std::memcmp(bytes.data(), "GIF", 3) != 0)
        return std::nullopt;
    return std::pair(bytes[6] | (bytes[7] << 8), bytes[8] | (bytes[9] << 8));
}

Result<GifImage> LoadGifFile(const std::filesystem::path& path, const GifLimits& limits)
{
    auto bytes = ReadFileBytes(path);
    if (!bytes)
        return Failure{bytes.message()};
    return DecodeGif(bytes.value(), limits);
}

Result<std::vector<std::uint8_t>> EncodeGif(const GifImage& image)
{
    if (auto status = ValidateGifImage(image); !status)
        return Failure{status.message()};

    std::vector<std::uint8_t> out;
    int error = 0;
    Encoder gif(EGifOpen(&out, WriteToBytes, &error));
    if (!gif)
        return WriteFailure();
    EGifSetGifVersion(gif.get(), true);

    const ColorMap global = ToColorMap(image.colors);
    if (EGifPutScreenDesc(gif.get(), image.width, image.height, ColorResolution(image.colors),
                          image.backgroundIndex, global.get()) == GIF_ERROR)
        return WriteFailure();

    for (std::size_t i = 0; i < image.frames.size(); ++i) {
        const GifFrame& frame = image.frames[i];
        if (i == 0 && image.loopCount && !PutLoopExtension(gif.get(), *image.loopCount))
            return WriteFailure();
        if (frame.control && !PutControlExtension(gif.get(), *frame.control))
            return WriteFailure();
        const ColorMap local = ToColorMap(frame.colors);
        // giflib keeps the previous frame's own colour map when a frame has none and forgets
        // it without freeing it; free it here so that a local table followed by a frame
        // without one does not leak.
        if (!local && gif->Image.ColorMap != nullptr) {
            GifFreeMapObject(gif->Image.ColorMap);
            gif->Image.ColorMap = nullptr;
        }
        if (EGifPutImageDesc(gif.get(), frame.left, frame.top, frame.width, frame.height,
                             frame.interlaced, local.get()) == GIF_ERROR)
            return WriteFailure();
        std::vector<GifPixelType> row(static_cast<std::size_t>(frame.width));
        for (int y : StoredRowOrder(frame.height, frame.interlaced)) {
            const auto begin = frame.pixels.begin() + static_cast<std::ptrdiff_t>(y) * frame.width;
            std::copy(begin, begin + frame.width, row.begin());
            if (EGifPutLine(gif.get(), row.data(), frame.width) == GIF_ERROR)
                return WriteFailure();
        }
    }
    // Closing writes the trailer; it must succeed for the bytes to be a whole GIF.
    if (EGifCloseFile(gif.release(), &error) == GIF_ERROR)
        return WriteFailure();
    return out;
}

Status SaveGifFile(const GifImage& image, const std::filesystem::path& path)
{
    auto bytes = EncodeGif(image);
    if (!bytes)
        return Failure{bytes.message()};
    return WriteFileAtomically(path, bytes.value());
}

} // namespace varn
