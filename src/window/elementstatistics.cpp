#include "window/elementstatistics.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace vidarium {

ElementStatistics ElementStatistics::of(const MediaElementList &elements)
{
    ElementStatistics result;
    result.count = elements.size();
    double first = std::numeric_limits<double>::infinity();
    double last = -std::numeric_limits<double>::infinity();
    for (const MediaElementPtr &element : elements) {
        result.totalSize += element->size();
        const double duration = element->duration();
        if (std::isfinite(duration))
            result.totalDuration += duration;
        const double imported = element->importedDate().secondsSince2001;
        if (!std::isfinite(imported))
            continue;
        first = std::min(first, imported);
        last = std::max(last, imported);
    }
    if (!std::isfinite(first) || !std::isfinite(last))
        return result;
    result.earliest = PlistDate { first }.toDateTime();
    result.latest = PlistDate { last }.toDateTime();
    result.days = daysBetween(*result.earliest, *result.latest);
    if (result.days > 0) {
        result.filesPerDay = double(result.count) / double(result.days);
        result.sizePerDay = double(result.totalSize) / double(result.days);
        result.durationPerDay = result.totalDuration / double(result.days);
    }
    return result;
}

qint64 ElementStatistics::daysBetween(const QDateTime &from, const QDateTime &to)
{
    const QDate first = from.toLocalTime().date();
    const QDate second = to.toLocalTime().date();
    if (!first.isValid() || !second.isValid())
        return 0;
    return first.daysTo(second) + 1;
}

QString ElementStatistics::dateRangeText(const QLocale &locale) const
{
    if (!earliest || !latest || !earliest->isValid() || !latest->isValid())
        return QObject::tr("None");
    const auto medium = [&locale](const QDateTime &date) {
        return locale.toString(date.toLocalTime().date(), QStringLiteral("MMM d, yyyy"));
    };
    return medium(*earliest) + QStringLiteral(" to ") + medium(*latest);
}

} // namespace vidarium
