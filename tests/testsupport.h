#pragma once

// Helpers shared by the test suites: scratch folders, files, generated media,
// and the ASSERT_OK / EXPECT_OK checks for a Result.
// Threads: main thread.

#include "platform/result.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

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

// The bytes of a file kept in tests/data, such as "plist/nested.plist"; empty
// when it cannot be read, so the test fails on the content, not on a crash.
QByteArray readFixture(const QString &name);

// Writes the file, making the folders above it, and returns its absolute path.
// A file that cannot be made fails the test.
QString writeFile(const QString &path, const QByteArray &bytes);

// An empty file, made like writeFile.
QString touch(const QString &path);

// The whole file, or nothing when it cannot be read.
QByteArray readFile(const QString &path);

// Runs ffmpeg quietly (no banner, errors only, overwriting) with the arguments;
// a missing or failing ffmpeg fails the test.
void runFfmpeg(const QStringList &arguments);

// Lets everything already queued on the main thread run, without waiting for
// anything else. To wait for a condition, use QTest::qWaitFor.
void drainEvents();

// Path of a file in the source tree, such as "resources/DefaultDefinitions.plist".
QString sourcePath(const QString &name);

// The predicate behind ASSERT_OK and EXPECT_OK: a failed Result fails the check
// with its error's message, which is most of what a reader needs to see.
template <typename T>
::testing::AssertionResult resultIsOk(const char *expression, const Result<T> &result)
{
    if (result.ok())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
        << expression << " failed: " << result.error().message().toStdString();
}

} // namespace vidarium::test

// Checks that a Result holds a value; more context may be streamed after it.
#define ASSERT_OK(result) ASSERT_PRED_FORMAT1(::vidarium::test::resultIsOk, result)
#define EXPECT_OK(result) EXPECT_PRED_FORMAT1(::vidarium::test::resultIsOk, result)
