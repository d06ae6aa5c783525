#include "model/medialibrary.h"

#include "model/mediaplaylist.h"
#include "model/mediauserfield.h"
#include "model/mediauserkeyword.h"
#include "platform/notificationcenter.h"
#include "platform/userdefaults.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

using namespace vidarium;
using vidarium::test::ScratchDir;
using vidarium::test::touch;

namespace {

void settle()
{
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::msleep(5);
    }
}

// Counts one notification name while alive.
class NotificationCounter
{
public:
    explicit NotificationCounter(const QString &name)
    {
        m_token = NotificationCenter::instance().addObserver(
            name, [this](const Notification &notification) {
                ++m_count;
                m_last = notification;
            });
    }
    ~NotificationCounter() { NotificationCenter::instance().removeObserver(m_token); }
    int count() const { return m_count; }
    const Notification &last() const { return m_last; }

private:
    ObserverToken m_token;
    int m_count = 0;
    Notification m_last;
};

// A library host that records what the library asks of its document.
class FakeHost : public MediaLibraryHost
{
public:
    const DocumentDefaults *libraryDefaults() const override { return nullptr; }
    QByteArray packageImageData(ElementImage image, const QString &identifier) const override
    {
        return packageImages.value({ int(image), identifier });
    }
    QByteArray packageIconData(const QString &) const override { return {}; }
    void removePackageImage(ElementImage image, const QString &identifier) override
    {
        removed.append({ int(image), identifier });
    }
    void removePackageIcon(const QString &) override { }
    void libraryDidChange() override { ++changes; }

    QHash<QPair<int, QString>, QByteArray> packageImages;
    QList<QPair<int, QString>> removed;
    int changes = 0;
};

class MediaLibraryTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_defaults
            = std::make_unique<UserDefaults>(m_scratch.filePath(QStringLiteral("settings.ini")));
        UserDefaults::setStandardForTesting(m_defaults.get());
    }
    void TearDown() override { UserDefaults::setStandardForTesting(nullptr); }

    QString file(const QString &name) { return touch(m_scratch.filePath(name)); }

    ScratchDir m_scratch;
    std::unique_ptr<UserDefaults> m_defaults;
    FakeHost m_host;
    MediaLibrary m_library { &m_host };
};

} // namespace

TEST_F(MediaLibraryTest, NewLibraryHasTheEightBuiltInCollections)
{
    const QList<QPair<QString, QString>> expected = {
        { QStringLiteral("All Videos"), MediaPlaylist::TypeMedia },
        { QStringLiteral("Trash"), MediaPlaylist::TypeTrash },
        { QStringLiteral("Unreadable"), MediaPlaylist::TypeError },
        { QStringLiteral("Last Import"), MediaPlaylist::TypeLastImport },
        { QStringLiteral("Recently Added"), MediaPlaylist::TypeRecentlyAdded },
        { QStringLiteral("Recently Played"), MediaPlaylist::TypeRecentlyPlayed },
        { QStringLiteral("Favorites"), MediaPlaylist::TypeFavorites },
        { QStringLiteral("Missing"), MediaPlaylist::TypeMissing },
    };
    EXPECT_EQ(m_library.playlists().size(), expected.size());
    for (const auto &[name, type] : expected) {
        SCOPED_TRACE(name.toStdString());
        const MediaPlaylistPtr playlist = m_library.playlistWithType(type);
        ASSERT_TRUE(playlist);
        EXPECT_EQ(playlist->name(), name);
        EXPECT_TRUE(MediaLibrary::isValidIdentifier(playlist->identifier()));
    }
    EXPECT_TRUE(m_library.media().isEmpty());
    EXPECT_EQ(m_library.playlistWithType(MediaPlaylist::TypeLastImport)->count(), 0);
}

// A package read sets the stored identifier after the built-ins exist; they must
// follow it, or each save writes them with the constructor's throwaway one.
TEST_F(MediaLibraryTest, EveryCollectionIsOwnedByTheLibraryIdentifier)
{
    const QString stored = MediaLibrary::generateUUID();
    m_library.setIdentifier(stored);
    m_library.createPlaylist(QStringLiteral("Mine"), std::nullopt);
    ASSERT_EQ(m_library.playlists().size(), 9);
    for (const MediaPlaylistPtr &playlist : m_library.playlists())
        EXPECT_EQ(playlist->owner().toStdString(), stored.toStdString())
            << playlist->name().toStdString();
}

