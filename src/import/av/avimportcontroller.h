#pragma once

// The import tool that reads files with the FFmpeg libraries rather than
// through external programs: properties, thumbnail, storyboard and filmstrip,
// each step an operation on its own bounded queue, each result handed back to
// the dispatcher on the main thread. Every element it cannot handle goes on,
// alone, to the external-program tool, which has the last word. The decoding
// itself runs in decode helper processes, so a decoder that crashes or hangs
// on a damaged file costs one failed step, never the application.
// Threads: main thread; the operation bodies run on the queue's workers, talk
// to a helper, and post their results back.

#include "import/av/avimporthelperpool.h"
#include "import/importtool.h"
#include "platform/operationqueue.h"

#include <QCborMap>
#include <QHash>
#include <QObject>

#include <atomic>
#include <chrono>
#include <functional>

namespace vidarium {

class UserDefaults;

class AVImportController : public QObject, public ImportTool
{
    Q_OBJECT
public:
    // How long a helper may take before it is killed and the step fails.
    struct Limits
    {
        std::chrono::milliseconds properties { 30000 };
        std::chrono::milliseconds thumbnail { 30000 };
        std::chrono::milliseconds sheet { 20000 };
        std::chrono::milliseconds sheetPerFrame { 2000 };
    };

    AVImportController(ImportReceiver &receiver, UserDefaults &defaults, ImportTool &externalTool,
        QObject *parent = nullptr);
    ~AVImportController() override;

    void importElements(const ImportElements &elements, const DispatchOptions &options) override;
    void importElements(const ImportElements &elements, const DispatchOptions &options,
        ImageType imageType) override;
    void cancelOperationsWithOwner(const QString &libraryIdentifier) override;
    void updateMaximumOperations() override;

    void setLimits(const Limits &limits) { m_limits = limits; }
    int maximumOperations() const { return m_queue.maxConcurrentOperationCount(); }
    // Operations waiting or running.
    int operationCount() const { return m_queue.operationCount(); }
    // Most operations that ran at the same time so far.
    int mostConcurrentOperations() const { return m_mostConcurrent.load(); }
    AVImportHelperPool &helperPool() { return m_helpers; }

    // Tests rewrite requests (into the helpers' crash and hang requests) to
    // show what a dying helper costs.
    using RequestFilter = std::function<QCborMap(const QCborMap &request)>;
    void setRequestFilterForTesting(RequestFilter filter);

private:
    void queueStep(const std::shared_ptr<MediaElement> &element, const DispatchOptions &options,
        ImageType imageType, OperationPriority priority);
    QCborMap answer(const QCborMap &request, std::chrono::milliseconds deadline);
    void finishProperties(const std::shared_ptr<MediaElement> &element,
        const DispatchOptions &options, const PlistDictionary &properties);
    void finishImage(const std::shared_ptr<MediaElement> &element, const DispatchOptions &options,
        ImageType imageType, const QByteArray &data);
    bool readsElement(const MediaElement &element) const;
    bool importImagesImmediately() const;
    int decoderThreads() const;

    ImportReceiver &m_receiver;
    UserDefaults &m_defaults;
    ImportTool &m_externalTool;
    Limits m_limits;
    RequestFilter m_requestFilter;
    // Bumped for a library each time its work is cancelled; results queued
    // under an older epoch are dropped on arrival.
    QHash<QString, quint64> m_cancelEpochs;
    std::atomic_int m_running { 0 };
    std::atomic_int m_mostConcurrent { 0 };
    // Declared before the queue: the queue's destructor waits for the bodies
    // that are still talking to helpers.
    AVImportHelperPool m_helpers;
    OperationQueue m_queue;
};

} // namespace vidarium
