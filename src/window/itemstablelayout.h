#pragma once

// The stored column layout of the items table, made safe to apply: columns the
// stored record lacks are appended at their default width, indices are made a
// permutation (duplicates and out-of-range values moved to the end), widths of
// the wrong kind or out of range fall back to the default, and the first
// column stays first.
// Threads: pure functions, any thread.

#include "platform/plist/plistvalue.h"

#include <QStringList>

namespace vidarium::ItemsTableLayout {

inline const QString WidthKey = QStringLiteral("AutosavedColumnWidth");
inline const QString IndexKey = QStringLiteral("AutosavedColumnIndex");
constexpr double MinimumWidth = 16;
constexpr double MaximumWidth = 2000;

struct Placement
{
    QString identifier;
    double width = 0;
};

// The columns in display order with their widths. `columns` are the existing
// columns in model order with their default widths; `firstColumn` is pinned.
QList<Placement> restore(const PlistValue &stored, const PlistDictionary &defaults,
    const QList<Placement> &columns, const QString &firstColumn);
// The record stored for columns in display order.
PlistDictionary record(const QList<Placement> &displayOrder);
// The visibility of a column: true only for a stored boolean true.
bool isVisible(const PlistValue &visibility, const QString &identifier);

} // namespace vidarium::ItemsTableLayout
