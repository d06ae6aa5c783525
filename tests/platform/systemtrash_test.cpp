#include "platform/filepath.h"
#include "platform/systemtrash.h"

#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace vidarium;
using vidarium::test::ScratchDir;

namespace {

// Points the desktop trash into a scratch folder for the test's lifetime.
class ScratchHome
{
public:
    explicit ScratchHome(const ScratchDir &scratch)
        : m_home(qgetenv("HOME"))
        , m_dataHome(qgetenv("XDG_DATA_HOME"))
    {
        QDir().mkpath(scratch.filePath(QStringLiteral("home/.local/share")));
        qputenv("HOME", QFile::encodeName(scratch.filePath(QStringLiteral("home"))));
        qputenv("XDG_DATA_HOME",
            QFile::encodeName(scratch.filePath(QStringLiteral("home/.local/share"))));
        m_trash = scratch.filePath(QStringLiteral("home/.local/share/Trash"));
    }
    ~ScratchHome()
    {
        qputenv("HOME", m_home);
        if (m_dataHome.isEmpty())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", m_dataHome);
    }
    const QString &trash() const { return m_trash; }

private:
    QByteArray m_home;
    QByteArray m_dataHome;
    QString m_trash;
};

void writeFile(const QString &path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("movie");
}

} // namespace

TEST(SystemTrash, MovesFilesIntoTheDesktopTrashWithTheirOrigin)
{
    ScratchDir scratch;
    ScratchHome home(scratch);
    const QString path = scratch.filePath(QStringLiteral("home/Videos/clip one.mov"));
    QDir().mkpath(QFileInfo(path).absolutePath());
    writeFile(path);

    const Result<void> result = SystemTrash::moveToTrash(path);
    ASSERT_OK(result);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(QFile::exists(home.trash() + QStringLiteral("/files/clip one.mov")));
    QFile info(home.trash() + QStringLiteral("/info/clip one.mov.trashinfo"));
    ASSERT_TRUE(info.open(QIODevice::ReadOnly));
    EXPECT_TRUE(info.readAll().contains("Path="));

    const Result<void> missing = SystemTrash::moveToTrash(path);
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().code(), Error::Code::NotFound);
}

TEST(SystemTrash, TrashesInTheBackgroundAndSkipsWhatIsMissing)
{
    ScratchDir scratch;
    ScratchHome home(scratch);
    const QString a = scratch.filePath(QStringLiteral("home/a.mov"));
    const QString b = scratch.filePath(QStringLiteral("home/b.mov"));
    writeFile(a);
    writeFile(b);
    SystemTrash::moveToTrashInBackground(
        { a, scratch.filePath(QStringLiteral("home/gone.mov")), b });
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return !QFile::exists(a) && QFile::exists(home.trash() + QStringLiteral("/files/b.mov"));
    }));
    SystemTrash::moveToTrashInBackground({});
}

TEST(SystemTrash, LeavesANameThatIsNotUtf8InPlaceWithAClearError)
{
    ScratchDir scratch;
    ScratchHome home(scratch);
    const QByteArray bytes
        = QFile::encodeName(scratch.filePath(QStringLiteral("home"))) + "/caf\xe9.mov";
    const int fd = ::open(bytes.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);

    const Result<void> result = SystemTrash::moveToTrash(decodePath(bytes));
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().code(), Error::Code::Unsupported); // not "it does not exist"
    EXPECT_TRUE(result.error().message().contains(QLatin1String("caf\\xE9.mov")));
    EXPECT_TRUE(pathExists(decodePath(bytes)));
}
