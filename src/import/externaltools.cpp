#include "externaltools.h"

#include "platform/bookmark.h"
#include "platform/userdefaults.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace vidarium {

QString ExternalTools::settingsKey(Program program)
{
    return program == Program::FFprobe ? QStringLiteral("FFprobeBookmark")
                                       : QStringLiteral("FFmpegBookmark");
}

QString ExternalTools::searchName(Program program)
{
    return program == Program::FFprobe ? QStringLiteral("ffprobe") : QStringLiteral("ffmpeg");
}

bool ExternalTools::acceptsFileName(Program program, const QString &fileName)
{
    return fileName.startsWith(searchName(program), Qt::CaseSensitive);
}

Result<void> ExternalTools::choose(UserDefaults &defaults, Program program, const QString &path)
{
    const QFileInfo file(path);
    if (!acceptsFileName(program, file.fileName()))
        return Error(Error::Code::InvalidArgument,
            QStringLiteral("The file name of the %1 program must begin with \"%1\": %2")
                .arg(searchName(program), path));
    const QByteArray bookmark = Bookmark::create(file.absoluteFilePath());
    if (bookmark.isEmpty())
        return Error(Error::Code::NotFound, QStringLiteral("No such file: %1").arg(path));
    defaults.setData(settingsKey(program), bookmark);
    return {};
}

void ExternalTools::forget(UserDefaults &defaults, Program program)
{
    defaults.setData(settingsKey(program), QByteArray());
    defaults.synchronize();
}

QByteArray ExternalTools::bookmark(const UserDefaults &defaults, Program program)
{
    return defaults.dataForKey(settingsKey(program));
}

QString ExternalTools::path(const UserDefaults &defaults, Program program)
{
    const QByteArray data = bookmark(defaults, program);
    if (data.isEmpty())
        return QString();
    return Bookmark::resolvePath(data).value_or(QString());
}

QString ExternalTools::pathLabel(const UserDefaults &defaults, Program program)
{
    const QString found = path(defaults, program);
    return found.isEmpty() ? QStringLiteral("Not Selected") : found;
}

bool ExternalTools::chooseFromSearchPathIfUnset(UserDefaults &defaults)
{
    if (defaults.hasUserValue(settingsKey(Program::FFprobe))
        || defaults.hasUserValue(settingsKey(Program::FFmpeg)))
        return false;
    bool chose = false;
    for (Program program : { Program::FFprobe, Program::FFmpeg }) {
        const QString found = QStandardPaths::findExecutable(searchName(program));
        if (!found.isEmpty() && choose(defaults, program, found).ok())
            chose = true;
    }
    if (chose)
        defaults.synchronize();
    return chose;
}

} // namespace vidarium
