#include "filterlistdelegate.h"

#include "window/filterlistmodel.h"

#include <QApplication>
#include <QPainter>

namespace vidarium {

namespace {

constexpr int Margin = 6;
constexpr int CountGap = 8;
constexpr int RowHeight = 19;

} // namespace

void FilterListDelegate::paint(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);

    const bool selected = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled)
        ? QPalette::Disabled
        : (option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive);
    const QColor text
        = option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
    const QRect cell = option.rect.adjusted(Margin, 0, -Margin, 0);
    painter->save();
    painter->setFont(option.font);
    const QString count = index.data(FilterListModel::CountTextRole).toString();
    int countWidth = 0;
    if (!count.isEmpty()) {
        countWidth = option.fontMetrics.horizontalAdvance(count);
        QColor quiet = text;
        if (!selected)
            quiet = option.palette.color(group, QPalette::PlaceholderText);
        painter->setPen(quiet);
        painter->drawText(cell, Qt::AlignRight | Qt::AlignVCenter, count);
        countWidth += CountGap;
    }
    const QRect labelRect = cell.adjusted(0, 0, -countWidth, 0);
    const QString label = option.fontMetrics.elidedText(
        index.data(Qt::DisplayRole).toString(), Qt::ElideRight, labelRect.width());
    painter->setPen(text);
    painter->drawText(labelRect, Qt::AlignLeft | Qt::AlignVCenter, label);
    painter->restore();
}

QSize FilterListDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    return { option.rect.width(), std::max(RowHeight, option.fontMetrics.height() + 4) };
}

} // namespace vidarium
