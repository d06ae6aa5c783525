#include "window/storyboardwireframe.h"

#include "import/imagesheet.h"
#include "model/imagemetrics.h"

#include <QPainter>

namespace vidarium {

QSize StoryboardWireframe::frameSize(qint64 sizeIndex)
{
    if (sizeIndex < 0 || sizeIndex > 5)
        return QSize(128, 72);
    const int index = int(sizeIndex);
    return QSize(96 + 32 * index, 54 + 18 * index);
}

QImage StoryboardWireframe::image(const PlistDictionary &imageMetrics)
{
    // The settings are read as 32-bit integers, as the storyboard maker reads them.
    const auto int32 = [&imageMetrics](const QString &key) {
        return qint32(imageMetrics.value(key).toInteger());
    };
    const QSize frame = frameSize(int32(ImageMetricKeys::StoryboardSize));
    // The sheet brings rows and columns into range and places the frames
    // exactly where a real storyboard has them.
    const ImageSheet sheet(ImageSheet::Kind::Storyboard, int32(ImageMetricKeys::StoryboardRows),
        int32(ImageMetricKeys::StoryboardColumns), frame.width(), frame.height(), false);
    const QSize size = sheet.canvasPointSize();
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor::fromRgbF(1, 1, 1, 0.15f));
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    for (int i = 0; i < sheet.frameCount(); ++i) {
        // The sheet counts from the bottom; the image's rows from the top.
        const QRect points = sheet.frameRect(i);
        painter.fillRect(QRect(points.x(), size.height() - points.y() - points.height(),
                             points.width(), points.height()),
            Qt::transparent);
    }
    return image;
}

} // namespace vidarium
