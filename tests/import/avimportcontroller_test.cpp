// The in-process importer end to end: real decode helpers on generated videos,
// with a receiver and an external tool that record what reaches them.

#include "import/av/avimportcontroller.h"
#include "import/av/avimportprotocol.h"
#include "model/mediaelement.h"
#include "model/medialibrary.h"
#include "platform/userdefaults.h"
#include "testsupport.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTest>

#include <gtest/gtest.h>

using namespace vidarium;
using namespace vidarium::test;

namespace {

const QString Library = QStringLiteral("LIBRARY-A");

// Stands in for the dispatcher: sets the asset flag of each stored result.
struct RecordingReceiver : ImportReceiver
{
    struct Report
    {
        std::shared_ptr<MediaElement> element;
        QByteArray data;
        ImageType type;
    };
    QList<Report> reports;

    void receiveImportedElement(const std::shared_ptr<MediaElement> &element,
        const QByteArray &imageData, ImageType imageType) override
    {
        if (imageType == ImageTypeProperties || !imageData.isEmpty())
            element->addAssets(assetFlagForImageType(imageType));
        reports.append({ element, imageData, imageType });
    }
    QByteArray image(const MediaElement *element, ImageType type) const
    {
        for (const Report &report : reports) {
            if (report.element.get() == element && report.type == type)
                return report.data;
        }
        return {};
    }
};

struct RecordingExternalTool : ImportTool
{
    struct Request
    {
        std::shared_ptr<MediaElement> element;
        std::optional<ImageType> type;
    };
    QList<Request> requests;

    void importElements(const ImportElements &elements, const DispatchOptions &) override
    {
        for (const auto &element : elements)
            requests.append({ element, std::nullopt });
    }
    void importElements(
        const ImportElements &elements, const DispatchOptions &, ImageType imageType) override
    {
        for (const auto &element : elements)
            requests.append({ element, imageType });
    }
    void cancelOperationsWithOwner(const QString &) override { }
    void updateMaximumOperations() override { }
    bool has(const MediaElement *element) const
    {
        return std::any_of(requests.begin(), requests.end(),
            [&](const Request &r) { return r.element.get() == element; });
    }
};

QImage decodeJpeg(const QByteArray &data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader(&buffer, "jpeg").read();
}

class AVImportControllerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_defaults = std::make_unique<UserDefaults>(m_dir.filePath("settings.ini"));
        m_defaults->setBool(QStringLiteral("ImportImagesImmediately"), true);
        m_controller = std::make_unique<AVImportController>(m_receiver, *m_defaults, m_external);
        m_options.metrics = { { QStringLiteral("ThumbnailPosition"), 0.25 },
            { QStringLiteral("StoryboardRows"), 4 }, { QStringLiteral("StoryboardColumns"), 4 },
            { QStringLiteral("StoryboardSize"), 0 }, { QStringLiteral("StoryboardAspect"), true },
            { QStringLiteral("StoryboardRetina"), false }, { QStringLiteral("FilmstripFrames"), 5 },
            { QStringLiteral("FilmstripSize"), 0 }, { QStringLiteral("FilmstripAspect"), false },
            { QStringLiteral("FilmstripRetina"), false } };
    }
    void TearDown() override { m_controller.reset(); }

    QString video(const QString &name, GeneratedVideo recipe = {})
    {
        QString error;
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(generateVideo(path, recipe, &error)) << error.toStdString();
        return path;
    }
    std::shared_ptr<MediaElement> element(const QString &path)
    {
        auto element = MediaElement::create(nullptr, path);
        element->setOwner(Library);
        return element;
    }
    bool settled()
    {
        return QTest::qWaitFor([&] { return m_controller->operationCount() == 0; }, 30000)
            && (QCoreApplication::processEvents(), m_controller->operationCount() == 0);
    }

    ScratchDir m_dir;
    std::unique_ptr<UserDefaults> m_defaults;
    RecordingReceiver m_receiver;
    RecordingExternalTool m_external;
    std::unique_ptr<AVImportController> m_controller;
    DispatchOptions m_options;
};

} // namespace

