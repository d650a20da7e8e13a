#include <charconv>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

#include "cli/Cli.h"
#include "rom/HexText.h"
#include "rom/RomStream.h"
#include "text/Settings.h"
#include "text/Cp932.h"
#include "text/TextCodec.h"
#include "text/Utf8.h"

namespace varn::cli {

namespace {

// A field larger than any text the game keeps is a mistake on the command line.
constexpr int kMaxCapacity = 65536;

struct TextOptions {
    std::optional<int> capacity;
    std::optional<std::string> ini;
    std::vector<std::string> operands;
};

// Reads --capacity N, --ini FILE and the operands ("--" ends the options). Returns a problem
// to report, or nothing.
std::optional<std::string> ParseOptions(Arguments arguments, bool allowCapacity,
                                        TextOptions& options)
{
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
            options.operands.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--ini" || (allowCapacity && argument == "--capacity")) {
            if (i + 1 == arguments.size())
                return argument + " needs a value";
            const std::string& value = arguments[++i];
            if (argument == "--ini") {
                options.ini = value;
                continue;
            }
            int capacity = 0;
            const auto [end, error] =
                std::from_chars(value.data(), value.data() + value.size(), capacity);
            if (error != std::errc() || end != value.data() + value.size() || capacity < 0 ||
                capacity > kMaxCapacity)
                return "--capacity takes a number of bytes from 0 to " +
                       std::to_string(kMaxCapacity);
            options.capacity = capacity;
        } else {
            return "unknown option: " + argument;
        }
    }
    return std::nullopt;
}

// Hexadecimal bytes from the operands: each operand holds whitespace-separated groups of an
// even number of hex digits, so "50 51", "5051" and "0x50" all read.
std::optional<std::vector<std::uint8_t>> ParseHexBytes(const std::vector<std::string>& operands)
{
    std::vector<std::uint8_t> bytes;
    for (const std::string& operand : operands) {
        std::size_t i = 0;
        while (i < operand.size()) {
            if (operand[i] == ' ' || operand[i] == '\t' || operand[i] == '\n' ||
                operand[i] == ',') {
                ++i;
                continue;
            }
            std::size_t end = operand.find_first_of(" \t\n,", i);
            if (end == std::string::npos)
                end = operand.size();
            std::string_view group(operand.data() + i, end - i);
            DropHexPrefix(group);
            if (group.empty() || group.size() % 2 != 0)
                return std::nullopt;
            for (std::size_t k = 0; k < group.size(); k += 2) {
                const std::optional<std::uint32_t> byte = ParseHex(group.substr(k, 2), 2, 2);
                if (!byte)
                    return std::nullopt;
                bytes.push_back(static_cast<std::uint8_t>(*byte));
            }
            i = end;
        }
    }
    return bytes;
}

std::string RefusedCharacterMessage(const std::string& text, int position)
{
    const std::u32string prepared = Utf8ToU32(ToFullWidth(text));
    const std::string character =
        U32ToUtf8(std::u32string_view(prepared).substr(static_cast<std::size_t>(position - 1), 1));
    return std::to_string(position) + "文字目の「" + character + "」は使用できません。";
}

int Encode(Arguments arguments, std::ostream& out, std::ostream& err)
{
    TextOptions options;
    if (const auto problem = ParseOptions(arguments, true, options))
        return UsageError(err, *problem);
    if (options.operands.size() != 1)
        return UsageError(err, "text encode takes one TEXT");
    ExtensionTable extensions;
    if (const auto problem = LoadIniExtensions(options.ini, extensions))
        return Fail(err, *problem);

    // Arguments are UTF-8 where the terminal is; bytes that are not are read as CP932.
    const std::string& argument = options.operands[0];
    const std::string text = IsValidUtf8(argument) ? argument : Cp932ToUtf8Lenient(argument);
    int capacity = 0;
    if (options.capacity) {
        capacity = *options.capacity;
    } else {
        const TextMeasure measure = MeasureText(text, extensions);
        if (measure.result > 0)
            return Fail(err, RefusedCharacterMessage(text, measure.result));
        capacity = measure.byteCount;
    }
    std::vector<std::uint8_t> field(static_cast<std::size_t>(capacity));
    const int result = EncodeText(text, field, extensions);
    if (result == -1)
        return Fail(err, "テキストが" + std::to_string(capacity) + "バイトに収まりません。");
    if (result > 0)
        return Fail(err, RefusedCharacterMessage(text, result));
    out << HexBytes(field) << '\n';
    return kExitOk;
}

int Decode(Arguments arguments, std::ostream& out, std::ostream& err)
{
    TextOptions options;
    if (const auto problem = ParseOptions(arguments, false, options))
        return UsageError(err, *problem);
    if (options.operands.empty())
        return UsageError(err, "text decode takes the bytes to decode");
    const auto bytes = ParseHexBytes(options.operands);
    if (!bytes)
        return UsageError(err, "bytes are written as pairs of hexadecimal digits");
    ExtensionTable extensions;
    if (const auto problem = LoadIniExtensions(options.ini, extensions))
        return Fail(err, *problem);

    const DecodedText decoded = DecodeText(*bytes, extensions);
    if (!decoded.ok)
        return Fail(err, "ゲームのテキストとして読めないバイト列です。");
    std::string text;
    for (char c : decoded.text) {
        if (c != '\r')
            text += c;
    }
    out << text << '\n';
    return kExitOk;
}

} // namespace

// text encode|decode: the game text codec on the command line.
int RunText(Arguments arguments, std::ostream& out, std::ostream& err)
{
    if (arguments.empty())
        return UsageError(err, "text needs encode or decode");
    if (arguments[0] == "encode")
        return Encode(arguments.subspan(1), out, err);
    if (arguments[0] == "decode")
        return Decode(arguments.subspan(1), out, err);
    return UsageError(err, "unknown text command: " + arguments[0]);
}

} // namespace varn::cli
