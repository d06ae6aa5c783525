#pragma once

// The physical floor of an import's image work: for each file, one open, and
// for each frame of the thumbnail, the 4 x 4 storyboard and the 5-frame
// filmstrip a seek, the first key frame decoded after it, a scale straight to
// the frame size, and each image encoded as JPEG. Nothing else: no catalogue,
// no queue, no helper process, no properties beyond what the frames need.
// Shared by the benchmarks that measure against it.
// Threads: floorFile runs on any thread; runFloor starts its own.

#include "import/imagesheet.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

namespace floorwork {

// The library settings a new library starts with.
inline vidarium::PlistDictionary defaultMetrics()
{
    return { { QStringLiteral("ThumbnailPosition"), 0.25 }, { QStringLiteral("StoryboardRows"), 4 },
        { QStringLiteral("StoryboardColumns"), 4 }, { QStringLiteral("StoryboardSize"), 1 },
        { QStringLiteral("StoryboardAspect"), true }, { QStringLiteral("StoryboardRetina"), false },
        { QStringLiteral("FilmstripFrames"), 5 }, { QStringLiteral("FilmstripSize"), 0 },
        { QStringLiteral("FilmstripAspect"), false },
        { QStringLiteral("FilmstripRetina"), false } };
}

struct Decoder
{
    AVFormatContext *format = nullptr;
    AVCodecContext *codec = nullptr;
    AVPacket *packet = av_packet_alloc();
    AVFrame *frame = av_frame_alloc();
    SwsContext *scaler = nullptr;
    int stream = -1;

    ~Decoder()
    {
        sws_freeContext(scaler);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }

    bool open(const QString &path)
    {
        if (avformat_open_input(&format, QFile::encodeName(path).constData(), nullptr, nullptr) < 0)
            return false;
        stream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (stream < 0 || format->streams[stream]->codecpar->width <= 0) {
            if (avformat_find_stream_info(format, nullptr) < 0)
                return false;
            stream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        }
        if (stream < 0)
            return false;
        const AVCodecParameters *par = format->streams[stream]->codecpar;
        const AVCodec *decoder = avcodec_find_decoder(par->codec_id);
        if (!decoder)
            return false;
        codec = avcodec_alloc_context3(decoder);
        avcodec_parameters_to_context(codec, par);
        codec->thread_count = 1;
        return avcodec_open2(codec, decoder, nullptr) >= 0;
    }

    double seconds() const
    {
        return format->duration > 0 ? double(format->duration) / AV_TIME_BASE : 0;
    }

    // The first key frame at or after a backward seek to the time, scaled.
    QImage frameAt(double time, QSize size)
    {
        const AVStream *video = format->streams[stream];
        int64_t target
            = av_rescale_q(int64_t(time * AV_TIME_BASE), AV_TIME_BASE_Q, video->time_base);
        if (video->start_time != AV_NOPTS_VALUE)
            target += video->start_time;
        av_seek_frame(format, stream, target, AVSEEK_FLAG_BACKWARD);
        avcodec_flush_buffers(codec);
        for (int packets = 0; packets < 20000; ++packets) {
            if (av_read_frame(format, packet) < 0)
                break;
            const bool key = packet->stream_index == stream && (packet->flags & AV_PKT_FLAG_KEY);
            if (key)
                avcodec_send_packet(codec, packet);
            av_packet_unref(packet);
            if (!key)
                continue;
            avcodec_send_packet(codec, nullptr);
            if (avcodec_receive_frame(codec, frame) < 0)
                return {};
            QImage image(size, QImage::Format_ARGB32);
            scaler = sws_getCachedContext(scaler, frame->width, frame->height,
                AVPixelFormat(frame->format), size.width(), size.height(), AV_PIX_FMT_BGRA,
                SWS_BILINEAR, nullptr, nullptr, nullptr);
            uint8_t *planes[4] = { image.bits() };
            int strides[4] = { int(image.bytesPerLine()) };
            sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, planes, strides);
            av_frame_unref(frame);
            return image;
        }
        return {};
    }
};

// Makes the three images of one file; answers the JPEG bytes made (0 when the
// file cannot be read).
inline qint64 floorFile(const QString &path)
{
    Decoder decoder;
    if (!decoder.open(path))
        return 0;
    const AVCodecParameters *par = decoder.format->streams[decoder.stream]->codecpar;
    const double duration = decoder.seconds();
    qint64 bytes = 0;

    const QImage thumbnail = decoder.frameAt(0.25 * duration, QSize(par->width, par->height));
    if (thumbnail.isNull())
        return 0;
    bytes += vidarium::ImageSheet::encodeJpeg(thumbnail).size();

    for (auto kind :
        { vidarium::ImageSheet::Kind::Storyboard, vidarium::ImageSheet::Kind::Filmstrip }) {
        vidarium::ImageSheet sheet
            = vidarium::ImageSheet::fromMetrics(kind, defaultMetrics(), par->width, par->height);
        const QList<double> times = sheet.frameTimes(float(duration));
        for (int i = 0; i < times.size(); ++i)
            sheet.drawFrame(i, decoder.frameAt(times[i], sheet.framePixelSize()));
        bytes += sheet.encode().size();
    }
    return bytes;
}

// Seconds taken to make every file's images with `jobs` files at a time.
inline double runFloor(const QStringList &files, int jobs, int *made = nullptr)
{
    std::atomic_int next { 0 };
    std::atomic_int good { 0 };
    QElapsedTimer timer;
    timer.start();
    std::vector<std::thread> workers;
    for (int j = 0; j < std::max(1, jobs); ++j) {
        workers.emplace_back([&] {
            for (int i = next++; i < files.size(); i = next++) {
                if (floorFile(files[i]) > 0)
                    ++good;
            }
        });
    }
    for (std::thread &worker : workers)
        worker.join();
    if (made)
        *made = good;
    return timer.nsecsElapsed() / 1e9;
}

} // namespace floorwork
