#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

using namespace vidarium;

namespace {

struct DumpRun
{
    int exitCode = -1;
    bool crashed = false;
    QString out;
    QString err;
};

DumpRun dump(const QStringList &arguments)
{
    // The test executable sits in <build>/tests; the command in <build>/src/cli.
    const QString cli
        = QCoreApplication::applicationDirPath() + QStringLiteral("/../src/cli/vidarium-cli");
    QProcess process;
    process.start(cli, QStringList { QStringLiteral("dump") } + arguments);
    DumpRun run;
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        run.err = QStringLiteral("did not finish: ") + process.errorString();
        run.crashed = true;
        return run;
    }
    run.crashed = process.exitStatus() != QProcess::NormalExit;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QString writeFile(const test::ScratchDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile file(dir.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return file.fileName();
}

} // namespace

TEST(DumpCommand, PrintsArchivesAsJson)
{
    const DumpRun run = dump({ test::testDataPath(QStringLiteral("plist/archive.bplist")) });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("\"$class\": \"TMVThing\"")));
    EXPECT_TRUE(run.out.contains(QStringLiteral("\"date\": \"2021-02-26T02:40:00.250Z\"")));
    EXPECT_TRUE(run.out.contains(QStringLiteral("\"data\": \"AAEC\"")));
    // The same file as stored, references and all.
    const DumpRun raw = dump(
        { QStringLiteral("--raw"), test::testDataPath(QStringLiteral("plist/archive.bplist")) });
    ASSERT_EQ(raw.exitCode, 0);
    EXPECT_TRUE(raw.out.contains(QStringLiteral("\"$archiver\": \"NSKeyedArchiver\"")));
    EXPECT_TRUE(raw.out.contains(QStringLiteral("{\"CF$UID\": ")));
}

TEST(DumpCommand, FailsWithOneLineOnFilesItCannotRead)
{
    test::ScratchDir dir;
    QFile fixture(test::testDataPath(QStringLiteral("plist/archive.bplist")));
    ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
    const QByteArray good = fixture.readAll();
    QByteArray badReference = good;
    // The top-level dictionary's last reference points far past the objects.
    badReference[badReference.size() - 33] = char(0xFF);

    const QStringList files = {
        writeFile(dir, QStringLiteral("truncated.plist"), good.left(good.size() / 2)),
        writeFile(dir, QStringLiteral("garbage.plist"), QByteArray("\x89PNG\r\n\x1a\n garbage")),
        writeFile(dir, QStringLiteral("empty.plist"), QByteArray()),
        dir.filePath(QStringLiteral("missing.plist")),
    };
    for (const QString &file : files) {
        SCOPED_TRACE(file.toStdString());
        const DumpRun run = dump({ file });
        EXPECT_FALSE(run.crashed);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("vidarium-cli: "))) << run.err.toStdString();
        EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1) << run.err.toStdString();
    }
}

TEST(DumpCommand, NeverCrashesOnTheFuzzCorpus)
{
    QDirIterator it(
        test::sourcePath(QStringLiteral("fuzz/corpus")), QDir::Files, QDirIterator::Subdirectories);
    int files = 0;
    while (it.hasNext()) {
        const QString file = it.next();
        SCOPED_TRACE(file.toStdString());
        const DumpRun run = dump({ file });
        EXPECT_FALSE(run.crashed) << run.err.toStdString();
        EXPECT_TRUE(run.exitCode == 0 || run.exitCode == 1) << run.exitCode;
        ++files;
    }
    EXPECT_GT(files, 10);
}
