#include <gtest/gtest.h>

#include <filesystem>

#include "MmlTestSupport.h"
#include "SongImage.h"
#include "music/MmlPageCommands.h"
#include "music/MusicSlots.h"
#include "music/PlaybackTables.h"
#include "rom/RomHeader.h"
#include "rom/RomStream.h"
#include "support/RomImageBuilder.h"
#include "support/TempDir.h"
#include "text/Cp932.h"

namespace varn::test {
namespace {

const MmlPageMessage kFinished{"正常終了しました。", "終了", MmlMessageIcon::Information};

MmlPageMessage StopMessage(std::string text, std::string caption = "エラー")
{
    return {std::move(text), std::move(caption), MmlMessageIcon::Stop};
}

TEST(MmlPageFieldsTest, HexadecimalFieldsAndTheirFallbacks)
{
    const std::pair<std::string_view, int> numbers[] = {
        {"80", 0x80}, {"b0", 0xB0}, {"B0", 0xB0}, {"7", 0x07}, {"zz", 0x80},
        {"", 0x80},   {" 8", 0x80}, {"8 ", 0x80}, {"0x8", 0x80}, {"-1", 0x80},
    };
    for (const auto& [text, value] : numbers)
        EXPECT_EQ(ReadMusicNumberField(text), value) << text;
    const std::pair<std::string_view, int> addresses[] = {
        {"400000", 0x400000}, {"500004", 0x500004}, {"5a4440", 0x5A4440},
        {"12", 0x12},         {"", 0x400000},       {"50000g", 0x400000},
    };
    for (const auto& [text, value] : addresses)
        EXPECT_EQ(ReadWriteAddressField(text), value) << text;
    EXPECT_EQ(HexFieldText(0x0B, 2), "0B");
    EXPECT_EQ(HexFieldText(0x500004, 6), "500004");
    EXPECT_EQ(HexFieldText(0x1234, 6), "001234");
}

class MmlCompileCommandTest : public testing::Test {
protected:
    MmlCompileCommandTest()
        : original_(RomImageBuilder::Target(RomImageBuilder::kExpandedSize).build()),
          rom_(dir_.write("rom.smc", original_))
    {
    }

    // A request for `song`, kept in a file of its own.
    MmlCompileRequest Request(std::string_view song)
    {
        MmlCompileRequest request;
        const std::string name = "song" + std::to_string(++songs_) + ".mml";
        request.mmlPath = dir_.write(name, song).string();
        request.romPath = rom_.string();
        request.musicNumberText = "B0";
        request.writeAddressText = "500004";
        return request;
    }

    // The image as compiling `song` with these values in memory leaves it.
    Bytes Expected(std::string_view song, int number, int address, std::vector<int> maps = {})
    {
        MemoryRomStream stream(original_);
        MML mml;
        mml.source = std::string(song);
        mml.musicNumber = number;
        mml.writeAddress = address;
        mml.mapBattle = std::move(maps);
        const Status status = mml.CompileToStream(stream);
        EXPECT_TRUE(status.ok()) << status.message();
        return stream.bytes();
    }

