#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rom/Result.h"
#include "rom/RomImageEdit.h"

namespace varn {

// The two commands of the MML page as operations over the values of its controls: the page
// reads its fields into a request, calls one command and shows what comes back (a message
// box with its caption and icon, and the texts to write into its fields).

// --- What the page shows ---------------------------------------------------------------

// The characters the music number and address fields take at most, the digits the commands
// write back into them.
inline constexpr int kMusicNumberFieldLength = 2;
inline constexpr int kWriteAddressFieldLength = 6;

// What a field falls back to when its text is not a hexadecimal number.
inline constexpr int kFallbackMusicNumber = 0x80;
inline constexpr int kFallbackWriteAddress = 0x400000;

// The messages and captions of the two commands.
inline constexpr std::string_view kMmlFileMissingMessage = "読み込みファイルが存在しません。";
inline constexpr std::string_view kRomFileMissingMessage = "書き込みファイルが存在しません。";
inline constexpr std::string_view kFinishedNormallyMessage = "正常終了しました。";
inline constexpr std::string_view kMmlErrorCaption = "エラー";
inline constexpr std::string_view kMmlFinishedCaption = "終了";
inline constexpr std::string_view kMmlCompileErrorCaption = "コンパイルエラー";

// --- Fields ----------------------------------------------------------------------------

// The music number of `Edit69`: its text read as hexadecimal ("0x" put in front), 0x80 when
// that is not a number.
int ReadMusicNumberField(std::string_view text);

// The write address of `Edit70`: its text read as hexadecimal, 0x400000 when that is not a
// number.
int ReadWriteAddressField(std::string_view text);

// A value as a field shows it: upper-case hexadecimal, at least `digits` digits.
std::string HexFieldText(int value, int digits);

// --- The commands ----------------------------------------------------------------------

enum class MmlMessageIcon { Stop, Information };

// A message box: text, caption and icon.
struct MmlPageMessage {
    std::string text;
    std::string caption;
    MmlMessageIcon icon = MmlMessageIcon::Stop;

    friend bool operator==(const MmlPageMessage&, const MmlPageMessage&) = default;
};

// What "コンパイル" (Button13) reads from the page.
struct MmlCompileRequest {
    std::string mmlPath;          // Edit67
    std::string romPath;          // Edit65, the open image
    std::string musicNumberText;  // Edit69
    std::string writeAddressText; // Edit70
    // The indices of the ticked items of CheckListBox1, CheckListBox2 and CheckListBox3, in
    // index order.
    std::vector<int> mapBattle;
    std::vector<int> monsterBattle;
    std::vector<int> mapTheme;
    ImageChangeOptions change; // the ImageBackup setting
};

// What the page shows after "コンパイル": the message box, and the texts for Edit69, Edit70
// (both written whenever the command got as far as reading them, so an unreadable field shows
// the value used) and Edit71 (the last address written, only on success).
struct MmlCompileOutcome {
    bool succeeded = false;
    MmlPageMessage message;
    std::optional<std::string> musicNumberText;
    std::optional<std::string> writeAddressText;
    std::optional<std::string> lastAddressText;
};

// Compiles the MML file into the image: the MML file must exist ("読み込みファイルが存在しま
// せん。"), then the image ("書き込みファイルが存在しません。"), and the image (or its backup)
// may not be the MML file ("出力先が入力ファイルと同じです。" and the name), all with caption
// "エラー"; then the song, its table entries and the ticked playback entries (with the file's
// own playback directives) are written through one commit of the image. Success: "正常終了し
// ました。", caption "終了", information icon. A failure shows the compiler's message with caption
// "コンパイルエラー" and leaves the image as it was. The image's music bookkeeping is neither
// read nor changed.
MmlCompileOutcome RunMmlCompile(const MmlCompileRequest& request);

// What "逆コンパイル" (Button17) reads from the page and its save dialog.
struct MmlReverseCompileRequest {
    std::string romPath;         // Edit65, the open image
    std::string musicNumberText; // Edit69
    std::string outPath;         // the file chosen in the save dialog
    // The title to read the image as; when absent the title is the one the image's cartridge
    // header names, as the header strip shows it (Edit91).
    std::optional<std::string> title;
    // The copier header's size (0 or 0x200) as the header strip shows it (Edit93: 0 for
    // "なし"); when absent it is found from the image as SelectImageTitle does.
    std::optional<int> headerSize;
};

// What the page shows after "逆コンパイル": the message box and, when the command got as far
// as reading it, the text for Edit69.
struct MmlReverseCompileOutcome {
    bool succeeded = false;
    MmlPageMessage message;
    std::optional<std::string> musicNumberText;
};

// The check "逆コンパイル" makes before its save dialog: a message when the image does not
// exist ("読み込みファイルが存在しません。", caption "エラー"), nothing when the command may go on.
std::optional<MmlPageMessage> CheckMmlReverseCompile(const std::string& romPath);

// Reverse-compiles the song of Edit69 into the chosen file: the image must exist, the file may
// not be the image ("出力先が入力ファイルと同じです。" and the name, caption "エラー"), its title
// must be one of the nine ("このROMには対応していません。", caption "エラー"); the copier
// header's 512 bytes are added to every offset read when the image has one. Success: "正常終了
// しました。", caption "終了", information icon; a failure shows the reverse compiler's message
// with caption "エラー", and no file is written.
MmlReverseCompileOutcome RunMmlReverseCompile(const MmlReverseCompileRequest& request);

// How the reverse compiler reads an image: the title index and the copier header size.
struct ImageMusicTitle {
    int variant = 0;
    int headerSize = 0;

    friend bool operator==(const ImageMusicTitle&, const ImageMusicTitle&) = default;
};

// The title of the image at `romPath` as its cartridge header names it (or `title` when given)
// and the size of its copier header: 0x200 when the cartridge header was found behind one; for
// an image whose cartridge header names no title (read under a title the user gives), when the
// image is 512 bytes longer than a multiple of 32 KiB. Fails with "このROMには対応していませ
// ん。" when the title is none of the nine.
Result<ImageMusicTitle> SelectImageTitle(const std::filesystem::path& romPath,
                                         const std::optional<std::string>& title = std::nullopt);

} // namespace varn
