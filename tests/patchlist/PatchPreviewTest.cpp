#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "charpatch/CharacterPatchFile.h"
#include "graphics/SpriteSheet.h"
#include "music/MusicSlots.h"
#include "patchlist/PatchPreview.h"
#include "support/Bytes.h"
#include "support/TempDir.h"
#include "text/TextCodec.h"

namespace varn {
namespace {

using test::Text;

using Bytes = std::vector<std::uint8_t>;

// The codec's plain behaviour: extension characters allowed, none defined.
const ExtensionTable kPlain{};

template <std::size_t N> std::array<std::uint8_t, N> GameField(std::string_view text)
{
    std::array<std::uint8_t, N> field{};
    EXPECT_EQ(EncodeText(text, field, kPlain), 0) << text;
    return field;
}

// A character patch whose palette and tiles differ byte by byte, with the records the editor
// writes (shortened) and a comment.
PatchFile SamplePatch()
{
    PatchFile patch;
    patch.name = GameField<8>("ゆうしゃ");
    patch.gender = 0x95;
    patch.title = GameField<10>("たびびと");
    for (std::size_t i = 0; i < patch.palette.size(); ++i)
        patch.palette[i] = static_cast<std::uint8_t>(0x21 * i + 5);
    for (std::size_t i = 0; i < patch.tiles.size(); ++i)
        patch.tiles[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    patch.records = {{kStatusRecord, Bytes(13, 20)},
                     {0x40, Bytes{1, 2, 3, 4, 5}},
                     {kCostRecord, Bytes{0x80, 0x01}}};
    return patch;
}

Bytes Serialized(const PatchFile& patch)
{
    auto bytes = SerializePatchFile(patch);
    EXPECT_TRUE(bytes.ok()) << bytes.message();
    return bytes.ok() ? bytes.value() : Bytes{};
}

class PatchPreviewTest : public ::testing::Test {
protected:
    std::filesystem::path write(const Bytes& bytes) { return dir.write("chara.vnp", bytes); }

    test::TempDir dir;
};

TEST_F(PatchPreviewTest, WholePatchShowsNameTitleSheetAndComment)
{
    PatchFile patch = SamplePatch();
    // "こんにちは", a line break and "せかい" in the Japanese code page, ended by a zero byte
    // and followed by bytes that are no part of the comment.
    patch.comment =
        PatchComment{9, Bytes{0x82, 0xB1, 0x82, 0xF1, 0x82, 0xC9, 0x82, 0xBF, 0x82, 0xCD, '\r',
                              '\n', 0x82, 0xB9, 0x82, 0xA9, 0x82, 0xA2, 0x00, 'x',  'y'}};
    const VnpPreview preview = PreviewVnpFile(write(Serialized(patch)), kPlain);

    EXPECT_EQ(preview.problem, VnpPreviewProblem::None);
    EXPECT_EQ(preview.message(), "");
    EXPECT_FALSE(preview.removesEntry());
    EXPECT_EQ(preview.name, "ゆうしゃ");
    EXPECT_EQ(preview.title, "たびびと");
    EXPECT_EQ(preview.comment, "こんにちは\nせかい"); // shown as the editor shows it

    GifImage expected;
    BuildSheetImage(patch.palette, patch.tiles, expected);
    ASSERT_EQ(preview.sheet.frames.size(), 1u);
    EXPECT_EQ(preview.sheet.colors, expected.colors);
    EXPECT_EQ(preview.sheet.frames[0].pixels, expected.frames[0].pixels);
}

TEST_F(PatchPreviewTest, CommentIsFoundPastRecordsOfAnyKindAndReadAsWritten)
{
    struct Case {
        const char* name;
        std::optional<Bytes> comment;
        std::string expected;
    };
    const Case cases[] = {
        {"None", std::nullopt, ""},
        {"Empty", Bytes{}, ""},
        {"ZeroFirst", Bytes{0, 'a'}, ""},
        {"Utf8", Text("日本語のコメント"), "日本語のコメント"},
        {"Ascii", Text("plain text"), "plain text"},
        // Only the first 1024 bytes belong to the comment.
        {"Long", Text(std::string(1024, 'a') + "b"), std::string(1024, 'a')},
    };
    for (const Case& c : cases) {
        PatchFile patch = SamplePatch();
        Bytes bytes = Serialized(patch);
        if (c.comment) {
            bytes.insert(bytes.end(), {kCommentRecord, 0x05, 0x00});
            bytes.insert(bytes.end(), c.comment->begin(), c.comment->end());
        }
        const VnpPreview preview = PreviewVnpFile(write(bytes), kPlain);
        EXPECT_EQ(preview.problem, VnpPreviewProblem::None) << c.name;
        EXPECT_EQ(preview.comment, c.expected) << c.name;
    }
}

TEST_F(PatchPreviewTest, FilesThatCannotBeShownSayWhyAndWhetherTheEntryGoes)
{
    const Bytes whole = Serialized(SamplePatch());
    const auto with = [&](std::size_t offset, Bytes replacement) {
        Bytes bytes = whole;
        std::copy(replacement.begin(), replacement.end(), bytes.begin() + offset);
        return bytes;
    };
    const auto cut = [&](std::size_t size) { return Bytes(whole.begin(), whole.begin() + size); };

    struct Case {
        const char* name;
        std::optional<Bytes> file; // nullopt: no file at all
        VnpPreviewProblem problem;
        std::string message;
        bool removed;
        std::string shownName;
    };
    const Case cases[] = {
        {"Missing", std::nullopt, VnpPreviewProblem::CannotOpen, "ファイルが開けません。", true,
         ""},
        {"InvalidNameByte", with(5, {0x00}), VnpPreviewProblem::BadName,
         "名前に不正なコードが含まれています。", true, ""},
        {"NameEndsInALeadByte", with(10, {0x20}), VnpPreviewProblem::BadName,
         "名前に不正なコードが含まれています。", true, ""},
        {"InvalidTitleByte", with(12, {0x10}), VnpPreviewProblem::BadTitle,
         "肩書きに不正なコードが含まれています。", false, "ゆうしゃ"},
        // A file cut short reads what is missing as zero bytes, which are no game text.
        {"CutInTheName", cut(7), VnpPreviewProblem::BadName, "名前に不正なコードが含まれています。",
         true, ""},
        {"CutInTheTitle", cut(16), VnpPreviewProblem::BadTitle,
         "肩書きに不正なコードが含まれています。", false, "ゆうしゃ"},
        {"OnlyTheMagic", Text("VNP"), VnpPreviewProblem::BadName,
         "名前に不正なコードが含まれています。", true, ""},
    };
    for (const Case& c : cases) {
        const std::filesystem::path path = c.file ? write(*c.file) : dir.path() / "missing.vnp";
        const VnpPreview preview = PreviewVnpFile(path, kPlain);
        EXPECT_EQ(preview.problem, c.problem) << c.name;
        EXPECT_EQ(preview.message(), c.message) << c.name;
        EXPECT_EQ(preview.removesEntry(), c.removed) << c.name;
        EXPECT_EQ(preview.name, c.shownName) << c.name;
        EXPECT_EQ(preview.title, "") << c.name;
        EXPECT_TRUE(preview.sheet.frames.empty()) << c.name;
    }
    // A folder is no file to read.
    EXPECT_EQ(PreviewVnpFile(dir.path(), kPlain).problem, VnpPreviewProblem::CannotOpen);
}

TEST_F(PatchPreviewTest, ExtensionCharactersDecodeOnlyWhileTheTableIsOn)
{
    PatchFile patch = SamplePatch();
    patch.name = {0x18, 0x10, 0x50, 0x50, 0x50, 0x50, 0x50, 0x50};
    patch.title = {0x18, 0x11, 0x50, 0x50, 0x50, 0x50, 0x50, 0x50, 0x50, 0x50};
    const auto path = write(Serialized(patch));

    ExtensionTable table;
    table.chars = U"龍鳳";
    const VnpPreview on = PreviewVnpFile(path, table);
    EXPECT_EQ(on.problem, VnpPreviewProblem::None);
    EXPECT_EQ(on.name, "龍");
    EXPECT_EQ(on.title, "鳳");

    table.enabled = false;
    EXPECT_EQ(PreviewVnpFile(path, table).problem, VnpPreviewProblem::BadName);
}

TEST_F(PatchPreviewTest, TheSheetOfAPatchCutShortIsDrawnWithWhatIsThere)
{
    const PatchFile patch = SamplePatch();
    const Bytes whole = Serialized(patch);
    // Cut in the middle of the tile block: the tiles that are there are drawn, the rest is
    // colour 0.
    const std::size_t kept = 54 + 100 * 32;
    const auto path =
        write(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(kept)));

    SheetTiles tiles{};
    std::copy_n(patch.tiles.begin(), 100 * 32, tiles.begin());
    GifImage expected;
    BuildSheetImage(patch.palette, tiles, expected);

    const VnpPreview preview = PreviewVnpFile(path, kPlain);
    EXPECT_EQ(preview.problem, VnpPreviewProblem::None);
    ASSERT_EQ(preview.sheet.frames.size(), 1u);
    EXPECT_EQ(preview.sheet.frames[0].pixels, expected.frames[0].pixels);

    const Result<GifImage> exported = VnpSheetForGif(path, 0);
    ASSERT_TRUE(exported.ok());
    EXPECT_EQ(exported.value().frames[0].pixels, expected.frames[0].pixels);
}

TEST_F(PatchPreviewTest, GifExportDrawsThePatchSheetAndMarksColourZeroOnlyForOne)
{
    const PatchFile patch = SamplePatch();
    const auto path = write(Serialized(patch));
    GifImage expected;
    BuildSheetImage(patch.palette, patch.tiles, expected);

    const std::pair<int, bool> cases[] = {{0, false}, {1, true}, {2, false}, {-1, false}};
    for (const auto& [setting, transparent] : cases) {
        const Result<GifImage> sheet = VnpSheetForGif(path, setting);
        ASSERT_TRUE(sheet.ok()) << setting;
        ASSERT_EQ(sheet.value().frames.size(), 1u);
        const GifFrame& frame = sheet.value().frames[0];
        EXPECT_EQ(sheet.value().colors, expected.colors) << setting;
        EXPECT_EQ(frame.pixels, expected.frames[0].pixels) << setting;
        ASSERT_TRUE(frame.control.has_value()) << setting;
        EXPECT_EQ(frame.control->transparent, transparent) << setting;
        EXPECT_EQ(frame.control->transparentIndex, 0) << setting;
    }

    // The name and title play no part: a patch whose name is no game text still exports.
    Bytes broken = Serialized(patch);
    broken[3] = 0x00;
    EXPECT_TRUE(VnpSheetForGif(write(broken), 0).ok());

    EXPECT_EQ(VnpSheetForGif(dir.path() / "missing.vnp", 0).message(), "ファイルが開けません。");
}

TEST_F(PatchPreviewTest, SongPreviewListsTheInformationLinesInFileOrder)
{
    struct Case {
        const char* name;
        std::optional<Bytes> file;
        std::string lines;
    };
    const Case cases[] = {
        {"AllFour",
         Text("#COPYRIGHT  free ;\n#TITLE Road;\n#ORIGINAL none;\n#COMPOSER someone;\nc;\n"),
         "著作：free\r\n曲名：Road\r\n原作：none\r\n作曲：someone\r\n"},
        {"Repeated", Text("#TITLE a;\n#TITLE b;\nc;\n"), "曲名：a\r\n曲名：b\r\n"},
        {"NoInformation", Text("cde;\n"), ""},
        // "曲" in the Japanese code page.
        {"Cp932", Bytes{'#', 'T', 'I', 'T', 'L', 'E', ' ', 0x8B, 0xC8, ';', '\n', 'c', ';'},
         "曲名：曲\r\n"},
        {"ParseError", Text("#TITLE Road;\n#WAVE 0x10, 0x05;\nc;\n"), ""},
        {"Missing", std::nullopt, ""},
    };
    for (const Case& c : cases) {
        const auto path = c.file ? dir.write("song.mml", *c.file) : dir.path() / "none.mml";
        EXPECT_EQ(PreviewMmlFile(path), c.lines) << c.name;
    }
    EXPECT_EQ(
        PreviewMmlFile(std::filesystem::path(VARN_EXAMPLES_DIR) / "song.mml"),
        "曲名：Lantern Road\r\n作曲：Varnwork example\r\n原作：none\r\n著作：free to use\r\n");

    // A file too large to be a song is not read: its lines are not shown.
    const auto large = dir.write("large.mml", "#TITLE Road;\nc;\n");
    std::filesystem::resize_file(large, kMaxMmlFileSize + 1);
    EXPECT_EQ(PreviewMmlFile(large), "");
}

} // namespace
} // namespace varn