TEST_F(AVImportControllerTest, ReadsPropertiesThenMakesEveryImageInTurn)
{
    GeneratedVideo recipe;
    recipe.width = 240;
    recipe.height = 100; // 2.4:1, so aspect frames are 129 x 54
    recipe.seconds = 3;
    auto movie = element(video(QStringLiteral("wide.mp4"), recipe));
    m_controller->importElements({ movie }, m_options);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_receiver.reports.size() == 4; }, 30000));
    EXPECT_TRUE(settled());

    QList<ImageType> order;
    for (const auto &report : m_receiver.reports)
        order.append(report.type);
    EXPECT_EQ(order,
        QList<ImageType>(
            { ImageTypeProperties, ImageTypeThumbnail, ImageTypeStoryboard, ImageTypeFilmstrip }));
    EXPECT_FALSE(movie->error());
    EXPECT_EQ(movie->tool(), QString(AVImporterIdentifier));
    EXPECT_EQ(movie->pixelsWide(), 240);
    EXPECT_EQ(movie->pixelsHigh(), 100);
    EXPECT_NEAR(movie->duration(), 3.0, 0.1);
    EXPECT_FLOAT_EQ(float(movie->frameRate()), 25.0f);
    EXPECT_EQ(movie->videoCodec(), QStringLiteral("H.264"));
    EXPECT_EQ(movie->audioCodec(), QStringLiteral("None"));
    EXPECT_EQ(movie->size(), QFileInfo(movie->path()).size());
    EXPECT_EQ(movie->assets(), int(AssetsComplete));
    EXPECT_TRUE(m_external.requests.isEmpty());

    EXPECT_EQ(
        decodeJpeg(m_receiver.image(movie.get(), ImageTypeThumbnail)).size(), QSize(240, 100));
    EXPECT_EQ(decodeJpeg(m_receiver.image(movie.get(), ImageTypeStoryboard)).size(),
        QSize(4 * 130 + 5, 4 * 55 + 5));
    EXPECT_EQ(decodeJpeg(m_receiver.image(movie.get(), ImageTypeFilmstrip)).size(), QSize(488, 58));
    const PlistDictionary recorded = movie->imageMetrics();
    EXPECT_EQ(recorded.value(QStringLiteral("ThumbnailPosition")).toDouble(), 0.25);
    EXPECT_EQ(recorded.value(QStringLiteral("StoryboardColumns")).toInteger(), 4);
    EXPECT_EQ(recorded.value(QStringLiteral("FilmstripFrames")).toInteger(), 5);
}

// The helper reads the properties of a video of 16000 x 16000 pictures but refuses
// to decode one; the external tool is asked for the images instead.
TEST_F(AVImportControllerTest, EnormousPicturesAreLeftToTheExternalTool)
{
    QString error;
    const QString path = m_dir.filePath(QStringLiteral("huge.avi"));
    ASSERT_TRUE(generateFlatJpegVideo(path, 16000, 16000, &error)) << error.toStdString();
    auto huge = element(path);
    m_controller->importElements({ huge }, m_options);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_external.requests.size() == 1; }, 30000));
    EXPECT_TRUE(settled());
    ASSERT_EQ(m_receiver.reports.size(), 1);
    EXPECT_EQ(m_receiver.reports.first().type, ImageTypeProperties);
    EXPECT_EQ(huge->pixelsWide(), 16000);
    EXPECT_EQ(huge->pixelsHigh(), 16000);
    EXPECT_TRUE(m_external.has(huge.get()));
    EXPECT_FALSE(huge->error()); // the external tool has the last word
}

TEST_F(AVImportControllerTest, HandsWhatItCannotReadToTheExternalTool)
{
    runFfmpeg({ QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
        QStringLiteral("sine=frequency=440:duration=1"), QStringLiteral("-c:a"),
        QStringLiteral("aac"), m_dir.filePath("sound.m4a") });
    QFile text(m_dir.filePath("text.mp4"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a video\n");
    text.close();
    auto sound = element(m_dir.filePath("sound.m4a"));
    auto notVideo = element(m_dir.filePath("text.mp4"));
    auto readByOther = element(video(QStringLiteral("other.mp4")));
    readByOther->setTool(QString(FFImporterIdentifier));
    readByOther->addAssets(AssetProperties);

    m_controller->importElements({ sound, notVideo }, m_options);
    m_controller->importElements({ readByOther }, m_options, ImageTypeStoryboard);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_external.requests.size() == 3; }, 30000));
    EXPECT_TRUE(settled());
    EXPECT_TRUE(m_receiver.reports.isEmpty());
    EXPECT_TRUE(m_external.has(sound.get()));
    EXPECT_TRUE(m_external.has(notVideo.get()));
    // Handed on at once, with the image it asked for.
    EXPECT_EQ(m_external.requests.first().element, readByOther);
    EXPECT_EQ(m_external.requests.first().type, std::optional<ImageType>(ImageTypeStoryboard));
    EXPECT_FALSE(sound->error()); // the external tool has the last word
}

