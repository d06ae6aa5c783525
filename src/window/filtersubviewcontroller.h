#pragma once

// What the property filter and the keyword filter share: a header, a search
// box that may hide, and the list of rows with their counts; refilling the
// rows from the source selection's elements when a notification of this
// library says something relevant changed; keeping the selection across a
// refill; turning the selected rows into criteria and announcing them when
// the selection really changed.
// Threads: main thread.

#include "model/mediaelement.h"
#include "model/predicate.h"
#include "platform/notificationcenter.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

class QHBoxLayout;
class QLineEdit;
class QListView;
class QVBoxLayout;

namespace vidarium {

class Document;
class FilterListModel;
class FilterSearchView;
class FilterTally;
class SourceViewController;
struct FilterRow;

namespace FilterNotification {
inline const QString SelectionDidChange
    = QStringLiteral("com.tallowmere.vidarium.FilterSelectionDidChangeNotification");
inline const QString FilterTypeKey = QStringLiteral("FilterType");
inline const QString FilterPredicateKey = QStringLiteral("FilterPredicate");
} // namespace FilterNotification

class FilterSubviewController : public QObject
{
    Q_OBJECT
public:
    FilterSubviewController(Document &document, SourceViewController &source, QObject *parent);
    ~FilterSubviewController() override;

    Document &document() const { return m_document; }
    QWidget *view() const { return m_view; }
    QListView *itemsView() const { return m_itemsView; }
    FilterListModel &model() const { return *m_model; }
    FilterSearchView *searchView() const { return m_searchView; }
    QLineEdit *searchField() const;

    // The selected rows as criteria; none when nothing or the top row is selected.
    std::optional<Predicate> predicate() const;
    virtual int sortTag() const = 0;
    // Stores the sort order a command's tag names and sorts again.
    virtual void arrangeFilterTable(int tag) = 0;

    // Find: shows the search box and puts the focus in it.
    void performFindPanelAction();
    // Escape in the list: clears the search and returns the focus to the list.
    void cancelOperation();
    bool isSearchBoxVisible() const;
    // Follows the application setting that keeps the search boxes shown.
    void applySearchBoxSetting();
    void updateCountColumn();

    // Refills from the source selection now.
    void populate();
    // Whether a change of these keys (a set or list of key paths) can change the rows.
    bool shouldPopulateFilter(const QVariantMap &userInfo) const;
    // How often the rows were refilled (for tests and the benchmark).
    int populateCount() const { return m_populateCount; }

    virtual void cleanup();

signals:
    // The number of shown rows may have changed.
    void rowsChanged();

protected:
    virtual QString filterType() const = 0;
    // Keys whose change refills the list besides the source selection's criteria.
    virtual QStringList populateKeyPaths() const = 0;
    virtual void fill(const MediaElementList &elements) = 0;
    virtual std::optional<Predicate> rowPredicate(const FilterRow &row) const = 0;
    virtual std::optional<Predicate> combine(const QList<Predicate> &predicates) const;
    virtual void applySortOrder() = 0;

    // A bar for the list's header; the caller fills its layout.
    static QWidget *makeHeaderBar(QHBoxLayout **layout);
    void setHeader(QWidget *header);
    // Observes a notification of this library; the handler gets the notification.
    void observe(const QString &name, std::function<void(const Notification &)> handler);
    bool concernsThisLibrary(const Notification &note) const;
    // Refills when the notification's changed keys concern the list.
    void populateFilter(const Notification &note);
    // Posts the selection's criteria when the selected set differs from the last one.
    void tableViewSelectionDidChange();
    void announce();
    SourceViewController &source() const { return m_source; }
    // Counts what the source selection's elements contribute to the rows.
    FilterTally &tally() const { return *m_tally; }
    PlistArray selectedValues() const;
    bool isCleanedUp() const { return m_cleanedUp; }

private:
    void buildView();
    void searchFieldAction();
    void firstResponderDidChange(const Notification &note);
    void setSearchBoxVisible(bool visible);
    void restoreSelection();

    Document &m_document;
    SourceViewController &m_source;
    FilterListModel *m_model = nullptr;
    std::unique_ptr<FilterTally> m_tally;
    QPointer<QWidget> m_view;
    QVBoxLayout *m_layout = nullptr;
    QListView *m_itemsView = nullptr;
    FilterSearchView *m_searchView = nullptr;
    // What was selected when the criteria were last announced (invalid: the top row).
    PlistArray m_selectedSet;
    PlistArray m_keptSelection;
    QList<ObserverToken> m_observers;
    int m_populateCount = 0;
    bool m_arranging = false;
    bool m_cleanedUp = false;
};

} // namespace vidarium
