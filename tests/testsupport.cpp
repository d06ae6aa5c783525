#include "testsupport.h"

#include <QDir>
#include <QProcess>
#include <QUuid>

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

QString testDataPath(const QString &name)
{
    return QStringLiteral(VIDARIUM_TEST_DATA_DIR) + QLatin1Char('/') + name;
}

QString sourcePath(const QString &name)
{
    return QStringLiteral(VIDARIUM_SOURCE_DIR) + QLatin1Char('/') + name;
}

} // namespace vidarium::test
