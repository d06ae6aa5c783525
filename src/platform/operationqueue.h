#pragma once

// A bounded pool of worker threads running queued operations: waiting work is
// ordered by priority, then by arrival; the number running at once is settable
// from 1 to 8; queued and running work can be cancelled by owner (a library
// identifier) or by any predicate. The import tools each own one.
// Threads: every member may be called from any thread except from inside one of
// this queue's own operations (waitUntilAllOperationsAreFinished and the
// destructor would wait for themselves). Bodies run on the pool's threads.

#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vidarium {

// Lets an operation's body notice that it was cancelled. Cheap to copy; all
// copies share one flag.
class CancellationToken
{
public:
    CancellationToken()
        : m_flag(std::make_shared<std::atomic_bool>(false))
    {
    }
    bool isCancelled() const { return m_flag->load(std::memory_order_acquire); }
    void cancel() const { m_flag->store(true, std::memory_order_release); }

private:
    std::shared_ptr<std::atomic_bool> m_flag;
};

enum class OperationPriority { VeryLow = -8, Low = -4, Normal = 0, High = 4, VeryHigh = 8 };

struct Operation
{
    // Who the work is for; cancelOperationsWithOwner matches it exactly.
    QString owner;
    OperationPriority priority = OperationPriority::Normal;
    // Shown in the log when the body fails.
    QString name;
    // Must not block forever; should look at the token between long steps and
    // post nothing once it is cancelled.
    std::function<void(const CancellationToken &)> body;
};

class OperationQueue
{
public:
    static constexpr int MinimumConcurrentOperations = 1;
    static constexpr int MaximumConcurrentOperations = 8;

    explicit OperationQueue(QString name, int maxConcurrentOperationCount = 1);
    // Cancels everything, then waits for the running bodies to return, so no
    // body outlives the queue (and what its owner let it capture).
    ~OperationQueue();
    OperationQueue(const OperationQueue &) = delete;
    OperationQueue &operator=(const OperationQueue &) = delete;

    const QString &name() const { return m_name; }

    // Applied only from 1 to 8; any other value leaves the limit unchanged and
    // answers false. Lowering it lets running work finish.
    bool setMaxConcurrentOperationCount(int count);
    int maxConcurrentOperationCount() const;

    // An operation without a body is ignored. Returns a handle for
    // cancelOperation (0 when ignored or when the queue is shutting down).
    quint64 addOperation(Operation operation);

    // Waiting operations that match are dropped unrun; running ones have their
    // token cancelled. Return the number of operations affected.
    int cancelOperations(const std::function<bool(const Operation &)> &predicate);
    int cancelOperationsWithOwner(const QString &owner);
    bool cancelOperation(quint64 handle);
    int cancelAllOperations();

    // Blocks until nothing waits and nothing runs; with a timeout (ms, -1 = none)
    // answers false when that did not happen in time.
    bool waitUntilAllOperationsAreFinished(int timeoutMs = -1);

    int waitingCount() const;
    int runningCount() const;
    int operationCount() const { return waitingCount() + runningCount(); }

private:
    struct Entry
    {
        quint64 handle = 0;
        Operation operation;
        CancellationToken token;
    };
    // Higher priority first, then first come first served.
    using WaitingKey = std::pair<int, quint64>;

    void startWorkersIfNeeded();
    void workerLoop();
    static void runBody(const QString &queueName, const QString &operationName,
        const std::function<void(const CancellationToken &)> &body, const CancellationToken &token);

    const QString m_name;
    mutable std::mutex m_mutex;
    std::condition_variable m_workAvailable; // with m_mutex
    std::condition_variable m_idle; // with m_mutex
    std::map<WaitingKey, Entry> m_waiting; // guarded by m_mutex
    std::vector<std::shared_ptr<Entry>> m_running; // guarded by m_mutex
    std::vector<std::thread> m_threads; // guarded by m_mutex
    int m_maxConcurrent = 1; // guarded by m_mutex
    int m_idleWorkers = 0; // guarded by m_mutex
    int m_liveWorkers = 0; // guarded by m_mutex
    quint64 m_nextHandle = 1; // guarded by m_mutex
    bool m_shuttingDown = false; // guarded by m_mutex
};

} // namespace vidarium
