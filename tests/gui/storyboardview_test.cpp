#include "guitestsupport.h"

#include "document/document.h"
#include "import/dispatchcontroller.h"
#include "model/documentdefaults.h"
#include "model/imagemetrics.h"
#include "model/medialibrary.h"
#include "platform/notificationcenter.h"
#include "widgets/storyboardview.h"
#include "window/documentwindowcontroller.h"
#include "window/itemsviewcontroller.h"
#include "window/storyboardfile.h"
#include "window/storyboardviewcontroller.h"
#include "window/storyboardwireframe.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QScrollArea>
#include <QScrollBar>
#include <QUrl>

#include <gtest/gtest.h>

using namespace vidarium;
using namespace vidarium::test;

namespace {

PlistDictionary storyboardMetrics(qint64 size, qint64 rows, qint64 columns)
{
    return { { ImageMetricKeys::StoryboardSize, size }, { ImageMetricKeys::StoryboardRows, rows },
        { ImageMetricKeys::StoryboardColumns, columns } };
}

QByteArray jpegOf(const QSize &size, const QColor &colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    return bytes;
}

TEST(StoryboardWireframe, HasTheGeometryOfAStoryboardForEverySizeIndex)
{
    struct Case
    {
        qint64 size;
        QSize frame;
    };
    const Case cases[]
        = { { 0, { 96, 54 } }, { 1, { 128, 72 } }, { 2, { 160, 90 } }, { 3, { 192, 108 } },
              { 4, { 224, 126 } }, { 5, { 256, 144 } }, { 7, { 128, 72 } }, { -1, { 128, 72 } } };
    for (const Case &c : cases) {
        for (const auto &[rows, columns] : { std::pair(1, 1), std::pair(3, 4), std::pair(6, 2) }) {
            SCOPED_TRACE(
                testing::Message() << "size " << c.size << ", " << rows << " x " << columns);
            const QImage image
                = StoryboardWireframe::image(storyboardMetrics(c.size, rows, columns));
            ASSERT_EQ(image.size(),
                QSize(columns * (c.frame.width() + 1) + 5, rows * (c.frame.height() + 1) + 5));
            // Border and gaps are faint white; the last frame's middle is clear.
            EXPECT_NEAR(qAlpha(image.pixel(0, 0)), 38, 1);
            EXPECT_NEAR(qAlpha(image.pixel(3 + c.frame.width(), 3)), 38, 1);
            EXPECT_EQ(qAlpha(image.pixel(3, 3)), 0);
            EXPECT_EQ(qAlpha(image.pixel(image.width() - 4 - c.frame.width() / 2,
                          image.height() - 4 - c.frame.height() / 2)),
                0);
        }
    }
}

TEST(StoryboardWireframe, ClampsRowsAndColumnsFromDamagedSettings)
{
    // 0 and negative give one frame; huge values the most a storyboard can have;
    // a value past 32 bits is read as the 32-bit number it holds.
    EXPECT_EQ(StoryboardWireframe::image(storyboardMetrics(0, 0, -3)).size(), QSize(102, 60));
    const QImage huge = StoryboardWireframe::image(storyboardMetrics(0, 1'000'000, 1LL << 40));
    EXPECT_LE(huge.width(), 20 * 97 + 5);
    EXPECT_EQ(huge.width(), 102);
    EXPECT_EQ(huge.height(), 20 * 55 + 5);
    EXPECT_EQ(StoryboardWireframe::image({}).size(), QSize(102, 60));
}

TEST(StoryboardFile, TakesTheNextFreeNameAndNeverOverwrites)
{
    ScratchDir scratch;
    const QByteArray jpeg = jpegOf(QSize(8, 8), Qt::red);
    Result<QString> first = StoryboardFile::write(QStringLiteral("Clip"), jpeg, scratch.path());
    ASSERT_OK(first);
    EXPECT_EQ(first.value(), scratch.filePath(QStringLiteral("Clip.jpg")));
    // A file that appeared meanwhile keeps its bytes; so does a dangling link,
    // which must not be followed.
    writeFile(scratch.filePath(QStringLiteral("Clip_1.jpg")), "keep");
    QFile::link(scratch.filePath(QStringLiteral("elsewhere.txt")),
        scratch.filePath(QStringLiteral("Clip_2.jpg")));
    EXPECT_EQ(StoryboardFile::uniqueFileForElement(QStringLiteral("Clip"), scratch.path()),
        scratch.filePath(QStringLiteral("Clip_3.jpg")));
    Result<QString> next = StoryboardFile::write(QStringLiteral("Clip"), jpeg, scratch.path());
    ASSERT_OK(next);
    EXPECT_EQ(next.value(), scratch.filePath(QStringLiteral("Clip_3.jpg")));
    EXPECT_EQ(readFile(scratch.filePath(QStringLiteral("Clip_1.jpg"))), "keep");
    EXPECT_FALSE(QFile::exists(scratch.filePath(QStringLiteral("elsewhere.txt"))));
    EXPECT_EQ(readFile(next.value()), jpeg);

    // Names never leave the folder; nothing to write is an error, not an empty file.
    EXPECT_EQ(StoryboardFile::baseNameForElementName(QStringLiteral("../../etc/x")),
        QStringLiteral(".._.._etc_x"));
    EXPECT_EQ(
        StoryboardFile::baseNameForElementName(QStringLiteral("..")), QStringLiteral("Storyboard"));
    EXPECT_EQ(StoryboardFile::baseNameForElementName(QString()), QStringLiteral("Storyboard"));
    EXPECT_FALSE(StoryboardFile::write(QStringLiteral("Empty"), {}, scratch.path()).ok());
    EXPECT_FALSE(QFile::exists(scratch.filePath(QStringLiteral("Empty.jpg"))));
    EXPECT_FALSE(
        StoryboardFile::write(QStringLiteral("Clip"), jpeg, scratch.filePath("missing")).ok());
}

TEST(StoryboardView, CentresTheImageAndKeepsTheTopEdgeWhenResized)
{
    QScrollArea area;
    area.resize(400, 200);
    auto *view = new StoryboardView(&area);
    area.show();
    processEvents();
    QImage small(101, 51, QImage::Format_ARGB32_Premultiplied);
    small.fill(Qt::white);
    view->setImage(small);
    EXPECT_EQ(view->size(), area.viewport()->size());
    EXPECT_EQ(
        view->imageRect().topLeft(), QPoint((view->width() - 101) / 2, (view->height() - 51) / 2));

    QImage tall(300, 900, QImage::Format_ARGB32_Premultiplied);
    tall.fill(Qt::white);
    view->setImage(tall);
    EXPECT_EQ(view->height(), 900);
    EXPECT_EQ(view->width(), area.viewport()->width());
    area.verticalScrollBar()->setValue(250);
    view->repaint();
    EXPECT_EQ(view->currentTop(), 250);
    area.resize(400, 120);
    processEvents();
    EXPECT_EQ(area.verticalScrollBar()->value(), 250);
}

class StoryboardPaneTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetTestDefaults();
        dispatcher = makeTestDispatcher();
        document = std::make_unique<Document>();
        elements = addElements(*document, 3);
        window = std::make_unique<DocumentWindowController>(*document, *dispatcher);
        pane = window->storyboardViewController();
        // The window may start with a row selected; each test chooses its own.
        select({});
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
    bool shows(const QImage &image)
    {
        return pane->storyboardView()->image().size() == image.size();
    }

