#pragma once

// The import tool that runs ffprobe (properties) and ffmpeg (frames) as child
// processes: one operation per step on its own bounded queue, results handed
// back to the dispatcher on the main thread. It has the last word on whether
// a file is readable: an element it cannot read gets its error flag.
// Threads: main thread; the operation bodies run on the queue's workers and
// post their results back.

#include "import/ff/ffimportoperation.h"
#include "import/importtool.h"
#include "platform/operationqueue.h"

#include <QHash>
#include <QObject>

namespace vidarium {

class UserDefaults;

class FFImportController : public QObject, public ImportTool
{
    Q_OBJECT
public:
    FFImportController(ImportReceiver &receiver, UserDefaults &defaults, QObject *parent = nullptr);
    ~FFImportController() override;

    void importElements(const ImportElements &elements, const DispatchOptions &options) override;
    void importElements(const ImportElements &elements, const DispatchOptions &options,
        ImageType imageType) override;
    void cancelOperationsWithOwner(const QString &libraryIdentifier) override;
    void updateMaximumOperations() override;

    // Child processes that run longer are killed (tests shorten them).
    void setLimits(const FFImportOperation::Limits &limits) { m_limits = limits; }
    int maximumOperations() const { return m_queue.maxConcurrentOperationCount(); }
    // Operations waiting or running.
    int operationCount() const { return m_queue.operationCount(); }

private:
    struct Programs
    {
        QString ffprobe;
        QString ffmpeg;
    };
    // Both programs resolved and executable, or nothing.
    static std::optional<Programs> programs(const DispatchOptions &options);
    // With a program missing nothing can be made: every step the element was
    // counted for is released, so its library's status can return to "Idle".
    void releaseWithoutPrograms(const ImportElements &elements, std::optional<ImageType> imageType);
    // The first image the element lacks after the given step (thumbnail,
    // storyboard, filmstrip), so a failed step is never asked for again in a row.
    static std::optional<ImageType> nextMissingImage(const MediaElement &element, ImageType after);
    void queueStep(const std::shared_ptr<MediaElement> &element, const DispatchOptions &options,
        const Programs &programs, ImageType imageType, OperationPriority priority);
    void finishProperties(const std::shared_ptr<MediaElement> &element,
        const DispatchOptions &options, const PlistDictionary &properties);
    void finishImage(const std::shared_ptr<MediaElement> &element, const DispatchOptions &options,
        ImageType imageType, const QByteArray &data);
    bool importImagesImmediately() const;

    ImportReceiver &m_receiver;
    UserDefaults &m_defaults;
    FFImportOperation::Limits m_limits;
    // Bumped for a library each time its work is cancelled; results queued
    // under an older epoch are dropped on arrival.
    QHash<QString, quint64> m_cancelEpochs;
    OperationQueue m_queue;
};

} // namespace vidarium
