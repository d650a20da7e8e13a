#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varn::test {

// A file that no GIF reader can read: cut short somewhere, or never a GIF at all.
struct BrokenGif {
    std::string name;
    std::vector<std::uint8_t> bytes;
};

// Broken GIFs whose screen, where they have one, is `width` × `height`, so that a reader that
// checks the size first still goes on to decode them: a whole GIF of that size (16 colours, a
// graphic control extension, one frame) cut in its signature, its screen descriptor, its colour
// table, before its frame, in its pixels and before its trailer; one with a record that is none;
// and an empty file, text and a PNG signature.
std::vector<BrokenGif> BrokenGifs(int width, int height);

// Whether `text` holds a letter of the Latin alphabet (as giflib's English messages do).
bool HasAsciiLetters(std::string_view text);

} // namespace varn::test
