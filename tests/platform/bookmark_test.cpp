#include "platform/bookmark.h"
#include "platform/fileidentity.h"

#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QSet>

#include <gtest/gtest.h>

#include <unistd.h>

#include <unordered_set>

using namespace vidarium;
using vidarium::test::ScratchDir;

namespace {

void writeFile(const QString &path, const QByteArray &content = QByteArrayLiteral("movie data"))
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << qPrintable(path);
    file.write(content);
}

} // namespace

TEST(FileIdentity, NamesTheFileNotThePath)
{
    ScratchDir scratch;
    const QString a = scratch.filePath(QStringLiteral("a.mov"));
    const QString b = scratch.filePath(QStringLiteral("b.mov"));
    writeFile(a);
    writeFile(b);
    ASSERT_EQ(::link(QFile::encodeName(a).constData(),
                  QFile::encodeName(scratch.filePath(QStringLiteral("hard.mov"))).constData()),
        0);
    ASSERT_TRUE(QFile::link(a, scratch.filePath(QStringLiteral("soft.mov"))));

    const auto idA = FileIdentity::ofPath(a);
    ASSERT_TRUE(idA.ok());
    EXPECT_TRUE(idA->isValid());
    EXPECT_EQ(*idA, *FileIdentity::ofPath(scratch.filePath(QStringLiteral("hard.mov"))));
    EXPECT_EQ(*idA, *FileIdentity::ofPath(scratch.filePath(QStringLiteral("soft.mov"))));
    EXPECT_NE(*idA, *FileIdentity::ofPath(b));

    // Usable as a key in both Qt and standard containers.
    QSet<FileIdentity> qtSet { *idA, *FileIdentity::ofPath(b), *idA };
    std::unordered_set<FileIdentity> stdSet { *idA, *FileIdentity::ofPath(b), *idA };
    EXPECT_EQ(qtSet.size(), 2);
    EXPECT_EQ(stdSet.size(), 2u);

    const auto missing = FileIdentity::ofPath(scratch.filePath(QStringLiteral("gone.mov")));
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().code(), Error::Code::NotFound);
    EXPECT_FALSE(FileIdentity::ofPath(QString()).ok());
}

TEST(Bookmark, ResolvesAFileThatStayedPutAsNotStale)
{
    ScratchDir scratch;
    const QString path = scratch.filePath(QStringLiteral("Films/clip.mov"));
    writeFile(path);
    const QByteArray bookmark = Bookmark::create(path);
    ASSERT_FALSE(bookmark.isEmpty());
    EXPECT_EQ(Bookmark::recordedPath(bookmark), path);

    const auto resolution = Bookmark::resolve(bookmark);
    ASSERT_TRUE(resolution.has_value());
    EXPECT_EQ(resolution->path, path);
    EXPECT_FALSE(resolution->stale);

    // A relative path is recorded as the absolute one.
    const QString previous = QDir::currentPath();
    QDir::setCurrent(scratch.path());
    const QByteArray relative = Bookmark::create(QStringLiteral("Films/../Films/clip.mov"));
    QDir::setCurrent(previous);
    EXPECT_EQ(Bookmark::recordedPath(relative), path);

    EXPECT_TRUE(Bookmark::create(scratch.filePath(QStringLiteral("none.mov"))).isEmpty());
    EXPECT_TRUE(Bookmark::create(QString()).isEmpty());
}

