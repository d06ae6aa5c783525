#include "sourceviewcontroller.h"

#include "app/preferencescontroller.h"
#include "document/document.h"
#include "import/dispatchcontroller.h"
#include "model/definitions.h"
#include "model/documentdefaults.h"
#include "model/mediaplaylist.h"
#include "window/documentwindowcontroller.h"
#include "window/sourcebadgecounter.h"
#include "window/sourcelistdelegate.h"
#include "window/sourcelisticons.h"
#include "window/sourcelistmodel.h"

#include <QEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeView>

namespace vidarium {

namespace {

// The tree forgets the node it lent to a drag once the drag is over, however it ended.
class SourceTreeView : public QTreeView
{
public:
    explicit SourceTreeView(SourceListModel &model)
        : m_model(model)
    {
    }

protected:
    void startDrag(Qt::DropActions actions) override
    {
        QTreeView::startDrag(actions);
        m_model.setDraggedNode(nullptr);
    }
    void focusInEvent(QFocusEvent *event) override
    {
        QTreeView::focusInEvent(event);
        applySelectionColour();
    }
    void focusOutEvent(QFocusEvent *event) override
    {
        QTreeView::focusOutEvent(event);
        applySelectionColour();
    }
    void changeEvent(QEvent *event) override
    {
        QTreeView::changeEvent(event);
        if (event->type() == QEvent::ActivationChange)
            applySelectionColour();
    }

public:
    // The rows paint their own selection; the indentation beside a selected
    // row is the view's, and must match: the accent colour only while the list
    // has the keyboard focus, grey otherwise.
    void applySelectionColour()
    {
        if (!m_accent.isValid())
            m_accent = palette().color(QPalette::Active, QPalette::Highlight);
        const bool focused = hasFocus() && window()->isActiveWindow();
        QPalette colours = palette();
        const QColor colour = focused ? m_accent : colours.color(QPalette::Window).darker(118);
        for (QPalette::ColorGroup group : { QPalette::Active, QPalette::Inactive })
            colours.setColor(group, QPalette::Highlight, colour);
        setPalette(colours);
        viewport()->update();
    }

private:
    SourceListModel &m_model;
    QColor m_accent;
};

} // namespace

SourceViewController::SourceViewController(Document &document, QObject *parent)
    : PaneController(QStringLiteral("SourceView"), document, parent)
    , m_model(new SourceListModel(document, this))
    , m_badges(new SourceBadgeCounter(*m_model, this))
{
    auto *tree = new SourceTreeView(*m_model);
    m_treeView = tree;
    tree->setObjectName(QStringLiteral("SourceList"));
    tree->setModel(m_model);
    tree->setHeaderHidden(true);
    tree->setRootIsDecorated(false);
    tree->setIndentation(14);
    tree->setUniformRowHeights(false);
    tree->setFrameShape(QFrame::NoFrame);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    tree->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    tree->setDragDropMode(QAbstractItemView::DragDrop);
    tree->setDefaultDropAction(Qt::MoveAction);
    tree->setDropIndicatorShown(true);
    tree->setContextMenuPolicy(Qt::CustomContextMenu);
    tree->setAttribute(Qt::WA_MacShowFocusRect, false);
    QPalette palette = tree->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    tree->setPalette(palette);
    tree->applySelectionColour();
    tree->setItemDelegate(new SourceListDelegate(
        *m_model,
        [this] {
            const QWidget *window = m_treeView->window();
            const auto *controller = qobject_cast<DocumentWindowController *>(this->parent());
            if (!window->isActiveWindow() || (controller && controller->isSheetAttached()))
                return SourceListDelegate::Focus::Inactive;
            return m_treeView->hasFocus() ? SourceListDelegate::Focus::ListFocused
                                          : SourceListDelegate::Focus::WindowMain;
        },
        tree));
    setView(tree);

    connect(&document.library(), &MediaLibrary::elementValuesChanged, this,
        [this] { m_announcedElements.reset(); });
    connect(m_model, &SourceListModel::treeEdited, this, [this] {
        markChanged();
        emit stateChanged();
    });
    connect(m_model, &SourceListModel::removeRequested, this, &SourceViewController::removeNode);
    connect(m_model, &SourceListModel::elementsLeftCollections, this,
        [this](const MediaElementList &elements) {
            NotificationCenter::instance().post(SourceNotification::DidRemoveElements, this,
                { { LibraryNotification::LibraryIdentifierKey, this->document().identifier() },
                    { LibraryNotification::LibraryElementArrayKey,
                        QVariant::fromValue(elements) } });
            m_badges->updateAll();
            m_model->nodesChanged({ m_model->trashNode() });
        });
    connect(m_model, &SourceListModel::collectionCreatedByDrop, this,
        [this] { m_badges->updateAll(); });
    connect(m_model, &SourceListModel::importRequested, this, [this](const QStringList &paths) {
        if (auto *controller = qobject_cast<DocumentWindowController *>(this->parent()))
            controller->importPaths(paths);
        else
            this->document().importMediaFiles(paths);
        markChanged();
    });
    connect(tree, &QTreeView::expanded, this, [this](const QModelIndex &index) {
        if (SourceViewNode *node = m_model->nodeForIndex(index); node && !m_building)
            node->setExpanded(true);
    });
    connect(tree, &QTreeView::collapsed, this, [this](const QModelIndex &index) {
        SourceViewNode *node = m_model->nodeForIndex(index);
        if (!node || m_building)
            return;
        if (node->isGroup()) {
            m_treeView->expand(index);
            return;
        }
        node->setExpanded(false);
        if (SourceViewNode *selected = selectedNode(); selected && selected->isDescendantOf(node))
            selectNode(node);
    });
    connect(
        tree, &QWidget::customContextMenuRequested, this, &SourceViewController::showContextMenu);
    buildTree();
    observe();
}

SourceViewController::~SourceViewController()
{
    cleanup();
}

void SourceViewController::buildTree()
{
    m_building = true;
    m_model->build();
    connect(m_treeView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &SourceViewController::selectionDidChange, Qt::UniqueConnection);
    for (const SourceViewNodePtr &root : m_model->roots())
        restoreExpansion(root.get());
    SourceViewNode *all = m_model->allVideosNode();
    selectNode(all);
    m_selectedKey = all ? all->key() : QString();
    m_model->setSelectedNode(all);
    m_building = false;
    m_treeView->scrollToTop();
}

void SourceViewController::restoreExpansion(SourceViewNode *node)
{
    if (node->isGroup() || (node->isFolder() && node->isExpanded()))
        m_treeView->expand(m_model->indexForNode(node));
    for (const SourceViewNodePtr &child : node->children())
        if (!child->isLeaf())
            restoreExpansion(child.get());
}

SourceViewNode *SourceViewController::selectedNode() const
{
    const QModelIndexList selected = m_treeView->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? nullptr : m_model->nodeForIndex(selected.first());
}

void SourceViewController::selectNode(SourceViewNode *node)
{
    const QModelIndex index = m_model->indexForNode(node);
    if (!index.isValid())
        return;
    m_treeView->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
}

void SourceViewController::selectionDidChange()
{
    if (m_building)
        return;
    SourceViewNode *node = selectedNode();
    if (!node) {
        // The list always has a selection.
        SourceViewNode *fallback = m_model->nodeForKey(m_selectedKey);
        selectNode(fallback && !fallback->isGroup() ? fallback : m_model->allVideosNode());
        return;
    }
    m_model->setSelectedNode(node);
    if (node->key() == m_selectedKey)
        return;
    m_selectedKey = node->key();
    announceSelection();
    emit stateChanged();
}

void SourceViewController::announceSelection()
{
    m_announcing = true;
    m_announcedElements.reset();
    NotificationCenter::instance().post(SourceNotification::SelectionDidChange, this,
        { { LibraryNotification::LibraryIdentifierKey, document().identifier() } });
    m_announcing = false;
    m_announcedElements.reset();
}

MediaPlaylistPtr SourceViewController::selectedPlaylist() const
{
    return m_model->playlistForNode(selectedNode());
}

MediaElementList SourceViewController::selectedNodeElements() const
{
    if (m_announcedElements)
        return *m_announcedElements;
    MediaElementList elements = elementsOfNode(selectedNode());
    if (m_announcing)
        m_announcedElements = elements;
    return elements;
}

MediaElementList SourceViewController::elementsOfNode(const SourceViewNode *node) const
{
    if (!node)
        return {};
    if (node->isLeaf()) {
        const MediaPlaylistPtr playlist = m_model->playlistForNode(node);
        return playlist ? playlist->elements() : MediaElementList();
    }
    QSet<QString> seen;
    MediaElementList elements;
    for (const SourceViewNode *leaf : node->allChildLeafs())
        if (const MediaPlaylistPtr playlist = m_model->playlistForNode(leaf))
            for (const MediaElementPtr &element : playlist->elements())
                if (!seen.contains(element->identifier())) {
                    seen.insert(element->identifier());
                    elements.append(element);
                }
    return elements;
}

QStringList SourceViewController::selectedNodePredicateKeyPaths() const
{
    const SourceViewNode *node = selectedNode();
    if (!node)
        return {};
    QSet<QString> keys;
    QList<const SourceViewNode *> leafs;
    if (node->isLeaf())
        leafs.append(node);
    else
        for (const SourceViewNode *leaf : node->allChildLeafs())
            leafs.append(leaf);
    for (const SourceViewNode *leaf : leafs)
        if (const MediaPlaylistPtr playlist = m_model->playlistForNode(leaf))
            keys.unite(playlist->predicateKeyPaths());
    QStringList sorted(keys.cbegin(), keys.cend());
    sorted.sort();
    return sorted;
}

PlistValue SourceViewController::userCollectionNodes() const
{
    return m_model->userCollectionNodes();
}

// The dragged node while a drag is on, else the row of the open context menu,
// else the selected row.
SourceViewNode *SourceViewController::targetNode() const
{
    if (SourceViewNode *dragged = m_model->draggedNode())
        return dragged;
    if (m_contextIndex.isValid())
        return m_model->nodeForIndex(m_contextIndex);
    return selectedNode();
}

bool SourceViewController::isTargetNodeEditable() const
{
    const SourceViewNode *node = targetNode();
    const MediaPlaylistPtr playlist = m_model->playlistForNode(node);
    return m_model->isInsideCollections(node) && playlist && playlist->isSmart();
}

bool SourceViewController::isTargetNodeRemoveable() const
{
    return m_model->isInsideCollections(targetNode());
}

bool SourceViewController::isTargetNodeIconRemoveable() const
{
    const SourceViewNode *node = targetNode();
    const MediaPlaylistPtr playlist = m_model->playlistForNode(node);
    return m_model->isInsideCollections(node) && playlist && playlist->hasCustomIcon();
}

bool SourceViewController::isTrashFull() const
{
    return document().library().isTrashFull();
}

void SourceViewController::markChanged()
{
    document().updateChangeCount(Document::Change::Done);
}

} // namespace vidarium
