#pragma once

// The items pane: the elements of the selected collection as shown (filtered
// and sorted), the selection the other panes and the menus follow, the search
// field the toolbar carries, and the commands that act on the selected
// elements. It shows them in the table, the combined list or the thumbnail
// grid, all over the same items and selection.
// Threads: main thread.

#include "model/mediaelement.h"
#include "model/predicate.h"
#include "platform/notificationcenter.h"
#include "platform/plist/sortdescriptor.h"
#include "window/panecontroller.h"

#include <QPointer>

class QLabel;
class QLineEdit;
class QMessageBox;
class QStackedWidget;
class QTableView;
class QTimer;

namespace vidarium {

class DispatchController;
class ItemImages;
class ItemsBrowserView;
class ItemsComboViewController;
class ItemsContextMenu;
class ItemsGridViewController;
class ItemsModel;
class ItemsTableViewController;

class SourceViewController;
using SortDescriptorList = QList<std::shared_ptr<const SortDescriptor>>;

class ItemsViewController : public PaneController
{
    Q_OBJECT
public:
    enum ViewStyle { NoStyle = 0, TableStyle = 1, ListStyle = 2, GridStyle = 3 };

    ItemsViewController(Document &document, DispatchController &dispatcher,
        SourceViewController &source, QObject *parent = nullptr);

    MediaElementList arrangedElements() const;
    MediaElementList selectedElements() const;
    // What a command acts on: the row under the context-menu click when it is
    // not selected, else the selected elements.
    MediaElementList targetItems() const;
    // Whether targetItems() is not empty, without making the list.
    bool hasTargetItems() const;
    void setSelectedElements(const MediaElementList &elements);
    SortDescriptorList sortDescriptors() const;
    QLineEdit *searchField() const { return m_searchField; }
    QTableView *itemsView() const;
    ItemsModel *model() const { return m_model; }
    ItemsTableViewController *table() const { return m_table; }
    ItemsComboViewController *combo() const { return m_combo; }
    ItemsGridViewController *grid() const { return m_grid; }
    // The decoded element images every view of the window shares.
    ItemImages *images() const { return m_images; }
    ItemsContextMenu *contextMenu() const { return m_contextMenu; }
    QLabel *summaryLabel() const { return m_summary; }
    QString summaryText() const;
    // Runs the search for the field's latest text now (typing runs it once idle).
    void applySearchNow();
    // "Remove from Collection" only for a static collection; elsewhere the
    // command moves the elements to the trash and says so.
    QString removeCommandTitle() const;
    void pasteAsKeywords();
    void pasteAsFields();
    int currentViewStyle() const { return m_currentViewStyle; }

    // Reloads the list from the selected collection.
    void reloadElements();

    // A style from a menu is stored in the settings; none means the stored style.
    void selectView(std::optional<int> style, bool fromMenu);
    void arrangeItems(const QString &key);
    void openTarget();
    void openTargetWithApplication(const QString &applicationIdentifier);
    void revealTargetInFinder();
    void trashTarget();
    void removeTarget();
    void reimportTarget();
    void importImagesForTarget(int tag);
    void rateTarget(int rating);
    void copy();

    bool canRemoveTarget() const;
    bool canReimportTarget() const;
    bool canImportImagesForTarget() const;
    bool pasteboardContainsForeignElements() const;

    void cleanup() override;

    // Double click on a row, by the application setting (itemsviewcontrollerevents.cpp).
    void doubleClickRow(int row);
    // Imports the files of a dropped "text/uri-list"; the list is read off the main thread.
    void importDroppedFiles(const QByteArray &uriList);

private:
    // Refused edits, double clicks and file drops (itemsviewcontrollerevents.cpp).
    void connectInteractions();
    void editWasRefused(const QString &reason, bool byFileSystem);
    void shareWithTable(ItemsBrowserView *view);
    // Ends inline editing in the table and the combined list, keeping the edit.
    void endEditing();
    void updateShownView();
    void observe(const QString &name, void (ItemsViewController::*handler)(const Notification &));
    bool concernsThisLibrary(const Notification &note) const;
    void sourceSelectionChanged(const Notification &note);
    void filterSelectionChanged(const Notification &note);
    void elementsAdded(const Notification &note);
    void elementsRemoved(const Notification &note);
    void rebuild(const Notification &note);
    // Whether a change of these properties can move elements in or out of the
    // list (the collection's and the filters' criteria) or change their order.
    bool changeMayMoveRows(const QVariant &properties) const;
    void endedEditing(const Notification &note);
    void applyAllPredicates();
    // Keeps the selection and the scroll position across a change of the rows.
    void preservingSelection(const std::function<void()> &change);
    void updateSummary();
    void restoreSort();
    void postModified(const QStringList &keys);
    void showSheet(QMessageBox *alert);

    DispatchController &m_dispatcher;
    SourceViewController &m_source;
    ItemsModel *m_model = nullptr;
    ItemsTableViewController *m_table = nullptr;
    ItemImages *m_images = nullptr;
    ItemsComboViewController *m_combo = nullptr;
    ItemsGridViewController *m_grid = nullptr;
    ItemsContextMenu *m_contextMenu = nullptr;
    QStackedWidget *m_stack = nullptr;
    QLabel *m_summary = nullptr;
    QLineEdit *m_searchField = nullptr;
    QTimer *m_searchTimer = nullptr;
    std::optional<Predicate> m_propertyPredicate;
    std::optional<Predicate> m_keywordPredicate;
    std::optional<Predicate> m_searchPredicate;
    QList<ObserverToken> m_observers;
    bool m_rebuildPending = false;
    bool m_modifyQueued = false;
    int m_currentViewStyle = NoStyle;
};

} // namespace vidarium
