// Drag and drop of the source list model: what may be dropped where, and what a
// drop does. Dragged elements only name elements; the library's own are used.

#include "sourcelistmodel.h"

#include "document/document.h"
#include "model/medialibrary.h"
#include "model/mediaplaylist.h"
#include "window/elementclipboard.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QMimeData>
#include <QUrl>

namespace vidarium {

namespace {

const QString &documentType()
{
    return ElementClipboard::DocumentIdentifierType;
}

// A png file of exactly `size`, decoded under a small allocation limit.
QImage readIconFile(const QString &path)
{
    const QFileInfo info(path);
    if (info.suffix().compare(QLatin1String("png"), Qt::CaseInsensitive) != 0 || !info.isFile()
        || info.size() > SourceListModel::MaximumIconFileBytes)
        return {};
    QImageReader reader(path, "png");
    reader.setAllocationLimit(1); // megabytes; an icon needs a few kilobytes
    const QSize declared = reader.size();
    if (declared != QSize(16, 16) && declared != QSize(32, 32))
        return {};
    QImage image = reader.read();
    if (image.isNull() || image.size() != declared)
        return {};
    return image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

QByteArray SourceListModel::iconDataFromFiles(const QStringList &paths)
{
    if (paths.isEmpty() || paths.size() > 2)
        return {};
    QImage small;
    QImage large;
    for (const QString &path : paths) {
        const QImage image = readIconFile(path);
        if (image.isNull())
            return {};
        QImage &slot = image.width() == 16 ? small : large;
        if (!slot.isNull())
            return {};
        slot = image;
    }
    if (small.isNull())
        return {};
    // With both sizes the 32-pixel bitmap is kept, declared as 16 points (144 dpi).
    QImage icon = large.isNull() ? small : large;
    const int dotsPerMeter = large.isNull() ? 2835 : 5669;
    icon.setDotsPerMeterX(dotsPerMeter);
    icon.setDotsPerMeterY(dotsPerMeter);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "tiff");
    if (!writer.write(icon))
        return {};
    return bytes;
}

QStringList SourceListModel::mimeTypes() const
{
    return { documentType(), NodeType, MediaElement::PasteboardType,
        QStringLiteral("text/uri-list") };
}

QMimeData *SourceListModel::mimeData(const QModelIndexList &indexes) const
{
    SourceViewNode *node = indexes.isEmpty() ? nullptr : nodeForIndex(indexes.first());
    if (!node || node->isGroup() || !isInsideCollections(node))
        return nullptr;
    // The node itself stays here; the drag only says that it comes from this list.
    auto *data = new QMimeData;
    data->setData(documentType(), m_document.identifier().toUtf8());
    data->setData(NodeType, QByteArray());
    const_cast<SourceListModel *>(this)->m_dragged = node;
    return data;
}

Qt::DropActions SourceListModel::supportedDropActions() const
{
    return Qt::MoveAction | Qt::CopyAction;
}

Qt::DropActions SourceListModel::supportedDragActions() const
{
    return Qt::MoveAction;
}

bool SourceListModel::canDropMimeData(
    const QMimeData *data, Qt::DropAction, int row, int, const QModelIndex &parent) const
{
    return validateDrop(data, nodeForIndex(parent), row) == DropVerdict::Move;
}

bool SourceListModel::dropMimeData(
    const QMimeData *data, Qt::DropAction action, int row, int, const QModelIndex &parent)
{
    if (action == Qt::IgnoreAction)
        return true;
    return acceptDrop(data, nodeForIndex(parent), row);
}

SourceListModel::DropVerdict SourceListModel::validateDrop(
    const QMimeData *data, SourceViewNode *target, int row) const
{
    if (!data)
        return DropVerdict::Refused;
    const bool fromDocument = data->hasFormat(documentType());
    if (fromDocument && data->hasFormat(NodeType))
        return validateNodeDrop(data, target, row);
    if (fromDocument && data->hasFormat(MediaElement::PasteboardType))
        return target && row != -1 ? DropVerdict::Refused : validateElementDrop(data, target);
    if (!fromDocument && data->hasUrls())
        return row != -1 ? DropVerdict::Refused : validateFileDrop(data, target);
    return DropVerdict::Refused;
}

SourceListModel::DropVerdict SourceListModel::validateNodeDrop(
    const QMimeData *data, SourceViewNode *target, int row) const
{
    SourceViewNode *dragged = m_dragged;
    if (!target || !dragged
        || QString::fromUtf8(data->data(documentType())) != m_document.identifier())
        return DropVerdict::Refused;
    if (target == libraryGroup())
        return DropVerdict::Refused;
    if (isLibraryChild(target))
        return row == -1 && target == trashNode() ? DropVerdict::Move : DropVerdict::Refused;
    if (row == -1 || target->isLeaf())
        return DropVerdict::Refused;
    if (target == dragged || target->isDescendantOf(dragged))
        return DropVerdict::Refused;
    if (dragged->parent() == target && (row == dragged->row() || row == dragged->row() + 1))
        return DropVerdict::Refused;
    return target == collectionsGroup() || isInsideCollections(target) ? DropVerdict::Move
                                                                       : DropVerdict::Refused;
}

const SourceListModel::DragElements &SourceListModel::dragElements(const QMimeData *data) const
{
    const QByteArray bytes = data->data(MediaElement::PasteboardType);
    if (bytes.constData() == m_dragBytes && bytes.size() == m_dragSize)
        return m_dragElements;
    m_dragBytes = bytes.constData();
    m_dragSize = bytes.size();
    m_dragElements = DragElements();
    // Elements dragged within this program come with the drag; only data from
    // elsewhere is decoded (through the hardened reader).
    const auto *own = qobject_cast<const ElementMimeData *>(data);
    const MediaElementList copies = own ? own->elements() : ElementClipboard::decode(bytes);
    if (copies.isEmpty())
        return m_dragElements;
    DragElements &drag = m_dragElements;
    drag.fromThisDocument
        = QString::fromUtf8(data->data(documentType())) == m_document.identifier();
    const MediaLibrary &library = m_document.library();
    for (const MediaElementPtr &copy : copies) {
        if (!copy)
            continue;
        if (!drag.fromThisDocument) {
            drag.anyUnreadable = drag.anyUnreadable || copy->error();
            if (!copy->path().isEmpty())
                drag.paths.append(copy->path());
            continue;
        }
        const MediaElementPtr live = library.elementWithIdentifier(copy->identifier());
        if (!live)
            continue; // unknown identifiers name nothing here
        drag.anyUnreadable
            = drag.anyUnreadable || live->error() || library.error().contains(live->identifier());
        drag.identifiers.append(live->identifier());
    }
    drag.valid = drag.fromThisDocument ? !drag.identifiers.isEmpty() : !drag.paths.isEmpty();
    return drag;
}

MediaElementList SourceListModel::liveElements(const QStringList &identifiers) const
{
    MediaElementList elements;
    for (const QString &identifier : identifiers)
        if (MediaElementPtr element = m_document.library().elementWithIdentifier(identifier))
            elements.append(element);
    return elements;
}

SourceListModel::DropVerdict SourceListModel::validateElementDrop(
    const QMimeData *data, SourceViewNode *target) const
{
    const DragElements &drag = dragElements(data);
    if (!drag.valid)
        return DropVerdict::Refused;
    const auto verdict = [](bool ok) { return ok ? DropVerdict::Move : DropVerdict::Refused; };
    if (!drag.fromThisDocument)
        return verdict(!drag.anyUnreadable && target && target == allVideosNode());
    if (drag.anyUnreadable)
        return verdict(target && target == trashNode());
    if (!target)
        return DropVerdict::Move;
    if (!target->isLeaf() || target == m_selected)
        return DropVerdict::Refused;
    if (target == trashNode())
        return DropVerdict::Move;
    if (target == allVideosNode())
        return verdict(m_selected && m_selected == trashNode());
    const MediaPlaylistPtr playlist = playlistForNode(target);
    return verdict(isInsideCollections(target) && playlist && !playlist->isBuiltIn()
        && playlist->isCollection());
}

SourceListModel::DropVerdict SourceListModel::validateFileDrop(
    const QMimeData *data, SourceViewNode *target) const
{
    if (!target || !target->isLeaf() || !isInsideCollections(target) || !playlistForNode(target))
        return DropVerdict::Refused;
    QStringList paths;
    for (const QUrl &url : data->urls()) {
        if (!url.isLocalFile())
            return DropVerdict::Refused;
        paths.append(url.toLocalFile());
    }
    const QString joined = paths.join(QChar(0));
    if (joined != m_iconCheckedFor) {
        m_iconCheckedFor = joined;
        m_iconCheckResult = !iconDataFromFiles(paths).isEmpty();
    }
    return m_iconCheckResult ? DropVerdict::Move : DropVerdict::Refused;
}

bool SourceListModel::acceptDrop(const QMimeData *data, SourceViewNode *target, int row)
{
    if (validateDrop(data, target, row) != DropVerdict::Move)
        return false;
    const bool fromDocument = data->hasFormat(documentType());
    if (fromDocument && data->hasFormat(NodeType))
        return acceptNodeDrop(target, row);
    if (fromDocument)
        return acceptElementDrop(data, target);
    QStringList paths;
    for (const QUrl &url : data->urls())
        paths.append(url.toLocalFile());
    const QByteArray icon = iconDataFromFiles(paths);
    const MediaPlaylistPtr playlist = playlistForNode(target);
    if (icon.isEmpty() || !playlist)
        return false;
    playlist->setIconData(icon);
    nodesChanged({ target });
    emit treeEdited();
    return true;
}

bool SourceListModel::acceptNodeDrop(SourceViewNode *target, int row)
{
    SourceViewNode *dragged = std::exchange(m_dragged, nullptr);
    if (target == trashNode()) {
        emit removeRequested(dragged);
        return true;
    }
    if (!moveNode(dragged, target, row))
        return false;
    emit treeEdited();
    return true;
}

bool SourceListModel::acceptElementDrop(const QMimeData *data, SourceViewNode *target)
{
    const DragElements drag = dragElements(data);
    MediaLibrary &library = m_document.library();
    if (!drag.fromThisDocument) {
        emit importRequested(drag.paths);
        return true;
    }
    const MediaElementList elements = liveElements(drag.identifiers);
    bool changed = false;
    if (m_selected && m_selected == trashNode()) {
        for (const MediaElementPtr &element : elements)
            if (library.trash().contains(element->identifier()))
                library.restoreElement(element);
        changed = true;
    } else if (target && target == trashNode()) {
        for (const MediaElementPtr &element : elements)
            if (!library.trash().contains(element->identifier()))
                library.trashElement(element);
        changed = true;
    }
    if (changed)
        emit elementsLeftCollections(elements);
    const MediaPlaylistPtr playlist = playlistForNode(target);
    if (playlist && playlist->type() == MediaPlaylist::TypeUser && playlist->isCollection()) {
        for (const MediaElementPtr &element : elements)
            playlist->addElement(*element);
        changed = true;
    } else if (!target) {
        const MediaPlaylistPtr created
            = library.createPlaylist(QStringLiteral("Untitled"), std::nullopt, elements);
        SourceViewNodePtr node = makeCollectionNode(created);
        insertNode(collectionsGroup(), -1, node);
        emit collectionCreatedByDrop(node.get());
        changed = true;
    }
    if (changed)
        emit treeEdited();
    // The drag's bytes may be reused by the next drag: read them afresh then.
    m_dragBytes = nullptr;
    return changed;
}

} // namespace vidarium
