#include "boundedimage.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

namespace vidarium {

namespace {

Error refused(const QString &why)
{
    return Error(Error::Code::Corrupt, why);
}

} // namespace

Result<QImage> BoundedImage::readFile(const QString &path, const Limits &limits)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Error(Error::Code::Io, QObject::tr("The file could not be read."));
    if (file.size() <= 0 || file.size() > limits.maximumBytes)
        return refused(QObject::tr("The file is empty or too large for an image."));
    return read(file, limits);
}

Result<QImage> BoundedImage::readData(const QByteArray &data, const Limits &limits)
{
    if (data.isEmpty() || data.size() > limits.maximumBytes)
        return refused(QObject::tr("The image data is empty or too large."));
    QByteArray bytes = data;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return read(buffer, limits);
}

Result<QImage> BoundedImage::read(QIODevice &device, const Limits &limits)
{
    QImageReader reader(&device);
    reader.setAllocationLimit(limits.allocationMegabytes);
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return refused(QObject::tr("The data is not an image this program can read."));
    // A header may promise any size: a few kilobytes can declare billions of
    // pixels, so the promise is checked before the decoder allocates for it.
    const QSize declared = reader.size();
    if (declared.isValid()
        && (declared.isEmpty()
            || qint64(declared.width()) * declared.height() > limits.maximumPixels))
        return refused(QObject::tr("The image is empty or too large (%1 × %2 pixels).")
                           .arg(declared.width())
                           .arg(declared.height()));
    QImage image = reader.read();
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        return refused(QObject::tr("The image could not be decoded: %1").arg(reader.errorString()));
    if (qint64(image.width()) * image.height() > limits.maximumPixels)
        return refused(QObject::tr("The image is too large."));
    return image;
}

Result<QByteArray> BoundedImage::jpegData(const QImage &image, int maximumSide, int quality)
{
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        return refused(QObject::tr("There is no image to store."));
    QImage scaled = image;
    if (maximumSide > 0 && std::max(image.width(), image.height()) > maximumSide)
        scaled
            = image.scaled(maximumSide, maximumSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    // JPEG has no transparency and the writer takes few pixel formats: paint onto
    // white in a plain RGB image, which every source format converts to.
    QImage flat(scaled.size(), QImage::Format_RGB888);
    if (flat.isNull())
        return refused(QObject::tr("There is not enough memory for the image."));
    flat.fill(Qt::white);
    {
        QPainter painter(&flat);
        painter.drawImage(0, 0, scaled);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    if (!writer.write(flat) || bytes.isEmpty())
        return Error(Error::Code::Io,
            QObject::tr("The image could not be stored as JPEG: %1").arg(writer.errorString()));
    return bytes;
}

} // namespace vidarium
