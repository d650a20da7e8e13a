#include "rom/FileType.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <string_view>
#include <utility>

namespace varn {

namespace {

constexpr std::array<std::pair<std::string_view, FileType>, 6> kExtensions = {{
    {".txt", FileType::PatchList},
    {".ips", FileType::Ips},
    {".bps", FileType::Bps},
    {".vnp", FileType::CharacterPatch},
    {".mml", FileType::Mml},
    {".gif", FileType::Gif},
}};

bool Takes(DropTarget target, FileType type)
{
    const auto among = [type](std::initializer_list<FileType> types) {
        return std::find(types.begin(), types.end(), type) != types.end();
    };
    switch (target) {
    case DropTarget::CharacterSheet:
        return among({FileType::Gif, FileType::CharacterPatch});
    case DropTarget::PatchList:
        return among({FileType::PatchList, FileType::Ips, FileType::Bps, FileType::CharacterPatch,
                      FileType::Mml});
    case DropTarget::EnemyPicture:
    case DropTarget::SkillImage:
        return type == FileType::Gif;
    }
    return false;
}

} // namespace

std::string LowerCaseExtension(const std::filesystem::path& path)
{
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c);
    });
    return extension;
}

FileType FileTypeOf(const std::filesystem::path& path)
{
    const std::string extension = LowerCaseExtension(path);
    for (const auto& [text, type] : kExtensions) {
        if (extension == text)
            return type;
    }
    return FileType::Other;
}

std::optional<FileType> DroppedFileType(DropTarget target, const std::filesystem::path& path)
{
    const FileType type = FileTypeOf(path);
    if (!Takes(target, type))
        return std::nullopt;
    return type;
}

} // namespace varn
