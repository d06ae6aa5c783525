#include "platform/volumemonitor.h"

#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>

#include <fcntl.h>
#include <unistd.h>

namespace vidarium {

namespace {

constexpr int PollIntervalMs = 2000;

bool containsMountPoint(const QList<VolumeInfo> &volumes, const VolumeInfo &volume)
{
    return std::any_of(volumes.cbegin(), volumes.cend(), [&](const VolumeInfo &v) {
        return v.mountPoint == volume.mountPoint && v.deviceId == volume.deviceId;
    });
}

} // namespace

VolumeMonitor::VolumeMonitor(QObject *parent)
    : QObject(parent)
{
    m_volumes = VolumeTable::current()->userVisibleVolumes();
    // The kernel flags /proc/self/mountinfo as exceptional (POLLPRI) after
    // every mount or unmount; watching that costs nothing while idle.
    m_mountInfoFd = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (m_mountInfoFd >= 0) {
        m_notifier = new QSocketNotifier(m_mountInfoFd, QSocketNotifier::Exception, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] {
            // The flag stays raised until the file is read again from the start.
            char buffer[4096];
            ::lseek(m_mountInfoFd, 0, SEEK_SET);
            while (::read(m_mountInfoFd, buffer, sizeof buffer) > 0) { }
            refresh();
        });
        char buffer[4096];
        while (::read(m_mountInfoFd, buffer, sizeof buffer) > 0) { }
    } else {
        m_pollTimer = new QTimer(this);
        m_pollTimer->setInterval(PollIntervalMs);
        connect(m_pollTimer, &QTimer::timeout, this, &VolumeMonitor::refresh);
        m_pollTimer->start();
    }
}

VolumeMonitor::~VolumeMonitor()
{
    delete m_notifier;
    m_notifier = nullptr;
    if (m_mountInfoFd >= 0)
        ::close(m_mountInfoFd);
}

void VolumeMonitor::difference(const QList<VolumeInfo> &before, const QList<VolumeInfo> &after,
    QList<VolumeInfo> *mounted, QList<VolumeInfo> *unmounted)
{
    mounted->clear();
    unmounted->clear();
    for (const VolumeInfo &volume : after) {
        if (!containsMountPoint(before, volume))
            mounted->append(volume);
    }
    for (const VolumeInfo &volume : before) {
        if (!containsMountPoint(after, volume))
            unmounted->append(volume);
    }
}

void VolumeMonitor::refresh()
{
    VolumeTable::invalidate();
    const QList<VolumeInfo> now = VolumeTable::current()->userVisibleVolumes();
    QList<VolumeInfo> mounted;
    QList<VolumeInfo> unmounted;
    difference(m_volumes, now, &mounted, &unmounted);
    m_volumes = now;
    if (!mounted.isEmpty() || !unmounted.isEmpty())
        emit volumesChanged(mounted, unmounted);
}

} // namespace vidarium
