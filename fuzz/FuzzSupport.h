#pragma once

#include <gif_lib.h>
#include <iconv.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>

#include "text/ExtensionTable.h"

// What every fuzz target shares: the input as the core's types, and the check that turns a
// broken property into a crash libFuzzer reports (with the input that caused it).

namespace varn::fuzz {

// Stops the run when a property the code promises does not hold. The message goes to the
// fuzzer's log before the abort, so the report says which property broke.
inline void Require(bool holds, const char* property)
{
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", property);
        std::abort();
    }
}

// For a target that checks a function of some bytes that depends on nothing else (drawing a
// sheet from its palette and tiles): whether these parts, with `extra`, were noted in `seen`
// before; notes them when not. The check then runs once per content, and the runs go to the
// contents not seen yet. Contents are noted by a 64-bit hash; past 65536 notes it starts
// again, to bound the memory kept.
inline bool SeenBefore(std::unordered_set<std::size_t>& seen,
                       std::initializer_list<std::span<const std::uint8_t>> parts,
                       std::size_t extra = 0)
{
    std::size_t key = extra;
    for (const std::span<const std::uint8_t> part : parts)
        key = key * 1000003 ^ std::hash<std::string_view>{}(std::string_view(
                                  reinterpret_cast<const char*>(part.data()), part.size()));
    if (seen.size() >= (std::size_t{1} << 16))
        seen.clear();
    return !seen.insert(key).second;
}

inline std::span<const std::uint8_t> Bytes(const std::uint8_t* data, std::size_t size)
{
    return {data, size};
}

inline std::string_view Text(const std::uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

// The CP932 helpers open and close an iconv converter per call. Keeping one open for the
// process keeps glibc's converter module loaded, so that each call does not load it again: a
// start-up cost for the program, but most of the time of a fuzz run.
inline void KeepCp932ConverterLoaded()
{
    static const iconv_t converter = iconv_open("UTF-8", "CP932");
    (void)converter;
}

// A scratch file for this process, removed when it ends. It lies in memory (/dev/shm) where
// the system has that: emptying and rewriting a file on a disk file system for every input
// makes the file system flush it each time it is closed, which would take most of the run.
class ScratchFile {
public:
    ScratchFile()
    {
        std::error_code error;
        const std::filesystem::path folder = std::filesystem::is_directory("/dev/shm", error)
                                                 ? std::filesystem::path("/dev/shm")
                                                 : std::filesystem::temp_directory_path();
        std::string pattern = (folder / "varn-fuzz-XXXXXX").string();
        descriptor_ = ::mkstemp(pattern.data());
        Require(descriptor_ >= 0, "a scratch file can be made");
        path_ = pattern;
    }
    ~ScratchFile()
    {
        ::close(descriptor_);
        ::unlink(path_.c_str());
    }

    const std::filesystem::path& write(std::string_view bytes)
    {
        Require(::ftruncate(descriptor_, 0) == 0, "the scratch file can be emptied");
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::pwrite(descriptor_, bytes.data() + done, bytes.size() - done,
                                       static_cast<off_t>(done));
            Require(n > 0, "the scratch file can be written");
            done += static_cast<std::size_t>(n);
        }
        return path_;
    }

private:
    int descriptor_ = -1;
    std::filesystem::path path_;
};

// Whether a message a user would see holds one of giflib's own English error texts.
inline bool HoldsAGiflibMessage(std::string_view message)
{
    for (int code = 0; code < 256; ++code) {
        if (const char* text = GifErrorString(code);
            text != nullptr && *text != '\0' && message.find(text) != std::string_view::npos)
            return true;
    }
    return false;
}

// Whether a message of the GIF decoder is in the program's words: no Latin letter but those of
// "GIF", which its Japanese messages name.
inline bool InTheDecodersWords(std::string_view message)
{
    for (std::size_t i = 0; i < message.size(); ++i) {
        if (message.substr(i, 3) == "GIF") {
            i += 2;
            continue;
        }
        const char c = message[i];
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
            return false;
    }
    return true;
}

// An extension table as a settings file with two rows gives it: 32 characters the game's own
// table lacks (CJK Extension A, U+3400 on), then thirteen rows of "□", the mark of an
// undefined row. Every code 0x18 nn then names an entry.
inline ExtensionTable TwoRowExtensionTable()
{
    ExtensionTable table;
    for (char32_t c = 0x3400; c < 0x3420; ++c)
        table.chars.push_back(c);
    table.chars.resize(ExtensionTable::kRows * ExtensionTable::kColumns, U'□');
    return table;
}

} // namespace varn::fuzz
