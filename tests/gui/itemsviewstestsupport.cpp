#include "itemsviewstestsupport.h"

#include "import/imagesheet.h"
#include "model/imagemetrics.h"
#include "model/medialibrary.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdlib>

namespace vidarium::test {

QByteArray solidJpeg(const QColor &colour, const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return ImageSheet::encodeJpeg(image);
}

QByteArray sceneJpeg(int seed, const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const int hue = (seed * 47) % 360;
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor::fromHsv(hue, 120, 230));
    sky.setColorAt(1, QColor::fromHsv((hue + 30) % 360, 60, 255));
    painter.fillRect(image.rect(), sky);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 230, 150));
    const double w = size.width();
    const double h = size.height();
    painter.drawEllipse(QPointF(w * (0.2 + 0.1 * (seed % 6)), h * 0.3), h * 0.12, h * 0.12);
    for (int layer = 0; layer < 3; ++layer) {
        QPainterPath hills;
        hills.moveTo(0, h);
        for (int x = 0; x <= 8; ++x) {
            const double y
                = h * (0.55 + 0.12 * layer) + h * 0.08 * std::sin(x * 0.9 + seed + layer * 1.7);
            hills.lineTo(w * x / 8, y);
        }
        hills.lineTo(w, h);
        painter.setBrush(QColor::fromHsv((hue + 120 + layer * 15) % 360, 140, 150 - layer * 35));
        painter.drawPath(hills);
    }
    painter.end();
    return ImageSheet::encodeJpeg(image);
}

QList<QColor> frameColours(int count)
{
    QList<QColor> colours;
    for (int i = 0; i < count; ++i)
        colours.append(QColor::fromHsv((i * 360 / count) % 360, 230, 230));
    return colours;
}

namespace {

void storeStoryboard(
    MediaLibrary &library, MediaElement &element, const ImageSheet &sheet, QByteArray encoded)
{
    PlistDictionary metrics;
    metrics.insert(ImageMetricKeys::StoryboardRows, PlistValue(qint64(sheet.rows())));
    metrics.insert(ImageMetricKeys::StoryboardColumns, PlistValue(qint64(sheet.columns())));
    metrics.insert(ImageMetricKeys::StoryboardSize, PlistValue(qint64(0)));
    metrics.insert(ImageMetricKeys::StoryboardAspect, PlistValue(false));
    metrics.insert(ImageMetricKeys::StoryboardRetina, PlistValue(false));
    element.mergeImageMetrics(metrics);
    library.setStoryboardData(encoded, element);
}

} // namespace

void giveStoryboard(MediaLibrary &library, MediaElement &element, int rows, int columns,
    const QList<QColor> &colours)
{
    ImageSheet sheet(ImageSheet::Kind::Storyboard, rows, columns, 96, 54, false);
    for (int i = 0; i < sheet.frameCount(); ++i) {
        QImage frame(sheet.framePixelSize(), QImage::Format_RGB32);
        frame.fill(colours.value(i % colours.size()));
        sheet.drawFrame(i, frame);
    }
    storeStoryboard(library, element, sheet, sheet.encode());
}

void giveSceneStoryboard(
    MediaLibrary &library, MediaElement &element, int rows, int columns, int seed)
{
    ImageSheet sheet(ImageSheet::Kind::Storyboard, rows, columns, 96, 54, false);
    for (int i = 0; i < sheet.frameCount(); ++i) {
        QImage frame;
        frame.loadFromData(sceneJpeg(seed + 5 * i, sheet.framePixelSize()));
        sheet.drawFrame(i, frame);
    }
    storeStoryboard(library, element, sheet, sheet.encode());
}

void giveFilmstrip(MediaLibrary &library, const MediaElement &element, int frames, int seed)
{
    ImageSheet sheet(ImageSheet::Kind::Filmstrip, 1, frames, 96, 54, false);
    for (int i = 0; i < frames; ++i) {
        QImage frame;
        frame.loadFromData(sceneJpeg(seed + i * 3, sheet.framePixelSize()));
        sheet.drawFrame(i, frame);
    }
    library.setFilmstripData(sheet.encode(), element);
}

bool similar(const QColor &a, const QColor &b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

} // namespace vidarium::test
