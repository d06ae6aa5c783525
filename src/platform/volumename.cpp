#include "platform/volumename.h"

#include "platform/filepath.h"
#include "platform/volumetable.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace vidarium {

std::optional<QString> volumeNameForPath(const QString &path)
{
    if (path.isEmpty())
        return std::nullopt;
    const QString absolute
        = QDir::isAbsolutePath(path) ? path : QDir::current().absoluteFilePath(path);
    const auto table = VolumeTable::current();
    const VolumeInfo *mount = table->volumeForPath(absolute);
    // Looking below an automount trigger would mount its volume.
    if (mount && mount->isAutomountTrigger())
        return std::nullopt;
    struct stat info
    {
    };
    if (::stat(encodePath(absolute).constData(), &info) != 0)
        return std::nullopt;
    if (const VolumeInfo *volume = table->volumeForDevice(quint64(info.st_dev), absolute))
        return volume->displayName();
    // Some file systems (btrfs subvolumes) give files a device number of their own.
    if (mount)
        return mount->displayName();
    return QString();
}

QString volumeNameFromPathLayout(const QString &path)
{
    const QString unknown = QStringLiteral("Unknown");
    if (!path.startsWith(QLatin1Char('/')))
        return unknown;
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    // The Volumes rule names the volume also when the path is the mount point
    // itself; below the Linux mount roots a name must be followed by a file,
    // since /media/usb0/clip.mov is as common as /media/alice/Films/clip.mov.
    if (parts.size() >= 2 && parts[0] == QLatin1String("Volumes"))
        return parts[1];
    if (parts.size() >= 5 && parts[0] == QLatin1String("run") && parts[1] == QLatin1String("media"))
        return parts[3];
    if (parts.size() >= 4 && parts[0] == QLatin1String("media"))
        return parts[2];
    if (parts.size() >= 3 && parts[0] == QLatin1String("mnt"))
        return parts[1];
    return unknown;
}

} // namespace vidarium
