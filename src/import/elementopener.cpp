#include "elementopener.h"

#include "import/dispatchcontroller.h"
#include "model/medialibrary.h"
#include "platform/applicationlauncher.h"
#include "platform/bookmark.h"
#include "platform/notificationcenter.h"

#include <QDateTime>

namespace vidarium {

ElementOpener::OpenFile ElementOpener::desktopOpenFile()
{
    return [](const QString &path, const QString &application) {
        return application.isEmpty() ? ApplicationLauncher::openWithDefaultApplication(path)
                                     : ApplicationLauncher::openWithApplication(path, application);
    };
}

ElementOpener &ElementOpener::shared()
{
    // Lives until the process ends, like the dispatcher beside it.
    static ElementOpener *instance = new ElementOpener(desktopOpenFile());
    return *instance;
}

ElementOpener::ElementOpener(OpenFile openFile)
    : m_openFile(std::move(openFile))
{
}

std::optional<QString> ElementOpener::pathWithBookmarkData(const QByteArray &bookmark)
{
    if (bookmark.isEmpty())
        return std::nullopt;
    return Bookmark::resolvePath(bookmark);
}

bool ElementOpener::openElement(
    const std::shared_ptr<MediaElement> &element, const QString &applicationIdentifier)
{
    if (!element || !m_openFile)
        return false;
    const std::optional<QString> path = pathWithBookmarkData(element->bookmark());
    if (!path || !m_openFile(*path, applicationIdentifier).ok())
        return false;
    recordPlay(*element, this);
    return true;
}

void ElementOpener::recordPlay(MediaElement &element, const void *sender)
{
    element.setPlayCount(element.playCount() + 1);
    element.setLaunchedDate(PlistDate::fromDateTime(QDateTime::currentDateTimeUtc()));
    NotificationCenter::instance().post(DispatchNotification::SourceDidModifyElements, sender,
        { { LibraryNotification::LibraryIdentifierKey, element.owner() },
            { LibraryNotification::LibraryElementPropertiesKey,
                QStringList { QStringLiteral("playCount"), QStringLiteral("launchedDate") } } });
}

} // namespace vidarium
