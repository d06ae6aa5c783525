#pragma once

// The items of the library window as a table: the elements of the selected
// collection (kept sorted), the rows that pass the filters, and a per-element
// file-existence cache so that painting and sorting by status never touch the
// disk. A hundred thousand rows cost a pointer and a flag each, plus one index
// per shown row; the identifier-to-row table is built only when asked for.
// Threads: main thread; the existence sweep stats files on a pool thread and
// hands its result back to the main thread.

#include "model/predicate.h"
#include "window/itemscolumns.h"

#include <QAbstractTableModel>
#include <QHash>

#include <functional>

#include <optional>
#include <vector>

namespace vidarium {

class MediaLibrary;
class SortDescriptor;

class ItemsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Role { ElementRole = Qt::UserRole + 1, StatusRole, RatingRole, IdentifierRole };

    ItemsModel(MediaLibrary &library, QObject *parent = nullptr);
    ~ItemsModel() override;

    // --- Columns ---------------------------------------------------------------
    const QList<ItemsColumn> &columns() const { return m_columns; }
    int columnOf(const QString &identifier) const;
    // Adds columns for active fields that lack one, drops those of inactive
    // fields, retitles the rest. Returns whether the set of columns changed.
    bool updateUserFieldColumns();

    // --- Content, filter, order ---------------------------------------------------
    void setContent(const MediaElementList &elements);
    // Adds the elements missing from the content and drops those not listed; the
    // rest keep their place (and the caller's selection can be restored).
    void mergeContent(const MediaElementList &elements);
    void addElements(const MediaElementList &elements);
    void removeElements(const MediaElementList &elements);
    qsizetype contentCount() const { return qsizetype(m_content.size()); }
    bool containsInContent(const MediaElement *element) const;

    void setFilter(const std::optional<Predicate> &predicate);
    // Whether setFilter(predicate) would leave the rows as they are.
    bool isFilteredBy(const std::optional<Predicate> &predicate) const;
    // Unknown keys fall back to the name; unknown selectors to the default order.
    void setSort(const QString &key, bool ascending, const QString &selector);
    QString sortKey() const { return m_sortKey; }
    bool sortAscending() const { return m_sortAscending; }
    // Sorts again with the current order (values may have changed).
    void rearrange();

    // --- Rows ---------------------------------------------------------------------
    MediaElementPtr elementAt(int row) const;
    int rowOf(const MediaElement *element) const;
    // The rows of those elements that are shown, each once, in ascending order.
    std::vector<int> rowsOf(const MediaElementList &elements) const;
    int rowOfIdentifier(const QString &identifier) const;
    MediaElementList arrangedElements() const;
    double totalDuration() const;
    qint64 totalSize() const;

    // --- Status ------------------------------------------------------------------
    // The element's status with the cached existence of its file.
    int cachedStatus(int row) const;
    // Marks the files unknown and stats them all on a pool thread.
    void refreshStatus();
    void setFileExists(const MediaElement *element, bool exists);
    bool statusSweepRunning() const { return m_sweepRunning; }
    // For the benchmark: the bytes the model keeps per element.
    qsizetype bytesPerElement() const;

    // --- Model --------------------------------------------------------------------
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    // Notes that an element's values changed (its row repaints); `keys` tell
    // whether its place in the sort order may have moved.
    void elementChanged(const QString &identifier, const QSet<QString> &keys = {});

    // Why a name is refused, or an empty string when it may be used.
    static QString nameProblem(const QString &name);

    // --- Dragging out and dropping in (itemsmodeldrag.cpp) ------------------------
    QStringList mimeTypes() const override;
    // The element type with the library's identifier, the rows in ascending
    // order; file URLs only while the application lets files leave the program.
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;
    // Only file lists from outside this library, wherever they land on the table.
    bool canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
        const QModelIndex &parent) const override;
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
        const QModelIndex &parent) override;
    // The local files of a "text/uri-list" (comments, other schemes and damaged
    // lines skipped). Any thread.
    static QStringList localPathsOfUriList(const QByteArray &uriList);
    // Receives the raw file list of a drop (the window imports it off the main thread).
    void setFileDropHandler(std::function<void(const QByteArray &uriList)> handler)
    {
        m_fileDropHandler = std::move(handler);
    }

signals:
    // The shown rows changed as a whole (count, order or content).
    void arrangementChanged();
    // A cell edit could not be applied; the text says why. `byFileSystem`: the
    // name was fine but the file could not be renamed (worth an alert, not just a beep).
    void editRefused(const QString &reason, bool byFileSystem);
    void statusSweepFinished();

private:
    struct Entry
    {
        MediaElementPtr element;
        qint8 exists = -1; // -1 not known yet (shown as present), 0 missing, 1 present
    };

    void sortContent();
    // Adds elements not in the content yet and sorts them in.
    void takeInFresh(const MediaElementList &fresh);
    // Puts them in their sorted places among rows that are in sort order.
    void insertSorted(const MediaElementList &fresh, const ItemsColumn &column);
    void applyFilter();
    void rebuildRows();
    void applySweep(quint64 generation, const std::vector<qint8> &found);
    const ItemsColumn *sortColumn() const;

    MediaLibrary &m_library;
    QList<ItemsColumn> m_columns;
    int m_propertyColumnCount = 0;
    std::vector<Entry> m_content;
    std::vector<int> m_rows; // indices into m_content, in order
    mutable QHash<const MediaElement *, int> m_rowIndex; // built on demand
    std::optional<Predicate> m_filter;
    QString m_sortKey = ItemsColumns::NameColumn;
    bool m_sortAscending = true;
    // A value the rows are sorted by changed since they were sorted (or its
    // change was not said): a merge sorts every row again.
    bool m_sortMayBeStale = true;
    QString m_sortSelector;
    quint64 m_generation = 0;
    quint64 m_filteredGeneration = 0;
    bool m_sweepRunning = false;
    std::function<void(const QByteArray &)> m_fileDropHandler;
};

} // namespace vidarium
