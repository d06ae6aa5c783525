// The library commands of vidarium-cli, run as a user runs them, including the
// promise that killing a save at any moment never leaves a library that will
// not open.

#include "clirun.h"
#include "document/document.h"
#include "model/mediauserfield.h"
#include "model/mediauserkeyword.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include <gtest/gtest.h>

using namespace vidarium;
using vidarium::test::ScratchDir;
using vidarium::test::touch;

namespace {

using test::cliProgramPath;
using test::CliRun;

// Settings of the command go to the scratch folder, never the user's own.
void isolate(QProcess &process, const ScratchDir &scratch)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(
        QStringLiteral("XDG_CONFIG_HOME"), scratch.filePath(QStringLiteral("config")));
    process.setProcessEnvironment(environment);
}

CliRun cli(const ScratchDir &scratch, const QStringList &arguments)
{
    return test::runCli(arguments, scratch.filePath(QStringLiteral("config")));
}

} // namespace

TEST(LibraryCommands, NewAddListAndInfo)
{
    ScratchDir scratch;
    const QString library = scratch.filePath(QStringLiteral("Films"));
    CliRun run = cli(scratch, { QStringLiteral("new"), library });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString package = library + QStringLiteral(".vidarium");
    EXPECT_TRUE(QFileInfo(package + QLatin1Char('/') + Package::CatalogueFileName).isFile());
    run = cli(scratch, { QStringLiteral("new"), package });
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("already exists")));

    const QString a = touch(scratch.filePath(QStringLiteral("in/a clip.mp4")));
    touch(scratch.filePath(QStringLiteral("in/sub/b.mkv")));
    touch(scratch.filePath(QStringLiteral("in/.hidden.mp4")));
    run = cli(
        scratch, { QStringLiteral("add"), package, scratch.filePath(QStringLiteral("in")), a });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("Added 2 elements\n"));
    run = cli(scratch,
        { QStringLiteral("add"), package, a, scratch.filePath(QStringLiteral("missing.mp4")) });
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, QStringLiteral("Added 0 elements\n"));
    EXPECT_TRUE(run.err.contains(QStringLiteral("missing.mp4")));

    run = cli(scratch, { QStringLiteral("list"), package });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith(
        QStringLiteral("identifier\tpath\tname\tdevice\tstatus\tassets\tsize")));
    const QStringList first = lines[1].split(QLatin1Char('\t'));
    ASSERT_EQ(first.size(), 13);
    EXPECT_EQ(first[1], a);
    EXPECT_EQ(first[2], QStringLiteral("a clip"));
    EXPECT_EQ(first[4], QStringLiteral("3")); // present, nothing read yet

    EXPECT_EQ(first[6], QStringLiteral("0 B")); // sizes show in their display form

    run = cli(scratch,
        { QStringLiteral("list"), package, QStringLiteral("--keys"),
            QStringLiteral("name,extension,rating"), QStringLiteral("--format"),
            QStringLiteral("json"), QStringLiteral("--raw") });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonArray rows = QJsonDocument::fromJson(run.out.toUtf8()).array();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(
        rows[1].toObject().value(QStringLiteral("extension")).toString(), QStringLiteral("mkv"));
    EXPECT_TRUE(rows[1].toObject().value(QStringLiteral("rating")).isDouble());
    EXPECT_EQ(rows[1].toObject().value(QStringLiteral("rating")).toInt(), 0);

    run = cli(scratch,
        { QStringLiteral("list"), package, QStringLiteral("--collection"),
            QStringLiteral("Trash") });
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out.count(QLatin1Char('\n')), 1); // the header alone
    run = cli(scratch,
        { QStringLiteral("list"), package, QStringLiteral("--collection"),
            QStringLiteral("Nope") });
    EXPECT_EQ(run.exitCode, 1);
    run = cli(scratch,
        { QStringLiteral("list"), package, QStringLiteral("--format"), QStringLiteral("xml") });
    EXPECT_EQ(run.exitCode, 2);

    run = cli(scratch, { QStringLiteral("info"), package });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("format\t10\n")));
    EXPECT_TRUE(run.out.contains(QStringLiteral("media\t2\ntrash\t0\nunreadable\t0\n")));
    EXPECT_TRUE(run.out.contains(QStringLiteral("collection\tAll Videos\t2\n")));
    EXPECT_TRUE(run.out.contains(QStringLiteral("collection\tMissing\t0\n")));
    EXPECT_EQ(run.out.count(QStringLiteral("collection\t")), 8);
}

TEST(LibraryCommands, UnreadableLibrariesGiveOneLineErrors)
{
    ScratchDir scratch;
    const QString damaged = scratch.filePath(QStringLiteral("Damaged.vidarium"));
    QDir().mkpath(damaged);
    QFile catalogue(damaged + QLatin1Char('/') + Package::CatalogueFileName);
    ASSERT_TRUE(catalogue.open(QIODevice::WriteOnly));
    catalogue.write("bplist00 and then nothing sensible");
    catalogue.close();
    for (const QString &command :
        { QStringLiteral("list"), QStringLiteral("info"), QStringLiteral("add") }) {
        SCOPED_TRACE(command.toStdString());
        QStringList arguments { command, damaged };
        if (command == QLatin1String("add"))
            arguments.append(scratch.path());
        const CliRun run = cli(scratch, arguments);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("vidarium-cli: "))) << run.err.toStdString();
        EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1);
    }
}

