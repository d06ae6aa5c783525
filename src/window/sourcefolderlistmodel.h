#pragma once

// The settings sheet's list of watched folders. A stored folder that cannot be
// found now (its drive unplugged, damaged bookmark bytes) stays in the list,
// marked unavailable, with its stored bookmark kept as it was: only the user
// removing it drops it. Folders are added from the open panel or dropped as a
// file list; a drop holding anything but existing folders is refused whole, and
// a folder already listed is not listed twice. Sorted by folder name.
// Threads: main thread.

#include "platform/plist/plistvalue.h"

#include <QAbstractListModel>
#include <QIcon>

namespace vidarium {

class SourceFolderListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Role { PathRole = Qt::UserRole + 1, AvailableRole };
    struct Row
    {
        PlistValue bookmark; // as stored for an unavailable folder
        QString path; // where it is, or where it was when recorded
        bool available = false;
        QString name; // the folder's own name, shown and sorted by
    };

    explicit SourceFolderListModel(QObject *parent = nullptr);

    // One row per stored bookmark; found folders get a fresh bookmark.
    void load(const PlistArray &sourceFolders);
    const QList<Row> &rows() const { return m_rows; }
    // The bookmarks in list order, the unavailable ones as they were stored.
    PlistArray bookmarks() const;

    // Adds the folders not yet listed; paths that are no existing folder are
    // skipped. Returns how many were added.
    int addFolders(const QStringList &paths);
    void removeRows(QList<int> rows);
    // Every path an existing folder (an empty list too).
    static bool canAcceptPaths(const QStringList &paths);

    void setAcceptsDrops(bool accepts) { m_acceptsDrops = accepts; }

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QStringList mimeTypes() const override;
    Qt::DropActions supportedDropActions() const override;
    bool canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
        const QModelIndex &parent) const override;
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
        const QModelIndex &parent) override;

signals:
    // A drop was refused; the message says why.
    void dropRefused(const QString &message);

private:
    static std::optional<QStringList> localPaths(const QMimeData *data);
    void sortRows();

    QList<Row> m_rows;
    QIcon m_folderIcon;
    QIcon m_unavailableIcon;
    bool m_acceptsDrops = true;
};

} // namespace vidarium