TEST_F(MediaLibraryTest, DuplicatesAreJudgedAgainstTheLibraryBeforeTheCall)
{
    const QString path = file(QStringLiteral("a.mp4"));
    NotificationCounter queued(LibraryNotification::DidQueueElements);

    const MediaElementList first = m_library.queueElementsWithURLs({ path, path });
    EXPECT_EQ(first.size(), 2);
    EXPECT_EQ(m_library.media().size(), 2);
    EXPECT_EQ(m_library.playlistWithType(MediaPlaylist::TypeLastImport)->count(), 2);

    const int changesBefore = m_host.changes;
    const MediaElementList again
        = m_library.queueElementsWithURLs({ path, QStringLiteral("file://") + path });
    EXPECT_TRUE(again.isEmpty());
    EXPECT_EQ(m_library.media().size(), 2);
    // Announced and marked even when nothing was new.
    EXPECT_EQ(queued.count(), 2);
    EXPECT_GT(m_host.changes, changesBefore);
    EXPECT_EQ(queued.last().userInfo.value(LibraryNotification::LibraryIdentifierKey).toString(),
        m_library.identifier());
    EXPECT_EQ(m_library.playlistWithType(MediaPlaylist::TypeLastImport)->count(), 0);
}

TEST_F(MediaLibraryTest, FilesInTrashOrUnreadableAreNotQueuedAgain)
{
    const QString trashed = file(QStringLiteral("t.mp4"));
    const QString unreadable = file(QStringLiteral("u.mp4"));
    const MediaElementList elements
        = m_library.queueElementsWithURLs({ trashed, unreadable, QStringLiteral("/no/such.mp4") });
    ASSERT_EQ(elements.size(), 2);
    m_library.trashElement(m_library.elementWithIdentifier(
        elements[0]->path() == trashed ? elements[0]->identifier() : elements[1]->identifier()));
    const MediaElementPtr bad = m_library.media().values().first();
    bad->setError(true);
    m_library.dequeueElement(bad);
    EXPECT_TRUE(m_library.media().isEmpty());
    EXPECT_TRUE(m_library.queueElementsWithURLs({ trashed, unreadable }).isEmpty());
}

TEST_F(MediaLibraryTest, ElementsMoveBetweenMediaTrashAndError)
{
    const MediaElementPtr element
        = m_library.queueElementsWithURLs({ file(QStringLiteral("a.mp4")) }).first();
    const MediaPlaylistPtr collection
        = m_library.createPlaylist(QStringLiteral("Mine"), std::nullopt, { element });
    ASSERT_TRUE(collection->containsElement(*element));

    element->setError(true);
    m_library.dequeueElement(element);
    EXPECT_TRUE(m_library.error().contains(element->identifier()));
    EXPECT_FALSE(m_library.media().contains(element->identifier()));
    EXPECT_FALSE(collection->containsElement(*element));

    element->setError(false);
    m_library.dequeueElement(element);
    EXPECT_TRUE(m_library.media().contains(element->identifier()));
    EXPECT_FALSE(m_library.error().contains(element->identifier()));

    m_library.trashElement(element);
    EXPECT_TRUE(m_library.isTrashFull());
    // Properties arriving for a trashed element leave it in the trash.
    m_library.dequeueElement(element);
    EXPECT_FALSE(m_library.media().contains(element->identifier()));
    EXPECT_TRUE(m_library.trash().contains(element->identifier()));

    m_library.restoreElement(element);
    EXPECT_TRUE(m_library.media().contains(element->identifier()));
    EXPECT_FALSE(m_library.isTrashFull());
    EXPECT_EQ(m_library.allElements().size(), 1);
}

