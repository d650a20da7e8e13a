#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include <filesystem>
#include <system_error>

#include "cli/Cli.h"
#include "music/MML.h"
#include "music/MmlPageCommands.h"
#include "music/MusicSlots.h"
#include "music/MusicTitle.h"
#include "rom/FileIo.h"
#include "rom/HexText.h"
#include "rom/RomImageEdit.h"
#include "rom/RomStream.h"
#include "text/Cp932.h"

namespace varn::cli {

namespace {

// Playback numbers beyond this are mistakes on the command line, not values to report.
constexpr int kMaxPlaybackNumber = 0xFFFF;

struct MmlOptions {
    std::optional<int> music;
    std::optional<int> address;
    std::vector<int> mapBattle;
    std::vector<int> monsterBattle;
    std::vector<int> mapTheme;
    bool backup = false; // mml compile: keep the image as it was as "<name>.bak"
    std::vector<std::string> operands;
};

// A hexadecimal field as the MML page has it ("80", "500004"); "0x" in front is accepted.
std::optional<int> ParseHexField(std::string_view text, std::size_t maxDigits)
{
    DropHexPrefix(text);
    return ParseNumber(text, 16, maxDigits);
}

// A playback number: decimal, or hexadecimal after "0x".
std::optional<int> ParsePlaybackNumber(std::string_view text)
{
    const std::optional<int> value =
        DropHexPrefix(text) ? ParseNumber(text, 16, 4) : ParseNumber(text, 10, 5);
    if (!value || *value > kMaxPlaybackNumber)
        return std::nullopt;
    return value;
}

// Reads the options a command allows ("--" ends the options). Returns a problem to report, or
// nothing.
std::optional<std::string> ParseOptions(Arguments arguments, bool allowMusic, bool allowAddress,
                                        MmlOptions& options)
{
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            options.operands.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (allowMusic && argument == "--backup") {
            options.backup = true;
            continue;
        }
        const bool music = allowMusic && argument == "--music";
        const bool address = allowAddress && argument == "--address";
        std::vector<int>* list = nullptr;
        if (allowMusic && argument == "--map-battle")
            list = &options.mapBattle;
        else if (allowMusic && argument == "--monster-battle")
            list = &options.monsterBattle;
        else if (allowMusic && argument == "--map-theme")
            list = &options.mapTheme;
        if (!music && !address && list == nullptr)
            return "unknown option: " + argument;
        if (i + 1 == arguments.size())
            return argument + " needs a value";
        const std::string& value = arguments[++i];
        if (music) {
            options.music = ParseHexField(value, 2);
            if (!options.music)
                return "--music takes a music number of two hexadecimal digits (00 to FF)";
        } else if (address) {
            options.address = ParseHexField(value, 6);
            if (!options.address)
                return "--address takes a file offset of up to six hexadecimal digits";
        } else {
            const auto number = ParsePlaybackNumber(value);
            if (!number)
                return argument + " takes a number (decimal, or hexadecimal after 0x)";
            list->push_back(*number);
        }
    }
    return std::nullopt;
}

// The MML text of a file, Shift-JIS or UTF-8, as the page "MML" reads it.
Result<std::string> ReadMmlText(const std::string& path)
{
    Result<std::string> text = ReadMmlFile(path);
    if (!text)
        return Failure{text.message() + "\n" + path};
    return text;
}

std::string LastAddressLine(const MML& mml)
{
    return "last address: " + HexDigits(mml.lastAddress, 6) + "\n";
}

int Compile(Arguments arguments, std::ostream& out, std::ostream& err)
{
    MmlOptions options;
    if (const auto problem = ParseOptions(arguments, true, true, options))
        return UsageError(err, *problem);
    if (options.operands.size() != 2)
        return UsageError(err, "mml compile takes FILE.mml and ROM");
    if (!options.music || !options.address)
        return UsageError(err, "mml compile needs --music and --address");
    ImageChangeOptions change;
    change.backup = options.backup;
    const std::filesystem::path song = options.operands[0];
    if (const Status apart =
            CheckImageChangeInputs(options.operands[1], std::span(&song, 1), change);
        !apart)
        return Fail(err, apart.message());
    auto text = ReadMmlText(options.operands[0]);
    if (!text)
        return Fail(err, text.message());

    MML mml;
    mml.source = std::move(text).value();
    mml.romPath = options.operands[1];
    mml.musicNumber = *options.music;
    mml.writeAddress = *options.address;
    mml.mapBattle = options.mapBattle;
    mml.monsterBattle = options.monsterBattle;
    mml.mapTheme = options.mapTheme;
    Record(change, "mml compile " + HexDigits(*options.music, 2));
    if (const Status compiled = mml.CompileToFile(change); !compiled)
        return Fail(err, compiled.message());
    out << LastAddressLine(mml);
    return kExitOk;
}

int Build(Arguments arguments, std::ostream& out, std::ostream& err)
{
    MmlOptions options;
    if (const auto problem = ParseOptions(arguments, false, true, options))
        return UsageError(err, *problem);
    if (options.operands.size() != 2)
        return UsageError(err, "mml build takes FILE.mml and OUT.bin");
    if (!options.address)
        return UsageError(err, "mml build needs --address");
    if (const Status apart = CheckOutputNotInput(options.operands[1], {options.operands[0]});
        !apart)
        return Fail(err, apart.message());
    auto text = ReadMmlText(options.operands[0]);
    if (!text)
        return Fail(err, text.message());

    MML mml;
    mml.source = std::move(text).value();
    mml.writeAddress = *options.address;
    if (const Status parsed = mml.Parse(); !parsed)
        return Fail(err, parsed.message());
    const auto block = mml.EmitSong();
    if (!block)
        return Fail(err, block.message());
    if (const Status saved = WriteFileAtomically(options.operands[1], block.value()); !saved)
        return Fail(err, saved.message());
    out << LastAddressLine(mml);
    return kExitOk;
}

// For the verbs that read one FILE.mml and take no option: the song's text into `mml`.
// Returns the exit status to end with when the command line or the file is refused.
std::optional<int> ReadOneSong(Arguments arguments, std::string_view verb, MML& mml,
                               std::ostream& err)
{
    MmlOptions options;
    if (const auto problem = ParseOptions(arguments, false, false, options))
        return UsageError(err, *problem);
    if (options.operands.size() != 1)
        return UsageError(err, "mml " + std::string(verb) + " takes one FILE.mml");
    auto text = ReadMmlText(options.operands[0]);
    if (!text)
        return Fail(err, text.message());
    mml.source = std::move(text).value();
    return std::nullopt;
}

int Measure(Arguments arguments, std::ostream& out, std::ostream& err)
{
    MML mml;
    if (const std::optional<int> refused = ReadOneSong(arguments, "measure", mml, err))
        return *refused;
    mml.writeAddress = 0;
    const auto size = mml.MeasureSong();
    if (!size)
        return Fail(err, size.message());
    out << size.value() << '\n';
    return kExitOk;
}

int Info(Arguments arguments, std::ostream& out, std::ostream& err)
{
    MML mml;
    if (const std::optional<int> refused = ReadOneSong(arguments, "info", mml, err))
        return *refused;
    const Result<std::string> info = mml.SongInfo();
    if (!info)
        return Fail(err, info.message());
    for (char c : info.value()) {
        if (c != '\r')
            out << c;
    }
    return kExitOk;
}

struct DecompileOptions {
    std::optional<int> music;
    std::optional<std::string> allFolder;
    std::optional<std::string> title;
    std::vector<std::string> operands;
};

std::string KnownTitles()
{
    std::string titles;
    for (const MusicTitle& title : kMusicTitles)
        titles += "\n  " + std::string(title.romTitle);
    return titles;
}

std::optional<std::string> ParseDecompileOptions(Arguments arguments, DecompileOptions& options)
{
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            options.operands.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument != "--music" && argument != "--all" && argument != "--title")
            return "unknown option: " + argument;
        if (i + 1 == arguments.size())
            return argument + " needs a value";
        const std::string& value = arguments[++i];
        if (argument == "--music") {
            options.music = ParseHexField(value, 2);
            if (!options.music)
                return "--music takes a music number of two hexadecimal digits (00 to FF)";
        } else if (argument == "--all") {
            options.allFolder = value;
        } else {
            if (!SelectTitle(value))
                return "--title takes one of the titles:" + KnownTitles();
            options.title = value;
        }
    }
    return std::nullopt;
}

