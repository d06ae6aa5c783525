#include "import/ff/ffimportcommands.h"
#include "import/ff/ffimportprobe.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vidarium;

TEST(FFImportProbe, FieldLookupFollowsTheFlatForm)
{
    const QStringList fields = FFImportProbe::lines(
        QStringLiteral("streams.stream.0.width=320\r\n"
                       "STREAMS.STREAM.0.HEIGHT=240\n"
                       "format.duration=\"12.345000\"\n"
                       "format.duration=\"99\"\n"
                       "streams.stream.0.codec_long_name=\"\"H.264 / AVC\"\"\n"));
    EXPECT_EQ(FFImportProbe::fieldForTag(QStringLiteral("format.duration="), fields),
        QStringLiteral("12.345000"));
    EXPECT_EQ(FFImportProbe::fieldForTag(QStringLiteral("streams.stream.0.width="), fields),
        QStringLiteral("320"));
    // The lookup ignores case, but only the exact tag is cut out of the line.
    EXPECT_EQ(FFImportProbe::fieldForTag(QStringLiteral("streams.stream.0.height="), fields),
        QStringLiteral("STREAMS.STREAM.0.HEIGHT=240"));
    EXPECT_EQ(
        FFImportProbe::fieldForTag(QStringLiteral("streams.stream.0.codec_long_name="), fields),
        QStringLiteral("H.264 / AVC"));
    EXPECT_EQ(FFImportProbe::fieldForTag(QStringLiteral("format.bit_rate="), fields), QString());
}

TEST(FFImportProbe, NumbersAreReadLeniently)
{
    EXPECT_FLOAT_EQ(FFImportProbe::frameRateFromFractionString(QStringLiteral("25/1")), 25.0f);
    EXPECT_FLOAT_EQ(
        FFImportProbe::frameRateFromFractionString(QStringLiteral("30000/1001")), 29.97003f);
    EXPECT_TRUE(std::isnan(FFImportProbe::frameRateFromFractionString(QStringLiteral("0/0"))));
    EXPECT_EQ(FFImportProbe::frameRateFromFractionString(QString()), 0.0f);
    EXPECT_EQ(FFImportProbe::frameRateFromFractionString(QStringLiteral("1/2/3")), 0.0f);

    EXPECT_FLOAT_EQ(FFImportProbe::floatValue(QStringLiteral("  12.5abc")), 12.5f);
    EXPECT_FLOAT_EQ(FFImportProbe::floatValue(QStringLiteral("1e3")), 1000.0f);
    EXPECT_EQ(FFImportProbe::floatValue(QStringLiteral("N/A")), 0.0f);
    EXPECT_EQ(FFImportProbe::floatValue(QStringLiteral("inf")), 0.0f);
    EXPECT_EQ(FFImportProbe::integerValue(QStringLiteral("1920px")), 1920);
    EXPECT_EQ(FFImportProbe::integerValue(QStringLiteral("-7")), -7);
    EXPECT_EQ(FFImportProbe::integerValue(QStringLiteral("99999999999999999999999")),
        std::numeric_limits<qint64>::max());
    EXPECT_EQ(FFImportProbe::integerValue(QString()), 0);
}

TEST(FFImportProbe, CollectsPropertiesFromProbeOutput)
{
    const QStringList video = FFImportProbe::lines(
        QStringLiteral("streams.stream.0.index=0\n"
                       "streams.stream.0.codec_name=\"h264\"\n"
                       "streams.stream.0.codec_long_name=\"H.264 \u00AB AVC \u00BB\"\n"
                       "streams.stream.0.width=1920\n"
                       "streams.stream.0.height=1080\n"
                       "streams.stream.0.r_frame_rate=\"30000/1001\"\n"
                       "format.duration=\"120.500000\"\n"));
    PlistDictionary properties;
    FFImportProbe::collectVideoProperties(video, properties);
    EXPECT_EQ(properties.value(QStringLiteral("pixelsWide")).toInteger(), 1920);
    EXPECT_EQ(properties.value(QStringLiteral("pixelsHigh")).toInteger(), 1080);
    EXPECT_TRUE(properties.value(QStringLiteral("duration")).isFloat32());
    EXPECT_FLOAT_EQ(float(properties.value(QStringLiteral("duration")).toDouble()), 120.5f);
    EXPECT_FLOAT_EQ(float(properties.value(QStringLiteral("frameRate")).toDouble()), 29.97003f);
    EXPECT_EQ(
        properties.value(QStringLiteral("videoCodec")).toString(), QStringLiteral("H.264  AVC "));

    FFImportProbe::collectAudioProperties(
        FFImportProbe::lines(
            QStringLiteral("streams.stream.0.codec_long_name=\"AAC (Advanced Audio Coding)\"")),
        properties);
    EXPECT_EQ(properties.value(QStringLiteral("audioCodec")).toString(),
        QStringLiteral("AAC (Advanced Audio Coding)"));
}

TEST(FFImportCommands, FrameTimesAreWrittenInShortDecimalForm)
{
    EXPECT_EQ(FFImportCommands::secondsText(12.5f), QStringLiteral("12.5"));
    EXPECT_EQ(FFImportCommands::secondsText(30.0f), QStringLiteral("30"));
    EXPECT_EQ(FFImportCommands::secondsText(1234.5678f), QStringLiteral("1234.568"));
    EXPECT_EQ(FFImportCommands::secondsText(0.0f), QStringLiteral("0"));
    EXPECT_EQ(FFImportCommands::secondsText(0.00001f), QStringLiteral("0.00001"));
    EXPECT_EQ(FFImportCommands::secondsText(123456789.0f), QStringLiteral("123456800"));
    EXPECT_EQ(FFImportCommands::secondsText(NAN), QStringLiteral("0"));
    EXPECT_EQ(FFImportCommands::secondsText(-3.0f), QStringLiteral("0"));
}

TEST(FFImportCommands, CommandLinesAreExact)
{
    const QString path = QStringLiteral("/videos/a b.mp4");
    EXPECT_EQ(FFImportCommands::videoProbeArguments(path).join(QLatin1Char('|')),
        QStringLiteral("-v|quiet|-print_format|flat|-show_format|-show_streams|-select_streams|v|/"
                       "videos/a b.mp4"));
    EXPECT_EQ(FFImportCommands::audioProbeArguments(path).join(QLatin1Char('|')),
        QStringLiteral(
            "-v|quiet|-print_format|flat|-show_streams|-select_streams|a|/videos/a b.mp4"));
    // A 120 s video at thumbnail position 0.25.
    EXPECT_EQ(FFImportCommands::thumbnailArguments(120.0f * 0.25f, path, 1920, 1080)
                  .join(QLatin1Char('|')),
        QStringLiteral(
            "-loglevel|quiet|-hide_banner|-ss|30|-i|/videos/a b.mp4|-s|1920x1080|-f|image2"
            "|-vcodec|mjpeg|-q:v|2|-vframes|1|-"));
    EXPECT_EQ(FFImportCommands::sheetFrameArguments(12.5f, path).join(QLatin1Char('|')),
        QStringLiteral("-loglevel|quiet|-hide_banner|-ss|12.5|-i|/videos/a b.mp4|-f|image2"
                       "|-vcodec|mjpeg|-q:v|2|-vframes|1|-"));
    // A relative name could be taken for a protocol such as "pipe:".
    EXPECT_TRUE(FFImportCommands::videoProbeArguments(QStringLiteral("pipe:0"))
                    .last()
                    .startsWith(QLatin1Char('/')));
}
