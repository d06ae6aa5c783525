#pragma once

// The exact ffprobe and ffmpeg command lines of the external-program tool and
// the text form of the frame times they carry. Existing catalogues were made
// with these very arguments, so they are kept as they are.
// Threads: stateless; safe from any thread.

#include <QString>
#include <QStringList>

namespace vidarium {

class FFImportCommands
{
public:
    static QStringList videoProbeArguments(const QString &path);
    static QStringList audioProbeArguments(const QString &path);
    // One frame at the given size, as a JPEG on standard output.
    static QStringList thumbnailArguments(
        float seconds, const QString &path, qint64 pixelsWide, qint64 pixelsHigh);
    // One frame at the video's own size, as a JPEG on standard output.
    static QStringList sheetFrameArguments(float seconds, const QString &path);

    // At most 7 significant digits and no trailing zeros: 12.5, 30, 1234.568.
    // Never an exponent, which ffmpeg's time syntax does not accept; a time
    // that is not a finite non-negative number is written as 0.
    static QString secondsText(float seconds);
};

} // namespace vidarium
