// Collections: built-in members, static and smart user collections, the repairs
// on loading, stale field references, icons and archive coding.

#include "model/medialibrary.h"
#include "model/mediaplaylist.h"
#include "model/mediauserfield.h"
#include "model/mediauserkeyword.h"
#include "model/playlistcounter.h"
#include "model/predicatecoding.h"
#include "platform/plist/keyedarchive.h"

#include "testsupport.h"

#include <QDateTime>
#include <QFile>

#include <gtest/gtest.h>

using namespace vidarium;

namespace {

class MediaPlaylistTest : public ::testing::Test
{
protected:
    void SetUp() override { MediaPlaylist::registerArchiveCoder(); }

    MediaElementPtr addElement(const QString &path, ElementDictionary &into)
    {
        MediaElementPtr element = MediaElement::create(&m_library, path);
        into.insert(element->identifier(), element);
        return element;
    }
    MediaElementPtr addToMedia(const QString &path)
    {
        ElementDictionary media = m_library.media();
        MediaElementPtr element = addElement(path, media);
        m_library.setMedia(media);
        return element;
    }
    // A file that exists, so the element is not missing.
    QString existingFile(const QString &name)
    {
        const QString path = m_scratch.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        return path;
    }
    static PlistDate hoursAgo(double hours)
    {
        return PlistDate::fromDateTime(
            QDateTime::currentDateTimeUtc().addSecs(qint64(-hours * 3600)));
    }
    static Predicate parsed(const QString &format)
    {
        Result<Predicate> result = Predicate::parse(format);
        EXPECT_OK(result) << format.toStdString();
        return result.ok() ? *result : Predicate::falsePredicate();
    }
    static QSet<QString> identifiers(const MediaElementList &elements)
    {
        QSet<QString> result;
        for (const MediaElementPtr &element : elements)
            result.insert(element->identifier());
        return result;
    }
    // Written into an archive and read back, as a package holds it.
    static MediaPlaylistPtr reloaded(const MediaPlaylistPtr &playlist)
    {
        const QByteArray bytes
            = KeyedArchiver::archivedData(PlistValue(std::shared_ptr<ArchivedObject>(playlist)));
        Result<PlistValue> root = KeyedUnarchiver::unarchive(bytes);
        EXPECT_OK(root);
        return root.ok() ? MediaPlaylist::fromValue(*root) : nullptr;
    }
    MediaPlaylistPtr builtIn(const QString &type) { return m_library.playlistWithType(type); }

    test::ScratchDir m_scratch;
    MediaLibrary m_library;
};

} // namespace

TEST_F(MediaPlaylistTest, RecentlyAddedKeepsSevenDaysToTheHour)
{
    const MediaElementPtr inside = addToMedia(existingFile(QStringLiteral("a.mov")));
    inside->setImportedDate(hoursAgo(6 * 24 + 23));
    const MediaElementPtr outside = addToMedia(existingFile(QStringLiteral("b.mov")));
    outside->setImportedDate(hoursAgo(7 * 24 + 1));
    const MediaElementPtr future = addToMedia(existingFile(QStringLiteral("c.mov")));
    future->setImportedDate(hoursAgo(-2));

    const MediaPlaylistPtr recent = builtIn(MediaPlaylist::TypeRecentlyAdded);
    recent->setRecentPredicate(QStringLiteral("importedDate"), 7);
    EXPECT_EQ(recent->predicate()->format(),
        QStringLiteral("importedDate >= CAST(CAST(now(), \"NSNumber\") - 604800, \"NSDate\")"));
    EXPECT_EQ(identifiers(recent->elements()),
        (QSet<QString> { inside->identifier(), future->identifier() }));
    EXPECT_EQ(recent->count(), 2);
    EXPECT_TRUE(recent->containsElement(*inside));
    EXPECT_FALSE(recent->containsElement(*outside));

    recent->setRecentPredicate(QStringLiteral("importedDate"), 0);
    EXPECT_EQ(identifiers(recent->elements()), QSet<QString> { future->identifier() });
}

