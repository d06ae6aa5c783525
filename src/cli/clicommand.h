#pragma once

// A subcommand of vidarium-cli. Each command lives in its own source file and
// registers itself with a static CliCommandRegistration, so adding a command
// never touches a shared table.
// Threads: main thread only.

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace vidarium::cli {

struct CliCommand
{
    QString name;
    QString usage; // one line: "dump FILE"
    QString summary; // one line for the help listing
    // Receives the arguments after the command name; returns the exit status.
    std::function<int(const QStringList &arguments)> run;
};

QList<CliCommand> &registeredCommands();

struct CliCommandRegistration
{
    explicit CliCommandRegistration(CliCommand command)
    {
        registeredCommands().append(std::move(command));
    }
};

// Writes one line to stderr in the form "vidarium-cli: <message>".
void printError(const QString &message);
// Writes text to stdout as UTF-8.
void printOut(const QString &text);

} // namespace vidarium::cli
