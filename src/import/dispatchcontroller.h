#pragma once

// The application's one import dispatcher. It takes the elements of every open
// library that lack properties or images, hands them to an import tool (the
// in-process one first, the external-program one for what that cannot do),
// files each result into its element and library, counts the work in hand per
// library (the status line, the launcher badge, refreshes of the views while
// properties come in), announces the end of an import, and re-dispatches
// elements whose images no longer fit the library's image settings.
// Threads: main thread only. The tools work on their own queues and report
// back here on the main thread.

#include "import/dispatchstatus.h"
#include "import/importtool.h"
#include "platform/notificationcenter.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

namespace vidarium {

class Document;
class UserDefaults;

namespace DispatchNotification {
inline const QString ElementDidAddThumbnail
    = QStringLiteral("com.tallowmere.vidarium.ElementDidAddThumbnailNotification");
inline const QString ElementDidAddStoryboard
    = QStringLiteral("com.tallowmere.vidarium.ElementDidAddStoryboardNotification");
inline const QString ElementDidAddFilmstrip
    = QStringLiteral("com.tallowmere.vidarium.ElementDidAddFilmstripNotification");
// Also posted by the element opener and the items view when they change elements.
inline const QString SourceDidModifyElements
    = QStringLiteral("com.tallowmere.vidarium.SourceDidModifyElementsNotification");
// Posted by the window program (the volume monitor's relay, the preferences);
// declared here because the engine, which cannot see the window program, answers them.
inline const QString SystemDidChangeVolumes
    = QStringLiteral("com.tallowmere.vidarium.SystemDidChangeVolumesNotification");
inline const QString AppDidChangeImportQueue
    = QStringLiteral("com.tallowmere.vidarium.AppDidChangeImportQueueNotification");
} // namespace DispatchNotification

class DispatchController : public QObject, public ImportReceiver
{
    Q_OBJECT
public:
    // What the dispatcher does on the desktop; tests record it instead.
    struct Desktop
    {
        // The count in decimal, or an empty label to remove the badge.
        std::function<void(const QString &label)> setBadgeLabel;
        std::function<void(const QString &title, const QString &informativeText)>
            deliverUserNotification;
    };
    static Desktop systemDesktop();

    // The process's dispatcher over the standard settings, made on first use
    // without tools: the program that uses it hands them over with setTools().
    static DispatchController &shared();

    // A dispatcher of its own (tests, and the command line, which imports with
    // settings given for one run).
    DispatchController(UserDefaults &defaults, Desktop desktop, QObject *parent = nullptr);
    ~DispatchController() override;

    // The tools the work goes to. The in-process tool may hand what it cannot
    // read to the external one, so both are replaced together, the in-process
    // one first; without it every step goes to the external tool. Until an
    // external tool is set, dispatches are dropped uncounted.
    void setTools(
        std::unique_ptr<ImportTool> inProcessTool, std::unique_ptr<ImportTool> externalTool);

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
    // The settings it dispatches under.
    UserDefaults &defaults() const { return m_defaults; }

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
    ImportTool *toolForIdentifier(const QString &toolIdentifier) const;
    bool importImagesImmediately() const;

    UserDefaults &m_defaults;
    Desktop m_desktop;
    // Declared in this order so the in-process tool, which may refer to the
    // external one, goes first.
    std::unique_ptr<ImportTool> m_externalTool;
    std::unique_ptr<ImportTool> m_inProcessTool;
    QHash<QString, std::shared_ptr<Record>> m_records;
    QSet<QString> m_watchedDocuments;
    QTimer m_badgeTimer;
    qint64 m_badgeCount = 0;
    QList<ObserverToken> m_observers;
};

} // namespace vidarium
