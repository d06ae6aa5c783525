#pragma once

// Drives the window of one open library: builds it from the five panes in two
// split views, restores and reports its geometry, shows the import status,
// answers questions about the selection by asking the right pane, routes every
// command of the window to the pane that handles it and decides which commands
// are enabled (all of them are off while a sheet is attached).
// Threads: main thread.

#include "model/mediaelement.h"
#include "model/medialibrary.h"
#include "platform/notificationcenter.h"
#include "platform/plist/plistvalue.h"
#include "platform/plist/sortdescriptor.h"
#include "window/documentwindow.h"

#include <QDialog>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QVariant>

#include <functional>
#include <optional>

class QAction;
class QLabel;

namespace vidarium {

class DetailViewController;
class DispatchController;
class Document;
class DocumentSaver;
class DocumentToolbar;
class FilterViewController;
class ItemsViewController;
class PaneController;
class SourceViewController;
class SplitView;
class StoryboardViewController;
using SortDescriptorList = QList<std::shared_ptr<const SortDescriptor>>;

class DocumentWindowController : public QObject
{
    Q_OBJECT
public:
    static inline const QString DocumentWindowDidLoad
        = QStringLiteral("com.tallowmere.vidarium.DocumentWindowDidLoadNotification");
    static inline const QString SourceViewControllerKey = QStringLiteral("SourceViewControllerKey");
    static inline const QString FilterViewControllerKey = QStringLiteral("FilterViewControllerKey");
    static inline const QString ItemsViewControllerKey = QStringLiteral("ItemsViewControllerKey");
    static inline const QString StoryboardViewControllerKey
        = QStringLiteral("StoryboardViewControllerKey");
    static inline const QString DetailViewControllerKey = QStringLiteral("DetailViewControllerKey");
    // Shown in the status line after the user stopped an import.
    static QString importStoppedMessage();
    // The status line changes at most this often, however fast the import reports.
    static constexpr int StatusIntervalMs = 260;
    static constexpr int MinimumWidth = 1080;
    static constexpr int MinimumHeight = 420;

    // windowDidLoad runs here: the window is built, but not shown.
    DocumentWindowController(
        Document &document, DispatchController &dispatcher, QObject *parent = nullptr);
    ~DocumentWindowController() override;

    Document &document() const { return m_document; }
    DispatchController &dispatcher() const { return m_dispatcher; }
    DocumentWindow *window() const { return m_window; }
    SplitView *splitView() const { return m_splitView; }
    SplitView *itemsSplitView() const { return m_itemsSplitView; }
    DocumentToolbar *toolbar() const { return m_toolbar; }
    DocumentSaver &saver() const { return *m_saver; }

    // The title shown for a library that was never saved ("Untitled", "Untitled 2").
    void setUntitledName(const QString &name);
    QString displayName() const;
    // A library opened from another program's place (the previous version's
    // library) is saved elsewhere: it counts as never saved until Save As.
    void setDetachedFromFile(bool detached);
    // Whether saving writes where the library was read (else the save panel opens).
    bool hasFileLocation() const;

    // --- Panes -----------------------------------------------------------------------
    PaneController *viewController(const QString &key) const
    {
        return m_viewControllers.value(key);
    }
    SourceViewController *sourceViewController() const;
    FilterViewController *filterViewController() const;
    ItemsViewController *itemsViewController() const;
    StoryboardViewController *storyboardViewController() const;
    DetailViewController *detailViewController() const;

    // --- Queries for the menus and the other panes ------------------------------------
    MediaPlaylistPtr selectedPlaylist() const;
    MediaElementList selectedNodeElements() const;
    QStringList selectedNodePredicateKeyPaths() const;
    PlistValue userCollectionNodes() const;
    QString filterProperty() const;
    QList<int> filterSortTags() const;
    MediaElementList arrangedElements() const;
    MediaElementList selectedElements() const;
    int selectedElementCount() const;
    SortDescriptorList sortDescriptors() const;
    PlistDictionary windowMetrics() const;

    // Restores the window's size and dividers from the settings (damaged values
    // are ignored or clamped).
    void resizeWindowWithMetrics(const PlistDictionary &metrics);
    // Before every save: the live geometry into the settings, the collection tree
    // into the library.
    void prepareForSave();

    // --- Commands ----------------------------------------------------------------------
    // Commands are named by their action ("importFiles:"); the argument is the tag
    // or the represented object of the menu item.
    bool handlesAction(const QString &action) const;
    void perform(const QString &action, const QVariant &argument = {});
    bool validateAction(const QString &action, const QVariant &argument = {}) const;
    // Actions of the window's menus and toolbar: their "action" property names the
    // command, their data the argument. They are re-validated by updateActions().
    void registerAction(QAction *action);
    void updateActions();
    // Commands the window does not handle (the application's) are validated here.
    using ApplicationValidator = std::function<bool(const QString &action)>;
    void setApplicationValidator(ApplicationValidator validator);

    // --- Sheets ------------------------------------------------------------------------
    bool isSheetAttached() const { return m_sheet != nullptr; }
    QDialog *attachedSheet() const { return m_sheet; }
    // Shows `sheet` window-modal on the window; the window's commands are off until
    // it ends. False (and the sheet is dropped) while another sheet is attached.
    bool beginSheet(QDialog *sheet);
    void showVersionAlert();

    // --- Status line -------------------------------------------------------------------
    QString statusMessage() const;
    void setStatusMessage(const QString &message);
    int statusChangeCount() const { return m_statusChanges; }
    // The cancel command: stops the library's whole import.
    void stopImport();

    void importFiles();
    void rescanFolders();
    void paste();
    void exportFiles(int kind);
    // Hands paths to the document's import and the new elements to the dispatcher.
    void importPaths(const QStringList &paths);

    // Stops every observation; the panes clean up.
    void cleanup();

signals:
    void sheetChanged();

private:
    void buildWindow();
    void insertPanes();
    void insertPane(const QString &key, PaneController *pane, SplitView *split, int index);
    void applyStatusMessage(const QString &message);
    void dispatchUnprocessedElements();
    void updateTitle();
    void performPaneAction(const QString &action, const QVariant &argument);
    void performWindowAction(const QString &action, const QVariant &argument);
    bool validateTableAction(const QString &action, const QVariant &argument, bool *known) const;
    void presentMovie();
    void showSheetNamed(const QString &action);

    Document &m_document;
    DispatchController &m_dispatcher;
    QPointer<DocumentWindow> m_window;
    SplitView *m_splitView = nullptr;
    SplitView *m_itemsSplitView = nullptr;
    DocumentToolbar *m_toolbar = nullptr;
    QLabel *m_statusLabel = nullptr;
    std::unique_ptr<DocumentSaver> m_saver;
    QHash<QString, PaneController *> m_viewControllers;
    QList<QPointer<QAction>> m_actions;
    ApplicationValidator m_applicationValidator;
    QPointer<QDialog> m_sheet;
    QString m_untitledName;
    bool m_detached = false;
    // Throttled status line: what to show when the interval is over.
    QTimer m_statusTimer;
    std::optional<QString> m_pendingStatus;
    bool m_importStopped = false;
    int m_importStops = 0;
    int m_statusChanges = 0;
    QList<ObserverToken> m_observers;
    bool m_cleanedUp = false;
    bool m_actionUpdatePending = false;
};

} // namespace vidarium
