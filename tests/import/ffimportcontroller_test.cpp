#include "import/ff/ffimportcontroller.h"

#include "document/document.h"
#include "faketools.h"
#include "import/dispatchcontroller.h"
#include "import/externaltools.h"
#include "model/documentdefaults.h"
#include "model/medialibrary.h"
#include "platform/operationqueue.h"
#include "platform/userdefaults.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

using namespace vidarium;
using namespace std::chrono_literals;

namespace {

class FFImportControllerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        defaults = std::make_unique<UserDefaults>(scratch.filePath(QStringLiteral("settings.ini")));
        defaults->setBool(QStringLiteral("ImportImagesImmediately"), true);
        defaults->setInteger(QStringLiteral("FFImporterMaximumOperations"), 2);
        dispatcher
            = std::make_unique<DispatchController>(*defaults, DispatchController::Desktop {});
        auto tool = std::make_unique<FFImportController>(*dispatcher, *defaults);
        ffTool = tool.get();
        dispatcher->setTools(nullptr, std::move(tool));
        dispatcher->updateMaximumOperations();
        document = std::make_unique<Document>();
        PlistDictionary metrics = document->defaults().imageMetrics();
        metrics.insert(QStringLiteral("StoryboardRows"), PlistValue(3));
        metrics.insert(QStringLiteral("StoryboardColumns"), PlistValue(4));
        metrics.insert(QStringLiteral("StoryboardSize"), PlistValue(0));
        metrics.insert(QStringLiteral("StoryboardAspect"), PlistValue(false));
        metrics.insert(QStringLiteral("StoryboardRetina"), PlistValue(false));
        metrics.insert(QStringLiteral("FilmstripFrames"), PlistValue(5));
        metrics.insert(QStringLiteral("FilmstripSize"), PlistValue(0));
        metrics.insert(QStringLiteral("ThumbnailPosition"), PlistValue(0.25));
        document->defaults().setImageMetrics(metrics);
    }

    void TearDown() override
    {
        document.reset();
        dispatcher.reset();
    }

    void choosePrograms(const QString &ffprobe, const QString &ffmpeg)
    {
        if (!ffprobe.isEmpty())
            ASSERT_TRUE(
                ExternalTools::choose(*defaults, ExternalTools::Program::FFprobe, ffprobe).ok());
        if (!ffmpeg.isEmpty())
            ASSERT_TRUE(
                ExternalTools::choose(*defaults, ExternalTools::Program::FFmpeg, ffmpeg).ok());
    }

    void chooseRealPrograms()
    {
        choosePrograms(QStandardPaths::findExecutable(QStringLiteral("ffprobe")),
            QStandardPaths::findExecutable(QStringLiteral("ffmpeg")));
    }

    QString video(const QString &name, double seconds = 2.0)
    {
        const QString path = scratch.filePath(name);
        test::GeneratedVideo recipe;
        recipe.width = 160;
        recipe.height = 120;
        recipe.seconds = seconds;
        recipe.audioCodec = QStringLiteral("aac");
        QString error;
        EXPECT_TRUE(test::generateVideo(path, recipe, &error)) << error.toStdString();
        return path;
    }

    QString textFile(const QString &name)
    {
        const QString path = scratch.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("this is not a video\n");
        return path;
    }

    // Dispatches the files to the external-program tool and waits for the end.
    MediaElementList importFiles(const QStringList &paths, int timeoutMs = 60000)
    {
        const MediaElementList elements = document->library().queueElementsWithURLs(paths);
        dispatcher->dispatchDocument(*document, elements, QString(FFImporterIdentifier));
        waitForIdle(timeoutMs);
        return elements;
    }

    void waitForIdle(int timeoutMs)
    {
        QTest::qWaitFor(
            [&] { return dispatcher->dispatchStatus(document->identifier()) == nullptr; },
            timeoutMs);
        EXPECT_EQ(dispatcher->statusMessageForDocument(document.get()), QStringLiteral("Idle"));
    }

    QSize imageSize(const QByteArray &data) { return QImage::fromData(data, "JPEG").size(); }

    test::ScratchDir scratch;
    std::unique_ptr<UserDefaults> defaults;
    std::unique_ptr<DispatchController> dispatcher;
    FFImportController *ffTool = nullptr; // owned by the dispatcher
    std::unique_ptr<Document> document;
};

} // namespace

