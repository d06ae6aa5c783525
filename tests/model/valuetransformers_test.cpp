#include "model/valuetransformers.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

using namespace vidarium;

TEST(ValueTransformers, TextTransformersFollowTheirTables)
{
    const ToolSignatureTransformer tool;
    EXPECT_EQ(
        tool.transformedValue(PlistValue(QStringLiteral("com.tallowmere.vidarium.importer.av")))
            .toString(),
        QStringLiteral("AV Foundation"));
    EXPECT_EQ(
        tool.transformedValue(PlistValue(QStringLiteral("com.tallowmere.vidarium.importer.ff")))
            .toString(),
        QStringLiteral("FFmpeg-FFprobe"));
    EXPECT_EQ(tool.transformedValue(PlistValue(QStringLiteral(""))).toString(), QString());
    EXPECT_EQ(tool.transformedValue(PlistValue(1)).toString(), QString());

    const HideZeroValueTransformer hideZero;
    EXPECT_EQ(hideZero.transformedValue(PlistValue(0)).toString(), QString());
    EXPECT_EQ(hideZero.transformedValue(PlistValue(0.4)).toString(), QString());
    EXPECT_EQ(hideZero.transformedValue(PlistValue(-0.9)).toString(), QString());
    EXPECT_EQ(hideZero.transformedValue(PlistValue(1.5)).toString(), QStringLiteral("1.5"));
    EXPECT_EQ(
        hideZero.transformedValue(PlistValue(qint64(1920))).toString(), QStringLiteral("1920"));
    EXPECT_EQ(hideZero.transformedValue(PlistValue(QStringLiteral("7"))).toString(), QString());
}

TEST(ValueTransformers, RatingsIndexTheRatingTexts)
{
    const RatingsTransformer ratings({ QStringLiteral("r0"), QStringLiteral("r1"),
        QStringLiteral("r2"), QStringLiteral("r3"), QStringLiteral("r4"), QStringLiteral("r5") });
    EXPECT_EQ(ratings.transformedValue(PlistValue(3)).toString(), QStringLiteral("r3"));
    EXPECT_EQ(ratings.transformedValue(PlistValue(0)).toString(), QStringLiteral("r0"));
    EXPECT_EQ(ratings.transformedValue(PlistValue(5.9)).toString(), QStringLiteral("r5"));
    EXPECT_EQ(ratings.transformedValue(PlistValue(6)).toString(), QString());
    EXPECT_EQ(ratings.transformedValue(PlistValue(-1)).toString(), QString());
    EXPECT_EQ(ratings.transformedValue(PlistValue()).toString(), QString());
    EXPECT_EQ(RatingsTransformer({}).transformedValue(PlistValue(0)).toString(), QString());
}

TEST(ValueTransformers, StatusCodesNameTheirDots)
{
    const StatusIconTransformer status;
    const char *expected[] = { "Green", "Purple", "Yellow", "Gray", "Red", "Red" };
    for (int code = 0; code < 6; ++code)
        EXPECT_EQ(status.transformedValue(PlistValue(code)).toString(),
            QString::fromLatin1(expected[code]));
    EXPECT_TRUE(status.transformedValue(PlistValue(6)).toString().isNull());
    EXPECT_TRUE(status.transformedValue(PlistValue(-1)).toString().isNull());
    EXPECT_TRUE(status.transformedValue(PlistValue(QStringLiteral("0"))).toString().isNull());
}

TEST(ValueTransformers, ImageBytesDecodeAndGarbageGivesNoImage)
{
    QImage source(8, 4, QImage::Format_RGB32);
    source.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(source.save(&buffer, "PNG"));

    const DataImageTransformer images;
    const QImage decoded = images.transformedValue(PlistValue(png)).value<QImage>();
    EXPECT_EQ(decoded.size(), QSize(8, 4));
    EXPECT_EQ(decoded.pixelColor(3, 2), QColor(Qt::red));
    EXPECT_TRUE(
        images.transformedValue(PlistValue(QByteArray("not an image"))).value<QImage>().isNull());
    EXPECT_TRUE(images.transformedValue(PlistValue()).value<QImage>().isNull());

    const ArrayCountIsOneTransformer one;
    EXPECT_TRUE(one.transformedValue(PlistValue(1)).toBool());
    EXPECT_TRUE(one.transformedValue(PlistValue(1.7)).toBool());
    EXPECT_FALSE(one.transformedValue(PlistValue(2)).toBool());
}

TEST(ValueTransformerRegistry, RegistersTheFiveNamedTransformers)
{
    ValueTransformerRegistry registry;
    registry.registerStandardTransformers({ QStringLiteral("none"), QStringLiteral("one") });
    for (const char *name : { "DataImageTransformer", "kHideZeroValueTransformer",
             "RatingsTransformer", "StatusIconTransformer", "ToolSignatureTransformer" })
        EXPECT_NE(registry.valueTransformerForName(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_EQ(
        registry.valueTransformerForName(QStringLiteral("HideZeroValueTransformer")), nullptr);
    EXPECT_EQ(registry.valueTransformerForName(QStringLiteral("RatingsTransformer"))
                  ->transformedValue(PlistValue(1))
                  .toString(),
        QStringLiteral("one"));
}
