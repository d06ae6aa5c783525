#include "platform/mainthread.h"
#include "platform/notificationcenter.h"
#include "platform/notificationqueue.h"

#include "testsupport.h"

#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <thread>

using namespace vidarium;
using vidarium::test::drainEvents;

namespace {

const QString Changed
    = QStringLiteral("com.tallowmere.vidarium.SourceDidModifyElementsNotification");
const QString Added = QStringLiteral("com.tallowmere.vidarium.LibraryDidQueueElementsNotification");

} // namespace

TEST(NotificationCenter, DeliversOnlyToObserversOfTheNameAndSender)
{
    NotificationCenter center;
    int libraryA = 0;
    int libraryB = 0;
    QStringList everything;
    QStringList anySender;
    const int a = 1;
    const int b = 2;
    center.addObserver(Changed, &a, [&](const Notification &) { ++libraryA; });
    center.addObserver(Changed, &b, [&](const Notification &) { ++libraryB; });
    center.addObserver(Changed, [&](const Notification &n) {
        anySender.append(n.userInfo.value(QStringLiteral("LibraryIdentifier")).toString());
    });
    center.addObserver(QString(), [&](const Notification &n) { everything.append(n.name); });

    center.post(Changed, &a, { { QStringLiteral("LibraryIdentifier"), QStringLiteral("A") } });
    center.post(Added, &a);
    center.post(Changed, &b, { { QStringLiteral("LibraryIdentifier"), QStringLiteral("B") } });

    // Delivered before post returns on the main thread.
    EXPECT_EQ(libraryA, 1);
    EXPECT_EQ(libraryB, 1);
    EXPECT_EQ(anySender, (QStringList { QStringLiteral("A"), QStringLiteral("B") }));
    EXPECT_EQ(everything, (QStringList { Changed, Added, Changed }));
}

TEST(NotificationCenter, RemovedObserversAreNotCalledEvenMidDelivery)
{
    NotificationCenter center;
    int first = 0;
    int second = 0;
    ObserverToken secondToken;
    const ObserverToken firstToken = center.addObserver(Changed, [&](const Notification &) {
        ++first;
        center.removeObserver(secondToken);
        // Adding during delivery must not disturb it either.
        center.addObserver(Changed, [](const Notification &) {});
    });
    secondToken = center.addObserver(Changed, [&](const Notification &) { ++second; });

    center.post(Changed);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);

    center.removeObserver(firstToken);
    center.removeObserver(firstToken); // twice is harmless
    center.removeObserver(ObserverToken {});
    center.post(Changed);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(center.observerCount(), 1); // the one added during delivery
}

TEST(NotificationCenter, ObserverGoesAwayWithItsContext)
{
    NotificationCenter center;
    int calls = 0;
    auto context = std::make_unique<QObject>();
    center.addObserver(
        Changed, [&](const Notification &) { ++calls; }, context.get());
    center.post(Changed);
    context.reset();
    center.post(Changed);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(center.observerCount(), 0);
}

TEST(NotificationCenter, PostsFromWorkerThreadsArriveOnTheMainThreadInOrder)
{
    NotificationCenter center;
    QList<int> received;
    bool allOnMainThread = true;
    center.addObserver(Changed, [&](const Notification &n) {
        allOnMainThread = allOnMainThread && isMainThread();
        received.append(n.userInfo.value(QStringLiteral("n")).toInt());
    });
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i)
            center.post(Changed, nullptr, { { QStringLiteral("n"), i } });
    });
    worker.join();
    EXPECT_TRUE(received.isEmpty()); // queued, not delivered on the worker
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() == 100; }));
    EXPECT_TRUE(allOnMainThread);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(received[i], i);
}

TEST(NotificationCenter, AThrowingObserverDoesNotStopTheOthers)
{
    NotificationCenter center;
    int after = 0;
    center.addObserver(Changed, [](const Notification &) { throw std::runtime_error("boom"); });
    center.addObserver(Changed, [&](const Notification &) { ++after; });
    center.post(Changed);
    EXPECT_EQ(after, 1);
}

TEST(NotificationQueue, MergesEqualPendingNotificationsAndPostsWhenIdle)
{
    NotificationCenter center;
    NotificationQueue queue(center);
    QList<Notification> delivered;
    center.addObserver(QString(), [&](const Notification &n) { delivered.append(n); });
    const int library = 0;
    const int other = 0;

    queue.enqueue({ Changed, &library, { { QStringLiteral("n"), 1 } } });
    queue.enqueue({ Changed, &library, { { QStringLiteral("n"), 2 } } });
    queue.enqueue({ Changed, &other, { { QStringLiteral("n"), 3 } } });
    queue.enqueue({ Added, &library, {} });
    queue.enqueue({ Added, &library, {} }, NotificationQueue::CoalesceNone);
    EXPECT_TRUE(delivered.isEmpty());
    EXPECT_EQ(queue.pendingCount(), 4);

    drainEvents();
    ASSERT_EQ(delivered.size(), 4);
    EXPECT_EQ(delivered[0].userInfo.value(QStringLiteral("n")).toInt(), 1); // the first one stays
    EXPECT_EQ(delivered[1].object, &other);
    EXPECT_EQ(delivered[2].name, Added);
    EXPECT_EQ(queue.pendingCount(), 0);

    // Once posted, an equal notification is new again.
    queue.enqueue({ Changed, &library, {} });
    drainEvents();
    EXPECT_EQ(delivered.size(), 5);
}

TEST(NotificationQueue, MergesAcrossWorkerThreadsAndCanBeDequeued)
{
    NotificationCenter center;
    NotificationQueue queue(center);
    int changed = 0;
    int added = 0;
    center.addObserver(Changed, [&](const Notification &) { ++changed; });
    center.addObserver(Added, [&](const Notification &) { ++added; });
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t) {
        workers.emplace_back([&] {
            for (int i = 0; i < 200; ++i)
                queue.enqueue({ Changed, nullptr, {} });
        });
    }
    for (auto &worker : workers)
        worker.join();
    queue.enqueue({ Added, nullptr, {} });
    queue.dequeueNotifications(Added);
    ASSERT_TRUE(QTest::qWaitFor([&] { return changed > 0; }));
    drainEvents();
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(added, 0);
}

TEST(MainThread, PostedWorkRunsOnTheMainThreadUnlessItsGuardIsGone)
{
    auto guard = std::make_unique<QObject>();
    auto doomed = std::make_unique<QObject>();
    int ran = 0;
    bool onMain = false;
    int ranForDoomed = 0;
    std::thread worker([&, g = guard.get(), d = doomed.get()] {
        postToMainThread(g, [&] {
            ++ran;
            onMain = isMainThread();
        });
        postToMainThread(d, [&] { ++ranForDoomed; });
        postToMainThread(nullptr, [&] { ++ranForDoomed; });
    });
    worker.join();
    doomed.reset(); // its owner went away before the main thread got round to it
    EXPECT_EQ(ran, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ran == 1; }));
    drainEvents();
    EXPECT_TRUE(onMain);
    EXPECT_EQ(ranForDoomed, 0);

    // From the main thread too, the work waits for the event loop.
    int later = 0;
    postToMainThread([&] { ++later; });
    EXPECT_EQ(later, 0);
    drainEvents();
    EXPECT_EQ(later, 1);
}
