#include "ffimportcommands.h"

#include <QDir>

#include <cmath>

namespace vidarium {

namespace {

// ffmpeg reads an input name such as "pipe:" or "concat:..." as a protocol;
// an absolute path never starts like that.
QString inputPath(const QString &path)
{
    return QDir::isAbsolutePath(path) ? path : QDir::current().absoluteFilePath(path);
}

QString withoutTrailingZeros(QString text)
{
    if (!text.contains(QLatin1Char('.')))
        return text;
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

} // namespace

QStringList FFImportCommands::videoProbeArguments(const QString &path)
{
    return { QStringLiteral("-v"), QStringLiteral("quiet"), QStringLiteral("-print_format"),
        QStringLiteral("flat"), QStringLiteral("-show_format"), QStringLiteral("-show_streams"),
        QStringLiteral("-select_streams"), QStringLiteral("v"), inputPath(path) };
}

QStringList FFImportCommands::audioProbeArguments(const QString &path)
{
    return { QStringLiteral("-v"), QStringLiteral("quiet"), QStringLiteral("-print_format"),
        QStringLiteral("flat"), QStringLiteral("-show_streams"), QStringLiteral("-select_streams"),
        QStringLiteral("a"), inputPath(path) };
}

QStringList FFImportCommands::thumbnailArguments(
    float seconds, const QString &path, qint64 pixelsWide, qint64 pixelsHigh)
{
    return { QStringLiteral("-loglevel"), QStringLiteral("quiet"), QStringLiteral("-hide_banner"),
        QStringLiteral("-ss"), secondsText(seconds), QStringLiteral("-i"), inputPath(path),
        QStringLiteral("-s"), QStringLiteral("%1x%2").arg(pixelsWide).arg(pixelsHigh),
        QStringLiteral("-f"), QStringLiteral("image2"), QStringLiteral("-vcodec"),
        QStringLiteral("mjpeg"), QStringLiteral("-q:v"), QStringLiteral("2"),
        QStringLiteral("-vframes"), QStringLiteral("1"), QStringLiteral("-") };
}

QStringList FFImportCommands::sheetFrameArguments(float seconds, const QString &path)
{
    return { QStringLiteral("-loglevel"), QStringLiteral("quiet"), QStringLiteral("-hide_banner"),
        QStringLiteral("-ss"), secondsText(seconds), QStringLiteral("-i"), inputPath(path),
        QStringLiteral("-f"), QStringLiteral("image2"), QStringLiteral("-vcodec"),
        QStringLiteral("mjpeg"), QStringLiteral("-q:v"), QStringLiteral("2"),
        QStringLiteral("-vframes"), QStringLiteral("1"), QStringLiteral("-") };
}

QString FFImportCommands::secondsText(float seconds)
{
    if (!std::isfinite(seconds) || seconds <= 0.0f)
        return QStringLiteral("0");
    const double value = seconds;
    QString text = QString::number(value, 'g', 7);
    if (!text.contains(QLatin1Char('e')))
        return text;
    // Too small or too large for the plain form: write the same 7 digits positionally.
    const int exponent = int(std::floor(std::log10(value)));
    if (exponent >= 7) {
        const double unit = std::pow(10.0, exponent - 6);
        return QString::number(std::round(value / unit) * unit, 'f', 0);
    }
    return withoutTrailingZeros(QString::number(value, 'f', 6 - exponent));
}

} // namespace vidarium
