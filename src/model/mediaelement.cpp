#include "model/mediaelement.h"

#include "model/elementfiles.h"
#include "model/imagemetrics.h"
#include "model/medialibrary.h"
#include "model/stringutilities.h"
#include "model/valueformatters.h"
#include "platform/applicationlauncher.h"
#include "platform/bookmark.h"
#include "platform/filepath.h"
#include "platform/mainthread.h"
#include "platform/mapprefetch.h"
#include "platform/volumename.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMutexLocker>
#include <QStringMatcher>

#include <cmath>
#include <numeric>

namespace vidarium {

namespace {

} // namespace
MediaElementPtr MediaElement::create(MediaLibrary *library, const QString &path)
{
    return std::make_shared<MediaElement>(library, path, true);
}

MediaElement::MediaElement(MediaLibrary *library, const QString &path, bool withIdentifier)
    : m_library(library)
{
    if (library) {
        m_owner = library->identifier();
        m_batch = library->batch();
    }
    if (withIdentifier)
        m_identifier = MediaLibrary::generateUUID();
    const PlistDate now = PlistDate::fromDateTime(QDateTime::currentDateTimeUtc());
    m_creationDate = now;
    m_modifiedDate = now;
    m_hot.importedDate = now;
    if (!path.isEmpty()) {
        setPathLocked(path);
        m_bookmark = ElementFiles::bookmarkDataWithPath(path);
    }
}

MediaElement::~MediaElement() = default;

MediaLibrary *MediaElement::library() const
{
    return m_library.data();
}

void MediaElement::setLibrary(MediaLibrary *library)
{
    m_library = library;
}

// --- Change announcements ------------------------------------------------------------

void MediaElement::didChange(ElementKey key)
{
    if (isMainThread()) {
        if (MediaLibrary *library = m_library.data())
            library->elementDidChange(*this, key);
        return;
    }
    // Workers (a path found again, image settings recorded) announce on the main
    // thread; by then the element may have left the library, or the library gone.
    const QPointer<MediaLibrary> library = m_library;
    const QString identifier = m_identifier;
    postToMainThread([library, identifier, key] {
        if (!library)
            return;
        if (const MediaElementPtr element = library->elementWithIdentifier(identifier))
            library->elementDidChange(*element, key);
    });
}

// --- Stored properties ----------------------------------------------------------------

#define VIDARIUM_SETTER(Name, member, Key)                                                         \
    void MediaElement::Name(decltype(member) value)                                                \
    {                                                                                              \
        if (member == value)                                                                       \
            return;                                                                                \
        member = value;                                                                            \
        didChange(ElementKey::Key);                                                                \
    }

void MediaElement::setOwner(const QString &owner)
{
    if (m_owner == owner)
        return;
    m_owner = owner;
    didChange(ElementKey::Owner);
}

void MediaElement::setIdentifier(const QString &identifier)
{
    m_identifier = identifier; // the library re-keys; no announcement for a new identity
}

VIDARIUM_SETTER(setAssets, m_hot.assets, Assets)
VIDARIUM_SETTER(setSize, m_hot.size, Size)
VIDARIUM_SETTER(setDuration, m_hot.duration, Duration)
VIDARIUM_SETTER(setPixelsWide, m_hot.pixelsWide, PixelsWide)
VIDARIUM_SETTER(setPixelsHigh, m_hot.pixelsHigh, PixelsHigh)
VIDARIUM_SETTER(setFrameRate, m_hot.frameRate, FrameRate)
VIDARIUM_SETTER(setCreationDate, m_creationDate, CreationDate)
VIDARIUM_SETTER(setModifiedDate, m_modifiedDate, ModifiedDate)
VIDARIUM_SETTER(setImportedDate, m_hot.importedDate, ImportedDate)
VIDARIUM_SETTER(setPlayCount, m_hot.playCount, PlayCount)
VIDARIUM_SETTER(setError, m_hot.error, Error)
#undef VIDARIUM_SETTER

#define VIDARIUM_REF_SETTER(Name, Type, member, Key)                                               \
    void MediaElement::Name(const Type &value)                                                     \
    {                                                                                              \
        if (member == value)                                                                       \
            return;                                                                                \
        member = value;                                                                            \
        didChange(ElementKey::Key);                                                                \
    }

VIDARIUM_REF_SETTER(setTool, QString, m_tool, Tool)
VIDARIUM_REF_SETTER(setBatch, QString, m_batch, Batch)
VIDARIUM_REF_SETTER(setBookmark, QByteArray, m_bookmark, Bookmark)
VIDARIUM_REF_SETTER(setChecksum, QString, m_checksum, Checksum)
VIDARIUM_REF_SETTER(setVideoCodec, QString, m_videoCodec, VideoCodec)
VIDARIUM_REF_SETTER(setAudioCodec, QString, m_audioCodec, AudioCodec)
VIDARIUM_REF_SETTER(setUserComments, QString, m_hot.userComments, UserComments)
VIDARIUM_REF_SETTER(setUserFields, PlistDictionary, m_hot.userFields, UserFields)
#undef VIDARIUM_REF_SETTER

void MediaElement::setRating(int rating)
{
    rating = std::clamp(rating, 0, 5);
    if (m_hot.rating == rating)
        return;
    m_hot.rating = rating;
    didChange(ElementKey::Rating);
}

std::optional<PlistDate> MediaElement::launchedDate() const
{
    if (!m_hot.hasLaunchedDate)
        return std::nullopt;
    return m_hot.launchedDate;
}

void MediaElement::setLaunchedDate(std::optional<PlistDate> date)
{
    if (launchedDate() == date)
        return;
    m_hot.hasLaunchedDate = date.has_value();
    m_hot.launchedDate = date.value_or(PlistDate {});
    didChange(ElementKey::LaunchedDate);
}

void MediaElement::setUserKeywords(const QStringList &identifiers)
{
    QStringList unique;
    for (const QString &identifier : identifiers) {
        if (!unique.contains(identifier))
            unique.append(identifier);
    }
    if (unique == m_hot.userKeywords)
        return;
    m_hot.userKeywords = unique;
    didChange(ElementKey::UserKeywords);
}

QString MediaElement::device() const
{
    QMutexLocker locker(&m_hot.mutex);
    return m_device;
}

void MediaElement::setDevice(const QString &device)
{
    {
        QMutexLocker locker(&m_hot.mutex);
        if (m_device == device)
            return;
        m_device = device;
    }
    didChange(ElementKey::Device);
}

QString MediaElement::path() const
{
    QMutexLocker locker(&m_hot.mutex);
    return m_path;
}

void MediaElement::setPath(const QString &path)
{
    {
        QMutexLocker locker(&m_hot.mutex);
        if (path.isEmpty() || (path == m_path && !m_device.isEmpty()))
            return;
        setPathLocked(path);
    }
    didChange(ElementKey::Path);
}

void MediaElement::setPathLocked(const QString &path)
{
    if (const std::optional<QString> volume = volumeNameForPath(path))
        m_device = volume->isEmpty() ? QStringLiteral("Unknown") : *volume;
    else if (m_device.isEmpty())
        m_device = volumeNameFromPathLayout(path);
    m_path = path;
    // Cut here rather than on every request: criteria and searches read the
    // names of every element.
    const FileNameParts parts = ElementFiles::splitFileName(m_path);
    m_hot.name = parts.name.toString();
    m_hot.nameText.store(m_hot.name.constData(), std::memory_order_relaxed);
    m_extension = parts.extension.toString();
}

PlistDictionary MediaElement::imageMetrics() const
{
    QMutexLocker locker(&m_hot.mutex);
    return m_imageMetrics;
}

void MediaElement::setImageMetrics(const PlistDictionary &metrics)
{
    {
        QMutexLocker locker(&m_hot.mutex);
        if (m_imageMetrics == metrics)
            return;
        m_imageMetrics = metrics;
    }
    didChange(ElementKey::ImageMetrics);
}

void MediaElement::mergeImageMetrics(const PlistDictionary &entries)
{
    {
        QMutexLocker locker(&m_hot.mutex);
        PlistDictionary merged = m_imageMetrics;
        for (auto it = entries.constBegin(); it != entries.constEnd(); ++it)
            merged.insert(it.key(), it.value());
        if (merged == m_imageMetrics)
            return;
        m_imageMetrics = merged;
    }
    didChange(ElementKey::ImageMetrics);
}

// --- Derived values ----------------------------------------------------------------------

QString MediaElement::name() const
{
    QMutexLocker locker(&m_hot.mutex);
    return m_hot.name;
}

QString MediaElement::extension() const
{
    QMutexLocker locker(&m_hot.mutex);
    return m_extension;
}

QString MediaElement::parentFolderPath() const
{
    const QString folder = QFileInfo(packagePath(path())).path();
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

namespace {

// An absolute path with no empty, "." or ".." component and outside any
// package: its folder is the text between its last two slashes, exactly as
// the file-system parsing below would find it.
bool isPlainAbsolutePath(const QString &path)
{
    // Plain scans: this runs for every element a filter or criterion reads.
    if (!path.startsWith(u'/') || path.endsWith(u'/') || path.endsWith(u"/.")
        || path.endsWith(u"/.."))
        return false;
    for (qsizetype i = 1; i < path.size(); ++i) {
        if (path.at(i - 1) != u'/')
            continue;
        const QStringView rest = QStringView(path).mid(i);
        if (rest.startsWith(u'/') || rest.startsWith(u"./") || rest.startsWith(u"../"))
            return false;
    }
    // A prepared matcher: a plain contains() sets up its search tables on every call.
    static const QStringMatcher package(u"fcpbundle");
    return package.indexIn(path) < 0;
}

} // namespace

QString MediaElement::parentFolder() const
{
    const QString current = path();
    // Filters and criteria read this of every element: the common case skips
    // the file-system entry parsing, which costs several allocations.
    if (isPlainAbsolutePath(current)) {
        const qsizetype slash = current.lastIndexOf(QLatin1Char('/'));
        if (slash == 0)
            return QStringLiteral("/");
        const qsizetype previous = current.lastIndexOf(QLatin1Char('/'), slash - 1);
        return current.mid(previous + 1, slash - previous - 1);
    }
    const QString resolved = packagePath(current);
    const QString folder = resolved == current ? QFileInfo(resolved).path() : resolved;
    if (folder == QLatin1String("/"))
        return folder;
    return QFileInfo(folder).fileName();
}

QString MediaElement::resolution() const
{
    return QStringLiteral("%1 x %2").arg(m_hot.pixelsWide).arg(m_hot.pixelsHigh);
}

QString MediaElement::aspectRatio() const
{
    const qint32 width = qint32(m_hot.pixelsWide);
    const qint32 height = qint32(m_hot.pixelsHigh);
    if (width == 0 || height == 0)
        return QStringLiteral("0:0");
    qint32 a = width;
    qint32 b = height;
    while (b != 0) {
        const qint32 rest = a % b;
        a = b;
        b = rest;
    }
    return QStringLiteral("%1:%2").arg(width / a).arg(height / a);
}

QString MediaElement::roundedFrameRate() const
{
    const double rounded = std::floor(m_hot.frameRate * 100.0 + 0.5) / 100.0;
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(rounded, 'f', QLocale::FloatingPointShortest);
}

QString MediaElement::summary() const
{
    return QStringList { ByteFormatter().stringForObjectValue(m_hot.size),
        DurationFormatter().stringForObjectValue(m_hot.duration), resolution(), aspectRatio(),
        FrameRateFormatter().stringForObjectValue(m_hot.frameRate) + QStringLiteral(" fps") }
        .join(QStringLiteral(", "));
}

ElementStatus MediaElement::status() const
{
    if (!fileExists())
        return ElementStatus::FileMissing;
    if (m_hot.error)
        return ElementStatus::Failed;
    if (m_hot.assets == AssetsComplete)
        return ElementStatus::Complete;
    if (m_hot.assets & (AssetThumbnail | AssetStoryboard | AssetFilmstrip))
        return ElementStatus::ImagesMissing;
    if (m_hot.assets & AssetProperties)
        return ElementStatus::PropertiesOnly;
    return ElementStatus::NotRead;
}

bool MediaElement::fileExists() const
{
    return ElementFiles::exists(path(), m_bookmark);
}

bool MediaElement::followMovedFile()
{
    const QString current = path();
    if (!current.isEmpty() && pathExists(current))
        return true;
    const QString found = ElementFiles::pathWithBookmarkData(m_bookmark);
    if (found.isEmpty())
        return false;
    setPath(found);
    return true;
}

QStringList MediaElement::userKeywordNames() const
{
    QStringList names;
    if (!m_library)
        return names;
    for (const QString &identifier : m_hot.userKeywords) {
        const QString keywordName = m_library->keywordNameForIdentifier(identifier);
        if (!keywordName.isNull())
            names.append(keywordName);
    }
    return names;
}

std::optional<FileIdentity> MediaElement::resource() const
{
    const std::optional<QString> found = Bookmark::resolvePath(m_bookmark);
    if (!found)
        return std::nullopt;
    const Result<FileIdentity> identity = FileIdentity::ofPath(*found);
    if (!identity)
        return std::nullopt;
    return *identity;
}

// --- Keywords, assets and image settings -------------------------------------------------

void MediaElement::addKeywordWithIdentifier(const QString &identifier)
{
    if (identifier.isEmpty() || m_hot.userKeywords.contains(identifier))
        return;
    m_hot.userKeywords.append(identifier);
    didChange(ElementKey::UserKeywords);
}

void MediaElement::removeKeywordWithIdentifier(const QString &identifier)
{
    if (m_hot.userKeywords.removeAll(identifier) > 0)
        didChange(ElementKey::UserKeywords);
}

void MediaElement::addAssets(int flags)
{
    setAssets(m_hot.assets | (flags & AssetsComplete));
}

void MediaElement::removeAssets(int flags)
{
    setAssets(m_hot.assets & ~flags);
}

bool MediaElement::conformsToThumbnailMetrics(const PlistDictionary &settings) const
{
    const PlistValue own = imageMetrics().value(ImageMetricKeys::ThumbnailPosition);
    return own.isNumber()
        && own.toDouble() == settings.value(ImageMetricKeys::ThumbnailPosition).toDouble();
}

bool MediaElement::conformsToStoryboardMetrics(const PlistDictionary &settings) const
{
    return bitfieldForStoryboardMetrics(imageMetrics()) == bitfieldForStoryboardMetrics(settings);
}

bool MediaElement::conformsToFilmstripMetrics(const PlistDictionary &settings) const
{
    return bitfieldForFilmstripMetrics(imageMetrics()) == bitfieldForFilmstripMetrics(settings);
}

int MediaElement::bitfieldForStoryboardMetrics(const PlistDictionary &metrics)
{
    return ImageMetrics::fromDictionary(metrics).storyboardFingerprint();
}

int MediaElement::bitfieldForFilmstripMetrics(const PlistDictionary &metrics)
{
    return ImageMetrics::fromDictionary(metrics).filmstripFingerprint();
}

// --- Fetching ahead ---------------------------------------------------------------------

void MediaElement::prefetch() const
{
    // From the lock to the assets: two or three cache lines, wherever they fall.
    const char *first = reinterpret_cast<const char *>(&m_hot);
    const char *last = reinterpret_cast<const char *>(&m_hot.assets);
    __builtin_prefetch(first);
    __builtin_prefetch(first + 64);
    __builtin_prefetch(last);
}

void MediaElement::prefetchValues() const
{
    // Not the name under its lock: a locked instruction would hold back the other
    // fetches. The text it last pointed to may be gone; fetching it is harmless.
    __builtin_prefetch(m_hot.nameText.load(std::memory_order_relaxed));
    __builtin_prefetch(m_hot.userComments.constData());
    prefetchMapData(m_hot.userFields); // spares the search of user fields one trip to memory
}

// --- Files -------------------------------------------------------------------------------

void MediaElement::setName(const QString &newName)
{
    if (!ElementFiles::isValidName(newName))
        return;
    const QString found = ElementFiles::pathWithBookmarkData(m_bookmark);
    if (found.isEmpty())
        return;
    setPath(found);
    if (const std::optional<QString> renamed = ElementFiles::rename(found, newName))
        setPath(*renamed);
}

PlistDictionary MediaElement::description() const
{
    PlistDictionary result;
    for (int i = int(ElementKey::Owner); i <= int(ElementKey::Error); ++i)
        result.insert(ElementKeys::name(ElementKey(i)), valueForKey(ElementKey(i)));
    return result;
}

} // namespace vidarium
