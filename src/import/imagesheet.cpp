#include "import/imagesheet.h"

#include "model/imagemetrics.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace vidarium {

namespace {

// Settings come from a library file, which may be damaged or crafted: keep the
// canvas to a size that can always be allocated and encoded.
constexpr int maxFramesPerSide = 20;
constexpr int maxFramePoints = 1024;

constexpr int jpegQuality = 75;

// Qt records a JPEG's density from the image's dots per metre.
int dotsPerMeter(int dotsPerInch)
{
    return int(std::lround(dotsPerInch / 0.0254));
}

qint32 int32Setting(const PlistDictionary &metrics, const QString &key)
{
    return qint32(metrics.value(key).toInteger());
}

} // namespace

ImageSheet::ImageSheet(Kind kind, int rows, int columns, int frameWide, int frameHigh, bool retina)
    : m_kind(kind)
    , m_rows(kind == Kind::Filmstrip ? 1 : std::clamp(rows, 1, maxFramesPerSide))
    , m_columns(std::clamp(columns, 1, maxFramesPerSide))
    , m_frameWide(std::clamp(frameWide, 1, maxFramePoints))
    , m_frameHigh(std::clamp(frameHigh, 1, maxFramePoints))
    , m_retina(retina)
{
}

QSize ImageSheet::frameSizeForIndex(Kind kind, int sizeIndex)
{
    if (kind == Kind::Filmstrip)
        return QSize(96, 54);
    const int index = std::clamp(sizeIndex, 0, 5);
    return QSize(96 + 32 * index, 54 + 18 * index);
}

ImageSheet ImageSheet::fromMetrics(
    Kind kind, const PlistDictionary &metrics, qint64 pixelsWide, qint64 pixelsHigh)
{
    const bool storyboard = kind == Kind::Storyboard;
    const int rows = storyboard ? int32Setting(metrics, ImageMetricKeys::StoryboardRows) : 1;
    const int columns = int32Setting(metrics,
        storyboard ? ImageMetricKeys::StoryboardColumns : ImageMetricKeys::FilmstripFrames);
    const int sizeIndex = int32Setting(
        metrics, storyboard ? ImageMetricKeys::StoryboardSize : ImageMetricKeys::FilmstripSize);
    const bool aspect = metrics
                            .value(storyboard ? ImageMetricKeys::StoryboardAspect
                                              : ImageMetricKeys::FilmstripAspect)
                            .toBool();
    const bool retina = metrics
                            .value(storyboard ? ImageMetricKeys::StoryboardRetina
                                              : ImageMetricKeys::FilmstripRetina)
                            .toBool();

    const QSize frame = frameSizeForIndex(kind, sizeIndex);
    int frameWide = frame.width();
    if (aspect && pixelsWide > 0 && pixelsHigh > 0) {
        const float ratio = float(pixelsWide) / float(pixelsHigh);
        const float wide = ratio * float(frame.height());
        frameWide = std::isfinite(wide) ? int(std::min(wide, float(maxFramePoints))) : frameWide;
    }
    return ImageSheet(kind, rows, columns, frameWide, frame.height(), retina);
}

QSize ImageSheet::canvasPointSize() const
{
    return QSize(m_columns * (m_frameWide + 1) + 2 * border() - 1,
        m_rows * (m_frameHigh + 1) + 2 * border() - 1);
}

QSize ImageSheet::canvasPixelSize() const
{
    const QSize points = canvasPointSize();
    return QSize(int(points.width() * scale()), int(points.height() * scale()));
}

QSize ImageSheet::framePixelSize() const
{
    return QSize(int(m_frameWide * scale()), int(m_frameHigh * scale()));
}

QList<double> ImageSheet::frameTimes(float duration) const
{
    if (!std::isfinite(duration) || duration < 0)
        duration = 0;
    const int count = frameCount();
    const float span = duration / float(count + 1);
    QList<double> times;
    times.reserve(count);
    for (int i = 0; i < count; ++i)
        times.append(double(float(i + 1) * span));
    return times;
}

QRect ImageSheet::frameRect(int index) const
{
    const int column = index % m_columns;
    const int row = index / m_columns;
    return QRect(border() + column * (m_frameWide + 1),
        border() + (m_rows - 1 - row) * (m_frameHigh + 1), m_frameWide, m_frameHigh);
}

const QImage &ImageSheet::canvas()
{
    if (m_canvas.isNull()) {
        m_canvas = QImage(canvasPixelSize(), QImage::Format_ARGB32_Premultiplied);
        m_canvas.fill(Qt::transparent);
        const int density = dotsPerMeter(m_retina ? 144 : 72);
        m_canvas.setDotsPerMeterX(density);
        m_canvas.setDotsPerMeterY(density);
    }
    return m_canvas;
}

void ImageSheet::drawFrame(int index, const QImage &frame)
{
    if (index < 0 || index >= frameCount() || frame.isNull())
        return;
    canvas();
    if (m_canvas.isNull())
        return;
    // frameRect counts from the bottom; the image's rows count from the top.
    const QRect points = frameRect(index);
    const double s = scale();
    const QRect target(int(points.x() * s),
        int((canvasPointSize().height() - points.y() - points.height()) * s),
        int(points.width() * s), int(points.height() * s));
    QPainter painter(&m_canvas);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    if (frame.size() == target.size()) {
        painter.drawImage(target.topLeft(), frame);
    } else {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, frame);
    }
}

QByteArray ImageSheet::encode()
{
    return encodeJpeg(canvas(), m_retina ? 144 : 72);
}

QByteArray ImageSheet::encodeJpeg(const QImage &image, std::optional<int> dotsPerInch)
{
    if (image.isNull())
        return {};
    QImage marked = image;
    if (dotsPerInch) {
        marked.setDotsPerMeterX(dotsPerMeter(*dotsPerInch));
        marked.setDotsPerMeterY(dotsPerMeter(*dotsPerInch));
    }
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(jpegQuality);
    if (!writer.write(marked))
        return {};
    return data;
}

PlistDictionary ImageSheet::metricsForImage(ImageType type, const PlistDictionary &libraryMetrics)
{
    PlistDictionary entries;
    for (const QString &key : ImageMetricKeys::forImageType(type)) {
        const auto found = libraryMetrics.constFind(key);
        if (found != libraryMetrics.constEnd())
            entries.insert(key, *found);
    }
    return entries;
}

} // namespace vidarium
