#include "itemsgriddelegate.h"

#include "model/imagemetrics.h"
#include "model/mediaelement.h"
#include "window/imagecache.h"
#include "window/itemimages.h"
#include "window/itemsmodel.h"
#include "window/storyboardframes.h"

#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>

#include <cmath>

namespace vidarium {

ItemsGridDelegate::ItemsGridDelegate(ItemsModel &model, ItemImages &images, QObject *parent)
    : QAbstractItemDelegate(parent)
    , m_model(model)
    , m_images(images)
{
}

double ItemsGridDelegate::clampedScale(double scale)
{
    if (std::isnan(scale))
        return DefaultScale;
    return std::clamp(scale, MinimumScale, MaximumScale);
}

QSize ItemsGridDelegate::cellSize(double scale)
{
    const double s = clampedScale(scale);
    return QSize(int(std::lround(s)), int(std::lround(s * 9 / 16)) + StripHeight);
}

quint64 ItemsGridDelegate::thumbnailVersion(const MediaElement &element)
{
    const double position
        = element.imageMetrics().value(ImageMetricKeys::ThumbnailPosition).toDouble();
    return std::isfinite(position) ? quint64(std::llround(std::clamp(position, 0.0, 1.0) * 1000))
                                   : 0;
}

void ItemsGridDelegate::setScale(double scale)
{
    m_scale = clampedScale(scale);
}

QRect ItemsGridDelegate::cellRect(const QRect &itemRect) const
{
    const QSize cell = cellSize(m_scale);
    return QRect(itemRect.left() + (itemRect.width() - cell.width()) / 2,
        itemRect.top() + (itemRect.height() - cell.height()) / 2, cell.width(), cell.height());
}

QRect ItemsGridDelegate::imageRect(const QRect &cell) const
{
    return cell.adjusted(0, 0, 0, -StripHeight);
}

QSize ItemsGridDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const
{
    return cellSize(m_scale) + QSize(Spacing, Spacing);
}

void ItemsGridDelegate::paint(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const MediaElementPtr element = m_model.elementAt(index.row());
    if (!element)
        return;
    const QRect cell = cellRect(option.rect);
    painter->save();
    if (option.state & QStyle::State_Selected) {
        painter->setRenderHint(QPainter::Antialiasing);
        QColor ring = option.palette.color(QPalette::Highlight);
        painter->setPen(Qt::NoPen);
        painter->setBrush(ring);
        painter->drawRoundedRect(QRectF(cell).adjusted(-4, -4, 4, 4), 5, 5);
        painter->setRenderHint(QPainter::Antialiasing, false);
    }
    painter->fillRect(cell, Qt::black);
    paintImage(painter, imageRect(cell), *element, m_scrub.row == index.row());
    paintStrip(painter,
        QRect(cell.left(), cell.bottom() + 1 - StripHeight, cell.width(), StripHeight),
        element->name(), m_model.cachedStatus(index.row()));
    painter->restore();
}

void ItemsGridDelegate::paintImage(
    QPainter *painter, const QRect &box, const MediaElement &element, bool scrubbing) const
{
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    if (scrubbing) {
        QRect source;
        const QImage storyboard
            = ItemsPainting::storyboardFrame(m_images, element, m_scrub.frame, &source);
        if (!storyboard.isNull()) {
            ItemsPainting::drawFitted(painter, box, storyboard, source);
            ItemsPainting::drawScrubPosition(
                painter, box, m_scrub.frame, StoryboardFrames::frameCount(element.imageMetrics()));
            return;
        }
    }
    ImageCache &thumbnails = m_images.thumbnails();
    const quint64 version = thumbnailVersion(element);
    const QImage thumbnail = thumbnails.image(element.identifier(), version);
    if (thumbnail.isNull())
        ItemsPainting::drawPlaceholder(
            painter, box, thumbnails.failed(element.identifier(), version));
    else
        ItemsPainting::drawFitted(painter, box, thumbnail);
}

void ItemsGridDelegate::paintStrip(
    QPainter *painter, const QRect &strip, const QString &name, int status) const
{
    painter->fillRect(strip, QColor(24, 24, 26));
    painter->fillRect(
        QRect(strip.left(), strip.top(), 2, StripHeight), ItemsPainting::statusColor(status));
    QFont font = painter->font();
    font.setPixelSize(11);
    painter->setFont(font);
    painter->setPen(Qt::white);
    const QRect text = strip.adjusted(3, 1, -3, -1);
    const QFontMetrics metrics(font);
    // Two lines fit the strip: wrapped by words, the second elided when the
    // name goes on.
    QString shown = name;
    const QRect needed = metrics.boundingRect(text, Qt::AlignCenter | Qt::TextWordWrap, name);
    if (needed.height() > text.height()) {
        QTextLayout layout(name, font);
        layout.beginLayout();
        QTextLine first = layout.createLine();
        first.setLineWidth(text.width());
        layout.endLayout();
        const QString rest = name.mid(first.textLength());
        shown = name.left(first.textLength()).trimmed() + QLatin1Char('\n')
            + metrics.elidedText(rest.trimmed(), Qt::ElideMiddle, text.width());
    }
    painter->drawText(text, Qt::AlignCenter | Qt::TextWordWrap, shown);
}

} // namespace vidarium
