#pragma once

// Totals and daily averages of a set of elements: their total size and
// duration, the span of their import dates in calendar days (both end days
// counted) and the files, bytes and seconds imported per day over that span.
// Elements whose import date is unreadable count towards the totals but not
// the span; with no span the averages are zero.
// Threads: main thread (reads elements).

#include "model/mediaelement.h"

#include <QDate>
#include <QDateTime>

#include <optional>

namespace vidarium {

struct ElementStatistics
{
    qint64 count = 0;
    qint64 totalSize = 0;
    double totalDuration = 0;
    // The earliest and latest import dates; unset when no element has one.
    std::optional<QDateTime> earliest;
    std::optional<QDateTime> latest;
    qint64 days = 0;
    double filesPerDay = 0;
    double sizePerDay = 0;
    double durationPerDay = 0;

    static ElementStatistics of(const MediaElementList &elements);
    // Whole calendar days from the day of `from` to the day of `to` in the
    // local time zone, plus one: the same day gives 1.
    static qint64 daysBetween(const QDateTime &from, const QDateTime &to);
    // "Jan 5, 2024 to Jan 9, 2024" in the locale's medium date form, or "None".
    QString dateRangeText(const QLocale &locale) const;
};

} // namespace vidarium
