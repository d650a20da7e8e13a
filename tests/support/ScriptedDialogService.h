#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "app/DialogService.h"

namespace varn::test {

// A dialog service for GUI tests: records every message box and file dialog the program
// shows and answers from queues the test fills. A dialog with no answer queued fails the
// test and is answered with Cancel.
class ScriptedDialogService : public app::DialogService {
public:
    struct Message {
        QString text;
        QString caption;
        app::MessageIcon icon;
        bool okCancel; // asked with OK and Cancel
    };

    void showMessage(const QString& text, const QString& caption, app::MessageIcon icon) override;
    bool askOkCancel(const QString& text, const QString& caption, app::MessageIcon icon) override;
    std::optional<QString> chooseOpenFile(const app::FileDialogRequest& request) override;
    std::optional<QString> chooseSaveFile(const app::FileDialogRequest& request) override;

    std::vector<Message> messages;
    std::vector<app::FileDialogRequest> openRequests;
    std::vector<app::FileDialogRequest> saveRequests;

    std::deque<bool> okCancelAnswers;
    // Runs while an OK/Cancel question is open, before it is answered: what the user (or
    // another program) does in the meantime.
    std::function<void()> whileAsking;
    std::deque<std::optional<QString>> openAnswers;
    std::deque<std::optional<QString>> saveAnswers;
};

} // namespace varn::test
