#pragma once

// A subcommand of vidarium-cli. Each command lives in its own source file and
// registers itself with a static CliCommandRegistration, so adding a command
// never touches a shared table. A command declares its options; parsing them,
// refusing unknown ones and answering --help is the same for every command.
// Threads: main thread only.

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace vidarium::cli {

struct CliCommand
{
    QString name;
    QString usage; // one line: "dump [--raw] FILE"
    QString summary; // for the help listing and the command's own help
    // Receives the parsed command line after the command name: the positional
    // arguments and the options below. Returns the exit status.
    std::function<int(const QCommandLineParser &arguments)> run;
    // Besides --help; one line each, made with flagOption() and valueOption().
    QList<QCommandLineOption> options = {};
};

QList<CliCommand> &registeredCommands();
const CliCommand *commandNamed(const QString &name);

struct CliCommandRegistration
{
    explicit CliCommandRegistration(CliCommand command)
    {
        registeredCommands().append(std::move(command));
    }
};

// "--name" alone.
QCommandLineOption flagOption(const QString &name, const QString &description);
// "--name VALUE" or "--name=VALUE".
QCommandLineOption valueOption(
    const QString &name, const QString &valueName, const QString &description);

// Parses the arguments that follow the command's name and runs it: 2 with the
// reason and the usage line on standard error when they do not parse, 0 after
// printing the command's help when asked for it.
int runCommand(const CliCommand &command, const QStringList &arguments);
QString commandHelp(const CliCommand &command);

// Writes one line to stderr in the form "vidarium-cli: <message>".
void printError(const QString &message);
// Writes text to stdout as UTF-8.
void printOut(const QString &text);

} // namespace vidarium::cli
