#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "charpatch/CharacterForm.h"
#include "graphics/GifImage.h"
#include "graphics/SpriteSheet.h"
#include "rom/Result.h"
#include "text/ExtensionTable.h"

namespace varn {

// The character patch file (".vnp"): a fixed head of 7158 bytes (magic "VNP", name, gender,
// title, palette, tiles) and a sequence of records, each a type byte, a zero byte and a
// length byte before its data; the comment record, always last, has the comment's character
// count in place of the zero and length bytes and runs to the end of the file.

inline constexpr std::string_view kPatchMagic = "VNP";
inline constexpr std::size_t kPatchHeadSize = 7158;
inline constexpr std::size_t kMaxCommentBytes = 1024;

enum PatchRecordType : std::uint8_t {
    kStatusRecord = 1,
    kLevelRecord = 2,
    kSkillRecord = 3,
    kEquipmentRecord = 4,
    kGrowthRecord = 5,
    kPurchaseBanRecord = 6,
    kSpecialRecord = 7,
    kCostRecord = 8,
    kFirstTalkRecord = 0x80,
    kRepeatTalkRecord = 0x81,
    kLastBattleRecord = 0x82,
    kTalkMusicRecord = 0x83,
    kCommentRecord = 0xFF,
};

// The full data length of the fixed records (types 1 to 8), 0 for others.
std::size_t FullRecordLength(std::uint8_t type);

struct PatchRecord {
    std::uint8_t type = 0;
    // The data as stored; a record cut short by the end of the file holds what is there.
    std::vector<std::uint8_t> data;

    // The data at `length` bytes: cut, or filled with `fill` where the record is shorter.
    std::vector<std::uint8_t> padded(std::size_t length, std::uint8_t fill) const;

    friend bool operator==(const PatchRecord&, const PatchRecord&) = default;
};

struct PatchComment {
    std::uint16_t count = 0;         // characters (UTF-16 code units); informational
    std::vector<std::uint8_t> bytes; // CP932, at most 1024

    friend bool operator==(const PatchComment&, const PatchComment&) = default;
};

// The comment's text as the editor shows it: its bytes up to the first zero byte, read in the
// Japanese code page they are written in, with every line break (CR LF, or the lone LF or CR
// of older files) as one LF.
std::string CommentText(const PatchComment& comment);

// A comment as it is stored in the file: every line break as CR LF, as the files users share
// keep multi-line text. The comment's 1024-byte limit counts this form.
std::string StoredCommentText(std::string_view shown);

struct PatchFile {
    std::array<std::uint8_t, 3> magic{'V', 'N', 'P'};
    std::array<std::uint8_t, 8> name{};
    std::uint8_t gender = 0;
    std::array<std::uint8_t, 10> title{};
    SheetPalette palette{};
    SheetTiles tiles{};
    std::vector<PatchRecord> records; // in file order, without the comment
    std::optional<PatchComment> comment;

    bool hasMagic() const;
    // The first record of a type, or nullptr.
    const PatchRecord* find(std::uint8_t type) const;

    friend bool operator==(const PatchFile&, const PatchFile&) = default;
};

// Walks a patch file: the head (a file shorter than the head is refused), then the records in
// order up to the end of the file or the comment record; a record whose data runs past the end
// keeps what is there. Reads nothing outside `bytes`. The magic is not checked here.
Result<PatchFile> ParsePatchFile(std::span<const std::uint8_t> bytes);

// Reads and walks the file at `path` ("ファイルが開けません。" when it cannot be read).
Result<PatchFile> ReadPatchFile(const std::filesystem::path& path);

// The bytes of a patch file. Refuses a record longer than 255 bytes and a comment longer than
// 1024 bytes instead of writing a wrapped length.
Result<std::vector<std::uint8_t>> SerializePatchFile(const PatchFile& patch);

// The patch the editor writes from its form and its sprite sheet: texts encoded (trailing
// blanks removed), palette and tiles taken from the sheet, records 1 to 8 always, the
// conversation records when the first line is not empty, the final-battle line when not empty,
// the conversation music when chosen with a first line, the comment (in CP932) when not empty.
// The form must have passed CheckCharacterPatch; texts that do not encode are refused.
Result<PatchFile> BuildPatchFile(const CharacterForm& form, const GifImage& sheet,
                                 const ExtensionTable& extensions);

// Builds, serialises and writes the patch (replacing the file only when complete).
Status WriteCharacterPatch(const std::filesystem::path& path, const CharacterForm& form,
                           const GifImage& sheet, const ExtensionTable& extensions);

// The editor's reading of a patch: fills the fields the patch covers and leaves the others.
// The name and title are decoded first ("名前に不正なコードが含まれています。",
// "肩書きに不正なコードが含まれています。"; a title failure leaves the decoded name in the
// form), the sheet is rebuilt from palette and tiles, the conversation music returns to item 0,
// then the records fill their fields (missing trailing bytes read as 0; unknown types are
// skipped).
Status LoadPatchIntoForm(const PatchFile& patch, CharacterForm& form, GifImage& sheet,
                         const ExtensionTable& extensions);

// Reads the file and loads it into the form.
Status LoadCharacterPatch(const std::filesystem::path& path, CharacterForm& form, GifImage& sheet,
                          const ExtensionTable& extensions);

// The length-prefixed text pieces of a conversation record, in order, each without its length
// byte. A piece that runs past the record is cut at its end; flag bytes are not pieces: use
// ParseFirstTalk for the first-meeting record. Every piece and flag is read in order whatever
// the flags say (the writer leaves out what a zero flag makes unused); a piece or flag past the
// end of the data reads as empty or 0, and nothing outside `data` is read.
struct FirstTalk {
    std::array<std::vector<std::uint8_t>, 4> opening; // P1-P4: line, OK, NG, line after OK
    bool secondChoice = false;                        // F1
    std::array<std::vector<std::uint8_t>, 3> second;  // P5-P7: OK, NG, joining line
    std::uint8_t hpCondition = 0;                     // F2
    std::vector<std::uint8_t> refuseLine;             // P8
};
FirstTalk ParseFirstTalk(std::span<const std::uint8_t> data);

// The five pieces of the later-meeting record: line, OK, NG, line after OK, line after NG.
std::array<std::vector<std::uint8_t>, 5> ParseRepeatTalk(std::span<const std::uint8_t> data);

} // namespace varn
