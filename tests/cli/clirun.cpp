#include "clirun.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

namespace vidarium::test {

QString cliProgramPath()
{
    // The test executable sits in <build>/tests; the command in <build>/src/cli.
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../src/cli/vidarium-cli");
}

CliRun runCli(const QStringList &arguments, const QString &configHome, int timeoutMs)
{
    QProcess process;
    if (!configHome.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
        process.setProcessEnvironment(environment);
    }
    process.start(cliProgramPath(), arguments);
    CliRun run;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        run.err = QStringLiteral("did not finish");
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace vidarium::test
