// The thumbnail grid, the combined list and the image cache under them.

#include "guitestsupport.h"
#include "itemsviewstestsupport.h"

#include "document/document.h"
#include "import/imagesheet.h"
#include "model/documentdefaults.h"
#include "model/imagemetrics.h"
#include "model/medialibrary.h"
#include "model/settingkeys.h"
#include "platform/userdefaults.h"
#include "window/documentwindow.h"
#include "window/documentwindowcontroller.h"
#include "window/elementclipboard.h"
#include "window/filebrowser.h"
#include "window/imagecache.h"
#include "window/itemimages.h"
#include "window/itemscombodelegate.h"
#include "window/itemscomboeditor.h"
#include "window/itemscomboview.h"
#include "window/itemscomboviewcontroller.h"
#include "window/itemsgriddelegate.h"
#include "window/itemsgridview.h"
#include "window/itemsgridviewcontroller.h"
#include "window/itemsmodel.h"
#include "window/itemspainting.h"
#include "window/itemstableviewcontroller.h"
#include "window/itemsviewcontroller.h"
#include "window/storyboardframes.h"

#include <QApplication>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSlider>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vidarium;
using namespace vidarium::test;

namespace {

class ItemsViewsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetTestDefaults();
        dispatcher = makeTestDispatcher();
    }
    void TearDown() override
    {
        FileBrowser::setOverrideForTesting({});
        window.reset();
        document.reset();
        processEvents();
    }

    ItemsViewController &open(int count, int style)
    {
        document = std::make_unique<Document>();
        elements = addElements(*document, count);
        window = std::make_unique<DocumentWindowController>(*document, *dispatcher);
        window->window()->resize(1100, 760);
        window->window()->show();
        QApplication::setActiveWindow(window->window());
        ItemsViewController &items = *window->itemsViewController();
        items.selectView(style, false);
        waitUntil([&items] { return !items.model()->statusSweepRunning(); });
        processEvents();
        elements = items.arrangedElements();
        return items;
    }

    std::unique_ptr<DispatchController> dispatcher;
    std::unique_ptr<Document> document;
    std::unique_ptr<DocumentWindowController> window;
    MediaElementList elements;
};

// Records the rectangles the viewport is asked to paint.
class PaintRecorder : public QObject
{
public:
    explicit PaintRecorder(QWidget *widget) { widget->installEventFilter(this); }
    QList<QRegion> regions;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            regions.append(static_cast<QPaintEvent *>(event)->region());
        return false;
    }
};

bool shows(QAbstractItemView *view, QPoint at, const QColor &colour)
{
    return similar(view->viewport()->grab().toImage().pixelColor(at), colour);
}

} // namespace

TEST(ItemsGridGeometry, CellsFollowTheScaleWithinTheSliderRange)
{
    EXPECT_EQ(ItemsGridDelegate::cellSize(160), QSize(160, 120));
    EXPECT_EQ(ItemsGridDelegate::cellSize(320), QSize(320, 210));
    struct Case
    {
        double stored;
        double expected;
    };
    const Case cases[]
        = { { 0, ItemsGridDelegate::MinimumScale }, { -40, ItemsGridDelegate::MinimumScale },
              { std::numeric_limits<double>::quiet_NaN(), ItemsGridDelegate::DefaultScale },
              { 1e6, ItemsGridDelegate::MaximumScale },
              { -std::numeric_limits<double>::infinity(), ItemsGridDelegate::MinimumScale },
              { 200, 200 } };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.stored);
        EXPECT_EQ(ItemsGridDelegate::clampedScale(c.stored), c.expected);
    }
}

TEST(ItemsGridGeometry, StatusBarColours)
{
    const QColor expected[] = { QColor(0, 211, 0), QColor(160, 53, 237), QColor(255, 194, 0),
        QColor(212, 212, 212), QColor(226, 65, 0), QColor(226, 65, 0) };
    for (int status = 0; status <= 5; ++status) {
        SCOPED_TRACE(status);
        EXPECT_EQ(ItemsPainting::statusColor(status), expected[status]);
    }
}

