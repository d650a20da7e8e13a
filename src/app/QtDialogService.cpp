#include "app/QtDialogService.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>

namespace varn::app {

namespace {

QMessageBox::Icon ToQtIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Stop:
        return QMessageBox::Critical;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Information:
        break;
    }
    return QMessageBox::Information;
}

void SelectFilter(QFileDialog& dialog, const FileDialogRequest& request)
{
    const QStringList filters = ToQtNameFilters(request.filter);
    dialog.setNameFilters(filters);
    const int index = request.filterIndex - 1;
    if (index >= 0 && index < filters.size())
        dialog.selectNameFilter(filters.at(index));
}

// Opens the dialog where the request says and offers its history.
void SelectStart(QFileDialog& dialog, const FileDialogRequest& request)
{
    if (!request.startFolder.isEmpty())
        dialog.setDirectory(request.startFolder);
    if (!request.history.isEmpty())
        dialog.setHistory(request.history);
}

std::optional<QString> RunFileDialog(QFileDialog& dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace

QStringList ToQtNameFilters(const QString& filter)
{
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString label = parts.at(i);
        label.remove(trailingPatterns);
        QStringList patterns = parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns)
            pattern = pattern.trimmed();
        filters.append(label.trimmed() + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')'));
    }
    return filters;
}

void QtDialogService::showMessage(const QString& text, const QString& caption, MessageIcon icon)
{
    QMessageBox box(ToQtIcon(icon), caption, text, QMessageBox::Ok, parent_);
    box.exec();
}

bool QtDialogService::askOkCancel(const QString& text, const QString& caption, MessageIcon icon)
{
    QMessageBox box(ToQtIcon(icon), caption, text, QMessageBox::Ok | QMessageBox::Cancel, parent_);
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}

std::optional<QString> QtDialogService::chooseOpenFile(const FileDialogRequest& request)
{
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    SelectFilter(dialog, request);
    SelectStart(dialog, request);
    if (!request.proposedName.isEmpty())
        dialog.selectFile(request.proposedName);
    return RunFileDialog(dialog);
}

std::optional<QString> QtDialogService::chooseSaveFile(const FileDialogRequest& request)
{
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setSizeGripEnabled(true);
    // QFileDialog asks before overwriting unless told not to.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    QString extension = request.defaultExtension;
    if (extension.startsWith(QLatin1Char('.')))
        extension.remove(0, 1);
    dialog.setDefaultSuffix(extension);
    SelectFilter(dialog, request);
    SelectStart(dialog, request);
    dialog.selectFile(request.proposedName);
    return RunFileDialog(dialog);
}

} // namespace varn::app