    std::unique_ptr<DispatchController> dispatcher;
    std::unique_ptr<Document> document;
    MediaElementList elements;
    std::unique_ptr<DocumentWindowController> window;
    StoryboardViewController *pane = nullptr;
    ScratchDir scratch;
};

TEST_F(StoryboardPaneTest, ShowsTheSelectedStoryboardAndTheWireframeOtherwise)
{
    document->defaults().setImageMetrics(storyboardMetrics(1, 2, 3));
    const QImage wireframe = pane->storyboardWireframe();
    document->library().setStoryboardData(jpegOf(QSize(200, 100), Qt::blue), *elements[0]);
    select({ elements[0] });
    EXPECT_EQ(pane->element(), elements[0]);
    ASSERT_TRUE(waitUntil([&] { return shows(QImage(200, 100, QImage::Format_RGB32)); }));

    // Two elements, and an element without storyboard: the wireframe.
    select({ elements[0], elements[1] });
    EXPECT_EQ(pane->element(), nullptr);
    EXPECT_TRUE(shows(wireframe));
    select({ elements[1] });
    EXPECT_TRUE(shows(wireframe));

    // A storyboard arriving for another element changes nothing; for the shown one it shows.
    const auto announce = [&](const MediaElementPtr &element) {
        NotificationCenter::instance().post(DispatchNotification::ElementDidAddStoryboard, nullptr,
            { { LibraryNotification::LibraryIdentifierKey, document->identifier() },
                { LibraryNotification::LibraryElementKey, QVariant::fromValue(element) } });
        processEvents();
    };
    document->library().setStoryboardData(jpegOf(QSize(60, 40), Qt::green), *elements[2]);
    announce(elements[2]);
    EXPECT_TRUE(shows(wireframe));
    document->library().setStoryboardData(jpegOf(QSize(80, 30), Qt::green), *elements[1]);
    announce(elements[1]);
    EXPECT_TRUE(waitUntil([&] { return shows(QImage(80, 30, QImage::Format_RGB32)); }));

    // Corrupt storyboard bytes show the wireframe.
    document->library().setStoryboardData("not a jpeg", *elements[2]);
    select({ elements[2] });
    EXPECT_TRUE(waitUntil([&] { return shows(wireframe); }));
}

