#include "app/VarnApplication.h"

#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "rom/Result.h"

namespace varn::app {

VarnApplication::VarnApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Varnwork"));
    setApplicationDisplayName(QStringLiteral("Varnwork"));
    ApplyInterfaceFont(*this);
    qtTranslationLoaded_ = InstallQtTranslation(*this);
}

VarnApplication* VarnApplication::instance()
{
    return qobject_cast<VarnApplication*>(QCoreApplication::instance());
}

bool VarnApplication::notify(QObject* receiver, QEvent* event)
{
    // A failure no command foresaw (an allocation that failed, above all) is shown in the
    // program's language and the loop goes on; a change to the image is committed only at the
    // command's end, so nothing half done reaches the file.
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        reportException(QString::fromUtf8(CurrentExceptionMessage()));
    }
    return false;
}

void VarnApplication::setExceptionHandler(const QObject* owner, ExceptionHandler handler)
{
    handlerOwner_ = owner;
    exceptionHandler_ = std::move(handler);
}

void VarnApplication::releaseExceptionHandler(const QObject* owner)
{
    if (handlerOwner_ != owner)
        return;
    handlerOwner_ = nullptr;
    exceptionHandler_ = nullptr;
}

void VarnApplication::reportException(const QString& message)
{
    if (exceptionHandler_)
        exceptionHandler_(message);
    else
        qWarning("%s", qUtf8Printable(message));
}

bool InstallQtTranslation(QApplication& application)
{
    auto* translator = new QTranslator(&application);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          folder) &&
        !translator->load(QStringLiteral("qtbase_ja"), folder)) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

void ApplyInterfaceFont(QApplication& application)
{
    QFont font = application.font();
    const QString japanese = QStringLiteral("Noto Sans CJK JP");
    if (QFontDatabase::families().contains(japanese))
        font.setFamily(japanese);
    font.setPixelSize(12);
    application.setFont(font);
}

} // namespace varn::app
