#pragma once

// Paints a filter row: its label on the left, elided at the end, and the
// count column on the right in a quieter colour. One delegate serves every
// row, so a list of thousands of values costs no widget per row.
// Threads: main thread.

#include <QStyledItemDelegate>

namespace vidarium {

class FilterListDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

} // namespace vidarium
