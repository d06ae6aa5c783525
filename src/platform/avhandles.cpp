#include "platform/avhandles.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

namespace vidarium {

void FormatContextDeleter::operator()(AVFormatContext *p) const noexcept
{
    avformat_close_input(&p);
}

void CodecContextDeleter::operator()(AVCodecContext *p) const noexcept
{
    avcodec_free_context(&p);
}

void FrameDeleter::operator()(AVFrame *p) const noexcept
{
    av_frame_free(&p);
}

void PacketDeleter::operator()(AVPacket *p) const noexcept
{
    av_packet_free(&p);
}

void SwsContextDeleter::operator()(SwsContext *p) const noexcept
{
    sws_freeContext(p);
}

Error ffmpegError(int code, const QString &context)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    if (av_strerror(code, text, sizeof text) < 0)
        qsnprintf(text, sizeof text, "error %d", code);
    const Error::Code kind = code == AVERROR(ENOENT) ? Error::Code::NotFound
        : code == AVERROR_INVALIDDATA                ? Error::Code::Corrupt
        : code == AVERROR_DECODER_NOT_FOUND          ? Error::Code::Unsupported
        : code == AVERROR(EIO)                       ? Error::Code::Io
                                                     : Error::Code::Generic;
    return Error(kind, context + QStringLiteral(": ") + QString::fromUtf8(text));
}

} // namespace vidarium
