#pragma once

// The application's presence on the desktop: the count badge on its launcher
// icon (the launcher-entry protocol of docks and task bars) and user
// notifications (org.freedesktop.Notifications). Without a session bus, as in
// tests and on servers, every call quietly does nothing.
// Threads: main thread.

#include <QString>

#include <memory>

namespace vidarium {

class DesktopIntegration
{
public:
    // The desktop file the badge belongs to.
    static constexpr const char *DesktopFileName = "vidarium.desktop";

    // The integration over the user's session bus.
    static DesktopIntegration &instance();

    // An integration over the bus at `busAddress` (empty: the session bus, when
    // one is there).
    explicit DesktopIntegration(const QString &busAddress = {});
    ~DesktopIntegration();

    bool isConnected() const;

    // Shows `count` on the launcher icon; 0 or less removes the badge.
    void setBadgeCount(qint64 count);
    // A notification with a title, an informative text and the default sound.
    // Returns at once; the notification server's answer is not awaited.
    void deliverUserNotification(const QString &title, const QString &informativeText);

private:
    struct Bus;
    std::unique_ptr<Bus> m_bus;
};

} // namespace vidarium
