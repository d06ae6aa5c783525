#pragma once

// Helpers shared by the test suites: scratch folders and generated media.
// Threads: main thread.

#include <QString>

namespace vidarium::test {

// A fresh, empty folder for one test, removed by the destructor.
class ScratchDir
{
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;

    const QString &path() const { return m_path; }
    QString filePath(const QString &name) const;

private:
    QString m_path;
};

// Generates a short test video with ffmpeg (testsrc pattern, optional sine audio).
// Returns false, with the reason in *error, when ffmpeg is missing or fails:
// set-up installs ffmpeg, so callers fail rather than skip.
struct GeneratedVideo
{
    int width = 320;
    int height = 240;
    double seconds = 2.0;
    int frameRate = 25;
    QString videoCodec = QStringLiteral("libx264"); // or "mpeg4", "mjpeg", ...
    QString audioCodec; // empty for no audio, e.g. "aac"
    QString extraArguments; // appended before the output path
};
bool generateVideo(const QString &path, const GeneratedVideo &recipe, QString *error = nullptr);

// One flat grey picture of any size as a baseline JPEG: every 8x8 block takes two
// bits, so a picture far larger than a decoder should accept costs about a
// megabyte and no time to make. Written raw for ".mjpeg", otherwise copied by
// ffmpeg into the container the extension names. Same failure rules as above.
bool generateFlatJpegVideo(const QString &path, int width, int height, QString *error = nullptr);

// Path of a test data file kept in tests/data.
QString testDataPath(const QString &name);

// Path of a file in the source tree, such as "resources/DefaultDefinitions.plist".
QString sourcePath(const QString &name);

} // namespace vidarium::test