TEST_F(MediaPlaylistTest, CountedTogetherAndAfterChangesTheyCountAsEachAlone)
{
    MediaElementList all;
    for (int i = 0; i < 12; ++i) {
        all.append(addToMedia(m_scratch.filePath(QStringLiteral("Clip %1.mov").arg(i))));
        all.last()->setRating(i % 6);
        all.last()->setImportedDate(hoursAgo(i * 24 + 12));
    }
    m_library.trashElement(all.first());
    const MediaUserKeywordPtr sea = m_library.createKeywordWithName(QStringLiteral("Sea"));
    all[2]->addKeywordWithIdentifier(sea->identifier());
    const MediaPlaylistPtr recent = builtIn(MediaPlaylist::TypeRecentlyAdded);
    recent->setRecentPredicate(QStringLiteral("importedDate"), 7);
    const QList<MediaPlaylistPtr> playlists { recent, builtIn(MediaPlaylist::TypeMedia),
        builtIn(MediaPlaylist::TypeTrash),
        m_library.createPlaylist(QStringLiteral("Static"), std::nullopt, all.mid(0, 3)),
        m_library.createPlaylist(QStringLiteral("Good"), parsed(QStringLiteral("rating >= 3"))),
        m_library.createPlaylist(
            QStringLiteral("Bad pattern"), parsed(QStringLiteral("name MATCHES '('"))),
        m_library.createPlaylist(
            QStringLiteral("Nine"), parsed(QStringLiteral("name ENDSWITH ' 9'"))),
        m_library.createPlaylist(QStringLiteral("Sea"),
            parsed(QStringLiteral("ANY userKeywordObjects.name == 'Sea'"))) };
    const auto alone = [&playlists] {
        QList<qsizetype> counts;
        for (const MediaPlaylistPtr &playlist : playlists)
            counts.append(playlist->count());
        return counts;
    };
    PlaylistCounter counter(m_library);
    EXPECT_EQ(counter.countAll(playlists), alone());
    EXPECT_EQ(alone(), (QList<qsizetype> { 6, 11, 1, 3, 6, 0, 1, 1 }));

    // Element by element: only the collections that read a changed key are tested.
    all[4]->setRating(0);
    all[1]->setRating(5);
    EXPECT_EQ(counter.countChanges(playlists, { QStringLiteral("rating") }), alone());
    EXPECT_EQ(counter.lastTested(), 1);
    all[3]->setPath(m_scratch.filePath(QStringLiteral("Take 9.mov")));
    EXPECT_EQ(counter.countChanges(playlists), alone());
    EXPECT_EQ(counter.lastTested(), 1);
    EXPECT_EQ(counter.countChanges(playlists), alone());
    EXPECT_EQ(counter.lastTested(), 0);

    // Newcomers are tested alone when their arrival is all that moved the catalogue.
    const MediaElementPtr newcomer
        = MediaElement::create(&m_library, existingFile(QStringLiteral("Clip 29.mov")));
    newcomer->setRating(4);
    all[6]->setRating(3);
    const MediaElementList joined = m_library.queueElements({ newcomer });
    ASSERT_EQ(joined.size(), 1);
    EXPECT_EQ(counter.countChanges(playlists), alone());
    EXPECT_EQ(alone(), (QList<qsizetype> { 7, 12, 1, 3, 8, 0, 2, 1 }));

    // A keyword renamed: no element announces it, so its readers are counted again.
    sea->setName(QStringLiteral("Ocean"));
    EXPECT_EQ(
        counter.countChanges(playlists, { QStringLiteral("userKeywordObjects.name") }), alone());
    // Elements leaving the catalogue are taken out, coming back tested again,
    // without a pass; new criteria need one.
    m_library.trashElement(all[5]);
    m_library.trashElement(all[7]);
    m_library.restoreElement(all[7]);
    EXPECT_EQ(counter.countChanges(playlists), alone());
    EXPECT_EQ(counter.lastTested(), 4);
    m_library.trashElement(all[8]);
    EXPECT_EQ(counter.countChanges(playlists), alone());
    EXPECT_EQ(counter.lastTested(), 0);
    m_library.restoreElement(all[8]);
    playlists[4]->setPredicate(parsed(QStringLiteral("rating == 0")));
    EXPECT_EQ(counter.countChanges(playlists), alone());
    EXPECT_EQ(alone(), (QList<qsizetype> { 6, 11, 2, 3, 1, 0, 2, 0 }));
}

TEST_F(MediaPlaylistTest, RecentlyPlayedNeverListsAnUnplayedElement)
{
    const MediaElementPtr never = addToMedia(existingFile(QStringLiteral("a.mov")));
    const MediaElementPtr played = addToMedia(existingFile(QStringLiteral("b.mov")));
    played->setLaunchedDate(hoursAgo(1));
    const MediaPlaylistPtr recent = builtIn(MediaPlaylist::TypeRecentlyPlayed);
    recent->setRecentPredicate(QStringLiteral("launchedDate"), 100000);
    EXPECT_EQ(identifiers(recent->elements()), QSet<QString> { played->identifier() });
}

