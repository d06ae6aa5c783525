#include "itemsbrowserview.h"

#include "model/settingkeys.h"
#include "platform/userdefaults.h"
#include "window/elementclipboard.h"
#include "window/itemsmodel.h"
#include "window/storyboardframes.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

#include <algorithm>

namespace vidarium {

ItemsBrowserView::ItemsBrowserView(ItemsModel &model, QWidget *parent)
    : QListView(parent)
    , m_model(model)
{
    setModel(&model);
    setModelColumn(0);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setMovement(QListView::Static);
    setUniformItemSizes(true);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setMouseTracking(true);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::CopyAction);
}

QItemSelectionModel::SelectionFlags ItemsBrowserView::selectionCommand(
    const QModelIndex &index, const QEvent *event) const
{
    // The table shows the same selection: a picked item is its whole row.
    return QListView::selectionCommand(index, event) | QItemSelectionModel::Rows;
}

void ItemsBrowserView::scrubAt(const QPoint &position)
{
    const QModelIndex index = indexAt(position);
    const QRect area = index.isValid() && m_scrubArea ? m_scrubArea(index) : QRect();
    if (area.isEmpty() || !area.contains(position)) {
        endScrub();
        return;
    }
    const MediaElementPtr element = m_model.elementAt(index.row());
    const int count = element ? StoryboardFrames::frameCount(element->imageMetrics()) : 1;
    setScrub({ index.row(),
        StoryboardFrames::frameAt(position.x() - area.left(), area.width(), count) });
}

void ItemsBrowserView::endScrub()
{
    setScrub({});
}

void ItemsBrowserView::setScrub(const ItemsPainting::Scrub &scrub)
{
    if (scrub == m_scrub)
        return;
    const int previous = m_scrub.row;
    m_scrub = scrub;
    emit scrubChanged(m_scrub);
    // Only the cells concerned repaint.
    if (previous >= 0)
        viewport()->update(visualRect(m_model.index(previous, modelColumn())));
    if (scrub.row >= 0 && scrub.row != previous)
        viewport()->update(visualRect(m_model.index(scrub.row, modelColumn())));
}

void ItemsBrowserView::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() == Qt::NoButton)
        scrubAt(event->position().toPoint());
    QListView::mouseMoveEvent(event);
}

bool ItemsBrowserView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::Leave)
        endScrub();
    return QListView::viewportEvent(event);
}

QMimeData *ItemsBrowserView::dragData(QList<int> rows) const
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (m_dragOrder == DragOrder::Descending)
        std::reverse(rows.begin(), rows.end());
    MediaElementList elements;
    QList<QUrl> urls;
    for (int row : std::as_const(rows)) {
        if (MediaElementPtr element = m_model.elementAt(row)) {
            urls.append(QUrl::fromLocalFile(element->path()));
            elements.append(element);
        }
    }
    if (elements.isEmpty())
        return nullptr;
    QMimeData *data = ElementClipboard::mimeData(elements, m_libraryIdentifier);
    // Without the file list, file managers cannot take the files.
    if (UserDefaults::standard().boolForKey(SettingKey::AllowDragToFinder))
        data->setUrls(urls);
    return data;
}

void ItemsBrowserView::startDrag(Qt::DropActions)
{
    QList<int> rows;
    for (const QModelIndex &index : selectionModel()->selectedRows(modelColumn()))
        rows.append(index.row());
    QMimeData *data = dragData(rows);
    if (!data)
        return;
    auto *drag = new QDrag(this);
    drag->setMimeData(data);
    const bool anywhere = UserDefaults::standard().boolForKey(SettingKey::AllowDragToFinder);
    drag->exec(anywhere ? Qt::CopyAction | Qt::MoveAction | Qt::LinkAction : Qt::CopyAction,
        Qt::CopyAction);
}

QStringList ItemsBrowserView::droppedFiles(const QMimeData *data) const
{
    QStringList paths;
    if (!data || !m_dropHandler || !data->hasUrls()
        || data->hasFormat(MediaElement::PasteboardType))
        return paths;
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    return paths;
}

void ItemsBrowserView::dragEnterEvent(QDragEnterEvent *event)
{
    if (droppedFiles(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void ItemsBrowserView::dragMoveEvent(QDragMoveEvent *event)
{
    // Dropped anywhere on the view, never onto an item.
    if (droppedFiles(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void ItemsBrowserView::dropEvent(QDropEvent *event)
{
    const QStringList paths = droppedFiles(event->mimeData());
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    m_dropHandler(paths);
}

} // namespace vidarium
