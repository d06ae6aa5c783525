#include "platform/imagegenerator.h"

#include "platform/mediaasset.h"

#include <QTransform>

#include <cmath>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace vidarium {

namespace {

// Bounds on the packets read for one frame. A seek that lands mid-group may
// skip most of a group before the next key frame, and groups of ten seconds
// at 60 frames per second are in use, so the video bound is generous; the
// bound on all packets keeps a file whose video stream ends early, or whose
// packets are all of other streams, from being read to its end.
constexpr int maxVideoPacketsPerFrame = 1200;
constexpr int maxPacketsPerFrame = 20000;

// The largest image side we hand out; a header claiming more is not a video.
constexpr int maxImageSide = 16384;

Error tooLarge(int width, int height)
{
    return Error(Error::Code::Unsupported,
        QStringLiteral("The video's pictures (%1 x %2) are too large to decode here")
            .arg(width)
            .arg(height));
}

// The size within the pixel limit, keeping the shape: a sample aspect ratio can
// stretch a picture the decoder accepted into an image it would never have.
QSize withinPixelLimit(QSize size)
{
    const qint64 pixels = qint64(size.width()) * size.height();
    if (pixels <= MediaAsset::MaxPicturePixels)
        return size;
    const double scale = std::sqrt(double(MediaAsset::MaxPicturePixels) / double(pixels));
    return QSize(std::max(1, int(size.width() * scale)), std::max(1, int(size.height() * scale)));
}

} // namespace

ImageGenerator::ImageGenerator(MediaAsset &asset)
    : m_asset(asset)
    , m_frame(av_frame_alloc())
    , m_packet(av_packet_alloc())
{
}

ImageGenerator::~ImageGenerator() = default;

Result<void> ImageGenerator::openDecoder()
{
    if (m_decoder)
        return {};
    if (m_decoderFailed)
        return Error(Error::Code::Unsupported, QStringLiteral("The video cannot be decoded"));
    if (!m_frame || !m_packet)
        return Error(QStringLiteral("Out of memory"));
    if (!m_asset.hasVideo())
        return Error(Error::Code::Unsupported, QStringLiteral("The file has no video track"));

    m_decoderFailed = true; // until proven otherwise
    const AVStream *stream = m_asset.formatContext()->streams[m_asset.videoStreamIndex()];
    const qint64 pixels = qint64(stream->codecpar->width) * stream->codecpar->height;
    if (pixels > MediaAsset::MaxPicturePixels)
        return tooLarge(stream->codecpar->width, stream->codecpar->height);
    const AVCodec *codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec)
        return Error(Error::Code::Unsupported, QStringLiteral("No decoder for the video format"));
    CodecContextPtr decoder(avcodec_alloc_context3(codec));
    if (!decoder)
        return Error(QStringLiteral("Out of memory"));
    int rc = avcodec_parameters_to_context(decoder.get(), stream->codecpar);
    if (rc < 0)
        return ffmpegError(rc, QStringLiteral("Preparing the decoder"));
    decoder->pkt_timebase = stream->time_base;
    // Frame threading delays the first picture by a frame per thread, which
    // is all we ever want from a group; slices help without that cost.
    decoder->thread_count = std::max(1, m_threads);
    decoder->thread_type = FF_THREAD_SLICE;
    // The header may understate what the bitstream holds: the decoder itself
    // refuses a larger picture rather than allocate it.
    decoder->max_pixels = MediaAsset::MaxPicturePixels;
    rc = avcodec_open2(decoder.get(), codec, nullptr);
    if (rc < 0)
        return ffmpegError(rc, QStringLiteral("Opening the decoder"));
    m_decoder = std::move(decoder);
    m_decoderFailed = false;
    return {};
}

Result<QImage> ImageGenerator::imageAt(double seconds)
{
    if (Result<void> opened = openDecoder(); !opened)
        return opened.error();
    Result<QImage> image = decodeAt(seconds, true);
    if (image)
        return image;
    // Some streams mark no key frames, and a seek may land mid-group where no
    // key frame follows soon: decode whatever comes before giving up.
    return decodeAt(seconds, false);
}

void ImageGenerator::generateImages(const QList<double> &seconds, const ImageHandler &onImage)
{
    for (int i = 0; i < seconds.size(); ++i) {
        if (!onImage(i, imageAt(seconds[i])))
            return;
    }
}

