#include "platform/desktopintegration.h"

#include "testsupport.h"

#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

using namespace vidarium;

namespace {

// A private message bus with a monitor printing everything sent on it.
class PrivateBus
{
public:
    PrivateBus()
    {
        m_daemon.start(QStringLiteral("dbus-daemon"),
            { QStringLiteral("--session"), QStringLiteral("--nofork"),
                QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1") });
        if (!m_daemon.waitForStarted(5000))
            return;
        QTest::qWaitFor([&] { return m_daemon.canReadLine(); });
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        if (m_address.isEmpty())
            return;
        m_monitor.setProcessChannelMode(QProcess::MergedChannels);
        m_monitor.start(QStringLiteral("dbus-monitor"), { QStringLiteral("--address"), m_address });
        m_monitor.waitForStarted(5000);
        // The monitor announces itself once it is listening.
        QTest::qWaitFor(
            [&] { return output().contains("NameLost") || output().contains("NameAcquired"); });
    }
    ~PrivateBus()
    {
        for (QProcess *process : { &m_monitor, &m_daemon }) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
    const QString &address() const { return m_address; }
    const QByteArray &output()
    {
        m_seen += m_monitor.readAll();
        return m_seen;
    }

private:
    QProcess m_daemon;
    QProcess m_monitor;
    QString m_address;
    QByteArray m_seen;
};

} // namespace

TEST(DesktopIntegration, DoesNothingWithoutABus)
{
    DesktopIntegration none(QStringLiteral("unix:path=/nonexistent/vidarium-bus"));
    EXPECT_FALSE(none.isConnected());
    none.setBadgeCount(3);
    none.deliverUserNotification(QStringLiteral("Import complete"), QStringLiteral("3 files"));
}

TEST(DesktopIntegration, SendsTheBadgeAndUserNotificationsOverTheBus)
{
    PrivateBus bus;
    ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
    DesktopIntegration integration(bus.address());
    ASSERT_TRUE(integration.isConnected());

    integration.setBadgeCount(3);
    integration.deliverUserNotification(
        QStringLiteral("Import complete"), QStringLiteral("All files were read."));
    integration.setBadgeCount(0);
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return bus.output().contains("All files were read.")
            && bus.output().count("member=Update") >= 2;
    })) << bus.output().constData();

    const QByteArray seen = bus.output();
    EXPECT_TRUE(seen.contains("interface=com.canonical.Unity.LauncherEntry"));
    EXPECT_TRUE(seen.contains("application://vidarium.desktop"));
    EXPECT_TRUE(seen.contains("\"count\"\n") || seen.contains("\"count\""));
    EXPECT_TRUE(seen.contains("int64 3"));
    EXPECT_TRUE(seen.contains("\"count-visible\""));
    EXPECT_TRUE(seen.contains("boolean false")); // the badge removed again
    EXPECT_TRUE(seen.contains("member=Notify"));
    EXPECT_TRUE(seen.contains("Import complete"));
    EXPECT_TRUE(seen.contains("sound-name"));
}
