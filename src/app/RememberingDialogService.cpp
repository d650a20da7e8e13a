#include "app/RememberingDialogService.h"

#include <QFileInfo>

#include "app/UiState.h"

namespace varn::app {

RememberingDialogService::RememberingDialogService(std::unique_ptr<DialogService> shown,
                                                   UiState& state)
    : shown_(std::move(shown)), state_(state)
{}

void RememberingDialogService::showMessage(const QString& text, const QString& caption,
                                           MessageIcon icon)
{
    shown_->showMessage(text, caption, icon);
}

bool RememberingDialogService::askOkCancel(const QString& text, const QString& caption,
                                           MessageIcon icon)
{
    return shown_->askOkCancel(text, caption, icon);
}

FileDialogRequest RememberingDialogService::withMemory(FileDialogRequest request,
                                                       bool opening) const
{
    if (request.startFolder.isEmpty())
        request.startFolder = state_.folder(request.kind);
    if (opening && request.kind == FileKind::RomImage) {
        request.history = state_.recentImages();
        // The latest image is selected at first, so that reopening it is one keypress.
        if (request.proposedName.isEmpty() && !request.history.isEmpty())
            request.proposedName = request.history.constFirst();
    }
    return request;
}

std::optional<QString> RememberingDialogService::remember(FileKind kind,
                                                          std::optional<QString> chosen)
{
    if (chosen)
        state_.rememberFile(kind, QFileInfo(*chosen).absoluteFilePath());
    return chosen;
}

std::optional<QString> RememberingDialogService::chooseOpenFile(const FileDialogRequest& request)
{
    return remember(request.kind, shown_->chooseOpenFile(withMemory(request, true)));
}

std::optional<QString> RememberingDialogService::chooseSaveFile(const FileDialogRequest& request)
{
    return remember(request.kind, shown_->chooseSaveFile(withMemory(request, false)));
}

} // namespace varn::app
