#include "platform/notificationqueue.h"

#include "platform/mainthread.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

namespace vidarium {

namespace {

bool matches(const Notification &waiting, const Notification &incoming,
    NotificationQueue::Coalescing coalescing)
{
    if (coalescing == NotificationQueue::CoalesceNone)
        return false;
    if ((coalescing & NotificationQueue::CoalesceOnName) && waiting.name != incoming.name)
        return false;
    if ((coalescing & NotificationQueue::CoalesceOnSender) && waiting.object != incoming.object)
        return false;
    return true;
}

} // namespace

NotificationQueue &NotificationQueue::instance()
{
    static NotificationQueue *queue = new NotificationQueue(NotificationCenter::instance());
    return *queue;
}

NotificationQueue::NotificationQueue(NotificationCenter &center)
    : m_center(center)
{
    // Its idle timer must run on the main thread's loop, whoever made it.
    if (QCoreApplication *app = QCoreApplication::instance())
        moveToThread(app->thread());
}

NotificationQueue::~NotificationQueue() = default;

void NotificationQueue::enqueue(const Notification &notification, Coalescing coalescing)
{
    {
        QMutexLocker locker(&m_mutex);
        for (const Notification &waiting : std::as_const(m_pending)) {
            if (matches(waiting, notification, coalescing))
                return;
        }
        m_pending.append(notification);
        if (m_flushScheduled)
            return;
        m_flushScheduled = true;
    }
    scheduleFlush();
}

void NotificationQueue::dequeueNotifications(const QString &name, const void *object)
{
    QMutexLocker locker(&m_mutex);
    m_pending.removeIf([&](const Notification &waiting) {
        return waiting.name == name && (!object || waiting.object == object);
    });
}

int NotificationQueue::pendingCount() const
{
    QMutexLocker locker(&m_mutex);
    return int(m_pending.size());
}

void NotificationQueue::scheduleFlush()
{
    // A zero timer fires once the events already queued have been handled,
    // which is when the main thread next goes idle.
    QPointer<NotificationQueue> self(this);
    postToMainThread(this, [self] {
        if (self)
            QTimer::singleShot(0, self, [self] {
                if (self)
                    self->flush();
            });
    });
}

void NotificationQueue::flush()
{
    QList<Notification> batch;
    {
        QMutexLocker locker(&m_mutex);
        batch.swap(m_pending);
        m_flushScheduled = false;
    }
    for (const Notification &notification : std::as_const(batch))
        m_center.post(notification);
}

} // namespace vidarium
