#pragma once

// The source list pane: the library's collections, folders and the user's
// collection tree. It builds the tree, keeps badges and icons current, creates,
// renames and removes collections and folders (asking first where nothing could
// undo it), empties the Trash, and announces the selected collection to the window.
// Threads: main thread.

#include "model/medialibrary.h"
#include "platform/notificationcenter.h"
#include "window/panecontroller.h"

#include <QPersistentModelIndex>
#include <QPointer>
#include <QStringList>
#include <QTreeView>

#include <optional>

class QMessageBox;

namespace vidarium {

class SourceBadgeCounter;
class SourceListModel;
class SourceViewNode;

namespace SourceNotification {
inline const QString SelectionDidChange
    = QStringLiteral("com.tallowmere.vidarium.SourceSelectionDidChangeNotification");
inline const QString DidAddElements
    = QStringLiteral("com.tallowmere.vidarium.SourceSDidAddElementsNotification");
inline const QString DidRemoveElements
    = QStringLiteral("com.tallowmere.vidarium.SourceDidRemoveElementsNotification");
} // namespace SourceNotification

class SourceViewController : public PaneController
{
    Q_OBJECT
public:
    explicit SourceViewController(Document &document, QObject *parent = nullptr);
    ~SourceViewController() override;

    SourceListModel &model() const { return *m_model; }
    SourceBadgeCounter &badges() const { return *m_badges; }
    QTreeView *treeView() const { return m_treeView; }

    SourceViewNode *selectedNode() const;
    // The collection of the selected node; null for a folder or group.
    MediaPlaylistPtr selectedPlaylist() const;
    MediaElementList selectedNodeElements() const;
    QStringList selectedNodePredicateKeyPaths() const;
    // The user's collection tree in its stored form ("NodeTree").
    PlistValue userCollectionNodes() const;
    void selectNode(SourceViewNode *node);

    bool isTargetNodeEditable() const;
    bool isTargetNodeRemoveable() const;
    bool isTargetNodeIconRemoveable() const;
    bool isTrashFull() const;

    void createFolder();
    void createPlaylist();
    void createPlaylistWithSelection(const MediaElementList &elements);
    void createPlaylistWithPredicate();
    void editTargetPredicate();
    void emptyTrash();
    void removeTarget();
    void removeTargetIcon();
    // Removes `node` (and every collection below a folder), asking first when the
    // removal takes a smart collection or a folder holding collections.
    void removeNode(SourceViewNode *node);
    // The alert of Empty Trash for `count` elements (not shown).
    static QMessageBox *makeEmptyTrashAlert(int count, QWidget *parent);

    void cleanup() override;

private:
    void buildTree();
    void restoreExpansion(SourceViewNode *node);
    void announceSelection();
    MediaElementList elementsOfNode(const SourceViewNode *node) const;
    void selectionDidChange();
    SourceViewNode *targetNode() const;
    SourceViewNode *insertionFolder();
    void addCollectionNode(const MediaPlaylistPtr &playlist);
    // The criteria sheet for a new collection (null) or for `playlist`.
    void openPredicateSheet(const MediaPlaylistPtr &playlist);
    void removeNodeNow(SourceViewNode *node);
    void markChanged();
    void observe();
    void libraryDidQueueElements(const Notification &notification);
    void documentDefaultsDidChange();
    void refreshAfterChange(const Notification &notification);
    void showContextMenu(const QPoint &position);
    bool openSheet(QMessageBox *alert);

    SourceListModel *m_model = nullptr;
    SourceBadgeCounter *m_badges = nullptr;
    QPointer<QTreeView> m_treeView;
    QPersistentModelIndex m_contextIndex;
    QString m_selectedKey;
    bool m_building = false;
    // While the selection is announced, every pane asks for the selected
    // collection's elements: they are worked out once for all of them, and
    // again only if an element changes meanwhile (an edit being committed).
    bool m_announcing = false;
    mutable std::optional<MediaElementList> m_announcedElements;
    QList<ObserverToken> m_observers;
};

} // namespace vidarium
