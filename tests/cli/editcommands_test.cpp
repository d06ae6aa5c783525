#include "clirun.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

using namespace vidarium;

namespace {

using test::CliRun;

// Runs vidarium-cli on a library in a scratch folder, with settings kept there too.
class EditCommands : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_library = m_scratch.filePath(QStringLiteral("lib.vidarium"));
        for (const QString &name :
            { QStringLiteral("Clip 9.mp4"), QStringLiteral("Clip 10.mp4") }) {
            QFile file(m_scratch.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("not really a video");
        }
        ASSERT_EQ(cli({ QStringLiteral("new"), m_library }).exitCode, 0);
        ASSERT_EQ(cli({ QStringLiteral("add"), m_library,
                          m_scratch.filePath(QStringLiteral("Clip 9.mp4")),
                          m_scratch.filePath(QStringLiteral("Clip 10.mp4")) })
                      .exitCode,
            0);
        m_clip = values(QStringLiteral("identifier,name")).value(QStringLiteral("Clip 9"));
        ASSERT_FALSE(m_clip.isEmpty());
    }

    CliRun cli(const QStringList &arguments)
    {
        return test::runCli(arguments, m_scratch.filePath(QStringLiteral("config")), 30000);
    }

    // The stored value of the second key, by the first key's value.
    QHash<QString, QString> values(const QString &keys, bool swap = true)
    {
        const CliRun run = cli({ QStringLiteral("list"), m_library, QStringLiteral("--keys"), keys,
            QStringLiteral("--raw") });
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        QHash<QString, QString> result;
        const QStringList lines = run.out.split(u'\n', Qt::SkipEmptyParts);
        for (const QString &line : lines.mid(1)) {
            const QStringList cells = line.split(u'\t');
            if (swap)
                result.insert(cells.value(1), cells.value(0));
            else
                result.insert(cells.value(0), cells.value(1));
        }
        return result;
    }

    QString value(const QString &key)
    {
        return values(QStringLiteral("identifier,") + key, false).value(m_clip);
    }

    QString fieldIdentifier(const QString &name)
    {
        for (const QString &line :
            cli({ QStringLiteral("field"), m_library, QStringLiteral("list") }).out.split(u'\n')) {
            const QStringList cells = line.split(u'\t');
            if (cells.value(0) == name)
                return cells.value(1);
        }
        return QString();
    }

    test::ScratchDir m_scratch;
    QString m_library;
    QString m_clip;
};

} // namespace

TEST_F(EditCommands, SetChangesWhatTheUserAddsAndRefusesTheRest)
{
    ASSERT_EQ(cli({ QStringLiteral("field"), m_library, QStringLiteral("add"),
                      QStringLiteral("People"), QStringLiteral("--split") })
                  .exitCode,
        0);
    const CliRun set = cli({ QStringLiteral("set"), m_library, m_clip, QStringLiteral("rating=4"),
        QStringLiteral("comments=seen twice"), QStringLiteral("People=Ann, Bob") });
    ASSERT_EQ(set.exitCode, 0) << set.err.toStdString();
    EXPECT_EQ(value(QStringLiteral("rating")), QStringLiteral("4"));
    EXPECT_EQ(value(QStringLiteral("userComments")), QStringLiteral("seen twice"));
    EXPECT_EQ(value(fieldIdentifier(QStringLiteral("People"))), QStringLiteral("Ann, Bob"));

    // A bad edit anywhere on the line changes nothing.
    for (const QString &bad : { QStringLiteral("rating=9"), QStringLiteral("duration=3"),
             QStringLiteral("Nope=x"), QStringLiteral("name=a/b"), QStringLiteral("norating") }) {
        const CliRun refused
            = cli({ QStringLiteral("set"), m_library, m_clip, QStringLiteral("rating=1"), bad });
        EXPECT_NE(refused.exitCode, 0) << bad.toStdString();
        EXPECT_FALSE(refused.err.isEmpty()) << bad.toStdString();
    }
    EXPECT_EQ(value(QStringLiteral("rating")), QStringLiteral("4"));
    EXPECT_NE(cli({ QStringLiteral("set"), m_library, QStringLiteral("NO-SUCH-ID"),
                      QStringLiteral("rating=1") })
                  .exitCode,
        0);

    // Renaming moves the file; a name that is taken leaves everything as it was.
    ASSERT_EQ(
        cli({ QStringLiteral("set"), m_library, m_clip.toLower(), QStringLiteral("name=Clip 09") })
            .exitCode,
        0);
    EXPECT_TRUE(QFile::exists(m_scratch.filePath(QStringLiteral("Clip 09.mp4"))));
    EXPECT_FALSE(QFile::exists(m_scratch.filePath(QStringLiteral("Clip 9.mp4"))));
    EXPECT_EQ(value(QStringLiteral("name")), QStringLiteral("Clip 09"));
    EXPECT_NE(cli({ QStringLiteral("set"), m_library, m_clip, QStringLiteral("name=Clip 10"),
                      QStringLiteral("rating=2") })
                  .exitCode,
        0);
    EXPECT_EQ(value(QStringLiteral("name")), QStringLiteral("Clip 09"));
    EXPECT_EQ(value(QStringLiteral("rating")), QStringLiteral("4"));
}

