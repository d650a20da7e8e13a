#pragma once

#include <filesystem>
#include <span>

#include "charpatch/ItemLists.h"
#include "graphics/CharacterSheetRom.h"
#include "rom/Result.h"
#include "text/ExtensionTable.h"

namespace varn {

class RomStream;

// The list of the page "キャラグラフィック" (ComboBox70): the 32 characters it always lists
// (CharacterSheetItems), then, on an expanded image, the extra codes B0 to CD labelled
// "【B0】" and the name the image holds for the code (empty when it does not decode).

// The fixed items followed by one item per extra name, in the order given.
ItemList CharacterGraphicsItems(std::span<const ExtraSheetName> extra);

// The list for an image: the extra names are read and decoded from it when it is expanded.
ItemList CharacterGraphicsItems(RomStream& rom,
                                const ExtensionTable& extensions = ProcessExtensionTable());

// The list for the image file at `romPath`, opened for reading for this call only; a file
// that cannot be opened gives "ファイルが開けません。" (the page then stays as it was).
Result<ItemList> LoadCharacterGraphicsItems(
    const std::filesystem::path& romPath,
    const ExtensionTable& extensions = ProcessExtensionTable());

} // namespace varn
