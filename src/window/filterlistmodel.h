#pragma once

// The rows of one filter list: the top row ("(All Items)" / "(All Keywords)")
// and one row per distinct value or keyword with the number of elements that
// have it. The model keeps its content and shows an arrangement of it: sorted
// (top row first) and narrowed by the list's search, which never hides the top
// row. Rows compare by value, so a refill keeps what was selected.
// Threads: main thread.

#include "model/comparisons.h"
#include "model/predicate.h"
#include "platform/plist/plistvalue.h"

#include <QAbstractListModel>
#include <QStringList>

#include <functional>
#include <vector>

namespace vidarium {

struct FilterRow
{
    // The property value or keyword identifier; invalid for the top row.
    PlistValue value;
    QString label;
    // What the list's search matches.
    QString comparisonString;
    int count = 0;
    bool isTopItem() const { return !value.isValid(); }
};

class FilterListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Role { CountRole = Qt::UserRole + 1, CountTextRole, TopRole };
    enum class SortOrder { None, ByValue, ByCount };
    // How two non-top rows order when sorted by value.
    using ValueOrder = std::function<ComparisonResult(const FilterRow &, const FilterRow &)>;

    explicit FilterListModel(QObject *parent = nullptr);

    // Replaces the content: `top` first, then `rows`.
    void setRows(FilterRow top, std::vector<FilterRow> rows);
    const std::vector<FilterRow> &content() const { return m_content; }
    // The row of the content holding `value`; -1 when none does.
    int contentIndexOf(const PlistValue &value) const;
    // Adds a row at the end of the content and arranges again.
    void appendRow(FilterRow row);
    // Sets every row's count (and label when given) by value; arranges again.
    void updateRows(const std::function<void(FilterRow &)> &update);

    void setSortOrder(SortOrder order, ValueOrder valueOrder);
    // Words every row must contain (case and accents ignored); empty for all rows.
    void setSearchWords(const QStringList &words);
    void setShowsCounts(bool show);
    bool showsCounts() const { return m_showCounts; }

    const FilterRow &rowAt(int row) const;
    // The shown row of the value; -1 when it is not shown.
    int rowOf(const PlistValue &value) const;
    // Shown rows besides the top row.
    int valueRowCount() const { return std::max(0, rowCount() - 1); }

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

signals:
    // The shown rows changed as a whole; the selection must be restored.
    void aboutToArrange();
    void arranged();

private:
    void arrange();
    bool passesSearch(const FilterRow &row) const;

    std::vector<FilterRow> m_content;
    std::vector<int> m_arranged; // indices into m_content, in order
    SortOrder m_sortOrder = SortOrder::ByValue;
    ValueOrder m_valueOrder;
    QStringList m_words;
    QList<Predicate> m_tests; // one per word
    bool m_showCounts = true;
};

} // namespace vidarium
