#include "document/document.h"
#include "document/documentmigration.h"
#include "document/documentmigrationv1.h"
#include "model/medialibrary.h"
#include "model/mediaplaylist.h"
#include "model/mediauserfield.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

using namespace vidarium;

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QString fieldIdentifier(const MediaLibrary &library, const QString &name)
{
    for (const MediaUserFieldPtr &field : library.userFields()) {
        if (field->name() == name)
            return field->identifier();
    }
    return QString();
}

MediaPlaylistPtr userPlaylist(const MediaLibrary &library, const QString &name)
{
    for (const MediaPlaylistPtr &playlist : library.playlists()) {
        if (playlist->type() == MediaPlaylist::TypeUser && playlist->name() == name)
            return playlist;
    }
    return nullptr;
}

} // namespace

TEST(DocumentMigrationV1, MigratesElementsFieldsAndCollections)
{
    // Made by tests/data/legacy/make_legacy_fixtures.py: two elements, four
    // collections (one built in) and a few damaged records.
    const QString package = test::testDataPath(QStringLiteral("legacy/v1/Old.vidariumlibrary"));
    Document document;
    DocumentMigration::registerLegacyReaders();
    ASSERT_TRUE(document.readFromPath(package).ok());
    EXPECT_FALSE(document.hasPackage()); // the first save writes a new package
    const MediaLibrary &library = document.library();

    EXPECT_EQ(library.userFields().size(), 7);
    const QString genre = fieldIdentifier(library, QStringLiteral("Genre"));
    const QString season = fieldIdentifier(library, QStringLiteral("Season"));
    ASSERT_EQ(library.media().size(), 2);
    MediaElementPtr drama, other;
    for (const MediaElementPtr &element : library.media())
        (element->path() == "/videos/drama.mov" ? drama : other) = element;
    ASSERT_TRUE(drama && other);
    EXPECT_EQ(drama->rating(), 4);
    EXPECT_EQ(drama->playCount(), 7);
    EXPECT_EQ(drama->valueForUndefinedKey(genre), PlistValue(QStringLiteral("Drama")));
    EXPECT_EQ(drama->valueForUndefinedKey(season), PlistValue(QStringLiteral("2")));
    EXPECT_EQ(other->valueForUndefinedKey(genre), PlistValue(QStringLiteral(" ")));

    EXPECT_FALSE(userPlaylist(library, "Library"));
    MediaPlaylistPtr picked = userPlaylist(library, "Picked");
    ASSERT_TRUE(picked);
    EXPECT_FALSE(picked->isSmart());
    EXPECT_EQ(
        picked->elementReferences(), QSet<QString>({ drama->identifier(), other->identifier() }));
    EXPECT_EQ(picked->iconData(), QByteArray("icon bytes"));

    MediaPlaylistPtr good = userPlaylist(library, "Good ones");
    ASSERT_TRUE(good && good->isSmart());
    const Result<Predicate> expected = Predicate::fromFormat(
        QStringLiteral("rating > 3 AND frameRate == 25 AND %K BEGINSWITH[c] 'dr'"), { genre });
    ASSERT_TRUE(expected.ok());
    EXPECT_EQ(good->predicate()->format(), expected->format())
        << qPrintable(good->predicate()->format());
    EXPECT_TRUE(good->iconData().isEmpty()); // a key reaching outside "Icons" names no icon

    MediaPlaylistPtr damaged = userPlaylist(library, "Damaged");
    ASSERT_TRUE(damaged);
    EXPECT_FALSE(damaged->isSmart());
    // Criteria that are not a compound are not taken over.
    ASSERT_TRUE(userPlaylist(library, "Plain"));
    EXPECT_FALSE(userPlaylist(library, "Plain")->isSmart());
}

TEST(DocumentMigrationV1, PredicateTranslationKeepsOnlyDirectMappedComparisons)
{
    MediaLibrary library;
    DocumentMigrationV1 migration(library);
    migration.createLegacyFields();
    const QString scene = fieldIdentifier(library, QStringLiteral("Scene"));

    const auto translated = [&](const QString &format) -> QString {
        const std::optional<Predicate> result
            = migration.predicateWithLegacyPredicate(*Predicate::parse(format));
        return result ? result->format() : QStringLiteral("<none>");
    };
    EXPECT_EQ(
        translated("Width >= 1920 OR Height < 720"), "pixelsWide >= 1920 OR pixelsHigh < 720");
    EXPECT_EQ(translated("NOT (Size > 1000)"), "NOT size > 1000");
    EXPECT_EQ(translated("Scene == '12' AND (Rating > 1 OR Rating < 5)"),
        Predicate::fromFormat("%K == '12'", { scene })->format());
    EXPECT_EQ(translated("Rating > 3"), "<none>"); // not a compound
    EXPECT_EQ(migration.keyPathWithLegacyKeyPath("ImportedDate"), "importedDate");
    EXPECT_TRUE(migration.keyPathWithLegacyKeyPath("Mood").isEmpty());
}

TEST(DocumentMigrationV1, UnreadableCatalogueStillGivesTheLegacyFields)
{
    test::ScratchDir dir;
    const QString package = dir.filePath(QStringLiteral("Broken.vidariumlibrary"));
    writeFile(
        package + "/com.tallowmere.vidarium.library.plist", QByteArray("bplist00 not really"));
    MediaLibrary library;
    DocumentMigrationV1 migration(library);
    migration.readFromPackage(package);
    EXPECT_EQ(library.userFields().size(), 7);
    EXPECT_TRUE(library.media().isEmpty());
}