TEST(StoryboardFrames, ThePointersPartOfTheWidthPicksTheFrame)
{
    // Frame k of n fills the k-th n-th of the width, ends included.
    for (int k = 0; k < 6; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(StoryboardFrames::frameAt(k * 160.0 / 6 + 0.01, 160, 6), k);
        EXPECT_EQ(StoryboardFrames::frameAt((k + 1) * 160.0 / 6 - 0.01, 160, 6), k);
    }
    EXPECT_EQ(StoryboardFrames::frameAt(-3, 160, 6), 0);
    EXPECT_EQ(StoryboardFrames::frameAt(160, 160, 6), 5);
    EXPECT_EQ(StoryboardFrames::frameAt(50, 0, 6), 0);
    EXPECT_EQ(StoryboardFrames::frameAt(std::nan(""), 160, 6), 0);

    // Damaged metrics still give a usable grid of frames inside the image.
    PlistDictionary metrics;
    metrics.insert(ImageMetricKeys::StoryboardRows, PlistValue(qint64(-4)));
    metrics.insert(ImageMetricKeys::StoryboardColumns, PlistValue(qint64(1) << 40));
    EXPECT_EQ(StoryboardFrames::frameCount(metrics), StoryboardFrames::MaximumRowsOrColumns);
    const QRect rect = StoryboardFrames::frameRect(metrics, 0, 0, QSize(300, 200), 63);
    EXPECT_TRUE(QRect(0, 0, 300, 200).contains(rect));
    EXPECT_FALSE(rect.isEmpty());
}

TEST_F(ItemsViewsTest, ZoomSliderStaysInItsRangeWhateverTheSettingHolds)
{
    ItemsViewController &items = open(3, ItemsViewController::GridStyle);
    ItemsGridViewController &grid = *items.grid();
    const double stored[] = { 0, -1, std::numeric_limits<double>::quiet_NaN(), 1e6 };
    for (double scale : stored) {
        SCOPED_TRACE(scale);
        document->defaults().setItemsViewThumbnailScale(scale);
        grid.applySettings();
        EXPECT_GE(grid.zoomSlider()->value(), int(ItemsGridDelegate::MinimumScale));
        EXPECT_LE(grid.zoomSlider()->value(), int(ItemsGridDelegate::MaximumScale));
        EXPECT_EQ(grid.itemsView()->scale(), ItemsGridDelegate::clampedScale(scale));
    }
    // Moving the slider re-lays out the grid and stores the scale.
    grid.zoomSlider()->setValue(160);
    EXPECT_EQ(document->defaults().itemsViewThumbnailScale(), 160.0);
    processEvents();
    const QRect cell = grid.itemsView()->gridDelegate()->cellRect(
        grid.itemsView()->visualRect(items.model()->index(0, 0)));
    EXPECT_EQ(cell.size(), QSize(160, 120));
    EXPECT_TRUE(grid.zoomControls()->isVisible());
    items.selectView(ItemsViewController::TableStyle, false);
    EXPECT_FALSE(grid.zoomControls()->isVisible());
}

TEST_F(ItemsViewsTest, ArrivingThumbnailRepaintsOnlyItsCell)
{
    ItemsViewController &items = open(12, ItemsViewController::GridStyle);
    for (int i = 0; i < elements.size(); ++i)
        document->library().setThumbnailData(solidJpeg(QColor(20 * i, 90, 160)), *elements[i]);
    ItemsGridView *grid = items.grid()->itemsView();
    processEvents();
    ASSERT_TRUE(items.images()->thumbnails().waitForIdle());
    processEvents(5);

    PaintRecorder recorder(grid->viewport());
    const int row = 4;
    emit items.images()->thumbnails().imageReady(elements[row]->identifier());
    processEvents();
    ASSERT_EQ(recorder.regions.size(), 1);
    EXPECT_EQ(
        recorder.regions.first().boundingRect(), grid->visualRect(items.model()->index(row, 0)));

    // Nothing repaints for an element that is not shown.
    recorder.regions.clear();
    emit items.images()->thumbnails().imageReady(QStringLiteral("NO-SUCH-ELEMENT"));
    processEvents();
    EXPECT_TRUE(recorder.regions.isEmpty());
}

