#include "filebrowser.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace vidarium {

namespace {
const QString Service = QStringLiteral("org.freedesktop.FileManager1");
const QString Path = QStringLiteral("/org/freedesktop/FileManager1");

std::function<void(const QStringList &)> &receiverForTesting()
{
    static std::function<void(const QStringList &)> receiver;
    return receiver;
}
} // namespace

bool FileBrowser::reveal(const QStringList &paths)
{
    if (paths.isEmpty())
        return false;
    if (receiverForTesting()) {
        receiverForTesting()(paths);
        return true;
    }
    QStringList uris;
    for (const QString &path : paths)
        uris.append(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded));
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusConnectionInterface *interface = bus.isConnected() ? bus.interface() : nullptr;
    // The service is often started on demand, so an activatable one counts too.
    if (interface
        && (interface->isServiceRegistered(Service).value()
            || interface->activatableServiceNames().value().contains(Service))) {
        QDBusMessage call
            = QDBusMessage::createMethodCall(Service, Path, Service, QStringLiteral("ShowItems"));
        call << uris << QString();
        if (bus.send(call))
            return true;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(paths.first()).absolutePath()));
}

void FileBrowser::setOverrideForTesting(std::function<void(const QStringList &)> receiver)
{
    receiverForTesting() = std::move(receiver);
}

} // namespace vidarium
