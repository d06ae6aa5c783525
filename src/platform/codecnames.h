#pragma once

// The codec names a cataloguer shows: video formats in the style users of
// desktop media players know ("H.264", "Apple ProRes 422", "Photo - JPEG"),
// audio formats through their four-character format identifiers. Taking the
// names from FFmpeg's codec identifiers keeps them the same whichever
// container carried the stream.
// Threads: pure functions.

#include <QString>

#include <cstdint>

namespace vidarium {

// The four-character identifier ('lpcm', 'aac ', 'alac', ...) an audio stream
// of this FFmpeg codec (and AAC profile, FF_PROFILE_AAC_*) is described by, or
// 0 when the codec has none.
std::uint32_t audioFormatIdentifier(int codecId, int profile);

// "Linear PCM", "MPEG-4 AAC", ... for a format identifier; "Unknown" for any other.
QString audioFormatName(std::uint32_t formatIdentifier);

// The display name of an audio stream's format: the format identifier's name
// where the table has one, else FFmpeg's descriptor of the codec ("Opus
// (Opus Interactive Audio Codec)"), "Unknown" when FFmpeg has none either.
QString audioCodecName(int codecId, int profile);

// The display name of a video stream's format; codecTag is the container's
// four-character tag (it tells the ProRes flavours apart) and profile the
// FFmpeg profile. FFmpeg's long name for codecs without a familiar name;
// empty when FFmpeg does not know the codec at all.
QString videoFormatName(int codecId, std::uint32_t codecTag, int profile);

// Keeps only the characters U+0020 to U+007F, so a name from a file's
// metadata can never carry control characters into the catalogue.
QString cleanedFormatName(const QString &name);

} // namespace vidarium
