#include "platform/mediaasset.h"

#include "platform/codecnames.h"
#include "platform/filepath.h"

#include <QFile>

#include <cmath>
#include <utility>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/display.h>
#include <libavutil/opt.h>
}

namespace vidarium {

namespace {

// Turns FFmpeg's counter-clockwise display-matrix angle, or a rotate tag, into
// the clockwise quarter turn that makes the picture upright.
int quarterTurns(double clockwiseDegrees)
{
    if (!std::isfinite(clockwiseDegrees))
        return 0;
    const long quarters = std::lround(clockwiseDegrees / 90.0);
    return int(((quarters % 4) + 4) % 4) * 90;
}

int streamRotation(const AVStream *stream)
{
    size_t size = 0;
    const uint8_t *matrix = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (matrix && size >= 9 * sizeof(int32_t))
        return quarterTurns(-av_display_rotation_get(reinterpret_cast<const int32_t *>(matrix)));
    if (const AVDictionaryEntry *tag = av_dict_get(stream->metadata, "rotate", nullptr, 0)) {
        bool ok = false;
        const double degrees = QString::fromUtf8(tag->value).toDouble(&ok);
        if (ok)
            return quarterTurns(degrees);
    }
    return 0;
}

bool headerNamesVideo(const AVFormatContext *format)
{
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVCodecParameters *par = format->streams[i]->codecpar;
        if (par->codec_type == AVMEDIA_TYPE_VIDEO && par->codec_id != AV_CODEC_ID_NONE
            && par->width > 0 && par->height > 0)
            return true;
    }
    return false;
}

// Cover art and thumbnails travel as one-picture video streams; they are not
// the video a catalogue means.
bool isMovingVideo(const AVStream *stream)
{
    return stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO
        && !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC);
}

// Probing decodes a frame of each stream; the decoders it opens get the same
// pixel limit as ours, so a file of enormous frames is not decoded whole to learn
// its pixel format.
class ProbeOptions
{
public:
    explicit ProbeOptions(const AVFormatContext *format)
        : m_options(format->nb_streams, nullptr)
    {
        const QByteArray limit = QByteArray::number(MediaAsset::MaxPicturePixels);
        for (AVDictionary *&options : m_options)
            av_dict_set(&options, "max_pixels", limit.constData(), 0);
        for (unsigned i = 0; i < format->nb_streams; ++i)
            m_sizes.push_back(
                { format->streams[i]->codecpar->width, format->streams[i]->codecpar->height });
    }
    ~ProbeOptions()
    {
        for (AVDictionary *&options : m_options)
            av_dict_free(&options);
    }
    ProbeOptions(const ProbeOptions &) = delete;
    ProbeOptions &operator=(const ProbeOptions &) = delete;

    AVDictionary **data() { return m_options.empty() ? nullptr : m_options.data(); }

    // A decoder that refuses a picture forgets its size, and probing copies that
    // back: the size the container states is still the video's.
    void restoreRefusedSizes(AVFormatContext *format) const
    {
        for (size_t i = 0; i < m_sizes.size() && i < format->nb_streams; ++i) {
            AVCodecParameters *par = format->streams[i]->codecpar;
            if (par->width == 0 && par->height == 0) {
                par->width = m_sizes[i].first;
                par->height = m_sizes[i].second;
            }
        }
    }

private:
    std::vector<AVDictionary *> m_options;
    std::vector<std::pair<int, int>> m_sizes;
};

} // namespace

MediaAsset::~MediaAsset() = default;

Result<std::unique_ptr<MediaAsset>> MediaAsset::open(const QString &path, OpenMode mode)
{
    AVFormatContext *raw = nullptr;
    const QByteArray encoded = encodePath(path);
    int rc = avformat_open_input(&raw, encoded.constData(), nullptr, nullptr);
    if (rc < 0)
        return ffmpegError(rc, QStringLiteral("Opening %1").arg(displayPath(path)));

    std::unique_ptr<MediaAsset> asset(new MediaAsset);
    asset->m_format.reset(raw);
    if (mode == OpenMode::Full || !headerNamesVideo(raw)) {
        ProbeOptions options(raw);
        rc = avformat_find_stream_info(raw, options.data());
        if (rc < 0)
            return ffmpegError(rc, QStringLiteral("Reading the tracks of %1").arg(path));
        options.restoreRefusedSizes(raw);
    }
    asset->readTracks();
    return asset;
}

void MediaAsset::readTracks()
{
    AVFormatContext *format = m_format.get();
    const AVStream *audio = nullptr;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream *stream = format->streams[i];
        if (isMovingVideo(stream)) {
            if (m_videoStream < 0)
                m_videoStream = int(i);
            ++m_videoTrackCount;
        } else if (stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            if (!audio)
                audio = stream;
            ++m_audioTrackCount;
        }
    }

    if (format->duration != AV_NOPTS_VALUE && format->duration > 0) {
        m_durationValue = format->duration;
    } else if (m_videoStream >= 0) {
        const AVStream *video = format->streams[m_videoStream];
        if (video->duration != AV_NOPTS_VALUE && video->duration > 0)
            m_durationValue = av_rescale_q(video->duration, video->time_base, AV_TIME_BASE_Q);
    }

    m_audioFormatName = audio ? audioCodecName(audio->codecpar->codec_id, audio->codecpar->profile)
                              : QStringLiteral("None");

    if (m_videoStream < 0)
        return;
    AVStream *video = format->streams[m_videoStream];
    const AVCodecParameters *par = video->codecpar;
    double width = par->width;
    const AVRational sar = av_guess_sample_aspect_ratio(format, video, nullptr);
    if (sar.num > 0 && sar.den > 0)
        width = width * sar.num / sar.den;
    m_naturalSize = QSizeF(width, par->height);

    AVRational rate = video->avg_frame_rate;
    if (rate.num <= 0 || rate.den <= 0)
        rate = video->r_frame_rate;
    if (rate.num > 0 && rate.den > 0)
        m_frameRate = float(av_q2d(rate));

    m_rotation = streamRotation(video);
    m_videoFormatName = vidarium::videoFormatName(par->codec_id, par->codec_tag, par->profile);
}

QSizeF MediaAsset::displaySize() const
{
    return m_rotation % 180 == 0 ? m_naturalSize : m_naturalSize.transposed();
}

} // namespace vidarium