TEST_F(MediaPlaylistTest, MissingListsOnlyMediaAndFavoritesFollowTheRating)
{
    const MediaElementPtr present = addToMedia(existingFile(QStringLiteral("a.mov")));
    const MediaElementPtr gone = addToMedia(m_scratch.filePath(QStringLiteral("never-made.mov")));
    const MediaPlaylistPtr missing = builtIn(MediaPlaylist::TypeMissing);
    EXPECT_EQ(identifiers(missing->elements()), QSet<QString> { gone->identifier() });
    m_library.trashElement(gone);
    EXPECT_TRUE(missing->elements().isEmpty());
    EXPECT_EQ(missing->count(), 0);

    present->setRating(4);
    const MediaPlaylistPtr favorites = builtIn(MediaPlaylist::TypeFavorites);
    favorites->setFavoritesPredicate(4);
    EXPECT_EQ(favorites->predicate()->format(), QStringLiteral("rating >= 4"));
    EXPECT_EQ(favorites->count(), 1);
    favorites->setFavoritesPredicate(5);
    EXPECT_EQ(favorites->count(), 0);
}

TEST_F(MediaPlaylistTest, BuiltInListsComeFromTheLibraryAndIgnoreAdding)
{
    const MediaElementPtr a = addToMedia(existingFile(QStringLiteral("a.mov")));
    const MediaElementPtr b = addToMedia(existingFile(QStringLiteral("b.mov")));
    m_library.trashElement(b);
    const MediaPlaylistPtr all = builtIn(MediaPlaylist::TypeMedia);
    const MediaPlaylistPtr trash = builtIn(MediaPlaylist::TypeTrash);
    EXPECT_TRUE(all->isSmart());
    EXPECT_EQ(identifiers(all->elements()), QSet<QString> { a->identifier() });
    EXPECT_EQ(identifiers(trash->elements()), QSet<QString> { b->identifier() });
    EXPECT_EQ(builtIn(MediaPlaylist::TypeError)->count(), 0);

    all->addElement(*b);
    EXPECT_EQ(all->count(), 1);
    EXPECT_FALSE(all->containsElement(*b));
    const MediaPlaylistPtr smart
        = m_library.createPlaylist(QStringLiteral("Smart"), parsed(QStringLiteral("rating == 5")));
    smart->addElement(*a);
    EXPECT_EQ(smart->count(), 0);
    EXPECT_TRUE(smart->elementReferences().isEmpty());
}

TEST_F(MediaPlaylistTest, StaticCollectionLosesTrashedElementsForGood)
{
    const MediaElementPtr a = addToMedia(existingFile(QStringLiteral("a.mov")));
    const MediaElementPtr b = addToMedia(existingFile(QStringLiteral("b.mov")));
    const MediaPlaylistPtr shelf
        = m_library.createPlaylist(QStringLiteral("Shelf"), std::nullopt, { a, b });
    EXPECT_TRUE(shelf->isCollection());
    EXPECT_EQ(shelf->count(), 2);
    m_library.trashElement(a);
    EXPECT_EQ(identifiers(shelf->elements()), QSet<QString> { b->identifier() });
    m_library.restoreElement(a);
    EXPECT_FALSE(shelf->containsElement(*a));
    EXPECT_EQ(shelf->count(), 1);

    // A reference to an element that is not in media is counted but not listed.
    shelf->setElementReferences(
        { b->identifier(), QStringLiteral("00000000-0000-4000-8000-000000000000") });
    EXPECT_EQ(shelf->count(), 2);
    EXPECT_EQ(shelf->elements().size(), 1);
    shelf->removeElement(*b);
    EXPECT_EQ(shelf->count(), 1);
}

TEST_F(MediaPlaylistTest, SmartCriteriaFoldCaseAndDiacritics)
{
    const MediaElementPtr one = addToMedia(existingFile(QStringLiteral("Clip 1.mov")));
    const MediaElementPtr two = addToMedia(existingFile(QStringLiteral("clíp 2.mov")));
    addToMedia(existingFile(QStringLiteral("Other.mov")));
    const MediaPlaylistPtr smart = m_library.createPlaylist(
        QStringLiteral("Clips"), parsed(QStringLiteral("name BEGINSWITH[cd] \"clip\"")));
    EXPECT_EQ(
        identifiers(smart->elements()), (QSet<QString> { one->identifier(), two->identifier() }));
    EXPECT_EQ(smart->predicateKeyPaths(), QSet<QString> { QStringLiteral("name") });
}

