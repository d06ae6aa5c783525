#include "platform/volumetable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>

#include <sys/sysmacros.h>

#include <chrono>

namespace vidarium {

namespace {

constexpr auto CacheLifetime = std::chrono::milliseconds(1000);

// mountinfo escapes space, tab, newline and backslash as \ooo.
QString unescapeOctal(const QByteArray &field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const QByteArray digits = field.mid(i + 1, 3);
            bool ok = false;
            const int value = digits.toInt(&ok, 8);
            if (ok && digits.size() == 3 && value < 256) {
                out.append(char(value));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return QString::fromUtf8(out);
}

// udev names /dev/disk/by-label entries with \xNN for unsafe bytes.
QString unescapeHex(const QString &name)
{
    QByteArray bytes = name.toUtf8();
    QByteArray out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\\' && i + 3 < bytes.size() && bytes[i + 1] == 'x') {
            bool ok = false;
            const int value = bytes.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                out.append(char(value));
                i += 3;
                continue;
            }
        }
        out.append(bytes[i]);
    }
    return QString::fromUtf8(out);
}

QHash<QString, QString> readDiskLinks(const QString &folder, bool decode)
{
    QHash<QString, QString> bySource;
    const QDir dir(folder);
    const QFileInfoList entries
        = dir.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        const QString target = entry.canonicalFilePath();
        if (!target.isEmpty())
            bySource.insert(target, decode ? unescapeHex(entry.fileName()) : entry.fileName());
    }
    return bySource;
}

bool holdsPath(const QString &mountPoint, const QString &path)
{
    if (mountPoint == QLatin1String("/"))
        return path.startsWith(QLatin1Char('/'));
    return path.startsWith(mountPoint)
        && (path.size() == mountPoint.size() || path.at(mountPoint.size()) == QLatin1Char('/'));
}

struct Cache
{
    QMutex mutex;
    std::shared_ptr<const VolumeTable> table; // guarded by mutex
    std::chrono::steady_clock::time_point readAt; // guarded by mutex
};

Cache &cache()
{
    static Cache *instance = new Cache;
    return *instance;
}

} // namespace

QString VolumeInfo::displayName() const
{
    if (!label.isEmpty())
        return label;
    if (mountPoint == QLatin1String("/") || mountPoint.isEmpty())
        return QStringLiteral("Root");
    return mountPoint.section(QLatin1Char('/'), -1, -1, QString::SectionSkipEmpty);
}

bool VolumeInfo::isUserVisible() const
{
    static const QStringList systemTrees = {
        QStringLiteral("/proc"),
        QStringLiteral("/sys"),
        QStringLiteral("/dev"),
        QStringLiteral("/run"),
        QStringLiteral("/boot"),
        QStringLiteral("/snap"),
        QStringLiteral("/var/lib"),
    };
    if (isAutomountTrigger())
        return false;
    if (mountPoint == QLatin1String("/"))
        return true;
    if (holdsPath(QStringLiteral("/run/media"), mountPoint))
        return true;
    for (const QString &tree : systemTrees) {
        if (holdsPath(tree, mountPoint))
            return false;
    }
    static const QStringList networkTypes = {
        QStringLiteral("nfs"),
        QStringLiteral("nfs4"),
        QStringLiteral("cifs"),
        QStringLiteral("smb3"),
        QStringLiteral("smbfs"),
        QStringLiteral("9p"),
        QStringLiteral("fuse.sshfs"),
        QStringLiteral("fuse.rclone"),
    };
    return source.startsWith(QLatin1String("/dev/")) || networkTypes.contains(fileSystemType)
        || fileSystemType == QLatin1String("fuseblk");
}

std::shared_ptr<const VolumeTable> VolumeTable::current()
{
    Cache &c = cache();
    QMutexLocker locker(&c.mutex);
    const auto now = std::chrono::steady_clock::now();
    if (c.table && now - c.readAt < CacheLifetime)
        return c.table;
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    QByteArray text;
    if (file.open(QIODevice::ReadOnly))
        text = file.readAll();
    c.table = std::make_shared<const VolumeTable>(
        parse(text, readDiskLinks(QStringLiteral("/dev/disk/by-label"), true),
            readDiskLinks(QStringLiteral("/dev/disk/by-uuid"), false)));
    c.readAt = now;
    return c.table;
}