TEST_F(StoryboardPaneTest, NewSettingsRedrawTheWireframe)
{
    select({});
    document->defaults().setImageMetrics(storyboardMetrics(0, 2, 2));
    NotificationCenter::instance().post(DocumentDefaultsNotification::DidChange, document.get(),
        { { LibraryNotification::LibraryIdentifierKey, document->identifier() } });
    processEvents();
    EXPECT_EQ(pane->storyboardView()->image().size(), QSize(2 * 97 + 5, 2 * 55 + 5));
}

TEST_F(StoryboardPaneTest, DraggingTheStoryboardWritesNameThenName_1AndNothingWithoutOne)
{
    elements[0]->setPath(QStringLiteral("/media/archive/Beach Day.mp4"));
    const QByteArray jpeg = jpegOf(QSize(40, 20), Qt::yellow);
    document->library().setStoryboardData(jpeg, *elements[0]);
    select({ elements[0] });
    for (const QString &name :
        { QStringLiteral("Beach Day.jpg"), QStringLiteral("Beach Day_1.jpg") }) {
        std::unique_ptr<QMimeData> mime(pane->storyboardMimeData(scratch.path()));
        ASSERT_TRUE(mime);
        ASSERT_EQ(mime->urls().size(), 1);
        EXPECT_EQ(mime->urls().first().toLocalFile(), scratch.filePath(name));
        EXPECT_EQ(readFile(scratch.filePath(name)), jpeg);
        EXPECT_EQ(mime->data(QStringLiteral("image/jpeg")), jpeg);
    }
    select({ elements[1] });
    EXPECT_EQ(pane->storyboardMimeData(scratch.path()), nullptr);
    select({});
    EXPECT_EQ(pane->storyboardMimeData(scratch.path()), nullptr);
    EXPECT_EQ(QDir(scratch.path()).entryList(QDir::Files).size(), 2);
}

} // namespace
