// The screen between the tests and the user's own settings and home folder.

#include "platform/userdefaults.h"
#include "settingsisolation.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

using namespace vidarium;

namespace {

QString accountHome()
{
    const passwd *entry = ::getpwuid(::getuid());
    return entry && entry->pw_dir ? QFile::decodeName(entry->pw_dir) : QString();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

TEST(SettingsIsolation, TestsSeeATemporaryHomeAndSettingsFolder)
{
    const QString temporary = QDir::tempPath() + QLatin1Char('/');
    for (const char *variable : { "HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME" }) {
        SCOPED_TRACE(variable);
        EXPECT_TRUE(qEnvironmentVariable(variable).startsWith(temporary));
    }
    EXPECT_NE(QDir::homePath(), accountHome());

    UserDefaults &standard = UserDefaults::standard();
    EXPECT_TRUE(standard.fileName().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")))
        << standard.fileName().toStdString();
    standard.setBool(QStringLiteral("SettingsIsolationProbe"), true);
    ASSERT_TRUE(standard.synchronize());
    EXPECT_TRUE(QFile::exists(standard.fileName()));
    standard.removeObject(QStringLiteral("SettingsIsolationProbe"));
    standard.synchronize();
}

TEST(FolderSnapshot, NoticesFilesThatAppearChangeOrVanish)
{
    test::ScratchDir scratch;
    const QString folder = scratch.filePath(QStringLiteral("Vidarium"));
    const QString settings = folder + QStringLiteral("/Vidarium.conf");
    const QStringList watched { folder };

    const auto before = test::FolderSnapshot::take(watched);
    EXPECT_TRUE(before.differences(test::FolderSnapshot::take(watched)).isEmpty());
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(writeFile(settings, "[General]\nA=1\n"));
    EXPECT_EQ(before.differences(test::FolderSnapshot::take(watched)),
        (QStringList { folder, settings }));

    const auto written = test::FolderSnapshot::take(watched);
    ASSERT_TRUE(writeFile(settings, "[General]\nA=2\n")); // same size, other bytes
    EXPECT_EQ(written.differences(test::FolderSnapshot::take(watched)), QStringList { settings });

    const auto changed = test::FolderSnapshot::take(watched);
    ASSERT_TRUE(QFile::remove(settings));
    EXPECT_EQ(changed.differences(test::FolderSnapshot::take(watched)), QStringList { settings });
}
