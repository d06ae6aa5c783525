// vidarium-cli collection, and list with --where and --collection, run as a user runs them.

#include "testsupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

using vidarium::test::ScratchDir;

namespace {

struct CliResult
{
    int exitCode = -1;
    QString out;
    QString err;
};

class CollectionCommand : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char *name : { "Clip 1.mov", "clíp 2.mov", "Other.mov" }) {
            QFile file(m_scratch.filePath(QString::fromUtf8(name)));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        m_library = m_scratch.filePath(QStringLiteral("lib.vidarium"));
        ASSERT_EQ(run({ QStringLiteral("new"), m_library }).exitCode, 0);
        ASSERT_EQ(run({ QStringLiteral("add"), m_library,
                          m_scratch.filePath(QStringLiteral("Clip 1.mov")),
                          m_scratch.filePath(QStringLiteral("clíp 2.mov")),
                          m_scratch.filePath(QStringLiteral("Other.mov")) })
                      .exitCode,
            0);
    }

    CliResult run(const QStringList &arguments) const
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(
            QStringLiteral("XDG_CONFIG_HOME"), m_scratch.filePath(QStringLiteral("config")));
        process.setProcessEnvironment(environment);
        process.start(
            QCoreApplication::applicationDirPath() + QStringLiteral("/../src/cli/vidarium-cli"),
            arguments);
        CliResult result;
        if (!process.waitForFinished(120000)) {
            process.kill();
            process.waitForFinished();
            return result;
        }
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out = QString::fromUtf8(process.readAllStandardOutput());
        result.err = QString::fromUtf8(process.readAllStandardError());
        return result;
    }

    CliResult collection(const QStringList &arguments) const
    {
        return run(QStringList { QStringLiteral("collection"), m_library } + arguments);
    }

    QStringList names(const QStringList &listArguments) const
    {
        const CliResult listed = run(QStringList { QStringLiteral("list"), m_library,
                                         QStringLiteral("--keys"), QStringLiteral("name") }
            + listArguments);
        EXPECT_EQ(listed.exitCode, 0) << listed.err.toStdString();
        QStringList lines = listed.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        if (!lines.isEmpty())
            lines.removeFirst(); // the header
        lines.sort();
        return lines;
    }

    ScratchDir m_scratch;
    QString m_library;
};

} // namespace

TEST_F(CollectionCommand, SmartCollectionIsSavedAndSelectsByItsCriteria)
{
    const CliResult added = collection({ QStringLiteral("add"), QStringLiteral("Clips"),
        QStringLiteral("--where"), QStringLiteral("name BEGINSWITH[cd] \"clip\"") });
    ASSERT_EQ(added.exitCode, 0) << added.err.toStdString();
    EXPECT_EQ(names({ QStringLiteral("--collection"), QStringLiteral("Clips") }),
        (QStringList { QStringLiteral("Clip 1"), QStringLiteral("clíp 2") }));
    EXPECT_EQ(names({ QStringLiteral("--where"),
                  QStringLiteral("name ENDSWITH '2' OR name == 'Other'") }),
        (QStringList { QStringLiteral("Other"), QStringLiteral("clíp 2") }));
    EXPECT_EQ(names({ QStringLiteral("--collection"), QStringLiteral("All Videos"),
                  QStringLiteral("--where"), QStringLiteral("name CONTAINS 'x'") }),
        QStringList());

    const CliResult listed = collection({ QStringLiteral("list") });
    ASSERT_EQ(listed.exitCode, 0);
    EXPECT_TRUE(listed.out.contains(QStringLiteral("Clips\tMediaPlaylistTypeUser\tsmart\t2\n")))
        << listed.out.toStdString();
    EXPECT_TRUE(
        listed.out.contains(QStringLiteral("All Videos\tMediaPlaylistTypeMedia\tsmart\t3\n")));
    EXPECT_TRUE(
        listed.out.contains(QStringLiteral("Missing\tMediaPlaylistTypeMissing\tsmart\t0\n")));

    EXPECT_EQ(collection({ QStringLiteral("remove"), QStringLiteral("Clips") }).exitCode, 0);
    EXPECT_FALSE(collection({ QStringLiteral("list") }).out.contains(QStringLiteral("Clips")));
}

TEST_F(CollectionCommand, StaticCollectionHoldsTheGivenElements)
{
    const CliResult listed = run({ QStringLiteral("list"), m_library, QStringLiteral("--keys"),
        QStringLiteral("identifier,name") });
    QString otherIdentifier;
    for (const QString &line : listed.out.split(QLatin1Char('\n'))) {
        if (line.endsWith(QStringLiteral("\tOther")))
            otherIdentifier = line.section(QLatin1Char('\t'), 0, 0);
    }
    ASSERT_FALSE(otherIdentifier.isEmpty());
    ASSERT_EQ(collection({ QStringLiteral("add"), QStringLiteral("Shelf"),
                             QStringLiteral("--elements"), otherIdentifier })
                  .exitCode,
        0);
    EXPECT_EQ(names({ QStringLiteral("--collection"), QStringLiteral("Shelf") }),
        QStringList { QStringLiteral("Other") });
    EXPECT_TRUE(collection({ QStringLiteral("list") })
                    .out.contains(QStringLiteral("Shelf\tMediaPlaylistTypeUser\tstatic\t1\n")));

    const CliResult unknown = collection({ QStringLiteral("add"), QStringLiteral("Bad"),
        QStringLiteral("--elements"), QStringLiteral("00000000-0000-4000-8000-000000000000") });
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_TRUE(unknown.err.contains(QStringLiteral("00000000-0000-4000-8000-000000000000")));
}

TEST_F(CollectionCommand, UnusableCriteriaAreRefusedAndNothingIsSaved)
{
    struct Case
    {
        QStringList arguments;
        int exitCode;
        QString message;
    };
    const Case cases[] = {
        { { QStringLiteral("list"), m_library, QStringLiteral("--where"),
              QStringLiteral("name ==") },
            1, QStringLiteral("position 8") },
        { { QStringLiteral("collection"), m_library, QStringLiteral("add"), QStringLiteral("A"),
              QStringLiteral("--where"), QStringLiteral("name MATCHES '('") },
            1, QStringLiteral("regular expression") },
        { { QStringLiteral("collection"), m_library, QStringLiteral("add"), QStringLiteral("B"),
              QStringLiteral("--where"), QStringLiteral("a == 1 OR (b == 2 AND c == 3)") },
            1, QStringLiteral("without groups inside") },
        { { QStringLiteral("collection"), m_library, QStringLiteral("remove"),
              QStringLiteral("Trash") },
            1, QStringLiteral("built-in") },
        { { QStringLiteral("collection"), m_library, QStringLiteral("remove"),
              QStringLiteral("Nothing") },
            1, QStringLiteral("no collection") },
        { { QStringLiteral("collection"), m_library, QStringLiteral("rename") }, 2,
            QStringLiteral("unknown action") },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        const CliResult result = run(c.arguments);
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_TRUE(result.err.contains(c.message)) << result.err.toStdString();
    }
    const CliResult listed = collection({ QStringLiteral("list") });
    EXPECT_EQ(
        listed.out.count(QLatin1Char('\n')), 9); // the header and the eight built-in collections
}
