#include "platform/filepath.h"

#include "testsupport.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vidarium;
using vidarium::test::ScratchDir;

namespace {

// Creates a file under a name given as bytes, as an old drive would hold it.
void writeRaw(const QByteArray &path, const QByteArray &content = QByteArrayLiteral("data"))
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << path.constData();
    ASSERT_EQ(::write(fd, content.constData(), size_t(content.size())), content.size());
    ::close(fd);
}

} // namespace

TEST(FilePath, EveryByteSequenceSurvivesTheRoundTrip)
{
    struct Case
    {
        QByteArray bytes;
        bool utf8;
    };
    const Case cases[] = {
        { QByteArrayLiteral("plain/ascii.mp4"), true },
        { QByteArrayLiteral("caf\xc3\xa9 \xf0\x9f\x8e\xac.mov"), true }, // with a pair
        { QByteArrayLiteral("\xef\xbb\xbf"
                            "bom"),
            true }, // a BOM Qt would have dropped
        { QByteArrayLiteral("caf\xe9.mp4"), false }, // Latin-1
        { QByteArrayLiteral("\xff\xfe\x80"), false },
        { QByteArrayLiteral("\xc3"), false }, // cut short at the end
        { QByteArrayLiteral("\xc0\xaf"), false }, // overlong slash
        { QByteArrayLiteral("\xed\xb2\x80"), false }, // U+DC80 encoded: not the escape
        { QByteArrayLiteral("\xed\xa0\x80\xed\xb0\x80"), false }, // an encoded pair
        { QByteArrayLiteral("\xf4\x90\x80\x80"), false }, // past U+10FFFF
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.bytes.toHex().constData());
        const QString decoded = decodePath(c.bytes);
        EXPECT_EQ(encodePath(decoded), c.bytes);
        EXPECT_EQ(decodePath(encodePath(decoded)), decoded);
        EXPECT_EQ(hasUndecodableBytes(decoded), !c.utf8);
        if (c.utf8)
            EXPECT_EQ(decoded.toUtf8(), c.bytes);
        else
            EXPECT_EQ(decoded.size(), c.bytes.size()); // one character per byte
    }
    // All 256 byte values in every position pair.
    for (int a = 1; a < 256; ++a) {
        for (int b = 1; b < 256; b += 7) {
            QByteArray bytes;
            bytes.append(char(a)).append(char(b)).append('x');
            ASSERT_EQ(encodePath(decodePath(bytes)), bytes) << a << ' ' << b;
        }
    }
}

TEST(FilePath, EscapesStandForTheirBytesAndShowAsHex)
{
    const QString decoded = decodePath(QByteArrayLiteral("caf\xe9.mp4"));
    EXPECT_EQ(decoded, QStringLiteral("caf") + QChar(char16_t(0xDCE9)) + QStringLiteral(".mp4"));
    EXPECT_EQ(displayPath(decoded), QStringLiteral("caf\\xE9.mp4"));
    EXPECT_EQ(displayPath(QStringLiteral("caf\u00e9.mp4")), QStringLiteral("caf\u00e9.mp4"));
    // A lone surrogate that no name decodes to is written as Qt writes it.
    const QString stray = QStringLiteral("a") + QChar(char16_t(0xD800)) + QStringLiteral("b");
    EXPECT_EQ(encodePath(stray), stray.toUtf8());

    const char *argv[] = { "vidarium-cli", "import", "/tmp/caf\xe9.mp4" };
    const QStringList arguments = decodedArguments(3, argv);
    ASSERT_EQ(arguments.size(), 3);
    EXPECT_EQ(encodePath(arguments.at(2)), QByteArrayLiteral("/tmp/caf\xe9.mp4"));
}

TEST(FilePath, FindsListsAndRenamesFilesQtCannotName)
{
    ScratchDir scratch;
    const QByteArray folder = QFile::encodeName(scratch.path());
    writeRaw(folder + "/caf\xe9.mp4", QByteArrayLiteral("12345"));
    writeRaw(folder + "/plain.mp4");
    writeRaw(folder + "/.hidden.mp4");
    ASSERT_EQ(::mkdir((folder + "/sub\xe9").constData(), 0755), 0);
    ASSERT_EQ(::symlink("nowhere", (folder + "/broken").constData()), 0);
    ASSERT_EQ(::symlink("plain.mp4", (folder + "/link.mp4").constData()), 0);
    ASSERT_EQ(::mkfifo((folder + "/fifo").constData(), 0644), 0);

    const QString latin = scratch.path() + QStringLiteral("/caf") + QChar(char16_t(0xDCE9))
        + QStringLiteral(".mp4");
    EXPECT_FALSE(QFileInfo::exists(latin)); // what the fault was
    EXPECT_TRUE(pathExists(latin));
    EXPECT_TRUE(isRegularFile(latin));
    EXPECT_EQ(fileStatus(latin)->size, 5);
    EXPECT_TRUE(fileStatus(latin)->modified.isValid());
    EXPECT_TRUE(isFolder(decodePath(folder + "/sub\xe9")));
    EXPECT_FALSE(pathExists(decodePath(folder + "/caf\xc3\xa9.mp4")));

    const QList<FolderEntry> entries = folderEntries(scratch.path());
    QStringList names;
    for (const FolderEntry &entry : entries)
        names.append(entry.name + (entry.isFolder ? QStringLiteral("/") : QString())
            + (entry.isLink ? QStringLiteral("@") : QString()));
    EXPECT_EQ(names,
        (QStringList { QStringLiteral(".hidden.mp4"), latin.mid(scratch.path().size() + 1),
            QStringLiteral("link.mp4@"), QStringLiteral("plain.mp4"),
            QStringLiteral("sub") + QChar(char16_t(0xDCE9)) + QStringLiteral("/") }));
    EXPECT_LE(folderEntries(scratch.path(), 2).size(), 2);

    const QString renamed = decodePath(folder + "/th\xe9.mp4");
    EXPECT_FALSE(renamePath(latin, scratch.filePath(QStringLiteral("plain.mp4")))); // no replace
    EXPECT_TRUE(renamePath(latin, renamed));
    EXPECT_FALSE(pathExists(latin));
    EXPECT_EQ(fileStatus(renamed)->size, 5);
}
