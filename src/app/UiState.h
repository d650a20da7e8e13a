#pragma once

#include <memory>

#include <QString>
#include <QStringList>

#include "app/DialogService.h"

class QSettings;

namespace varn::app {

// What the editor remembers between runs about where the user works: the folder last used
// for each kind of file and the ROM images opened last. It is kept in a small file of its own
// ("state.ini" in the user's configuration folder), apart from the settings, which the program
// only reads. Without a file (an empty path) nothing is remembered.
class UiState {
public:
    explicit UiState(const QString& path);
    ~UiState();
    UiState(const UiState&) = delete;
    UiState& operator=(const UiState&) = delete;

    // The folder last used for files of `kind`; empty when none is known.
    QString folder(FileKind kind) const;
    // Remembers the folder of `file` for files of `kind`.
    void rememberFile(FileKind kind, const QString& file);

    // The ROM images opened last, the latest first, at most kRecentImages.
    QStringList recentImages() const;
    // Puts `image` (a full path) first in the recent images and remembers its folder.
    void rememberImage(const QString& image);

    static constexpr int kRecentImages = 8;

private:
    std::unique_ptr<QSettings> settings_;
};

} // namespace varn::app
