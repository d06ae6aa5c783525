#include "document/documentexport.h"
#include "document/tabdelimitedexport.h"
#include "model/medialibrary.h"
#include "model/mediauserfield.h"
#include "platform/filepath.h"
#include "platform/plist/sortdescriptor.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <fcntl.h>

using namespace vidarium;

namespace {

MediaElementPtr addElement(MediaLibrary &library, const QString &path)
{
    MediaElementPtr element = MediaElement::create(&library, path);
    ElementDictionary media = library.media();
    media.insert(element->identifier(), element);
    library.setMedia(media);
    return element;
}

QString fromUtf16LE(const QByteArray &bytes)
{
    return QString(reinterpret_cast<const QChar *>(bytes.constData()), bytes.size() / 2);
}

} // namespace

TEST(TabDelimitedExport, HeaderAndRowsHaveOneColumnPerPropertyAndActiveField)
{
    MediaLibrary library;
    const QString scene = library.createFieldWithName(QStringLiteral("Scene"))->identifier();
    library.createFieldWithName(QStringLiteral("Take"));
    library.createFieldWithName(QStringLiteral("Gone"))->setRemoved(true);

    const QStringList header = TabDelimitedExport::tabDelimitedHeader(library).split('\t');
    ASSERT_EQ(header.size(), 17);
    EXPECT_EQ(header.first(), "Name");
    EXPECT_EQ(header.mid(15), QStringList({ "Scene", "Take" }));

    MediaElementPtr element = addElement(library, QStringLiteral("/videos/holiday clip.mov"));
    element->setValueForUndefinedKey(QStringLiteral("12A"), scene);
    element->setSize(1234567);
    element->setDuration(83.5);
    element->setFrameRate(25);
    element->setPixelsWide(1920);
    element->setPixelsHigh(1080);
    element->setRating(4);
    element->setCreationDate(
        PlistDate::fromDateTime(QDateTime(QDate(2024, 1, 31), QTime(12, 34, 56), Qt::UTC)));

    const QString row = TabDelimitedExport::tabDelimitedRepresentation(*element);
    const QStringList columns = row.split('\t');
    ASSERT_EQ(columns.size(), 17);
    EXPECT_EQ(columns[0], "holiday clip");
    EXPECT_EQ(columns[1], "mov");
    EXPECT_EQ(columns[2], "/videos/holiday clip.mov");
    EXPECT_EQ(columns[3], "1234567");
    EXPECT_EQ(columns[4], "83.5");
    EXPECT_EQ(columns[5], "1920 x 1080");
    EXPECT_EQ(columns[6], "25");
    EXPECT_EQ(columns[9], "2024-01-31 12:34:56 +0000");
    EXPECT_EQ(columns[13], "4");
    EXPECT_EQ(columns[15], "12A");
    EXPECT_TRUE(row.endsWith("\t ")) << qPrintable(row);
}

TEST(TabDelimitedExport, TabsAndLineBreaksInValuesBecomeSpaces)
{
    MediaLibrary library;
    const QString notes
        = library.createFieldWithName(QStringLiteral("Notes\tand more"))->identifier();
    MediaElementPtr element = addElement(library, QStringLiteral("/videos/a.mp4"));
    element->setUserComments(QStringLiteral("first line\nsecond\tline\r\nthird\u2028end"));
    element->setValueForUndefinedKey(QStringLiteral("x\ny"), notes);

    const QString text = TabDelimitedExport::text(library, { element, element });
    const QStringList lines = text.split('\n');
    ASSERT_EQ(lines.size(), 3);
    for (const QString &line : lines)
        EXPECT_EQ(line.count('\t'), 15) << qPrintable(line);
    EXPECT_EQ(lines[0].split('\t').last(), "Notes and more");
    EXPECT_EQ(lines[1].split('\t')[14], "first line second line  third end");
    EXPECT_EQ(lines[1].split('\t')[15], "x y");
}

