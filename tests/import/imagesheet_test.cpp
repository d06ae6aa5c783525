// Storyboard and filmstrip geometry, frame times, drawing and encoding.

#include "import/imagesheet.h"

#include <QBuffer>
#include <QImageReader>

#include <gtest/gtest.h>

using namespace vidarium;

namespace {

PlistDictionary storyboardMetrics(int rows, int columns, int size, bool aspect, bool retina)
{
    return { { QStringLiteral("StoryboardRows"), rows },
        { QStringLiteral("StoryboardColumns"), columns },
        { QStringLiteral("StoryboardSize"), size }, { QStringLiteral("StoryboardAspect"), aspect },
        { QStringLiteral("StoryboardRetina"), retina }, { QStringLiteral("FilmstripFrames"), 5 },
        { QStringLiteral("FilmstripSize"), 0 }, { QStringLiteral("FilmstripAspect"), false },
        { QStringLiteral("FilmstripRetina"), false },
        { QStringLiteral("ThumbnailPosition"), 0.25 } };
}

QImage decodeJpeg(const QByteArray &data, QSize *dotsPerInch = nullptr)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    const QImage image = reader.read();
    if (dotsPerInch)
        *dotsPerInch
            = QSize(qRound(image.dotsPerMeterX() * 0.0254), qRound(image.dotsPerMeterY() * 0.0254));
    return image;
}

QImage solid(QSize size, QColor colour)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

} // namespace

TEST(ImageSheet, StoryboardGeometryAtSizeZero)
{
    ImageSheet sheet = ImageSheet::fromMetrics(
        ImageSheet::Kind::Storyboard, storyboardMetrics(3, 4, 0, false, false), 1920, 1080);
    EXPECT_EQ(sheet.canvasPixelSize(), QSize(393, 170));
    EXPECT_EQ(sheet.frameRect(0), QRect(3, 113, 96, 54));
    EXPECT_EQ(sheet.frameRect(11), QRect(294, 3, 96, 54));
    EXPECT_EQ(sheet.framePixelSize(), QSize(96, 54));

    ImageSheet retina = ImageSheet::fromMetrics(
        ImageSheet::Kind::Storyboard, storyboardMetrics(3, 4, 0, false, true), 1920, 1080);
    EXPECT_EQ(retina.canvasPixelSize(), QSize(786, 340));
    EXPECT_EQ(retina.framePixelSize(), QSize(192, 108));

    ImageSheet larger = ImageSheet::fromMetrics(
        ImageSheet::Kind::Storyboard, storyboardMetrics(4, 4, 5, false, false), 1920, 1080);
    EXPECT_EQ(larger.frameWide(), 256);
    EXPECT_EQ(larger.frameHigh(), 144);
}

TEST(ImageSheet, FilmstripGeometry)
{
    ImageSheet strip = ImageSheet::fromMetrics(
        ImageSheet::Kind::Filmstrip, storyboardMetrics(3, 4, 3, false, false), 1920, 1080);
    EXPECT_EQ(strip.rows(), 1);
    EXPECT_EQ(strip.columns(), 5);
    EXPECT_EQ(strip.canvasPixelSize(), QSize(488, 58));
    EXPECT_EQ(strip.frameRect(4), QRect(390, 2, 96, 54));
}

TEST(ImageSheet, AspectFollowsTheVideoAndSurvivesOddSizes)
{
    ImageSheet wide = ImageSheet::fromMetrics(
        ImageSheet::Kind::Storyboard, storyboardMetrics(4, 4, 0, true, false), 1920, 800);
    EXPECT_EQ(wide.frameWide(), 129);
    EXPECT_EQ(wide.frameHigh(), 54);
    wide = ImageSheet::fromMetrics(
        ImageSheet::Kind::Storyboard, storyboardMetrics(4, 4, 0, true, false), 240, 100);
    EXPECT_EQ(wide.frameWide(), 129);

    // No height, no rows, absurd sizes: a drawable sheet all the same.
    ImageSheet odd = ImageSheet::fromMetrics(
        ImageSheet::Kind::Storyboard, storyboardMetrics(0, -3, 99, true, false), 1920, 0);
    EXPECT_EQ(odd.frameCount(), 1);
    EXPECT_EQ(odd.frameWide(), 256);
    EXPECT_EQ(odd.frameTimes(10).size(), 1);
    ImageSheet tall = ImageSheet::fromMetrics(
        ImageSheet::Kind::Storyboard, storyboardMetrics(2, 2, 0, true, false), 1, 100000);
    EXPECT_GE(tall.frameWide(), 1);
    EXPECT_FALSE(tall.encode().isEmpty());
}

