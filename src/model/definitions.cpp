#include "definitions.h"

#include "platform/plist/propertylist.h"

#include <QFile>

#include <atomic>

namespace vidarium {

namespace {

std::atomic<const Definitions *> sharedOverride { nullptr };

// A table is a dictionary property list; anything else (no file, damaged bytes,
// another kind of root) counts as no table at all.
PlistDictionary readTable(const QString &path)
{
    if (path.isEmpty())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const Result<PlistValue> table = PropertyList::read(file.readAll());
    if (!table.ok() || table->type() != PlistValue::Type::Dictionary)
        return {};
    return table->toDictionary();
}

QString stringEntry(const PlistDictionary &dictionary, const QString &key)
{
    return dictionary.value(key).toString();
}

} // namespace

const Definitions &Definitions::shared()
{
    if (const Definitions *override = sharedOverride.load())
        return *override;
    static const Definitions shipped
        = load(DefaultDefinitionsPath, PrivateDefinitionsPath, LocalizableStringsPath);
    return shipped;
}

void Definitions::setSharedForTesting(const Definitions *definitions)
{
    sharedOverride.store(definitions);
}

Definitions Definitions::load(const QString &defaultDefinitionsPath,
    const QString &privateDefinitionsPath, const QString &stringsPath)
{
    return Definitions(readTable(defaultDefinitionsPath), readTable(privateDefinitionsPath),
        readTable(stringsPath));
}

Definitions::Definitions(
    PlistDictionary defaultDefinitions, PlistDictionary privateDefinitions, PlistDictionary strings)
    : m_defaultDefinitions(std::move(defaultDefinitions))
    , m_privateDefinitions(std::move(privateDefinitions))
    , m_strings(std::move(strings))
{
}

PlistDictionary Definitions::applicationDefaults() const
{
    return m_defaultDefinitions.value(QStringLiteral("ApplicationDefaults")).toDictionary();
}

PlistDictionary Definitions::documentDefaults() const
{
    return m_defaultDefinitions.value(QStringLiteral("DocumentDefaults")).toDictionary();
}

bool Definitions::hasPropertyDefinition(const QString &key) const
{
    return m_privateDefinitions.value(QStringLiteral("Properties")).toDictionary().contains(key);
}

PropertyDefinition Definitions::propertyDefinition(const QString &key) const
{
    const PlistDictionary entry
        = m_privateDefinitions.value(QStringLiteral("Properties")).value(key).toDictionary();
    PropertyDefinition definition;
    definition.label = stringEntry(entry, QStringLiteral("Label"));
    definition.arrangeTitle = stringEntry(entry, QStringLiteral("ArrangeTitle"));
    definition.binding = stringEntry(entry, QStringLiteral("Binding"));
    definition.transformer = stringEntry(entry, QStringLiteral("Transformer"));
    definition.formatter = stringEntry(entry, QStringLiteral("Formatter"));
    definition.comparison = stringEntry(entry, QStringLiteral("Comparison"));
    definition.distinctUnion = stringEntry(entry, QStringLiteral("DistinctUnion"));
    definition.hasCell = entry.value(QStringLiteral("Cell")).isValid();
    return definition;
}

QStringList Definitions::propertyKeys() const
{
    return m_privateDefinitions.value(QStringLiteral("Properties")).toDictionary().keys();
}

QString Definitions::comparisonForKey(const QString &key) const
{
    const QString comparison = propertyDefinition(key).comparison;
    return comparison.isEmpty() ? DefaultComparison : comparison;
}

QStringList Definitions::stringList(const QString &key) const
{
    QStringList list;
    for (const PlistValue &item : m_privateDefinitions.value(key).toArray())
        if (item.type() == PlistValue::Type::String)
            list.append(item.toString());
    return list;
}

QStringList Definitions::arrangeMenuItems() const
{
    return stringList(QStringLiteral("ArrangeMenuItems"));
}
QStringList Definitions::filterMenuItems() const
{
    return stringList(QStringLiteral("FilterMenuItems"));
}
QStringList Definitions::detailMenuItems() const
{
    return stringList(QStringLiteral("DetailMenuItems"));
}
QStringList Definitions::sourceListItems() const
{
    return stringList(QStringLiteral("SourceListItems"));
}
QStringList Definitions::ratingStrings() const
{
    return stringList(QStringLiteral("RatingStrings"));
}

QString Definitions::localizedString(const QString &key) const
{
    const PlistValue text = m_strings.value(key);
    return text.type() == PlistValue::Type::String ? text.toString() : key;
}

} // namespace vidarium
