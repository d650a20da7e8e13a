#pragma once

#include <array>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/GifImage.h"
#include "rom/Result.h"
#include "rom/RomImageEdit.h"
#include "skill/Skill.h"

namespace varn {

// What the page "技術グラフィック" shows and decides, as plain values: the items of its
// selection lists, the category switches by the title of the open image, the picture and
// palette swatches of the selected graphic, and the steps of "書き込み".

// The write address "書き込み" falls back to when its field is not a hexadecimal number.
inline constexpr int kSkillDefaultAddress = 0x5D0000;

// The four selections of the page: category indices and IDs (the ID lists' indices).
struct SkillSelection {
    int graphicCategory = 1;
    int graphicId = 0;
    int paletteCategory = 1;
    int paletteId = 0;

    friend bool operator==(const SkillSelection&, const SkillSelection&) = default;
};

// At start-up the category lists select item 1 of each (128 and 120 IDs) and the ID lists
// their first item.
inline constexpr SkillSelection kInitialSkillSelection{};

// The items of ComboBox26 and ComboBox28, in order.
std::vector<std::string> SkillGraphicCategoryItems();
std::vector<std::string> SkillPaletteCategoryItems();
// The items of an ID list: "【00】", "【01】" … for `count` IDs; the index is the ID.
std::vector<std::string> SkillIdItems(int count);
// How many IDs a category offers; 0 for an index outside the list.
int SkillGraphicIdCount(int graphicCategory);
int SkillPaletteIdCount(int paletteCategory);

// What the title of the open image does to the selections before a graphic is shown.
struct SkillTitleSwitch {
    // False for a title other than the two games: the page shows nothing new.
    bool shows = false;
    SkillSelection selection;
    // A category the switch changed: its ID list is refilled for the new category and its
    // first item selected, as when the user picks the category.
    bool graphicIdsRefilled = false;
    bool paletteIdsRefilled = false;
};

// "VARNHOLD EPICS2" selects the second game's categories (4 and 5); "VARNHOLD EPICS3" sets a
// category of the second game back to 1; any other title shows nothing.
SkillTitleSwitch SwitchSkillCategories(std::string_view title, SkillSelection current);

// One square of a palette swatch: colour i at (16 (i mod 8), 16 (i / 8)), 16 x 16 pixels.
struct SkillSwatchSquare {
    int x;
    int y;
    int size;
};
constexpr SkillSwatchSquare SkillSwatchSquareOf(int index)
{
    return {16 * (index % 8), 16 * (index / 8), 16};
}
inline constexpr int kSkillSwatchWidth = 128;
inline constexpr int kSkillSwatchHeight = 32;

// The 16 colours drawn as squares, 8 a row (Image4 for the shown graphic, Image7 for the
// imported one): a 128 x 32 image whose square i has colour index i. Missing colours are black.
GifImage BuildSkillSwatches(std::span<const GifColor> colours);

// What ShowSkillGraphic gives the page.
struct SkillGraphicView {
    SkillTitleSwitch titleSwitch; // the selections to show in the four lists
    // Whether a graphic was read: false for another title or an image that cannot be read,
    // and then Image3 and Image4 keep what they show, without a message.
    bool shown = false;
    GifImage picture;  // Image3
    GifImage swatches; // Image4
};

// Runs the page's ShowSkillGraphic: the title's category switch, then the copier header's
// size in bytes (0 or 512) as the header offset, the path and the selections copied into
// `skill`, ReadGraphic, and the picture and its palette swatches.
SkillGraphicView ShowSkillGraphic(Skill& skill, std::string_view title, int headerSize,
                                  const std::string& romPath, SkillSelection selection);


// The address field Edit98 read as hexadecimal: one to six hexadecimal digits, else
// 0x5D0000.
int ParseSkillWriteAddress(std::string_view fieldText);
// An address as six upper-case hexadecimal digits (Edit98 after reading, Edit99).
std::string SkillWriteAddressText(int address);

// What "書き込み" takes from the page.
struct SkillWriteRequest {
    std::string romPath;
    int headerSize = 0; // the copier header's size in bytes: 0 or 512
    SkillSelection selection;
    int address = kSkillDefaultAddress; // file offset of the tiles (Edit98, read as
                                        // ParseSkillWriteAddress reads it)
    bool writePalette = true;           // "パレットも書き込む"
};

// Button18Click without the dialogs: fills `skill` from the request and runs WriteGraphic.
// Returns the file offset of the last byte of the tiles written, which the page shows in
// Edit99 before it shows the graphic again and "処理が完了しました" (caption "終了"); a
// failure's message is shown with the caption "エラー".
Result<int> WriteSkillGraphic(Skill& skill, const SkillWriteRequest& request,
                              const ImageChangeOptions& options = {});

} // namespace varn