TEST(TabDelimitedExport, NumbersAreWrittenInPlainDecimal)
{
    EXPECT_EQ(TabDelimitedExport::numberText(0), "0");
    EXPECT_EQ(TabDelimitedExport::numberText(-42), "-42");
    EXPECT_EQ(TabDelimitedExport::numberText(29.97), "29.97");
    EXPECT_EQ(TabDelimitedExport::numberText(30000.0 / 1001.0), "29.97002997002997");
    EXPECT_EQ(TabDelimitedExport::numberText(0.1), "0.1");
    EXPECT_EQ(TabDelimitedExport::numberText(0.00001), "0.00001");
    EXPECT_EQ(TabDelimitedExport::numberText(double(23.976f), true), "23.976");
    EXPECT_EQ(TabDelimitedExport::numberText(1e20), "100000000000000000000");
    EXPECT_EQ(TabDelimitedExport::numberText(1.5e20), "150000000000000000000");
}

TEST(TabDelimitedExport, DatesAreUtcWithWholeSeconds)
{
    EXPECT_EQ(TabDelimitedExport::dateText(PlistDate { 0 }), "2001-01-01 00:00:00 +0000");
    EXPECT_EQ(TabDelimitedExport::dateText(PlistDate { -0.25 }), "2000-12-31 23:59:59 +0000");
    const QDateTime leapDay(QDate(2024, 2, 29), QTime(23, 59, 58, 900), Qt::UTC);
    EXPECT_EQ(TabDelimitedExport::dateText(PlistDate::fromDateTime(leapDay)),
        "2024-02-29 23:59:58 +0000");
    // Across the calendar, the same text as the general date formatting gives.
    for (double seconds = -3.2e10; seconds < 2.5e11; seconds += 7.77e8 + 0.5) {
        const PlistDate date { seconds };
        const QString expected
            = date.toDateTime().toUTC().toString("yyyy-MM-dd HH:mm:ss") + " +0000";
        ASSERT_EQ(TabDelimitedExport::dateText(date), expected) << seconds;
    }
}

TEST(TabDelimitedExport, FileIsUtf16LittleEndianWithMarkAndNoFinalLineFeed)
{
    test::ScratchDir dir;
    MediaLibrary library;
    addElement(library, QStringLiteral("/videos/é.mov"));
    const QString path = dir.filePath(QStringLiteral("export.txt"));
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(
        "previous export, longer than the new one will be ......................................"
        "........................................................................................."
        ".");
    old.close();

    DocumentExport exporter(library);
    ASSERT_TRUE(exporter.exportDatabase(path).ok());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_GE(bytes.size(), 4);
    EXPECT_EQ(bytes.left(2), QByteArray("\xFF\xFE"));
    EXPECT_EQ(bytes.size() % 2, 0);
    const QString text = fromUtf16LE(bytes.mid(2));
    EXPECT_FALSE(text.endsWith('\n'));
    const QStringList lines = text.split('\n');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[1].split('\t').first(), QString::fromUtf8("é"));

    EXPECT_FALSE(exporter.exportDatabase(dir.filePath(QStringLiteral("missing/export.txt"))).ok());
}