    TempDir dir_;
    Bytes original_;
    std::filesystem::path rom_;
    int songs_ = 0;
};

TEST_F(MmlCompileCommandTest, CompilesAndShowsTheLastAddress)
{
    const MmlCompileOutcome outcome = RunMmlCompile(Request("c4 d4;"));
    EXPECT_TRUE(outcome.succeeded);
    EXPECT_EQ(outcome.message, kFinished);
    EXPECT_EQ(outcome.musicNumberText, "B0");
    EXPECT_EQ(outcome.writeAddressText, "500004");
    // 38 header bytes and three channel bytes: the last at 0x50002C.
    EXPECT_EQ(outcome.lastAddressText, "50002C");
    EXPECT_EQ(ReadFileBytes(rom_), Expected("c4 d4;", 0xB0, 0x500004));
}

// Unreadable fields fall back to 0x80 and 0x400000, and the fields then show what was used.
TEST_F(MmlCompileCommandTest, UnreadableFieldsFallBackAndShowTheValueUsed)
{
    MmlCompileRequest request = Request("c4;");
    request.musicNumberText = "zz";
    request.writeAddressText = "";
    const MmlCompileOutcome outcome = RunMmlCompile(request);
    EXPECT_TRUE(outcome.succeeded) << outcome.message.text;
    EXPECT_EQ(outcome.musicNumberText, "80");
    EXPECT_EQ(outcome.writeAddressText, "400000");
    EXPECT_EQ(outcome.lastAddressText, "400027");
    EXPECT_EQ(ReadFileBytes(rom_), Expected("c4;", 0x80, 0x400000));
}

// The ticked maps, monsters and themes are written with the file's own playback directives.
TEST_F(MmlCompileCommandTest, TickedListsAddToTheFilesDirectives)
{
    MmlCompileRequest request = Request("#MAPBATTLE 0x05;\nc4;");
    request.mapBattle = {3};
    request.monsterBattle = {0x1F0};
    request.mapTheme = {0x0F};
    const MmlCompileOutcome outcome = RunMmlCompile(request);
    ASSERT_TRUE(outcome.succeeded) << outcome.message.text;
    const Bytes image = ReadFileBytes(rom_);
    EXPECT_EQ(image[kMapBattleTableOffset + 3], 0xB0);
    EXPECT_EQ(image[kMapBattleTableOffset + 5], 0xB0);
    EXPECT_EQ(image[kMonsterBattleTableOffset + 0x1F0], 0xB0);
    EXPECT_EQ(image[kMapMusicTableOffset + 0x0A], 0xB0) << "theme 0x0F plays map music entry 0A";
    EXPECT_NE(image[kMapBattleTableOffset + 4], 0xB0);
}

TEST_F(MmlCompileCommandTest, RefusalsAndCompileErrors)
{
    struct Case {
        const char* what;
        MmlCompileRequest request;
        MmlPageMessage message;
        bool fieldsShown;
    };
    MmlCompileRequest noMml = Request("c4;");
    noMml.mmlPath = (dir_.path() / "missing.mml").string();
    MmlCompileRequest folderMml = Request("c4;");
    folderMml.mmlPath = dir_.path().string();
    MmlCompileRequest noRom = Request("c4;");
    noRom.romPath = (dir_.path() / "missing.smc").string();
    MmlCompileRequest emptyRom = Request("c4;");
    emptyRom.romPath.clear();
    MmlCompileRequest parse = Request("c4\nc5;");
    parse.musicNumberText = "b0";
    MmlCompileRequest range = Request("c4;");
    range.monsterBattle = {0x200};
    MmlCompileRequest past = Request("c4;");
    past.writeAddressText = "FFFFF0";
    // The image chosen as the MML file (through a link), or its backup another name of the song.
    MmlCompileRequest image = Request("c4;");
    image.mmlPath = (dir_.path() / "image.mml").string();
    std::filesystem::create_symlink(rom_, image.mmlPath);
    MmlCompileRequest backup = Request("c4;");
    backup.change.backup = true;
    std::filesystem::create_hard_link(backup.mmlPath, dir_.path() / "rom.smc.bak");
    // A song, then blanks that make the file one byte larger than any song can be.
    MmlCompileRequest huge = Request("c4;");
    std::filesystem::resize_file(huge.mmlPath, kMaxMmlFileSize + 1);

    const Case cases[] = {
        {"no MML file", noMml, StopMessage("読み込みファイルが存在しません。"), false},
        {"a folder for the MML file", folderMml, StopMessage("読み込みファイルが存在しません。"),
         false},
        {"no image", noRom, StopMessage("書き込みファイルが存在しません。"), false},
        {"no image given", emptyRom, StopMessage("書き込みファイルが存在しません。"), false},
        {"a parse error", parse,
         StopMessage("音長指定が不正です。\nline = 2\n", "コンパイルエラー"), true},
        {"a monster out of range", range,
         StopMessage("モンスター別戦闘曲の指定が不正です。\n0x200", "コンパイルエラー"), true},
        {"an address past the image", past,
         StopMessage("ファイルに書き込めません。\n0xFFFFF0", "コンパイルエラー"), true},
        {"the image is the MML file", image,
         StopMessage("出力先が入力ファイルと同じです。\nrom.smc"), false},
        {"the backup is the MML file", backup,
         StopMessage("出力先が入力ファイルと同じです。\nrom.smc.bak"), false},
        {"a file too large to be a song", huge,
         StopMessage("曲のデータが大きすぎます。\n" + huge.mmlPath), true},
    };
    for (const Case& c : cases) {
        const MmlCompileOutcome outcome = RunMmlCompile(c.request);
        EXPECT_FALSE(outcome.succeeded) << c.what;
        EXPECT_EQ(outcome.message, c.message) << c.what;
        EXPECT_EQ(outcome.musicNumberText.has_value(), c.fieldsShown) << c.what;
        EXPECT_EQ(outcome.writeAddressText.has_value(), c.fieldsShown) << c.what;
        EXPECT_FALSE(outcome.lastAddressText) << c.what;
        EXPECT_EQ(ReadFileBytes(rom_), original_) << c.what << ": the image is left as it was";
    }
    const MmlCompileOutcome shown = RunMmlCompile(parse);
    EXPECT_EQ(shown.musicNumberText, "B0");
    EXPECT_EQ(shown.writeAddressText, "500004");
}

// An MML file is read up to kMaxMmlFileSize bytes; a larger one is refused before it is read,
// with the message of a song too large, wherever a song file is read.
TEST(MmlFileBoundTest, FilesUpToTheBoundAreReadAndLargerOnesRefused)
{
    TempDir dir;
    const std::string song = "#TITLE Long;\nc4;\n{";
    std::string text = song + std::string(kMaxMmlFileSize - song.size() - 1, ' ') + "}";
    const auto exact = dir.write("exact.mml", text);
    const Result<std::string> read = ReadMmlFile(exact);
    ASSERT_TRUE(read.ok()) << read.message();
    EXPECT_EQ(read.value().size(), kMaxMmlFileSize);

    const auto over = dir.write("over.mml", text + " ");
    EXPECT_EQ(ReadMmlFile(over).message(), "曲のデータが大きすぎます。");
    EXPECT_EQ(MeasureMmlFile(over, 0xB0).message(), "曲のデータが大きすぎます。");
    EXPECT_EQ(ReadMmlFile(dir.path() / "none.mml").message(), "ファイルが開けません。");
}

// A song of the target game at music number 0x60, written into an image file.
class MmlReverseCompileCommandTest : public testing::Test {
protected:
    static RomImageBuilder SongImage(std::vector<std::uint8_t> channel1)
    {
        ChannelStreams channels;
        channels[0] = std::move(channel1);
        SongEntries entries;
        entries.storedPointer = 0x500004;
        RomImageBuilder image = RomImageBuilder::Target(RomImageBuilder::kExpandedSize);
        PutSongEntries(image, 0, 0x60, entries);
        image.bytes(0x500004, HighBlock(0x500004, channels));
        return image;
    }

