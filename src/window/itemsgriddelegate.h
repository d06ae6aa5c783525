#pragma once

// Paints one cell of the thumbnail grid: the thumbnail (or, while the pointer
// scrubs across the cell, the storyboard frame under it) above a title strip
// with the name in white and a bar in the colour of the element's status. A
// picture still decoding or unreadable is drawn as a placeholder; the cache
// announces arrivals so only that cell repaints.
// Threads: main thread.

#include "window/itemspainting.h"

#include <QAbstractItemDelegate>

namespace vidarium {

class ItemImages;
class ItemsModel;
class MediaElement;

class ItemsGridDelegate : public QAbstractItemDelegate
{
    Q_OBJECT
public:
    static constexpr double MinimumScale = 80;
    static constexpr double MaximumScale = 400;
    static constexpr double DefaultScale = 160;
    static constexpr int StripHeight = 30;
    static constexpr int Spacing = 11;

    ItemsGridDelegate(ItemsModel &model, ItemImages &images, QObject *parent = nullptr);

    // The scale within the zoom slider's range (damaged settings come back
    // as its nearest end; no number at all as the default).
    static double clampedScale(double scale);
    // A cell is the scale wide and the scale times 9/16 plus the strip high.
    static QSize cellSize(double scale);
    // The thumbnail's version: it changes when the position it was taken at does.
    static quint64 thumbnailVersion(const MediaElement &element);

    double scale() const { return m_scale; }
    void setScale(double scale);
    const ItemsPainting::Scrub &scrub() const { return m_scrub; }
    void setScrub(const ItemsPainting::Scrub &scrub) { m_scrub = scrub; }
    // The cell within the rectangle the view gives an item (the cell plus spacing).
    QRect cellRect(const QRect &itemRect) const;
    QRect imageRect(const QRect &cell) const;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    void paintImage(
        QPainter *painter, const QRect &box, const MediaElement &element, bool scrubbing) const;
    void paintStrip(QPainter *painter, const QRect &strip, const QString &name, int status) const;

    ItemsModel &m_model;
    ItemImages &m_images;
    double m_scale = DefaultScale;
    ItemsPainting::Scrub m_scrub;
};

} // namespace vidarium