TEST(ImageSheet, FrameTimesSplitTheDurationEvenly)
{
    ImageSheet sheet(ImageSheet::Kind::Storyboard, 2, 2, 96, 54, false);
    EXPECT_EQ(sheet.frameTimes(60), QList<double>({ 12, 24, 36, 48 }));
    EXPECT_EQ(sheet.frameTimes(0), QList<double>({ 0, 0, 0, 0 }));
    // 32-bit arithmetic, in the stated order.
    ImageSheet strip(ImageSheet::Kind::Filmstrip, 1, 5, 96, 54, false);
    const float span = 10.1f / 6.0f;
    EXPECT_EQ(strip.frameTimes(10.1f)[4], double(5.0f * span));
}

TEST(ImageSheet, DrawsFramesIntoTheirRectanglesOnBlack)
{
    ImageSheet sheet(ImageSheet::Kind::Storyboard, 3, 4, 96, 54, false);
    sheet.drawFrame(0, solid(sheet.framePixelSize(), Qt::white));
    sheet.drawFrame(11, solid(QSize(10, 10), Qt::red)); // scaled to fill
    const QImage &canvas = sheet.canvas();
    EXPECT_EQ(canvas.format(), QImage::Format_ARGB32_Premultiplied);
    // Frame 0 is top left: points (3, 113) from the bottom are pixel row 3 from the top.
    EXPECT_EQ(canvas.pixel(3, 3), qRgb(255, 255, 255));
    EXPECT_EQ(canvas.pixel(98, 56), qRgb(255, 255, 255));
    EXPECT_EQ(canvas.pixel(99, 3), 0u); // the gap stays transparent black
    EXPECT_EQ(canvas.pixel(2, 3), 0u); // and so does the border
    EXPECT_EQ(canvas.pixel(294, 113), qRgb(255, 0, 0));
    EXPECT_EQ(canvas.pixel(389, 166), qRgb(255, 0, 0));
    EXPECT_EQ(canvas.pixel(200, 80), 0u); // a frame never drawn

    QSize dpi;
    const QImage decoded = decodeJpeg(sheet.encode(), &dpi);
    EXPECT_EQ(decoded.size(), QSize(393, 170));
    EXPECT_EQ(dpi, QSize(72, 72));
    EXPECT_LT(qGray(decoded.pixel(200, 80)), 16);
    EXPECT_GT(qGray(decoded.pixel(40, 30)), 240);
}

TEST(ImageSheet, RetinaSheetsAreMarked144DotsPerInch)
{
    ImageSheet sheet(ImageSheet::Kind::Storyboard, 3, 4, 96, 54, true);
    sheet.drawFrame(11, solid(sheet.framePixelSize(), Qt::white));
    QSize dpi;
    const QImage decoded = decodeJpeg(sheet.encode(), &dpi);
    EXPECT_EQ(decoded.size(), QSize(786, 340));
    EXPECT_EQ(dpi, QSize(144, 144));
    EXPECT_GT(qGray(decoded.pixel(2 * 294 + 10, 340 - 2 * 3 - 10)), 240);
}

TEST(ImageSheet, MetricsForEachImageKeepOnlyItsKeys)
{
    const PlistDictionary library = storyboardMetrics(4, 5, 1, true, false);
    EXPECT_EQ(ImageSheet::metricsForImage(ImageTypeThumbnail, library).keys(),
        QStringList({ QStringLiteral("ThumbnailPosition") }));
    EXPECT_EQ(ImageSheet::metricsForImage(ImageTypeStoryboard, library).size(), 5);
    const PlistDictionary strip = ImageSheet::metricsForImage(ImageTypeFilmstrip, library);
    EXPECT_EQ(strip.size(), 4);
    EXPECT_EQ(strip.value(QStringLiteral("FilmstripFrames")).toInteger(), 5);
    EXPECT_TRUE(ImageSheet::metricsForImage(ImageTypeProperties, library).isEmpty());

    // Recording merges: other image kinds' entries stay.
    struct FakeElement
    {
        PlistDictionary metrics { { QStringLiteral("StoryboardRows"), 9 } };
        void mergeImageMetrics(const PlistDictionary &entries)
        {
            for (auto it = entries.begin(); it != entries.end(); ++it)
                metrics.insert(it.key(), it.value());
        }
    } element;
    ImageSheet::recordMetrics(element, ImageTypeThumbnail, library);
    EXPECT_EQ(element.metrics.value(QStringLiteral("StoryboardRows")).toInteger(), 9);
    EXPECT_EQ(element.metrics.value(QStringLiteral("ThumbnailPosition")).toDouble(), 0.25);
}
