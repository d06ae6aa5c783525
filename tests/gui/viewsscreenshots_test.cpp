// Pictures of the combined list and the thumbnail grid for review, written to
// build/screenshots/views/ by `make screenshots`.

#include "guitestsupport.h"
#include "itemsviewstestsupport.h"

#include "document/document.h"
#include "model/medialibrary.h"
#include "window/documentwindow.h"
#include "window/documentwindowcontroller.h"
#include "window/imagecache.h"
#include "window/itemimages.h"
#include "window/itemscomboview.h"
#include "window/itemscomboviewcontroller.h"
#include "window/itemsgriddelegate.h"
#include "window/itemsgridview.h"
#include "window/itemsgridviewcontroller.h"
#include "window/itemsmodel.h"
#include "window/itemsviewcontroller.h"

#include <QApplication>
#include <QDir>
#include <QPainter>

#include <gtest/gtest.h>

using namespace vidarium;
using namespace vidarium::test;

namespace {

void save(const QPixmap &picture, const QString &name)
{
    const QString folder = QStringLiteral(VIDARIUM_SCREENSHOT_DIR "/views");
    QDir().mkpath(folder);
    ASSERT_FALSE(picture.isNull());
    ASSERT_TRUE(picture.save(folder + QLatin1Char('/') + name + QStringLiteral(".png")));
}

class ViewsScreenshots : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetTestDefaults();
        dispatcher = makeTestDispatcher();
        document = std::make_unique<Document>();
        makeElements();
        window = std::make_unique<DocumentWindowController>(*document, *dispatcher);
        window->window()->resize(1440, 860);
        window->window()->show();
        QApplication::setActiveWindow(window->window());
        items = window->itemsViewController();
        // The status of each element follows its file: wait for the look at the disk.
        waitUntil([this] { return !items->model()->statusSweepRunning(); });
        processEvents();
    }
    void TearDown() override
    {
        window.reset();
        document.reset();
        processEvents();
    }

    // Twelve clips with every status, real files (one missing), scenes for
    // thumbnails and filmstrips, and a storyboard for the first.
    void makeElements()
    {
        const QStringList names = { "Harbour at dawn", "Mountain pass in the early autumn light",
            "Old reel", "City lights", "Studio take 3", "Birthday", "Snow on the lake",
            "Drone over the vineyard", "Interview (rough cut)", "Night market", "Ferry crossing",
            "Garden timelapse" };
        ElementDictionary media;
        for (int i = 0; i < names.size(); ++i) {
            const QString path = scratch.filePath(names[i] + QStringLiteral(".mp4"));
            if (i % 6 != 5)
                touch(path);
            MediaElementPtr element = MediaElement::create(&document->library(), path);
            const int status = i % 6;
            element->setAssets(status == 0 || status >= 4 ? 15
                    : status == 1                         ? 3
                    : status == 2                         ? 1
                                                          : 0);
            element->setError(status == 4);
            element->setDuration(42.0 + 97 * i);
            element->setSize(qint64(18 + 11 * i) * 1000 * 1000);
            element->setPixelsWide(1920);
            element->setPixelsHigh(1080);
            element->setFrameRate(25);
            element->setRating(i % 6);
            if (i % 3 == 0)
                element->setUserComments(QStringLiteral(
                    "Handheld, some wind noise. Keep the second half for the opening titles."));
            media.insert(element->identifier(), element);
        }
        document->library().setMedia(media);
        for (const MediaElementPtr &element : document->library().allElements()) {
            const int seed = int(qHash(element->name()) % 97);
            document->library().setThumbnailData(sceneJpeg(seed), *element);
            giveFilmstrip(document->library(), *element, 5, seed);
            giveSceneStoryboard(document->library(), *element, 4, 4, seed);
        }
    }

    void settle()
    {
        processEvents(5);
        for (int round = 0; round < 3; ++round) {
            for (ElementImage kind : { ElementImage::Thumbnail, ElementImage::Filmstrip,
                     ElementImage::Poster, ElementImage::Storyboard })
                items->images()->cache(kind).waitForIdle();
            processEvents(5);
        }
    }

    std::unique_ptr<DispatchController> dispatcher;
    std::unique_ptr<Document> document;
    std::unique_ptr<DocumentWindowController> window;
    ItemsViewController *items = nullptr;
    ScratchDir scratch;
};

} // namespace

TEST_F(ViewsScreenshots, CombinedList)
{
    // Wide enough for whole rows: the list alone is pictured.
    window->window()->resize(2400, 900);
    items->selectView(ItemsViewController::ListStyle, false);
    items->setSelectedElements({ items->arrangedElements().at(1) });
    settle();
    QWidget *list = items->combo()->itemsView();
    save(list->grab(), QStringLiteral("combined-list"));

    const MediaElementList shown = items->arrangedElements();
    for (int i : { 0, 2 }) {
        document->library().setPosterData(sceneJpeg(30 + i, QSize(200, 300)), *shown.at(i));
    }
    settle();
    save(list->grab(), QStringLiteral("combined-list-posters"));
}

TEST_F(ViewsScreenshots, ThumbnailGrid)
{
    items->selectView(ItemsViewController::GridStyle, false);
    items->setSelectedElements({ items->arrangedElements().at(2) });
    for (double scale : { 160.0, 260.0 }) {
        items->grid()->setScale(scale);
        settle();
        save(window->window()->grab(), QStringLiteral("grid-%1").arg(int(scale)));
    }
}

TEST_F(ViewsScreenshots, HoverScrubbing)
{
    items->selectView(ItemsViewController::GridStyle, false);
    items->grid()->setScale(220);
    ItemsGridView *grid = items->grid()->itemsView();
    settle();
    const QRect cell
        = grid->gridDelegate()->cellRect(grid->visualRect(items->model()->index(0, 0)));
    // A third of the way across: the sixth frame of sixteen.
    grid->scrubAt(QPoint(cell.left() + cell.width() / 3, cell.center().y()));
    settle();
    const QRect around = cell.adjusted(-11, -11, 11 + cell.width() + 11, 11);
    save(grid->viewport()->grab(around), QStringLiteral("grid-hover-scrub"));
}
