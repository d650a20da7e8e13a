#pragma once

#include <cstddef>

#include <QImage>

#include "graphics/GifImage.h"

namespace varn::app {

// A frame of a GIF image as an indexed 8-bit QImage for display: the frame's own size, the
// colour table its pixels use, and its transparent colour (when the flag is on) fully
// transparent. A frame that does not exist gives a null image.
QImage FrameToQImage(const GifImage& image, std::size_t frame = 0);

} // namespace varn::app
