#include "window/sourcefolderlistmodel.h"

#include "platform/bookmark.h"

#include <QApplication>
#include <QCollator>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeData>
#include <QPalette>
#include <QSet>
#include <QStyle>
#include <QUrl>

#include <algorithm>

namespace vidarium {

namespace {

QString folderName(const QString &path)
{
    if (path.isEmpty())
        return path;
    const QString name = QFileInfo(path).fileName();
    return name.isEmpty() ? path : name;
}

} // namespace

SourceFolderListModel::SourceFolderListModel(QObject *parent)
    : QAbstractListModel(parent)
{
    // One icon for every folder: asking the system per folder would cost a
    // look at each of thousands of folders.
    m_folderIcon = QFileIconProvider().icon(QFileIconProvider::Folder);
    m_unavailableIcon = QIcon::fromTheme(QStringLiteral("dialog-warning"),
        QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning));
}

void SourceFolderListModel::load(const PlistArray &sourceFolders)
{
    beginResetModel();
    m_rows.clear();
    for (const PlistValue &stored : sourceFolders) {
        const QByteArray bytes
            = stored.type() == PlistValue::Type::Data ? stored.toData() : QByteArray();
        const std::optional<QString> path = Bookmark::resolvePath(bytes);
        if (path && QFileInfo(*path).isDir()) {
            const QByteArray fresh = Bookmark::create(*path);
            m_rows.append(
                { fresh.isEmpty() ? stored : PlistValue(fresh), *path, true, folderName(*path) });
            continue;
        }
        // Kept as stored, so plugging the drive in again brings the folder back.
        const QString recorded = Bookmark::recordedPath(bytes).value_or(QString());
        m_rows.append({ stored, recorded, false, folderName(recorded) });
    }
    sortRows();
    endResetModel();
}

PlistArray SourceFolderListModel::bookmarks() const
{
    PlistArray bookmarks;
    bookmarks.reserve(m_rows.size());
    for (const Row &row : m_rows)
        bookmarks.append(row.bookmark);
    return bookmarks;
}

int SourceFolderListModel::addFolders(const QStringList &paths)
{
    QSet<QString> listed;
    for (const Row &row : std::as_const(m_rows)) {
        if (row.available)
            listed.insert(QDir::cleanPath(row.path));
    }
    QList<Row> added;
    for (const QString &path : paths) {
        const QString clean = QDir::cleanPath(path);
        if (listed.contains(clean) || !QFileInfo(clean).isDir())
            continue;
        const QByteArray bookmark = Bookmark::create(clean);
        if (bookmark.isEmpty())
            continue;
        listed.insert(clean);
        added.append({ PlistValue(bookmark), clean, true, folderName(clean) });
    }
    if (added.isEmpty())
        return 0;
    beginResetModel();
    m_rows.append(added);
    sortRows();
    endResetModel();
    return int(added.size());
}

void SourceFolderListModel::removeRows(QList<int> rows)
{
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (int row : std::as_const(rows)) {
        if (row < 0 || row >= m_rows.size())
            continue;
        beginRemoveRows({}, row, row);
        m_rows.removeAt(row);
        endRemoveRows();
    }
}

bool SourceFolderListModel::canAcceptPaths(const QStringList &paths)
{
    return std::all_of(
        paths.cbegin(), paths.cend(), [](const QString &path) { return QFileInfo(path).isDir(); });
}

int SourceFolderListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant SourceFolderListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row &row = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        if (row.available)
            return row.name;
        return row.path.isEmpty() ? tr("Unknown folder (unavailable)")
                                  : tr("%1 (unavailable)").arg(row.name);
    case Qt::ToolTipRole:
        if (row.available)
            return QDir::toNativeSeparators(row.path);
        return row.path.isEmpty() ? tr("This folder's stored location cannot be read.")
                                  : tr("%1 cannot be found now. It is kept until you remove it.")
                                        .arg(QDir::toNativeSeparators(row.path));
    case Qt::DecorationRole:
        return row.available ? m_folderIcon : m_unavailableIcon;
    case Qt::ForegroundRole:
        if (row.available)
            return {};
        return QApplication::palette().brush(QPalette::Disabled, QPalette::Text);
    case PathRole:
        return row.path;
    case AvailableRole:
        return row.available;
    default:
        return {};
    }
}

Qt::ItemFlags SourceFolderListModel::flags(const QModelIndex &index) const
{
    const Qt::ItemFlags drops = m_acceptsDrops ? Qt::ItemIsDropEnabled : Qt::NoItemFlags;
    if (!index.isValid())
        return drops;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

QStringList SourceFolderListModel::mimeTypes() const
{
    return { QStringLiteral("text/uri-list") };
}

Qt::DropActions SourceFolderListModel::supportedDropActions() const
{
    return Qt::CopyAction;
}

std::optional<QStringList> SourceFolderListModel::localPaths(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return std::nullopt;
    QStringList paths;
    for (const QUrl &url : data->urls()) {
        if (!url.isLocalFile())
            return std::nullopt;
        paths.append(url.toLocalFile());
    }
    return paths;
}

bool SourceFolderListModel::canDropMimeData(
    const QMimeData *data, Qt::DropAction action, int, int, const QModelIndex &) const
{
    if (!m_acceptsDrops || action != Qt::CopyAction)
        return false;
    const std::optional<QStringList> paths = localPaths(data);
    return paths && canAcceptPaths(*paths);
}

bool SourceFolderListModel::dropMimeData(
    const QMimeData *data, Qt::DropAction action, int row, int column, const QModelIndex &parent)
{
    if (!canDropMimeData(data, action, row, column, parent)) {
        if (m_acceptsDrops)
            emit dropRefused(tr("Only folders can be added to the list."));
        return false;
    }
    addFolders(*localPaths(data));
    return true;
}

void SourceFolderListModel::sortRows()
{
    QCollator collator;
    collator.setNumericMode(true);
    std::stable_sort(m_rows.begin(), m_rows.end(),
        [&collator](const Row &a, const Row &b) { return collator.compare(a.name, b.name) < 0; });
}

} // namespace vidarium
