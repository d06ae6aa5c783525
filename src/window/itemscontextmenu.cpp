#include "itemscontextmenu.h"

#include "app/applicationmenus.h"
#include "model/definitions.h"
#include "platform/userdefaults.h"
#include "window/filebrowser.h"
#include "window/itemspathmenu.h"
#include "window/itemsviewcontroller.h"

#include <QMenu>
#include <QTableView>
#include <QTimer>

namespace vidarium {

ItemsContextMenu::ItemsContextMenu(ItemsViewController &items, QTableView *view)
    : QObject(view)
    , m_items(items)
    , m_view(view)
{
    m_menu = new QMenu(view);
    m_menu->setObjectName(QStringLiteral("ItemsContextMenu"));
    attach(view);
    // A chosen item is triggered after the menu hides: the target is forgotten
    // only once the command has run.
    connect(m_menu, &QMenu::aboutToHide, this,
        [this] { QTimer::singleShot(0, this, [this] { m_target = QPersistentModelIndex(); }); });
}

void ItemsContextMenu::attach(QAbstractItemView *view)
{
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint &at) {
        popup(view->indexAt(at).row(), view->viewport()->mapToGlobal(at));
    });
}

int ItemsContextMenu::targetRow() const
{
    return m_target.isValid() ? m_target.row() : -1;
}

void ItemsContextMenu::popup(int row, const QPoint &global)
{
    m_target = row >= 0 ? QPersistentModelIndex(m_view->model()->index(row, 0))
                        : QPersistentModelIndex();
    rebuild();
    m_menu->popup(global);
}

void ItemsContextMenu::rebuild()
{
    m_menu->clear();
    const MediaElementList targets = m_items.targetItems();
    const bool any = !targets.isEmpty();
    m_menu->addAction(tr("Open"), &m_items, [this] { m_items.openTarget(); })->setEnabled(any);
    QMenu *openWith = m_menu->addMenu(tr("Open With"));
    openWith->setObjectName(QStringLiteral("ItemsOpenWithMenu"));
    addOpenWith(openWith);
    m_menu
        ->addAction(
            tr("Show in File Manager"), &m_items, [this] { m_items.revealTargetInFinder(); })
        ->setEnabled(any);
    // The folders of one file; with several there is no one path to show.
    QMenu *path = m_menu->addMenu(tr("Enclosing Folders"));
    path->setObjectName(QStringLiteral("ItemsPathMenu"));
    path->setEnabled(targets.size() == 1);
    if (targets.size() == 1)
        ItemsPathMenu::fill(path, targets.first()->path(),
            [](const QString &folder) { FileBrowser::reveal({ folder }); });
    m_menu->addSeparator();

    QMenu *rate = m_menu->addMenu(tr("Rate"));
    rate->setObjectName(QStringLiteral("ItemsRatingMenu"));
    rate->setEnabled(any);
    const QStringList titles = Definitions::shared().ratingStrings();
    QSet<int> ratings;
    for (const MediaElementPtr &element : targets)
        ratings.insert(element->rating());
    for (int rating = 0; rating <= 5; ++rating) {
        QAction *item
            = rate->addAction(rating < titles.size() ? titles.at(rating) : QString::number(rating),
                &m_items, [this, rating] { m_items.rateTarget(rating); });
        item->setCheckable(true);
        item->setChecked(ratings.size() == 1 && ratings.contains(rating));
    }

    // With images made at import, asking for them again has no use.
    if (!UserDefaults::standard().boolForKey(QStringLiteral("ImportImagesImmediately"))) {
        QMenu *images = m_menu->addMenu(tr("Make Images"));
        images->setObjectName(QStringLiteral("ItemsImagesMenu"));
        images->setEnabled(m_items.canImportImagesForTarget());
        const std::pair<QString, int> kinds[] = { { tr("Thumbnails"), 2 }, { tr("Storyboards"), 4 },
            { tr("Filmstrips"), 8 }, { tr("All Images"), 14 } };
        for (const auto &[title, tag] : kinds)
            images->addAction(title, &m_items, [this, tag] { m_items.importImagesForTarget(tag); });
    }
    m_menu->addAction(tr("Import Again"), &m_items, [this] { m_items.reimportTarget(); })
        ->setEnabled(m_items.canReimportTarget());
    m_menu->addSeparator();
    const bool canRemove = m_items.canRemoveTarget();
    const QString removeTitle = m_items.removeCommandTitle();
    m_menu->addAction(removeTitle, &m_items, [this] { m_items.removeTarget(); })
        ->setEnabled(canRemove);
    // Out of a static collection the trash is a second, separate command.
    if (removeTitle != tr("Move to Trash"))
        m_menu->addAction(tr("Move to Trash"), &m_items, [this] { m_items.trashTarget(); })
            ->setEnabled(canRemove);
}

void ItemsContextMenu::addOpenWith(QMenu *menu)
{
    const MediaElementList targets = m_items.targetItems();
    if (targets.isEmpty()) {
        menu->addAction(tr("No Selection"))->setEnabled(false);
        return;
    }
    const QList<ApplicationInfo> handlers
        = ApplicationMenus::handlersForExtension(targets.first()->extension());
    if (handlers.isEmpty())
        menu->addAction(tr("No Applications"))->setEnabled(false);
    for (const ApplicationInfo &handler : handlers) {
        QAction *item = menu->addAction(handler.name, &m_items,
            [this, id = handler.identifier] { m_items.openTargetWithApplication(id); });
        if (!handler.iconName.isEmpty())
            item->setIcon(QIcon::fromTheme(handler.iconName));
    }
}

} // namespace vidarium
