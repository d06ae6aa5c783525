#include "platform/desktopintegration.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QUuid>
#include <QVariantMap>

namespace vidarium {

namespace {

const QString LauncherEntryInterface = QStringLiteral("com.canonical.Unity.LauncherEntry");
const QString NotificationsService = QStringLiteral("org.freedesktop.Notifications");
const QString NotificationsPath = QStringLiteral("/org/freedesktop/Notifications");

// Connecting to a bus that is not there can try to start one (autolaunch);
// without an address or the standard socket we do not try at all.
bool sessionBusLikelyPresent()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

} // namespace

struct DesktopIntegration::Bus
{
    explicit Bus(const QDBusConnection &c)
        : connection(c)
    {
    }
    QDBusConnection connection;
    QString privateName; // set when we opened a connection of our own
};

DesktopIntegration &DesktopIntegration::instance()
{
    static DesktopIntegration *integration = new DesktopIntegration;
    return *integration;
}

DesktopIntegration::DesktopIntegration(const QString &busAddress)
{
    if (busAddress.isEmpty()) {
        if (!sessionBusLikelyPresent())
            return;
        QDBusConnection session = QDBusConnection::sessionBus();
        if (session.isConnected())
            m_bus = std::make_unique<Bus>(session);
        return;
    }
    const QString name
        = QStringLiteral("vidarium-desktop-") + QUuid::createUuid().toString(QUuid::Id128);
    QDBusConnection connection = QDBusConnection::connectToBus(busAddress, name);
    if (!connection.isConnected()) {
        QDBusConnection::disconnectFromBus(name);
        return;
    }
    m_bus = std::make_unique<Bus>(connection);
    m_bus->privateName = name;
}

DesktopIntegration::~DesktopIntegration()
{
    if (m_bus && !m_bus->privateName.isEmpty()) {
        const QString name = m_bus->privateName;
        m_bus.reset();
        QDBusConnection::disconnectFromBus(name);
    }
}

bool DesktopIntegration::isConnected() const
{
    return m_bus && m_bus->connection.isConnected();
}

void DesktopIntegration::setBadgeCount(qint64 count)
{
    if (!isConnected())
        return;
    // Docks match the signal to a launcher by the application URI; the object
    // path only has to be ours.
    QDBusMessage signal
        = QDBusMessage::createSignal(QStringLiteral("/com/tallowmere/vidarium/LauncherEntry"),
            LauncherEntryInterface, QStringLiteral("Update"));
    QVariantMap properties;
    properties.insert(QStringLiteral("count"), qint64(count > 0 ? count : 0));
    properties.insert(QStringLiteral("count-visible"), count > 0);
    signal << QStringLiteral("application://%1").arg(QLatin1String(DesktopFileName)) << properties;
    m_bus->connection.send(signal);
}

void DesktopIntegration::deliverUserNotification(
    const QString &title, const QString &informativeText)
{
    if (!isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        NotificationsService, NotificationsPath, NotificationsService, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("sound-name"), QStringLiteral("message-new-instant"));
    hints.insert(QStringLiteral("desktop-entry"),
        QFileInfo(QLatin1String(DesktopFileName)).completeBaseName());
    QString applicationName = QCoreApplication::applicationName();
    if (applicationName.isEmpty())
        applicationName = QStringLiteral("Vidarium");
    call << applicationName << uint(0) << QString() << title << informativeText << QStringList()
         << hints << int(-1);
    // Sent without waiting for the reply: a notification server that hangs
    // must not hold us up.
    m_bus->connection.send(call);
}

} // namespace vidarium
