#include "skill/SkillPage.h"

#include <algorithm>

#include "rom/HexText.h"
#include "rom/RomHeader.h"

namespace varn {

std::vector<std::string> SkillGraphicCategoryItems()
{
    std::vector<std::string> items;
    for (const SkillGraphicCategory& category : kSkillGraphicCategories)
        items.emplace_back(category.itemText);
    return items;
}

std::vector<std::string> SkillPaletteCategoryItems()
{
    std::vector<std::string> items;
    for (const SkillPaletteCategory& category : kSkillPaletteCategories)
        items.emplace_back(category.itemText);
    return items;
}

std::vector<std::string> SkillIdItems(int count)
{
    std::vector<std::string> items;
    for (int id = 0; id < count; ++id)
        items.push_back("【" + HexDigits(id, 2) + "】");
    return items;
}

int SkillGraphicIdCount(int graphicCategory)
{
    if (graphicCategory < 0 || graphicCategory >= static_cast<int>(kSkillGraphicCategories.size()))
        return 0;
    return kSkillGraphicCategories[static_cast<std::size_t>(graphicCategory)].idCount;
}

int SkillPaletteIdCount(int paletteCategory)
{
    if (paletteCategory < 0 || paletteCategory >= static_cast<int>(kSkillPaletteCategories.size()))
        return 0;
    return kSkillPaletteCategories[static_cast<std::size_t>(paletteCategory)].idCount;
}

SkillTitleSwitch SwitchSkillCategories(std::string_view title, SkillSelection current)
{
    SkillTitleSwitch result;
    result.selection = current;
    int graphicCategory = current.graphicCategory;
    int paletteCategory = current.paletteCategory;
    if (title == kPredecessorTitle) {
        graphicCategory = kPredecessorGraphicCategory;
        paletteCategory = kPredecessorPaletteCategory;
    } else if (title == kTargetTitle) {
        if (graphicCategory == kPredecessorGraphicCategory)
            graphicCategory = 1;
        if (paletteCategory == kPredecessorPaletteCategory)
            paletteCategory = 1;
    } else {
        return result;
    }
    result.shows = true;
    if (graphicCategory != current.graphicCategory) {
        result.selection.graphicCategory = graphicCategory;
        result.selection.graphicId = 0;
        result.graphicIdsRefilled = true;
    }
    if (paletteCategory != current.paletteCategory) {
        result.selection.paletteCategory = paletteCategory;
        result.selection.paletteId = 0;
        result.paletteIdsRefilled = true;
    }
    return result;
}

GifImage BuildSkillSwatches(std::span<const GifColor> colours)
{
    GifImage image;
    image.width = kSkillSwatchWidth;
    image.height = kSkillSwatchHeight;
    image.colors.assign(kSkillPaletteColours, GifColor{});
    std::copy_n(colours.begin(), std::min<std::size_t>(colours.size(), kSkillPaletteColours),
                image.colors.begin());
    GifFrame frame(kSkillSwatchWidth, kSkillSwatchHeight);
    for (int i = 0; i < kSkillPaletteColours; ++i) {
        const SkillSwatchSquare square = SkillSwatchSquareOf(i);
        for (int y = square.y; y < square.y + square.size; ++y) {
            for (int x = square.x; x < square.x + square.size; ++x)
                frame.setPixel(x, y, static_cast<std::uint8_t>(i));
        }
    }
    image.frames.push_back(std::move(frame));
    return image;
}

SkillGraphicView ShowSkillGraphic(Skill& skill, std::string_view title, int headerSize,
                                  const std::string& romPath, SkillSelection selection)
{
    SkillGraphicView view;
    view.titleSwitch = SwitchSkillCategories(title, selection);
    if (!view.titleSwitch.shows)
        return view;
    const SkillSelection& chosen = view.titleSwitch.selection;
    skill.headerOffset = headerSize;
    skill.romPath = romPath;
    skill.graphicCategory = chosen.graphicCategory;
    skill.graphicId = chosen.graphicId;
    skill.paletteCategory = chosen.paletteCategory;
    skill.paletteId = chosen.paletteId;
    if (!skill.ReadGraphic() || skill.shownImage.frames.empty())
        return view;
    view.shown = true;
    view.picture = skill.shownImage;
    view.swatches = BuildSkillSwatches(skill.shownImage.colors);
    return view;
}

int ParseSkillWriteAddress(std::string_view fieldText)
{
    const std::optional<std::uint32_t> value = ParseHex(fieldText, 1, 6);
    return value ? static_cast<int>(*value) : kSkillDefaultAddress;
}

std::string SkillWriteAddressText(int address)
{
    return HexDigits(address, 6);
}

Result<int> WriteSkillGraphic(Skill& skill, const SkillWriteRequest& request,
                              const ImageChangeOptions& options)
{
    skill.headerOffset = request.headerSize;
    skill.romPath = request.romPath;
    skill.graphicCategory = request.selection.graphicCategory;
    skill.graphicId = request.selection.graphicId;
    skill.paletteCategory = request.selection.paletteCategory;
    skill.paletteId = request.selection.paletteId;
    skill.writeAddress = request.address;
    skill.writePalette = request.writePalette;
    if (const Status written = skill.WriteGraphic(options); !written)
        return written.failure();
    return skill.writeAddress;
}

} // namespace varn
