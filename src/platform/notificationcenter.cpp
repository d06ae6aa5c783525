#include "platform/notificationcenter.h"

#include "platform/mainthread.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QPointer>

#include <atomic>
#include <exception>

namespace vidarium {

Q_LOGGING_CATEGORY(lcNotifications, "vidarium.notifications")

struct NotificationCenter::Registration
{
    quint64 id = 0;
    QString name;
    const void *object = nullptr;
    Observer observer;
    bool hasContext = false;
    QPointer<QObject> context;
    // Cleared on removal so a delivery already under way skips it.
    std::atomic_bool alive { true };
};

NotificationCenter &NotificationCenter::instance()
{
    // Deliberately never destroyed: observers may be removed from destructors
    // of other statics at exit.
    static NotificationCenter *center = new NotificationCenter;
    return *center;
}

NotificationCenter::NotificationCenter()
{
    // Observers are called on the main thread, so the centre lives there.
    if (QCoreApplication *app = QCoreApplication::instance())
        moveToThread(app->thread());
}

NotificationCenter::~NotificationCenter() = default;

ObserverToken NotificationCenter::addObserver(
    const QString &name, const void *object, Observer observer, QObject *context)
{
    if (!observer)
        return {};
    auto registration = std::make_shared<Registration>();
    registration->name = name;
    registration->object = object;
    registration->observer = std::move(observer);
    registration->hasContext = context != nullptr;
    registration->context = context;
    {
        QMutexLocker locker(&m_mutex);
        registration->id = m_nextId++;
        m_registrations.push_back(registration);
    }
    const ObserverToken token { registration->id };
    if (context) {
        // The observer must not outlive what it captures from its context.
        QObject::connect(
            context, &QObject::destroyed, this, [this, token] { removeObserver(token); },
            Qt::DirectConnection);
    }
    return token;
}

void NotificationCenter::removeObserver(ObserverToken token)
{
    if (!token.isValid())
        return;
    QMutexLocker locker(&m_mutex);
    for (auto it = m_registrations.begin(); it != m_registrations.end(); ++it) {
        if ((*it)->id == token.id) {
            (*it)->alive = false;
            m_registrations.erase(it);
            return;
        }
    }
}

int NotificationCenter::observerCount() const
{
    QMutexLocker locker(&m_mutex);
    return int(m_registrations.size());
}

void NotificationCenter::post(const Notification &notification)
{
    if (isMainThread()) {
        deliver(notification);
        return;
    }
    QPointer<NotificationCenter> self(this);
    postToMainThread(this, [self, notification] {
        if (self)
            self->deliver(notification);
    });
}

void NotificationCenter::deliver(const Notification &notification)
{
    // Observers may add or remove observers, or post, while being called: work
    // on a snapshot and re-check each registration just before calling it.
    std::vector<std::shared_ptr<Registration>> snapshot;
    {
        QMutexLocker locker(&m_mutex);
        snapshot.reserve(m_registrations.size());
        for (const auto &registration : m_registrations) {
            if (!registration->name.isEmpty() && registration->name != notification.name)
                continue;
            if (registration->object && registration->object != notification.object)
                continue;
            snapshot.push_back(registration);
        }
    }
    for (const auto &registration : snapshot) {
        if (!registration->alive)
            continue;
        if (registration->hasContext && !registration->context)
            continue;
        try {
            registration->observer(notification);
        } catch (const std::exception &e) {
            qCWarning(lcNotifications)
                << "Observer of" << notification.name << "failed:" << e.what();
        } catch (...) {
            qCWarning(lcNotifications) << "Observer of" << notification.name << "failed";
        }
    }
}

} // namespace vidarium
