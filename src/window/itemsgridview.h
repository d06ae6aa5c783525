#pragma once

// The thumbnail grid: cells of the library's thumbnail scale on dark linen,
// laid out in rows that wrap with the width, each repainted alone when its
// thumbnail arrives. Gaining the focus other than by a click selects the first
// item when nothing is selected. Escape here is the window's Stop like
// anywhere else: it never cancels the library's import.
// Threads: main thread.

#include "window/itemsbrowserview.h"

namespace vidarium {

class ItemImages;
class ItemsGridDelegate;

class ItemsGridView : public ItemsBrowserView
{
    Q_OBJECT
public:
    ItemsGridView(ItemsModel &model, ItemImages &images, QWidget *parent = nullptr);

    ItemsGridDelegate *gridDelegate() const { return m_delegate; }
    double scale() const;
    // Re-lays out the cells for a new scale (clamped to the slider's range).
    void setScale(double scale);

protected:
    void focusInEvent(QFocusEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void imageArrived(const QString &identifier);
    void spreadCells();

    ItemImages &m_images;
    ItemsGridDelegate *m_delegate = nullptr;
};

} // namespace vidarium
