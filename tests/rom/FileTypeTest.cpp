#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string_view>

#include "rom/FileType.h"

namespace varn {
namespace {

TEST(FileTypeTest, TheExtensionNamesTheTypeInAnyCase)
{
    const std::pair<std::string_view, FileType> cases[] = {
        {"/tmp/a.gif", FileType::Gif},
        {"A.GIF", FileType::Gif},
        {"x.Gif", FileType::Gif},
        {"list.TXT", FileType::PatchList},
        {"p.ips", FileType::Ips},
        {"p.Bps", FileType::Bps},
        {"chara.VNP", FileType::CharacterPatch},
        {"song.mMl", FileType::Mml},
        {"dir.gif/file", FileType::Other},
        {"/tmp/a.gifx", FileType::Other},
        {"/tmp/gif", FileType::Other},
        {"/tmp/.gif", FileType::Other}, // a hidden file's name, not an extension
        {"/tmp/a.png", FileType::Other},
        {"a.gif.bak", FileType::Other},
        {"", FileType::Other},
    };
    for (const auto& [name, type] : cases)
        EXPECT_EQ(FileTypeOf(std::filesystem::path(name)), type) << name;
    EXPECT_EQ(LowerCaseExtension("Song.MML"), ".mml");
    EXPECT_EQ(LowerCaseExtension("none"), "");
}

// Each drop target takes its own kinds and no other.
TEST(FileTypeTest, EachDropTargetTakesItsKinds)
{
    struct Case {
        DropTarget target;
        std::string_view name;
        std::optional<FileType> taken;
    };
    const Case cases[] = {
        {DropTarget::CharacterSheet, "sheet.GIF", FileType::Gif},
        {DropTarget::CharacterSheet, "c.vnp", FileType::CharacterPatch},
        {DropTarget::CharacterSheet, "list.txt", std::nullopt},
        {DropTarget::CharacterSheet, "p.ips", std::nullopt},
        {DropTarget::PatchList, "list.txt", FileType::PatchList},
        {DropTarget::PatchList, "p.IPS", FileType::Ips},
        {DropTarget::PatchList, "p.bps", FileType::Bps},
        {DropTarget::PatchList, "c.vnp", FileType::CharacterPatch},
        {DropTarget::PatchList, "s.mml", FileType::Mml},
        {DropTarget::PatchList, "sheet.gif", std::nullopt},
        {DropTarget::PatchList, "game.smc", std::nullopt},
        {DropTarget::EnemyPicture, "e.gif", FileType::Gif},
        {DropTarget::EnemyPicture, "e.png", std::nullopt},
        {DropTarget::EnemyPicture, "c.vnp", std::nullopt},
        {DropTarget::SkillImage, "s.Gif", FileType::Gif},
        {DropTarget::SkillImage, "s.mml", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DroppedFileType(c.target, std::filesystem::path(c.name)), c.taken)
            << static_cast<int>(c.target) << " " << c.name;
}

} // namespace
} // namespace varn
