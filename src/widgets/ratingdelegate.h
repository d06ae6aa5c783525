#pragma once

// Paints a rating as five stars and lets the mouse set it on a selected row:
// pressing and dragging sets the rating under the pointer, releasing reports
// the end of the tracking. A press on a row that is not selected only selects.
// Threads: main thread.

#include <QStyledItemDelegate>

namespace vidarium {

class RatingDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit RatingDelegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
        const QModelIndex &index) override;
    QWidget *createEditor(
        QWidget *, const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        return nullptr;
    }

    // The rating a point in a cell of that rectangle stands for (0 left of the stars).
    static int ratingAt(const QRect &cell, int x);
    // Asked at a press: may this row's rating be tracked (is it the selected row)?
    void setTrackingAllowed(std::function<bool(const QModelIndex &)> allowed)
    {
        m_allowed = std::move(allowed);
    }

signals:
    // The rating changed while the mouse is down.
    void ratingTracked(const QModelIndex &index, int rating);
    // The mouse was released on a tracked cell.
    void trackingEnded(const QModelIndex &index);

private:
    std::function<bool(const QModelIndex &)> m_allowed;
    QPersistentModelIndex m_tracking;
};

} // namespace vidarium
