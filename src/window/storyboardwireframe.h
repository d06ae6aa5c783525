#pragma once

// The empty storyboard shown while there is no storyboard to show: the grid a
// storyboard made with the library's current settings would have, its borders
// and gaps faintly white and its frames clear.
// Threads: any.

#include "platform/plist/plistvalue.h"

#include <QImage>
#include <QSize>

namespace vidarium {

class StoryboardWireframe
{
public:
    // Frame size in points for a size index: 96 x 54 growing by 32 x 18 up to
    // index 5; any other index gives 128 x 72.
    static QSize frameSize(qint64 sizeIndex);
    // Built fresh from the library's image metrics; rows and columns out of
    // range (0, negative, huge) are brought into the range a storyboard can have.
    static QImage image(const PlistDictionary &imageMetrics);
};

} // namespace vidarium
