#include "applicationsettings.h"

#include "model/definitions.h"
#include "model/settingkeys.h"
#include "model/stringutilities.h"
#include "platform/userdefaults.h"

#include <QLoggingCategory>

#include <syslog.h>

namespace vidarium {

namespace {

Q_LOGGING_CATEGORY(lcConsole, "vidarium")

// The build number of this release; it only ever grows.
const QString BundleVersion = QStringLiteral("1");

} // namespace

QStringList ApplicationSettings::createDefaults(
    UserDefaults &defaults, const PlistDictionary &applicationDefaults)
{
    QStringList seeded;
    for (auto entry = applicationDefaults.begin(); entry != applicationDefaults.end(); ++entry) {
        if (defaults.hasUserValue(entry.key()))
            continue;
        defaults.setObject(entry.key(), entry.value());
        seeded.append(entry.key());
    }
    defaults.synchronize();
    return seeded;
}

QStringList ApplicationSettings::createDefaults()
{
    return createDefaults(UserDefaults::standard(), Definitions::shared().applicationDefaults());
}

QStringList ApplicationSettings::validExtensions(const UserDefaults &defaults)
{
    QStringList extensions;
    for (const PlistValue &format : defaults.arrayForKey(SettingKey::AllowableVideoFormats)) {
        const PlistValue extension = format.value(QStringLiteral("Extension"));
        if (extension.type() == PlistValue::Type::String)
            extensions.append(extension.toString());
    }
    return extensions;
}

QStringList ApplicationSettings::validExtensions()
{
    return validExtensions(UserDefaults::standard());
}

void ApplicationSettings::logConsoleMessage(const UserDefaults &defaults, const QString &message)
{
    if (!defaults.boolForKey(SettingKey::LogConsoleMessages))
        return;
    qCInfo(lcConsole).noquote() << message;
    // Qt as the distributions build it writes to stderr, not to the journal; the
    // system log socket reaches the journal wherever one runs.
    syslog(LOG_INFO, "%s", message.toUtf8().constData());
}

void ApplicationSettings::logConsoleMessage(const QString &message)
{
    logConsoleMessage(UserDefaults::standard(), message);
}

QString ApplicationSettings::versionString(
    const QString &shortVersion, const QString &bundleVersion)
{
    const quint32 build = quint32(leadingInteger(bundleVersion));
    return QStringLiteral("Version %1 (%2)")
        .arg(shortVersion, QString::number(build, 16).toUpper());
}

QString ApplicationSettings::versionString()
{
    return versionString(QStringLiteral(VIDARIUM_VERSION), BundleVersion);
}

} // namespace vidarium
