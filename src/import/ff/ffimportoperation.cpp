#include "ffimportoperation.h"

#include "import/ff/ffimportcommands.h"
#include "import/ff/ffimportprobe.h"
#include "import/imagesheet.h"
#include "import/toolprocess.h"
#include "model/imagemetrics.h"
#include "platform/filepath.h"
#include "platform/operationqueue.h"

#include <QBuffer>
#include <QDateTime>
#include <QImage>
#include <QImageReader>

#include <unistd.h>

namespace vidarium {

namespace {

// A crashed or killed probe wrote at best part of its answer; none is safer.
QStringList probeFields(
    const FFImportOperation::Job &job, const QStringList &arguments, const CancellationToken &token)
{
    const ToolProcess::Result result
        = ToolProcess::run(job.ffprobe, arguments, ToolProcess::ErrorOutput::Merged,
            job.limits.probe, [&token] { return token.isCancelled(); });
    if (result.output.isEmpty())
        return {};
    return FFImportProbe::lines(FFImportProbe::decode(result.output));
}

// The frame comes at the video's own size but is drawn far smaller: letting
// the JPEG decoder scale while it decodes costs a fraction of a full decode.
QImage decodeFrame(const QByteArray &jpeg, const QSize &size)
{
    QBuffer buffer;
    buffer.setData(jpeg);
    QImageReader reader(&buffer, "JPEG");
    const QSize full = reader.size();
    if (full.isValid() && size.isValid() && full.width() > size.width()
        && full.height() > size.height())
        reader.setScaledSize(size);
    return reader.read();
}

bool looksLikeJpeg(const QByteArray &data)
{
    return data.size() >= 4 && uchar(data[0]) == 0xFF && uchar(data[1]) == 0xD8
        && uchar(data[data.size() - 2]) == 0xFF && uchar(data[data.size() - 1]) == 0xD9;
}

} // namespace

PlistDictionary FFImportOperation::properties(const Job &job, const CancellationToken &token)
{
    PlistDictionary properties;
    bool error = false;
    const std::optional<FileStatus> file = fileStatus(job.path);
    if (!file || !file->isFile || ::access(encodePath(job.path).constData(), R_OK) != 0) {
        error = true;
    } else {
        properties.insert(QStringLiteral("size"), PlistValue(file->size));
        properties.insert(QStringLiteral("creationDate"),
            PlistValue(file->created.isValid() ? file->created : file->modified));
        properties.insert(QStringLiteral("modifiedDate"), PlistValue(file->modified));

        const QStringList video
            = probeFields(job, FFImportCommands::videoProbeArguments(job.path), token);
        if (video.isEmpty()) {
            error = true;
        } else {
            FFImportProbe::collectVideoProperties(video, properties);
            const QStringList audio
                = probeFields(job, FFImportCommands::audioProbeArguments(job.path), token);
            if (!audio.isEmpty())
                FFImportProbe::collectAudioProperties(audio, properties);
        }
    }
    properties.insert(QStringLiteral("error"), PlistValue(error));
    if (!error) {
        properties.insert(
            QStringLiteral("importedDate"), PlistValue(QDateTime::currentDateTimeUtc()));
        properties.insert(QStringLiteral("tool"), PlistValue(QString(FFImporterIdentifier)));
    }
    return properties;
}

QByteArray FFImportOperation::frameJpeg(
    const Job &job, const QStringList &arguments, const CancellationToken &token)
{
    ToolProcess::Result result
        = ToolProcess::run(job.ffmpeg, arguments, ToolProcess::ErrorOutput::Discarded,
            job.limits.frame, [&token] { return token.isCancelled(); });
    if (!looksLikeJpeg(result.output))
        return {};
    return std::move(result.output);
}

QByteArray FFImportOperation::thumbnail(const Job &job, const CancellationToken &token)
{
    const float position = float(job.metrics.value(ImageMetricKeys::ThumbnailPosition).toDouble());
    const float seconds = job.duration * position;
    return frameJpeg(job,
        FFImportCommands::thumbnailArguments(seconds, job.path, job.pixelsWide, job.pixelsHigh),
        token);
}

QByteArray FFImportOperation::sheet(
    const Job &job, ImageType imageType, const CancellationToken &token)
{
    const ImageSheet::Kind kind = imageType == ImageTypeFilmstrip ? ImageSheet::Kind::Filmstrip
                                                                  : ImageSheet::Kind::Storyboard;
    ImageSheet sheet = ImageSheet::fromMetrics(kind, job.metrics, job.pixelsWide, job.pixelsHigh);
    const QList<double> times = sheet.frameTimes(job.duration);
    for (int i = 0; i < times.size(); ++i) {
        // Nothing of a cancelled sheet is reported, so its remaining runs are not worth waiting
        // for.
        if (token.isCancelled())
            return {};
        const QByteArray frame = frameJpeg(
            job, FFImportCommands::sheetFrameArguments(float(times[i]), job.path), token);
        if (frame.isEmpty())
            return {};
        const QImage image = decodeFrame(frame, sheet.framePixelSize());
        if (!image.isNull())
            sheet.drawFrame(i, image);
    }
    return sheet.encode();
}

} // namespace vidarium
