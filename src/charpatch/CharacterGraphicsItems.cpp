#include "charpatch/CharacterGraphicsItems.h"

#include "rom/HexText.h"
#include "rom/RomStream.h"

namespace varn {

ItemList CharacterGraphicsItems(std::span<const ExtraSheetName> extra)
{
    ItemList items = CharacterSheetItems();
    for (const ExtraSheetName& entry : extra)
        items.push_back({entry.code, "【" + HexDigits(entry.code, 2) + "】" + entry.name});
    return items;
}

ItemList CharacterGraphicsItems(RomStream& rom, const ExtensionTable& extensions)
{
    return CharacterGraphicsItems(ReadExtraSheetNames(rom, extensions));
}

Result<ItemList> LoadCharacterGraphicsItems(const std::filesystem::path& romPath,
                                            const ExtensionTable& extensions)
{
    auto rom = FileRomStream::open(romPath);
    if (!rom)
        return Failure{rom.message()};
    return CharacterGraphicsItems(*rom.value(), extensions);
}

} // namespace varn
