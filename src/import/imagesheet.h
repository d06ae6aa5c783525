#pragma once

// A storyboard (a grid of frames taken at even intervals through a video) or a
// filmstrip (one row of them), as both import tools build it: the geometry
// from the library's image metrics, the frame times, where each frame goes,
// the canvas the frames are drawn into, the JPEG it is encoded as, and the
// metrics an element records for the image it got. Also the JPEG encoding and
// the metrics recording of the thumbnail, so that every image is made alike.
// Threads: a sheet belongs to the one operation building it. recordMetrics
// goes through the element's own lock and may be called from a worker.

#include "import/importtool.h"
#include "platform/plist/plistvalue.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>

#include <optional>

namespace vidarium {

class MediaElement;

class ImageSheet
{
public:
    enum class Kind { Storyboard, Filmstrip };

    // Geometry taken as given; out-of-range values are brought into range (at
    // least one row, column and point of frame) so that every sheet can be made.
    ImageSheet(Kind kind, int rows, int columns, int frameWide, int frameHigh, bool retina);

    // The sheet the library's image metrics ask for, for a video of the given
    // pixel size: with the metrics' aspect flag the frame width follows the
    // video's aspect ratio (a 1920 x 800 video gets 129 x 54 storyboard frames).
    static ImageSheet fromMetrics(
        Kind kind, const PlistDictionary &metrics, qint64 pixelsWide, qint64 pixelsHigh);
    // Frame size in points for a size index: storyboards grow by 32 x 18 per
    // step from 96 x 54 up to index 5 (larger indexes keep the largest size);
    // filmstrips have only 96 x 54.
    static QSize frameSizeForIndex(Kind kind, int sizeIndex);

    Kind kind() const { return m_kind; }
    int rows() const { return m_rows; }
    int columns() const { return m_columns; }
    int frameCount() const { return m_rows * m_columns; }
    int frameWide() const { return m_frameWide; }
    int frameHigh() const { return m_frameHigh; }
    bool retina() const { return m_retina; }
    double scale() const { return m_retina ? 2.0 : 1.0; }
    int border() const { return m_kind == Kind::Storyboard ? 3 : 2; }

    // Canvas size in points and in pixels (points times the scale).
    QSize canvasPointSize() const;
    QSize canvasPixelSize() const;
    // The pixel size every frame image is drawn at; asking the decoder for
    // exactly this size saves a second scaling.
    QSize framePixelSize() const;

    // Seconds at which each frame is taken: frame i at (i + 1) x (D / (N + 1)),
    // in 32-bit floating point, so neither the first nor the last instant is used.
    QList<double> frameTimes(float duration) const;

    // Frame i's rectangle in points, origin at the canvas's lower left corner
    // (row 0 is the top row).
    QRect frameRect(int index) const;

    // Draws a frame into its rectangle, scaled to fill it exactly. The canvas
    // is made on first use, all transparent black, so borders, gaps and frames
    // never drawn come out black.
    void drawFrame(int index, const QImage &frame);
    const QImage &canvas();

    // The whole canvas as JPEG at quality 0.75, marked 144 dots per inch with
    // retina and 72 without; empty when encoding failed.
    QByteArray encode();

    // JPEG at quality 0.75 of any image (thumbnails); dotsPerInch, when given, is
    // recorded in the file.
    static QByteArray encodeJpeg(const QImage &image, std::optional<int> dotsPerInch = {});

    // The entries of the library's metrics an element records for an image of
    // this type: "ThumbnailPosition" for a thumbnail, the five storyboard keys,
    // the four filmstrip keys. Keys the library lacks are left out.
    static PlistDictionary metricsForImage(ImageType type, const PlistDictionary &libraryMetrics);
    // Merges those entries into the element's metrics, keeping its other keys.
    // Only for an image that was made (the caller checks the data is not empty).
    // A template over the element so that the decode helper, which draws sheets
    // but never sees a catalogue, does not link the catalogue.
    template <typename Element = MediaElement>
    static void recordMetrics(
        Element &element, ImageType type, const PlistDictionary &libraryMetrics)
    {
        element.mergeImageMetrics(metricsForImage(type, libraryMetrics));
    }

private:
    Kind m_kind;
    int m_rows;
    int m_columns;
    int m_frameWide;
    int m_frameHigh;
    bool m_retina;
    QImage m_canvas;
};

} // namespace vidarium
