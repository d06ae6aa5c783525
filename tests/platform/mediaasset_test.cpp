// The media asset and image generator on short generated videos.

#include "platform/codecnames.h"
#include "platform/imagegenerator.h"
#include "platform/mediaasset.h"
#include "testsupport.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include <sys/resource.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

using namespace vidarium;
using namespace vidarium::test;

namespace {

std::unique_ptr<MediaAsset> openAsset(const QString &path)
{
    Result<std::unique_ptr<MediaAsset>> asset = MediaAsset::open(path);
    EXPECT_OK(asset);
    return asset.ok() ? std::move(asset).value() : nullptr;
}

// Copies the streams into a file whose display matrix turns the picture a
// quarter turn counter-clockwise (what ffmpeg writes for a "rotate=90" tag).
void rotateByRemux(const QString &from, const QString &to)
{
    runFfmpeg({ QStringLiteral("-i"), from, QStringLiteral("-c"), QStringLiteral("copy"),
        QStringLiteral("-metadata:s:v:0"), QStringLiteral("rotate=90"), to });
}

bool isBright(QRgb pixel)
{
    return qGray(pixel) > 200;
}
bool isDark(QRgb pixel)
{
    return qGray(pixel) < 50;
}

// The resident-memory figure "VmHWM" or "VmRSS" of this process, in bytes.
qint64 residentBytes(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(std::strlen(field)) + 1)
                       .trimmed()
                       .split(' ')
                       .first()
                       .toLongLong()
                * 1024;
    }
    return -1;
}

// In a child with a bounded address space, as the decode helper would do it: read
// the file's properties and try its thumbnail. Exits 0 when the picture is refused
// (an error, not a crash) and the peak resident memory grew by less than `budget`.
[[noreturn]] void decodeWithinBudget(const QString &path, qint64 budget)
{
    const qint64 headroom = qint64(1) << 30; // keeps a regression from taking the machine
    const rlimit bound { rlim_t(residentBytes("VmRSS") * 4 + headroom),
        rlim_t(residentBytes("VmRSS") * 4 + headroom) };
    setrlimit(RLIMIT_AS, &bound);
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5"); // the peak starts again from here
    clear.close();
    const qint64 before = residentBytes("VmHWM");
    bool refused = true;
    if (Result<std::unique_ptr<MediaAsset>> asset = MediaAsset::open(path); asset.ok()) {
        if ((*asset)->hasVideo()) {
            ImageGenerator generator(**asset);
            const Result<QImage> image = generator.imageAt(0);
            refused = !image.ok();
            std::fprintf(
                stderr, "image: %s\n", image.ok() ? "made" : qPrintable(image.error().message()));
        }
    }
    const qint64 growth = residentBytes("VmHWM") - before;
    std::fprintf(stderr, "peak grew by %lld MB\n", growth >> 20);
    std::_Exit(refused && growth < budget ? 0 : 1);
}

} // namespace

TEST(MediaAsset, ReadsTracksDurationSizeRateAndCodecs)
{
    ScratchDir dir;
    QString error;
    GeneratedVideo recipe;
    recipe.audioCodec = QStringLiteral("aac");
    ASSERT_TRUE(generateVideo(dir.filePath("a.mp4"), recipe, &error)) << error.toStdString();
    auto asset = openAsset(dir.filePath("a.mp4"));
    ASSERT_TRUE(asset);
    EXPECT_EQ(asset->videoTrackCount(), 1);
    EXPECT_EQ(asset->audioTrackCount(), 1);
    EXPECT_NEAR(asset->durationSeconds(), 2.0, 0.1);
    EXPECT_EQ(asset->naturalSize(), QSizeF(320, 240));
    EXPECT_FLOAT_EQ(asset->nominalFrameRate(), 25.0f);
    EXPECT_EQ(asset->rotation(), 0);
    EXPECT_EQ(asset->videoFormatName(), QStringLiteral("H.264"));
    EXPECT_EQ(asset->audioFormatName(), QStringLiteral("MPEG-4 AAC"));
}

