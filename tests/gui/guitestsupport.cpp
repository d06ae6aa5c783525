#include "guitestsupport.h"

#include "document/document.h"
#include "model/applicationsettings.h"
#include "model/definitions.h"
#include "model/medialibrary.h"
#include "platform/userdefaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTest>

namespace vidarium::test {

UserDefaults &testDefaults()
{
    return UserDefaults::standard();
}

void resetTestDefaults(bool seed)
{
    UserDefaults &defaults = testDefaults();
    for (const QString &key : defaults.userKeys())
        defaults.removeObject(key);
    if (seed)
        ApplicationSettings::createDefaults(defaults, Definitions::shared().applicationDefaults());
    defaults.synchronize();
}

bool waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

void saveScreenshot(const QPixmap &picture, const QString &folder, const QString &name)
{
    const QString path = QStringLiteral(VIDARIUM_SCREENSHOT_DIR "/") + folder;
    QDir().mkpath(path);
    ASSERT_FALSE(picture.isNull()) << name.toStdString();
    ASSERT_TRUE(picture.save(path + QLatin1Char('/') + name + QStringLiteral(".png")))
        << name.toStdString();
}

void processEvents(int rounds)
{
    for (int i = 0; i < rounds; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

std::unique_ptr<DispatchController> makeTestDispatcher()
{
    DispatchController::Desktop desktop;
    desktop.setBadgeLabel = [](const QString &) {};
    desktop.deliverUserNotification = [](const QString &, const QString &) {};
    auto dispatcher = std::make_unique<DispatchController>(testDefaults(), desktop);
    dispatcher->setTools(std::make_unique<HoldingTool>(), std::make_unique<HoldingTool>());
    return dispatcher;
}

MediaElementList addElements(Document &document, int count, int firstIndex)
{
    MediaLibrary &library = document.library();
    ElementDictionary media = library.media();
    MediaElementList added;
    for (int i = firstIndex; i < firstIndex + count; ++i) {
        const QString path = QStringLiteral("/media/archive/Trips %1/Clip %2.mp4")
                                 .arg(2010 + i % 12)
                                 .arg(i, 4, 10, QLatin1Char('0'));
        MediaElementPtr element = MediaElement::create(&library, path);
        element->setAssets(15);
        element->setRating(i % 6);
        element->setDuration(30.0 + i);
        media.insert(element->identifier(), element);
        added.append(element);
    }
    library.setMedia(media);
    return added;
}

QString makePackage(const QString &folder, const QString &name, int count)
{
    Document document;
    addElements(document, count);
    const QString path = QDir(folder).filePath(name + QStringLiteral(".vidarium"));
    const Result<void> written = document.writeToPath(path);
    return written ? path : QString();
}

} // namespace vidarium::test
