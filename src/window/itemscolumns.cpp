#include "itemscolumns.h"

#include "model/definitions.h"
#include "model/medialibrary.h"
#include "model/mediauserfield.h"
#include "model/valueformatters.h"
#include "model/valuetransformers.h"

#include <algorithm>

namespace vidarium::ItemsColumns {

namespace {

// Numbers line up by their last digit, as in every file manager's size column.
bool isNumeric(const QString &key)
{
    static const QStringList keys { QStringLiteral("size"), QStringLiteral("duration"),
        QStringLiteral("pixelsWide"), QStringLiteral("pixelsHigh"), QStringLiteral("frameRate"),
        QStringLiteral("playCount"), QStringLiteral("resolution"), QStringLiteral("aspectRatio") };
    return keys.contains(key);
}

bool isEditable(const QString &key)
{
    return key == NameColumn || key == QLatin1String("userComments") || key == RatingColumn;
}

QString plainText(const PlistValue &value)
{
    switch (value.type()) {
    case PlistValue::Type::String:
        return value.toString();
    case PlistValue::Type::Integer:
        return QString::number(value.toInteger());
    case PlistValue::Type::Real:
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case PlistValue::Type::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    default:
        return {};
    }
}

} // namespace

QList<ItemsColumn> propertyColumns(const Definitions &definitions)
{
    const PlistDictionary metrics
        = definitions.documentDefaults().value(QStringLiteral("TableColumnMetrics")).toDictionary();
    QList<ItemsColumn> columns;
    for (auto it = metrics.begin(); it != metrics.end(); ++it) {
        const PlistDictionary entry = it.value().toDictionary();
        ItemsColumn column;
        column.identifier = it.key();
        column.defaultWidth = entry.value(QStringLiteral("AutosavedColumnWidth")).toDouble();
        column.defaultIndex = int(entry.value(QStringLiteral("AutosavedColumnIndex")).toInteger());
        if (column.identifier == IconColumn) {
            column.key = ElementKey::Status;
            column.comparison = QStringLiteral("compare:");
            columns.append(column);
            continue;
        }
        if (!definitions.hasPropertyDefinition(column.identifier))
            continue;
        const PropertyDefinition property = definitions.propertyDefinition(column.identifier);
        column.title = property.label;
        // The binding names the value shown: frameRate shows roundedFrameRate.
        const QString bound = property.binding.section(QLatin1Char('.'), -1);
        column.key = ElementKeys::fromName(bound.isEmpty() ? column.identifier : bound);
        if (!column.key)
            continue;
        column.comparison = definitions.comparisonForKey(column.identifier);
        if (!property.formatter.isEmpty())
            column.formatter = formatterNamed(property.formatter);
        else if (!property.hasCell && !property.transformer.isEmpty())
            column.transformer
                = ValueTransformerRegistry::shared().valueTransformerForName(property.transformer);
        if (isNumeric(column.identifier))
            column.alignment = Qt::AlignRight | Qt::AlignVCenter;
        column.editable = isEditable(column.identifier);
        columns.append(column);
    }
    std::stable_sort(columns.begin(), columns.end(),
        [](const ItemsColumn &a, const ItemsColumn &b) { return a.defaultIndex < b.defaultIndex; });
    return columns;
}

ItemsColumn userFieldColumn(const MediaUserField &field)
{
    ItemsColumn column;
    column.identifier = field.identifier();
    column.title = field.name();
    column.comparison = Definitions::DefaultComparison;
    column.defaultWidth = UserFieldWidth;
    column.userField = true;
    column.editable = true;
    return column;
}

PlistValue sortValue(const ItemsColumn &column, const MediaElement &element)
{
    if (column.key)
        return element.valueForKey(*column.key);
    return element.valueForUndefinedKey(column.identifier);
}

std::u16string numericSortKey(const QString &text)
{
    // A digit run becomes '0' (every digit compares to another character as '0'
    // does, since no folded non-digit lies between '0' and '9'), its significant
    // length in two units, then its significant digits: runs of equal length
    // then order by their digits, and leading zeros count for nothing.
    std::u16string key;
    key.reserve(size_t(text.size()) + 4);
    const QStringView view(text);
    for (qsizetype i = 0; i < view.size();) {
        const QChar c = view[i];
        if (c < u'0' || c > u'9') {
            key.push_back(c.toCaseFolded().unicode());
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < view.size() && view[end] >= u'0' && view[end] <= u'9')
            ++end;
        qsizetype first = i;
        while (first < end && view[first] == u'0')
            ++first;
        const auto length = quint32(end - first);
        key.push_back(u'0');
        key.push_back(char16_t(length >> 16));
        key.push_back(char16_t(length & 0xffff));
        for (qsizetype d = first; d < end; ++d)
            key.push_back(view[d].unicode());
        i = end;
    }
    return key;
}

QString displayText(const ItemsColumn &column, const MediaElement &element)
{
    if (column.identifier == IconColumn || column.identifier == RatingColumn)
        return {};
    const PlistValue value = sortValue(column, element);
    if (column.formatter)
        return column.formatter->stringForObjectValue(value);
    if (column.transformer)
        return column.transformer->transformedValue(value).toString();
    return plainText(value);
}

} // namespace vidarium::ItemsColumns
