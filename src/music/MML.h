#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "rom/Result.h"
#include "rom/RomImageEdit.h"

namespace varn {

class RomStream;
class WritePlan;

// One MML song on its way into the target game's music format. An object serves one
// operation: the caller fills `source` (the text of an MML file, already decoded to UTF-8),
// the ROM path or stream, the music number, the write address and the playback lists, then
// calls one operation. `Parse` turns the text into statement records per channel; the
// compiler lays the records out as a song block and writes it with the song's pointer, wave
// and drum table entries and its playback table entries.
//
// Every operation reports failure in its result, with the message the user sees. Nothing is written to the image unless everything that can be checked beforehand
// (the text, the song, the playback values, the reach of the image) has passed.
class MML {
public:
    // A statement as the code generator receives it: a note, tie or rest (no arguments), a
    // control code of the target game with its argument bytes in MML order, or the loop point
    // "$" (code kLoopPointCode, no arguments).
    static constexpr std::uint8_t kLoopPointCode = 0xFF;
    struct mmlcom {
        std::int32_t argCount = 0;
        std::uint8_t code = 0;
        std::array<std::uint8_t, 3> args{};

        friend bool operator==(const mmlcom&, const mmlcom&) = default;
    };

    // What the sound driver's channel state is known to be at the current point of a channel,
    // so that a setting the driver already holds is not written again. kUnknown means that no
    // value is held; any other value is a byte the driver holds.
    struct StateCache {
        static constexpr int kUnknown = 256;

        int instrument = kUnknown; // "@"
        int m1 = kUnknown;         // "m" with three arguments
        int m2 = kUnknown;
        int m3 = kUnknown;
        int volume = kUnknown; // level of "v"
        int pan = kUnknown;    // position of "p"
        int eFlag = kUnknown;  // 1 after "%e1", 0 after "%e"
        int aValue = kUnknown; // "%A" with one argument
        int rValue = kUnknown; // "%R"

        // Forgets everything but m2 and m3, which count only together with m1.
        void empty();

        friend bool operator==(const StateCache&, const StateCache&) = default;
    };

    // An open loop of the channel being generated.
    struct loopParm {
        int count = 0;              // number of passes
        std::int64_t breakPos = -1; // file offset of the loop's break code, -1 for none
        StateCache saved;           // the state restored after a loop with a break: empty
    };

    static constexpr int kChannelCount = 8;

    // The text and the scanner.
    std::string source;              // the MML text; Parse appends two newlines
    std::size_t pos = 1;             // 1-based position of the scanner in `source`
    int line = 1;                    // current line
    int channel = 0;                 // index 0-7 of the channel being parsed
    std::string defaultLength = "4"; // length text of notes without a length
    bool octaveReverse = false;

    // What the directives set.
    std::array<std::string, 26> macros;                  // texts of the macros "A" to "Z"
    std::array<int, 16> waves{};                         // wave numbers of instruments 0x20-0x2F
    std::array<std::array<int, 3>, 12> drums{};          // drum records, pitch classes "c" to "b"
    std::string info;                                    // lines of the information directives
    std::vector<int> mapBattle, monsterBattle, mapTheme; // playback settings, in order

    std::array<std::vector<mmlcom>, kChannelCount> channels; // the statements of each channel

    // Code generation.
    StateCache cache;
    std::vector<loopParm> loops;
    int headerSize = 0; // copier header size for reading; the compiler never adds it
    int variant = 0;    // title index; the compiler writes the target game only
    std::string romPath;
    std::string outPath;
    int musicNumber = 0;  // 0x00-0xFF
    int writeAddress = 0; // file offset where the song block starts
    int lastAddress = 0;  // file offset of the song block's last byte

    // Parses `source` into `channels` and the directive fields. Resets everything it fills
    // except `info` and the three playback lists, which the caller prepares and the
    // directives extend. Fails with the first error's message and its line.
    Status Parse();

    // Parses, then writes the song into the image file at `romPath`: the image is changed in
    // memory and the file replaced whole once every write has succeeded, so a failure leaves
    // it as it was. Fails with "ファイルが開けません。" when the image cannot be read, and
    // with "ファイルに書き込めません。" and its name when it cannot be replaced.
    Status CompileToFile(const ImageChangeOptions& options = {});

    // Parses, then writes the song into an image the caller holds open: the song block at
    // `writeAddress`, the wave, drum and pointer entries of `musicNumber`, then `musicNumber`
    // into the battle tables by map and by monster and for every map theme, each list taken
    // from its back. Fails, before anything is written, on a song error, a music number
    // outside 0x00-0xFF, a playback value out of range, or a range the image does not reach
    // ("ファイルに書き込めません。" and the offset).
    Status CompileToStream(RomStream& stream);

    // Parses, then adds the writes CompileToStream makes to `plan` in their order, without
    // writing anything; the event-script bytes the music number is packed into are read as
    // the writes before them leave the image. Refuses as CompileToStream does, adding nothing
    // then; writing the plan is the caller's.
    Status PlanCompile(RomStream& stream, WritePlan& plan);

    // Parses and lays the song out in memory; returns `lastAddress` + 1, which is the size of
    // the song block when `writeAddress` is 0.
    Result<int> MeasureSong();

    // The information lines of the text ("曲名：..." and so on, each ended by CR LF). Fails as
    // Parse does.
    Result<std::string> SongInfo();

