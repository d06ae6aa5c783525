#include "model/mediaelement.h"

#include "model/medialibrary.h"
#include "platform/applicationlauncher.h"
#include "platform/mainthread.h"

#include <QMutexLocker>

#include <cmath>

namespace vidarium {

namespace {

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
    // Stored values in line, the derived ones apart: criteria read stored values most.
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
    case K::Name: // derived, but read as often as the stored values
        return name();
    default:
        return derivedValue(key);
    }
}

PlistValue MediaElement::derivedValue(ElementKey key) const
{
    using K = ElementKey;
    switch (key) {
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
        followMovedFileOnRead();
        return qint64(status());
    case K::FileExists:
        return followMovedFileOnRead();
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
        return imageData(ElementImage::Poster);
    case K::ThumbnailData:
        return imageData(ElementImage::Thumbnail);
    case K::StoryboardData:
        return imageData(ElementImage::Storyboard);
    case K::FilmstripData:
        return imageData(ElementImage::Filmstrip);
    default:
        return {};
    }
}

QByteArray MediaElement::imageData(ElementImage image) const
{
    MediaLibrary *library = m_library.data();
    return library ? library->imageDataForElement(image, *this) : QByteArray();
}

bool MediaElement::followMovedFileOnRead() const
{
    // Reading "fileExists" or "status" by key follows a moved file, as it always
    // has: the status column and the list command show the file where it is now.
    return const_cast<MediaElement *>(this)->followMovedFile();
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
    return assignStored(*known, value);
}

namespace {

// Sets one stored property from a value; false when the value is of a kind the
// property cannot take.
using Assigner = bool (*)(MediaElement &, const PlistValue &);

template <auto Setter> bool assignString(MediaElement &element, const PlistValue &value)
{
    if (!isString(value))
        return false;
    (element.*Setter)(value.toString());
    return true;
}

template <auto Setter> bool assignInteger(MediaElement &element, const PlistValue &value)
{
    const std::optional<qint64> number = integerFrom(value);
    if (number)
        (element.*Setter)(*number);
    return number.has_value();
}

template <auto Setter> bool assignReal(MediaElement &element, const PlistValue &value)
{
    const std::optional<double> number = realFrom(value);
    if (number)
        (element.*Setter)(*number);
    return number.has_value();
}

template <auto Setter> bool assignDate(MediaElement &element, const PlistValue &value)
{
    if (value.type() != PlistValue::Type::Date)
        return false;
    (element.*Setter)(value.toDate());
    return true;
}

template <auto Setter> bool assignDictionary(MediaElement &element, const PlistValue &value)
{
    if (value.type() != PlistValue::Type::Dictionary)
        return false;
    (element.*Setter)(value.toDictionary());
    return true;
}

bool assignAssets(MediaElement &element, const PlistValue &value)
{
    const std::optional<qint64> number = integerFrom(value);
    if (number)
        element.setAssets(int(*number & AssetsComplete));
    return number.has_value();
}

bool assignRating(MediaElement &element, const PlistValue &value)
{
    const std::optional<qint64> number = integerFrom(value);
    if (!number || *number < 0 || *number > 5)
        return false;
    element.setRating(int(*number));
    return true;
}

bool assignBookmark(MediaElement &element, const PlistValue &value)
{
    if (value.type() != PlistValue::Type::Data && !value.isAbsent())
        return false;
    element.setBookmark(value.toData());
    return true;
}

bool assignLaunchedDate(MediaElement &element, const PlistValue &value)
{
    if (value.type() == PlistValue::Type::Date)
        element.setLaunchedDate(value.toDate());
    else if (value.isAbsent())
        element.setLaunchedDate(std::nullopt);
    else
        return false;
    return true;
}

bool assignUserKeywords(MediaElement &element, const PlistValue &value)
{
    if (value.type() != PlistValue::Type::Set && value.type() != PlistValue::Type::Array)
        return false;
    element.setUserKeywords(stringMembers(value));
    return true;
}

bool assignError(MediaElement &element, const PlistValue &value)
{
    if (!value.isNumber())
        return false;
    element.setError(value.toBool());
    return true;
}

struct StoredAssigner
{
    ElementKey key;
    Assigner assign; // null: not set by key
};

using M = MediaElement;
using K = ElementKey;

// In the order of the stored keys, which the assertion below holds it to.
constexpr StoredAssigner StoredAssigners[] = {
    { K::Owner, assignString<&M::setOwner> },
    { K::Identifier, nullptr }, // the library keys elements by it
    { K::Assets, assignAssets },
    { K::Tool, assignString<&M::setTool> },
    { K::Batch, assignString<&M::setBatch> },
    { K::Device, assignString<&M::setDevice> },
    { K::Path, assignString<&M::setPath> },
    { K::Bookmark, assignBookmark },
    { K::Checksum, assignString<&M::setChecksum> },
    { K::Size, assignInteger<&M::setSize> },
    { K::Duration, assignReal<&M::setDuration> },
    { K::PixelsWide, assignInteger<&M::setPixelsWide> },
    { K::PixelsHigh, assignInteger<&M::setPixelsHigh> },
    { K::FrameRate, assignReal<&M::setFrameRate> },
    { K::VideoCodec, assignString<&M::setVideoCodec> },
    { K::AudioCodec, assignString<&M::setAudioCodec> },
    { K::CreationDate, assignDate<&M::setCreationDate> },
    { K::ModifiedDate, assignDate<&M::setModifiedDate> },
    { K::ImportedDate, assignDate<&M::setImportedDate> },
    { K::LaunchedDate, assignLaunchedDate },
    { K::PlayCount, assignInteger<&M::setPlayCount> },
    { K::Rating, assignRating },
    { K::ImageMetrics, assignDictionary<&M::setImageMetrics> },
    { K::UserComments, assignString<&M::setUserComments> },
    { K::UserKeywords, assignUserKeywords },
    { K::UserFields, assignDictionary<&M::setUserFields> },
    { K::Error, assignError },
};

constexpr bool inKeyOrder()
{
    for (size_t i = 0; i < std::size(StoredAssigners); ++i) {
        if (StoredAssigners[i].key != ElementKey(i))
            return false;
    }
    return std::size(StoredAssigners) == size_t(ElementKey::Error) + 1;
}
static_assert(inKeyOrder(), "one assigner per stored key, in the keys' order");

} // namespace

bool MediaElement::assignStored(ElementKey key, const PlistValue &value)
{
    if (size_t(key) >= std::size(StoredAssigners))
        return false;
    const Assigner assign = StoredAssigners[size_t(key)].assign;
    return assign && assign(*this, value);
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

} // namespace vidarium