    MmlReverseCompileRequest Request(const std::filesystem::path& rom)
    {
        MmlReverseCompileRequest request;
        request.romPath = rom.string();
        request.musicNumberText = "60";
        request.outPath = (dir_.path() / "out.mml").string();
        return request;
    }

    std::vector<std::string> WrittenChannels() const
    {
        const Bytes bytes = ReadFileBytes(dir_.path() / "out.mml");
        return ChannelLines(DecodeTextFileBytes(std::string(bytes.begin(), bytes.end())));
    }

    TempDir dir_;
};

TEST_F(MmlReverseCompileCommandTest, WritesTheSongAndShowsTheMusicNumber)
{
    const auto rom = dir_.write("rom.smc", SongImage({0xDC, 0x20, 0x04, 0xEB}).build());
    MmlReverseCompileRequest request = Request(rom);
    request.musicNumberText = "60";
    EXPECT_EQ(CheckMmlReverseCompile(request.romPath), std::nullopt);
    const MmlReverseCompileOutcome outcome = RunMmlReverseCompile(request);
    EXPECT_TRUE(outcome.succeeded);
    EXPECT_EQ(outcome.message, kFinished);
    EXPECT_EQ(outcome.musicNumberText, "60");
    EXPECT_EQ(WrittenChannels().at(0), "@0x20c4;");
}

// An image behind a copier header is found by its cartridge header and read 512 bytes on.
TEST_F(MmlReverseCompileCommandTest, ACopierHeaderIsSkipped)
{
    RomImageBuilder image = SongImage({0x23, 0xEB});
    image.copierHeader();
    const auto rom = dir_.write("rom.smc", image.build());
    EXPECT_EQ(SelectImageTitle(rom).value(), (ImageMusicTitle{0, 0x200}));
    const MmlReverseCompileOutcome outcome = RunMmlReverseCompile(Request(rom));
    EXPECT_TRUE(outcome.succeeded) << outcome.message.text;
    EXPECT_EQ(WrittenChannels().at(0), "d8;");
}

TEST_F(MmlReverseCompileCommandTest, RefusalsWriteNoFile)
{
    const auto song = dir_.write("song.smc", SongImage({0x04, 0xE9}).build());
    const auto untitled = dir_.write("untitled.smc", RomImageBuilder(0x20000).build());
    struct Case {
        const char* what;
        MmlReverseCompileRequest request;
        MmlPageMessage message;
        std::optional<std::string> musicNumberText;
    };
    MmlReverseCompileRequest missing = Request(dir_.path() / "missing.smc");
    MmlReverseCompileRequest folder = Request(dir_.path());
    MmlReverseCompileRequest unsupported = Request(untitled);
    MmlReverseCompileRequest refused = Request(song);
    MmlReverseCompileRequest noNumber = Request(song);
    noNumber.musicNumberText = "zz"; // 0x80: its pointer entry in the pattern leads nowhere
    // The file chosen is the image, by a hard link.
    const auto readable = dir_.write("readable.smc", SongImage({0x23, 0xEB}).build());
    MmlReverseCompileRequest overImage = Request(readable);
    overImage.outPath = (dir_.path() / "image.mml").string();
    std::filesystem::create_hard_link(readable, overImage.outPath);
    const Case cases[] = {
        {"no image", missing, StopMessage("読み込みファイルが存在しません。"), std::nullopt},
        {"a folder", folder, StopMessage("読み込みファイルが存在しません。"), std::nullopt},
        {"not one of the nine titles", unsupported, StopMessage("このROMには対応していません。"),
         std::nullopt},
        {"a code the song may not hold", refused,
         StopMessage("この曲はMML化できません。\n不明な制御コード：E9"), "60"},
        {"the file is the image", overImage,
         StopMessage("出力先が入力ファイルと同じです。\nimage.mml"), std::nullopt},
    };
    for (const Case& c : cases) {
        const MmlReverseCompileOutcome outcome = RunMmlReverseCompile(c.request);
        EXPECT_FALSE(outcome.succeeded) << c.what;
        EXPECT_EQ(outcome.message, c.message) << c.what;
        EXPECT_EQ(outcome.musicNumberText, c.musicNumberText) << c.what;
        EXPECT_FALSE(std::filesystem::exists(dir_.path() / "out.mml")) << c.what;
    }
    EXPECT_TRUE(ReadFileBytes(readable) == SongImage({0x23, 0xEB}).build());
    EXPECT_EQ(CheckMmlReverseCompile(missing.romPath),
              StopMessage("読み込みファイルが存在しません。"));
    const MmlReverseCompileOutcome fallback = RunMmlReverseCompile(noNumber);
    EXPECT_FALSE(fallback.succeeded);
    EXPECT_EQ(fallback.musicNumberText, "80");
    EXPECT_EQ(fallback.message.caption, "エラー");
}

// The header field decides the copier header as the page shows it: "なし" reads from offset 0,
// anything else 512 bytes on, whatever the image holds.
TEST_F(MmlReverseCompileCommandTest, TheHeaderFieldDecidesTheCopierHeader)
{
    EXPECT_EQ(HeaderSizeOfField("なし"), 0);
    EXPECT_EQ(HeaderSizeOfField("あり"), 0x200);
    EXPECT_EQ(HeaderSizeOfField(""), 0x200);

    RomImageBuilder image = SongImage({0x23, 0xEB});
    image.copierHeader();
    const auto rom = dir_.write("rom.smc", image.build());
    MmlReverseCompileRequest request = Request(rom);
    request.title = "VARNHOLD EPICS3";
    request.headerSize = HeaderSizeOfField("あり");
    ASSERT_TRUE(RunMmlReverseCompile(request).succeeded);
    EXPECT_EQ(WrittenChannels().at(0), "d8;");
    // Told there is none, the same image is read from its first byte, where the song's pointer
    // entry is not.
    std::filesystem::remove(dir_.path() / "out.mml");
    request.headerSize = HeaderSizeOfField("なし");
    const MmlReverseCompileOutcome shifted = RunMmlReverseCompile(request);
    if (shifted.succeeded)
        EXPECT_NE(WrittenChannels().at(0), "d8;");
    else
        EXPECT_FALSE(std::filesystem::exists(dir_.path() / "out.mml"));
}

// A title the user names reads an image whose cartridge header names none; its copier header
// is then told by its size.
TEST_F(MmlReverseCompileCommandTest, ATitleTheUserNames)
{
    ChannelStreams channels;
    channels[0] = {0xF7, 3, 9, 0xEB};
    SongEntries entries;
    entries.storedPointer = 0xC20000;
    RomImageBuilder image(0x100000);
    PutSongEntries(image, 1, 0, entries);
    image.bytes(0x20000, HighBlock(0x20000, channels));
    const auto plain = dir_.write("plain.smc", image.build());
    image.copierHeader();
    const auto headered = dir_.write("headered.smc", image.build());

    EXPECT_EQ(SelectImageTitle(plain).message(), "このROMには対応していません。");
    EXPECT_EQ(SelectImageTitle(plain, "MIRELAND EPOS 6").value(), (ImageMusicTitle{1, 0}));
    EXPECT_EQ(SelectImageTitle(headered, "MIRELAND EPOS 6").value(), (ImageMusicTitle{1, 0x200}));
    EXPECT_EQ(SelectImageTitle(plain, "MIRELAND EPOS 7").message(), "このROMには対応していません。");
    for (const auto& rom : {plain, headered}) {
        MmlReverseCompileRequest request = Request(rom);
        request.musicNumberText = "00";
        request.title = "MIRELAND EPOS 6";
        const MmlReverseCompileOutcome outcome = RunMmlReverseCompile(request);
        EXPECT_TRUE(outcome.succeeded) << outcome.message.text;
        EXPECT_EQ(WrittenChannels().at(0), "%b9;") << rom;
    }
}

} // namespace
} // namespace varn::test
