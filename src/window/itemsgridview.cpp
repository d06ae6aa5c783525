#include "itemsgridview.h"

#include "window/imagecache.h"
#include "window/itemimages.h"
#include "window/itemsgriddelegate.h"
#include "window/itemsmodel.h"

#include <QFocusEvent>
#include <QItemSelectionModel>
#include <QPixmap>
#include <QResizeEvent>

namespace vidarium {

ItemsGridView::ItemsGridView(ItemsModel &model, ItemImages &images, QWidget *parent)
    : ItemsBrowserView(model, parent)
    , m_images(images)
{
    setObjectName(QStringLiteral("ItemsGrid"));
    m_delegate = new ItemsGridDelegate(model, images, this);
    setItemDelegate(m_delegate);
    setViewMode(QListView::ListMode);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setSpacing(0);
    setDragOrder(DragOrder::Descending);
    // Always there, so that sharing out the width cannot make it come and go.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    spreadCells();
    setFrameShape(QFrame::NoFrame);
    QPalette palette = viewport()->palette();
    palette.setBrush(QPalette::Base, QBrush(ItemsPainting::linenTexture()));
    viewport()->setPalette(palette);
    viewport()->setAutoFillBackground(true);
    setScrubArea(
        [this](const QModelIndex &index) { return m_delegate->cellRect(visualRect(index)); });
    connect(this, &ItemsBrowserView::scrubChanged, this,
        [this](const ItemsPainting::Scrub &scrub) { m_delegate->setScrub(scrub); });
    connect(&images.thumbnails(), &ImageCache::imageReady, this, &ItemsGridView::imageArrived);
    connect(
        &images.storyboards(), &ImageCache::imageReady, this, [this](const QString &identifier) {
            if (scrub().row >= 0 && itemsModel().rowOfIdentifier(identifier) == scrub().row)
                imageArrived(identifier);
        });
}

double ItemsGridView::scale() const
{
    return m_delegate->scale();
}

void ItemsGridView::setScale(double scale)
{
    m_delegate->setScale(scale);
    spreadCells();
}

void ItemsGridView::spreadCells()
{
    // The width left over by whole cells is shared out between them, so the
    // rows fill the view instead of leaving a gap at the right.
    const QSize item = m_delegate->sizeHint({}, {});
    const int width = viewport()->width();
    const int columns = std::max(1, width / std::max(1, item.width()));
    const QSize grid(std::max(item.width(), width / columns), item.height());
    if (grid != gridSize())
        setGridSize(grid);
}

void ItemsGridView::resizeEvent(QResizeEvent *event)
{
    ItemsBrowserView::resizeEvent(event);
    spreadCells();
}

void ItemsGridView::imageArrived(const QString &identifier)
{
    if (!isVisible())
        return;
    const int row = itemsModel().rowOfIdentifier(identifier);
    if (row < 0)
        return;
    const QRect cell = visualRect(itemsModel().index(row, modelColumn()));
    if (cell.intersects(viewport()->rect()))
        viewport()->update(cell);
}

void ItemsGridView::focusInEvent(QFocusEvent *event)
{
    ItemsBrowserView::focusInEvent(event);
    if (event->reason() == Qt::MouseFocusReason || itemsModel().rowCount() == 0)
        return;
    if (!selectionModel()->hasSelection()) {
        selectionModel()->setCurrentIndex(itemsModel().index(0, modelColumn()),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
}

} // namespace vidarium
