#pragma once

// The application-wide settings the catalogue reads: seeding them on first start
// from the definitions' "ApplicationDefaults", the accepted video file
// extensions, diagnostic messages that go to the system log only when the user
// asked for them, and the version text of the about and welcome windows.
// Threads: as UserDefaults (any thread).

#include "platform/plist/plistvalue.h"

#include <QString>
#include <QStringList>

namespace vidarium {

class UserDefaults;

class ApplicationSettings
{
public:
    // createDefaults: stores every entry of `applicationDefaults` whose key the
    // user's settings do not hold yet, leaves the others alone, and writes the
    // settings to disk. Returns the keys it stored. The values are the user's
    // own from then on: a later table reaches only keys that are new.
    static QStringList createDefaults(
        UserDefaults &defaults, const PlistDictionary &applicationDefaults);
    // The same from the shared definition tables, into the standard settings.
    static QStringList createDefaults();

    // The "Extension" of each "AllowableVideoFormats" entry that is a string, in
    // stored order.
    static QStringList validExtensions(const UserDefaults &defaults);
    static QStringList validExtensions();

    // A diagnostic line for the system log, written only while "LogConsoleMessages"
    // is on: through Qt's logging (category "vidarium") and to syslog, which the
    // journal collects.
    static void logConsoleMessage(const QString &message);
    static void logConsoleMessage(const UserDefaults &defaults, const QString &message);

    // "Version " short " (" bundle version in upper-case hexadecimal ")": the bundle
    // version is read as a signed 32-bit integer from its leading digits (0 when
    // none) and shown as unsigned. 3.5 and 1234 give "Version 3.5 (4D2)".
    static QString versionString(const QString &shortVersion, const QString &bundleVersion);
    // This program's version text.
    static QString versionString();
};

} // namespace vidarium
