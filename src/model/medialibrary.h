#pragma once

// The catalogue of one open library: its elements (the catalogue proper, the
// trash and the unreadable ones; an identifier is in at most one), its
// collections, keywords and user fields, and the images made since the last save
// (a write-back store; the package serves the rest). It turns files into
// elements, files each element after its import, keeps bookmarks and keywords
// valid, and announces every change of element values (elementValuesChanged)
// and the library's notifications on the notification centre.
// Threads: main thread. Queueing checks duplicates and bookmark validation
// resolves bookmarks on worker threads, but every change happens on the main thread.

#include "model/imagekinds.h"
#include "model/imagestore.h"
#include "model/mediaelement.h"
#include "platform/plist/plistvalue.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vidarium {

class DocumentDefaults;
class MediaPlaylist;
class MediaUserField;
class MediaUserKeyword;
class Predicate;

using MediaPlaylistPtr = std::shared_ptr<MediaPlaylist>;
using MediaUserFieldPtr = std::shared_ptr<MediaUserField>;
using MediaUserKeywordPtr = std::shared_ptr<MediaUserKeyword>;
using ElementDictionary = QHash<QString, MediaElementPtr>;

// Names and user-info keys of the notifications about a library. The user info
// carries QStrings, QStringLists (sets of keys) and MediaElementPtr /
// MediaElementList values.
namespace LibraryNotification {
inline const QString DidQueueElements
    = QStringLiteral("com.tallowmere.vidarium.LibraryDidQueueElementsNotification");
inline const QString SystemDidChangeElements
    = QStringLiteral("com.tallowmere.vidarium.SystemDidChangeElementsNotification");
inline const QString LibraryIdentifierKey = QStringLiteral("LibraryIdentifier");
inline const QString LibraryElementKey = QStringLiteral("LibraryElement");
inline const QString LibraryElementArrayKey = QStringLiteral("LibraryElementArray");
inline const QString LibraryElementPropertiesKey = QStringLiteral("LibraryElementProperties");
inline const QString LibraryKeywordKey = QStringLiteral("LibraryKeyword");
} // namespace LibraryNotification

// What a library needs of the document that owns it: the settings, the images
// already in the package, and the change mark. The document implements it.
class MediaLibraryHost
{
public:
    virtual ~MediaLibraryHost() = default;
    virtual const DocumentDefaults *libraryDefaults() const = 0;
    // The image's bytes in the package; empty when there is no package or no file.
    virtual QByteArray packageImageData(
        ElementImage image, const QString &elementIdentifier) const = 0;
    virtual QByteArray packageIconData(const QString &playlistIdentifier) const = 0;
    // What reads the image's bytes from the package as it is now; any thread may
    // run it. Nothing (an empty function) when there is no package or no image.
    virtual std::function<QByteArray()> packageImageReader(
        ElementImage image, const QString &elementIdentifier) const
    {
        Q_UNUSED(image);
        Q_UNUSED(elementIdentifier);
        return {};
    }
    // Removes the file from the package at the next save; nothing when absent.
    virtual void removePackageImage(ElementImage image, const QString &elementIdentifier) = 0;
    virtual void removePackageIcon(const QString &playlistIdentifier) = 0;
    virtual void libraryDidChange() = 0;
};

class MediaLibrary : public QObject
{
    Q_OBJECT
public:
    // Asked to make an image an element lacks (the import dispatcher installs it;
    // model code never sees the dispatcher).
    using ImageRequester = std::function<void(
        MediaLibrary &library, const MediaElementList &elements, ElementImage image)>;
    static void setImageRequester(ImageRequester requester);
    // Registers the archive coders of elements and collections (idempotent).
    static void registerArchiveCoders();
    // Whether loading and beginning an import validate bookmarks on a worker (the
    // default). Programs without an event loop turn it off and call
    // validateBookmarksNow when they want it.
    static void setBackgroundValidationEnabled(bool enabled);

    // initWithDocument: host may be null (a detached library, e.g. in tests).
    explicit MediaLibrary(MediaLibraryHost *host = nullptr, QObject *parent = nullptr);
    ~MediaLibrary() override;

    MediaLibraryHost *host() const { return m_host; }
    const DocumentDefaults *defaults() const;

    const QString &identifier() const { return m_identifier; }
    void setIdentifier(const QString &identifier);
    const QString &batch() const { return m_batch; }
    void setBatch(const QString &batch);

