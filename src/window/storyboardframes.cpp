#include "storyboardframes.h"

#include "import/imagesheet.h"
#include "model/imagemetrics.h"

#include <algorithm>
#include <cmath>

namespace vidarium::StoryboardFrames {

namespace {

int clampedSetting(const PlistDictionary &metrics, const QString &key)
{
    return int(std::clamp<qint64>(metrics.value(key).toInteger(), 1, MaximumRowsOrColumns));
}

PlistDictionary clampedMetrics(const PlistDictionary &elementMetrics)
{
    PlistDictionary metrics = elementMetrics;
    metrics.insert(ImageMetricKeys::StoryboardRows,
        PlistValue(qint64(clampedSetting(elementMetrics, ImageMetricKeys::StoryboardRows))));
    metrics.insert(ImageMetricKeys::StoryboardColumns,
        PlistValue(qint64(clampedSetting(elementMetrics, ImageMetricKeys::StoryboardColumns))));
    return metrics;
}

} // namespace

int frameCount(const PlistDictionary &elementMetrics)
{
    return clampedSetting(elementMetrics, ImageMetricKeys::StoryboardRows)
        * clampedSetting(elementMetrics, ImageMetricKeys::StoryboardColumns);
}

QRect frameRect(const PlistDictionary &elementMetrics, qint64 pixelsWide, qint64 pixelsHigh,
    const QSize &imageSize, int index)
{
    if (imageSize.isEmpty())
        return {};
    const ImageSheet sheet = ImageSheet::fromMetrics(
        ImageSheet::Kind::Storyboard, clampedMetrics(elementMetrics), pixelsWide, pixelsHigh);
    index = std::clamp(index, 0, sheet.frameCount() - 1);
    // The sheet counts rows from the bottom; images count them from the top.
    const QSize canvas = sheet.canvasPointSize();
    const QRect points = sheet.frameRect(index);
    const double sx = double(imageSize.width()) / canvas.width();
    const double sy = double(imageSize.height()) / canvas.height();
    const double top = canvas.height() - points.y() - points.height();
    const QRect pixels(QPoint(int(std::lround(points.x() * sx)), int(std::lround(top * sy))),
        QPoint(int(std::lround((points.x() + points.width()) * sx)) - 1,
            int(std::lround((top + points.height()) * sy)) - 1));
    return pixels.intersected(QRect(QPoint(0, 0), imageSize));
}

int frameAt(double x, double width, int count)
{
    if (count <= 1 || !(width > 0) || !std::isfinite(x))
        return 0;
    return std::clamp(int(std::floor(x / width * count)), 0, count - 1);
}

} // namespace vidarium::StoryboardFrames
