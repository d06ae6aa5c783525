#pragma once

// The face every import tool shows the dispatcher: take elements that lack
// properties or images, work on them on the tool's own queue, and report each
// finished step to an ImportReceiver on the main thread. Both the in-process
// tool and the external-program tool implement it, so the dispatcher never
// knows how a step is done.
// Threads: every call into a tool and every report out of it happens on the
// main thread. An element handed to a tool stays owned by its library; the tool
// must not touch it from a worker thread except through the element's own
// locked accessors, and must drop any result that arrives after
// cancelOperationsWithOwner() named the element's library.

#include "model/imagekinds.h"
#include "platform/plist/plistvalue.h"

#include <QByteArray>
#include <QLatin1String>
#include <QList>
#include <QString>

#include <memory>

namespace vidarium {

class MediaElement;

// What an element's `tool` records after a tool read its properties.
inline constexpr QLatin1String AVImporterIdentifier { "com.tallowmere.vidarium.importer.av" };
inline constexpr QLatin1String FFImporterIdentifier { "com.tallowmere.vidarium.importer.ff" };

// The same type as MediaElementList (model/mediaelement.h), without including it.
using ImportElements = QList<std::shared_ptr<MediaElement>>;

// Built afresh by the dispatcher for every hand-over and passed unchanged to
// the tool and on to each of its operations.
struct DispatchOptions
{
    PlistDictionary metrics; // the library's image metrics at hand-over time
    QByteArray ffmpegBookmark; // "FFmpegBookmark"; empty when none was chosen
    QByteArray ffprobeBookmark; // "FFprobeBookmark"; empty when none was chosen
};

// Where a tool reports finished steps: the dispatcher, or a fake in tests.
class ImportReceiver
{
public:
    virtual ~ImportReceiver() = default;
    // imageData is empty for a properties step and for an image that could not
    // be made. An element the tool could not read arrives with its error flag set.
    virtual void receiveImportedElement(const std::shared_ptr<MediaElement> &element,
        const QByteArray &imageData, ImageType imageType)
        = 0;
};

class ImportTool
{
public:
    virtual ~ImportTool() = default;

    // Queues the next step of each element: its properties when they are not
    // read yet, otherwise (when images are made during import) its first missing image.
    virtual void importElements(const ImportElements &elements, const DispatchOptions &options) = 0;
    // Queues that one image step (thumbnail, storyboard or filmstrip) for each element.
    virtual void importElements(
        const ImportElements &elements, const DispatchOptions &options, ImageType imageType)
        = 0;
    // Cancels every queued or running operation whose element belongs to the library.
    virtual void cancelOperationsWithOwner(const QString &libraryIdentifier) = 0;
    // Re-reads the tool's concurrency limit from the settings.
    virtual void updateMaximumOperations() = 0;
};

} // namespace vidarium
