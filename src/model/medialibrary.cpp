#include "model/medialibrary.h"

#include "model/elementfiles.h"
#include "model/mediaplaylist.h"
#include "model/mediauserfield.h"
#include "platform/mainthread.h"
#include "platform/notificationqueue.h"
#include "platform/parallel.h"
#include "platform/systemtrash.h"
#include "platform/userdefaults.h"

#include <QCoreApplication>
#include <QDebug>
#include <QMutex>
#include <QThreadPool>
#include <QUrl>
#include <QUuid>

#include <array>
#include <atomic>
#include <vector>

namespace vidarium {

namespace {

MediaLibrary::ImageRequester &imageRequester()
{
    static MediaLibrary::ImageRequester requester;
    return requester;
}

// The announced keys of each element key, built once: import tools set a dozen
// values per element, and each announcement should cost little.
const QSet<QString> &announcedKeys(ElementKey key)
{
    static const auto table = [] {
        std::array<QSet<QString>, size_t(ElementKey::FilmstripData) + 1> keys;
        for (size_t i = 0; i < keys.size(); ++i)
            keys[i] = ElementKeys::affectedKeys(ElementKeys::name(ElementKey(i)));
        return keys;
    }();
    return table[size_t(key)];
}

QString pathFromUrlOrPath(const QString &text)
{
    if (text.startsWith(QLatin1String("file:")))
        return QUrl(text).toLocalFile();
    return text;
}

// Runs body(i) for every index, on two threads when there are many, and waits. Each
// item asks the file system or a lock, so runs are short and a thread pays off early.
template <typename Body> void forEachConcurrently(qsizetype count, Body body)
{
    splitOverWorker(size_t(count), { 64, 256 }, [&body](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i)
            body(qsizetype(i));
    });
}

std::atomic_bool backgroundValidation { true };
// Set as the application object goes: a running validation skips the elements
// it has left.
std::atomic_bool validationStopping { false };

QThreadPool &validationPool();

// The application object shuts the shared pool down as it goes, and a validation
// still running would then use it: first the validations waiting are dropped,
// the running one stops at its next element, and it is waited for.
void stopValidation()
{
    validationStopping = true;
    validationPool().clear();
    validationPool().waitForDone();
}

// Validation runs on a thread of its own, one at a time, never on the shared pool:
// on a large library it takes long, and would hold a worker that queued operations
// of the shared pool wait for.
QThreadPool &validationPool()
{
    static QThreadPool *const pool = [] {
        auto *created = new QThreadPool;
        created->setMaxThreadCount(1);
        qAddPostRoutine(stopValidation);
        return created;
    }();
    return *pool;
}

} // namespace

void MediaLibrary::setBackgroundValidationEnabled(bool enabled)
{
    backgroundValidation = enabled;
}

void MediaLibrary::setImageRequester(ImageRequester requester)
{
    imageRequester() = std::move(requester);
}

MediaLibrary::MediaLibrary(MediaLibraryHost *host, QObject *parent)
    : QObject(parent)
    , m_host(host)
    , m_imageStore(host)
    , m_identifier(generateUUID())
    , m_batch(generateUUID())
{
    MediaElement::registerArchiveCoder();
    createBuiltInPlaylists();
}

MediaLibrary::~MediaLibrary() = default;

const DocumentDefaults *MediaLibrary::defaults() const
{
    return m_host ? m_host->libraryDefaults() : nullptr;
}

void MediaLibrary::setIdentifier(const QString &identifier)
{
    m_identifier = identifier;
    // The built-in collections are made with the constructor's provisional
    // identifier; a stored one replaces it when a package is read, and every
    // collection the library holds must name the library it belongs to.
    for (const MediaPlaylistPtr &playlist : std::as_const(m_playlists))
        playlist->setOwner(identifier);
}

void MediaLibrary::setBatch(const QString &batch)
{
    m_batch = batch;
}

void MediaLibrary::setMedia(ElementDictionary media)
{
    m_media = std::move(media);
    // Nobody can follow a change this large element by element.
    ++m_mediaGeneration;
    m_mediaJournal.clear();
}

void MediaLibrary::recordMediaChange(const MediaElement *element, bool joined)
{
    // Enough for an import's heartbeat; whoever falls further behind counts again.
    constexpr size_t kept = 65536;
    m_mediaJournal.push_back({ ++m_mediaGeneration, { element, joined } });
    if (m_mediaJournal.size() > kept)
        m_mediaJournal.pop_front();
}

