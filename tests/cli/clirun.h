#pragma once

// Runs the built vidarium-cli as a child process for the command-line tests.
// Threads: main thread.

#include <QString>
#include <QStringList>

namespace vidarium::test {

struct CliRun
{
    int exitCode = -1; // -1 when the command crashed or did not finish
    QString out;
    QString err;
};

// The command beside the test executable's build tree.
QString cliProgramPath();

// Runs the command to its end. With a config home, its settings go there and
// never to the user's own.
CliRun runCli(
    const QStringList &arguments, const QString &configHome = QString(), int timeoutMs = 120000);

} // namespace vidarium::test
