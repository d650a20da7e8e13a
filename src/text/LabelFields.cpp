#include "text/LabelFields.h"

#include <cstddef>

namespace varn {

namespace {

constexpr std::string_view kIdeographicSpace = "\u3000";

// The length of the space `text` starts with, 0 when it starts with something else.
std::size_t SpaceLength(std::string_view text)
{
    if (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r'))
        return 1;
    return text.starts_with(kIdeographicSpace) ? kIdeographicSpace.size() : 0;
}

} // namespace

std::string_view TrimLabelText(std::string_view text)
{
    while (const std::size_t length = SpaceLength(text))
        text.remove_prefix(length);
    while (!text.empty()) {
        if (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')
            text.remove_suffix(1);
        else if (text.ends_with(kIdeographicSpace))
            text.remove_suffix(kIdeographicSpace.size());
        else
            break;
    }
    return text;
}

std::string_view NextLabelWord(std::string_view& text)
{
    std::size_t end = 0;
    while (end < text.size() && SpaceLength(text.substr(end)) == 0)
        ++end;
    const std::string_view word = text.substr(0, end);
    text = TrimLabelText(text.substr(end));
    return word;
}

} // namespace varn
