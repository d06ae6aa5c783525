// What every command of vidarium-cli shares: help, version, option parsing,
// refusing empty names, and the notes on criteria that test unknown keys.

#include "clirun.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace vidarium;
using test::CliRun;

namespace {

const QStringList Commands = { "add", "collection", "dump", "export", "field", "import", "info",
    "keyword", "list", "new", "open", "set", "settings" };

class CommandLine : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_library = m_scratch.filePath(QStringLiteral("Films.vidarium"));
        ASSERT_EQ(cli({ QStringLiteral("new"), m_library }).exitCode, 0);
    }

    CliRun cli(const QStringList &arguments)
    {
        return test::runCli(arguments, m_scratch.filePath(QStringLiteral("config")));
    }

    test::ScratchDir m_scratch;
    QString m_library;
};

} // namespace

TEST_F(CommandLine, EveryCommandAnswersHelpAndTheProgramItsVersion)
{
    for (const QString &command : Commands) {
        SCOPED_TRACE(command.toStdString());
        for (const QString &ask : { QStringLiteral("--help"), QStringLiteral("-h") }) {
            const CliRun run = cli({ command, ask });
            EXPECT_EQ(run.exitCode, 0);
            EXPECT_TRUE(run.out.startsWith(QStringLiteral("Usage: vidarium-cli %1").arg(command)))
                << run.out.toStdString();
            EXPECT_TRUE(run.out.contains(QLatin1String("--help"))) << run.out.toStdString();
            EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
        }
        EXPECT_EQ(cli({ QStringLiteral("help"), command }).out, cli({ command, "--help" }).out);
    }
    EXPECT_TRUE(cli({ "import", "--help" }).out.contains(QLatin1String("--time-limit SECONDS")));

    const CliRun version = cli({ QStringLiteral("--version") });
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.contains(
        QRegularExpression(QStringLiteral("^vidarium-cli \\d+\\.\\d+\\.\\d+\\n$"))))
        << version.out.toStdString();

    // Nothing asked: the help, on standard error, and a failure.
    const CliRun nothing = cli({});
    EXPECT_EQ(nothing.exitCode, 2);
    EXPECT_TRUE(nothing.out.isEmpty()) << nothing.out.toStdString();
    EXPECT_TRUE(nothing.err.contains(QLatin1String("Usage: vidarium-cli COMMAND")));
    const CliRun help = cli({ QStringLiteral("help") });
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out, nothing.err);
}

TEST_F(CommandLine, OptionsParseAlikeInEveryCommand)
{
    CliRun run = cli({ "list", "--keys=name", m_library, "--format", "json" });
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.trimmed(), QStringLiteral("[\n]"));

    for (const QStringList &wrong : QList<QStringList> { { "list", m_library, "--bogus" },
             { "list", m_library, "--where" }, { "dump", "--raw=yes", m_library },
             { "info", "--raw", m_library }, { "field", m_library, "list", "--split" },
             { "collection", m_library, "list", "--where", "rating > 1" } }) {
        SCOPED_TRACE(wrong.join(u' ').toStdString());
        run = cli(wrong);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.contains(QStringLiteral("usage: vidarium-cli %1").arg(wrong[0])))
            << run.err.toStdString();
    }
}

TEST_F(CommandLine, EmptyNamesAreRefused)
{
    // Run where an empty library name would have left a hidden package.
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_scratch.path()));
    const CliRun unnamed = cli({ QStringLiteral("new"), QString() });
    const CliRun blank = cli({ QStringLiteral("new"), QStringLiteral("  ") });
    QDir::setCurrent(before);
    EXPECT_EQ(unnamed.exitCode, 2);
    EXPECT_TRUE(unnamed.err.contains(QLatin1String("a library needs a name")));
    EXPECT_EQ(blank.exitCode, 2);
    EXPECT_FALSE(QFileInfo::exists(m_scratch.filePath(QStringLiteral(".vidarium"))));

    for (const QString &name : { QString(), QStringLiteral(" \t") }) {
        const CliRun run = cli({ "collection", m_library, "add", name, "--where", "rating > 2" });
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.contains(QLatin1String("a collection needs a name")));
    }
    EXPECT_EQ(cli({ "collection", m_library, "list" }).out.count(u'\n'), 9); // built-ins only
}

TEST_F(CommandLine, CriteriaKeysTheLibraryLacksAreReportedAndTheCriteriaStillRun)
{
    ASSERT_EQ(cli({ "field", m_library, "add", "Camera" }).exitCode, 0);
    const QString field = cli({ "field", m_library, "list" }).out.section(u'\t', 1, 1);
    ASSERT_FALSE(field.isEmpty());

    CliRun run = cli({ "list", m_library, "--where", "ratting > 2 OR rating > 2" });
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.err.contains(QLatin1String("'ratting' is neither a property nor a user field")))
        << run.err.toStdString();
    EXPECT_EQ(run.err.count(u'\n'), 1);

    run = cli({ "list", m_library, "--where", "Camera == \"A7\"" });
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.err.contains(field)) << run.err.toStdString(); // how to name it instead

    for (const QStringList &known : QList<QStringList> {
             { "list", m_library, "--where", QStringLiteral("%1 == \"A7\"").arg(field) },
             { "list", m_library, "--where", "userKeywordObjects.name CONTAINS \"x\"" },
             { "export", m_library, "--tsv", m_scratch.filePath("out.txt"), "--where",
                 "duration > 3" } }) {
        SCOPED_TRACE(known.join(u' ').toStdString());
        run = cli(known);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    }
    run = cli({ "collection", m_library, "add", "Odd", "--where", "colour == \"red\"" });
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.err.contains(QLatin1String("'colour'"))) << run.err.toStdString();
}

TEST(SettingsIsolation, ProgramsStartedByTestsKeepTheirSettingsInTheTemporaryHome)
{
    test::ScratchDir scratch;
    const QString settings
        = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Vidarium/Vidarium.conf");
    const CliRun run = test::runCli({ QStringLiteral("new"), scratch.filePath("A.vidarium") });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(settings.startsWith(QDir::tempPath() + QLatin1Char('/')));
    EXPECT_TRUE(QFile::exists(settings));
}
