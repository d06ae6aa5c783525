// vidarium-cli: catalogue libraries from the command line.

#include "clicommand.h"
#include "clilibrary.h"

#include "model/applicationsettings.h"
#include "model/definitions.h"
#include "model/valuetransformers.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <exception>

namespace vidarium::cli {

QList<CliCommand> &registeredCommands()
{
    static QList<CliCommand> commands;
    return commands;
}

void printError(const QString &message)
{
    std::fprintf(stderr, "vidarium-cli: %s\n", message.toUtf8().constData());
}

void printOut(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

static void printHelp()
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
    text += QStringLiteral("  help\n      Show this help.\n");
    text += QStringLiteral("\nA command that changes a library is refused while another program "
                           "changes it; with --wait it waits for it instead.\n");
    printOut(text);
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

    QStringList arguments = app.arguments().mid(1);
    if (arguments.isEmpty() || arguments.first() == QLatin1String("help")
        || arguments.first() == QLatin1String("--help")
        || arguments.first() == QLatin1String("-h")) {
        printHelp();
        return arguments.isEmpty() ? 2 : 0;
    }
    // Any writing command may be told to wait for another program to finish with
    // its library instead of being refused.
    setWaitForLibraries(arguments.removeAll(QStringLiteral("--wait")) > 0);
    if (arguments.isEmpty()) {
        printHelp();
        return 2;
    }
    const QString name = arguments.takeFirst();
    for (const CliCommand &command : registeredCommands()) {
        if (command.name != name)
            continue;
        try {
            return command.run(arguments);
        } catch (const std::exception &e) {
            printError(QStringLiteral("%1 failed: %2").arg(name, QString::fromUtf8(e.what())));
        } catch (...) {
            printError(QStringLiteral("%1 failed unexpectedly").arg(name));
        }
        return 1;
    }
    printError(QStringLiteral("unknown command '%1'; try 'vidarium-cli help'").arg(name));
    return 2;
}