// A message of several lines as one line of a listing.
std::string OneLine(std::string text)
{
    for (char& c : text) {
        if (c == '\n')
            c = ' ';
    }
    return text;
}

// The file of music number `number` in the folder of `mml decompile --all`.
std::filesystem::path SongFilePath(const std::filesystem::path& folder, int number)
{
    return folder / (HexDigits(number, 2) + ".mml");
}

// Every readable song of the image into FOLDER/HH.mml, one line per music number: "written",
// "skipped" for a song that cannot be read from the image, "failed" for one whose file could
// not be written. Fails when a file could not be written, or when no song was written.
int DecompileAll(const std::string& rom, const std::string& folder,
                 const std::optional<std::string>& titleName, std::ostream& out,
                 std::ostream& err)
{
    constexpr int kMusicNumbers = 0xFF;
    const std::filesystem::path directory(folder);
    // No song's file may be the image itself, whichever songs turn out to be readable.
    for (int number = 0; number < kMusicNumbers; ++number) {
        if (const Status apart = CheckOutputNotInput(SongFilePath(directory, number), {rom});
            !apart)
            return Fail(err, apart.message());
    }
    if (const auto missing = CheckMmlReverseCompile(rom))
        return Fail(err, missing->text);
    const auto title = SelectImageTitle(rom, titleName);
    if (!title)
        return Fail(err, title.message());
    auto bytes = ReadFileBytes(rom, kMaxRomImageSize);
    if (!bytes)
        return Fail(err, bytes.message() + "\n" + rom);
    std::error_code error;
    if (!std::filesystem::is_directory(directory, error) &&
        !std::filesystem::create_directories(directory, error))
        return Fail(err, std::string(kCannotWriteFileMessage) + "\n" + folder);

    MemoryRomStream image(std::move(bytes).value(), false);
    // Every readable song first, then all their files written as one set (one flush pass over
    // them, one flush of the folder), each file on its own whole or not at all; then the line
    // of every music number in order.
    std::vector<std::string> skipped(kMusicNumbers);
    std::vector<std::string> encoded;
    std::vector<int> numbers;
    for (int number = 0; number < kMusicNumbers; ++number) {
        MML mml;
        mml.variant = title.value().variant;
        mml.headerSize = title.value().headerSize;
        mml.musicNumber = number;
        const auto text = mml.ReverseCompile(image);
        if (!text) {
            skipped[static_cast<std::size_t>(number)] = OneLine(text.message());
            continue;
        }
        encoded.push_back(EncodeTextFileBytes(text.value()));
        numbers.push_back(number);
    }
    std::vector<FileToWrite> files;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        const auto* data = reinterpret_cast<const std::uint8_t*>(encoded[i].data());
        files.push_back({SongFilePath(directory, numbers[i]), {data, encoded[i].size()}});
    }
    const std::vector<Status> saved = WriteEachFileAtomically(files);

    int written = 0;
    int failed = 0;
    std::size_t song = 0;
    for (int number = 0; number < kMusicNumbers; ++number) {
        const std::string hex = HexDigits(number, 2);
        if (song == numbers.size() || numbers[song] != number) {
            out << hex << " skipped: " << skipped[static_cast<std::size_t>(number)] << '\n';
            continue;
        }
        const Status& outcome = saved[song];
        const std::filesystem::path& path = files[song].path;
        ++song;
        if (!outcome) {
            out << hex << " failed: " << OneLine(outcome.message()) << '\n';
            ++failed;
            continue;
        }
        out << hex << " written " << path.string() << '\n';
        ++written;
    }
    if (failed > 0)
        return Fail(err, std::to_string(failed) + (failed == 1 ? " song" : " songs") +
                             " could not be written");
    if (written == 0)
        return Fail(err, "no song written");
    return kExitOk;
}

