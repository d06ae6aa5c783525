#include "dispatchcontroller.h"

#include "document/document.h"
#include "import/externaltools.h"
#include "model/applicationsettings.h"
#include "model/definitions.h"
#include "model/documentdefaults.h"
#include "model/medialibrary.h"
#include "model/settingkeys.h"
#include "platform/desktopintegration.h"
#include "platform/userdefaults.h"

#include <QMutex>

namespace vidarium {

namespace {

constexpr int BadgeIntervalMs = 500;

QList<DispatchStatus::Entry> entriesFor(const ImportElements &elements)
{
    QList<DispatchStatus::Entry> entries;
    entries.reserve(elements.size());
    for (const auto &element : elements)
        entries.append({ element->identifier(), element->assets() });
    return entries;
}

ImportElements withoutNulls(const ImportElements &elements)
{
    ImportElements kept;
    kept.reserve(elements.size());
    for (const auto &element : elements) {
        if (element)
            kept.append(element);
    }
    return kept;
}

} // namespace

DispatchController::Desktop DispatchController::systemDesktop()
{
    Desktop desktop;
    desktop.setBadgeLabel = [](const QString &label) {
        DesktopIntegration::instance().setBadgeCount(label.isEmpty() ? 0 : label.toLongLong());
    };
    desktop.deliverUserNotification = [](const QString &title, const QString &text) {
        DesktopIntegration::instance().deliverUserNotification(title, text);
    };
    return desktop;
}

DispatchController &DispatchController::shared()
{
    static QMutex creation;
    static DispatchController *instance = nullptr;
    QMutexLocker locker(&creation);
    if (!instance) {
        // Lives until the process ends, as every part of the program may hold on to it.
        instance = new DispatchController(UserDefaults::standard(), systemDesktop());
        instance->installAsImageRequester();
    }
    return *instance;
}

DispatchController::DispatchController(UserDefaults &defaults, Desktop desktop, QObject *parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_desktop(std::move(desktop))
{
    m_badgeTimer.setInterval(BadgeIntervalMs);
    connect(&m_badgeTimer, &QTimer::timeout, this, &DispatchController::badgeHeartbeat);
    m_badgeTimer.start();

    NotificationCenter &center = NotificationCenter::instance();
    m_observers.append(center.addObserver(
        DocumentDefaultsNotification::DidChange,
        [this](const Notification &notification) {
            const QString identifier
                = notification.userInfo.value(LibraryNotification::LibraryIdentifierKey).toString();
            if (Document *document = documentWithIdentifier(identifier))
                redispatchStaleElements(*document);
        },
        this));
    for (const QString &name : { DispatchNotification::SystemDidChangeVolumes,
             DispatchNotification::AppDidChangeImportQueue }) {
        m_observers.append(center.addObserver(
            name,
            [this](const Notification &) {
                const QList<Document *> documents = Document::openDocuments();
                for (Document *document : documents)
                    redispatchStaleElements(*document);
            },
            this));
    }
}

DispatchController::~DispatchController()
{
    for (const ObserverToken &token : m_observers)
        NotificationCenter::instance().removeObserver(token);
    // The tools' queues wait for running work, which may post back here; the
    // posts are guarded by the tools themselves, so dropping them first is safe.
    m_inProcessTool.reset();
    m_externalTool.reset();
}

void DispatchController::setTools(
    std::unique_ptr<ImportTool> inProcessTool, std::unique_ptr<ImportTool> externalTool)
{
    // The old in-process tool may still refer to the old external one.
    m_inProcessTool.reset();
    m_externalTool = std::move(externalTool);
    m_inProcessTool = std::move(inProcessTool);
}

void DispatchController::installAsImageRequester()
{
    QPointer<DispatchController> self(this);
    MediaLibrary::setImageRequester(
        [self](MediaLibrary &library, const MediaElementList &elements, ElementImage image) {
            const std::optional<ImageType> type = imageTypeForImage(image);
            if (!self || !type)
                return;
            if (Document *document = self->documentWithIdentifier(library.identifier()))
                self->dispatchDocument(*document, elements, *type);
        });
}

bool DispatchController::importImagesImmediately() const
{
    return m_defaults.boolForKey(SettingKey::ImportImagesImmediately);
}

ImportTool *DispatchController::toolForIdentifier(const QString &toolIdentifier) const
{
    if (toolIdentifier == FFImporterIdentifier || !m_inProcessTool)
        return m_externalTool.get();
    return m_inProcessTool.get();
}

DispatchOptions DispatchController::dispatchOptionsForDocument(const Document &document) const
{
    DispatchOptions options;
    options.metrics = document.defaults().imageMetrics();
    options.ffmpegBookmark
        = ExternalTools::effectiveBookmark(m_defaults, ExternalTools::Program::FFmpeg);
    options.ffprobeBookmark
        = ExternalTools::effectiveBookmark(m_defaults, ExternalTools::Program::FFprobe);
    return options;
}

// --- Records --------------------------------------------------------------------------

void DispatchController::watchDocument(Document &document)
{
    const QString identifier = document.identifier();
    if (m_watchedDocuments.contains(identifier))
        return;
    m_watchedDocuments.insert(identifier);
    // A library that goes away takes its queued work with it.
    connect(&document, &QObject::destroyed, this, [this, identifier] {
        m_watchedDocuments.remove(identifier);
        cancelLibrary(identifier);
    });
}

DispatchController::Record &DispatchController::recordForDocument(Document &document)
{
    const QString identifier = document.identifier();
    std::shared_ptr<Record> &record = m_records[identifier];
    if (!record) {
        record = std::make_shared<Record>();
        record->document = &document;
        record->status = std::make_unique<DispatchStatus>(
            [this, identifier] { dispatchHeartbeat(identifier); });
        watchDocument(document);
    }
    return *record;
}

DispatchStatus &DispatchController::dispatchStatusForDocument(Document &document)
{
    return *recordForDocument(document).status;
}

const DispatchStatus *DispatchController::dispatchStatus(const QString &libraryIdentifier) const
{
    const std::shared_ptr<Record> record = m_records.value(libraryIdentifier);
    return record ? record->status.get() : nullptr;
}

void DispatchController::dropRecord(const QString &libraryIdentifier)
{
    std::shared_ptr<Record> record = m_records.take(libraryIdentifier);
    if (!record)
        return;
    record->status->stopDispatchTimer();
    // The record may be the one whose code is running further up the stack (a
    // release that ended the import, a refresh an observer answered by
    // cancelling): it goes once control is back in the event loop.
    QTimer::singleShot(0, this, [record] {});
}

Document *DispatchController::documentWithIdentifier(const QString &libraryIdentifier) const
{
    if (libraryIdentifier.isEmpty())
        return nullptr;
    if (const std::shared_ptr<Record> record = m_records.value(libraryIdentifier);
        record && record->document)
        return record->document.data();
    return Document::documentWithIdentifier(libraryIdentifier);
}

QString DispatchController::statusMessageForDocument(const Document *document) const
{
    const DispatchStatus *status = document ? dispatchStatus(document->identifier()) : nullptr;
    return status ? status->statusMessage() : QStringLiteral("Idle");
}

void DispatchController::updateStatusMessage(const QString &libraryIdentifier)
{
    const DispatchStatus *status = dispatchStatus(libraryIdentifier);
    emit statusMessageChanged(
        libraryIdentifier, status ? status->statusMessage() : QStringLiteral("Idle"));
}

// --- Dispatch ---------------------------------------------------------------------------

void DispatchController::dispatchDocument(Document &document, const ImportElements &elements)
{
    dispatchDocument(document, elements, QString(AVImporterIdentifier));
}

void DispatchController::dispatchDocument(
    Document &document, const ImportElements &elements, const QString &toolIdentifier)
{
    const ImportElements present = withoutNulls(elements);
    ImportTool *tool = toolForIdentifier(toolIdentifier);
    if (present.isEmpty() || !tool)
        return;
    dispatchStatusForDocument(document).incrementWithElements(
        entriesFor(present), importImagesImmediately());
    updateStatusMessage(document.identifier());
    tool->importElements(present, dispatchOptionsForDocument(document));
}

void DispatchController::dispatchDocument(
    Document &document, const ImportElements &elements, ImageType imageType)
{
    // The in-process tool passes on what the other tool read to that tool.
    ImportTool *tool = toolForIdentifier(QString(AVImporterIdentifier));
    if (!tool)
        return;
    const ImportElements present = withoutNulls(elements);
    const QList<qsizetype> accepted
        = dispatchStatusForDocument(document).incrementWithElements(entriesFor(present), imageType);
    updateStatusMessage(document.identifier());
    if (accepted.isEmpty())
        return;
    ImportElements needed;
    needed.reserve(accepted.size());
    for (qsizetype index : accepted)
        needed.append(present[index]);
    tool->importElements(needed, dispatchOptionsForDocument(document), imageType);
}

void DispatchController::receiveImportedElement(
    const std::shared_ptr<MediaElement> &element, const QByteArray &imageData, ImageType imageType)
{
    if (!element)
        return;
    QPointer<Document> document = documentWithIdentifier(element->owner());
    if (!document)
        return;
    MediaLibrary &library = document->library();
    const QString libraryIdentifier = document->identifier();

    if (element->error()) {
        library.dequeueElement(element);
        decrementWithElement(libraryIdentifier, element, ImageTypeAll);
        return;
    }

    switch (imageType) {
    case ImageTypeProperties:
        if (library.containsElement(*element)) {
            library.dequeueElement(element);
            element->addAssets(AssetProperties);
        }
        break;
    case ImageTypeThumbnail:
    case ImageTypeStoryboard:
    case ImageTypeFilmstrip:
        if (!imageData.isEmpty() && library.containsElement(*element)) {
            const QString *name = nullptr;
            if (imageType == ImageTypeThumbnail) {
                library.setThumbnailData(imageData, *element);
                name = &DispatchNotification::ElementDidAddThumbnail;
            } else if (imageType == ImageTypeStoryboard) {
                library.setStoryboardData(imageData, *element);
                name = &DispatchNotification::ElementDidAddStoryboard;
            } else {
                library.setFilmstripData(imageData, *element);
                name = &DispatchNotification::ElementDidAddFilmstrip;
            }
            element->addAssets(assetFlagForImageType(imageType));
            postLibraryNotification(*name, libraryIdentifier,
                { { LibraryNotification::LibraryElementKey, QVariant::fromValue(element) } });
        }
        break;
    case ImageTypeAll:
        break;
    }

    decrementWithElement(libraryIdentifier, element, imageType);
    if (document)
        document->updateChangeCount(Document::Change::Done);
}

void DispatchController::decrementWithElement(const QString &libraryIdentifier,
    const std::shared_ptr<MediaElement> &element, ImageType imageType)
{
    QPointer<Document> document = documentWithIdentifier(libraryIdentifier);
    if (!document)
        return;
    // Held here: a deferred dispatch or the end of the import may drop the record.
    recordForDocument(*document);
    const std::shared_ptr<Record> record = m_records.value(libraryIdentifier);
    DispatchStatus &status = *record->status;

    const QList<ImageType> deferred = status.decrementWithElement(element->identifier(), imageType);
    for (ImageType type : deferred) {
        if (document)
            dispatchDocument(*document, { element }, type);
    }
    updateStatusMessage(libraryIdentifier);

    if (!status.properties().isEmpty() || m_records.value(libraryIdentifier) != record)
        return;
    if (status.isDispatchTimerPending()) {
        status.stopDispatchTimer();
        postLibraryNotification(DispatchNotification::SourceDidModifyElements, libraryIdentifier);
    }
    if (!status.imageSetsEmpty() || m_records.value(libraryIdentifier) != record)
        return;
    cancelLibrary(libraryIdentifier);
    if (importImagesImmediately() && m_desktop.deliverUserNotification) {
        const Definitions &definitions = Definitions::shared();
        m_desktop.deliverUserNotification(
            definitions.localizedString(QStringLiteral("ImportCompleteNotificationMessageText")),
            definitions.localizedString(
                QStringLiteral("ImportCompleteNotificationInformativeText")));
    }
}

// --- Heartbeats and notifications ------------------------------------------------------

void DispatchController::dispatchHeartbeat(const QString &libraryIdentifier)
{
    postLibraryNotification(DispatchNotification::SourceDidModifyElements, libraryIdentifier);
    ApplicationSettings::logConsoleMessage(m_defaults, QStringLiteral("Dispatch View Refresh"));
}

void DispatchController::badgeHeartbeat()
{
    qint64 total = 0;
    for (const std::shared_ptr<Record> &record : std::as_const(m_records))
        total += record->status->queueCount();
    if (total == m_badgeCount)
        return;
    m_badgeCount = total;
    if (m_desktop.setBadgeLabel)
        m_desktop.setBadgeLabel(total >= 1 ? QString::number(total) : QString());
}

void DispatchController::postLibraryNotification(
    const QString &name, const QString &libraryIdentifier, const QVariantMap &extra)
{
    QVariantMap userInfo = extra;
    userInfo.insert(LibraryNotification::LibraryIdentifierKey, libraryIdentifier);
    NotificationCenter::instance().post(name, this, userInfo);
}

// --- Stale elements and cancelling --------------------------------------------------------

ImportElements DispatchController::staleElementsForDocument(Document *document)
{
    ImportElements stale;
    if (!document)
        return stale;
    const PlistDictionary metrics = document->defaults().imageMetrics();
    const MediaElementList elements = document->library().allElements();
    for (const MediaElementPtr &element : elements) {
        if (!element || !element->followMovedFile())
            continue;
        const auto follow = [&element](int flag, bool conforms) {
            if (conforms)
                element->addAssets(flag);
            else
                element->removeAssets(flag);
        };
        follow(AssetThumbnail, element->conformsToThumbnailMetrics(metrics));
        follow(AssetStoryboard, element->conformsToStoryboardMetrics(metrics));
        follow(AssetFilmstrip, element->conformsToFilmstripMetrics(metrics));
        if (!element->containsAssets(AssetsComplete))
            stale.append(element);
    }
    return stale;
}

void DispatchController::redispatchStaleElements(Document &document)
{
    const ImportElements stale = staleElementsForDocument(&document);
    if (stale.isEmpty())
        return;
    cancelDocument(document);
    dispatchDocument(document, stale);
}

void DispatchController::cancelDocument(Document &document)
{
    cancelLibrary(document.identifier());
}

void DispatchController::cancelLibrary(const QString &libraryIdentifier)
{
    dropRecord(libraryIdentifier);
    updateStatusMessage(libraryIdentifier);
    if (m_inProcessTool)
        m_inProcessTool->cancelOperationsWithOwner(libraryIdentifier);
    if (m_externalTool)
        m_externalTool->cancelOperationsWithOwner(libraryIdentifier);
}

void DispatchController::updateMaximumOperations()
{
    if (m_inProcessTool)
        m_inProcessTool->updateMaximumOperations();
    if (m_externalTool)
        m_externalTool->updateMaximumOperations();
}

} // namespace vidarium
