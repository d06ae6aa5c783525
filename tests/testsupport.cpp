#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUuid>

#include <gtest/gtest.h>

namespace vidarium::test {

ScratchDir::ScratchDir()
{
    QString root = qEnvironmentVariable("VIDARIUM_TEST_SCRATCH");
    if (root.isEmpty())
        root = QDir::tempPath() + QStringLiteral("/vidarium-tests");
    m_path = root + QLatin1Char('/') + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QDir().mkpath(m_path);
}

ScratchDir::~ScratchDir()
{
    QDir(m_path).removeRecursively();
}

QString ScratchDir::filePath(const QString &name) const
{
    return m_path + QLatin1Char('/') + name;
}

bool generateVideo(const QString &path, const GeneratedVideo &recipe, QString *error)
{
    QStringList arguments = { QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
        QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-f"),
        QStringLiteral("lavfi"), QStringLiteral("-i"),
        QStringLiteral("testsrc=size=%1x%2:rate=%3:duration=%4")
            .arg(recipe.width)
            .arg(recipe.height)
            .arg(recipe.frameRate)
            .arg(recipe.seconds) };
    if (!recipe.audioCodec.isEmpty()) {
        arguments << QStringLiteral("-f") << QStringLiteral("lavfi") << QStringLiteral("-i")
                  << QStringLiteral("sine=frequency=440:duration=%1").arg(recipe.seconds)
                  << QStringLiteral("-c:a") << recipe.audioCodec;
    }
    arguments << QStringLiteral("-c:v") << recipe.videoCodec;
    if (recipe.videoCodec == QLatin1String("libx264"))
        arguments << QStringLiteral("-pix_fmt") << QStringLiteral("yuv420p");
    if (!recipe.extraArguments.isEmpty())
        arguments << recipe.extraArguments.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    arguments << path;

    QProcess process;
    process.start(QStringLiteral("ffmpeg"), arguments);
    if (!process.waitForStarted(10000)) {
        if (error)
            *error = QStringLiteral("ffmpeg could not be started: ") + process.errorString();
        return false;
    }
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        if (error)
            *error = QStringLiteral("ffmpeg failed: ")
                + QString::fromUtf8(process.readAllStandardError());
        return false;
    }
    return true;
}

namespace {

QByteArray flatGreyJpeg(int width, int height)
{
    QByteArray jpeg("\xFF\xD8", 2);
    auto append16 = [&jpeg](int value) {
        jpeg.append(char((value >> 8) & 0xFF));
        jpeg.append(char(value & 0xFF));
    };
    jpeg.append("\xFF\xDB", 2); // one quantisation table of ones
    append16(67);
    jpeg.append('\0');
    jpeg.append(QByteArray(64, '\x01'));
    jpeg.append("\xFF\xC0", 2); // baseline, 8 bits, one grey component
    append16(11);
    jpeg.append('\x08');
    append16(height);
    append16(width);
    jpeg.append("\x01\x01\x11\x00", 4);
    // DC and AC tables of one one-bit code each: "no change" and "end of block".
    for (const char tableClass : { '\x00', '\x10' }) {
        jpeg.append("\xFF\xC4", 2);
        append16(20);
        jpeg.append(tableClass);
        jpeg.append('\x01');
        jpeg.append(QByteArray(15, '\0'));
        jpeg.append('\0');
    }
    jpeg.append("\xFF\xDA", 2);
    append16(8);
    jpeg.append("\x01\x01\x00\x00\x3F\x00", 6);
    const qint64 blocks = qint64((width + 7) / 8) * ((height + 7) / 8);
    jpeg.append(QByteArray(qsizetype((blocks * 2 + 7) / 8), '\0'));
    jpeg.append("\xFF\xD9", 2);
    return jpeg;
}

} // namespace

bool generateFlatJpegVideo(const QString &path, int width, int height, QString *error)
{
    const bool raw = path.endsWith(QLatin1String(".mjpeg"));
    const QString jpegPath = raw ? path : path + QStringLiteral(".jpg");
    QFile file(jpegPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(flatGreyJpeg(width, height)) < 0) {
        if (error)
            *error = QStringLiteral("cannot write ") + jpegPath;
        return false;
    }
    file.close();
    if (raw)
        return true;
    QProcess process;
    process.start(QStringLiteral("ffmpeg"),
        { QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"), QStringLiteral("error"),
            QStringLiteral("-y"), QStringLiteral("-i"), jpegPath, QStringLiteral("-c"),
            QStringLiteral("copy"), path });
    const bool made = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
    if (!made && error)
        *error = QStringLiteral("ffmpeg failed: ") + process.errorString()
            + QString::fromUtf8(process.readAllStandardError());
    QFile::remove(jpegPath);
    return made;
}

QString testDataPath(const QString &name)
{
    return QStringLiteral(VIDARIUM_TEST_DATA_DIR) + QLatin1Char('/') + name;
}

QString sourcePath(const QString &name)
{
    return QStringLiteral(VIDARIUM_SOURCE_DIR) + QLatin1Char('/') + name;
}

QByteArray readFixture(const QString &name)
{
    return readFile(testDataPath(name));
}

QString writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
    return QFileInfo(path).absoluteFilePath();
}

QString touch(const QString &path)
{
    return writeFile(path, QByteArray());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void runFfmpeg(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("ffmpeg"),
        QStringList { QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
            QStringLiteral("error"), QStringLiteral("-y") }
            + arguments);
    ASSERT_TRUE(process.waitForStarted(10000)) << "ffmpeg is missing";
    ASSERT_TRUE(process.waitForFinished(120000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().constData();
}

void drainEvents()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace vidarium::test
