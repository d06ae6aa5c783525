#pragma once

// Posts notifications once the main thread's event loop has gone idle, and
// merges a notification with an equal one that is still waiting, so a burst of
// changes (bookmarks validated in bulk, many results in one loop turn) reaches
// observers as one notification.
// Threads: enqueue and dequeue may be called from any thread; posting happens
// on the main thread through the NotificationCenter.

#include "platform/notificationcenter.h"

#include <QList>
#include <QMutex>
#include <QObject>

namespace vidarium {

class NotificationQueue : public QObject
{
    Q_OBJECT
public:
    // What makes a waiting notification "equal" to a new one.
    enum Coalescing {
        CoalesceNone = 0,
        CoalesceOnName = 1,
        CoalesceOnSender = 2,
        CoalesceOnNameAndSender = CoalesceOnName | CoalesceOnSender,
    };

    // The queue of the main thread, posting to NotificationCenter::instance().
    static NotificationQueue &instance();

    explicit NotificationQueue(NotificationCenter &center);
    ~NotificationQueue() override;

    // Waits until the event loop is idle, then posts. When an equal notification
    // is already waiting the new one is dropped and the waiting one keeps its
    // user info and place.
    void enqueue(const Notification &notification, Coalescing coalescing = CoalesceOnNameAndSender);
    // Drops waiting notifications that match `name` and `object` (nullptr: any).
    void dequeueNotifications(const QString &name, const void *object = nullptr);

    int pendingCount() const;

private:
    void scheduleFlush();
    void flush();

    NotificationCenter &m_center;
    mutable QMutex m_mutex;
    QList<Notification> m_pending; // guarded by m_mutex
    bool m_flushScheduled = false; // guarded by m_mutex
};

} // namespace vidarium
