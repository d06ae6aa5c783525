#include "import/elementopener.h"

#include "document/document.h"
#include "import/dispatchcontroller.h"
#include "model/medialibrary.h"
#include "platform/notificationcenter.h"
#include "testsupport.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace vidarium;

TEST(ElementOpener, CountsAPlayOnlyWhenTheLaunchSucceeded)
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
    bool launches = true;
    ElementOpener opener([&](const QString &path, const QString &application) -> Result<void> {
        opened.append(path + QLatin1Char('|') + application);
        if (!launches)
            return Error(Error::Code::Io, QStringLiteral("no handler"));
        return {};
    });
    QStringList changed;
    int posts = 0;
    const ObserverToken token = NotificationCenter::instance().addObserver(
        DispatchNotification::SourceDidModifyElements, [&](const Notification &notification) {
            ++posts;
            changed = notification.userInfo.value(LibraryNotification::LibraryElementPropertiesKey)
                          .toStringList();
        });
    EXPECT_TRUE(opener.openElement(elements[0], QStringLiteral("vlc.desktop")));
    EXPECT_EQ(opened, QStringList { elements[0]->path() + QStringLiteral("|vlc.desktop") });
    EXPECT_EQ(elements[0]->playCount(), 1);
    EXPECT_TRUE(elements[0]->launchedDate().has_value());
    EXPECT_EQ(
        changed, (QStringList { QStringLiteral("playCount"), QStringLiteral("launchedDate") }));

    // A launch that fails, and a file that cannot be found, count nothing.
    launches = false;
    EXPECT_FALSE(opener.openElement(elements[0]));
    launches = true;
    elements[0]->setBookmark(QByteArray("garbage"));
    EXPECT_FALSE(opener.openElement(elements[0]));
    NotificationCenter::instance().removeObserver(token);
    EXPECT_EQ(opened.size(), 2);
    EXPECT_EQ(elements[0]->playCount(), 1);
    EXPECT_EQ(posts, 1);
}
