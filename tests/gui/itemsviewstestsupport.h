#pragma once

// Pictures for the item views' tests and screenshots: JPEGs of one colour or
// of a drawn scene, storyboards whose frames can be told apart, and a colour
// comparison that allows for JPEG's losses.
// Threads: main thread.

#include "model/mediaelement.h"

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QSize>

namespace vidarium {
class MediaLibrary;
}

namespace vidarium::test {

QByteArray solidJpeg(const QColor &colour, const QSize &size = QSize(320, 180));
// A small landscape: sky, sun and hills in colours picked by `seed`.
QByteArray sceneJpeg(int seed, const QSize &size = QSize(320, 180));
// Clearly different colours, one per frame.
QList<QColor> frameColours(int count);
// Gives the element a storyboard of rows x columns frames of these colours,
// and records the storyboard's metrics in the element.
void giveStoryboard(MediaLibrary &library, MediaElement &element, int rows, int columns,
    const QList<QColor> &colours);
// The same with scenes for frames, for pictures that look like a video's.
void giveSceneStoryboard(
    MediaLibrary &library, MediaElement &element, int rows, int columns, int seed);
// A filmstrip of `frames` scenes.
void giveFilmstrip(MediaLibrary &library, const MediaElement &element, int frames, int seed);
bool similar(const QColor &a, const QColor &b, int tolerance = 40);

} // namespace vidarium::test