TEST_F(AVImportControllerTest, ExplicitRequestsMakeOneImageEachUpright)
{
    runFfmpeg({ QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
        QStringLiteral("color=c=black:s=320x240:d=2,"
                       "drawbox=x=0:y=0:w=320:h=120:color=white:t=fill"),
        QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-pix_fmt"),
        QStringLiteral("yuv420p"), m_dir.filePath("plain.mp4") });
    runFfmpeg({ QStringLiteral("-i"), m_dir.filePath("plain.mp4"), QStringLiteral("-c"),
        QStringLiteral("copy"), QStringLiteral("-metadata:s:v:0"), QStringLiteral("rotate=90"),
        m_dir.filePath("rotated.mp4") });
    m_defaults->setBool(QStringLiteral("ImportImagesImmediately"), false);
    auto movie = element(m_dir.filePath("rotated.mp4"));
    movie->addAssets(AssetProperties);
    movie->setDuration(2);
    m_controller->importElements({ movie }, m_options, ImageTypeThumbnail);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_receiver.reports.size() == 1; }, 30000));
    EXPECT_TRUE(settled());
    EXPECT_EQ(m_receiver.reports.size(), 1); // nothing chained after it

    // The display matrix turns the picture a quarter counter-clockwise, as
    // ffmpeg shows it: the white top half ends on the left.
    const QImage thumbnail = decodeJpeg(m_receiver.reports.first().data);
    ASSERT_EQ(thumbnail.size(), QSize(240, 320));
    EXPECT_GT(qGray(thumbnail.pixel(20, 160)), 200);
    EXPECT_LT(qGray(thumbnail.pixel(220, 160)), 50);
}

TEST_F(AVImportControllerTest, PropertiesAloneWhenImagesWaitAndAfterCancellationNothing)
{
    m_defaults->setBool(QStringLiteral("ImportImagesImmediately"), false);
    auto movie = element(video(QStringLiteral("a.mp4")));
    m_controller->importElements({ movie }, m_options);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_receiver.reports.size() == 1; }, 30000));
    EXPECT_TRUE(settled());
    EXPECT_EQ(m_receiver.reports.first().type, ImageTypeProperties);

    // Cancelling a library stops its waiting and running work without a report.
    m_receiver.reports.clear();
    ImportElements many;
    for (int i = 0; i < 6; ++i)
        many.append(element(movie->path()));
    auto other = element(movie->path());
    other->setOwner(QStringLiteral("LIBRARY-B"));
    m_controller->importElements(many, m_options);
    m_controller->importElements({ other }, m_options);
    m_controller->cancelOperationsWithOwner(Library);
    EXPECT_TRUE(settled());
    QTest::qWait(300); // let stray results arrive, if any did
    ASSERT_EQ(m_receiver.reports.size(), 1);
    EXPECT_EQ(m_receiver.reports.first().element, other);
}

TEST_F(AVImportControllerTest, MaximumOperationsTakesOnlyOneToEight)
{
    EXPECT_EQ(m_controller->maximumOperations(), 1);
    for (int ignored : { 0, 9, -1 }) {
        m_defaults->setInteger(QStringLiteral("AVImporterMaximumOperations"), ignored);
        m_controller->updateMaximumOperations();
        EXPECT_EQ(m_controller->maximumOperations(), 1);
    }
    m_defaults->setInteger(QStringLiteral("AVImporterMaximumOperations"), 4);
    m_controller->updateMaximumOperations();
    EXPECT_EQ(m_controller->maximumOperations(), 4);

    m_defaults->setBool(QStringLiteral("ImportImagesImmediately"), false);
    const QString path = video(QStringLiteral("a.mp4"));
    ImportElements elements;
    for (int i = 0; i < 8; ++i)
        elements.append(element(path));
    m_controller->importElements(elements, m_options);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_receiver.reports.size() == 8; }, 30000));
    EXPECT_EQ(m_controller->mostConcurrentOperations(), 4);
    EXPECT_LE(m_controller->helperPool().startedHelpers(), 4);
}