    // --- Elements -----------------------------------------------------------------
    const ElementDictionary &media() const { return m_media; }
    const ElementDictionary &trash() const { return m_trash; }
    const ElementDictionary &error() const { return m_error; }
    // Replace whole dictionaries (the package and older-format readers); no
    // notification, no change mark. The caller keeps identifiers unique across them.
    void setMedia(ElementDictionary media);
    // Moves on whenever an element joins or leaves media(), so that whoever keeps
    // figures about the catalogue can tell whether they still hold.
    quint64 mediaGeneration() const { return m_mediaGeneration; }
    // Which elements joined and left media() after a generation, in order;
    // nothing when the record no longer reaches back that far. The elements are
    // for comparing addresses: one that left may be gone.
    struct MediaChange
    {
        const MediaElement *element;
        bool joined;
    };
    std::optional<std::vector<MediaChange>> mediaChangesSince(quint64 generation) const;
    void setTrash(ElementDictionary trash);
    void setError(ElementDictionary error);

    // Accepts the elements whose file is not catalogued yet; returns them.
    MediaElementList queueElements(const MediaElementList &elements);
    // Makes elements of the files not catalogued yet (a new batch); returns them.
    MediaElementList queueElementsWithURLs(const QStringList &paths);
    // The same in two halves, so that large imports keep the main thread free.
    // makeElements may run on any thread: it stats the files and those of
    // `existing` (the library's elements when the import began) and makes an
    // element of each file not catalogued yet, belonging to no library. Then,
    // after beginImport, queueMadeElements takes them in, in the batch begun.
    static MediaElementList makeElements(
        const QStringList &paths, const MediaElementList &existing);
    MediaElementList queueMadeElements(const MediaElementList &made);
    QString beginImport();
    void dequeueElement(const MediaElementPtr &element);
    MediaElementPtr elementWithIdentifier(const QString &identifier) const;
    bool containsElement(const MediaElement &element) const;
    MediaElementList allElements() const;
    MediaElementList unprocessedElements() const;
    void trashElement(const MediaElementPtr &element);
    void restoreElement(const MediaElementPtr &element);
    bool isTrashFull() const { return !m_trash.isEmpty(); }
    void emptyTrash(bool moveFilesToSystemTrash);
    // Resolves every bookmark on a worker; moved files get their new path on the
    // main thread, announced by one merged notification.
    void validateBookmarks();
    // The same, synchronously (the command line has no event loop to wait in).
    // Returns how many elements changed location.
    int validateBookmarksNow();

    // --- Images -------------------------------------------------------------------
    // From memory, else from the package; asks for the image to be made when the
    // element lacks it and images are not made during import.
    QByteArray imageDataForElement(ElementImage image, const MediaElement &element);
    // The same for views that must not wait for the disk: the bytes in memory
    // are taken now, the package is read by the returned function on whatever
    // thread runs it. An empty function when there is nothing to read.
    std::function<QByteArray()> imageReaderForElement(
        ElementImage image, const MediaElement &element);
    void setImageDataForElement(
        ElementImage image, const QByteArray &data, const MediaElement &element);
    QByteArray thumbnailDataForElement(const MediaElement &e)
    {
        return imageDataForElement(ElementImage::Thumbnail, e);
    }
    QByteArray storyboardDataForElement(const MediaElement &e)
    {
        return imageDataForElement(ElementImage::Storyboard, e);
    }
    QByteArray filmstripDataForElement(const MediaElement &e)
    {
        return imageDataForElement(ElementImage::Filmstrip, e);
    }
    QByteArray posterDataForElement(const MediaElement &e)
    {
        return imageDataForElement(ElementImage::Poster, e);
    }
    void setThumbnailData(const QByteArray &data, const MediaElement &e)
    {
        setImageDataForElement(ElementImage::Thumbnail, data, e);
    }
    void setStoryboardData(const QByteArray &data, const MediaElement &e)
    {
        setImageDataForElement(ElementImage::Storyboard, data, e);
    }
    void setFilmstripData(const QByteArray &data, const MediaElement &e)
    {
        setImageDataForElement(ElementImage::Filmstrip, data, e);
    }
    // Empty bytes remove the poster (also from the package).
    void setPosterData(const QByteArray &data, const MediaElement &e)
    {
        setImageDataForElement(ElementImage::Poster, data, e);
    }
    // Images and icons waiting for the next save.
    const ImageStore &imageStore() const { return m_imageStore; }
    ImageStore &imageStore() { return m_imageStore; }

    QByteArray iconDataForPlaylist(const MediaPlaylist &playlist) const;
    void setIconData(const QByteArray &data, const MediaPlaylist &playlist);