TEST(Bookmark, FindsAFileRenamedOrMovedNearby)
{
    struct Case
    {
        const char *what;
        const char *from;
        const char *to;
        const char *renameFolderTo; // when the file's folder itself is renamed
    };
    const Case cases[] = {
        { "renamed in its folder", "Films/2019/clip.mov", "Films/2019/Holiday.mov", nullptr },
        { "moved into a subfolder", "Films/2019/clip.mov", "Films/2019/Best/clip.mov", nullptr },
        { "moved up to the parent", "Films/2019/clip.mov", "Films/clip.mov", nullptr },
        { "moved to a sibling folder", "Films/2019/clip.mov", "Films/2020/renamed.mov", nullptr },
        { "its folder renamed", "Films/2019/clip.mov", nullptr, "Films/Summer 2019" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDir scratch;
        const QString from = scratch.filePath(QString::fromUtf8(c.from));
        writeFile(from);
        writeFile(scratch.filePath(QStringLiteral("Films/2020/other.mov")), "other");
        writeFile(scratch.filePath(QStringLiteral("Films/2019/neighbour.mov")), "neighbour");
        const QByteArray bookmark = Bookmark::create(from);
        ASSERT_FALSE(bookmark.isEmpty());

        QString expected;
        if (c.renameFolderTo) {
            const QString folderTo = scratch.filePath(QString::fromUtf8(c.renameFolderTo));
            ASSERT_TRUE(QDir().rename(QFileInfo(from).absolutePath(), folderTo));
            expected = folderTo + QStringLiteral("/") + QFileInfo(from).fileName();
        } else {
            expected = scratch.filePath(QString::fromUtf8(c.to));
            QDir().mkpath(QFileInfo(expected).absolutePath());
            ASSERT_TRUE(QFile::rename(from, expected));
        }

        const auto resolution = Bookmark::resolve(bookmark);
        ASSERT_TRUE(resolution.has_value());
        EXPECT_EQ(resolution->path, expected);
        EXPECT_TRUE(resolution->stale);
        EXPECT_EQ(Bookmark::resolvePath(bookmark), expected);
    }
}

TEST(Bookmark, AFileThatIsGoneGivesNothing)
{
    ScratchDir scratch;
    const QString path = scratch.filePath(QStringLiteral("Films/clip.mov"));
    writeFile(path);
    const QByteArray bookmark = Bookmark::create(path);
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_FALSE(Bookmark::resolve(bookmark).has_value());

    // Moved far away (beyond the nearby folders searched): not found either.
    const QString far = scratch.filePath(QStringLiteral("a/b/c/d/far.mov"));
    writeFile(far);
    const QByteArray farBookmark = Bookmark::create(far);
    ASSERT_TRUE(QDir().mkpath(scratch.filePath(QStringLiteral("x/y/z"))));
    ASSERT_TRUE(QFile::rename(far, scratch.filePath(QStringLiteral("x/y/z/far.mov"))));
    EXPECT_FALSE(Bookmark::resolve(farBookmark).has_value());

    // The whole folder tree gone.
    ASSERT_TRUE(QDir(scratch.filePath(QStringLiteral("Films"))).removeRecursively());
    EXPECT_FALSE(Bookmark::resolvePath(bookmark).has_value());
}

TEST(Bookmark, AFileWrittenInPlaceOfTheOldOneIsStillFound)
{
    ScratchDir scratch;
    const QString path = scratch.filePath(QStringLiteral("clip.mov"));
    writeFile(path, "first version");
    const QByteArray bookmark = Bookmark::create(path);
    // Save by writing a new file and renaming it over the old one.
    const QString temporary = scratch.filePath(QStringLiteral(".clip.mov.tmp"));
    writeFile(temporary, "second version, longer");
    ASSERT_TRUE(
        ::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData())
        == 0);
    const auto resolution = Bookmark::resolve(bookmark);
    ASSERT_TRUE(resolution.has_value());
    EXPECT_EQ(resolution->path, path);
}

TEST(Bookmark, DamagedBytesGiveNothingAndNeverCrash)
{
    ScratchDir scratch;
    const QString path = scratch.filePath(QStringLiteral("clip.mov"));
    writeFile(path);
    const QByteArray good = Bookmark::create(path);
    ASSERT_TRUE(Bookmark::resolve(good).has_value());

    EXPECT_FALSE(Bookmark::resolve(QByteArray()).has_value());
    EXPECT_FALSE(Bookmark::resolve(QByteArrayLiteral("book\0\0\0\0")).has_value());
    EXPECT_FALSE(Bookmark::recordedPath(QByteArray(100000, 'V')).has_value());

    // Every truncation of a good bookmark is refused.
    for (qsizetype length = 0; length < good.size(); ++length) {
        SCOPED_TRACE(length);
        EXPECT_FALSE(Bookmark::resolve(good.left(length)).has_value());
    }

    // A field length that runs past the end.
    QByteArray overlong = good;
    overlong[10] = char(0xff);
    overlong[11] = char(0xff);
    EXPECT_FALSE(Bookmark::resolve(overlong).has_value());

    // Every single damaged byte either fails cleanly or still names the file.
    for (qsizetype i = 0; i < good.size(); ++i) {
        QByteArray damaged = good;
        damaged[i] = char(damaged[i] ^ 0x5a);
        const auto resolution = Bookmark::resolve(damaged);
        if (resolution)
            EXPECT_FALSE(resolution->path.isEmpty());
    }
}
