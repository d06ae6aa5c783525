// vidarium-cli: catalogue libraries from the command line.

#include "clicommand.h"
#include "clilibrary.h"

#include "import/enginesetup.h"
#include "model/applicationsettings.h"
#include "model/definitions.h"
#include "model/valuetransformers.h"
#include "platform/filepath.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <optional>

namespace vidarium::cli {

static QString helpText()
{
    QList<CliCommand> commands = registeredCommands();
    std::sort(commands.begin(), commands.end(),
        [](const CliCommand &a, const CliCommand &b) { return a.name < b.name; });
    QString text
        = QStringLiteral("Usage: vidarium-cli COMMAND [ARGUMENTS]\n\n"
                         "Vidarium catalogues video files into libraries (.vidarium packages).\n\n"
                         "Commands:\n");
    for (const CliCommand &command : commands)
        text += QStringLiteral("  %1\n      %2\n").arg(command.usage, command.summary);
    text += QStringLiteral("  help [COMMAND]\n      Show this help, or a command's.\n"
                           "  --version\n      Show the version.\n");
    text += QStringLiteral("\nA command that changes a library is refused while another program "
                           "changes it; with --wait it waits for it instead.\n");
    return text;
}

// help, --help, -h, "help COMMAND" and --version; nullopt for anything else.
static std::optional<int> answerGeneralRequest(const QStringList &arguments)
{
    if (arguments.isEmpty()) {
        std::fputs(helpText().toUtf8().constData(), stderr);
        return 2;
    }
    const QString &first = arguments.first();
    if (first == QLatin1String("--version")) {
        printOut(QStringLiteral("vidarium-cli %1\n").arg(QStringLiteral(VIDARIUM_VERSION)));
        return 0;
    }
    if (first != QLatin1String("help") && first != QLatin1String("--help")
        && first != QLatin1String("-h"))
        return std::nullopt;
    if (arguments.size() > 1) {
        const CliCommand *command = commandNamed(arguments[1]);
        if (!command) {
            printError(
                QStringLiteral("unknown command '%1'; try 'vidarium-cli help'").arg(arguments[1]));
            return 2;
        }
        printOut(commandHelp(*command));
        return 0;
    }
    printOut(helpText());
    return 0;
}

} // namespace vidarium::cli

int main(int argc, char **argv)
{
    using namespace vidarium::cli;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Vidarium"));
    QCoreApplication::setOrganizationName(QStringLiteral("Vidarium"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VIDARIUM_VERSION));
    // As the window program does at start: the settings a first run has not
    // written yet come from the definition tables, so the importers read the
    // shipped limits and choices rather than empty values.
    vidarium::ApplicationSettings::createDefaults();
    vidarium::ValueTransformerRegistry::shared().registerStandardTransformers(
        vidarium::Definitions::shared().ratingStrings());
    // Every command reads older libraries and Usher exports wherever it takes a library.
    vidarium::EngineSetup::registerComponents();

    // Not app.arguments(): it replaces the bytes of a file name that is not UTF-8.
    QStringList arguments = vidarium::decodedArguments(argc, argv).mid(1);
    if (const std::optional<int> answered = answerGeneralRequest(arguments))
        return *answered;
    const QString name = arguments.takeFirst();
    const CliCommand *command = commandNamed(name);
    if (!command) {
        printError(QStringLiteral("unknown command '%1'; try 'vidarium-cli help'").arg(name));
        return 2;
    }
    try {
        return runCommand(*command, arguments);
    } catch (const std::exception &e) {
        printError(QStringLiteral("%1 failed: %2").arg(name, QString::fromUtf8(e.what())));
    } catch (...) {
        printError(QStringLiteral("%1 failed unexpectedly").arg(name));
    }
    return 1;
}