void VolumeTable::invalidate()
{
    Cache &c = cache();
    QMutexLocker locker(&c.mutex);
    c.table.reset();
}

VolumeTable VolumeTable::parse(const QByteArray &mountInfo,
    const QHash<QString, QString> &labelsBySource, const QHash<QString, QString> &uuidsBySource)
{
    VolumeTable table;
    const QList<QByteArray> lines = mountInfo.split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        // id parent major:minor root mountpoint options [optional...] - type source superoptions
        const qsizetype separator = fields.indexOf(QByteArrayLiteral("-"));
        if (fields.size() < 7 || separator < 6 || separator + 2 >= fields.size())
            continue;
        const QList<QByteArray> numbers = fields[2].split(':');
        bool majorOk = false;
        bool minorOk = false;
        const uint major = numbers.value(0).toUInt(&majorOk);
        const uint minor = numbers.value(1).toUInt(&minorOk);
        if (numbers.size() != 2 || !majorOk || !minorOk)
            continue;
        VolumeInfo volume;
        volume.deviceId = quint64(makedev(major, minor));
        volume.mountPoint = unescapeOctal(fields[4]);
        volume.fileSystemType = unescapeOctal(fields[separator + 1]);
        volume.source = unescapeOctal(fields[separator + 2]);
        if (!volume.mountPoint.startsWith(QLatin1Char('/')))
            continue;
        QString device = volume.source;
        if (device.startsWith(QLatin1String("/dev/"))) {
            const QString canonical = QFileInfo(device).canonicalFilePath();
            if (!canonical.isEmpty())
                device = canonical;
            volume.label = labelsBySource.value(device);
            volume.uuid = uuidsBySource.value(device);
        }
        table.m_volumes.append(volume);
    }
    return table;
}

QList<VolumeInfo> VolumeTable::userVisibleVolumes() const
{
    // A mount hidden under a later one at the same point is not visible.
    QList<VolumeInfo> visible;
    for (qsizetype i = 0; i < m_volumes.size(); ++i) {
        const VolumeInfo &volume = m_volumes[i];
        bool covered = false;
        for (qsizetype j = i + 1; j < m_volumes.size() && !covered; ++j)
            covered = m_volumes[j].mountPoint == volume.mountPoint;
        if (!covered && volume.isUserVisible())
            visible.append(volume);
    }
    return visible;
}

const VolumeInfo *VolumeTable::volumeForPath(const QString &absolutePath) const
{
    const VolumeInfo *best = nullptr;
    for (const VolumeInfo &volume : m_volumes) {
        if (!holdsPath(volume.mountPoint, absolutePath))
            continue;
        if (!best || volume.mountPoint.size() >= best->mountPoint.size())
            best = &volume;
    }
    return best;
}

const VolumeInfo *VolumeTable::volumeForDevice(quint64 deviceId, const QString &absolutePath) const
{
    const VolumeInfo *any = nullptr;
    const VolumeInfo *holding = nullptr;
    for (const VolumeInfo &volume : m_volumes) {
        if (volume.deviceId != deviceId)
            continue;
        if (!any)
            any = &volume;
        if (holdsPath(volume.mountPoint, absolutePath)
            && (!holding || volume.mountPoint.size() >= holding->mountPoint.size()))
            holding = &volume;
    }
    return holding ? holding : any;
}

const VolumeInfo *VolumeTable::volumeForUuid(const QString &uuid) const
{
    if (uuid.isEmpty())
        return nullptr;
    const VolumeInfo *found = nullptr;
    for (const VolumeInfo &volume : m_volumes) {
        if (volume.uuid == uuid && !volume.isAutomountTrigger())
            found = &volume;
    }
    return found;
}

const VolumeInfo *VolumeTable::volumeForLabel(const QString &label) const
{
    if (label.isEmpty())
        return nullptr;
    const VolumeInfo *found = nullptr;
    for (const VolumeInfo &volume : m_volumes) {
        if (volume.label == label && !volume.isAutomountTrigger()) {
            // Two volumes with one label: we cannot tell which is meant.
            if (found && found->uuid != volume.uuid)
                return nullptr;
            found = &volume;
        }
    }
    return found;
}

} // namespace vidarium
