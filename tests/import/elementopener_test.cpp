#include "import/elementopener.h"

#include "document/document.h"
#include "import/dispatchcontroller.h"
#include "model/medialibrary.h"
#include "platform/notificationcenter.h"
#include "testsupport.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace vidarium;

TEST(ElementOpener, CountsThePlayWhateverTheOutcome)
{
    test::ScratchDir scratch;
    const QString file = scratch.filePath(QStringLiteral("video.mp4"));
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::WriteOnly));
    written.write("x");
    written.close();
    Document document;
    const MediaElementList elements = document.library().queueElementsWithURLs({ file });
    ASSERT_EQ(elements.size(), 1);

    QStringList opened;
    ElementOpener opener([&opened](const QString &path, const QString &application) {
        opened.append(path + QLatin1Char('|') + application);
        return Result<void>();
    });
    QStringList changed;
    const ObserverToken token = NotificationCenter::instance().addObserver(
        DispatchNotification::SourceDidModifyElements, [&](const Notification &notification) {
            changed = notification.userInfo.value(LibraryNotification::LibraryElementPropertiesKey)
                          .toStringList();
        });
    opener.openElement(elements[0], QStringLiteral("vlc.desktop"));
    EXPECT_EQ(opened, QStringList { elements[0]->path() + QStringLiteral("|vlc.desktop") });
    elements[0]->setBookmark(QByteArray("garbage"));
    opener.openElement(elements[0]);
    NotificationCenter::instance().removeObserver(token);
    EXPECT_EQ(opened.size(), 1);
    EXPECT_EQ(elements[0]->playCount(), 2);
    EXPECT_TRUE(elements[0]->launchedDate().has_value());
    EXPECT_EQ(
        changed, (QStringList { QStringLiteral("playCount"), QStringLiteral("launchedDate") }));
}