TEST_F(FFImportControllerTest, ImportsReadableFilesWithEveryImageAndFilesTheRestAsUnreadable)
{
    chooseRealPrograms();
    const QString good = video(QStringLiteral("good.mp4"));
    const QString other = video(QStringLiteral("other.mov"));
    const QString bad = textFile(QStringLiteral("bad.mp4"));
    const MediaElementList elements = importFiles({ good, other, bad });
    ASSERT_EQ(elements.size(), 3);

    MediaLibrary &library = document->library();
    for (const MediaElementPtr &element : elements) {
        SCOPED_TRACE(element->path().toStdString());
        if (element->path() == bad) {
            EXPECT_TRUE(element->error());
            EXPECT_TRUE(library.error().contains(element->identifier()));
            continue;
        }
        EXPECT_FALSE(element->error());
        EXPECT_EQ(element->assets(), int(AssetsComplete));
        EXPECT_EQ(element->tool(), QString(FFImporterIdentifier));
        EXPECT_EQ(element->pixelsWide(), 160);
        EXPECT_EQ(element->pixelsHigh(), 120);
        EXPECT_NEAR(element->duration(), 2.0, 0.1);
        EXPECT_NEAR(element->frameRate(), 25.0, 0.01);
        EXPECT_TRUE(element->videoCodec().startsWith(QLatin1String("H.264")));
        EXPECT_TRUE(element->audioCodec().startsWith(QLatin1String("AAC")));
        EXPECT_EQ(element->size(), QFileInfo(element->path()).size());
        EXPECT_EQ(imageSize(library.imageStore()
                                .pendingImages(ElementImage::Thumbnail)
                                .value(element->identifier())),
            QSize(160, 120));
        EXPECT_EQ(imageSize(library.imageStore()
                                .pendingImages(ElementImage::Storyboard)
                                .value(element->identifier())),
            QSize(393, 170));
        EXPECT_EQ(imageSize(library.imageStore()
                                .pendingImages(ElementImage::Filmstrip)
                                .value(element->identifier())),
            QSize(488, 58));
        const PlistDictionary recorded = element->imageMetrics();
        EXPECT_EQ(recorded.value(QStringLiteral("StoryboardRows")).toInteger(), 3);
        EXPECT_EQ(recorded.value(QStringLiteral("FilmstripFrames")).toInteger(), 5);
        EXPECT_DOUBLE_EQ(recorded.value(QStringLiteral("ThumbnailPosition")).toDouble(), 0.25);
    }
}

TEST_F(FFImportControllerTest, HangingOrCrashingChildrenDoNotStopTheImport)
{
    choosePrograms(
        test::fakeTool(scratch.path(), QStringLiteral("ffprobe"), QStringLiteral("pass")),
        test::fakeTool(scratch.path(), QStringLiteral("ffmpeg"), QStringLiteral("pass")));
    // Long enough for a real run on a busy machine, short enough for a test.
    ffTool->setLimits({ 10s, 30s });
    const QString good = video(QStringLiteral("good.mp4"));
    const QString hanging = video(QStringLiteral("HANG.mp4"));
    const QString crashing = video(QStringLiteral("CRASH.mp4"));
    const MediaElementList elements = importFiles({ good, hanging, crashing });
    ASSERT_EQ(elements.size(), 3);
    for (const MediaElementPtr &element : elements) {
        SCOPED_TRACE(element->path().toStdString());
        const bool broken = element->path() != good;
        EXPECT_EQ(element->error(), broken);
        EXPECT_EQ(document->library().error().contains(element->identifier()), broken);
        EXPECT_EQ(element->assets(), broken ? 0 : int(AssetsComplete));
    }
}

