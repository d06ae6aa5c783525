#include "guitestsupport.h"

#include "document/document.h"
#include "import/dispatchcontroller.h"
#include "model/medialibrary.h"
#include "model/settingkeys.h"
#include "platform/notificationcenter.h"
#include "platform/userdefaults.h"
#include "widgets/movieplayer.h"
#include "widgets/movieplayerview.h"
#include "widgets/splitview.h"
#include "widgets/storyboardview.h"
#include "widgets/videoframeview.h"
#include "window/documentwindow.h"
#include "window/documentwindowcontroller.h"
#include "window/itemsviewcontroller.h"
#include "window/storyboardviewcontroller.h"

#include <QApplication>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace vidarium;
using namespace vidarium::test;

namespace {

// Tiny clips keep the suite fast: a fraction of a second at 160 x 120.
QString makeClip(const QString &path, const QString &videoCodec, const QString &audioCodec,
    double seconds = 0.6, const QString &extra = {})
{
    GeneratedVideo recipe;
    recipe.width = 160;
    recipe.height = 120;
    recipe.seconds = seconds;
    recipe.videoCodec = videoCodec;
    recipe.audioCodec = audioCodec;
    recipe.extraArguments = extra;
    QString error;
    EXPECT_TRUE(generateVideo(path, recipe, &error)) << error.toStdString();
    return path;
}

#define SKIP_WITHOUT_PLAYBACK()                                                                    \
    if (!MoviePlayer::isAvailable())                                                               \
    GTEST_SKIP() << "Qt Multimedia has no decoding back-end here (qt6-multimedia-dev missing)"

TEST(MoviePlayer, PlaysEveryCodecTheImporterReads)
{
    SKIP_WITHOUT_PLAYBACK();
    ScratchDir scratch;
    struct Clip
    {
        const char *name;
        const char *video;
        const char *audio;
        const char *extra;
    };
    const Clip clips[] = {
        { "h264 aac.mp4", "libx264", "aac", "" },
        { "hevc opus.mkv", "libx265", "libopus", "-preset ultrafast -x265-params log-level=none" },
        { "vp9 opus.webm", "libvpx-vp9", "libopus", "-deadline realtime -cpu-used 8" },
        { "av1 mp3.mkv", "libaom-av1", "libmp3lame", "-cpu-used 8 -row-mt 1" },
        { "mpeg2 ac3.mpg", "mpeg2video", "ac3", "" },
        { "mpeg4 mp3.avi", "mpeg4", "libmp3lame", "" },
        { "mjpeg pcm.mov", "mjpeg", "pcm_s16le", "" },
        { "prores pcm.mov", "prores_ks", "pcm_s16le", "" },
        // Names a URL would misread.
        { "50% #1 of 2.mp4", "libx264", "", "" },
    };
    for (const Clip &clip : clips) {
        SCOPED_TRACE(clip.name);
        const QString path = makeClip(scratch.filePath(QString::fromUtf8(clip.name)),
            QString::fromUtf8(clip.video), QString::fromUtf8(clip.audio), 0.6,
            QString::fromUtf8(clip.extra));
        MoviePlayer player;
        int started = 0;
        QObject::connect(&player, &MoviePlayer::started, [&] { ++started; });
        player.playFile(path);
        EXPECT_TRUE(waitUntil([&] { return player.framesShown() >= 3; }, 15000))
            << player.errorString().toStdString();
        EXPECT_EQ(player.currentFrame().size(), QSize(160, 120));
        EXPECT_EQ(started, 1);
        EXPECT_TRUE(player.errorString().isEmpty()) << player.errorString().toStdString();
    }
}

TEST(MoviePlayer, SaysWhyAFileCannotBePlayed)
{
    SKIP_WITHOUT_PLAYBACK();
    ScratchDir scratch;
    const QString text = writeFile(scratch.filePath(QStringLiteral("notes.mp4")), "not a movie");
    for (const QString &path : { scratch.filePath(QStringLiteral("gone.mp4")), text }) {
        SCOPED_TRACE(path.toStdString());
        MoviePlayer player;
        int started = 0;
        QObject::connect(&player, &MoviePlayer::started, [&] { ++started; });
        player.playFile(path);
        EXPECT_TRUE(waitUntil([&] { return !player.errorString().isEmpty(); }, 10000));
        processEvents();
        EXPECT_EQ(started, 0);
        EXPECT_FALSE(player.isPlaying());
    }
}

TEST(MoviePlayerView, ControlsDriveThePlayerAndFullScreenComesBack)
{
    SKIP_WITHOUT_PLAYBACK();
    ScratchDir scratch;
    const QString path = makeClip(scratch.filePath(QStringLiteral("clip.mkv")),
        QStringLiteral("libx264"), QStringLiteral("aac"), 1.0);
    MoviePlayerView view;
    view.resize(480, 320);
    view.show();
    MoviePlayer player;
    view.setPlayer(&player);
    player.playFile(path);
    ASSERT_TRUE(waitUntil([&] { return player.isPlaying() && player.framesShown() > 0; }));
    // Without a sound device the video plays silently; the volume is kept for later.
    if (!player.hasAudioOutput())
        EXPECT_FALSE(view.volumeSlider()->isEnabled());
    view.volumeSlider()->setValue(40);
    EXPECT_FLOAT_EQ(player.volume(), 0.4f);
    view.playButton()->click();
    EXPECT_TRUE(waitUntil([&] { return !player.isPlaying(); }));
    view.fullScreenButton()->click();
    EXPECT_TRUE(view.isFullScreen());
    processEvents();
    QWidget *stage = view.frameView()->parentWidget();
    EXPECT_TRUE(stage->isWindow());
    QTest::keyClick(stage, Qt::Key_Escape);
    EXPECT_FALSE(view.isFullScreen());
    EXPECT_EQ(stage->parentWidget(), &view);
    view.setPlayer(nullptr);
    EXPECT_FALSE(view.playButton()->isEnabled());
}

class PlaybackTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetTestDefaults();
        testDefaults().setBool(SettingKey::ResizePlayerView, false);
        dispatcher = makeTestDispatcher();
        document = std::make_unique<Document>();
        elements = addElements(*document, 3);
        window = std::make_unique<DocumentWindowController>(*document, *dispatcher);
        window->window()->show();
        pane = window->storyboardViewController();
        select({});
        token = NotificationCenter::instance().addObserver(
            DispatchNotification::SourceDidModifyElements, [this](const Notification &note) {
                if (note.object == pane)
                    posted.append(
                        note.userInfo.value(LibraryNotification::LibraryElementPropertiesKey)
                            .toStringList());
            });
    }
    void TearDown() override
    {
        NotificationCenter::instance().removeObserver(token);
        window.reset();
        document.reset();
        processEvents();
    }
    void select(const MediaElementList &selection)
    {
        window->itemsViewController()->setSelectedElements(selection);
        processEvents();
    }
    // Points the element at a real clip of the given length.
    void giveClip(const MediaElementPtr &element, double seconds = 2.0)
    {
        const QString path = makeClip(
            scratch.filePath(QStringLiteral("clip %1.mp4").arg(element->identifier().left(6))),
            QStringLiteral("libx264"), QStringLiteral("aac"), seconds);
        element->setPath(path);
        element->setPixelsWide(160);
        element->setPixelsHigh(120);
    }
    // Waits out the start delay and a little more.
    void waitPastStart() { QTest::qWait(StoryboardViewController::StartDelayMs + 300); }

    std::unique_ptr<DispatchController> dispatcher;
    std::unique_ptr<Document> document;
    MediaElementList elements;
    std::unique_ptr<DocumentWindowController> window;
    StoryboardViewController *pane = nullptr;
    QList<QStringList> posted;
    ObserverToken token;
    ScratchDir scratch;
};

