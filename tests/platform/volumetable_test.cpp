#include "platform/volumemonitor.h"
#include "platform/volumename.h"
#include "platform/volumetable.h"

#include "testsupport.h"

#include <QFile>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace vidarium;

namespace {

const QByteArray SampleMountInfo = QByteArrayLiteral(
    "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
    "27 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
    "31 27 0:28 / /sys/fs/cgroup rw,relatime - cgroup2 cgroup2 rw\n"
    "40 27 8:17 / /media/alice/My\\040Films rw,nosuid shared:20 master:3 - exfat /dev/sdb1 rw\n"
    "41 27 8:33 / /run/media/bob/Archive rw - ext4 /dev/sdc1 rw\n"
    "42 27 0:50 / /mnt/nas rw - autofs systemd-1 rw\n"
    "this line is not a mount\n"
    "43 27 x:y / /broken rw - ext4 /dev/sdx rw\n"
    "44 27 0:51 / /mnt/nas rw - nfs4 server:/export rw\n"
    "45 27 0:52 / /mnt/stack rw - tmpfs tmpfs rw\n"
    "46 27 0:53 / /mnt/stack rw - ext4 /dev/sdd1 rw\n"
    "47 27 0:54 / /mnt/never rw - autofs systemd-1 rw\n");

VolumeTable sampleTable()
{
    return VolumeTable::parse(SampleMountInfo,
        { { QStringLiteral("/dev/sdb1"), QStringLiteral("FILMS") } },
        { { QStringLiteral("/dev/sdb1"), QStringLiteral("1234-ABCD") },
            { QStringLiteral("/dev/sdc1"), QStringLiteral("c0ffee") } });
}

} // namespace

TEST(VolumeTable, ReadsTheKernelMountTableAndSkipsMalformedLines)
{
    const VolumeTable table = sampleTable();
    ASSERT_EQ(table.volumes().size(), 10);
    const VolumeInfo &films = table.volumes()[3];
    EXPECT_EQ(films.mountPoint, QStringLiteral("/media/alice/My Films"));
    EXPECT_EQ(films.fileSystemType, QStringLiteral("exfat"));
    EXPECT_EQ(films.source, QStringLiteral("/dev/sdb1"));
    EXPECT_EQ(films.label, QStringLiteral("FILMS"));
    EXPECT_EQ(films.uuid, QStringLiteral("1234-ABCD"));
    EXPECT_EQ(films.deviceId, quint64(makedev(8, 17)));
    EXPECT_TRUE(VolumeTable::parse(QByteArray()).volumes().isEmpty());
}