TEST_F(EditCommands, KeywordsLiveWhileCarriedAndFieldsComeBack)
{
    ASSERT_EQ(cli({ QStringLiteral("keyword"), m_library, QStringLiteral("add"), m_clip,
                      QStringLiteral("Holiday"), QStringLiteral("Beach") })
                  .exitCode,
        0);
    EXPECT_EQ(value(QStringLiteral("userKeywords")).split(QStringLiteral(", ")).size(), 2);
    ASSERT_EQ(cli({ QStringLiteral("keyword"), m_library, QStringLiteral("remove"), m_clip,
                      QStringLiteral("Beach") })
                  .exitCode,
        0);
    EXPECT_EQ(value(QStringLiteral("userKeywords")).split(QStringLiteral(", ")).size(), 1);
    EXPECT_NE(cli({ QStringLiteral("keyword"), m_library, QStringLiteral("remove"), m_clip,
                      QStringLiteral("Beach") })
                  .exitCode,
        0);

    ASSERT_EQ(
        cli({ QStringLiteral("field"), m_library, QStringLiteral("add"), QStringLiteral("Camera") })
            .exitCode,
        0);
    const QString camera = fieldIdentifier(QStringLiteral("Camera"));
    ASSERT_EQ(
        cli({ QStringLiteral("set"), m_library, m_clip, QStringLiteral("Camera=A7") }).exitCode, 0);
    ASSERT_EQ(cli({ QStringLiteral("field"), m_library, QStringLiteral("remove"),
                      QStringLiteral("Camera") })
                  .exitCode,
        0);
    EXPECT_TRUE(cli({ QStringLiteral("field"), m_library, QStringLiteral("list") })
                    .out.contains(QStringLiteral("removed")));
    EXPECT_EQ(value(camera), QStringLiteral("A7"));
    EXPECT_NE(
        cli({ QStringLiteral("set"), m_library, m_clip, QStringLiteral("Camera=B") }).exitCode, 0);

    ASSERT_EQ(
        cli({ QStringLiteral("field"), m_library, QStringLiteral("add"), QStringLiteral("Camera") })
            .exitCode,
        0);
    EXPECT_EQ(fieldIdentifier(QStringLiteral("Camera")), camera);
    EXPECT_FALSE(cli({ QStringLiteral("field"), m_library, QStringLiteral("list") })
                     .out.contains(QStringLiteral("removed")));
    EXPECT_EQ(value(camera), QStringLiteral("A7"));
}

TEST_F(EditCommands, SettingsAreReadAndChangedTogetherOrNotAtAll)
{
    const auto setting = [&](const QString &key) {
        return cli({ QStringLiteral("settings"), m_library, key }).out.trimmed();
    };
    EXPECT_EQ(setting(QStringLiteral("imageMetrics.StoryboardRows")),
        QStringLiteral("imageMetrics.StoryboardRows = 4"));
    EXPECT_EQ(setting(QStringLiteral("itemsSortDescriptors")),
        QStringLiteral("itemsSortDescriptors = name:asc:compareNumericString:"));

    const CliRun changed = cli({ QStringLiteral("settings"), m_library,
        QStringLiteral("imageMetrics.StoryboardRows=5"),
        QStringLiteral("tableColumnVisibility.size=false"), QStringLiteral("recentlyAddedDays=14"),
        QStringLiteral("itemsSortDescriptors=duration:desc"), QStringLiteral("itemsViewStyle=3") });
    ASSERT_EQ(changed.exitCode, 0) << changed.err.toStdString();
    EXPECT_EQ(setting(QStringLiteral("itemsViewStyle")), QStringLiteral("itemsViewStyle = 3"));
    EXPECT_EQ(setting(QStringLiteral("imageMetrics.StoryboardRows")),
        QStringLiteral("imageMetrics.StoryboardRows = 5"));
    EXPECT_EQ(setting(QStringLiteral("tableColumnVisibility.size")),
        QStringLiteral("tableColumnVisibility.size = false"));
    EXPECT_EQ(setting(QStringLiteral("itemsSortDescriptors")),
        QStringLiteral("itemsSortDescriptors = duration:desc:compare:"));

    for (const QString &bad : { QStringLiteral("imageMetrics.StoryboardRows=99"),
             QStringLiteral("imageMetrics.Foo=1"), QStringLiteral("recentlyAddedDays=soon"),
             QStringLiteral("noSuchSetting=1"), QStringLiteral("keywordFilterSortOrder=size"),
             QStringLiteral("windowMetrics=[1]"), QStringLiteral("itemsViewStyle=0") }) {
        const CliRun refused = cli(
            { QStringLiteral("settings"), m_library, QStringLiteral("recentlyAddedDays=3"), bad });
        EXPECT_NE(refused.exitCode, 0) << bad.toStdString();
        EXPECT_FALSE(refused.err.isEmpty()) << bad.toStdString();
    }
    EXPECT_EQ(
        setting(QStringLiteral("recentlyAddedDays")), QStringLiteral("recentlyAddedDays = 14"));
}
