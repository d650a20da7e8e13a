#include "MainWindowFixture.h"
#include "graphics/GifCodec.h"
#include "graphics/SpriteSheet.h"

namespace varn::test {
namespace {

using SheetImageTest = MainWindowFixture;

TEST_F(SheetImageTest, GoodSheetBecomesTheEditorsSheet)
{
    createWindow();
    GifImage sheet;
    SheetPalette palette{};
    palette[0] = 0x1F; // colour 0 pure red
    BuildSheetImage(palette, SheetTiles{}, sheet);
    sheet.frames[0].control->transparent = true;
    ASSERT_TRUE(SaveGifFile(sheet, dir.path() / "sheet.gif").ok());

    EXPECT_TRUE(window->LoadSheetImage(app::ToQString(dir.path() / "sheet.gif")));
    EXPECT_TRUE(dialogs->messages.empty());
    ASSERT_EQ(window->sheetImage().frames.size(), 1u);
    EXPECT_FALSE(window->sheetImage().frames[0].control->transparent);
    EXPECT_EQ(window->sheetImage().colors[0], (GifColor{248, 0, 0}));
}

TEST_F(SheetImageTest, RefusedFilesShowTheirMessageAsAnErrorAndKeepTheSheet)
{
    createWindow();
    GifImage sheet;
    BuildSheetImage(SheetPalette{}, SheetTiles{}, sheet);
    ASSERT_TRUE(SaveGifFile(sheet, dir.path() / "good.gif").ok());
    ASSERT_TRUE(window->LoadSheetImage(app::ToQString(dir.path() / "good.gif")));
    sheet.frames[0].setPixel(1, 1, 3);
    ASSERT_TRUE(SaveGifFile(sheet, dir.path() / "bad.gif").ok());
    dir.write("text.gif", "plain text");

    const std::pair<const char*, QString> cases[] = {
        {"bad.gif", "使用できない色が検出されました。\nx:1  y:1"},
        {"text.gif", "ファイルの読み出しに失敗しました。"},
        {"missing.gif", "ファイルが開けません。"},
    };
    for (const auto& [name, message] : cases) {
        dialogs->messages.clear();
        EXPECT_FALSE(window->LoadSheetImage(app::ToQString(dir.path() / name)));
        ASSERT_EQ(dialogs->messages.size(), 1u);
        EXPECT_EQ(dialogs->messages[0].text, message);
        EXPECT_EQ(dialogs->messages[0].caption, "エラー");
        EXPECT_EQ(dialogs->messages[0].icon, app::MessageIcon::Stop);
        EXPECT_EQ(window->sheetImage().frames.at(0).pixel(1, 1), 0);
    }
}

} // namespace
} // namespace varn::test
