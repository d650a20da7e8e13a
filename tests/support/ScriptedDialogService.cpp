#include "support/ScriptedDialogService.h"

#include <gtest/gtest.h>

namespace varn::test {

namespace {

template <class T> T NextAnswer(std::deque<T>& answers, const char* what, T cancel)
{
    if (answers.empty()) {
        ADD_FAILURE() << "unexpected " << what << " with no answer queued";
        return cancel;
    }
    T answer = std::move(answers.front());
    answers.pop_front();
    return answer;
}

} // namespace

void ScriptedDialogService::showMessage(const QString& text, const QString& caption,
                                        app::MessageIcon icon)
{
    messages.push_back({text, caption, icon, false});
}

bool ScriptedDialogService::askOkCancel(const QString& text, const QString& caption,
                                        app::MessageIcon icon)
{
    messages.push_back({text, caption, icon, true});
    if (whileAsking)
        whileAsking();
    return NextAnswer(okCancelAnswers, "OK/Cancel question", false);
}

std::optional<QString> ScriptedDialogService::chooseOpenFile(const app::FileDialogRequest& request)
{
    openRequests.push_back(request);
    return NextAnswer<std::optional<QString>>(openAnswers, "open dialog", std::nullopt);
}

std::optional<QString> ScriptedDialogService::chooseSaveFile(const app::FileDialogRequest& request)
{
    saveRequests.push_back(request);
    return NextAnswer<std::optional<QString>>(saveAnswers, "save dialog", std::nullopt);
}

} // namespace varn::test