TEST_F(MediaPlaylistTest, KeyPathsComeFromTheLeftSidesOfEveryLevel)
{
    const MediaPlaylistPtr smart = m_library.createPlaylist(QStringLiteral("S"),
        parsed(QStringLiteral(
            "rating > 2 OR ANY userKeywordObjects.name == 'x' OR 'y' IN userKeywords "
            "OR (size > 1 AND duration > 2)")));
    EXPECT_EQ(smart->predicateKeyPaths(),
        (QSet<QString> { QStringLiteral("rating"), QStringLiteral("userKeywordObjects.name"),
            QStringLiteral("size"), QStringLiteral("duration") }));
    EXPECT_TRUE(
        m_library.createPlaylist(QStringLiteral("T"), std::nullopt)->predicateKeyPaths().isEmpty());
}

TEST_F(MediaPlaylistTest, LoadingKeepsNestedGroupsAndRepairsOtherFormsAndBadPatterns)
{
    // The criteria editor nests groups: they come back as they were saved, with the
    // key paths of every level counted.
    const Predicate nestedCriteria = parsed(
        QStringLiteral("rating > 2 OR (size > 1 AND (duration > 2 OR name MATCHES '(bad'))"));
    const MediaPlaylistPtr loadedNested
        = reloaded(m_library.createPlaylist(QStringLiteral("Nested"), nestedCriteria));
    ASSERT_TRUE(loadedNested && loadedNested->predicate());
    EXPECT_EQ(loadedNested->predicate()->format(),
        QStringLiteral("rating > 2 OR (size > 1 AND duration > 2)"));
    EXPECT_EQ(loadedNested->predicateKeyPaths(),
        (QSet<QString> {
            QStringLiteral("rating"), QStringLiteral("size"), QStringLiteral("duration") }));

    // A NOT inside a group is a form no editor row shows: the collection becomes static.
    const MediaPlaylistPtr negated = reloaded(m_library.createPlaylist(
        QStringLiteral("Negated"), parsed(QStringLiteral("rating > 2 OR NOT (size > 1)"))));
    ASSERT_TRUE(negated);
    EXPECT_TRUE(negated->isCollection());
    EXPECT_EQ(negated->count(), 0);

    const MediaPlaylistPtr patterns = m_library.createPlaylist(QStringLiteral("Patterns"),
        parsed(QStringLiteral(
            "name MATCHES '(bad' AND rating > 2 AND path MATCHES '.*good' AND name CONTAINS 'x'")));
    const MediaPlaylistPtr loadedPatterns = reloaded(patterns);
    ASSERT_TRUE(loadedPatterns && loadedPatterns->predicate());
    EXPECT_TRUE(
        *loadedPatterns->predicate() == parsed(QStringLiteral("rating > 2 AND name CONTAINS 'x'")))
        << loadedPatterns->predicate()->format().toStdString();

    const MediaPlaylistPtr onlyBad = m_library.createPlaylist(QStringLiteral("Bad"),
        Predicate::orPredicate({ parsed(QStringLiteral("name MATCHES '['")) }));
    EXPECT_TRUE(reloaded(onlyBad)->isCollection());

    // A single failing comparison is left as it is, and selects nothing.
    addToMedia(existingFile(QStringLiteral("a.mov")));
    const MediaPlaylistPtr single = reloaded(m_library.createPlaylist(
        QStringLiteral("One"), parsed(QStringLiteral("name MATCHES '['"))));
    ASSERT_TRUE(single->isSmart());
    single->setLibrary(&m_library);
    EXPECT_EQ(single->count(), 0);

    // Built-in collections are never repaired.
    const MediaPlaylistPtr builtInNested
        = MediaPlaylist::create(&m_library, MediaPlaylist::TypeFavorites, QStringLiteral("F"),
            parsed(QStringLiteral("a == 1 OR (b == 2)")));
    EXPECT_TRUE(reloaded(builtInNested)->isSmart());
}

