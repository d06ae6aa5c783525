#include "document/documentmigrationv1.h"

#include "document/tabdelimitedexport.h"
#include "model/applicationsettings.h"
#include "model/medialibrary.h"
#include "model/mediaplaylist.h"
#include "model/mediauserfield.h"
#include "model/predicatecoding.h"
#include "platform/plist/keyedunarchiver.h"
#include "platform/plist/propertylist.h"

#include <QDir>
#include <QFile>

namespace vidarium {

namespace {

// Icons larger than this are not icons; reading them would only cost memory.
constexpr qint64 MaximumIconSize = 16 * 1024 * 1024;

QString text(const PlistValue &value)
{
    return value.type() == PlistValue::Type::String ? value.toString() : QString();
}

} // namespace

DocumentMigrationV1::DocumentMigrationV1(MediaLibrary &library)
    : m_library(library)
{
}

const QStringList &DocumentMigrationV1::legacyFieldNames()
{
    static const QStringList names = {
        QStringLiteral("Genre"),
        QStringLiteral("Studio"),
        QStringLiteral("Program"),
        QStringLiteral("Season"),
        QStringLiteral("Episode"),
        QStringLiteral("Scene"),
        QStringLiteral("Description"),
    };
    return names;
}

const QStringList &DocumentMigrationV1::migrateableKeys()
{
    static const QStringList keys
        = QStringList { QStringLiteral("PlayCount"), QStringLiteral("Rating") }
        + legacyFieldNames();
    return keys;
}

void DocumentMigrationV1::readFromPackage(const QString &packagePath)
{
    m_packagePath = packagePath;
    createLegacyFields();
    const QString file = QDir(packagePath).filePath(LibraryFileName);
    const Result<PlistValue> plist = PropertyList::readFile(file);
    if (!plist) {
        ApplicationSettings::logConsoleMessage(
            QStringLiteral("Older library: the catalogue cannot be read: ")
            + plist.error().message());
    } else if (plist->type() != PlistValue::Type::Dictionary) {
        ApplicationSettings::logConsoleMessage(
            QStringLiteral("Older library: the catalogue is not a dictionary"));
    } else {
        migrateLegacyElementsWithDictionary(plist->toDictionary());
        migrateLegacyPlaylistsWithDictionary(plist->toDictionary());
    }
    if (m_skippedRecords > 0)
        ApplicationSettings::logConsoleMessage(
            QStringLiteral("Older library: skipped %1 damaged records").arg(m_skippedRecords));
    if (!m_elementOrder.isEmpty())
        m_library.queueElements(m_elementOrder);
}

void DocumentMigrationV1::createLegacyFields()
{
    for (const QString &name : legacyFieldNames())
        m_fields.insert(name, m_library.createFieldWithName(name)->identifier());
}

void DocumentMigrationV1::migrateLegacyElementsWithDictionary(const PlistDictionary &root)
{
    const PlistValue records = root.value(QStringLiteral("Library"));
    if (records.type() != PlistValue::Type::Dictionary) {
        if (records.isValid())
            ++m_skippedRecords;
        return;
    }
    for (const PlistValue &record : records.toDictionary()) {
        const QString path = text(record.value(QStringLiteral("Path")));
        if (record.type() != PlistValue::Type::Dictionary || path.isEmpty()) {
            ++m_skippedRecords;
            continue;
        }
        MediaElementPtr element = MediaElement::create(&m_library, path);
        const QString mediaKey = text(record.value(QStringLiteral("MediaKey")));
        if (!mediaKey.isEmpty())
            m_elements.insert(mediaKey, element);
        for (const QString &key : migrateableKeys())
            migrateValue(*element, key, record.value(key));
        m_elementOrder.append(element);
    }
}

// Field values are text: numbers are written out; other kinds are not taken.
void DocumentMigrationV1::migrateValue(
    MediaElement &element, const QString &legacyKey, const PlistValue &value)
{
    if (value.isAbsent())
        return; // a new element has nothing to clear
    const QString key = keyPathWithLegacyKeyPath(legacyKey);
    if (!m_fields.contains(legacyKey)) {
        element.setValueForKey(value, key);
        return;
    }
    switch (value.type()) {
    case PlistValue::Type::String:
        element.setValueForUndefinedKey(value, key);
        break;
    case PlistValue::Type::Integer:
        element.setValueForUndefinedKey(QString::number(value.toInteger()), key);
        break;
    case PlistValue::Type::Real:
        element.setValueForUndefinedKey(
            TabDelimitedExport::numberText(value.toDouble(), value.isFloat32()), key);
        break;
    default:
        break;
    }
}

void DocumentMigrationV1::migrateLegacyPlaylistsWithDictionary(const PlistDictionary &root)
{
    const PlistValue records = root.value(QStringLiteral("Playlists"));
    if (records.type() != PlistValue::Type::Array) {
        if (records.isValid())
            ++m_skippedRecords;
        return;
    }
    PredicateCoding::registerArchiveCoders();
    for (const PlistValue &value : records.toArray()) {
        if (value.type() != PlistValue::Type::Dictionary) {
            ++m_skippedRecords;
            continue;
        }
        const PlistDictionary &record = value.toDictionary();
        if (record.contains(QStringLiteral("ListStatic")))
            continue; // the older version's built-in lists
        const QString name = text(record.value(QStringLiteral("ListName")));
        const PlistValue references = record.value(QStringLiteral("ListReferences"));
        MediaPlaylistPtr playlist;
        if (references.type() == PlistValue::Type::Array) {
            MediaElementList members;
            for (const PlistValue &reference : references.toArray()) {
                const MediaElementPtr element
                    = m_elements.value(text(reference.value(QStringLiteral("MediaKey"))));
                if (element && !members.contains(element))
                    members.append(element);
            }
            playlist = m_library.createPlaylist(name, std::nullopt, members);
        } else {
            std::optional<Predicate> predicate;
            const Result<PlistValue> archived = KeyedUnarchiver::unarchive(
                record.value(QStringLiteral("ListPredicate")).toData());
            if (archived) {
                if (const Result<Predicate> legacy = PredicateCoding::predicateFromValue(*archived))
                    predicate = predicateWithLegacyPredicate(*legacy);
            }
            if (!predicate) {
                ApplicationSettings::logConsoleMessage(
                    QStringLiteral("Older library: the criteria of collection %1 cannot be read")
                        .arg(name));
                ++m_skippedRecords;
            }
            playlist = m_library.createPlaylist(name, predicate);
        }
        const QByteArray icon = iconDataForLegacyPlaylist(record);
        if (playlist && !icon.isEmpty())
            playlist->setIconData(icon);
    }
}

std::optional<Predicate> DocumentMigrationV1::predicateWithLegacyPredicate(
    const Predicate &legacy) const
{
    if (!legacy.isCompound())
        return std::nullopt;
    QList<Predicate> translated;
    for (const Predicate &sub : legacy.subpredicates()) {
        if (!sub.isComparison()
            || sub.leftExpression().kind() != PredicateExpression::Kind::KeyPath)
            continue;
        const QString key = keyPathWithLegacyKeyPath(sub.leftExpression().keyPath());
        // A criterion over a value the current catalogue does not keep could only
        // ever compare against nothing.
        if (key.isEmpty())
            continue;
        const PredicateExpression left = PredicateExpression::keyPath(key);
        if (sub.operatorType() == PredicateOperatorType::CustomSelector)
            translated.append(Predicate::customComparison(
                left, sub.customSelector(), sub.rightExpression(), sub.modifier()));
        else
            translated.append(Predicate::comparison(
                left, sub.operatorType(), sub.rightExpression(), sub.modifier(), sub.options()));
    }
    return Predicate::compound(legacy.compoundType(), translated);
}

QString DocumentMigrationV1::keyPathWithLegacyKeyPath(const QString &legacyKeyPath) const
{
    static const QHash<QString, QString> keys = {
        { QStringLiteral("VideoCodec"), QStringLiteral("videoCodec") },
        { QStringLiteral("AudioCodec"), QStringLiteral("audioCodec") },
        { QStringLiteral("Length"), QStringLiteral("duration") },
        { QStringLiteral("Size"), QStringLiteral("size") },
        { QStringLiteral("Width"), QStringLiteral("pixelsWide") },
        { QStringLiteral("Height"), QStringLiteral("pixelsHigh") },
        { QStringLiteral("FPS"), QStringLiteral("frameRate") },
        { QStringLiteral("Rating"), QStringLiteral("rating") },
        { QStringLiteral("PlayCount"), QStringLiteral("playCount") },
        { QStringLiteral("CreationDate"), QStringLiteral("creationDate") },
        { QStringLiteral("ModifiedDate"), QStringLiteral("modifiedDate") },
        { QStringLiteral("ImportedDate"), QStringLiteral("importedDate") },
    };
    const auto field = m_fields.constFind(legacyKeyPath);
    if (field != m_fields.constEnd())
        return *field;
    return keys.value(legacyKeyPath);
}

// The icon is looked up in the package being read, so each library keeps its own
// icons; a key that would reach outside the "Icons" folder names no icon.
QByteArray DocumentMigrationV1::iconDataForLegacyPlaylist(const PlistDictionary &record) const
{
    const QString key = text(record.value(QStringLiteral("ListKey")));
    if (key.isEmpty() || key.contains(QLatin1Char('/')) || key.contains(QChar(0)))
        return {};
    QFile file(
        QDir(m_packagePath).filePath(QStringLiteral("Icons/") + key + QStringLiteral(".png")));
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaximumIconSize)
        return {};
    return file.readAll();
}

} // namespace vidarium
