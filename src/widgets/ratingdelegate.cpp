#include "ratingdelegate.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace vidarium {

namespace {

constexpr int StarSize = 11;
constexpr int StarGap = 2;
constexpr int LeftMargin = 4;
const int RatingRole = Qt::UserRole + 3;

QPainterPath starPath(const QRectF &box)
{
    QPainterPath path;
    const QPointF centre = box.center();
    const double outer = box.width() / 2;
    const double inner = outer * 0.45;
    for (int i = 0; i < 10; ++i) {
        const double angle = -M_PI / 2 + i * M_PI / 5;
        const double radius = i % 2 == 0 ? outer : inner;
        const QPointF point(
            centre.x() + radius * std::cos(angle), centre.y() + radius * std::sin(angle));
        if (i == 0)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    path.closeSubpath();
    return path;
}

} // namespace

RatingDelegate::RatingDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

int RatingDelegate::ratingAt(const QRect &cell, int x)
{
    const int offset = x - cell.left() - LeftMargin;
    if (offset < 0)
        return 0;
    return std::clamp(offset / (StarSize + StarGap) + 1, 0, 5);
}

void RatingDelegate::paint(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);

    const int rating = index.data(RatingRole).toInt();
    const bool selected = option.state & QStyle::State_Selected;
    const QColor filled = selected ? option.palette.color(QPalette::HighlightedText)
                                   : option.palette.color(QPalette::Text);
    QColor empty = filled;
    empty.setAlphaF(0.22f);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    const int top = option.rect.top() + (option.rect.height() - StarSize) / 2;
    for (int star = 0; star < 5; ++star) {
        const QRectF box(
            option.rect.left() + LeftMargin + star * (StarSize + StarGap), top, StarSize, StarSize);
        painter->setBrush(star < rating ? filled : empty);
        painter->drawPath(starPath(box));
    }
    painter->restore();
}

QSize RatingDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QSize base = QStyledItemDelegate::sizeHint(option, index);
    return { LeftMargin * 2 + 5 * StarSize + 4 * StarGap, std::max(base.height(), StarSize + 4) };
}

bool RatingDelegate::editorEvent(QEvent *event, QAbstractItemModel *model,
    const QStyleOptionViewItem &option, const QModelIndex &index)
{
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove
        && type != QEvent::MouseButtonRelease)
        return false;
    const auto *mouse = static_cast<QMouseEvent *>(event);
    if (type == QEvent::MouseButtonPress) {
        if (mouse->button() != Qt::LeftButton || (m_allowed && !m_allowed(index)))
            return false;
        m_tracking = index;
    }
    if (!m_tracking.isValid() || m_tracking != index) {
        if (type == QEvent::MouseButtonRelease)
            m_tracking = QPersistentModelIndex();
        return false;
    }
    const int rating = ratingAt(option.rect, int(mouse->position().x()));
    if (model->data(index, RatingRole).toInt() != rating) {
        model->setData(index, rating, Qt::EditRole);
        emit ratingTracked(index, rating);
    }
    if (type == QEvent::MouseButtonRelease) {
        m_tracking = QPersistentModelIndex();
        emit trackingEnded(index);
    }
    return true;
}

} // namespace vidarium