    // The song block of the parsed channels as it lies at `writeAddress`: the 38-byte header
    // and the channel streams. Sets `lastAddress`. Fails when channel 1 is empty, a loop end
    // or loop break lies outside any loop, or the block would be longer than its 16-bit length
    // field can say (64 KiB less one byte).
    Result<std::vector<std::uint8_t>> EmitSong();

    // --- The reverse compiler: one song of any of the nine titles as MML text --------------
    //
    // The caller sets `musicNumber`, `variant` (the title index) and `headerSize` (0x200 when
    // the image has a copier header; it is added to every offset read). The song is written in
    // the target game's vocabulary: the "#WAVE" lines, the "#DRUM" lines for titles with drum
    // tables, then one line per channel under its banner, every channel ended by ";" (an empty
    // channel is ";" alone, so that the file compiles back into the same channels).
    //
    // Reading never leaves the image: a song table entry, header or block that lies past its
    // end is refused, a channel reads no further than its block length says, and a song whose
    // pointer entry is zero is no song.

    // Reads the song from the image at `romPath` and writes the MML file at `outPath`, in the
    // Windows Japanese code page with CR LF line ends, replacing the file whole (nothing is
    // written when the song cannot be read). Fails with "ファイルが開けません。" when the image
    // cannot be read and "ファイルに書き込めません。" and the path when the file cannot be
    // written; an `outPath` that is the image (by any name) is refused before anything is read
    // with "出力先が入力ファイルと同じです。" and its name.
    Status ReverseCompileToFile();

    // The MML text of the song (UTF-8, lines ended by CR LF). Refuses a music number in no
    // range of the title (0xFF) with "音楽番号の指定が不正です。\n0x" and the number, a control
    // code the title may not use with "この曲はMML化できません。\n不明な制御コード：" and the
    // code in two hexadecimal digits, and what lies past the end of the image as said above.
    Result<std::string> ReverseCompile(RomStream& stream);

    // The text of channel `k` (1-8) of the song: its commands, notes with their lengths, "$"
    // before the command the channel's closing jump returns to, and ";" at the end. Fails as
    // ReverseCompile does.
    Result<std::string> DecodeChannel(RomStream& stream, int k);

private:
    // The argument texts of one statement, at most three, kept without allocating.
    class Arguments {
    public:
        bool empty() const { return count_ == 0; }
        std::size_t size() const { return count_; }
        const std::string& operator[](std::size_t i) const { return texts_[i]; }
        std::string& operator[](std::size_t i) { return texts_[i]; }
        const std::string* begin() const { return texts_.data(); }
        const std::string* end() const { return texts_.data() + count_; }
        void push_back(std::string text) { texts_[count_++] = std::move(text); }
        void clear() { count_ = 0; }
        // Grows with empty texts or shrinks to `count` (at most three).
        void resize(std::size_t count);
        void eraseFirst();

    private:
        std::array<std::string, 3> texts_;
        std::size_t count_ = 0;
    };

    // A macro text being read in place of the source; the innermost is last.
    struct Expansion {
        std::string_view text;
        std::size_t next = 0;
    };

    // The scanner and the code generator report with false and leave the message here; the
    // public operations turn it into their result.
    bool Fail(std::string message);
    std::string error_;

    // The scanner over the source and the macro texts inserted into it.
    bool AtEnd() const;
    int Peek(std::size_t ahead = 0) const;
    void Advance();
    std::string TakeChar();
    void SkipChars(std::size_t count);
    void SkipBlanks();
    void SkipComment();
    void SkipPastSemicolon();
    bool LooksAt(std::string_view keyword) const;
    std::string ReadWord();
    std::string ReadNumber(int hexDigits);
    Arguments ReadArguments();

    bool ParseText();
    bool ParseDirective();
    bool ParseMacroDefinition();
    bool ParseWave(int directiveLine);
    bool ParseDrum(int directiveLine);
    bool ParsePlayback(std::string_view keyword, std::vector<int>& list, int hexDigits, int maximum,
                       int directiveLine);
    void ParseInfo(std::string_view label);
    bool ParseChannel();
    bool ExpandMacro(char letter, int statementLine);
    bool ParseNote(const std::string& word, const Arguments& arguments, int statementLine);
    bool ParseTableCommand(const std::string& word, const Arguments& arguments, int statementLine);
    bool UnknownCommand(const std::string& word, const Arguments& arguments, int statementLine);

    bool EmitChannel(int k, std::vector<std::uint8_t>& block);
    Status PlanSong(RomStream& stream, WritePlan& plan);
    Status WriteSong(RomStream& stream);

    struct LoadedSong;
    Result<LoadedSong> LoadSong(RomStream& stream);
    Result<std::string> DecodeLoadedChannel(const LoadedSong& song, int k);

    std::vector<Expansion> expansions_;
    std::size_t expandedSize_ = 0;
};

// A song whose block would not fit its 16-bit length, or an MML file too large to be a song.
inline constexpr const char* kSongTooLargeMessage = "曲のデータが大きすぎます。";

// The reverse compiler's messages.
inline constexpr const char* kUnknownControlCodeMessage =
    "この曲はMML化できません。\n不明な制御コード：";
inline constexpr const char* kNoSongMessage = "この曲はMML化できません。\n曲のデータがありません。";
inline constexpr const char* kSongOutsideImageMessage =
    "この曲はMML化できません。\n曲のデータがROMイメージの範囲外です。\n0x";
inline constexpr const char* kUnsupportedRomMessage = "このROMには対応していません。";

} // namespace varn