TEST_F(MediaPlaylistTest, ArchiveCodingKeepsEveryStoredProperty)
{
    const MediaElementPtr a = addToMedia(existingFile(QStringLiteral("a.mov")));
    const MediaPlaylistPtr shelf
        = m_library.createPlaylist(QStringLiteral("Shelf ü"), std::nullopt, { a });
    const MediaPlaylistPtr loaded = reloaded(shelf);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->owner(), m_library.identifier());
    EXPECT_EQ(loaded->identifier(), shelf->identifier());
    EXPECT_EQ(loaded->type(), MediaPlaylist::TypeUser);
    EXPECT_EQ(loaded->name(), QStringLiteral("Shelf ü"));
    EXPECT_FALSE(loaded->predicate());
    EXPECT_EQ(loaded->elementReferences(), QSet<QString> { a->identifier() });
    EXPECT_EQ(loaded->library(), nullptr);

    const Predicate criteria = parsed(QStringLiteral("name CONTAINS[cd] 'x' AND rating >= 3"));
    const MediaPlaylistPtr smart
        = reloaded(m_library.createPlaylist(QStringLiteral("Smart"), criteria));
    ASSERT_TRUE(smart && smart->predicate());
    EXPECT_TRUE(*smart->predicate() == criteria);
    EXPECT_TRUE(smart->elementReferences().isEmpty());
}

TEST_F(MediaPlaylistTest, ManyCollectionsInOneArchiveKeepTheirOwnCriteria)
{
    // A catalogue archives every collection in one go.
    PlistArray all;
    QStringList formats;
    for (int rating = 0; rating < 6; ++rating) {
        formats.append(QStringLiteral("rating == %1 AND name CONTAINS 'x'").arg(rating));
        all.append(PlistValue(std::shared_ptr<ArchivedObject>(
            m_library.createPlaylist(QString::number(rating), parsed(formats.last())))));
    }
    all.append(PlistValue(std::shared_ptr<ArchivedObject>(
        m_library.createPlaylist(QStringLiteral("S"), std::nullopt))));
    Result<PlistValue> back
        = KeyedUnarchiver::unarchive(KeyedArchiver::archivedData(PlistValue(all)));
    ASSERT_TRUE(back.ok());
    ASSERT_EQ(back->toArray().size(), 7);
    for (int rating = 0; rating < 6; ++rating) {
        const MediaPlaylistPtr playlist = MediaPlaylist::fromValue(back->toArray()[rating]);
        ASSERT_TRUE(playlist && playlist->predicate());
        EXPECT_TRUE(*playlist->predicate() == parsed(formats[rating]))
            << playlist->predicate()->format().toStdString();
    }
    EXPECT_TRUE(MediaPlaylist::fromValue(back->toArray()[6])->isCollection());
}

TEST_F(MediaPlaylistTest, ReadsStoredFieldsLeniently)
{
    // Wrong kinds in a stored collection are ignored, not fatal.
    auto fake = std::make_shared<GenericArchivedObject>(
        QStringList { MediaPlaylist::ClassName, QStringLiteral("NSObject") },
        QList<GenericArchivedObject::Field> {
            { QStringLiteral("name"), PlistValue(7),
                GenericArchivedObject::Field::Kind::Reference },
            { QStringLiteral("identifier"), QStringLiteral("ID"),
                GenericArchivedObject::Field::Kind::Reference },
            { QStringLiteral("predicate"), QStringLiteral("rating > 1"),
                GenericArchivedObject::Field::Kind::Reference },
            { QStringLiteral("elementReferences"), PlistArray { QStringLiteral("E1"), 5 },
                GenericArchivedObject::Field::Kind::Reference },
        });
    Result<PlistValue> root = KeyedUnarchiver::unarchive(
        KeyedArchiver::archivedData(PlistValue(std::shared_ptr<ArchivedObject>(fake))));
    ASSERT_OK(root);
    const MediaPlaylistPtr playlist = MediaPlaylist::fromValue(*root);
    ASSERT_TRUE(playlist);
    EXPECT_EQ(playlist->identifier(), QStringLiteral("ID"));
    EXPECT_EQ(playlist->name(), QString());
    EXPECT_EQ(playlist->type(), MediaPlaylist::TypeUser);
    EXPECT_TRUE(playlist->isCollection());
    EXPECT_EQ(playlist->elementReferences(), QSet<QString> { QStringLiteral("E1") });
}

