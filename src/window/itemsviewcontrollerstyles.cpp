// How the items pane's three views share one model, one selection, the
// context menu and file drops, end their inline edits together, and take
// turns as the style chosen.

#include "itemsviewcontroller.h"

#include "document/document.h"
#include "model/documentdefaults.h"
#include "window/itemscomboview.h"
#include "window/itemscomboviewcontroller.h"
#include "window/itemscontextmenu.h"
#include "window/itemsgridview.h"
#include "window/itemsgridviewcontroller.h"
#include "window/itemstableviewcontroller.h"

#include <QStackedWidget>

namespace vidarium {

void ItemsViewController::shareWithTable(ItemsBrowserView *view)
{
    // One selection for every style: switching views keeps what was selected.
    view->setSelectionModel(m_table->itemsView()->selectionModel());
    m_contextMenu->attach(view);
    connect(view, &QAbstractItemView::doubleClicked, this,
        [this](const QModelIndex &index) { doubleClickRow(index.row()); });
    view->setDropHandler([this](const QStringList &paths) { document().importMediaFiles(paths); });
}

void ItemsViewController::endEditing()
{
    m_table->commitEdit();
    m_combo->commitEdit();
}

void ItemsViewController::updateShownView()
{
    if (auto *view = qobject_cast<QAbstractItemView *>(m_stack->currentWidget()))
        view->viewport()->update();
}

void ItemsViewController::selectView(std::optional<int> style, bool fromMenu)
{
    DocumentDefaults &defaults = document().defaults();
    int chosen = style.value_or(int(defaults.itemsViewStyle()));
    // A stored style the window does not have (new libraries once got 0) shows
    // the table, and the corrected value is kept.
    if (chosen < TableStyle || chosen > GridStyle) {
        chosen = TableStyle;
        if (!style) {
            defaults.setItemsViewStyle(chosen);
            document().updateChangeCount(Document::Change::Done);
        }
    }
    if (style && fromMenu && defaults.itemsViewStyle() != chosen) {
        defaults.setItemsViewStyle(chosen);
        document().updateChangeCount(Document::Change::Done);
    }
    endEditing();
    QWidget *previous = m_stack->currentWidget();
    const bool hadFocus = previous && previous->hasFocus();
    if (previous == m_combo->itemsView() && chosen != ListStyle)
        m_combo->setActive(false);
    m_stack->setCurrentIndex(chosen - 1);
    if (chosen == ListStyle)
        m_combo->setActive(true);
    // The zoom belongs to the grid alone.
    m_grid->zoomControls()->setVisible(chosen == GridStyle);
    if (hadFocus && m_stack->currentWidget() != previous)
        m_stack->currentWidget()->setFocus(Qt::OtherFocusReason);
    m_currentViewStyle = chosen;
    emit stateChanged();
}

} // namespace vidarium