std::optional<std::vector<MediaLibrary::MediaChange>> MediaLibrary::mediaChangesSince(
    quint64 generation) const
{
    if (generation == m_mediaGeneration)
        return std::vector<MediaChange>();
    if (m_mediaJournal.empty() || m_mediaJournal.front().first > generation + 1
        || generation > m_mediaGeneration)
        return std::nullopt;
    std::vector<MediaChange> changes;
    for (const auto &[at, change] : m_mediaJournal)
        if (at > generation)
            changes.push_back(change);
    return changes;
}

void MediaLibrary::setTrash(ElementDictionary trash)
{
    m_trash = std::move(trash);
}

void MediaLibrary::setError(ElementDictionary error)
{
    m_error = std::move(error);
}

void MediaLibrary::markChanged()
{
    if (m_host)
        m_host->libraryDidChange();
}

void MediaLibrary::elementDidChange(MediaElement &element, ElementKey key)
{
    emit elementValuesChanged(element.identifier(), announcedKeys(key));
}

// --- Queueing ------------------------------------------------------------------------------

QSet<FileIdentity> MediaLibrary::resourcesOf(const MediaElementList &elements)
{
    std::vector<std::optional<FileIdentity>> identities(size_t(elements.size()));
    forEachConcurrently(
        elements.size(), [&](qsizetype i) { identities[size_t(i)] = elements[i]->resource(); });
    QSet<FileIdentity> result;
    result.reserve(elements.size());
    for (const std::optional<FileIdentity> &identity : identities) {
        if (identity)
            result.insert(*identity);
    }
    return result;
}

MediaElementList MediaLibrary::queueElements(const MediaElementList &elements)
{
    const QSet<FileIdentity> known = resourcesOf(allElements());
    std::vector<char> accept(size_t(elements.size()), 0);
    forEachConcurrently(elements.size(), [&](qsizetype i) {
        const std::optional<FileIdentity> identity
            = elements[i] ? elements[i]->resource() : std::nullopt;
        accept[size_t(i)] = elements[i] && (!identity || !known.contains(*identity));
    });
    MediaElementList accepted;
    for (qsizetype i = 0; i < elements.size(); ++i) {
        if (accept[size_t(i)])
            accepted.append(elements[i]);
    }
    return acceptElements(accepted);
}

MediaElementList MediaLibrary::queueElementsWithURLs(const QStringList &urls)
{
    beginImport();
    return queueMadeElements(makeElements(urls, allElements()));
}

MediaElementList MediaLibrary::makeElements(
    const QStringList &urls, const MediaElementList &existing)
{
    const QSet<FileIdentity> known = resourcesOf(existing);
    MediaElementList made(urls.size());
    forEachConcurrently(urls.size(), [&](qsizetype i) {
        const QString path = pathFromUrlOrPath(urls[i]);
        const Result<FileIdentity> identity = FileIdentity::ofPath(path);
        if (!identity || known.contains(*identity))
            return;
        made[i] = MediaElement::create(nullptr, path);
    });
    made.removeAll(MediaElementPtr());
    return made;
}

MediaElementList MediaLibrary::queueMadeElements(const MediaElementList &made)
{
    for (const MediaElementPtr &element : made) {
        element->setOwner(m_identifier);
        element->setBatch(m_batch);
    }
    return acceptElements(made);
}

MediaElementList MediaLibrary::acceptElements(const MediaElementList &candidates)
{
    MediaElementList accepted;
    accepted.reserve(candidates.size());
    for (const MediaElementPtr &element : candidates) {
        // Identifiers name image files in the package: an element from elsewhere
        // (an older library, the pasteboard) with an unsafe or taken identifier
        // gets a fresh one.
        if (!isValidIdentifier(element->identifier())
            || elementWithIdentifier(element->identifier())) {
            qInfo().noquote() << "Element" << element->identifier() << "given a new identifier";
            element->setIdentifier(generateUUID());
        }
        element->setLibrary(this);
        m_media.insert(element->identifier(), element);
        recordMediaChange(element.get(), true);
        accepted.append(element);
    }
    NotificationCenter::instance().post(LibraryNotification::DidQueueElements, this,
        { { LibraryNotification::LibraryIdentifierKey, m_identifier },
            { LibraryNotification::LibraryElementArrayKey, QVariant::fromValue(accepted) } });
    markChanged();
    return accepted;
}

