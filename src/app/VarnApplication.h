#pragma once

#include <functional>

#include <QApplication>

namespace varn::app {

// The program's application object: sets the title and the Japanese interface font, and
// keeps the program running when an exception reaches the event loop, showing its text
// through the handler the main window registers.
class VarnApplication : public QApplication {
    Q_OBJECT

public:
    using ExceptionHandler = std::function<void(const QString& message)>;

    VarnApplication(int& argc, char** argv);

    // Shows exceptions through `owner`'s handler until `owner` releases it.
    void setExceptionHandler(const QObject* owner, ExceptionHandler handler);
    void releaseExceptionHandler(const QObject* owner);

    bool notify(QObject* receiver, QEvent* event) override;

    // The current application object, if it is a VarnApplication.
    static VarnApplication* instance();

    // Whether Qt's own texts (dialog buttons, the file dialog) are translated.
    bool qtTranslationLoaded() const { return qtTranslationLoaded_; }

private:
    void reportException(const QString& message);

    const QObject* handlerOwner_ = nullptr;
    bool qtTranslationLoaded_ = false;
    ExceptionHandler exceptionHandler_;
};

// Translates Qt's own dialogs and buttons, which would otherwise speak English inside a
// Japanese program: into the system's language where Qt has a translation for it, else into
// Japanese. Returns whether a translation was installed (the translations are a package of
// their own).
bool InstallQtTranslation(QApplication& application);

// The interface font: Noto Sans CJK JP at 12 pixels where installed, else the platform's
// default family at 12 pixels.
void ApplyInterfaceFont(QApplication& application);

} // namespace varn::app
