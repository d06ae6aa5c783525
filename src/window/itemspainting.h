#pragma once

// What the grid and the combined list paint alike: the status colours, the
// placeholder shown while an image decodes or when it cannot be read, an image
// fitted into a box, the dark linen behind the grid, and the storyboard frame
// that hover scrubbing shows in place of the thumbnail.
// Threads: main thread (pixmaps).

#include <QColor>
#include <QImage>
#include <QRect>

class QPainter;
class QPixmap;

namespace vidarium {

class ItemImages;
class MediaElement;

namespace ItemsPainting {

// The colour of an element's status bar: 0 green, 1 purple, 2 yellow, 3 grey,
// 4 and 5 red; anything else grey.
QColor statusColor(int status);
// A frame's outline on a dark ground; `failed` adds a cross (the image could not be read).
void drawPlaceholder(QPainter *painter, const QRect &box, bool failed);
// The part `source` of `image` (all of it when empty), as large as fits into
// `box` keeping its aspect, centred. Returns the rectangle drawn into.
QRect drawFitted(
    QPainter *painter, const QRect &box, const QImage &image, const QRect &source = {});
// The tile the grid's background repeats; made once.
const QPixmap &linenTexture();

// Five stars, the first `rating` of them filled, from the left of `box`.
void drawStars(QPainter *painter, const QRect &box, int rating, const QColor &color);
// The rating a point at x in stars drawn into `box` stands for (0 left of them).
int ratingAt(const QRect &box, int x);
constexpr int StarSize = 11;
constexpr int StarGap = 2;

// The "show in file manager" glyph: a magnifier.
void drawRevealGlyph(QPainter *painter, const QRect &box, const QColor &color);
// How far through the storyboard a scrub is: a thin bar along the bottom of `box`.
void drawScrubPosition(QPainter *painter, const QRect &box, int frame, int count);

// Where the pointer scrubs: the row under it and the frame its position picks.
struct Scrub
{
    int row = -1;
    int frame = 0;
    bool operator==(const Scrub &) const = default;
};

// The storyboard image and the rectangle of frame `frame` in it, when the
// element's storyboard is decoded (asked for otherwise: a null image for now).
QImage storyboardFrame(ItemImages &images, const MediaElement &element, int frame, QRect *source);

} // namespace ItemsPainting

} // namespace vidarium