Result<void> ImageGenerator::seekTo(double seconds)
{
    AVFormatContext *format = m_asset.formatContext();
    const int index = m_asset.videoStreamIndex();
    const AVStream *stream = format->streams[index];
    if (!std::isfinite(seconds) || seconds < 0)
        seconds = 0;
    int64_t target
        = av_rescale_q(std::llround(seconds * AV_TIME_BASE), AV_TIME_BASE_Q, stream->time_base);
    if (stream->start_time != AV_NOPTS_VALUE)
        target += stream->start_time;

    int rc = av_seek_frame(format, index, target, AVSEEK_FLAG_BACKWARD);
    if (rc < 0)
        rc = avformat_seek_file(format, index, INT64_MIN, target, target, 0);
    if (rc < 0 && seconds == 0)
        rc = av_seek_frame(format, -1, 0, AVSEEK_FLAG_BYTE);
    avcodec_flush_buffers(m_decoder.get());
    if (rc < 0)
        return ffmpegError(rc, QStringLiteral("Seeking to %1 s").arg(seconds));
    return {};
}

Result<QImage> ImageGenerator::decodeAt(double seconds, bool keyFramesOnly)
{
    if (Result<void> sought = seekTo(seconds); !sought)
        return sought.error();
    m_decoder->skip_frame = keyFramesOnly ? AVDISCARD_NONKEY : AVDISCARD_DEFAULT;

    AVFormatContext *format = m_asset.formatContext();
    const int index = m_asset.videoStreamIndex();
    int videoPackets = 0;
    bool draining = false;
    for (int packets = 0; packets < maxPacketsPerFrame && videoPackets < maxVideoPacketsPerFrame;
         ++packets) {
        int rc = av_read_frame(format, m_packet.get());
        if (rc < 0) {
            // End of file (or a read error): what the decoder holds is all there is.
            draining = true;
            avcodec_send_packet(m_decoder.get(), nullptr);
        } else {
            const bool wanted = m_packet->stream_index == index
                && (!keyFramesOnly || (m_packet->flags & AV_PKT_FLAG_KEY));
            if (m_packet->stream_index == index)
                ++videoPackets;
            if (!wanted) {
                av_packet_unref(m_packet.get());
                continue;
            }
            rc = avcodec_send_packet(m_decoder.get(), m_packet.get());
            av_packet_unref(m_packet.get());
            if (rc < 0 && rc != AVERROR(EAGAIN)) {
                if (keyFramesOnly)
                    return ffmpegError(rc, QStringLiteral("Decoding the key frame"));
                continue; // a damaged packet; the next may decode
            }
            // A key frame alone is a whole picture: drain it out of the decoder
            // rather than read on until its reordering delay is filled.
            if (keyFramesOnly) {
                draining = true;
                avcodec_send_packet(m_decoder.get(), nullptr);
            }
        }
        rc = avcodec_receive_frame(m_decoder.get(), m_frame.get());
        if (rc >= 0) {
            Result<QImage> image = convert(m_frame.get());
            av_frame_unref(m_frame.get());
            return image;
        }
        if (draining)
            break;
        if (rc != AVERROR(EAGAIN))
            return ffmpegError(rc, QStringLiteral("Decoding a frame"));
    }
    return Error(
        Error::Code::Corrupt, QStringLiteral("No frame could be decoded at %1 s").arg(seconds));
}

QSize ImageGenerator::targetSize() const
{
    if (!m_imageSize.isEmpty())
        return withinPixelLimit(m_imageSize);
    const QSizeF display = m_asset.displaySize();
    return withinPixelLimit(QSize(std::max(1, int(std::min(display.width(), 1e9))),
        std::max(1, int(std::min(display.height(), 1e9)))));
}

Result<QImage> ImageGenerator::convert(const AVFrame *frame)
{
    const int rotation = m_asset.rotation();
    const QSize upright = targetSize();
    const QSize scaled = rotation % 180 == 0 ? upright : upright.transposed();
    if (qint64(frame->width) * frame->height > MediaAsset::MaxPicturePixels)
        return tooLarge(frame->width, frame->height);
    if (frame->width <= 0 || frame->height <= 0 || scaled.width() > maxImageSide
        || scaled.height() > maxImageSide || frame->format < 0)
        return Error(Error::Code::Corrupt, QStringLiteral("The decoded frame has no usable size"));

    m_scaler.reset(sws_getCachedContext(m_scaler.release(), frame->width, frame->height,
        AVPixelFormat(frame->format), scaled.width(), scaled.height(), AV_PIX_FMT_BGRA,
        SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!m_scaler)
        return Error(Error::Code::Unsupported,
            QStringLiteral("The frame's pixel format cannot be converted"));
    QImage image(scaled, QImage::Format_ARGB32);
    if (image.isNull())
        return Error(QStringLiteral("Out of memory"));
    uint8_t *planes[4] = { image.bits(), nullptr, nullptr, nullptr };
    int strides[4] = { int(image.bytesPerLine()), 0, 0, 0 };
    const int rows = sws_scale(
        m_scaler.get(), frame->data, frame->linesize, 0, frame->height, planes, strides);
    if (rows <= 0)
        return Error(Error::Code::Corrupt, QStringLiteral("The frame could not be scaled"));
    if (rotation == 0)
        return image;
    return image.transformed(QTransform().rotate(rotation));
}

} // namespace vidarium
