#include "itemscomboview.h"

#include "window/imagecache.h"
#include "window/itemimages.h"
#include "window/itemscombodelegate.h"
#include "window/itemscomboeditor.h"
#include "window/itemsmodel.h"

#include <QMouseEvent>
#include <QTimer>

namespace vidarium {

ItemsComboView::ItemsComboView(ItemsModel &model, ItemImages &images, QWidget *parent)
    : ItemsBrowserView(model, parent)
    , m_images(images)
{
    setObjectName(QStringLiteral("ItemsComboList"));
    m_delegate = new ItemsComboDelegate(model, images, this);
    setItemDelegate(m_delegate);
    setViewMode(QListView::ListMode);
    setFlow(QListView::TopToBottom);
    setWrapping(false);
    // Rows with a poster are taller.
    setUniformItemSizes(false);
    setLayoutMode(QListView::SinglePass);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setDragOrder(DragOrder::Ascending);
    setAlternatingRowColors(true);
    setScrubArea([this](const QModelIndex &index) {
        const QRect row = visualRect(index);
        return m_delegate->layout(row, row.height() == ItemsComboDelegate::PosterRowHeight)
            .filmstrip;
    });
    connect(this, &ItemsBrowserView::scrubChanged, this, [this](const ItemsPainting::Scrub &scrub) {
        m_delegate->setScrub(scrub.row, scrub.frame);
    });
    for (ImageCache *cache : { &images.filmstrips(), &images.posters(), &images.storyboards() })
        connect(cache, &ImageCache::imageReady, this, &ItemsComboView::imageArrived);
    connect(&images, &ItemImages::postersChanged, this, &ItemsComboView::relayout);
}

void ItemsComboView::imageArrived(const QString &identifier)
{
    if (!isVisible())
        return;
    const int row = itemsModel().rowOfIdentifier(identifier);
    if (row < 0)
        return;
    const QRect rect = visualRect(itemsModel().index(row, modelColumn()));
    if (rect.intersects(viewport()->rect()))
        viewport()->update(rect);
}

void ItemsComboView::relayout()
{
    // Cached sizes are dropped by a fresh layout; the editor follows its row.
    scheduleDelayedItemsLayout();
}

void ItemsComboView::closeRowEditor()
{
    if (!m_edited.isValid())
        return;
    if (auto *editor = qobject_cast<ItemsComboEditor *>(indexWidget(m_edited)))
        editor->commit();
    const QPersistentModelIndex edited = std::exchange(m_edited, {});
    closePersistentEditor(edited);
}

void ItemsComboView::openRowEditor()
{
    const QModelIndex current = currentIndex();
    if (!current.isValid() || m_edited == current)
        return;
    closeRowEditor();
    m_edited = current;
    openPersistentEditor(current);
}

void ItemsComboView::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    const QModelIndex index = indexAt(at);
    if (event->button() == Qt::LeftButton && index.isValid() && index == currentIndex()
        && m_delegate->clickRating(index.row(), visualRect(index), at)) {
        event->accept();
        return;
    }
    ItemsBrowserView::mouseReleaseEvent(event);
}

void ItemsComboView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    ItemsBrowserView::currentChanged(current, previous);
    // Committing the old row's edits can re-sort the rows; the new row's
    // controls open once that has settled.
    closeRowEditor();
    if (current.isValid()) {
        QTimer::singleShot(0, this, [this] {
            if (isVisible())
                openRowEditor();
        });
    }
}

} // namespace vidarium
