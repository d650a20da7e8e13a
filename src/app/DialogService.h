#pragma once

#include <optional>

#include <QString>
#include <QStringList>

namespace varn::app {

enum class MessageIcon { Stop, Exclamation, Question, Information };

// Captions and texts the program's message boxes share.
inline const QString kErrorCaption = QStringLiteral("エラー");
inline const QString kWarningCaption = QStringLiteral("警告");
inline const QString kConfirmCaption = QStringLiteral("確認");
inline const QString kFinishedCaption = QStringLiteral("終了");
inline const QString kFinishedMessage = QStringLiteral("処理が完了しました");

// The kinds of files whose dialogs remember, each on its own, the folder last used.
enum class FileKind {
    None,
    RomImage,
    SpriteSheet,
    CharacterPatch,
    PatchList,
    MmlFile,
    Animation,      // animated poses saved from the animation window
    EnemyPicture,   // battle graphics of enemies, read and saved
    SkillGraphic,   // technique and spell graphics, read and saved
};

// A file dialog as a command sets it up. Filters are written as "label|pattern" pairs joined
// by "|" ("smcファイル (*.smc)|*.smc"); the filter index counts from 1.
struct FileDialogRequest {
    FileDialogRequest(QString filter = {}, int filterIndex = 1, QString defaultExtension = {},
                      QString proposedName = {}, FileKind kind = FileKind::None)
        : filter(std::move(filter)), filterIndex(filterIndex),
          defaultExtension(std::move(defaultExtension)), proposedName(std::move(proposedName)),
          kind(kind)
    {}

    QString filter;
    int filterIndex = 1;
    QString defaultExtension; // save only: added when the chosen name has none (".vnp")
    QString proposedName;     // the name proposed (save), or the file selected at first (open)
    FileKind kind = FileKind::None;
    QString startFolder;  // where the dialog opens; filled in from the folders remembered
    QStringList history;  // folders or files offered for a quick return (recent images)
};

// Every message box and file dialog of the program goes through the one service the main
// window owns, so that tests can answer them from a script.
class DialogService {
public:
    virtual ~DialogService() = default;

    virtual void showMessage(const QString& text, const QString& caption, MessageIcon icon) = 0;

    // OK and Cancel; true only for OK.
    virtual bool askOkCancel(const QString& text, const QString& caption, MessageIcon icon) = 0;

    // The chosen path, or nullopt when the user cancels.
    virtual std::optional<QString> chooseOpenFile(const FileDialogRequest& request) = 0;

    // The chosen path, or nullopt when the user cancels; asks before overwriting a file.
    virtual std::optional<QString> chooseSaveFile(const FileDialogRequest& request) = 0;

    // The program's usual boxes.
    void showError(const QString& text) { showMessage(text, kErrorCaption, MessageIcon::Stop); }
    void showWarning(const QString& text)
    {
        showMessage(text, kWarningCaption, MessageIcon::Exclamation);
    }
    bool askWarning(const QString& text)
    {
        return askOkCancel(text, kWarningCaption, MessageIcon::Exclamation);
    }
    bool askConfirmation(const QString& text)
    {
        return askOkCancel(text, kConfirmCaption, MessageIcon::Question);
    }
    void showFinished()
    {
        showMessage(kFinishedMessage, kFinishedCaption, MessageIcon::Information);
    }
};

// A proposed file name carrying today's date: base + "_" + "yyyymmdd".
QString DatedFileName(const QString& base);

} // namespace varn::app
