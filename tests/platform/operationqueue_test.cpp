#include "platform/operationqueue.h"

#include <QStringList>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>

using namespace vidarium;
using namespace std::chrono_literals;

namespace {

// Holds operations until released, so a test can fill the queue first.
class Gate
{
public:
    void open()
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    void wait()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_open; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
};

Operation make(std::function<void(const CancellationToken &)> body,
    OperationPriority priority = OperationPriority::Normal, QString owner = {})
{
    Operation op;
    op.body = std::move(body);
    op.priority = priority;
    op.owner = std::move(owner);
    op.name = QStringLiteral("test");
    return op;
}

bool waitUntil(const std::function<bool()> &condition)
{
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

} // namespace

TEST(OperationQueue, NeverRunsMoreThanItsLimitAndTakesOnlyOneToEight)
{
    OperationQueue queue(QStringLiteral("limit"), 2);
    std::atomic_int running = 0;
    std::atomic_int peak = 0;
    std::atomic_int done = 0;
    auto body = [&](const CancellationToken &) {
        const int now = ++running;
        int seen = peak.load();
        while (now > seen && !peak.compare_exchange_weak(seen, now)) { }
        std::this_thread::sleep_for(20ms);
        --running;
        ++done;
    };
    for (int i = 0; i < 8; ++i)
        queue.addOperation(make(body));
    ASSERT_TRUE(queue.waitUntilAllOperationsAreFinished(5000));
    EXPECT_EQ(done, 8);
    EXPECT_EQ(peak, 2);

    EXPECT_FALSE(queue.setMaxConcurrentOperationCount(0));
    EXPECT_FALSE(queue.setMaxConcurrentOperationCount(9));
    EXPECT_EQ(queue.maxConcurrentOperationCount(), 2);
    EXPECT_TRUE(queue.setMaxConcurrentOperationCount(4));
    peak = 0;
    for (int i = 0; i < 16; ++i)
        queue.addOperation(make(body));
    ASSERT_TRUE(queue.waitUntilAllOperationsAreFinished(5000));
    EXPECT_EQ(peak, 4);
    EXPECT_EQ(done, 24);
}

TEST(OperationQueue, RunsWaitingWorkByPriorityThenInArrivalOrder)
{
    OperationQueue queue(QStringLiteral("priority"), 1);
    Gate gate;
    std::mutex orderMutex;
    QStringList order;
    auto record = [&](const QString &name) {
        return [&, name](const CancellationToken &) {
            std::lock_guard lock(orderMutex);
            order.append(name);
        };
    };
    std::atomic_bool blocking = false;
    queue.addOperation(make([&](const CancellationToken &) {
        blocking = true;
        gate.wait();
    }));
    ASSERT_TRUE(waitUntil([&] { return blocking.load(); }));
    queue.addOperation(make(record(QStringLiteral("thumbnail 1"))));
    queue.addOperation(make(record(QStringLiteral("thumbnail 2"))));
    queue.addOperation(make(record(QStringLiteral("properties 1")), OperationPriority::VeryHigh));
    queue.addOperation(make(record(QStringLiteral("low")), OperationPriority::Low));
    queue.addOperation(make(record(QStringLiteral("properties 2")), OperationPriority::VeryHigh));
    queue.addOperation(make(record(QStringLiteral("high")), OperationPriority::High));
    EXPECT_EQ(queue.waitingCount(), 6);
    EXPECT_EQ(queue.runningCount(), 1);
    gate.open();
    ASSERT_TRUE(queue.waitUntilAllOperationsAreFinished(5000));
    EXPECT_EQ(order,
        (QStringList { QStringLiteral("properties 1"), QStringLiteral("properties 2"),
            QStringLiteral("high"), QStringLiteral("thumbnail 1"), QStringLiteral("thumbnail 2"),
            QStringLiteral("low") }));
}

TEST(OperationQueue, CancelsQueuedAndRunningWorkOfOneOwnerOnly)
{
    OperationQueue queue(QStringLiteral("cancel"), 1);
    std::atomic_bool started = false;
    std::atomic_bool sawCancel = false;
    std::atomic_int ranA = 0;
    std::atomic_int ranB = 0;
    queue.addOperation(make(
        [&](const CancellationToken &token) {
            started = true;
            while (!token.isCancelled())
                std::this_thread::sleep_for(1ms);
            sawCancel = true;
        },
        OperationPriority::Normal, QStringLiteral("library-A")));
    ASSERT_TRUE(waitUntil([&] { return started.load(); }));
    for (int i = 0; i < 5; ++i) {
        queue.addOperation(make([&](const CancellationToken &) { ++ranA; },
            OperationPriority::VeryHigh, QStringLiteral("library-A")));
        queue.addOperation(make([&](const CancellationToken &) { ++ranB; },
            OperationPriority::Normal, QStringLiteral("library-B")));
    }
    const quint64 single = queue.addOperation(make([&](const CancellationToken &) { ++ranB; },
        OperationPriority::Low, QStringLiteral("library-B")));

    EXPECT_EQ(queue.cancelOperationsWithOwner(QStringLiteral("library-A")), 6);
    EXPECT_TRUE(queue.cancelOperation(single));
    EXPECT_FALSE(queue.cancelOperation(single));
    ASSERT_TRUE(queue.waitUntilAllOperationsAreFinished(5000));
    EXPECT_TRUE(sawCancel);
    EXPECT_EQ(ranA, 0);
    EXPECT_EQ(ranB, 5);

    // A custom predicate, and a queue that has been cancelled goes on working.
    std::atomic_int later = 0;
    queue.addOperation(make([&](const CancellationToken &) { ++later; }, OperationPriority::Normal,
        QStringLiteral("keep")));
    ASSERT_TRUE(queue.waitUntilAllOperationsAreFinished(5000));
    EXPECT_EQ(later, 1);
    EXPECT_EQ(queue.cancelOperations([](const Operation &op) { return op.owner.isEmpty(); }), 0);
}

TEST(OperationQueue, AThrowingOperationIsLoggedAndTheQueueGoesOn)
{
    OperationQueue queue(QStringLiteral("throw"), 1);
    std::atomic_int after = 0;
    queue.addOperation(
        make([](const CancellationToken &) { throw std::runtime_error("bad file"); }));
    queue.addOperation(make([](const CancellationToken &) { throw 42; }));
    queue.addOperation(make([&](const CancellationToken &) { ++after; }));
    EXPECT_EQ(queue.addOperation(Operation {}), 0u); // no body, nothing queued
    ASSERT_TRUE(queue.waitUntilAllOperationsAreFinished(5000));
    EXPECT_EQ(after, 1);
}

TEST(OperationQueue, OwnerDestroyedWithWorkQueuedStopsEverythingBeforeItsStateGoes)
{
    // An owner whose operations capture its own state, torn down mid-import.
    struct Owner
    {
        std::vector<int> results = std::vector<int>(1000, 0);
        OperationQueue queue { QStringLiteral("owner"), 2 }; // declared last: goes first
    };
    auto owner = std::make_unique<Owner>();
    std::atomic_int started = 0;
    auto ran = std::make_shared<std::atomic_int>(0);
    for (int i = 0; i < 1000; ++i) {
        owner->queue.addOperation(
            make([&started, ran, state = owner.get(), i](const CancellationToken &token) {
                ++started;
                for (int step = 0; step < 50 && !token.isCancelled(); ++step)
                    std::this_thread::sleep_for(1ms);
                state->results[size_t(i)] = 1; // still alive: the queue joins first
                ++*ran;
            }));
    }
    ASSERT_TRUE(waitUntil([&] { return started.load() >= 2; }));
    owner.reset();
    const int finished = ran->load();
    EXPECT_GE(finished, 2);
    EXPECT_LT(finished, 100); // the running ones end; the waiting ones never start
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(ran->load(), finished);
}

TEST(OperationQueue, RunsManySmallOperationsExactlyOnce)
{
    OperationQueue queue(QStringLiteral("many"), 8);
    constexpr int Count = 20000;
    auto counts = std::make_unique<std::atomic_int[]>(Count);
    for (int i = 0; i < Count; ++i)
        queue.addOperation(make([&counts, i](const CancellationToken &) { ++counts[i]; },
            i % 2 ? OperationPriority::VeryHigh : OperationPriority::Normal));
    ASSERT_TRUE(queue.waitUntilAllOperationsAreFinished(20000));
    int wrong = 0;
    for (int i = 0; i < Count; ++i)
        wrong += counts[i] != 1;
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(queue.operationCount(), 0);
}

TEST(OperationQueue, OperationsRunBelowTheCallersPriorityAndLeaveItAsItWas)
{
    const auto niceOfThisThread
        = [] { return ::getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid))); };
    const int caller = niceOfThisThread();
    std::atomic_int seen = -100;
    {
        OperationQueue queue(QStringLiteral("nice"), 1);
        queue.addOperation(make([&](const CancellationToken &) { seen = niceOfThisThread(); }));
        queue.waitUntilAllOperationsAreFinished();
    }
    // A caller already running as nicely keeps its value for its operations too.
    EXPECT_EQ(seen.load(), std::max(caller, 10));
    EXPECT_EQ(niceOfThisThread(), caller);
}
