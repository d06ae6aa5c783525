// Pictures of the storyboard pane for review, written to build/screenshots/views/
// by `make screenshots`.

#include "guitestsupport.h"

#include "document/document.h"
#include "import/imagesheet.h"
#include "model/documentdefaults.h"
#include "model/imagemetrics.h"
#include "model/medialibrary.h"
#include "model/settingkeys.h"
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

#include <QDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace vidarium;
using namespace vidarium::test;

namespace {

void save(QWidget *widget, const QString &name)
{
    const QString folder = QStringLiteral(VIDARIUM_SCREENSHOT_DIR "/views");
    QDir().mkpath(folder);
    processEvents(5);
    const QPixmap picture = widget->grab();
    ASSERT_FALSE(picture.isNull());
    ASSERT_TRUE(picture.save(folder + QLatin1Char('/') + name + QStringLiteral(".png")));
}

// A storyboard made as the importer makes one: 3 x 4 frames of a test clip.
QByteArray makeStoryboard(const ScratchDir &scratch)
{
    runFfmpeg({ QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
        QStringLiteral("testsrc2=size=320x180:rate=12:duration=1"), QStringLiteral("-vf"),
        QStringLiteral("scale=128:72"), scratch.filePath(QStringLiteral("frame%02d.png")) });
    ImageSheet sheet(ImageSheet::Kind::Storyboard, 3, 4, 128, 72, false);
    for (int i = 0; i < sheet.frameCount(); ++i)
        sheet.drawFrame(i,
            QImage(scratch.filePath(QStringLiteral("frame%1.png").arg(i + 1, 2, 10, QChar('0')))));
    return sheet.encode();
}

class StoryboardScreenshots : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetTestDefaults();
        testDefaults().setBool(SettingKey::ResizePlayerView, false);
        dispatcher = makeTestDispatcher();
        document = std::make_unique<Document>();
        document->defaults().setImageMetrics({ { ImageMetricKeys::StoryboardSize, 1 },
            { ImageMetricKeys::StoryboardRows, 3 }, { ImageMetricKeys::StoryboardColumns, 4 } });
        elements = addElements(*document, 4);
        window = std::make_unique<DocumentWindowController>(*document, *dispatcher);
        window->window()->resize(1280, 800);
        window->window()->show();
        window->itemsSplitView()->setDividerPosition(0, 300);
        pane = window->storyboardViewController();
        processEvents(5);
    }
    void TearDown() override
    {
        window.reset();
        document.reset();
        processEvents();
    }
    void select(const MediaElementList &selection)
    {
        window->itemsViewController()->setSelectedElements(selection);
        processEvents();
    }

    std::unique_ptr<DispatchController> dispatcher;
    std::unique_ptr<Document> document;
    MediaElementList elements;
    std::unique_ptr<DocumentWindowController> window;
    StoryboardViewController *pane = nullptr;
    ScratchDir scratch;
};

TEST_F(StoryboardScreenshots, WireframeAndStoryboard)
{
    select({ elements[0], elements[1] });
    save(pane->view(), QStringLiteral("storyboard-wireframe"));

    document->library().setStoryboardData(makeStoryboard(scratch), *elements[2]);
    select({ elements[2] });
    // The wireframe has the same size; a decoded storyboard is opaque.
    ASSERT_TRUE(waitUntil([&] {
        const QImage &shown = pane->storyboardView()->image();
        return !shown.isNull() && shown.pixelColor(10, 10).alpha() == 255;
    }));
    save(pane->view(), QStringLiteral("storyboard"));
}

TEST_F(StoryboardScreenshots, PlayerShowingAFrame)
{
    if (!MoviePlayer::isAvailable())
        GTEST_SKIP() << "Qt Multimedia has no decoding back-end here";
    GeneratedVideo recipe;
    recipe.width = 640;
    recipe.height = 360;
    recipe.seconds = 2;
    recipe.audioCodec = QStringLiteral("aac");
    const QString path = scratch.filePath(QStringLiteral("Beach Day.mp4"));
    QString error;
    ASSERT_TRUE(generateVideo(path, recipe, &error)) << error.toStdString();
    elements[3]->setPath(path);
    elements[3]->setPixelsWide(640);
    elements[3]->setPixelsHigh(360);
    select({ elements[3] });
    pane->playMovie();
    ASSERT_TRUE(waitUntil([&] { return elements[3]->playCount() == 1; }, 15000));
    QTest::qWait(700);
    pane->playMovie(); // pauses
    ASSERT_TRUE(waitUntil([&] { return !pane->player()->isPlaying(); }));
    save(pane->view(), QStringLiteral("player"));
}

} // namespace
