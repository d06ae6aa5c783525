#include "import/dispatchcontroller.h"

#include "document/document.h"
#include "faketools.h"
#include "import/externaltools.h"
#include "import/ff/ffimportcontroller.h"
#include "model/applicationsettings.h"
#include "model/definitions.h"
#include "model/documentdefaults.h"
#include "model/medialibrary.h"
#include "platform/bookmark.h"
#include "platform/userdefaults.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

using namespace vidarium;

namespace {

// Records what the dispatcher hands over; results are given back by the test.
class RecordingTool : public ImportTool
{
public:
    struct Call
    {
        QStringList identifiers;
        std::optional<ImageType> imageType;
    };

    void importElements(const ImportElements &elements, const DispatchOptions &options) override
    {
        calls.append({ identifiers(elements), std::nullopt });
        lastOptions = options;
    }
    void importElements(const ImportElements &elements, const DispatchOptions &options,
        ImageType imageType) override
    {
        calls.append({ identifiers(elements), imageType });
        lastOptions = options;
    }
    void cancelOperationsWithOwner(const QString &owner) override { cancelled.append(owner); }
    void updateMaximumOperations() override { ++updates; }

    static QStringList identifiers(const ImportElements &elements)
    {
        QStringList list;
        for (const auto &element : elements)
            list.append(element->identifier());
        return list;
    }

    QList<Call> calls;
    DispatchOptions lastOptions;
    QStringList cancelled;
    int updates = 0;
};

class DispatchControllerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        defaults = std::make_unique<UserDefaults>(scratch.filePath(QStringLiteral("settings.ini")));
        defaults->setBool(QStringLiteral("ImportImagesImmediately"), false);
        DispatchController::Desktop desktop;
        desktop.setBadgeLabel = [this](const QString &label) { badgeLabels.append(label); };
        desktop.deliverUserNotification
            = [this](const QString &title, const QString &) { notifications.append(title); };
        dispatcher = std::make_unique<DispatchController>(*defaults, desktop);
        auto fake = std::make_unique<RecordingTool>();
        tool = fake.get();
        dispatcher->setTools(
            std::move(fake), std::make_unique<FFImportController>(*dispatcher, *defaults));
        document = std::make_unique<Document>();
    }

    void TearDown() override
    {
        document.reset();
        dispatcher.reset();
    }

    MediaElementList makeElements(int count)
    {
        QStringList paths;
        for (int i = 0; i < count; ++i) {
            const QString path = scratch.filePath(QStringLiteral("video%1.mp4").arg(nextFile++));
            QFile file(path);
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("x");
            paths.append(path);
        }
        return document->library().queueElementsWithURLs(paths);
    }

    void receive(const MediaElementPtr &element, ImageType type, const QByteArray &data = {})
    {
        dispatcher->receiveImportedElement(element, data, type);
    }

    QString status() const { return dispatcher->statusMessageForDocument(document.get()); }

    void waitForBadge(const QString &label)
    {
        QTest::qWaitFor(
            [&] { return !badgeLabels.isEmpty() && badgeLabels.last() == label; }, 3000);
    }

    test::ScratchDir scratch;
    std::unique_ptr<UserDefaults> defaults;
    std::unique_ptr<DispatchController> dispatcher;
    std::unique_ptr<Document> document;
    RecordingTool *tool = nullptr;
    QStringList badgeLabels;
    QStringList notifications;
    int nextFile = 0;
};

} // namespace

