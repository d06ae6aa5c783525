#include "model/mediaelement.h"

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

#include <cmath>
#include <numeric>

namespace vidarium {

namespace {

const QString ThumbnailPositionKey = QStringLiteral("ThumbnailPosition");

qint64 metric(const PlistDictionary &metrics, const QString &key)
{
    return metrics.value(key).toInteger();
}

std::optional<qint64> integerFrom(const PlistValue &value)
{
    if (value.isNumber())
        return value.toInteger();
    if (value.type() == PlistValue::Type::String) {
        bool ok = false;
        const double number = value.toString().trimmed().toDouble(&ok);
        if (ok && std::isfinite(number))
            return qint64(number);
    }
    return std::nullopt;
}

std::optional<double> realFrom(const PlistValue &value)
{
    if (value.isNumber())
        return value.toDouble();
    if (value.type() == PlistValue::Type::String) {
        bool ok = false;
        const double number = value.toString().trimmed().toDouble(&ok);
        if (ok && std::isfinite(number))
            return number;
    }
    return std::nullopt;
}

bool isString(const PlistValue &value)
{
    return value.type() == PlistValue::Type::String;
}

QStringList stringMembers(const PlistValue &value)
{
    QStringList result;
    for (const PlistValue &member : value.toArray()) {
        if (isString(member) && !result.contains(member.toString()))
            result.append(member.toString());
    }
    return result;
}

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
        m_bookmark = bookmarkDataWithPath(path);
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

namespace {

// The last component of a path. Criteria and searches read names of every
// element, so this cuts the string rather than building a QFileInfo.
QStringView fileNameOfPath(const QString &path)
{
    return QStringView(path).mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// Where the extension's dot is, or -1; a leading dot names a hidden file, not an extension.
qsizetype extensionDot(QStringView fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot <= 0 ? -1 : dot;
}

} // namespace

void MediaElement::setPathLocked(const QString &path)
{
    if (const std::optional<QString> volume = volumeNameForPath(path))
        m_device = volume->isEmpty() ? QStringLiteral("Unknown") : *volume;
    else if (m_device.isEmpty())
        m_device = volumeNameFromPathLayout(path);
    m_path = path;
    const QStringView fileName = fileNameOfPath(m_path);
    const qsizetype dot = extensionDot(fileName);
    m_hot.name = (dot < 0 ? fileName : fileName.left(dot)).toString();
    m_hot.nameText.store(m_hot.name.constData(), std::memory_order_relaxed);
    m_extension = dot < 0 ? QString() : fileName.mid(dot + 1).toString();
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

// --- Key-value access -------------------------------------------------------------------

PlistValue MediaElement::valueForKey(const QString &key) const
{
    if (const std::optional<ElementKey> known = ElementKeys::fromName(key))
        return valueForKey(*known);
    return valueForUndefinedKey(key);
}

PlistValue MediaElement::valueForPreparedKey(const PreparedKey &key) const
{
    if (const std::optional<ElementKey> known = key.elementKey())
        return valueForKey(*known);
    return valueForUndefinedKey(key.name());
}

std::optional<bool> MediaElement::testText(const PreparedKey &key, const StringTest &test) const
{
    using K = ElementKey;
    const std::optional<ElementKey> known = key.elementKey();
    if (!known) {
        const auto field = m_hot.userFields.constFind(key.name());
        if (field == m_hot.userFields.constEnd() || field->isAbsent())
            return test.test(u" "); // as valueForUndefinedKey answers
        if (field->type() != PlistValue::Type::String)
            return std::nullopt;
        return test.test(field->toString());
    }
    const auto locked = [&](const QString &text) {
        QMutexLocker locker(&m_hot.mutex);
        return test.test(text);
    };
    switch (*known) {
    case K::Name:
        return locked(m_hot.name);
    case K::Extension:
        return locked(m_extension);
    case K::Path:
        return locked(m_path);
    case K::Device:
        return locked(m_device);
    case K::UserComments:
        return test.test(m_hot.userComments);
    case K::Owner:
        return test.test(m_owner);
    case K::Identifier:
        return test.test(m_identifier);
    case K::Tool:
        return test.test(m_tool);
    case K::Batch:
        return test.test(m_batch);
    case K::Checksum:
        return test.test(m_checksum);
    case K::VideoCodec:
        return test.test(m_videoCodec);
    case K::AudioCodec:
        return test.test(m_audioCodec);
    default:
        return std::nullopt;
    }
}

PlistValue MediaElement::valueForKey(ElementKey key) const
{
    using K = ElementKey;
    switch (key) {
    case K::Owner:
        return m_owner;
    case K::Identifier:
        return m_identifier;
    case K::Assets:
        return qint64(m_hot.assets);
    case K::Tool:
        return m_tool;
    case K::Batch:
        return m_batch;
    case K::Device:
        return device();
    case K::Path:
        return path();
    case K::Bookmark:
        return m_bookmark.isEmpty() ? PlistValue() : PlistValue(m_bookmark);
    case K::Checksum:
        return m_checksum;
    case K::Size:
        return m_hot.size;
    case K::Duration:
        return m_hot.duration;
    case K::PixelsWide:
        return m_hot.pixelsWide;
    case K::PixelsHigh:
        return m_hot.pixelsHigh;
    case K::FrameRate:
        return m_hot.frameRate;
    case K::VideoCodec:
        return m_videoCodec;
    case K::AudioCodec:
        return m_audioCodec;
    case K::CreationDate:
        return m_creationDate;
    case K::ModifiedDate:
        return m_modifiedDate;
    case K::ImportedDate:
        return m_hot.importedDate;
    case K::LaunchedDate:
        return m_hot.hasLaunchedDate ? PlistValue(m_hot.launchedDate) : PlistValue::null();
    case K::PlayCount:
        return m_hot.playCount;
    case K::Rating:
        return qint64(m_hot.rating);
    case K::ImageMetrics:
        return imageMetrics();
    case K::UserComments:
        return m_hot.userComments;
    case K::UserKeywords: {
        PlistArray members;
        members.reserve(m_hot.userKeywords.size());
        for (const QString &identifier : m_hot.userKeywords)
            members.append(identifier);
        return PlistValue::set(members);
    }
    case K::UserFields:
        return m_hot.userFields;
    case K::Error:
        return m_hot.error;
    case K::Name:
        return name();
    case K::Extension:
        return extension();
    case K::ParentFolder:
        return parentFolder();
    case K::ParentFolderPath:
        return parentFolderPath();
    case K::Resolution:
        return resolution();
    case K::AspectRatio:
        return aspectRatio();
    case K::RoundedFrameRate:
        return roundedFrameRate();
    case K::Summary:
        return summary();
    case K::Status:
        return qint64(status());
    case K::FileExists:
        return fileExists();
    case K::UserKeywordObjects:
        return m_library ? m_library->keywordObjectsForIdentifiers(m_hot.userKeywords)
                         : PlistValue();
    case K::UserKeywordsExist:
        return userKeywordsExist();
    case K::Resource: {
        const std::optional<FileIdentity> identity = resource();
        if (!identity)
            return PlistValue::null();
        return QStringLiteral("%1:%2").arg(identity->device).arg(identity->inode);
    }
    case K::Handlers: {
        PlistArray identifiers;
        for (const ApplicationInfo &application :
            ApplicationLauncher::applicationsForExtension(extension()))
            identifiers.append(application.identifier);
        return identifiers;
    }
    case K::PosterData:
        return posterData();
    case K::ThumbnailData:
        return thumbnailData();
    case K::StoryboardData:
        return storyboardData();
    case K::FilmstripData:
        return filmstripData();
    }
    return {};
}

PlistValue MediaElement::valueForKeyPath(const QString &keyPath) const
{
    static const QString keywordNames = QStringLiteral("userKeywordObjects.name");
    if (keyPath == keywordNames) {
        PlistArray names;
        for (const QString &name : userKeywordNames())
            names.append(name);
        return names;
    }
    return KeyValueSource::valueForKeyPath(keyPath);
}

PlistValue MediaElement::callFunction(const QString &selector, const PlistArray &arguments) const
{
    if (selector == QLatin1String("arrayValueForUndefinedKey:") && arguments.size() == 1
        && isString(arguments.first())) {
        PlistArray pieces;
        for (const QString &piece : arrayValueForUndefinedKey(arguments.first().toString()))
            pieces.append(piece);
        return pieces;
    }
    return KeyValueSource::callFunction(selector, arguments);
}

bool MediaElement::setValueForKey(const PlistValue &value, const QString &key)
{
    const std::optional<ElementKey> known = ElementKeys::fromName(key);
    if (!known) {
        setValueForUndefinedKey(value, key);
        return true;
    }
    if (*known == ElementKey::Name) {
        if (!isString(value))
            return false;
        setName(value.toString());
        return true;
    }
    if (!ElementKeys::isStored(*known))
        return false;
    if (*known == ElementKey::Identifier)
        return false; // the library keys elements by it
    return assignStored(*known, value);
}

bool MediaElement::assignStored(ElementKey key, const PlistValue &value)
{
    using K = ElementKey;
    const auto setString = [&](void (MediaElement::*setter)(const QString &)) {
        if (!isString(value))
            return false;
        (this->*setter)(value.toString());
        return true;
    };
    const auto setDate = [&](void (MediaElement::*setter)(PlistDate)) {
        if (value.type() != PlistValue::Type::Date)
            return false;
        (this->*setter)(value.toDate());
        return true;
    };
    bool accepted = false;
    switch (key) {
    case K::Owner:
        accepted = setString(&MediaElement::setOwner);
        break;
    case K::Tool:
        accepted = setString(&MediaElement::setTool);
        break;
    case K::Batch:
        accepted = setString(&MediaElement::setBatch);
        break;
    case K::Device:
        accepted = setString(&MediaElement::setDevice);
        break;
    case K::Path:
        accepted = setString(&MediaElement::setPath);
        break;
    case K::Checksum:
        accepted = setString(&MediaElement::setChecksum);
        break;
    case K::VideoCodec:
        accepted = setString(&MediaElement::setVideoCodec);
        break;
    case K::AudioCodec:
        accepted = setString(&MediaElement::setAudioCodec);
        break;
    case K::UserComments:
        accepted = setString(&MediaElement::setUserComments);
        break;
    case K::Bookmark:
        accepted = value.type() == PlistValue::Type::Data || value.isAbsent();
        if (accepted)
            setBookmark(value.toData());
        break;
    case K::Assets:
        if (const auto number = integerFrom(value)) {
            setAssets(int(*number & AssetsComplete));
            accepted = true;
        }
        break;
    case K::Size:
        if (const auto number = integerFrom(value)) {
            setSize(*number);
            accepted = true;
        }
        break;
    case K::PixelsWide:
        if (const auto number = integerFrom(value)) {
            setPixelsWide(*number);
            accepted = true;
        }
        break;
    case K::PixelsHigh:
        if (const auto number = integerFrom(value)) {
            setPixelsHigh(*number);
            accepted = true;
        }
        break;
    case K::PlayCount:
        if (const auto number = integerFrom(value)) {
            setPlayCount(*number);
            accepted = true;
        }
        break;
    case K::Rating:
        if (const auto number = integerFrom(value); number && *number >= 0 && *number <= 5) {
            setRating(int(*number));
            accepted = true;
        }
        break;
    case K::Duration:
        if (const auto number = realFrom(value)) {
            setDuration(*number);
            accepted = true;
        }
        break;
    case K::FrameRate:
        if (const auto number = realFrom(value)) {
            setFrameRate(*number);
            accepted = true;
        }
        break;
    case K::CreationDate:
        accepted = setDate(&MediaElement::setCreationDate);
        break;
    case K::ModifiedDate:
        accepted = setDate(&MediaElement::setModifiedDate);
        break;
    case K::ImportedDate:
        accepted = setDate(&MediaElement::setImportedDate);
        break;
    case K::LaunchedDate:
        if (value.type() == PlistValue::Type::Date) {
            setLaunchedDate(value.toDate());
            accepted = true;
        } else if (value.isAbsent()) {
            setLaunchedDate(std::nullopt);
            accepted = true;
        }
        break;
    case K::ImageMetrics:
        accepted = value.type() == PlistValue::Type::Dictionary;
        if (accepted)
            setImageMetrics(value.toDictionary());
        break;
    case K::UserKeywords:
        accepted = value.type() == PlistValue::Type::Set || value.type() == PlistValue::Type::Array;
        if (accepted)
            setUserKeywords(stringMembers(value));
        break;
    case K::UserFields:
        accepted = value.type() == PlistValue::Type::Dictionary;
        if (accepted)
            setUserFields(value.toDictionary());
        break;
    case K::Error:
        accepted = value.isNumber();
        if (accepted)
            setError(value.toBool());
        break;
    default:
        break;
    }
    return accepted;
}

PlistValue MediaElement::valueForUndefinedKey(const QString &key) const
{
    const PlistValue value = m_hot.userFields.value(key);
    if (value.isAbsent())
        return QStringLiteral(" ");
    return value;
}

void MediaElement::setValueForUndefinedKey(const PlistValue &value, const QString &key)
{
    if (value.isAbsent()) {
        if (!m_hot.userFields.contains(key))
            return;
        m_hot.userFields.remove(key);
    } else {
        if (m_hot.userFields.value(key) == value)
            return;
        m_hot.userFields.insert(key, value);
    }
    if (m_library && isMainThread())
        emit m_library->elementValuesChanged(m_identifier, { key });
}

QStringList MediaElement::arrayValueForUndefinedKey(const QString &key) const
{
    const PlistValue value = valueForUndefinedKey(key);
    const QString text = isString(value) ? value.toString() : QString();
    QStringList pieces;
    for (const QString &piece : text.split(QLatin1Char(','))) {
        qsizetype begin = 0;
        qsizetype end = piece.size();
        const auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
        while (begin < end && blank(piece.at(begin)))
            ++begin;
        while (end > begin && blank(piece.at(end - 1)))
            --end;
        pieces.append(piece.mid(begin, end - begin));
    }
    return pieces;
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

QString MediaElement::parentFolder() const
{
    const QString resolved = packagePath(path());
    const QString folder = resolved == path() ? QFileInfo(resolved).path() : resolved;
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

int MediaElement::status() const
{
    if (!fileExists())
        return 5;
    if (m_hot.error)
        return 4;
    if (m_hot.assets == AssetsComplete)
        return 0;
    if (m_hot.assets & (AssetThumbnail | AssetStoryboard | AssetFilmstrip))
        return 1;
    if (m_hot.assets & AssetProperties)
        return 2;
    return 3;
}

bool MediaElement::fileExists() const
{
    const QString current = path();
    if (!current.isEmpty() && pathExists(current))
        return true;
    const QString found = pathWithBookmarkData(m_bookmark);
    if (found.isEmpty())
        return false;
    // The file moved while nobody looked: follow it.
    const_cast<MediaElement *>(this)->setPath(found);
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

// --- Images ------------------------------------------------------------------------------

QByteArray MediaElement::posterData() const
{
    return m_library ? m_library->posterDataForElement(*this) : QByteArray();
}

QByteArray MediaElement::thumbnailData() const
{
    return m_library ? m_library->thumbnailDataForElement(*this) : QByteArray();
}

QByteArray MediaElement::storyboardData() const
{
    return m_library ? m_library->storyboardDataForElement(*this) : QByteArray();
}

QByteArray MediaElement::filmstripData() const
{
    return m_library ? m_library->filmstripDataForElement(*this) : QByteArray();
}

void MediaElement::setPosterData(const QByteArray &data)
{
    if (m_library)
        m_library->setPosterData(data, *this);
}

void MediaElement::setThumbnailData(const QByteArray &data)
{
    if (m_library)
        m_library->setThumbnailData(data, *this);
}

void MediaElement::setStoryboardData(const QByteArray &data)
{
    if (m_library)
        m_library->setStoryboardData(data, *this);
}

void MediaElement::setFilmstripData(const QByteArray &data)
{
    if (m_library)
        m_library->setFilmstripData(data, *this);
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
    const PlistValue own = imageMetrics().value(ThumbnailPositionKey);
    return own.isNumber() && own.toDouble() == settings.value(ThumbnailPositionKey).toDouble();
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
    return int((metric(metrics, QStringLiteral("StoryboardSize")) & 15)
        | ((metric(metrics, QStringLiteral("StoryboardRows")) & 15) << 4)
        | ((metric(metrics, QStringLiteral("StoryboardColumns")) & 15) << 8)
        | ((metric(metrics, QStringLiteral("StoryboardAspect")) & 1) << 12)
        | ((metric(metrics, QStringLiteral("StoryboardRetina")) & 1) << 13));
}

int MediaElement::bitfieldForFilmstripMetrics(const PlistDictionary &metrics)
{
    return int((metric(metrics, QStringLiteral("FilmstripSize")) & 15)
        | ((metric(metrics, QStringLiteral("FilmstripFrames")) & 15) << 4)
        | ((metric(metrics, QStringLiteral("FilmstripAspect")) & 1) << 12)
        | ((metric(metrics, QStringLiteral("FilmstripRetina")) & 1) << 13));
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

QByteArray MediaElement::bookmarkDataWithPath(const QString &path)
{
    return Bookmark::create(path);
}

QString MediaElement::pathWithBookmarkData(const QByteArray &bookmark)
{
    if (bookmark.isEmpty())
        return QString();
    return Bookmark::resolvePath(bookmark).value_or(QString());
}

bool MediaElement::movePath(const QString &from, const QString &to)
{
    // Never rename(2) alone, which replaces an existing file: a rename must not
    // destroy another of the user's files.
    return renamePath(from, to);
}

void MediaElement::setName(const QString &newName)
{
    // A name that is not one path component would move the file elsewhere.
    if (newName.isEmpty() || newName.contains(QLatin1Char('/')) || newName == QLatin1String(".")
        || newName == QLatin1String(".."))
        return;
    const QString found = pathWithBookmarkData(m_bookmark);
    if (found.isEmpty())
        return;
    setPath(found);

    const QString current = path();
    const QString folder = QFileInfo(current).path();
    const QString suffix = extension().isEmpty() ? QString() : QLatin1Char('.') + extension();
    const QString target = folder + QLatin1Char('/') + newName + suffix;

    if (name().compare(newName, Qt::CaseInsensitive) != 0) {
        if (movePath(current, target))
            setPath(target);
        return;
    }
    // Same name but for case: go through a unique name so that file systems that
    // ignore case still see a change.
    const QString detour = folder + QLatin1Char('/') + MediaLibrary::generateUUID() + suffix;
    if (!movePath(current, detour))
        return;
    if (movePath(detour, target)) {
        setPath(target);
        return;
    }
    // Never leave the file under the detour name: put it back, or at least
    // record where it is.
    if (!movePath(detour, current))
        setPath(detour);
}

PlistDictionary MediaElement::description() const
{
    PlistDictionary result;
    for (int i = int(ElementKey::Owner); i <= int(ElementKey::Error); ++i)
        result.insert(ElementKeys::name(ElementKey(i)), valueForKey(ElementKey(i)));
    return result;
}

} // namespace vidarium