int Decompile(Arguments arguments, std::ostream& out, std::ostream& err)
{
    DecompileOptions options;
    if (const auto problem = ParseDecompileOptions(arguments, options))
        return UsageError(err, *problem);
    if (options.allFolder) {
        if (options.music)
            return UsageError(err, "mml decompile takes either --music or --all");
        if (options.operands.size() != 1)
            return UsageError(err, "mml decompile --all DIR takes one ROM");
        return DecompileAll(options.operands[0], *options.allFolder, options.title, out, err);
    }
    if (!options.music)
        return UsageError(err, "mml decompile needs --music or --all");
    if (options.operands.size() != 2)
        return UsageError(err, "mml decompile --music HH takes ROM and OUT.mml");

    MmlReverseCompileRequest request;
    request.romPath = options.operands[0];
    request.musicNumberText = HexDigits(*options.music, 2);
    request.outPath = options.operands[1];
    request.title = options.title;
    const MmlReverseCompileOutcome outcome = RunMmlReverseCompile(request);
    if (!outcome.succeeded)
        return Fail(err, outcome.message.text);
    out << "written " << request.outPath << '\n';
    return kExitOk;
}

} // namespace

// mml compile|build|measure|info|decompile: the MML compiler and reverse compiler on the
// command line.
int RunMml(Arguments arguments, std::ostream& out, std::ostream& err)
{
    if (arguments.empty())
        return UsageError(err, "mml needs compile, build, measure, info or decompile");
    const std::string& command = arguments[0];
    if (command == "compile")
        return Compile(arguments.subspan(1), out, err);
    if (command == "build")
        return Build(arguments.subspan(1), out, err);
    if (command == "measure")
        return Measure(arguments.subspan(1), out, err);
    if (command == "info")
        return Info(arguments.subspan(1), out, err);
    if (command == "decompile")
        return Decompile(arguments.subspan(1), out, err);
    return UsageError(err, "unknown mml command: " + command);
}

} // namespace varn::cli
