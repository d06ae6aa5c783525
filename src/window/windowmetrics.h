#pragma once

// The library window's geometry as the package keeps it ("WindowMetrics"): the
// window's size and the divider positions of its split views, stored as 32-bit
// floats. Values read from a package are checked before use: anything that is
// not a finite number is ignored, and sizes are clamped to the screen.
// Threads: any (plain values).

#include "platform/plist/plistvalue.h"

#include <QSize>

#include <optional>

namespace vidarium {

struct WindowMetrics
{
    static inline const QString DocumentWidth = QStringLiteral("DocumentWidth");
    static inline const QString DocumentHeight = QStringLiteral("DocumentHeight");
    static inline const QString FilterPosition = QStringLiteral("FilterPosition");
    static inline const QString ItemsPosition = QStringLiteral("ItemsPosition");
    static inline const QString DetailPosition = QStringLiteral("DetailPosition");
    static inline const QString ItemsSplitPosition = QStringLiteral("ItemsSplitPosition");
    static inline const QString FilterSplitPosition = QStringLiteral("FilterSplitPosition");

    std::optional<double> width;
    std::optional<double> height;
    std::optional<double> filterPosition;
    std::optional<double> itemsPosition;
    std::optional<double> detailPosition;
    std::optional<double> itemsSplitPosition;
    std::optional<double> filterSplitPosition;

    // A finite, non-negative number under `key`; nothing for any other value.
    static std::optional<double> number(const PlistDictionary &metrics, const QString &key);
    // Reads the metrics; the window size is clamped to [minimum, screen].
    static WindowMetrics fromDictionary(
        const PlistDictionary &metrics, const QSize &minimum, const QSize &screen);
    // The stored form: every present value as a 32-bit float.
    PlistDictionary toDictionary() const;
};

} // namespace vidarium
