#pragma once

// Owning handles for the FFmpeg objects the media layer uses, so that every
// early return frees what was allocated, and one translation of FFmpeg's
// negative return codes into errors a user can read.
// Threads: handles are plain owners; each belongs to the thread using it.

#include "platform/result.h"

#include <memory>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

namespace vidarium {

struct FormatContextDeleter
{
    void operator()(AVFormatContext *p) const noexcept;
};
struct CodecContextDeleter
{
    void operator()(AVCodecContext *p) const noexcept;
};
struct FrameDeleter
{
    void operator()(AVFrame *p) const noexcept;
};
struct PacketDeleter
{
    void operator()(AVPacket *p) const noexcept;
};
struct SwsContextDeleter
{
    void operator()(SwsContext *p) const noexcept;
};

// An input opened with avformat_open_input (closed with avformat_close_input).
using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextDeleter>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using SwsContextPtr = std::unique_ptr<SwsContext, SwsContextDeleter>;

// An Error carrying av_strerror's text for a negative FFmpeg code, with the
// step that failed in front ("Opening the decoder: Invalid data found ...").
Error ffmpegError(int code, const QString &context);

} // namespace vidarium