TEST_F(DispatchControllerTest, PropertyDispatchCountsAndReleases)
{
    EXPECT_EQ(status(), QStringLiteral("Idle"));
    const MediaElementList elements = makeElements(3);
    dispatcher->dispatchDocument(*document, elements);
    EXPECT_EQ(status(), QStringLiteral("Importing 3 Properties"));
    ASSERT_EQ(tool->calls.size(), 1);
    EXPECT_EQ(tool->calls[0].identifiers.size(), 3);
    EXPECT_FALSE(tool->calls[0].imageType);
    EXPECT_EQ(tool->lastOptions.metrics, document->defaults().imageMetrics());

    elements[0]->setError(true);
    receive(elements[0], ImageTypeProperties);
    receive(elements[1], ImageTypeProperties);
    EXPECT_EQ(status(), QStringLiteral("Importing 1 Property"));
    receive(elements[2], ImageTypeProperties);
    EXPECT_EQ(status(), QStringLiteral("Idle"));
    EXPECT_EQ(dispatcher->dispatchStatus(document->identifier()), nullptr);
    EXPECT_TRUE(document->library().error().contains(elements[0]->identifier()));
    EXPECT_TRUE(elements[1]->containsAssets(AssetProperties));
    EXPECT_FALSE(elements[0]->containsAssets(AssetProperties));
    // Images are not made during import here, so the end is not announced.
    EXPECT_TRUE(notifications.isEmpty());
    EXPECT_TRUE(tool->cancelled.contains(document->identifier()));
}

TEST_F(DispatchControllerTest, ImagesDuringImportAreCountedAndTheEndAnnounced)
{
    defaults->setBool(QStringLiteral("ImportImagesImmediately"), true);
    const MediaElementList elements = makeElements(2);
    dispatcher->dispatchDocument(*document, elements);
    EXPECT_EQ(status(),
        QStringLiteral("Importing 2 Properties, 2 Thumbnails, 2 Storyboards, 2 Filmstrips"));
    for (const auto &element : elements) {
        receive(element, ImageTypeProperties);
        receive(element, ImageTypeThumbnail, QByteArray("jpeg"));
        receive(element, ImageTypeStoryboard, QByteArray()); // empty: nothing stored, step released
        receive(element, ImageTypeFilmstrip, QByteArray("jpeg"));
    }
    EXPECT_EQ(status(), QStringLiteral("Idle"));
    EXPECT_EQ(elements[0]->assets(), AssetProperties | AssetThumbnail | AssetFilmstrip);
    EXPECT_EQ(document->library()
                  .imageStore()
                  .pendingImages(ElementImage::Thumbnail)
                  .value(elements[0]->identifier()),
        QByteArray("jpeg"));
    EXPECT_EQ(notifications.size(), 1);
}

TEST_F(DispatchControllerTest, SameImageAskedTwiceGoesOutOnce)
{
    const MediaElementList elements = makeElements(1);
    elements[0]->addAssets(AssetProperties);
    dispatcher->dispatchDocument(*document, elements, ImageTypeThumbnail);
    dispatcher->dispatchDocument(*document, elements, ImageTypeThumbnail);
    ASSERT_EQ(tool->calls.size(), 1);
    EXPECT_EQ(tool->calls[0].imageType, ImageTypeThumbnail);
    EXPECT_EQ(status(), QStringLiteral("Importing 1 Thumbnail"));

    int announced = 0;
    const ObserverToken token = NotificationCenter::instance().addObserver(
        DispatchNotification::ElementDidAddThumbnail, [&](const Notification &) { ++announced; });
    receive(elements[0], ImageTypeThumbnail, QByteArray("jpeg"));
    NotificationCenter::instance().removeObserver(token);
    EXPECT_EQ(announced, 1);
    EXPECT_EQ(status(), QStringLiteral("Idle"));
    // Now that it has one, asking again hands nothing over.
    dispatcher->dispatchDocument(*document, elements, ImageTypeThumbnail);
    EXPECT_EQ(tool->calls.size(), 1);
}

