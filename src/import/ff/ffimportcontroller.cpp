#include "ffimportcontroller.h"

#include "import/externaltools.h"
#include "import/imagesheet.h"
#include "model/medialibrary.h" // completes MediaElement's library pointer
#include "model/settingkeys.h"
#include "platform/mainthread.h"
#include "platform/userdefaults.h"

namespace vidarium {

FFImportController::FFImportController(
    ImportReceiver &receiver, UserDefaults &defaults, QObject *parent)
    : QObject(parent)
    , m_receiver(receiver)
    , m_defaults(defaults)
    , m_queue(QStringLiteral("com.tallowmere.vidarium.ffimporter"), 1)
{
}

FFImportController::~FFImportController() = default;

std::optional<FFImportController::Programs> FFImportController::programs(
    const DispatchOptions &options)
{
    Programs programs { ExternalTools::pathWithBookmarkData(options.ffprobeBookmark),
        ExternalTools::pathWithBookmarkData(options.ffmpegBookmark) };
    if (!ExternalTools::isExecutableFile(programs.ffprobe)
        || !ExternalTools::isExecutableFile(programs.ffmpeg))
        return std::nullopt;
    return programs;
}

bool FFImportController::importImagesImmediately() const
{
    return m_defaults.boolForKey(SettingKey::ImportImagesImmediately);
}

std::optional<ImageType> FFImportController::nextMissingImage(
    const MediaElement &element, ImageType after)
{
    for (ImageType type : { ImageTypeThumbnail, ImageTypeStoryboard, ImageTypeFilmstrip }) {
        if (type > after && !(element.assets() & assetFlagForImageType(type)))
            return type;
    }
    return std::nullopt;
}

void FFImportController::importElements(
    const ImportElements &elements, const DispatchOptions &options)
{
    const std::optional<Programs> found = programs(options);
    if (!found) {
        releaseWithoutPrograms(elements, std::nullopt);
        return;
    }
    for (const auto &element : elements) {
        if (!element)
            continue;
        if (element->assets() & AssetProperties) {
            if (!importImagesImmediately())
                continue;
            if (const auto next = nextMissingImage(*element, ImageTypeProperties))
                queueStep(element, options, *found, *next, OperationPriority::Normal);
            continue;
        }
        queueStep(element, options, *found, ImageTypeProperties, OperationPriority::VeryHigh);
    }
}

void FFImportController::importElements(
    const ImportElements &elements, const DispatchOptions &options, ImageType imageType)
{
    if (imageType < ImageTypeThumbnail || imageType > ImageTypeFilmstrip)
        return;
    const std::optional<Programs> found = programs(options);
    if (!found) {
        releaseWithoutPrograms(elements, imageType);
        return;
    }
    for (const auto &element : elements) {
        if (element)
            queueStep(element, options, *found, imageType, OperationPriority::VeryHigh);
    }
}

void FFImportController::releaseWithoutPrograms(
    const ImportElements &elements, std::optional<ImageType> imageType)
{
    // Reported from the event loop, not from inside the dispatcher's own call.
    const bool immediately = importImagesImmediately();
    for (const auto &element : elements) {
        if (!element)
            continue;
        QList<ImageType> steps;
        if (imageType) {
            steps.append(*imageType);
        } else {
            // As if read: the element's properties step is released without a
            // value, and the images counted for it with nothing to make them.
            if (!(element->assets() & AssetProperties))
                steps.append(ImageTypeProperties);
            if (immediately) {
                for (ImageType type :
                    { ImageTypeThumbnail, ImageTypeStoryboard, ImageTypeFilmstrip }) {
                    if (!(element->assets() & assetFlagForImageType(type)))
                        steps.append(type);
                }
            }
        }
        postToMainThread(this, [this, element, steps] {
            for (ImageType step : steps)
                m_receiver.receiveImportedElement(element, QByteArray(), step);
        });
    }
}

void FFImportController::queueStep(const std::shared_ptr<MediaElement> &element,
    const DispatchOptions &options, const Programs &programs, ImageType imageType,
    OperationPriority priority)
{
    FFImportOperation::Job job;
    job.ffprobe = programs.ffprobe;
    job.ffmpeg = programs.ffmpeg;
    job.path = element->path();
    job.duration = float(element->duration());
    job.pixelsWide = element->pixelsWide();
    job.pixelsHigh = element->pixelsHigh();
    job.metrics = options.metrics;
    job.limits = m_limits;

    const QString owner = element->owner();
    const quint64 epoch = m_cancelEpochs.value(owner);
    // Results are posted through this guard: when the controller has gone, or
    // the library's work was cancelled meanwhile, the element is not touched.
    auto deliver = [this, owner, epoch](std::function<void()> finish) {
        postToMainThread(this, [this, owner, epoch, finish = std::move(finish)] {
            if (m_cancelEpochs.value(owner) == epoch)
                finish();
        });
    };

    Operation operation;
    operation.owner = owner;
    operation.priority = priority;
    switch (imageType) {
    case ImageTypeProperties:
        operation.name = QStringLiteral("FFPropertiesOperation");
        operation.body = [this, job, element, options, deliver](const CancellationToken &token) {
            if (token.isCancelled())
                return;
            PlistDictionary properties = FFImportOperation::properties(job, token);
            if (token.isCancelled())
                return;
            deliver([this, element, options, properties] {
                finishProperties(element, options, properties);
            });
        };
        break;
    case ImageTypeThumbnail:
    case ImageTypeStoryboard:
    case ImageTypeFilmstrip:
        operation.name = imageType == ImageTypeThumbnail ? QStringLiteral("FFThumbnailOperation")
            : imageType == ImageTypeStoryboard           ? QStringLiteral("FFStoryboardOperation")
                                                         : QStringLiteral("FFFilmstripOperation");
        operation.body
            = [this, job, element, options, imageType, deliver](const CancellationToken &token) {
                  if (token.isCancelled())
                      return;
                  QByteArray data = imageType == ImageTypeThumbnail
                      ? FFImportOperation::thumbnail(job, token)
                      : FFImportOperation::sheet(job, imageType, token);
                  if (token.isCancelled())
                      return;
                  deliver([this, element, options, imageType, data] {
                      finishImage(element, options, imageType, data);
                  });
              };
        break;
    case ImageTypeAll:
        return;
    }
    m_queue.addOperation(std::move(operation));
}

void FFImportController::finishProperties(const std::shared_ptr<MediaElement> &element,
    const DispatchOptions &options, const PlistDictionary &properties)
{
    if (properties.value(QStringLiteral("error")).toBool()) {
        element->setError(true);
        m_receiver.receiveImportedElement(element, QByteArray(), ImageTypeProperties);
        return;
    }
    for (auto it = properties.constBegin(); it != properties.constEnd(); ++it)
        element->setValueForKey(it.value(), it.key());
    m_receiver.receiveImportedElement(element, QByteArray(), ImageTypeProperties);
    if (importImagesImmediately())
        importElements({ element }, options);
}

void FFImportController::finishImage(const std::shared_ptr<MediaElement> &element,
    const DispatchOptions &options, ImageType imageType, const QByteArray &data)
{
    if (!data.isEmpty())
        ImageSheet::recordMetrics(*element, imageType, options.metrics);
    m_receiver.receiveImportedElement(element, data, imageType);
    if (imageType == ImageTypeFilmstrip || !importImagesImmediately())
        return;
    const std::optional<Programs> found = programs(options);
    if (!found)
        return;
    if (const auto next = nextMissingImage(*element, imageType))
        queueStep(element, options, *found, *next, OperationPriority::Normal);
}

void FFImportController::cancelOperationsWithOwner(const QString &libraryIdentifier)
{
    ++m_cancelEpochs[libraryIdentifier];
    m_queue.cancelOperationsWithOwner(libraryIdentifier);
}

void FFImportController::updateMaximumOperations()
{
    const qint64 limit = m_defaults.integerForKey(SettingKey::FFImporterMaximumOperations);
    if (limit >= OperationQueue::MinimumConcurrentOperations
        && limit <= OperationQueue::MaximumConcurrentOperations)
        m_queue.setMaxConcurrentOperationCount(int(limit));
}

} // namespace vidarium
