// The thumbnail grid and the combined list over the benchmark's library: the
// first screen of the grid, scrolling both views frame by frame, the image
// caches' sizes after a long scroll, and a zoom step.
//
// The library has no images of its own, so each element gets one of a few
// hundred small JPEGs (thumbnail, filmstrip, storyboard) in memory; they are
// decoded like any others, and dropped again before the benchmark saves.
//
// Last figures (Release, 2-core machine shared with six other builds, load
// average 12 to 14, one run each):
//                                            100,000 elements   2,000 elements
//   switch to the grid, first screen painted   283 ms             41 ms (at once)
//   first screen's thumbnails all decoded      333 ms             66 ms (target 200 ms)
//   grid scrolling                             143 fps            139 fps (target 50)
//     95th percentile frame                    27 ms              25 ms
//   zoom step, re-layout                       46 ms              7.7 ms (target 16 ms)
//   combined list scrolling                    183 fps            169 fps (target 50)
//   thumbnail / filmstrip cache after scroll   93 / 22 MB         (limits 256 / 64 MB)
// Under that load the items table's own figures were two to four times their
// usual values too. The grid's layout is linear in the number of items (the
// list view places every cell): at 100,000 that is what the switch and the
// zoom step cost.

#include "gui/guibenchsupport.h"

#include "document/document.h"
#include "import/imagesheet.h"
#include "model/imagemetrics.h"
#include "model/medialibrary.h"
#include "window/documentwindowcontroller.h"
#include "window/imagecache.h"
#include "window/itemimages.h"
#include "window/itemscomboview.h"
#include "window/itemscomboviewcontroller.h"
#include "window/itemsgridview.h"
#include "window/itemsgridviewcontroller.h"
#include "window/itemsmodel.h"
#include "window/itemsviewcontroller.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <vector>