TEST(MediaAsset, NamesAudioNoneWithoutAudioAndAppleLosslessForAlac)
{
    ScratchDir dir;
    QString error;
    GeneratedVideo silent;
    ASSERT_TRUE(generateVideo(dir.filePath("silent.mp4"), silent, &error)) << error.toStdString();
    auto asset = openAsset(dir.filePath("silent.mp4"));
    ASSERT_TRUE(asset);
    EXPECT_EQ(asset->audioFormatName(), QStringLiteral("None"));

    GeneratedVideo lossless;
    lossless.videoCodec = QStringLiteral("mpeg4");
    lossless.audioCodec = QStringLiteral("alac");
    ASSERT_TRUE(generateVideo(dir.filePath("alac.mov"), lossless, &error)) << error.toStdString();
    asset = openAsset(dir.filePath("alac.mov"));
    ASSERT_TRUE(asset);
    EXPECT_EQ(asset->audioFormatName(), QStringLiteral("Apple Lossless"));
    EXPECT_EQ(asset->videoFormatName(), QStringLiteral("MPEG-4 Video"));
}

TEST(MediaAsset, AppliesSampleAspectRatioBeforeRotation)
{
    ScratchDir dir;
    QString error;
    GeneratedVideo recipe;
    recipe.extraArguments = QStringLiteral("-vf setsar=4/3");
    ASSERT_TRUE(generateVideo(dir.filePath("plain.mp4"), recipe, &error)) << error.toStdString();
    rotateByRemux(dir.filePath("plain.mp4"), dir.filePath("r.mp4"));
    auto asset = openAsset(dir.filePath("r.mp4"));
    ASSERT_TRUE(asset);
    EXPECT_EQ(int(asset->naturalSize().width()), 426);
    EXPECT_EQ(int(asset->naturalSize().height()), 240);
    EXPECT_EQ(asset->rotation(), 270);
    EXPECT_EQ(asset->displaySize(), QSizeF(240, 320.0 * 4 / 3));
}

