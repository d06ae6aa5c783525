#include "clicommand.h"

#include "clilibrary.h"

#include <cstdio>

namespace vidarium::cli {

namespace {

const QCommandLineOption &helpOption()
{
    static const QCommandLineOption help(
        { QStringLiteral("h"), QStringLiteral("help") }, QStringLiteral("Show this help."));
    return help;
}

QString optionSynopsis(const QCommandLineOption &option)
{
    QStringList names;
    for (const QString &name : option.names())
        names.append((name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name);
    QString synopsis = names.join(QStringLiteral(", "));
    if (!option.valueName().isEmpty())
        synopsis += QLatin1Char(' ') + option.valueName();
    return synopsis;
}

} // namespace

QList<CliCommand> &registeredCommands()
{
    static QList<CliCommand> commands;
    return commands;
}

const CliCommand *commandNamed(const QString &name)
{
    for (const CliCommand &command : registeredCommands()) {
        if (command.name == name)
            return &command;
    }
    return nullptr;
}

QCommandLineOption flagOption(const QString &name, const QString &description)
{
    return QCommandLineOption(name, description);
}

QCommandLineOption valueOption(
    const QString &name, const QString &valueName, const QString &description)
{
    return QCommandLineOption(name, description, valueName);
}

QString commandHelp(const CliCommand &command)
{
    QString text = QStringLiteral("Usage: vidarium-cli %1\n\n%2\n\nOptions:\n")
                       .arg(command.usage, command.summary);
    for (const QCommandLineOption &option : command.options + QList { helpOption() })
        text
            += QStringLiteral("  %1\n      %2\n").arg(optionSynopsis(option), option.description());
    return text;
}

int runCommand(const CliCommand &command, const QStringList &arguments)
{
    QCommandLineParser parser;
    // Options are words after "--"; "-x" is the word x, never a cluster of letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(command.options);
    parser.addOption(helpOption());
    // Any writing command may be told to wait for another program to finish with its
    // library instead of being refused; readers accept it and never wait.
    const QCommandLineOption wait(QStringLiteral("wait"));
    parser.addOption(wait);
    if (!parser.parse(QStringList { QStringLiteral("vidarium-cli") } + arguments)) {
        printError(parser.errorText());
        printError(QStringLiteral("usage: vidarium-cli %1").arg(command.usage));
        return 2;
    }
    if (parser.isSet(helpOption())) {
        printOut(commandHelp(command));
        return 0;
    }
    setWaitForLibraries(parser.isSet(wait));
    return command.run(parser);
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

} // namespace vidarium::cli
