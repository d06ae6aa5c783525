#pragma once

// Tells when volumes are mounted or unmounted, by watching the kernel's mount
// table (polled when it cannot be watched).
// Threads: lives on the thread that created it (the main thread); signals are
// emitted there.

#include "platform/volumetable.h"

#include <QObject>

class QSocketNotifier;
class QTimer;

namespace vidarium {

class VolumeMonitor : public QObject
{
    Q_OBJECT
public:
    explicit VolumeMonitor(QObject *parent = nullptr);
    ~VolumeMonitor() override;

    // The user-visible volumes as last seen.
    const QList<VolumeInfo> &volumes() const { return m_volumes; }

    // Mount points that appeared and disappeared between two lists.
    static void difference(const QList<VolumeInfo> &before, const QList<VolumeInfo> &after,
        QList<VolumeInfo> *mounted, QList<VolumeInfo> *unmounted);

    // Re-reads the table now and emits volumesChanged when it changed.
    void refresh();

signals:
    void volumesChanged(
        const QList<vidarium::VolumeInfo> &mounted, const QList<vidarium::VolumeInfo> &unmounted);

private:
    QList<VolumeInfo> m_volumes;
    int m_mountInfoFd = -1;
    QSocketNotifier *m_notifier = nullptr;
    QTimer *m_pollTimer = nullptr;
};

} // namespace vidarium