TEST(MediaAsset, RefusesFilesThatAreNoMedia)
{
    ScratchDir dir;
    QFile text(dir.filePath("text.mp4"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("This is not a video, only a text file with a video's name.\n");
    text.close();
    QFile empty(dir.filePath("empty.mp4"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();

    for (const char *name : { "text.mp4", "empty.mp4", "missing.mp4" }) {
        SCOPED_TRACE(name);
        Result<std::unique_ptr<MediaAsset>> asset = MediaAsset::open(dir.filePath(name));
        if (asset.ok()) // a demuxer may accept it, but it then holds no video
            EXPECT_FALSE((*asset)->hasVideo());
        else
            EXPECT_FALSE(asset.error().message().isEmpty());
    }
}

TEST(ImageGenerator, TurnsRotatedVideoUpright)
{
    ScratchDir dir;
    // White top half, black bottom half; turned upright as ffmpeg shows it,
    // the white half is on the left.
    runFfmpeg({ QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
        QStringLiteral("color=c=black:s=320x240:d=1,"
                       "drawbox=x=0:y=0:w=320:h=120:color=white:t=fill"),
        QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-pix_fmt"),
        QStringLiteral("yuv420p"), dir.filePath("plain.mp4") });
    rotateByRemux(dir.filePath("plain.mp4"), dir.filePath("rotated.mp4"));
    auto asset = openAsset(dir.filePath("rotated.mp4"));
    ASSERT_TRUE(asset);
    ImageGenerator generator(*asset);
    Result<QImage> image = generator.imageAt(0.5);
    ASSERT_OK(image);
    ASSERT_EQ(image->size(), QSize(240, 320));
    EXPECT_TRUE(isBright(image->pixel(20, 160)));
    EXPECT_TRUE(isDark(image->pixel(220, 160)));
}

TEST(ImageGenerator, TakesTheKeyFrameAtOrBeforeTheTime)
{
    ScratchDir dir;
    // Black until 4 s, white after; one key frame at 0 in the first file, one
    // each second in the second.
    const QString source = QStringLiteral("color=c=black:s=64x48:r=25:d=8,"
                                          "drawbox=x=0:y=0:w=64:h=48:color=white:t=fill:"
                                          "enable='gte(t,4)'");
    for (const char *gop : { "250", "25" }) {
        runFfmpeg({ QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), source,
            QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-pix_fmt"),
            QStringLiteral("yuv420p"), QStringLiteral("-g"), QString::fromLatin1(gop),
            QStringLiteral("-sc_threshold"), QStringLiteral("0"),
            dir.filePath(QStringLiteral("gop%1.mp4").arg(QString::fromLatin1(gop))) });
    }
    auto sparse = openAsset(dir.filePath("gop250.mp4"));
    auto dense = openAsset(dir.filePath("gop25.mp4"));
    ASSERT_TRUE(sparse && dense);

    ImageGenerator sparseFrames(*sparse);
    sparseFrames.setImageSize(QSize(32, 24));
    Result<QImage> early = sparseFrames.imageAt(6.0);
    ASSERT_TRUE(early.ok());
    EXPECT_EQ(early->size(), QSize(32, 24));
    EXPECT_TRUE(isDark(early->pixel(16, 12))) << "decoded forward past the key frame";

    ImageGenerator denseFrames(*dense);
    QList<int> answered;
    QList<bool> bright;
    denseFrames.generateImages({ 1.0, 6.0, 7.5 }, [&](int index, const Result<QImage> &image) {
        answered.append(index);
        bright.append(image.ok() && isBright(image->pixel(32, 24)));
        return true;
    });
    EXPECT_EQ(answered, QList<int>({ 0, 1, 2 }));
    EXPECT_EQ(bright, QList<bool>({ false, true, true }));
}

TEST(ImageGenerator, FailsCleanlyOnTruncatedFiles)
{
    ScratchDir dir;
    QString error;
    GeneratedVideo recipe;
    recipe.seconds = 4;
    ASSERT_TRUE(generateVideo(dir.filePath("whole.mkv"), recipe, &error)) << error.toStdString();
    QFile whole(dir.filePath("whole.mkv"));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray bytes = whole.readAll();
    for (double part : { 0.02, 0.3, 0.7 }) {
        SCOPED_TRACE(part);
        QFile cut(dir.filePath("cut.mkv"));
        ASSERT_TRUE(cut.open(QIODevice::WriteOnly | QIODevice::Truncate));
        cut.write(bytes.left(int(bytes.size() * part)));
        cut.close();
        Result<std::unique_ptr<MediaAsset>> asset = MediaAsset::open(cut.fileName());
        if (!asset.ok() || !(*asset)->hasVideo())
            continue;
        ImageGenerator generator(**asset);
        int answers = 0;
        generator.generateImages({ 0.5, 1.5, 3.5 }, [&](int, const Result<QImage> &) {
            ++answers;
            return true;
        });
        EXPECT_EQ(answers, 3);
    }
}

// A 16000 x 16000 picture is a gigabyte once decoded and converted: it is refused
// before its memory is taken, whether the container states its size (AVI) or
// only the bitstream does (a bare JPEG stream).
TEST(ImageGenerator, RefusesEnormousPicturesWithoutTakingTheirMemory)
{
    ScratchDir dir;
    for (const char *name : { "huge.avi", "huge.mjpeg" }) {
        SCOPED_TRACE(name);
        QString error;
        const QString path = dir.filePath(QString::fromLatin1(name));
        ASSERT_TRUE(generateFlatJpegVideo(path, 16000, 16000, &error)) << error.toStdString();
        EXPECT_EXIT(decodeWithinBudget(path, qint64(64) << 20), ::testing::ExitedWithCode(0), "");
    }
    // Below the limit the same kind of picture still decodes, at its own size.
    const QString small = dir.filePath(QStringLiteral("small.avi"));
    ASSERT_TRUE(generateFlatJpegVideo(small, 1920, 1080));
    std::unique_ptr<MediaAsset> asset = openAsset(small);
    ASSERT_TRUE(asset);
    ImageGenerator generator(*asset);
    const Result<QImage> image = generator.imageAt(0);
    ASSERT_OK(image);
    EXPECT_EQ(image->size(), QSize(1920, 1080));
    EXPECT_EQ(qGray(image->pixel(960, 540)), 128);
}

TEST(CodecNames, MapsFormatIdentifiersAndCleansNames)
{
    EXPECT_EQ(audioFormatName(audioFormatIdentifier(AV_CODEC_ID_AAC, FF_PROFILE_AAC_HE)),
        QStringLiteral("MPEG-4 High Efficiency AAC"));
    EXPECT_EQ(audioFormatName(0x6D730011), QStringLiteral("DVI/Intel IMA ADPCM - ACM code 17"));
    EXPECT_EQ(audioFormatName(0), QStringLiteral("Unknown"));
    EXPECT_EQ(cleanedFormatName(QStringLiteral("Caf\u00E9\tCodec\x7F!")),
        QStringLiteral("CafCodec\x7F!"));
    EXPECT_TRUE(videoFormatName(0, 0, 0).isEmpty());
}

TEST(CodecNames, AudioCodecsTheTableLacksGoByFFmpegsDescriptor)
{
    EXPECT_EQ(audioCodecName(AV_CODEC_ID_OPUS, FF_PROFILE_UNKNOWN),
        QStringLiteral("Opus (Opus Interactive Audio Codec)"));
    EXPECT_EQ(audioCodecName(AV_CODEC_ID_FLAC, FF_PROFILE_UNKNOWN),
        QStringLiteral("FLAC (Free Lossless Audio Codec)"));
    EXPECT_EQ(audioCodecName(AV_CODEC_ID_EAC3, FF_PROFILE_UNKNOWN),
        QString::fromUtf8(avcodec_descriptor_get(AV_CODEC_ID_EAC3)->long_name));
    EXPECT_EQ(audioCodecName(AV_CODEC_ID_VORBIS, FF_PROFILE_UNKNOWN), QStringLiteral("Vorbis"));
    // The table's own names stay.
    EXPECT_EQ(audioCodecName(AV_CODEC_ID_AAC, FF_PROFILE_AAC_LOW), QStringLiteral("MPEG-4 AAC"));
    EXPECT_EQ(
        audioCodecName(AV_CODEC_ID_PCM_S16LE, FF_PROFILE_UNKNOWN), QStringLiteral("Linear PCM"));
    EXPECT_EQ(audioCodecName(AV_CODEC_ID_NONE, FF_PROFILE_UNKNOWN), QStringLiteral("Unknown"));
    EXPECT_EQ(audioCodecName(-7, FF_PROFILE_UNKNOWN), QStringLiteral("Unknown"));
}

TEST(MediaAsset, NamesOpusAudioByItsCodec)
{
    ScratchDir dir;
    QString error;
    GeneratedVideo recipe;
    recipe.videoCodec = QStringLiteral("libvpx-vp9");
    recipe.audioCodec = QStringLiteral("libopus");
    recipe.extraArguments = QStringLiteral("-deadline realtime -cpu-used 8");
    ASSERT_TRUE(generateVideo(dir.filePath("opus.webm"), recipe, &error)) << error.toStdString();
    auto asset = openAsset(dir.filePath("opus.webm"));
    ASSERT_TRUE(asset);
    EXPECT_EQ(asset->audioFormatName(), QStringLiteral("Opus (Opus Interactive Audio Codec)"));
}
