#include "itemstablelayout.h"

#include <algorithm>

namespace vidarium::ItemsTableLayout {

namespace {

std::optional<double> storedWidth(const PlistValue &entry)
{
    if (entry.type() != PlistValue::Type::Dictionary)
        return std::nullopt;
    const PlistValue width = entry.toDictionary().value(WidthKey);
    if (!width.isNumber())
        return std::nullopt;
    const double value = width.toDouble();
    if (!(value >= MinimumWidth && value <= MaximumWidth))
        return std::nullopt;
    return value;
}

std::optional<qint64> storedIndex(const PlistValue &entry)
{
    if (entry.type() != PlistValue::Type::Dictionary)
        return std::nullopt;
    const PlistValue index = entry.toDictionary().value(IndexKey);
    if (!index.isNumber())
        return std::nullopt;
    return index.toInteger();
}

} // namespace

QList<Placement> restore(const PlistValue &stored, const PlistDictionary &defaults,
    const QList<Placement> &columns, const QString &firstColumn)
{
    const PlistDictionary record
        = stored.type() == PlistValue::Type::Dictionary ? stored.toDictionary() : PlistDictionary();
    struct Slot
    {
        Placement placement;
        qint64 index;
        int order;
    };
    QList<Slot> placed;
    QList<Slot> appended;
    int order = 0;
    for (const Placement &column : columns) {
        Slot slot { column, 0, order++ };
        const PlistValue entry = record.value(column.identifier);
        const std::optional<qint64> index = storedIndex(entry);
        if (index && *index >= 0 && *index < columns.size()) {
            slot.index = *index;
            slot.placement.width = storedWidth(entry).value_or(column.width);
            placed.append(slot);
        } else {
            // Unknown to the record (a new default column, a new field, a damaged
            // entry): after the stored ones, at the default width.
            const PlistValue fallback = defaults.value(column.identifier);
            slot.index = storedIndex(fallback).value_or(columns.size());
            slot.placement.width = storedWidth(fallback).value_or(column.width);
            appended.append(slot);
        }
    }
    auto byIndex = [](const Slot &a, const Slot &b) {
        return a.index != b.index ? a.index < b.index : a.order < b.order;
    };
    std::stable_sort(placed.begin(), placed.end(), byIndex);
    std::stable_sort(appended.begin(), appended.end(), byIndex);
    QList<Placement> result;
    for (const Slot &slot : placed)
        result.append(slot.placement);
    for (const Slot &slot : appended)
        result.append(slot.placement);
    const auto first = std::find_if(result.begin(), result.end(),
        [&firstColumn](const Placement &p) { return p.identifier == firstColumn; });
    if (first != result.end() && first != result.begin())
        std::rotate(result.begin(), first, first + 1);
    return result;
}

PlistDictionary record(const QList<Placement> &displayOrder)
{
    PlistDictionary result;
    for (qsizetype index = 0; index < displayOrder.size(); ++index) {
        PlistDictionary entry;
        entry.insert(WidthKey, double(float(displayOrder.at(index).width)));
        entry.insert(IndexKey, qint64(index));
        result.insert(displayOrder.at(index).identifier, entry);
    }
    return result;
}

bool isVisible(const PlistValue &visibility, const QString &identifier)
{
    if (visibility.type() != PlistValue::Type::Dictionary)
        return false;
    const PlistValue value = visibility.toDictionary().value(identifier);
    return value.type() == PlistValue::Type::Bool && value.toBool();
}

} // namespace vidarium::ItemsTableLayout
