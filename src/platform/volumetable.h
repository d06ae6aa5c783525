#pragma once

// A snapshot of the mounted file systems (from /proc/self/mountinfo) with their
// labels and UUIDs, for naming the volume of a path, finding a volume again
// under another mount point, and listing the volumes a user would recognise.
// Threads: a snapshot is immutable; current() may be called from any thread and
// re-reads the mount table at most about once a second.

#include <QHash>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

namespace vidarium {

struct VolumeInfo
{
    QString mountPoint; // "/media/alice/Films"
    QString fileSystemType; // "ext4", "vfat", "autofs", ...
    QString source; // "/dev/sdb1", "server:/export", "tmpfs"
    QString label; // file system label, "" when none or unknown
    QString uuid; // file system UUID, "" when none or unknown
    quint64 deviceId = 0; // st_dev of the files on it

    // The label, else the mount point's last component; the root volume
    // without a label is "Root".
    QString displayName() const;
    // A real file system that holds user files (not proc, sysfs, cgroup, ...).
    bool isUserVisible() const;
    // An automount trigger with nothing mounted on it yet: touching a path below
    // it would mount the volume, which we must never cause.
    bool isAutomountTrigger() const { return fileSystemType == QLatin1String("autofs"); }

    bool operator==(const VolumeInfo &other) const = default;
};

class VolumeTable
{
public:
    // The mount table as it is now (cached for about a second).
    static std::shared_ptr<const VolumeTable> current();
    // Forgets the cache, so the next current() reads the table again.
    static void invalidate();

    // Builds a table from mountinfo text. `labelsBySource` and `uuidsBySource`
    // map a device path (as in the source field, after resolving symlinks) to
    // its label and UUID. Malformed lines are skipped.
    static VolumeTable parse(const QByteArray &mountInfo,
        const QHash<QString, QString> &labelsBySource = {},
        const QHash<QString, QString> &uuidsBySource = {});

    const QList<VolumeInfo> &volumes() const { return m_volumes; }
    // The volumes a user would recognise, in mount order.
    QList<VolumeInfo> userVisibleVolumes() const;

    // The mount that holds `absolutePath` (longest mount point prefix; the last
    // mount wins on equal mount points, as the kernel stacks them).
    const VolumeInfo *volumeForPath(const QString &absolutePath) const;
    // The mount with this device id whose mount point holds `absolutePath`,
    // else any mount with this device id.
    const VolumeInfo *volumeForDevice(quint64 deviceId, const QString &absolutePath) const;
    const VolumeInfo *volumeForUuid(const QString &uuid) const;
    const VolumeInfo *volumeForLabel(const QString &label) const;

private:
    QList<VolumeInfo> m_volumes;
};

} // namespace vidarium