TEST_F(PlaybackTest, PlayingSwitchesToThePlayerAndCountsOnePlayOnceItRuns)
{
    SKIP_WITHOUT_PLAYBACK();
    giveClip(elements[0]);
    select({ elements[0] });
    QLineEdit *search = window->itemsViewController()->searchField();
    search->setFocus();
    processEvents();
    window->perform(QStringLiteral("playMovie:"));
    EXPECT_TRUE(pane->isStartPending());
    EXPECT_FALSE(pane->playerViewEnabled());
    ASSERT_TRUE(waitUntil([&] { return elements[0]->playCount() == 1; }, 15000));
    EXPECT_TRUE(pane->playerViewEnabled());
    EXPECT_TRUE(window->validateAction(QStringLiteral("stopMovie:")));
    EXPECT_TRUE(elements[0]->launchedDate().has_value());
    ASSERT_EQ(posted.size(), 1);
    EXPECT_EQ(posted.first(),
        (QStringList { QStringLiteral("playCount"), QStringLiteral("launchedDate") }));
    EXPECT_TRUE(waitUntil([&] { return !pane->playerView()->frameView()->frame().isNull(); }));

    // Play again pauses and resumes; it never counts another play.
    window->perform(QStringLiteral("playMovie:"));
    EXPECT_TRUE(waitUntil([&] { return !pane->player()->isPlaying(); }));
    window->perform(QStringLiteral("playMovie:"));
    EXPECT_TRUE(waitUntil([&] { return pane->player()->isPlaying(); }));
    EXPECT_EQ(elements[0]->playCount(), 1);

    // Stop goes back to the storyboard and gives the focus back.
    window->perform(QStringLiteral("stopMovie:"));
    EXPECT_FALSE(pane->playerViewEnabled());
    EXPECT_EQ(pane->player(), nullptr);
    EXPECT_EQ(QApplication::focusWidget(), search);
}

