// The main of the window tests: a QApplication on the offscreen platform, with
// every place the program or Qt might write (settings, data, caches, the
// runtime folder) moved into a temporary folder, a fixed locale and time zone,
// animations and the version fetch off, and a test application handler for
// "Open With".

#include "import/elementopener.h"
#include "import/enginesetup.h"
#include "model/definitions.h"
#include "platform/userdefaults.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

void writeTestApplication(const QString &dataHome)
{
    QDir().mkpath(dataHome + QStringLiteral("/applications"));
    QFile desktop(dataHome + QStringLiteral("/applications/vidarium-test-player.desktop"));
    if (desktop.open(QIODevice::WriteOnly))
        desktop.write("[Desktop Entry]\nType=Application\nName=Test Player\n"
                      "Exec=true %f\nMimeType=video/mp4;video/x-matroska;\n");
    // The type-to-handler index desktops keep beside them (update-desktop-database).
    QFile cache(dataHome + QStringLiteral("/applications/mimeinfo.cache"));
    if (cache.open(QIODevice::WriteOnly))
        cache.write("[MIME Cache]\nvideo/mp4=vidarium-test-player.desktop;\n"
                    "video/x-matroska=vidarium-test-player.desktop;\n");
}

// The offscreen platform's screen is 800 x 600 unless told otherwise; windows
// of 1280 x 800 need a larger one.
QByteArray offscreenPlatform(const QString &root)
{
    const QString config = root + QStringLiteral("/offscreen.json");
    QFile file(config);
    if (file.open(QIODevice::WriteOnly))
        file.write("{ \"screens\": [ { \"name\": \"screen\", \"x\": 0, \"y\": 0, "
                   "\"width\": 1920, \"height\": 1200, \"logicalDpi\": 96, "
                   "\"logicalBaseDpi\": 96, \"dpr\": 1 } ] }");
    return "offscreen:configfile=" + QFile::encodeName(config);
}

} // namespace

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    const QString root = home.path();
    for (const char *name : { "config", "data", "cache", "runtime" })
        QDir().mkpath(root + QLatin1Char('/') + QLatin1String(name));
    QFile::setPermissions(root + QStringLiteral("/runtime"),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + QStringLiteral("/config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(root + QStringLiteral("/data")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(root + QStringLiteral("/cache")));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root + QStringLiteral("/runtime")));
    qputenv("VIDARIUM_VERSION_URL", "");
    qputenv("VIDARIUM_NO_ANIMATIONS", "1");
    qputenv("TZ", "UTC");
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty() || platform == "offscreen")
        qputenv("QT_QPA_PLATFORM", offscreenPlatform(root));
    // No session bus: the badge and notices stay off, as on a server.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + QFile::encodeName(root) + "/no-bus");
    writeTestApplication(root + QStringLiteral("/data"));

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("VidariumTests"));
    QApplication::setApplicationName(QStringLiteral("VidariumGuiTests"));
    QApplication::setQuitOnLastWindowClosed(false);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));

    auto defaults = std::make_unique<vidarium::UserDefaults>(
        root + QStringLiteral("/config/VidariumGuiTests.conf"));
    vidarium::UserDefaults::setStandardForTesting(defaults.get());
    // As the program does at start: older libraries and exports can be read.
    vidarium::EngineSetup::registerComponents();
    // Elements a test opens are counted, never handed to the desktop.
    vidarium::ElementOpener::shared().setOpenFile(
        [](const QString &, const QString &) { return vidarium::Result<void>(); });
    const int result = RUN_ALL_TESTS();
    vidarium::UserDefaults::setStandardForTesting(nullptr);
    return result;
}