TEST(LibraryCommands, KillingAddDuringSavesNeverLeavesAnUnreadableLibrary)
{
    ScratchDir scratch;
    const QString package = scratch.filePath(QStringLiteral("Killed.vidarium"));
    {
        // A library big enough that a save takes a while.
        QStringList files;
        for (int i = 0; i < 3000; ++i)
            files.append(
                touch(scratch.filePath(QStringLiteral("base/%1/clip %2.mp4").arg(i / 300).arg(i))));
        Document document;
        ASSERT_EQ(document.importMediaFilesNow(files).size(), 3000);
        ASSERT_TRUE(document.writeToPath(package).ok());
    }
    // How long one uninterrupted add takes, to spread the kills over it.
    touch(scratch.filePath(QStringLiteral("batch-0/first.mp4")));
    QElapsedTimer timer;
    timer.start();
    ASSERT_EQ(cli(scratch,
                  { QStringLiteral("add"), package, scratch.filePath(QStringLiteral("batch-0")) })
                  .exitCode,
        0);
    const int fullRunMs = int(timer.elapsed());

    QRandomGenerator random(20261206);
    int interrupted = 0;
    for (int round = 1; round <= 24; ++round) {
        SCOPED_TRACE(round);
        const QString batch = scratch.filePath(QStringLiteral("batch-%1").arg(round));
        for (int i = 0; i < 20; ++i)
            touch(QStringLiteral("%1/new %2.mp4").arg(batch).arg(i));
        QProcess process;
        isolate(process, scratch);
        process.start(cliProgramPath(), { QStringLiteral("add"), package, batch });
        ASSERT_TRUE(process.waitForStarted());
        // Most kills land in the second half, where the save happens.
        const int delay = int(random.bounded(fullRunMs + 1) / 2 + (round % 2) * fullRunMs / 2);
        if (!process.waitForFinished(delay)) {
            process.kill();
            process.waitForFinished();
            ++interrupted;
        }
        Document document;
        const Result<void> read = document.readFromPath(package);
        ASSERT_OK(read);
        EXPECT_GE(document.library().media().size(), 3001);
    }
    EXPECT_GT(interrupted, 0);
    // The library still takes new files after all that.
    touch(scratch.filePath(QStringLiteral("last/final.mp4")));
    const CliRun last = cli(
        scratch, { QStringLiteral("add"), package, scratch.filePath(QStringLiteral("last")) });
    EXPECT_EQ(last.exitCode, 0) << last.err.toStdString();
    EXPECT_EQ(last.out, QStringLiteral("Added 1 element\n"));
}

TEST(LibraryCommands, DumpShowsTheCatalogueClasses)
{
    ScratchDir scratch;
    const QString package = scratch.filePath(QStringLiteral("Classes.vidarium"));
    {
        Document document;
        const MediaElementPtr element
            = document.importMediaFilesNow({ touch(scratch.filePath(QStringLiteral("a.mp4"))) })
                  .value(0);
        ASSERT_TRUE(element);
        element->addKeywordWithIdentifier(
            document.library().createKeywordWithName(QStringLiteral("Beach"))->identifier());
        element->setValueForUndefinedKey(QStringLiteral("Canon"),
            document.library().createFieldWithName(QStringLiteral("Camera"))->identifier());
        ASSERT_TRUE(document.writeToPath(package).ok());
    }
    const CliRun run = cli(scratch, { QStringLiteral("dump"), package });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    for (const char *name : { "MediaElement", "MediaPlaylist", "MediaUserField", "MediaUserKeyword",
             "DocumentDefaults" })
        EXPECT_TRUE(run.out.contains(QStringLiteral("\"$class\": \"%1\"").arg(QLatin1String(name))))
            << name;
}

TEST(LibraryCommands, ListPrintsIntegersExactly)
{
    ScratchDir scratch;
    const QString package = scratch.filePath(QStringLiteral("Numbers.vidarium"));
    QString field;
    {
        Document document;
        const MediaElementPtr element
            = document.importMediaFilesNow({ touch(scratch.filePath(QStringLiteral("a.mp4"))) })
                  .value(0);
        ASSERT_TRUE(element);
        element->setValueForKey(PlistValue(qint64(9223372036854775807)), QStringLiteral("size"));
        field = document.library().createFieldWithName(QStringLiteral("Frames"))->identifier();
        element->setValueForUndefinedKey(PlistArray { PlistValue(qint64(-9007199254740993)),
                                             PlistValue::unsignedInteger(18446744073709551615ULL) },
            field);
        ASSERT_TRUE(document.writeToPath(package).ok());
    }
    const QString keys = QStringLiteral("size,") + field;
    CliRun run = cli(scratch,
        { QStringLiteral("list"), package, QStringLiteral("--keys"), keys,
            QStringLiteral("--format"), QStringLiteral("json"), QStringLiteral("--raw") });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString expected = QStringLiteral("[\n    {\n        \"%1\": [\n"
                                            "            -9007199254740993,\n"
                                            "            18446744073709551615\n        ],\n"
                                            "        \"size\": 9223372036854775807\n    }\n]\n")
                                 .arg(field);
    EXPECT_EQ(run.out, expected);

    run = cli(scratch,
        { QStringLiteral("list"), package, QStringLiteral("--keys"), keys,
            QStringLiteral("--raw") });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.endsWith(
        QStringLiteral("\n9223372036854775807\t-9007199254740993, 18446744073709551615\n")))
        << run.out.toStdString();
}
