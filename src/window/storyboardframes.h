#pragma once

// Where the frames of an element's storyboard lie in its image, for showing
// one frame at a time (hover scrubbing) without decoding the video: the grid
// comes from the metrics the element recorded when its storyboard was made,
// mapped onto the image as it was decoded (possibly scaled down).
// Threads: plain functions; safe from any thread.

#include "platform/plist/plistvalue.h"

#include <QRect>

namespace vidarium {

namespace StoryboardFrames {

// More than any storyboard the settings can ask for; larger values are damage.
constexpr int MaximumRowsOrColumns = 64;

// The number of frames the element's storyboard holds (at least 1).
int frameCount(const PlistDictionary &elementMetrics);
// Frame `index`'s rectangle in a storyboard image of `imageSize` pixels, for a
// video of the given pixel size (which the frames' aspect may follow).
QRect frameRect(const PlistDictionary &elementMetrics, qint64 pixelsWide, qint64 pixelsHigh,
    const QSize &imageSize, int index);
// The frame a pointer at `x` across a span of `width` shows: the k-th of n
// equal parts shows frame k.
int frameAt(double x, double width, int count);

} // namespace StoryboardFrames

} // namespace vidarium