QString MediaLibrary::beginImport()
{
    validateBookmarks();
    m_batch = generateUUID();
    followBatchWithLastImport();
    return m_batch;
}

void MediaLibrary::dequeueElement(const MediaElementPtr &element)
{
    // An element that left the library meanwhile (its trash was emptied) stays gone.
    if (!element || !containsElement(*element))
        return;
    const QString &identifier = element->identifier();
    if (element->error()) {
        m_error.insert(identifier, element);
        removeFromStaticCollections(identifier);
        if (m_media.remove(identifier))
            recordMediaChange(element.get(), false);
        m_trash.remove(identifier);
    } else if (!m_trash.contains(identifier)) {
        if (!m_media.contains(identifier))
            recordMediaChange(element.get(), true);
        m_media.insert(identifier, element);
        m_error.remove(identifier);
    } else {
        // Trashed while its properties were being read: the user's choice stands.
        m_error.remove(identifier);
    }
    markChanged();
}

MediaElementPtr MediaLibrary::elementWithIdentifier(const QString &identifier) const
{
    if (MediaElementPtr element = m_media.value(identifier))
        return element;
    if (MediaElementPtr element = m_trash.value(identifier))
        return element;
    return m_error.value(identifier);
}

bool MediaLibrary::containsElement(const MediaElement &element) const
{
    const QString &identifier = element.identifier();
    return m_media.contains(identifier) || m_trash.contains(identifier)
        || m_error.contains(identifier);
}

MediaElementList MediaLibrary::allElements() const
{
    MediaElementList elements;
    elements.reserve(m_media.size() + m_trash.size() + m_error.size());
    for (const ElementDictionary *dictionary : { &m_media, &m_trash, &m_error }) {
        for (const MediaElementPtr &element : *dictionary)
            elements.append(element);
    }
    return elements;
}

MediaElementList MediaLibrary::unprocessedElements() const
{
    MediaElementList elements;
    for (const ElementDictionary *dictionary : { &m_media, &m_trash }) {
        for (const MediaElementPtr &element : *dictionary) {
            if (element->assets() != AssetsComplete)
                elements.append(element);
        }
    }
    return elements;
}

void MediaLibrary::trashElement(const MediaElementPtr &element)
{
    if (!element)
        return;
    const QString &identifier = element->identifier();
    m_trash.insert(identifier, element);
    if (m_media.remove(identifier))
        recordMediaChange(element.get(), false);
    m_error.remove(identifier);
    removeFromStaticCollections(identifier);
    markChanged();
}

void MediaLibrary::restoreElement(const MediaElementPtr &element)
{
    if (!element)
        return;
    if (!m_media.contains(element->identifier()))
        recordMediaChange(element.get(), true);
    m_media.insert(element->identifier(), element);
    m_trash.remove(element->identifier());
    markChanged();
}

void MediaLibrary::emptyTrash(bool moveFilesToSystemTrash)
{
    QStringList files;
    for (const MediaElementPtr &element : std::as_const(m_trash)) {
        m_imageStore.removeImages(element->identifier());
        const QString path = ElementFiles::pathWithBookmarkData(element->bookmark());
        if (!path.isEmpty())
            files.append(path);
    }
    if (moveFilesToSystemTrash && !files.isEmpty())
        SystemTrash::moveToTrashInBackground(files);
    m_trash.clear();
    removeStaleKeywords();
}

// --- Bookmarks -----------------------------------------------------------------------------

namespace {

using MovedPaths = QList<QPair<QString, QString>>;

// Every element whose bookmark finds its file somewhere else than its path says
// (or whose volume is not known yet), with the path found.
MovedPaths findMovedElements(const MediaElementList &elements)
{
    std::vector<QString> found(size_t(elements.size()));
    forEachConcurrently(elements.size(), [&](qsizetype i) {
        if (validationStopping)
            return;
        const MediaElement &element = *elements[i];
        const QString path = ElementFiles::pathWithBookmarkData(element.bookmark());
        if (!path.isEmpty() && (path != element.path() || element.device().isEmpty()))
            found[size_t(i)] = path;
    });
    MovedPaths moved;
    for (qsizetype i = 0; i < elements.size(); ++i) {
        if (!found[size_t(i)].isEmpty())
            moved.append({ elements[i]->identifier(), found[size_t(i)] });
    }
    return moved;
}

} // namespace

