#include "import/dispatchstatus.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace vidarium;

namespace {

DispatchStatus::Entry entry(const char *identifier, int assets)
{
    return { QString::fromLatin1(identifier), assets };
}

} // namespace

TEST(DispatchStatus, StatusTextsAreExact)
{
    DispatchStatus status;
    EXPECT_EQ(status.statusMessage(), QStringLiteral("Idle"));

    status.incrementWithElements({ entry("A", 0) }, false);
    EXPECT_EQ(status.statusMessage(), QStringLiteral("Importing 1 Property"));
    status.incrementWithElements({ entry("B", 1) }, true);
    EXPECT_EQ(status.statusMessage(),
        QStringLiteral("Importing 1 Property, 1 Thumbnail, 1 Storyboard, 1 Filmstrip"));
    status.incrementWithElements({ entry("C", 0), entry("D", 0) }, false);
    EXPECT_EQ(status.statusMessage(),
        QStringLiteral("Importing 3 Properties, 1 Thumbnail, 1 Storyboard, 1 Filmstrip"));
    EXPECT_EQ(status.queueCount(), 6);

    DispatchStatus storyboards;
    storyboards.incrementWithElements({ entry("A", 1), entry("B", 3) }, ImageTypeStoryboard);
    EXPECT_EQ(storyboards.statusMessage(), QStringLiteral("Importing 2 Storyboards"));
}

TEST(DispatchStatus, ImageRequestIsCountedOnceAndOnlyWhenMissing)
{
    DispatchStatus status;
    const auto first = status.incrementWithElements(
        { entry("A", 1), entry("B", 3), entry("C", 1) }, ImageTypeThumbnail);
    EXPECT_EQ(first, (QList<qsizetype> { 0, 2 }));
    // Asked again before the first result came back: nothing more goes out.
    EXPECT_TRUE(status.incrementWithElements({ entry("A", 1) }, ImageTypeThumbnail).isEmpty());
    EXPECT_EQ(status.queueCount(), 2);
    EXPECT_TRUE(status.incrementWithElements({ entry("A", 1) }, ImageTypeAll).isEmpty());
    EXPECT_TRUE(status.incrementWithElements({ entry("A", 1) }, ImageTypeProperties).isEmpty());
}

TEST(DispatchStatus, DeferredImagesFollowTheProperties)
{
    DispatchStatus status;
    status.incrementWithElements({ entry("A", 0), entry("B", 0) }, false);
    EXPECT_TRUE(status.incrementWithElements({ entry("A", 0) }, ImageTypeFilmstrip).isEmpty());
    EXPECT_TRUE(status.incrementWithElements({ entry("A", 0), entry("B", 0) }, ImageTypeThumbnail)
                    .isEmpty());
    EXPECT_EQ(status.queueCount(), 2); // deferred requests are not counted

    EXPECT_EQ(status.decrementWithElement(QStringLiteral("A"), ImageTypeProperties),
        (QList<ImageType> { ImageTypeThumbnail, ImageTypeFilmstrip }));
    EXPECT_TRUE(status.deferredFilmstrips().isEmpty());

    // A failed read drops what was deferred behind it.
    EXPECT_TRUE(status.decrementWithElement(QStringLiteral("B"), ImageTypeAll).isEmpty());
    EXPECT_TRUE(status.deferredThumbnails().isEmpty());
    EXPECT_EQ(status.statusMessage(), QStringLiteral("Idle"));
}

TEST(DispatchStatus, RefreshTimerRunsWhilePropertiesArePending)
{
    int beats = 0;
    DispatchStatus status([&beats] { ++beats; });
    status.incrementWithElements({ entry("A", 1) }, true);
    EXPECT_FALSE(status.isDispatchTimerPending()); // images alone need no refresh
    status.incrementWithElements({ entry("B", 0) }, false);
    EXPECT_TRUE(status.isDispatchTimerPending());

    QTest::qWaitFor([&beats] { return beats >= 1; }, 6000);
    EXPECT_EQ(beats, 1);
    EXPECT_TRUE(status.isDispatchTimerPending()); // re-armed after each beat
    status.stopDispatchTimer();
    EXPECT_FALSE(status.isDispatchTimerPending());
}
