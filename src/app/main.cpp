#include <csignal>
#include <cstdio>
#include <optional>

#include <QCommandLineParser>
#include <QDir>
#include <QStandardPaths>
#include <QStringList>

#include "app/TForm1.h"
#include "app/VarnApplication.h"
#include "datafiles/DataFiles.h"
#include "text/Settings.h"

namespace {

// The editor's command line: [ROM] [--data DIR] [--help] [--version].
struct CommandLine {
    QCommandLineParser parser;
    QCommandLineOption data{QStringLiteral("data"),
                            QStringLiteral("Reads kanji.txt and item_labels.txt from DIR instead "
                                           "of the configuration folder (~/.config/Varnwork)."),
                            QStringLiteral("DIR")};

    CommandLine()
    {
        parser.setApplicationDescription(QStringLiteral(
            "Varnwork: an editor and patcher for the ROM image of VARNHOLD EPICS3."));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOption(data);
        parser.addPositionalArgument(QStringLiteral("ROM"),
                                     QStringLiteral("The ROM image (.smc) to open at start."),
                                     QStringLiteral("[ROM]"));
    }
};

// Answers --help and --version, and refuses too many arguments, before any window system is
// needed; nullopt when the editor is to start. Options this parse does not know may be the
// window system's own ("-platform"): the editor's full parse, once they are taken out,
// judges them.
std::optional<int> AnswerWithoutWindows(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Varnwork"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VARN_VERSION));
    CommandLine line;
    if (!line.parser.parse(QCoreApplication::arguments()))
        return std::nullopt;
    if (line.parser.positionalArguments().size() > 1) {
        std::fprintf(stderr, "too many arguments\n\n%s", qUtf8Printable(line.parser.helpText()));
        return 1;
    }
    if (line.parser.isSet(QStringLiteral("help"))) {
        std::printf("%s", qUtf8Printable(line.parser.helpText()));
        return 0;
    }
    if (line.parser.isSet(QStringLiteral("version"))) {
        std::printf("Varnwork %s\n", VARN_VERSION);
        return 0;
    }
    return std::nullopt;
}

} // namespace

// Starts the editor. A path given on the command line is opened as the ROM image, as if it
// had been dropped on the image field.
int main(int argc, char** argv)
{
    // A write past the file size limit then fails like a write to a full disk, with the
    // ordinary message, instead of ending the program and leaving its temporary file.
    std::signal(SIGXFSZ, SIG_IGN);
    if (const std::optional<int> answered = AnswerWithoutWindows(argc, argv))
        return *answered;

    varn::app::VarnApplication application(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(VARN_VERSION));
    CommandLine line;
    line.parser.process(application); // prints the problem and ends on a wrong command line
    QCommandLineParser& parser = line.parser;
    const QCommandLineOption& data = line.data;
    // The settings are read from beside the program or from the user's configuration folder;
    // what the editor remembers between runs is kept in the configuration folder.
    const QString configRoot =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QString userConfig =
        configRoot.isEmpty() ? QString() : configRoot + QStringLiteral("/Varnwork");
    const std::filesystem::path settingsPath = varn::FindSettingsFile(
        varn::app::ToPath(QCoreApplication::applicationDirPath()),
        userConfig.isEmpty() ? std::filesystem::path() : varn::app::ToPath(userConfig));
    QString statePath;
    if (!userConfig.isEmpty() && QDir().mkpath(userConfig))
        statePath = userConfig + QStringLiteral("/state.ini");

    // The data files replace the built-in ones before any page builds its lists from them.
    const std::optional<std::filesystem::path> dataOption =
        parser.isSet(data) ? std::optional(varn::app::ToPath(parser.value(data))) : std::nullopt;
    const varn::DataLoadReport dataReport =
        varn::LoadDataFiles(varn::ResolveDataFolder(dataOption), dataOption.has_value());

    varn::app::TForm1 window(settingsPath, statePath);
    window.show();
    // A settings file too large to be one is not read; the defaults apply.
    if (!window.settings().problem.empty())
        window.dialogs().showWarning(QString::fromStdString(window.settings().problem));
    if (!dataReport.ok())
        window.dialogs().showWarning(QString::fromStdString(varn::DataLoadWarning(dataReport)));

    if (!parser.positionalArguments().isEmpty())
        window.OpenRomImage(parser.positionalArguments().constFirst());

    return application.exec();
}
