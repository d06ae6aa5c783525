#pragma once

// Takes frames of a media asset at requested times, as a thumbnailer wants
// them: seek to the key frame at or before each time and take the first frame
// decoded from there (not the exact frame at the time), turned upright and
// scaled straight to the size asked for. Every loop over the file is bounded
// so that a damaged file gives failed frames, never a hang.
// Threads: one instance per worker, used with its asset on that thread only.

#include "platform/avhandles.h"
#include "platform/result.h"

#include <QImage>
#include <QList>
#include <QSize>

#include <functional>

namespace vidarium {

class MediaAsset;

class ImageGenerator
{
public:
    // The asset must outlive the generator.
    explicit ImageGenerator(MediaAsset &asset);
    ~ImageGenerator();
    ImageGenerator(const ImageGenerator &) = delete;
    ImageGenerator &operator=(const ImageGenerator &) = delete;

    // Decoder threads; 1 is best when several files are decoded at once.
    void setThreadCount(int threads) { m_threads = threads; }
    // Pixel size of the upright images; empty (the default) means the asset's
    // display size.
    void setImageSize(QSize size) { m_imageSize = size; }

    // One image at a time in seconds from the start of the file.
    Result<QImage> imageAt(double seconds);

    // Images at each time, in order, handed to onImage as each is decoded. onImage
    // returns false to stop; the remaining times are then not decoded.
    using ImageHandler = std::function<bool(int index, const Result<QImage> &image)>;
    void generateImages(const QList<double> &seconds, const ImageHandler &onImage);

private:
    Result<void> openDecoder();
    Result<QImage> decodeAt(double seconds, bool keyFramesOnly);
    Result<void> seekTo(double seconds);
    Result<QImage> convert(const AVFrame *frame);
    QSize targetSize() const;

    MediaAsset &m_asset;
    CodecContextPtr m_decoder;
    SwsContextPtr m_scaler;
    FramePtr m_frame;
    PacketPtr m_packet;
    QSize m_imageSize;
    int m_threads = 1;
    bool m_decoderFailed = false;
};

} // namespace vidarium
