#include "app/GifQImage.h"

#include <algorithm>
#include <cstring>

namespace varn::app {

QImage FrameToQImage(const GifImage& image, std::size_t frameIndex)
{
    if (frameIndex >= image.frames.size())
        return {};
    const GifFrame& frame = image.frames[frameIndex];
    if (frame.width <= 0 || frame.height <= 0 ||
        frame.pixels.size() != static_cast<std::size_t>(frame.width) * frame.height)
        return {};

    QImage shown(frame.width, frame.height, QImage::Format_Indexed8);
    const GifColorTable& colors = image.frameColors(frameIndex);
    QList<QRgb> table;
    for (const GifColor& color : colors)
        table.append(qRgb(color.red, color.green, color.blue));
    // Indices the table does not reach show black rather than reading past it.
    const std::uint8_t highest = *std::max_element(frame.pixels.begin(), frame.pixels.end());
    while (table.size() <= highest)
        table.append(qRgb(0, 0, 0));
    if (frame.control && frame.control->transparent && frame.control->transparentIndex >= 0 &&
        frame.control->transparentIndex < table.size())
        table[frame.control->transparentIndex] &= 0x00FFFFFF;
    shown.setColorTable(table);

    for (int y = 0; y < frame.height; ++y)
        std::memcpy(shown.scanLine(y),
                    frame.pixels.data() + static_cast<std::size_t>(y) * frame.width,
                    static_cast<std::size_t>(frame.width));
    return shown;
}

} // namespace varn::app