TEST_F(PlaybackTest, TheDelayedStartIsDroppedBySelectionStopAndClosing)
{
    SKIP_WITHOUT_PLAYBACK();
    giveClip(elements[0], 0.6);
    giveClip(elements[1], 0.6);
    select({ elements[0] });
    window->perform(QStringLiteral("playMovie:"));
    select({ elements[1] });
    EXPECT_FALSE(pane->isStartPending());
    waitPastStart();
    EXPECT_FALSE(pane->playerViewEnabled());

    pane->playMovie();
    EXPECT_TRUE(window->validateAction(QStringLiteral("stopMovie:")));
    window->perform(QStringLiteral("stopMovie:"));
    EXPECT_FALSE(window->validateAction(QStringLiteral("stopMovie:")));
    waitPastStart();
    EXPECT_FALSE(pane->playerViewEnabled());

    // Two elements: the wireframe, and a playing movie stops.
    pane->playMovie();
    ASSERT_TRUE(waitUntil([&] { return elements[1]->playCount() == 1; }, 15000));
    select({ elements[0], elements[1] });
    EXPECT_FALSE(pane->playerViewEnabled());
    EXPECT_EQ(pane->storyboardView()->image().size(), pane->storyboardWireframe().size());

    select({ elements[0] });
    pane->playMovie();
    window->cleanup();
    window.reset();
    waitPastStart();
    EXPECT_EQ(elements[0]->playCount(), 0);
    EXPECT_EQ(elements[1]->playCount(), 1);
}

TEST_F(PlaybackTest, AFileThatCannotBePlayedSaysSoAndCountsNothing)
{
    SKIP_WITHOUT_PLAYBACK();
    elements[0]->setPath(scratch.filePath(QStringLiteral("missing file.mp4")));
    select({ elements[0] });
    pane->playMovie();
    ASSERT_TRUE(waitUntil([&] { return pane->playerViewEnabled(); }));
    EXPECT_TRUE(waitUntil([&] { return !pane->playerView()->frameView()->message().isEmpty(); }));
    processEvents();
    EXPECT_EQ(elements[0]->playCount(), 0);
    EXPECT_FALSE(elements[0]->launchedDate().has_value());
    EXPECT_TRUE(posted.isEmpty());
}

TEST_F(PlaybackTest, TheDividerMovesOnlyWhenResizePlayerViewIsOn)
{
    SKIP_WITHOUT_PLAYBACK();
    SplitView *split = window->itemsSplitView();
    split->setDividerPosition(0, 150);
    processEvents();
    giveClip(elements[0], 0.6);
    select({ elements[0] });
    pane->playMovie();
    ASSERT_TRUE(waitUntil([&] { return pane->playerViewEnabled(); }));
    EXPECT_EQ(split->dividerPosition(0), 150);
    pane->stopMovie();
    EXPECT_EQ(split->dividerPosition(0), 150);

    // On: the pane takes the video's aspect over its width, within the limits;
    // back at the storyboard it fits the wireframe.
    testDefaults().setBool(SettingKey::ResizePlayerView, true);
    pane->playMovie();
    processEvents();
    const int width = pane->view()->width();
    const double wanted = std::min<double>(width * 120.0 / 160.0,
        split->height() - split->handleWidth() - split->paneLimits(1).minimum);
    EXPECT_NEAR(split->dividerPosition(0), wanted, 1.0);
    ASSERT_TRUE(waitUntil([&] { return pane->playerViewEnabled(); }));
    pane->stopMovie();
    processEvents();
    EXPECT_NEAR(split->dividerPosition(0),
        std::max(pane->storyboardWireframe().height() + 8, split->paneLimits(0).minimum), 1.0);

    // A movie of unknown size leaves the divider alone.
    const double before = split->dividerPosition(0);
    elements[0]->setPixelsWide(0);
    elements[0]->setPixelsHigh(0);
    pane->resizeForMovie();
    EXPECT_EQ(split->dividerPosition(0), before);
}

} // namespace
