#pragma once

// The columns of the items table: one per property the table layout knows (in
// the default layout's order) and one per active user field, each with the
// element key it reads, its formatter or transformer, its sort comparison, its
// alignment and its default width.
// Threads: main thread (formatters are not shared across threads).

#include "model/elementkeys.h"
#include "model/mediaelement.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>
#include <string>

namespace vidarium {

class Definitions;
class ValueFormatter;
class ValueTransformer;
class MediaUserField;

struct ItemsColumn
{
    QString identifier; // "name", "icon", or a user field's identifier
    QString title;
    std::optional<ElementKey> key; // the property read; none for a user field
    QString comparison; // the sort selector
    std::shared_ptr<const ValueFormatter> formatter;
    std::shared_ptr<const ValueTransformer> transformer;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    double defaultWidth = 100;
    int defaultIndex = 0;
    bool userField = false;
    bool editable = false;
};

namespace ItemsColumns {

inline const QString IconColumn = QStringLiteral("icon");
inline const QString NameColumn = QStringLiteral("name");
inline const QString RatingColumn = QStringLiteral("rating");
constexpr double UserFieldWidth = 130;
constexpr double UserFieldMinimumWidth = 80;
constexpr double UserFieldMaximumWidth = 500;

// The property columns of the default layout, in its index order.
QList<ItemsColumn> propertyColumns(const Definitions &definitions);
ItemsColumn userFieldColumn(const MediaUserField &field);
// The text a cell shows; never touches the disk (status comes from elsewhere).
QString displayText(const ItemsColumn &column, const MediaElement &element);
// The value a cell is sorted by.
PlistValue sortValue(const ItemsColumn &column, const MediaElement &element);
// A key whose plain code-unit order is compareNumericString's order, so a large
// list is sorted by comparing keys made once instead of folding both strings
// at every comparison.
std::u16string numericSortKey(const QString &text);

} // namespace ItemsColumns
} // namespace vidarium
