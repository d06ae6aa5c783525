#include "import/av/avimportwork.h"

#include "import/av/avimportprotocol.h"
#include "import/imagesheet.h"
#include "platform/imagegenerator.h"
#include "platform/mediaasset.h"

#include <QCborArray>
#include <QThread>

#include <cmath>
#include <cstdlib>
#include <exception>

namespace vidarium {

namespace P = AVImportProtocol;

namespace {

// A request's thread count, kept to what a decoder can use.
int threadCount(const QCborMap &request)
{
    return int(std::clamp<qint64>(request.value(P::Threads).toInteger(1), 1, 16));
}

QCborMap jpegAnswer(const QByteArray &jpeg)
{
    if (jpeg.isEmpty())
        return P::failure(QStringLiteral("The image could not be encoded"));
    QCborMap answer = P::success();
    answer.insert(P::Jpeg, jpeg);
    return answer;
}

} // namespace

QCborMap AVImportWork::perform(const QCborMap &request, bool allowTestRequests)
{
    try {
        const QString operation = request.value(P::Operation).toString();
        const QString path = P::requestPath(request);
        if (operation == P::PropertiesOperation)
            return properties(path);
        if (operation == P::ThumbnailOperation)
            return thumbnail(path, request.value(P::Position).toDouble(), threadCount(request));
        if (operation == P::SheetOperation)
            return sheet(request);
        if (allowTestRequests && operation == P::CrashOperation)
            std::abort();
        if (allowTestRequests && operation == P::HangOperation) {
            for (;;)
                QThread::sleep(60);
        }
        return P::failure(QStringLiteral("Unknown request \"%1\"").arg(operation));
    } catch (const std::exception &e) {
        return P::failure(QString::fromUtf8(e.what()));
    } catch (...) {
        return P::failure(QStringLiteral("The request failed unexpectedly"));
    }
}

QCborMap AVImportWork::properties(const QString &path)
{
    Result<std::unique_ptr<MediaAsset>> opened = MediaAsset::open(path, MediaAsset::OpenMode::Full);
    if (!opened)
        return P::failure(opened.error().message());
    const MediaAsset &asset = **opened;
    QCborMap answer = P::success();
    answer.insert(P::HasVideo, asset.hasVideo());
    answer.insert(P::Duration, asset.durationSeconds());
    answer.insert(P::AudioCodec, asset.audioFormatName());
    if (asset.hasVideo()) {
        answer.insert(P::PixelsWide, qint64(asset.naturalSize().width()));
        answer.insert(P::PixelsHigh, qint64(asset.naturalSize().height()));
        answer.insert(P::FrameRate, double(asset.nominalFrameRate()));
        answer.insert(P::VideoCodec, asset.videoFormatName());
    }
    return answer;
}

QCborMap AVImportWork::thumbnail(const QString &path, double position, int threads)
{
    // Full: the thumbnail has the video's own size, and a sample aspect ratio
    // given only in the bitstream is known after the stream is probed.
    Result<std::unique_ptr<MediaAsset>> opened = MediaAsset::open(path, MediaAsset::OpenMode::Full);
    if (!opened)
        return P::failure(opened.error().message());
    MediaAsset &asset = **opened;
    if (!asset.hasVideo())
        return P::failure(QStringLiteral("The file has no video track"));
    if (!std::isfinite(position))
        position = 0;
    // The time in 1/600 s units, as a media timeline with timescale 600 holds it.
    const double seconds = std::round(position * asset.durationSeconds() * 600.0) / 600.0;
    ImageGenerator generator(asset);
    generator.setThreadCount(threads);
    Result<QImage> image = generator.imageAt(seconds);
    if (!image)
        return P::failure(image.error().message());
    return jpegAnswer(ImageSheet::encodeJpeg(*image));
}

QCborMap AVImportWork::sheet(const QCborMap &request)
{
    const auto kind = request.value(P::Kind).toInteger() == 0 ? ImageSheet::Kind::Storyboard
                                                              : ImageSheet::Kind::Filmstrip;
    ImageSheet sheet(kind, int(request.value(P::Rows).toInteger()),
        int(request.value(P::Columns).toInteger()), int(request.value(P::FrameWide).toInteger()),
        int(request.value(P::FrameHigh).toInteger()), request.value(P::Retina).toBool());
    QList<double> times;
    for (const QCborValue &time : request.value(P::Times).toArray())
        times.append(time.toDouble());
    if (times.size() != sheet.frameCount())
        return P::failure(QStringLiteral("The sheet needs %1 frame times").arg(sheet.frameCount()));

    Result<std::unique_ptr<MediaAsset>> opened
        = MediaAsset::open(P::requestPath(request), MediaAsset::OpenMode::Light);
    if (!opened)
        return P::failure(opened.error().message());
    MediaAsset &asset = **opened;
    if (!asset.hasVideo())
        return P::failure(QStringLiteral("The file has no video track"));

    ImageGenerator generator(asset);
    generator.setThreadCount(threadCount(request));
    generator.setImageSize(sheet.framePixelSize());
    QString failed;
    generator.generateImages(times, [&](int index, const Result<QImage> &image) {
        if (!image) {
            failed = image.error().message();
            return false; // the first failed frame stops the sheet
        }
        sheet.drawFrame(index, *image);
        return true;
    });
    if (!failed.isEmpty())
        return P::failure(failed);
    return jpegAnswer(sheet.encode());
}

} // namespace vidarium
