#pragma once

// The items table's context menu: open, open with, show in the file manager,
// rate, make images, import again and remove, all aimed at the row under the
// click when that row is not selected (else at the selection). The aimed row
// stays known until the chosen command has run.
// Threads: main thread.

#include <QObject>
#include <QPersistentModelIndex>

class QMenu;
class QAbstractItemView;
class QTableView;

namespace vidarium {

class ItemsViewController;

class ItemsContextMenu : public QObject
{
    Q_OBJECT
public:
    ItemsContextMenu(ItemsViewController &items, QTableView *view);

    QMenu *menu() const { return m_menu; }
    // Another view of the same items opens this menu too.
    void attach(QAbstractItemView *view);
    // The row the open menu aims at, or -1.
    int targetRow() const;
    // Fills the menu for a click on `row` (-1: no row) and shows it at `global`.
    void popup(int row, const QPoint &global);

private:
    void rebuild();
    void addOpenWith(QMenu *menu);

    ItemsViewController &m_items;
    QTableView *m_view = nullptr;
    QMenu *m_menu = nullptr;
    QPersistentModelIndex m_target;
};

} // namespace vidarium
