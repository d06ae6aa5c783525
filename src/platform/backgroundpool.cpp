#include "platform/backgroundpool.h"

#include <QCoreApplication>
#include <QThread>
#include <QThreadPool>

#include <algorithm>

namespace vidarium {

namespace {

// Work not started yet is dropped as the application object goes, and what runs
// is waited for, before the objects it reports to are gone.
void stopBackgroundWork()
{
    backgroundPool().clear();
    backgroundPool().waitForDone();
}

} // namespace

QThreadPool &backgroundPool()
{
    static QThreadPool *const pool = [] {
        auto *created = new QThreadPool;
        // File checks mostly wait for the disk: a few more threads than cores.
        created->setMaxThreadCount(std::max(2, QThread::idealThreadCount()));
        qAddPostRoutine(stopBackgroundWork);
        return created;
    }();
    return *pool;
}

} // namespace vidarium