TEST_F(AVImportControllerTest, HelperThatCrashesOrHangsCostsOneStep)
{
    m_defaults->setBool(QStringLiteral("ImportImagesImmediately"), false);
    AVImportController::Limits limits;
    limits.properties = std::chrono::milliseconds(1500);
    m_controller->setLimits(limits);
    m_controller->setRequestFilterForTesting([](const QCborMap &request) {
        QCborMap changed = request;
        const QString path = AVImportProtocol::requestPath(request);
        if (path.endsWith(QLatin1String("crash.mp4")))
            changed.insert(AVImportProtocol::Operation, AVImportProtocol::CrashOperation);
        else if (path.endsWith(QLatin1String("hang.mp4")))
            changed.insert(AVImportProtocol::Operation, AVImportProtocol::HangOperation);
        return changed;
    });
    const QString good = video(QStringLiteral("good.mp4"));
    QFile::copy(good, m_dir.filePath("crash.mp4"));
    QFile::copy(good, m_dir.filePath("hang.mp4"));
    auto first = element(good);
    auto crashing = element(m_dir.filePath("crash.mp4"));
    auto hanging = element(m_dir.filePath("hang.mp4"));
    auto last = element(good);

    QElapsedTimer timer;
    timer.start();
    m_controller->importElements({ first, crashing, hanging, last }, m_options);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return m_receiver.reports.size() == 2 && m_external.requests.size() == 2; }, 30000));
    EXPECT_TRUE(settled());
    EXPECT_LT(timer.elapsed(), 15000);
    EXPECT_EQ(m_receiver.reports[0].element, first);
    EXPECT_EQ(m_receiver.reports[1].element, last);
    EXPECT_EQ(m_external.requests[0].element, crashing);
    EXPECT_EQ(m_external.requests[1].element, hanging);
    EXPECT_EQ(m_external.requests[1].type, std::nullopt);
    EXPECT_EQ(m_controller->helperPool().startedHelpers(), 3); // one replaced after each loss
}

TEST_F(AVImportControllerTest, DamagedAndSparseFilesNeverStopTheImport)
{
    GeneratedVideo sparse;
    sparse.width = 160;
    sparse.height = 120;
    sparse.seconds = 12;
    sparse.extraArguments = QStringLiteral("-g 300 -keyint_min 300 -sc_threshold 0");
    const QString sparsePath = video(QStringLiteral("sparse.mp4"), sparse);
    QFile whole(sparsePath);
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray bytes = whole.readAll();
    auto write = [&](const char *name, const QByteArray &content) {
        QFile file(m_dir.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return element(file.fileName());
    };
    ImportElements elements = { element(sparsePath), write("head.mp4", bytes.left(4000)),
        write("half.mp4", bytes.left(bytes.size() / 2)),
        write("text.mp4", "plain text, not a video\n"), write("empty.mp4", QByteArray()) };
    m_defaults->setInteger(QStringLiteral("AVImporterMaximumOperations"), 2);
    m_controller->updateMaximumOperations();
    m_controller->importElements(elements, m_options);
    // Every element ends either complete or with the external tool, which
    // decides about it.
    const auto ended = [&] {
        return std::all_of(elements.begin(), elements.end(), [&](const auto &element) {
            return element->assets() == int(AssetsComplete) || m_external.has(element.get());
        });
    };
    EXPECT_TRUE(QTest::qWaitFor(ended, 60000));
    EXPECT_TRUE(settled());
    EXPECT_EQ(elements[0]->assets(), int(AssetsComplete));
    EXPECT_FALSE(m_external.has(elements[0].get()));
    for (int bad : { 1, 3, 4 })
        EXPECT_TRUE(m_external.has(elements[bad].get()));
}

TEST(AVImportHelperPool, FailsClearlyWithoutAProgram)
{
    AVImportHelperPool pool(QStringLiteral("/nonexistent/vidarium-decode"));
    Result<QCborMap> answer
        = pool.exchange(AVImportProtocol::propertiesRequest(QStringLiteral("/x.mp4"), 1),
            std::chrono::milliseconds(1000));
    ASSERT_FALSE(answer.ok());
    EXPECT_TRUE(answer.error().message().contains(QStringLiteral("/nonexistent/vidarium-decode")));
    EXPECT_FALSE(AVImportHelperPool::helperProgram().isEmpty());
}
