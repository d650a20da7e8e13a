#include <QStandardPaths>
#include <QStringList>

#include "app/TForm1.h"
#include "app/VarnApplication.h"
#include "rom/Settings.h"

// Starts the editor. A path given on the command line is opened as the ROM image, as if it
// had been dropped on the image field.
int main(int argc, char** argv)
{
    varn::app::VarnApplication application(argc, argv);

    const QString userConfig =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const std::filesystem::path settingsPath =
        varn::FindSettingsFile(varn::app::ToPath(QCoreApplication::applicationDirPath()),
                               userConfig.isEmpty() ? std::filesystem::path()
                                                    : varn::app::ToPath(userConfig) / "Varnwork");

    varn::app::TForm1 window(settingsPath);
    window.show();

    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1)
        window.OpenRomImage(arguments.at(1));

    return application.exec();
}