TEST_F(MediaLibraryTest, EmptyingTheTrashDropsElementsImagesAndStaleKeywords)
{
    const QString path = file(QStringLiteral("a.mp4"));
    const MediaElementList elements
        = m_library.queueElementsWithURLs({ path, file(QStringLiteral("b.mp4")) });
    const MediaElementPtr trashed = elements[0];
    const MediaElementPtr kept = elements[1];
    const MediaUserKeywordPtr onlyTrashed = m_library.createKeywordWithName(QStringLiteral("gone"));
    const MediaUserKeywordPtr shared = m_library.createKeywordWithName(QStringLiteral("stays"));
    trashed->addKeywordWithIdentifier(onlyTrashed->identifier());
    trashed->addKeywordWithIdentifier(shared->identifier());
    kept->addKeywordWithIdentifier(shared->identifier());
    m_library.setThumbnailData("thumb", *trashed);
    m_library.trashElement(trashed);

    m_library.emptyTrash(false);
    EXPECT_TRUE(m_library.trash().isEmpty());
    EXPECT_FALSE(m_library.containsElement(*trashed));
    EXPECT_TRUE(m_library.imageStore().pendingImages(ElementImage::Thumbnail).isEmpty());
    EXPECT_EQ(m_host.removed.size(), ElementImageCount); // every kind leaves the package
    EXPECT_TRUE(QFileInfo::exists(trashed->path())); // the file stays
    EXPECT_FALSE(m_library.keywordWithIdentifier(onlyTrashed->identifier()));
    EXPECT_TRUE(m_library.keywordWithIdentifier(shared->identifier()));
}

TEST_F(MediaLibraryTest, MissingImagesAreRequestedOnlyWhenNotMadeDuringImport)
{
    const MediaElementPtr element
        = m_library.queueElementsWithURLs({ file(QStringLiteral("a.mp4")) }).first();
    QList<ElementImage> requested;
    MediaLibrary::setImageRequester(
        [&](MediaLibrary &, const MediaElementList &elements, ElementImage image) {
            EXPECT_EQ(elements.size(), 1);
            requested.append(image);
        });

    m_defaults->setBool(QStringLiteral("ImportImagesImmediately"), false);
    EXPECT_TRUE(m_library.thumbnailDataForElement(*element).isEmpty());
    EXPECT_EQ(requested, QList<ElementImage> { ElementImage::Thumbnail });

    m_defaults->setBool(QStringLiteral("ImportImagesImmediately"), true);
    EXPECT_TRUE(m_library.storyboardDataForElement(*element).isEmpty());
    EXPECT_EQ(requested.size(), 1);

    // An image the element has is served from memory, else from the package.
    element->addAssets(AssetThumbnail | AssetFilmstrip);
    m_library.setThumbnailData("memory", *element);
    m_host.packageImages.insert({ int(ElementImage::Filmstrip), element->identifier() }, "package");
    EXPECT_EQ(m_library.thumbnailDataForElement(*element), QByteArray("memory"));
    EXPECT_EQ(m_library.filmstripDataForElement(*element), QByteArray("package"));
    EXPECT_EQ(requested.size(), 1);
    MediaLibrary::setImageRequester({});
}

TEST_F(MediaLibraryTest, EmptyPosterRemovesItFromMemoryAndPackage)
{
    const MediaElementPtr element
        = m_library.queueElementsWithURLs({ file(QStringLiteral("a.mp4")) }).first();
    m_library.setPosterData("poster", *element);
    EXPECT_EQ(m_library.posterDataForElement(*element), QByteArray("poster"));
    m_library.setPosterData(QByteArray(), *element);
    EXPECT_TRUE(m_library.posterDataForElement(*element).isEmpty());
    EXPECT_TRUE(
        m_host.removed.contains(qMakePair(int(ElementImage::Poster), element->identifier())));
}

TEST_F(MediaLibraryTest, ASaveClearsPendingImagesAndThePackageServesThemAfter)
{
    const MediaElementPtr element
        = m_library.queueElementsWithURLs({ file(QStringLiteral("a.mp4")) }).first();
    m_library.setThumbnailData("made", *element);
    m_host.packageImages.insert({ int(ElementImage::Thumbnail), element->identifier() }, "saved");
    // The image made since the save wins over the package's older one.
    EXPECT_EQ(m_library.thumbnailDataForElement(*element), QByteArray("made"));
    m_library.imageStore().clearPending();
    EXPECT_TRUE(m_library.imageStore().pendingImages(ElementImage::Thumbnail).isEmpty());
    EXPECT_EQ(m_library.thumbnailDataForElement(*element), QByteArray("saved"));
    // A thumbnail is made again, so emptying it leaves the package's file alone.
    m_library.setThumbnailData(QByteArray(), *element);
    EXPECT_TRUE(m_host.removed.isEmpty());
}

