#include "document/document.h"
#include "document/package.h"

#include "model/documentdefaults.h"
#include "platform/plist/keyedarchive.h"
#include "testsupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace vidarium;
using vidarium::test::readFile;
using vidarium::test::ScratchDir;
using vidarium::test::touch;

namespace {

// The lock file of a document that may still save the package is left out.
QStringList filesBelow(const QString &root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = QDir(root).relativeFilePath(it.next());
        if (file != LibraryLock::FileName)
            files.append(file);
    }
    files.sort();
    return files;
}

QString imagePath(const Document &document, ElementImage image, const QString &identifier)
{
    return document.filePath() + QLatin1Char('/') + Package::relativeImagePath(image, identifier);
}

} // namespace

TEST(Package, NewLibrarySavedOnceHasExactlyTheLayout)
{
    ScratchDir scratch;
    const QString path = scratch.filePath(QStringLiteral("New.vidarium"));
    {
        Document document;
        ASSERT_TRUE(document.writeToPath(path).ok());
        EXPECT_TRUE(document.holdsLock());
    }

    QDir package(path);
    EXPECT_EQ(package.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name),
        (QStringList { QStringLiteral("Filmstrips"), QStringLiteral("Icons"),
            QStringLiteral("Posters"), QStringLiteral("Storyboards"), QStringLiteral("Thumbnails"),
            Package::CatalogueFileName }));
    EXPECT_TRUE(QDir(path + QStringLiteral("/Icons"))
                    .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    EXPECT_EQ(filesBelow(path), QStringList { Package::CatalogueFileName });
    const QStringList digits
        = QString::fromLatin1("0 1 2 3 4 5 6 7 8 9 A B C D E F").split(QLatin1Char(' '));
    for (int kind = 0; kind < ElementImageCount; ++kind) {
        const QString folder = path + QLatin1Char('/') + Package::folderName(ElementImage(kind));
        SCOPED_TRACE(folder.toStdString());
        QStringList sorted = digits;
        sorted.sort();
        EXPECT_EQ(
            QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name), sorted);
        int leaves = 0;
        QDirIterator it(folder, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString sub = it.next();
            if (QDir(folder).relativeFilePath(sub).count(QLatin1Char('/')) == 1) {
                ++leaves;
                EXPECT_TRUE(
                    QDir(sub).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
            }
        }
        EXPECT_EQ(leaves, 256);
    }
}

TEST(Package, ImagePathsAreShardedAndOnlyForSafeIdentifiers)
{
    EXPECT_EQ(Package::relativeImagePath(
                  ElementImage::Thumbnail, QStringLiteral("3F2504E0-4F89-11D3-9A0C-0305E82C3301")),
        QStringLiteral("Thumbnails/3/F/3F2504E0-4F89-11D3-9A0C-0305E82C3301"));
    const QStringList unsafe = { QStringLiteral("../../../../etc/passwd"),
        QStringLiteral("3f2504e0-4f89-11d3-9a0c-0305e82c3301"), QStringLiteral(""),
        QStringLiteral("3F2504E0/4F89-11D3-9A0C-0305E82C3301"),
        QStringLiteral("3F2504E0-4F89-11D3-9A0C-0305E82C33011") };
    for (const QString &identifier : unsafe) {
        SCOPED_TRACE(identifier.toStdString());
        EXPECT_TRUE(Package::relativeImagePath(ElementImage::Poster, identifier).isEmpty());
    }
}

TEST(Package, ImageSavedTwiceLeavesOneFileAndIsReadLazily)
{
    ScratchDir scratch;
    const QString video = touch(scratch.filePath(QStringLiteral("a.mp4")));
    const QString path = scratch.filePath(QStringLiteral("Images.vidarium"));
    QString identifier;
    {
        Document document;
        const MediaElementPtr element = document.importMediaFilesNow({ video }).value(0);
        ASSERT_TRUE(element);
        identifier = element->identifier();
        element->addAssets(AssetThumbnail);
        element->library()->setThumbnailData("first", *element);
        ASSERT_TRUE(document.writeToPath(path).ok());
        EXPECT_TRUE(
            document.library().imageStore().pendingImages(ElementImage::Thumbnail).isEmpty());
        EXPECT_EQ(readFile(imagePath(document, ElementImage::Thumbnail, identifier)),
            QByteArray("first"));

        element->library()->setThumbnailData("second", *element);
        ASSERT_TRUE(document.save().ok());
        EXPECT_EQ(filesBelow(path + QStringLiteral("/Thumbnails")).size(), 1);
        EXPECT_EQ(readFile(imagePath(document, ElementImage::Thumbnail, identifier)),
            QByteArray("second"));
    }
    Document reopened;
    ASSERT_TRUE(reopened.readFromPath(path).ok());
    const MediaElementPtr element = reopened.library().elementWithIdentifier(identifier);
    ASSERT_TRUE(element);
    EXPECT_TRUE(reopened.library().imageStore().pendingImages(ElementImage::Thumbnail).isEmpty());
    EXPECT_EQ(element->library()->thumbnailDataForElement(*element), QByteArray("second"));
}

