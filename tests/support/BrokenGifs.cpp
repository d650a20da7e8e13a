#include "support/BrokenGifs.h"

#include <algorithm>
#include <stdexcept>

#include "graphics/GifCodec.h"
#include "graphics/GifImage.h"

namespace varn::test {

std::vector<BrokenGif> BrokenGifs(int width, int height)
{
    GifImage image;
    image.width = width;
    image.height = height;
    for (int i = 0; i < 16; ++i)
        image.colors.push_back({static_cast<std::uint8_t>(16 * i), 0, 0});
    GifFrame frame(width, height);
    for (std::size_t i = 0; i < frame.pixels.size(); ++i)
        frame.pixels[i] = static_cast<std::uint8_t>(i * 7 % 16);
    frame.control = GifControl{};
    image.frames.push_back(std::move(frame));
    const auto encoded = EncodeGif(image);
    if (!encoded)
        throw std::logic_error("the whole GIF does not encode: " + encoded.message());
    const std::vector<std::uint8_t>& whole = encoded.value();

    // Signature and screen (13 bytes), then the 16-colour table (48 bytes).
    constexpr std::size_t kTableEnd = 13 + 48;
    const auto head = [&](std::size_t size) {
        return std::vector<std::uint8_t>(whole.begin(), whole.begin() + static_cast<long>(size));
    };
    std::vector<std::uint8_t> badRecord = head(kTableEnd);
    badRecord.insert(badRecord.end(), {0x99, 0x01, 0x02, 0x3B});
    const std::string_view text = "This is no picture at all.\n";
    return {
        {"Empty", {}},
        {"Text", std::vector<std::uint8_t>(text.begin(), text.end())},
        {"PngSignature",
         {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 0x0D, 'I', 'H', 'D', 'R'}},
        {"CutInSignature", head(4)},
        {"CutInScreen", head(9)},
        {"CutInColourTable", head(13 + 20)},
        {"CutBeforeTheFrame", head(kTableEnd)},
        {"CutInThePixels", head(kTableEnd + (whole.size() - kTableEnd) / 2)},
        {"CutBeforeTheTrailer", head(whole.size() - 1)},
        {"RecordThatIsNone", badRecord},
    };
}

bool HasAsciiLetters(std::string_view text)
{
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); });
}

} // namespace varn::test
