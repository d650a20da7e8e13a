// The helpers every shared text file goes through (settings, MML songs, patch lists,
// comments): DecodeTextFileBytes and EncodeTextFileBytes, the CP932 conversions and the UTF-8
// conversions under the text codec. The input is the bytes of a file.
//
// Properties: whatever is read comes out as UTF-8; well-formed UTF-8 survives the trip through
// code points; a strict CP932 reading agrees with the lenient one; a text written as a text
// file reads back as the same text (bytes that are not UTF-8 as U+FFFD); and the bytes kept in
// a file are read by ReadTextFile as they decode, up to its bound and refused above it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "FuzzSupport.h"
#include "rom/FileIo.h"
#include "text/Cp932.h"
#include "text/TextFile.h"
#include "text/Utf8.h"

namespace varn::fuzz {
namespace {

void CheckWrittenText(std::string_view text)
{
    const std::string expected = U32ToUtf8(Utf8ToU32(text));
    const std::string file = EncodeTextFileBytes(text);
    Require(DecodeTextFileBytes(file) == expected, "a written text file reads back the same");

    if (const std::optional<std::string> cp932 = Utf8ToCp932(text)) {
        const std::optional<std::size_t> count = Cp932ByteCount(text);
        Require(count && *count == cp932->size(), "the CP932 byte count is the converted size");
        Require(Cp932ToUtf8(*cp932).has_value(), "converted CP932 reads as CP932");
    }
}

} // namespace
} // namespace varn::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    varn::fuzz::KeepCp932ConverterLoaded();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace varn;
    const std::string_view bytes = fuzz::Text(data, size);

    const std::u32string codePoints = Utf8ToU32(bytes);
    fuzz::Require(codePoints.size() <= bytes.size(), "no byte gives two code points");
    const std::string rewritten = U32ToUtf8(codePoints);
    fuzz::Require(IsValidUtf8(rewritten), "code points are written as UTF-8");
    if (IsValidUtf8(bytes))
        fuzz::Require(rewritten == bytes, "UTF-8 survives the trip through code points");

    const std::string decoded = DecodeTextFileBytes(bytes);
    fuzz::Require(IsValidUtf8(decoded), "a decoded text file is UTF-8");

    const std::string lenient = Cp932ToUtf8Lenient(bytes);
    fuzz::Require(IsValidUtf8(lenient), "a lenient CP932 reading is UTF-8");
    if (const std::optional<std::string> strict = Cp932ToUtf8(bytes))
        fuzz::Require(*strict == lenient, "the strict and lenient CP932 readings agree");

    fuzz::CheckWrittenText(bytes);
    fuzz::CheckWrittenText(decoded);

    static fuzz::ScratchFile scratch;
    const std::filesystem::path& path = scratch.write(bytes);
    for (const std::size_t bound : {size, size + 1, size == 0 ? 0 : size - 1}) {
        const Result<std::string> read = ReadTextFile(path, bound);
        if (size <= bound)
            fuzz::Require(read.ok() && read.value() == decoded,
                          "a file up to the bound reads as its bytes decode");
        else
            fuzz::Require(!read.ok() && read.message() == kFileTooLargeMessage,
                          "a file above the bound is refused as too large");
    }
    return 0;
}