TEST_F(ItemsViewsTest, HoverScrubbingShowsTheFrameUnderThePointer)
{
    ItemsViewController &items = open(4, ItemsViewController::GridStyle);
    const MediaElementPtr element = elements[1];
    const QList<QColor> colours = frameColours(6);
    giveStoryboard(document->library(), *element, 2, 3, colours);
    const QColor thumbnail(250, 250, 250);
    document->library().setThumbnailData(solidJpeg(thumbnail), *element);
    ItemsGridView *grid = items.grid()->itemsView();
    const QRect cell = grid->gridDelegate()->cellRect(grid->visualRect(items.model()->index(1, 0)));
    const QPoint middle = grid->gridDelegate()->imageRect(cell).center();

    for (int k = 0; k < 6; ++k) {
        SCOPED_TRACE(k);
        grid->scrubAt(QPoint(cell.left() + int((k + 0.5) * cell.width() / 6), middle.y()));
        EXPECT_EQ(grid->scrub().row, 1);
        EXPECT_EQ(grid->scrub().frame, k);
        // The paint that follows asks for the image, which then arrives from the pool.
        EXPECT_TRUE(waitUntil([&] { return shows(grid, middle, colours[k]); }));
    }
    grid->endScrub();
    EXPECT_EQ(grid->scrub().row, -1);
    EXPECT_TRUE(waitUntil([&] { return shows(grid, middle, thumbnail); }));
}