TEST(Package, EmptyingTheTrashAndSavingRemovesImageFiles)
{
    ScratchDir scratch;
    Document document;
    const MediaElementList elements
        = document.importMediaFilesNow({ touch(scratch.filePath(QStringLiteral("a.mp4"))),
            touch(scratch.filePath(QStringLiteral("b.mp4"))) });
    ASSERT_EQ(elements.size(), 2);
    for (const MediaElementPtr &element : elements) {
        element->library()->setPosterData("poster", *element);
        element->library()->setFilmstripData("strip", *element);
    }
    const QString path = scratch.filePath(QStringLiteral("Trash.vidarium"));
    ASSERT_TRUE(document.writeToPath(path).ok());
    EXPECT_EQ(filesBelow(path).size(), 1 + 4);

    document.library().trashElement(elements[0]);
    document.library().emptyTrash(false);
    // Until the save, the package still holds them on disk (the old catalogue names them).
    EXPECT_TRUE(
        QFileInfo::exists(imagePath(document, ElementImage::Poster, elements[0]->identifier())));
    ASSERT_TRUE(document.save().ok());
    EXPECT_FALSE(
        QFileInfo::exists(imagePath(document, ElementImage::Poster, elements[0]->identifier())));
    EXPECT_FALSE(
        QFileInfo::exists(imagePath(document, ElementImage::Filmstrip, elements[0]->identifier())));
    EXPECT_TRUE(
        QFileInfo::exists(imagePath(document, ElementImage::Poster, elements[1]->identifier())));
    EXPECT_TRUE(QFileInfo::exists(elements[0]->path())); // the video itself stays
}

TEST(Package, SaveAsCarriesTheImagesAlong)
{
    ScratchDir scratch;
    Document document;
    const MediaElementPtr element
        = document.importMediaFilesNow({ touch(scratch.filePath(QStringLiteral("a.mp4"))) })
              .value(0);
    element->library()->setStoryboardData("board", *element);
    ASSERT_TRUE(document.writeToPath(scratch.filePath(QStringLiteral("One.vidarium"))).ok());
    const QString copy = scratch.filePath(QStringLiteral("Two.vidarium"));
    ASSERT_TRUE(document.writeToPath(copy).ok());
    EXPECT_EQ(document.filePath(), QFileInfo(copy).absoluteFilePath());
    EXPECT_EQ(readFile(imagePath(document, ElementImage::Storyboard, element->identifier())),
        QByteArray("board"));
    EXPECT_EQ(QDir(scratch.path())
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                  .size(),
        3);
}

TEST(Package, FailedSaveKeepsTheOldCatalogueAndTheChanges)
{
    ScratchDir scratch;
    Document document;
    const MediaElementPtr element
        = document.importMediaFilesNow({ touch(scratch.filePath(QStringLiteral("a.mp4"))) })
              .value(0);
    const QString path = scratch.filePath(QStringLiteral("Fail.vidarium"));
    ASSERT_TRUE(document.writeToPath(path).ok());
    const QByteArray catalogue = readFile(path + QLatin1Char('/') + Package::CatalogueFileName);

    // A file where the image's leaf folder should be: the image cannot be written.
    const QString leaf
        = QFileInfo(imagePath(document, ElementImage::Thumbnail, element->identifier())).path();
    ASSERT_TRUE(QDir(leaf).removeRecursively());
    touch(leaf);
    element->library()->setThumbnailData("thumb", *element);
    element->setRating(4);
    document.updateChangeCount(Document::Change::Done);

    const Result<void> saved = document.save();
    ASSERT_FALSE(saved.ok());
    EXPECT_FALSE(saved.error().message().isEmpty());
    EXPECT_TRUE(document.isDocumentEdited());
    EXPECT_EQ(document.library()
                  .imageStore()
                  .pendingImages(ElementImage::Thumbnail)
                  .value(element->identifier()),
        QByteArray("thumb"));
    EXPECT_EQ(readFile(path + QLatin1Char('/') + Package::CatalogueFileName), catalogue);

    // Saving somewhere impossible also fails cleanly.
    EXPECT_FALSE(document
                     .writeToPath(touch(scratch.filePath(QStringLiteral("plain")))
                         + QStringLiteral("/Lib.vidarium"))
                     .ok());

    ASSERT_TRUE(QFile::remove(leaf));
    ASSERT_TRUE(document.save().ok());
    Document reopened;
    ASSERT_TRUE(reopened.readFromPath(path).ok());
    EXPECT_EQ(reopened.library().elementWithIdentifier(element->identifier())->rating(), 4);
}
