#pragma once

#include <QStringList>

#include "app/DialogService.h"

class QWidget;

namespace varn::app {

// The dialog service of the running program: modal message boxes and the common file
// dialogs, parented to the main window.
class QtDialogService : public DialogService {
public:
    explicit QtDialogService(QWidget* parent) : parent_(parent) {}

    void showMessage(const QString& text, const QString& caption, MessageIcon icon) override;
    bool askOkCancel(const QString& text, const QString& caption, MessageIcon icon) override;
    std::optional<QString> chooseOpenFile(const FileDialogRequest& request) override;
    std::optional<QString> chooseSaveFile(const FileDialogRequest& request) override;

private:
    QWidget* parent_;
};

// Turns "label|pattern|label|pattern" into Qt's name filters, one "label (patterns)" per pair;
// patterns separated by ";" become space-separated, and a label that already ends in a
// parenthesised pattern list keeps only its text before it.
QStringList ToQtNameFilters(const QString& filter);

} // namespace varn::app
