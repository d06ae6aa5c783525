#include "sourcelistmodel.h"

#include "document/document.h"
#include "model/definitions.h"
#include "model/documentdefaults.h"
#include "model/medialibrary.h"
#include "model/mediaplaylist.h"

#include <QUuid>

#include <algorithm>

namespace vidarium {

SourceListModel::SourceListModel(Document &document, QObject *parent)
    : QAbstractItemModel(parent)
    , m_document(document)
{
}

SourceViewNodePtr SourceListModel::makeCollectionNode(const MediaPlaylistPtr &playlist) const
{
    return SourceViewNode::makeLeaf(playlist->identifier(), playlist->name());
}

int SourceListModel::build()
{
    beginResetModel();
    m_roots.clear();
    m_selected = nullptr;
    m_dragged = nullptr;
    const MediaLibrary &library = m_document.library();
    SourceViewNodePtr libraryGroup
        = SourceViewNode::makeGroup(SourceViewNode::LibraryGroupKey, QStringLiteral("LIBRARY"));
    for (const QString &type :
        { MediaPlaylist::TypeMedia, MediaPlaylist::TypeError, MediaPlaylist::TypeTrash })
        if (const MediaPlaylistPtr playlist = library.playlistWithType(type))
            libraryGroup->insertChild(
                int(libraryGroup->children().size()), makeCollectionNode(playlist));
    SourceViewNodePtr collections = SourceViewNode::makeGroup(
        SourceViewNode::PlaylistsGroupKey, QStringLiteral("COLLECTIONS"));
    m_roots = { libraryGroup, collections };

    QSet<QString> placed;
    const auto acceptLeaf = [&](const QString &key) {
        const MediaPlaylistPtr playlist = library.playlistWithIdentifier(key);
        if (!playlist || playlist->isBuiltIn() || placed.contains(key))
            return false;
        placed.insert(key);
        return true;
    };
    int skipped = 0;
    for (const SourceViewNodePtr &node :
        SourceViewNode::decodeTree(library.sourceNodes(), acceptLeaf, &skipped))
        collections->insertChild(int(collections->children().size()), node);
    // The collection's own name wins: the node only mirrors it.
    for (SourceViewNode *leaf : collections->allChildLeafs())
        if (const MediaPlaylistPtr playlist = library.playlistWithIdentifier(leaf->key());
            playlist && !playlist->name().isEmpty())
            leaf->setName(playlist->name());
    endResetModel();
    appendUnplacedCollections();
    populateOptionalNodes();
    return skipped;
}

// User collections no node names would be unreachable: they join at the end.
void SourceListModel::appendUnplacedCollections()
{
    QSet<QString> placed;
    for (SourceViewNode *leaf : collectionsGroup()->allChildLeafs())
        placed.insert(leaf->key());
    QList<MediaPlaylistPtr> unplaced;
    for (const MediaPlaylistPtr &playlist : m_document.library().playlists())
        if (!playlist->isBuiltIn() && !placed.contains(playlist->identifier()))
            unplaced.append(playlist);
    std::sort(unplaced.begin(), unplaced.end(),
        [](const auto &a, const auto &b) { return a->name().localeAwareCompare(b->name()) < 0; });
    for (const MediaPlaylistPtr &playlist : unplaced)
        insertNode(collectionsGroup(), -1, makeCollectionNode(playlist));
}

void SourceListModel::populateOptionalNodes()
{
    const MediaLibrary &library = m_document.library();
    const PlistDictionary visibility = m_document.defaults().sourceListVisibility();
    const PlistArray items = Definitions::shared()
                                 .privateDefinitions()
                                 .value(QStringLiteral("SourceListItems"))
                                 .toArray();
    SourceViewNode *group = libraryGroup();
    int insertAt = 1;
    for (const PlistValue &item : items) {
        const MediaPlaylistPtr playlist = library.playlistWithType(item.toString());
        if (!playlist || playlist->isListedByType())
            continue;
        SourceViewNode *existing = nodeForKey(playlist->identifier());
        if (visibility.value(playlist->type()).toBool()) {
            if (!existing)
                insertNode(group, insertAt, makeCollectionNode(playlist));
            ++insertAt;
        } else if (existing) {
            removeNode(existing);
        }
    }
}

SourceViewNode *SourceListModel::nodeForIndex(const QModelIndex &index) const
{
    return index.isValid() ? static_cast<SourceViewNode *>(index.internalPointer()) : nullptr;
}

QModelIndex SourceListModel::indexForNode(const SourceViewNode *node) const
{
    if (!node)
        return {};
    int row = node->row();
    if (!node->parent()) {
        row = -1;
        for (int i = 0; i < m_roots.size(); ++i)
            if (m_roots.at(i).get() == node)
                row = i;
        if (row < 0)
            return {};
    }
    return createIndex(row, 0, const_cast<SourceViewNode *>(node));
}

SourceViewNode *SourceListModel::nodeForKey(const QString &key) const
{
    for (const SourceViewNodePtr &root : m_roots) {
        if (root->key() == key)
            return root.get();
        for (SourceViewNode *node : root->descendants())
            if (node->key() == key)
                return node;
    }
    return nullptr;
}

SourceViewNode *SourceListModel::allVideosNode() const
{
    const MediaPlaylistPtr all = m_document.library().playlistWithType(MediaPlaylist::TypeMedia);
    return all ? nodeForKey(all->identifier()) : nullptr;
}

SourceViewNode *SourceListModel::trashNode() const
{
    const MediaPlaylistPtr trash = m_document.library().playlistWithType(MediaPlaylist::TypeTrash);
    return trash ? nodeForKey(trash->identifier()) : nullptr;
}

MediaPlaylistPtr SourceListModel::playlistForNode(const SourceViewNode *node) const
{
    if (!node || !node->isLeaf())
        return {};
    return m_document.library().playlistWithIdentifier(node->key());
}

bool SourceListModel::isInsideCollections(const SourceViewNode *node) const
{
    return node && collectionsGroup() && node->isDescendantOf(collectionsGroup());
}

bool SourceListModel::isLibraryChild(const SourceViewNode *node) const
{
    return node && node->parent() && node->parent() == libraryGroup();
}

PlistValue SourceListModel::userCollectionNodes() const
{
    return collectionsGroup() ? SourceViewNode::encodeTree(collectionsGroup()->children())
                              : PlistValue(PlistArray());
}

bool SourceListModel::insertNode(SourceViewNode *parent, int row, const SourceViewNodePtr &node)
{
    if (!parent || !node || parent->isLeaf() || parent == node.get()
        || parent->isDescendantOf(node.get()))
        return false;
    if (node->parent())
        return moveNode(node.get(), parent, row);
    if (row < 0 || row > parent->children().size())
        row = int(parent->children().size());
    beginInsertRows(indexForNode(parent), row, row);
    parent->insertChild(row, node);
    endInsertRows();
    return true;
}

void SourceListModel::removeNode(SourceViewNode *node)
{
    SourceViewNode *parent = node ? node->parent() : nullptr;
    if (!parent)
        return;
    if (m_dragged && (m_dragged == node || m_dragged->isDescendantOf(node)))
        m_dragged = nullptr;
    if (m_selected && (m_selected == node || m_selected->isDescendantOf(node)))
        m_selected = nullptr;
    const int row = node->row();
    beginRemoveRows(indexForNode(parent), row, row);
    const SourceViewNodePtr keep = parent->takeChild(row);
    endRemoveRows();
}

bool SourceListModel::moveNode(SourceViewNode *node, SourceViewNode *newParent, int row)
{
    SourceViewNode *oldParent = node ? node->parent() : nullptr;
    if (!oldParent || !newParent || newParent->isLeaf() || newParent == node
        || newParent->isDescendantOf(node))
        return false;
    const int from = node->row();
    if (row < 0 || row > newParent->children().size())
        row = int(newParent->children().size());
    if (oldParent == newParent && (row == from || row == from + 1))
        return true;
    if (!beginMoveRows(indexForNode(oldParent), from, from, indexForNode(newParent), row))
        return false;
    const SourceViewNodePtr keep = oldParent->childAt(from);
    newParent->insertChild(row, keep);
    endMoveRows();
    return true;
}

void SourceListModel::nodesChanged(const QList<SourceViewNode *> &nodes)
{
    for (SourceViewNode *node : nodes) {
        const QModelIndex index = indexForNode(node);
        emit dataChanged(index, index, { BadgeRole, Qt::DecorationRole, Qt::DisplayRole });
    }
}

void SourceListModel::allNodesChanged()
{
    QList<SourceViewNode *> nodes;
    for (const SourceViewNodePtr &root : m_roots) {
        nodes.append(root.get());
        nodes.append(root->descendants());
    }
    nodesChanged(nodes);
}

int SourceListModel::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return int(m_roots.size());
    if (parent.column() > 0)
        return 0;
    return int(nodeForIndex(parent)->children().size());
}