TEST_F(FFImportControllerTest, FailedImageStepsMoveOnInsteadOfRepeating)
{
    choosePrograms(QStandardPaths::findExecutable(QStringLiteral("ffprobe")),
        test::fakeTool(scratch.path(), QStringLiteral("ffmpeg"), QStringLiteral("garbage")));
    const MediaElementList elements = importFiles({ video(QStringLiteral("good.mp4")) });
    ASSERT_EQ(elements.size(), 1);
    EXPECT_EQ(elements[0]->assets(), int(AssetProperties));
    EXPECT_FALSE(elements[0]->error());
    EXPECT_EQ(ffTool->operationCount(), 0);
    EXPECT_TRUE(document->library().imageStore().pendingImages(ElementImage::Thumbnail).isEmpty());
}

TEST_F(FFImportControllerTest, OnlyOneProgramFoundReleasesEveryElementAsIfRead)
{
    const QStringList files { video(QStringLiteral("a.mp4")), textFile(QStringLiteral("b.mp4")) };
    choosePrograms(QStandardPaths::findExecutable(QStringLiteral("ffprobe")), QString());
    // Neither chosen nor on the PATH.
    const test::ScopedSearchPath noFFmpeg(scratch.filePath(QStringLiteral("empty")));
    const MediaElementList elements = importFiles(files, 5000);
    ASSERT_EQ(elements.size(), 2);
    for (const MediaElementPtr &element : elements) {
        EXPECT_EQ(element->assets(), int(AssetProperties));
        EXPECT_FALSE(element->error());
        EXPECT_EQ(element->pixelsWide(), 0); // nothing was read
    }

    // An image asked for later is released with its own type, so the library
    // does not stay busy for ever.
    dispatcher->dispatchDocument(*document, { elements[0] }, ImageTypeStoryboard);
    waitForIdle(5000);
}

TEST_F(FFImportControllerTest, ImagesAskedForLaterAreMadeOneByOne)
{
    defaults->setBool(QStringLiteral("ImportImagesImmediately"), false);
    chooseRealPrograms();
    const MediaElementList elements = importFiles({ video(QStringLiteral("a.mp4")) });
    ASSERT_EQ(elements.size(), 1);
    EXPECT_EQ(elements[0]->assets(), int(AssetProperties)); // the chain stops after the properties

    dispatcher->dispatchDocument(*document, elements, ImageTypeFilmstrip);
    waitForIdle(30000);
    EXPECT_EQ(elements[0]->assets(), AssetProperties | AssetFilmstrip);
}

TEST_F(FFImportControllerTest, CancellingALibraryReportsNothingMore)
{
    choosePrograms(
        test::fakeTool(scratch.path(), QStringLiteral("ffprobe"), QStringLiteral("hang")),
        QStandardPaths::findExecutable(QStringLiteral("ffmpeg")));
    const MediaElementList elements = document->library().queueElementsWithURLs(
        { textFile(QStringLiteral("a.mp4")), textFile(QStringLiteral("b.mp4")) });
    dispatcher->dispatchDocument(*document, elements, QString(FFImporterIdentifier));
    QTest::qWait(300);
    dispatcher->cancelDocument(*document);
    QTest::qWaitFor([&] { return ffTool->operationCount() == 0; }, 5000);
    EXPECT_EQ(ffTool->operationCount(), 0); // the hung children were killed
    QCoreApplication::processEvents();
    for (const MediaElementPtr &element : elements) {
        EXPECT_FALSE(element->error());
        EXPECT_EQ(element->assets(), 0);
    }
    EXPECT_EQ(dispatcher->dispatchStatus(document->identifier()), nullptr);
}

TEST(FFImportOperation, ThumbnailAtAQuarterOfTwoMinutesSeeksToThirty)
{
    test::ScratchDir scratch;
    FFImportOperation::Job job;
    job.ffmpeg = test::fakeTool(scratch.path(), QStringLiteral("ffmpeg"), QStringLiteral("echo"));
    job.path = QStringLiteral("/videos/long.mp4");
    job.duration = 120.0f;
    job.pixelsWide = 640;
    job.pixelsHigh = 360;
    job.metrics.insert(QStringLiteral("ThumbnailPosition"), PlistValue(0.25));
    const QByteArray echoed = FFImportOperation::thumbnail(job, CancellationToken());
    EXPECT_TRUE(echoed.contains("\n-ss\n30\n-i\n/videos/long.mp4\n-s\n640x360\n"))
        << echoed.toStdString();
}
