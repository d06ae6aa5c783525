#include "guitestsupport.h"

#include "app/singleinstance.h"

#include <QDir>
#include <QProcess>

#include <gtest/gtest.h>

using namespace vidarium;
using namespace vidarium::test;

TEST(SingleInstance, ALaterStartHandsItsPathsToTheFirst)
{
    ScratchDir scratch;
    const QString name = scratch.filePath(QStringLiteral("instance.socket"));
    SingleInstance first(name);
    ASSERT_FALSE(first.forwardOrListen({}));
    ASSERT_TRUE(first.isListening());
    QStringList received;
    bool told = false;
    QObject::connect(&first, &SingleInstance::pathsReceived, [&](const QStringList &paths) {
        received = paths;
        told = true;
    });

    // The later start runs in a thread of its own here: its calls block.
    QStringList sent { QStringLiteral("Films.vidarium"), QStringLiteral("/a b/Trips.vidarium") };
    std::atomic<bool> forwarded = false;
    std::thread later([&] {
        SingleInstance second(name);
        forwarded = second.forwardOrListen(sent);
    });
    ASSERT_TRUE(waitUntil([&told] { return told; }));
    later.join();
    EXPECT_TRUE(forwarded);
    ASSERT_EQ(received.size(), 2);
    EXPECT_EQ(received.at(0), QDir::current().absoluteFilePath(QStringLiteral("Films.vidarium")));
    EXPECT_EQ(received.at(1), QStringLiteral("/a b/Trips.vidarium"));
}

TEST(SingleInstance, AStaleSocketDoesNotStopTheFirstStart)
{
    ScratchDir scratch;
    const QString name = scratch.filePath(QStringLiteral("stale.socket"));
    {
        QFile stale(name);
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    }
    SingleInstance first(name);
    EXPECT_FALSE(first.forwardOrListen({}));
    EXPECT_TRUE(first.isListening());
}