namespace vidarium::guibench {

namespace {

constexpr int Pictures = 300;

QImage scene(int seed, const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, size.width(), size.height());
    sky.setColorAt(0, QColor::fromHsv(seed * 37 % 360, 140, 220));
    sky.setColorAt(1, QColor::fromHsv(seed * 53 % 360, 200, 90));
    painter.fillRect(image.rect(), sky);
    painter.setBrush(QColor::fromHsv(seed * 71 % 360, 180, 200));
    painter.drawEllipse(QPoint(size.width() * (seed % 7 + 1) / 8, size.height() / 2),
        size.height() / 4, size.height() / 4);
    return image;
}

struct Images
{
    QList<QByteArray> thumbnails;
    QList<QByteArray> filmstrips;
    QList<QByteArray> storyboards;
};

Images makeImages()
{
    Images images;
    for (int i = 0; i < Pictures; ++i) {
        images.thumbnails.append(ImageSheet::encodeJpeg(scene(i, QSize(320, 180))));
        ImageSheet filmstrip(ImageSheet::Kind::Filmstrip, 1, 5, 96, 54, false);
        ImageSheet storyboard(ImageSheet::Kind::Storyboard, 4, 4, 128, 72, false);
        for (int f = 0; f < 16; ++f) {
            if (f < 5)
                filmstrip.drawFrame(f, scene(i + f, filmstrip.framePixelSize()));
            storyboard.drawFrame(f, scene(i + f, storyboard.framePixelSize()));
        }
        images.filmstrips.append(filmstrip.encode());
        images.storyboards.append(storyboard.encode());
    }
    return images;
}

void giveImages(MediaLibrary &library, const MediaElementList &elements)
{
    const Images images = makeImages();
    PlistDictionary metrics;
    metrics.insert(ImageMetricKeys::StoryboardRows, PlistValue(qint64(4)));
    metrics.insert(ImageMetricKeys::StoryboardColumns, PlistValue(qint64(4)));
    metrics.insert(ImageMetricKeys::StoryboardSize, PlistValue(qint64(1)));
    for (int i = 0; i < elements.size(); ++i) {
        const MediaElement &element = *elements[i];
        elements[i]->mergeImageMetrics(metrics);
        library.setThumbnailData(images.thumbnails[i % Pictures], element);
        library.setFilmstripData(images.filmstrips[i % Pictures], element);
        library.setStoryboardData(images.storyboards[i % Pictures], element);
    }
}

// Scrolls by a screen's worth in steps, painting each frame as the screen would;
// returns the frame times in milliseconds.
std::vector<double> scrollFrames(QAbstractItemView *view, int frames, int step)
{
    std::vector<double> times;
    QScrollBar *bar = view->verticalScrollBar();
    for (int i = 0; i < frames; ++i) {
        QElapsedTimer timer;
        timer.start();
        bar->setValue(std::min(bar->maximum(), bar->value() + step));
        view->viewport()->repaint();
        QCoreApplication::processEvents();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return times;
}

void printScroll(const char *label, const std::vector<double> &times)
{
    const double mean = std::accumulate(times.begin(), times.end(), 0.0) / double(times.size());
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    print(label, 1000.0 / mean, "fps", "(target 50 fps)");
    std::printf("    mean %.2f ms, 95th percentile %.2f ms, worst %.2f ms per frame\n", mean,
        sorted[sorted.size() * 95 / 100], sorted.back());
}

void measureGrid(ItemsViewController &items)
{
    ImageCache &thumbnails = items.images()->thumbnails();
    ItemsGridView *grid = items.grid()->itemsView();
    QElapsedTimer timer;
    timer.start();
    items.selectView(ItemsViewController::GridStyle, false);
    grid->viewport()->repaint();
    const double first = double(timer.nsecsElapsed()) / 1e6;
    print("views: switch to the grid, first screen painted", first, "ms", "(at once)");
    thumbnails.waitForIdle();
    grid->viewport()->repaint();
    print("views: first screen's thumbnails all decoded", double(timer.nsecsElapsed()) / 1e6, "ms",
        "(target 200 ms)");

    printScroll("views: grid scrolling", scrollFrames(grid, 300, 60));

    QElapsedTimer zoom;
    zoom.start();
    items.grid()->setScale(grid->scale() + 10);
    grid->doItemsLayout();
    const double relayout = double(zoom.nsecsElapsed()) / 1e6;
    grid->viewport()->repaint();
    print("views: zoom step, re-layout", relayout, "ms", "(target 16 ms)");
    print("  and the repaint after it", double(zoom.nsecsElapsed()) / 1e6 - relayout, "ms");
    items.grid()->setScale(grid->scale() - 10);
}

void measureCombined(ItemsViewController &items)
{
    ItemsComboView *list = items.combo()->itemsView();
    print("views: switch to the combined list", millisecondsOf([&] {
        items.selectView(ItemsViewController::ListStyle, false);
        list->viewport()->repaint();
    }),
        "ms");
    printScroll("views: combined list scrolling", scrollFrames(list, 300, 40));
}

} // namespace

void measureViews(DocumentWindowController &window)
{
    ItemsViewController &items = *window.itemsViewController();
    MediaLibrary &library = window.document().library();
    const MediaElementList elements = items.arrangedElements();
    print("views: give every element its images (set-up)",
        millisecondsOf([&] { giveImages(library, elements); }), "ms");

    measureGrid(items);
    measureCombined(items);
    const double megabyte = 1024.0 * 1024.0;
    print("views: thumbnail cache after scrolling",
        double(items.images()->thumbnails().totalBytes()) / megabyte, "MB", "(limit 256 MB)");
    print("views: filmstrip cache after scrolling",
        double(items.images()->filmstrips().totalBytes()) / megabyte, "MB", "(limit 64 MB)");

    items.selectView(ItemsViewController::TableStyle, false);
    library.imageStore().clearPending();
    for (ElementImage kind :
        { ElementImage::Thumbnail, ElementImage::Filmstrip, ElementImage::Storyboard })
        items.images()->cache(kind).clear();
    pump();
}

} // namespace vidarium::guibench