TEST_F(DispatchControllerTest, DeferredImageGoesOutAloneAfterPropertiesAndIsDroppedOnFailure)
{
    const MediaElementList elements = makeElements(3);
    dispatcher->dispatchDocument(*document, elements);
    dispatcher->dispatchDocument(*document, { elements[0], elements[1] }, ImageTypeStoryboard);
    EXPECT_EQ(tool->calls.size(), 1); // deferred, not handed over
    EXPECT_EQ(status(), QStringLiteral("Importing 3 Properties"));

    receive(elements[0], ImageTypeProperties);
    ASSERT_EQ(tool->calls.size(), 2);
    EXPECT_EQ(tool->calls[1].identifiers, QStringList { elements[0]->identifier() });
    EXPECT_EQ(tool->calls[1].imageType, ImageTypeStoryboard);
    EXPECT_EQ(status(), QStringLiteral("Importing 2 Properties, 1 Storyboard"));

    elements[1]->setError(true);
    receive(elements[1], ImageTypeProperties);
    EXPECT_EQ(tool->calls.size(), 2);
    const DispatchStatus *record = dispatcher->dispatchStatus(document->identifier());
    ASSERT_NE(record, nullptr);
    EXPECT_TRUE(record->deferredStoryboards().isEmpty());
}

TEST_F(DispatchControllerTest, BadgeFollowsTheTotalAndNeverShowsZero)
{
    const MediaElementList elements = makeElements(3);
    dispatcher->dispatchDocument(*document, elements);
    waitForBadge(QStringLiteral("3"));
    for (const auto &element : elements)
        receive(element, ImageTypeProperties);
    waitForBadge(QString());
    EXPECT_EQ(badgeLabels, (QStringList { QStringLiteral("3"), QString() }));
    EXPECT_EQ(dispatcher->badgeCount(), 0);
}

TEST_F(DispatchControllerTest, ResultsForClosedOrCancelledLibrariesAreHarmless)
{
    const MediaElementList elements = makeElements(2);
    dispatcher->dispatchDocument(*document, elements);
    dispatcher->cancelDocument(*document);
    EXPECT_EQ(status(), QStringLiteral("Idle"));
    // A late result makes a record that at once finds nothing to do.
    receive(elements[0], ImageTypeProperties);
    EXPECT_EQ(dispatcher->dispatchStatus(document->identifier()), nullptr);

    const QString identifier = document->identifier();
    dispatcher->dispatchDocument(*document, { elements[1] });
    document.reset();
    EXPECT_EQ(dispatcher->dispatchStatus(identifier), nullptr);
    receive(elements[1], ImageTypeProperties); // no library: dropped
}

TEST_F(DispatchControllerTest, StaleElementsFollowTheLibraryImageSettings)
{
    const MediaElementList elements = makeElements(3);
    PlistDictionary metrics = document->defaults().imageMetrics();
    for (const auto &element : elements) {
        element->addAssets(AssetsComplete);
        element->setImageMetrics(metrics);
    }
    QFile::remove(elements[2]->path());
    elements[2]->setBookmark(QByteArray());
    EXPECT_TRUE(dispatcher->staleElementsForDocument(document.get()).isEmpty());

    elements[1]->mergeImageMetrics({ { QStringLiteral("StoryboardRows"), PlistValue(9) } });
    metrics.insert(QStringLiteral("FilmstripFrames"), PlistValue(7));
    document->defaults().setImageMetrics(metrics);
    const ImportElements stale = dispatcher->staleElementsForDocument(document.get());
    ASSERT_EQ(stale.size(), 2);
    for (const auto &element : stale)
        EXPECT_NE(element, elements[2]); // its file is missing: left alone
    EXPECT_EQ(elements[1]->assets(), AssetProperties | AssetThumbnail);
    EXPECT_EQ(elements[0]->assets(), AssetProperties | AssetThumbnail | AssetStoryboard);
    EXPECT_EQ(elements[2]->assets(), int(AssetsComplete));
}

