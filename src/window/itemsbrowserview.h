#pragma once

// What the thumbnail grid and the combined list share as views of the items:
// whole rows selected (the selection is the table's), the pointer scrubbing
// across a picture to pick a storyboard frame, dragging the selected elements
// out in the view's order, and file drops handed to the library's import.
// Threads: main thread.

#include "window/itemspainting.h"

#include <QListView>

#include <functional>

namespace vidarium {

class ItemsModel;

class ItemsBrowserView : public QListView
{
    Q_OBJECT
public:
    enum class DragOrder { Ascending, Descending };

    ItemsBrowserView(ItemsModel &model, QWidget *parent = nullptr);

    ItemsModel &itemsModel() const { return m_model; }
    void setDragOrder(DragOrder order) { m_dragOrder = order; }
    void setLibraryIdentifier(const QString &identifier) { m_libraryIdentifier = identifier; }
    // Dropped files go here; without a handler nothing is accepted.
    void setDropHandler(std::function<void(const QStringList &paths)> handler)
    {
        m_dropHandler = std::move(handler);
    }
    // The area of an item across which the pointer scrubs (empty: none).
    void setScrubArea(std::function<QRect(const QModelIndex &)> area)
    {
        m_scrubArea = std::move(area);
    }

    const ItemsPainting::Scrub &scrub() const { return m_scrub; }
    // The pointer at `position` (viewport coordinates): a mouse move does this.
    void scrubAt(const QPoint &position);
    void endScrub();
    // The drag's data for these rows, in the view's order; null for none.
    QMimeData *dragData(QList<int> rows) const;

signals:
    void scrubChanged(const ItemsPainting::Scrub &scrub);

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(
        const QModelIndex &index, const QEvent *event = nullptr) const override;
    void mouseMoveEvent(QMouseEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void setScrub(const ItemsPainting::Scrub &scrub);
    QStringList droppedFiles(const QMimeData *data) const;

    ItemsModel &m_model;
    DragOrder m_dragOrder = DragOrder::Ascending;
    QString m_libraryIdentifier;
    std::function<void(const QStringList &)> m_dropHandler;
    std::function<QRect(const QModelIndex &)> m_scrubArea;
    ItemsPainting::Scrub m_scrub;
};

} // namespace vidarium
