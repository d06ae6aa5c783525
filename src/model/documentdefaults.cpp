#include "documentdefaults.h"

#include "model/definitions.h"
#include "platform/plist/archivecoderregistry.h"
#include "platform/plist/archivedecoder.h"
#include "platform/plist/archiveencoder.h"
#include "platform/plist/keyedarchiver.h"
#include "platform/plist/keyedunarchiver.h"
#include "platform/plist/sortdescriptor.h"

#include <mutex>

namespace vidarium {

namespace {

// The definition table names each setting after its property, capitalised:
// "recentlyAddedDays" starts from "RecentlyAddedDays".
QString definitionKey(const QString &propertyKey)
{
    return propertyKey.left(1).toUpper() + propertyKey.mid(1);
}

// The settings the table's dictionaries are copied for, rather than shared.
bool isCopiedDictionary(const QString &key)
{
    return DocumentDefaults::mutableKeys().contains(key) || key == QLatin1String("windowMetrics");
}

enum class Kind { None, Number, String, Date, Data, List, Dictionary, Other };

Kind kindOf(const PlistValue &value)
{
    switch (value.type()) {
    case PlistValue::Type::Invalid:
    case PlistValue::Type::Null:
        return Kind::None;
    case PlistValue::Type::Bool:
    case PlistValue::Type::Integer:
    case PlistValue::Type::Real:
        return Kind::Number;
    case PlistValue::Type::String:
        return Kind::String;
    case PlistValue::Type::Date:
        return Kind::Date;
    case PlistValue::Type::Data:
        return Kind::Data;
    case PlistValue::Type::Array:
    case PlistValue::Type::Set:
        return Kind::List;
    case PlistValue::Type::Dictionary:
        return Kind::Dictionary;
    default:
        return Kind::Other;
    }
}

// A stored setting replaces its first value only when it is of the same kind:
// a damaged or foreign catalogue must not hand the windows a string where they
// lay out a dictionary.
bool canReplace(const PlistValue &firstValue, const PlistValue &stored)
{
    const Kind storedKind = kindOf(stored);
    if (storedKind == Kind::None)
        return false;
    const Kind firstKind = kindOf(firstValue);
    return firstKind == Kind::None || firstKind == storedKind;
}

} // namespace

const QStringList &DocumentDefaults::mutableKeys()
{
    static const QStringList keys = {
        QStringLiteral("imageMetrics"),
        QStringLiteral("sourceListVisibility"),
        QStringLiteral("tableColumnVisibility"),
        QStringLiteral("detailVisibility"),
    };
    return keys;
}

const QStringList &DocumentDefaults::staticKeys()
{
    static const QStringList keys = {
        QStringLiteral("windowMetrics"),
        QStringLiteral("tableColumnMetrics"),
        QStringLiteral("itemsSortDescriptors"),
        QStringLiteral("detailProperties"),
        QStringLiteral("sourceFolders"),
        QStringLiteral("propertyFilter"),
        QStringLiteral("propertyFilterSortOrder"),
        QStringLiteral("keywordFilterSortOrder"),
        QStringLiteral("showSourceFolderCounts"),
        QStringLiteral("showSourceElementCounts"),
        QStringLiteral("showFilterElementCounts"),
        QStringLiteral("recentlyAddedDays"),
        QStringLiteral("recentlyPlayedDays"),
        QStringLiteral("minimumFavoritesRating"),
        QStringLiteral("itemsViewStyle"),
        QStringLiteral("itemsViewThumbnailScale"),
        QStringLiteral("defaultsSheetTabIndex"),
    };
    return keys;
}

DocumentDefaults::DocumentDefaults()
    : DocumentDefaults(Definitions::shared().documentDefaults())
{
}

DocumentDefaults::DocumentDefaults(const PlistDictionary &standardDefaults)
    : m_standardDefaults(standardDefaults)
{
    for (const QStringList *keys : { &mutableKeys(), &staticKeys() }) {
        for (const QString &key : *keys) {
            if (isCopiedDictionary(key))
                set(key, mutableDictionaryWithDefaultsKey(definitionKey(key)));
            else if (key == QLatin1String("itemsSortDescriptors"))
                setItemsSortDescriptors(sortDescriptorsWithDefaultsKey(definitionKey(key)));
            else
                set(key, m_standardDefaults.value(definitionKey(key)));
        }
    }
}

PlistDictionary DocumentDefaults::mutableDictionaryWithDefaultsKey(const QString &key) const
{
    return m_standardDefaults.value(key).toDictionary();
}

SortDescriptorList DocumentDefaults::sortDescriptorsWithDefaultsKey(const QString &key) const
{
    SortDescriptorList descriptors;
    for (const PlistValue &entry : m_standardDefaults.value(key).toArray()) {
        if (entry.type() != PlistValue::Type::Dictionary)
            continue;
        const PlistValue selector = entry.value(QStringLiteral("Selector"));
        descriptors.append(SortDescriptor::create(entry.value(QStringLiteral("Key")).toString(),
            entry.value(QStringLiteral("Ascending")).toBool(),
            selector.type() == PlistValue::Type::String ? selector.toString()
                                                        : SortDescriptor::defaultSelector));
    }
    return descriptors;
}

PlistValue DocumentDefaults::valueForKey(const QString &key) const
{
    return m_values.value(key);
}

bool DocumentDefaults::setValueForKey(const PlistValue &value, const QString &key)
{
    if (!mutableKeys().contains(key) && !staticKeys().contains(key))
        return false;
    set(key, value);
    return true;
}

SortDescriptorList DocumentDefaults::itemsSortDescriptors() const
{
    SortDescriptorList descriptors;
    for (const PlistValue &member : value(QStringLiteral("itemsSortDescriptors")).toArray())
        if (auto descriptor = SortDescriptor::fromValue(member))
            descriptors.append(descriptor);
    return descriptors;
}

void DocumentDefaults::setItemsSortDescriptors(const SortDescriptorList &descriptors)
{
    PlistArray members;
    for (const auto &descriptor : descriptors)
        members.append(PlistValue(std::const_pointer_cast<SortDescriptor>(descriptor)));
    set(QStringLiteral("itemsSortDescriptors"), members);
}

void DocumentDefaults::setDetailProperties(const QStringList &keys)
{
    PlistArray members;
    for (const QString &key : keys)
        members.append(key);
    set(QStringLiteral("detailProperties"), members);
}

QStringList DocumentDefaults::strings(const QString &key) const
{
    QStringList list;
    for (const PlistValue &member : value(key).toArray())
        if (member.type() == PlistValue::Type::String)
            list.append(member.toString());
    return list;
}

DocumentDefaultsPtr DocumentDefaults::copy() const
{
    registerArchiveCoder();
    const auto snapshot = std::make_shared<DocumentDefaults>(*this);
    const Result<PlistValue> copied
        = KeyedUnarchiver::unarchive(KeyedArchiver::archivedData(PlistValue(snapshot)));
    auto defaults
        = copied.ok() ? std::dynamic_pointer_cast<DocumentDefaults>(copied->toObject()) : nullptr;
    // Values are implicitly shared and copied on write, so a plain copy is as
    // independent; it stands in should the archive ever refuse a value.
    if (!defaults)
        return std::make_shared<DocumentDefaults>(*this);
    defaults->m_standardDefaults = m_standardDefaults;
    return defaults;
}

void DocumentDefaults::encode(ArchiveEncoder &encoder) const
{
    for (const QStringList *keys : { &mutableKeys(), &staticKeys() }) {
        for (const QString &key : *keys) {
            encoder.encodeObject(key, value(key),
                isCopiedDictionary(key) ? ArchiveEncoder::Mutable : ArchiveEncoder::Immutable);
        }
    }
}

Result<PlistValue> DocumentDefaults::decode(ArchiveDecoder &decoder)
{
    auto defaults = std::make_shared<DocumentDefaults>();
    for (const QString &key : mutableKeys()) {
        if (!decoder.containsKey(key))
            continue;
        const PlistValue stored = decoder.decodeObject(key);
        if (stored.type() != PlistValue::Type::Dictionary)
            continue;
        PlistDictionary merged = defaults->dictionary(key);
        const PlistDictionary &entries = stored.toDictionary();
        for (auto entry = entries.begin(); entry != entries.end(); ++entry) {
            if (canReplace(merged.value(entry.key()), entry.value()))
                merged.insert(entry.key(), entry.value());
        }
        defaults->set(key, merged);
    }
    for (const QString &key : staticKeys()) {
        if (!decoder.containsKey(key))
            continue;
        const PlistValue stored = decoder.decodeObject(key);
        if (canReplace(defaults->value(key), stored))
            defaults->set(key, stored);
    }
    return PlistValue(std::shared_ptr<ArchivedObject>(std::move(defaults)));
}

void DocumentDefaults::registerArchiveCoder()
{
    static std::once_flag once;
    std::call_once(
        once, [] { ArchiveCoderRegistry::instance().registerDecoder(ClassName, &decode); });
}

} // namespace vidarium
