#include "gui/guibenchsupport.h"

#include "platform/notificationcenter.h"
#include "window/sourceviewcontroller.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <chrono>
#include <cstdio>

namespace vidarium::guibench {

void print(const char *label, double value, const char *unit, const char *target)
{
    std::printf("%-48s %10.3f %-4s %s\n", label, value, unit, target);
    std::fflush(stdout);
}

void pump(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    } while (timer.elapsed() < milliseconds);
}

double millisecondsOf(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    pump();
    return double(timer.nsecsElapsed()) / 1e6;
}

namespace {
qint64 g_lastSourceSelectionPost = -1;
} // namespace

void watchSourceSelectionPosts()
{
    NotificationCenter::instance().addObserver(SourceNotification::SelectionDidChange,
        [](const Notification &) { g_lastSourceSelectionPost = steadyNanoseconds(); });
}

qint64 lastSourceSelectionPost()
{
    return g_lastSourceSelectionPost;
}

qint64 steadyNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace vidarium::guibench
