#include "platform/operationqueue.h"

#include "platform/threadpriority.h"

#include <QLoggingCategory>

#include <chrono>
#include <exception>

namespace vidarium {

Q_LOGGING_CATEGORY(lcOperations, "vidarium.operations")

OperationQueue::OperationQueue(QString name, int maxConcurrentOperationCount)
    : m_name(std::move(name))
{
    if (maxConcurrentOperationCount >= MinimumConcurrentOperations
        && maxConcurrentOperationCount <= MaximumConcurrentOperations)
        m_maxConcurrent = maxConcurrentOperationCount;
}

OperationQueue::~OperationQueue()
{
    std::vector<std::thread> threads;
    std::map<WaitingKey, Entry> dropped; // destroyed unlocked: captures may call back
    {
        std::lock_guard locker(m_mutex);
        m_shuttingDown = true;
        dropped.swap(m_waiting);
        for (const auto &entry : m_running)
            entry->token.cancel();
        threads.swap(m_threads);
    }
    m_workAvailable.notify_all();
    for (std::thread &thread : threads) {
        if (thread.get_id() == std::this_thread::get_id()) {
            // Destroyed from inside one of its own bodies: cannot join itself.
            qCWarning(lcOperations) << "Queue" << m_name << "destroyed by its own operation";
            thread.detach();
        } else {
            thread.join();
        }
    }
}

bool OperationQueue::setMaxConcurrentOperationCount(int count)
{
    if (count < MinimumConcurrentOperations || count > MaximumConcurrentOperations)
        return false;
    {
        std::lock_guard locker(m_mutex);
        m_maxConcurrent = count;
        startWorkersIfNeeded();
    }
    m_workAvailable.notify_all();
    return true;
}

int OperationQueue::maxConcurrentOperationCount() const
{
    std::lock_guard locker(m_mutex);
    return m_maxConcurrent;
}

quint64 OperationQueue::addOperation(Operation operation)
{
    if (!operation.body)
        return 0;
    quint64 handle = 0;
    {
        std::lock_guard locker(m_mutex);
        if (m_shuttingDown)
            return 0;
        handle = m_nextHandle++;
        const WaitingKey key { -int(operation.priority), handle };
        m_waiting.emplace(key, Entry { handle, std::move(operation), CancellationToken() });
        startWorkersIfNeeded();
    }
    m_workAvailable.notify_one();
    return handle;
}

int OperationQueue::cancelOperations(const std::function<bool(const Operation &)> &predicate)
{
    int affected = 0;
    std::vector<Entry> dropped; // destroyed unlocked: captures may call back
    {
        std::lock_guard locker(m_mutex);
        for (auto it = m_waiting.begin(); it != m_waiting.end();) {
            if (predicate(it->second.operation)) {
                dropped.push_back(std::move(it->second));
                it = m_waiting.erase(it);
                ++affected;
            } else {
                ++it;
            }
        }
        for (const auto &entry : m_running) {
            if (!entry->token.isCancelled() && predicate(entry->operation)) {
                entry->token.cancel();
                ++affected;
            }
        }
    }
    m_idle.notify_all();
    return affected;
}

int OperationQueue::cancelOperationsWithOwner(const QString &owner)
{
    return cancelOperations([&owner](const Operation &op) { return op.owner == owner; });
}

bool OperationQueue::cancelOperation(quint64 handle)
{
    bool found = false;
    std::vector<Entry> dropped; // destroyed unlocked: captures may call back
    {
        std::lock_guard locker(m_mutex);
        for (auto it = m_waiting.begin(); it != m_waiting.end(); ++it) {
            if (it->second.handle == handle) {
                dropped.push_back(std::move(it->second));
                m_waiting.erase(it);
                found = true;
                break;
            }
        }
        for (const auto &entry : m_running) {
            if (entry->handle == handle) {
                entry->token.cancel();
                found = true;
            }
        }
    }
    m_idle.notify_all();
    return found;
}

int OperationQueue::cancelAllOperations()
{
    return cancelOperations([](const Operation &) { return true; });
}

bool OperationQueue::waitUntilAllOperationsAreFinished(int timeoutMs)
{
    std::unique_lock locker(m_mutex);
    const auto finished = [this] { return m_waiting.empty() && m_running.empty(); };
    if (timeoutMs < 0) {
        m_idle.wait(locker, finished);
        return true;
    }
    return m_idle.wait_for(locker, std::chrono::milliseconds(timeoutMs), finished);
}

int OperationQueue::waitingCount() const
{
    std::lock_guard locker(m_mutex);
    return int(m_waiting.size());
}

int OperationQueue::runningCount() const
{
    std::lock_guard locker(m_mutex);
    return int(m_running.size());
}

// Called with m_mutex held. Threads are made on demand, never more than the
// limit ever allowed, and kept until the queue goes.
void OperationQueue::startWorkersIfNeeded()
{
    if (m_shuttingDown || m_waiting.empty() || m_idleWorkers > 0)
        return;
    if (int(m_running.size()) >= m_maxConcurrent || int(m_threads.size()) >= m_maxConcurrent)
        return;
    m_threads.emplace_back([this] {
        // Queued operations are imports: they yield to the window's thread.
        lowerCurrentThreadPriority();
        workerLoop();
    });
}

void OperationQueue::workerLoop()
{
    std::unique_lock locker(m_mutex);
    for (;;) {
        ++m_idleWorkers;
        m_workAvailable.wait(locker, [this] {
            return m_shuttingDown
                || (!m_waiting.empty() && int(m_running.size()) < m_maxConcurrent);
        });
        --m_idleWorkers;
        if (m_shuttingDown)
            return;

        auto first = m_waiting.begin();
        auto entry = std::make_shared<Entry>(std::move(first->second));
        m_waiting.erase(first);
        m_running.push_back(entry);
        // More work and room for it: wake or make another worker.
        if (!m_waiting.empty() && int(m_running.size()) < m_maxConcurrent) {
            startWorkersIfNeeded();
            m_workAvailable.notify_one();
        }

        // The body leaves the entry so that it runs, and its captures die,
        // outside the lock; cancellation still sees owner and name.
        auto body = std::move(entry->operation.body);
        locker.unlock();
        runBody(m_name, entry->operation.name, body, entry->token);
        body = nullptr;
        locker.lock();

        std::erase(m_running, entry);
        if (m_waiting.empty() && m_running.empty())
            m_idle.notify_all();
    }
}

void OperationQueue::runBody(const QString &queueName, const QString &operationName,
    const std::function<void(const CancellationToken &)> &body, const CancellationToken &token)
{
    if (token.isCancelled())
        return;
    try {
        body(token);
    } catch (const std::exception &e) {
        qCWarning(lcOperations) << "Operation" << operationName << "on" << queueName
                                << "failed:" << e.what();
    } catch (...) {
        qCWarning(lcOperations) << "Operation" << operationName << "on" << queueName << "failed";
    }
}

} // namespace vidarium
