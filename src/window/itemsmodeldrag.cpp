// The items model's part in drag and drop: what a drag out of the table
// carries, and which drops the table takes in.

#include "itemsmodel.h"

#include "model/medialibrary.h"
#include "model/settingkeys.h"
#include "platform/userdefaults.h"
#include "window/elementclipboard.h"

#include <QMimeData>
#include <QUrl>

#include <algorithm>

namespace vidarium {

namespace {

const QString UriListType = QStringLiteral("text/uri-list");

bool allowsFilesToLeave()
{
    return UserDefaults::standard().boolForKey(SettingKey::AllowDragToFinder);
}

} // namespace

QStringList ItemsModel::mimeTypes() const
{
    QStringList types { ElementClipboard::DocumentIdentifierType, MediaElement::PasteboardType };
    if (allowsFilesToLeave())
        types.append(UriListType);
    return types;
}

QMimeData *ItemsModel::mimeData(const QModelIndexList &indexes) const
{
    // A row arrives once per column: each element is written once, in row order.
    std::vector<int> rows;
    rows.reserve(size_t(indexes.size()));
    for (const QModelIndex &index : indexes) {
        if (index.isValid() && index.model() == this)
            rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    MediaElementList elements;
    elements.reserve(qsizetype(rows.size()));
    for (int row : rows) {
        if (MediaElementPtr element = elementAt(row))
            elements.append(element);
    }
    if (elements.isEmpty())
        return nullptr;
    QMimeData *data = ElementClipboard::mimeData(elements, m_library.identifier());
    // Without the file list a file manager has nothing it can take: the files
    // stay inside the program.
    if (allowsFilesToLeave()) {
        QList<QUrl> urls;
        urls.reserve(elements.size());
        for (const MediaElementPtr &element : std::as_const(elements))
            urls.append(QUrl::fromLocalFile(element->path()));
        data->setUrls(urls);
    }
    return data;
}

Qt::DropActions ItemsModel::supportedDragActions() const
{
    return allowsFilesToLeave() ? Qt::CopyAction | Qt::MoveAction | Qt::LinkAction
                                : Qt::DropActions(Qt::CopyAction);
}

Qt::DropActions ItemsModel::supportedDropActions() const
{
    return Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
}

bool ItemsModel::canDropMimeData(
    const QMimeData *data, Qt::DropAction action, int, int, const QModelIndex &) const
{
    if (!data || action == Qt::IgnoreAction || !m_fileDropHandler || !data->hasFormat(UriListType))
        return false;
    // Rows dragged from this library are already in it.
    return !data->hasFormat(ElementClipboard::DocumentIdentifierType)
        || QString::fromUtf8(data->data(ElementClipboard::DocumentIdentifierType))
        != m_library.identifier();
}

bool ItemsModel::dropMimeData(
    const QMimeData *data, Qt::DropAction action, int row, int column, const QModelIndex &parent)
{
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    // A hundred thousand URLs are parsed by the receiver off the main thread.
    m_fileDropHandler(data->data(UriListType));
    return true;
}

QStringList ItemsModel::localPathsOfUriList(const QByteArray &uriList)
{
    QStringList paths;
    const QList<QByteArray> lines = uriList.split('\n');
    paths.reserve(lines.size());
    for (const QByteArray &raw : lines) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QUrl url = QUrl::fromEncoded(line, QUrl::StrictMode);
        if (url.isValid() && url.isLocalFile()) {
            const QString path = url.toLocalFile();
            if (!path.isEmpty() && !path.contains(QChar(0)))
                paths.append(path);
        }
    }
    return paths;
}

} // namespace vidarium