TEST_F(ItemsViewsTest, SelectionIsSharedWithTheTableAndFocusSelectsTheFirst)
{
    ItemsViewController &items = open(6, ItemsViewController::GridStyle);
    ItemsGridView *grid = items.grid()->itemsView();
    items.itemsView()->selectionModel()->clear();
    grid->setFocus(Qt::TabFocusReason);
    processEvents();
    ASSERT_EQ(items.selectedElements().size(), 1);
    EXPECT_EQ(items.selectedElements().first(), elements.first());

    // A click in the grid selects the whole row, as the table shows it.
    const QRect third = grid->visualRect(items.model()->index(2, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, third.center());
    EXPECT_EQ(items.selectedElements(), MediaElementList { elements[2] });
    EXPECT_TRUE(items.itemsView()->selectionModel()->isRowSelected(2, {}));
    items.setSelectedElements({ elements[4], elements[5] });
    EXPECT_EQ(grid->selectionModel()->selectedRows().size(), 2);
}

TEST_F(ItemsViewsTest, DragsCarryElementsInEachViewsOrder)
{
    ItemsViewController &items = open(5, ItemsViewController::GridStyle);
    testDefaults().setBool(SettingKey::AllowDragToFinder, false);
    std::unique_ptr<QMimeData> grid(items.grid()->itemsView()->dragData({ 1, 3, 2 }));
    ASSERT_TRUE(grid);
    EXPECT_EQ(ElementClipboard::decode(grid.get()).size(), 3);
    const MediaElementList dragged = ElementClipboard::decode(grid.get());
    EXPECT_EQ(dragged.at(0)->path(), elements[3]->path());
    EXPECT_EQ(dragged.at(2)->path(), elements[1]->path());
    EXPECT_FALSE(grid->hasUrls());

    testDefaults().setBool(SettingKey::AllowDragToFinder, true);
    std::unique_ptr<QMimeData> list(items.combo()->itemsView()->dragData({ 3, 1 }));
    ASSERT_TRUE(list);
    ASSERT_EQ(list->urls().size(), 2);
    EXPECT_EQ(list->urls().first().toLocalFile(), elements[1]->path());
}

TEST_F(ItemsViewsTest, EscapeInTheGridLeavesTheImportRunning)
{
    ItemsViewController &items = open(2, ItemsViewController::GridStyle);
    const MediaElementList added = addElements(*document, 2, 50);
    for (const MediaElementPtr &element : added)
        element->setAssets(0);
    dispatcher->dispatchDocument(*document, added);
    ASSERT_TRUE(dispatcher->dispatchStatus(document->identifier()));
    ItemsGridView *grid = items.grid()->itemsView();
    grid->setFocus();
    processEvents();
    QTest::keyClick(grid, Qt::Key_Escape);
    processEvents();
    EXPECT_TRUE(dispatcher->dispatchStatus(document->identifier()));
}

TEST_F(ItemsViewsTest, CombinedRowsTakeTheirHeightAndWidthFromTheImages)
{
    ItemsViewController &items = open(3, ItemsViewController::ListStyle);
    ItemsComboView *list = items.combo()->itemsView();
    document->library().setPosterData(solidJpeg(Qt::red, QSize(100, 150)), *elements[1]);
    processEvents();
    ItemsComboDelegate *delegate = list->comboDelegate();
    EXPECT_EQ(delegate->filmstripWidth(), 5 * 97 + 3);
    EXPECT_EQ(list->visualRect(items.model()->index(0, 0)).height(), 61);
    EXPECT_EQ(list->visualRect(items.model()->index(1, 0)).height(), 150);

    PlistDictionary metrics = document->defaults().imageMetrics();
    metrics.insert(ImageMetricKeys::FilmstripFrames, PlistValue(qint64(3)));
    document->defaults().setImageMetrics(metrics);
    items.combo()->applySettings();
    EXPECT_EQ(delegate->filmstripWidth(), 3 * 97 + 3);
    const ItemsComboDelegate::Layout parts = delegate->layout(QRect(0, 0, 2000, 61), false);
    EXPECT_EQ(parts.filmstrip.width(), 294);
    EXPECT_EQ(parts.comments.width(), 294);
}

TEST_F(ItemsViewsTest, TheCurrentRowsControlsEditAndAnnounce)
{
    ItemsViewController &items = open(3, ItemsViewController::ListStyle);
    ItemsComboView *list = items.combo()->itemsView();
    items.setSelectedElements({ elements[1] });
    ASSERT_TRUE(waitUntil([list] { return list->editedRow() == 1; }));
    auto *editor = qobject_cast<ItemsComboEditor *>(list->indexWidget(items.model()->index(1, 0)));
    ASSERT_TRUE(editor);

    QList<QVariantMap> posted;
    const ObserverToken token
        = NotificationCenter::instance().addObserver(TableElementDidEndEditingNotification,
            [&posted](const Notification &note) { posted.append(note.userInfo); });
    editor->commentsField()->setPlainText(QStringLiteral("Shot at dusk"));
    editor->commit();
    // Announcing the edit may re-sort the rows: the controls open again on the row.
    ASSERT_TRUE(waitUntil([list] { return list->editedRow() == 1; }));
    QPointer<ItemsComboEditor> reopened
        = qobject_cast<ItemsComboEditor *>(list->indexWidget(items.model()->index(1, 0)));
    ASSERT_TRUE(reopened);
    EXPECT_EQ(elements[1]->userComments(), QStringLiteral("Shot at dusk"));
    ASSERT_EQ(posted.size(), 1);
    EXPECT_EQ(posted.first().value(LibraryNotification::LibraryElementKey).value<MediaElementPtr>(),
        elements[1]);
    EXPECT_TRUE(posted.first()
                    .value(LibraryNotification::LibraryElementPropertiesKey)
                    .toStringList()
                    .contains(QStringLiteral("userComments")));

    // The stars of the current row take a click; another row's only select.
    const QRect row = list->visualRect(items.model()->index(1, 0));
    const QRect stars = list->comboDelegate()->layout(row, false).rating;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
        QPoint(stars.left() + 2 * (ItemsPainting::StarSize + ItemsPainting::StarGap) + 3,
            stars.center().y()));
    EXPECT_EQ(elements[1]->rating(), 3);
    EXPECT_EQ(posted.size(), 2);
    NotificationCenter::instance().removeObserver(token);

    QStringList revealed;
    FileBrowser::setOverrideForTesting([&revealed](const QStringList &paths) { revealed = paths; });
    ASSERT_TRUE(waitUntil([list] { return list->editedRow() == 1; }));
    reopened = qobject_cast<ItemsComboEditor *>(list->indexWidget(items.model()->index(1, 0)));
    ASSERT_TRUE(reopened);
    reopened->revealButton()->click();
    EXPECT_EQ(revealed, QStringList { elements[1]->path() });
}

