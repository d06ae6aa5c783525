#include "platform/mainthread.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QPointer>
#include <QThread>

#include <exception>

namespace vidarium {

Q_LOGGING_CATEGORY(lcMainThread, "vidarium.mainthread")

namespace {

void runGuarded(const std::function<void()> &function)
{
    try {
        function();
    } catch (const std::exception &e) {
        qCWarning(lcMainThread) << "Posted work failed:" << e.what();
    } catch (...) {
        qCWarning(lcMainThread) << "Posted work failed";
    }
}

} // namespace

bool isMainThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void postToMainThread(QObject *guard, std::function<void()> function)
{
    if (!guard || !function)
        return;
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return;
    QPointer<QObject> weak(guard);
    QMetaObject::invokeMethod(
        app,
        [weak, function = std::move(function)] {
            if (weak)
                runGuarded(function);
        },
        Qt::QueuedConnection);
}

void postToMainThread(std::function<void()> function)
{
    if (!function)
        return;
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return;
    QMetaObject::invokeMethod(
        app, [function = std::move(function)] { runGuarded(function); }, Qt::QueuedConnection);
}

} // namespace vidarium
