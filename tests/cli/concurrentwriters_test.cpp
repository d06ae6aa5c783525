// Two programs changing one library at once: every change of both ends up in
// it, or the second is refused with the library named, never silently lost.

#include "clirun.h"
#include "document/document.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

using namespace vidarium;
using vidarium::test::ScratchDir;

namespace {

QStringList touchAll(const QString &folder, int count)
{
    QDir().mkpath(folder);
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        QFile file(QStringLiteral("%1/clip %2.mp4").arg(folder).arg(i));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        paths.append(file.fileName());
    }
    return paths;
}

void start(QProcess &process, const ScratchDir &scratch, const QStringList &arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(
        QStringLiteral("XDG_CONFIG_HOME"), scratch.filePath(QStringLiteral("config")));
    process.setProcessEnvironment(environment);
    process.start(test::cliProgramPath(), arguments);
    ASSERT_TRUE(process.waitForStarted());
}

qsizetype elementCount(const QString &path)
{
    Document document;
    if (!document.readFromPath(path))
        return -1;
    const MediaLibrary &library = document.library();
    return library.media().size() + library.trash().size() + library.error().size();
}

} // namespace

TEST(ConcurrentWriters, TwoImportsAtOnceKeepEveryElementOrOneIsRefused)
{
    ScratchDir scratch;
    const QString library = scratch.filePath(QStringLiteral("Both.vidarium"));
    touchAll(scratch.filePath(QStringLiteral("one")), 6);
    touchAll(scratch.filePath(QStringLiteral("two")), 9);
    for (const bool wait : { true, false }) {
        SCOPED_TRACE(wait ? "--wait" : "no wait");
        QDir(library).removeRecursively();
        QProcess first;
        QProcess second;
        const QStringList options = wait ? QStringList { QStringLiteral("--wait") } : QStringList();
        start(first, scratch,
            QStringList {
                QStringLiteral("import"), library, scratch.filePath(QStringLiteral("one")) }
                + options);
        start(second, scratch,
            QStringList {
                QStringLiteral("import"), library, scratch.filePath(QStringLiteral("two")) }
                + options);
        ASSERT_TRUE(first.waitForFinished(120000));
        ASSERT_TRUE(second.waitForFinished(120000));
        const QString errors
            = QString::fromUtf8(first.readAllStandardError() + second.readAllStandardError());
        const int refused = (first.exitCode() != 0) + (second.exitCode() != 0);
        if (wait || refused == 0) {
            EXPECT_EQ(refused, 0) << errors.toStdString();
            EXPECT_EQ(elementCount(library), 15);
        } else {
            ASSERT_EQ(refused, 1) << errors.toStdString();
            EXPECT_TRUE(errors.contains(QFileInfo(library).absoluteFilePath()))
                << errors.toStdString();
            EXPECT_TRUE(errors.contains(QStringLiteral("--wait")));
            EXPECT_EQ(elementCount(library), first.exitCode() == 0 ? 6 : 9);
        }
    }
}

TEST(ConcurrentWriters, ChangeWhileAnotherProgramHoldsTheLibraryIsRefusedOrWaits)
{
    ScratchDir scratch;
    const QString library = scratch.filePath(QStringLiteral("Held.vidarium"));
    const QStringList files = touchAll(scratch.filePath(QStringLiteral("clips")), 2);
    const QString config = scratch.filePath(QStringLiteral("config"));
    ASSERT_EQ(test::runCli({ QStringLiteral("add"), library, files[0] }, config).exitCode,
        1); // no library yet
    ASSERT_EQ(test::runCli({ QStringLiteral("new"), library }, config).exitCode, 0);

    auto holder = std::make_unique<Document>();
    ASSERT_TRUE(holder->lockForWriting(library, LibraryLock::Wait::No).ok());
    ASSERT_TRUE(holder->readFromPath(library).ok());

    const test::CliRun refused = test::runCli({ QStringLiteral("add"), library, files[0] }, config);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(QFileInfo(library).absoluteFilePath()))
        << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains(QStringLiteral("another program")));
    // Readers are never blocked.
    EXPECT_EQ(test::runCli({ QStringLiteral("info"), library }, config).exitCode, 0);
    EXPECT_EQ(test::runCli({ QStringLiteral("list"), library }, config).exitCode, 0);

    QProcess waiting;
    start(waiting, scratch, { QStringLiteral("add"), QStringLiteral("--wait"), library, files[1] });
    EXPECT_FALSE(waiting.waitForFinished(1500));
    holder.reset();
    ASSERT_TRUE(waiting.waitForFinished(60000));
    EXPECT_EQ(waiting.exitCode(), 0) << waiting.readAllStandardError().toStdString();
    EXPECT_EQ(elementCount(library), 1);
}
