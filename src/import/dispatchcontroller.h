#pragma once

// The application's one import dispatcher. It takes the elements of every open
// library that lack properties or images, hands them to an import tool (the
// in-process one first, the external-program one for what that cannot do),
// files each result into its element and library, counts the work in hand per
// library (the status line, the launcher badge, refreshes of the views while
// properties come in), announces the end of an import, re-dispatches elements
// whose images no longer fit the library's image settings, and opens an
// element's file in another application.
// Threads: main thread only. The tools work on their own queues and report
// back here on the main thread.

#include "import/dispatchstatus.h"
#include "import/importtool.h"
#include "platform/notificationcenter.h"
#include "platform/result.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

namespace vidarium {

class Document;
class FFImportController;
class UserDefaults;

namespace DispatchNotification {
inline const QString ElementDidAddThumbnail
    = QStringLiteral("com.tallowmere.vidarium.ElementDidAddThumbnailNotification");
inline const QString ElementDidAddStoryboard
    = QStringLiteral("com.tallowmere.vidarium.ElementDidAddStoryboardNotification");
inline const QString ElementDidAddFilmstrip
    = QStringLiteral("com.tallowmere.vidarium.ElementDidAddFilmstripNotification");
inline const QString SourceDidModifyElements
    = QStringLiteral("com.tallowmere.vidarium.SourceDidModifyElementsNotification");
inline const QString DocumentDefaultsDidChange
    = QStringLiteral("com.tallowmere.vidarium.DocumentDefaultsDidChangeNotification");
inline const QString SystemDidChangeVolumes
    = QStringLiteral("com.tallowmere.vidarium.SystemDidChangeVolumesNotification");
inline const QString AppDidChangeImportQueue
    = QStringLiteral("com.tallowmere.vidarium.AppDidChangeImportQueueNotification");
} // namespace DispatchNotification

class DispatchController : public QObject, public ImportReceiver
{
    Q_OBJECT
public:
    // Makes the in-process tool. It reports to the receiver and hands what it
    // cannot do to the external-program tool. Registered by the tool's own code
    // so the dispatcher builds without it.
    using InProcessToolFactory = std::function<std::unique_ptr<ImportTool>(
        ImportReceiver &receiver, UserDefaults &defaults, ImportTool &externalTool)>;
    static void setInProcessToolFactory(InProcessToolFactory factory);
    static bool hasInProcessToolFactory();

    // What the dispatcher does on the desktop; tests record it instead.
    struct Desktop
    {
        // The count in decimal, or an empty label to remove the badge.
        std::function<void(const QString &label)> setBadgeLabel;
        std::function<void(const QString &title, const QString &informativeText)>
            deliverUserNotification;
        // An empty application identifier means the file's default application.
        std::function<Result<void>(const QString &path, const QString &applicationIdentifier)>
            openFile;
    };
    static Desktop systemDesktop();

    // The process's dispatcher over the standard settings, made on first use;
    // it also picks ffprobe and ffmpeg from the PATH at the very first start.
    static DispatchController &shared();

    // A dispatcher of its own (tests, and the command line, which imports with
    // settings given for one run).
    DispatchController(UserDefaults &defaults, Desktop desktop, QObject *parent = nullptr);
    ~DispatchController() override;

    // The in-process tool, when one is registered; the external-program tool.
    ImportTool *avImporter() const { return m_avImporter.get(); }
    ImportTool &ffImporter() const { return *m_ffImporter; }
    FFImportController *ffImportController() const;
    // Replaces the tool with that identifier (tests put fakes in).
    void setImportTool(const QString &toolIdentifier, std::unique_ptr<ImportTool> tool);

    // Property dispatch to the in-process tool, or to the named tool.
    void dispatchDocument(Document &document, const ImportElements &elements);
    void dispatchDocument(
        Document &document, const ImportElements &elements, const QString &toolIdentifier);
    // Image dispatch (thumbnail, storyboard or filmstrip) of the elements that need it.
    void dispatchDocument(Document &document, const ImportElements &elements, ImageType imageType);

    void receiveImportedElement(const std::shared_ptr<MediaElement> &element,
        const QByteArray &imageData, ImageType imageType) override;

    Document *documentWithIdentifier(const QString &libraryIdentifier) const;
    DispatchStatus &dispatchStatusForDocument(Document &document);
    // The record of a library with work in hand, or null.
    const DispatchStatus *dispatchStatus(const QString &libraryIdentifier) const;
    // "Idle" when the library has no work in hand.
    QString statusMessageForDocument(const Document *document) const;
    // Brings every present element's image flags in line with the library's
    // image settings (this changes the elements) and returns those lacking any step.
    ImportElements staleElementsForDocument(Document *document);
    void cancelDocument(Document &document);
    void cancelLibrary(const QString &libraryIdentifier);
    void updateMaximumOperations();
    DispatchOptions dispatchOptionsForDocument(const Document &document) const;

    // Both programs found (chosen, else on the PATH) and executable.
    bool externalToolsInstalled() const;
    // Opens the element's file (an empty identifier: the default application)
    // and counts the play whatever the outcome.
    void openElement(
        const std::shared_ptr<MediaElement> &element, const QString &applicationIdentifier = {});
    static std::optional<QString> urlWithBookmarkData(const QByteArray &bookmark);

    // The total last shown on the badge.
    qint64 badgeCount() const { return m_badgeCount; }
    // Libraries ask this dispatcher to make the images they lack (the shared
    // dispatcher does this when it is made).
    void installAsImageRequester();

signals:
    // Where the document's status line would be updated.
    void statusMessageChanged(const QString &libraryIdentifier, const QString &message);

private:
    struct Record
    {
        QPointer<Document> document;
        std::unique_ptr<DispatchStatus> status;
    };

    Record &recordForDocument(Document &document);
    void watchDocument(Document &document);
    void dropRecord(const QString &libraryIdentifier);
    void updateStatusMessage(const QString &libraryIdentifier);
    void dispatchHeartbeat(const QString &libraryIdentifier);
    void decrementWithElement(const QString &libraryIdentifier,
        const std::shared_ptr<MediaElement> &element, ImageType imageType);
    void badgeHeartbeat();
    void redispatchStaleElements(Document &document);
    void postLibraryNotification(
        const QString &name, const QString &libraryIdentifier, const QVariantMap &extra = {});
    ImportTool &toolForIdentifier(const QString &toolIdentifier);
    bool importImagesImmediately() const;

    UserDefaults &m_defaults;
    Desktop m_desktop;
    std::unique_ptr<ImportTool> m_ffImporter;
    std::unique_ptr<ImportTool> m_avImporter;
    QHash<QString, std::shared_ptr<Record>> m_records;
    QSet<QString> m_watchedDocuments;
    QTimer m_badgeTimer;
    qint64 m_badgeCount = 0;
    QList<ObserverToken> m_observers;
};

} // namespace vidarium
