#include "document/document.h"
#include "document/documentmigration.h"
#include "model/medialibrary.h"
#include "model/mediaplaylist.h"
#include "model/mediauserfield.h"
#include "platform/plist/keyedarchiver.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

using namespace vidarium;

namespace {

// A second-format package: the current catalogue with "Elements" for "Media",
// format 4, no "Posters" folder, one entry that is no element.
QString makeSecondFormatPackage(const test::ScratchDir &dir, QString *elementIdentifier)
{
    Document source;
    MediaLibrary &library = source.library();
    MediaElementPtr element = MediaElement::create(&library, QStringLiteral("/videos/kept.mov"));
    element->setRating(3);
    library.setMedia({ { element->identifier(), element } });
    library.createFieldWithName(QStringLiteral("Scene"));
    library.createPlaylist(QStringLiteral("Mine"), std::nullopt, { element });
    *elementIdentifier = element->identifier();

    PlistDictionary root = source.catalogueRoot();
    PlistDictionary elements = root.take(QStringLiteral("Media")).toDictionary();
    elements.insert(QStringLiteral("stray"), QStringLiteral("not an element"));
    root.insert(QStringLiteral("Elements"), elements);
    root.insert(QStringLiteral("Format"), qint64(4));

    const QString package = dir.filePath(QStringLiteral("Second.vidarium"));
    const QString thumbnailFolder = package + QStringLiteral("/Thumbnails/")
        + element->identifier().at(0) + QLatin1Char('/') + element->identifier().at(1);
    QDir().mkpath(thumbnailFolder);
    QFile thumbnail(thumbnailFolder + QLatin1Char('/') + element->identifier());
    EXPECT_TRUE(thumbnail.open(QIODevice::WriteOnly));
    thumbnail.write("thumbnail bytes");
    thumbnail.close();
    QFile file(package + QStringLiteral("/com.tallowmere.vidarium.collection.plist"));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(KeyedArchiver::archivedData(PlistValue(root)));
    return package;
}

} // namespace

TEST(DocumentMigrationV2, ReadsElementsFieldsAndUserCollectionsWithVersionAlert)
{
    test::ScratchDir dir;
    QString identifier;
    const QString package = makeSecondFormatPackage(dir, &identifier);

    DocumentMigration::registerLegacyReaders();
    Document document;
    ASSERT_TRUE(document.readFromPath(package).ok());
    EXPECT_TRUE(document.versionAlert());
    const MediaLibrary &library = document.library();
    ASSERT_EQ(library.media().size(), 1);
    EXPECT_EQ(library.media().value(identifier)->rating(), 3);
    EXPECT_EQ(library.userFields().size(), 1);
    int userCollections = 0;
    for (const MediaPlaylistPtr &playlist : library.playlists())
        userCollections += playlist->type() == MediaPlaylist::TypeUser;
    EXPECT_EQ(userCollections, 1);

    // The library keeps its package: its images are read from there, and saving
    // writes into it, adding the poster folders.
    EXPECT_TRUE(document.hasPackage());
    EXPECT_EQ(document.library().thumbnailDataForElement(*library.media().value(identifier)),
        QByteArray("thumbnail bytes"));
    ASSERT_TRUE(document.save().ok());
    EXPECT_TRUE(QFileInfo(package + QStringLiteral("/Posters/F/A")).isDir());
    Document reread;
    ASSERT_TRUE(reread.readFromPath(package).ok());
    EXPECT_FALSE(reread.versionAlert());
    EXPECT_EQ(reread.library().thumbnailDataForElement(*reread.library().media().value(identifier)),
        QByteArray("thumbnail bytes"));
}

TEST(DocumentMigrationV2, CatalogueThatIsNoDictionaryFails)
{
    test::ScratchDir dir;
    const QString package = dir.filePath(QStringLiteral("Odd.vidarium"));
    QDir().mkpath(package);
    QFile file(package + QStringLiteral("/com.tallowmere.vidarium.collection.plist"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(KeyedArchiver::archivedData(PlistValue(PlistArray { qint64(1) })));
    file.close();

    DocumentMigration::registerLegacyReaders();
    Document document;
    EXPECT_FALSE(document.readFromPath(package).ok());
}
