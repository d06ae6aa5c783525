#pragma once

// The orderings that sort property columns, filter lists and keywords: the
// numeric-aware string order (Clip 9 before Clip 10), resolution and aspect
// texts, and the general value order a sort descriptor's selector names.
// Threads: pure functions, any thread.

#include "platform/plist/plistvalue.h"

#include <QString>

namespace vidarium {

enum class ComparisonResult { Ascending = -1, Same = 0, Descending = 1 };

// Ignores letter case, compares runs of ASCII digits by their numeric value and
// everything else code unit by code unit (no Unicode normalisation).
ComparisonResult compareNumericString(const QString &left, const QString &right);
// "width x height": widths first, then heights.
ComparisonResult compareResolutionString(const QString &left, const QString &right);
// "width:height" by the ratio as a single-precision number. An undefined ratio
// ("0:0") sorts before every known one.
ComparisonResult compareAspectString(const QString &left, const QString &right);

using StringComparison = ComparisonResult (*)(const QString &, const QString &);

// The string comparison a "Comparison" entry or a sort selector names
// ("compareNumericString:", "compareResolutionString:", "compareAspectString:",
// "compare:", "caseInsensitiveCompare:", "localizedCaseInsensitiveCompare:",
// "localizedStandardCompare:", "localizedCompare:"). An empty or unknown name gives
// compareNumericString, the catalogue's default order.
StringComparison stringComparisonNamed(const QString &selector);

// Orders two element values as a sort descriptor with that selector does:
// strings with the named string comparison, numbers by value, dates by time,
// data bytewise. No value sorts before any value; values of different kinds
// order by kind so a sort stays consistent.
ComparisonResult compareValues(
    const PlistValue &left, const PlistValue &right, const QString &selector);

} // namespace vidarium