    // --- Collections --------------------------------------------------------------
    const QHash<QString, MediaPlaylistPtr> &playlists() const { return m_playlists; }
    // No predicate makes a static collection of the given elements.
    MediaPlaylistPtr createPlaylist(const QString &name, const QString &type,
        const std::optional<Predicate> &predicate, const MediaElementList &elements = {});
    // A user collection: smart with a predicate, static without.
    MediaPlaylistPtr createPlaylist(const QString &name, const std::optional<Predicate> &predicate,
        const MediaElementList &elements = {});
    void removePlaylistWithIdentifier(const QString &identifier);
    void removePlaylistIconWithIdentifier(const QString &identifier);
    MediaPlaylistPtr playlistWithType(const QString &type) const;
    MediaPlaylistPtr playlistWithIdentifier(const QString &identifier) const;
    // Sets the "Recently Added", "Recently Played" and "Favorites" predicates from the settings.
    void updateBuiltInPredicates();
    // The stored form: every collection by identifier, the built-in ones included.
    PlistDictionary archivedPlaylists() const;
    // Takes the user collections of a stored "Playlists" dictionary (built-in ones
    // and values that are no collection are ignored; an identifier that may not
    // name an icon file is replaced). Returns how many were taken.
    int adoptStoredPlaylists(const PlistValue &stored);

    // The user's collection tree as read from the package ("NodeTree"), kept as read.
    const PlistValue &sourceNodes() const { return m_sourceNodes; }
    void setSourceNodes(const PlistValue &nodes) { m_sourceNodes = nodes; }

    // --- Fields and keywords -------------------------------------------------------
    const QHash<QString, MediaUserFieldPtr> &userFields() const { return m_userFields; }
    void setUserFields(QHash<QString, MediaUserFieldPtr> fields);
    MediaUserFieldPtr createFieldWithName(const QString &name);
    MediaUserFieldPtr userFieldWithIdentifier(const QString &identifier) const;
    void updateUserFields(const QList<MediaUserFieldPtr> &fields);
    QList<MediaUserFieldPtr> activeUserFields() const;
    QList<MediaUserFieldPtr> inactiveUserFields() const;
    bool shouldSplitValuesForPropertyKey(const QString &key) const;

    const QHash<QString, MediaUserKeywordPtr> &userKeywords() const { return m_userKeywords; }
    void setUserKeywords(QHash<QString, MediaUserKeywordPtr> keywords);
    // An empty name makes a new "Untitled" (or "Untitled N") keyword.
    MediaUserKeywordPtr createKeywordWithName(const QString &name = QString());
    MediaUserKeywordPtr keywordWithIdentifier(const QString &identifier) const;
    // A null string for an identifier the library does not know.
    QString keywordNameForIdentifier(const QString &identifier) const;
    // The keyword objects in order, the null marker for unknown identifiers.
    PlistValue keywordObjectsForIdentifiers(const QStringList &identifiers) const;
    void removeStaleKeywords();
    void validateKeywords();

    // --- Other ----------------------------------------------------------------------
    // After a reader replaced the contents: sets this library on everything, then
    // validates bookmarks and keywords and follows the batch with "Last Import".
    void synchronize();
    QStringList elementSearchKeys() const;
    static QString generateUUID();
    static bool isValidIdentifier(const QString &identifier);

    // Called by elements when a value changed; announces it with the derived keys.
    void elementDidChange(MediaElement &element, ElementKey key);
    void markChanged();

signals:
    // Keys include every derived key whose value followed.
    void elementValuesChanged(const QString &elementIdentifier, const QSet<QString> &keys);

private:
    // Asks for the image to be made when the element lacks it and images are
    // not made during import.
    void requestMissingImage(ElementImage image, const MediaElement &element);
    void createBuiltInPlaylists();
    // Sets this library on every collection, field and keyword (synchronize).
    void attachCollectionsAndKeywords();
    // "Last Import" selects the current batch.
    void followBatchWithLastImport();
    void removeFromStaticCollections(const QString &elementIdentifier);
    void recordMediaChange(const MediaElement *element, bool joined);
    void applyMovedPaths(const QList<QPair<QString, QString>> &moved);
    static QSet<FileIdentity> resourcesOf(const MediaElementList &elements);
    MediaElementList acceptElements(const MediaElementList &candidates);

    MediaLibraryHost *m_host = nullptr;
    QString m_identifier;
    QString m_batch;
    ElementDictionary m_media;
    quint64 m_mediaGeneration = 0;
    std::deque<std::pair<quint64, MediaChange>> m_mediaJournal; // by generation, oldest first
    ElementDictionary m_trash;
    ElementDictionary m_error;
    QHash<QString, MediaPlaylistPtr> m_playlists;
    QHash<QString, MediaUserFieldPtr> m_userFields;
    QHash<QString, MediaUserKeywordPtr> m_userKeywords;
    ImageStore m_imageStore;
    PlistValue m_sourceNodes;
    bool m_validating = false;
};

} // namespace vidarium

Q_DECLARE_METATYPE(vidarium::MediaElementPtr)
Q_DECLARE_METATYPE(vidarium::MediaElementList)
Q_DECLARE_METATYPE(vidarium::MediaUserKeywordPtr)
