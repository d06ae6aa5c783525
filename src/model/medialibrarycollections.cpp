// The library's collections: the eight built-in ones, the user's, and their icons.

#include "model/medialibrary.h"

#include "model/documentdefaults.h"
#include "model/mediaplaylist.h"
#include "model/mediauserfield.h"
#include "model/mediauserkeyword.h"
#include "model/predicate.h"

#include <QDebug>

namespace vidarium {

namespace {

struct BuiltIn
{
    QString name;
    QString type;
};

const QList<BuiltIn> &builtInCollections()
{
    static const QList<BuiltIn> collections = {
        { QStringLiteral("All Videos"), MediaPlaylist::TypeMedia },
        { QStringLiteral("Trash"), MediaPlaylist::TypeTrash },
        { QStringLiteral("Unreadable"), MediaPlaylist::TypeError },
        { QStringLiteral("Last Import"), MediaPlaylist::TypeLastImport },
        { QStringLiteral("Recently Added"), MediaPlaylist::TypeRecentlyAdded },
        { QStringLiteral("Recently Played"), MediaPlaylist::TypeRecentlyPlayed },
        { QStringLiteral("Favorites"), MediaPlaylist::TypeFavorites },
        { QStringLiteral("Missing"), MediaPlaylist::TypeMissing },
    };
    return collections;
}

std::optional<Predicate> formatPredicate(const QString &format, const PlistArray &arguments)
{
    const Result<Predicate> predicate = Predicate::fromFormat(format, arguments);
    if (!predicate) {
        qWarning().noquote() << "Built-in criteria" << format
                             << "did not parse:" << predicate.error().message();
        return std::nullopt;
    }
    return *predicate;
}

} // namespace

void MediaLibrary::registerArchiveCoders()
{
    MediaElement::registerArchiveCoder();
    MediaPlaylist::registerArchiveCoder();
}

void MediaLibrary::createBuiltInPlaylists()
{
    for (const BuiltIn &collection : builtInCollections()) {
        MediaPlaylistPtr playlist = MediaPlaylist::create(
            this, collection.type, collection.name, Predicate::truePredicate());
        m_playlists.insert(playlist->identifier(), playlist);
    }
    playlistWithType(MediaPlaylist::TypeMissing)
        ->setPredicate(formatPredicate(QStringLiteral("fileExists == %@"), { PlistValue(false) }));
    followBatchWithLastImport();
    updateBuiltInPredicates();
}

void MediaLibrary::updateBuiltInPredicates()
{
    // A library without a document follows the definition table's first values.
    std::optional<DocumentDefaults> firstValues;
    const DocumentDefaults *stored = defaults();
    if (!stored)
        stored = &firstValues.emplace();
    const DocumentDefaults &settings = *stored;
    playlistWithType(MediaPlaylist::TypeRecentlyAdded)
        ->setRecentPredicate(QStringLiteral("importedDate"), int(settings.recentlyAddedDays()));
    playlistWithType(MediaPlaylist::TypeRecentlyPlayed)
        ->setRecentPredicate(QStringLiteral("launchedDate"), int(settings.recentlyPlayedDays()));
    playlistWithType(MediaPlaylist::TypeFavorites)
        ->setFavoritesPredicate(int(settings.minimumFavoritesRating()));
}

void MediaLibrary::followBatchWithLastImport()
{
    if (const MediaPlaylistPtr lastImport = playlistWithType(MediaPlaylist::TypeLastImport))
        lastImport->setPredicate(
            formatPredicate(QStringLiteral("batch == %@"), { PlistValue(m_batch) }));
}

MediaPlaylistPtr MediaLibrary::createPlaylist(const QString &name, const QString &type,
    const std::optional<Predicate> &predicate, const MediaElementList &elements)
{
    MediaPlaylistPtr playlist = MediaPlaylist::create(this, type, name, predicate, elements);
    m_playlists.insert(playlist->identifier(), playlist);
    markChanged();
    return playlist;
}

MediaPlaylistPtr MediaLibrary::createPlaylist(const QString &name,
    const std::optional<Predicate> &predicate, const MediaElementList &elements)
{
    return createPlaylist(name, MediaPlaylist::TypeUser, predicate, elements);
}

void MediaLibrary::removePlaylistWithIdentifier(const QString &identifier)
{
    const MediaPlaylistPtr playlist = m_playlists.value(identifier);
    // Every library keeps one of each built-in collection.
    if (!playlist || playlist->isBuiltIn())
        return;
    removePlaylistIconWithIdentifier(identifier);
    m_playlists.remove(identifier);
    markChanged();
}

void MediaLibrary::removePlaylistIconWithIdentifier(const QString &identifier)
{
    m_imageStore.setIcon(identifier, {});
}

MediaPlaylistPtr MediaLibrary::playlistWithType(const QString &type) const
{
    for (const MediaPlaylistPtr &playlist : m_playlists) {
        if (playlist->type() == type)
            return playlist;
    }
    return nullptr;
}

MediaPlaylistPtr MediaLibrary::playlistWithIdentifier(const QString &identifier) const
{
    return m_playlists.value(identifier);
}

QByteArray MediaLibrary::iconDataForPlaylist(const MediaPlaylist &playlist) const
{
    return m_imageStore.icon(playlist.identifier());
}

void MediaLibrary::setIconData(const QByteArray &data, const MediaPlaylist &playlist)
{
    m_imageStore.setIcon(playlist.identifier(), data);
    markChanged();
}

PlistDictionary MediaLibrary::archivedPlaylists() const
{
    PlistDictionary archived;
    for (auto it = m_playlists.constBegin(); it != m_playlists.constEnd(); ++it)
        archived.insert(it.key(), PlistValue(std::static_pointer_cast<ArchivedObject>(it.value())));
    return archived;
}

int MediaLibrary::adoptStoredPlaylists(const PlistValue &stored)
{
    int adopted = 0;
    for (const PlistValue &value : stored.toDictionary()) {
        const MediaPlaylistPtr playlist = MediaPlaylist::fromValue(value);
        if (!playlist) {
            qWarning().noquote() << "Catalogue: an entry of Playlists is not a collection; ignored";
            continue;
        }
        if (playlist->type() != MediaPlaylist::TypeUser)
            continue; // built-in collections are always made afresh
        // The identifier names the collection's icon file.
        if (!isValidIdentifier(playlist->identifier())
            || m_playlists.contains(playlist->identifier())) {
            const QString fresh = generateUUID();
            qWarning().noquote() << "Catalogue: collection identifier"
                                 << playlist->identifier().left(80)
                                 << "cannot name a file or is taken; the collection is now"
                                 << fresh;
            playlist->setIdentifier(fresh);
        }
        playlist->setLibrary(this);
        m_playlists.insert(playlist->identifier(), playlist);
        ++adopted;
    }
    return adopted;
}

void MediaLibrary::attachCollectionsAndKeywords()
{
    for (const MediaPlaylistPtr &playlist : std::as_const(m_playlists))
        playlist->setLibrary(this);
    for (const MediaUserFieldPtr &field : std::as_const(m_userFields))
        field->setLibrary(this);
    for (const MediaUserKeywordPtr &keyword : std::as_const(m_userKeywords))
        keyword->setLibrary(this);
}

void MediaLibrary::removeFromStaticCollections(const QString &elementIdentifier)
{
    for (const MediaPlaylistPtr &playlist : std::as_const(m_playlists)) {
        if (playlist->type() == MediaPlaylist::TypeUser && !playlist->isSmart())
            playlist->removeElementWithIdentifier(elementIdentifier);
    }
}

} // namespace vidarium
