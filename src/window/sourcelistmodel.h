#pragma once

// The source list's tree as an item model: the "LIBRARY" heading with the
// built-in collections, the "COLLECTIONS" heading with the user's folders and
// collections. It builds the tree from the library and its stored nodes, renames,
// inserts, moves and removes nodes, and decides and carries out every drop
// (nodes, elements, icon files), so the rules are testable without a drag.
// Things that need the window (questions, announcements) are asked for by signals.
// Threads: main thread.

#include "model/mediaelement.h"
#include "window/sourceviewnode.h"

#include <QAbstractItemModel>
#include <QStringList>

#include <memory>

namespace vidarium {

class Document;
class MediaPlaylist;
using MediaPlaylistPtr = std::shared_ptr<MediaPlaylist>;

class SourceListModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    static inline const QString NodeType
        = QStringLiteral("com.tallowmere.vidarium.pasteboard.nodetype");
    enum Role {
        KindRole = Qt::UserRole + 1, // NodeKind
        BadgeRole,
        KeyRole,
    };
    enum class NodeKind { Group, Folder, Collection };
    // What a drop would do; Refused when it would do nothing.
    enum class DropVerdict { Refused, Move };
    // Icon files larger than this are refused unread.
    static constexpr qint64 MaximumIconFileBytes = 1024 * 1024;

    explicit SourceListModel(Document &document, QObject *parent = nullptr);

    Document &document() const { return m_document; }
    // Builds the whole tree; returns how many stored nodes were skipped as bad.
    int build();
    // Inserts or removes the optional built-in collections by the settings.
    void populateOptionalNodes();

    SourceViewNode *libraryGroup() const { return m_roots.value(0).get(); }
    SourceViewNode *collectionsGroup() const { return m_roots.value(1).get(); }
    const QList<SourceViewNodePtr> &roots() const { return m_roots; }
    SourceViewNode *nodeForIndex(const QModelIndex &index) const;
    QModelIndex indexForNode(const SourceViewNode *node) const;
    SourceViewNode *nodeForKey(const QString &key) const;
    SourceViewNode *allVideosNode() const;
    SourceViewNode *trashNode() const;
    MediaPlaylistPtr playlistForNode(const SourceViewNode *node) const;
    // Whether `node` lies strictly inside "COLLECTIONS" / is a child of "LIBRARY".
    bool isInsideCollections(const SourceViewNode *node) const;
    bool isLibraryChild(const SourceViewNode *node) const;
    // The user's part of the tree in its stored form ("NodeTree").
    PlistValue userCollectionNodes() const;

    // Inserts at `row` of `parent` (the end for -1); the node may come from elsewhere.
    bool insertNode(SourceViewNode *parent, int row, const SourceViewNodePtr &node);
    void removeNode(SourceViewNode *node);
    bool moveNode(SourceViewNode *node, SourceViewNode *newParent, int row);
    // The rows of these nodes changed how they look (badges, icons).
    void nodesChanged(const QList<SourceViewNode *> &nodes);
    void allNodesChanged();

    // --- Rows ------------------------------------------------------------------------
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    // Renames the node of `index` and its collection; refuses empty names.
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // --- Drag and drop (sourcelistmodeldrops.cpp) ----------------------------------------
    // The selected row and the node being dragged out, which the rules depend on.
    void setSelectedNode(SourceViewNode *node) { m_selected = node; }
    void setDraggedNode(SourceViewNode *node) { m_dragged = node; }
    SourceViewNode *draggedNode() const { return m_dragged; }
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDropActions() const override;
    Qt::DropActions supportedDragActions() const override;
    // `row` -1 is a drop on `parent`; an invalid parent with -1 is empty space.
    DropVerdict validateDrop(const QMimeData *data, SourceViewNode *target, int row) const;
    bool canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
        const QModelIndex &parent) const override;
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
        const QModelIndex &parent) override;
    bool acceptDrop(const QMimeData *data, SourceViewNode *target, int row);
    // The icon bytes (TIFF) the files make, or empty when they make no valid icon.
    static QByteArray iconDataFromFiles(const QStringList &paths);

signals:
    // The user dropped this node on "Trash": the window asks and removes.
    void removeRequested(SourceViewNode *node);
    // A node moved, elements left or joined collections, a collection was made.
    void treeEdited();
    void elementsLeftCollections(const MediaElementList &elements);
    void collectionCreatedByDrop(SourceViewNode *node);
    void importRequested(const QStringList &paths);

private:
    struct DragElements
    {
        bool valid = false;
        bool fromThisDocument = false;
        bool anyUnreadable = false;
        QStringList identifiers; // this document's: the live elements' identifiers
        QStringList paths; // another document's: the files to import
    };
    const DragElements &dragElements(const QMimeData *data) const;
    MediaElementList liveElements(const QStringList &identifiers) const;
    DropVerdict validateNodeDrop(const QMimeData *data, SourceViewNode *target, int row) const;
    DropVerdict validateElementDrop(const QMimeData *data, SourceViewNode *target) const;
    DropVerdict validateFileDrop(const QMimeData *data, SourceViewNode *target) const;
    bool acceptElementDrop(const QMimeData *data, SourceViewNode *target);
    bool acceptNodeDrop(SourceViewNode *target, int row);
    SourceViewNodePtr makeCollectionNode(const MediaPlaylistPtr &playlist) const;
    void appendUnplacedCollections();

    Document &m_document;
    QList<SourceViewNodePtr> m_roots;
    SourceViewNode *m_selected = nullptr;
    SourceViewNode *m_dragged = nullptr;
    // The last element drag read, by the identity of its bytes: a drag asks on every move.
    mutable const void *m_dragBytes = nullptr;
    mutable qsizetype m_dragSize = -1;
    mutable DragElements m_dragElements;
    mutable QString m_iconCheckedFor;
    mutable bool m_iconCheckResult = false;
};

} // namespace vidarium
