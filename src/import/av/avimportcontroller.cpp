#include "import/av/avimportcontroller.h"

#include "import/av/avimportprotocol.h"
#include "import/imagesheet.h"
#include "model/imagemetrics.h"
#include "model/mediaelement.h"
#include "model/medialibrary.h" // completes MediaElement's library pointer
#include "model/settingkeys.h"
#include "platform/filepath.h"
#include "platform/mainthread.h"
#include "platform/userdefaults.h"

#include <QDateTime>
#include <QThread>

namespace vidarium {

namespace P = AVImportProtocol;

namespace {

// The file system's part of the properties; an attribute that cannot be read
// is left out.
void addFileAttributes(PlistDictionary &properties, const QString &path)
{
    const std::optional<FileStatus> info = fileStatus(path);
    if (!info)
        return;
    properties.insert(QStringLiteral("size"), info->size);
    if (info->created.isValid())
        properties.insert(QStringLiteral("creationDate"), info->created);
    if (info->modified.isValid())
        properties.insert(QStringLiteral("modifiedDate"), info->modified);
}

PlistDictionary propertiesFromAnswer(const QCborMap &answer, const QString &path)
{
    PlistDictionary properties;
    bool error = !answer.value(P::Ok).toBool() || !answer.value(P::HasVideo).toBool();
    if (!error) {
        addFileAttributes(properties, path);
        properties.insert(QStringLiteral("duration"),
            PlistValue::float32(float(answer.value(P::Duration).toDouble())));
        properties.insert(QStringLiteral("pixelsWide"), answer.value(P::PixelsWide).toInteger());
        properties.insert(QStringLiteral("pixelsHigh"), answer.value(P::PixelsHigh).toInteger());
        properties.insert(QStringLiteral("frameRate"),
            PlistValue::float32(float(answer.value(P::FrameRate).toDouble())));
        const QString videoCodec = answer.value(P::VideoCodec).toString();
        if (videoCodec.isEmpty()) {
            properties.insert(QStringLiteral("videoCodec"), QStringLiteral("Unknown"));
            error = true;
        } else {
            properties.insert(QStringLiteral("videoCodec"), videoCodec);
        }
        if (answer.contains(P::AudioCodec))
            properties.insert(QStringLiteral("audioCodec"), answer.value(P::AudioCodec).toString());
    }
    properties.insert(QStringLiteral("error"), error);
    if (!error) {
        properties.insert(QStringLiteral("importedDate"), QDateTime::currentDateTimeUtc());
        properties.insert(QStringLiteral("tool"), QString(AVImporterIdentifier));
    }
    return properties;
}

QString operationName(ImageType type)
{
    switch (type) {
    case ImageTypeProperties:
        return QStringLiteral("AVPropertiesOperation");
    case ImageTypeThumbnail:
        return QStringLiteral("AVThumbnailOperation");
    case ImageTypeStoryboard:
        return QStringLiteral("AVStoryboardOperation");
    case ImageTypeFilmstrip:
        return QStringLiteral("AVFilmstripOperation");
    case ImageTypeAll:
        break;
    }
    return {};
}

// Counts the operations running at once, for the figure tests read.
class RunningCount
{
public:
    RunningCount(std::atomic_int &running, std::atomic_int &most)
        : m_running(running)
    {
        const int now = ++m_running;
        int seen = most.load();
        while (now > seen && !most.compare_exchange_weak(seen, now)) { }
    }
    ~RunningCount() { --m_running; }

private:
    std::atomic_int &m_running;
};

} // namespace

AVImportController::AVImportController(
    ImportReceiver &receiver, UserDefaults &defaults, ImportTool &externalTool, QObject *parent)
    : QObject(parent)
    , m_receiver(receiver)
    , m_defaults(defaults)
    , m_externalTool(externalTool)
    , m_queue(QStringLiteral("com.tallowmere.vidarium.avimporter"), 1)
{
}

AVImportController::~AVImportController() = default;

void AVImportController::setRequestFilterForTesting(RequestFilter filter)
{
    m_requestFilter = std::move(filter);
    m_helpers.setTestRequestsAllowed(bool(m_requestFilter));
}

bool AVImportController::importImagesImmediately() const
{
    return m_defaults.boolForKey(SettingKey::ImportImagesImmediately);
}

bool AVImportController::readsElement(const MediaElement &element) const
{
    return element.tool().isEmpty() || element.tool() == AVImporterIdentifier;
}

int AVImportController::decoderThreads() const
{
    // Several files at once already keep the cores busy; more decoder threads
    // per file would only fight over them. The count asks the system, and a
    // large import asks for every file: once is enough.
    static const int cores = QThread::idealThreadCount();
    return std::max(1, cores / std::max(1, maximumOperations()));
}

void AVImportController::importElements(
    const ImportElements &elements, const DispatchOptions &options)
{
    const bool immediately = importImagesImmediately();
    for (const auto &element : elements) {
        if (!element)
            continue;
        if (!readsElement(*element)) {
            m_externalTool.importElements({ element }, options);
            continue;
        }
        if (!(element->assets() & AssetProperties)) {
            queueStep(element, options, ImageTypeProperties, OperationPriority::VeryHigh);
            continue;
        }
        if (!immediately)
            continue;
        for (ImageType type : { ImageTypeThumbnail, ImageTypeStoryboard, ImageTypeFilmstrip }) {
            if (!(element->assets() & assetFlagForImageType(type))) {
                queueStep(element, options, type, OperationPriority::Normal);
                break;
            }
        }
    }
}

void AVImportController::importElements(
    const ImportElements &elements, const DispatchOptions &options, ImageType imageType)
{
    for (const auto &element : elements) {
        if (!element)
            continue;
        if (!readsElement(*element)) {
            m_externalTool.importElements({ element }, options, imageType);
            continue;
        }
        if (imageType >= ImageTypeThumbnail && imageType <= ImageTypeFilmstrip)
            queueStep(element, options, imageType, OperationPriority::VeryHigh);
    }
}

QCborMap AVImportController::answer(const QCborMap &request, std::chrono::milliseconds deadline)
{
    const QCborMap sent = m_requestFilter ? m_requestFilter(request) : request;
    Result<QCborMap> answer = m_helpers.exchange(sent, deadline);
    return answer ? *answer : P::failure(answer.error().message());
}

void AVImportController::queueStep(const std::shared_ptr<MediaElement> &element,
    const DispatchOptions &options, ImageType imageType, OperationPriority priority)
{
    // Everything the body needs is taken from the element here, on the main
    // thread; the body itself never touches the element.
    const QString path = element->path();
    const int threads = decoderThreads();
    QCborMap request;
    std::chrono::milliseconds deadline = m_limits.properties;
    switch (imageType) {
    case ImageTypeProperties:
        request = P::propertiesRequest(path, threads);
        break;
    case ImageTypeThumbnail: {
        const float position
            = float(options.metrics.value(ImageMetricKeys::ThumbnailPosition).toDouble());
        request = P::thumbnailRequest(path, position, threads);
        deadline = m_limits.thumbnail;
        break;
    }
    case ImageTypeStoryboard:
    case ImageTypeFilmstrip: {
        const ImageSheet sheet = ImageSheet::fromMetrics(imageType == ImageTypeStoryboard
                ? ImageSheet::Kind::Storyboard
                : ImageSheet::Kind::Filmstrip,
            options.metrics, element->pixelsWide(), element->pixelsHigh());
        request
            = P::sheetRequest(path, sheet, sheet.frameTimes(float(element->duration())), threads);
        deadline = m_limits.sheet + m_limits.sheetPerFrame * sheet.frameCount();
        break;
    }
    case ImageTypeAll:
        return;
    }

    const QString owner = element->owner();
    const quint64 epoch = m_cancelEpochs.value(owner);
    Operation operation;
    operation.owner = owner;
    operation.priority = priority;
    operation.name = operationName(imageType);
    operation.body = [this, element, options, imageType, request, deadline, path, owner, epoch](
                         const CancellationToken &token) {
        if (token.isCancelled())
            return;
        RunningCount running(m_running, m_mostConcurrent);
        const QCborMap result = answer(request, deadline);
        if (token.isCancelled())
            return;
        std::function<void()> finish;
        if (imageType == ImageTypeProperties) {
            finish = [this, element, options, properties = propertiesFromAnswer(result, path)] {
                finishProperties(element, options, properties);
            };
        } else {
            finish
                = [this, element, options, imageType, data = result.value(P::Jpeg).toByteArray()] {
                      finishImage(element, options, imageType, data);
                  };
        }
        // Dropped when the controller has gone or the library's work was
        // cancelled while the result was on its way.
        postToMainThread(this, [this, owner, epoch, finish = std::move(finish)] {
            if (m_cancelEpochs.value(owner) == epoch)
                finish();
        });
    };
    m_queue.addOperation(std::move(operation));
}

void AVImportController::finishProperties(const std::shared_ptr<MediaElement> &element,
    const DispatchOptions &options, const PlistDictionary &properties)
{
    if (properties.value(QStringLiteral("error")).toBool()) {
        m_externalTool.importElements({ element }, options);
        return;
    }
    for (auto it = properties.constBegin(); it != properties.constEnd(); ++it)
        element->setValueForKey(it.value(), it.key());
    m_receiver.receiveImportedElement(element, QByteArray(), ImageTypeProperties);
    if (importImagesImmediately())
        importElements({ element }, options);
}

void AVImportController::finishImage(const std::shared_ptr<MediaElement> &element,
    const DispatchOptions &options, ImageType imageType, const QByteArray &data)
{
    if (data.isEmpty()) {
        // When images are made during import the external tool takes the chain
        // over from the first missing image. Otherwise only a request naming the
        // image makes it make one; without that the step would stay counted
        // and the library's import would never end.
        if (importImagesImmediately())
            m_externalTool.importElements({ element }, options);
        else
            m_externalTool.importElements({ element }, options, imageType);
        return;
    }
    ImageSheet::recordMetrics(*element, imageType, options.metrics);
    m_receiver.receiveImportedElement(element, data, imageType);
    if (imageType != ImageTypeFilmstrip && importImagesImmediately())
        importElements({ element }, options);
}

void AVImportController::cancelOperationsWithOwner(const QString &libraryIdentifier)
{
    ++m_cancelEpochs[libraryIdentifier];
    m_queue.cancelOperationsWithOwner(libraryIdentifier);
}

void AVImportController::updateMaximumOperations()
{
    const qint64 limit = m_defaults.integerForKey(SettingKey::AVImporterMaximumOperations);
    if (limit >= OperationQueue::MinimumConcurrentOperations
        && limit <= OperationQueue::MaximumConcurrentOperations) {
        m_queue.setMaxConcurrentOperationCount(int(limit));
        m_helpers.setMaximumHelpers(int(limit));
    }
}

} // namespace vidarium