TEST_F(MediaLibraryTest, ValidationFindsAMovedFileWithOneNotification)
{
    const QString path = file(QStringLiteral("a.mp4"));
    const MediaElementPtr element = m_library.queueElementsWithURLs({ path }).first();
    settle(); // the validation that began the import
    const QString moved = m_scratch.filePath(QStringLiteral("moved.mp4"));
    ASSERT_TRUE(QFile::rename(path, moved));

    NotificationCounter changed(LibraryNotification::SystemDidChangeElements);
    m_library.validateBookmarks();
    m_library.validateBookmarks();
    ASSERT_TRUE(QTest::qWaitFor([&] { return changed.count() > 0; }));
    settle();
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(element->path(), QFileInfo(moved).absoluteFilePath());
    EXPECT_TRUE(changed.last()
                    .userInfo.value(LibraryNotification::LibraryElementPropertiesKey)
                    .toStringList()
                    .contains(QStringLiteral("fileExists")));

    m_library.validateBookmarks();
    settle();
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(MediaLibraryTest, QueuedElementsWithUnsafeIdentifiersGetNewOnes)
{
    const MediaElementPtr element = MediaElement::create(nullptr, QString());
    element->setIdentifier(QStringLiteral("../../escape"));
    const MediaElementPtr twin = MediaElement::create(nullptr, QString());
    const MediaElementList accepted = m_library.queueElements({ element, twin });
    ASSERT_EQ(accepted.size(), 2);
    EXPECT_TRUE(MediaLibrary::isValidIdentifier(element->identifier()));
    EXPECT_EQ(element->library(), &m_library);

    const MediaElementPtr copy = MediaElement::create(nullptr, QString());
    copy->setIdentifier(twin->identifier()); // a pasted copy of an element already here
    m_library.queueElements({ copy });
    EXPECT_NE(copy->identifier(), twin->identifier());
    EXPECT_EQ(m_library.media().size(), 3);
}

TEST_F(MediaLibraryTest, KeywordsAndFieldsAreFoundByName)
{
    const MediaUserKeywordPtr first = m_library.createKeywordWithName(QStringLiteral("Beach"));
    EXPECT_EQ(m_library.createKeywordWithName(QStringLiteral("Beach")), first);
    EXPECT_EQ(m_library.createKeywordWithName()->name(), QStringLiteral("Untitled"));
    EXPECT_EQ(m_library.createKeywordWithName()->name(), QStringLiteral("Untitled 1"));

    const MediaUserFieldPtr camera = m_library.createFieldWithName(QStringLiteral("Camera"));
    EXPECT_EQ(m_library.createFieldWithName(QStringLiteral("Camera")), camera);
    EXPECT_NE(m_library.createFieldWithName(QStringLiteral("camera")), camera);
    // The settings sheet hands back edited copies; fields left out stay, removed.
    const MediaUserFieldPtr edited = camera->copy();
    m_library.updateUserFields({ edited });
    EXPECT_EQ(m_library.activeUserFields(), QList<MediaUserFieldPtr> { edited });
    EXPECT_EQ(m_library.inactiveUserFields().size(), 1);
    EXPECT_EQ(m_library.elementSearchKeys(),
        (QStringList { QStringLiteral("name"), camera->identifier() }));
    m_defaults->setBool(QStringLiteral("SearchCommentsField"), true);
    EXPECT_EQ(m_library.elementSearchKeys().value(1), QStringLiteral("userComments"));

    // Only keywords that some element carries survive validation.
    const MediaElementPtr element
        = m_library.queueElementsWithURLs({ file(QStringLiteral("a.mp4")) }).first();
    element->addKeywordWithIdentifier(first->identifier());
    m_library.validateKeywords();
    EXPECT_EQ(m_library.userKeywords().size(), 1);
    EXPECT_EQ(element->userKeywordNames(), QStringList { QStringLiteral("Beach") });
}