TEST(ImageCache, DamagedImagesFailAndTheBudgetHolds)
{
    QHash<QString, QByteArray> store;
    const QByteArray good = solidJpeg(Qt::blue, QSize(64, 64));
    store.insert(QStringLiteral("good"), good);
    store.insert(QStringLiteral("garbage"), QByteArray("not a picture at all"));
    store.insert(QStringLiteral("truncated"), good.left(good.size() * 2 / 3));
    store.insert(QStringLiteral("empty"), QByteArray());
    const qint64 budget = 5 * 64 * 64 * 4;
    ImageCache cache(budget, [&store](const QString &identifier) -> std::function<QByteArray()> {
        if (identifier == QLatin1String("none"))
            return {};
        const QByteArray bytes = store.value(identifier, solidJpeg(Qt::green, QSize(64, 64)));
        return [bytes] { return bytes; };
    });
    for (const char *name : { "good", "garbage", "truncated", "empty", "none" })
        EXPECT_TRUE(cache.image(QString::fromLatin1(name)).isNull()) << name;
    ASSERT_TRUE(cache.waitForIdle());
    EXPECT_EQ(cache.image(QStringLiteral("good")).size(), QSize(64, 64));
    EXPECT_FALSE(cache.failed(QStringLiteral("good")));
    for (const char *name : { "garbage", "truncated", "empty", "none" }) {
        EXPECT_TRUE(cache.failed(QString::fromLatin1(name))) << name;
        EXPECT_TRUE(cache.image(QString::fromLatin1(name)).isNull()) << name;
    }
    EXPECT_EQ(cache.pendingCount(), 0); // failures are not read again

    // Twenty images into room for five: the oldest go, the budget holds.
    for (int i = 0; i < 20; ++i)
        cache.image(QStringLiteral("image %1").arg(i));
    ASSERT_TRUE(cache.waitForIdle());
    EXPECT_LE(cache.totalBytes(), budget);
    EXPECT_FALSE(cache.contains(QStringLiteral("good")));

    // A new version is read again; the old picture stands in meanwhile.
    ImageCache versions(budget, [&store](const QString &) -> std::function<QByteArray()> {
        const QByteArray bytes = store.value(QStringLiteral("good"));
        return [bytes] { return bytes; };
    });
    versions.image(QStringLiteral("a"), 1);
    ASSERT_TRUE(versions.waitForIdle());
    EXPECT_FALSE(versions.image(QStringLiteral("a"), 2).isNull());
    EXPECT_FALSE(versions.contains(QStringLiteral("a"), 2));
    ASSERT_TRUE(versions.waitForIdle());
    EXPECT_TRUE(versions.contains(QStringLiteral("a"), 2));
}

TEST(ImageCache, LargeImagesAreDecodedScaledDown)
{
    const QImage image
        = ImageCache::decode(solidJpeg(Qt::gray, QSize(1920, 1080)), QSize(800, 450));
    EXPECT_EQ(image.size(), QSize(800, 450));
    EXPECT_EQ(ImageCache::decode(solidJpeg(Qt::gray, QSize(320, 180)), QSize(800, 450)).size(),
        QSize(320, 180));
}