void MediaLibrary::validateBookmarks()
{
    if (!backgroundValidation)
        return;
    const MediaElementList elements = allElements();
    if (elements.isEmpty())
        return;
    QPointer<MediaLibrary> guard(this);
    validationPool().start([guard, elements] {
        const MovedPaths moved = findMovedElements(elements);
        if (moved.isEmpty())
            return;
        // The library may be gone by the time this runs; the guard is only
        // looked at on the main thread, which is where libraries die.
        postToMainThread([guard, moved] {
            if (guard)
                guard->applyMovedPaths(moved);
        });
    });
}

int MediaLibrary::validateBookmarksNow()
{
    const MovedPaths moved = findMovedElements(allElements());
    applyMovedPaths(moved);
    return int(moved.size());
}

void MediaLibrary::applyMovedPaths(const QList<QPair<QString, QString>> &moved)
{
    int changed = 0;
    for (const auto &[identifier, path] : moved) {
        const MediaElementPtr element = elementWithIdentifier(identifier);
        // A validation queued behind another can report a move already applied.
        if (!element || (element->path() == path && !element->device().isEmpty()))
            continue;
        element->setPath(path);
        ++changed;
    }
    if (changed == 0)
        return;
    const QStringList keys = { QStringLiteral("fileExists"), QStringLiteral("path"),
        QStringLiteral("device"), QStringLiteral("parentFolder"), QStringLiteral("name") };
    NotificationQueue::instance().enqueue(
        Notification { LibraryNotification::SystemDidChangeElements, this,
            { { LibraryNotification::LibraryIdentifierKey, m_identifier },
                { LibraryNotification::LibraryElementPropertiesKey, keys } } });
    markChanged();
}

// --- Images --------------------------------------------------------------------------------

QByteArray MediaLibrary::imageDataForElement(ElementImage image, const MediaElement &element)
{
    QByteArray data = m_imageStore.image(image, element.identifier());
    requestMissingImage(image, element);
    return data;
}

std::function<QByteArray()> MediaLibrary::imageReaderForElement(
    ElementImage image, const MediaElement &element)
{
    requestMissingImage(image, element);
    return m_imageStore.reader(image, element.identifier());
}

void MediaLibrary::requestMissingImage(ElementImage image, const MediaElement &element)
{
    const int flag = assetFlagForImage(image);
    if (flag == 0 || element.containsAssets(flag))
        return;
    if (imageRequester()
        && !UserDefaults::standard().boolForKey(QStringLiteral("ImportImagesImmediately"))) {
        if (const MediaElementPtr held = elementWithIdentifier(element.identifier()))
            imageRequester()(*this, { held }, image);
    }
}

void MediaLibrary::setImageDataForElement(
    ElementImage image, const QByteArray &data, const MediaElement &element)
{
    m_imageStore.setImage(image, element.identifier(), data);
    static const std::array<QString, ElementImageCount> keys
        = { QStringLiteral("posterData"), QStringLiteral("thumbnailData"),
              QStringLiteral("storyboardData"), QStringLiteral("filmstripData") };
    emit elementValuesChanged(element.identifier(), { keys[size_t(image)] });
    if (image == ElementImage::Poster)
        markChanged();
}

// --- Other ---------------------------------------------------------------------------------

void MediaLibrary::synchronize()
{
    for (const MediaElementPtr &element : allElements())
        element->setLibrary(this);
    attachCollectionsAndKeywords();
    validateBookmarks();
    validateKeywords();
    followBatchWithLastImport();
}

QStringList MediaLibrary::elementSearchKeys() const
{
    QStringList keys { QStringLiteral("name") };
    if (UserDefaults::standard().boolForKey(QStringLiteral("SearchCommentsField")))
        keys.append(QStringLiteral("userComments"));
    for (const MediaUserFieldPtr &field : activeUserFields())
        keys.append(field->identifier());
    return keys;
}

QString MediaLibrary::generateUUID()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

bool MediaLibrary::isValidIdentifier(const QString &identifier)
{
    if (identifier.size() != 36)
        return false;
    for (qsizetype i = 0; i < 36; ++i) {
        const QChar c = identifier.at(i);
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (c != QLatin1Char('-'))
                return false;
        } else if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9'))
                       || (c >= QLatin1Char('A') && c <= QLatin1Char('F')))) {
            return false;
        }
    }
    return true;
}

} // namespace vidarium
