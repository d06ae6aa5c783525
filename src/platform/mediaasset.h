#pragma once

// A video file opened for reading: its video and audio tracks, duration, the
// first video track's natural size, frame rate, rotation and codec names, and
// the demuxer the image generator reads frames through.
// Threads: one instance per worker; never shared.

#include "platform/avhandles.h"
#include "platform/result.h"

#include <QSizeF>
#include <QString>

#include <memory>
#include <optional>

namespace vidarium {

class MediaAsset
{
public:
    enum class OpenMode {
        // Reads enough of the file to know every track's format (properties).
        Full,
        // Reads only the container's header when it already names the video
        // format and frame size; the frame grabbing steps need no more.
        Light,
    };

    // The largest picture decoded here, in pixels: the largest any level of H.264,
    // HEVC or AV1 allows (8192 x 4352). Larger frames are refused before their
    // memory is taken; the external tool can still make their images.
    static constexpr qint64 MaxPicturePixels = qint64(8192) * 4352;

    static Result<std::unique_ptr<MediaAsset>> open(
        const QString &path, OpenMode mode = OpenMode::Full);
    ~MediaAsset();
    MediaAsset(const MediaAsset &) = delete;
    MediaAsset &operator=(const MediaAsset &) = delete;

    int videoTrackCount() const { return m_videoTrackCount; }
    int audioTrackCount() const { return m_audioTrackCount; }
    bool hasVideo() const { return m_videoStream >= 0; }

    // The duration as value over timescale (microseconds), as the file states it,
    // or the video track's when the container has none; 0 when nothing says.
    qint64 durationValue() const { return m_durationValue; }
    static constexpr qint64 durationTimescale() { return 1000000; }
    double durationSeconds() const { return double(m_durationValue) / durationTimescale(); }

    // First video track: coded size widened or narrowed by the sample aspect
    // ratio, before any rotation; empty without video.
    QSizeF naturalSize() const { return m_naturalSize; }
    // First video track's nominal frame rate; 0 when the file does not say.
    float nominalFrameRate() const { return m_frameRate; }
    // Clockwise degrees (0, 90, 180 or 270) the picture must be turned to stand upright.
    int rotation() const { return m_rotation; }
    // The natural size after rotation: what a viewer shows.
    QSizeF displaySize() const;

    // First video track's format name ("H.264", ...); empty when the codec is unknown.
    QString videoFormatName() const { return m_videoFormatName; }
    // "None" without audio, otherwise the first audio track's name ("Unknown" for
    // unfamiliar formats).
    QString audioFormatName() const { return m_audioFormatName; }

    // For the image generator: the demuxer and the index of the first video stream.
    AVFormatContext *formatContext() const { return m_format.get(); }
    int videoStreamIndex() const { return m_videoStream; }

private:
    MediaAsset() = default;
    void readTracks();

    FormatContextPtr m_format;
    int m_videoStream = -1;
    int m_videoTrackCount = 0;
    int m_audioTrackCount = 0;
    qint64 m_durationValue = 0;
    QSizeF m_naturalSize;
    float m_frameRate = 0;
    int m_rotation = 0;
    QString m_videoFormatName;
    QString m_audioFormatName;
};

} // namespace vidarium