int SourceListModel::columnCount(const QModelIndex &) const
{
    return 1;
}

QModelIndex SourceListModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column != 0 || row < 0)
        return {};
    if (!parent.isValid())
        return row < m_roots.size() ? createIndex(row, 0, m_roots.at(row).get()) : QModelIndex();
    const SourceViewNode *node = nodeForIndex(parent);
    if (!node || row >= node->children().size())
        return {};
    return createIndex(row, 0, node->children().at(row).get());
}

QModelIndex SourceListModel::parent(const QModelIndex &child) const
{
    const SourceViewNode *node = nodeForIndex(child);
    if (!node || !node->parent())
        return {};
    return indexForNode(node->parent());
}

bool SourceListModel::hasChildren(const QModelIndex &parent) const
{
    return rowCount(parent) > 0;
}

QVariant SourceListModel::data(const QModelIndex &index, int role) const
{
    const SourceViewNode *node = nodeForIndex(index);
    if (!node)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::ToolTipRole:
        return node->name();
    case KindRole:
        return int(node->isGroup() ? NodeKind::Group
                : node->isLeaf()   ? NodeKind::Collection
                                   : NodeKind::Folder);
    case BadgeRole:
        return node->badgeCount();
    case KeyRole:
        return node->key();
    default:
        return {};
    }
}

bool SourceListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    SourceViewNode *node = nodeForIndex(index);
    if (role != Qt::EditRole || !node || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const QString name = SourceViewNode::sanitizedName(value.toString());
    if (name.isEmpty())
        return false;
    if (name == node->name())
        return true;
    // The edited row's collection is renamed, whatever is selected by now.
    node->setName(name);
    if (const MediaPlaylistPtr playlist = playlistForNode(node))
        playlist->setName(name);
    emit dataChanged(index, index, { Qt::DisplayRole, Qt::EditRole });
    emit treeEdited();
    return true;
}

Qt::ItemFlags SourceListModel::flags(const QModelIndex &index) const
{
    const SourceViewNode *node = nodeForIndex(index);
    if (!node)
        return Qt::ItemIsDropEnabled;
    if (node->isGroup())
        return Qt::ItemIsEnabled | Qt::ItemIsDropEnabled;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDropEnabled;
    if (isInsideCollections(node))
        flags |= Qt::ItemIsEditable | Qt::ItemIsDragEnabled;
    if (node->isLeaf())
        flags |= Qt::ItemNeverHasChildren;
    return flags;
}

} // namespace vidarium