TEST_F(DispatchControllerTest, ExternalToolsMustBothBeFoundAndExecutable)
{
    const test::ScopedSearchPath nothingOnThePath(scratch.filePath(QStringLiteral("empty")));
    EXPECT_FALSE(ExternalTools::installed(*defaults));
    const QString script = scratch.filePath(QStringLiteral("ffprobe-test"));
    ASSERT_TRUE(test::writeScript(script, "#!/bin/sh\n", false));
    ASSERT_TRUE(ExternalTools::choose(*defaults, ExternalTools::Program::FFprobe, script).ok());
    EXPECT_FALSE(ExternalTools::choose(*defaults, ExternalTools::Program::FFmpeg, script)
                     .ok()); // wrong name
    const QString ffmpeg = scratch.filePath(QStringLiteral("ffmpeg-4.4"));
    ASSERT_TRUE(QFile::copy(script, ffmpeg));
    ASSERT_TRUE(ExternalTools::choose(*defaults, ExternalTools::Program::FFmpeg, ffmpeg).ok());
    EXPECT_FALSE(ExternalTools::installed(*defaults)); // not executable yet
    QFile::setPermissions(script, QFile::permissions(script) | QFileDevice::ExeOwner);
    QFile::setPermissions(ffmpeg, QFile::permissions(ffmpeg) | QFileDevice::ExeOwner);
    EXPECT_TRUE(ExternalTools::installed(*defaults));

    ExternalTools::forget(*defaults, ExternalTools::Program::FFmpeg);
    EXPECT_FALSE(ExternalTools::installed(*defaults));
    EXPECT_EQ(ExternalTools::pathLabel(*defaults, ExternalTools::Program::FFmpeg),
        QStringLiteral("Not Selected"));
}

TEST_F(DispatchControllerTest, ProgramsNotChosenAreTheOnesOnThePath)
{
    // A first start: the seeded defaults hold empty bookmarks for both programs.
    const QString bin = scratch.filePath(QStringLiteral("bin"));
    ASSERT_TRUE(QDir().mkpath(bin));
    ASSERT_TRUE(test::writeScript(bin + QStringLiteral("/ffprobe"), "#!/bin/sh\n"));
    ASSERT_TRUE(test::writeScript(bin + QStringLiteral("/ffmpeg"), "#!/bin/sh\n"));
    const test::ScopedSearchPath path(bin);
    UserDefaults fresh(scratch.filePath(QStringLiteral("fresh.ini")));
    ApplicationSettings::createDefaults(fresh, Definitions::shared().applicationDefaults());
    ASSERT_TRUE(fresh.hasUserValue(QStringLiteral("FFprobeBookmark")));
    DispatchController seeded(fresh, DispatchController::Desktop {});
    EXPECT_TRUE(ExternalTools::installed(fresh));
    const DispatchOptions options = seeded.dispatchOptionsForDocument(*document);
    EXPECT_EQ(Bookmark::resolvePath(options.ffprobeBookmark), bin + QStringLiteral("/ffprobe"));
    EXPECT_EQ(Bookmark::resolvePath(options.ffmpegBookmark), bin + QStringLiteral("/ffmpeg"));
    EXPECT_EQ(ExternalTools::description(fresh, ExternalTools::Program::FFmpeg),
        QStringLiteral("ffmpeg %1/ffmpeg (found on the PATH)").arg(bin));

    // The program the user chose wins over the PATH's, until its file is gone.
    const QString chosen = scratch.filePath(QStringLiteral("ffprobe-7"));
    ASSERT_TRUE(test::writeScript(chosen, "#!/bin/sh\n"));
    ASSERT_TRUE(ExternalTools::choose(fresh, ExternalTools::Program::FFprobe, chosen).ok());
    EXPECT_EQ(ExternalTools::locate(fresh, ExternalTools::Program::FFprobe).source,
        ExternalTools::Source::Chosen);
    EXPECT_EQ(Bookmark::resolvePath(seeded.dispatchOptionsForDocument(*document).ffprobeBookmark),
        chosen);
    ASSERT_TRUE(QFile::remove(chosen));
    EXPECT_EQ(ExternalTools::locate(fresh, ExternalTools::Program::FFprobe).path,
        bin + QStringLiteral("/ffprobe"));
    EXPECT_TRUE(ExternalTools::installed(fresh));
}
