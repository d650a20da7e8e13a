#include "app/UiState.h"

#include <QFileInfo>
#include <QSettings>

namespace varn::app {

namespace {

QString FolderKey(FileKind kind)
{
    switch (kind) {
    case FileKind::RomImage:
        return QStringLiteral("Folders/RomImage");
    case FileKind::SpriteSheet:
        return QStringLiteral("Folders/SpriteSheet");
    case FileKind::CharacterPatch:
        return QStringLiteral("Folders/CharacterPatch");
    case FileKind::PatchList:
        return QStringLiteral("Folders/PatchList");
    case FileKind::MmlFile:
        return QStringLiteral("Folders/MmlFile");
    case FileKind::Animation:
        return QStringLiteral("Folders/Animation");
    case FileKind::EnemyPicture:
        return QStringLiteral("Folders/EnemyPicture");
    case FileKind::SkillGraphic:
        return QStringLiteral("Folders/SkillGraphic");
    case FileKind::None:
        break;
    }
    return {};
}

const QString kRecentImagesKey = QStringLiteral("RecentImages/Files");

} // namespace

UiState::UiState(const QString& path)
{
    if (!path.isEmpty())
        settings_ = std::make_unique<QSettings>(path, QSettings::IniFormat);
}

UiState::~UiState() = default;

QString UiState::folder(FileKind kind) const
{
    const QString key = FolderKey(kind);
    if (!settings_ || key.isEmpty())
        return {};
    return settings_->value(key).toString();
}

void UiState::rememberFile(FileKind kind, const QString& file)
{
    const QString key = FolderKey(kind);
    if (!settings_ || key.isEmpty() || file.isEmpty())
        return;
    settings_->setValue(key, QFileInfo(file).absolutePath());
    settings_->sync();
}

QStringList UiState::recentImages() const
{
    if (!settings_)
        return {};
    return settings_->value(kRecentImagesKey).toStringList().mid(0, kRecentImages);
}

void UiState::rememberImage(const QString& image)
{
    if (!settings_ || image.isEmpty())
        return;
    QStringList images = recentImages();
    images.removeAll(image);
    images.prepend(image);
    settings_->setValue(kRecentImagesKey, images.mid(0, kRecentImages));
    rememberFile(FileKind::RomImage, image);
}

} // namespace varn::app