TEST(VolumeTable, FindsTheMountHoldingAPath)
{
    const VolumeTable table = sampleTable();
    struct Case
    {
        const char *path;
        const char *mountPoint;
    };
    const Case cases[] = {
        { "/home/alice/a.mov", "/" },
        { "/media/alice/My Films/2019/a.mov", "/media/alice/My Films" },
        { "/media/alice/My Films", "/media/alice/My Films" },
        { "/media/alice/My Filmsx/a.mov", "/" }, // a prefix of the name is not the folder
        { "/mnt/nas/a.mov", "/mnt/nas" },
        { "/mnt/stack/a.mov", "/mnt/stack" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        const VolumeInfo *volume = table.volumeForPath(QString::fromUtf8(c.path));
        ASSERT_NE(volume, nullptr);
        EXPECT_EQ(volume->mountPoint, QString::fromUtf8(c.mountPoint));
    }
    // Stacked mounts: the later one is what the path reaches.
    EXPECT_EQ(table.volumeForPath(QStringLiteral("/mnt/stack/a"))->fileSystemType,
        QStringLiteral("ext4"));
    EXPECT_EQ(
        table.volumeForPath(QStringLiteral("/mnt/nas/a"))->fileSystemType, QStringLiteral("nfs4"));
    EXPECT_TRUE(table.volumeForPath(QStringLiteral("/mnt/never/a"))->isAutomountTrigger());

    EXPECT_EQ(table.volumeForUuid(QStringLiteral("c0ffee"))->mountPoint,
        QStringLiteral("/run/media/bob/Archive"));
    EXPECT_EQ(table.volumeForLabel(QStringLiteral("FILMS"))->uuid, QStringLiteral("1234-ABCD"));
    EXPECT_EQ(table.volumeForUuid(QString()), nullptr);
    EXPECT_EQ(table.volumeForDevice(makedev(8, 33), QString())->mountPoint,
        QStringLiteral("/run/media/bob/Archive"));
    EXPECT_EQ(table.volumeForDevice(makedev(99, 99), QString()), nullptr);
}

TEST(VolumeTable, ListsTheVolumesAUserWouldRecogniseByTheirNames)
{
    QStringList names;
    QStringList mountPoints;
    for (const VolumeInfo &volume : sampleTable().userVisibleVolumes()) {
        names.append(volume.displayName());
        mountPoints.append(volume.mountPoint);
    }
    EXPECT_EQ(mountPoints,
        (QStringList { QStringLiteral("/"), QStringLiteral("/media/alice/My Films"),
            QStringLiteral("/run/media/bob/Archive"), QStringLiteral("/mnt/nas"),
            QStringLiteral("/mnt/stack") }));
    EXPECT_EQ(names,
        (QStringList { QStringLiteral("Root"), QStringLiteral("FILMS"), QStringLiteral("Archive"),
            QStringLiteral("nas"), QStringLiteral("stack") }));
}

TEST(VolumeName, NamesTheVolumeOfAnExistingPath)
{
    test::ScratchDir scratch;
    const QString path = scratch.filePath(QStringLiteral("clip.mov"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    const auto name = volumeNameForPath(path);
    ASSERT_TRUE(name.has_value());
    struct stat info
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    const auto table = VolumeTable::current();
    const VolumeInfo *volume = table->volumeForDevice(info.st_dev, path);
    ASSERT_NE(volume, nullptr);
    EXPECT_EQ(*name, volume->displayName());
    EXPECT_FALSE(name->isEmpty());

    EXPECT_FALSE(volumeNameForPath(scratch.filePath(QStringLiteral("missing.mov"))).has_value());
    EXPECT_FALSE(volumeNameForPath(QString()).has_value());
}

TEST(VolumeName, DerivesTheVolumeOfAMissingPathFromItsLayout)
{
    struct Case
    {
        const char *path;
        const char *name;
    };
    const Case cases[] = {
        { "/Volumes/Archive/Films/a.mov", "Archive" },
        { "/Volumes/Archive", "Archive" },
        { "/media/alice/Summer Trip/a.mov", "Summer Trip" },
        { "/run/media/bob/BACKUP/x/y.mkv", "BACKUP" },
        { "/mnt/usb/a.mov", "usb" },
        { "/media/usb0", "Unknown" },
        { "/media/alice/a.mov", "Unknown" },
        { "/Users/x/a.mov", "Unknown" },
        { "/Volumes", "Unknown" },
        { "relative/Volumes/a.mov", "Unknown" },
        { "", "Unknown" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(volumeNameFromPathLayout(QString::fromUtf8(c.path)), QString::fromUtf8(c.name));
    }
}

TEST(VolumeMonitor, TellsMountedFromUnmountedVolumes)
{
    const QList<VolumeInfo> all = sampleTable().userVisibleVolumes();
    const QList<VolumeInfo> before = all.mid(0, 3);
    const QList<VolumeInfo> after = { all[0], all[2], all[3] };
    QList<VolumeInfo> mounted;
    QList<VolumeInfo> unmounted;
    VolumeMonitor::difference(before, after, &mounted, &unmounted);
    ASSERT_EQ(mounted.size(), 1);
    EXPECT_EQ(mounted[0].mountPoint, QStringLiteral("/mnt/nas"));
    ASSERT_EQ(unmounted.size(), 1);
    EXPECT_EQ(unmounted[0].mountPoint, QStringLiteral("/media/alice/My Films"));

    VolumeMonitor::difference(after, after, &mounted, &unmounted);
    EXPECT_TRUE(mounted.isEmpty());
    EXPECT_TRUE(unmounted.isEmpty());

    // A live monitor sees the current table and stays quiet while nothing changes.
    VolumeMonitor monitor;
    QSignalSpy changes(&monitor, &VolumeMonitor::volumesChanged);
    EXPECT_FALSE(monitor.volumes().isEmpty());
    monitor.refresh();
    EXPECT_EQ(changes.count(), 0);
}
