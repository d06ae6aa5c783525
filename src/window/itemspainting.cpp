#include "itemspainting.h"

#include "model/mediaelement.h"
#include "window/imagecache.h"
#include "window/itemimages.h"
#include "window/storyboardframes.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRandomGenerator>
#include <QtMath>

namespace vidarium::ItemsPainting {

QColor statusColor(int status)
{
    switch (status) {
    case 0:
        return QColor(0, 211, 0);
    case 1:
        return QColor(160, 53, 237);
    case 2:
        return QColor(255, 194, 0);
    case 4:
    case 5:
        return QColor(226, 65, 0);
    default:
        return QColor(212, 212, 212);
    }
}

void drawPlaceholder(QPainter *painter, const QRect &box, bool failed)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->fillRect(box, QColor(0, 0, 0, 90));
    const int side = std::max(8, std::min(box.width(), box.height()) / 3);
    const QRectF frame(
        box.center().x() - side * 0.7, box.center().y() - side / 2.0, side * 1.4, side);
    QPen pen(QColor(255, 255, 255, 70), std::max(1.0, side / 14.0));
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    painter->drawRoundedRect(frame, side / 8.0, side / 8.0);
    // Sprocket holes, so the outline reads as film.
    const double hole = frame.width() / 9;
    for (int i = 0; i < 4; ++i) {
        const double x = frame.left() + hole * (1 + 2 * i);
        painter->drawRect(QRectF(x, frame.top() + hole * 0.5, hole, hole * 0.6));
        painter->drawRect(QRectF(x, frame.bottom() - hole * 1.1, hole, hole * 0.6));
    }
    if (failed) {
        painter->drawLine(frame.topLeft(), frame.bottomRight());
        painter->drawLine(frame.topRight(), frame.bottomLeft());
    }
    painter->restore();
}

QRect drawFitted(QPainter *painter, const QRect &box, const QImage &image, const QRect &source)
{
    const QRect from = source.isEmpty() ? image.rect() : source;
    if (from.isEmpty() || box.isEmpty())
        return {};
    const QSize size = from.size().scaled(box.size(), Qt::KeepAspectRatio);
    const QRect target(QPoint(box.left() + (box.width() - size.width()) / 2,
                           box.top() + (box.height() - size.height()) / 2),
        size);
    painter->drawImage(target, image, from);
    return target;
}

void drawStars(QPainter *painter, const QRect &box, int rating, const QColor &color)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    QColor empty = color;
    empty.setAlphaF(0.22f);
    const int top = box.top() + (box.height() - StarSize) / 2;
    for (int star = 0; star < 5; ++star) {
        const QRectF cell(box.left() + star * (StarSize + StarGap), top, StarSize, StarSize);
        QPainterPath path;
        for (int i = 0; i < 10; ++i) {
            const double angle = -M_PI / 2 + i * M_PI / 5;
            const double radius = cell.width() / 2 * (i % 2 == 0 ? 1.0 : 0.45);
            const QPointF point(cell.center().x() + radius * std::cos(angle),
                cell.center().y() + radius * std::sin(angle));
            if (i == 0)
                path.moveTo(point);
            else
                path.lineTo(point);
        }
        path.closeSubpath();
        painter->setBrush(star < rating ? color : empty);
        painter->drawPath(path);
    }
    painter->restore();
}

int ratingAt(const QRect &box, int x)
{
    const int offset = x - box.left();
    if (offset < 0)
        return 0;
    return std::clamp(offset / (StarSize + StarGap) + 1, 0, 5);
}

void drawRevealGlyph(QPainter *painter, const QRect &box, const QColor &color)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(color, 1.6));
    painter->setBrush(Qt::NoBrush);
    const QRectF lens = QRectF(box).adjusted(2, 2, -6, -6);
    painter->drawEllipse(lens);
    painter->drawLine(
        lens.bottomRight() - QPointF(1, 1), QPointF(box.bottomRight()) - QPointF(2, 2));
    painter->restore();
}

void drawScrubPosition(QPainter *painter, const QRect &box, int frame, int count)
{
    if (count <= 1)
        return;
    const QRect track(box.left(), box.bottom() - 2, box.width(), 3);
    painter->fillRect(track, QColor(0, 0, 0, 120));
    const int left = box.width() * frame / count;
    const int right = box.width() * (frame + 1) / count;
    painter->fillRect(QRect(box.left() + left, track.top(), std::max(2, right - left), 3),
        QColor(255, 255, 255, 220));
}

const QPixmap &linenTexture()
{
    static const QPixmap tile = [] {
        // Woven threads: fine horizontal and vertical streaks of slightly
        // different greys, drawn with a fixed seed so every run looks the same.
        constexpr int Side = 96;
        QImage image(Side, Side, QImage::Format_RGB32);
        image.fill(QColor(52, 54, 58));
        QRandomGenerator random(1802);
        QPainter painter(&image);
        for (int i = 0; i < 900; ++i) {
            const int shade = 40 + int(random.bounded(28));
            painter.setPen(QColor(shade, shade + 1, shade + 4, 120));
            const int x = int(random.bounded(Side));
            const int y = int(random.bounded(Side));
            const int length = 3 + int(random.bounded(14));
            if (i % 2 == 0) {
                painter.drawLine(x, y, x + length, y);
                painter.drawLine(x - Side, y, x + length - Side, y);
            } else {
                painter.drawLine(x, y, x, y + length);
                painter.drawLine(x, y - Side, x, y + length - Side);
            }
        }
        painter.end();
        return QPixmap::fromImage(image);
    }();
    return tile;
}

QImage storyboardFrame(ItemImages &images, const MediaElement &element, int frame, QRect *source)
{
    const QImage storyboard = images.storyboards().image(element.identifier());
    if (storyboard.isNull())
        return {};
    *source = StoryboardFrames::frameRect(element.imageMetrics(), element.pixelsWide(),
        element.pixelsHigh(), storyboard.size(), frame);
    return source->isEmpty() ? QImage() : storyboard;
}

} // namespace vidarium::ItemsPainting
