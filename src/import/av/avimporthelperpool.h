#pragma once

// The decode helper processes of the in-process importer: at most one per
// queue slot, started on demand, kept for the next request, replaced when one
// dies or misses its deadline. A request that cannot be answered is a failed
// step; it never reaches the application's own process.
// Threads: every member may be called from any thread.

#include "platform/result.h"

#include <QCborMap>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

namespace vidarium {

class AVImportHelper;

class AVImportHelperPool
{
public:
    // program: the helper executable; empty means helperProgram().
    explicit AVImportHelperPool(QString program = {});
    ~AVImportHelperPool();
    AVImportHelperPool(const AVImportHelperPool &) = delete;
    AVImportHelperPool &operator=(const AVImportHelperPool &) = delete;

    // The vidarium-decode program: $VIDARIUM_DECODE_HELPER, else beside the
    // running executable, else where the build put it. Empty when none exists.
    static QString helperProgram();

    // How many helpers may stay running while idle (the queue's limit).
    void setMaximumHelpers(int count);
    // Lets helpers honour the crash and hang requests (tests only).
    void setTestRequestsAllowed(bool allowed) { m_allowTestRequests = allowed; }

    // Sends the request to an idle helper (starting one when none is idle) and
    // returns its answer. Errors are failed exchanges: no program, a helper that
    // died, garbage, or no answer before the deadline.
    Result<QCborMap> exchange(const QCborMap &request, std::chrono::milliseconds deadline);

    // Helpers started so far (restarts included); for tests and figures.
    int startedHelpers() const;

private:
    Result<std::unique_ptr<AVImportHelper>> acquire();
    void release(std::unique_ptr<AVImportHelper> helper);

    const QString m_program;
    bool m_allowTestRequests = false;
    mutable std::mutex m_mutex;
    std::vector<std::unique_ptr<AVImportHelper>> m_idle; // guarded by m_mutex
    int m_maximumHelpers = 1; // guarded by m_mutex
    int m_started = 0; // guarded by m_mutex
};

} // namespace vidarium
