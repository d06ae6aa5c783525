#include "externaltools.h"

#include "model/settingkeys.h"
#include "platform/bookmark.h"
#include "platform/userdefaults.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace vidarium {

QString ExternalTools::settingsKey(Program program)
{
    return program == Program::FFprobe ? SettingKey::FFprobeBookmark : SettingKey::FFmpegBookmark;
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

ExternalTools::Location ExternalTools::locate(const UserDefaults &defaults, Program program)
{
    if (const QString chosen = path(defaults, program); !chosen.isEmpty())
        return { chosen, Source::Chosen };
    const QString found = QStandardPaths::findExecutable(searchName(program));
    if (!found.isEmpty())
        return { found, Source::SearchPath };
    return {};
}

QByteArray ExternalTools::effectiveBookmark(const UserDefaults &defaults, Program program)
{
    const Location location = locate(defaults, program);
    switch (location.source) {
    case Source::Chosen:
        return bookmark(defaults, program);
    case Source::SearchPath:
        return Bookmark::create(location.path);
    case Source::None:
        break;
    }
    return QByteArray();
}

QString ExternalTools::description(const UserDefaults &defaults, Program program)
{
    const Location location = locate(defaults, program);
    switch (location.source) {
    case Source::Chosen:
        return QStringLiteral("%1 %2 (chosen)").arg(searchName(program), location.path);
    case Source::SearchPath:
        return QStringLiteral("%1 %2 (found on the PATH)").arg(searchName(program), location.path);
    case Source::None:
        break;
    }
    return QStringLiteral("%1 not found").arg(searchName(program));
}

bool ExternalTools::installed(const UserDefaults &defaults)
{
    for (Program program : { Program::FFprobe, Program::FFmpeg }) {
        if (!isExecutableFile(locate(defaults, program).path))
            return false;
    }
    return true;
}

QString ExternalTools::pathWithBookmarkData(const QByteArray &bookmark)
{
    if (bookmark.isEmpty())
        return QString();
    return Bookmark::resolvePath(bookmark).value_or(QString());
}

bool ExternalTools::isExecutableFile(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

} // namespace vidarium
