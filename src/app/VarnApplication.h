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

private:
    void reportException(const QString& message);

    const QObject* handlerOwner_ = nullptr;
    ExceptionHandler exceptionHandler_;
};

// The interface font: Noto Sans CJK JP at 12 pixels where installed, else the platform's
// default family at 12 pixels.
void ApplyInterfaceFont(QApplication& application);

} // namespace varn::app