TEST(DocumentExport, RangesAreSortedByTheWindowsDescriptors)
{
    MediaLibrary library;
    MediaElementPtr clip10 = addElement(library, QStringLiteral("/v/Clip 10.mov"));
    MediaElementPtr clip9 = addElement(library, QStringLiteral("/v/clip 9.mov"));
    MediaElementPtr other = addElement(library, QStringLiteral("/v/another.mov"));
    clip10->setRating(3);
    clip9->setRating(3);
    other->setRating(5);

    DocumentExport::WindowState window;
    window.selectedElements = { clip10, other };
    window.sortDescriptors = { SortDescriptor::create(QStringLiteral("rating"), false),
        SortDescriptor::create(
            QStringLiteral("name"), true, QStringLiteral("compareNumericString:")) };
    DocumentExport exporter(library, window);
    EXPECT_EQ(exporter.elements(), MediaElementList({ other, clip9, clip10 }));
    exporter.setExportRange(DocumentExport::SelectedItems);
    EXPECT_EQ(exporter.elements(), MediaElementList({ other, clip10 }));
    exporter.setExportRange(DocumentExport::ArrangedItems);
    EXPECT_TRUE(exporter.elements().isEmpty());
    exporter.setExportRange(7);
    EXPECT_TRUE(exporter.elements().isEmpty());

    // Nothing selected: the file holds the header line alone.
    test::ScratchDir dir;
    DocumentExport empty(library);
    empty.setExportRange(DocumentExport::SelectedItems);
    ASSERT_TRUE(empty.exportFiles(DocumentExport::Database, dir.filePath("e.txt")).ok());
    QFile file(dir.filePath("e.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(fromUtf16LE(file.readAll().mid(2)), TabDelimitedExport::tabDelimitedHeader(library));
}

TEST(DocumentExport, ImagesGetUniqueNamesAndNeverOverwrite)
{
    test::ScratchDir dir;
    MediaLibrary library;
    MediaElementPtr first = addElement(library, QStringLiteral("/a/clip.mov"));
    MediaElementPtr second = addElement(library, QStringLiteral("/b/clip.mp4"));
    MediaElementPtr bare = addElement(library, QStringLiteral("/c/bare.mov"));
    library.setPosterData(QByteArray("poster one"), *first);
    library.setPosterData(QByteArray("poster two"), *second);

    EXPECT_EQ(DocumentExport::uniqueFileForElement(*first, dir.path()), dir.filePath("clip.jpg"));
    DocumentExport::WindowState window;
    window.selectedElements = { first, bare, second };
    DocumentExport exporter(library, window);
    exporter.setExportRange(DocumentExport::SelectedItems);
    Result<int> written = exporter.exportImages(ElementImage::Poster, dir.path());
    ASSERT_TRUE(written.ok());
    EXPECT_EQ(*written, 2);
    QStringList files = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(files, QStringList({ "clip.jpg", "clip_1.jpg" }));

    // With clip.jpg already there the next ones take the next free names.
    test::ScratchDir secondDir;
    QFile existing(secondDir.filePath("clip.jpg"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("keep me");
    existing.close();
    ASSERT_TRUE(exporter.exportImages(ElementImage::Poster, secondDir.path()).ok());
    files = QDir(secondDir.path()).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(files, QStringList({ "clip.jpg", "clip_1.jpg", "clip_2.jpg" }));
    QFile kept(secondDir.filePath("clip.jpg"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("keep me"));
    QFile one(secondDir.filePath("clip_1.jpg"));
    ASSERT_TRUE(one.open(QIODevice::ReadOnly));
    EXPECT_EQ(one.readAll(), QByteArray("poster one"));

    EXPECT_FALSE(exporter.exportImages(ElementImage::Poster, secondDir.filePath("absent")).ok());
}

TEST(DocumentExport, ImagesOfFilesNamedInLatin1KeepTheirBytes)
{
    test::ScratchDir dir;
    MediaLibrary library;
    // Two names that differ only in a byte that is not UTF-8: each gets its own image.
    MediaElementPtr e = addElement(library, decodePath("/old/caf\xe9.mov"));
    MediaElementPtr e2 = addElement(library, decodePath("/old/caf\xe8.mov"));
    library.setPosterData(QByteArray("acute"), *e);
    library.setPosterData(QByteArray("grave"), *e2);
    DocumentExport::WindowState window;
    window.selectedElements = { e, e2 };
    DocumentExport exporter(library, window);
    exporter.setExportRange(DocumentExport::SelectedItems);
    Result<int> written = exporter.exportImages(ElementImage::Poster, dir.path());
    ASSERT_TRUE(written.ok());
    EXPECT_EQ(*written, 2);
    QList<QByteArray> names;
    for (const FolderEntry &entry : folderEntries(dir.path()))
        names.append(encodePath(entry.name));
    EXPECT_EQ(names, (QList<QByteArray> { "caf\xe8.jpg", "caf\xe9.jpg" }));
    QFile acute;
    const int fd = ::open((QFile::encodeName(dir.path()) + "/caf\xe9.jpg").constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(acute.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
    EXPECT_EQ(acute.readAll(), QByteArray("acute"));
}
