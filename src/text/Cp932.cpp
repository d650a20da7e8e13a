#include "text/Cp932.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <iconv.h>
#include <utility>

#include "text/Utf8.h"

namespace varn {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf8Replacement = "\xEF\xBF\xBD";

// One iconv conversion descriptor, closed when it goes out of scope.
class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~IconvHandle()
    {
        if (valid()) {
            iconv_close(handle_);
        }
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return handle_; }

private:
    iconv_t handle_;
};

// How a conversion run ended.
enum class Stop { Done, BadInput, Failed };

// Converts `input` from its current position, appending to `output`, until the input is
// used up or a byte sequence cannot be converted; `input` is left at the offending bytes.
Stop Convert(const IconvHandle& cd, std::string_view& input, std::string& output)
{
    std::array<char, 1024> buffer{};
    // iconv's input pointer is not const, but iconv never writes through it.
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    Stop stop = Stop::Done;
    while (inLeft > 0) {
        char* out = buffer.data();
        std::size_t outLeft = buffer.size();
        const std::size_t rc = iconv(cd.get(), &in, &inLeft, &out, &outLeft);
        output.append(buffer.data(), buffer.size() - outLeft);
        if (rc != static_cast<std::size_t>(-1)) {
            continue;
        }
        if (errno == E2BIG) {
            continue;
        }
        stop = (errno == EILSEQ || errno == EINVAL) ? Stop::BadInput : Stop::Failed;
        break;
    }
    input = std::string_view(in, inLeft);
    return stop;
}

std::optional<std::string> ConvertStrict(const char* to, const char* from, std::string_view bytes)
{
    IconvHandle cd(to, from);
    if (!cd.valid()) {
        return std::nullopt;
    }
    std::string output;
    if (Convert(cd, bytes, output) != Stop::Done) {
        return std::nullopt;
    }
    return output;
}

} // namespace

std::optional<std::string> Cp932ToUtf8(std::string_view bytes)
{
    return ConvertStrict("UTF-8", "CP932", bytes);
}

std::string Cp932ToUtf8Lenient(std::string_view bytes)
{
    IconvHandle cd("UTF-8", "CP932");
    std::string output;
    if (!cd.valid()) {
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            output.append(kUtf8Replacement);
        }
        return output;
    }
    while (!bytes.empty()) {
        const Stop stop = Convert(cd, bytes, output);
        if (stop == Stop::Done) {
            break;
        }
        // Only the first byte of a bad sequence is dropped: the byte after a lone lead byte
        // may well be a character of its own (an ASCII letter, a line break).
        output.append(kUtf8Replacement);
        bytes.remove_prefix(1);
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    }
    return output;
}

std::optional<std::string> Utf8ToCp932(std::string_view utf8)
{
    return ConvertStrict("CP932", "UTF-8", utf8);
}

std::optional<std::size_t> Cp932ByteCount(std::string_view utf8)
{
    const std::optional<std::string> bytes = Utf8ToCp932(utf8);
    if (!bytes) {
        return std::nullopt;
    }
    return bytes->size();
}

std::size_t Cp932TypedLength(std::string_view utf8)
{
    if (const std::optional<std::size_t> whole = Cp932ByteCount(utf8)) {
        return *whole;
    }
    std::size_t length = 0;
    for (const char32_t c : Utf8ToU32(utf8)) {
        if (c < 0x80) {
            ++length;
        } else {
            length += Cp932ByteCount(U32ToUtf8(std::u32string_view(&c, 1))).value_or(2);
        }
    }
    return length;
}

namespace {

bool IsAsciiLetter(char32_t c)
{
    return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z');
}

// The two-byte characters a run may be made of, by what they are in writing.
enum class TwoByteKind { Sign, LatinLetter, Greek, Cyrillic, Hebrew, Arabic, Other };

TwoByteKind KindOf(char32_t c)
{
    if (c >= 0xA0 && c <= 0xBF)
        return TwoByteKind::Sign;
    if (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7)
        return TwoByteKind::LatinLetter;
    if ((c >= 0x386 && c <= 0x3FF) && c != 0x387)
        return TwoByteKind::Greek;
    if (c >= 0x400 && c <= 0x4FF)
        return TwoByteKind::Cyrillic;
    if (c >= 0x5D0 && c <= 0x5EA)
        return TwoByteKind::Hebrew;
    if (c >= 0x620 && c <= 0x64A)
        return TwoByteKind::Arabic;
    return TwoByteKind::Other;
}

} // namespace

bool ReadsAsUtf8(std::string_view bytes)
{
    if (!IsValidUtf8(bytes))
        return false;
    const std::u32string text = Utf8ToU32(bytes);
    if (std::any_of(text.begin(), text.end(), [](char32_t c) { return c >= 0x800; }))
        return true;

    // Only one- and two-byte characters: every run of two-byte characters must read as text.
    std::optional<TwoByteKind> alphabet;
    std::size_t alphabetLetters = 0;
    for (std::size_t start = 0; start < text.size();) {
        if (text[start] < 0x80) {
            ++start;
            continue;
        }
        std::size_t end = start;
        while (end < text.size() && text[end] >= 0x80)
            ++end;
        const TwoByteKind kind = KindOf(text[start]);
        const bool same = std::all_of(text.begin() + static_cast<std::ptrdiff_t>(start),
                                      text.begin() + static_cast<std::ptrdiff_t>(end),
                                      [kind](char32_t c) { return KindOf(c) == kind; });
        const bool besideLatin = (start > 0 && IsAsciiLetter(text[start - 1])) ||
                                 (end < text.size() && IsAsciiLetter(text[end]));
        switch (same ? kind : TwoByteKind::Other) {
        case TwoByteKind::Sign:
            if (end - start != 1)
                return false;
            break;
        case TwoByteKind::LatinLetter:
            if (!besideLatin)
                return false;
            break;
        case TwoByteKind::Other:
            return false;
        default:
            if (alphabet && *alphabet != kind)
                return false;
            alphabet = kind;
            alphabetLetters += end - start;
            break;
        }
        start = end;
    }
    return !alphabet || alphabetLetters >= 3;
}

std::string DecodeTextFileBytes(std::string_view bytes)
{
    if (bytes.starts_with(kUtf8Bom)) {
        bytes.remove_prefix(kUtf8Bom.size());
        if (IsValidUtf8(bytes)) {
            return std::string(bytes);
        }
        return U32ToUtf8(Utf8ToU32(bytes));
    }
    if (ReadsAsUtf8(bytes)) {
        return std::string(bytes);
    }
    return Cp932ToUtf8Lenient(bytes);
}

std::string EncodeTextFileBytes(std::string_view utf8)
{
    // The converter also takes a few look-alikes one way (the wave dash U+301C becomes the
    // code of "～"), and the CP932 bytes of a few texts read as UTF-8 (half-width katakana
    // pairs after a Latin letter: "aﾃｱ" is 61 C3 B1, UTF-8 for "añ"). Such a text would not
    // read back as it is, so it goes out as UTF-8.
    if (std::optional<std::string> cp932 = Utf8ToCp932(utf8)) {
        if (DecodeTextFileBytes(*cp932) == utf8) {
            return std::move(*cp932);
        }
    }
    std::string result(kUtf8Bom);
    // Bytes that are not UTF-8 are written as U+FFFD so the file reads back as UTF-8.
    result += IsValidUtf8(utf8) ? std::string(utf8) : U32ToUtf8(Utf8ToU32(utf8));
    return result;
}

} // namespace varn
