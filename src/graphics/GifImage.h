#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "rom/Result.h"

namespace varn {

// A GIF image as the program edits it: the logical screen, a global colour table, and
// frames of colour indices, each with its own colour table and graphic control extension.

struct GifColor {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    friend bool operator==(const GifColor&, const GifColor&) = default;
};

using GifColorTable = std::vector<GifColor>;

enum class GifDisposal : std::uint8_t {
    Unspecified = 0,
    Keep = 1,       // leave the frame in place
    Background = 2, // clear the frame's area to the background
    Previous = 3,   // restore what was there before the frame
};

// A frame's graphic control extension. The transparent index is kept even while the flag is
// off, so that switching the flag on makes that colour transparent.
struct GifControl {
    int transparentIndex = 0;
    bool transparent = false;
    int delay = 0; // hundredths of a second
    GifDisposal disposal = GifDisposal::Unspecified;

    friend bool operator==(const GifControl&, const GifControl&) = default;
};

struct GifFrame {
    GifFrame() = default;
    // A frame of the given size at (0, 0), every pixel colour index 0.
    GifFrame(int width, int height);

    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool interlaced = false;
    GifColorTable colors;             // the frame's own colour table; empty: the global one applies
    std::vector<std::uint8_t> pixels; // width * height colour indices, row by row
    std::optional<GifControl> control;

    // The colour index at (x, y) of the frame; 0 outside it.
    std::uint8_t pixel(int x, int y) const;
    // Sets the colour index at (x, y); a point outside the frame is ignored.
    void setPixel(int x, int y, std::uint8_t index);
};

struct GifImage {
    int width = 0; // logical screen
    int height = 0;
    GifColorTable colors; // global colour table
    int backgroundIndex = 0;
    std::vector<GifFrame> frames;
    // The looping extension ("NETSCAPE2.0") of the first frame: 0 loops for ever.
    std::optional<int> loopCount;

    // The colour table the pixels of frame `index` refer to: its own, else the global one.
    const GifColorTable& frameColors(std::size_t index) const;
};

// The largest frame the program handles, in pixels; larger ones are refused before anything
// is allocated for them.
inline constexpr std::int64_t kMaxGifFramePixels = 4096 * 4096;

// Checks a frame's place and size against the screen, before its pixels exist: non-zero and
// not too large, inside the screen, and for the first frame covering the whole screen.
Status ValidateGifFrameGeometry(const GifImage& image, const GifFrame& frame, bool first);

// Checks what every user of an image relies on: a screen and frames of non-zero size,
// frames inside the screen, the first frame covering the whole screen, a pixel buffer of
// the frame's size, a colour table for every frame that holds every index its pixels use.
// Returns the message for the first problem found.
Status ValidateGifImage(const GifImage& image);

} // namespace varn
