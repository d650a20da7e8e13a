#include "graphics/GifImage.h"

#include <algorithm>

namespace varn {

GifFrame::GifFrame(int width, int height)
    : width(width), height(height), pixels(static_cast<std::size_t>(std::max(width, 0)) *
                                           static_cast<std::size_t>(std::max(height, 0)))
{}

std::uint8_t GifFrame::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height)
        return 0;
    const std::size_t at =
        static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
    return at < pixels.size() ? pixels[at] : 0;
}

void GifFrame::setPixel(int x, int y, std::uint8_t index)
{
    if (x < 0 || y < 0 || x >= width || y >= height)
        return;
    const std::size_t at =
        static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
    if (at < pixels.size())
        pixels[at] = index;
}

const GifColorTable& GifImage::frameColors(std::size_t index) const
{
    if (index < frames.size() && !frames[index].colors.empty())
        return frames[index].colors;
    return colors;
}

Status ValidateGifFrameGeometry(const GifImage& image, const GifFrame& frame, bool first)
{
    if (frame.width <= 0 || frame.height <= 0)
        return Failure{"GIF画像の大きさが0です。"};
    if (std::int64_t{frame.width} * frame.height > kMaxGifFramePixels)
        return Failure{"GIF画像が大きすぎます。"};
    if (frame.left < 0 || frame.top < 0 || frame.left + frame.width > image.width ||
        frame.top + frame.height > image.height)
        return Failure{"GIF画像のフレームが画面の外にはみ出しています。"};
    if (first && (frame.left != 0 || frame.top != 0 || frame.width != image.width ||
                  frame.height != image.height))
        return Failure{"GIF画像の最初のフレームが画面全体を覆っていません。"};
    return {};
}

Status ValidateGifImage(const GifImage& image)
{
    if (image.width <= 0 || image.height <= 0)
        return Failure{"GIF画像の大きさが0です。"};
    if (image.frames.empty())
        return Failure{"GIF画像に画像がありません。"};
    for (std::size_t i = 0; i < image.frames.size(); ++i) {
        const GifFrame& frame = image.frames[i];
        if (Status geometry = ValidateGifFrameGeometry(image, frame, i == 0); !geometry)
            return geometry;
        if (frame.pixels.size() != static_cast<std::size_t>(frame.width) * frame.height)
            return Failure{"GIF画像のフレームのデータが足りません。"};
        const GifColorTable& colors = image.frameColors(i);
        if (colors.empty())
            return Failure{"GIF画像にカラーテーブルがありません。"};
        if (colors.size() > 256)
            return Failure{"GIF画像のカラーテーブルが大きすぎます。"};
        const std::uint8_t highest = *std::max_element(frame.pixels.begin(), frame.pixels.end());
        if (highest >= colors.size())
            return Failure{"GIF画像のカラーテーブルの色数が足りません。"};
    }
    return {};
}

} // namespace varn
