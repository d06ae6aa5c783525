#include "platform/applicationlauncher.h"

#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

using namespace vidarium;
using vidarium::test::ScratchDir;

TEST(ApplicationLauncher, ListsAndLaunchesTheApplicationsForAFileType)
{
    // The desktop registry is read once per process: point it at a scratch
    // folder holding one handler for QuickTime movies before anything asks,
    // and keep that folder for the whole run.
    static ScratchDir scratch;
    const QString dataHome = scratch.filePath(QStringLiteral("share"));
    QDir().mkpath(dataHome + QStringLiteral("/applications"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome));
    const QString received = scratch.filePath(QStringLiteral("received.txt"));
    QFile::remove(received);
    QFile desktop(dataHome + QStringLiteral("/applications/vidarium-test-player.desktop"));
    ASSERT_TRUE(desktop.open(QIODevice::WriteOnly));
    desktop.write("[Desktop Entry]\nType=Application\nName=Test Player\nIcon=video-x-generic\n"
                  "MimeType=video/quicktime;\nExec=/bin/sh -c 'echo \"$1\" > \""
        + QFile::encodeName(received) + "\"' sh %f\n");
    desktop.close();
    // Desktops keep the type-to-handler index in this cache (update-desktop-database).
    QFile cache(dataHome + QStringLiteral("/applications/mimeinfo.cache"));
    ASSERT_TRUE(cache.open(QIODevice::WriteOnly));
    cache.write("[MIME Cache]\nvideo/quicktime=vidarium-test-player.desktop;\n");
    cache.close();

    EXPECT_EQ(ApplicationLauncher::contentTypeForExtension(QStringLiteral("mov")),
        QStringLiteral("video/quicktime"));
    EXPECT_TRUE(ApplicationLauncher::contentTypeForExtension(QString()).isEmpty());

    const QList<ApplicationInfo> handlers
        = ApplicationLauncher::applicationsForExtension(QStringLiteral("mov"));
    const ApplicationInfo expected { QStringLiteral("vidarium-test-player.desktop"),
        QStringLiteral("Test Player"), QStringLiteral("video-x-generic") };
    QStringList seen;
    for (const ApplicationInfo &handler : handlers)
        seen.append(handler.identifier + QLatin1Char('|') + handler.name + QLatin1Char('|')
            + handler.iconName);
    EXPECT_TRUE(handlers.contains(expected)) << qPrintable(seen.join(QLatin1Char(',')));

    const QString movie = scratch.filePath(QStringLiteral("my clip.mov"));
    QFile file(movie);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const Result<void> launched = ApplicationLauncher::openWithApplication(
        movie, QStringLiteral("vidarium-test-player.desktop"));
    ASSERT_OK(launched);
    ASSERT_TRUE(QTest::qWaitFor([&] {
        QFile out(received);
        return out.open(QIODevice::ReadOnly) && out.readAll().trimmed() == QFile::encodeName(movie);
    }));

    const Result<void> unknown
        = ApplicationLauncher::openWithApplication(movie, QStringLiteral("no-such-app.desktop"));
    ASSERT_FALSE(unknown.ok());
    EXPECT_EQ(unknown.error().code(), Error::Code::NotFound);
    const Result<void> missing
        = ApplicationLauncher::openWithApplication(scratch.filePath(QStringLiteral("gone.mov")),
            QStringLiteral("vidarium-test-player.desktop"));
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().code(), Error::Code::NotFound);
    EXPECT_FALSE(ApplicationLauncher::openWithDefaultApplication(QString()).ok());
}
