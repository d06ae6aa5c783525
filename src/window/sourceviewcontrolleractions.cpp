// What the user does with the source list: creating, removing, emptying the
// Trash, the context menu, and the reactions to the library's notifications.

#include "sourceviewcontroller.h"

#include "app/preferencescontroller.h"
#include "document/document.h"
#include "import/dispatchcontroller.h"
#include "model/definitions.h"
#include "model/documentdefaults.h"
#include "model/mediaplaylist.h"
#include "model/predicateevaluator.h"
#include "window/documentwindowcontroller.h"
#include "window/smartcollectionsheet.h"
#include "window/sourcebadgecounter.h"
#include "window/sourcelisticons.h"
#include "window/sourcelistmodel.h"

#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeView>

#include <algorithm>

namespace vidarium {

namespace {

const QString ns = QStringLiteral("com.tallowmere.vidarium.");

QString localized(const char *key)
{
    return Definitions::shared().localizedString(QString::fromLatin1(key));
}

} // namespace

// A new collection goes into the selected folder, or beside the selected collection.
SourceViewNode *SourceViewController::insertionFolder()
{
    SourceViewNode *selected = selectedNode();
    if (!m_model->isInsideCollections(selected))
        return m_model->collectionsGroup();
    return selected->isLeaf() ? selected->parent() : selected;
}

void SourceViewController::createFolder()
{
    SourceViewNode *selected = selectedNode();
    SourceViewNode *parent = insertionFolder();
    int row = -1;
    if (m_model->isInsideCollections(selected) && selected->isLeaf())
        row = selected->row();
    SourceViewNodePtr folder
        = SourceViewNode::makeFolder(MediaLibrary::generateUUID(), QStringLiteral("Untitled"));
    m_model->insertNode(parent, row, folder);
    selectNode(folder.get());
    markChanged();
}

void SourceViewController::addCollectionNode(const MediaPlaylistPtr &playlist)
{
    SourceViewNodePtr node = SourceViewNode::makeLeaf(playlist->identifier(), playlist->name());
    m_model->insertNode(insertionFolder(), -1, node);
    m_treeView->expand(m_model->indexForNode(node->parent()));
    selectNode(node.get());
    m_badges->updateAll();
    markChanged();
}

void SourceViewController::createPlaylist()
{
    addCollectionNode(
        document().library().createPlaylist(QStringLiteral("Untitled"), std::nullopt));
}

void SourceViewController::createPlaylistWithSelection(const MediaElementList &elements)
{
    // Only the library's own elements join a collection.
    MediaElementList live;
    for (const MediaElementPtr &element : elements)
        if (element)
            if (MediaElementPtr own
                = document().library().elementWithIdentifier(element->identifier()))
                live.append(own);
    addCollectionNode(
        document().library().createPlaylist(QStringLiteral("Untitled"), std::nullopt, live));
}

void SourceViewController::createPlaylistWithPredicate()
{
    openPredicateSheet(nullptr);
}

void SourceViewController::editTargetPredicate()
{
    if (isTargetNodeEditable())
        openPredicateSheet(m_model->playlistForNode(targetNode()));
}

void SourceViewController::openPredicateSheet(const MediaPlaylistPtr &playlist)
{
    auto *sheet = new SmartCollectionSheet(document().library(), playlist, m_treeView->window());
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    const bool editing = playlist != nullptr;
    connect(sheet, &SmartCollectionSheet::didCloseWithPlaylist, this,
        [this, editing](const MediaPlaylistPtr &saved) {
            if (!editing) {
                addCollectionNode(saved);
                return;
            }
            if (SourceViewNode *node = m_model->nodeForKey(saved->identifier()))
                m_model->setData(m_model->indexForNode(node), saved->name(), Qt::EditRole);
            m_badges->updateAll();
            markChanged();
            // The items shown follow the new criteria at once.
            if (m_selectedKey == saved->identifier())
                announceSelection();
        });
    if (auto *controller = qobject_cast<DocumentWindowController *>(parent())) {
        controller->beginSheet(sheet);
        return;
    }
    sheet->setWindowModality(Qt::WindowModal);
    sheet->open();
}

bool SourceViewController::openSheet(QMessageBox *alert)
{
    if (auto *controller = qobject_cast<DocumentWindowController *>(parent()))
        return controller->beginSheet(alert);
    alert->setWindowModality(Qt::WindowModal);
    alert->open();
    return true;
}

void SourceViewController::removeTarget()
{
    removeNode(targetNode());
}

void SourceViewController::removeNode(SourceViewNode *node)
{
    if (!m_model->isInsideCollections(node))
        return;
    bool ask = false;
    if (node->isLeaf()) {
        const MediaPlaylistPtr playlist = m_model->playlistForNode(node);
        ask = playlist && playlist->isSmart();
    } else {
        ask = !node->allChildLeafs().isEmpty();
    }
    if (!ask) {
        removeNodeNow(node);
        return;
    }
    // Nothing can bring a removed collection back: ask first.
    auto *alert = new QMessageBox(m_treeView->window());
    alert->setObjectName(QStringLiteral("RemoveCollectionAlert"));
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setIcon(QMessageBox::Warning);
    const qsizetype inside = node->allChildLeafs().size();
    const char *message = node->isLeaf() ? "RemoveSmartCollectionAlertMessageText"
        : inside == 1                    ? "RemoveFolderAlertMessageText"
                                         : "RemoveFolderPluralAlertMessageText";
    alert->setText(localized(message).arg(node->name()).arg(inside));
    alert->setInformativeText(localized("RemoveCollectionAlertInformativeText"));
    QPushButton *remove = alert->addButton(tr("Remove"), QMessageBox::DestructiveRole);
    alert->addButton(tr("Cancel"), QMessageBox::RejectRole);
    const QString key = node->key();
    connect(alert, &QMessageBox::finished, this, [this, alert, remove, key] {
        if (alert->clickedButton() == remove)
            if (SourceViewNode *still = m_model->nodeForKey(key))
                removeNodeNow(still);
    });
    openSheet(alert);
}

void SourceViewController::removeNodeNow(SourceViewNode *node)
{
    MediaLibrary &library = document().library();
    const QString previous = m_selectedKey;
    if (node->isLeaf())
        library.removePlaylistWithIdentifier(node->key());
    for (const SourceViewNode *leaf : node->allChildLeafs())
        library.removePlaylistWithIdentifier(leaf->key());
    m_building = true;
    m_model->removeNode(node);
    m_building = false;
    SourceViewNode *selected = selectedNode();
    if (!selected || selected->isGroup()) {
        SourceViewNode *again = m_model->nodeForKey(previous);
        selectNode(again && !again->isGroup() ? again : m_model->allVideosNode());
    }
    selected = selectedNode();
    m_model->setSelectedNode(selected);
    if (selected && selected->key() != previous) {
        m_selectedKey = selected->key();
        announceSelection();
    }
    m_badges->updateAll();
    markChanged();
    emit stateChanged();
}

void SourceViewController::removeTargetIcon()
{
    SourceViewNode *node = targetNode();
    if (!isTargetNodeIconRemoveable())
        return;
    document().library().removePlaylistIconWithIdentifier(node->key());
    SourceListIcons::forgetCustomIcon(node->key());
    m_model->nodesChanged({ node });
    markChanged();
    emit stateChanged();
}

QMessageBox *SourceViewController::makeEmptyTrashAlert(int count, QWidget *parent)
{
    auto *alert = new QMessageBox(parent);
    alert->setObjectName(QStringLiteral("EmptyTrashAlert"));
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setIcon(QMessageBox::Warning);
    const bool one = count == 1;
    alert->setText(
        localized(one ? "EmptyTrashAlertMessageText" : "EmptyTrashPluralAlertMessageText"));
    alert->setInformativeText(
        localized(one ? "EmptyTrashAlertInformativeText" : "EmptyTrashPluralAlertInformativeText"));
    QPushButton *keep
        = alert->addButton(one ? tr("Keep File") : tr("Keep Files"), QMessageBox::AcceptRole);
    keep->setObjectName(QStringLiteral("KeepFiles"));
    QPushButton *trash = alert->addButton(tr("Move to Trash"), QMessageBox::DestructiveRole);
    trash->setObjectName(QStringLiteral("MoveToTrash"));
    alert->addButton(tr("Cancel"), QMessageBox::RejectRole)
        ->setObjectName(QStringLiteral("Cancel"));
    alert->setDefaultButton(keep);
    return alert;
}

void SourceViewController::emptyTrash()
{
    if (!isTrashFull())
        return;
    QMessageBox *alert
        = makeEmptyTrashAlert(int(document().library().trash().size()), m_treeView->window());
    connect(alert, &QMessageBox::finished, this, [this, alert] {
        const QString choice
            = alert->clickedButton() ? alert->clickedButton()->objectName() : QString();
        if (choice != QLatin1String("KeepFiles") && choice != QLatin1String("MoveToTrash"))
            return;
        document().library().emptyTrash(choice == QLatin1String("MoveToTrash"));
        m_model->nodesChanged({ m_model->trashNode() });
        m_badges->updateAll();
        if (selectedNode() && selectedNode() == m_model->trashNode())
            announceSelection();
        markChanged();
        emit stateChanged();
    });
    openSheet(alert);
}

void SourceViewController::showContextMenu(const QPoint &position)
{
    const QModelIndex index = m_treeView->indexAt(position);
    SourceViewNode *node = m_model->nodeForIndex(index);
    if (node && node->isGroup())
        return;
    m_contextIndex = index;
    QMenu menu(m_treeView);
    menu.addAction(tr("New Folder"), this, &SourceViewController::createFolder);
    menu.addAction(tr("New Collection"), this, &SourceViewController::createPlaylist);
    menu.addSeparator();
    if (isTargetNodeEditable())
        menu.addAction(
            tr("Edit Smart Collection…"), this, &SourceViewController::editTargetPredicate);
    if (isTargetNodeIconRemoveable())
        menu.addAction(tr("Remove Icon"), this, &SourceViewController::removeTargetIcon);
    if (isTargetNodeRemoveable())
        menu.addAction(tr("Remove"), this, &SourceViewController::removeTarget);
    if (node && node == m_model->trashNode()) {
        QAction *empty
            = menu.addAction(tr("Empty Trash…"), this, &SourceViewController::emptyTrash);
        empty->setEnabled(isTrashFull());
    }
    menu.exec(m_treeView->viewport()->mapToGlobal(position));
    m_contextIndex = QPersistentModelIndex();
}

// --- Notifications -------------------------------------------------------------------------

void SourceViewController::observe()
{
    NotificationCenter &center = NotificationCenter::instance();
    const auto mine = [this](const Notification &n) {
        return n.userInfo.value(LibraryNotification::LibraryIdentifierKey).toString()
            == document().identifier();
    };
    m_observers.append(center.addObserver(
        DocumentWindowController::DocumentWindowDidLoad,
        [this, mine](const Notification &n) {
            if (!mine(n) && !n.userInfo.isEmpty())
                return;
            m_model->nodesChanged({ m_model->trashNode() });
            m_badges->updateAll();
            announceSelection();
        },
        this));
    for (const QString &name : { DispatchNotification::SystemDidChangeVolumes,
             LibraryNotification::SystemDidChangeElements,
             DispatchNotification::SourceDidModifyElements, SourceNotification::DidRemoveElements,
             ns + QStringLiteral("ItemsTableDidEditElementNotification"),
             ns + QStringLiteral("DetailDidAddKeywordNotification"),
             ns + QStringLiteral("DetailDidRemoveKeywordsNotification"),
             ns + QStringLiteral("DetailDidRenameKeywordNotification") })
        m_observers.append(center.addObserver(
            name,
            [this, mine](const Notification &n) {
                if (mine(n))
                    refreshAfterChange(n);
            },
            this));
    m_observers.append(center.addObserver(
        PreferencesController::AppDidChangeIconAppearance,
        [this](const Notification &) { m_model->allNodesChanged(); }, this));
    m_observers.append(center.addObserver(
        DocumentDefaultsNotification::DidChange,
        [this, mine](const Notification &n) {
            if (n.object == &document() || mine(n))
                documentDefaultsDidChange();
        },
        this));
    m_observers.append(center.addObserver(
        LibraryNotification::DidQueueElements,
        [this, mine](const Notification &n) {
            if (mine(n))
                libraryDidQueueElements(n);
        },
        this));
}

void SourceViewController::refreshAfterChange(const Notification &notification)
{
    m_model->nodesChanged({ m_model->trashNode() });
    // A volume that came or went changes which files are there, which no element announces.
    if (notification.name == DispatchNotification::SystemDidChangeVolumes) {
        m_badges->updateAll();
        return;
    }
    const QVariant keys
        = notification.userInfo.value(LibraryNotification::LibraryElementPropertiesKey);
    const QStringList list = keys.toStringList();
    // An empty set of changed keys changes no count.
    if (!keys.isValid() || !list.isEmpty())
        m_badges->updateAfterChange(QSet<QString>(list.cbegin(), list.cend()));
}

void SourceViewController::libraryDidQueueElements(const Notification &notification)
{
    const MediaElementList queued
        = notification.userInfo.value(LibraryNotification::LibraryElementArrayKey)
              .value<MediaElementList>();
    m_badges->updateAfterChange({});
    // Queued elements join no static collection: only the smart ones of the
    // selection ("All Videos" among them) can admit them.
    SourceViewNode *node = selectedNode();
    if (!node)
        return;
    QList<PredicateEvaluator> criteria;
    const QList<SourceViewNode *> leafs
        = node->isLeaf() ? QList<SourceViewNode *> { node } : node->allChildLeafs();
    for (const SourceViewNode *leaf : leafs) {
        const MediaPlaylistPtr playlist = m_model->playlistForNode(leaf);
        if (playlist && playlist->isSmart())
            if (Result<PredicateEvaluator> compiled = playlist->predicate()->evaluatorForOnePass())
                criteria.append(std::move(*compiled));
    }
    if (criteria.isEmpty())
        return;
    MediaElementList admitted;
    for (const MediaElementPtr &element : queued) {
        if (element
            && std::any_of(criteria.cbegin(), criteria.cend(),
                [&](const PredicateEvaluator &test) { return test.evaluate(*element); }))
            admitted.append(element);
    }
    NotificationCenter::instance().post(SourceNotification::DidAddElements, this,
        { { LibraryNotification::LibraryIdentifierKey, document().identifier() },
            { LibraryNotification::LibraryElementArrayKey, QVariant::fromValue(admitted) } });
}

void SourceViewController::documentDefaultsDidChange()
{
    MediaLibrary &library = document().library();
    for (const MediaPlaylistPtr &playlist : library.playlists())
        playlist->removeStalePredicateReferences();
    const QString previous = m_selectedKey;
    m_building = true;
    m_model->populateOptionalNodes();
    m_building = false;
    SourceViewNode *selected = selectedNode();
    if (!selected || selected->key() != previous) {
        SourceViewNode *again = m_model->nodeForKey(previous);
        selectNode(again && !again->isGroup() ? again : m_model->allVideosNode());
        selected = selectedNode();
        m_model->setSelectedNode(selected);
        m_selectedKey = selected ? selected->key() : QString();
        announceSelection();
    }
    library.updateBuiltInPredicates();
    // What the built-in collections select, and which counts show, may have changed.
    m_badges->updateAll();
    NotificationCenter::instance().post(DispatchNotification::SourceDidModifyElements, this,
        { { LibraryNotification::LibraryIdentifierKey, document().identifier() } });
}

void SourceViewController::cleanup()
{
    if (isCleanedUp())
        return;
    for (const ObserverToken &token : std::as_const(m_observers))
        NotificationCenter::instance().removeObserver(token);
    m_observers.clear();
    if (m_treeView)
        m_treeView->setAcceptDrops(false);
    PaneController::cleanup();
}

} // namespace vidarium
