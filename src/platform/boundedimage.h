#pragma once

// Decoding images that come from outside (dropped files, pasted or dragged
// image data) without trusting their headers: the declared size is checked
// before any pixel is decoded, the decoder works under an allocation limit, and
// only a real, non-empty image comes back. Also turns an image into bounded
// JPEG bytes, whatever its pixel format was.
// Threads: any thread; no shared state.

#include "platform/result.h"

#include <QByteArray>
#include <QImage>
#include <QString>

class QIODevice;

namespace vidarium {

class BoundedImage
{
public:
    struct Limits
    {
        qint64 maximumBytes = 64LL * 1024 * 1024; // of the encoded file or data
        qint64 maximumPixels = 64LL * 1024 * 1024; // width × height as declared
        int allocationMegabytes = 512; // what the decoder may allocate at once
    };

    // From a file; its format is sniffed from the content, not the name.
    static Result<QImage> readFile(const QString &path, const Limits &limits);
    static Result<QImage> readData(const QByteArray &data, const Limits &limits);

    // Scales down so that the longer side is at most `maximumSide` pixels (never
    // up), flattens transparency onto white and encodes as JPEG.
    static Result<QByteArray> jpegData(const QImage &image, int maximumSide, int quality);

private:
    static Result<QImage> read(QIODevice &device, const Limits &limits);
};

} // namespace vidarium
