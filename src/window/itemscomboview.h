#pragma once

// The combined list: one painted row per element (no widget per row), taller
// for elements with a poster, with the current row's controls opened over it.
// A row repaints alone when its filmstrip, poster or storyboard arrives.
// Threads: main thread.

#include "window/itemsbrowserview.h"

#include <QPersistentModelIndex>

namespace vidarium {

class ItemImages;
class ItemsComboDelegate;

class ItemsComboView : public ItemsBrowserView
{
    Q_OBJECT
public:
    ItemsComboView(ItemsModel &model, ItemImages &images, QWidget *parent = nullptr);

    ItemsComboDelegate *comboDelegate() const { return m_delegate; }
    // The row whose controls are open, or -1.
    int editedRow() const { return m_edited.isValid() ? m_edited.row() : -1; }
    // Closes the current row's controls, keeping what was typed.
    void closeRowEditor();
    // Opens them on the current row (after a reload, for instance).
    void openRowEditor();
    // Row heights or widths changed (posters, the filmstrip's frame count).
    void relayout();

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    // The current row's stars take clicks; its open controls would otherwise
    // take every click on the row.
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void imageArrived(const QString &identifier);

    ItemImages &m_images;
    ItemsComboDelegate *m_delegate = nullptr;
    QPersistentModelIndex m_edited;
};

} // namespace vidarium
