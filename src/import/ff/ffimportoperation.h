#pragma once

// The bodies of the external-program tool's four operations: read a file's
// properties with ffprobe, and make a thumbnail, storyboard or filmstrip from
// frames that ffmpeg writes one run at a time. They work on a snapshot of the
// element taken on the main thread, so no worker reads the live element.
// Threads: any worker thread; each call is independent.

#include "import/importtool.h"
#include "platform/plist/plistvalue.h"

#include <QByteArray>
#include <QString>

#include <chrono>

namespace vidarium {

class CancellationToken;

class FFImportOperation
{
public:
    // How long one child process may run before it is killed and counts as no output.
    struct Limits
    {
        std::chrono::milliseconds probe { 30000 };
        std::chrono::milliseconds frame { 30000 };
    };

    // What an operation needs of its element and of the chosen programs.
    struct Job
    {
        QString ffprobe; // resolved program paths
        QString ffmpeg;
        QString path;
        float duration = 0;
        qint64 pixelsWide = 0;
        qint64 pixelsHigh = 0;
        PlistDictionary metrics; // the library's image metrics
        Limits limits;
    };

    // The properties dictionary applied to the element by key: "error" plus,
    // when the file could be read, its attributes, what the probes found,
    // "importedDate" and "tool".
    static PlistDictionary properties(const Job &job, const CancellationToken &token);
    // The frame at "ThumbnailPosition" of the duration, at the video's size,
    // as ffmpeg encodes it; empty when no frame came.
    static QByteArray thumbnail(const Job &job, const CancellationToken &token);
    // Every frame of the sheet, one ffmpeg run each; empty as soon as one frame
    // could not be extracted (or when cancelled).
    static QByteArray sheet(const Job &job, ImageType imageType, const CancellationToken &token);

    // One frame as JPEG bytes; empty unless the program ended on its own and
    // wrote what at least looks like a whole JPEG image.
    static QByteArray frameJpeg(
        const Job &job, const QStringList &arguments, const CancellationToken &token);
};

} // namespace vidarium
