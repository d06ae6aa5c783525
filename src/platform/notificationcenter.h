#pragma once

// The application's notification centre: named notifications carrying a sender
// and a user-info map, delivered to observers on the main thread. Parts of the
// program that should not know each other talk through it.
// Threads: post, addObserver and removeObserver may be called from any thread;
// observers are always called on the main thread.

#include <QMetaType>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <vector>

namespace vidarium {

struct Notification
{
    QString name;
    // The sender, compared by address only: never dereferenced by the centre.
    const void *object = nullptr;
    QVariantMap userInfo;
};

// Names an observer registration; pass it back to removeObserver.
struct ObserverToken
{
    quint64 id = 0;
    bool isValid() const { return id != 0; }
    bool operator==(const ObserverToken &other) const = default;
};

class NotificationCenter : public QObject
{
    Q_OBJECT
public:
    using Observer = std::function<void(const Notification &)>;

    // The application-wide centre, living on the main thread.
    static NotificationCenter &instance();

    NotificationCenter();
    ~NotificationCenter() override;

    // Observes notifications called `name` (empty: every name) sent by `object`
    // (nullptr: any sender). When `context` is given, the observer goes away
    // with it, so an observer can never outlive what it captures.
    ObserverToken addObserver(
        const QString &name, const void *object, Observer observer, QObject *context = nullptr);
    ObserverToken addObserver(const QString &name, Observer observer, QObject *context = nullptr)
    {
        return addObserver(name, nullptr, std::move(observer), context);
    }
    // An observer removed while a notification is being delivered is not called
    // for it any more. Unknown or already removed tokens are ignored.
    void removeObserver(ObserverToken token);

    // On the main thread: delivers now, before returning. On any other thread:
    // queued to the main thread, in the order posted.
    void post(const Notification &notification);
    void post(const QString &name, const void *object = nullptr, const QVariantMap &userInfo = {})
    {
        post(Notification { name, object, userInfo });
    }

    int observerCount() const;

private:
    struct Registration;
    void deliver(const Notification &notification);

    mutable QMutex m_mutex;
    std::vector<std::shared_ptr<Registration>> m_registrations; // guarded by m_mutex
    quint64 m_nextId = 1; // guarded by m_mutex
};

} // namespace vidarium

Q_DECLARE_METATYPE(vidarium::Notification)
