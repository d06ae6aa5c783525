#pragma once

// The items pane: the elements of the selected collection as shown (filtered
// and sorted), the selection the other panes and the menus follow, the search
// field the toolbar carries, and the commands that act on the selected
// elements. Until the table, list and grid views arrive it shows a plain list
// of names.
// Threads: main thread.

#include "model/mediaelement.h"
#include "platform/plist/sortdescriptor.h"
#include "window/panecontroller.h"

class QLineEdit;
class QListView;

namespace vidarium {

class DispatchController;
class ElementListModel;
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
    void setSelectedElements(const MediaElementList &elements);
    SortDescriptorList sortDescriptors() const;
    QLineEdit *searchField() const { return m_searchField; }
    QListView *itemsView() const { return m_listView; }
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

private:
    void elementValuesChanged(const QString &identifier);

    DispatchController &m_dispatcher;
    SourceViewController &m_source;
    ElementListModel *m_model = nullptr;
    QListView *m_listView = nullptr;
    QLineEdit *m_searchField = nullptr;
    int m_currentViewStyle = NoStyle;
};

} // namespace vidarium
