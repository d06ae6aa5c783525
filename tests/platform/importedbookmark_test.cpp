#include "platform/bookmark.h"
#include "platform/importedbookmark.h"
#include "platform/volumetable.h"

#include "testsupport.h"

#include <QFile>
#include <QUrl>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace vidarium;

namespace {

// Writes "book" data as the other platform lays it out: a 48-byte header,
// items, and one table of contents naming them.
class BookWriter
{
public:
    quint32 addItem(quint32 type, const QByteArray &bytes)
    {
        const quint32 offset = quint32(m_data.size());
        appendU32(m_data, quint32(bytes.size()));
        appendU32(m_data, type);
        m_data.append(bytes);
        while (m_data.size() % 4)
            m_data.append('\0');
        return offset;
    }
    quint32 addString(const QString &text) { return addItem(0x0101, text.toUtf8()); }
    void setKey(quint32 key, quint32 offset) { m_entries.append({ key, offset }); }

    QByteArray finish() const
    {
        QByteArray data = m_data;
        const quint32 toc = quint32(data.size());
        appendU32(data, quint32(20 + m_entries.size() * 12 - 8));
        appendU32(data, 0xfffffffe);
        appendU32(data, 1);
        appendU32(data, 0);
        appendU32(data, quint32(m_entries.size()));
        for (const auto &[key, offset] : m_entries) {
            appendU32(data, key);
            appendU32(data, offset);
            appendU32(data, 0);
        }
        qToLittleEndian<quint32>(toc, data.data());
        QByteArray out("book", 4);
        appendU32(out, quint32(48 + data.size()));
        appendU32(out, 0x10040000);
        appendU32(out, 48);
        out.append(QByteArray(32, '\0'));
        return out + data;
    }

private:
    static void appendU32(QByteArray &out, quint32 value)
    {
        char bytes[4];
        qToLittleEndian<quint32>(value, bytes);
        out.append(bytes, 4);
    }

    QByteArray m_data = QByteArray(4, '\0'); // the table's offset goes first
    QList<std::pair<quint32, quint32>> m_entries;
};

QByteArray bookFor(const QString &path, const QString &volumePath, const QString &volumeName)
{
    BookWriter writer;
    QByteArray offsets;
    for (const QString &component : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        char bytes[4];
        qToLittleEndian<quint32>(writer.addString(component), bytes);
        offsets.append(bytes, 4);
    }
    writer.setKey(0x1004, writer.addItem(0x0601, offsets));
    writer.setKey(0x2002,
        writer.addItem(
            0x0901, QByteArrayLiteral("file://") + QUrl::toPercentEncoding(volumePath, "/") + "/"));
    writer.setKey(0x2010, writer.addString(volumeName));
    return writer.finish();
}

} // namespace

TEST(ImportedBookmark, ReadsThePathAndVolumeOfABookmarkFromTheOtherPlatform)
{
    const QByteArray book = bookFor(QStringLiteral("/Volumes/Film Archive/2019/Beach Day.mov"),
        QStringLiteral("/Volumes/Film Archive"), QStringLiteral("Film Archive"));
    const auto parsed = ImportedBookmark::parse(book);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->path, QStringLiteral("/Volumes/Film Archive/2019/Beach Day.mov"));
    EXPECT_EQ(parsed->volumePath, QStringLiteral("/Volumes/Film Archive"));
    EXPECT_EQ(parsed->volumeName, QStringLiteral("Film Archive"));
    EXPECT_EQ(Bookmark::recordedPath(book), parsed->path);
    // Not mounted here: nothing, as for any bookmark that does not resolve.
    EXPECT_FALSE(Bookmark::resolve(book).has_value());

    // Truncated or damaged data never crashes and never invents a path.
    for (qsizetype length = 0; length < book.size(); ++length)
        EXPECT_FALSE(ImportedBookmark::parse(book.left(length)).has_value()) << length;
    for (qsizetype i = 4; i < book.size(); ++i) {
        QByteArray damaged = book;
        damaged[i] = char(damaged[i] ^ 0xa5);
        if (const auto result = ImportedBookmark::parse(damaged))
            EXPECT_TRUE(result->path.startsWith(QLatin1Char('/')));
    }
}

TEST(ImportedBookmark, FindsTheFileOnTheSameDriveMountedHere)
{
    test::ScratchDir scratch;
    const QString file = scratch.filePath(QStringLiteral("Beach Day.mov"));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.close();

    // Where the file is now, described as the other machine saw the drive.
    const VolumeInfo *volume = VolumeTable::current()->volumeForPath(file);
    ASSERT_NE(volume, nullptr);
    const QString name = volume->displayName();
    const QString relative
        = volume->mountPoint == QLatin1String("/") ? file : file.mid(volume->mountPoint.size());
    const QString foreignRoot = QStringLiteral("/Volumes/") + name;
    const QByteArray book = bookFor(foreignRoot + relative, foreignRoot, name);

    const auto resolution = Bookmark::resolve(book);
    if (!volume->isUserVisible()) {
        EXPECT_FALSE(resolution.has_value());
        return;
    }
    ASSERT_TRUE(resolution.has_value());
    EXPECT_EQ(resolution->path, file);
    EXPECT_TRUE(resolution->stale);

    // A bookmark whose path exists as it stands is used as it is.
    const QByteArray local = bookFor(file, QStringLiteral("/"), QStringLiteral("Macintosh HD"));
    ASSERT_TRUE(Bookmark::resolve(local).has_value());
    EXPECT_EQ(Bookmark::resolve(local)->path, file);
    EXPECT_FALSE(Bookmark::resolve(local)->stale);
}
