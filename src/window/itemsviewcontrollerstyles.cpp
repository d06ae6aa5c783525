// How the items pane's three views share one model, one selection, the
// context menu and file drops, and end their inline edits together.

#include "itemsviewcontroller.h"

#include "document/document.h"
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

} // namespace vidarium
