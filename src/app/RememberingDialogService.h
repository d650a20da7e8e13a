#pragma once

#include <memory>

#include "app/DialogService.h"

namespace varn::app {

class UiState;

// The main window's dialog service: passes every message box and file dialog on to the
// service that shows it (real dialogs, or a test's script), opening each file dialog in the
// folder last used for its kind of file and remembering the folder of the file chosen. The
// ROM image dialog also offers the recent images and selects the latest at first.
class RememberingDialogService : public DialogService {
public:
    RememberingDialogService(std::unique_ptr<DialogService> shown, UiState& state);

    void showMessage(const QString& text, const QString& caption, MessageIcon icon) override;
    bool askOkCancel(const QString& text, const QString& caption, MessageIcon icon) override;
    std::optional<QString> chooseOpenFile(const FileDialogRequest& request) override;
    std::optional<QString> chooseSaveFile(const FileDialogRequest& request) override;

private:
    FileDialogRequest withMemory(FileDialogRequest request, bool opening) const;
    std::optional<QString> remember(FileKind kind, std::optional<QString> chosen);

    std::unique_ptr<DialogService> shown_;
    UiState& state_;
};

} // namespace varn::app