TEST_F(MediaPlaylistTest, RemovedFieldMakesCriteriaStaleUntilPruned)
{
    const MediaUserFieldPtr director = m_library.createFieldWithName(QStringLiteral("Director"));
    const MediaUserFieldPtr studio = m_library.createFieldWithName(QStringLiteral("Studio"));
    const MediaPlaylistPtr only = m_library.createPlaylist(QStringLiteral("Only"),
        Predicate::andPredicate(
            { parsed(director->identifier() + QStringLiteral(" ==[cd] 'Lang'")) }));
    const MediaPlaylistPtr mixed = m_library.createPlaylist(QStringLiteral("Mixed"),
        parsed(director->identifier() + QStringLiteral(" ==[cd] 'Lang' OR rating > 3 OR ")
            + studio->identifier() + QStringLiteral(" CONTAINS 'U'")));
    EXPECT_FALSE(only->predicateContainsStaleReferences());
    EXPECT_EQ(only->iconName(false, false), QStringLiteral("SL_SmartCollectionGray"));

    // The settings sheet hands back copies of the fields it keeps.
    m_library.updateUserFields({ studio->copy() });
    EXPECT_TRUE(only->predicateContainsStaleReferences());
    EXPECT_EQ(only->iconName(true, true), QStringLiteral("SL_Unreadable"));
    EXPECT_EQ(only->iconName(false, false), QStringLiteral("SL_Unreadable"));

    only->removeStalePredicateReferences();
    EXPECT_TRUE(only->isCollection());
    EXPECT_EQ(only->count(), 0);
    EXPECT_EQ(only->iconName(true, false), QStringLiteral("SL_CollectionWhite"));

    mixed->removeStalePredicateReferences();
    ASSERT_TRUE(mixed->predicate());
    EXPECT_TRUE(*mixed->predicate()
        == parsed(QStringLiteral("rating > 3 OR ") + studio->identifier()
            + QStringLiteral(" CONTAINS 'U'")));
}

TEST_F(MediaPlaylistTest, IconsByTypeAndStyle)
{
    struct Case
    {
        QString type;
        QString colour;
        QString gray;
        QString white;
    };
    const Case cases[] = {
        { MediaPlaylist::TypeMedia, QStringLiteral("SL_AllVideos"),
            QStringLiteral("SL_AllVideosGray"), QStringLiteral("SL_AllVideosWhite") },
        { MediaPlaylist::TypeError, QStringLiteral("SL_Unreadable"),
            QStringLiteral("SL_UnreadableGray"), QStringLiteral("SL_UnreadableWhite") },
        { MediaPlaylist::TypeLastImport, QStringLiteral("SL_LastImport"),
            QStringLiteral("SL_LastImportGray"), QStringLiteral("SL_LastImportWhite") },
        { MediaPlaylist::TypeRecentlyPlayed, QStringLiteral("SL_LastImport"),
            QStringLiteral("SL_LastImportGray"), QStringLiteral("SL_LastImportWhite") },
        { MediaPlaylist::TypeFavorites, QStringLiteral("SL_Favorites"),
            QStringLiteral("SL_FavoritesGray"), QStringLiteral("SL_FavoritesWhite") },
        { MediaPlaylist::TypeMissing, QStringLiteral("SL_Missing"),
            QStringLiteral("SL_MissingGray"), QStringLiteral("SL_MissingWhite") },
        { MediaPlaylist::TypeTrash, QStringLiteral("NSTrashEmpty"), QStringLiteral("NSTrashEmpty"),
            QStringLiteral("NSTrashEmpty") },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.type.toStdString());
        const MediaPlaylistPtr playlist = builtIn(c.type);
        EXPECT_EQ(playlist->iconName(false, true), c.colour);
        EXPECT_EQ(playlist->iconName(false, false), c.gray);
        EXPECT_EQ(playlist->iconName(true, false), c.white);
    }
    m_library.trashElement(addToMedia(existingFile(QStringLiteral("a.mov"))));
    EXPECT_EQ(
        builtIn(MediaPlaylist::TypeTrash)->iconName(false, true), QStringLiteral("NSTrashFull"));
    const MediaPlaylistPtr shelf = m_library.createPlaylist(QStringLiteral("Shelf"), std::nullopt);
    EXPECT_EQ(shelf->iconName(false, true), QStringLiteral("SL_Collection"));
    shelf->setIconData(QByteArray("\x89PNG", 4));
    EXPECT_TRUE(shelf->hasCustomIcon());
    EXPECT_EQ(shelf->iconName(false, false), MediaPlaylist::CustomIconName);
}
