#pragma once

// Reads the "flat" output of ffprobe: field lookup by tag, the lenient number
// forms the probe's texts are read with, frame rates given as fractions, and
// the properties dictionary the external-program tool fills from a video probe
// and an audio probe.
// Threads: stateless; safe from any thread.

#include "platform/plist/plistvalue.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace vidarium {

class FFImportProbe
{
public:
    // Probe output is decoded once it is complete, so a name or tag in UTF-8 is
    // never cut in the middle of a character; bytes that are not UTF-8 become
    // replacement characters instead of failing the probe.
    static QString decode(const QByteArray &output);
    static QStringList lines(const QString &text);

    // The value of the first line that begins with tag (case-insensitive), with
    // every exact-case occurrence of the tag removed and the surrounding double
    // quotes trimmed; "" when no line has the tag.
    static QString fieldForTag(const QString &tag, const QStringList &allFields);

    // "30000/1001" gives 29.97003, "0/0" not-a-number; anything without exactly
    // two parts 0.
    static float frameRateFromFractionString(const QString &text);

    // The number at the start of text, as the catalogue's texts are read:
    // leading white space skipped, anything after the number ignored, 0 when
    // there is none.
    static float floatValue(const QString &text);
    static qint64 integerValue(const QString &text);

    // Keeps only the characters from U+0020 to U+007F.
    static QString cleanedName(const QString &text);

    // Fills "duration", "pixelsWide", "pixelsHigh", "frameRate" and "videoCodec".
    static void collectVideoProperties(const QStringList &fields, PlistDictionary &properties);
    // Fills "audioCodec".
    static void collectAudioProperties(const QStringList &fields, PlistDictionary &properties);
};

} // namespace vidarium
