#pragma once

// The items as a table: one column per property and per active user field,
// visibility, order and widths kept in the library's settings, the header menu,
// the pinned first column, stars for the rating and inline editing of names,
// comments and field values (with completion of field values). Reloads asked
// for during an edit wait until it ends.
// Threads: main thread.

#include "platform/notificationcenter.h"

#include <QObject>
#include <QPointer>
#include <QTableView>

#include <functional>

class QMenu;

namespace vidarium {

class Document;
class ItemsModel;
class RatingDelegate;

inline const QString TableElementDidEndEditingNotification
    = QStringLiteral("com.tallowmere.vidarium.TableElementDidEndEditingNotification");
inline const QString TableElementDidEndTrackingNotification
    = QStringLiteral("com.tallowmere.vidarium.TableElementDidEndTrackingNotification");

// The table view: tells when an editor closes so postponed work can run.
class ItemsTableView : public QTableView
{
    Q_OBJECT
public:
    using QTableView::QTableView;
    bool isEditing() const { return state() == QAbstractItemView::EditingState; }

signals:
    void editEnded(const QModelIndex &index, bool committed);

protected:
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;
    void commitData(QWidget *editor) override;
};

class ItemsTableViewController : public QObject
{
    Q_OBJECT
public:
    ItemsTableViewController(Document &document, ItemsModel &model, QObject *parent = nullptr);
    ~ItemsTableViewController() override;

    ItemsTableView *itemsView() const { return m_view; }
    QMenu *headerMenu() const { return m_headerMenu; }
    bool tableEditInProgress() const;
    // Commits the edit in progress, if any.
    void commitEdit();
    // After the model's columns changed (a field added or removed, settings edited).
    void applySettings();
    void autosizeColumns();
    void toggleColumn(const QString &identifier);
    bool isColumnVisible(const QString &identifier) const;
    // The column identifiers in display order.
    QStringList displayOrder() const;
    void saveLayout();
    // Rows that a command applies to when the edit is on `row`: all selected rows
    // for a selected row, else that row alone.
    QList<int> rowsForEdit(int row) const;
    void setSortRequestHandler(std::function<void(const QString &key)> handler)
    {
        m_sortRequest = std::move(handler);
    }

signals:
    // An edit was refused: a bad name (`byFileSystem` false) or a rename the
    // file system would not do. The items pane beeps, and alerts for the latter.
    void editRefused(const QString &reason, bool byFileSystem);

private:
    // The constructor's parts: the view's look, the rating stars, the library's
    // notifications, in-place editing, and the header's menu and clicks.
    void configureView();
    void connectRating();
    void observeNotifications();
    void connectTextEditing();
    void connectHeader();
    void prepareColumns();
    void restoreLayout();
    void rebuildHeaderMenu();
    void sectionMoved(int logical, int from, int to);
    void postEndEditing(const QModelIndex &index);
    void trackingEnded(const QModelIndex &index);

    Document &m_document;
    ItemsModel &m_model;
    ItemsTableView *m_view = nullptr;
    RatingDelegate *m_ratingDelegate = nullptr;
    QMenu *m_headerMenu = nullptr;
    ObserverToken m_trackingObserver;
    ObserverToken m_defaultsObserver;
    QPersistentModelIndex m_trackedIndex;
    std::function<void(const QString &)> m_sortRequest;
    bool m_columnsPrepared = false;
    bool m_undoingMove = false;
};

} // namespace vidarium
