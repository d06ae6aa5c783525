#pragma once

// One decode helper process: started from the helper program, fed requests on
// its standard input and read for answers on its standard output. A helper that
// dies, answers garbage or misses its deadline is killed and marked dead; its
// pool starts a fresh one for the next request.
// Threads: used by one thread at a time (the pool hands it out), any thread.

#include "platform/result.h"

#include <QCborMap>
#include <QString>
#include <QStringList>

#include <chrono>
#include <sys/types.h>

namespace vidarium {

class AVImportHelper
{
public:
    ~AVImportHelper();
    AVImportHelper(const AVImportHelper &) = delete;
    AVImportHelper &operator=(const AVImportHelper &) = delete;

    static Result<std::unique_ptr<AVImportHelper>> start(
        const QString &program, const QStringList &arguments);

    // Sends the request and waits for its answer until the deadline. Any failure
    // of the exchange (not a failure the answer reports) kills the helper.
    Result<QCborMap> exchange(const QCborMap &request, std::chrono::milliseconds deadline);

    bool isAlive() const { return m_pid > 0; }
    pid_t pid() const { return m_pid; }

private:
    AVImportHelper() = default;
    Result<void> writeAll(const QByteArray &bytes, std::chrono::steady_clock::time_point deadline);
    Result<QByteArray> readExactly(qint64 size, std::chrono::steady_clock::time_point deadline);
    void kill();

    pid_t m_pid = -1;
    int m_toHelper = -1;
    int m_fromHelper = -1;
};

} // namespace vidarium
