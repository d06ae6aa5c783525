#include "platform/boundedimage.h"

#include "testsupport.h"

#include <QBuffer>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace vidarium;
using namespace vidarium::test;

namespace {

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    EXPECT_TRUE(writer.write(image)) << qPrintable(writer.errorString());
    return bytes;
}

quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A real PNG whose header is changed to declare another size, with a valid
// checksum, so that only the size gives it away.
QByteArray pngDeclaring(quint32 width, quint32 height)
{
    QImage small(8, 8, QImage::Format_RGB32);
    small.fill(Qt::red);
    QByteArray png = encoded(small, "png");
    // Signature (8), length (4), "IHDR" (4), then width and height.
    qToBigEndian(width, png.data() + 16);
    qToBigEndian(height, png.data() + 20);
    const quint32 crc = crc32(png.mid(12, 17));
    qToBigEndian(crc, png.data() + 29);
    return png;
}

QImage decoded(const QByteArray &bytes)
{
    QImage image;
    image.loadFromData(bytes);
    return image;
}

TEST(BoundedImage, LargePngBecomesBoundedJpeg)
{
    QImage wide(3000, 1500, QImage::Format_ARGB32);
    wide.fill(QColor(20, 120, 200, 128));
    const Result<QImage> read = BoundedImage::readData(encoded(wide, "png"), {});
    ASSERT_TRUE(read.ok()) << qPrintable(read.error().message());
    const Result<QByteArray> jpeg = BoundedImage::jpegData(read.value(), 2048, 75);
    ASSERT_TRUE(jpeg.ok());
    ASSERT_TRUE(jpeg.value().startsWith("\xFF\xD8\xFF"));
    const QImage back = decoded(jpeg.value());
    EXPECT_EQ(back.size(), QSize(2048, 1024));
    // Transparency was flattened onto white, not black.
    EXPECT_GT(qRed(back.pixel(100, 100)), 100);
}

TEST(BoundedImage, SmallImagesKeepTheirSizeWhateverTheirFormat)
{
    for (const QImage::Format format : { QImage::Format_Grayscale8, QImage::Format_Indexed8,
             QImage::Format_RGBA64, QImage::Format_Mono }) {
        SCOPED_TRACE(int(format));
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(Qt::gray);
        image = image.convertToFormat(format);
        const Result<QByteArray> jpeg = BoundedImage::jpegData(image, 2048, 75);
        ASSERT_TRUE(jpeg.ok());
        EXPECT_EQ(decoded(jpeg.value()).size(), QSize(40, 30));
    }
}

TEST(BoundedImage, RefusesWhatIsNoUsableImage)
{
    QImage small(16, 16, QImage::Format_RGB32);
    small.fill(Qt::blue);
    const QByteArray png = encoded(small, "png");
    const struct
    {
        const char *name;
        QByteArray bytes;
    } cases[] = {
        { "empty", QByteArray() },
        { "text", QByteArray("this is not an image at all") },
        { "truncated", png.left(png.size() / 2) },
        { "declares 100000 x 100000", pngDeclaring(100000, 100000) },
        { "declares 0 x 0", pngDeclaring(0, 0) },
        { "declares 1 x 0", pngDeclaring(1, 0) },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const Result<QImage> read = BoundedImage::readData(c.bytes, {});
        EXPECT_FALSE(read.ok());
    }
    EXPECT_FALSE(BoundedImage::jpegData(QImage(), 2048, 75).ok());
}

TEST(BoundedImage, ReadsTiffDataAndFilesBySniffingTheContent)
{
    ASSERT_TRUE(QImageReader::supportedImageFormats().contains("tiff"));
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    const QByteArray tiff = encoded(image, "tiff");
    const Result<QImage> fromData = BoundedImage::readData(tiff, {});
    ASSERT_TRUE(fromData.ok());
    EXPECT_EQ(fromData.value().size(), QSize(64, 48));

    ScratchDir scratch;
    // The name says PNG; the content decides.
    QFile file(scratch.filePath(QStringLiteral("misnamed.png")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(tiff);
    file.close();
    EXPECT_TRUE(BoundedImage::readFile(file.fileName(), {}).ok());
    EXPECT_FALSE(BoundedImage::readFile(scratch.filePath(QStringLiteral("absent.png")), {}).ok());

    BoundedImage::Limits tight;
    tight.maximumBytes = 100;
    EXPECT_FALSE(BoundedImage::readData(tiff, tight).ok());
}

} // namespace
